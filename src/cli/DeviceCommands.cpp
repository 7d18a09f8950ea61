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
#include "SettingCheck.h"
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
    // The read fills a blank model, so that each output record says which of its values its device
    // reports: a value it does not report is listed as such, never taken from the file as equal.
    ConfigFile::applyImage(QByteArray(int(ConfigFile::FileSize), '\0'));
    if (int status = s.connect()) return status;
    if (int status = s.read()) return status;
    const int devices = s.state.DeviceCount;
    if (projectorsIn(file) > 4 && devices < 2) {
        s.say(QStringLiteral("The file describes %1 projectors, which need two Kestrix devices; only one "
                             "was read, so device 2 could not be compared.")
                  .arg(projectorsIn(file)));
        return ExitStatus::NoDevice;
    }
    int unreported = 0;
    const QStringList lines = differences(file, ConfigFile::image(), devices, &unreported);
    if (!lines.isEmpty()) writeText(s.streams.out, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    const int differing = qMax(0, int(lines.size()) - 1 - unreported);
    const QString unseen =
        unreported ? QStringLiteral(" %1 value(s) the push would send are not reported by the devices' records "
                                    "and could not be compared.")
                         .arg(unreported)
                   : QString();
    if (differing == 0) {
        s.say(QStringLiteral("No differences: the %1 device(s) hold the file's settings.").arg(devices) + unseen);
        return ExitStatus::Ok;
    }
    s.say(QStringLiteral("%1 setting(s) differ.").arg(differing) + unseen);
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

// A push with the line replaced by a recorder: the real push, command for command, with nothing sent.
// It pushes to two devices (a one-device wall gets the Kestrix 1 lines of it) and prints each command
// with its device.
int runDryRun(DeviceSession &s, const QByteArray &file) {
    // The progress of a push that sends nothing would only mislead; messages still go to stderr.
    class QuietHost : public Host {
    public:
        explicit QuietHost(Host &host) : host(host) {}
        void showMessage(const QString &text) override { host.showMessage(text); }
        bool askYesNo(const QString &caption, const QString &text) override { return host.askYesNo(caption, text); }
        bool askOkCancel(const QString &caption, const QString &text) override {
            return host.askOkCancel(caption, text);
        }
        void setStatusText(const QString &) override {}
        void setPagesEnabled(bool) override {}
        void setBusyCursor(bool) override {}
        bool isBusyCursor() const override { return false; }
        void showProgress(const QString &) override {}
        void setProgressSuffix(const QString &) override {}
        void hideProgress() override {}
        void exitProcess(int status) override { host.exitProcess(status); }

    private:
        Host &host;
    } quiet(s.host);

    ConfigFile::applyImage(file);
    s.state.ProjectorCount = projectorsIn(file);
    s.state.DeviceCount = 2;
    QStringList lines;
    s.commands.setRecorder([&lines](int device, const QByteArray &command) {
        lines.append(QStringLiteral("Kestrix %1: %2").arg(device).arg(QString::fromLatin1(command)));
    });
    s.engine.setControllerMode(true);
    s.engine.SetLinkActive(true);
    ModelPushValues values(s.commands, s.host);
    SettingsPush push(s.commands, s.state, quiet, [&s] { return s.engine.LinkActive(); });
    const SettingsPush::Result result = push.run(values, &values, &values);
    s.engine.SetLinkActive(false);
    s.commands.setRecorder({});
    if (!lines.isEmpty()) writeText(s.streams.out, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    if (result != SettingsPush::Result::Sent) return ExitStatus::InvalidValue;
    s.say(QStringLiteral("Dry run: %1 command(s) for %2; nothing was sent.").arg(lines.size()).arg(s.options.file));
    return ExitStatus::Ok;
}

// Every value of the file a push would send that is outside its range, on stderr; status 7 when there
// is any, before anything touches a port.
int refuseBadValues(const CliStreams &streams, const QString &path, const QByteArray &file) {
    const QList<SettingCheck::BadValue> bad = SettingCheck::check(file);
    if (bad.isEmpty()) return ExitStatus::Ok;
    QString text = QStringLiteral("lumivane-cli: %1 holds %2 value(s) that cannot be sent; nothing was sent:\n")
                       .arg(path)
                       .arg(bad.size());
    for (const SettingCheck::BadValue &b : bad)
        text += QStringLiteral("  ") + SettingCheck::describe(b) + QLatin1Char('\n');
    writeText(streams.err, text);
    return ExitStatus::InvalidValue;
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
    if (options.command == CliOptions::Command::Push) {
        if (int status = refuseBadValues(streams, options.file, file)) return status;
        if (options.dryRun) {
            DeviceSession session(options, streams);
            return runDryRun(session, file);
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
