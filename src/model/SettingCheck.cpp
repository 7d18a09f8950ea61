// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingCheck.h"

#include "ConfigFile.h"
#include "DeviceModel.h"
#include "InputInfo.h"
#include "ModelAccessors.h"
#include "OutputInfo.h"
#include "SettingCatalogue.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

using ModelFields::Field;
using ModelFields::Record;

namespace SettingCheck {
namespace {

using SettingCatalogue::Check;
using SettingCatalogue::PushedWith;
using SettingCatalogue::Setting;
namespace R = SettingRanges;

const Setting *rowOf(const Field &field) {
    return SettingCatalogue::find(field);
}

// The OutputHeld group of a halo or an edge row; 0 for any other.
quint8 heldGroup(const Setting &row) {
    if (row.pushed == PushedWith::HeldHalo) return OutputHeld::halo(row.part);
    if (row.pushed == PushedWith::HeldEdge) return OutputHeld::feather(row.part);
    return 0;
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
    const Setting *row = rowOf(field);
    if (!row || device < 1 || device > devices || channel < 1 || channel > 4) return false;
    *fromDevice = device;
    *fromChannel = channel;
    const int screen = (device - 1) * 4 + channel;
    switch (row->pushed) {
    case PushedWith::Never:
        return false;
    case PushedWith::DeviceWide:
        *fromDevice = 1;
        *fromChannel = 1;
        return channel == 1;
    case PushedWith::LockedInput:
    case PushedWith::LockedSeam:
        return screen <= projectorCount(image) && inputLocked(image, device, channel);
    case PushedWith::EveryOutput:
        return true;
    case PushedWith::HeldHalo:
    case PushedWith::HeldEdge:
        // The edge goes out whole (enable, gamma, width, offset) or not at all.
        return !outermost(device, channel, row->part) && groupHeld(image, device, channel, heldGroup(*row));
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
    if (SettingCatalogue::deviceWide(field)) {
        static const OutputInfo zero{};
        return std::memcmp(&out, &zero, sizeof out) != 0;
    }
    if (emptyRecord(out)) return false;
    const Setting *row = rowOf(field);
    // The feathering enable and gamma come in every record form; only the widths and offsets do not.
    const bool widthOrOffset = row && heldGroup(*row) && row->format == SettingCatalogue::Format::Integer;
    return !widthOrOffset || OutputHeld::holds(out, heldGroup(*row));
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
    const Setting *row = rowOf(field);
    if (!row) return std::nullopt;
    if (row->check == Check::HPosition || row->check == Check::VPosition) {
        InputInfo in{};
        if (!readRecord(image, ConfigFile::inputRecordOffset(device, channel), &in)) return std::nullopt;
        const PositionBounds b = devicePositionLimits(in);
        return row->check == Check::HPosition ? SettingRanges::Range{double(b.hMin), double(b.hMax), true}
                                              : SettingRanges::Range{double(b.vMin), double(b.vMax), true};
    }
    if (!row->range || row->check == Check::None) return std::nullopt;
    return *row->range;
}

QString rangeText(const SettingRanges::Range &range) {
    const QString span = QStringLiteral("%1 to %2").arg(number(range.lower), number(range.upper));
    return range.hasZero ? QStringLiteral("0, or ") + span : span;
}

QString sentText(const Field &field, double v) {
    const Setting *row = rowOf(field);
    switch (row ? row->check : Check::None) {
    case Check::OnOff:
    case Check::Switch:
        return QString::number(v != 0 ? 1 : 0);
    case Check::Pattern:
        return QString::number(v >= 0 && v <= R::TestPattern.upper ? qint64(v) : -1);
    case Check::Count:
        return QString::number(std::clamp(qint64(v), qint64(1), qint64(8)));
    case Check::None:
    case Check::Fixed:
    case Check::HPosition:
    case Check::VPosition:
        break;
    }
    if (field.type != ModelFields::Type::F32) return QString::number(qint64(v));
    if (!std::isfinite(v)) return ModelFields::floatText(float(v));
    const double shown = row && row->range ? row->range->shown(v) : v;
    return QString::number(SettingCatalogue::asSent(shown), 'f', SettingCatalogue::WireDecimals);
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
