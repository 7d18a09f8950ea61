// SPDX-License-Identifier: GPL-3.0-or-later
// The device session: the window's connect and read flows, driven from the tool's options.
#include "DeviceSession.h"

#include "EventPump.h"
#include "ExitStatus.h"
#include "FieldListing.h"
#include "ModelFields.h"
#include "Pacing.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cctype>
#include <csignal>

namespace cli {

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

int commandTargetId(const QByteArray &command) {
    if (!command.startsWith('*')) return -1;
    qsizetype digits = 1;
    while (digits < command.size() && std::isdigit(uchar(command.at(digits))))
        ++digits;
    return command.mid(1, digits - 1).toInt();
}

DeviceSession::DeviceSession(const CliOptions &options, const CliStreams &streams)
    : options(options), streams(streams),
      host(streams.err, options.assumeYes, streams.errIsTerminal, options.quiet),
      engine(port, host, state.CommandBusy, Pacing::real().pausesScaled(options.pacingScale)),
      queries(engine, model), commands(engine, model, queries), connection(engine, host, state, connectView),
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
        if (phase == Phase::Pushing) lastCommandRefused = true;
        say(QStringLiteral("%1 did not acknowledge the command %2; the link was ended.")
                .arg(CommandEngine::describe(engine.abandonedTarget()),
                     QString::fromLatin1(engine.abandonedCommand())));
        connection.disconnect();
    });
    QObject::connect(&stops, &StopSignals::stopRequested, [this](int) { stopRequested(); });
    host.setColumns(streams.errColumns);
    // The search's first answer is the Controller's own when the link goes through it: the devices
    // behind it have not been asked yet.
    host.setWording([this](const QString &text) {
        static const QString found = QStringLiteral("Established communication with Kestrix on Com ");
        if (engine.controllerMode() && text.startsWith(found))
            return QStringLiteral("Established communication with the Controller on Com ") +
                   text.mid(found.size());
        return text;
    });
}

void DeviceSession::setPhase(Phase now) {
    phase = now;
    if (now == Phase::Pushing) pushStart = sentBytes().size();
    if (stops.received()) stopRequested();
}

void DeviceSession::stopRequested() {
    const QString reason =
        QStringLiteral("stopped by %1.")
            .arg(stops.received() == SIGTERM ? QStringLiteral("SIGTERM") : QStringLiteral("Ctrl-C (SIGINT)"));
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

void DeviceSession::partBegun(const SettingsPush::Step &step) {
    partsDone = step.done;
    partsTotal = step.total;
    partName = step.part;
    host.setProgressFraction(step.done, step.total);
}

bool DeviceSession::start() {
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
    QStringList devices;
    for (int n : {1, 2}) {
        const QString path = ports.path(n);
        devices << path << PortMap::fullPath(path) << QFileInfo(PortMap::fullPath(path)).canonicalFilePath();
    }
    devices.removeAll(QString());
    StopSignals::guardPortLocks(devices);
    return true;
}

int DeviceSession::connect() {
    using Route = ConnectFlow::Route;
    const Route route = options.route == CliOptions::Route::Direct       ? Route::Direct
                        : options.route == CliOptions::Route::Controller ? Route::Controller
                                                                         : Route::SearchAll;
    const bool connected = connection.connect(route);
    // A stop ends every wait at once, so what the search then concluded means nothing.
    if (stops.received()) return ExitStatus::NoDevice;
    if (connected) {
        // The search asks for a device on the direct line first, which costs every run through the
        // Controller its wait; the tool says so rather than remembering a route a script cannot see.
        if (route == Route::SearchAll && engine.controllerMode())
            note(QStringLiteral("No Kestrix answered on a direct line; the Controller on Com %1 did. "
                                "--link controller goes to the Controller at once and is faster.")
                     .arg(port.ComNumber()));
        return ExitStatus::Ok;
    }
    const int status = failure(ExitStatus::NoDevice);
    // Only when nothing answered: a device that answered was refused for another reason, said.
    if (status == ExitStatus::NoDevice && !engine.linkOk() && !stops.received()) explainPorts();
    return status;
}

void DeviceSession::explainPorts() {
    PortMap ports = port.portMap();
    for (int n : {1, 2}) {
        const QString path = ports.path(n);
        if (host.noteShownAbout(path)) continue;
        const QString problem = TApdComPort::openProblem(path);
        if (!problem.isEmpty()) say(QStringLiteral("COM Port #%1 (%2): %3.").arg(n).arg(path, problem));
    }
}

int DeviceSession::read() {
    if (stops.received()) return ExitStatus::Communication;
    setPhase(Phase::Reading);
    if (!stops.received()) host.setAlwaysNo(QStringLiteral("a read with a record missing is never kept."));
    const bool read = reader.readAll();
    if (!stops.received()) host.setAlwaysNo(QString());
    if (read) return ExitStatus::Ok;
    // A Controller with no device behind it is the same case as no device on the line at all.
    if (engine.controllerMode() && port.isOpen() && state.DeviceCount < 1) return ExitStatus::NoDevice;
    return ExitStatus::Communication;
}

int DeviceSession::failure(int status) const {
    if (host.exitRequested()) return ExitStatus::Communication;
    if (host.refusedQuestion()) return ExitStatus::Refused;
    return status;
}

void DeviceSession::say(const QString &text) {
    writeText(streams.err, QStringLiteral("lumivane-cli: %1\n").arg(text));
}

QByteArray DeviceSession::sentBytes() const {
    QByteArray bytes;
    for (const TrafficLog::Chunk &chunk : port.trafficLog().chunks())
        if (chunk.direction == TrafficLog::Direction::Sent) bytes += chunk.bytes;
    return bytes;
}

QString DeviceSession::deviceOf(const QByteArray &command) const {
    const int id = commandTargetId(command);
    if (id < 0) return QStringLiteral("Kestrix 1");
    for (int device : {1, 2})
        if (state.DeviceIds[device] == id) return CommandEngine::describe({device, id});
    return QStringLiteral("the Kestrix with RS-485 ID %1").arg(id);
}

void DeviceSession::summarize(int status) {
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
            text += QStringLiteral(", in part %1 of %2 (%3)").arg(partsDone).arg(partsTotal).arg(partName);
        // A command no device acknowledged was not taken; it is the last one, since the link ends there.
        if (commands.size() - (lastCommandRefused ? 1 : 0) > 0)
            text += QStringLiteral(". The devices are now partly set: push the whole file again once the "
                                   "cause is mended.");
        else
            text += QStringLiteral(". No device acknowledged any of it: the devices are unchanged.");
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

void DeviceSession::deliverPendingReports() {
    QCoreApplication::processEvents();
}

int projectorsIn(const QByteArray &image) {
    const ModelFields::Field *field =
        ModelFields::find(ModelFields::Record::Output, QStringLiteral("TotalProjectors"));
    return field ? int(ModelFields::value(image, *field, 1, 1)) : 0;
}

} // namespace cli
