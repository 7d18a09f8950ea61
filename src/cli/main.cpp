// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli: reads, compares and pushes Kestrix configurations from a script, dumps configuration
// files and plans walls. Built on the core libraries only: no window, no widgets.
#include "CliCommands.h"
#include "CliOptions.h"
#include "ExitStatus.h"
#include "FieldListing.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// With -q, Qt's own remarks (a missing XDG_RUNTIME_DIR, a font fallback) are left out with the
// progress: they tell a script nothing it can act on. What Qt calls critical still gets through.
void quietQtMessages(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        const QByteArray line = qFormatLogMessage(type, context, text).toLocal8Bit();
        std::fprintf(stderr, "%s\n", line.constData());
    }
}

// Results that did not reach stdout (a full disk, a closed pipe) are a failed write, whatever the
// command thought of its own work: said once, with the system's reason.
int outputChecked(int status) {
    writeText(stdout, QString());
    if (outputError().isEmpty() || status == ExitStatus::Interrupted || status == ExitStatus::Terminated)
        return status;
    std::fprintf(stderr, "lumivane-cli: Cannot write to standard output: %s\n", qPrintable(outputError()));
    return ExitStatus::FileError;
}

} // namespace

int main(int argc, char **argv) {
    // A reader that goes away (`lumivane-cli dump f.kxc | head -1`) makes writes fail with EPIPE, which
    // the tool reports as the failed write it is, instead of being killed half way through a run.
    std::signal(SIGPIPE, SIG_IGN);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CliParse parse = parseCliArguments(arguments);
    if (parse.outcome == CliParse::ExitOk) {
        writeText(stdout, parse.output);
        return outputChecked(ExitStatus::Ok);
    }
    if (parse.outcome == CliParse::ExitError) {
        writeText(stderr, parse.output);
        return ExitStatus::Usage;
    }
    if (parse.options.quiet) qInstallMessageHandler(quietQtMessages);

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
    struct winsize size {};
    if (streams.errIsTerminal && ::ioctl(fileno(stderr), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        streams.errColumns = size.ws_col;
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
    return outputChecked(status);
}
