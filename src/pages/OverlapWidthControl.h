// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

class FieldBaseline;
class Host;
class PlanningPeers;
class QLineEdit;
class SpinButton;
struct WindowState;

// The overlap between neighbouring projectors, held by two fields that always agree: the Planning
// page's "Projector Overlap:" and the Display Setup page's "Overlap Width". Checks a new value on leaving
// either field or on a spin button step, sends it to the devices and redraws the plan. The Planning page
// owns the control; the Display Setup page hands over its own field and spin button (shareWith), and its
// field's text is the overlap in force.
class OverlapWidthControl : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> recomputeAspect;
        std::function<void()> drawPlanning;
        std::function<int()> alignment;   // the alignment list's index
        std::function<void()> writeNotes; // the image content notes, for the new image and aspect
    };
    // planningEdit and planningUpDown are the Planning page's field and spin button.
    OverlapWidthControl(WindowState &state, Host &host, PlanningPeers &peers, QLineEdit *planningEdit,
                        SpinButton *planningUpDown, Hooks hooks, QObject *parent = nullptr);
    // The Display Setup page's field and spin button; Enter in that field runs enterMovesOn. Called once,
    // before the window is shown.
    void shareWith(QLineEdit *deviceEdit, SpinButton *deviceUpDown, std::function<void()> enterMovesOn);

    // The Display Setup field's text: the overlap in force, as typed.
    QString text() const;
    void setText(const QString &text);
    // The Planning page's field's text.
    QString planningText() const;
    void setPlanningText(const QString &text);
    // Writes an overlap into both fields.
    void show(int overlap);

    void OWidthEditExit();
    void OWidthPlanningEditExit();
    void OWidthUpDownUpClick();
    void OWidthUpDownDownClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusOverlapField();
    // A refused value: both fields show the overlap the plan uses again.
    void showOverlapInForce();
    int lowest() const;
    int highest() const;
    void step(int delta);
    // Steps 2..5 of the exit; true when the overlap went to the devices.
    bool exitSends();

    WindowState &state;
    Host &host;
    PlanningPeers &peers;
    QLineEdit *planning;
    QLineEdit *device = nullptr;
    FieldBaseline *planningSent;
    FieldBaseline *deviceSent = nullptr;
    // The alignment the layout last went out with from here (-1: none yet). The layout carries it, so a
    // field left unchanged still sends when the alignment changed without reaching the devices.
    int alignmentSent = -1;
    bool layoutChanged() const;
    std::function<void()> enterMovesOn;
    Hooks hooks;
};
