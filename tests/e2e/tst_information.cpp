// SPDX-License-Identifier: GPL-3.0-or-later
// The Information page through the real window: the status labels and their text formats, the hidden
// switch, the factory reset on the wire and the read that follows it, the terminal pane with its traffic
// log, and the focus, which the pane takes only from the user.
#include "CommandEngine.h"
#include "DeviceModel.h"
#include "DisplaySetupPage.h"
#include "InformationPage.h"
#include "LinkRig.h"
#include "TApdComPort.h"
#include "TerminalPane.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

namespace {

SimOptions direct() {
    SimOptions o;
    o.mode = SimOptions::Direct;
    return o;
}

SimOptions controller(QList<int> ids) {
    SimOptions o;
    o.mode = SimOptions::Controller;
    o.ids = ids;
    return o;
}

void chooseScreen(LinkRig &rig, int item) {
    auto *combo = rig.form->findChild<QComboBox *>("ScreenInfoComboBox");
    combo->setCurrentIndex(item);
    emit combo->activated(item);
}

QStringList resets(const KestrixSimulator &sim) {
    return LinkRig::wire(sim).filter("RESETKX");
}

} // namespace

class InformationTest : public QObject {
    Q_OBJECT
private slots:
    void labelsWaitForReadOrFile();
    void labelFormats_data();
    void labelFormats();
    void codesOutsideTheirTableKeepTheLabel();
    void hiddenSwitch();
    void resetBothDevices();
    void resetReadsTheDefaultsBack();
    void resetNotSent_data();
    void resetNotSent();
    void terminalShowsAndSends();
    void terminalKeys();
    void terminalTakesTheFocusOnlyFromTheUser();
    void terminalBoundsLongLines();
    void terminalKeepsSelectionAndView();
    void lineInput();
    void trafficLogFile();
    void trafficLogSaveFailure();
    void trafficAcrossSessions();
    void trafficLogHeaderNamesTheDevices();
    void captureFailure();
};

void InformationTest::labelsWaitForReadOrFile() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    rig.form->model().editInput(1, 1, [&](InputInfo &r) { r.HTotal = 1344; });
    chooseScreen(rig, 0);
    QCOMPARE(rig.labelText("HTotalLabel"), QString("N/A"));
    rig.form->state().ModelFromFile = 1;
    chooseScreen(rig, 0);
    QCOMPARE(rig.labelText("HTotalLabel"), QString("1344"));
}

void InformationTest::labelFormats_data() {
    QTest::addColumn<std::function<void(InputInfo &, OutputInfo &)>>("set");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    using Set = std::function<void(InputInfo &, OutputInfo &)>;
    QTest::newRow("black level byte unsigned")
        << Set([](InputInfo &, OutputInfo &o) { o.BlackLevel = 200; }) << "BlackLvlAdjCompLabel"
        << "200";
    QTest::newRow("total projectors byte unsigned")
        << Set([](InputInfo &, OutputInfo &o) { o.TotalProjectors = 250; }) << "TotalProjectorsLabel"
        << "250";
    QTest::newRow("phase signed") << Set([](InputInfo &i, OutputInfo &) { i.PhaseOffset = -7; })
                                  << "PhaseOffsetLabel"
                                  << "-7";
    QTest::newRow("feathering 16-bit signed")
        << Set([](InputInfo &, OutputInfo &o) { o.LeftFeathering = -300; }) << "LeftEFTModeLabel"
        << "-300";
    QTest::newRow("contrast 95.5") << Set([](InputInfo &i, OutputInfo &) { i.OverallContrast = 95.5f; })
                                   << "CContrastLabel"
                                   << "95.5";
    QTest::newRow("contrast 100.0") << Set([](InputInfo &i, OutputInfo &) { i.OverallContrast = 100.0f; })
                                    << "CContrastLabel"
                                    << "100";
    QTest::newRow("overall 5 digits")
        << Set([](InputInfo &i, OutputInfo &) { i.OverallBrightness = 12.34567f; }) << "CBrightnessLabel"
        << "12.346";
    QTest::newRow("colour 4 digits") << Set([](InputInfo &i, OutputInfo &) { i.RedContrast = -12.34567f; })
                                     << "RContrastLabel"
                                     << "-12.35";
    QTest::newRow("large without exponent")
        << Set([](InputInfo &i, OutputInfo &) { i.BlueBrightness = 123456.0f; }) << "BBrightnessLabel"
        << "123500";
    QTest::newRow("gamma 3 digits") << Set([](InputInfo &, OutputInfo &o) { o.BasicGamma = 2.2f; })
                                    << "BasicEFTGammaLabel"
                                    << "2.2";
    QTest::newRow("gamma rounded") << Set([](InputInfo &, OutputInfo &o) { o.RightGamma = 1.23456f; })
                                   << "RightEFTGammaLabel"
                                   << "1.23";
    QTest::newRow("termination") << Set([](InputInfo &i, OutputInfo &) { i.Termination75 = 2; })
                                 << "InTerminationLabel"
                                 << "75 Ohm";
    QTest::newRow("locked only when 1")
        << Set([](InputInfo &i, OutputInfo &) { i.VideoLocked = 2; }) << "VideoLockedLabel"
        << "False";
    QTest::newRow("frame rate") << Set([](InputInfo &, OutputInfo &o) { o.FrameRate = 1; }) << "OutFRateLabel"
                                << "@ 59.94Hz";
    // Each halo label shows its own field of four that differ.
    const Set halos = [](InputInfo &, OutputInfo &o) {
        o.LeftHaloWidth = 11;
        o.LeftHaloOffset = 22;
        o.RightHaloWidth = 33;
        o.RightHaloOffset = 44;
    };
    QTest::newRow("halo left width") << halos << "HaloLeftWidthLabel"
                                     << "11";
    QTest::newRow("halo left offset") << halos << "HaloLeftOffsetLabel"
                                      << "22";
    QTest::newRow("halo right width") << halos << "HaloRightWidthLabel"
                                      << "33";
    QTest::newRow("halo right offset") << halos << "HaloRightOffsetLabel"
                                       << "44";
}

