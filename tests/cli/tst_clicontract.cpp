// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli's promises to a script, run as its own process against the simulator: failed writes of
// every kind are status 3, said once; no port lock outlives the tool; -q leaves out Qt's remarks; the
// progress bar fits the terminal; the messages speak of what answered and of the tool, not the window.
#include "CliRun.h"
#include "KestrixSimulator.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <memory>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where the serial port keeps the lock file of the pseudo-terminal at devicePath while it is open.
QString lockFileOf(const QString &devicePath) {
    QString name = devicePath.mid(5); // past "/dev/"
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("/var/lock/LCK..") + name;
}

// Standard output the write end of a pipe whose reader has already gone.
std::function<void(QProcess &)> closedPipeForStdout() {
    return [](QProcess &process) {
        process.setChildProcessModifier([] {
            int ends[2];
            if (::pipe(ends) != 0) ::_exit(120);
            ::close(ends[0]);
            ::dup2(ends[1], STDOUT_FILENO);
            ::close(ends[1]);
        });
    };
}

} // namespace

class TestCliContract : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void closedPipeIsAFailedWrite();
    void fullDiskForHelpVersionAndRead();
    void noLockOutlivesASignal_data();
    void noLockOutlivesASignal();
    void quietLeavesOutQtRemarks();
    void progressFitsTheTerminal();
    void searchSaysWhatAnswered();
    void nothingFoundAdvisesTheTool();
    void refusedPushLeavesTheDevicesUnchanged();
    void permissionNoteNamesAUsefulGroup();

private:
    QStringList device(const QString &command, const QStringList &rest = {}) const;
    QString path(const char *name) const { return dir->filePath(QString::fromLatin1(name)); }
    bool writeWall(const char *name);

    std::unique_ptr<KestrixSimulator> sim;
    std::unique_ptr<QTemporaryDir> dir;
};

void TestCliContract::init() {
    sim = std::make_unique<KestrixSimulator>(SimOptions::builtIn());
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestCliContract::cleanup() {
    sim.reset();
    dir.reset();
}

QStringList TestCliContract::device(const QString &command, const QStringList &rest) const {
    return QStringList{command} + rest +
           QStringList{QStringLiteral("--com1"),         sim->slavePath(),
                       QStringLiteral("--com2"),         QStringLiteral("/nonexistent/lumivane-com2"),
                       QStringLiteral("--pacing-scale"), QStringLiteral("0.1")};
}

bool TestCliContract::writeWall(const char *name) {
    QFile file(path(name));
    const QByteArray image = sendableImage(4);
    return file.open(QIODevice::WriteOnly) && file.write(image) == image.size();
}

// A reader that went away is a failed write like a full disk: status 3 with the reason, once, and the
// port the run opened is left unlocked.
void TestCliContract::closedPipeIsAFailedWrite() {
    QVERIFY(writeWall("wall.kxc"));
    const QString brokenPipe = QStringLiteral("lumivane-cli: Cannot write to standard output: Broken pipe\n");
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("dump"), path("wall.kxc")},
          QStringList{QStringLiteral("plan"), QStringLiteral("--screen"), QStringLiteral("30x10")},
          QStringList{QStringLiteral("--help")}, device(QStringLiteral("read"), {QStringLiteral("-o"), "-"}),
          device(QStringLiteral("diff"), {path("wall.kxc")})}) {
        const Run run = runCli(arguments, {}, {}, closedPipeForStdout());
        QVERIFY2(run.status == 3,
                 qPrintable(arguments.join(' ') + QStringLiteral(": status %1 ").arg(run.status) + run.err));
        QCOMPARE(run.err.count(QStringLiteral("Cannot write")), 1);
        QVERIFY2(run.err.endsWith(brokenPipe), qPrintable(run.err));
    }
    QVERIFY(!QFileInfo::exists(lockFileOf(sim->slavePath())));
}

