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

    // The Planning page's calculator reads the devices into the model only (see ReadFlow).
    bool readForCalculation() { return readFlow.readForCalculation(); }
    void ReadfromKestrixs1Click();
    // The pages brought in line with the model, with Refreshing set so that nothing is sent: the
    // Information page, the Planning page's take-over of device 1's layout (with its warnings), then
    // the page refreshes. The read ends with it; a file load runs the same after replacing the model.
    // askDevices: whether the take-over may ask the Controller again for its device count (after a read;
    // not when values were taken from a comparison, which must put nothing on the line).
    void refreshPagesFromModel(bool askDevices = true);

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