// Screen 3 of device 1 is shown even with a second device whose channel 3 says otherwise.
void InformationTest::labelFormats() {
    QFETCH(std::function<void(InputInfo &, OutputInfo &)>, set);
    QFETCH(QString, label);
    QFETCH(QString, text);
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    rig.form->state().ModelFromDevices = 1;
    rig.form->state().DeviceCount = 2;
    DeviceModel &model = rig.form->model();
    InputInfo in{};
    OutputInfo out{};
    set(in, out);
    for (int device : {1, 2}) {
        model.setInput(device, 3, in);
        model.setOutput(device, 3, out);
    }
    chooseScreen(rig, 2);
    QCOMPARE(rig.labelText(qPrintable(label)), text);
    // Device 2 changed alone changes nothing shown.
    model.setInput(2, 3, {});
    model.setOutput(2, 3, {});
    chooseScreen(rig, 2);
    QCOMPARE(rig.labelText(qPrintable(label)), text);
}

void InformationTest::codesOutsideTheirTableKeepTheLabel() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    rig.form->state().ModelFromDevices = 1;
    DeviceModel &model = rig.form->model();
    InputInfo in{};
    OutputInfo out{};
    in.SyncSelect = 1;
    out.OutputFormat = 3;
    out.FrameRate = 2;
    out.AdvancedMode = 1;
    out.ProjectorGroup = 1;
    out.Justification = 1;
    model.setInput(1, 2, in);
    model.setOutput(1, 2, out);
    chooseScreen(rig, 1);
    const QStringList names{"SyncSelLabel",    "HVOutLabel",      "OutFRateLabel",
                            "BlendLevelLabel", "ProjectorsLabel", "JustificationLabel"};
    const QStringList shown{"COMP", "1280x1024", "@ 75Hz", "Adv", "5-8", "Center"};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(rig.labelText(qPrintable(names[i])), shown[i]);
    in.SyncSelect = 4;
    out.OutputFormat = 4;
    out.FrameRate = 3;
    out.AdvancedMode = 2;
    out.ProjectorGroup = 255;
    out.Justification = 2;
    out.OutputSync = 9;
    model.setInput(1, 2, in);
    model.setOutput(1, 2, out);
    chooseScreen(rig, 1);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(rig.labelText(qPrintable(names[i])), shown[i]);
    QCOMPARE(rig.labelText("OutSyncLabel"), QString("9")); // the rest of the record did refresh
}

void InformationTest::hiddenSwitch() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    InformationPage *info = rig.form->informationPage();
    DisplaySetupPage *display = rig.form->displaySetupPage();
    auto visible = [&] {
        QList<bool> states;
        for (const char *name : {"InfoGroupBox", "ScreenInfoGroupBox"})
            states << info->findChild<QWidget *>(name)->isVisibleTo(info);
        states << display->findChild<QWidget *>("FeatherRadioGroup")->isVisibleTo(display);
        for (int s = 1; s <= 8; ++s)
            states << display->findChild<QWidget *>(QString("EdgeAdv%1GroupBox").arg(s))
                          ->isVisibleTo(
                              display->findChild<QWidget *>(QString("EdgeFeather%1GroupBox").arg(s)));
        return states;
    };
    QCOMPARE(visible(), QList<bool>(11, false));
    rig.form->phasePageControl()->setCurrentWidget(info);
    auto *hidden = info->findChild<QLabel *>("HiddenLabel");
    QVERIFY(hidden->text().isEmpty());
    QTest::mouseDClick(hidden, Qt::LeftButton);
    QCOMPARE(visible(), QList<bool>(11, true));
    QTest::mouseDClick(hidden, Qt::LeftButton);
    QCOMPARE(visible(), QList<bool>(11, false));
}

