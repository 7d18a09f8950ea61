// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceSetting.h"

#include "DeviceModel.h"
#include "SettingCatalogue.h"

#include <array>
#include <cmath>

using Cmd = CommandSet::Cmd;
using SettingCatalogue::normalised;

namespace {

// The catalogue's rows of the setting's values, in the builder's order.
QList<const SettingCatalogue::Setting *> rowsOf(const DeviceSetting &s) {
    return SettingCatalogue::ofCommand(s.cmd, s.part);
}

// The value the builder takes for a row, from the model's record: a coded value whose builder takes the
// item of a list (the feather curve) as that item.
double builderValue(const SettingCatalogue::Setting &row, double held) {
    if (row.command != Cmd::FeatherCurve) return held;
    for (qsizetype i = 0; i < row.names.size(); ++i)
        if (row.names[i].code == held) return double(i);
    return 0;
}

// The values one single-channel (or device-wide) target holds in the model.
QList<double> valuesOf(const DeviceModel &model, const DeviceSetting &t) {
    const OutputInfo &out = model.output(t.device, t.channel == 0 ? 1 : t.channel);
    const InputInfo &in = model.input(t.device, t.channel);
    QList<double> values;
    for (const SettingCatalogue::Setting *row : rowsOf(t)) {
        const ModelFields::Field *field = ModelFields::find(row->record, QLatin1String(row->field));
        if (!field) continue;
        const void *record = row->record == ModelFields::Record::Input ? static_cast<const void *>(&in)
                                                                       : static_cast<const void *>(&out);
        values.append(builderValue(*row, ModelFields::recordValue(record, *field)));
    }
    return values;
}

int whole(const DeviceSetting &s, int index) {
    return index < s.values.size() ? int(std::lround(s.values[index])) : 0;
}

double decimal(const DeviceSetting &s, int index) {
    return index < s.values.size() ? s.values[index] : 0.0;
}

} // namespace

bool DeviceSetting::sameTarget(const DeviceSetting &other) const {
    return normalised(cmd) == normalised(other.cmd) && device == other.device && channel == other.channel &&
           part == other.part;
}

bool DeviceSetting::sameValues(const DeviceSetting &other) const {
    if (!sameTarget(other) || values.size() != other.values.size()) return false;
    // Values that send the same text are the same setting.
    const double scale = std::pow(10.0, SettingCatalogue::WireDecimals);
    for (int i = 0; i < values.size(); ++i)
        if (std::lround(values[i] * scale) != std::lround(other.values[i] * scale)) return false;
    return true;
}

QString DeviceSetting::describe() const {
    QString where;
    if (channel == 5)
        where = QStringLiteral(", screens %1-%2").arg(device == 1 ? 1 : 5).arg(device == 1 ? 4 : 8);
    else if (channel > 0)
        where = QStringLiteral(", screen %1").arg((device - 1) * 4 + channel);
    const QList<const SettingCatalogue::Setting *> rows = rowsOf(*this);
    const QString title = SettingCatalogue::commandTitle(normalised(cmd));
    // A colour level is named by its own field ("Red Contrast"), everything else by its command.
    QString what = rows.size() == 1 && part ? rows.first()->title() : title;
    QStringList shown;
    for (int i = 0; i < values.size(); ++i) {
        const SettingCatalogue::Setting *row = i < rows.size() ? rows[i] : nullptr;
        if (!row) {
            shown.append(QString::number(values[i]));
            continue;
        }
        double v = values[i];
        if (row->command == Cmd::FeatherCurve && v >= 0 && v < row->names.size()) v = row->names[int(v)].code;
        const QString value = row->valueText(v);
        // The value that is the command's own goes bare; the others with their captions ("Test Grid On").
        const bool bare = rows.size() == 1 || row->title() == title;
        shown.append(bare ? value : QLatin1String(row->label) + QLatin1Char(' ') + value);
    }
    return what + where + QStringLiteral(": ") + shown.join(QStringLiteral(", "));
}

