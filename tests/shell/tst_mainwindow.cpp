// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window driven through a scripted host: the skeleton (menus, pages), the first-show
// connect question and the exit question.
#include "CommandEngine.h"
#include "ConfigFileMenu.h"
#include "EventPump.h"
#include "InformationPage.h"
#include "MainMenu.h"
#include "PlanningPage.h"
#include "ScriptedHost.h"
#include "TApdComPort.h"
#include "TConnectionHelpForm.h"
#include "TInfoForm.h"
#include "TLumivaneForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {
const QString kConnectCaption = "QLN - Lumivane :Establish COM port communication with Kestrix(s)";
const QString kOfflineNote =
    "When Kestrix(s) are connected, go to 'Serial Port->Search for Kestrix(s)->Search' menu item for the "
    "Lumivane "
    "to search for Kestrix(s).\nPlease refer to Kestrix manual for help with Lumivane serial connection.";

// A caption as shown: the mnemonic's ampersand taken out, "&&" kept as it is.
QString shown(const QString &text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size() && text.at(i + 1) != QLatin1Char('&'))
            continue;
        if (text.at(i) == QLatin1Char('&')) out += text.at(i++);
        out += text.at(i);
    }
    return out;
}

// The captions of the menus from the bar down to an action, e.g. "Serial Port|Settings (Adv users
// only)|Baud".
QString menuPath(QMenuBar *bar, QAction *target) {
    std::function<bool(QMenu *, QStringList &)> find = [&](QMenu *menu, QStringList &path) {
        for (QAction *a : menu->actions()) {
            if (a == target) return true;
            if (a->menu()) {
                path.append(shown(a->menu()->title()));
                if (find(a->menu(), path)) return true;
                path.removeLast();
            }
        }
        return false;
    };
    for (QAction *top : bar->actions()) {
        QStringList path{shown(top->menu()->title())};
        if (find(top->menu(), path)) return path.join('|');
    }
    return {};
}

// Everything visible in a menu, in order: captions of items and submenus, "-" for separators.
QStringList entries(QMenu *menu) {
    QStringList out;
    for (QAction *a : menu->actions())
        out.append(a->isSeparator() ? QStringLiteral("-") : shown(a->text()));
    return out;
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void skeleton();
    void menuItems_data();
    void menuItems();
    void menuOrder();
    void connectQuestion_data();
    void connectQuestion();
    void exitQuestion_data();
    void exitQuestion();
    void auxiliaryWindows();
    void keyboardReachesMenusAndClosesWindows();
    void statusTextSurvivesMenuHover();
    void closeWhileTheProgressNoticePaintsWaits();
    void progressNoticeShowsItsTextWhole();
};

void MainWindowTest::skeleton() {
    TLumivaneForm form;
    QCOMPARE(form.windowTitle(), QString("Quillon - Lumivane"));
    QCOMPARE(form.size(), QSize(908, 594));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(form.findChild<QStatusBar *>("MainStatusBar"));

    auto *pages = form.findChild<QTabWidget *>("PhasePageControl");
    QVERIFY(pages);
    const QStringList captions{"Planning",     "Projector Setup", "Source Setup", "Display Setup",
                               "Seam Removal", "Information",     "Blend Preview"};
    const QStringList names{"PlanningTabSheet",     "ProjAlignTabSheet",   "SourceSetupTabSheet",
                            "DisplaySetupTabSheet", "SeamRemovalTabSheet", "InfoTabSheet",
                            "BlendPreviewTabSheet"};
    QCOMPARE(pages->count(), 7);
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(pages->tabText(i), captions[i]);
        QCOMPARE(pages->widget(i)->objectName(), names[i]);
    }
    QCOMPARE(pages->currentIndex(), 0);

    auto *screens = form.findChild<QTabWidget *>("ScreenPageControl");
    QVERIFY(screens);
    QCOMPARE(screens->parentWidget()->objectName(), QString("DisplaySetupTabSheet"));
    QCOMPARE(screens->count(), 2);
    QCOMPARE(screens->tabText(0), QString("Screens 1-4 Controls"));
    QCOMPARE(screens->tabText(1), QString("Screen 5-8 Controls"));
}

