// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QTabWidget;

// A click on another tab leaves the control that has the focus on the current page before the page
// changes, so that its exit check runs while it can still be seen. When the check keeps the user in
// the control (its text is not valid), the page does not change.
class PageSwitchGuard : public QObject {
    Q_OBJECT
public:
    // Guards the tab bar of each of these page controls.
    static void apply(const QList<QTabWidget *> &pageControls);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
