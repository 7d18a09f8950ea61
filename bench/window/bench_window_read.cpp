// SPDX-License-Identifier: GPL-3.0-or-later
// A full read of two devices ("Read from Kestrix(s) ...") through the real window on the paced
// simulator, against its floor: the bytes' time on the wire plus the pauses the protocol mandates.
// The last line says whether the goals are met: at most 1.08 times the floor, and no idle gap of the
// line longer than 2 ms outside a mandated pause.
#include "WindowBench.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    WindowBench::quietPlatformNotes();
    WindowBench bench;
    QString problem;
    if (!bench.connect(&problem)) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    QList<BenchRun> runs;
    for (int i = 0; i < 5; ++i) {
        runs.append(bench.measure("ReadfromKestrixs1"));
        WindowBench::printRun(i + 1, runs.last());
        std::fflush(stdout);
    }
    WindowBench::printSummary("read", runs, 1.08, 2.0);
    return 0;
}