void MainWindowTest::menuItems_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("checked");

    const QString settings = "Serial Port|Settings (Adv users only)|";
    const QString search = "Serial Port|Search for Kestrix(s) ...";
    struct Row {
        const char *name;
        QString path;
        const char *caption;
        bool enabled, checked;
    } rows[] = {
        {"OpenConfigurationFile1", "File", "Open Configuration File", true, false},
        {"SaveConfigurationtoFile1", "File", "Save Configuration to File", true, false},
        {"SendCurrentSettingstoKestrixs1", "File", "Send Current Settings to Kestrix(s)", false, false},
        {"CompareWithKestrixs1", "File", "Compare with Kestrix(s)…", false, false},
        {"ExportCommissioningReport1", "File", "Export Commissioning Report…", true, false},
        {"Exit1", "File", "Exit", true, false},
        {"Undo1", "Edit", "Undo", false, false},
        {"Redo1", "Edit", "Redo", false, false},
        {"RevertToLastRead1", "Edit", "Revert to Last Read", true, false},
        {"UndoHistory1", "Edit", "Undo History...", true, false},
        {"SearchCOM1COM21", settings + "COM Port", "Search (COM 1 && COM 2)", true, true},
        {"Defaultvalues1", settings + "Baud", "Default values", true, true},
        {"N9600", settings + "Baud", "9600", true, false},
        {"N19200", settings + "Baud", "19200", true, false},
        {"N38400", settings + "Baud", "38400", true, false},
        {"N57600", settings + "Baud", "57600", true, false},
        {"ParityNone", settings + "Parity", "None", true, true},
        {"ParityOdd", settings + "Parity", "Odd", true, false},
        {"ParityEven", settings + "Parity", "Even", true, false},
        {"ParityMark", settings + "Parity", "Mark", true, false},
        {"ParitySpace", settings + "Parity", "Space", true, false},
        {"SearchAll", search, "Search....", true, false},
        {"KestrixconnectedthruController1", search, "Kestrix(s) connected to Controller", true, false},
        {"KestrixconnectedtoSerialPortdirectly1", search, "Kestrix connected to Serial Port directly", true,
         false},
        {"ReadfromKestrixs1", "Serial Port", "Read from Kestrix(s) ...", false, false},
        {"DisconnectSerialCo1", "Serial Port", "Disconnect Serial Communication", true, false},
        {"HelpwithLumivaneSerialconnection1", "Help", "Help with Lumivane Serial connection", true, false},
        {"About1", "Help", "About...", true, false},
    };
    for (const Row &r : rows)
        QTest::newRow(r.name) << QString(r.name) << r.path << QString(r.caption) << r.enabled << r.checked;
}

void MainWindowTest::menuItems() {
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    QFETCH(bool, checked);

    TLumivaneForm form;
    auto *action = form.findChild<QAction *>(name);
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(shown(action->text()), caption);
    QCOMPARE(menuPath(form.menuBar(), action), path);
    QCOMPARE(action->isEnabled(), enabled);
    QCOMPARE(action->isChecked(), checked);
}

void MainWindowTest::menuOrder() {
    TLumivaneForm form;
    QStringList top;
    for (QAction *a : form.menuBar()->actions())
        top.append(shown(a->text()));
    QCOMPARE(top, (QStringList{"File", "Edit", "Serial Port", "Help"}));

    QCOMPARE(entries(form.menuBar()->actions().at(1)->menu()),
             (QStringList{"Undo", "Redo", "-", "Revert to Last Read", "-", "Undo History..."}));
    QMenu *serial = form.menuBar()->actions().at(2)->menu();
    QCOMPARE(entries(serial),
             (QStringList{"Settings (Adv users only)", "Search for Kestrix(s) ...",
                          "Read from Kestrix(s) ...", "-", "Disconnect Serial Communication"}));
    QMenu *settings = serial->actions().at(0)->menu();
    QCOMPARE(entries(settings), (QStringList{"COM Port", "Baud", "Parity"}));
    // The search itself, then the choice of the devices behind the two numbers.
    QCOMPARE(entries(settings->actions().at(0)->menu()),
             (QStringList{"Search (COM 1 && COM 2)", "-", "COM 1 device: " + PortMap::defaultPath(1),
                          "COM 2 device: " + PortMap::defaultPath(2)}));
    QCOMPARE(entries(settings->actions().at(1)->menu()),
             (QStringList{"Default values", "-", "9600", "19200", "38400", "57600"}));
    QCOMPARE(entries(serial->actions().at(1)->menu()),
             (QStringList{"Search....", "-", "Kestrix(s) connected to Controller",
                          "Kestrix connected to Serial Port directly"}));
    QCOMPARE(entries(form.menuBar()->actions().at(0)->menu()),
             (QStringList{"Open Configuration File", "Recent Configuration Files",
                          "Save Configuration to File", "Send Current Settings to Kestrix(s)",
                          "Compare with Kestrix(s)…", "Export Commissioning Report…", "Exit"}));
    QCOMPARE(entries(form.menuBar()->actions().at(3)->menu()),
             (QStringList{"Help with Lumivane Serial connection", "About..."}));
}

