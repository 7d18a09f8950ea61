// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <optional>

class CommandSet;
class Host;
class DeviceModel;
struct WindowState;

// A value read from a field: empty when the field's text does not convert.
using FieldValue = std::optional<int>;
using DecimalValue = std::optional<double>;

// `held` is false when the devices never reported the values and nobody set or loaded them (a record
// form that does not carry them): the push then leaves the device's own values alone.
struct HaloValues {
    FieldValue width;
    FieldValue offset;
    bool held = true;
};

struct EdgeFeatherValues {
    int enable = 0;
    DecimalValue gamma;
    FieldValue width;
    FieldValue offset;
    bool held = true; // the width and offset; the command cannot send the rest without them
};

// What one screen's output shows: test pattern, black level, halos and edge feathering.
struct ScreenOutputValues {
    int pattern = 0;
    int raster = 0;
    int grid = 0;
    FieldValue black;
    HaloValues leftHalo, rightHalo;
    EdgeFeatherValues leftEdge, rightEdge;
};

// Where a push takes its values: the window reads its page controls, a tool without a window could
// read the model. Screens are 1..8.
class PushValues {
public:
    virtual ~PushValues() = default;
    virtual int projectorCount() = 0; // 1..8
    virtual int justification() = 0;
    virtual FieldValue overlapWidth() = 0;
    virtual ScreenOutputValues screenOutputs(int screen) = 0;
    virtual int dataDoubling() = 0;
    virtual int basicFeathering() = 0;
    virtual DecimalValue basicGamma() = 0;
    virtual int advancedMode() = 0;
    // Device 2's outputs went out after the feather mode's re-read had replaced what was shown: show
    // what was sent again.
    virtual void outputsSent() {}
};

// The input side of a screen: visiting the screen shows its channel, then its values are sent.
class PushInputValues {
public:
    virtual ~PushInputValues() = default;
    virtual void selectScreen(int screen) = 0;
    virtual FieldValue hPosition() = 0;
    virtual FieldValue vPosition() = 0;
    virtual FieldValue phase() = 0;
    // Sends the colour balance of the shown channel through each field's own checks: a bad value is
    // reported with that field's message and skipped, and the pass goes on.
    virtual void sendColourBalance() = 0;
};

// The seams of a screen: visiting shows its channel; the gains are sent through their fields' own
// checks, which report a bad value themselves and let the pass go on.
class PushSeamValues {
public:
    virtual ~PushSeamValues() = default;
    virtual void selectScreen(int screen) = 0;
    virtual void sendSeamGains() = 0;
    virtual int bridge() = 0;
};

// Sends everything the values describe to the devices in one pass, in the one order the devices
// need: the layout first, then inputs, outputs, system settings and seams. A value that does not convert
// ends the pass there; what has gone out stays sent. A link that ends meanwhile (a command the user
// stopped resending) ends the pass at the next part, as not sent.
class SettingsPush {
public:
    enum class Result { Sent, NotSent, InvalidValue };

    SettingsPush(CommandSet &commands, DeviceModel &model, Host &host, std::function<bool()> linkActive);

    // inputs and seams may be null: those parts are then left out.
    Result run(PushValues &values, PushInputValues *inputs = nullptr, PushSeamValues *seams = nullptr);

    static QString invalidValueMessage();

    // One part of the pass: parts begun so far, parts in all, and the part's name as the progress
    // notice gives it ("display layout", "Kestrix 2 inputs").
    struct Step {
        int done;
        int total;
        QString part;
    };
    // Told after each part of the pass has begun.
    void setStepObserver(std::function<void(const Step &)> observer) { stepObserver = std::move(observer); }

private:
    struct Invalid {};
    struct LinkEnded {};
    template <typename T> static T need(const std::optional<T> &value);
    void step(const QString &what);
    void sendInputs(PushInputValues &inputs, int device, int first, int last);
    void sendOutputs(int device, const ScreenOutputValues (&screens)[4]);
    void sendSeams(PushSeamValues &seams, int device, int first, int last);

    CommandSet &commands;
    DeviceModel &model;
    WindowState &state;
    Host &host;
    std::function<bool()> linkActive;
    std::function<void(const Step &)> stepObserver;
    int stepsDone = 0;
    int stepsTotal = 0;
};
