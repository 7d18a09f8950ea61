// SPDX-License-Identifier: GPL-3.0-or-later
#include "CompareFlow.h"

#include "CommandEngine.h"
#include "ConfigFile.h"
#include "DeviceModel.h"
#include "Discovery.h"
#include "Host.h"
#include "StatusQueries.h"
#include "TApdComPort.h"

namespace {

const char *const kNothingChanged = " Nothing was changed, in the window or on the devices.";

QString deviceName(const WindowState &state, int device, bool controller) {
    if (!controller) return QStringLiteral("The Kestrix");
    return CommandEngine::describe({device, state.DeviceIds[device]});
}

// Which record a failed read of one device stopped at, from ReadDeviceRecords' result.
QString recordName(int result, int device) {
    if (result == -1) return QStringLiteral("its system record (version)");
    const bool input = result >= -5;
    const int channel = input ? -1 - result : -5 - result;
    return QStringLiteral("the %1 settings of channel %2 (screen %3)")
        .arg(input ? QStringLiteral("input") : QStringLiteral("output"))
        .arg(channel)
        .arg((device - 1) * 4 + channel);
}

} // namespace

CompareFlow::CompareFlow(CommandEngine &engine, Host &host, const DeviceModel &window)
    : engine(engine), host(host), window(window) {}

// Through the Controller the devices are counted again (one may have gone since the window read them);
// a direct line has its one device.
bool CompareFlow::deviceCount(DeviceModel &devices, Outcome &outcome) {
    WindowState &state = devices.state();
    for (int d = 1; d <= 2; ++d)
        state.DeviceIds[d] = window.state().DeviceIds[d];
    if (!engine.controllerMode()) {
        state.DeviceCount = 1;
        outcome.devices = 1;
        return true;
    }
    const ControllerCount count = Discovery(engine).QueryKestrixCount();
    if (count.numbers == 0 || count.count < 1) {
        outcome.failure =
            count.numbers == 0
                ? QStringLiteral("Lumivane could not compare the settings: the Controller did not say how "
                                 "many Kestrix devices it has. Check the cable to the Controller's "
                                 "'Console' port and try again.")
                : QStringLiteral("Lumivane could not compare the settings: the Controller reports no "
                                 "Kestrix behind it. Check the RS-485 cables and that the Kestrix(s) have "
                                 "booted up completely, then try again.");
        outcome.failure += QLatin1String(kNothingChanged);
        return false;
    }
    if (count.numbers >= 2) state.DeviceIds[1] = count.id1;
    if (count.numbers >= 3) state.DeviceIds[2] = count.id2;
    state.DeviceCount = count.count;
    // As the read does: device 2 is addressed when the Controller counts exactly two.
    outcome.devices = count.count == 2 ? 2 : 1;
    return true;
}

bool CompareFlow::readDevice(DeviceModel &devices, int device, Outcome &outcome) {
    StatusQueries queries(engine, devices);
    StatusQueries::ReadObserver observer;
    observer.continueAfterFailure = [](StatusQueries::RecordKind, int) { return false; };
    const int result = queries.ReadDeviceRecords(device, observer);
    if (result == 1) return true;
    // A line that went away has been reported by the link; a program closing says nothing more.
    if (engine.aborted() || !engine.port().isOpen()) return false;
    outcome.failure =
        QStringLiteral("Lumivane could not compare the settings: %1 did not answer the "
                       "question for %2. Check the serial connection and that the device "
                       "is switched on, then try again.")
            .arg(deviceName(devices.state(), device, engine.controllerMode()), recordName(result, device)) +
        QLatin1String(kNothingChanged);
    return false;
}

CompareFlow::Outcome CompareFlow::compare(DeviceModel &devices) {
    Outcome outcome;
    devices.applyImage(QByteArray(int(ConfigFile::FileSize), '\0'));
    host.setStatusText(QStringLiteral("Querying Kestrix(s). Please wait...."));
    host.setBusyCursor(true);
    host.showProgress(QStringLiteral("Lumivane querying Kestrix(s). Please wait...."));
    host.setProgressSuffix(QString());
    bool read = deviceCount(devices, outcome);
    for (int d = 1; read && d <= outcome.devices; ++d) {
        read = readDevice(devices, d, outcome);
        host.setProgressSuffix(QString(d, QLatin1Char('.')));
    }
    host.hideProgress();
    host.setBusyCursor(false);
    host.setStatusText(QString());
    if (!read) return outcome;
    outcome.read = true;
    outcome.rows = differenceRows(window.image(), devices.image(), outcome.devices);
    return outcome;
}
