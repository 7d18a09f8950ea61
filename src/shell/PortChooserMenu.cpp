// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortChooserMenu.h"

#include "Host.h"
#include "Preferences.h"
#include "TApdComPort.h"

#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

PortChooserMenu::PortChooserMenu(const Parts &parts, QObject *parent)
    : QObject(parent), comPortMenu(parts.comPortMenu), port(parts.port), preferences(parts.preferences),
      host(parts.host), lister(parts.listPorts) {
    for (int n : {1, 2})
        port.portMap().setChoice(n, preferences.portChoice(n));
    refreshPorts();

    parts.comPortMenu.addSeparator();
    for (int n : {1, 2}) {
        QMenu *menu = menus[n - 1] = parts.comPortMenu.addMenu(title(n));
        menu->setObjectName(QStringLiteral("ComPort%1DeviceMenu").arg(n));
        connect(menu, &QMenu::aboutToShow, this, [this, n] { fill(n); });
    }
    // The titles name the devices in force, as far as the ports plugged in now decide them.
    connect(&parts.comPortMenu, &QMenu::aboutToShow, this, [this] {
        refreshPorts();
        for (int n : {1, 2})
            menus[n - 1]->setTitle(title(n));
    });
}

QList<SerialPortRecord> PortChooserMenu::listPorts() const {
    return lister ? lister() : QList<SerialPortRecord>{};
}

void PortChooserMenu::refreshPorts() {
    port.portMap().notePorts(listPorts());
}

QString PortChooserMenu::title(int n) const {
    const PortMap &map = port.portMap();
    QString text = tr("COM %1 device: %2").arg(n).arg(map.path(n));
    // Only the command line and a settings file written by hand get here: the menu refuses it.
    if (PortMap::sameDevice(map.path(1), map.path(2))) text += tr(" (the same device as COM %1)").arg(3 - n);
    return text;
}

QString PortChooserMenu::linkNote(int n, const QString &path) const {
    if (!port.isOpen() || !PortMap::sameDevice(path, port.devicePath())) return {};
    if (port.ComNumber() == n) return tr(" (the link is on it now)");
    return tr(" (the link is on it now, as COM %1)").arg(port.ComNumber());
}

void PortChooserMenu::fill(int n) {
    QMenu *menu = menus[n - 1];
    menu->clear();
    const QList<SerialPortRecord> ports = listPorts();
    PortMap &map = port.portMap();
    map.notePorts(ports);
    const bool fixed = map.isOverridden(n);
    const QString current = map.path(n);
    const bool named = fixed || map.origin(n) == PortMap::Origin::Chosen;
    const QString linkPath = port.isOpen() ? port.devicePath() : QString();

    if (fixed) {
        QAction *note = menu->addAction(tr("Given with --com%1 for this run").arg(n));
        note->setEnabled(false);
    }
    auto *group = new QActionGroup(menu);
    auto addDevice = [&](const QString &text, const QString &path, bool checked) {
        QAction *item = menu->addAction(text);
        item->setObjectName(QStringLiteral("ComPort%1DeviceItem").arg(n));
        item->setData(path);
        item->setCheckable(true);
        item->setChecked(checked);
        item->setEnabled(!fixed);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, n, path] { choose(n, path); });
    };
    bool listed = false;
    bool linkShown = linkPath.isEmpty();
    for (const SerialPortRecord &record : ports) {
        // A remembered stable link checks the port it leads to now, whatever that port is called.
        const bool inForce = named && PortMap::sameDevice(record.path, current);
        addDevice(record.label() + linkNote(n, record.path), record.path, inForce);
        listed = listed || inForce;
        linkShown = linkShown || PortMap::sameDevice(record.path, linkPath);
    }
    // A remembered or given device that the system does not list still shows, as the one in force,
    // with what is true of it now.
    if (named && !listed) {
        QString note = linkNote(n, current);
        if (note.isEmpty())
            note = QFileInfo::exists(PortMap::fullPath(current)) ? tr(" (not in the system's list)")
                                                                 : tr(" (not found on this machine now)");
        addDevice(current + note, current, true);
        linkShown = linkShown || PortMap::sameDevice(current, linkPath);
    }
    // The link keeps its device until the next search, even when COM n now names another.
    if (!linkShown && port.ComNumber() == n) {
        QAction *inUse = menu->addAction(tr("%1 (the link is on it until the next search)").arg(linkPath));
        inUse->setEnabled(false);
    }
    if (ports.isEmpty()) {
        QAction *none =
            menu->addAction(tr("No serial ports found (plug in the adapter, then open this menu again)"));
        none->setEnabled(false);
    }
    QAction *other = menu->addAction(tr("Other device..."));
    other->setObjectName(QStringLiteral("ComPort%1OtherDeviceItem").arg(n));
    other->setEnabled(!fixed);
    connect(other, &QAction::triggered, this, [this, n] { askOtherDevice(n); });

    menu->addSeparator();
    const QString automatic = n == 1 ? tr("Automatic: the USB adapter when only one is plugged in, else %1")
                                           .arg(PortMap::defaultPath(1))
                                     : tr("Standard: %1").arg(PortMap::defaultPath(n));
    QAction *back = menu->addAction(automatic);
    back->setObjectName(QStringLiteral("ComPort%1AutomaticItem").arg(n));
    back->setCheckable(true);
    back->setChecked(!named);
    back->setEnabled(!fixed);
    group->addAction(back);
    connect(back, &QAction::triggered, this, [this, n] { choose(n, QString()); });
}

