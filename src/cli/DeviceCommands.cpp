// lumivane-cli read, push and diff: the window's connect, read and push flows, driven from options.
#include "CliCommands.h"
#include "CliHost.h"
#include "CliOptions.h"
#include "CommandEngine.h"
#include "CommandSet.h"
#include "CommissioningReport.h"
#include "ConfigFile.h"
#include "ConnectFlow.h"
#include "DeviceModel.h"
#include "EventPump.h"
#include "ExitStatus.h"
#include "FieldListing.h"
#include "KestrixSimulator.h"
#include "ModelFields.h"
#include "ModelPushValues.h"
#include "Pacing.h"
#include "ReadFlow.h"
#include "SettingCheck.h"
#include "SettingsPush.h"
#include "StatusQueries.h"
#include "StopSignals.h"
#include "TApdComPort.h"
#include "WindowState.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

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
QList<QByteArray> settingCommands(const QByteArray &sent, bool controller) {
    QList<QByteArray> commands;
    auto add = [&commands](const QByteArray &command) {
        if (!commands.isEmpty() && commands.constLast() == command) return; // sent again
        commands.append(command);
    };
    if (controller) {
        for (qsizetype at = sent.indexOf("PASS "); at >= 0; at = sent.indexOf("PASS ", at + 1)) {
            const qsizetype end = sent.indexOf("\r\r", at);
            if (end < 0) break;
            add(sent.mid(at + 5, end - at - 5 - 2));
        }
    } else {
        const QList<QByteArray> lines = sent.split('\r');
        // The part after the last CR is a line still going out.
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QByteArray text = lines.at(i).trimmed();
            if (text.isEmpty() || text == "debug 0" || text.split(' ').constFirst().endsWith("INFOKX"))
                continue;
            add(text);
        }
    }
    return commands;
}

// The RS-485 ID after the asterisk of a Controller command ("*7BLKGN 1 0!" is for 7); -1 for a direct
// command, which has no address.
int commandTargetId(const QByteArray &command) {
    if (!command.startsWith('*')) return -1;
    qsizetype digits = 1;
    while (digits < command.size() && std::isdigit(uchar(command.at(digits))))
        ++digits;
    return command.mid(1, digits - 1).toInt();
}

// One run against the devices: the port, the engine and the flows the window uses, with the CLI's
// host in place of message boxes.
class DeviceSession {
public:
    DeviceSession(const CliOptions &options, const CliStreams &streams)
        : options(options), streams(streams),
          host(streams.err, options.assumeYes, streams.errIsTerminal, options.quiet),
          engine(port, host, state.CommandBusy, Pacing::real().pausesScaled(options.pacingScale)),
          queries(engine, model), commands(engine, model, queries),
          connection(engine, host, state, connectView),
          reader(engine, host, model, queries, connection, readView) {
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
        QObject::connect(&stops, &StopSignals::stopRequested, [this](int) { stopRequested(); });
    }

    // What the run is doing, for a stop request and for the summary of a run that ended part-way.
    enum class Phase { Connecting, Reading, Pushing, Done };
    void setPhase(Phase now) {
        phase = now;
        if (now == Phase::Pushing) pushStart = sentBytes().size();
        if (stops.received()) stopRequested();
    }

    // Ctrl-C or SIGTERM. A push stops between two commands: the one in flight is finished (its
    // acknowledgement awaited, never resent) and the rest is not sent, so the devices never see half a
    // frame. A search or a read sets nothing; its wait ends at once (what was sent is a whole query).
    void stopRequested() {
        const QString reason = QStringLiteral("stopped by %1.")
                                   .arg(stops.received() == SIGTERM ? QStringLiteral("SIGTERM")
                                                                    : QStringLiteral("Ctrl-C (SIGINT)"));
        host.setAlwaysNo(reason);
        if (phase == Phase::Pushing) {
            engine.SetLinkActive(false);
        } else if (phase != Phase::Done) {
            // What the search or the read says after its waits were cut short would only be noise
            // (a failed record, a probe taken for an answer); the summary says what happened.
            host.silence();
            EventPump::requestAbort();
        }
    }
    int stopSignal() const { return stops.received(); }

