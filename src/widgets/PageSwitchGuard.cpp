// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageSwitchGuard.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>

void PageSwitchGuard::apply(const QList<QTabWidget *> &pageControls) {
    for (QTabWidget *pages : pageControls)
        pages->tabBar()->installEventFilter(new PageSwitchGuard(pages));
}

bool PageSwitchGuard::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
    auto *bar = static_cast<QTabBar *>(watched);
    auto *pages = static_cast<QTabWidget *>(parent());
    const auto *press = static_cast<QMouseEvent *>(event);
    const int tab = bar->tabAt(press->position().toPoint());
    QWidget *current = pages->currentWidget();
    QWidget *focus = QApplication::focusWidget();
    if (press->button() != Qt::LeftButton || tab < 0 || tab == pages->currentIndex() || !current || !focus ||
        !current->isAncestorOf(focus))
        return QObject::eventFilter(watched, event);
    // The control is left here; an exit check that gives the focus back keeps the page.
    bar->setFocus(Qt::MouseFocusReason);
    QWidget *after = QApplication::focusWidget();
    return after && current->isAncestorOf(after);
}
