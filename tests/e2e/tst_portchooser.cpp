// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the serial devices behind COM1 and COM2 from the Serial Port menu: the ports listed afresh
// each time the menu opens, the choice remembered between runs (an adapter by its stable link), the
// command line over it, the single USB adapter taken for COM1, a path typed in "Other device..." and
// checked first, one device never both numbers, and a choice made while the link runs. The machine's
// own ports never count: the window lists the ports a test plugs in (simulators on pseudo-terminals),
// and keeps its settings in a temporary folder.
#include "CommandEngine.h"
#include "CommandLine.h"
#include "EventPump.h"
#include "KestrixSimulator.h"
#include "MainMenu.h"
#include "PortChooserMenu.h"
#include "ScriptedHost.h"
#include "TApdComPort.h"
#include "TLumivaneForm.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
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
    // What the command line gives COM2: by default a path that reaches no device of the machine.
    QString commandLine2 = QStringLiteral("/nonexistent/lumivane-com2");
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
        if (!commandLine2.isEmpty()) options.ports.setPath(2, commandLine2);
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
    static QAction *named(QMenu *menu, const QString &objectName) {
        for (QAction *action : menu->actions())
            if (action->objectName() == objectName) return action;
        return nullptr;
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

    // "Other device..." clicked in COM n's open submenu: the dialog it opens.
    QDialog *openOtherDevice(int n) {
        QMenu *menu = openDevices(n);
        click(menu, named(menu, QStringLiteral("ComPort%1OtherDeviceItem").arg(n)));
        closeMenus();
        QDialog *dialog = form->findChild<QDialog *>(QStringLiteral("OtherDeviceDialog"));
        if (!dialog || !QTest::qWaitFor([&] { return dialog->isVisible(); })) return nullptr;
        return dialog;
    }
    // Types path over what the dialog's field holds and clicks OK.
    static void typeAndTake(QDialog *dialog, const QString &path) {
        auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("OtherDevicePathEdit"));
        QVERIFY(field);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, path);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OtherDeviceOkButton")),
                          Qt::LeftButton);
    }
    static QString problem(QDialog *dialog) {
        auto *label = dialog->findChild<QLabel *>(QStringLiteral("OtherDeviceProblemLabel"));
        return label && label->isVisible() ? label->text() : QString();
    }
};

