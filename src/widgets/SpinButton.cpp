// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpinButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace {
// Ticks that only count before the held half starts repeating.
constexpr int kCountedTicks = 3;
} // namespace

namespace {
// A screen reader meets the button as a spin box (it changes the value of the field beside it), named
// after that field by whoever pairs them.
QAccessibleInterface *spinButtonAccessible(const QString &className, QObject *object) {
    if (className == QLatin1String("SpinButton") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::SpinBox);
    return nullptr;
}
} // namespace

SpinButton::SpinButton(QWidget *parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(spinButtonAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // A coarse timer may fire up to 5% early; the repeat delay is part of how the button feels.
    repeat.setTimerType(Qt::PreciseTimer);
    repeat.setInterval(100);
    connect(&repeat, &QTimer::timeout, this, &SpinButton::tick);
}

void SpinButton::setRepeatInterval(int ms) {
    repeat.setInterval(ms);
}

SpinButton::Half SpinButton::halfAt(const QPoint &pos) const {
    if (!rect().contains(pos)) return None;
    return pos.y() < height() / 2 ? Up : Down;
}

void SpinButton::fire(Half half) {
    if (half == Up)
        emit upClick();
    else if (half == Down)
        emit downClick();
}

void SpinButton::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    pressed = halfAt(event->position().toPoint());
    ticks = 0;
    if (pressed != None) repeat.start();
    update();
}

void SpinButton::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || pressed == None) return;
    repeat.stop();
    const Half half = pressed;
    pressed = None;
    update();
    if (halfAt(event->position().toPoint()) == half) fire(half);
}

void SpinButton::tick() {
    // The field's step disables the page while it waits for the device, and a disabled widget gets no
    // release: a button found no longer held stops repeating.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        repeat.stop();
        pressed = None;
        update();
        return;
    }
    if (++ticks > kCountedTicks) fire(pressed);
}

void SpinButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const int h = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), h), QRect(0, h, width(), height() - h)};
    for (int i = 0; i < 2; ++i) {
        QStyleOption option;
        option.initFrom(this);
        option.rect = halves[i];
        if (pressed == (i == 0 ? Up : Down))
            option.state |= QStyle::State_Sunken;
        else
            option.state |= QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        option.rect = halves[i].adjusted(3, 2, -3, -2);
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &option,
                               &painter, this);
    }
}
