// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputInfo.h"
#include "OutputInfo.h"
#include "SystemInfo.h"
#include "WindowState.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

// Records are indexed [device][channel] with devices 1..2 and channels 1..4; row 0 and column 0 exist so
// that the numbers index directly (the configuration file stores channel slot 0 as well).
constexpr int kDeviceSlots = 3;
constexpr int kChannelSlots = 5;

// Whether an output record holds none of its channel's own values: nobody read, loaded or set the
// channel. The device-wide values do not count, since the model writes them to every channel record.
bool holdsNoChannelValues(const OutputInfo &record);

// The program's picture of the devices: the input, output and system records of both devices, and the
// window's planning and editing state. The window and each command-line session make one and hand it to
// the pages, the flows and the protocol; nothing else holds records.
//
// Every change of a record goes through the edit functions, which tell listeners each field whose value
// changed (a write of the value already held says nothing). Only the user-interface thread touches it.
class DeviceModel : public QObject {
    Q_OBJECT
public:
    explicit DeviceModel(QObject *parent = nullptr);

    // The records. An address outside the tables gives an all-zero record that nothing can change.
    const InputInfo &input(int device, int channel) const;
    const OutputInfo &output(int device, int channel) const;
    const SystemInfo &system(int device) const;

    // Changes one record in place: edit gets a copy, and whatever it changed is stored and announced.
    // Addresses outside the tables are ignored. A device holds its system values (ModelFields marks
    // them) once for all its channels: one changed through any of channels 1..4 is written to all four
    // records, whichever function changed it, so the records and a saved file always agree.
    void editInput(int device, int channel, const std::function<void(InputInfo &)> &edit);
    void editOutput(int device, int channel, const std::function<void(OutputInfo &)> &edit);
    // A record as a device reported it, replacing the one held.
    void setInput(int device, int channel, const InputInfo &record);
    void setOutput(int device, int channel, const OutputInfo &record);
    void setSystem(int device, const SystemInfo &record);

    // Both devices' input and output records as the configuration file stores them (ConfigFile).
    QByteArray image() const;
    // Replaces rows 1 and 2 of both tables with an image. Refuses (false, nothing changed) anything that
    // is not exactly the file's size. Where an image's channels disagree on a system value (files of
    // earlier releases), channel 1's value, the one a push sends, is taken for all four.
    bool applyImage(const QByteArray &bytes);

    // The window's planning and editing state (not part of the file).
    WindowState &state() { return window; }
    const WindowState &state() const { return window; }

signals:
    // A value changed: device 1..2, channel 0..4 (0 for a device's system record), and the field by the
    // name the field catalogue gives it ("BlackLevel", "SeamGain3"; "Version" for the system record).
    void changed(int device, int channel, const QString &field);

private:
    void announceInput(int device, int channel, const InputInfo &before);
    void announceOutput(int device, int channel, const OutputInfo &before);

    InputInfo InputInfoTable[kDeviceSlots][kChannelSlots] = {};
    OutputInfo OutputInfoTable[kDeviceSlots][kChannelSlots] = {};
    SystemInfo SystemInfoTable[kDeviceSlots] = {};
    WindowState window;
};
