// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CompareDialog.h"
#include "CompareFlow.h"

#include <QObject>

#include <functional>

class CommandEngine;
class CommandSet;
class DeviceModel;
class DeviceReader;
class Host;
class QWidget;

// File > Compare with Kestrix(s): reads the devices beside the window's model, lists what differs, and
// on the user's word sends the window's values of those settings or takes the devices' values into the
// window (the model, then the pages as after a read).
class DeviceCompare : public QObject {
    Q_OBJECT
public:
    struct Parts {
        CommandEngine &engine;
        Host &host;
        DeviceModel &model;
        CommandSet &commands;
        DeviceReader &reader;
        QWidget &window; // the dialog's parent
    };
    // Shows the differences and returns what to do; replaceable so that tests can answer it.
    using Chooser = std::function<CompareDialog::Choice(const CompareFlow::Outcome &)>;

    DeviceCompare(const Parts &parts, QObject *parent = nullptr);

    void CompareWithKestrixs1Click();
    void setChooser(Chooser chooser) { this->chooser = std::move(chooser); }

private:
    CompareDialog::Choice runDialog(const CompareFlow::Outcome &outcome) const;
    void sendWindowValues(const QList<Difference> &rows);
    void takeDeviceValues(const DeviceModel &devices, const QList<Difference> &rows);

    CommandEngine &engine;
    Host &host;
    DeviceModel &model;
    CommandSet &commands;
    DeviceReader &reader;
    QWidget &window;
    Chooser chooser;
};
