// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldEditors.h"

#include "CommandSet.h"
#include "SpinButton.h"

#include <QLineEdit>
#include <QWidget>

bool FieldEditors::messageOpen = false;
bool FieldEditors::refocusing = false;

FieldEditors::FieldEditors(const PageContext &context, QWidget *scope, QObject *parent)
    : QObject(parent), ctx(context), scopeWidget(scope) {}

QLineEdit *FieldEditors::createField(const QString &name, QWidget *parent) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (const FieldRow *row = findFieldRow(name)) {
        edit->setText(row->initialText);
        if (row->maxLength > 0) edit->setMaxLength(row->maxLength);
        // The range label is the field's hint; kept as a property, never shown as a tooltip.
        edit->setProperty("hint", fieldFamily(row->family).rangeLabel);
    }
    return edit;
}

SpinButton *FieldEditors::createSpin(const QString &fieldName, QWidget *parent) {
    auto *spin = new SpinButton(parent);
    if (const FieldRow *row = findFieldRow(fieldName)) {
        spin->setObjectName(row->spinName());
        spin->setRepeatInterval(row->spinInterval);
    }
    return spin;
}

int FieldEditors::bind(const QList<FamilyId> &families) {
    int bound = 0;
    for (const FieldRow &row : fieldRows()) {
        if (!families.contains(row.family) || editors.contains(row.name)) continue;
        auto *edit = scopeWidget->findChild<QLineEdit *>(row.name);
        if (!edit) continue;
        auto *spin = scopeWidget->findChild<SpinButton *>(row.spinName());
        editors.insert(row.name, new FieldEditor(*this, row, edit, spin));
        ++bound;
    }
    return bound;
}

void FieldEditors::setRestore(FamilyId family, std::function<void(int)> restore) {
    restores.insert(int(family), std::move(restore));
}

void FieldEditors::setSender(FamilyId family, FieldSender sender) {
    senders.insert(int(family), std::move(sender));
}

bool FieldEditors::EditExit(const QString &name) {
    FieldEditor *e = editor(name);
    return e && e->EditExit();
}

void FieldEditors::range(const FieldFamily &family, double &lower, double &upper) const {
    switch (family.rangeSource) {
    case RangeSource::Fixed:
        lower = family.lower;
        upper = family.upper;
        break;
    case RangeSource::FeatherWidth:
        lower = family.lower;
        // Half the projector width in use, never beyond the table's limit.
        upper = qMin(family.upper, double(maxOverlap ? maxOverlap() : int(ctx.state.ProjectorResH / 2)));
        break;
    case RangeSource::HPosition:
        lower = ctx.state.HPositionMin;
        upper = ctx.state.HPositionMax;
        break;
    case RangeSource::VPosition:
        lower = ctx.state.VPositionMin;
        upper = ctx.state.VPositionMax;
        break;
    }
}

QString FieldEditors::rangeLabel(const FieldFamily &family) const {
    if (family.rangeSource != RangeSource::HPosition) return family.rangeLabel;
    return QStringLiteral("(%1 - %2)").arg(ctx.state.HPositionMin).arg(ctx.state.HPositionMax);
}

void FieldEditors::restore(const FieldEditor &editor) {
    const auto it = restores.constFind(int(editor.row().family));
    if (it != restores.constEnd() && *it) (*it)(editor.screen());
}

void FieldEditors::send(const FieldSend &what) {
    const auto it = senders.constFind(int(what.row.family));
    if (it != senders.constEnd() && *it)
        (*it)(what);
    else
        builtInSend(what);
}

void FieldEditors::builtInSend(const FieldSend &w) {
    CommandSet &commands = ctx.commands;
    const int value = qRound(w.value);
    switch (w.row.family) {
    case FamilyId::BlackLevel:
        commands.SendBlackLevel(w.device, w.channel, value);
        break;
    case FamilyId::HaloWidth:
    case FamilyId::HaloOffset:
        commands.SendHalo(w.device, w.channel, w.row.edge, value, w.offset);
        break;
    case FamilyId::BridgeThreshold:
        commands.SendBridgeThreshold(w.device, value);
        break;
    case FamilyId::OverallLevel:
    case FamilyId::ColourLevel:
        if (w.row.name.contains(QLatin1String("Contrast")))
            commands.SendInputContrast(w.device, w.channel, w.row.colour, w.value);
        else
            commands.SendInputBrightness(w.device, w.channel, w.row.colour, w.value);
        break;
    case FamilyId::HPosition:
        commands.SendInputHPosition(w.device, w.channel, value);
        break;
    case FamilyId::VPosition:
        commands.SendInputVPosition(w.device, w.channel, value);
        break;
    case FamilyId::Phase:
        commands.SendInputPhase(w.device, w.channel, value);
        break;
    default:
        // Edge, basic gamma and seam gain fields are sent by their page (setSender).
        qWarning("no sender for field %s", qPrintable(w.row.name));
        break;
    }
}
