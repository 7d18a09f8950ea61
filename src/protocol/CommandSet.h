// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DeviceCommand.h"
#include "WindowState.h"

class DeviceModel;

#include <QByteArray>
#include <QObject>

#include <array>
#include <functional>
#include <memory>

class CommandEngine;
class StatusQueries;
struct Adjustment;
struct CommandRow;
struct DeviceSetting;
struct SettingChange;

// One builder per device command. Every builder that carries a setting stores it in the model first,
// also when the link is down; then, if the link is active, it formats the command for the current link
// mode (Controller text addressed by the device's RS-485 ID, or the direct text) and hands it to the
// engine with the command's settle count or acknowledgement wait. Builders take plain values: the pages
// read their controls and call them. Devices are 1..2 and channels 1..4 (5 = all four, for the test
// pattern only); a builder given any other address does nothing at all.
class CommandSet : public QObject {
    Q_OBJECT
public:
    // The acknowledgement wait of direct commands outside their own exchange, in ticks.
    static constexpr int kNormalAckTicks = 80;

    // The commands of the command table (CommandTable.h), one row each, in the order of DeviceCommand.
    using Cmd = DeviceCommand;

    CommandSet(CommandEngine &engine, DeviceModel &model, StatusQueries &queries, QObject *parent = nullptr);
    ~CommandSet() override;

    // A dry run: while a recorder is set, every Controller command a builder would hand to the engine
    // goes to the recorder instead, with its device and its text without the address and the closing
    // "!" ("PRJ 0 4"), and counts as acknowledged; nothing reaches the line. Set the engine to Controller
    // mode and the link active for the builders to format and send.
    using Recorder = std::function<void(int device, const QByteArray &command)>;
    void setRecorder(Recorder recorder) { this->recorder = std::move(recorder); }

    // Learns of every setting a builder sends and of every command that cannot be undone, one
    // adjustment per action: all that one ForEveryDevice call (or an Action) sent, or one builder call
    // outside any. Told after the commands went out, whether or not the device took them.
    using AdjustmentObserver = std::function<void(const Adjustment &)>;
    void setAdjustmentObserver(AdjustmentObserver observer);
    // While one lives, everything the builders send makes one adjustment, told when the outermost ends.
    class Action {
    public:
        explicit Action(CommandSet &commands);
        ~Action();
        Action(const Action &) = delete;
        Action &operator=(const Action &) = delete;

    private:
        CommandSet &commands;
    };
    // Waits until the device has acknowledged every command written without waiting (direct mode); a
    // missing acknowledgement is recovered as for a command that waits. False when the line did not
    // come back or the link has ended.
    bool FinishWrites();
    // Whether the device took the last setting a builder sent (false when the link was down).
    bool lastDelivered() const { return m_lastDelivered; }

    // The RS-485 ID of device 1 or 2 as the ID fields hold it now.
    int DeviceId(int device) const;
    // Runs send for device 1 and, when two devices are in use, for device 2: one action.
    void ForEveryDevice(const std::function<void(int device)> &send);

    void SendBlackLevel(int device, int channel, int level);
    void SendFeatherMode(int device, int advanced);
    void SendDataDoubling(int device, int on);
    void SendDisplayLayout(int device, int justification, int overlap);
    void SendBasicFeather(int device, int enable, double gamma);
    void SendHalo(int device, int channel, char side, int width, int offset);
    void SendFactoryReset(int device, char kind = 'F');
    // Channel 5 addresses all four channels of the device.
    void SendTestPattern(int device, int channel, int pattern, int raster, int grid);
    // colour: 'C' overall, 'R', 'G' or 'B'.
    void SendInputContrast(int device, int channel, char colour, double value);
    void SendInputBrightness(int device, int channel, char colour, double value);
    void SendInputPhase(int device, int channel, int phase);
    void SendInputHPosition(int device, int channel, int position);
    void SendInputVPosition(int device, int channel, int position);
    void SendInputConfigSave(int device, int channel);
    void SendInputConfigReset(int device, int channel);
    void SendProjectorCount(int device, int total);
    void SendSeamGains(int device, int channel, int start, const std::array<int, 8> &gains);
    void SendSeamBridge(int device, int channel, int on);
    void SendSystemSave(int device);
    // item: 0 S-curve, 1 linear (the feather curve radio items).
    void SendFeatherCurve(int device, int item);
    void SendEdgeFeather(int device, int channel, char side, int enable, double gamma, int width, int offset);
    void SendBridgeThreshold(int device, int threshold);

    // The automatic operations: the device works out the values itself and the program reads them back.
    void RunAutoSeam(int device, int channel);
    void RunAutoColorBalance(int device);
    void RunAutoPosition(int device);
    void RunAutoPhase(int device);

signals:
    // Follow-up refreshes of the pages after commands whose effect only the device knows. They are
    // emitted with Refreshing set, so the refreshed controls send nothing back.
    void displaySetupRefreshRequested();
    void sourceSetupRefreshRequested();
    // Only the colour values of the channel chosen on the Source Setup page (after colour balance).
    void sourceColorsRefreshRequested();
    void seamRemovalRefreshRequested();

private:
    // The setting a builder is sending: what its target held before the builder writes the model, and
    // the outcome once sent.
    class Change {
    public:
        Change(CommandSet &commands, const DeviceSetting &setting);
        ~Change();
        void sent(bool delivered);

    private:
        CommandSet &commands;
        std::unique_ptr<SettingChange> change;
    };
    void report(const SettingChange &change);
    void reportIrreversible(const QString &name);
    void endOfAction();

    bool linkActive() const;
    bool controllerMode() const;
    // Writes the command's arguments as its row of the table says (their types are checked against the
    // row when the call is compiled) and sends it for the link mode, then does the row's follow-up. True
    // when the device took it; false when the link is down and nothing was sent, or when it went
    // unacknowledged (or unwritten).
    template <Cmd cmd, typename... Args> bool send(int device, Args... args);
    bool sendRow(int device, const CommandRow &row, const QByteArray &arguments);
    bool sendController(int device, const QByteArray &command, int settleCount);
    void requestRefresh(void (CommandSet::*signal)());
    void runAutomatic(int device, const char *token, const QString &statusText, int pollSettlePerProjector,
                      int directAckTicks);

    CommandEngine &engine;
    DeviceModel &model;
    WindowState &state;
    StatusQueries &queries;
    Recorder recorder;
    AdjustmentObserver observer;
    int m_actionDepth = 0;
    std::unique_ptr<Adjustment> m_pending; // what the open action sent so far
    bool m_lastDelivered = false;
};
