#pragma once

#include <QObject>

#include <functional>

class Host;
class PlanningPeers;
class QLineEdit;
class SpinButton;
struct WindowState;

// The overlap between neighbouring projectors, held by two fields that always agree: the Planning
// page's "Projector Overlap:" and the Display Setup page's "Overlap Width". Checks a new value on leaving
// either field or on a spin button step, sends it to the devices and redraws the plan.
class OverlapWidthControl : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> recomputeAspect;
        std::function<void()> drawPlanning;
        std::function<int()> alignment;   // the alignment list's index
        std::function<void()> writeNotes; // the image content notes, for the new image and aspect
    };
    // planningEdit and planningUpDown are the Planning page's field and spin button; the Display Setup
    // page's pair comes from the peers.
    OverlapWidthControl(WindowState &state, Host &host, PlanningPeers &peers, QLineEdit *planningEdit,
                        SpinButton *planningUpDown, Hooks hooks, QObject *parent = nullptr);

    QLineEdit *displayEdit() const;
    QLineEdit *planningEdit() const { return planning; }
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

    WindowState &state;
    Host &host;
    PlanningPeers &peers;
    QLineEdit *planning;
    Hooks hooks;
};
