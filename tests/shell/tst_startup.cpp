// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the options, the single-instance rule, and errors escaping event handlers.
#include "CommandLine.h"
#include "LumivaneApplication.h"
#include "SingleInstance.h"
#include "Startup.h"

#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <stdexcept>

namespace {
// An object whose event handler fails the way a handler of the program might.
class Throwing : public QObject {
public:
    bool event(QEvent *e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("Error! Something went wrong in a handler.");
        return QObject::event(e);
    }
};
} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void options_data();
    void options();
    void programRefusesBadOptions_data();
    void programRefusesBadOptions();
    void secondInstance();
    void handlerErrorShownAndLoopGoesOn();
};

void StartupTest::options_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("com1");
    QTest::addColumn<QString>("com2");
    QTest::addColumn<bool>("simulate");
    QTest::newRow("none") << QStringList{} << int(CommandLineResult::Run) << "/dev/ttyS0"
                          << "/dev/ttyS1" << false;
    QTest::newRow("ports") << QStringList{"--com1", "/dev/ttyUSB0", "--com2=/dev/pts/7"}
                           << int(CommandLineResult::Run) << "/dev/ttyUSB0"
                           << "/dev/pts/7" << false;
    QTest::newRow("simulate") << QStringList{"--simulate"} << int(CommandLineResult::Run) << "/dev/ttyS0"
                              << "/dev/ttyS1" << true;
    QTest::newRow("help") << QStringList{"--help"} << int(CommandLineResult::ExitOk) << ""
                          << "" << false;
    QTest::newRow("version") << QStringList{"--version"} << int(CommandLineResult::ExitOk) << ""
                             << "" << false;
    QTest::newRow("unknown") << QStringList{"--bogus"} << int(CommandLineResult::ExitError) << ""
                             << "" << false;
    QTest::newRow("missing path") << QStringList{"--com1"} << int(CommandLineResult::ExitError) << ""
                                  << "" << false;
    QTest::newRow("stray argument") << QStringList{"file.kxc"} << int(CommandLineResult::ExitError) << ""
                                    << "" << false;
    QTest::newRow("simulate with com1")
        << QStringList{"--simulate", "--com1", "/dev/ttyS4"} << int(CommandLineResult::ExitError) << ""
        << "" << false;
}

void StartupTest::options() {
    QFETCH(QStringList, args);
    QFETCH(int, outcome);
    QFETCH(QString, com1);
    QFETCH(QString, com2);
    QFETCH(bool, simulate);
    const CommandLineResult r = parseCommandLine(QStringList{"lumivane"} + args);
    QCOMPARE(int(r.outcome), outcome);
    if (r.outcome == CommandLineResult::Run) {
        QCOMPARE(r.options.ports.path(1), com1);
        QCOMPARE(r.options.ports.path(2), com2);
        QCOMPARE(r.options.simulate, simulate);
    } else {
        QVERIFY(!r.output.isEmpty());
    }
}

void StartupTest::programRefusesBadOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("stdoutHas");
    QTest::addColumn<QString>("stderrHas");
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << ""
                                    << "Unknown option 'frobnicate'";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "lumivane " LUMIVANE_VERSION << "";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--com1 <PATH>"
                          << "";
}

void StartupTest::programRefusesBadOptions() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);
    // No display at all: the options are judged before any window could open.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(LUMIVANE_BINARY), args);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QVERIFY(QString(program.readAllStandardOutput()).contains(stdoutHas));
    QVERIFY(QString(program.readAllStandardError()).contains(stderrHas));
}

void StartupTest::secondInstance() {
    const QString key = QStringLiteral("lumivane-test-%1").arg(QCoreApplication::applicationPid());
    auto first = std::make_unique<SingleInstance>(key);
    QStringList shown;
    QVERIFY(claimSingleInstance(*first, [&](const QString &t) { shown.append(t); }));
    QVERIFY(shown.isEmpty());
    QSignalSpy raised(first.get(), &SingleInstance::raiseRequested);

    SingleInstance second(key);
    QVERIFY(!claimSingleInstance(second, [&](const QString &t) { shown.append(t); }));
    QCOMPARE(shown,
             QStringList{"Error! Already have an instance of the Lumivane running. Exiting application."});
    QTRY_COMPARE(raised.count(), 1);

    // Once the first instance has ended, a new start runs.
    first.reset();
    SingleInstance third(key);
    QVERIFY(third.acquire());
}

void StartupTest::handlerErrorShownAndLoopGoesOn() {
    QString boxText;
    QString boxTitle;
    // Close the error box as a user would, once it is up.
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxText = box->text();
            boxTitle = box->windowTitle();
            box->accept();
        }
    });
    closer.start(20);

    Throwing thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    bool later = false;
    QTimer::singleShot(50, [&] { later = true; });
    QTRY_VERIFY(later);
    QTRY_COMPARE(boxText, QString("Error! Something went wrong in a handler."));
    QCOMPARE(boxTitle, QString("QLN - Lumivane"));
}

int main(int argc, char **argv) {
    LumivaneApplication app(argc, argv);
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
