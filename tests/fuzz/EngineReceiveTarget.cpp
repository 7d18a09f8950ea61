// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzTargets.h"

#include "CommandEngine.h"
#include "ReplyScanner.h"

#include <algorithm>
#include <cstring>
#include <memory>

using namespace ReplyScanner;

namespace {

// One wait of the engine's receive handler: each notification stores what fits of its block in the
// reply area, scans from where the last scan stopped, and ends the wait on an acknowledgement, a
// Controller message or a block that did not fit.
struct Wait {
    explicit Wait(const Settings &s) : settings(s) {}
    Settings settings;
    quint8 area[CommandEngine::AreaSize] = {};
    int stored = 0;
    int pos = 0;
    bool awaiting = true;
    bool overflowed = false;
    Result last;

    const char *notify(const quint8 *block, int count) {
        if (!awaiting) return nullptr;
        const int take = std::min(count, CommandEngine::AreaSize - stored);
        std::memcpy(area + stored, block, size_t(take));
        stored += take;
        // Scanned in a heap copy of exactly the stored bytes: a read past them is a sanitizer report,
        // where inside the 250-byte area it would pass unseen.
        const std::unique_ptr<quint8[]> exact(new quint8[size_t(std::max(stored, 1))]);
        std::memcpy(exact.get(), area, size_t(stored));
        const Result r = scan(exact.get(), stored, pos, settings);
        if (r.pos < pos || r.pos > stored) return "scan stopped outside the bytes it was given";
        if (r.found == Found::Nothing && r.pos != stored) return "scan gave up before the end";
        if (r.found == Found::Incomplete && (!settings.controllerMode || stored - r.pos >= 6))
            return "a decidable message left waiting";
        if (r.found == Found::Message && !settings.controllerMode) return "Controller message in direct mode";
        if (r.found == Found::Acknowledgement && (r.pos < settings.minLength || r.pos < 2))
            return "acknowledgement before the reply's minimum length";
        pos = r.pos;
        last = r;
        if (r.found == Found::Acknowledgement || r.found == Found::Message) {
            awaiting = false;
            return nullptr;
        }
        if (take < count) {
            awaiting = false;
            overflowed = true;
        }
        return nullptr;
    }
};

bool sameOutcome(const Wait &a, const Wait &b) {
    return a.awaiting == b.awaiting && a.overflowed == b.overflowed && a.last.found == b.last.found &&
           a.pos == b.pos && a.last.message == b.last.message;
}

} // namespace

namespace FuzzTargets {

// Byte 0: bit 0 Controller mode, bit 1 '>' as the acknowledgement character instead of '#'; byte 1: the
// minimum reply length; then the notifications, each a length byte and that many bytes (the last one
// cut by the end of the input).
const char *engineReceive(const uint8_t *data, size_t size) {
    if (size < 2) return nullptr;
    Settings settings;
    settings.controllerMode = data[0] & 1;
    settings.ackChar = data[0] & 2 ? '>' : '#';
    settings.minLength = data[1];

    Wait split(settings);
    QByteArray whole;
    for (size_t at = 2; at < size;) {
        const size_t count = std::min<size_t>(data[at], size - at - 1);
        const quint8 *block = data + at + 1;
        if (const char *fault = split.notify(block, int(count))) return fault;
        whole.append(reinterpret_cast<const char *>(block), qsizetype(count));
        at += 1 + count;
    }
    // Where a reply was cut must not change what is found in it, nor where.
    Wait once(settings);
    if (const char *fault =
            once.notify(reinterpret_cast<const quint8 *>(whole.constData()), int(whole.size())))
        return fault;
    if (!sameOutcome(split, once)) return "the split points changed what the reply was taken for";
    return nullptr;
}

} // namespace FuzzTargets
