// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReadFlow.h"

#include <QObject>

#include <functional>

class CommandEngine;
class ConnectionController;
class Host;
class InformationPage;
class PlanningPage;
class DeviceModel;
class StatusQueries;
struct WindowState;

// The window's side of reading the devices (the read itself is ReadFlow's): the Information page's device
// count and version, then the pages and the Planning page's layout brought in line with what was read.
class DeviceReader : public QObject, private ReadView {
    Q_OBJECT
public:
    struct Parts {
        CommandEngine &engine;
        Host &host;
        DeviceModel &model;
        StatusQueries &queries;
        ConnectionController &connection;
        InformationPage &info;
        PlanningPage &planning;
    };
    // refreshPages copies the model into the Source Setup, Display Setup and Seam Removal pages, runs
    // the overlap field's leave handling and the page-change handling (with Refreshing set).
    DeviceReader(const Parts &parts, std::function<void()> refreshPages, QObject *parent = nullptr);

    // The Planning page's calculator reads the devices into the model only (see ReadFlow); a new undo
    // history starts with it.
    bool readForCalculation();
    void ReadfromKestrixs1Click();
    // Where the model's records came from when the pages are brought in line with them.
    enum class Origin {
        Read,       // the devices were read (the read's own end starts the new undo history)
        File,       // a configuration file was opened
        Comparison, // the devices' values were taken over from a comparison: nothing may go on the line
    };
    // The pages brought in line with the model, with Refreshing set so that nothing is sent: the
    // Information page, the Planning page's take-over of device 1's layout (with its warnings and, but
    // for a comparison, the device count check), then the page refreshes. A file or a comparison starts
    // a new undo history here.
    void refreshPagesFromModel(Origin origin);
    // The Planning page's projector count, alignment and overlap as device 1's record has them, without
    // the warnings and the device count check of a read (an undone adjustment of the layout).
    void showPlanningLayout();

signals:
    // The model holds what the devices reported (whether or not every record came) or what a file held.
    void settingsReplaced(const QString &why, DeviceReader::Origin origin);

private:
    void deviceCountShown(int count) override;
    void versionRead(int device, const QString &version) override;
    void allRead() override;
    void takeOverPlanningLayout(bool askDevices);

    DeviceModel &model;
    WindowState &state;
    ConnectionController &connection;
    InformationPage &info;
    PlanningPage &planning;
    std::function<void()> refreshPages;
    ReadFlow readFlow;
};