// Two devices behind the Controller: RESETKX to each, one after the other, under the progress notice
// and with the File and Serial Port menus off meanwhile.
void InformationTest::resetBothDevices() {
    const SimOptions sim = controller({5, 6});
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->state().DeviceCount, 2);
    rig.com1->clearRequests();

    QList<bool> menusDuringProgress;
    QMenu *file = rig.form->menuBar()->findChild<QMenu *>("File1");
    QMenu *serial = rig.form->menuBar()->findChild<QMenu *>("Search1");
    QVERIFY(file && serial);
    rig.host.onStatus = [&](const QString &) {
        if (rig.host.progressVisible)
            menusDuringProgress << file->menuAction()->isEnabled() << serial->menuAction()->isEnabled();
    };
    rig.host.expectYesNo(true,
                         "Resetting the Kestrix(s) will reset settings to default values. Are you sure");
    rig.form->findChild<QPushButton *>("ResetButton")->click();

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.entries.last().caption, QString("Lumivane - Factory Reset Verification"));
    QCOMPARE(resets(*rig.com1), QStringList({"57600 *5RESETKX F", "57600 *6RESETKX F"}));
    QVERIFY(rig.host.progressTexts.contains("Kestrix reset in progress. Please wait...."));
    QVERIFY(!rig.host.progressVisible);
    QVERIFY(!menusDuringProgress.isEmpty());
    QVERIFY(!menusDuringProgress.contains(true));
    QVERIFY(file->menuAction()->isEnabled() && serial->menuAction()->isEnabled());
    QCOMPARE(rig.form->state().CommandBusy, 0);
}

// After the reset the devices hold their defaults: the program reads them back, with the read's own
// progress, and every page shows what the devices now hold. The simulator's reset is checked too: every
// setting back to what a new device holds, and reported so.
void InformationTest::resetReadsTheDefaultsBack() {
    const SimOptions sim = controller({5, 6});
    LinkRig rig(&sim, nullptr);
    for (int d = 1; d <= 2; ++d) {
        SimDevice device;
        for (int c = 0; c < 4; ++c) {
            device.outputs[c].blackLevel = quint8(40 + d);
            device.outputs[c].basicGamma = 28;
            device.outputs[c].overlapWidth = 384;
            device.inputs[c].hPosition = 310;
            device.inputs[c].contrast[0] = 950;
        }
        rig.com1->setDevice(d, device);
    }
    rig.trigger("SearchAll");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    const DeviceModel &model = rig.form->model();
    chooseScreen(rig, 0);
    QCOMPARE(int(model.output(2, 1).BlackLevel), 42);
    QCOMPARE(rig.fieldText("Black1Edit"), QString("41"));
    QCOMPARE(rig.fieldText("BlackLvlAdjCompLabel"), QString("41"));
    rig.com1->clearRequests();
    rig.host.progressTexts.clear();

    rig.host.expectYesNo(true, "Resetting the Kestrix(s) will reset settings to default values.");
    rig.form->findChild<QPushButton *>("ResetButton")->click();
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->state().CommandBusy, 0);

    const SimDevice fresh;
    const SimInputChannel &in0 = fresh.inputs[0];
    const SimOutputChannel &out0 = fresh.outputs[0];
    for (int d = 1; d <= 2; ++d) {
        const SimDevice now = rig.com1->device(d);
        QCOMPARE(now.factoryResets, 1);
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(now.outputs[c].blackLevel, out0.blackLevel);
            QCOMPARE(now.outputs[c].basicGamma, out0.basicGamma);
            QCOMPARE(now.outputs[c].overlapWidth, out0.overlapWidth);
            QCOMPARE(now.inputs[c].hPosition, in0.hPosition);
            QCOMPARE(now.inputs[c].contrast, in0.contrast);
            // What the program read back is what the device reports.
            const OutputInfo &out = model.output(d, c + 1);
            const InputInfo &in = model.input(d, c + 1);
            QCOMPARE(int(out.BlackLevel), int(out0.blackLevel));
            QCOMPARE(qRound(out.BasicGamma * 10), out0.basicGamma);
            QCOMPARE(out.OverlapWidth, out0.overlapWidth);
            QCOMPARE(in.HPosition, in0.hPosition);
            QCOMPARE(qRound(in.OverallContrast * 10), in0.contrast[0]);
        }
    }
    // The resets, then the read of both devices, under the read's progress notice.
    const QStringList wire = LinkRig::wire(*rig.com1);
    QCOMPARE(wire.mid(0, 2), QStringList({"57600 *5RESETKX F", "57600 *6RESETKX F"}));
    QVERIFY2(wire.contains("57600 *5OINFOKX 4") && wire.contains("57600 *6OINFOKX 4"),
             qPrintable(wire.join('\n')));
    QCOMPARE(rig.host.progressTexts.first(), QString("Kestrix reset in progress. Please wait...."));
    QVERIFY(rig.host.progressTexts.contains("Lumivane querying Kestrix(s). Please wait...."));
    QVERIFY(!rig.host.progressVisible);
    // The pages show the defaults.
    QCOMPARE(rig.fieldText("Black1Edit"), QString("0"));
    QCOMPARE(rig.fieldText("BlackLvlAdjCompLabel"), QString("0"));
    QCOMPARE(rig.fieldText("BasicGammaEdit"), QString("2.2"));
    QCOMPARE(rig.fieldText("OverlapWidthLabel"), QString("256"));
}

void InformationTest::resetNotSent_data() {
    QTest::addColumn<int>("situation");
    QTest::newRow("answered No") << 0;
    QTest::newRow("link down: no question") << 1;
    QTest::newRow("refreshing: no question") << 2;
}

