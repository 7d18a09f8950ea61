// SPDX-License-Identifier: GPL-3.0-or-later
#include "BusyScope.h"
#include "Durations.h"
#include "EventPump.h"
#include "Pacing.h"
#include "TickDeadline.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

// The tick deadline rule, the pacing values and the waiting primitives.
class TestLinkUnits : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { EventPump::clearAbort(); }

    // Enter takes a free flag and refuses a held one; Hold and Release force it; every scope puts back
    // what it found, so nested scopes never clear a flag their caller holds.
    void busyScopeEntersHoldsReleasesAndRestores() {
        int flag = 0;
        {
            BusyScope handler(flag);
            QVERIFY(bool(handler));
            QCOMPARE(flag, 1);
            {
                BusyScope nested(flag);
                QVERIFY(!nested); // a handler raised during a device action does nothing
                QCOMPARE(flag, 1);
            }
            QCOMPARE(flag, 1);
            {
                BusyScope refresh(flag, BusyScope::Kind::Release);
                QVERIFY(bool(refresh));
                QCOMPARE(flag, 0);
                BusyScope wait(flag, BusyScope::Kind::Hold);
                QCOMPARE(flag, 1);
            }
            QCOMPARE(flag, 1); // the refresh gave the handler its flag back
        }
        QCOMPARE(flag, 0);
    }

    void tickDeadline_data() {
        QTest::addColumn<quint32>("start");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<quint32>("now");
        QTest::addColumn<bool>("passed");
        // Set at tick T = start / 55; passed once the current tick exceeds T + N.
        QTest::newRow("same tick") << 110u << 0 << 164u << false;
        QTest::newRow("next tick, N=0") << 110u << 0 << 165u << true;
        QTest::newRow("mid-tick start, N=10, last ms") << 130u << 10 << 714u << false;
        QTest::newRow("mid-tick start, N=10, first ms past") << 130u << 10 << 715u << true;
        QTest::newRow("80 ticks from a tick start") << 0u << 80 << 4454u << false;
        QTest::newRow("80 ticks passed") << 0u << 80 << 4455u << true;
        // The 32-bit millisecond clock wraps during the wait.
        QTest::newRow("across the wrap, pending") << 0xFFFFFFF0u << 10 << 500u << false;
        QTest::newRow("across the wrap, passed") << 0xFFFFFFF0u << 10 << 700u << true;
        // Capped at 39045157 ticks: a larger N waits no longer than the cap.
        QTest::newRow("capped, just before") << 0u << 2000000000 << quint32(39045158u * 55u - 1u) << false;
        QTest::newRow("capped, at the cap") << 0u << 2000000000 << quint32(39045158u * 55u) << true;
        QTest::newRow("negative N is 0") << 0u << -5 << 55u << true;
        // The capped deadline set just before the clock wraps, checked after it wrapped.
        const quint32 late = 0xFFFFFF00u; // 4294967040 = tick 78090309 + 45 ms
        QTest::newRow("capped across the wrap, pending")
            << late << TickDeadline::MaxTicks << quint32(late + 39045158u * 55u - 46u) << false;
        QTest::newRow("capped across the wrap, passed")
            << late << TickDeadline::MaxTicks << quint32(late + 39045158u * 55u - 45u) << true;
    }

    // The capped deadline lies beyond the range of int; what is left of it must stay a positive
    // 64-bit count (a wait given a negative time would wait without limit).
    void tickDeadlineRemainingBeyondInt() {
        const qint64 full = qint64(TickDeadline::MaxTicks + 1) * 55;
        QVERIFY(full > std::numeric_limits<int>::max());
        QCOMPARE(TickDeadline(0u, TickDeadline::MaxTicks).remainingMs(0u), full);
        const quint32 late = 0xFFFFFFF0u; // 16 ms before the wrap, 1 ms into its tick
        const TickDeadline d(late, TickDeadline::MaxTicks);
        QCOMPARE(d.remainingMs(late), full - qint64(late % 55u));
        QCOMPARE(d.remainingMs(20u), full - qint64(late % 55u) - 36); // 36 ms later, clock wrapped
        QCOMPARE(d.remainingMs(quint32(late + full - qint64(late % 55u))), qint64(0));
    }

    void tickDeadline() {
        QFETCH(quint32, start);
        QFETCH(int, ticks);
        QFETCH(quint32, now);
        QFETCH(bool, passed);
        QCOMPARE(TickDeadline(start, ticks).passed(now), passed);
    }

    void pacingValues() {
        const Pacing real = Pacing::real();
        QCOMPARE(real.tickMs, 55);
        QCOMPARE(real.watchdogMs, 8000);
        QCOMPARE(real.resendPauseMs, 900);
        QCOMPARE(real.controllerErrorPauseMs, 900);
        QCOMPARE(real.debugQueryPauseMs, 1000);
        QCOMPARE(real.settleStepMs, 1);
        QCOMPARE(real.parseFailurePauseMs, 100);
        QCOMPARE(real.exitPauseMs, 1000);
        QCOMPARE(real.protocolPauseMs, 1000);
        const Pacing fast = real.scaled(0.1);
        QCOMPARE(fast.watchdogMs, 800);
        QCOMPARE(fast.tickMs, 6);
        QCOMPARE(fast.settleStepMs, 0);
        QCOMPARE(real.scaled(0.0001).resendPauseMs, 1); // never 0: deadlines must still pass
    }

    // A pause never ends early and keeps the event loop running.
    void pauseLastsItsLengthAndHandlesEvents() {
        int handled = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++handled; });
        ticker.start(10);
        const Durations pauses = Durations::measure(260, [&] {
            handled = 0;
            EventPump::pause(200);
            return handled >= 1 && EventPump::depth() == 0;
        });
        QVERIFY2(pauses.within(200, 260), pauses.describe());
    }

    void waitUntilEndsOnConditionOrTimeout() {
        bool flag = false;
        QTimer::singleShot(30, [&] { flag = true; });
        QVERIFY(EventPump::waitUntil([&] { return flag; }, 2000));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!EventPump::waitUntil([] { return false; }, 60));
        QVERIFY(clock.elapsed() >= 60);
    }

    // A close during nested waits: every wait ends at once, and the deferred close runs from the main
    // loop only after the outermost one has returned.
    void abortUnwindsNestedWaitsThenRunsDeferredWork() {
        QObject context;
        int depthWhenRun = -1;
        bool innerEnded = false;
        QTimer::singleShot(20, [&] {
            EventPump::waitUntil([] { return false; }); // nested wait without a timeout
            innerEnded = true;
        });
        QTimer::singleShot(60, [&] {
            EventPump::requestAbort();
            EventPump::whenUnwound(&context, [&] { depthWhenRun = EventPump::depth(); });
        });
        QElapsedTimer clock;
        clock.start();
        EventPump::pause(5000);
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(innerEnded);
        QCOMPARE(depthWhenRun, -1); // not yet: it runs from the main loop
        QTRY_COMPARE(depthWhenRun, 0);
        // Waits started while aborting return at once.
        clock.restart();
        EventPump::pause(1000);
        QVERIFY(clock.elapsed() < 500);
    }
};

QTEST_GUILESS_MAIN(TestLinkUnits)
#include "tst_units.moc"
