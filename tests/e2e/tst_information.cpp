// The Information page through the real window: the status labels and their text formats, the hidden
// switch, the factory reset on the wire, and the terminal pane with its traffic log.
#include "DeviceModel.h"
#include "DisplaySetupPage.h"
#include "InformationPage.h"
#include "LinkRig.h"
#include "TApdComPort.h"
#include "TerminalPane.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
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
    void resetNotSent_data();
    void resetNotSent();
    void terminalShowsAndSends();
    void trafficLogFile();
    void trafficLogSaveFailure();
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
    QCOMPARE(rig.host.progressTexts.last(), QString("Kestrix reset in progress. Please wait...."));
    QVERIFY(!rig.host.progressVisible);
    QVERIFY(!menusDuringProgress.isEmpty());
    QVERIFY(!menusDuringProgress.contains(true));
    QVERIFY(file->menuAction()->isEnabled() && serial->menuAction()->isEnabled());
    QCOMPARE(rig.form->state().CommandBusy, 0);
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
    const QList<QByteArray> lines = file.readAll().split('\n');
    const QRegularExpression shape(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (TX|RX) .+$)");
    for (const QByteArray &line : lines.mid(0, lines.size() - 1))
        QVERIFY2(shape.match(QString::fromLatin1(line)).hasMatch(), line.constData());
    // The probe went out first and the read's answers came back through waits.
    QVERIFY(lines.first().endsWith(" TX \\x0D"));
    QByteArray received;
    for (const QByteArray &line : lines)
        if (line.contains(" RX ")) received += line.mid(line.indexOf(" RX ") + 4);
    QVERIFY(received.contains("2.17a"));
    QVERIFY(
        std::any_of(lines.begin(), lines.end(), [](const QByteArray &l) { return l.endsWith(" RX OK"); }));
    QVERIFY(std::any_of(lines.begin(), lines.end(),
                        [](const QByteArray &l) { return l.endsWith(" RX hi\\x01"); }));
    QByteArray sent;
    for (const QByteArray &line : lines)
        if (line.contains(" TX ")) sent += line.mid(line.indexOf(" TX ") + 4);
    QVERIFY(sent.endsWith("\\x08 \\x08"));

    // Reopening the port starts a new log.
    rig.form->port().SetOpen(false);
    QVERIFY(rig.form->port().SetOpen(true));
    QCOMPARE(rig.form->port().trafficLog().chunks().size(), 0);
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
    QVERIFY2(rig.host.messages().first().startsWith("The traffic log could not be saved to "),
             qPrintable(rig.host.messages().first()));
    QVERIFY(!QFile::exists(dir.filePath("missing/traffic.txt")));
}

QTEST_MAIN(InformationTest)
#include "tst_information.moc"
