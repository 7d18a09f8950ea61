// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class MainMenu;
class QUndoView;
class QWidget;
class UndoRecorder;

// The Edit menu's items (Undo, Redo, Revert to Last Read, the undo history) wired to the recorder,
// and the small window with the history view.
//
// Ctrl+Z and Ctrl+Shift+Z are the window's wherever the focus is, except in an edit field that has
// typing of its own to take back: a field that was left, or filled by the program, has none, and the
// keys undo and redo the adjustments on the devices.
class EditMenu : public QObject {
    Q_OBJECT
public:
    EditMenu(MainMenu &menu, UndoRecorder &recorder, QWidget &window);

    // Created on first use.
    QWidget *historyWindow();
    QUndoView *historyView();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showHistory();

    UndoRecorder &recorder;
    QWidget &window;
    QWidget *history = nullptr;
    QUndoView *view = nullptr;
};