QString PortChooserMenu::clash(int n, const PortMap &trial) const {
    const int other = 3 - n;
    if (!PortMap::sameDevice(trial.path(n), trial.path(other))) return {};
    const QString given =
        trial.isOverridden(other) ? tr(" (given with --com%1 for this run)").arg(other) : QString();
    return tr("Error! %1 is already COM %2%3. One device cannot be both COM 1 and COM 2: choose another "
              "device for COM %4, or first choose another one for COM %2. COM %4 stays %5.")
        .arg(trial.path(n))
        .arg(other)
        .arg(given)
        .arg(n)
        .arg(port.portMap().path(n));
}

QString PortChooserMenu::rememberedName(const QString &path) const {
    // A link the user named (by-id, by-path, one of their own) is kept as it is.
    if (path.isEmpty() || QFileInfo(path).isSymLink()) return path;
    for (const SerialPortRecord &record : listPorts())
        if (!record.stableLink.isEmpty() && PortMap::sameDevice(record.path, path)) return record.stableLink;
    const QString folder = PortMap::stableLinkFolder();
    if (const QString link = folder.isEmpty() ? QString() : PortMap::stableLinkIn(folder, path);
        !link.isEmpty())
        return link;
    return path;
}

bool PortChooserMenu::choose(int n, const QString &devicePath) {
    PortMap &map = port.portMap();
    if (map.isOverridden(n)) return false;
    const QString path = rememberedName(PortMap::fullPath(devicePath));
    PortMap trial = map;
    trial.setChoice(n, path);
    trial.notePorts(listPorts());
    if (const QString refusal = clash(n, trial); !refusal.isEmpty()) {
        host.showMessage(refusal);
        return false;
    }
    map = trial;
    preferences.setPortChoice(n, path);
    const QString now = map.path(n);
    for (int k : {1, 2})
        menus[k - 1]->setTitle(title(k));
    if (port.isOpen() && port.ComNumber() == n && !PortMap::sameDevice(port.devicePath(), now)) {
        host.showMessage(tr("Note: COM %1 is now %2. The link stays on %3 until the next search "
                            "(Serial Port->Search for Kestrix(s)).")
                             .arg(n)
                             .arg(now, port.devicePath()));
        return true;
    }
    if (!path.isEmpty() && path != PortMap::fullPath(devicePath))
        host.setStatusText(tr("COM %1 is now %2 (the adapter now at %3; the name stays with it when it is "
                              "plugged in again).")
                               .arg(n)
                               .arg(now, PortMap::fullPath(devicePath)));
    else
        host.setStatusText(tr("COM %1 is now %2.").arg(n).arg(now));
    return true;
}

