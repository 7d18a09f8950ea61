// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One setting that differs between the values a push would send (a file, or the window's model) and
// what the devices hold. deviceValue is empty, and notReported set, for a value the device's record form
// does not report.
struct Difference {
    int device = 0;
    int channel = 0;
    QString field; // the record value's name ("SeamGain5")
    QString fileValue;
    QString deviceValue;
    bool notReported = false;
    // As the pages name and show them (SettingCatalogue): "Gain +1", "Grey - 50%", "Linear".
    QString label;
    QString fileText;
    QString deviceText;
};

// What a push of `file` (a configuration image) to `devices` devices would change on them, `device`
// being the image of what they hold. Values are compared as the push sends them (system-wide values from
// the file's device 1 to every device, reals at the commands' one decimal, on/off values as on or off);
// values the push does not send are left out. A value the device's record does not report (its halos or
// its feathering widths, by the record's form) is a row with notReported set. Rows come by device,
// channel and field order.
QList<Difference> differenceRows(const QByteArray &file, const QByteArray &device, int devices);

// The image `window` with the devices' values of the rows put in, each at its own device and channel;
// rows whose value the device does not report are left as the window holds them.
QByteArray withDeviceValues(const QByteArray &window, const QByteArray &devices,
                            const QList<Difference> &rows);
