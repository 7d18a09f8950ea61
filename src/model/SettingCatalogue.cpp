// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingCatalogue.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace SettingCatalogue {
namespace {

using C = DeviceCommand;
using F = Format;
using K = Check;
using P = PushedWith;
using ModelFields::Record;
namespace R = SettingRanges;

constexpr Scope Channel = Scope::Channel;
constexpr Scope Device = Scope::Device;
constexpr bool Undoable = true;
constexpr bool Final = false;

const QList<CodedName> kPatterns = {{0, "Off"},
                                    {1, "Alignment Position"},
                                    {2, "1 Pixel On / 1 Pixel Off"},
                                    {3, "2 Pixel On / 2 Pixel Off"},
                                    {4, "Horizontal Bars"},
                                    {5, "Black"},
                                    {6, "Grey - 25%"},
                                    {7, "Grey - 50%"},
                                    {8, "Grey - 75%"},
                                    {9, "White"},
                                    {10, "Horizontal Ramp"}};
const QList<CodedName> kCurves = {{'S', "S-Curve"}, {'L', "Linear"}};
const QList<CodedName> kAlignments = {{0, "Left Justified"}, {1, "Centered"}};
const QList<CodedName> kModes = {{0, "Basic"}, {1, "Advanced"}};

QList<Setting> buildRows() {
    QList<Setting> rows;
    auto input = [&](const char *field, C command, char part, const char *label, const char *unit,
                     const R::Range *range, const char *rangeLabel, F format, K check) {
        rows.append({Record::Input,
                     field,
                     Channel,
                     command,
                     0,
                     part,
                     "",
                     label,
                     unit,
                     range,
                     rangeLabel,
                     format,
                     check,
                     P::LockedInput,
                     Undoable,
                     {}});
    };
    // clang-format off
    input("PhaseOffset", C::InputPhase, 0, "Phase", "", &R::Phase, "(-16 - +15)", F::Integer, K::Fixed);
    input("HPosition", C::InputHPosition, 0, "H Position", "pixels", nullptr, "", F::Integer, K::HPosition);
    input("VPosition", C::InputVPosition, 0, "V Position", "lines", nullptr, "", F::Integer, K::VPosition);
    input("OverallContrast", C::InputContrast, 'C', "Overall Contrast", "%", &R::OverallLevel, "(75 - 125)", F::Decimal, K::Fixed);
    input("OverallBrightness", C::InputBrightness, 'C', "Overall Brightness", "%", &R::OverallLevel, "(75 - 125)", F::Decimal, K::Fixed);
    input("RedContrast", C::InputContrast, 'R', "Red Contrast", "%", &R::ColourLevel, "(-25 - +25)", F::Decimal, K::Fixed);
    input("RedBrightness", C::InputBrightness, 'R', "Red Brightness", "%", &R::ColourLevel, "(-25 - +25)", F::Decimal, K::Fixed);
    input("GreenContrast", C::InputContrast, 'G', "Green Contrast", "%", &R::ColourLevel, "(-25 - +25)", F::Decimal, K::Fixed);
    input("GreenBrightness", C::InputBrightness, 'G', "Green Brightness", "%", &R::ColourLevel, "(-25 - +25)", F::Decimal, K::Fixed);
    input("BlueContrast", C::InputContrast, 'B', "Blue Contrast", "%", &R::ColourLevel, "(-25 - +25)", F::Decimal, K::Fixed);
    input("BlueBrightness", C::InputBrightness, 'B', "Blue Brightness", "%", &R::ColourLevel, "(-25 - +25)", F::Decimal, K::Fixed);

    // record  field  scope  command  argument  part  group  label  unit  range  range label  format  check  pushed  undoable  names
    const Record O = Record::Output;
    rows.append({O, "AdvancedMode", Device, C::FeatherModeBasic, 0, 0, "", "Edge Feathering Advanced Mode", "", &R::Switch, "", F::Coded, K::Switch, P::DeviceWide, Undoable, kModes});
    // The group is not the user's: the builder sends the device's place in the wall (device 1 the first
    // four screens, device 2 the next) with the count.
    rows.append({O, "ProjectorGroup", Device, C::ProjectorCount, -1, 0, "", "Projectors", "", nullptr, "", F::Integer, K::None, P::Never, Final, {}});
    rows.append({O, "TotalProjectors", Device, C::ProjectorCount, 0, 0, "", "Number of Projectors", "", &R::TotalProjectors, "", F::Integer, K::Count, P::DeviceWide, Undoable, {}});
    rows.append({O, "DataDoubling", Device, C::DataDoubling, 0, 0, "Data Doubling", "Enable", "", nullptr, "", F::OnOff, K::OnOff, P::DeviceWide, Undoable, {}});
    rows.append({O, "Justification", Device, C::DisplayLayout, 0, 0, "", "Input Material Alignment", "", &R::Justification, "", F::Coded, K::Fixed, P::DeviceWide, Undoable, kAlignments});
    rows.append({O, "OverlapWidth", Device, C::DisplayLayout, 1, 0, "", "Overlap Width", "pixels", &R::OverlapWidth, "", F::Integer, K::Fixed, P::DeviceWide, Undoable, {}});
    rows.append({O, "BasicGamma", Device, C::BasicFeather, 1, 0, "Edge Feathering Basic Mode", "Gamma", "", &R::BasicGamma, "(1.0 - 5.0)", F::Decimal, K::Fixed, P::DeviceWide, Undoable, {}});
    rows.append({O, "BasicFeathering", Device, C::BasicFeather, 0, 0, "Edge Feathering Basic Mode", "Enable", "", nullptr, "", F::OnOff, K::OnOff, P::DeviceWide, Undoable, {}});
    for (char side : {'L', 'R'}) {
        const bool left = side == 'L';
        rows.append({O, left ? "LeftGamma" : "RightGamma", Channel, C::EdgeFeather, 1, side, "Edge Feathering (Advanced)", left ? "Gamma(L)" : "Gamma(R)", "", &R::EdgeGamma, "(1.0 - 5.0)", F::Decimal, K::Fixed, P::HeldEdge, Undoable, {}});
        rows.append({O, left ? "LeftFeathering" : "RightFeathering", Channel, C::EdgeFeather, 0, side, "Edge Feathering (Advanced)", left ? "Enable (L)" : "Enable (R)", "", nullptr, "", F::OnOff, K::OnOff, P::HeldEdge, Undoable, {}});
    }
    for (char side : {'L', 'R'}) {
        const bool left = side == 'L';
        rows.append({O, left ? "LeftHaloWidth" : "RightHaloWidth", Channel, C::Halo, 0, side, "Halo Removal", left ? "Width(L)" : "Width(R)", "pixels", &R::HaloWidth, "(0 - 64)", F::Integer, K::Fixed, P::HeldHalo, Undoable, {}});
        rows.append({O, left ? "LeftHaloOffset" : "RightHaloOffset", Channel, C::Halo, 1, side, "Halo Removal", left ? "Offset(L)" : "Offset(R)", "", &R::HaloOffset, "(0 - 255)", F::Integer, K::Fixed, P::HeldHalo, Undoable, {}});
    }
    for (char side : {'L', 'R'}) {
        const bool left = side == 'L';
        rows.append({O, left ? "LeftGammaWidth" : "RightGammaWidth", Channel, C::EdgeFeather, 2, side, "Edge Feathering (Advanced)", left ? "Width(L)" : "Width(R)", "pixels", &R::FeatherWidth, "", F::Integer, K::Fixed, P::HeldEdge, Undoable, {}});
        rows.append({O, left ? "LeftGammaOffset" : "RightGammaOffset", Channel, C::EdgeFeather, 3, side, "Edge Feathering (Advanced)", left ? "Offset(L)" : "Offset(R)", "", &R::FeatherOffset, "(0 - 511)", F::Integer, K::Fixed, P::HeldEdge, Undoable, {}});
    }
    rows.append({O, "BlackLevel", Channel, C::BlackLevel, 0, 0, "", "Black Level", "", &R::BlackLevel, "(0 - 255)", F::Integer, K::Fixed, P::EveryOutput, Undoable, {}});
    rows.append({O, "TestPattern", Channel, C::TestPattern, 0, 0, "", "Test Pattern", "", &R::TestPattern, "", F::Coded, K::Pattern, P::EveryOutput, Undoable, kPatterns});
    rows.append({O, "OutputRaster", Channel, C::TestPattern, 1, 0, "", "Output Raster Box", "", &R::Switch, "", F::OnOff, K::Switch, P::EveryOutput, Undoable, {}});
    rows.append({O, "TestGrid", Channel, C::TestPattern, 2, 0, "", "Test Grid", "", &R::Switch, "", F::OnOff, K::Switch, P::EveryOutput, Undoable, {}});
    // The gains always go out with the first at -4; the stored start only records what went out.
    rows.append({O, "SeamStart", Channel, C::SeamGains, 0, 0, "Manual Seam Gain", "Start", "", nullptr, "", F::Integer, K::None, P::Never, Undoable, {}});
    static const char *const gains[] = {"Gain -4", "Gain -3", "Gain -2", "Gain -1", "Gain +1", "Gain +2", "Gain +3", "Gain +4"};
    static const char *const gainFields[] = {"SeamGain1", "SeamGain2", "SeamGain3", "SeamGain4", "SeamGain5", "SeamGain6", "SeamGain7", "SeamGain8"};
    for (int g = 0; g < 8; ++g)
        rows.append({O, gainFields[g], Channel, C::SeamGains, 1 + g, 0, "Manual Seam Gain", gains[g], "", &R::SeamGain, "(0 - 255)", F::Integer, K::Fixed, P::LockedSeam, Undoable, {}});
    rows.append({O, "SeamBridge", Channel, C::SeamBridge, 0, 0, "", "Seam Bridge", "", &R::Switch, "", F::OnOff, K::Switch, P::LockedSeam, Undoable, {}});
    // Shown by the Display Setup and Seam Removal pages, never part of a push.
    rows.append({O, "FeatherMode", Device, C::FeatherCurve, 0, 0, "", "Feather Curve", "", nullptr, "", F::Coded, K::None, P::Never, Undoable, kCurves});
    rows.append({O, "BridgeThreshold", Device, C::BridgeThreshold, 0, 0, "", "Bridge Threshold", "", &R::BridgeThreshold, "(0 - 255)", F::Integer, K::Fixed, P::Never, Undoable, {}});
    // clang-format on
    return rows;
}

struct CommandInfo {
    DeviceCommand command;
    const char *title;
    bool undoable;
};

// One row per command, in the order of DeviceCommand.
constexpr CommandInfo kCommands[] = {
    {C::BlackLevel, "Black Level", true},
    {C::FeatherModeBasic, "Edge Feathering Advanced Mode", true},
    {C::FeatherModeAdvanced, "Edge Feathering Advanced Mode", true},
    {C::DataDoubling, "Data Doubling", true},
    {C::DisplayLayout, "Alignment and Overlap", true},
    {C::BasicFeather, "Edge Feathering Basic Mode", true},
    {C::Halo, "Halo Removal", true},
    {C::FactoryReset, "Reset Kestrix(s)", false},
    {C::TestPattern, "Test Pattern", true},
    {C::InputContrast, "Contrast", true},
    {C::InputBrightness, "Brightness", true},
    {C::InputPhase, "Phase", true},
    {C::InputHPosition, "H Position", true},
    {C::InputVPosition, "V Position", true},
    {C::InputConfigSave, "Save Config", false},
    {C::InputConfigReset, "Reset Config", false},
    {C::ProjectorCount, "Number of Projectors", true},
    {C::SeamGains, "Manual Seam Gain", true},
    {C::SeamBridge, "Seam Bridge", true},
    {C::SystemSave, "System Save", false},
    {C::FeatherCurve, "Feather Curve", true},
    {C::EdgeFeather, "Edge Feathering", true},
    {C::BridgeThreshold, "Bridge Threshold", true},
    {C::AutoSeam, "Auto Seam Gain", false},
};

constexpr bool commandsInOrder() {
    for (std::size_t i = 0; i < std::size(kCommands); ++i)
        if (std::size_t(kCommands[i].command) != i) return false;
    return std::size(kCommands) == std::size_t(DeviceCommand::Count);
}
static_assert(commandsInOrder(), "one row per command, in the order of DeviceCommand");

} // namespace

