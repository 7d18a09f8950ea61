#pragma once

#include <cstdio>

struct CliOptions;

// Where a command writes: results to out, messages and progress to err.
struct CliStreams {
    std::FILE *out = stdout;
    std::FILE *err = stderr;
    bool errIsTerminal = false;
};

// Each returns the process's exit status (ExitStatus).
int runPlan(const CliOptions &options, const CliStreams &streams);
int runDump(const CliOptions &options, const CliStreams &streams);
int runPorts(const CliOptions &options, const CliStreams &streams);
int runDeviceCommand(const CliOptions &options, const CliStreams &streams); // read, push, diff
