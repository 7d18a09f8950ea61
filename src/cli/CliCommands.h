// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdio>

struct CliOptions;

// Where a command writes: results to out, messages and progress to err.
struct CliStreams {
    std::FILE *out = stdout;
    std::FILE *err = stderr;
    bool errIsTerminal = false;
    int errColumns = 80; // the terminal's width, when err is one
};

// Each returns the process's exit status (ExitStatus).
int runPlan(const CliOptions &options, const CliStreams &streams);
int runDump(const CliOptions &options, const CliStreams &streams);
int runPorts(const CliOptions &options, const CliStreams &streams);
int runDeviceCommand(const CliOptions &options,
                     const CliStreams &streams);                    // read, push, diff, check --devices
int runCheck(const CliOptions &options, const CliStreams &streams); // check FILE
int runPreview(const CliOptions &options, const CliStreams &streams);
int runReport(const CliOptions &options, const CliStreams &streams); // report FILE

// The findings of the wall in the model (a file's or the devices' records) on out, as text or JSON;
// ExitStatus::Ok when there are none, Findings when there are, Usage when the records hold no wall.
// devices is how many devices were read (0 for a file).
class DeviceModel;
int reportFindings(DeviceModel &model, int devices, const CliOptions &options, const CliStreams &streams);

// Why an output file cannot be written, found before anything is read or sent; empty when it can. "-" is
// standard output, refused when that is a terminal (`what` names what would go there: "the
// configuration file", "the PDF").
QString outputProblem(const QString &path, const QString &command, const QString &what);

// The commissioning report of the records in the model (what `source` does not say yet is filled from
// them) written to options.picture ("-": standard output); ExitStatus::Ok, or FileError with the reason
// said.
namespace report {
struct Source;
}
int writeReport(report::Source &source, DeviceModel &model, const CliOptions &options,
                const CliStreams &streams);