    // A push part began: done of total, and its name.
    void partBegun(const SettingsPush::Step &step) {
        partsDone = step.done;
        partsTotal = step.total;
        partName = step.part;
        host.setProgressFraction(step.done, step.total);
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
        const bool connected = connection.connect(route);
        // A stop ends every wait at once, so what the search then concluded means nothing.
        if (stops.received()) return ExitStatus::NoDevice;
        if (connected) return ExitStatus::Ok;
        const int status = failure(ExitStatus::NoDevice);
        // Only when nothing answered: a device that answered was refused for another reason, said.
        if (status == ExitStatus::NoDevice && !engine.linkOk() && !stops.received()) explainPorts();
        return status;
    }

    // After a search that found nothing: why each port that cannot be used cannot, in words. A port the
    // search already explained (the permission note) is not explained twice.
    void explainPorts() {
        PortMap ports = port.portMap();
        for (int n : {1, 2}) {
            const QString path = ports.path(n);
            if (host.noteShownAbout(path)) continue;
            const QString problem = TApdComPort::openProblem(path);
            if (!problem.isEmpty()) say(QStringLiteral("COM Port #%1 (%2): %3.").arg(n).arg(path, problem));
        }
    }

    // Reads every device into the model. A record that cannot be read ends the read: a file or a
    // comparison built without it would hold values nobody read.
    int read() {
        if (stops.received()) return ExitStatus::Communication;
        setPhase(Phase::Reading);
        if (!stops.received())
            host.setAlwaysNo(QStringLiteral("a read with a record missing is never kept."));
        const bool read = reader.readAll();
        if (!stops.received()) host.setAlwaysNo(QString());
        if (read) return ExitStatus::Ok;
        // A Controller with no device behind it is the same case as no device on the line at all.
        if (engine.controllerMode() && port.isOpen() && state.DeviceCount < 1) return ExitStatus::NoDevice;
        return ExitStatus::Communication;
    }

    // Why a step failed, as an exit status: a refused question, a line that gave up, or the step's own.
    int failure(int status) const {
        if (host.exitRequested()) return ExitStatus::Communication;
        if (host.refusedQuestion()) return ExitStatus::Refused;
        return status;
    }

    void say(const QString &text) { writeText(streams.err, QStringLiteral("lumivane-cli: %1\n").arg(text)); }
    // A note that -q leaves out.
    void note(const QString &text) {
        if (!options.quiet) say(text);
    }

    // Every byte sent since the port opened.
    QByteArray sentBytes() const {
        QByteArray bytes;
        for (const TrafficLog::Chunk &chunk : port.trafficLog().chunks())
            if (chunk.direction == TrafficLog::Direction::Sent) bytes += chunk.bytes;
        return bytes;
    }

    // The setting commands the push has put on the line so far.
    QList<QByteArray> pushedCommands() const {
        return settingCommands(sentBytes().mid(pushStart), engine.controllerMode());
    }

    // The device a command was for, named.
    QString deviceOf(const QByteArray &command) const {
        const int id = commandTargetId(command);
        if (id < 0) return QStringLiteral("Kestrix 1");
        for (int device : {1, 2})
            if (state.DeviceIds[device] == id) return CommandEngine::describe({device, id});
        return QStringLiteral("the Kestrix with RS-485 ID %1").arg(id);
    }

