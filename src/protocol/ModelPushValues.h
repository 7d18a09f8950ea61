// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DeviceModel.h"
#include "InputInfo.h"
#include "OutputInfo.h"
#include "SettingsPush.h"

#include <functional>

class CommandSet;
class Host;

// A push whose values come from the model rather than from the window's controls: every value is what
// the pages would show after being filled from the same model, so a push of a loaded configuration sends
// what the window would send after loading it.
//
// The values are taken from the model when the object is made. The push itself rewrites the model as
// it goes (every builder stores what it sends, and the feather mode re-reads the devices' outputs), so
// reading it live would send the devices' own values back to them for everything after that re-read.
class ModelPushValues : public PushValues, public PushInputValues, public PushSeamValues {
public:
    ModelPushValues(const DeviceModel &model, CommandSet &commands, Host &host);

    // The wall layout comes from device 1's first output record.
    int projectorCount() override;
    int justification() override;
    FieldValue overlapWidth() override;
    ScreenOutputValues screenOutputs(int screen) override;
    int dataDoubling() override;
    int basicFeathering() override;
    DecimalValue basicGamma() override;
    int advancedMode() override;

    // Selects the screen whose input and seam values the calls below give and send.
    void selectScreen(int screen) override;
    FieldValue hPosition() override;
    FieldValue vPosition() override;
    FieldValue phase() override;
    // A colour value outside its range is reported (device, channel, field and value) and left out; the
    // others still go out.
    void sendColourBalance() override;
    // The same for the colour values named (by field name, "RedContrast") only.
    void sendColourValues(const std::function<bool(const QString &field)> &only);
    // All eight gains in one command, the first at -4 from the seam.
    void sendSeamGains() override;
    int bridge() override;

    // The message for a colour value outside its range.
    static QString outOfRangeMessage(int device, int channel, const char *field, float value, double lower,
                                     double upper);

private:
    const InputInfo &input() const;
    const OutputInfo &output() const;

    CommandSet &commands;
    Host &host;
    InputInfo inputs[kDeviceSlots][kChannelSlots];
    OutputInfo outputs[kDeviceSlots][kChannelSlots];
    int screen = 1;
};
