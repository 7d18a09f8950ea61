// SPDX-License-Identifier: GPL-3.0-or-later
// The tool's command line read in-process: what each command accepts, what it refuses and why, and
// the help each command prints.
#include "CliOptions.h"

#include <QtTest>

namespace {

CliParse parse(const QStringList &arguments) {
    return parseCliArguments(QStringList{QStringLiteral("lumivane-cli")} + arguments);
}

} // namespace

class TestCliOptions : public QObject {
    Q_OBJECT
private slots:
    void refusedWithTheReason_data();
    void refusedWithTheReason();
    void acceptedAsAsked();
    void helpOfEachCommand();
};

void TestCliOptions::refusedWithTheReason_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("says");
    const struct {
        const char *line;
        const char *says;
    } cases[] = {
        {"", "a command is needed"},
        {"frobnicate", "unknown command 'frobnicate'"},
        {"--quiet read", "the command comes first, before '--quiet'"},
        {"read", "read needs -o FILE.kxc"},
        {"read -o x extra", "unexpected argument 'extra'"},
        {"read -o x --link usb", "--link takes search, direct or controller, not 'usb'"},
        {"read -o x --pacing-scale 0", "--pacing-scale takes a factor above 0"},
        {"read -o x --simulate --com1 /dev/ttyS0", "--simulate puts the simulator on COM1"},
        {"read -o x --json", "Unknown option 'json'"},
        {"push", "push needs a configuration file"},
        {"push a.kxc b.kxc", "unexpected argument 'b.kxc'"},
        {"diff", "diff needs a configuration file"},
        {"dump", "dump needs a configuration file"},
        {"dump a.kxc --com1 /dev/ttyS0", "Unknown option 'com1'"},
        {"ports extra", "unexpected argument 'extra'"},
        {"check", "check needs a configuration file"},
        {"check a.kxc --devices", "check takes a file or --devices, not both"},
        {"check a.kxc --gamma 4", "--gamma takes a number from 1 to 3.5, not '4'"},
        {"preview a.kxc", "preview needs -o PICTURE.png or .svg"},
        {"preview a.kxc -o a.jpg", "-o takes a name ending in .png or .svg, not 'a.jpg'"},
        {"report a.kxc", "report needs -o REPORT.pdf"},
        {"report --devices a.kxc -o r.pdf", "report takes a file or --devices, not both"},
        {"plan", "plan needs --screen WxH, e.g. --screen 30x10"},
        {"plan --screen 30by10", "--screen takes two numbers above 0 joined by x"},
        {"plan --screen 0x10", "--screen takes two numbers above 0 joined by x"},
        {"plan --screen 30x10 --resolution 1280.5x1024", "--resolution takes 800x600, 1024x768 or 1280x1024"},
        {"plan --screen 30x10 --projectors 9", "--projectors takes a number from 1 to 8, not '9'"},
        {"plan --screen 30x10 --align right", "--align takes left or center, not 'right'"},
    };
    for (const auto &c : cases)
        QTest::newRow(c.line) << QString::fromLatin1(c.line) << QString::fromLatin1(c.says);
}

// Each refusal names its reason and points at the help of the command it was for.
void TestCliOptions::refusedWithTheReason() {
    QFETCH(QString, line);
    QFETCH(QString, says);
    const QStringList arguments = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const CliParse result = parse(arguments);
    QCOMPARE(result.outcome, CliParse::ExitError);
    QVERIFY2(result.output.startsWith(QStringLiteral("lumivane-cli: ") + says), qPrintable(result.output));
    const QString command = arguments.value(0);
    const bool known = !command.isEmpty() && !command.startsWith(QLatin1Char('-')) && command != "frobnicate";
    QVERIFY2(result.output.endsWith(known ? QStringLiteral("Try 'lumivane-cli %1 --help'.\n").arg(command)
                                          : QStringLiteral("Try 'lumivane-cli --help'.\n")),
             qPrintable(result.output));
}