void InformationTest::resetNotSent() {
    QFETCH(int, situation);
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    if (situation == 0) rig.host.expectYesNo(false, "Resetting the Kestrix(s)");
    if (situation == 1) rig.trigger("DisconnectSerialCo1");
    if (situation == 2) rig.form->state().Refreshing = true;
    rig.form->informationPage()->ResetButtonClick();
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QVERIFY(resets(*rig.com1).isEmpty());
    QVERIFY(rig.form->menuBar()->findChild<QMenu *>("File1")->menuAction()->isEnabled());
    QCOMPARE(rig.form->state().CommandBusy, 0);
}

// Received characters appear; typed keys go out as typed; a Backspace on an open port goes out as
// backspace, blank, backspace, and on a closed one nothing reaches the line.
void InformationTest::terminalShowsAndSends() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    TerminalPane *terminal = rig.form->findChild<TerminalPane *>("AdTerminal1");
    QVERIFY(terminal);
    QCOMPARE(terminal->palette().color(QPalette::Base), QColor(Qt::black));
    QCOMPARE(terminal->palette().color(QPalette::Text), QColor(0xc0, 0xc0, 0xc0));

    terminal->clear(); // the read's replies went past it too
    rig.com1->sendRaw("KX> ab\bc\r\nnext");
    QTRY_COMPARE(terminal->toPlainText(), QString("KX> ac\nnext"));

    rig.com1->clearRequests();
    QTest::keyClicks(terminal, "ab");
    QTest::keyClick(terminal, Qt::Key_Backspace);
    QTest::keyClick(terminal, Qt::Key_Return);
    QTRY_COMPARE(rig.com1->receivedBytes(), QByteArray("ab\b \b\r"));

    // The pane keeps the last lines only: a port left open for days cannot fill the memory.
    terminal->clear();
    QByteArray lines;
    const int sent = TerminalPane::ScrollBackLines + 100;
    for (int i = 1; i <= sent; ++i)
        lines += "line " + QByteArray::number(i) + "\r\n";
    rig.com1->sendRaw(lines);
    const QString last = QStringLiteral("line %1\n").arg(sent);
    QTRY_VERIFY_WITH_TIMEOUT(terminal->toPlainText().contains(last), 60000);
    QVERIFY(terminal->document()->blockCount() <= TerminalPane::ScrollBackLines);
    QVERIFY(!terminal->toPlainText().contains(QStringLiteral("line 100\n")));

    rig.trigger("DisconnectSerialCo1");
    QVERIFY(!rig.form->port().isOpen());
    QTest::keyClick(terminal, Qt::Key_Backspace);
    QTest::qWait(50);
    QCOMPARE(rig.com1->receivedBytes(), QByteArray("ab\b \b\r"));
}

// The log holds what went each way since the port opened, the bytes a device wait consumed included,
// with time stamps; control bytes are written out so that the file stays plain text.
void InformationTest::trafficLogFile() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    rig.com1->sendRaw("hi\x01");
    TerminalPane *terminal = rig.form->findChild<TerminalPane *>("AdTerminal1");
    QTRY_VERIFY(terminal->toPlainText().endsWith("hi"));
    QTest::keyClick(terminal, Qt::Key_Backspace);
    QTRY_COMPARE(rig.com1->receivedBytes().right(3), QByteArray("\b \b"));

    // Bytes a device wait takes never reach the listeners; the log has them all the same.
    rig.com1->sendRaw("OK");
    QVERIFY(rig.form->port().WaitForString("OK", 20, true, false));

    QTemporaryDir dir;
    const QString path = dir.filePath("traffic.txt");
    terminal->setSavePathChooser([&] { return path; });
    terminal->saveTrafficLog();
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(rig.host.statusTexts.contains("Traffic log saved to " + path));
    const QList<QByteArray> all = file.readAll().split('\n');
    // A header names the link; then one line per burst or mark.
    QList<QByteArray> header, lines;
    for (const QByteArray &line : all.mid(0, all.size() - 1))
        (line.startsWith("# ") ? header : lines) << line;
    QVERIFY(header.contains("# Mode: direct"));
    QVERIFY(header.contains("# Baud: 38400"));
    QVERIFY(header.contains("# Parity: none"));
    QVERIFY(header.contains("# Port: " + rig.com1->slavePath().toUtf8() + " (COM1), open"));
    QVERIFY(header.contains("# Kestrix 1 version: 2.17a"));
    const QRegularExpression shape(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (TX|RX|--) .+$)");
    for (const QByteArray &line : lines)
        QVERIFY2(shape.match(QString::fromLatin1(line)).hasMatch(), line.constData());
    // The port opened, then the probe went out and the read's answers came back through waits.
    QVERIFY(lines.at(0).contains(" -- port opened: " + rig.com1->slavePath().toUtf8() + ", 38400 baud"));
    QVERIFY(lines.at(1).endsWith(" TX \\x0D"));
    QByteArray received;
    for (const QByteArray &line : lines)
        if (line.contains(" RX ")) received += line.mid(line.indexOf(" RX ") + 4);
    QVERIFY(received.contains("2.17a"));
    QVERIFY(
        std::any_of(lines.begin(), lines.end(), [](const QByteArray &l) { return l.endsWith(" RX OK"); }));
    QVERIFY(std::any_of(lines.begin(), lines.end(),
                        [](const QByteArray &l) { return l.contains(" RX ") && l.endsWith("hi\\x01"); }));
    QByteArray sent;
    for (const QByteArray &line : lines)
        if (line.contains(" TX ")) sent += line.mid(line.indexOf(" TX ") + 4);
    QVERIFY(sent.endsWith("\\x08 \\x08"));

    // Reopening the port keeps the log, with the close and the opening marked between the sessions.
    rig.form->port().SetOpen(false);
    QVERIFY(rig.form->port().SetOpen(true));
    const QList<QByteArray> after = rig.form->port().trafficLog().toText().split('\n');
    QVERIFY(after.contains(lines.at(0)));
    QVERIFY(std::any_of(after.begin(), after.end(),
                        [](const QByteArray &l) { return l.contains(" RX ") && l.endsWith("hi\\x01"); }));
    QVERIFY(after.at(after.size() - 3).endsWith(" -- port closed"));
    QVERIFY(after.at(after.size() - 2).contains(" -- port opened: "));
}

