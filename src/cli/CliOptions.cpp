#include "CliOptions.h"

#include "BlendCheck.h"
#include "ExitStatus.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace {

struct CommandInfo {
    const char *name;
    CliOptions::Command command;
    const char *summary;
    const char *arguments; // the synopsis after the command name
};

const CommandInfo kCommands[] = {
    {"read", CliOptions::Command::Read,
     "Search for the devices, read every setting of every device and write them to a configuration "
     "file. Nothing is written when the read fails.",
     "-o FILE.kxc|-"},
    {"push", CliOptions::Command::Push,
     "Send a configuration file's settings to the devices in the order Send Current Settings uses, "
     "device 2 included.",
     "FILE.kxc|- [--dry-run]"},
    {"diff", CliOptions::Command::Diff,
     "Read the devices and list every setting that differs from a configuration file, one line per "
     "field: device, channel, field, file value, device value. Exit status 0 when they are equal, 1 "
     "when they differ, 4 when the file needs two devices and only device 1 answered (device 1 is "
     "still compared and its differences listed).",
     "FILE.kxc|- [--json]"},
    {"dump", CliOptions::Command::Dump,
     "Print every field of both devices in a configuration file with its name, as a table or as JSON.",
     "FILE.kxc|- [--json]"},
    {"plan", CliOptions::Command::Plan,
     "Plan a wall: aspect ratio, projectors, devices, overlap, input image size, each projector's "
     "slice and the image content notes.",
     "--screen WxH [--resolution 1280x1024] [--projectors N] [--align left|center] [--json]"},
    {"check", CliOptions::Command::Check,
     "Check a configuration file's settings (or with --devices what the devices hold) for blending "
     "settings that disagree: neighbouring edges with different feather widths, offsets, gammas or "
     "enables, feather widths that differ from the overlap, feathered outer edges, halos wider than the "
     "overlap, different black levels, two devices holding different walls. Each finding names the "
     "screens and values and says what it does on the wall. Exit status 0 when there is none, 1 when "
     "there is any.",
     "FILE.kxc|- | --devices [--gamma G] [--json]"},
    {"preview", CliOptions::Command::Preview,
     "Draw the Blend Preview page's picture of a configuration file: each projector's slice, blend zones, "
     "halos and black level, the feather ramps and the light summed across the wall, under the light "
     "model the picture states (a model, not a measurement).",
     "FILE.kxc|- -o PICTURE.png|.svg [--gamma G]"},
    {"report", CliOptions::Command::Report,
     "Write a commissioning report as a PDF: the date, a site note, the plan (screen size, resolution, "
     "projectors, overlap, input image size, each projector's slice and the planning drawings), every "
     "setting of every screen in use per channel with each device's RS-485 ID, version and record form, "
     "the consistency "
     "findings with the blend preview picture, and the link. From a configuration file, or with --devices "
     "from what the devices hold.",
     "FILE.kxc|- | --devices -o REPORT.pdf|- [--note TEXT] [--gamma G]"},
    {"ports", CliOptions::Command::Ports,
     "List the serial ports of this machine: path, description, manufacturer, serial number and USB "
     "vendor and product IDs.",
     "[--json]"},
};

const CommandInfo *findCommand(const QString &name) {
    for (const CommandInfo &info : kCommands)
        if (name == QLatin1String(info.name)) return &info;
    return nullptr;
}

QString exitStatusText() {
    const struct {
        int status;
        const char *meaning;
    } statuses[] = {
        {ExitStatus::Ok, "done (diff: no differences)"},
        {ExitStatus::Differ, "diff: the devices differ from the file; check: at least one finding"},
        {ExitStatus::Usage, "wrong command line, or (check, preview) a file that describes no wall"},
        {ExitStatus::FileError, "a file could not be read or written, or is not a configuration file"},
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

// "30x10", "1280x1024": two numbers joined by x.
bool parsePair(const QString &text, double *first, double *second) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*([^xX]+)[xX]([^xX]+)\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) return false;
    bool ok1 = false, ok2 = false;
    *first = m.captured(1).trimmed().toDouble(&ok1);
    *second = m.captured(2).trimmed().toDouble(&ok2);
    return ok1 && ok2 && std::isfinite(*first) && std::isfinite(*second);
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
    for (const CommandInfo &info : kCommands)
        text +=
            QStringLiteral("  %1 %2\n").arg(QLatin1String(info.name), -7).arg(QLatin1String(info.arguments));
    text += QStringLiteral("\nOptions:\n"
                           "  -h, --help  describe the tool, or with a command that command\n"
                           "  --version   print the version (anywhere on the command line)\n"
                           "\n'lumivane-cli COMMAND --help' describes a command and its options.\n\n");
    return text + exitStatusText();
}

