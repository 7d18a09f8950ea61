// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliOptions.h"

#include "CliCommandTable.h"
#include "CliHelpTopics.h"
#include "ExitStatus.h"

#include <QCommandLineParser>

using namespace cli;

namespace {

QString exitStatusText() {
    const struct {
        int status;
        const char *meaning;
    } statuses[] = {
        {ExitStatus::Ok, "done (diff: no differences)"},
        {ExitStatus::Differ, "diff: the devices differ from the file; check: at least one finding"},
        {ExitStatus::Usage, "wrong command line, or (check, preview) a file that describes no wall"},
        {ExitStatus::FileError, "a file could not be read or written (standard output included), or is not a "
                                "configuration file"},
        {ExitStatus::NoDevice, "no device found, or fewer devices than the file needs"},
        {ExitStatus::Communication, "the line failed or a device stopped answering"},
        {ExitStatus::Refused, "a question needed Yes: run again with --yes"},
        {ExitStatus::InvalidValue, "the file holds a value that cannot be sent"},
        {ExitStatus::Interrupted, "stopped by Ctrl-C (SIGINT) after the command in flight"},
        {ExitStatus::Terminated, "stopped by SIGTERM after the command in flight"},
    };
    QString text = QStringLiteral("Exit statuses:\n");
    for (const auto &s : statuses)
        text += QStringLiteral("  %1  %2\n").arg(s.status, 3).arg(QLatin1String(s.meaning));
    return text;
}

CliParse error(const QString &text, const QString &command = {}) {
    CliParse parse;
    parse.outcome = CliParse::ExitError;
    const QString hint = command.isEmpty() ? QStringLiteral("lumivane-cli --help")
                                           : QStringLiteral("lumivane-cli %1 --help").arg(command);
    parse.output = QStringLiteral("lumivane-cli: %1\nTry '%2'.\n").arg(text, hint);
    return parse;
}

CliParse done(const QString &output) {
    CliParse parse;
    parse.outcome = CliParse::ExitOk;
    parse.output = output;
    return parse;
}

QCommandLineOption toParserOption(const OptionSpec &spec) {
    QCommandLineOption option(spec.names, spec.description, spec.valueName, spec.defaultValue);
    if (spec.hidden) option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The command's options in the order its help lists them: its own, then the port options of the
// commands that reach the devices, then -q.
QList<OptionSpec> optionsOf(const CommandSpec &spec) {
    QList<OptionSpec> options = spec.options;
    if (spec.reachesDevices) options += deviceOptions();
    options.append(quietOption());
    return options;
}

void describe(const CommandSpec &spec, QCommandLineParser &parser) {
    parser.setApplicationDescription(spec.summary);
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Describes this command.")));
    if (spec.takes != CommandSpec::Takes::Nothing)
        parser.addPositionalArgument(QStringLiteral("FILE.kxc"),
                                     QStringLiteral("The configuration file; - reads standard input."));
    const QList<OptionSpec> options = optionsOf(spec);
    for (qsizetype i = 0; i < options.size(); ++i) {
        // The port options sit before the device options, as the port map describes them.
        if (spec.reachesDevices && i == spec.options.size()) PortMap::addOptions(parser);
        parser.addOption(toParserOption(options.at(i)));
    }
}

QString commandHelp(const CommandSpec &spec) {
    QCommandLineParser parser;
    describe(spec, parser);
    QString text = parser.helpText();
    // The parser names the program only once the application object exists; the synopsis is ours.
    const qsizetype usageEnd = text.indexOf(QLatin1Char('\n'));
    text =
        QStringLiteral("Usage: lumivane-cli %1 %2\n").arg(spec.name, spec.synopsis) + text.mid(usageEnd + 1);
    return text + QLatin1Char('\n') + exitStatusText();
}

// "help", "help COMMAND", "help TOPIC".
CliParse help(const QString &subject) {
    if (subject.isEmpty()) return done(cliOverview());
    if (const CommandSpec *spec = findCommand(subject)) return done(commandHelp(*spec));
    const QString topic = helpTopic(subject);
    if (!topic.isEmpty()) return done(topic);
    return error(QStringLiteral("unknown command '%1'").arg(subject));
}

} // namespace

QString cliOverview() {
    QString text = QStringLiteral(
        "Usage: lumivane-cli COMMAND [options]\n\n"
        "Reads, compares and pushes Kestrix configurations, dumps configuration files, plans walls,\n"
        "checks blending settings, draws the blend preview and writes commissioning reports, without\n"
        "the window. Results go to stdout, progress and messages to stderr. A file named - is standard\n"
        "input or output.\n\n"
        "Commands:\n");
    for (const CommandSpec &spec : commandTable())
        text += QStringLiteral("  %1 %2\n").arg(spec.name, -7).arg(spec.synopsis);
    text += QStringLiteral("\nOptions:\n"
                           "  -h, --help  describe the tool, or with a command that command\n"
                           "  --version   print the version (anywhere on the command line)\n"
                           "\n'lumivane-cli COMMAND --help' or 'lumivane-cli help COMMAND' describes a "
                           "command and its options;\n'lumivane-cli help TOPIC' describes %1.\n\n")
                .arg(helpTopicList());
    return text + exitStatusText();
}

CliParse parseCliArguments(const QStringList &arguments) {
    const QString first = arguments.value(1);
    if (first.isEmpty()) return error(QStringLiteral("a command is needed"));
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help"))
        return help(arguments.value(2));
    // --version wins wherever it stands (before a "--" that ends the options).
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--")) break;
        if (argument == QLatin1String("--version") || first == QLatin1String("-v"))
            return done(QStringLiteral("lumivane-cli " LUMIVANE_VERSION "\n"));
    }
    const CommandSpec *spec = findCommand(first);
    if (!spec) {
        if (first.startsWith(QLatin1Char('-')))
            return error(QStringLiteral("the command comes first, before '%1'").arg(first));
        return error(QStringLiteral("unknown command '%1'").arg(first));
    }

