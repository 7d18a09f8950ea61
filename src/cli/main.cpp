// lumivane-cli: reads, compares and pushes Kestrix configurations from a script, dumps configuration
// files and plans walls. Built on the core libraries only: no window, no widgets.
#include "CliCommands.h"
#include "CliOptions.h"
#include "ExitStatus.h"
#include "FieldListing.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>
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

    // The preview and the report draw text, which takes the font machinery of a GUI application; they
    // never need a display.
    std::unique_ptr<QCoreApplication> app;
    if (parse.options.command == CliOptions::Command::Preview ||
        parse.options.command == CliOptions::Command::Report) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("lumivane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMIVANE_VERSION));

    CliStreams streams;
    streams.errIsTerminal = isatty(fileno(stderr)) != 0;
    int status = ExitStatus::Usage;
    switch (parse.options.command) {
    case CliOptions::Command::Plan:
        status = runPlan(parse.options, streams);
        break;
    case CliOptions::Command::Dump:
        status = runDump(parse.options, streams);
        break;
    case CliOptions::Command::Ports:
        status = runPorts(parse.options, streams);
        break;
    case CliOptions::Command::Check:
        status = parse.options.checkDevices ? runDeviceCommand(parse.options, streams)
                                            : runCheck(parse.options, streams);
        break;
    case CliOptions::Command::Preview:
        status = runPreview(parse.options, streams);
        break;
    case CliOptions::Command::Report:
        status = parse.options.checkDevices ? runDeviceCommand(parse.options, streams)
                                            : runReport(parse.options, streams);
        break;
    case CliOptions::Command::Read:
    case CliOptions::Command::Push:
    case CliOptions::Command::Diff:
        status = runDeviceCommand(parse.options, streams);
        break;
    case CliOptions::Command::None:
        break;
    }
    // Results that did not reach stdout (a full disk, a closed pipe) are a failed write, whatever the
    // command thought of its own work; a script must not take a truncated listing for a whole one.
    writeText(stdout, QString());
    if (!outputError().isEmpty() && status != ExitStatus::Interrupted && status != ExitStatus::Terminated) {
        std::fprintf(stderr, "lumivane-cli: Cannot write to standard output: %s\n",
                     qPrintable(outputError()));
        return ExitStatus::FileError;
    }
    return status;
}
