// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldEditor.h"

#include "CommandSet.h"
#include "FieldBaseline.h"
#include "FieldEditors.h"
#include "Host.h"
#include "InputHold.h"
#include "ModelAccessors.h"
#include "SpinButton.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

FieldEditor::FieldEditor(FieldEditors &group, const FieldRow &row, QLineEdit *edit, SpinButton *spin)
    : QObject(edit), group(group), fieldRow(row), lineEdit(edit), spinButton(spin),
      baseline(new FieldBaseline(edit)) {
    edit->installEventFilter(this);
    edit->setAccessibleName(accessibleName(row));
    edit->setToolTip(rangeToolTip(row));
    if (spin) {
        spin->setAccessibleName(accessibleName(row) + QStringLiteral(" up/down"));
        spin->setToolTip(rangeToolTip(row));
        spin->setRepeatInterval(row.spinInterval);
        connect(spin, &SpinButton::upClick, this, &FieldEditor::UpDownUpClick);
        connect(spin, &SpinButton::downClick, this, &FieldEditor::UpDownDownClick);
    }
}

int FieldEditor::screen() const {
    return fieldRow.screen ? fieldRow.screen : group.selectedScreen();
}

bool FieldEditor::parse(FieldKind kind, const QString &text, double &value) {
    static const QRegularExpression integer(QStringLiteral("^[+-]?\\d+$"));
    static const QRegularExpression decimal(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    const QString t = text.trimmed();
    if (!(kind == FieldKind::Integer ? integer : decimal).match(t).hasMatch()) return false;
    bool ok = false;
    if (kind == FieldKind::Integer) {
        value = t.toInt(&ok); // fails on overflow
        return ok;
    }
    value = QLocale::c().toDouble(t, &ok);
    return ok;
}

double FieldEditor::sentValue(double value) {
    return sentText(value).toDouble();
}

// Written the way the command writes it, so that the field, the model and the wire agree digit for digit
// (a half-way value rounds as the command's own formatting rounds it).
QString FieldEditor::sentText(double value) {
    QString text = QString::asprintf("%.1f", value);
    if (text == QLatin1String("-0.0")) text = QStringLiteral("0.0");
    return text;
}

FieldBaseline *FieldEditor::partnerBaseline() const {
    if (!fieldRow.isPair()) return nullptr;
    FieldEditor *partner = group.editor(fieldRow.partner);
    return partner ? partner->baseline : nullptr;
}

bool FieldEditor::changed() const {
    if (baseline->changed()) return true;
    FieldBaseline *other = partnerBaseline();
    return other && other->changed();
}

void FieldEditor::sent() {
    baseline->sent();
    if (FieldBaseline *other = partnerBaseline()) other->sent();
}

FieldEditor::Check FieldEditor::check(double &value) {
    const FieldFamily &f = family();
    const QString text = lineEdit->text();
    if (f.emptyAllowed && text.trimmed().isEmpty()) return Check::Empty;
    if (!parse(f.kind, text, value)) {
        showMessage(QStringLiteral("Error! '") + text +
                    (fieldRow.nounOverride.isEmpty() ? f.noun : fieldRow.nounOverride));
        focusBack();
        return Check::Invalid;
    }
    double lower = 0, upper = 0;
    group.range(f, lower, upper);
    if (value < lower || value > upper) {
        showMessage(f.outOfRange + group.rangeLabel(f));
        if (f.restores) group.restore(*this);
        focusBack();
        return Check::Invalid;
    }
    return Check::Valid;
}

bool FieldEditor::validate(double &value) {
    return check(value) == Check::Valid;
}

bool FieldEditor::EditExit() {
    if (fieldRow.isPair() && !fieldRow.pairWidth) {
        if (FieldEditor *width = group.editor(fieldRow.partner)) return width->EditExit();
        return false;
    }
    double value = 0;
    const Check own = check(value);
    if (own == Check::Invalid) return false;
    if (own == Check::Empty) return true;
    double offset = 0;
    if (fieldRow.isPair()) {
        FieldEditor *partner = group.editor(fieldRow.partner);
        if (!partner || partner->check(offset) != Check::Valid) return false;
    }
    if (family().kind == FieldKind::Decimal) {
        // The device takes one decimal: the field shows, and the model keeps, the value it gets.
        const double onWire = sentValue(value);
        if (onWire != value) baseline->rewrite(sentText(onWire));
        value = onWire;
    }
    const PageContext &ctx = group.context();
    const bool linked = !ctx.state.Refreshing && ctx.LinkActive();
    if (!family().sendsWhileIdle && !linked) return true;
    send(value, int(offset));
    // Not sent while the link is down: the next exit sends it.
    if (linked) sent();
    return true;
}

void FieldEditor::send(double value, int offset) {
    const int s = screen();
    auto sendTo = [&](int device, int channel) {
        group.send(FieldSend{fieldRow, s, device, channel, value, offset});
    };
    if (family().everyDevice)
        group.context().commands.ForEveryDevice([&](int d) { sendTo(d, ScreenChannel(s)); });
    else
        sendTo(ScreenDevice(s), ScreenChannel(s));
}

void FieldEditor::step(int direction) {
    BusyScope busy(group.context().state.CommandBusy);
    if (!busy) return;
    const FieldFamily &f = family();
    double value = 0;
    if (f.emptyAllowed && lineEdit->text().trimmed().isEmpty()) {
        value = f.emptySpinValue;
    } else if (!parse(f.kind, lineEdit->text(), value)) {
        showMessage(QStringLiteral("Error! '") + lineEdit->text() +
                    (fieldRow.nounOverride.isEmpty() ? f.noun : fieldRow.nounOverride));
        focusBack();
        return;
    }
    double lower = 0, upper = 0;
    group.range(f, lower, upper);
    const double step = f.kind == FieldKind::Integer ? 1.0 : 0.1;
    // At or beyond a limit nothing changes: no clamping and no wrap-around.
    if (direction > 0 ? !(lower <= value && value < upper) : !(lower < value && value <= upper)) return;
    value += direction * step;
    baseline->rewrite(f.kind == FieldKind::Integer ? QString::number(qRound(value)) : sentText(value));
    EditExit();
}

void FieldEditor::showMessage(const QString &text) {
    FieldEditors::messageOpen = true;
    group.context().host.showMessage(text);
    FieldEditors::messageOpen = false;
}

void FieldEditor::focusBack() {
    FieldEditors::refocusing = true;
    lineEdit->setFocus(Qt::OtherFocusReason);
    FieldEditors::refocusing = false;
}

QWidget *FieldEditor::enterTarget() const {
    QWidget *scope = group.scope();
    QString name = fieldRow.enter;
    const QString pattern = QStringLiteral("TestPattern%1ComboBox").arg(fieldRow.screen);
    if (name == kEnterRightWidthOrPattern) {
        auto *right = scope->findChild<QWidget *>(edgeNames(fieldRow.screen, 'R').width);
        name = right && right->isVisibleTo(scope) ? right->objectName() : pattern;
    } else if (name == kEnterTestPattern) {
        name = pattern;
    }
    return scope->findChild<QWidget *>(name);
}

bool FieldEditor::EditKeyPress(QChar key) {
    if (key != QChar(13)) return false;
    if (QWidget *target = enterTarget()) target->setFocus(Qt::TabFocusReason);
    return true;
}

bool FieldEditor::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lineEdit) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) return EditKeyPress(QChar(13));
            // Up and Down are the spin button's halves, for the keyboard.
            const bool arrow = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down;
            if (arrow && spinButton && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                if (spinButton->isEnabled()) step(key->key() == Qt::Key_Up ? +1 : -1);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Switching to another window or opening a menu is not leaving the field, and neither is
            // the focus loss of a field disabled under the user (the pages while a command is sent).
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            const bool leaves = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                                reason != Qt::MenuBarFocusReason && lineEdit->isEnabled();
            // A field left as the devices have it sends nothing. Otherwise the click or key that moved
            // the focus is held while the value goes out, and reaches the control it was meant for after.
            if (leaves && !FieldEditors::quiet() && changed()) {
                InputHold hold(lineEdit);
                EditExit();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
