// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ModelFields.h"
#include "SettingRanges.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What a push of a configuration image sends, and whether each of those values is one that may be sent.
// Addresses are devices 1..2 and channels 1..4, as ModelFields uses them.
namespace SettingCheck {

// One value a push sends: the field, where it goes and where the image holds it. System-wide values go
// to every device from device 1, channel 1 of the image; everything else from its own address.
struct SentValue {
    const ModelFields::Field *field;
    int device;
    int channel;
    int fromDevice;
    int fromChannel;
};

// Every value a push of the image to `devices` devices (1 or 2) sends, by device, channel and field
// order. As the push does: the system values of device 1 channel 1 to every device; inputs and seams of
// the screens inside the wall's projector count whose input is locked; every output's test pattern and
// black level; halos and advanced edge feathering only where the record holds them (holds()), and never
// the wall's outermost edges (the left of device 1 channel 1, the right of device 2 channel 4). The
// feather curve and the bridge threshold are never part of a push.
QList<SentValue> sentValues(const QByteArray &image, int devices);

// Whether the image's record holds the field: false for a halo width or offset or an advanced feathering
// width or offset of an output record that does not hold that group (OutputHeld: a record read from a
// device holds only the group its record form reports), for a channel's own value of an output record
// that holds none of them (holdsNoChannelValues: nobody read, loaded or set it), and for a system value
// of an all-zero record. True for every other field.
bool holds(const QByteArray &image, const ModelFields::Field &field, int device, int channel);

// The range the field's value must keep at that address of the image: the table's, or for the input
// positions the device's own limits as the record reports them (devicePositionLimits), which take in
// everything the page's narrower editing bounds allow. Empty for a field without limits
// (values the devices only report, on/off values where anything non-zero is on, the feather curve).
std::optional<SettingRanges::Range> rangeOf(const QByteArray &image, const ModelFields::Field &field,
                                            int device, int channel);
// "1 to 5", "-16 to 15", "0, or 64 to 640".
QString rangeText(const SettingRanges::Range &range);

// The value as a push puts it on the wire, to compare two images by what a push would make of them:
// on/off values as 0 or 1, reals rounded as their field shows them and then to the one decimal the
// commands carry, a test pattern beyond the list as -1, the projector count kept to 1..8.
QString sentText(const ModelFields::Field &field, double value);

struct BadValue {
    int device;
    int channel;
    QString field;
    QString value;   // as the image holds it ("42", "nan", "1e+36")
    QString allowed; // rangeText
};

// Every value a push would send (to two devices) that is outside its range, by device, channel and
// field; empty for an image whose every such value may be sent. NaN and infinities are always outside.
QList<BadValue> check(const QByteArray &image);
// "Kestrix 1 channel 1 Justification is 7 (allowed 0 to 1)".
QString describe(const BadValue &bad);

} // namespace SettingCheck
