#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

// The "Planning" page: the installation calculator and its two drawings.
class PlanningPage : public QWidget {
    Q_OBJECT
public:
    explicit PlanningPage(QWidget *parent = nullptr);

    // Run once when the main window is first shown: sets up the drawing and the calculator and runs
    // the calculation as the Calculate button does.
    void prepare();
    bool isPrepared() const { return prepared; }

    // "Number of Projectors": item i is i + 1 projectors.
    QComboBox *numOfScreenComboBox() const { return numOfScreen; }
    // "Input Material Alignment": item 0 left justified, item 1 centred.
    QComboBox *imageAlignComboBox() const { return imageAlign; }
    // "Projector Overlap:" in pixels.
    QLineEdit *overlapEdit() const { return overlap; }

    // Recomputes the planning results after the device layout (projector count, alignment, overlap)
    // was copied into the page by a read from the devices or a file load.
    void RecomputeFromDeviceLayout();

signals:
    // Asks the calculator to run (the first-show calculation).
    void calculateRequested();
    // Asks the calculator to recompute from the layout copied into the page.
    void recomputeFromDeviceLayoutRequested();

private:
    bool prepared = false;
    QComboBox *numOfScreen;
    QComboBox *imageAlign;
    QLineEdit *overlap;
};