    // The one summary of a run that stopped part-way (line lost, a command not acknowledged, a stop
    // request): what went out and where the devices are left.
    void summarize(int status) {
        if (status == ExitStatus::Ok || status == ExitStatus::Differ) return;
        if (phase == Phase::Pushing) {
            const QList<QByteArray> commands = pushedCommands();
            if (commands.isEmpty()) {
                say(QStringLiteral("The push stopped before its first command: the devices are unchanged."));
                return;
            }
            QString text =
                QStringLiteral("The push stopped part-way: %1 command(s) went out").arg(commands.size());
            const int planned = plannedCommands[1] + (state.DeviceCount > 1 ? plannedCommands[2] : 0);
            if (planned >= commands.size()) text += QStringLiteral(" of %1").arg(planned);
            text += QStringLiteral(", the last one (%1) to %2")
                        .arg(QString::fromLatin1(commands.constLast()), deviceOf(commands.constLast()));
            if (partsTotal > 0)
                text +=
                    QStringLiteral(", in part %1 of %2 (%3)").arg(partsDone).arg(partsTotal).arg(partName);
            text += QStringLiteral(". The devices are now partly set: push the whole file again once the "
                                   "cause is mended.");
            say(text);
        } else if (phase == Phase::Connecting && stops.received()) {
            say(QStringLiteral("Stopped during the search for the devices: nothing was sent."));
        } else if (phase == Phase::Reading && readView.recordsTotal > 0) {
            say(QStringLiteral("The read stopped part-way: %1 of %2 records were read; nothing was written, "
                               "and the devices are unchanged.")
                    .arg(readView.recordsDone)
                    .arg(readView.recordsTotal));
        }
    }

    void setPlannedCommands(int device1, int device2) {
        plannedCommands[1] = device1;
        plannedCommands[2] = device2;
    }

    // Lets reports that the line posted to the event loop (a line lost under a wait) reach the user
    // before the tool ends.
    void deliverPendingReports() { QCoreApplication::processEvents(); }

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
    int plannedCommands[3] = {}; // the commands the whole push holds for each device, when known
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
    s.setPhase(DeviceSession::Phase::Done);
    if (s.options.file == QLatin1String("-")) {
        const QByteArray image = s.model.image();
        if (std::fwrite(image.constData(), 1, size_t(image.size()), s.streams.out) != size_t(image.size()) ||
            std::fflush(s.streams.out) != 0) {
            s.say(QStringLiteral("Cannot write to standard output: %1")
                      .arg(QString::fromLocal8Bit(std::strerror(errno))));
            return ExitStatus::FileError;
        }
        s.note(QStringLiteral("Read %1 Kestrix device(s); wrote the file to standard output.")
                   .arg(s.state.DeviceCount));
        return ExitStatus::Ok;
    }
    const ConfigFile::Result saved = ConfigFile::SaveConfigurationFile(s.model, s.options.file);
    if (saved != ConfigFile::Result::Ok) {
        s.say(QStringLiteral("%1 (%2)").arg(ConfigFile::message(saved), s.options.file));
        return ExitStatus::FileError;
    }
    s.note(
        QStringLiteral("Read %1 Kestrix device(s); wrote %2.").arg(s.state.DeviceCount).arg(s.options.file));
    return ExitStatus::Ok;
}

