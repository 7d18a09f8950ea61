// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusParsers.h"

#include <cstring>

namespace StatusParsers {

namespace {

// Walks a payload in wire order; the caller has checked that it fits.
class PayloadReader {
public:
    explicit PayloadReader(const quint8 *payload) : p(payload) {}
    quint8 byte() { return *p++; }
    qint16 word() { return advance(be16(p), 2); }
    qint32 dword() { return advance(be32(p), 4); }
    float tenth() { return advance(tenths(p), 4); }

private:
    template <typename T> T advance(T value, int count) {
        p += count;
        return value;
    }
    const quint8 *p;
};

bool fits(int length, int start, int payload) {
    return start >= 0 && length >= 0 && payload <= length - start;
}

} // namespace

bool acceptsFormat(RecordKind kind, quint8 format) {
    switch (kind) {
    case RecordKind::System:
        return format == kSystemFormat;
    case RecordKind::Input:
        return format == kInputShortFormat || format == kInputLongFormat;
    case RecordKind::Output:
        return (format >= 0x3E && format <= 0x40) || format == kOutputLongFormat;
    }
    return false;
}

int payloadLength(RecordKind kind, quint8 format) {
    switch (kind) {
    case RecordKind::System:
        return 8;
    case RecordKind::Input:
        return format == kInputLongFormat ? 78 : 70;
    case RecordKind::Output:
        return format == kOutputLongFormat ? 65 : 64;
    }
    return 0;
}

int replyDataEnd(const quint8 *area, int size, int minLength, bool controllerMode, quint8 ack) {
    const quint8 first = controllerMode ? 'L' : '\r';
    const quint8 second = controllerMode ? 'R' : '\n';
    int lastNulEnd = 0;
    for (int p = qMax(minLength, 2); p < size; ++p) {
        if (area[p - 2] != first || area[p - 1] != second) continue;
        if (area[p] == ack) return p - 2;
        if (area[p] == 0) lastNulEnd = p - 2;
    }
    return lastNulEnd;
}

int findMarker(RecordKind kind, const quint8 *reply, int length) {
    for (int i = 0; i < kMarkerSearchPositions && i + 1 < length; ++i) {
        if (reply[i] == kMarker && acceptsFormat(kind, reply[i + 1])) return i;
    }
    return -1;
}

qint16 be16(const quint8 *p) {
    return qint16(quint16(p[0] << 8 | p[1]));
}

qint32 be32(const quint8 *p) {
    return qint32(quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]));
}

float tenths(const quint8 *p) {
    // Computed in double first, then narrowed: 22 tenths must give the float nearest 2.2.
    return float(double(be32(p)) * 0.1);
}

bool ParseSystemInfo(const quint8 *reply, int length, int start, SystemInfo &record) {
    if (!fits(length, start, payloadLength(RecordKind::System, kSystemFormat))) return false;
    std::memcpy(record.bytes, reply + start, 7);
    record.bytes[7] = 0;
    return true;
}

bool ParseInputInfo(const quint8 *reply, int length, int start, quint8 format, InputInfo &record) {
    if (!acceptsFormat(RecordKind::Input, format) ||
        !fits(length, start, payloadLength(RecordKind::Input, format)))
        return false;

    PayloadReader in(reply + start);
    InputInfo r = record; // padding and anything the reply does not carry stay as they were
    r.VideoLoaded = in.byte();
    r.VideoLocked = in.byte();
    r.PhaseOffset = in.dword();
    r.InputAux1 = in.byte();
    r.InputAux2 = in.byte();
    r.HTotal = in.dword();
    r.HPositionCenter = in.dword();
    r.HPosition = in.dword();
    r.VPositionCenter = in.dword();
    r.VPosition = in.dword();
    r.HActive = in.dword();
    r.VActive = in.dword();
    r.SyncSelect = in.byte();
    r.Termination75 = in.byte();
    r.OverallContrast = in.tenth();
    r.OverallBrightness = in.tenth();
    r.RedContrast = in.tenth();
    r.RedBrightness = in.tenth();
    r.GreenContrast = in.tenth();
    r.GreenBrightness = in.tenth();
    r.BlueContrast = in.tenth();
    r.BlueBrightness = in.tenth();
    if (format == kInputLongFormat) {
        r.HPositionLimit = in.dword();
        r.VPositionLimit = in.dword();
    } else {
        r.HPositionLimit = -1;
        r.VPositionLimit = -1;
    }
    record = r;
    return true;
}

bool ParseOutputInfo(const quint8 *reply, int length, int start, quint8 format, OutputInfo &record) {
    if (!acceptsFormat(RecordKind::Output, format) ||
        !fits(length, start, payloadLength(RecordKind::Output, format)))
        return false;

    const bool longForm = format == kOutputLongFormat;
    PayloadReader in(reply + start);
    OutputInfo r = record;
    r.OutputFormat = in.byte();
    r.FrameRate = in.byte();
    r.OutputSync = in.byte();
    r.AdvancedMode = in.byte();
    r.ProjectorGroup = in.byte();
    r.TotalProjectors = in.byte();
    r.DataDoubling = in.byte();
    r.Justification = in.byte();
    r.OverlapWidth = in.dword();
    r.BasicGamma = in.tenth();
    r.BasicFeathering = in.word();
    r.LeftGamma = in.tenth();
    r.LeftFeathering = in.word();
    r.RightGamma = in.tenth();
    r.RightFeathering = in.word();
    // The same four words carry the advanced feathering values in the long form and the halo values in
    // the short one; the other group keeps what it had.
    qint32 *edge[4] = {&r.LeftHaloWidth, &r.LeftHaloOffset, &r.RightHaloWidth, &r.RightHaloOffset};
    if (longForm) {
        edge[0] = &r.LeftGammaWidth;
        edge[1] = &r.LeftGammaOffset;
        edge[2] = &r.RightGammaWidth;
        edge[3] = &r.RightGammaOffset;
    }
    for (qint32 *field : edge)
        *field = in.dword();
    r.BlackLevel = in.byte();
    r.TestPattern = in.byte();
    r.OutputRaster = in.byte();
    r.TestGrid = in.byte();
    r.SeamStart = in.dword();
    for (quint8 &gain : r.SeamGain)
        gain = in.byte();
    r.SeamBridge = in.byte();
    r.FeatherMode = in.byte();
    r.BridgeThreshold = longForm ? in.byte() : 0;
    r.Held |= OutputHeld::Tracked | (longForm ? OutputHeld::LeftFeather | OutputHeld::RightFeather
                                              : OutputHeld::LeftHalo | OutputHeld::RightHalo);
    record = r;
    return true;
}

} // namespace StatusParsers
