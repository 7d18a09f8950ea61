#pragma once

#include "SettingsPush.h"

class DisplaySetupPage;
class PlanningPage;
struct WindowState;

// A push of what the window shows: the wall from the Planning page, the outputs and system settings
// from the Display Setup page.
class WindowPushValues : public PushValues {
public:
    WindowPushValues(PlanningPage &planning, DisplaySetupPage &display, WindowState &state)
        : planning(planning), display(display), state(state) {}

    int projectorCount() override;
    int justification() override;
    FieldValue overlapWidth() override;
    ScreenOutputValues screenOutputs(int screen) override;
    int dataDoubling() override;
    int basicFeathering() override;
    DecimalValue basicGamma() override;
    int advancedMode() override;
    void outputsSent() override;

private:
    PlanningPage &planning;
    DisplaySetupPage &display;
    WindowState &state;
};
