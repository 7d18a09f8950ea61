// SPDX-License-Identifier: GPL-3.0-or-later
// The automatic operations of the command set: the device works the values out itself (seam gains,
// colour balance, position, phase) and the program reads the result back afterwards.
#include "CommandEngine.h"
#include "CommandSet.h"
#include "CommandTable.h"
#include "DeviceModel.h"
#include "EventPump.h"
#include "ModelAccessors.h"
#include "StatusQueries.h"

void CommandSet::RunAutoSeam(int device, int channel) {
    if (!IsAddressable(device, channel) || !linkActive()) return;
    reportIrreversible(QStringLiteral("Auto Seam Gain"));
    send<Cmd::AutoSeam>(device, channel);
    if (controllerMode()) {
        EventPump::processPending();
        // The device may still be busy with the seam when asked: one more try before giving up.
        if (!queries.QueryOutputInfo(device, channel)) queries.QueryOutputInfo(device, channel);
    } else {
        queries.QueryOutputInfo(device, channel);
    }
    requestRefresh(&CommandSet::seamRemovalRefreshRequested);
}

void CommandSet::RunAutoColorBalance(int device) {
    if (!IsAddressable(device)) return;
    queries.QueryInputs(device);
    requestRefresh(&CommandSet::sourceSetupRefreshRequested);
    if (model.input(device, 1).VideoLoaded == 0) {
        engine.host().showMessage(
            QStringLiteral("Error! Kestrix detect no input on input channel 1. Auto Color Balance aborted."));
        return;
    }
    if (linkActive()) reportIrreversible(QStringLiteral("Auto Color Balance"));
    runAutomatic(device, "RGBADJ", QStringLiteral("Automatic Color Balance in progress. Please wait...."),
                 4850, 31810);
    requestRefresh(&CommandSet::sourceColorsRefreshRequested);
}

void CommandSet::RunAutoPosition(int device) {
    if (!IsAddressable(device)) return;
    if (linkActive()) reportIrreversible(QStringLiteral("Auto Position"));
    runAutomatic(device, "AUTOPOS", QStringLiteral("Automatic Position setup in progress. Please wait...."),
                 700, 810);
    requestRefresh(&CommandSet::sourceSetupRefreshRequested);
}

void CommandSet::RunAutoPhase(int device) {
    if (!IsAddressable(device)) return;
    if (linkActive()) reportIrreversible(QStringLiteral("Auto Phase"));
    runAutomatic(device, "APHASE", QStringLiteral("Automatic Phase setup in progress. Please wait...."), 3400,
                 21810);
    requestRefresh(&CommandSet::sourceSetupRefreshRequested);
}

// Starts the operation on the device and waits for it to finish, then re-reads the four inputs. Behind
// the Controller the command is acknowledged at once; the wait is the settle after a blank poll command,
// and the device needs it once per projector of the wall. A direct device acknowledges only when done.
void CommandSet::runAutomatic(int device, const char *token, const QString &statusText,
                              int pollSettlePerProjector, int directAckTicks) {
    Host &host = engine.host();
    const bool wasBusy = host.isBusyCursor();
    host.setBusyCursor(true);
    if (linkActive()) {
        host.setStatusText(statusText);
        if (controllerMode()) {
            const int projectors = model.output(device, 1).TotalProjectors;
            sendController(device, Framing::controller(DeviceId(device), token), 0);
            sendController(device, Framing::controller(DeviceId(device), " "),
                           pollSettlePerProjector * projectors);
            EventPump::processPending();
        } else {
            engine.SendDirectCommand(Framing::direct(Framing::direct(token)), directAckTicks);
        }
    }
    host.setStatusText(QString());
    queries.QueryInputs(device);
    host.setBusyCursor(wasBusy);
}
