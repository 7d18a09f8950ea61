// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QList>

#include <algorithm>

// Timing checks that a busy machine cannot blur. A wait must never end early, so its lower bound holds
// for every try; a busy machine can only make it end late, so its upper bound holds for the shortest
// of a few tries. `run` performs one timed wait and returns false if its own checks failed.
struct Durations {
    QList<qint64> elapsed;
    bool allRan = true;

    template <class Run> static Durations measure(qint64 upper, Run run, int tries = 3) {
        Durations result;
        for (int attempt = 0; attempt < tries; ++attempt) {
            QElapsedTimer clock;
            clock.start();
            if (!run()) {
                result.allRan = false;
                return result;
            }
            result.elapsed.append(clock.elapsed());
            if (result.elapsed.last() < upper) break;
        }
        return result;
    }
    qint64 shortest() const {
        return elapsed.isEmpty() ? -1 : *std::min_element(elapsed.begin(), elapsed.end());
    }
    qint64 longest() const {
        return elapsed.isEmpty() ? -1 : *std::max_element(elapsed.begin(), elapsed.end());
    }
    // Every try lasted at least `lower`, and the shortest less than `upper`.
    bool within(qint64 lower, qint64 upper) const {
        return allRan && !elapsed.isEmpty() &&
               std::all_of(elapsed.begin(), elapsed.end(), [lower](qint64 e) { return e >= lower; }) &&
               shortest() < upper;
    }
    QByteArray describe() const {
        QByteArray text = allRan ? "" : "a try failed its own checks; ";
        for (qint64 e : elapsed)
            text += QByteArray::number(e) + " ms ";
        return text;
    }
};
