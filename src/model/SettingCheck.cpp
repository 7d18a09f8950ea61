#include "SettingCheck.h"

#include "ConfigFile.h"
#include "DeviceModel.h"
#include "InputInfo.h"
#include "ModelAccessors.h"
#include "OutputInfo.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

using ModelFields::Field;
using ModelFields::Record;

namespace SettingCheck {
namespace {

// How a field's value is judged and how it goes out.
enum class Rule {
    None,      // not a setting a push sends, or a byte that holds nothing but valid values
    Fixed,     // the range in the row
    OnOff,     // any value; non-zero goes out as 1
    Switch,    // 0 or 1 (a check box); non-zero goes out as 1
    Pattern,   // a test pattern index; beyond the list goes out as -1
    Count,     // the projector count; goes out kept to 1..8
    HPosition, // the record's own bounds
    VPosition,
};

// What a push does with the field.
enum class Part {
    Never,   // not part of a push
    System,  // device 1 channel 1's value to every device
    Input,   // screens inside the wall whose input is locked
    Seam,    // as the inputs
    Output,  // every output
    Halo,    // as outputs, where held and not the wall's outermost edge
    Feather, // likewise
};

struct Row {
    Rule rule;
    Part part;
    const SettingRanges::Range *range = nullptr;
    char side = 0;    // halo and feather rows: 'L' or 'R'
    quint8 group = 0; // halo and feather widths and offsets: the OutputHeld group
};

namespace R = SettingRanges;

QHash<QString, Row> buildRows() {
    QHash<QString, Row> rows;
    auto input = [&](const char *name, Rule rule, const R::Range *range = nullptr) {
        rows.insert(QStringLiteral("input.") + QLatin1String(name), Row{rule, Part::Input, range});
    };
    auto output = [&](const char *name, Row row) {
        rows.insert(QStringLiteral("output.") + QLatin1String(name), row);
    };

    input("PhaseOffset", Rule::Fixed, &R::Phase);
    input("HPosition", Rule::HPosition);
    input("VPosition", Rule::VPosition);
    for (const char *name : {"OverallContrast", "OverallBrightness"})
        input(name, Rule::Fixed, &R::OverallLevel);
    for (const char *name : {"RedContrast", "RedBrightness", "GreenContrast", "GreenBrightness",
                             "BlueContrast", "BlueBrightness"})
        input(name, Rule::Fixed, &R::ColourLevel);

    output("AdvancedMode", {Rule::Switch, Part::System, &R::Switch});
    output("TotalProjectors", {Rule::Count, Part::System, &R::TotalProjectors});
    output("DataDoubling", {Rule::OnOff, Part::System});
    output("Justification", {Rule::Fixed, Part::System, &R::Justification});
    output("OverlapWidth", {Rule::Fixed, Part::System, &R::OverlapWidth});
    output("BasicGamma", {Rule::Fixed, Part::System, &R::BasicGamma});
    output("BasicFeathering", {Rule::OnOff, Part::System});
    for (char side : {'L', 'R'}) {
        const bool left = side == 'L';
        const quint8 halo = OutputHeld::halo(side);
        const quint8 feather = OutputHeld::feather(side);
        output(left ? "LeftGamma" : "RightGamma", {Rule::Fixed, Part::Feather, &R::EdgeGamma, side, feather});
        output(left ? "LeftFeathering" : "RightFeathering",
               {Rule::OnOff, Part::Feather, nullptr, side, feather});
        output(left ? "LeftHaloWidth" : "RightHaloWidth",
               {Rule::Fixed, Part::Halo, &R::HaloWidth, side, halo});
        output(left ? "LeftHaloOffset" : "RightHaloOffset",
               {Rule::Fixed, Part::Halo, &R::HaloOffset, side, halo});
        output(left ? "LeftGammaWidth" : "RightGammaWidth",
               {Rule::Fixed, Part::Feather, &R::FeatherWidth, side, feather});
        output(left ? "LeftGammaOffset" : "RightGammaOffset",
               {Rule::Fixed, Part::Feather, &R::FeatherOffset, side, feather});
    }
    output("BlackLevel", {Rule::Fixed, Part::Output, &R::BlackLevel});
    output("TestPattern", {Rule::Pattern, Part::Output, &R::TestPattern});
    output("OutputRaster", {Rule::Switch, Part::Output, &R::Switch});
    output("TestGrid", {Rule::Switch, Part::Output, &R::Switch});
    for (int g = 1; g <= 8; ++g)
        rows.insert(QStringLiteral("output.SeamGain%1").arg(g), Row{Rule::Fixed, Part::Seam, &R::SeamGain});
    output("SeamBridge", {Rule::Switch, Part::Seam, &R::Switch});
    // Shown by the Seam Removal and Display Setup pages but never pushed.
    output("FeatherMode", {Rule::None, Part::Never});
    output("BridgeThreshold", {Rule::Fixed, Part::Never, &R::BridgeThreshold});
    return rows;
}

const Row *rowOf(const Field &field) {
    static const QHash<QString, Row> rows = buildRows();
    const auto it = rows.constFind(QLatin1String(field.record == Record::Input ? "input." : "output.") +
                                   QLatin1String(field.name));
    return it == rows.constEnd() ? nullptr : &*it;
}

template <typename T> bool readRecord(const QByteArray &image, qint64 at, T *record) {
    if (at < 0 || at + qint64(sizeof(T)) > image.size()) return false;
    std::memcpy(record, image.constData() + at, sizeof(T));
    return true;
}

bool emptyRecord(const OutputInfo &out) {
    return holdsNoChannelValues(out);
}

bool inputLocked(const QByteArray &image, int device, int channel) {
    InputInfo in{};
    return readRecord(image, ConfigFile::inputRecordOffset(device, channel), &in) && in.VideoLocked == 1;
}

// Whether the output record holds that group of values (OutputHeld); a record without a value of its
// channel's own holds nothing.
bool groupHeld(const QByteArray &image, int device, int channel, quint8 group) {
    OutputInfo out{};
    return readRecord(image, ConfigFile::outputRecordOffset(device, channel), &out) && !emptyRecord(out) &&
           OutputHeld::holds(out, group);
}

int projectorCount(const QByteArray &image) {
    OutputInfo system{};
    if (!readRecord(image, ConfigFile::outputRecordOffset(1, 1), &system)) return 1;
    return std::clamp(int(system.TotalProjectors), 1, 8);
}

// The wall's outermost edges have no neighbour to blend with; no push sends them.
bool outermost(int device, int channel, char side) {
    return (device == 1 && channel == 1 && side == 'L') || (device == 2 && channel == 4 && side == 'R');
}

// Where a push of the image to `devices` devices takes the field's value for that address from, or
// false when it sends none there.
bool source(const QByteArray &image, int devices, const Field &field, int device, int channel,
            int *fromDevice, int *fromChannel) {
    const Row *row = rowOf(field);
    if (!row || device < 1 || device > devices || channel < 1 || channel > 4) return false;
    *fromDevice = device;
    *fromChannel = channel;
    const int screen = (device - 1) * 4 + channel;
    switch (row->part) {
    case Part::Never:
        return false;
    case Part::System:
        *fromDevice = 1;
        *fromChannel = 1;
        return channel == 1;
    case Part::Input:
    case Part::Seam:
        return screen <= projectorCount(image) && inputLocked(image, device, channel);
    case Part::Output:
        return true;
    case Part::Halo:
    case Part::Feather:
        // The edge goes out whole (enable, gamma, width, offset) or not at all.
        return !outermost(device, channel, row->side) && groupHeld(image, device, channel, row->group);
    }
    return false;
}

QString number(double v) {
    return QString::number(v, 'g', 12);
}

} // namespace

bool holds(const QByteArray &image, const Field &field, int device, int channel) {
    if (field.record != Record::Output) return true;
    OutputInfo out{};
    if (!readRecord(image, ConfigFile::outputRecordOffset(device, channel), &out)) return false;
    // The device's own values are in every channel record that holds any of them.
    if (field.system) {
        static const OutputInfo zero{};
        return std::memcmp(&out, &zero, sizeof out) != 0;
    }
    if (emptyRecord(out)) return false;
    const Row *row = rowOf(field);
    // The feathering enable and gamma come in every record form; only the widths and offsets do not.
    const bool widthOrOffset = row && row->group && row->rule == Rule::Fixed && row->range != &R::EdgeGamma;
    return !widthOrOffset || OutputHeld::holds(out, row->group);
}

QList<SentValue> sentValues(const QByteArray &image, int devices) {
    QList<SentValue> sent;
    for (int d = 1; d <= std::min(devices, 2); ++d)
        for (int c = 1; c <= 4; ++c)
            for (const Field &field : ModelFields::all()) {
                SentValue v{&field, d, c, d, c};
                if (source(image, devices, field, d, c, &v.fromDevice, &v.fromChannel)) sent.append(v);
            }
    return sent;
}

std::optional<SettingRanges::Range> rangeOf(const QByteArray &image, const Field &field, int device,
                                            int channel) {
    const Row *row = rowOf(field);
    if (!row) return std::nullopt;
    if (row->rule == Rule::HPosition || row->rule == Rule::VPosition) {
        InputInfo in{};
        if (!readRecord(image, ConfigFile::inputRecordOffset(device, channel), &in)) return std::nullopt;
        const PositionBounds b = devicePositionLimits(in);
        return row->rule == Rule::HPosition ? SettingRanges::Range{double(b.hMin), double(b.hMax), true}
                                            : SettingRanges::Range{double(b.vMin), double(b.vMax), true};
    }
    if (!row->range) return std::nullopt;
    return *row->range;
}

QString rangeText(const SettingRanges::Range &range) {
    const QString span = QStringLiteral("%1 to %2").arg(number(range.lower), number(range.upper));
    return range.hasZero ? QStringLiteral("0, or ") + span : span;
}

QString sentText(const Field &field, double v) {
    const Row *row = rowOf(field);
    const Rule rule = row ? row->rule : Rule::None;
    switch (rule) {
    case Rule::OnOff:
    case Rule::Switch:
        return QString::number(v != 0 ? 1 : 0);
    case Rule::Pattern:
        return QString::number(v >= 0 && v <= R::TestPattern.upper ? qint64(v) : -1);
    case Rule::Count:
        return QString::number(std::clamp(qint64(v), qint64(1), qint64(8)));
    default:
        break;
    }
    if (field.type != ModelFields::Type::F32) return QString::number(qint64(v));
    if (!std::isfinite(v)) return ModelFields::floatText(float(v));
    const double shown = row && row->range ? row->range->shown(v) : v;
    return QString::asprintf("%.1f", shown);
}

QList<BadValue> check(const QByteArray &image) {
    QList<BadValue> bad;
    for (const SentValue &v : sentValues(image, 2)) {
        // A system value goes to both devices from one place: judge it there, once.
        if (v.device != v.fromDevice || v.channel != v.fromChannel) continue;
        const std::optional<SettingRanges::Range> range = rangeOf(image, *v.field, v.device, v.channel);
        if (!range) continue;
        if (range->contains(ModelFields::value(image, *v.field, v.device, v.channel))) continue;
        bad.append({v.device, v.channel, QLatin1String(v.field->name),
                    ModelFields::text(image, *v.field, v.device, v.channel), rangeText(*range)});
    }
    return bad;
}

QString describe(const BadValue &bad) {
    return QStringLiteral("Kestrix %1 channel %2 %3 is %4 (allowed %5)")
        .arg(bad.device)
        .arg(bad.channel)
        .arg(bad.field, bad.value, bad.allowed);
}

} // namespace SettingCheck