// Help and version are results too; a read to a full standard output says so once, with the reason.
void TestCliContract::fullDiskForHelpVersionAndRead() {
    const QString noSpace = QStringLiteral("lumivane-cli: Cannot write to standard output: No space left on "
                                           "device\n");
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("--version")},
          QStringList{QStringLiteral("dump"), QStringLiteral("--help")},
          QStringList{QStringLiteral("help"), QStringLiteral("json")},
          device(QStringLiteral("read"),
                 {QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("-q")})}) {
        const Run run = runCli(arguments, QStringLiteral("/dev/full"));
        QVERIFY2(run.status == 3,
                 qPrintable(arguments.join(' ') + QStringLiteral(": status %1").arg(run.status)));
        QCOMPARE(run.err, noSpace);
    }
}

void TestCliContract::noLockOutlivesASignal_data() {
    QTest::addColumn<QList<int>>("sent");
    QTest::newRow("second Ctrl-C") << QList<int>{SIGINT, SIGINT};
    QTest::newRow("SIGTERM, then Ctrl-C") << QList<int>{SIGTERM, SIGINT};
    QTest::newRow("SIGHUP") << QList<int>{SIGHUP};
    QTest::newRow("SIGQUIT") << QList<int>{SIGQUIT};
}

// A signal that ends the tool at once (a second stop request, the terminal hanging up) takes the port's
// lock file with it; the lock is checked to be there first.
void TestCliContract::noLockOutlivesASignal() {
    QFETCH(QList<int>, sent);
    QVERIFY(writeWall("wall.kxc"));
    const QString lock = lockFileOf(sim->slavePath());
    // The devices stop answering the push's frames, so that a stop between two commands, which waits
    // for the one in flight, cannot end the run before the signal that ends it at once.
    sim->injectFault(SimFault::Silence, 100000, 0, QByteArrayLiteral("PASS "));
    QProcess process;
    // At the protocol's own pace, so that the push is still under way when the signals come.
    process.start(QStringLiteral(LUMIVANE_CLI),
                  {QStringLiteral("push"), path("wall.kxc"), QStringLiteral("--com1"), sim->slavePath(),
                   QStringLiteral("--com2"), QStringLiteral("/nonexistent/lumivane-com2")});
    QVERIFY(process.waitForStarted());
    auto pushing = [this] {
        for (const SimRequest &r : sim->requests())
            if (r.raw.startsWith("PASS ")) return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(pushing(), 120000);
    QVERIFY2(QFileInfo::exists(lock), qPrintable(lock));
    // Two signals sent at once may arrive as one: they are sent again until the tool has gone.
    const pid_t pid = pid_t(process.processId());
    auto signalled = [&] {
        if (process.state() == QProcess::NotRunning) return true;
        for (int signal : sent)
            ::kill(pid, signal);
        return process.waitForFinished(50);
    };
    QTRY_VERIFY_WITH_TIMEOUT(signalled(), 20000);
    QCOMPARE(process.exitStatus(), QProcess::CrashExit); // ended by the signal, at once
    QVERIFY2(!QFileInfo::exists(lock), qPrintable(lock));
}

// Qt's remark about a missing XDG_RUNTIME_DIR reaches stderr without -q and not with it.
void TestCliContract::quietLeavesOutQtRemarks() {
    QVERIFY(writeWall("wall.kxc"));
    auto withoutRuntimeDir = [](QProcess &process) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        process.setProcessEnvironment(environment);
    };
    const QStringList preview{QStringLiteral("preview"), path("wall.kxc"), QStringLiteral("-o"),
                              path("wall.png")};
    const Run loud = runCli(preview, {}, {}, withoutRuntimeDir);
    QCOMPARE(loud.status, 0);
    QVERIFY2(loud.err.contains(QStringLiteral("XDG_RUNTIME_DIR")), qPrintable(loud.err));
    for (const QStringList &arguments :
         {preview + QStringList{QStringLiteral("-q")},
          QStringList{QStringLiteral("report"), path("wall.kxc"), QStringLiteral("-o"), path("wall.pdf"),
                      QStringLiteral("-q")}}) {
        const Run run = runCli(arguments, {}, {}, withoutRuntimeDir);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(run.err, QString());
    }
    QVERIFY(QFileInfo(path("wall.pdf")).size() > 0);
}