// A folder standing for /dev/serial/by-id: links named as the system names them, to the simulators'
// pseudo-terminals.
struct StableLinks {
    QTemporaryDir dir;
    QString link(const QString &name, const QString &target) {
        const QString path = dir.filePath(name);
        QFile::remove(path);
        if (!QFile::link(target, path)) qFatal("cannot make the link %s", qPrintable(path));
        return path;
    }
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
    void otherDeviceRefused_data();
    void otherDeviceRefused();
    void otherDeviceTakenAndUsed();
    void adapterRememberedByItsStableLink();
    void oneDeviceIsNeverBothPorts();
    void commandLineRefusesOneDeviceForBoth();
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
             (QStringList{"No serial ports found (plug in the adapter, then open this menu again)",
                          "Other device...", "-",
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

    // Left out of the system's list, or unplugged, a remembered device still shows as the one in force,
    // with what is true of it.
    QVERIFY(rig.form->portChooser().choose(1, rig.b->slavePath()));
    rig.plugged.clear();
    menu = rig.openDevices(1);
    QAction *unlisted = ChooserRig::item(menu, rig.b->slavePath());
    QVERIFY(unlisted && unlisted->isChecked());
    QCOMPARE(unlisted->text(), rig.b->slavePath() + " (not in the system's list)");
    rig.closeMenus();
    const QString gone = rig.b->slavePath();
    rig.b->stop();
    QTRY_VERIFY(!QFile::exists(gone));
    menu = rig.openDevices(1);
    QAction *absent = ChooserRig::item(menu, gone);
    QVERIFY(absent && absent->isChecked());
    QCOMPARE(absent->text(), gone + " (not found on this machine now)");
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

void PortChooserTest::otherDeviceRefused_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("problem");
    QTest::newRow("nothing typed") << ""
                                   << "Type the path of the serial device for COM 1.";
    QTest::newRow("no such device") << "/dev/lumivane-no-such-tty"
                                    << "Error! /dev/lumivane-no-such-tty cannot be COM 1: no such device.";
    QTest::newRow("bare name looked up under /dev")
        << "lumivane-no-such-tty"
        << "Error! /dev/lumivane-no-such-tty cannot be COM 1: no such device.";
    QTest::newRow("a folder") << "<folder>"
                              << "cannot be COM 1: is a folder, not a serial device.";
    QTest::newRow("a file") << "<file>"
                            << "cannot be COM 1: is a file, not a serial device.";
    QTest::newRow("a device that is no serial port")
        << "/dev/null"
        << "Error! /dev/null cannot be COM 1: is not a serial device.";
    QTest::newRow("COM 2's device") << "<com2>"
                                    << "is already COM 2 (given with --com2 for this run). One device cannot "
                                       "be both COM 1 and COM 2: choose another device for COM 1";
}

// A path that cannot be COM1's device is named with what is wrong with it, in the dialog, which stays
// open with the path for correcting; nothing is taken or remembered.
void PortChooserTest::otherDeviceRefused() {
    QFETCH(QString, path);
    QFETCH(QString, problem);
    ChooserRig rig;
    QTemporaryDir scratch;
    QFile file(scratch.filePath("notes.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    rig.commandLine2 = rig.b->slavePath();
    path.replace("<folder>", scratch.path())
        .replace("<file>", file.fileName())
        .replace("<com2>", rig.b->slavePath());
    rig.start();
    const QString before = rig.form->port().portMap().path(1);

    QDialog *dialog = rig.openOtherDevice(1);
    QVERIFY(dialog);
    ChooserRig::typeAndTake(dialog, path);
    const QString shown = ChooserRig::problem(dialog);
    QVERIFY2(shown.contains(problem), qPrintable(shown));
    if (!path.isEmpty())
        QVERIFY2(shown.endsWith(QStringLiteral("COM 1 stays %1.").arg(before)), qPrintable(shown));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChild<QLineEdit *>("OtherDevicePathEdit")->text(), path);
    QCOMPARE(rig.form->port().portMap().path(1), before);
    QCOMPARE(rig.remembered(1), QString());
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
    QVERIFY(rig.host.messages().isEmpty());
    dialog->reject();
}

// A pseudo-terminal the system never lists, typed in "Other device...": checked, taken, remembered for
// the next run, searched, and shown as the device the link is on, never as one that is not there.
void PortChooserTest::otherDeviceTakenAndUsed() {
    ChooserRig rig;
    rig.plugged << adapter(QStringLiteral("/dev/ttyS0"), false);
    rig.start();
    QDialog *dialog = rig.openOtherDevice(1);
    QVERIFY(dialog);
    // The field starts with the device in force, ready to be typed over.
    QCOMPARE(dialog->findChild<QLineEdit *>("OtherDevicePathEdit")->text(), PortMap::defaultPath(1));
    ChooserRig::typeAndTake(dialog, rig.b->slavePath());
    QTRY_VERIFY(!rig.form->findChild<QDialog *>("OtherDeviceDialog"));
    QCOMPARE(rig.host.statusTexts.last(), "COM 1 is now " + rig.b->slavePath() + ".");
    QCOMPARE(rig.form->port().portMap().path(1), rig.b->slavePath());
    QCOMPARE(rig.remembered(1), rig.b->slavePath());

    rig.start();
    QCOMPARE(rig.form->port().portMap().path(1), rig.b->slavePath());
    rig.form->findChild<QAction *>("SearchAll")->trigger();
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
    QVERIFY(rig.form->engine().LinkActive());
    QCOMPARE(rig.label("ComPathLabel"), rig.b->slavePath());
    QVERIFY(!rig.b->requests().isEmpty());

    QMenu *menu = rig.openDevices(1);
    QAction *inUse = ChooserRig::item(menu, rig.b->slavePath());
    QVERIFY(inUse && inUse->isChecked());
    QCOMPARE(inUse->text(), rig.b->slavePath() + " (the link is on it now)");
    for (const QString &text : ChooserRig::texts(menu))
        QVERIFY2(!text.contains("not found"), qPrintable(text));
    rig.closeMenus();

    // The device the link has open is a serial device: typed again while linked, it is taken (a trial
    // opening would only find it busy with the link itself).
    QCOMPARE(rig.form->portChooser().otherDeviceProblem(1, rig.b->slavePath()), QString());

    // Another device chosen while linked: checked as the choice, and the one in use still shown as such.
    QVERIFY(rig.form->portChooser().choose(1, rig.a->slavePath()));
    menu = rig.openDevices(1);
    QVERIFY(ChooserRig::item(menu, rig.a->slavePath())->isChecked());
    QVERIFY(
        ChooserRig::texts(menu).contains(rig.b->slavePath() + " (the link is on it until the next search)"));
    rig.closeMenus();
}

// An adapter with a stable link is remembered by it: plugged in again under another name, it is still
// COM1, checked in the menu and searched there.
void PortChooserTest::adapterRememberedByItsStableLink() {
    ChooserRig rig;
    StableLinks byId;
    const QString name = QStringLiteral("usb-FTDI_FT232R_USB_UART_A10K5-if00-port0");
    const QString link = byId.link(name, rig.a->slavePath());
    // The folder is read the way the system's list reads /dev/serial/by-id.
    QCOMPARE(PortMap::stableLinkIn(byId.dir.path(), rig.a->slavePath()), link);
    QCOMPARE(PortMap::stableLinkIn(byId.dir.path(), rig.b->slavePath()), QString());

    SerialPortRecord withLink = adapter(rig.a->slavePath());
    withLink.stableLink = link;
    rig.plugged << withLink << adapter(rig.b->slavePath());
    rig.start();
    QMenu *menu = rig.openDevices(1);
    ChooserRig::click(menu, ChooserRig::item(menu, rig.a->slavePath()));
    rig.closeMenus();
    QCOMPARE(rig.remembered(1), link);
    QCOMPARE(rig.form->port().portMap().path(1), link);
    QCOMPARE(rig.host.statusTexts.last(),
             QString("COM 1 is now %1 (the adapter now at %2; the name stays with it when it is plugged in "
                     "again).")
                 .arg(link, rig.a->slavePath()));

    // Plugged in again, the adapter comes up under b's name; its link follows it.
    byId.link(name, rig.b->slavePath());
    SerialPortRecord replugged = adapter(rig.b->slavePath());
    replugged.stableLink = link;
    rig.plugged = {adapter(rig.a->slavePath(), false), replugged};
    rig.start();
    QCOMPARE(rig.form->port().portMap().path(1), link);
    QCOMPARE(rig.form->portChooser().deviceMenu(1)->title(), "COM 1 device: " + link);
    menu = rig.openDevices(1);
    QVERIFY(ChooserRig::item(menu, rig.b->slavePath())->isChecked());
    QVERIFY(!ChooserRig::item(menu, rig.a->slavePath())->isChecked());
    rig.closeMenus();
    rig.form->findChild<QAction *>("SearchAll")->trigger();
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
    QVERIFY(rig.form->engine().LinkActive());
    QCOMPARE(rig.label("ComPathLabel"), link);
    QVERIFY(!rig.b->requests().isEmpty());
    QVERIFY(rig.a->requests().isEmpty());
    menu = rig.openDevices(1);
    QVERIFY(ChooserRig::item(menu, rig.b->slavePath())->text().endsWith(" (the link is on it now)"));
    rig.closeMenus();
}

// One device cannot be COM1 and COM2: a choice that would make it so is refused with a message naming
// the device and the way out, and changes nothing. The automatic choice of COM1 gives way instead.
void PortChooserTest::oneDeviceIsNeverBothPorts() {
    ChooserRig rig;
    rig.commandLine2.clear();
    StableLinks byId;
    const QString linkToB = byId.link("usb-Prolific_PL2303-if00-port0", rig.b->slavePath());
    rig.plugged << adapter(rig.a->slavePath()) << adapter(rig.b->slavePath());
    rig.start();
    PortChooserMenu &chooser = rig.form->portChooser();
    const PortMap &map = rig.form->port().portMap();
    QVERIFY(chooser.choose(1, rig.b->slavePath()));

    QMenu *menu = rig.openDevices(2);
    ChooserRig::click(menu, ChooserRig::item(menu, rig.b->slavePath()));
    rig.closeMenus();
    QCOMPARE(
        rig.host.messages(),
        QStringList{QString("Error! %1 is already COM 1. One device cannot be both COM 1 and COM 2: choose "
                            "another device for COM 2, or first choose another one for COM 1. COM 2 stays "
                            "%2.")
                        .arg(rig.b->slavePath(), PortMap::defaultPath(2))});
    QCOMPARE(map.path(2), PortMap::defaultPath(2));
    QCOMPARE(rig.remembered(2), QString());
    // Under another name (a link to it), or typed in the dialog, it is still the same device.
    QVERIFY(!chooser.choose(2, linkToB));
    QCOMPARE(rig.host.messages().size(), 2);
    QVERIFY(chooser.otherDeviceProblem(2, linkToB).contains("is already COM 1"));
    QCOMPARE(map.path(2), PortMap::defaultPath(2));

    // Another device is taken; COM1 back to automatic with two adapters is the standard device.
    QVERIFY(chooser.choose(2, rig.a->slavePath()));
    QVERIFY(chooser.choose(1, QString()));
    QCOMPARE(map.path(1), PortMap::defaultPath(1));
    // With a, COM2's adapter, the only one plugged in, the automatic choice leaves it to COM2.
    rig.plugged = {adapter(rig.a->slavePath())};
    chooser.refreshPorts();
    QCOMPARE(map.path(2), rig.a->slavePath());
    QCOMPARE(map.path(1), PortMap::defaultPath(1));
    QVERIFY(!rig.form->portChooser().deviceMenu(1)->title().contains("same device"));
    QCOMPARE(rig.host.messages().size(), 2);
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
}

void PortChooserTest::commandLineRefusesOneDeviceForBoth() {
    StableLinks byId;
    const QString link = byId.link("usb-FTDI-if00-port0", QStringLiteral("/dev/null"));
    const struct {
        QString com1, com2;
        bool refused;
    } cases[] = {
        {"/dev/ttyUSB0", "/dev/ttyUSB0", true},
        {"ttyUSB0", "/dev/ttyUSB0", true},
        {link, "/dev/null", true},
        {"/dev/ttyUSB0", "/dev/ttyUSB1", false},
    };
    for (const auto &c : cases) {
        const CommandLineResult r = parseCommandLine({"lumivane", "--com1", c.com1, "--com2", c.com2});
        QCOMPARE(r.outcome == CommandLineResult::ExitError, c.refused);
        if (c.refused)
            QCOMPARE(r.output,
                     QString("lumivane: --com1 %1 and --com2 %2 are the same device; one device cannot "
                             "be both COM1 and COM2.\n")
                         .arg(c.com1, c.com2));
    }
}

QTEST_MAIN(PortChooserTest)
#include "tst_portchooser.moc"
