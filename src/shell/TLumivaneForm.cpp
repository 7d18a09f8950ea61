// SPDX-License-Identifier: GPL-3.0-or-later
#include "TLumivaneForm.h"

#include "AboutBox.h"
#include "BlendPreviewPage.h"
#include "BusyScope.h"
#include "CommandEngine.h"
#include "CommandSet.h"
#include "ConfigFileMenu.h"
#include "ConnectionController.h"
#include "ControlNames.h"
#include "DeviceCompare.h"
#include "DeviceReader.h"
#include "DisplaySetupPage.h"
#include "EditMenu.h"
#include "EventPump.h"
#include "FieldEditors.h"
#include "GuardedHost.h"
#include "InformationPage.h"
#include "MainMenu.h"
#include "PageContext.h"
#include "PageSwitchGuard.h"
#include "PlanningPage.h"
#include "PortChooserMenu.h"
#include "ProjectorSetupPage.h"
#include "ReportExport.h"
#include "SeamRemovalPage.h"
#include "SettingsPush.h"
#include "ShellPlanningPeers.h"
#include "SourceSetupPage.h"
#include "SplitHost.h"
#include "StatusLightController.h"
#include "StatusLightsWidget.h"
#include "StatusQueries.h"
#include "TApdComPort.h"
#include "TConnectionHelpForm.h"
#include "TInfoForm.h"
#include "TerminalPane.h"
#include "UndoRecorder.h"
#include "WheelGuard.h"
#include "WindowHost.h"
#include "WindowPushValues.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QEventLoop>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

namespace {
const char *const kConnectCaption = "QLN - Lumivane :Establish COM port communication with Kestrix(s)";
const char *const kConnectQuestion = "Lumivane requires connection to Kestrix(s) to function. Do you "
                                     "currently have Kestrix(s) connected to the "
                                     "PC/laptop? Click Yes and Lumivane will search for Kestrix(s).";
const char *const kOfflineNote =
    "When Kestrix(s) are connected, go to 'Serial Port->Search for Kestrix(s)->Search' menu item for the "
    "Lumivane "
    "to search for Kestrix(s).\nPlease refer to Kestrix manual for help with Lumivane serial connection.";
const char *const kExitCaption = "QLN - Lumivane :Confirm Exit";
const char *const kExitQuestion = "Are you sure you want to exit this application?";
} // namespace

