// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <QCommandLineParser>

CommandLineResult parseCommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lumivane sets up Kestrix edge-blending devices over a "
                                                    "serial line, directly or through the Controller."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    PortMap::addOptions(parser);
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral(
            "Start against the built-in simulator: a Controller with two Kestrix devices on COM1."));
    parser.addOption(simulate);

    CommandLineResult result;
    if (!parser.parse(arguments)) {
        result.outcome = CommandLineResult::ExitError;
        result.output =
            QStringLiteral("lumivane: %1\nTry 'lumivane --help' for the options.\n").arg(parser.errorText());
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.outcome = CommandLineResult::ExitError;
        result.output =
            QStringLiteral("lumivane: unexpected argument '%1'\nTry 'lumivane --help' for the options.\n")
                .arg(parser.positionalArguments().constFirst());
        return result;
    }
    if (parser.isSet(help)) {
        result.outcome = CommandLineResult::ExitOk;
        // Read before the application object exists, the parser cannot know the program's name.
        result.output =
            parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("lumivane"));
        return result;
    }
    if (parser.isSet(version)) {
        result.outcome = CommandLineResult::ExitOk;
        result.output = QStringLiteral("lumivane " LUMIVANE_VERSION "\n");
        return result;
    }
    result.options.ports.applyOptions(parser);
    result.options.simulate = parser.isSet(simulate);
    const PortMap &ports = result.options.ports;
    if (ports.isOverridden(1) && ports.isOverridden(2) && PortMap::sameDevice(ports.path(1), ports.path(2))) {
        result.outcome = CommandLineResult::ExitError;
        result.output = QStringLiteral("lumivane: --com1 %1 and --com2 %2 are the same device; one device "
                                       "cannot be both COM1 and COM2.\n")
                            .arg(ports.path(1), ports.path(2));
        return result;
    }
    if (result.options.simulate && result.options.ports.isOverridden(1)) {
        result.outcome = CommandLineResult::ExitError;
        result.output =
            QStringLiteral("lumivane: --simulate puts the simulator on COM1; it cannot be combined "
                           "with --com1.\n");
    }
    return result;
}
