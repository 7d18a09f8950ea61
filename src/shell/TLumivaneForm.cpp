#include "TLumivaneForm.h"

#include "AboutBox.h"
#include "DisplaySetupPage.h"
#include "InformationPage.h"
#include "MainMenu.h"
#include "PlanningPage.h"
#include "ProjectorSetupPage.h"
#include "SeamRemovalPage.h"
#include "SourceSetupPage.h"
#include "TConnectionHelpForm.h"
#include "TInfoForm.h"
#include "WindowHost.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

namespace {
const char *const kConnectCaption = "QLN - Lumivane :Establish COM port communication with Kestrix(s)";
const char *const kConnectQuestion =
    "Lumivane requires connection to Kestrix(s) to function. Do you currently have Kestrix(s) connected to the "
    "PC/laptop? Click Yes and Lumivane will search for Kestrix(s).";
const char *const kOfflineNote =
    "When Kestrix(s) are connected, go to 'Serial Port->Search for Kestrix(s)->Search' menu item for the Lumivane "
    "to search for Kestrix(s).\nPlease refer to Kestrix manual for help with Lumivane serial connection.";
const char *const kExitCaption = "QLN - Lumivane :Confirm Exit";
const char *const kExitQuestion = "Are you sure you want to exit this application?";
} // namespace

TLumivaneForm::TLumivaneForm(const FormOptions &opts) : options(opts)
{
    setObjectName(QStringLiteral("LumivaneForm"));
    setWindowTitle(tr("Quillon - Lumivane"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("MainStatusBar"));
    status->setSizeGripEnabled(false);
    status->setFixedHeight(22);
    setStatusBar(status);

    mainMenu = new MainMenu(menuBar());
    buildPages();
    windowHost = std::make_unique<WindowHost>(this, status, phasePages);
    wireMenu();

    // Fixed client area, the menu bar included.
    setFixedSize(908, 594);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    phasePages->setCurrentWidget(planning);
}

TLumivaneForm::~TLumivaneForm() = default;

void TLumivaneForm::buildPages()
{
    phasePages = new QTabWidget(this);
    phasePages->setObjectName(QStringLiteral("PhasePageControl"));
    planning = new PlanningPage(phasePages);
    projectorSetup = new ProjectorSetupPage(phasePages);
    sourceSetup = new SourceSetupPage(phasePages);
    displaySetup = new DisplaySetupPage(phasePages);
    seamRemoval = new SeamRemovalPage(phasePages);
    infoPage = new InformationPage(phasePages);
    phasePages->addTab(planning, tr("Planning"));
    phasePages->addTab(projectorSetup, tr("Projector Setup"));
    phasePages->addTab(sourceSetup, tr("Source Setup"));
    phasePages->addTab(displaySetup, tr("Display Setup"));
    phasePages->addTab(seamRemoval, tr("Seam Removal"));
    phasePages->addTab(infoPage, tr("Information"));
    setCentralWidget(phasePages);
}

void TLumivaneForm::wireMenu()
{
    auto on = [this](const char *name, auto handler) {
        connect(mainMenu->action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    };
    on("Exit1", [this] { close(); });
    on("SearchAll", [this] { SearchAllClick(); });
    on("HelpwithLumivaneSerialconnection1", [this] {
        if (helpForm) {
            helpForm->show();
            helpForm->raise();
        }
    });
    on("About1", [this] { showAbout(); });
}

void TLumivaneForm::attachAuxiliaryWindows(TInfoForm *info, TConnectionHelpForm *help)
{
    infoForm = info;
    helpForm = help;
    windowHost->setInfoForm(info);
}

Host &TLumivaneForm::host() const
{
    return options.host ? *options.host : *windowHost;
}

void TLumivaneForm::bringToFront()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TLumivaneForm::showAbout()
{
    AboutBox box(versionText(), this);
    box.exec();
}

void TLumivaneForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shownOnce)
        return;
    shownOnce = true;
    // Runs once the window is on screen, so that the connect question appears over it.
    QMetaObject::invokeMethod(this, &TLumivaneForm::FormShow, Qt::QueuedConnection);
}

void TLumivaneForm::FormShow()
{
    Refreshing = true;
    planning->prepare();
    infoPage->baudComboBox()->setCurrentIndex(0);
    infoPage->screenInfoComboBox()->setCurrentIndex(0);
    Refreshing = false;

    if (host().askYesNo(QString::fromLatin1(kConnectCaption), QString::fromLatin1(kConnectQuestion)))
        SearchAllClick();
    else
        host().showMessage(QString::fromLatin1(kOfflineNote));
}

void TLumivaneForm::SearchAllClick()
{
    emit searchStarted();
}

void TLumivaneForm::closeEvent(QCloseEvent *event)
{
    if (closeAllowed) {
        event->accept();
        return;
    }
    event->ignore();
    if (exitQuestionOpen || exitConfirmed)
        return;
    exitQuestionOpen = true;
    const bool yes = host().askYesNo(QString::fromLatin1(kExitCaption), QString::fromLatin1(kExitQuestion));
    exitQuestionOpen = false;
    if (!yes)
        return;
    exitConfirmed = true;
    finishExit();
}

void TLumivaneForm::finishExit()
{
    hide();
    if (infoForm)
        infoForm->hide();
    if (helpForm)
        helpForm->hide();
    QEventLoop pause;
    QTimer::singleShot(options.exitPauseMs, &pause, &QEventLoop::quit);
    pause.exec();
    closeAllowed = true;
    close();
    if (options.quit)
        options.quit();
    else
        QCoreApplication::quit();
}
