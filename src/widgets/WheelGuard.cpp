// SPDX-License-Identifier: GPL-3.0-or-later
#include "WheelGuard.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QWidget>

void WheelGuard::apply(QWidget *root) {
    auto *guard = new WheelGuard(root);
    QList<QWidget *> guarded;
    for (QComboBox *list : root->findChildren<QComboBox *>())
        guarded.append(list);
    for (QAbstractSpinBox *box : root->findChildren<QAbstractSpinBox *>())
        guarded.append(box);
    for (QWidget *w : guarded) {
        w->setFocusPolicy(Qt::StrongFocus); // click and Tab, not the wheel
        w->installEventFilter(guard);
    }
}

bool WheelGuard::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Wheel && !static_cast<QWidget *>(watched)->hasFocus()) {
        event->ignore(); // passed on to the parent
        return true;
    }
    return QObject::eventFilter(watched, event);
}