void InformationTest::trafficLogSaveFailure() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");
    QTemporaryDir dir;
    QFile old(dir.filePath("kept.txt"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    TerminalPane *terminal = rig.form->findChild<TerminalPane *>("AdTerminal1");
    terminal->setSavePathChooser([&] { return dir.filePath("missing/traffic.txt"); });
    terminal->saveTrafficLog();
    QCOMPARE(rig.host.messages().size(), 1);
    const QString message = rig.host.messages().first();
    QVERIFY2(message.startsWith("Error! ") && message.contains(dir.filePath("missing/traffic.txt")) &&
                 message.contains("does not exist") && !message.contains("Unknown error"),
             qPrintable(message));
    QVERIFY(!QFile::exists(dir.filePath("missing/traffic.txt")));
    QVERIFY(!rig.host.statusTexts.join('\n').contains("Traffic log saved"));
}

namespace {

TerminalPane *terminalOf(LinkRig &rig) {
    return rig.find<TerminalPane>("AdTerminal1");
}

// The window shown on the Information page, connected to a direct-mode simulator.
void connectShown(LinkRig &rig) {
    rig.showOffline();
    rig.trigger("SearchAll");
    QTRY_VERIFY(rig.form->engine().LinkActive());
    rig.form->phasePageControl()->setCurrentWidget(rig.form->informationPage());
    rig.host.entries.clear();
}

QString lines(int from, int to) {
    QString text;
    for (int i = from; i <= to; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    return text;
}

} // namespace

// Keys that make control codes go out as those codes, and typed text beyond ASCII as UTF-8; none of
// them moves the focus or is taken by a shortcut, and Shift+Tab leaves the pane.
void InformationTest::terminalKeys() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    connectShown(rig);
    TerminalPane *terminal = terminalOf(rig);
    QTest::mouseClick(terminal->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), terminal);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString text; // what the keyboard gives with the key; empty for QTest's own
        QByteArray sent;
    };
    const Case cases[] = {
        {Qt::Key_C, Qt::ControlModifier, {}, "\x03"},
        {Qt::Key_A, Qt::ControlModifier, {}, "\x01"},
        {Qt::Key_Z, Qt::ControlModifier, {}, "\x1a"},
        {Qt::Key_Escape, Qt::NoModifier, {}, "\x1b"},
        {Qt::Key_Tab, Qt::NoModifier, {}, "\t"},
        {Qt::Key(0x20ac), Qt::NoModifier, QString::fromUtf8("\u20ac"), "\xe2\x82\xac"},
        {Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("\u00e9"), "\xc3\xa9"},
        {Qt::Key_Up, Qt::NoModifier, {}, ""},
        {Qt::Key_K, Qt::NoModifier, {}, "k"},
    };
    for (const Case &c : cases) {
        rig.com1->clearRequests();
        if (c.text.isEmpty())
            QTest::keyClick(terminal, c.key, c.modifiers);
        else
            QTest::sendKeyEvent(QTest::Click, terminal, c.key, c.text, c.modifiers);
        // A key that sends nothing is followed by one that does, so that the check waits on the wire.
        QTest::keyClick(terminal, Qt::Key_X);
        QTRY_COMPARE(rig.com1->receivedBytes(), c.sent + "x");
        QCOMPARE(QApplication::focusWidget(), terminal);
    }
    // Shift+Tab is the way out for the keyboard.
    rig.com1->clearRequests();
    QTest::keyClick(terminal, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(QApplication::focusWidget() != terminal);
    QCOMPARE(rig.com1->receivedBytes(), QByteArray());
}

