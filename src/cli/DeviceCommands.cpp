// lumivane-cli read, push and diff: the window's connect, read and push flows, driven from options.
#include "CliCommands.h"
#include "CliHost.h"
#include "CliOptions.h"
#include "CommandEngine.h"
#include "CommandSet.h"
#include "ConfigFile.h"
#include "ConnectFlow.h"
#include "ExitStatus.h"
#include "FieldListing.h"
#include "KestrixSimulator.h"
#include "ModelFields.h"
#include "ModelPushValues.h"
#include "ModelTables.h"
#include "Pacing.h"
#include "ReadFlow.h"
#include "SettingsPush.h"
#include "StatusQueries.h"
#include "TApdComPort.h"
#include "WindowState.h"

#include <memory>

namespace {

class CliReadView : public ReadView {
public:
    explicit CliReadView(CliHost &host) : host(host) {}
    void recordRead(int done, int total) override { host.setProgressFraction(done, total); }

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

// One run against the devices: the port, the engine and the flows the window uses, with the CLI's
// host in place of message boxes.
class DeviceSession {
public:
    DeviceSession(const CliOptions &options, const CliStreams &streams)
        : options(options), streams(streams), host(streams.err, options.assumeYes, streams.errIsTerminal),
          engine(port, host, state.CommandBusy, Pacing::real().pausesScaled(options.pacingScale)), queries(engine, state),
          commands(engine, state, queries), connection(engine, host, state, connectView),
          reader(engine, host, state, queries, connection, readView) {
        // A line that fails while open ends the link as Disconnect does; the engine has said why.
        QObject::connect(&port, &TApdComPort::lineLost, [this] {
            if (!engine.recoveringLink()) connection.disconnect();
        });
        // Nobody can mend a missing device or a refused value for a script: the tool never resends a
        // command without end, and ends the link with the device and the command named.
        host.answerNo(
            QString::fromLatin1(CommandEngine::ResendCaption),
            QStringLiteral("the command-line tool does not resend a command that is not acknowledged."));
        QObject::connect(&engine, &CommandEngine::commandAbandoned, [this] {
            say(QStringLiteral("%1 did not acknowledge the command %2; the link was ended.")
                    .arg(CommandEngine::describe(engine.abandonedTarget()),
                         QString::fromLatin1(engine.abandonedCommand())));
            connection.disconnect();
        });
    }

    // The simulator (with --simulate) and the ports; false with the reason said.
    bool start() {
        PortMap ports = options.ports;
        if (options.simulate) {
            simulator = std::make_unique<KestrixSimulator>(SimOptions::builtIn());
            QString error;
            if (!simulator->start(&error)) {
                say(QStringLiteral("The built-in simulator could not start: %1").arg(error));
                return false;
            }
            ports.setPath(1, simulator->slavePath());
        }
        port.setPortMap(ports);
        return true;
    }

    // Searches and opens the link as the window's connect actions do.
    int connect() {
        using Route = ConnectFlow::Route;
        const Route route = options.route == CliOptions::Route::Direct       ? Route::Direct
                            : options.route == CliOptions::Route::Controller ? Route::Controller
                                                                             : Route::SearchAll;
        if (connection.connect(route)) return ExitStatus::Ok;
        return failure(ExitStatus::NoDevice);
    }

    // Reads every device into the model. A record that cannot be read ends the read: a file or a
    // comparison built without it would hold values nobody read.
    int read() {
        host.setAlwaysNo(QStringLiteral("a read with a record missing is never kept."));
        const bool read = reader.readAll();
        host.setAlwaysNo(QString());
        return read ? ExitStatus::Ok : ExitStatus::Communication;
    }

    // Why a step failed, as an exit status: a refused question, a line that gave up, or the step's own.
    int failure(int status) const {
        if (host.exitRequested()) return ExitStatus::Communication;
        if (host.refusedQuestion()) return ExitStatus::Refused;
        return status;
    }

    void say(const QString &text) { writeText(streams.err, QStringLiteral("lumivane-cli: %1\n").arg(text)); }

