// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the fuzz targets' seed corpus from the simulator's own answers: every record form in both link
// modes, with echoed queries, noise ahead, a missing marker or a missing acknowledgement, and the
// Controller's device-count answers. Usage: fuzz_make_corpus DIR (DIR/<target>/<seed> is written).
#include "SimFarEnd.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

QString outDir;
int written = 0;

void writeSeed(const char *target, const QString &name, const QByteArray &bytes) {
    const QString dir = outDir + '/' + QLatin1String(target);
    QDir().mkpath(dir);
    QFile file(dir + '/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
    ++written;
}

QByteArray ask(SimFarEnd &farEnd, const QByteArray &request) {
    SimRequest r;
    r.raw = request;
    r.baud = farEnd.options().mode == SimOptions::Direct ? 38400 : 57600;
    return farEnd.handle(r).bytes;
}

struct Query {
    const char *target;
    const char *text; // the device's query, before the link mode's dressing
    int minLength;    // where the program starts looking for the acknowledgement
};

void statusSeeds(bool controller, bool echo, const char *faultName, SimFault fault) {
    SimOptions opts;
    opts.mode = controller ? SimOptions::Controller : SimOptions::Direct;
    opts.echoQueries = echo;
    const Query queries[] = {{"status_system", "SYINFOKX", 8},
                             {"status_input", "IINFOKX 2", 70},
                             {"status_output", "OINFOKX 3", 62}};
    const quint8 inputFormats[] = {'N', 'F'};
    const quint8 outputFormats[] = {0x42, 0x3E, 0x3F, 0x40};
    for (const Query &q : queries) {
        const bool input = q.target == queries[1].target;
        const bool output = q.target == queries[2].target;
        const int forms = input ? 2 : output ? 4 : 1;
        for (int form = 0; form < forms; ++form) {
            SimFarEnd farEnd(opts);
            if (input) farEnd.device(1).inputFormat = inputFormats[form];
            if (output) farEnd.device(1).outputFormat = outputFormats[form];
            if (faultName) farEnd.injectFault(fault, 1, 0, QByteArray());
            const QByteArray request =
                controller ? QByteArray("KXQUERY *1") + q.text + "!\r" : QByteArray(q.text) + '\r';
            QByteArray seed;
            seed +=
                char((controller ? 1 : 0) | 2); // the whole answer is one block: its last byte becomes NUL
            seed += char(q.minLength);
            seed += ask(farEnd, request);
            const quint8 format = input ? inputFormats[form] : output ? outputFormats[form] : 0x08;
            const QString name = QStringLiteral("%1-format%2%3%4")
                                     .arg(controller ? "controller" : "direct")
                                     .arg(format, 2, 16, QLatin1Char('0'))
                                     .arg(echo ? "-echo" : "")
                                     .arg(faultName ? QStringLiteral("-") + faultName : QString());
            writeSeed(q.target, name, seed);
        }
    }
}

void countSeeds() {
    const char *texts[] = {"", "0", "1 5", "2 12 200", "3 5 6 7"};
    int n = 0;
    for (const char *text : texts) {
        SimOptions opts;
        opts.mode = SimOptions::Controller;
        opts.nkxText = text;
        SimFarEnd farEnd(opts);
        writeSeed("controller_count", QStringLiteral("answer%1").arg(n++), ask(farEnd, "NKX\r"));
    }
    SimOptions opts;
    opts.mode = SimOptions::Controller;
    SimFarEnd farEnd(opts);
    farEnd.injectFault(SimFault::ControllerReject, 1, 0, QByteArray());
    writeSeed("controller_count", QStringLiteral("rejected"), ask(farEnd, "NKX\r"));
    farEnd.injectFault(SimFault::Garbage, 1, 12, QByteArray());
    writeSeed("controller_count", QStringLiteral("noise-ahead"), ask(farEnd, "NKX\r"));
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    for (bool controller : {false, true}) {
        statusSeeds(controller, false, nullptr, SimFault::Garbage);
        statusSeeds(controller, false, "noise", SimFault::Garbage);
        statusSeeds(controller, false, "nomarker", SimFault::NoMarker);
        statusSeeds(controller, false, "noack", SimFault::DropAck);
    }
    statusSeeds(true, true, nullptr, SimFault::Garbage);
    countSeeds();
    std::printf("%d seeds written to %s\n", written, qPrintable(outDir));
    return 0;
}