// The terminal sends every key typed in it, so it has the focus only where the user puts it: a click
// in it, or Tab into it. The page coming up never gives it the focus, whether along the tabs with Right,
// by Ctrl+Tab from a control of the previous page, or switched to by the program, even when the terminal
// was the page's last focus; nothing typed meanwhile reaches the line. The focus the user put there
// comes back after a read disabled the pages.
void InformationTest::terminalTakesTheFocusOnlyFromTheUser() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    rig.trigger("SearchAll");
    QTRY_VERIFY(rig.form->engine().LinkActive());
    QApplication::setActiveWindow(rig.form.get());
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    QTabWidget *pages = rig.form->phasePageControl();
    QWidget *info = rig.form->informationPage();
    QWidget *seams = rig.find<QWidget>("SeamRemovalTabSheet");
    TerminalPane *terminal = terminalOf(rig);
    auto focus = [] { return QApplication::focusWidget(); };
    rig.com1->clearRequests();

    // Along the tabs with Right: the focus stays on the tabs, and Tab goes on from there.
    pages->setCurrentWidget(seams);
    pages->tabBar()->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(focus(), pages->tabBar());
    QTest::keyClick(pages->tabBar(), Qt::Key_Right);
    QCOMPARE(pages->currentWidget(), info);
    QCOMPARE(focus(), pages->tabBar());
    QTest::keyClick(focus(), Qt::Key_Tab);
    QCOMPARE(focus()->objectName(), QString("TerminalViewComboBox"));

    // A click puts it there; typed keys go out; a read that disables the pages gives it back.
    QTest::mouseClick(terminal->viewport(), Qt::LeftButton);
    QCOMPARE(focus(), terminal);
    QTest::keyClick(terminal, Qt::Key_K);
    QTRY_COMPARE(rig.com1->receivedBytes(), QByteArray("k"));
    rig.trigger("ReadfromKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QTRY_COMPARE(focus(), terminal);

    // Left for another page and back: not there again until the user puts it there, by Tab this time.
    QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {},
                      pages->tabBar()->tabRect(pages->indexOf(seams)).center());
    QCOMPARE(pages->currentWidget(), seams);
    QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {},
                      pages->tabBar()->tabRect(pages->indexOf(info)).center());
    QCOMPARE(pages->currentWidget(), info);
    QVERIFY(focus() != terminal);
    rig.find<QWidget>("TerminalCaptureButton")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(focus(), Qt::Key_Tab);
    QCOMPARE(focus(), terminal);

    // From a control of the page before, by Ctrl+Tab and by the program's own switch, with the terminal
    // the control of the page that last had the focus.
    rig.com1->clearRequests();
    for (int way = 0; way < 2; ++way) {
        pages->setCurrentWidget(seams);
        QWidget *control = rig.find<QWidget>("ResetSeamGainButton");
        control->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(focus(), control);
        if (way == 0)
            QTest::keyClick(control, Qt::Key_Tab, Qt::ControlModifier);
        else
            pages->setCurrentWidget(info);
        QCOMPARE(pages->currentWidget(), info);
        QVERIFY2(focus() != terminal, way == 0 ? "Ctrl+Tab" : "the program");
        QTest::keyClick(focus(), Qt::Key_Tab);
        QVERIFY(focus() != terminal);
    }
    // Only what is typed in the terminal once the user clicked in it reaches the line, and nothing before.
    QTest::mouseClick(terminal->viewport(), Qt::LeftButton);
    QTest::keyClick(terminal, Qt::Key_X);
    QTRY_COMPARE(rig.com1->receivedBytes(), QByteArray("x"));
}

// One line without an end is cut into lines of at most MaxLineChars, so the pane never holds more than
// ScrollBackLines x MaxLineChars characters and each arrival costs the same however long the line is;
// the newest characters are all there.
void InformationTest::terminalBoundsLongLines() {
    LinkRig rig(nullptr, nullptr);
    TerminalPane *terminal = terminalOf(rig);
    QByteArray sent;
    for (int i = 0; i < 64; ++i) {
        QByteArray piece(8 * 1024, Qt::Uninitialized);
        for (qsizetype j = 0; j < piece.size(); ++j)
            piece[j] = char('a' + (i * 7 + j) % 26);
        sent += piece;
        terminal->showReceived(piece);
    }
    const QTextDocument *doc = terminal->document();
    int longest = 0;
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next())
        longest = std::max(longest, block.length() - 1);
    QCOMPARE(longest, TerminalPane::MaxLineChars);
    QVERIFY(doc->characterCount() <= TerminalPane::ScrollBackLines * (TerminalPane::MaxLineChars + 1));
    QVERIFY(QString(terminal->toPlainText()).remove('\n').endsWith(QString::fromLatin1(sent.right(100000))));

    // The hexadecimal view keeps the same bound.
    terminal->setHexView(true);
    terminal->showReceived(QByteArray(5000, '\x1b'));
    const QTextBlock last = doc->lastBlock();
    QCOMPARE(last.text(), QString("1B ").repeated(5000 % TerminalPane::HexBytesPerLine));
    QCOMPARE(last.previous().text(), QString("1B ").repeated(TerminalPane::HexBytesPerLine));
}

