// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QWidget;
class QWindow;

// Keeps the user's clicks and keys for one window while the program does what the last of them asked
// for, and hands them on, in order, once it is done. A click on a control that takes the focus from a
// field first ends the field's editing, which may send a command; the pages are disabled while the
// device is waited for, and a button released over a disabled control (or a key pressed with no focus)
// would be lost. Held for the lifetime of the object; nothing is held while a dialog is up, since what
// the user does there belongs to the dialog and what the window would get Qt refuses anyway.
class InputHold : public QObject {
    Q_OBJECT
public:
    explicit InputHold(QWidget *window);
    ~InputHold() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWindow> window;
    std::vector<std::unique_ptr<QEvent>> held;
};
