// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DeviceSetting.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <memory>

class AdjustmentStep;
class CommandEngine;
class CommandSet;
class DeviceModel;
class Host;

// The history of the user's adjustments on the devices. It learns of every setting the pages send
// from the command set (one adjustment per action of the user) and keeps each as a step of an undo
// stack: undoing a step sends the values it replaced to the same devices and channels through the
// same commands, redoing it sends its values again, and the pages show the model afterwards.
//
// Consecutive steps on one setting merge into one (a held spin button, a field typed twice, a value
// sent to both devices). A command that cannot be undone (a reset, a save, an automatic operation)
// ends the history before it; a read of the devices or an opened file starts a new one, and is what
// "Revert to Last Read" goes back to. Undo, redo and revert are refused while the link is down or a
// device action is under way, and a step whose command did not reach the device is not kept.
class UndoRecorder : public QObject {
    Q_OBJECT
public:
    struct Parts {
        CommandSet &commands;
        DeviceModel &model;
        CommandEngine &engine;
        Host &host;
    };
    // refreshPages shows the model on the pages (layout: the wall's projector count or layout changed).
    UndoRecorder(const Parts &parts, std::function<void(bool layout)> refreshPages,
                 QObject *parent = nullptr);
    ~UndoRecorder() override;

    QUndoStack *stack() { return &steps; }

    // The Edit menu.
    void undo();
    void redo();
    void RevertToLastRead();

    // A read or an opened file: the history so far is gone and the model is the last read.
    void startNewHistory(const QString &why);
    // What the history begins with ("History ended by Reset Config"), for the history view.
    QString historyStart() const { return start; }

    // Sends that are not the user's adjustments (Send Current Settings) while one lives.
    class Pause {
    public:
        explicit Pause(UndoRecorder &recorder) : recorder(recorder), before(recorder.paused) {
            recorder.paused = true;
        }
        ~Pause() { recorder.paused = before; }
        Pause(const Pause &) = delete;
        Pause &operator=(const Pause &) = delete;

    private:
        UndoRecorder &recorder;
        bool before;
    };

signals:
    void historyStartChanged(const QString &text);

private:
    friend class AdjustmentStep;

    void adjustmentSent(const Adjustment &adjustment);
    void endHistory(const QString &why);
    void remember(const DeviceSetting &setting);
    // Why the user's action cannot run now (empty: it can).
    QString refusal(const QString &what) const;
    void refuse(const QString &text);
    // A step's undo (back) or redo: its sends, the pages refreshed. Run by the stack, whether the Edit
    // menu or a click in the history view moved it.
    void moveStep(AdjustmentStep &step, bool back);
    bool sendAll(const QList<DeviceSetting> &settings, const QString &what);
    void afterIndexChanged();

    CommandSet &commands;
    // The window may delete the command set before the recorder (its children go in the order they were
    // made): the observer is only taken back from a command set that is still there.
    QPointer<CommandSet> observed;
    DeviceModel &model;
    CommandEngine &engine;
    Host &host;
    std::function<void(bool)> refreshPages;
    QUndoStack steps;
    QString start;
    bool paused = false;
    bool reverting = false;
    // The settings the user changed since the last read, and the model as that read left it.
    QList<DeviceSetting> touched;
    std::unique_ptr<DeviceModel> lastRead;
    // A move of the stack that could not be carried out: the index the stack goes back to.
    bool moveStopped = false;
    int consistentIndex = 0;
    bool quiet = false; // the stack is put back: its steps send nothing
};
