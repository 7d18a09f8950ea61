// SPDX-License-Identifier: GPL-3.0-or-later
#include "OverlapWidthControl.h"

#include "BusyScope.h"
#include "FieldBaseline.h"
#include "InputHold.h"

#include "Host.h"
#include "PlanningMath.h"
#include "PlanningPeers.h"
#include "SettingRanges.h"
#include "SpinButton.h"
#include "WindowState.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <cmath>

OverlapWidthControl::OverlapWidthControl(WindowState &state, Host &host, PlanningPeers &peers,
                                         QLineEdit *planningEdit, SpinButton *planningUpDown, Hooks hooks,
                                         QObject *parent)
    : QObject(parent), state(state), host(host), peers(peers), planning(planningEdit),
      planningSent(new FieldBaseline(planningEdit)), hooks(std::move(hooks)) {
    planning->installEventFilter(this);
    connect(planningUpDown, &SpinButton::upClick, this, &OverlapWidthControl::OWidthUpDownUpClick);
    connect(planningUpDown, &SpinButton::downClick, this, &OverlapWidthControl::OWidthUpDownDownClick);
}

// Both spin buttons step the one overlap.
void OverlapWidthControl::shareWith(QLineEdit *deviceEdit, SpinButton *deviceUpDown,
                                    std::function<void()> enterMoves) {
    device = deviceEdit;
    deviceSent = new FieldBaseline(deviceEdit);
    enterMovesOn = std::move(enterMoves);
    device->installEventFilter(this);
    connect(deviceUpDown, &SpinButton::upClick, this, &OverlapWidthControl::OWidthUpDownUpClick);
    connect(deviceUpDown, &SpinButton::downClick, this, &OverlapWidthControl::OWidthUpDownDownClick);
}

QString OverlapWidthControl::text() const {
    return device->text();
}

void OverlapWidthControl::setText(const QString &text) {
    device->setText(text);
}

QString OverlapWidthControl::planningText() const {
    return planning->text();
}

void OverlapWidthControl::setPlanningText(const QString &text) {
    planning->setText(text);
}

// The overlap's limits: the table's, the upper one narrowed to half the projector width in use.
int OverlapWidthControl::lowest() const {
    return int(SettingRanges::OverlapWidth.lower);
}

int OverlapWidthControl::highest() const {
    return qMin(int(SettingRanges::OverlapWidth.upper), state.MaxOverlapWidth);
}

void OverlapWidthControl::show(int overlap) {
    device->setText(QString::number(overlap));
    planning->setText(QString::number(overlap));
}

bool OverlapWidthControl::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::FocusOut) {
        // Leaving the field, not the window: a message box or a menu taking the focus away is no exit,
        // and neither is the focus loss of the field disabled under the user (while a command is sent).
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        auto *field = static_cast<QWidget *>(watched);
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && field->isEnabled()) {
            // A field left as the devices have it sends nothing; otherwise the click or key that left
            // it is held while the overlap goes out, and reaches its control after.
            if (watched == planning && (planningSent->changed() || layoutChanged())) {
                InputHold hold(field);
                OWidthPlanningEditExit();
            } else if (watched == device && (deviceSent->changed() || layoutChanged())) {
                InputHold hold(field);
                OWidthEditExit();
            }
        }
    } else if (event->type() == QEvent::KeyPress && (watched == device || watched == planning)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == device && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (enterMovesOn) enterMovesOn();
            return true;
        }
        // Up and Down are the spin button's halves, for the keyboard.
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (watched == planning) deviceSent->rewrite(planning->text());
            step(key->key() == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// Back to the field the user is on: the Planning page's or the Display Setup page's, whichever is shown.
void OverlapWidthControl::focusOverlapField() {
    for (QLineEdit *field : {planning, device})
        if (field->isVisible()) field->setFocus();
}

bool OverlapWidthControl::layoutChanged() const {
    return alignmentSent >= 0 && hooks.alignment && hooks.alignment() != alignmentSent;
}

void OverlapWidthControl::OWidthEditExit() {
    if (exitSends()) {
        deviceSent->sent();
        planningSent->sent();
        alignmentSent = hooks.alignment();
    }
}

bool OverlapWidthControl::exitSends() {
    QLineEdit *edit = device;
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok) {
        state.MessageText = QStringLiteral("Error! '%1' is not a valid Overlap Width.").arg(edit->text());
        host.showMessage(state.MessageText);
        focusOverlapField();
        return false;
    }
    if (value < lowest() || value > highest()) {
        state.MessageText = QStringLiteral("Error! Overlap Width value out of bounds! ");
        host.showMessage(state.MessageText);
        showOverlapInForce();
        focusOverlapField();
        return false;
    }
    if (state.OverlapPixels > 0 && value > state.OverlapPixels) {
        showOverlapInForce();
        state.MessageText =
            QStringLiteral("Error! Overlap area cannot exceed %1. If more overlap is desired, "
                           "increase the # of screens")
                .arg(planning::formatNumber(state.OverlapPixels));
        host.showMessage(state.MessageText);
        return false;
    }
    const bool sends = !state.Refreshing && peers.linkActive() && state.OverlapPixels > 0;
    if (sends) {
        peers.sendDisplayLayout(1, hooks.alignment(), value);
        if (state.DeviceCount > 1) peers.sendDisplayLayout(2, hooks.alignment(), value);
    }
    // The first drawing recomputes the image width from the new overlap; the second pass brings the
    // aspect ratio and the drawings in line with it.
    hooks.recomputeAspect();
    hooks.drawPlanning();
    hooks.recomputeAspect();
    hooks.drawPlanning();
    planningSent->rewrite(edit->text());
    hooks.writeNotes();
    return sends;
}

// The overlap the slices and drawings were last worked out with: the one last accepted or planned, and
// while linked the one the devices hold.
void OverlapWidthControl::showOverlapInForce() {
    show(int(std::trunc(state.OverlapEditValue)));
}

void OverlapWidthControl::OWidthPlanningEditExit() {
    deviceSent->rewrite(planning->text());
    OWidthEditExit();
}

void OverlapWidthControl::step(int delta) {
    BusyScope busy(state.CommandBusy);
    if (!busy) return;
    bool ok = false;
    const int value = device->text().trimmed().toInt(&ok);
    const bool inRange =
        delta > 0 ? value >= lowest() && value < highest() : value > lowest() && value <= highest();
    if (ok && inRange) {
        // Shown for the user: the devices have the step once it is sent.
        deviceSent->rewrite(QString::number(value + delta));
        planningSent->rewrite(QString::number(value + delta));
        OWidthEditExit();
    }
}

void OverlapWidthControl::OWidthUpDownUpClick() {
    step(+1);
}

void OverlapWidthControl::OWidthUpDownDownClick() {
    step(-1);
}