void MainWindowTest::connectQuestion_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes searches") << true;
    QTest::newRow("No stays offline") << false;
}

void MainWindowTest::connectQuestion() {
    QFETCH(bool, yes);
    ScriptedHost host;
    host.expectYesNo(yes, "Lumivane requires connection to Kestrix(s) to function.");
    FormOptions options;
    options.host = &host;
    // Nothing behind either port: Yes searches both in both modes and finds nothing.
    options.ports.setPath(1, "/nonexistent/lumivane-com1");
    options.ports.setPath(2, "/nonexistent/lumivane-com2");
    TLumivaneForm form(options);
    form.show();
    QTRY_COMPARE(host.pendingAnswers(), 0);
    QTRY_VERIFY(!host.messages().isEmpty());

    QVERIFY2(host.unexpected.isEmpty(), qPrintable(host.unexpected.join('\n')));
    QCOMPARE(host.entries.first().caption, kConnectCaption);
    QCOMPARE(
        host.entries.first().text,
        QString("Lumivane requires connection to Kestrix(s) to function. Do you currently have Kestrix(s) "
                "connected to the PC/laptop? Click Yes and Lumivane will search for Kestrix(s)."));
    const QString notDetected = "Kestrix(s) not detected.\n1) Please check RS-232 cable.\n2) Make sure "
                                "Kestrix(s) boot-up initialization has "
                                "been completed.\n3) Go to 'Serial Port->Search for Kestrix(s)->Search' menu "
                                "item for the Lumivane to search "
                                "for Kestrix(s) again.";
    QCOMPARE(host.messages(), QStringList{yes ? notDetected : kOfflineNote});
    QVERIFY(!form.engine().LinkActive());

    // First show selected the first baud rate and the first screen; the search's Controller pass then
    // moved to the Controller's rate.
    QCOMPARE(form.findChild<QComboBox *>("BaudComboBox")->currentText(), QString(yes ? "57600" : "38400"));
    QCOMPARE(form.findChild<QComboBox *>("ScreenInfoComboBox")->currentText(), QString("Screen 1"));
    QVERIFY(form.planningPage()->isPrepared());
    QVERIFY(!form.state().Refreshing);
    QVERIFY(!form.findChild<QAction *>("ReadfromKestrixs1")->isEnabled());
    QVERIFY(!form.findChild<QAction *>("SendCurrentSettingstoKestrixs1")->isEnabled());
}

void MainWindowTest::exitQuestion_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("viaMenu");
    QTest::newRow("Exit menu, Yes") << true << true;
    QTest::newRow("close button, Yes") << true << false;
    QTest::newRow("Exit menu, No") << false << true;
    QTest::newRow("close button, No") << false << false;
}

void MainWindowTest::exitQuestion() {
    QFETCH(bool, yes);
    QFETCH(bool, viaMenu);
    ScriptedHost host;
    host.expectYesNo(false); // the connect question
    int quits = 0;
    FormOptions options;
    options.host = &host;
    options.pacing.exitPauseMs = 300;
    bool hiddenAtQuit = false;
    TLumivaneForm *formPtr = nullptr;
    options.quit = [&] {
        ++quits;
        hiddenAtQuit = !formPtr->isVisible();
    };
    TLumivaneForm form(options);
    formPtr = &form;
    form.show();
    QTRY_COMPARE(host.pendingAnswers(), 0);

    host.expectYesNo(yes, "Are you sure you want to exit this application?");
    QElapsedTimer clock;
    clock.start();
    if (viaMenu)
        form.findChild<QAction *>("Exit1")->trigger();
    else
        form.close();

    QVERIFY2(host.unexpected.isEmpty(), qPrintable(host.unexpected.join('\n')));
    QCOMPARE(host.pendingAnswers(), 0);
    QCOMPARE(host.entries.last().caption, QString("QLN - Lumivane :Confirm Exit"));
    if (yes) {
        QCOMPARE(quits, 1);
        QVERIFY(hiddenAtQuit);
        QVERIFY(clock.elapsed() >= 300); // the pause between hiding and closing the port
        QVERIFY(!form.port().isOpen());
    } else {
        QCOMPARE(quits, 0);
        QVERIFY(form.isVisible());
        QCOMPARE(form.phasePageControl()->currentIndex(), 0);
    }
}

