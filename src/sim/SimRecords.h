// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SimDevice.h"

#include <QByteArray>

// The device's binary status records: the marker byte 0x01, the format byte, then the payload, with
// multi-byte numbers most significant byte first. Written from the device's side, independently of
// the program's parsers.
namespace SimRecords {

constexpr quint8 Marker = 0x01;

void appendBe16(QByteArray &out, quint16 value);
void appendBe32(QByteArray &out, qint32 value);

// Payload lengths of the formats a device may answer with.
int inputPayloadLength(quint8 format);  // 'F' 70, everything else 78
int outputPayloadLength(quint8 format); // 0x42 and above 65, below 64

QByteArray systemPayload(const SimDevice &device);
QByteArray inputPayload(const SimInputChannel &input, quint8 format);
QByteArray outputPayload(const SimOutputChannel &output, quint8 format);

// The whole record; without the marker and format byte when `withMarker` is false.
QByteArray systemRecord(const SimDevice &device, bool withMarker = true);
QByteArray inputRecord(const SimDevice &device, int channel, bool withMarker = true);
QByteArray outputRecord(const SimDevice &device, int channel, bool withMarker = true);

} // namespace SimRecords