    QCommandLineParser parser;
    describe(*spec, parser);
    QStringList rest = arguments;
    rest.removeAt(1); // the command
    if (!parser.parse(rest)) return error(parser.errorText(), spec->name);
    if (parser.isSet(QStringLiteral("help"))) return done(commandHelp(*spec));

    CliParse parse;
    CliOptions &o = parse.options;
    o.command = spec->command;
    const QList<OptionSpec> options = optionsOf(*spec);
    for (const OptionSpec &option : options) {
        const QString key = option.names.constLast();
        if (!parser.isSet(key) && (option.valueName.isEmpty() || option.defaultValue.isEmpty())) continue;
        const QString problem = option.apply(o, option.valueName.isEmpty() ? QString() : parser.value(key));
        if (!problem.isEmpty()) return error(problem, spec->name);
    }

    const QStringList positional = parser.positionalArguments();
    const bool wantsFile = spec->takes == CommandSpec::Takes::File ||
                           (spec->takes == CommandSpec::Takes::FileOrDevices && !o.checkDevices);
    if (o.checkDevices && !positional.isEmpty())
        return error(QStringLiteral("%1 takes a file or --devices, not both").arg(spec->name), spec->name);
    if (wantsFile) {
        if (positional.isEmpty())
            return error(QStringLiteral("%1 needs a configuration file").arg(spec->name), spec->name);
        if (positional.size() > 1)
            return error(QStringLiteral("unexpected argument '%1'").arg(positional.at(1)), spec->name);
        o.file = positional.constFirst();
    } else if (!positional.isEmpty()) {
        return error(QStringLiteral("unexpected argument '%1'").arg(positional.constFirst()), spec->name);
    }
    for (const OptionSpec &option : options)
        if (!option.missing.isEmpty() && parser.value(option.names.constLast()).isEmpty())
            return error(option.missing, spec->name);

    if (spec->reachesDevices) {
        o.ports.applyOptions(parser);
        if (const QString bad = o.ports.optionsProblem(); !bad.isEmpty()) return error(bad, spec->name);
        if (o.simulate && o.ports.isOverridden(1))
            return error(QStringLiteral("--simulate puts the simulator on COM1; it cannot be combined with "
                                        "--com1"),
                         spec->name);
    }
    return parse;
}