// On an 80-column terminal every redraw of the progress line fits in 79 columns, so that it never wraps
// and each redraw replaces the last one.
void TestCliContract::progressFitsTheTerminal() {
    QVERIFY(writeWall("wall.kxc"));
    int master = -1;
    int slave = -1;
    struct winsize size {};
    size.ws_col = 80;
    size.ws_row = 24;
    QCOMPARE(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
    auto closeBoth = qScopeGuard([&] {
        ::close(master);
        if (slave >= 0) ::close(slave);
    });
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    QProcess process;
    process.setChildProcessModifier([slave] { ::dup2(slave, STDERR_FILENO); });
    process.start(QStringLiteral(LUMIVANE_CLI), device(QStringLiteral("push"), {path("wall.kxc")}));
    QVERIFY(process.waitForStarted());
    ::close(slave);
    slave = -1;
    QByteArray terminal;
    auto drain = [&] {
        char buffer[4096];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            terminal.append(buffer, int(n));
    };
    // The terminal is read while the tool writes, as a terminal would be.
    while (!process.waitForFinished(20))
        drain();
    drain();
    QCOMPARE(process.exitCode(), 0);
    // Each redraw goes from a CR to the clearing of the rest of the line. Messages are lines of their
    // own, never redrawn, which the terminal may wrap.
    int bars = 0;
    for (qsizetype at = terminal.indexOf('\r'); at >= 0; at = terminal.indexOf('\r', at + 1)) {
        if (terminal.mid(at + 1, 1) == "\n") continue; // the terminal's own CR before a line feed
        const qsizetype end = terminal.indexOf("\x1b[K", at);
        QVERIFY(end > at);
        const QByteArray redraw = terminal.mid(at + 1, end - at - 1);
        QVERIFY2(redraw.size() <= 79, redraw.constData());
        QVERIFY2(!redraw.contains('\n'), redraw.constData());
        bars += redraw.contains("% Sending");
    }
    QVERIFY2(bars > 0, terminal.constData()); // a bar was drawn, cut to fit
    QVERIFY2(terminal.contains("Sending current settings to Kestrix(s)"), terminal.constData());
}

// Through the Controller, the search's answer is the Controller's, and the default route says that
// --link controller would have gone there at once; a device on a direct line is the device.
void TestCliContract::searchSaysWhatAnswered() {
    const QString faster = QStringLiteral("--link controller goes to the Controller at once and is faster.");
    const Run search = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(search.status == 0, qPrintable(search.err));
    QVERIFY2(
        search.err.contains(QStringLiteral("lumivane-cli: Established communication with the Controller on "
                                           "Com 1\n")),
        qPrintable(search.err));
    QVERIFY(!search.err.contains(QStringLiteral("with Kestrix on Com")));
    QVERIFY2(search.err.contains(QStringLiteral("lumivane-cli: No Kestrix answered on a direct line; the "
                                                "Controller on Com 1 did. ") +
                                 faster),
             qPrintable(search.err));
    const Run controller =
        runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc"),
                                               QStringLiteral("--link"), QStringLiteral("controller")}));
    QVERIFY2(controller.status == 0, qPrintable(controller.err));
    QVERIFY(!controller.err.contains(faster));
    const Run quiet = runCli(
        device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc"), QStringLiteral("-q")}));
    QCOMPARE(quiet.err, QString());

    sim.reset();
    SimOptions direct;
    direct.mode = SimOptions::Direct;
    sim = std::make_unique<KestrixSimulator>(direct);
    QVERIFY(sim->start());
    const Run found = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(found.status == 0, qPrintable(found.err));
    QVERIFY2(
        found.err.contains(QStringLiteral("lumivane-cli: Established communication with Kestrix on Com 1\n")),
        qPrintable(found.err));
    QVERIFY(!found.err.contains(faster));
}

