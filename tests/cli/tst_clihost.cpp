// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line tool's stand-in for message boxes and the progress notice.
#include "CliHost.h"

#include <QtTest>

#include <cstdio>

namespace {
// What the host wrote to its stream so far.
QString written(std::FILE *stream) {
    std::fflush(stream);
    const long size = std::ftell(stream);
    QByteArray bytes(int(size), '\0');
    std::rewind(stream);
    const size_t got = std::fread(bytes.data(), 1, size_t(size), stream);
    bytes.truncate(int(got));
    std::fseek(stream, 0, SEEK_END);
    return QString::fromLocal8Bit(bytes);
}
} // namespace

class TestCliHost : public QObject {
    Q_OBJECT
private slots:
    void questionsAnswerFromTheOptions();
    void progressIsPlainLinesOffATerminal();
    void progressIsOneRedrawnBarOnATerminal();
    void barDrawing_data();
    void barDrawing();
    void portNoteOnceAndQuietKeepsMessages();
    void progressLineFitsTheTerminal();
    void flowsWordedForTheTool();
};

void TestCliHost::questionsAnswerFromTheOptions() {
    std::FILE *err = std::tmpfile();
    CliHost no(err, false, false);
    QVERIFY(!no.askYesNo(QStringLiteral("Caption"), QStringLiteral("Go on?\rReally?")));
    QVERIFY(no.refusedQuestion());
    // The link's recovery is never retried from a script, --yes or not.
    CliHost yes(err, true, false);
    QVERIFY(yes.askYesNo(QStringLiteral("Caption"), QStringLiteral("Go on?")));
    QVERIFY(!yes.refusedQuestion());
    yes.setAlwaysNo(QStringLiteral("not now."));
    QVERIFY(!yes.askYesNo(QStringLiteral("Caption"), QStringLiteral("Go on?")));
    QVERIFY(!yes.refusedQuestion()); // not for want of --yes
    yes.setAlwaysNo(QString());
    QVERIFY(yes.askYesNo(QStringLiteral("Caption"), QStringLiteral("Go on?")));
    QVERIFY(!yes.askOkCancel(QStringLiteral("COM Port error"), QStringLiteral("Retry?")));
    yes.exitProcess(-1);
    QVERIFY(yes.exitRequested());
    const QString text = written(err);
    QVERIFY(text.contains(
        QStringLiteral("lumivane-cli: Caption\n  Go on?\n  Really?\n  Answered No. Run again with "
                       "--yes to answer Yes.\n")));
    QVERIFY(text.contains(QStringLiteral("  Answered Yes (--yes).\n")));
    QVERIFY(text.contains(QStringLiteral("  Answered No: not now.\n")));
    std::fclose(err);
}

void TestCliHost::progressIsPlainLinesOffATerminal() {
    std::FILE *err = std::tmpfile();
    CliHost host(err, false, false);
    host.showProgress(QStringLiteral("Reading"));
    host.setProgressSuffix(QStringLiteral(".."));
    host.setProgressFraction(3, 9);
    host.showProgress(QStringLiteral("Reading")); // the same step again: no new line
    host.showProgress(QStringLiteral("Sending"));
    host.hideProgress();
    host.showMessage(QStringLiteral("Done"));
    QCOMPARE(written(err), QStringLiteral("Reading\nSending\nlumivane-cli: Done\n"));
    std::fclose(err);
}

void TestCliHost::progressIsOneRedrawnBarOnATerminal() {
    std::FILE *err = std::tmpfile();
    CliHost host(err, false, true);
    host.showProgress(QStringLiteral("Reading"));
    host.setProgressFraction(9, 18);
    host.setProgressSuffix(QStringLiteral(".."));
    host.showMessage(QStringLiteral("Warning")); // a message ends the bar's line first
    host.hideProgress();
    const QString text = written(err);
    QCOMPARE(text, QStringLiteral("\rReading\x1b[K"
                                  "\r[############............]  50% Reading\x1b[K"
                                  "\r[############............]  50% Reading ..\x1b[K"
                                  "\nlumivane-cli: Warning\n"));
    std::fclose(err);
}

