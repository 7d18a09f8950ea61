#include "PortChooserMenu.h"

#include "Host.h"
#include "Preferences.h"
#include "TApdComPort.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

PortChooserMenu::PortChooserMenu(const Parts &parts, QObject *parent)
    : QObject(parent), port(parts.port), preferences(parts.preferences), host(parts.host),
      lister(parts.listPorts) {
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
    return tr("COM %1 device: %2").arg(n).arg(port.portMap().path(n));
}

void PortChooserMenu::fill(int n) {
    QMenu *menu = menus[n - 1];
    menu->clear();
    const QList<SerialPortRecord> ports = listPorts();
    PortMap &map = port.portMap();
    map.notePorts(ports);
    const bool fixed = map.isOverridden(n);
    const QString current = map.path(n);
    const bool chosen = map.origin(n) == PortMap::Origin::Chosen;

    if (fixed) {
        QAction *note = menu->addAction(tr("Given with --com%1 for this run").arg(n));
        note->setEnabled(false);
    }
    auto *group = new QActionGroup(menu);
    auto addDevice = [&](const QString &text, const QString &path) {
        QAction *item = menu->addAction(text);
        item->setObjectName(QStringLiteral("ComPort%1DeviceItem").arg(n));
        item->setData(path);
        item->setCheckable(true);
        item->setChecked(chosen || fixed ? path == current : false);
        item->setEnabled(!fixed);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, n, path] { choose(n, path); });
    };
    bool listed = false;
    for (const SerialPortRecord &record : ports) {
        addDevice(record.label(), record.path);
        listed = listed || record.path == current;
    }
    // A remembered or given device that is not plugged in now still shows, as the one in force.
    if ((chosen || fixed) && !listed)
        addDevice(tr("%1 (not found on this machine now)").arg(current), current);
    if (ports.isEmpty()) {
        QAction *none =
            menu->addAction(tr("No serial ports found (plug in the adapter, then open this menu again)"));
        none->setEnabled(false);
    }

    menu->addSeparator();
    const QString automatic = n == 1 ? tr("Automatic: the USB adapter when only one is plugged in, else %1")
                                           .arg(PortMap::defaultPath(1))
                                     : tr("Standard: %1").arg(PortMap::defaultPath(n));
    QAction *back = menu->addAction(automatic);
    back->setObjectName(QStringLiteral("ComPort%1AutomaticItem").arg(n));
    back->setCheckable(true);
    back->setChecked(!chosen && !fixed);
    back->setEnabled(!fixed);
    group->addAction(back);
    connect(back, &QAction::triggered, this, [this, n] { choose(n, QString()); });
}

void PortChooserMenu::choose(int n, const QString &devicePath) {
    PortMap &map = port.portMap();
    if (map.isOverridden(n)) return;
    map.setChoice(n, devicePath);
    preferences.setPortChoice(n, devicePath);
    if (devicePath.isEmpty()) refreshPorts();
    const QString now = map.path(n);
    menus[n - 1]->setTitle(title(n));
    if (port.isOpen() && port.ComNumber() == n && port.devicePath() != now) {
        host.showMessage(tr("Note: COM %1 is now %2. The link stays on %3 until the next search "
                            "(Serial Port->Search for Kestrix(s)).")
                             .arg(n)
                             .arg(now, port.devicePath()));
        return;
    }
    host.setStatusText(tr("COM %1 is now %2.").arg(n).arg(now));
}
