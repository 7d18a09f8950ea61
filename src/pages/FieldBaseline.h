// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// The text of a numeric field the devices already have: the one the program last showed in it (a
// refresh, a restore, a spin step) or the last one sent. Leaving a field whose text is still that puts
// nothing on the line; any other text is sent on leaving, also one the user typed back after a step had
// sent another, and one that could not be sent while the link was down.
class FieldBaseline : public QObject {
    Q_OBJECT
public:
    explicit FieldBaseline(QLineEdit *edit);

    // True when the text differs from what the devices already have.
    bool changed() const;
    // The text now shown has gone to the devices.
    void sent();
    // Shows a text on the user's behalf (a spin step, the value a typed one becomes on the wire): what
    // the devices have stays as it was.
    void rewrite(const QString &text);

private:
    QLineEdit *edit;
    QString known;
};