void TestCliHost::barDrawing_data() {
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("bar");
    QTest::newRow("start") << 0 << 18 << "[..........]   0%";
    QTest::newRow("third") << 6 << 18 << "[###.......]  33%";
    QTest::newRow("end") << 18 << 18 << "[##########] 100%";
    QTest::newRow("past the end") << 20 << 18 << "[##########] 100%";
    QTest::newRow("nothing to do") << 0 << 0 << "";
}

void TestCliHost::barDrawing() {
    QFETCH(int, done);
    QFETCH(int, total);
    QTEST(CliHost::bar(done, total, 10), "bar");
}

// The search tries each port in both link modes, and each try that cannot open it would repeat the same
// note; it is printed once. Quiet leaves out progress and status notes but never a message.
void TestCliHost::portNoteOnceAndQuietKeepsMessages() {
    std::FILE *err = std::tmpfile();
    CliHost host(err, false, false, true);
    const QString note =
        QStringLiteral("Note: COM Port #1 (/dev/ttyUSB0) cannot be opened: this user account has "
                       "no permission to use it.");
    host.showMessage(note);
    host.showMessage(note);
    QVERIFY(host.noteShownAbout(QStringLiteral("/dev/ttyUSB0")));
    QVERIFY(!host.noteShownAbout(QStringLiteral("/dev/ttyUSB1")));
    host.showMessage(QStringLiteral("Error! Timeout occured."));
    host.showMessage(QStringLiteral("Error! Timeout occured."));
    host.showProgress(QStringLiteral("Reading"));
    host.setStatusText(QStringLiteral("Established communication with Kestrix on Com 1"));
    QCOMPARE(written(err), QStringLiteral("lumivane-cli: ") + note +
                               QStringLiteral("\nlumivane-cli: Error! Timeout "
                                              "occured.\nlumivane-cli: Error! "
                                              "Timeout occured.\n"));
    std::fclose(err);
}

// Every redraw fits the terminal's width less its last column, however long the step's name.
void TestCliHost::progressLineFitsTheTerminal() {
    std::FILE *err = std::tmpfile();
    CliHost host(err, false, true);
    host.setColumns(40);
    host.showProgress(QStringLiteral("Short"));
    host.setProgressFraction(1, 4);
    host.showProgress(
        QStringLiteral("Sending current settings to Kestrix(s): Kestrix 1 seams. Please wait...."));
    host.setProgressSuffix(QStringLiteral("...."));
    host.hideProgress();
    const QString text = written(err);
    QCOMPARE(text, QStringLiteral("\rShort\x1b[K"
                                  "\r[######..................]  25% Short\x1b[K"
                                  "\r[######..................]  25% Send...\x1b[K"
                                  "\r[######..................]  25% Send...\x1b[K\n"));
    std::fclose(err);
}

// Status notes are the tool's lines; the window's advice to use one of its menus becomes the tool's
// own; the session's wording applies to both.
void TestCliHost::flowsWordedForTheTool() {
    std::FILE *err = std::tmpfile();
    CliHost host(err, false, false);
    host.setWording([](const QString &text) {
        return QString(text).replace(QStringLiteral("Kestrix on"), QStringLiteral("the Controller on"));
    });
    host.setStatusText(QStringLiteral("Established communication with Kestrix on Com 1"));
    host.setStatusText(QStringLiteral("Error code returned by Controller detected.... Resending message"));
    host.showMessage(
        QStringLiteral("Kestrix(s) not detected.\n1) Please check RS-232 cable.\n2) Make sure "
                       "Kestrix(s) boot-up initialization has been completed.\n3) Go to 'Serial "
                       "Port->Search for Kestrix(s)->Search' menu item for the Lumivane to search "
                       "for Kestrix(s) again."));
    QCOMPARE(written(err),
             QStringLiteral("lumivane-cli: Established communication with the Controller on Com 1\n"
                            "lumivane-cli: Error code returned by Controller detected.... Resending message\n"
                            "lumivane-cli: Kestrix(s) not detected.\n1) Please check RS-232 cable.\n2) Make "
                            "sure Kestrix(s) boot-up initialization has been completed.\n3) Run the command "
                            "again to search for Kestrix(s) again.\n"));
    std::fclose(err);
}

QTEST_APPLESS_MAIN(TestCliHost)
#include "tst_clihost.moc"
