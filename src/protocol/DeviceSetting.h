// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandSet.h"

#include <QList>
#include <QString>

class DeviceModel;

// One setting as its builder addresses it, with the values the builder takes for it: what a user's
// adjustment changed, what undoing it sends back, what a revert compares with the last read.
struct DeviceSetting {
    CommandSet::Cmd cmd = CommandSet::Cmd::Count;
    int device = 0;
    int channel = 0; // 0 for a setting of the whole device; 5 = every channel (test pattern only)
    char part = 0;   // the side 'L' / 'R' of a halo or an edge, the colour letter of a contrast
    // The builder's value arguments in its order (a seam gain row: the start, then the eight gains).
    QList<double> values;

    // The same setting of the same device and channel, whatever the values.
    bool sameTarget(const DeviceSetting &other) const;
    // Same target and the same values as far as the wire tells them apart (one decimal).
    bool sameValues(const DeviceSetting &other) const;
    // A setting of the whole device (the user always sends it to every device).
    bool deviceWide() const { return channel == 0; }
    // "Black level, screen 2: 40", "Basic feathering: 1 2.5" (screen numbers across both devices).
    QString describe() const;
};

// What one action of the user sent: every setting a builder changed with the values it had before, or
// a command whose effect cannot be taken back (the device reset, saved or worked something out itself).
struct SettingChange {
    // The settings that put back what the target held before (several for a test pattern sent to
    // every channel whose channels differed).
    QList<DeviceSetting> before;
    DeviceSetting after;
    bool delivered = false; // the device took the command
};

struct Adjustment {
    QList<SettingChange> changes;
    // Not empty for a command that cannot be undone: its name as the user knows it ("Reset Config").
    QString irreversible;
};

namespace DeviceSettings {

// Whether a command carries a setting that a later command can put back.
bool undoable(CommandSet::Cmd cmd);
// The values the model holds now for the target of setting (its own values are ignored). A test
// pattern of every channel gives one setting when the four channels agree, else one per channel.
QList<DeviceSetting> current(const DeviceModel &model, const DeviceSetting &target);
// The single-channel targets a setting covers (the four channels of a test pattern sent to all).
QList<DeviceSetting> targets(const DeviceSetting &setting);
// Sends the setting through its builder. True when the device took it.
bool send(CommandSet &commands, const DeviceSetting &setting);

} // namespace DeviceSettings
