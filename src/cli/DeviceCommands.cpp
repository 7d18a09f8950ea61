// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli read, diff, check --devices and report --devices: the window's connect and read flows,
// driven from options; what each command does with what it read.
#include "CommissioningReport.h"
#include "ConfigFile.h"
#include "DeviceSession.h"
#include "ExitStatus.h"
#include "FieldListing.h"

#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace cli {

int runRead(DeviceSession &s) {
    if (int status = s.connect()) return status;
    if (int status = s.read()) return status;
    s.setPhase(DeviceSession::Phase::Done);
    if (s.options.file == QLatin1String("-")) {
        // A failed write is said once, with its reason, as the tool ends.
        if (!writeBytes(s.streams.out, s.model.image())) return ExitStatus::FileError;
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

// The findings of the wall the devices hold.
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

} // namespace cli

using namespace cli;

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
    // Some folders refuse new files whatever their permissions say (/proc, /sys), and the superuser
    // passes every check above: a new file is made and removed again, as the save will make one.
    QByteArray probe = QFile::encodeName(folder + QStringLiteral("/.lumivane-cli-XXXXXX"));
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return QStringLiteral("Cannot write '%1': the folder %2 does not take new files (%3).")
            .arg(path, folder, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(fd);
    ::unlink(probe.constData());
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
