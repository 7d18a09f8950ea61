// Choosing the serial devices behind COM1 and COM2 from the Serial Port menu: the ports listed afresh
// each time the menu opens, the choice remembered between runs, the command line over it, the single
// USB adapter taken for COM1, and a choice made while the link runs. The machine's own ports never
// count: the window lists the ports a test plugs in (simulators on pseudo-terminals), and keeps its
// settings in a temporary folder.
#include "CommandEngine.h"
#include "EventPump.h"
#include "KestrixSimulator.h"
#include "MainMenu.h"
#include "PortChooserMenu.h"
#include "ScriptedHost.h"
#include "TApdComPort.h"
#include "TLumivaneForm.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

SerialPortRecord adapter(const QString &path, bool usb = true) {
    SerialPortRecord record;
    record.path = path;
    record.description = usb ? QStringLiteral("FT232R USB UART") : QString();
    record.manufacturer = usb ? QStringLiteral("FTDI") : QString();
    record.serialNumber = usb ? QStringLiteral("A10K5") : QString();
    record.usb = usb;
    return record;
}

std::unique_ptr<KestrixSimulator> directDevice() {
    SimOptions options;
    options.mode = SimOptions::Direct;
    auto sim = std::make_unique<KestrixSimulator>(options);
    QString error;
    if (!sim->start(&error)) qFatal("simulator did not start: %s", qPrintable(error));
    return sim;
}

// Two simulated adapters (A and B), the ports the test says are plugged in, and a settings file that
// outlives the window so that a second window is the program's next run.
struct ChooserRig {
    QTemporaryDir settingsDir;
    std::unique_ptr<KestrixSimulator> a = directDevice();
    std::unique_ptr<KestrixSimulator> b = directDevice();
    QList<SerialPortRecord> plugged;
    ScriptedHost host;
    std::unique_ptr<TLumivaneForm> form;

    QString settingsFile() const { return settingsDir.filePath(QStringLiteral("lumivane.conf")); }

    // A new run of the program; commandLine1 stands for --com1.
    void start(const QString &commandLine1 = {}) {
        form.reset();
        FormOptions options;
        options.host = &host;
        options.pacing = Pacing::real().pausesScaled(0.1);
        options.quit = [] {};
        options.settings = Preferences::fileStore(settingsFile());
        options.listPorts = [this] { return plugged; };
        // COM2 never reaches a device of the machine.
        options.ports.setPath(2, QStringLiteral("/nonexistent/lumivane-com2"));
        if (!commandLine1.isEmpty()) options.ports.setPath(1, commandLine1);
        form = std::make_unique<TLumivaneForm>(options);
    }
    ~ChooserRig() {
        form.reset();
        EventPump::clearAbort();
    }

    QMenu *comPortMenu() const { return form->menu().menuHolding(QStringLiteral("SearchCOM1COM21")); }
    // Opens the COM Port menu and COM n's device submenu, as the pointer does on its way to an item.
    QMenu *openDevices(int n) {
        QMenu *outer = comPortMenu();
        outer->popup(QPoint(0, 0));
        QMenu *inner = form->portChooser().deviceMenu(n);
        inner->popup(QPoint(200, 0));
        if (!QTest::qWaitFor([&] { return inner->isVisible(); })) qWarning("the submenu did not open");
        return inner;
    }
    void closeMenus() {
        form->portChooser().deviceMenu(1)->hide();
        form->portChooser().deviceMenu(2)->hide();
        comPortMenu()->hide();
    }
    static QAction *item(QMenu *menu, const QString &path) {
        for (QAction *action : menu->actions())
            if (!action->isSeparator() && action->data().toString() == path) return action;
        return nullptr;
    }
    static QStringList texts(QMenu *menu) {
        QStringList list;
        for (QAction *action : menu->actions())
            list << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return list;
    }
    // Clicks an item where the open menu shows it.
    static void click(QMenu *menu, QAction *action) {
        QVERIFY(action);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    }
    QString label(const char *name) const {
        return form->findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    QString remembered(int n) const {
        return QSettings(settingsFile(), QSettings::IniFormat)
            .value(QStringLiteral("ports/com%1").arg(n))
            .toString();
    }
    bool clean() const { return host.unexpected.isEmpty() && host.pendingAnswers() == 0; }
};

} // namespace