void TestCliOptions::acceptedAsAsked() {
    CliParse p = parse({"read", "-o", "-", "--com1", "/dev/ttyS3", "--link", "controller", "-y", "-q",
                        "--pacing-scale", "0.5"});
    QCOMPARE(p.outcome, CliParse::Run);
    QCOMPARE(p.options.command, CliOptions::Command::Read);
    QCOMPARE(p.options.file, QStringLiteral("-"));
    QCOMPARE(p.options.ports.path(1), QStringLiteral("/dev/ttyS3"));
    QCOMPARE(p.options.route, CliOptions::Route::Controller);
    QVERIFY(p.options.assumeYes && p.options.quiet && !p.options.simulate);
    QCOMPARE(p.options.pacingScale, 0.5);

    p = parse({"push", "wall.kxc", "--dry-run", "--simulate", "--link", "direct"});
    QCOMPARE(p.outcome, CliParse::Run);
    QCOMPARE(p.options.file, QStringLiteral("wall.kxc"));
    QVERIFY(p.options.dryRun && p.options.simulate && !p.options.assumeYes);
    QCOMPARE(p.options.route, CliOptions::Route::Direct);

    p = parse({"check", "--devices", "--gamma", "2.4", "--json"});
    QCOMPARE(p.outcome, CliParse::Run);
    QVERIFY(p.options.checkDevices && p.options.json && p.options.file.isEmpty());
    QCOMPARE(p.options.projectorGamma, 2.4);
    QCOMPARE(p.options.route, CliOptions::Route::Search);

    p = parse({"report", "-", "-o", "site.pdf", "--note", "Hall B"});
    QCOMPARE(p.outcome, CliParse::Run);
    QVERIFY(!p.options.checkDevices);
    QCOMPARE(p.options.file, QStringLiteral("-"));
    QCOMPARE(p.options.picture, QStringLiteral("site.pdf"));
    QCOMPARE(p.options.siteNote, QStringLiteral("Hall B"));
    QCOMPARE(p.options.projectorGamma, 2.2);

    p = parse({"preview", "wall.kxc", "-o", "WALL.SVG"});
    QCOMPARE(p.outcome, CliParse::Run);
    QCOMPARE(p.options.picture, QStringLiteral("WALL.SVG"));

    p = parse({"plan", "--screen", "40x 10", "--resolution", "1024x768", "--projectors", "4", "--align",
               "left", "--json"});
    QCOMPARE(p.outcome, CliParse::Run);
    QCOMPARE(p.options.screenWidth, 40.0);
    QCOMPARE(p.options.screenHeight, 10.0);
    QCOMPARE(p.options.resolutionWidth, 1024);
    QCOMPARE(p.options.resolutionHeight, 768);
    QCOMPARE(p.options.projectors, 4);
    QVERIFY(!p.options.centred && p.options.json);

    p = parse({"plan", "--screen", "30x10"});
    QCOMPARE(p.options.resolutionWidth, 1280);
    QCOMPARE(p.options.projectors, 0);
    QVERIFY(p.options.centred);

    p = parse({"dump", "-", "--json"});
    QCOMPARE(p.outcome, CliParse::Run);
    QVERIFY(p.options.json);

    // --version wherever it stands, before a "--".
    for (const QStringList &line : {QStringList{"--version"}, QStringList{"dump", "--version"},
                                    QStringList{"push", "x", "--version"}}) {
        p = parse(line);
        QCOMPARE(p.outcome, CliParse::ExitOk);
        QCOMPARE(p.output, QStringLiteral("lumivane-cli " LUMIVANE_VERSION "\n"));
    }
    p = parse({"dump", "--", "--version"});
    QCOMPARE(p.outcome, CliParse::Run);
    QCOMPARE(p.options.file, QStringLiteral("--version"));
}

// Every way of asking for a command's help prints that command's help, with its synopsis and only its
// own options; the overview lists every command.
void TestCliOptions::helpOfEachCommand() {
    const struct {
        const char *command;
        const char *synopsis;
        QStringList has;
        QStringList hasNot;
    } commands[] = {
        {"read",
         "-o FILE.kxc|-",
         {"--output <FILE.kxc>", "--com1", "--link", "--yes", "--simulate"},
         {"--json", "--dry-run", "--pacing-scale"}},
        {"push", "FILE.kxc|- [--dry-run]", {"--dry-run", "--com2", "--yes"}, {"--output", "--json"}},
        {"diff", "FILE.kxc|- [--json]", {"--json", "--com1"}, {"--dry-run", "--output"}},
        {"dump", "FILE.kxc|- [--json]", {"--json"}, {"--com1", "--link", "--yes"}},
        {"plan", "--screen WxH", {"--screen <WxH>", "--resolution", "--projectors", "--align"}, {"--com1"}},
        {"check", "FILE.kxc|- | --devices", {"--devices", "--gamma <G>", "--com1", "--json"}, {"--output"}},
        {"preview", "FILE.kxc|- -o PICTURE.png|.svg", {"--output <PICTURE.png|.svg>", "--gamma"}, {"--com1"}},
        {"report",
         "--devices -o REPORT.pdf|-",
         {"--output <REPORT.pdf>", "--note <TEXT>", "--devices", "--com1"},
         {"--json"}},
        {"ports", "[--json]", {"--json"}, {"--com1"}},
    };
    const CliParse overview = parse({"--help"});
    QCOMPARE(overview.outcome, CliParse::ExitOk);
    for (const auto &c : commands) {
        const QString name = QString::fromLatin1(c.command);
        QVERIFY2(overview.output.contains(QStringLiteral("  %1 ").arg(name, -7)), c.command);
        for (const QStringList &ask : {QStringList{name, "--help"}, QStringList{name, "-h"},
                                       QStringList{"help", name}, QStringList{"--help", name}}) {
            const CliParse help = parse(ask);
            QCOMPARE(help.outcome, CliParse::ExitOk);
            QVERIFY2(help.output.startsWith(QStringLiteral("Usage: lumivane-cli %1 ").arg(name)),
                     qPrintable(ask.join(' ') + ": " + help.output.left(200)));
            QVERIFY2(help.output.contains(QLatin1String(c.synopsis)), qPrintable(help.output));
            for (const QString &option : c.has)
                QVERIFY2(help.output.contains(option), qPrintable(name + " lacks " + option));
            const QString options = help.output.left(help.output.indexOf(QStringLiteral("Exit statuses:")));
            for (const QString &option : c.hasNot)
                QVERIFY2(!options.contains(option), qPrintable(name + " has " + option));
        }
    }
    const CliParse unknown = parse({"help", "frobnicate"});
    QCOMPARE(unknown.outcome, CliParse::ExitError);
    QVERIFY(unknown.output.contains(QStringLiteral("unknown command 'frobnicate'")));
}

QTEST_GUILESS_MAIN(TestCliOptions)
#include "tst_clioptions.moc"
