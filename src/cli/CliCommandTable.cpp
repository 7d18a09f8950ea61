// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommandTable.h"

#include "BlendCheck.h"

#include <QRegularExpression>

#include <cmath>

namespace cli {

namespace {

using Command = CliOptions::Command;
using Takes = CommandSpec::Takes;

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

QStringList names(const char *shortName, const char *longName) {
    return {QLatin1String(shortName), QLatin1String(longName)};
}
QStringList name(const char *longName) {
    return {QLatin1String(longName)};
}

OptionSpec jsonOption() {
    return {name("json"),
            {},
            QStringLiteral("Print JSON instead of text."),
            {},
            [](CliOptions &o, const QString &) {
                o.json = true;
                return QString();
            }};
}

OptionSpec gammaOption() {
    return {name("gamma"), QStringLiteral("G"),
            QStringLiteral("The projectors' gamma in the light model (1 to 3.5; 2.2 by default)."),
            QStringLiteral("2.2"), [](CliOptions &o, const QString &value) {
                bool ok = false;
                o.projectorGamma = value.toDouble(&ok);
                if (ok && o.projectorGamma >= blend::kMinProjectorGamma &&
                    o.projectorGamma <= blend::kMaxProjectorGamma)
                    return QString();
                return QStringLiteral("--gamma takes a number from 1 to 3.5, not '%1'").arg(value);
            }};
}

OptionSpec devicesOption(const QString &description) {
    return {name("devices"), {}, description, {}, [](CliOptions &o, const QString &) {
                o.checkDevices = true;
                return QString();
            }};
}

QString takePicture(CliOptions &o, const QString &value) {
    o.picture = value;
    const QString lower = value.toLower();
    if (lower.endsWith(QLatin1String(".png")) || lower.endsWith(QLatin1String(".svg"))) return QString();
    return QStringLiteral("-o takes a name ending in .png or .svg, not '%1'").arg(value);
}

QString takeScreen(CliOptions &o, const QString &value) {
    if (parsePair(value, &o.screenWidth, &o.screenHeight) && o.screenWidth > 0 && o.screenHeight > 0)
        return QString();
    return QStringLiteral("--screen takes two numbers above 0 joined by x, e.g. 30x10, not '%1'").arg(value);
}

QString takeResolution(CliOptions &o, const QString &value) {
    double w = 0, h = 0;
    if (!parsePair(value, &w, &h) || w != std::trunc(w) || h != std::trunc(h) || w < 1 || h < 1 ||
        w > 100000 || h > 100000)
        return QStringLiteral("--resolution takes 800x600, 1024x768 or 1280x1024, not '%1'").arg(value);
    o.resolutionWidth = int(w);
    o.resolutionHeight = int(h);
    return QString();
}

QString takeProjectors(CliOptions &o, const QString &value) {
    bool ok = false;
    o.projectors = value.toInt(&ok);
    if (ok && o.projectors >= 1 && o.projectors <= 8) return QString();
    return QStringLiteral("--projectors takes a number from 1 to 8, not '%1'").arg(value);
}

QString takeAlignment(CliOptions &o, const QString &value) {
    if (value == QLatin1String("left"))
        o.centred = false;
    else if (value == QLatin1String("center") || value == QLatin1String("centre"))
        o.centred = true;
    else
        return QStringLiteral("--align takes left or center, not '%1'").arg(value);
    return QString();
}

QString takeRoute(CliOptions &o, const QString &value) {
    if (value == QLatin1String("search"))
        o.route = CliOptions::Route::Search;
    else if (value == QLatin1String("direct"))
        o.route = CliOptions::Route::Direct;
    else if (value == QLatin1String("controller"))
        o.route = CliOptions::Route::Controller;
    else
        return QStringLiteral("--link takes search, direct or controller, not '%1'").arg(value);
    return QString();
}

QString takePacing(CliOptions &o, const QString &value) {
    bool ok = false;
    o.pacingScale = value.toDouble(&ok);
    if (ok && o.pacingScale > 0 && o.pacingScale <= 100) return QString();
    return QStringLiteral("--pacing-scale takes a factor above 0");
}

} // namespace

const QList<OptionSpec> &deviceOptions() {
    static const QList<OptionSpec> options = {
        {name("simulate"),
         {},
         QStringLiteral("Use the built-in simulator (a Controller with two Kestrix devices) on COM1."),
         {},
         [](CliOptions &o, const QString &) {
             o.simulate = true;
             return QString();
         }},
        {name("link"), QStringLiteral("search|direct|controller"),
         QStringLiteral("How the devices are reached: search (direct first, then the Controller; the "
                        "default), direct or controller."),
         QStringLiteral("search"), takeRoute},
        {names("y", "yes"),
         {},
         QStringLiteral("Answer Yes to every question the devices' state raises."),
         {},
         [](CliOptions &o, const QString &) {
             o.assumeYes = true;
             return QString();
         }},
        {name("pacing-scale"),
         QStringLiteral("factor"),
         QStringLiteral("Scales every protocol pause."),
         QStringLiteral("1"),
         takePacing,
         {},
         true},
    };
    return options;
}

const OptionSpec &quietOption() {
    static const OptionSpec quiet{names("q", "quiet"),
                                  {},
                                  QStringLiteral("No progress lines or notes; errors and questions only."),
                                  {},
                                  [](CliOptions &o, const QString &) {
                                      o.quiet = true;
                                      return QString();
                                  }};
    return quiet;
}

const QList<CommandSpec> &commandTable() {
    static const QList<CommandSpec> table = {
        {QStringLiteral("read"),
         Command::Read,
         QStringLiteral("Search for the devices, read every setting of every device and write them to a "
                        "configuration file. Nothing is written when the read fails."),
         QStringLiteral("-o FILE.kxc|-"),
         Takes::Nothing,
         true,
         {{names("o", "output"),
           QStringLiteral("FILE.kxc"),
           QStringLiteral("The configuration file to write (replaced whole, or left as it was when the read "
                          "fails); - writes it to standard output."),
           {},
           [](CliOptions &o, const QString &value) {
               o.file = value;
               return QString();
           },
           QStringLiteral("read needs -o FILE.kxc")}}},
        {QStringLiteral("push"),
         Command::Push,
         QStringLiteral("Send a configuration file's settings to the devices in the order Send Current "
                        "Settings uses, device 2 included."),
         QStringLiteral("FILE.kxc|- [--dry-run]"),
         Takes::File,
         true,
         {{name("dry-run"),
           {},
           QStringLiteral("Print every command the push would send, in order, one per line with its device "
                          "(as to two devices; one device gets the Kestrix 1 lines), and send nothing: no "
                          "port is opened."),
           {},
           [](CliOptions &o, const QString &) {
               o.dryRun = true;
               return QString();
           }}}},
        {QStringLiteral("diff"),
         Command::Diff,
         QStringLiteral("Read the devices and list every setting that differs from a configuration file, "
                        "one line per field: device, channel, field, file value, device value. Exit status "
                        "0 when they are equal, 1 when they differ, 4 when the file needs two devices and "
                        "only device 1 answered (device 1 is still compared and its differences listed)."),
         QStringLiteral("FILE.kxc|- [--json]"),
         Takes::File,
         true,
         {jsonOption()}},
        {QStringLiteral("dump"),
         Command::Dump,
         QStringLiteral("Print every field of both devices in a configuration file with its name, as a "
                        "table or as JSON."),
         QStringLiteral("FILE.kxc|- [--json]"),
         Takes::File,
         false,
         {jsonOption()}},
        {QStringLiteral("plan"),
         Command::Plan,
         QStringLiteral("Plan a wall: aspect ratio, projectors, devices, overlap, input image size, each "
                        "projector's slice and the image content notes."),
         QStringLiteral("--screen WxH [--resolution 1280x1024] [--projectors N] [--align left|center] "
                        "[--json]"),
         Takes::Nothing,
         false,
         {{name("screen"),
           QStringLiteral("WxH"),
           QStringLiteral("The output screen size, horizontal x vertical, in any unit."),
           {},
           takeScreen,
           QStringLiteral("plan needs --screen WxH, e.g. --screen 30x10")},
          {name("resolution"), QStringLiteral("WxH"),
           QStringLiteral("The projectors' native resolution: 800x600, 1024x768 or 1280x1024 (the "
                          "default)."),
           QStringLiteral("1280x1024"), takeResolution},
          {name("projectors"),
           QStringLiteral("N"),
           QStringLiteral("Choose the number of projectors (1 to 8) instead of the number the screen "
                          "needs."),
           {},
           takeProjectors},
          {name("align"), QStringLiteral("left|center"),
           QStringLiteral("The input material's alignment: left or center (the default)."),
           QStringLiteral("center"), takeAlignment},
          jsonOption()}},
        {QStringLiteral("check"),
         Command::Check,
         QStringLiteral("Check a configuration file's settings (or with --devices what the devices hold) "
                        "for blending settings that disagree: neighbouring edges with different feather "
                        "widths, offsets, gammas or enables, feather widths that differ from the overlap, "
                        "feathered outer edges, halos wider than the overlap, different black levels, two "
                        "devices holding different walls. Each finding names the screens and values and "
                        "says what it does on the wall. Exit status 0 when there is none, 1 when there is "
                        "any."),
         QStringLiteral("FILE.kxc|- | --devices [--gamma G] [--json]"),
         Takes::FileOrDevices,
         true,
         {devicesOption(QStringLiteral("Search for the devices, read them and check what they hold instead "
                                       "of a file; the port options below apply.")),
          gammaOption(), jsonOption()}},
        {QStringLiteral("preview"),
         Command::Preview,
         QStringLiteral("Draw the Blend Preview page's picture of a configuration file: each projector's "
                        "slice, blend zones, halos and black level, the feather ramps and the light summed "
                        "across the wall, under the light model the picture states (a model, not a "
                        "measurement)."),
         QStringLiteral("FILE.kxc|- -o PICTURE.png|.svg [--gamma G]"),
         Takes::File,
         false,
         {{names("o", "output"),
           QStringLiteral("PICTURE.png|.svg"),
           QStringLiteral("The picture to write: PNG or SVG by the name's ending."),
           {},
           takePicture,
           QStringLiteral("preview needs -o PICTURE.png or .svg")},
          gammaOption()}},
        {QStringLiteral("report"),
         Command::Report,
         QStringLiteral("Write a commissioning report as a PDF: the date, a site note, the plan (screen "
                        "size, resolution, projectors, overlap, input image size, each projector's slice "
                        "and the planning drawings), every setting of every screen in use per channel with "
                        "each device's RS-485 ID, version and record form, the consistency findings with "
                        "the blend preview picture, and the link. From a configuration file, or with "
                        "--devices from what the devices hold."),
         QStringLiteral("FILE.kxc|- | --devices -o REPORT.pdf|- [--note TEXT] [--gamma G]"),
         Takes::FileOrDevices,
         true,
         {devicesOption(QStringLiteral("Search for the devices, read them and report what they hold "
                                       "instead of a file; the port options below apply.")),
          {names("o", "output"),
           QStringLiteral("REPORT.pdf"),
           QStringLiteral("The PDF to write (replaced whole, or left as it was when anything fails); - "
                          "writes it to standard output."),
           {},
           [](CliOptions &o, const QString &value) {
               o.picture = value;
               return QString();
           },
           QStringLiteral("report needs -o REPORT.pdf")},
          {name("note"),
           QStringLiteral("TEXT"),
           QStringLiteral("A note about the site, printed under the date (empty by default)."),
           {},
           [](CliOptions &o, const QString &value) {
               o.siteNote = value;
               return QString();
           }},
          gammaOption()}},
        {QStringLiteral("ports"),
         Command::Ports,
         QStringLiteral("List the serial ports of this machine: path, description, manufacturer, serial "
                        "number and USB vendor and product IDs."),
         QStringLiteral("[--json]"),
         Takes::Nothing,
         false,
         {jsonOption()}},
    };
    return table;
}

const CommandSpec *findCommand(const QString &name) {
    for (const CommandSpec &spec : commandTable())
        if (spec.name == name) return &spec;
    return nullptr;
}

} // namespace cli
