// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

enum Flag { Enabled = 0, Disabled = 1, Checkable = 2, Checked = 4 | Checkable, SeparatorBefore = 8 };

struct MenuItem {
    const char *path; // menus from the bar down, separated by '|'
    const char *caption;
    const char *name;
    int flags;
    char mnemonic = 0; // the letter Alt (or the open menu) takes to the item; underlined in the caption
};

// The letters of the menus themselves (Alt+F opens File).
struct MenuMnemonic {
    const char *caption;
    char mnemonic;
};
const MenuMnemonic kMenuMnemonics[] = {
    {"File", 'F'},
    {"Edit", 'E'},
    {"Serial Port", 'S'},
    {"Help", 'H'},
    {"Settings (Adv users only)", 'A'},
    {"COM Port", 'C'},
    {"Baud", 'B'},
    {"Parity", 'P'},
    {"Search for Kestrix(s) ...", 'S'},
};

// The caption with an ampersand before the first occurrence of the letter (either case), so that the
// text shown stays the caption and the letter is underlined.
QString withMnemonic(const QString &caption, char letter) {
    if (!letter) return caption;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) { // "&&" shows one ampersand: skip it whole
            ++i;
            continue;
        }
        if (caption.at(i).toUpper() == QChar::fromLatin1(letter).toUpper())
            return caption.left(i) + QLatin1Char('&') + caption.mid(i);
    }
    return caption;
}

char menuMnemonic(const QString &caption) {
    for (const MenuMnemonic &m : kMenuMnemonics)
        if (caption == QLatin1String(m.caption)) return m.mnemonic;
    return 0;
}

// The whole menu bar in display order. "&&" shows one ampersand.
const MenuItem kMenuItems[] = {
    {"File", "Open Configuration File", "OpenConfigurationFile1", Enabled, 'O'},
    {"File", "Save Configuration to File", "SaveConfigurationtoFile1", Enabled, 'S'},
    {"File", "Send Current Settings to Kestrix(s)", "SendCurrentSettingstoKestrixs1", Disabled, 'd'},
    {"File", "Compare with Kestrix(s)…", "CompareWithKestrixs1", Disabled, 'C'},
    {"File", "Export Commissioning Report…", "ExportCommissioningReport1", Enabled, 'E'},
    {"File", "Exit", "Exit1", Enabled, 'x'},
    {"Edit", "Undo", "Undo1", Disabled, 'U'},
    {"Edit", "Redo", "Redo1", Disabled, 'R'},
    {"Edit", "Revert to Last Read", "RevertToLastRead1", SeparatorBefore, 'L'},
    {"Edit", "Undo History...", "UndoHistory1", SeparatorBefore, 'H'},
    {"Serial Port|Settings (Adv users only)|COM Port", "Search (COM 1 && COM 2)", "SearchCOM1COM21", Checked,
     'S'},
    {"Serial Port|Settings (Adv users only)|Baud", "Default values", "Defaultvalues1", Checked, 'D'},
    {"Serial Port|Settings (Adv users only)|Baud", "9600", "N9600", Checkable | SeparatorBefore, '9'},
    {"Serial Port|Settings (Adv users only)|Baud", "19200", "N19200", Checkable, '1'},
    {"Serial Port|Settings (Adv users only)|Baud", "38400", "N38400", Checkable, '3'},
    {"Serial Port|Settings (Adv users only)|Baud", "57600", "N57600", Checkable, '5'},
    {"Serial Port|Settings (Adv users only)|Parity", "None", "ParityNone", Checked, 'N'},
    {"Serial Port|Settings (Adv users only)|Parity", "Odd", "ParityOdd", Checkable, 'O'},
    {"Serial Port|Settings (Adv users only)|Parity", "Even", "ParityEven", Checkable, 'E'},
    {"Serial Port|Settings (Adv users only)|Parity", "Mark", "ParityMark", Checkable, 'M'},
    {"Serial Port|Settings (Adv users only)|Parity", "Space", "ParitySpace", Checkable, 'S'},
    {"Serial Port|Search for Kestrix(s) ...", "Search....", "SearchAll", Enabled, 'S'},
    {"Serial Port|Search for Kestrix(s) ...", "Kestrix(s) connected to Controller",
     "KestrixconnectedthruController1", SeparatorBefore, 'C'},
    {"Serial Port|Search for Kestrix(s) ...", "Kestrix connected to Serial Port directly",
     "KestrixconnectedtoSerialPortdirectly1", Enabled, 'D'},
    {"Serial Port", "Read from Kestrix(s) ...", "ReadfromKestrixs1", Disabled, 'R'},
    {"Serial Port", "Disconnect Serial Communication", "DisconnectSerialCo1", SeparatorBefore, 'D'},
    {"Help", "Help with Lumivane Serial connection", "HelpwithLumivaneSerialconnection1", Enabled, 'H'},
    {"Help", "About...", "About1", Enabled, 'A'},
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
                const QString shown = withMnemonic(caption, menuMnemonic(caption));
                slot = menu ? menu->addMenu(shown) : bar->addMenu(shown);
                slot->setObjectName(menuName(caption));
            }
            menu = slot;
        }
        return menu;
    };

    for (const MenuItem &item : kMenuItems) {
        QMenu *menu = menuFor(QString::fromLatin1(item.path));
        if (item.flags & SeparatorBefore) menu->addSeparator();
        QAction *action = menu->addAction(withMnemonic(QString::fromUtf8(item.caption), item.mnemonic));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setEnabled(!(item.flags & Disabled));
        action->setCheckable(item.flags & Checkable);
        action->setChecked((item.flags & Checked) == Checked);
        actions.insert(action->objectName(), action);
    }
    // The usual shortcuts; the menus show them beside the items.
    action(QStringLiteral("OpenConfigurationFile1"))->setShortcut(QKeySequence::Open);
    action(QStringLiteral("SaveConfigurationtoFile1"))->setShortcut(QKeySequence::Save);
    action(QStringLiteral("Exit1"))->setShortcut(QKeySequence::Quit);
    action(QStringLiteral("Undo1"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    action(QStringLiteral("Redo1"))->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
}

QAction *MainMenu::action(const QString &objectName) const {
    return actions.value(objectName);
}

QMenu *MainMenu::menuHolding(const QString &actionName) const {
    const QAction *item = action(actionName);
    if (!item) return nullptr;
    for (QObject *holder : item->associatedObjects())
        if (auto *menu = qobject_cast<QMenu *>(holder)) return menu;
    return nullptr;
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
