#include "StatusQueries.h"

#include "CommandEngine.h"
#include "DeviceModel.h"
#include "EventPump.h"
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

// The smallest reply position at which the engine accepts the closing acknowledgement.
int replyMinLength(StatusQueries::RecordKind kind) {
    switch (kind) {
    case StatusQueries::RecordKind::System:
        return 8;
    case StatusQueries::RecordKind::Input:
        return 70;
    case StatusQueries::RecordKind::Output:
        return 62;
    }
    return 0;
}

} // namespace

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
    formatQuery(kind, device, channel);
    engine.ReplyMinLength = replyMinLength(kind);
    if (!exchange(kind)) return false;
    return parseReply(kind, device, channel);
}

void StatusQueries::formatQuery(RecordKind kind, int device, int channel) {
    const int id = state.DeviceIds[device];
    const bool controller = engine.controllerMode();
    switch (kind) {
    case RecordKind::System:
        if (controller)
            engine.setCommand("KXQUERY *%dSYINFOKX!\r", id);
        else
            engine.setCommand("SYINFOKX\r");
        break;
    case RecordKind::Input:
        if (controller)
            engine.setCommand("KXQUERY *%dIINFOKX %1d!\r", id, channel);
        else
            engine.setCommand("IINFOKX %1d\r", channel);
        break;
    case RecordKind::Output:
        if (controller)
            engine.setCommand("KXQUERY *%dOINFOKX %1d!\r", id, channel);
        else
            engine.setCommand("OINFOKX %1d\r", channel);
        break;
    }
}

// Sends the query and repeats it where the Controller asks for that; true when a reply arrived.
bool StatusQueries::exchange(RecordKind kind) {
    // With the port closed the engine sends nothing and leaves its flags and reply area as the last
    // exchange left them; parsing those would copy another record's bytes into this one.
    if (!engine.port().isOpen()) return false;

    sendOnce();
    if (!engine.ReplyFailed) return true;
    if (!engine.controllerMode()) return false;

    auto worthRepeating = [&] {
        if (kind != RecordKind::Output) return engine.ControllerError;
        // Output records are also asked again when the Controller let nothing at all through.
        return engine.ControllerError || engine.ReplyArea[0] == 0;
    };
    for (int repeat = 0; repeat < kMaxRepeats && engine.ReplyFailed && worthRepeating(); ++repeat) {
        if (engine.aborted() || !engine.port().isOpen()) return false;
        sendOnce();
    }
    return !engine.ReplyFailed;
}

void StatusQueries::sendOnce() {
    // A clean area: bytes an earlier, longer reply left behind can never pass for part of this one.
    std::memset(engine.ReplyArea, 0, sizeof engine.ReplyArea);
    engine.SendQuery();
}

bool StatusQueries::parseReply(RecordKind kind, int device, int channel) {
    const quint8 *reply = engine.ReplyArea;
    const int length = replyDataEnd();
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

int StatusQueries::replyDataEnd() const {
    return StatusParsers::replyDataEnd(engine.ReplyArea, int(sizeof engine.ReplyArea), engine.ReplyMinLength,
                                       engine.controllerMode(), quint8(engine.AckChar));
}

void StatusQueries::reportParseFailure(RecordKind kind) {
    engine.host().setStatusText(
        QStringLiteral("Error parsing %1 message....").arg(QLatin1String(queryName(kind))));
    EventPump::processPending();
    engine.pause(engine.pacing().parseFailurePauseMs);
    if (kind == RecordKind::System) EventPump::processPending();
}