void MainWindowTest::auxiliaryWindows() {
    TLumivaneForm form; // its own host: the real progress notice
    TInfoForm info;
    TConnectionHelpForm help;
    form.attachAuxiliaryWindows(&info, &help);

    QCOMPARE(info.windowTitle(), QString("Quillon - Lumivane Info"));
    QCOMPARE(info.size(), QSize(383, 34));
    QVERIFY(info.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(info.findChild<QLabel *>("InfoLabel")->text(),
             QString("Auto Color Balance in progress. Please wait...."));
    QCOMPARE(info.findChild<QLabel *>("InfoProgressLabel")->text(), QString());

    // The progress notice through the window's host: shown with its text and dots, then hidden.
    form.host().showProgress("Reading Kestrix(s) settings. Please wait....");
    QVERIFY(info.isVisible());
    QCOMPARE(info.text(), QString("Reading Kestrix(s) settings. Please wait...."));
    form.host().setProgressSuffix("...");
    QCOMPARE(info.progressText(), QString("..."));
    form.host().hideProgress();
    QTRY_VERIFY(!info.isVisible());

    QCOMPARE(help.windowTitle(), QString("Quillon - Lumivane : Connection Help"));
    QCOMPARE(help.size(), QSize(792, 400));
    QStringList texts;
    for (QLabel *label : help.findChildren<QLabel *>())
        texts.append(label->text());
    QVERIFY(texts.contains("Lumivane with Controller"));
    QVERIFY(texts.contains("Lumivane without Controller"));
    QVERIFY(texts.contains(QString::fromUtf8("\u00b7   Parity                  NONE")));
    QVERIFY(
        texts.contains("At this time. click on the \"Serial Port->Search for Kestrix(s)->Search\" menu and "
                       "establish connection to the Kestrix(s)."));

    QVERIFY(!help.isVisible());
    form.findChild<QAction *>("HelpwithLumivaneSerialconnection1")->trigger();
    QVERIFY(help.isVisible());
    QVERIFY(!help.isModal());
}

// Everything from the keyboard, as a person presses the keys in the real window: Alt+F and F10 open
// the File menu, Ctrl+O opens a file, Escape closes the help window and the About box.
void MainWindowTest::keyboardReachesMenusAndClosesWindows() {
    ScriptedHost host;
    host.expectYesNo(false); // the connect question
    FormOptions options;
    options.host = &host;
    TLumivaneForm form(options);
    TInfoForm info;
    TConnectionHelpForm help;
    form.attachAuxiliaryWindows(&info, &help);
    int opened = 0;
    form.configFiles().setOpenDialog([&opened] {
        ++opened;
        return QString();
    });
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QMenu *file = form.menuBar()->actions().constFirst()->menu();

    QTest::keyClick(&form, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(file->isVisible());
    QTest::keyClick(file, Qt::Key_Escape);
    QTRY_VERIFY(!file->isVisible());
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);

    QTest::keyClick(&form, Qt::Key_F10);
    QTRY_COMPARE(form.menuBar()->activeAction(), form.menuBar()->actions().constFirst());
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &form, Qt::Key_Escape);

    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
    QTRY_COMPARE(opened, 1);

    form.findChild<QAction *>("HelpwithLumivaneSerialconnection1")->trigger();
    QVERIFY(help.isVisible());
    help.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&help));
    QTest::keyClick(&help, Qt::Key_Escape);
    QTRY_VERIFY(!help.isVisible());

    // The About box is modal: Escape is pressed once it is up.
    bool aboutClosedByEscape = false;
    QTimer::singleShot(0, &form, [&] {
        QWidget *about = nullptr;
        if (!QTest::qWaitFor([&] { return (about = QApplication::activeModalWidget()) != nullptr; }, 5000))
            return;
        QTest::keyClick(about, Qt::Key_Escape);
        aboutClosedByEscape = QTest::qWaitFor([about] { return !about->isVisible(); }, 5000);
    });
    form.findChild<QAction *>("About1")->trigger(); // returns when the box has closed
    QVERIFY(aboutClosedByEscape);
}

