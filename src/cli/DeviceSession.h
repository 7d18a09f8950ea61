// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tool's runs against the devices: the port, the engine and the flows the window uses, with the
// CLI's host in place of message boxes. DeviceCommands.cpp holds read, diff, check --devices and
// report --devices; PushCommand.cpp the push and its dry run.
#include "CliCommands.h"
#include "CliHost.h"
#include "CliOptions.h"
#include "CommandEngine.h"
#include "CommandSet.h"
#include "ConnectFlow.h"
#include "DeviceModel.h"
#include "KestrixSimulator.h"
#include "ReadFlow.h"
#include "SettingsPush.h"
#include "StatusQueries.h"
#include "StopSignals.h"
#include "TApdComPort.h"
#include "WindowState.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

namespace cli {

class CliReadView : public ReadView {
public:
    explicit CliReadView(CliHost &host) : host(host) {}
    void recordRead(int done, int total) override {
        recordsDone = done;
        recordsTotal = total;
        host.setProgressFraction(done, total);
    }

    int recordsDone = 0;
    int recordsTotal = 0;

private:
    CliHost &host;
};

// The window's Planning page says how many projectors are planned; here the file being pushed does.
class CliConnectView : public ConnectView {
public:
    explicit CliConnectView(WindowState &state) : state(state) {}
    int plannedProjectorChoice() override { return qMax(0, int(state.ProjectorCount) - 1); }

private:
    WindowState &state;
};

// The setting commands in the bytes sent to the devices, in order, a resend counted once: Controller
// frames ("PASS", the text, two checksum digits, CR CR) or direct lines, leaving out the probes,
// "debug 0" and the status queries. Only whole commands count: the port is handed whole pieces, so a
// frame is only cut short here when the bytes themselves end early.
QList<QByteArray> settingCommands(const QByteArray &sent, bool controller);

// The RS-485 ID after the asterisk of a Controller command ("*7BLKGN 1 0!" is for 7); -1 for a direct
// command, which has no address.
int commandTargetId(const QByteArray &command);

// One run against the devices.
class DeviceSession {
public:
    DeviceSession(const CliOptions &options, const CliStreams &streams);

    // What the run is doing, for a stop request and for the summary of a run that ended part-way.
    enum class Phase { Connecting, Reading, Pushing, Done };
    void setPhase(Phase now);

    // Ctrl-C or SIGTERM. A push stops between two commands: the command in flight is finished (its
    // acknowledgement awaited, never resent) and the rest is not sent, so the devices never see half a
    // frame. A search or a read sets nothing; its wait ends at once (what was sent is a whole query).
    void stopRequested();
    int stopSignal() const { return stops.received(); }

    // A push part began: done of total, and its name.
    void partBegun(const SettingsPush::Step &step);

    // The simulator (with --simulate) and the ports; false with the reason said.
    bool start();

    // Searches and opens the link as the window's connect actions do.
    int connect();

    // After a search that found nothing: why each port that cannot be used cannot, in words. A port the
    // search already explained (the permission note) is not explained twice.
    void explainPorts();

    // Reads every device into the model. A record that cannot be read ends the read: a file or a
    // comparison built without it would hold values nobody read.
    int read();

    // Why a step failed, as an exit status: a refused question, a line that gave up, or the step's own.
    int failure(int status) const;

    void say(const QString &text);
    // A note that -q leaves out.
    void note(const QString &text) {
        if (!options.quiet) say(text);
    }

    // Every byte sent since the port opened.
    QByteArray sentBytes() const;
    // The setting commands the push has put on the line so far.
    QList<QByteArray> pushedCommands() const {
        return settingCommands(sentBytes().mid(pushStart), engine.controllerMode());
    }
    // The device a command was for, named.
    QString deviceOf(const QByteArray &command) const;

    // The one summary of a run that stopped part-way (line lost, a command not acknowledged, a stop
    // request): what went out and where the devices are left.
    void summarize(int status);

    void setPlannedCommands(int device1, int device2) {
        plannedCommands[1] = device1;
        plannedCommands[2] = device2;
    }

    // Lets reports that the line posted to the event loop (a line lost under a wait) reach the user
    // before the tool ends.
    void deliverPendingReports();

    const CliOptions &options;
    const CliStreams &streams;
    CliHost host;
    DeviceModel model;
    WindowState &state = model.state();
    TApdComPort port;
    CommandEngine engine;
    StatusQueries queries;
    CommandSet commands;
    CliConnectView connectView{state};
    CliReadView readView{host};
    ConnectFlow connection;
    ReadFlow reader;
    std::unique_ptr<KestrixSimulator> simulator;
    StopSignals stops;
    Phase phase = Phase::Connecting;
    qsizetype pushStart = 0;
    int partsDone = 0;
    int partsTotal = 0;
    QString partName;
    int plannedCommands[3] = {};     // the commands the whole push holds for each device, when known
    bool lastCommandRefused = false; // the push ended on a command no device acknowledged
};

// TotalProjectors of device 1, channel 1: the file's wall.
int projectorsIn(const QByteArray &image);

// The push (PushCommand.cpp).
int runPush(DeviceSession &s, const QByteArray &file);

// A push with the line replaced by a recorder: the real push, command for command, with nothing sent.
// It pushes to two devices (a one-device wall gets the Kestrix 1 lines of it); each command comes with
// its device.
struct RecordedPush {
    QList<QPair<int, QByteArray>> commands;
    bool valid = false;
    int count(int device) const;
};
RecordedPush recordPush(DeviceSession &s, const QByteArray &file);

// Prints every command the push would send, with its device; sends nothing.
int runDryRun(DeviceSession &s, const QByteArray &file);

// Every value of the file a push would send that is outside its range, on stderr; status 7 when there
// is any, before anything touches a port.
int refuseBadValues(const CliStreams &streams, const QString &path, const QByteArray &file);

} // namespace cli
