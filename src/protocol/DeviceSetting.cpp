#include "DeviceSetting.h"

#include "DeviceModel.h"

#include <array>
#include <cmath>

using Cmd = CommandSet::Cmd;

namespace {

// The two feather mode rows are one setting (the device only takes longer one way).
Cmd normalised(Cmd cmd) {
    return cmd == Cmd::FeatherModeAdvanced ? Cmd::FeatherModeBasic : cmd;
}

const char *settingName(Cmd cmd) {
    switch (normalised(cmd)) {
    case Cmd::BlackLevel:
        return "Black level";
    case Cmd::FeatherModeBasic:
        return "Advanced feathering mode";
    case Cmd::DataDoubling:
        return "Data doubling";
    case Cmd::DisplayLayout:
        return "Alignment and overlap";
    case Cmd::BasicFeather:
        return "Basic feathering";
    case Cmd::Halo:
        return "Halo";
    case Cmd::TestPattern:
        return "Test pattern";
    case Cmd::InputContrast:
        return "Contrast";
    case Cmd::InputBrightness:
        return "Brightness";
    case Cmd::InputPhase:
        return "Phase";
    case Cmd::InputHPosition:
        return "H position";
    case Cmd::InputVPosition:
        return "V position";
    case Cmd::ProjectorCount:
        return "Number of projectors";
    case Cmd::SeamGains:
        return "Seam gains";
    case Cmd::SeamBridge:
        return "Seam bridge";
    case Cmd::FeatherCurve:
        return "Feather curve";
    case Cmd::EdgeFeather:
        return "Edge feathering";
    case Cmd::BridgeThreshold:
        return "Bridge threshold";
    default:
        return "Command";
    }
}

bool isDecimal(Cmd cmd, int index) {
    switch (cmd) {
    case Cmd::BasicFeather:
        return index == 1;
    case Cmd::EdgeFeather:
        return index == 1;
    case Cmd::InputContrast:
    case Cmd::InputBrightness:
        return true;
    default:
        return false;
    }
}

float colourValue(const InputInfo &in, char colour, bool contrast) {
    switch (colour) {
    case 'R':
        return contrast ? in.RedContrast : in.RedBrightness;
    case 'G':
        return contrast ? in.GreenContrast : in.GreenBrightness;
    case 'B':
        return contrast ? in.BlueContrast : in.BlueBrightness;
    default:
        return contrast ? in.OverallContrast : in.OverallBrightness;
    }
}

// The values one single-channel (or device-wide) target holds in the model.
QList<double> valuesOf(const DeviceModel &model, const DeviceSetting &t) {
    const OutputInfo &out = model.output(t.device, t.channel == 0 ? 1 : t.channel);
    const InputInfo &in = model.input(t.device, t.channel);
    const bool left = t.part == 'L';
    switch (normalised(t.cmd)) {
    case Cmd::BlackLevel:
        return {double(out.BlackLevel)};
    case Cmd::FeatherModeBasic:
        return {double(out.AdvancedMode)};
    case Cmd::DataDoubling:
        return {double(out.DataDoubling)};
    case Cmd::DisplayLayout:
        return {double(out.Justification), double(out.OverlapWidth)};
    case Cmd::BasicFeather:
        return {double(out.BasicFeathering), double(out.BasicGamma)};
    case Cmd::Halo:
        return {double(left ? out.LeftHaloWidth : out.RightHaloWidth),
                double(left ? out.LeftHaloOffset : out.RightHaloOffset)};
    case Cmd::TestPattern:
        return {double(out.TestPattern), double(out.OutputRaster), double(out.TestGrid)};
    case Cmd::InputContrast:
        return {double(colourValue(in, t.part, true))};
    case Cmd::InputBrightness:
        return {double(colourValue(in, t.part, false))};
    case Cmd::InputPhase:
        return {double(in.PhaseOffset)};
    case Cmd::InputHPosition:
        return {double(in.HPosition)};
    case Cmd::InputVPosition:
        return {double(in.VPosition)};
    case Cmd::ProjectorCount:
        return {double(out.TotalProjectors)};
    case Cmd::SeamGains: {
        QList<double> values{double(out.SeamStart)};
        for (quint8 gain : out.SeamGain)
            values.append(double(gain));
        return values;
    }
    case Cmd::SeamBridge:
        return {double(out.SeamBridge)};
    case Cmd::FeatherCurve:
        return {out.FeatherMode == 'L' ? 1.0 : 0.0};
    case Cmd::EdgeFeather:
        return {double(left ? out.LeftFeathering : out.RightFeathering),
                double(left ? out.LeftGamma : out.RightGamma),
                double(left ? out.LeftGammaWidth : out.RightGammaWidth),
                double(left ? out.LeftGammaOffset : out.RightGammaOffset)};
    case Cmd::BridgeThreshold:
        return {double(out.BridgeThreshold)};
    default:
        return {};
    }
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
    // The wire carries one decimal at most: values that send the same text are the same setting.
    for (int i = 0; i < values.size(); ++i)
        if (std::lround(values[i] * 10) != std::lround(other.values[i] * 10)) return false;
    return true;
}

QString DeviceSetting::describe() const {
    QString where;
    if (channel == 5)
        where = QStringLiteral(", screens %1-%2").arg(device == 1 ? 1 : 5).arg(device == 1 ? 4 : 8);
    else if (channel > 0)
        where = QStringLiteral(", screen %1").arg((device - 1) * 4 + channel);
    QString what = QString::fromLatin1(settingName(cmd));
    if (part) what += QStringLiteral(" (%1)").arg(QChar::fromLatin1(part));
    QStringList shown;
    for (int i = 0; i < values.size(); ++i)
        shown.append(isDecimal(normalised(cmd), i) ? QString::number(values[i], 'f', 1)
                                                   : QString::number(std::lround(values[i])));
    return what + where + QStringLiteral(": ") + shown.join(QLatin1Char(' '));
}

namespace DeviceSettings {

bool undoable(Cmd cmd) {
    switch (cmd) {
    case Cmd::FactoryReset:
    case Cmd::InputConfigSave:
    case Cmd::InputConfigReset:
    case Cmd::SystemSave:
    case Cmd::AutoSeam:
    case Cmd::Count:
        return false;
    default:
        return true;
    }
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
    default:
        return false;
    }
    return c.lastDelivered();
}

} // namespace DeviceSettings
