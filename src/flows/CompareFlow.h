// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingDifferences.h"

#include <QList>
#include <QString>

class CommandEngine;
class DeviceModel;
class Host;

// Compare with the devices: what they hold now, read into a model of its own, against what a push of
// the window's model would send. The window's model, its state and its pages are left alone; only the
// status text, the busy cursor and the progress notice show that a read is under way, as in every read.
class CompareFlow {
public:
    struct Outcome {
        bool read = false;      // every record of every device was read
        int devices = 0;        // the devices read and compared
        QString failure;        // why not, in plain words (empty when the line's loss was already told)
        QList<Difference> rows; // by device, channel and field
    };

    CompareFlow(CommandEngine &engine, Host &host, const DeviceModel &window);

    // Reads every device into `devices` (a blank model of its own: it is cleared first, so that a value a
    // record form does not carry is never taken from anywhere else) and compares. Nothing is asked: a
    // record that cannot be read ends the comparison.
    Outcome compare(DeviceModel &devices);

private:
    bool deviceCount(DeviceModel &devices, Outcome &outcome);
    bool readDevice(DeviceModel &devices, int device, Outcome &outcome);

    CommandEngine &engine;
    Host &host;
    const DeviceModel &window;
};