CliParse parseCliArguments(const QStringList &arguments) {
    const QString first = arguments.value(1);
    if (first.isEmpty()) return error(QStringLiteral("a command is needed"));
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        CliParse parse;
        parse.outcome = CliParse::ExitOk;
        parse.output = cliOverview();
        return parse;
    }
    // --version wins wherever it stands (before a "--" that ends the options).
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--")) break;
        if (argument == QLatin1String("--version") || first == QLatin1String("-v")) {
            CliParse parse;
            parse.outcome = CliParse::ExitOk;
            parse.output = QStringLiteral("lumivane-cli " LUMIVANE_VERSION "\n");
            return parse;
        }
    }
    const CommandInfo *info = findCommand(first);
    if (!info) {
        if (first.startsWith(QLatin1Char('-')))
            return error(QStringLiteral("the command comes first, before '%1'").arg(first));
        return error(QStringLiteral("unknown command '%1'").arg(first));
    }
    const QString name = QLatin1String(info->name);
    const bool report = info->command == CliOptions::Command::Report;
    const bool check = info->command == CliOptions::Command::Check;
    const bool deviceCommand = info->command == CliOptions::Command::Read ||
                               info->command == CliOptions::Command::Push ||
                               info->command == CliOptions::Command::Diff || check || report;

    QCommandLineParser parser;
    parser.setApplicationDescription(QLatin1String(info->summary));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Describes this command."));
    parser.addOption(help);

    QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("The configuration file to write (replaced whole, or left as it "
                                             "was when the read fails); - writes it to standard output."),
                              QStringLiteral("FILE.kxc"));
    QCommandLineOption quiet(QStringList{QStringLiteral("q"), QStringLiteral("quiet")},
                             QStringLiteral("No progress lines or notes; errors and questions only."));
    QCommandLineOption simulate(QStringLiteral("simulate"),
                                QStringLiteral("Use the built-in simulator (a Controller with two Kestrix "
                                               "devices) on COM1."));
    QCommandLineOption yes(QStringList{QStringLiteral("y"), QStringLiteral("yes")},
                           QStringLiteral("Answer Yes to every question the devices' state raises."));
    QCommandLineOption link(QStringLiteral("link"),
                            QStringLiteral("How the devices are reached: search (direct first, then the "
                                           "Controller; the default), direct or controller."),
                            QStringLiteral("search|direct|controller"), QStringLiteral("search"));
    QCommandLineOption dryRun(
        QStringLiteral("dry-run"),
        QStringLiteral("Print every command the push would send, in order, one per line "
                       "with its device (as to two devices; one device gets the Kestrix 1 "
                       "lines), and send nothing: no port is opened."));
    QCommandLineOption pacing(QStringLiteral("pacing-scale"), QStringLiteral("Scales every protocol pause."),
                              QStringLiteral("factor"), QStringLiteral("1"));
    pacing.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON instead of text."));
    QCommandLineOption devices(QStringLiteral("devices"),
                               QStringLiteral("Search for the devices, read them and check what they hold "
                                              "instead of a file; the port options below apply."));
    QCommandLineOption gamma(QStringLiteral("gamma"),
                             QStringLiteral("The projectors' gamma in the light model (1 to 3.5; 2.2 by "
                                            "default)."),
                             QStringLiteral("G"), QStringLiteral("2.2"));
    QCommandLineOption picture(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                               QStringLiteral("The picture to write: PNG or SVG by the name's ending."),
                               QStringLiteral("PICTURE.png|.svg"));
    QCommandLineOption document(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                QStringLiteral("The PDF to write (replaced whole, or left as it was when "
                                               "anything fails); - writes it to standard output."),
                                QStringLiteral("REPORT.pdf"));
    QCommandLineOption note(QStringLiteral("note"),
                            QStringLiteral("A note about the site, printed under the date (empty by "
                                           "default)."),
                            QStringLiteral("TEXT"));
    QCommandLineOption reportDevices(QStringLiteral("devices"),
                                     QStringLiteral("Search for the devices, read them and report what they "
                                                    "hold instead of a file; the port options below "
                                                    "apply."));
    QCommandLineOption screen(QStringLiteral("screen"),
                              QStringLiteral("The output screen size, horizontal x vertical, in any unit."),
                              QStringLiteral("WxH"));
    QCommandLineOption resolution(QStringLiteral("resolution"),
                                  QStringLiteral("The projectors' native resolution: 800x600, 1024x768 or "
                                                 "1280x1024 (the default)."),
                                  QStringLiteral("WxH"), QStringLiteral("1280x1024"));
    QCommandLineOption projectors(QStringLiteral("projectors"),
                                  QStringLiteral("Choose the number of projectors (1 to 8) instead of the "
                                                 "number the screen needs."),
                                  QStringLiteral("N"));
    QCommandLineOption align(QStringLiteral("align"),
                             QStringLiteral("The input material's alignment: left or center (the default)."),
                             QStringLiteral("left|center"), QStringLiteral("center"));

    switch (info->command) {
    case CliOptions::Command::Read:
        parser.addOption(output);
        break;
    case CliOptions::Command::Push:
        parser.addPositionalArgument(QStringLiteral("FILE.kxc"),
                                     QStringLiteral("The configuration file; - reads standard input."));
        parser.addOption(dryRun);
        break;
    case CliOptions::Command::Diff:
    case CliOptions::Command::Dump:
        parser.addPositionalArgument(QStringLiteral("FILE.kxc"),
                                     QStringLiteral("The configuration file; - reads standard input."));
        parser.addOption(json);
        break;
    case CliOptions::Command::Ports:
        parser.addOption(json);
        break;
    case CliOptions::Command::Check:
        parser.addPositionalArgument(QStringLiteral("FILE.kxc"),
                                     QStringLiteral("The configuration file; - reads standard input."));
        parser.addOption(devices);
        parser.addOption(gamma);
        parser.addOption(json);
        break;
    case CliOptions::Command::Preview:
        parser.addPositionalArgument(QStringLiteral("FILE.kxc"),
                                     QStringLiteral("The configuration file; - reads standard input."));
        parser.addOption(picture);
        parser.addOption(gamma);
        break;
    case CliOptions::Command::Report:
        parser.addPositionalArgument(QStringLiteral("FILE.kxc"),
                                     QStringLiteral("The configuration file; - reads standard input."));
        parser.addOption(reportDevices);
        parser.addOption(document);
        parser.addOption(note);
        parser.addOption(gamma);
        break;
    case CliOptions::Command::Plan:
        parser.addOption(screen);
        parser.addOption(resolution);
        parser.addOption(projectors);
        parser.addOption(align);
        parser.addOption(json);
        break;
    case CliOptions::Command::None:
        break;
    }
    if (deviceCommand) {
        PortMap::addOptions(parser);
        parser.addOption(simulate);
        parser.addOption(link);
        parser.addOption(yes);
        parser.addOption(pacing);
    }
    parser.addOption(quiet);

    QStringList rest = arguments;
    rest.removeAt(1); // the command
    if (!parser.parse(rest)) return error(parser.errorText(), name);

    CliParse parse;
    if (parser.isSet(help)) {
        parse.outcome = CliParse::ExitOk;
        QString text = parser.helpText();
        // The parser names the program only once the application object exists; the synopsis is ours.
        const int usageEnd = text.indexOf(QLatin1Char('\n'));
        text = QStringLiteral("Usage: lumivane-cli %1 %2\n").arg(name, QLatin1String(info->arguments)) +
               text.mid(usageEnd + 1);
        parse.output = text + QLatin1Char('\n') + exitStatusText();
        return parse;
    }

    CliOptions &o = parse.options;
    o.command = info->command;
    const QStringList positional = parser.positionalArguments();
    if (check || report) {
        o.checkDevices = parser.isSet(check ? devices : reportDevices);
        if (o.checkDevices && !positional.isEmpty())
            return error(QStringLiteral("%1 takes a file or --devices, not both").arg(name), name);
    }
    const bool wantsFile =
        info->command == CliOptions::Command::Push || info->command == CliOptions::Command::Diff ||
        info->command == CliOptions::Command::Dump || info->command == CliOptions::Command::Preview ||
        ((check || report) && !o.checkDevices);
    if (wantsFile) {
        if (positional.isEmpty())
            return error(QStringLiteral("%1 needs a configuration file").arg(name), name);
        if (positional.size() > 1)
            return error(QStringLiteral("unexpected argument '%1'").arg(positional.at(1)), name);
        o.file = positional.constFirst();
    } else if (!positional.isEmpty()) {
        return error(QStringLiteral("unexpected argument '%1'").arg(positional.constFirst()), name);
    }
    if (info->command == CliOptions::Command::Read) {
        o.file = parser.value(output);
        if (o.file.isEmpty()) return error(QStringLiteral("read needs -o FILE.kxc"), name);
    }
    o.quiet = parser.isSet(quiet);
    if (info->command == CliOptions::Command::Push) o.dryRun = parser.isSet(dryRun);
    if (info->command == CliOptions::Command::Dump || info->command == CliOptions::Command::Plan ||
        info->command == CliOptions::Command::Diff || info->command == CliOptions::Command::Ports || check)
        o.json = parser.isSet(json);
    if (check || report || info->command == CliOptions::Command::Preview) {
        bool ok = false;
        o.projectorGamma = parser.value(gamma).toDouble(&ok);
        if (!ok || !(o.projectorGamma >= blend::kMinProjectorGamma) ||
            !(o.projectorGamma <= blend::kMaxProjectorGamma))
            return error(
                QStringLiteral("--gamma takes a number from 1 to 3.5, not '%1'").arg(parser.value(gamma)),
                name);
    }
    if (info->command == CliOptions::Command::Preview) {
        o.picture = parser.value(picture);
        if (o.picture.isEmpty()) return error(QStringLiteral("preview needs -o PICTURE.png or .svg"), name);
        const QString lower = o.picture.toLower();
        if (!lower.endsWith(QLatin1String(".png")) && !lower.endsWith(QLatin1String(".svg")))
            return error(QStringLiteral("-o takes a name ending in .png or .svg, not '%1'").arg(o.picture),
                         name);
    }

    if (report) {
        o.picture = parser.value(document);
        if (o.picture.isEmpty()) return error(QStringLiteral("report needs -o REPORT.pdf"), name);
        o.siteNote = parser.value(note);
    }

    if (deviceCommand) {
        o.ports.applyOptions(parser);
        if (const QString bad = o.ports.optionsProblem(); !bad.isEmpty()) return error(bad, name);
        o.simulate = parser.isSet(simulate);
        o.assumeYes = parser.isSet(yes);
        if (o.simulate && o.ports.isOverridden(1))
            return error(QStringLiteral("--simulate puts the simulator on COM1; it cannot be combined with "
                                        "--com1"),
                         name);
        const QString route = parser.value(link);
        if (route == QLatin1String("search"))
            o.route = CliOptions::Route::Search;
        else if (route == QLatin1String("direct"))
            o.route = CliOptions::Route::Direct;
        else if (route == QLatin1String("controller"))
            o.route = CliOptions::Route::Controller;
        else
            return error(QStringLiteral("--link takes search, direct or controller, not '%1'").arg(route),
                         name);
        bool ok = false;
        o.pacingScale = parser.value(pacing).toDouble(&ok);
        if (!ok || !(o.pacingScale > 0) || o.pacingScale > 100)
            return error(QStringLiteral("--pacing-scale takes a factor above 0"), name);
    }

    if (info->command == CliOptions::Command::Plan) {
        if (!parser.isSet(screen))
            return error(QStringLiteral("plan needs --screen WxH, e.g. --screen 30x10"), name);
        if (!parsePair(parser.value(screen), &o.screenWidth, &o.screenHeight) || o.screenWidth <= 0 ||
            o.screenHeight <= 0)
            return error(
                QStringLiteral("--screen takes two numbers above 0 joined by x, e.g. 30x10, not '%1'")
                    .arg(parser.value(screen)),
                name);
        double w = 0, h = 0;
        if (!parsePair(parser.value(resolution), &w, &h) || w != std::trunc(w) || h != std::trunc(h) ||
            w < 1 || h < 1 || w > 100000 || h > 100000)
            return error(QStringLiteral("--resolution takes 800x600, 1024x768 or 1280x1024, not '%1'")
                             .arg(parser.value(resolution)),
                         name);
        o.resolutionWidth = int(w);
        o.resolutionHeight = int(h);
        if (parser.isSet(projectors)) {
            bool ok = false;
            o.projectors = parser.value(projectors).toInt(&ok);
            if (!ok || o.projectors < 1 || o.projectors > 8)
                return error(QStringLiteral("--projectors takes a number from 1 to 8, not '%1'")
                                 .arg(parser.value(projectors)),
                             name);
        }
        const QString alignment = parser.value(align);
        if (alignment == QLatin1String("left"))
            o.centred = false;
        else if (alignment == QLatin1String("center") || alignment == QLatin1String("centre"))
            o.centred = true;
        else
            return error(QStringLiteral("--align takes left or center, not '%1'").arg(alignment), name);
    }
    return parse;
}
