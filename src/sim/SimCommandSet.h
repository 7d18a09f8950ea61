// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SimDevice.h"

#include <QByteArray>
#include <QString>

// The device's command interpreter: reads one command or query text (no RS-485 ID, no "!", no CR) and
// carries it out on the device state. Strict about the shape of every argument, so that a wrongly
// formatted command from the program is noticed instead of silently accepted.
namespace SimCommandSet {

// Carries out a command. False, with the reason in `error`, when the text is not a valid command;
// the device is then left unchanged.
bool apply(SimDevice &device, const QByteArray &text, QString *error);

struct Query {
    enum Kind { System, Input, Output };
    Kind kind = System;
    int channel = 0;
};

// True when `text` is one of the status queries ("SYINFOKX", "IINFOKX n", "OINFOKX n", n 1 to 4).
bool parseQuery(const QByteArray &text, Query *query);

// The status record answering `query`.
QByteArray record(const SimDevice &device, const Query &query, bool withMarker = true);

} // namespace SimCommandSet