// When nothing answers, the advice is the tool's own: run it again, not a menu of the window.
void TestCliContract::nothingFoundAdvisesTheTool() {
    sim->injectFault(SimFault::Silence, 100000);
    const Run run = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QCOMPARE(run.status, 4);
    QVERIFY2(run.err.contains(QStringLiteral("lumivane-cli: Kestrix(s) not detected.\n1) Please check RS-232 "
                                             "cable.\n")),
             qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("\n3) Run the command again to search for Kestrix(s) again.\n")),
             qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("menu")), qPrintable(run.err));
}

// A Controller error is the tool's message; a push whose very first command every device refused
// leaves the devices as they were, and says so rather than calling them partly set.
void TestCliContract::refusedPushLeavesTheDevicesUnchanged() {
    QVERIFY(writeWall("wall.kxc"));
    const QByteArray first = QByteArrayLiteral("*6PRJ ");
    sim->injectFault(SimFault::ControllerError, 1, '2', first); // an error code other than 4, "no response"
    const Run once = runCli(device(QStringLiteral("push"), {path("wall.kxc")}));
    QVERIFY2(once.status == 0, qPrintable(once.err));
    QVERIFY2(
        once.err.contains(QStringLiteral("\nlumivane-cli: Error code returned by Controller detected.... "
                                         "Resending message\n")),
        qPrintable(once.err));

    sim->clearRequests();
    sim->injectFault(SimFault::ControllerReject, 1000, 0, first);
    const Run refused = runCli(device(QStringLiteral("push"), {path("wall.kxc")}));
    QCOMPARE(refused.status, 5);
    QVERIFY2(refused.err.contains(QRegularExpression(QStringLiteral(
                 "lumivane-cli: The push stopped part-way: 1 command\\(s\\) went out of \\d+, the "
                 "last one \\(\\*6PRJ [^)]*\\) to Kestrix 1 \\(RS-485 ID 6\\)[^\n]*\\. No device "
                 "acknowledged any of it: the devices are unchanged\\.\n"))),
             qPrintable(refused.err));
    QVERIFY(!refused.err.contains(QStringLiteral("partly set")));
}

// A port the user may not open: the note names the group to join only when joining it would help (the
// group may read and write the device), and never the superuser's group; otherwise it says whom to ask.
void TestCliContract::permissionNoteNamesAUsefulGroup() {
    if (::geteuid() != 0) QSKIP("needs the superuser, to hand the device to another user");
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) QSKIP("needs setpriv");
    const QByteArray node = QFile::encodeName(sim->slavePath());
    struct Case {
        mode_t mode;
        gid_t group;
        bool named;
    };
    const struct group *dialout = ::getgrnam("dialout");
    if (!dialout) QSKIP("needs a group named dialout");
    const gid_t d = dialout->gr_gid;
    const Case cases[] = {{0600, 0, false}, {0660, 0, false}, {0600, d, false}, {0660, d, true}};
    for (const Case &c : cases) {
        QCOMPARE(::chown(node.constData(), 0, c.group), 0);
        QCOMPARE(::chmod(node.constData(), c.mode), 0);
        QProcess process;
        process.start(
            QStringLiteral("setpriv"),
            QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                        QStringLiteral("--clear-groups"), QStringLiteral(LUMIVANE_CLI)} +
                device(QStringLiteral("read"), {QStringLiteral("-o"), QStringLiteral("/tmp/never.kxc"),
                                                QStringLiteral("--link"), QStringLiteral("controller")}));
        QVERIFY(process.waitForFinished(120000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(process.exitCode() == 4, qPrintable(err));
        // Where no group would help, the note still says what is wrong and whom to ask.
        QVERIFY2(err.contains(QStringLiteral("has no permission to use it")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("Ask whoever looks after this computer")) == !c.named,
                 qPrintable(err));
        QVERIFY2(!err.contains(QStringLiteral("\"root\"")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("\"dialout\"")) == c.named,
                 qPrintable(QStringLiteral("mode %1 group %2: ").arg(c.mode, 0, 8).arg(c.group) + err));
    }
}

QTEST_GUILESS_MAIN(TestCliContract)
#include "tst_clicontract.moc"
