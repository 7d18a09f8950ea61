// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;

// The main window's menu bar, built from one table of items (caption, name, start state). Items are
// found by their object name; the window connects each to its handler.
class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(QMenuBar *bar);

    QAction *action(const QString &objectName) const;
    // The menu an item of the table sits in (where the window adds items of its own beside it).
    QMenu *menuHolding(const QString &actionName) const;
    // The Baud and Parity items, in menu order, for the handlers that move the check mark.
    QList<QAction *> baudActions() const;
    QList<QAction *> parityActions() const;

private:
    QHash<QString, QAction *> actions;
};
