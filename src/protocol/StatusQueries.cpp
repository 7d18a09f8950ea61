// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusQueries.h"

#include "CommandEngine.h"
#include "DeviceModel.h"
#include "EventPump.h"
#include "Framing.h"
#include "ModelAccessors.h"

#include <cstring>

using namespace StatusParsers;

namespace {

const char *queryName(StatusQueries::RecordKind kind) {
    switch (kind) {
    case StatusQueries::RecordKind::System:
        return "SYINFOKX";
    case StatusQueries::RecordKind::Input:
        return "IINFOKX";
    case StatusQueries::RecordKind::Output:
        return "OINFOKX";
    }
    return "";
}

} // namespace

int StatusQueries::replyMinLength(RecordKind kind) {
    switch (kind) {
    case RecordKind::System:
        return 8;
    case RecordKind::Input:
        return 70;
    case RecordKind::Output:
        return 62;
    }
    return 0;
}

StatusQueries::StatusQueries(CommandEngine &engine, DeviceModel &model)
    : engine(engine), model(model), state(model.state()) {}

bool StatusQueries::QuerySystemInfo(int device) {
    return query(RecordKind::System, device, 0);
}

bool StatusQueries::QueryInputInfo(int device, int channel) {
    return query(RecordKind::Input, device, channel);
}

bool StatusQueries::QueryOutputInfo(int device, int channel) {
    return query(RecordKind::Output, device, channel);
}

void StatusQueries::QueryInputs(int device) {
    for (int channel = 1; channel <= 4 && !engine.aborted(); ++channel)
        QueryInputInfo(device, channel);
}

void StatusQueries::QueryOutputs(int device) {
    for (int channel = 1; channel <= 4 && !engine.aborted(); ++channel)
        QueryOutputInfo(device, channel);
}

int StatusQueries::ReadDeviceRecords(int device, const ReadObserver &observer) {
    // A program that is closing, or a line that is gone (adapter pulled, Disconnect chosen meanwhile),
    // asks nothing more: the read ends at the first failure, before anything is built on records that
    // never arrived.
    auto readOrSkip = [&](RecordKind kind, int channel) {
        const bool ok = query(kind, device, channel);
        const bool lineGone = engine.aborted() || !engine.port().isOpen();
        const bool goOn = ok || (kind != RecordKind::System && !lineGone && observer.continueAfterFailure &&
                                 observer.continueAfterFailure(kind, channel));
        if (goOn && observer.recordDone) observer.recordDone(kind, channel, ok);
        return goOn;
    };

    if (!readOrSkip(RecordKind::System, 0)) return -1;
    for (int channel = 1; channel <= 4; ++channel)
        if (!readOrSkip(RecordKind::Input, channel)) return -1 - channel;
    for (int channel = 1; channel <= 4; ++channel)
        if (!readOrSkip(RecordKind::Output, channel)) return -5 - channel;

    state.ModelFromDevices = 1;
    UpdateDefaultSourceSize(model);
    return 1;
}

bool StatusQueries::query(RecordKind kind, int device, int channel) {
    if (!IsAddressable(device, kind == RecordKind::System ? 1 : channel)) return false;
    const int minLength = replyMinLength(kind);
    const Reply reply = exchange(kind, queryText(kind, device, channel), minLength);
    if (!reply.answered()) return false;
    return parseReply(kind, device, channel, reply, minLength);
}

QByteArray StatusQueries::queryText(RecordKind kind, int device, int channel) const {
    const QByteArray number = QByteArray::number(channel);
    QByteArray text;
    switch (kind) {
    case RecordKind::System:
        text = "SYINFOKX";
        break;
    case RecordKind::Input:
        text = "IINFOKX " + number;
        break;
    case RecordKind::Output:
        text = "OINFOKX " + number;
        break;
    }
    return engine.controllerMode() ? Framing::controllerQuery(state.DeviceIds[device], text)
                                   : Framing::direct(text);
}

// Sends the query and repeats it where the Controller asks for that.
Reply StatusQueries::exchange(RecordKind kind, const QByteArray &request, int minLength) {
    Reply reply = engine.SendQuery(request, minLength);
    if (reply.answered() || !engine.controllerMode()) return reply;

    auto worthRepeating = [&] {
        if (reply.outcome == Reply::Outcome::ControllerError) return true;
        // Output records are also asked again when the Controller let nothing at all through.
        return kind == RecordKind::Output && reply.outcome != Reply::Outcome::NotSent && reply.area[0] == 0;
    };
    for (int repeat = 0; repeat < kMaxRepeats && !reply.answered() && worthRepeating(); ++repeat) {
        if (engine.aborted() || !engine.port().isOpen()) return reply;
        reply = engine.SendQuery(request, minLength);
    }
    return reply;
}

bool StatusQueries::parseReply(RecordKind kind, int device, int channel, const Reply &answer, int minLength) {
    const quint8 *reply = answer.data();
    const int length = StatusParsers::replyDataEnd(reply, CommandEngine::AreaSize, minLength,
                                                   engine.controllerMode(), quint8(engine.ackChar()));
    const int marker = findMarker(kind, reply, length);
    bool parsed = false;
    if (marker >= 0) {
        const int start = marker + 2;
        const quint8 format = reply[marker + 1];
        switch (kind) {
        // The parsers fill a copy of the record held, which then replaces it whole (so that listeners
        // hear of what the device changed).
        case RecordKind::System: {
            SystemInfo record = model.system(device);
            parsed = ParseSystemInfo(reply, length, start, record);
            model.setSystem(device, record);
            break;
        }
        case RecordKind::Input: {
            InputInfo record = model.input(device, channel);
            parsed = ParseInputInfo(reply, length, start, format, record);
            model.setInput(device, channel, record);
            break;
        }
        case RecordKind::Output: {
            OutputInfo record = model.output(device, channel);
            parsed = ParseOutputInfo(reply, length, start, format, record);
            model.setOutput(device, channel, record);
            break;
        }
        }
    }
    if (!parsed) reportParseFailure(kind);
    return parsed;
}

void StatusQueries::reportParseFailure(RecordKind kind) {
    engine.host().setStatusText(
        QStringLiteral("Error parsing %1 message....").arg(QLatin1String(queryName(kind))));
    EventPump::processPending();
    engine.pause(engine.pacing().parseFailurePauseMs);
    if (kind == RecordKind::System) EventPump::processPending();
}
