// SPDX-License-Identifier: GPL-3.0-or-later
#include "UndoRecorder.h"

#include "BusyScope.h"
#include "CommandEngine.h"
#include "CommandSet.h"
#include "DeviceModel.h"
#include "EventPump.h"
#include "Host.h"

#include <QSet>
#include <QUndoCommand>

#include <algorithm>

namespace {

const char *const kRevertText = "Revert to Last Read";

// What makes two steps one setting for merging: the command, channel and side or colour, and the
// device for settings of one channel. A setting of the whole device goes to every device, one after
// the other: the sends to device 1 and 2 are the same setting.
QString mergeKey(const DeviceSetting &s) {
    return QStringLiteral("%1/%2/%3/%4")
        .arg(int(s.cmd == CommandSet::Cmd::FeatherModeAdvanced ? CommandSet::Cmd::FeatherModeBasic : s.cmd))
        .arg(s.deviceWide() ? 0 : s.device)
        .arg(s.channel)
        .arg(int(s.part));
}

QSet<QString> mergeKeys(const QList<SettingChange> &changes) {
    QSet<QString> keys;
    for (const SettingChange &c : changes)
        keys.insert(mergeKey(c.after));
    return keys;
}

bool sameValues(const QList<DeviceSetting> &a, const QList<DeviceSetting> &b) {
    if (a.size() != b.size()) return false;
    for (int i = 0; i < a.size(); ++i)
        if (!a[i].sameValues(b[i])) return false;
    return true;
}

bool touchesLayout(const QList<DeviceSetting> &settings) {
    return std::any_of(settings.begin(), settings.end(), [](const DeviceSetting &s) {
        return s.cmd == CommandSet::Cmd::ProjectorCount || s.cmd == CommandSet::Cmd::DisplayLayout;
    });
}

// Every record of a device, to put back when a send did not get through: the builder wrote the model
// before it sent.
struct DeviceRecords {
    int device;
    InputInfo inputs[kChannelSlots];
    OutputInfo outputs[kChannelSlots];

    DeviceRecords(const DeviceModel &model, int device) : device(device) {
        for (int c = 0; c < kChannelSlots; ++c) {
            inputs[c] = model.input(device, c);
            outputs[c] = model.output(device, c);
        }
    }
    void restore(DeviceModel &model) const {
        for (int c = 0; c < kChannelSlots; ++c) {
            model.setInput(device, c, inputs[c]);
            model.setOutput(device, c, outputs[c]);
        }
    }
};

} // namespace

// One adjustment of the user: the settings it changed, each with what it replaced.
class AdjustmentStep : public QUndoCommand {
public:
    AdjustmentStep(UndoRecorder &recorder, const QList<SettingChange> &changes, bool revert)
        : recorder(recorder), changes(changes), revert(revert) {
        describe();
    }

    int id() const override { return revert ? -1 : 1; }

    bool mergeWith(const QUndoCommand *command) override {
        const auto *other = static_cast<const AdjustmentStep *>(command);
        if (other->revert || mergeKeys(changes) != mergeKeys(other->changes)) return false;
        for (const SettingChange &next : other->changes) {
            auto same = std::find_if(changes.begin(), changes.end(),
                                     [&](const SettingChange &c) { return c.after.sameTarget(next.after); });
            if (same != changes.end())
                same->after = next.after;
            else
                changes.append(next);
        }
        describe();
        setObsolete(changesNothing());
        return true;
    }

    // Every setting is back where it was (a value sent again as it was, a spin up and down again).
    bool changesNothing() const {
        return std::all_of(changes.begin(), changes.end(),
                           [](const SettingChange &c) { return sameValues(c.before, {c.after}); });
    }

    void undo() override { recorder.moveStep(*this, true); }
    void redo() override {
        // Pushed after its commands went out.
        if (std::exchange(fresh, false)) return;
        recorder.moveStep(*this, false);
    }

    QList<DeviceSetting> settingsFor(bool back) const {
        // The settings of one step are all different ones (merging keeps one change per setting): their
        // order does not matter to the devices, and device 1 goes first as it did.
        QList<DeviceSetting> settings;
        for (const SettingChange &c : changes) {
            if (back)
                settings += c.before;
            else
                settings.append(c.after);
        }
        return settings;
    }

private:
    void describe() {
        if (revert) {
            setText(QString::fromLatin1(kRevertText));
            return;
        }
        const int others = int(mergeKeys(changes).size()) - 1;
        setText(changes.first().after.describe() +
                (others > 0 ? QStringLiteral(" and %1 more").arg(others) : QString()));
    }

    UndoRecorder &recorder;
    QList<SettingChange> changes;
    bool revert;
    bool fresh = true;
};

UndoRecorder::UndoRecorder(const Parts &parts, std::function<void(bool)> refreshPages, QObject *parent)
    : QObject(parent), commands(parts.commands), observed(&parts.commands), model(parts.model),
      engine(parts.engine), host(parts.host), refreshPages(std::move(refreshPages)),
      start(tr("No adjustments yet")) {
    steps.setObjectName(QStringLiteral("UndoStack"));
    commands.setAdjustmentObserver([this](const Adjustment &adjustment) { adjustmentSent(adjustment); });
    connect(&steps, &QUndoStack::indexChanged, this, &UndoRecorder::afterIndexChanged);
}