int runDiff(DeviceSession &s, const QByteArray &file) {
    // The read fills a blank model, so that each output record says which of its values its device
    // reports: a value it does not report is listed as such, never taken from the file as equal.
    s.model.applyImage(QByteArray(int(ConfigFile::FileSize), '\0'));
    if (int status = s.connect()) return status;
    if (int status = s.read()) return status;
    // Every record of the devices that answered was read; what follows is the comparison.
    s.setPhase(DeviceSession::Phase::Done);
    const int devices = s.state.DeviceCount;
    // A file for two devices when only one answered: device 1 is compared all the same, and the run
    // ends as one that found fewer devices than the file needs.
    const bool secondMissing = projectorsIn(file) > 4 && devices < 2;
    const QList<Difference> rows = differenceRows(file, s.model.image(), devices);
    if (s.options.json)
        writeText(
            s.streams.out,
            QString::fromUtf8(QJsonDocument(differenceJson(rows, devices)).toJson(QJsonDocument::Indented)));
    else if (!rows.isEmpty())
        writeText(s.streams.out, differenceLines(rows).join(QLatin1Char('\n')) + QLatin1Char('\n'));
    const int unreported =
        int(std::count_if(rows.cbegin(), rows.cend(), [](const Difference &d) { return d.notReported; }));
    const int differing = int(rows.size()) - unreported;
    const QString unseen =
        unreported
            ? QStringLiteral(" %1 value(s) the push would send are not reported by the devices' records "
                             "and could not be compared.")
                  .arg(unreported)
            : QString();
    if (secondMissing) {
        // Said whatever -q asks: the status alone does not tell what was compared.
        s.say(QStringLiteral("Only Kestrix 1 answered and was compared: %1.%2 The file describes %3 "
                             "projectors, which need two Kestrix devices; Kestrix 2 was not found, so its "
                             "settings could not be compared.")
                  .arg(differing == 0 ? QStringLiteral("it holds the file's settings")
                                      : QStringLiteral("%1 setting(s) differ").arg(differing))
                  .arg(unseen)
                  .arg(projectorsIn(file)));
        return ExitStatus::NoDevice;
    }
    if (differing == 0) {
        s.note(QStringLiteral("No differences: the %1 device(s) hold the file's settings.").arg(devices) +
               unseen);
        return ExitStatus::Ok;
    }
    s.note(QStringLiteral("%1 setting(s) differ.").arg(differing) + unseen);
    return ExitStatus::Differ;
}

int runPush(DeviceSession &s, const QByteArray &file) {
    // The model holds the file while the link comes up, so that the checks of the projector count
    // see the file's wall.
    s.model.applyImage(file);
    const int projectors = projectorsIn(file);
    s.state.ProjectorCount = projectors;
    if (int status = s.connect()) return status;
    s.state.DeviceCount = 1;
    if (s.engine.controllerMode()) {
        s.state.DeviceCount = s.connection.queryDeviceCount();
        if (s.state.DeviceCount < 1) return s.failure(ExitStatus::NoDevice);
    }
    if (projectors > 4 && s.state.DeviceCount < 2 && s.engine.controllerMode()) {
        s.say(
            QStringLiteral("The file describes %1 projectors, which need two Kestrix devices; the Controller "
                           "reports %2.")
                .arg(projectors)
                .arg(s.state.DeviceCount));
        return ExitStatus::NoDevice;
    }
    // Bringing the link up reads nothing, so the model still holds the file.
    ModelPushValues values(s.model, s.commands, s.host);
    SettingsPush push(s.commands, s.model, s.host, [&s] { return s.engine.LinkActive(); });
    push.setStepObserver([&s](const SettingsPush::Step &step) { s.partBegun(step); });
    s.setPhase(DeviceSession::Phase::Pushing);
    const SettingsPush::Result result = push.run(values, &values, &values);
    if (s.host.exitRequested() || !s.engine.LinkActive()) return ExitStatus::Communication;
    if (result == SettingsPush::Result::InvalidValue) return ExitStatus::InvalidValue;
    if (result == SettingsPush::Result::NotSent) return ExitStatus::Communication;
    s.setPhase(DeviceSession::Phase::Done);
    s.note(QStringLiteral("Sent %1 to %2 Kestrix device(s).").arg(s.options.file).arg(s.state.DeviceCount));
    return ExitStatus::Ok;
}

// A push with the line replaced by a recorder: the real push, command for command, with nothing sent.
// It pushes to two devices (a one-device wall gets the Kestrix 1 lines of it); each command comes with
// its device.
struct RecordedPush {
    QList<QPair<int, QByteArray>> commands;
    bool valid = false;
    int count(int device) const {
        return int(std::count_if(commands.cbegin(), commands.cend(),
                                 [device](const QPair<int, QByteArray> &c) { return c.first == device; }));
    }
};

