// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputInfo.h"
#include "OutputInfo.h"
#include "SystemInfo.h"

#include <QtGlobal>

// Decoding of the devices' binary status records. Pure functions over bytes: no engine, no tables.
//
// A record starts with the marker byte 0x01 and a format byte; the payload follows. `length` is the
// number of reply bytes that can belong to the record (the reply up to its closing line end), so a
// record cut short fails instead of being completed from whatever an earlier reply left behind.
namespace StatusParsers {

enum class RecordKind { System, Input, Output };

constexpr quint8 kMarker = 0x01;
// The marker may stand anywhere in the first 31 reply bytes (whatever the device echoes comes first).
constexpr int kMarkerSearchPositions = 30;

constexpr quint8 kSystemFormat = 0x08;
constexpr quint8 kInputShortFormat = 0x46; // 'F': no position limits
constexpr quint8 kInputLongFormat = 0x4E;  // 'N'
constexpr quint8 kOutputLongFormat = 0x42; // 'B': advanced feathering values and bridge threshold

bool acceptsFormat(RecordKind kind, quint8 format);
// Payload bytes the record of this kind and format carries (format must be accepted).
int payloadLength(RecordKind kind, quint8 format);

// Where the record's bytes end in a reply area of `size` bytes: just before the line end that precedes
// the acknowledgement (CR LF from a device, "LR" from the Controller). The engine accepted the first
// acknowledgement at or after `minLength`. After the wait that byte still holds the acknowledgement
// when more bytes followed it in its block (the NUL then ends the block further on); otherwise it was
// the block's last byte and now holds the NUL, with nothing but the zeros of the cleared area behind
// it. So the first line end followed by the acknowledgement is the place, failing that the last one
// followed by NUL. Returns 0 when neither is found, so nothing is parsed.
int replyDataEnd(const quint8 *area, int size, int minLength, bool controllerMode, quint8 ack);

// Index of the marker of an accepted record in reply[0..length), searched from 0 to 29; -1 if none.
int findMarker(RecordKind kind, const quint8 *reply, int length);

qint16 be16(const quint8 *p);
qint32 be32(const quint8 *p);
float tenths(const quint8 *p);

// Each parser reads the payload starting at reply[start] and returns false, leaving the record
// untouched, when the payload does not fit in reply[0..length).
bool ParseSystemInfo(const quint8 *reply, int length, int start, SystemInfo &record);
bool ParseInputInfo(const quint8 *reply, int length, int start, quint8 format, InputInfo &record);
bool ParseOutputInfo(const quint8 *reply, int length, int start, quint8 format, OutputInfo &record);

} // namespace StatusParsers