QString PortChooserMenu::otherDeviceProblem(int n, const QString &typedPath) const {
    const QString path = PortMap::fullPath(typedPath.trimmed());
    if (path.isEmpty()) return tr("Type the path of the serial device for COM %1.").arg(n);
    PortMap trial = port.portMap();
    trial.setChoice(n, path);
    if (const QString refusal = clash(n, trial); !refusal.isEmpty()) return refusal;
    // The device the link has open is a serial device; trying to open it again would only find it busy.
    if (port.isOpen() && PortMap::sameDevice(path, port.devicePath())) return {};
    const QString problem = TApdComPort::openProblem(path);
    if (problem.isEmpty()) return {};
    return tr("Error! %1 cannot be COM %2: %3. COM %2 stays %4.")
        .arg(path)
        .arg(n)
        .arg(problem, port.portMap().path(n));
}

QWidget *PortChooserMenu::window() const {
    // The menus are pop-ups of their own; the window is the one their menu bar is in.
    QWidget *w = &comPortMenu;
    while (qobject_cast<QMenu *>(w) && w->parentWidget())
        w = w->parentWidget();
    return w->window();
}

void PortChooserMenu::askOtherDevice(int n) {
    if (port.portMap().isOverridden(n)) return;
    if (dialog) {
        dialog->raise();
        dialog->activateWindow();
        return;
    }
    dialog = new QDialog(window());
    dialog->setObjectName(QStringLiteral("OtherDeviceDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("COM %1 device").arg(n));
    auto *layout = new QVBoxLayout(dialog);
    // The wrapped texts keep their lines whole: the dialog grows with them (the problem shown later).
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    auto *caption = new QLabel(tr("&Path of the serial device for COM %1:").arg(n), dialog);
    auto *field = new QLineEdit(dialog);
    field->setObjectName(QStringLiteral("OtherDevicePathEdit"));
    field->setAccessibleName(tr("Path of the serial device for COM %1").arg(n));
    field->setMinimumWidth(420);
    caption->setBuddy(field);
#ifdef Q_OS_WIN
    QString examples = tr("For example \\\\.\\COM5.");
#else
    QString examples = tr("For example /dev/ttyUSB0, a link under /dev/serial/by-id (it stays with "
                          "the adapter when it is plugged in again), or a pseudo-terminal such as "
                          "/dev/pts/3. The device is checked before it is taken.");
#endif
    examples +=
        tr(" A device behind a network serial server is rfc2217://HOST:PORT (the program sets its line) "
           "or tcp://HOST:PORT (the server's own settings).");
    auto *hint = new QLabel(examples, dialog);
    hint->setWordWrap(true);
    auto *problem = new QLabel(dialog);
    problem->setObjectName(QStringLiteral("OtherDeviceProblemLabel"));
    problem->setWordWrap(true);
    problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problem->setStyleSheet(QStringLiteral("color: #b00000;"));
    problem->hide();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OtherDeviceOkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("OtherDeviceCancelButton"));
    layout->addWidget(caption);
    layout->addWidget(field);
    layout->addWidget(hint);
    layout->addWidget(problem);
    layout->addWidget(buttons);

    // The device in force, ready to be typed over or edited.
    field->setText(port.portMap().path(n));
    field->selectAll();
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, n, field, problem] {
        const QString why = otherDeviceProblem(n, field->text());
        if (why.isEmpty() && choose(n, field->text().trimmed())) {
            dialog->accept();
            return;
        }
        // Nothing taken: the path stays for the user to correct.
        problem->setText(why.isEmpty() ? tr("Error! COM %1 cannot be changed now.").arg(n) : why);
        problem->show();
        dialog->adjustSize();
        field->setFocus();
        field->selectAll();
    });
    dialog->open();
}