class PortChooserTest : public QObject {
    Q_OBJECT
private slots:
    void automaticCom1_data();
    void automaticCom1();
    void listedAfreshEachTime();
    void choiceRememberedAndSearched();
    void commandLineWins();
    void choiceWhileLinked();
};

void PortChooserTest::automaticCom1_data() {
    QTest::addColumn<int>("usbAdapters");
    QTest::addColumn<bool>("withBuiltInPort");
    QTest::newRow("no adapter") << 0 << true;
    QTest::newRow("one adapter") << 1 << false;
    QTest::newRow("one adapter beside a built-in port") << 1 << true;
    QTest::newRow("two adapters: no telling which") << 2 << false;
}

// With no choice made, the one USB adapter is COM1; none or several leave COM1 on the standard device.
void PortChooserTest::automaticCom1() {
    QFETCH(int, usbAdapters);
    QFETCH(bool, withBuiltInPort);
    ChooserRig rig;
    if (withBuiltInPort) rig.plugged << adapter(QStringLiteral("/dev/ttyS0"), false);
    if (usbAdapters >= 1) rig.plugged << adapter(rig.a->slavePath());
    if (usbAdapters >= 2) rig.plugged << adapter(rig.b->slavePath());
    rig.start();
    const PortMap &map = rig.form->port().portMap();
    QCOMPARE(map.path(1), usbAdapters == 1 ? rig.a->slavePath() : PortMap::defaultPath(1));
    QCOMPARE(map.path(2), QStringLiteral("/nonexistent/lumivane-com2"));
    if (usbAdapters != 1) return;
    // The search finds the device on that adapter, and the page shows it in use.
    rig.form->findChild<QAction *>("SearchAll")->trigger();
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
    QVERIFY(rig.form->engine().LinkActive());
    QCOMPARE(rig.label("ComNumberLabel"), QString("1"));
    QCOMPARE(rig.label("ComPathLabel"), rig.a->slavePath());
}

void PortChooserTest::listedAfreshEachTime() {
    ChooserRig rig;
    rig.start();
    QMenu *menu = rig.openDevices(1);
    QCOMPARE(ChooserRig::texts(menu),
             (QStringList{"No serial ports found (plug in the adapter, then open this menu again)", "-",
                          "Automatic: the USB adapter when only one is plugged in, else /dev/ttyS0"}));
    QVERIFY(menu->actions().last()->isChecked());
    rig.closeMenus();

    // Plugged in while the program runs: the next opening lists it, with what the system says of it.
    rig.plugged << adapter(rig.a->slavePath());
    menu = rig.openDevices(1);
    QCOMPARE(ChooserRig::texts(menu).first(),
             rig.a->slavePath() + " \u2013 FT232R USB UART (FTDI, serial A10K5)");
    QCOMPARE(rig.comPortMenu()->actions().last()->text(), "COM 2 device: /nonexistent/lumivane-com2");
    QCOMPARE(rig.form->portChooser().deviceMenu(1)->title(), "COM 1 device: " + rig.a->slavePath());
    rig.closeMenus();
}