UndoRecorder::~UndoRecorder() {
    if (observed) observed->setAdjustmentObserver({});
}

void UndoRecorder::startNewHistory(const QString &why) {
    touched.clear();
    if (!lastRead) lastRead = std::make_unique<DeviceModel>();
    lastRead->applyImage(model.image());
    endHistory(why);
}

void UndoRecorder::endHistory(const QString &why) {
    steps.clear();
    start = why;
    emit historyStartChanged(start);
}

void UndoRecorder::remember(const DeviceSetting &setting) {
    for (const DeviceSetting &target : DeviceSettings::targets(setting))
        if (std::none_of(touched.begin(), touched.end(),
                         [&](const DeviceSetting &t) { return t.sameTarget(target); }))
            touched.append(target);
}

void UndoRecorder::adjustmentSent(const Adjustment &adjustment) {
    if (paused) return;
    for (const SettingChange &change : adjustment.changes)
        remember(change.after);
    if (!adjustment.irreversible.isEmpty()) {
        endHistory(tr("History ended by %1").arg(adjustment.irreversible));
        return;
    }
    // What the devices did not take is no step: undoing it would put back what they still have.
    QList<SettingChange> taken;
    for (const SettingChange &change : adjustment.changes)
        if (change.delivered && DeviceSettings::undoable(change.after.cmd)) taken.append(change);
    if (taken.isEmpty()) return;
    auto step = std::make_unique<AdjustmentStep>(*this, taken, reverting);
    if (!reverting && step->changesNothing()) return;
    steps.push(step.release());
}

QString UndoRecorder::refusal(const QString &what) const {
    if (!engine.LinkActive()) return tr("%1 refused: no Kestrix communication established.").arg(what);
    // A device action holds the flag; a field's command waiting for its acknowledgement only waits.
    if (model.state().CommandBusy || EventPump::depth() > 0)
        return tr("%1 refused: a command is in progress.").arg(what);
    return {};
}

void UndoRecorder::refuse(const QString &text) {
    host.setStatusText(text);
}

void UndoRecorder::undo() {
    if (!steps.canUndo()) return;
    const QString why = refusal(tr("Undo"));
    if (!why.isEmpty()) return refuse(why);
    steps.undo();
}

void UndoRecorder::redo() {
    if (!steps.canRedo()) return;
    const QString why = refusal(tr("Redo"));
    if (!why.isEmpty()) return refuse(why);
    steps.redo();
}

void UndoRecorder::moveStep(AdjustmentStep &step, bool back) {
    if (quiet || moveStopped) return;
    int position = 0;
    while (position < steps.count() && steps.command(position) != &step)
        ++position;
    // Where the stack must stay should this step not go through: the step still done (undo) or still
    // undone (redo).
    const int stayAt = back ? position + 1 : position;
    const QString what = back ? tr("Undo") : tr("Redo");
    const QString why = refusal(what);
    if (!why.isEmpty()) {
        refuse(why);
        moveStopped = true;
        consistentIndex = stayAt;
        return;
    }
    BusyScope busy(model.state().CommandBusy);
    const QList<DeviceSetting> settings = step.settingsFor(back);
    if (!sendAll(settings, what + QLatin1Char(' ') + step.text())) {
        moveStopped = true;
        consistentIndex = stayAt;
    }
    refreshPages(touchesLayout(settings));
}

// Sends the settings in order and stops at the first one the device does not take; that one's model
// records go back to what they held, which is what the device still has.
bool UndoRecorder::sendAll(const QList<DeviceSetting> &settings, const QString &what) {
    Pause pause(*this);
    for (const DeviceSetting &setting : settings) {
        const DeviceRecords before(model, setting.device);
        if (DeviceSettings::send(commands, setting)) continue;
        before.restore(model);
        host.showMessage(
            tr("Error! %1 did not reach the Kestrix(s): %2 was not sent.").arg(what, setting.describe()));
        return false;
    }
    return true;
}

void UndoRecorder::afterIndexChanged() {
    if (!std::exchange(moveStopped, false)) return;
    quiet = true;
    steps.setIndex(consistentIndex);
    quiet = false;
}

void UndoRecorder::RevertToLastRead() {
    const QString what = tr(kRevertText);
    QString why = refusal(what);
    if (why.isEmpty() && !lastRead) why = tr("%1 refused: nothing has been read or opened yet.").arg(what);
    if (!why.isEmpty()) return refuse(why);
    BusyScope busy(model.state().CommandBusy);
    QList<DeviceSetting> back;
    for (const DeviceSetting &target : std::as_const(touched)) {
        const QList<DeviceSetting> read = DeviceSettings::current(*lastRead, target);
        if (!sameValues(read, DeviceSettings::current(model, target))) back += read;
    }
    if (back.isEmpty()) return host.setStatusText(tr("Nothing changed since the last read."));
    {
        // One step of the history: undoing it sends what the revert replaced.
        reverting = true;
        CommandSet::Action action(commands);
        for (const DeviceSetting &setting : std::as_const(back)) {
            const DeviceRecords before(model, setting.device);
            if (DeviceSettings::send(commands, setting)) continue;
            before.restore(model);
            host.showMessage(
                tr("Error! %1 stopped: %2 did not reach the Kestrix(s).").arg(what, setting.describe()));
            break;
        }
    }
    reverting = false;
    refreshPages(touchesLayout(back));
}
