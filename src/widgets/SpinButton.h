// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

// The small up/down button beside a numeric field. It never takes the keyboard focus, so pressing it
// does not end the editing of the field beside it. A press and release over one half fires one event of
// that half, at the release. While a half is held, a repeat timer runs at the field's interval: the first
// three ticks only count, every later tick fires one more event; the release fires one last event when
// the pointer is still over the pressed half.
class SpinButton : public QWidget {
    Q_OBJECT
public:
    explicit SpinButton(QWidget *parent = nullptr);

    void setRepeatInterval(int ms);
    int repeatInterval() const { return repeat.interval(); }

    QSize sizeHint() const override { return {17, 21}; }

signals:
    void upClick();
    void downClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    enum Half { None, Up, Down };
    Half halfAt(const QPoint &pos) const;
    void fire(Half half);
    void tick();

    QTimer repeat;
    Half pressed = None;
    int ticks = 0;
};
