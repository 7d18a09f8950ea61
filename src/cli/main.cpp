// lumivane-cli: reads, compares and pushes Kestrix configurations from a script, dumps configuration
// files and plans walls. Built on the core libraries only: no window, no widgets.
#include "CliCommands.h"
#include "CliOptions.h"
#include "ExitStatus.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CliParse parse = parseCliArguments(arguments);
    if (parse.outcome == CliParse::ExitOk) {
        std::fputs(qPrintable(parse.output), stdout);
        return ExitStatus::Ok;
    }
    if (parse.outcome == CliParse::ExitError) {
        std::fputs(qPrintable(parse.output), stderr);
        return ExitStatus::Usage;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumivane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.02"));

    CliStreams streams;
    streams.errIsTerminal = isatty(fileno(stderr)) != 0;
    switch (parse.options.command) {
    case CliOptions::Command::Plan:
        return runPlan(parse.options, streams);
    case CliOptions::Command::Dump:
        return runDump(parse.options, streams);
    case CliOptions::Command::Read:
    case CliOptions::Command::Push:
    case CliOptions::Command::Diff:
        return runDeviceCommand(parse.options, streams);
    case CliOptions::Command::None:
        break;
    }
    return ExitStatus::Usage;
}
