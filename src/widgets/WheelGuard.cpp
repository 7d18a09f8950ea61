#include "WheelGuard.h"

#include <QComboBox>
#include <QEvent>
#include <QWidget>

void WheelGuard::apply(QWidget *root) {
    auto *guard = new WheelGuard(root);
    for (QComboBox *list : root->findChildren<QComboBox *>()) {
        list->setFocusPolicy(Qt::StrongFocus); // click and Tab, not the wheel
        list->installEventFilter(guard);
    }
}

bool WheelGuard::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Wheel && !static_cast<QWidget *>(watched)->hasFocus()) {
        event->ignore(); // passed on to the parent
        return true;
    }
    return QObject::eventFilter(watched, event);
}