RecordedPush recordPush(DeviceSession &s, const QByteArray &file) {
    // The progress of a push that sends nothing would only mislead; messages still go to stderr.
    class QuietHost : public Host {
    public:
        explicit QuietHost(Host &host) : host(host) {}
        void showMessage(const QString &text) override { host.showMessage(text); }
        bool askYesNo(const QString &caption, const QString &text) override {
            return host.askYesNo(caption, text);
        }
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

    s.model.applyImage(file);
    s.state.ProjectorCount = projectorsIn(file);
    s.state.DeviceCount = 2;
    RecordedPush recorded;
    s.commands.setRecorder([&recorded](int device, const QByteArray &command) {
        recorded.commands.append({device, command});
    });
    s.engine.setControllerMode(true);
    s.engine.SetLinkActive(true);
    ModelPushValues values(s.model, s.commands, s.host);
    SettingsPush push(s.commands, s.model, quiet, [&s] { return s.engine.LinkActive(); });
    recorded.valid = push.run(values, &values, &values) == SettingsPush::Result::Sent;
    s.engine.SetLinkActive(false);
    s.commands.setRecorder({});
    return recorded;
}

// Prints every command the push would send, with its device; sends nothing.
int runDryRun(DeviceSession &s, const QByteArray &file) {
    const RecordedPush recorded = recordPush(s, file);
    QStringList lines;
    for (const auto &[device, command] : recorded.commands)
        lines.append(QStringLiteral("Kestrix %1: %2").arg(device).arg(QString::fromLatin1(command)));
    if (!lines.isEmpty()) writeText(s.streams.out, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    if (!recorded.valid) return ExitStatus::InvalidValue;
    s.note(QStringLiteral("Dry run: %1 command(s) for %2; nothing was sent.")
               .arg(lines.size())
               .arg(s.options.file));
    return ExitStatus::Ok;
}

// Every value of the file a push would send that is outside its range, on stderr; status 7 when there
// is any, before anything touches a port.
int runCheckDevices(DeviceSession &s) {
    if (int status = s.connect()) return status;
    if (int status = s.read()) return status;
    s.setPhase(DeviceSession::Phase::Done);
    return reportFindings(s.model, s.state.DeviceCount, s.options, s.streams);
}

// The report of what the devices hold, with their IDs, versions and the link they were read over.
int runReportDevices(DeviceSession &s) {
    if (int status = s.connect()) return status;
    if (int status = s.read()) return status;
    s.setPhase(DeviceSession::Phase::Done);
    const bool controller = s.engine.controllerMode();
    report::Source source;
    source.origin = QStringLiteral("the Kestrix device(s) read over %1").arg(s.port.devicePath());
    source.devices = s.state.DeviceCount == 2 ? 2 : 1;
    source.idsKnown = true;
    source.versionsKnown = true;
    for (int d = 1; d <= source.devices; ++d)
        source.info[d] = {controller ? s.state.DeviceIds[d] : 0, s.model.system(d).version()};
    source.link = {QStringLiteral("Port: %1 (COM %2)").arg(s.port.devicePath()).arg(s.port.ComNumber()),
                   QStringLiteral("Baud: %1").arg(s.port.Baud()),
                   QStringLiteral("Mode: %1")
                       .arg(controller ? QStringLiteral("through the Controller (RS-485)")
                                       : QStringLiteral("direct (RS-232)"))};
    source.blend.devicesConnected = s.state.DeviceCount;
    return writeReport(source, s.model, s.options, s.streams);
}

int refuseBadValues(const CliStreams &streams, const QString &path, const QByteArray &file) {
    const QList<SettingCheck::BadValue> bad = SettingCheck::check(file);
    if (bad.isEmpty()) return ExitStatus::Ok;
    QString text =
        QStringLiteral("lumivane-cli: %1 holds %2 value(s) that cannot be sent; nothing was sent:\n")
            .arg(path)
            .arg(bad.size());
    for (const SettingCheck::BadValue &b : bad)
        text += QStringLiteral("  ") + SettingCheck::describe(b) + QLatin1Char('\n');
    writeText(streams.err, text);
    return ExitStatus::InvalidValue;
}

} // namespace

// Why an output file cannot be written, found before anything is sent; empty when it can. The file is
// replaced by renaming a new one over it, so its folder must take a new file.
QString outputProblem(const QString &path, const QString &command, const QString &what) {
    if (path == QLatin1String("-")) {
        if (isatty(STDOUT_FILENO))
            return QStringLiteral("%1 -o - writes %2 to standard output, which is a terminal: redirect it to "
                                  "a file or a pipe.")
                .arg(command, what);
        return QString();
    }
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    const QFileInfo folderInfo(folder);
    if (file.isDir()) return QStringLiteral("Cannot write '%1': it is a folder.").arg(path);
    if (!folderInfo.exists())
        return QStringLiteral("Cannot write '%1': the folder %2 does not exist.").arg(path, folder);
    if (!folderInfo.isDir())
        return QStringLiteral("Cannot write '%1': %2 is not a folder.").arg(path, folder);
    if (file.exists() && !file.isFile())
        return QStringLiteral("Cannot write '%1': it is not a regular file.").arg(path);
    const QByteArray name = QFile::encodeName(path);
    if (file.exists() && ::access(name.constData(), W_OK) != 0)
        return QStringLiteral("Cannot write '%1': %2.")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("Cannot write '%1': the folder %2 does not take new files (%3).")
            .arg(path, folder, QString::fromLocal8Bit(std::strerror(errno)));
    return QString();
}

int runDeviceCommand(const CliOptions &options, const CliStreams &streams) {
    QByteArray file;
    if (options.command != CliOptions::Command::Read && options.command != CliOptions::Command::Check &&
        options.command != CliOptions::Command::Report) {
        const QString problem = readConfigurationImage(options.file, &file);
        if (!problem.isEmpty()) {
            writeText(streams.err, QStringLiteral("lumivane-cli: %1\n").arg(problem));
            return ExitStatus::FileError;
        }
    }
    if (options.command == CliOptions::Command::Read || options.command == CliOptions::Command::Report) {
        const bool read = options.command == CliOptions::Command::Read;
        const QString problem =
            read ? outputProblem(options.file, QStringLiteral("read"),
                                 QStringLiteral("the configuration file"))
                 : outputProblem(options.picture, QStringLiteral("report"), QStringLiteral("the PDF"));
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
    // What a whole push holds, per device, for the summary of a push that stops part-way; counted
    // before the real session exists, since only one session at a time may own the stop signals.
    int planned[3] = {};
    if (options.command == CliOptions::Command::Push) {
        DeviceSession counter(options, streams);
        const RecordedPush recorded = recordPush(counter, file);
        planned[1] = recorded.count(1);
        planned[2] = recorded.count(2);
    }
    DeviceSession session(options, streams);
    session.setPlannedCommands(planned[1], planned[2]);
    if (!session.start()) return ExitStatus::NoDevice;
    int status = ExitStatus::Usage;
    switch (options.command) {
    case CliOptions::Command::Read:
        status = runRead(session);
        break;
    case CliOptions::Command::Diff:
        status = runDiff(session, file);
        break;
    case CliOptions::Command::Push:
        status = runPush(session, file);
        break;
    case CliOptions::Command::Check:
        status = runCheckDevices(session);
        break;
    case CliOptions::Command::Report:
        status = runReportDevices(session);
        break;
    default:
        break;
    }
    session.deliverPendingReports();
    // Differ is also check's Findings: a run that got that far was not cut short.
    if (session.stopSignal() && status != ExitStatus::Ok && status != ExitStatus::Differ)
        status = StopSignals::exitStatus(session.stopSignal());
    session.summarize(status);
    return status;
}
