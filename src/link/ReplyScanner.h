// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// What the command engine looks for in the bytes a wait has received: the acknowledgement (the ack
// character after "\r\n" directly, after "LR" behind the Controller, never before the minimum reply
// length) and, behind the Controller, its rejection, debug prompt and error messages. Pure, so that the
// engine and the fuzz target run the same scan.
namespace ReplyScanner {

enum class ControllerMessage { None, Incomplete, Rejected, DebugPrompt, NoResponse, OtherError };

struct Settings {
    int minLength = 0; // no acknowledgement before this position
    quint8 ackChar = '#';
    bool controllerMode = false;
};

enum class Found {
    Nothing,         // every stored byte examined
    Incomplete,      // a Controller message may start at pos; more bytes decide
    Acknowledgement, // at pos
    Message,         // a Controller message starts at pos
};

struct Result {
    Found found = Found::Nothing;
    int pos = 0; // where the scan stopped: the finding, or `stored` for Nothing
    ControllerMessage message = ControllerMessage::None;
};

bool isAcknowledgement(const quint8 *area, int pos, const Settings &settings);
// The Controller message starting at pos, reading only area[pos .. stored - 1].
ControllerMessage controllerMessageAt(const quint8 *area, int stored, int pos);
// Examines area[pos .. stored - 1] in order and stops at the first finding. Reads nothing at or past
// `stored`.
Result scan(const quint8 *area, int stored, int pos, const Settings &settings);

} // namespace ReplyScanner
