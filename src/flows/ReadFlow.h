// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class CommandEngine;
class ConnectFlow;
class Host;
class StatusQueries;
class DeviceModel;
struct WindowState;

// What the user sees of a read besides messages, questions, the status text and the progress notice
// (those go through Host). Every method has an empty default.
class ReadView {
public:
    virtual ~ReadView() = default;

    // The number of devices the read covers (1 direct, the Controller's count otherwise).
    virtual void deviceCountShown(int /*count*/) {}
    // A device's system record arrived; it carries the device's firmware version.
    virtual void versionRead(int /*device*/, const QString & /*version*/) {}
    // Progress: `done` records of `total` have been read or skipped by the user.
    virtual void recordRead(int /*done*/, int /*total*/) {}
    // Every device has been read and the model tables hold the records; the status text and the busy
    // cursor are still up and are cleared right after. A window brings its pages in line here.
    virtual void allRead() {}
};

// Reading every setting back from the devices into the model tables: device 1, and device 2 when the
// Controller counts exactly two, each with its system, input and output records.
class ReadFlow {
public:
    // Records of one device: the system record, four input records and four output records.
    static constexpr int kRecordsPerDevice = 9;

    ReadFlow(CommandEngine &engine, Host &host, DeviceModel &model, StatusQueries &queries,
             ConnectFlow &connection, ReadView &view);

    // Reads every device, with the status text, busy cursor, progress notice, the question after a
    // record that failed, and the messages when the read cannot go on. True when every device was read
    // (records the user chose to skip count as read).
    bool readAll();
    // The calculator's read: the model is filled and nothing else. No status text or busy cursor of
    // its own, no device count shown, and the pages are not brought in line; device 2 is read whenever
    // the Controller counts two or more, and a failed device is named with its number ("Kestrix 1",
    // "Kestrix 2"). True when every device was read.
    bool readForCalculation();

private:
    // The devices the Controller counts (one on a direct line) into DeviceCount; false, with the
    // message said, when the Controller sees none.
    bool countDevices();
    // Reads devices 1..devices. 0 when all were read; otherwise the device that failed, its result in
    // `result` (-1 the system record, -2..-5 an input record of channel 1..4, -6..-9 an output record,
    // the user having chosen to stop).
    int readDevices(int devices, int &result);
    // A device that failed: the message naming it (unless the line itself went away, which has been
    // reported already), then the status text and the cursor cleared.
    void endAfterFailure(const QString &deviceName, int result);
    int readDevice(int device, int doneBefore, int total);
    bool continueAfterFailure(const char *what, int channel);
    void warnOnInputFormatMismatch();
    void endWithoutRecords();

    CommandEngine &engine;
    Host &host;
    DeviceModel &model;
    WindowState &state;
    StatusQueries &queries;
    ConnectFlow &connection;
    ReadView &view;
};
