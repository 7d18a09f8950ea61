// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

// A real network serial server (Debian's ser2net) in front of one serial device, for the tests of the
// network ports: run in the foreground with a configuration file of its own in a temporary folder,
// never the system's service, listening on loopback ports chosen free when it starts. It offers the
// device twice: through an RFC 2217 accepter and through a raw TCP one.
class Ser2Net {
public:
    ~Ser2Net() { stop(); }

    // The server program, empty when it is not installed.
    static QString executable() {
        return QStandardPaths::findExecutable(
            QStringLiteral("ser2net"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                        QStringLiteral("/usr/local/sbin"), QStringLiteral("/usr/local/bin")});
    }

    // A port on the loopback address that nothing listens on now.
    static quint16 freePort() {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
        return probe.serverPort();
    }

    bool start(const QString &device, int baud, QString *error) {
        rfcPort = freePort();
        rawPort = freePort();
        while (rawPort == rfcPort)
            rawPort = freePort();
        const QString config = dir.filePath(QStringLiteral("ser2net.yaml"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return fail(error, QStringLiteral("cannot write %1").arg(config));
        file.write(QStringLiteral("%YAML 1.1\n---\n"
                                  "connection: &rfc2217\n"
                                  "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                                  "  connector: serialdev,%3,%4n81,local\n"
                                  "  options:\n"
                                  "    kickolduser: true\n"
                                  "connection: &raw\n"
                                  "  accepter: tcp,127.0.0.1,%2\n"
                                  "  connector: serialdev,%3,%4n81,local\n"
                                  "  options:\n"
                                  "    kickolduser: true\n")
                       .arg(rfcPort)
                       .arg(rawPort)
                       .arg(device)
                       .arg(baud)
                       .toUtf8());
        file.close();
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(dir.filePath(QStringLiteral("ser2net.log")));
        // -n: stay in the foreground, -u: no UUCP lock files, -P: a pid file of its own.
        process.start(executable(), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), config,
                                     QStringLiteral("-P"), dir.filePath(QStringLiteral("ser2net.pid"))});
        if (!process.waitForStarted(5000)) return fail(error, QStringLiteral("ser2net did not start"));
        const bool ready =
            QTest::qWaitFor([this] { return listening(rfcPort) && listening(rawPort); }, 10000);
        if (!ready) return fail(error, QStringLiteral("ser2net did not listen: %1").arg(log()));
        return true;
    }

    // Ends the server at once: every connection it holds drops, as when the server loses power.
    void stop() {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished(5000);
    }

    QString rfc2217() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(rfcPort); }
    QString raw() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(rawPort); }
    QString log() const {
        QFile f(dir.filePath(QStringLiteral("ser2net.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }

    quint16 rfcPort = 0;
    quint16 rawPort = 0;

private:
    // Whether a socket listens on the loopback port, as the kernel lists them (connecting to find out
    // would open the device behind it).
    static bool listening(quint16 port) {
        for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
            QFile f(QString::fromLatin1(table));
            if (!f.open(QIODevice::ReadOnly)) continue;
            const QByteArray wanted =
                QStringLiteral(":%1 ").arg(port, 4, 16, QLatin1Char('0')).toUpper().toLatin1();
            for (const QByteArray &line : f.readAll().split('\n')) {
                const QList<QByteArray> fields = line.simplified().split(' ');
                // local address, remote address, state (0A: listening)
                if (fields.size() > 3 && (fields.at(1) + ' ').endsWith(wanted) && fields.at(3) == "0A")
                    return true;
            }
        }
        return false;
    }
    static bool fail(QString *error, const QString &why) {
        if (error) *error = why;
        return false;
    }

    QTemporaryDir dir;
    QProcess process;
};

// Network port tests need the real server; without it they say so and skip, never pass.
#define SKIP_WITHOUT_SER2NET()                                                                               \
    do {                                                                                                     \
        if (Ser2Net::executable().isEmpty())                                                                 \
            QSKIP(                                                                                           \
                "ser2net is not installed (scripts/setup installs it): the network port tests need a real "  \
                "server");                                                                                   \
    } while (false)