TLumivaneForm::TLumivaneForm(const FormOptions &opts)
    : options(opts), prefs(std::make_unique<Preferences>(opts.settings)) {
    setObjectName(QStringLiteral("LumivaneForm"));
    setWindowTitle(tr("Quillon - Lumivane"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("MainStatusBar"));
    status->setSizeGripEnabled(false);
    status->setFixedHeight(22);
    setStatusBar(status);

    mainMenu = new MainMenu(menuBar());
    buildPages();
    windowHost = std::make_unique<WindowHost>(this, status, phasePages);
    Host *user = windowHost.get();
    if (options.host) {
        user = options.host;
    } else if (options.dialogs) {
        splitHost = std::make_unique<SplitHost>(*windowHost, *options.dialogs);
        user = splitHost.get();
    }
    guardedHost = std::make_unique<GuardedHost>(*user);
    buildLink();
    wirePages();
    nameControls(phasePages);
    wireMenu();

    // Fixed client area, the menu bar included.
    setFixedSize(908, 594);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    phasePages->setCurrentWidget(planning);
}

TLumivaneForm::~TLumivaneForm() = default;

void TLumivaneForm::buildPages() {
    phasePages = new QTabWidget(this);
    phasePages->setObjectName(QStringLiteral("PhasePageControl"));
    planning = new PlanningPage(phasePages);
    projectorSetup = new ProjectorSetupPage(phasePages);
    sourceSetup = new SourceSetupPage(phasePages);
    displaySetup = new DisplaySetupPage(phasePages);
    seamRemoval = new SeamRemovalPage(phasePages);
    infoPage = new InformationPage(phasePages);
    blendPreview = new BlendPreviewPage(phasePages);
    phasePages->addTab(planning, tr("Planning"));
    phasePages->addTab(projectorSetup, tr("Projector Setup"));
    phasePages->addTab(sourceSetup, tr("Source Setup"));
    phasePages->addTab(displaySetup, tr("Display Setup"));
    phasePages->addTab(seamRemoval, tr("Seam Removal"));
    phasePages->addTab(infoPage, tr("Information"));
    phasePages->addTab(blendPreview, tr("Blend Preview"));
    setCentralWidget(phasePages);
    WheelGuard::apply(phasePages);
    PageSwitchGuard::apply({phasePages, displaySetup->screenPages()});
}

void TLumivaneForm::buildLink() {
    comPort = new TApdComPort(this);
    comPort->setObjectName(QStringLiteral("ApdComPort1"));
    comPort->setPortMap(options.ports);
    statusLights = new StatusLightController(*comPort, this);
    statusLights->setObjectName(QStringLiteral("ApdSLController1"));
    statusLights->setTickMs(options.pacing.tickMs);
    commandEngine = new CommandEngine(*comPort, *guardedHost, windowState.CommandBusy, options.pacing, this);
    commandEngine->setStatusLights(statusLights);
    statusQueries = std::make_unique<StatusQueries>(*commandEngine, deviceModel);
    commandSet = new CommandSet(*commandEngine, deviceModel, *statusQueries, this);

    // A line that fails while open (adapter pulled out) ends the connection as Disconnect does; the
    // engine has already told the user why. During a link recovery the user decides instead.
    connect(comPort, &TApdComPort::lineLost, this, [this] {
        if (!commandEngine->recoveringLink()) connector->DisconnectSerialCo1Click();
    });
    // A command the user stopped resending leaves a link that nothing gets through: it ends the same way.
    connect(commandEngine, &CommandEngine::commandAbandoned, this,
            [this] { connector->DisconnectSerialCo1Click(); });
    connector = new ConnectionController(
        {*commandEngine, *guardedHost, windowState, *mainMenu, *infoPage, *planning},
        [this] { deviceReader->ReadfromKestrixs1Click(); }, [this] { PhasePageControlChange(); }, this);
    deviceReader = new DeviceReader(
        {*commandEngine, *guardedHost, deviceModel, *statusQueries, *connector, *infoPage, *planning},
        [this] { refreshPagesAfterRead(); }, this);
    deviceCompare = new DeviceCompare(
        {*commandEngine, *guardedHost, deviceModel, *commandSet, *deviceReader, *this}, this);
    reportExporter =
        new ReportExport({*guardedHost, deviceModel, *commandEngine, *planning, *blendPreview, *this}, this);
    configFileMenu = new ConfigFileMenu({*guardedHost, deviceModel, *deviceReader, *this, *prefs}, this);
    portChoice = new PortChooserMenu({*mainMenu->menuHolding(QStringLiteral("SearchCOM1COM21")), *comPort,
                                      *prefs, *guardedHost, options.listPorts},
                                     this);
    planningPeers = std::make_unique<ShellPlanningPeers>(
        ShellPlanningPeers::Parts{*displaySetup, *sourceSetup, *seamRemoval, *infoPage, *commandEngine,
                                  *commandSet, *connector, *deviceReader});
    recorder = new UndoRecorder(
        {*commandSet, deviceModel, *commandEngine, *guardedHost},
        [this](bool layout) { refreshPagesAfterUndo(layout); }, this);
    connect(deviceReader, &DeviceReader::settingsReplaced, recorder, &UndoRecorder::startNewHistory);
    connect(deviceReader, &DeviceReader::settingsReplaced, reportExporter, &ReportExport::settingsReplaced);
}

// The pages get the command set, the window state and the user through one context; what one page
// must tell another goes through the connections made here.
void TLumivaneForm::wirePages() {
    const PageContext context{*commandSet, deviceModel, windowState, *guardedHost,
                              [this] { return commandEngine->LinkActive(); }};
    sourceSetup->attach(context);
    displaySetup->attach(context);
    seamRemoval->attach(context);
    projectorSetup->attach(context);
    connect(projectorSetup, &ProjectorSetupPage::testPatternsRefreshRequested, displaySetup,
            [this](int first, int last) {
                for (int s = first; s <= last; ++s)
                    displaySetup->RefreshTestPattern(s);
            });
    connect(displaySetup, &DisplaySetupPage::clearProjectorTestPatternsRequested, projectorSetup,
            &ProjectorSetupPage::clearSelections);
    // The feather widths share the overlap's limit, which the planning calculation sets.
    displaySetup->fieldEditors()->setMaxOverlapWidth([this] { return int(windowState.MaxOverlapWidth); });
    planning->attach(deviceModel, *guardedHost, *planningPeers);
    displaySetup->shareOverlap(planning->overlapControl());
    connect(commandSet, &CommandSet::displaySetupRefreshRequested, displaySetup,
            &DisplaySetupPage::RefreshDisplayPage);
    connect(commandSet, &CommandSet::sourceSetupRefreshRequested, sourceSetup,
            &SourceSetupPage::RefreshSourcePage);
    connect(commandSet, &CommandSet::sourceColorsRefreshRequested, sourceSetup,
            [this] { sourceSetup->RefreshSourceColor(sourceSetup->selectedScreen()); });
    connect(commandSet, &CommandSet::seamRemovalRefreshRequested, seamRemoval,
            &SeamRemovalPage::RefreshSeamPage);
    connect(sourceSetup, &SourceSetupPage::pageActivationRequested, this,
            [this] { PhasePageControlChange(); });
    connect(infoPage, &InformationPage::systemSaveClicked, displaySetup,
            &DisplaySetupPage::SystemSaveButtonClick);
    infoPage->attach(context);
    blendPreview->attach(context);
    connect(infoPage, &InformationPage::hiddenGroupsToggled, displaySetup,
            &DisplaySetupPage::setServiceGroupsVisible);
    connect(infoPage, &InformationPage::menusEnabledRequested, this, [this](bool enabled) {
        for (const char *name : {"File1", "Search1"})
            if (auto *menu = menuBar()->findChild<QMenu *>(QString::fromLatin1(name)))
                menu->menuAction()->setEnabled(enabled);
    });
    infoPage->attachPort(comPort, statusLights, [this] { return trafficLogHeader(); });
    connect(phasePages, &QTabWidget::currentChanged, this, [this] { PhasePageControlChange(); });
}

QStringList TLumivaneForm::trafficLogHeader() const {
    const TApdComPort &port = *comPort;
    const bool controller = commandEngine->controllerMode();
    QStringList header{
        QStringLiteral("Lumivane traffic log, %1").arg(QDateTime::currentDateTime().toString(Qt::ISODate)),
        QStringLiteral("Port: %1 (COM%2), %3")
            .arg(port.devicePath())
            .arg(port.ComNumber())
            .arg(port.isOpen() ? QStringLiteral("open") : QStringLiteral("closed")),
        QStringLiteral("Baud: %1").arg(port.Baud()),
        QStringLiteral("Parity: %1").arg(TApdComPort::parityName(port.Parity())),
        QStringLiteral("Mode: %1")
            .arg(controller ? QStringLiteral("Controller (RS-485)") : QStringLiteral("direct")),
        QStringLiteral("Link: %1")
            .arg(commandEngine->LinkActive() ? QStringLiteral("active") : QStringLiteral("down")),
    };
    const int devices = std::clamp(windowState.DeviceCount, 1, 2);
    for (int device = 1; device <= devices; ++device) {
        const QString id = infoPage->shownDeviceId(device);
        if (controller && !id.isEmpty())
            header << QStringLiteral("Kestrix %1 RS-485 ID: %2").arg(device).arg(id);
        const QString version = deviceModel.system(device).version();
        if (!version.isEmpty()) header << QStringLiteral("Kestrix %1 version: %2").arg(device).arg(version);
    }
    return header;
}

// The pages fill in their own page-change handling; the window only routes it.
void TLumivaneForm::PhasePageControlChange() {
    const bool linked = commandEngine->LinkActive();
    if (!linked) host().setStatusText(QStringLiteral("Note: No Kestrix communication established yet."));
    if (auto *page = dynamic_cast<ActivatedPage *>(phasePages->currentWidget()))
        page->PageActivated(linked && windowState.CommandBusy == 0);
}

// The tail of a read or a file load: the records are in, nothing more goes to the devices, and Refreshing
// keeps the refreshed controls from sending. CommandBusy is cleared for it so that handlers raised by the
// refresh (the advanced mode's group switch) and the page activation see no device action in progress.
void TLumivaneForm::refreshPagesAfterRead() {
    BusyScope released(windowState.CommandBusy, BusyScope::Kind::Release);
    // The wall's projector count was taken over without the list's change handling: the channel
    // selects and screen groups must offer every screen of that wall before they show and send them.
    planningPeers->followProjectorCount(planning->projectors());
    sourceSetup->RefreshSourcePage();
    displaySetup->RefreshDisplayPage();
    seamRemoval->RefreshSeamPage();
    planning->OWidthEditExit();
    PhasePageControlChange();
}

// The pages after an undone or redone adjustment show the model as they do after a read; the Projector
// Setup choice no longer says what the projectors show. The Planning page takes the wall's layout over
// only when the step changed it: its own planned values stay otherwise.
void TLumivaneForm::refreshPagesAfterUndo(bool layout) {
    RefreshingScope refreshing(windowState);
    if (layout) deviceReader->showPlanningLayout();
    projectorSetup->clearSelections();
    infoPage->ScreenInfoComboBoxChange();
    refreshPagesAfterRead();
}

// Everything the pages show goes to the devices in one pass (the menu guard holds CommandBusy for it).
// The pass is one batch: the pages stay disabled and the hourglass up from its first command to its last.
void TLumivaneForm::SendCurrentSettingstoKestrixs1Click() {
    WindowPushValues values(*planning, *displaySetup, deviceModel);
    WindowPushInputs inputs(*sourceSetup);
    WindowPushSeams seams(*seamRemoval, deviceModel);
    SettingsPush push(*commandSet, deviceModel, *guardedHost, [this] { return commandEngine->LinkActive(); });
    // The pages' values going out again are no adjustment of the user's.
    UndoRecorder::Pause notAdjustments(*recorder);
    CommandEngine::Batch batch(*commandEngine);
    push.run(values, &inputs, &seams);
}

void TLumivaneForm::wireMenu() {
    // F10 opens the menu bar, as Alt and the menus' letters do.
    auto *menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        if (!menuBar()->actions().isEmpty()) menuBar()->setActiveAction(menuBar()->actions().constFirst());
    });
    auto on = [this](const char *name, auto handler) {
        connect(mainMenu->action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    };
    // Handlers that talk to the devices do nothing while another one is under way.
    auto guarded = [this](auto handler) {
        return [this, handler] {
            BusyScope busy(windowState.CommandBusy);
            if (busy) handler();
        };
    };
    on("OpenConfigurationFile1", [this] { configFileMenu->OpenConfigurationFile1Click(); });
    on("SaveConfigurationtoFile1", [this] { configFileMenu->SaveConfigurationtoFile1Click(); });
    configFileMenu->attachRecentMenu(mainMenu->menuHolding(QStringLiteral("OpenConfigurationFile1")),
                                     mainMenu->action(QStringLiteral("SaveConfigurationtoFile1")));
    on("SendCurrentSettingstoKestrixs1", guarded([this] { SendCurrentSettingstoKestrixs1Click(); }));
    on("CompareWithKestrixs1", guarded([this] { deviceCompare->CompareWithKestrixs1Click(); }));
    on("ExportCommissioningReport1", [this] { reportExporter->ExportCommissioningReport1Click(); });
    on("Exit1", [this] { close(); });
    // Every search takes the ports plugged in now: an adapter plugged in since the last one counts.
    on("SearchAll", guarded([this] {
           portChoice->refreshPorts();
           connector->SearchAllClick();
       }));
    on("KestrixconnectedthruController1", guarded([this] {
           portChoice->refreshPorts();
           connector->KestrixconnectedthruController1Click();
       }));
    on("KestrixconnectedtoSerialPortdirectly1", guarded([this] {
           portChoice->refreshPorts();
           connector->KestrixconnectedtoSerialPortdirectly1Click();
       }));
    on("DisconnectSerialCo1", [this] { connector->DisconnectSerialCo1Click(); });
    on("ReadfromKestrixs1", guarded([this] { deviceReader->ReadfromKestrixs1Click(); }));
    on("Defaultvalues1", [this] { connector->Defaultvalues1Click(); });
    for (int baud : {9600, 19200, 38400, 57600})
        connect(mainMenu->action(QStringLiteral("N%1").arg(baud)), &QAction::triggered, this,
                [this, baud] { connector->BaudMenuClick(baud); });
    const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                            QSerialPort::EvenParity, QSerialPort::MarkParity,
                                            QSerialPort::SpaceParity};
    for (int i = 0; i < 5; ++i)
        connect(mainMenu->parityActions()[i], &QAction::triggered, this,
                [this, parity = parities[i]] { connector->ParityMenuClick(parity); });
    // "Search (COM 1 & COM 2)" only states what the search covers.
    connect(mainMenu->action(QStringLiteral("SearchCOM1COM21")), &QAction::triggered, this,
            [this] { mainMenu->action(QStringLiteral("SearchCOM1COM21"))->setChecked(true); });
    on("HelpwithLumivaneSerialconnection1", [this] {
        if (helpForm) {
            helpForm->show();
            helpForm->raise();
        }
    });
    on("About1", [this] { showAbout(); });
    edit = new EditMenu(*mainMenu, *recorder, *this);
}

