#include "MainMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

enum Flag { Enabled = 0, Disabled = 1, Checkable = 2, Checked = 4 | Checkable, SeparatorBefore = 8 };

struct MenuItem {
    const char *path; // menus from the bar down, separated by '|'
    const char *caption;
    const char *name;
    int flags;
};

// The whole menu bar in display order. "&&" shows one ampersand.
const MenuItem kMenuItems[] = {
    {"File", "Open Configuration File", "OpenConfigurationFile1", Enabled},
    {"File", "Save Configuration to File", "SaveConfigurationtoFile1", Enabled},
    {"File", "Send Current Settings to Kestrix(s)", "SendCurrentSettingstoKestrixs1", Disabled},
    {"File", "Exit", "Exit1", Enabled},
    {"Serial Port|Settings (Adv users only)|COM Port", "Search (COM 1 && COM 2)", "SearchCOM1COM21", Checked},
    {"Serial Port|Settings (Adv users only)|Baud", "Default values", "Defaultvalues1", Checked},
    {"Serial Port|Settings (Adv users only)|Baud", "9600", "N9600", Checkable | SeparatorBefore},
    {"Serial Port|Settings (Adv users only)|Baud", "19200", "N19200", Checkable},
    {"Serial Port|Settings (Adv users only)|Baud", "38400", "N38400", Checkable},
    {"Serial Port|Settings (Adv users only)|Baud", "57600", "N57600", Checkable},
    {"Serial Port|Settings (Adv users only)|Parity", "None", "ParityNone", Checked},
    {"Serial Port|Settings (Adv users only)|Parity", "Odd", "ParityOdd", Checkable},
    {"Serial Port|Settings (Adv users only)|Parity", "Even", "ParityEven", Checkable},
    {"Serial Port|Settings (Adv users only)|Parity", "Mark", "ParityMark", Checkable},
    {"Serial Port|Settings (Adv users only)|Parity", "Space", "ParitySpace", Checkable},
    {"Serial Port|Search for Kestrix(s) ...", "Search....", "SearchAll", Enabled},
    {"Serial Port|Search for Kestrix(s) ...", "Kestrix(s) connected to Controller",
     "KestrixconnectedthruController1", SeparatorBefore},
    {"Serial Port|Search for Kestrix(s) ...", "Kestrix connected to Serial Port directly",
     "KestrixconnectedtoSerialPortdirectly1", Enabled},
    {"Serial Port", "Read from Kestrix(s) ...", "ReadfromKestrixs1", Disabled},
    {"Serial Port", "Disconnect Serial Communication", "DisconnectSerialCo1", SeparatorBefore},
    {"Help", "Help with Lumivane Serial connection", "HelpwithLumivaneSerialconnection1", Enabled},
    {"Help", "About...", "About1", Enabled},
};

// Names of the menus that handlers switch off as a whole.
QString menuName(const QString &caption) {
    if (caption == QLatin1String("File")) return QStringLiteral("File1");
    if (caption == QLatin1String("Serial Port")) return QStringLiteral("Search1");
    return {};
}

} // namespace

MainMenu::MainMenu(QMenuBar *bar) : QObject(bar) {
    QHash<QString, QMenu *> menus;
    auto menuFor = [&](const QString &path) {
        QString sofar;
        QMenu *menu = nullptr;
        for (const QString &caption : path.split(QLatin1Char('|'))) {
            sofar += QLatin1Char('|') + caption;
            QMenu *&slot = menus[sofar];
            if (!slot) {
                slot = menu ? menu->addMenu(caption) : bar->addMenu(caption);
                slot->setObjectName(menuName(caption));
            }
            menu = slot;
        }
        return menu;
    };

    for (const MenuItem &item : kMenuItems) {
        QMenu *menu = menuFor(QString::fromLatin1(item.path));
        if (item.flags & SeparatorBefore) menu->addSeparator();
        QAction *action = menu->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setEnabled(!(item.flags & Disabled));
        action->setCheckable(item.flags & Checkable);
        action->setChecked((item.flags & Checked) == Checked);
        actions.insert(action->objectName(), action);
    }
}

QAction *MainMenu::action(const QString &objectName) const {
    return actions.value(objectName);
}

QList<QAction *> MainMenu::baudActions() const {
    QList<QAction *> list;
    for (const char *name : {"Defaultvalues1", "N9600", "N19200", "N38400", "N57600"})
        list.append(action(QString::fromLatin1(name)));
    return list;
}

QList<QAction *> MainMenu::parityActions() const {
    QList<QAction *> list;
    for (const char *name : {"ParityNone", "ParityOdd", "ParityEven", "ParityMark", "ParitySpace"})
        list.append(action(QString::fromLatin1(name)));
    return list;
}