// A device chosen in the menu is COM1 for the search, and again in the next run.
void PortChooserTest::choiceRememberedAndSearched() {
    ChooserRig rig;
    rig.plugged << adapter(rig.a->slavePath()) << adapter(rig.b->slavePath());
    rig.start();
    QMenu *menu = rig.openDevices(1);
    ChooserRig::click(menu, ChooserRig::item(menu, rig.b->slavePath()));
    QCOMPARE(rig.host.statusTexts.last(), "COM 1 is now " + rig.b->slavePath() + ".");
    QCOMPARE(rig.remembered(1), rig.b->slavePath());
    rig.closeMenus();

    rig.form->findChild<QAction *>("SearchAll")->trigger();
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
    QVERIFY(rig.form->engine().LinkActive());
    QCOMPARE(rig.label("ComPathLabel"), rig.b->slavePath());
    QVERIFY(rig.a->requests().isEmpty());

    // The next run: the choice stands, and the menu shows it checked.
    rig.start();
    QCOMPARE(rig.form->port().portMap().path(1), rig.b->slavePath());
    menu = rig.openDevices(1);
    QVERIFY(ChooserRig::item(menu, rig.b->slavePath())->isChecked());
    QVERIFY(!ChooserRig::item(menu, rig.a->slavePath())->isChecked());
    // Back to automatic: forgotten, and with two adapters COM1 is the standard device again.
    ChooserRig::click(menu, menu->actions().last());
    QCOMPARE(rig.remembered(1), QString());
    rig.closeMenus();
    rig.start();
    QCOMPARE(rig.form->port().portMap().path(1), PortMap::defaultPath(1));

    // Unplugged, a remembered device still shows as the one in force.
    rig.form->portChooser().choose(1, rig.b->slavePath());
    rig.plugged.clear();
    menu = rig.openDevices(1);
    QAction *absent = ChooserRig::item(menu, rig.b->slavePath());
    QVERIFY(absent && absent->isChecked());
    QCOMPARE(absent->text(), rig.b->slavePath() + " (not found on this machine now)");
    rig.closeMenus();
}

void PortChooserTest::commandLineWins() {
    ChooserRig rig;
    rig.plugged << adapter(rig.a->slavePath()) << adapter(rig.b->slavePath());
    rig.start();
    rig.form->portChooser().choose(1, rig.b->slavePath());
    rig.start(rig.a->slavePath());
    QCOMPARE(rig.form->port().portMap().path(1), rig.a->slavePath());
    QMenu *menu = rig.openDevices(1);
    QCOMPARE(ChooserRig::texts(menu).first(), QString("Given with --com1 for this run"));
    for (QAction *action : menu->actions())
        QVERIFY2(!action->isEnabled() || action->isSeparator(), qPrintable(action->text()));
    QVERIFY(ChooserRig::item(menu, rig.a->slavePath())->isChecked());
    rig.closeMenus();
    // The remembered choice is kept for the runs without the option.
    QCOMPARE(rig.remembered(1), rig.b->slavePath());
}

// Choosing another device for the port the link is on does not pull the link from under the user: it
// stays on its device, the user is told so, and the next search takes the new one.
void PortChooserTest::choiceWhileLinked() {
    ChooserRig rig;
    rig.plugged << adapter(rig.a->slavePath());
    rig.start();
    rig.form->findChild<QAction *>("SearchAll")->trigger();
    QVERIFY(rig.form->engine().LinkActive());
    QCOMPARE(rig.form->port().devicePath(), rig.a->slavePath());

    rig.plugged << adapter(rig.b->slavePath());
    QMenu *menu = rig.openDevices(1);
    ChooserRig::click(menu, ChooserRig::item(menu, rig.b->slavePath()));
    rig.closeMenus();
    QCOMPARE(rig.host.messages().last(),
             QString("Note: COM 1 is now %1. The link stays on %2 until the next search (Serial Port->Search "
                     "for Kestrix(s)).")
                 .arg(rig.b->slavePath(), rig.a->slavePath()));
    QVERIFY(rig.form->engine().LinkActive());
    QVERIFY(rig.form->port().isOpen());
    QCOMPARE(rig.form->port().devicePath(), rig.a->slavePath());
    QCOMPARE(rig.label("ComPathLabel"), rig.a->slavePath());

    // The link still works on A: a read goes there.
    rig.a->clearRequests();
    rig.form->findChild<QAction *>("ReadfromKestrixs1")->trigger();
    QVERIFY(!rig.a->requests().isEmpty());
    QVERIFY(rig.b->requests().isEmpty());

    rig.a->clearRequests();
    rig.form->findChild<QAction *>("SearchAll")->trigger();
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
    QVERIFY(rig.form->engine().LinkActive());
    QCOMPARE(rig.form->port().devicePath(), rig.b->slavePath());
    QCOMPARE(rig.label("ComPathLabel"), rig.b->slavePath());
    QVERIFY(!rig.b->requests().isEmpty());
    QVERIFY(rig.a->requests().isEmpty());
}

QTEST_MAIN(PortChooserTest)
#include "tst_portchooser.moc"
