// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimRecords.h"

namespace SimRecords {

void appendBe16(QByteArray &out, quint16 value) {
    out.append(char(value >> 8));
    out.append(char(value & 0xFF));
}

void appendBe32(QByteArray &out, qint32 value) {
    const auto bits = quint32(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((bits >> shift) & 0xFF));
}

int inputPayloadLength(quint8 format) {
    return format == 'F' ? 70 : 78;
}

int outputPayloadLength(quint8 format) {
    return format >= 0x42 ? 65 : 64;
}

QByteArray systemPayload(const SimDevice &device) {
    QByteArray out;
    out.append(char(device.system0));
    out.append(char(device.system1));
    for (char c : device.version)
        out.append(c);
    out.append('\0'); // byte 7: unused
    return out;
}

QByteArray inputPayload(const SimInputChannel &in, quint8 format) {
    QByteArray out;
    out.append(char(in.videoLoaded));
    out.append(char(in.videoLocked));
    appendBe32(out, in.phaseOffset);
    out.append(char(in.aux1));
    out.append(char(in.aux2));
    for (qint32 v : {in.hTotal, in.hPositionCenter, in.hPosition, in.vPositionCenter, in.vPosition,
                     in.hActive, in.vActive})
        appendBe32(out, v);
    out.append(char(in.syncSelect));
    out.append(char(in.termination75));
    for (int colour = 0; colour < 4; ++colour) {
        appendBe32(out, in.contrast[colour]);
        appendBe32(out, in.brightness[colour]);
    }
    if (inputPayloadLength(format) == 78) {
        appendBe32(out, in.hPositionLimit);
        appendBe32(out, in.vPositionLimit);
    }
    return out;
}

QByteArray outputPayload(const SimOutputChannel &o, quint8 format) {
    const bool longForm = outputPayloadLength(format) == 65;
    QByteArray out;
    for (quint8 b : {o.outputFormat, o.frameRate, o.outputSync, o.advancedMode, o.projectorGroup,
                     o.totalProjectors, o.dataDoubling, o.justification})
        out.append(char(b));
    appendBe32(out, o.overlapWidth);
    appendBe32(out, o.basicGamma);
    appendBe16(out, o.basicFeathering);
    appendBe32(out, o.leftGamma);
    appendBe16(out, o.leftFeathering);
    appendBe32(out, o.rightGamma);
    appendBe16(out, o.rightFeathering);
    // Bytes 30-45 carry the halo settings in the short form and the feather widths in the long form.
    if (longForm) {
        for (qint32 v : {o.leftGammaWidth, o.leftGammaOffset, o.rightGammaWidth, o.rightGammaOffset})
            appendBe32(out, v);
    } else {
        for (qint32 v : {o.leftHaloWidth, o.leftHaloOffset, o.rightHaloWidth, o.rightHaloOffset})
            appendBe32(out, v);
    }
    for (quint8 b : {o.blackLevel, o.testPattern, o.outputRaster, o.testGrid})
        out.append(char(b));
    appendBe32(out, o.seamStart);
    for (quint8 gain : o.seamGain)
        out.append(char(gain));
    out.append(char(o.seamBridge));
    out.append(char(o.featherMode));
    if (longForm) out.append(char(o.bridgeThreshold));
    return out;
}

static QByteArray record(quint8 format, const QByteArray &payload, bool withMarker) {
    if (!withMarker) return payload;
    QByteArray out;
    out.append(char(Marker));
    out.append(char(format));
    return out + payload;
}

QByteArray systemRecord(const SimDevice &device, bool withMarker) {
    return record(device.systemFormat, systemPayload(device), withMarker);
}

QByteArray inputRecord(const SimDevice &device, int channel, bool withMarker) {
    const auto &in = device.inputs[channel - 1];
    return record(device.inputFormat, inputPayload(in, device.inputFormat), withMarker);
}

QByteArray outputRecord(const SimDevice &device, int channel, bool withMarker) {
    const auto &o = device.outputs[channel - 1];
    return record(device.outputFormat, outputPayload(o, device.outputFormat), withMarker);
}

} // namespace SimRecords