namespace DeviceSettings {

bool undoable(Cmd cmd) {
    return SettingCatalogue::undoable(cmd);
}

QList<DeviceSetting> targets(const DeviceSetting &setting) {
    DeviceSetting target = setting;
    target.values.clear();
    if (normalised(setting.cmd) != Cmd::TestPattern || setting.channel != 5) return {target};
    QList<DeviceSetting> all;
    for (int c = 1; c <= 4; ++c) {
        target.channel = c;
        all.append(target);
    }
    return all;
}

QList<DeviceSetting> current(const DeviceModel &model, const DeviceSetting &target) {
    QList<DeviceSetting> held;
    for (DeviceSetting t : targets(target)) {
        t.values = valuesOf(model, t);
        held.append(t);
    }
    if (held.size() > 1) {
        bool agree = true;
        for (const DeviceSetting &t : held)
            agree = agree && t.values == held.first().values;
        if (agree) {
            DeviceSetting all = held.first();
            all.channel = target.channel;
            return {all};
        }
    }
    return held;
}

bool send(CommandSet &c, const DeviceSetting &s) {
    const int d = s.device;
    const int ch = s.channel;
    switch (normalised(s.cmd)) {
    case Cmd::BlackLevel:
        c.SendBlackLevel(d, ch, whole(s, 0));
        break;
    case Cmd::FeatherModeBasic:
    case Cmd::FeatherModeAdvanced:
        c.SendFeatherMode(d, whole(s, 0));
        break;
    case Cmd::DataDoubling:
        c.SendDataDoubling(d, whole(s, 0));
        break;
    case Cmd::DisplayLayout:
        c.SendDisplayLayout(d, whole(s, 0), whole(s, 1));
        break;
    case Cmd::BasicFeather:
        c.SendBasicFeather(d, whole(s, 0), decimal(s, 1));
        break;
    case Cmd::Halo:
        c.SendHalo(d, ch, s.part, whole(s, 0), whole(s, 1));
        break;
    case Cmd::TestPattern:
        c.SendTestPattern(d, ch, whole(s, 0), whole(s, 1), whole(s, 2));
        break;
    case Cmd::InputContrast:
        c.SendInputContrast(d, ch, s.part, decimal(s, 0));
        break;
    case Cmd::InputBrightness:
        c.SendInputBrightness(d, ch, s.part, decimal(s, 0));
        break;
    case Cmd::InputPhase:
        c.SendInputPhase(d, ch, whole(s, 0));
        break;
    case Cmd::InputHPosition:
        c.SendInputHPosition(d, ch, whole(s, 0));
        break;
    case Cmd::InputVPosition:
        c.SendInputVPosition(d, ch, whole(s, 0));
        break;
    case Cmd::ProjectorCount:
        c.SendProjectorCount(d, whole(s, 0));
        break;
    case Cmd::SeamGains: {
        std::array<int, 8> gains{};
        for (int i = 0; i < 8; ++i)
            gains[i] = whole(s, i + 1);
        c.SendSeamGains(d, ch, whole(s, 0), gains);
        break;
    }
    case Cmd::SeamBridge:
        c.SendSeamBridge(d, ch, whole(s, 0));
        break;
    case Cmd::FeatherCurve:
        c.SendFeatherCurve(d, whole(s, 0));
        break;
    case Cmd::EdgeFeather:
        c.SendEdgeFeather(d, ch, s.part, whole(s, 0), decimal(s, 1), whole(s, 2), whole(s, 3));
        break;
    case Cmd::BridgeThreshold:
        c.SendBridgeThreshold(d, whole(s, 0));
        break;
    // Nothing a later command could put back.
    case Cmd::FactoryReset:
    case Cmd::InputConfigSave:
    case Cmd::InputConfigReset:
    case Cmd::SystemSave:
    case Cmd::AutoSeam:
    case Cmd::Count:
        return false;
    }
    return c.lastDelivered();
}

} // namespace DeviceSettings