// Arriving bytes leave the user's selection alone and do not scroll a pane the user scrolled up or
// paused; a pane at the end, not paused, follows the new lines.
void InformationTest::terminalKeepsSelectionAndView() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    connectShown(rig);
    TerminalPane *terminal = terminalOf(rig);
    QScrollBar *bar = terminal->verticalScrollBar();
    terminal->clear();
    rig.com1->sendRaw(lines(1, 300).toLatin1());
    QTRY_VERIFY(terminal->toPlainText().contains("line 300\n"));
    QTRY_COMPARE(bar->value(), bar->maximum()); // it followed
    QVERIFY(bar->maximum() > 0);

    bar->setValue(0);
    QTextCursor selection(terminal->document());
    selection.setPosition(0);
    selection.setPosition(6, QTextCursor::KeepAnchor);
    terminal->setTextCursor(selection);
    rig.com1->sendRaw(lines(301, 350).toLatin1());
    QTRY_VERIFY(terminal->toPlainText().contains("line 350\n"));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(terminal->textCursor().selectedText(), QString("line 1"));

    // Paused at the end: the view stays where it was.
    bar->setValue(bar->maximum());
    const int pausedAt = bar->value();
    QTest::mouseClick(rig.find<QPushButton>("TerminalPauseButton"), Qt::LeftButton);
    QVERIFY(terminal->autoScrollPaused());
    rig.com1->sendRaw(lines(351, 400).toLatin1());
    QTRY_VERIFY(terminal->toPlainText().contains("line 400\n"));
    QCOMPARE(bar->value(), pausedAt);
    QVERIFY(bar->maximum() > pausedAt);
    QCOMPARE(terminal->textCursor().selectedText(), QString("line 1"));

    // Going on again brings the end into view, and it is followed from then on.
    QTest::mouseClick(rig.find<QPushButton>("TerminalPauseButton"), Qt::LeftButton);
    QCOMPARE(bar->value(), bar->maximum());
    rig.com1->sendRaw(lines(401, 450).toLatin1());
    QTRY_VERIFY(terminal->toPlainText().contains("line 450\n"));
    QCOMPARE(bar->value(), bar->maximum());

    // Clear empties the view, and only the view.
    QTest::mouseClick(rig.find<QPushButton>("TerminalClearButton"), Qt::LeftButton);
    QCOMPARE(terminal->toPlainText(), QString());
    QVERIFY(rig.form->port().trafficLog().toText().contains("line 450\\x0D\\x0A"));
}

// The line input sends a whole line with the chosen end; Up and Down walk the lines sent before.
void InformationTest::lineInput() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    connectShown(rig);
    auto *edit = rig.find<QLineEdit>("TerminalLineEdit");
    auto *ends = rig.find<QComboBox>("TerminalLineEndComboBox");
    QCOMPARE(ends->currentText(), QString("CR"));
    rig.com1->clearRequests();
    const struct {
        const char *end;
        QByteArray bytes;
    } cases[] = {{"CR", "\r"}, {"LF", "\n"}, {"CR LF", "\r\n"}, {"None", ""}};
    QByteArray expected;
    for (const auto &c : cases) {
        ends->setCurrentText(QString::fromLatin1(c.end));
        const QString line = QStringLiteral("RD %1 \u00b0").arg(c.end);
        QTest::keyClicks(edit, QStringLiteral("RD %1 ").arg(c.end));
        edit->insert(QStringLiteral("\u00b0"));
        QTest::keyClick(edit, Qt::Key_Return);
        expected += line.toUtf8() + c.bytes;
        QTRY_COMPARE(rig.com1->receivedBytes(), expected);
        QCOMPARE(edit->text(), QString());
    }
    QTest::keyClicks(edit, "draft");
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->text(), QStringLiteral("RD None \u00b0"));
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->text(), QStringLiteral("RD CR LF \u00b0"));
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(edit->text(), QStringLiteral("RD None \u00b0"));
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(edit->text(), QString("draft"));
    for (const char *name : {"TerminalLineEdit", "TerminalLineEndComboBox", "TerminalSendButton",
                             "TerminalViewComboBox", "TerminalHexButton", "TerminalPauseButton",
                             "TerminalClearButton", "TerminalSaveButton", "TerminalCaptureButton"})
        QVERIFY2(!rig.find<QWidget>(name)->accessibleName().isEmpty(), name);
}

