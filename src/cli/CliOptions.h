// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PortMap.h"

#include <QString>
#include <QStringList>

// What the command line asked for, read before anything touches a port or a file.
struct CliOptions {
    enum class Command { None, Read, Push, Diff, Dump, Plan, Ports, Check, Preview, Report };
    enum class Route { Search, Direct, Controller };

    Command command = Command::None;
    QString file;       // read: the -o file; push, diff, dump: the file argument; "-" is stdin or stdout
    bool json = false;  // dump, plan, diff, ports
    bool quiet = false; // no progress or notes on stderr, only messages that need reading

    // Device commands.
    PortMap ports;
    bool simulate = false;
    bool assumeYes = false;
    bool dryRun = false; // push: print the commands, send nothing
    Route route = Route::Search;
    double pacingScale = 1.0; // hidden: tests run the protocol's pauses faster

    // plan
    double screenWidth = 0;
    double screenHeight = 0;
    int resolutionWidth = 1280;
    int resolutionHeight = 1024;
    int projectors = 0;
    bool centred = true;

    // check, preview, report
    bool checkDevices = false;   // check, report: what the devices hold instead of a file
    double projectorGamma = 2.2; // the light model's projector gamma
    QString picture;             // preview: the .png or .svg to write; report: the PDF ("-": stdout)
    QString siteNote;            // report: the free-text note about the site
};

struct CliParse {
    enum Outcome { Run, ExitOk, ExitError } outcome = Run;
    CliOptions options;
    QString output; // help or version for stdout, or the error for stderr
};

// arguments[0] is the program; the command comes next: lumivane-cli COMMAND [options].
CliParse parseCliArguments(const QStringList &arguments);

// The overview that "lumivane-cli --help" prints, exit statuses included.
QString cliOverview();