void TLumivaneForm::attachAuxiliaryWindows(TInfoForm *info, TConnectionHelpForm *help) {
    infoForm = info;
    helpForm = help;
    windowHost->setInfoForm(info);
}

Host &TLumivaneForm::host() const {
    return *guardedHost;
}

void TLumivaneForm::bringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void TLumivaneForm::showAbout() {
    AboutBox box(versionText(), this);
    box.exec();
}

void TLumivaneForm::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (shownOnce) return;
    shownOnce = true;
    // Runs once the window is on screen, so that the connect question appears over it.
    QMetaObject::invokeMethod(this, &TLumivaneForm::FormShow, Qt::QueuedConnection);
}

void TLumivaneForm::FormShow() {
    windowState.Refreshing = true;
    windowState.resetPlacementRects();
    windowState.AspectRatio = 1.0;
    planning->prepare();
    displaySetup->AdvanceModeCheckBoxClick();
    infoPage->selectStartItems();
    windowState.Refreshing = false;

    if (host().askYesNo(QString::fromLatin1(kConnectCaption), QString::fromLatin1(kConnectQuestion))) {
        BusyScope busy(windowState.CommandBusy, BusyScope::Kind::Hold);
        portChoice->refreshPorts();
        connector->SearchAllClick();
    } else {
        host().showMessage(QString::fromLatin1(kOfflineNote));
    }
}

void TLumivaneForm::closeEvent(QCloseEvent *event) {
    if (closeAllowed) {
        event->accept();
        return;
    }
    event->ignore();
    if (exitQuestionOpen || exitConfirmed) return;
    exitQuestionOpen = true;
    const bool yes = host().askYesNo(QString::fromLatin1(kExitCaption), QString::fromLatin1(kExitQuestion));
    exitQuestionOpen = false;
    if (!yes) return;
    exitConfirmed = true;
    if (EventPump::depth() == 0) {
        finishExit();
        return;
    }
    // Asked from inside a device wait: end every wait first, then close from the main loop, so that
    // nothing the waits still use is destroyed under them.
    EventPump::requestAbort();
    EventPump::whenUnwound(this, [this] { finishExit(); });
}

void TLumivaneForm::finishExit() {
    hide();
    if (infoForm) infoForm->hide();
    if (helpForm) helpForm->hide();
    QEventLoop pause;
    QTimer::singleShot(options.pacing.exitPauseMs, &pause, &QEventLoop::quit);
    pause.exec();
    comPort->SetOpen(false);
    closeAllowed = true;
    close();
    if (options.quit)
        options.quit();
    else
        QCoreApplication::quit();
}