// Passing over menu items sends status tips to the window; the status text stays until the next one.
void MainWindowTest::statusTextSurvivesMenuHover() {
    TLumivaneForm form; // its own host: the real status bar
    const QString text = "Established communication with Kestrix on Com 1";
    form.host().setStatusText(text);
    auto *label = form.findChild<QLabel *>("MainStatusText");
    QVERIFY(label);
    QCOMPARE(label->text(), text);
    QAction *item = form.findChild<QAction *>("About1");
    item->setStatusTip("About the program");
    item->showStatusText(form.menuBar()); // the pointer on the item
    QAction *plain = form.findChild<QAction *>("Exit1");
    plain->showStatusText(form.menuBar()); // an item without a tip: Qt clears its message
    QCOMPARE(label->text(), text);
    QVERIFY(label->isVisibleTo(&form));
    form.host().setStatusText(QString());
    QCOMPARE(label->text(), QString());
}

// A close that arrives while the progress notice paints is deferred: the operation that showed the
// notice goes on with the port open, and the exit runs once it has unwound.
// Every notice the program puts up shows its text and its count whole, the push's longest part names
// included; the notice keeps its design size when the text fits, and a notice that is up only changes
// its text (painted with the next pass of the event loop), never narrows, and handles no events.
void MainWindowTest::progressNoticeShowsItsTextWhole() {
    TLumivaneForm form;
    TInfoForm info;
    TConnectionHelpForm help;
    form.attachAuxiliaryWindows(&info, &help);
    auto *text = info.findChild<QLabel *>("InfoLabel");
    auto *count = info.findChild<QLabel *>("InfoProgressLabel");
    auto fits = [](QLabel *label) {
        return label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
    };

    form.host().showProgress("Please wait....");
    QCOMPARE(info.size(), QSize(383, 34));
    form.host().hideProgress();
    QTRY_VERIFY(!info.isVisible());
    form.host().showProgress("Lumivane querying Kestrix(s). Please wait....");
    form.host().setProgressSuffix("....");
    QVERIFY(info.width() >= 383);
    QCOMPARE(info.height(), 34);
    QVERIFY(fits(text));
    QVERIFY(fits(count));
    // Taken down and put up again at once, it stays up: it neither goes nor pumps events again.
    form.host().hideProgress();
    int pumped = 0;
    QTimer::singleShot(0, &form, [&] { ++pumped; });
    form.host().showProgress("Lumivane querying Kestrix(s). Please wait....");
    QCOMPARE(pumped, 0);
    QApplication::processEvents();
    QVERIFY(info.isVisible());
    form.host().hideProgress();
    QTRY_VERIFY(!info.isVisible());

    const QStringList parts = {"number of projectors",  "display layout",       "Kestrix 1 inputs",
                               "Kestrix 2 inputs",      "Kestrix 1 outputs",    "data doubling",
                               "basic edge feathering", "edge feathering mode", "Kestrix 2 outputs",
                               "Kestrix 1 seams",       "Kestrix 2 seams"};
    int widest = 0;
    for (int i = 0; i < parts.size(); ++i) {
        int posted = 0;
        QTimer::singleShot(0, &form, [&] { ++posted; }); // handled only if the notice pumps events
        form.host().showProgress(
            QStringLiteral("Sending current settings to Kestrix(s): %1. Please wait....").arg(parts[i]));
        form.host().setProgressSuffix(QStringLiteral("%1 of 11").arg(i + 1));
        QCOMPARE(posted, i == 0 ? 1 : 0);
        QVERIFY(info.isVisible());
        QVERIFY(info.width() >= widest);
        widest = info.width();
        info.layout()->activate();
        QVERIFY2(fits(text), qPrintable(text->text()));
        QVERIFY2(fits(count), qPrintable(count->text()));
        QApplication::processEvents();
    }
    form.host().hideProgress();
    QTRY_VERIFY(!info.isVisible());
}

void MainWindowTest::closeWhileTheProgressNoticePaintsWaits() {
    ScriptedHost host;
    int quits = 0;
    FormOptions options;
    options.host = &host;
    options.pacing.exitPauseMs = 10;
    options.quit = [&] { ++quits; };
    TLumivaneForm form(options);
    TInfoForm notice;
    host.expectYesNo(true, "Are you sure you want to exit this application?");
    QCoreApplication::postEvent(&form, new QCloseEvent);
    notice.showNotice("Lumivane querying Kestrix(s). Please wait....");
    QCOMPARE(quits, 0);
    QVERIFY(EventPump::aborting()); // the operation is told to end
    QTRY_COMPARE(quits, 1);
    QVERIFY2(host.unexpected.isEmpty(), qPrintable(host.unexpected.join('\n')));
    EventPump::clearAbort();
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