    const CliOptions &options;
    const CliStreams &streams;
    CliHost host;
    WindowState state;
    TApdComPort port;
    CommandEngine engine;
    StatusQueries queries;
    CommandSet commands;
    CliConnectView connectView{state};
    CliReadView readView{host};
    ConnectFlow connection;
    ReadFlow reader;
    std::unique_ptr<KestrixSimulator> simulator;
};

int projectorsIn(const QByteArray &image) {
    // TotalProjectors of device 1, channel 1: the file's wall.
    const ModelFields::Field *field =
        ModelFields::find(ModelFields::Record::Output, QStringLiteral("TotalProjectors"));
    return field ? int(ModelFields::value(image, *field, 1, 1)) : 0;
}

int runRead(DeviceSession &s) {
    if (int status = s.connect()) return status;
    if (int status = s.read()) return status;
    const ConfigFile::Result saved = ConfigFile::SaveConfigurationFile(s.options.file);
    if (saved != ConfigFile::Result::Ok) {
        s.say(QStringLiteral("%1 (%2)").arg(ConfigFile::message(saved), s.options.file));
        return ExitStatus::FileError;
    }
    s.say(QStringLiteral("Read %1 Kestrix device(s); wrote %2.").arg(s.state.DeviceCount).arg(s.options.file));
    return ExitStatus::Ok;
}

int runDiff(DeviceSession &s, const QByteArray &file) {
    // A device reports either its halos or its feather widths, depending on its record form, and a read
    // leaves the other group as the model had it. Starting from the file, a value the devices do not
    // report compares equal instead of differing from a zero nobody read.
    ConfigFile::applyImage(file);
    if (int status = s.connect()) return status;
    if (int status = s.read()) return status;
    const int devices = s.state.DeviceCount;
    if (projectorsIn(file) > 4 && devices < 2) {
        s.say(QStringLiteral("The file describes %1 projectors, which need two Kestrix devices; only one "
                             "was read, so device 2 could not be compared.")
                  .arg(projectorsIn(file)));
        return ExitStatus::NoDevice;
    }
    const QStringList lines = differences(file, ConfigFile::image(), devices);
    if (lines.isEmpty()) {
        s.say(QStringLiteral("No differences: the %1 device(s) hold the file's settings.").arg(devices));
        return ExitStatus::Ok;
    }
    writeText(s.streams.out, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    s.say(QStringLiteral("%1 setting(s) differ.").arg(lines.size() - 1));
    return ExitStatus::Differ;
}

int runPush(DeviceSession &s, const QByteArray &file) {
    // The model holds the file while the link comes up, so that the checks of the projector count
    // see the file's wall.
    ConfigFile::applyImage(file);
    const int projectors = projectorsIn(file);
    s.state.ProjectorCount = projectors;
    if (int status = s.connect()) return status;
    s.state.DeviceCount = 1;
    if (s.engine.controllerMode()) {
        s.state.DeviceCount = s.connection.queryDeviceCount();
        if (s.state.DeviceCount < 1) return s.failure(ExitStatus::NoDevice);
    }
    if (projectors > 4 && s.state.DeviceCount < 2 && s.engine.controllerMode()) {
        s.say(QStringLiteral("The file describes %1 projectors, which need two Kestrix devices; the Controller "
                             "reports %2.")
                  .arg(projectors)
                  .arg(s.state.DeviceCount));
        return ExitStatus::NoDevice;
    }
    // Bringing the link up reads nothing, so the model still holds the file.
    ModelPushValues values(s.commands, s.host);
    SettingsPush push(s.commands, s.state, s.host, [&s] { return s.engine.LinkActive(); });
    push.setStepObserver([&s](int done, int total) { s.host.setProgressFraction(done, total); });
    const SettingsPush::Result result = push.run(values, &values, &values);
    if (s.host.exitRequested() || !s.engine.LinkActive()) return ExitStatus::Communication;
    if (result == SettingsPush::Result::InvalidValue) return ExitStatus::InvalidValue;
    if (result == SettingsPush::Result::NotSent) return ExitStatus::Communication;
    s.say(QStringLiteral("Sent %1 to %2 Kestrix device(s).").arg(s.options.file).arg(s.state.DeviceCount));
    return ExitStatus::Ok;
}

} // namespace

int runDeviceCommand(const CliOptions &options, const CliStreams &streams) {
    QByteArray file;
    if (options.command != CliOptions::Command::Read) {
        const QString problem = readConfigurationImage(options.file, &file);
        if (!problem.isEmpty()) {
            writeText(streams.err, QStringLiteral("lumivane-cli: %1\n").arg(problem));
            return ExitStatus::FileError;
        }
    }
    DeviceSession session(options, streams);
    if (!session.start()) return ExitStatus::NoDevice;
    switch (options.command) {
    case CliOptions::Command::Read:
        return runRead(session);
    case CliOptions::Command::Diff:
        return runDiff(session, file);
    case CliOptions::Command::Push:
        return runPush(session, file);
    default:
        return ExitStatus::Usage;
    }
}
