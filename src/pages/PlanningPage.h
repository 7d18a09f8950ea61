#pragma once

#include <QWidget>

// The "Planning" page: the installation calculator and its two drawings.
class PlanningPage : public QWidget {
    Q_OBJECT
public:
    explicit PlanningPage(QWidget *parent = nullptr);

    // Run once when the main window is first shown: sets up the drawing and the calculator and runs
    // the calculation as the Calculate button does.
    void prepare();
    bool isPrepared() const { return prepared; }

signals:
    // Asks the owner to run the planning calculation (the calculator fills it in).
    void calculateRequested();

private:
    bool prepared = false;
};
