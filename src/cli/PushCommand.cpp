// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli push: the window's Send Current Settings from a file, and its dry run.
#include "DeviceSession.h"

#include "ExitStatus.h"
#include "FieldListing.h"
#include "Host.h"
#include "ModelPushValues.h"
#include "SettingCheck.h"
#include "SettingsPush.h"

#include <algorithm>

namespace cli {

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

int RecordedPush::count(int device) const {
    return int(std::count_if(commands.cbegin(), commands.cend(),
                             [device](const QPair<int, QByteArray> &c) { return c.first == device; }));
}

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

} // namespace cli
