// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FieldTable.h"

#include <QObject>

class FieldBaseline;
class FieldEditors;
class QLineEdit;
class SpinButton;

// One numeric field bound to its row: the exit validation on every focus loss (also callable directly),
// the Enter key, and the spin steps of the spin button beside it. Handler names follow the control names
// of the form: the editor of Black1Edit is what Black1EditExit, Black1EditKeyPress and
// Black1UpDownUpClick / Black1UpDownDownClick do.
class FieldEditor : public QObject {
    Q_OBJECT
public:
    FieldEditor(FieldEditors &group, const FieldRow &row, QLineEdit *edit, SpinButton *spin);

    const FieldRow &row() const { return fieldRow; }
    const FieldFamily &family() const { return fieldFamily(fieldRow.family); }
    QLineEdit *edit() const { return lineEdit; }
    SpinButton *spin() const { return spinButton; }
    // The screen the field acts on: its own, or the page's selected channel.
    int screen() const;

    // The exit validation. A pair's exit is its width field's, whichever of the two runs it. True when
    // every value was valid (whether or not anything was sent).
    bool EditExit();
    // Steps 1 and 2 of the exit validation without the send: on a failure the field's message, its
    // restore and the focus back, as leaving it would. True when the text holds a value in range.
    bool validate(double &value);
    // Enter moves the focus to the field's Enter target; other characters are not filtered. True when
    // the key was Enter.
    bool EditKeyPress(QChar key);
    // Where Enter moves the focus: a control of the field's own page, named by its row (the right edge's
    // width when that field is shown, else the screen's test pattern, for the rows that say so).
    QWidget *enterTarget() const;
    void UpDownUpClick() { step(+1); }
    void UpDownDownClick() { step(-1); }

    // Parses a text as the family's kind: optional sign and decimal digits, and for decimals at most one
    // point; blanks around the number are allowed.
    static bool parse(FieldKind kind, const QString &text, double &value);
    // A real value as the device gets it: one decimal, as the command writes it (never "-0.0").
    static double sentValue(double value);
    static QString sentText(double value);

    // Whether leaving the field now would give the devices something they do not have yet: its text (or
    // its pair partner's) is neither the one the program showed nor the one last sent.
    bool changed() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Check { Valid, Empty, Invalid };
    Check check(double &value);
    void step(int direction);
    void send(double value, int offset);
    void showMessage(const QString &text);
    void focusBack();
    void sent();
    FieldBaseline *partnerBaseline() const;

    FieldEditors &group;
    const FieldRow &fieldRow;
    QLineEdit *lineEdit;
    SpinButton *spinButton;
    FieldBaseline *baseline;
};
