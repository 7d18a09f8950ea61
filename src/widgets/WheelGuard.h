// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QWidget;

// Drop-down lists and spin boxes take the wheel only while they have the focus: a wheel turned to scroll
// the page, or over a control the pointer only passes, must not change a setting. The wheel goes on to
// the control around it (a page that scrolls still scrolls), and no longer gives the control the focus.
class WheelGuard : public QObject {
    Q_OBJECT
public:
    // Guards every drop-down list and spin box under root, as it is now.
    static void apply(QWidget *root);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