QString Setting::title() const {
    const QString own = QLatin1String(label);
    // A caption that names its side alone ("Width(L)") or says only "Enable" needs its group.
    if (*group &&
        (part == 'L' || part == 'R' || own == QLatin1String("Enable") || own == QLatin1String("Gamma")))
        return QLatin1String(group) + QLatin1Char(' ') + own;
    return own;
}

QString Setting::valueText(double v) const {
    if (!std::isfinite(v)) return ModelFields::floatText(float(v));
    switch (format) {
    case Format::Integer:
        return QString::number(qint64(v));
    case Format::Decimal:
        // As a push sends it: rounded as the field shows it, then to the wire's decimal.
        return QString::number(asSent(range ? range->shown(v) : v), 'f', WireDecimals);
    case Format::OnOff:
        return v != 0 ? QStringLiteral("On") : QStringLiteral("Off");
    case Format::Coded:
        for (const CodedName &n : names)
            if (n.code == v) return QLatin1String(n.name);
        return QString::number(qint64(v));
    }
    return QString::number(v);
}

const QList<Setting> &all() {
    static const QList<Setting> rows = buildRows();
    return rows;
}

const Setting *find(ModelFields::Record record, const QString &field) {
    for (const Setting &s : all())
        if (s.record == record && field.compare(QLatin1String(s.field), Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

const Setting *find(const ModelFields::Field &field) {
    // Looked up for every value of every check and comparison: by the field's place, once.
    static const QHash<const ModelFields::Field *, const Setting *> byField = [] {
        QHash<const ModelFields::Field *, const Setting *> rows;
        for (const ModelFields::Field &f : ModelFields::all())
            rows.insert(&f, SettingCatalogue::find(f.record, QLatin1String(f.name)));
        return rows;
    }();
    if (const auto it = byField.constFind(&field); it != byField.constEnd()) return *it;
    return SettingCatalogue::find(field.record, QLatin1String(field.name));
}

bool deviceWide(const ModelFields::Field &field) {
    const Setting *s = find(field);
    return s && s->deviceWide();
}

QList<const Setting *> ofCommand(DeviceCommand command, char part) {
    command = normalised(command);
    QList<const Setting *> rows;
    for (const Setting &s : all())
        if (s.command == command && s.argument >= 0 && s.part == part) rows.append(&s);
    std::sort(rows.begin(), rows.end(),
              [](const Setting *a, const Setting *b) { return a->argument < b->argument; });
    return rows;
}

QString commandTitle(DeviceCommand command) {
    if (command == DeviceCommand::Count) return QStringLiteral("Command");
    return QLatin1String(kCommands[std::size_t(command)].title);
}

bool undoable(DeviceCommand command) {
    return command != DeviceCommand::Count && kCommands[std::size_t(command)].undoable;
}

DeviceCommand normalised(DeviceCommand command) {
    return command == DeviceCommand::FeatherModeAdvanced ? DeviceCommand::FeatherModeBasic : command;
}

double asSent(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", WireDecimals, value);
    return std::strtod(text, nullptr) + 0.0;
}

QString Resolution::text() const {
    return QStringLiteral("%1x%2").arg(width).arg(height);
}

const QList<Resolution> &outputFormats() {
    static const QList<Resolution> formats = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
    return formats;
}

const Resolution *outputFormat(int code) {
    const QList<Resolution> &formats = outputFormats();
    return code >= 0 && code < formats.size() ? &formats[code] : nullptr;
}

} // namespace SettingCatalogue