// A capture started by the user follows the traffic as it happens, across a reconnect; the log view
// shows the bursts with their times, sent and received apart, in hexadecimal on demand; the close and
// the reopening, a baud change and a lost line are marked.
void InformationTest::trafficAcrossSessions() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    connectShown(rig);
    TerminalPane *terminal = terminalOf(rig);
    QTemporaryDir dir;
    const QString path = dir.filePath("capture.txt");
    terminal->setCapturePathChooser([&] { return path; });
    auto *capture = rig.find<QPushButton>("TerminalCaptureButton");
    QTest::mouseClick(capture, Qt::LeftButton);
    QVERIFY(capture->isChecked());
    QVERIFY(terminal->capturing());
    QVERIFY(rig.host.statusTexts.contains("Capturing the traffic to " + path));
    auto captured = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QVERIFY(captured().startsWith("# Lumivane traffic log, "));
    QVERIFY(captured().contains("# Mode: direct\n"));

    rig.com1->sendRaw("KX\x01>");
    QTRY_VERIFY2(captured().contains(" RX KX\\x01>"), captured().constData());
    rig.trigger("DisconnectSerialCo1");
    QVERIFY(!rig.form->port().isOpen());
    QVERIFY(rig.form->port().SetOpen(true));
    QVERIFY(rig.form->port().SetBaud(57600));
    QTest::keyClick(terminal, Qt::Key_Q);
    QTRY_VERIFY(captured().endsWith(" TX q"));
    const QByteArray wire = captured();
    const qsizetype closed = wire.indexOf(" -- port closed\n");
    QVERIFY(wire.indexOf(" RX KX\\x01>") < closed);
    QVERIFY(closed < wire.indexOf(" -- port opened: "));
    QVERIFY(wire.indexOf(" -- port opened: ") < wire.indexOf(" -- baud changed to 57600\n"));

    // The log view.
    auto *view = rig.find<QComboBox>("TerminalViewComboBox");
    view->setCurrentText("Log");
    QCOMPARE(terminal->view(), TerminalPane::View::Log);
    QTRY_VERIFY(terminal->toPlainText().contains(" TX q"));
    const QString shown = terminal->toPlainText();
    QVERIFY(shown.contains(QRegularExpression(R"(\n\d\d:\d\d:\d\d\.\d{3} RX KX\\x01>\n)")));
    QVERIFY(shown.contains(" -- port closed\n"));
    auto colourOf = [&](const QString &marker) {
        for (QTextBlock block = terminal->document()->firstBlock(); block.isValid(); block = block.next())
            if (block.text().contains(marker))
                for (auto it = block.begin(); !it.atEnd(); ++it)
                    if (it.fragment().text().contains(marker.mid(4)))
                        return it.fragment().charFormat().foreground().color();
        return QColor();
    };
    const QColor sentColour = colourOf(" TX q"), receivedColour = colourOf(" RX KX\\x01>");
    QVERIFY(sentColour.isValid() && receivedColour.isValid());
    QVERIFY(sentColour != receivedColour);
    rig.com1->sendRaw("ok");
    QTRY_VERIFY(terminal->toPlainText().endsWith(" RX ok"));
    QTest::mouseClick(rig.find<QPushButton>("TerminalHexButton"), Qt::LeftButton);
    QVERIFY(terminal->toPlainText().contains(" RX 4B 58 01 3E \n"));
    QVERIFY(terminal->toPlainText().endsWith(" RX 6F 6B "));

    // The terminal view kept its own text meanwhile.
    view->setCurrentText("Terminal");
    QVERIFY(terminal->toPlainText().contains("KX>"));
    QCOMPARE(terminal->palette().color(QPalette::Base), QColor(Qt::black));

    // The line is lost: marked in the capture, which has everything up to there.
    rig.com1->stop();
    QTRY_VERIFY(!rig.form->port().isOpen());
    QTRY_VERIFY(captured().contains(" -- line lost: "));
    QVERIFY(captured().indexOf(" -- line lost: ") < captured().lastIndexOf(" -- port closed"));
    QTest::mouseClick(capture, Qt::LeftButton);
    QVERIFY(!capture->isChecked());
    QVERIFY(!terminal->capturing());
    QVERIFY(captured().endsWith(" -- port closed\n"));
}

// Through a Controller, the header of a saved log or a capture names the mode and each device's ID and
// version.
void InformationTest::trafficLogHeaderNamesTheDevices() {
    const SimOptions sim = controller({5, 6});
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->state().DeviceCount, 2);
    const QStringList header = terminalOf(rig)->header();
    for (const char *line : {"Mode: Controller (RS-485)", "Kestrix 1 RS-485 ID: 5", "Kestrix 2 RS-485 ID: 6",
                             "Kestrix 1 version: 2.17a", "Kestrix 2 version: 2.17a", "Link: active"})
        QVERIFY2(header.contains(QString::fromLatin1(line)), qPrintable(header.join('\n')));
}

// A capture that cannot be written (a full disk) stops, says why, and its button goes back up; one that
// cannot be started says why and leaves the button up.
void InformationTest::captureFailure() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    connectShown(rig);
    TerminalPane *terminal = terminalOf(rig);
    auto *capture = rig.find<QPushButton>("TerminalCaptureButton");
    QTemporaryDir dir;
    terminal->setCapturePathChooser([&] { return dir.filePath("missing/capture.txt"); });
    QTest::mouseClick(capture, Qt::LeftButton);
    QVERIFY(!capture->isChecked());
    QCOMPARE(rig.host.messages().size(), 1);
    QVERIFY2(rig.host.messages().first().startsWith("Error! Unable to capture the traffic to " +
                                                    dir.filePath("missing/capture.txt") + ": the folder "),
             qPrintable(rig.host.messages().first()));

    if (!QFile::exists("/dev/full")) QSKIP("no /dev/full on this system");
    // Without a header the capture starts on a full disk; the first traffic finds it full.
    terminal->setHeaderProvider([] { return QStringList(); });
    terminal->setCapturePathChooser([] { return QStringLiteral("/dev/full"); });
    QTest::mouseClick(capture, Qt::LeftButton);
    QVERIFY(capture->isChecked());
    QTest::keyClick(terminal, Qt::Key_Q);
    QTRY_COMPARE(rig.host.messages().size(), 2);
    QVERIFY2(rig.host.messages().last().startsWith("Error! The capture to /dev/full stopped: "),
             qPrintable(rig.host.messages().last()));
    QVERIFY(!rig.host.messages().last().contains("Unknown error"));
    QVERIFY(!capture->isChecked());
    QVERIFY(!terminal->capturing());
}

QTEST_MAIN(InformationTest)
#include "tst_information.moc"
