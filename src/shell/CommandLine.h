// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PortMap.h"

#include <QString>
#include <QStringList>

// The program's options, read before any window opens.
struct StartOptions {
    PortMap ports; // the devices behind COM1 and COM2 (--com1, --com2)
    bool simulate = false;
};

struct CommandLineResult {
    enum Outcome { Run, ExitOk, ExitError } outcome = Run;
    StartOptions options;
    QString output; // help or version text for stdout, or the error text for stderr
};

CommandLineResult parseCommandLine(const QStringList &arguments);
