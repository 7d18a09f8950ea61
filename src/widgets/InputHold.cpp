// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputHold.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {
bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return true;
    default:
        return false;
    }
}
} // namespace

InputHold::InputHold(QWidget *widget) {
    QWidget *top = widget ? widget->window() : nullptr;
    window = top ? top->windowHandle() : nullptr;
    if (window) QCoreApplication::instance()->installEventFilter(this);
}

InputHold::~InputHold() {
    QCoreApplication::instance()->removeEventFilter(this);
    if (!window) return; // closed meanwhile: nothing left to give them to
    // Posted: they reach the window after whatever is being handled now (the press that moved the
    // focus), as they would have.
    for (auto &event : held)
        QCoreApplication::postEvent(window, event.release());
}

bool InputHold::eventFilter(QObject *watched, QEvent *event) {
    // What the window system hands the window: the input as the user made it, before Qt passes it on to
    // a control.
    if (watched != window || !event->spontaneous() || !isUserInput(event->type())) return false;
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return false;
    held.emplace_back(event->clone());
    return true;
}
