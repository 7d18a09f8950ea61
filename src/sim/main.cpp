// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-sim: serves a simulated Kestrix (or the Controller with its Kestrix devices) on a
// pseudo-terminal for manual sessions, until it is interrupted.

#include "KestrixSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

QString kindName(SimRequest::Kind kind) {
    static const char *names[] = {"probe", "debug-off", "count", "command", "query", "unknown"};
    return QString::fromLatin1(names[kind]);
}

QString printable(const QByteArray &bytes) {
    QString out;
    for (char c : bytes) {
        const auto b = quint8(c);
        if (b == '\r')
            out += QStringLiteral("<CR>");
        else if (b == '\n')
            out += QStringLiteral("<LF>");
        else if (b < 0x20 || b >= 0x7F)
            out += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return out;
}

bool parseIds(const QString &text, QList<int> *ids) {
    ids->clear();
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (!ok || id < 0) return false;
        ids->append(id);
    }
    return !ids->isEmpty();
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumivane-sim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves a simulated Kestrix, or the Controller with Kestrix devices behind it, on a "
                       "pseudo-terminal. Prints the terminal's path and serves until interrupted."));
    parser.addHelpOption();
    const QCommandLineOption direct(QStringLiteral("direct"),
                                    QStringLiteral("One Kestrix on a direct line (default)."));
    const QCommandLineOption controller(QStringLiteral("controller"),
                                        QStringLiteral("The Controller with Kestrix devices."));
    const QCommandLineOption ids(QStringLiteral("ids"),
                                 QStringLiteral("RS-485 IDs of the devices behind the Controller."),
                                 QStringLiteral("5,6"), QStringLiteral("1,2"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Pace the line at its baud rate, both ways."));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Also make a symbolic link to the terminal here."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Print every request and answer."));
    parser.addOptions({direct, controller, ids, pace, link, verbose});
    parser.process(app);

    if (parser.isSet(direct) && parser.isSet(controller)) {
        std::fprintf(stderr, "lumivane-sim: --direct and --controller exclude each other\n");
        return 2;
    }
    SimOptions options;
    options.mode = parser.isSet(controller) ? SimOptions::Controller : SimOptions::Direct;
    if (!parseIds(parser.value(ids), &options.ids)) {
        std::fprintf(stderr, "lumivane-sim: --ids wants numbers separated by commas, e.g. 5,6\n");
        return 2;
    }
    options.paceInput = options.paceOutput = parser.isSet(pace);

    // Block the stop signals before the simulator's thread starts, so that only sigwait() sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    KestrixSimulator simulator(options);
    if (parser.isSet(verbose)) {
        simulator.setRequestObserver([](const SimRequest &r) {
            QString line = QStringLiteral("%1 ms %2 baud %3: %4 -> %5")
                               .arg(r.atMs)
                               .arg(r.baud)
                               .arg(kindName(r.kind), printable(r.raw),
                                    r.answered ? printable(r.answer) : QStringLiteral("(nothing)"));
            if (!r.error.isEmpty()) line += QStringLiteral(" [%1]").arg(r.error);
            std::printf("%s\n", qPrintable(line));
            std::fflush(stdout);
        });
    }
    QString error;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "lumivane-sim: %s\n", qPrintable(error));
        return 1;
    }
    const QString linkPath = parser.value(link);
    if (!linkPath.isEmpty()) {
        QFile::remove(linkPath); // a stale link from an earlier run
        if (!QFile::link(simulator.slavePath(), linkPath)) {
            std::fprintf(stderr, "lumivane-sim: cannot create the link %s\n", qPrintable(linkPath));
            return 1;
        }
    }
    std::printf("%s\n", qPrintable(simulator.slavePath()));
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    simulator.stop();
    if (!linkPath.isEmpty()) QFile::remove(linkPath);
    return 0;
}
