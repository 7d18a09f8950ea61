#pragma once

#include <QString>
#include <QStringList>

// The program's options, read before any window opens.
struct StartOptions {
    QString com1; // device behind COM1; empty keeps the default
    QString com2; // device behind COM2; empty keeps the default
    bool simulate = false;
};

struct CommandLineResult {
    enum Outcome { Run, ExitOk, ExitError } outcome = Run;
    StartOptions options;
    QString output; // help or version text for stdout, or the error text for stderr
};

CommandLineResult parseCommandLine(const QStringList &arguments);
