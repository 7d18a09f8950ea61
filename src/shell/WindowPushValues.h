// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsPush.h"

#include <array>

class DeviceModel;
class DisplaySetupPage;
class PlanningPage;
struct WindowState;

// A push of what the window shows: the wall from the Planning page, the outputs and system settings
// from the Display Setup page.
class WindowPushValues : public PushValues {
public:
    WindowPushValues(PlanningPage &planning, DisplaySetupPage &display, DeviceModel &model);

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
    DeviceModel &model;
    WindowState &state;
};

class SourceSetupPage;
class SeamRemovalPage;

// The inputs as the Source Setup page shows each channel: visiting a screen loads it into the page.
class WindowPushInputs : public PushInputValues {
public:
    explicit WindowPushInputs(SourceSetupPage &page) : page(page) {}

    void selectScreen(int screen) override;
    FieldValue hPosition() override;
    FieldValue vPosition() override;
    FieldValue phase() override;
    void sendColourBalance() override;

private:
    FieldValue integer(const char *name) const;
    SourceSetupPage &page;
};

// The seams as the Seam Removal page shows each channel.
class WindowPushSeams : public PushSeamValues {
public:
    // Keeps the seams the model holds now: the feather mode's re-read replaces them with the devices'
    // old ones before the seams go out.
    WindowPushSeams(SeamRemovalPage &page, DeviceModel &model);

    void selectScreen(int screen) override;
    void sendSeamGains() override;
    int bridge() override;

private:
    struct Seam {
        quint8 gains[8];
        quint8 bridge;
    };
    SeamRemovalPage &page;
    DeviceModel &model;
    // The seams the model held when the push began, devices 1..2, channels 1..4.
    std::array<std::array<Seam, 4>, 2> kept;
};
