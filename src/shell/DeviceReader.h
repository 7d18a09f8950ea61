#pragma once

#include "ReadFlow.h"

#include <QObject>

#include <functional>

class CommandEngine;
class ConnectionController;
class Host;
class InformationPage;
class PlanningPage;
class QWidget;
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
        QWidget &window;
    };
    // refreshPages copies the model into the Source Setup, Display Setup and Seam Removal pages, runs
    // the overlap field's leave handling and the page-change handling (with Refreshing set).
    DeviceReader(const Parts &parts, std::function<void()> refreshPages, QObject *parent = nullptr);

    // Reads one device. 1 when every record was read or skipped by the user; -1 when the system record
    // failed; -2..-5 an input record of channel 1..4 and -6..-9 an output record, the user having
    // chosen to stop.
    int ReadDevice(int device);
    void ReadfromKestrixs1Click();
    // The pages brought in line with the model, with Refreshing set so that nothing is sent: the
    // Information page, the Planning page's take-over of device 1's layout (with its warnings), then
    // the page refreshes. The read ends with it; a file load runs the same after replacing the model.
    void refreshPagesFromModel();
    // The Planning page's projector count, alignment and overlap as device 1's record has them, without
    // the warnings and the device count check of a read (an undone adjustment of the layout).
    void showPlanningLayout();

signals:
    // The model holds what the devices reported (whether or not every record came) or what a file held.
    void settingsReplaced(const QString &why);

private:
    void deviceCountShown(int count) override;
    void versionRead(int device, const QString &version) override;
    void allRead() override;
    void takeOverPlanningLayout();
    void setPlanningLayout();

    Host &host;
    DeviceModel &model;
    WindowState &state;
    ConnectionController &connection;
    InformationPage &info;
    PlanningPage &planning;
    QWidget &window;
    std::function<void()> refreshPages;
    ReadFlow readFlow;
    bool reading = false;
};
