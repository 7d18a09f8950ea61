// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingDifferences.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>

class CommandSet;
class DeviceModel;
class Host;
class ModelPushValues;

// Sends the model's values of some settings only: those of a comparison's rows (values the devices do not
// report are left out), each through the command Send Current Settings uses for it and in that pass's
// order. A command that carries several of the settings goes once; a setting that shares its command with
// others takes them along at the model's values (a halo's width brings its offset, a seam gain the other
// seven). The values are taken from the model when the object is made, since the feather mode's follow-up
// read rewrites the model as the pass goes.
class DifferencePush {
public:
    enum class Result { Sent, NotSent, InvalidValue };

    DifferencePush(CommandSet &commands, const DeviceModel &model, Host &host,
                   std::function<bool()> linkActive);
    ~DifferencePush();

    // NotSent when the link is down or ended part-way (what went out stays sent); InvalidValue, with the
    // push's message, for a value that cannot go out.
    Result send(const QList<Difference> &rows);
    // The commands handed to the command set by the last send.
    int commandsSent() const { return sent; }

private:
    bool wanted(int device, int channel, std::initializer_list<const char *> fields) const;
    void go();
    void sendInputs(int device);
    void sendOutputs(int device);
    void sendSeams(int device);

    CommandSet &commands;
    Host &host;
    std::function<bool()> linkActive;
    std::unique_ptr<ModelPushValues> values;
    QSet<QString> keys; // "device/channel/field" of every row to send
    int sent = 0;
};
