// SPDX-License-Identifier: GPL-3.0-or-later
// The spin button: events at release over the pressed half, three counted ticks before repeats at the
// field's interval, a last event at release, and no focus taken from the field beside it.
#include "SpinButton.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QtTest>

namespace {
struct Rig {
    QWidget window;
    QLineEdit *edit = new QLineEdit(&window);
    SpinButton *spin = new SpinButton(&window);
    QElapsedTimer clock;
    QList<qint64> ups, downs; // ms since the press

    Rig() {
        auto *layout = new QHBoxLayout(&window);
        layout->addWidget(edit);
        layout->addWidget(spin);
        spin->setFixedSize(17, 22);
        QObject::connect(spin, &SpinButton::upClick, [this] { ups.append(clock.elapsed()); });
        QObject::connect(spin, &SpinButton::downClick, [this] { downs.append(clock.elapsed()); });
        window.show();
        window.activateWindow();
        edit->setFocus();
    }
    QPoint upHalf() const { return {8, 4}; }
    QPoint downHalf() const { return {8, 18}; }
    void press(QPoint at) {
        clock.start();
        QTest::mousePress(spin, Qt::LeftButton, {}, at);
    }
};
} // namespace

class SpinButtonTest : public QObject {
    Q_OBJECT
private slots:
    void clickFiresAtReleaseOverPressedHalf_data();
    void clickFiresAtReleaseOverPressedHalf();
    void heldHalfRepeatsAfterThreeCountedTicks_data();
    void heldHalfRepeatsAfterThreeCountedTicks();
    void neverTakesTheFocus();
};

void SpinButtonTest::clickFiresAtReleaseOverPressedHalf_data() {
    QTest::addColumn<bool>("pressUp");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<int>("ups");
    QTest::addColumn<int>("downs");
    QTest::newRow("up") << true << QPoint(8, 4) << 1 << 0;
    QTest::newRow("down") << false << QPoint(8, 18) << 0 << 1;
    QTest::newRow("up pressed, released over down") << true << QPoint(8, 18) << 0 << 0;
    QTest::newRow("down pressed, released outside") << false << QPoint(40, 18) << 0 << 0;
}

void SpinButtonTest::clickFiresAtReleaseOverPressedHalf() {
    QFETCH(bool, pressUp);
    QFETCH(QPoint, releaseAt);
    Rig rig;
    rig.spin->setRepeatInterval(250);
    rig.press(pressUp ? rig.upHalf() : rig.downHalf());
    QVERIFY(rig.ups.isEmpty() && rig.downs.isEmpty()); // nothing at the press
    QTest::mouseRelease(rig.spin, Qt::LeftButton, {}, releaseAt);
    QTEST(int(rig.ups.size()), "ups");
    QTEST(int(rig.downs.size()), "downs");
}

void SpinButtonTest::heldHalfRepeatsAfterThreeCountedTicks_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<bool>("checkUpperBound");
    // At the field's own interval the first repeat comes 4 intervals after the press.
    QTest::newRow("105 ms") << 105 << 700 << false;
    // A longer interval leaves room to tell 4 ticks from 3 or 5 even on a loaded machine.
    QTest::newRow("250 ms") << 250 << 1400 << true;
}

void SpinButtonTest::heldHalfRepeatsAfterThreeCountedTicks() {
    QFETCH(int, interval);
    QFETCH(int, holdMs);
    QFETCH(bool, checkUpperBound);
    Rig rig;
    rig.spin->setRepeatInterval(interval);
    rig.press(rig.downHalf());
    QTest::qWait(4 * interval - interval / 2);
    QVERIFY2(rig.downs.isEmpty(), "repeat before the fourth tick");
    QTest::qWait(holdMs - (4 * interval - interval / 2));
    QVERIFY(rig.downs.size() >= 2);
    QVERIFY2(rig.downs.first() >= 4 * interval - 5, qPrintable(QString::number(rig.downs.first())));
    if (checkUpperBound)
        QVERIFY2(rig.downs.first() < 5 * interval - 20, qPrintable(QString::number(rig.downs.first())));
    // Repeat k comes no earlier than 4 + k intervals after the press (a late tick may be caught up).
    for (int k = 1; k < rig.downs.size(); ++k)
        QVERIFY(rig.downs[k] >= (4 + k) * interval - 5);
    const int beforeRelease = int(rig.downs.size());
    QTest::mouseRelease(rig.spin, Qt::LeftButton, {}, rig.downHalf());
    QCOMPARE(rig.downs.size(), beforeRelease + 1); // the last event at the release
    QTest::qWait(2 * interval);
    QCOMPARE(rig.downs.size(), beforeRelease + 1); // and the timer has stopped
    QVERIFY(rig.ups.isEmpty());
}

void SpinButtonTest::neverTakesTheFocus() {
    Rig rig;
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    rig.edit->setFocus();
    QVERIFY(rig.edit->hasFocus());
    QTest::mouseClick(rig.spin, Qt::LeftButton, {}, rig.upHalf());
    QVERIFY(rig.edit->hasFocus());
    QCOMPARE(rig.ups.size(), 1);
}

QTEST_MAIN(SpinButtonTest)
#include "tst_spinbutton.moc"
