// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzTargets.h"

#include "CommandEngine.h"
#include "StatusParsers.h"

#include <QByteArray>

#include <cstring>
#include <memory>

using namespace StatusParsers;

namespace {

// Fills every byte (padding included) with a pattern, so that a parse that fails and still writes shows.
template <typename Record> Record patterned() {
    Record r;
    std::memset(static_cast<void *>(&r), 0xA5, sizeof r);
    return r;
}

template <typename Record> bool same(const Record &a, const Record &b) {
    return std::memcmp(static_cast<const void *>(&a), static_cast<const void *>(&b), sizeof a) == 0;
}

constexpr const char *kTouched = "a failed parse changed its record";

// Parses the record at `marker`; `ok` tells whether it was taken.
const char *parse(RecordKind kind, const quint8 *reply, int length, int marker, bool &ok) {
    const int start = marker + 2;
    const quint8 format = reply[marker + 1];
    switch (kind) {
    case RecordKind::System: {
        SystemInfo r = patterned<SystemInfo>();
        const SystemInfo before = r;
        ok = ParseSystemInfo(reply, length, start, r);
        if (!ok) return same(r, before) ? nullptr : kTouched;
        return r.bytes[7] == 0 && r.version().size() <= 5 ? nullptr : "version text not ended";
    }
    case RecordKind::Input: {
        InputInfo r = patterned<InputInfo>();
        const InputInfo before = r;
        ok = ParseInputInfo(reply, length, start, format, r);
        if (!ok) return same(r, before) ? nullptr : kTouched;
        const bool limitsUnknown = r.HPositionLimit == -1 && r.VPositionLimit == -1;
        return format != kInputShortFormat || limitsUnknown ? nullptr : "short form set position limits";
    }
    case RecordKind::Output: {
        OutputInfo r = patterned<OutputInfo>();
        const OutputInfo before = r;
        ok = ParseOutputInfo(reply, length, start, format, r);
        return ok || same(r, before) ? nullptr : kTouched;
    }
    }
    return nullptr;
}

// Marker search and parse over `length` reply bytes; checks that a record was taken only from bytes
// inside the reply.
const char *parseWithin(RecordKind kind, const quint8 *reply, int length) {
    const int marker = findMarker(kind, reply, length);
    if (marker < -1 || marker >= kMarkerSearchPositions || (marker >= 0 && marker + 1 >= length))
        return "marker reported outside the searched bytes";
    if (marker < 0) return nullptr;
    bool ok = false;
    if (const char *fault = parse(kind, reply, length, marker, ok)) return fault;
    if (ok && marker + 2 + payloadLength(kind, reply[marker + 1]) > length)
        return "record parsed from bytes past the reply";
    return nullptr;
}

const char *statusReply(RecordKind kind, const uint8_t *data, size_t size) {
    if (size < 2) return nullptr;
    const bool controllerMode = data[0] & 1;
    const bool nulOnLastByte = data[0] & 2;
    const int minLength = data[1];
    const quint8 *reply = data + 2;
    const int replySize = int(size - 2);

    // The reply as it lands in the engine's cleared reply area, then found and parsed as a query does.
    quint8 area[CommandEngine::AreaSize] = {};
    const int stored = std::min(replySize, CommandEngine::AreaSize);
    std::memcpy(area, reply, size_t(stored));
    if (nulOnLastByte && stored > 0) area[stored - 1] = 0;
    const int end = replyDataEnd(area, int(sizeof area), minLength, controllerMode,
                                 controllerMode ? quint8('>') : quint8('#'));
    if (end < 0 || end > CommandEngine::AreaSize - 3) return "reply end outside the area";
    if (const char *fault = parseWithin(kind, area, end)) return fault;

    // The same bytes in a buffer of exactly their size: a read one byte past the stated length is a
    // sanitizer report here, where inside the area it would go unnoticed.
    const auto exact = std::make_unique<quint8[]>(size_t(replySize));
    std::memcpy(exact.get(), reply, size_t(replySize));
    return parseWithin(kind, exact.get(), replySize);
}

} // namespace

namespace FuzzTargets {

const char *statusSystem(const uint8_t *data, size_t size) {
    return statusReply(RecordKind::System, data, size);
}

const char *statusInput(const uint8_t *data, size_t size) {
    return statusReply(RecordKind::Input, data, size);
}

const char *statusOutput(const uint8_t *data, size_t size) {
    return statusReply(RecordKind::Output, data, size);
}

} // namespace FuzzTargets
