// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReplyScanner.h"

#include <algorithm>
#include <cstring>

namespace ReplyScanner {

bool isAcknowledgement(const quint8 *area, int pos, const Settings &settings) {
    if (area[pos] != settings.ackChar || pos < settings.minLength || pos < 2) return false;
    const char first = settings.controllerMode ? 'L' : '\r';
    const char second = settings.controllerMode ? 'R' : '\n';
    return area[pos - 2] == quint8(first) && area[pos - 1] == quint8(second);
}

ControllerMessage controllerMessageAt(const quint8 *area, int stored, int pos) {
    static const struct {
        const char *bytes;
        int size;
        int decisiveLength; // bytes needed before the message can be told (the "!ERR" code is two further on)
        ControllerMessage kind;
    } patterns[] = {{"?\r\nCTR", 6, 6, ControllerMessage::Rejected},
                    {"?\r\nDEB", 6, 6, ControllerMessage::DebugPrompt},
                    {"!ERR", 4, 6, ControllerMessage::NoResponse}};
    const int available = stored - pos;
    bool incomplete = false;
    for (const auto &pattern : patterns) {
        const int compared = std::min(available, pattern.size);
        if (std::memcmp(area + pos, pattern.bytes, size_t(compared)) != 0) continue;
        if (available < pattern.decisiveLength) {
            incomplete = true;
            continue;
        }
        if (pattern.kind == ControllerMessage::NoResponse && area[pos + 5] != '4')
            return ControllerMessage::OtherError;
        return pattern.kind;
    }
    return incomplete ? ControllerMessage::Incomplete : ControllerMessage::None;
}

Result scan(const quint8 *area, int stored, int pos, const Settings &settings) {
    for (; pos < stored; ++pos) {
        if (isAcknowledgement(area, pos, settings))
            return {Found::Acknowledgement, pos, ControllerMessage::None};
        if (!settings.controllerMode) continue;
        const ControllerMessage message = controllerMessageAt(area, stored, pos);
        if (message == ControllerMessage::Incomplete) return {Found::Incomplete, pos, message};
        if (message != ControllerMessage::None) return {Found::Message, pos, message};
    }
    return {Found::Nothing, pos, ControllerMessage::None};
}

} // namespace ReplyScanner
