// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadFlow.h"

#include "CommandEngine.h"
#include "ConnectFlow.h"
#include "DeviceModel.h"
#include "Host.h"
#include "SettingCatalogue.h"
#include "StatusQueries.h"
#include "TApdComPort.h"
#include "WindowState.h"

namespace {
const char *const kReadErrorCaption = "QLN - Lumivane :Error reading from Kestrix(s)";
} // namespace

ReadFlow::ReadFlow(CommandEngine &engine, Host &host, DeviceModel &model, StatusQueries &queries,
                   ConnectFlow &connection, ReadView &view)
    : engine(engine), host(host), model(model), state(model.state()), queries(queries),
      connection(connection), view(view) {}

bool ReadFlow::continueAfterFailure(const char *what, int channel) {
    // The question names the channel as the screen number, for either device.
    return host.askYesNo(
        QString::fromLatin1(kReadErrorCaption),
        QStringLiteral("Lumivane unable to read %1 Status on Screen %2. Do you still wish to "
                       "continue? Click Yes to continue (NOTE: Lumivane settings on Screen %2 will "
                       "be invalid)")
            .arg(QString::fromLatin1(what))
            .arg(channel));
}

int ReadFlow::readDevice(int device, int doneBefore, int total) {
    using Kind = StatusQueries::RecordKind;
    host.showProgress(QStringLiteral("Lumivane querying Kestrix(s). Please wait...."));
    host.setProgressSuffix(QString());

    int done = doneBefore;
    StatusQueries::ReadObserver observer;
    observer.continueAfterFailure = [this](Kind kind, int channel) {
        return continueAfterFailure(kind == Kind::Input ? "Input" : "Output", channel);
    };
    // The dots grow after the system record, after inputs 2 and 4, and after the last output.
    observer.recordDone = [&](Kind kind, int channel, bool) {
        if (kind == Kind::System) {
            view.versionRead(device, model.system(device).version());
            host.setProgressSuffix(QStringLiteral("."));
        } else if (kind == Kind::Input && (channel == 2 || channel == 4)) {
            host.setProgressSuffix(channel == 2 ? QStringLiteral("..") : QStringLiteral("..."));
        } else if (kind == Kind::Output && channel == 4) {
            host.setProgressSuffix(QStringLiteral("...."));
        }
        view.recordRead(++done, total);
    };
    const int result = queries.ReadDeviceRecords(device, observer);
    if (result == 1) warnOnInputFormatMismatch();
    host.hideProgress();
    return result;
}

// Device 1's first output format against what its first input measures.
void ReadFlow::warnOnInputFormatMismatch() {
    const SettingCatalogue::Resolution *format =
        SettingCatalogue::outputFormat(model.output(1, 1).OutputFormat);
    if (!format || model.input(1, 1).HActive == format->width) return;
    host.showMessage(
        QStringLiteral("Warning: Current Output Format and Input Format does not match (no valid input "
                       "video?). Lumivane may not function properly."));
}

void ReadFlow::endWithoutRecords() {
    host.setStatusText(QString());
    host.setBusyCursor(false);
}

bool ReadFlow::countDevices() {
    if (!engine.controllerMode()) {
        state.DeviceCount = 1;
        return true;
    }
    state.DeviceCount = connection.queryDeviceCount();
    if (state.DeviceCount >= 1) return true;
    host.showMessage(QStringLiteral("Kestrix not detected by Controller.\n(1)Check cables.\n(2)Make sure the "
                                    "Kestrix has booted up completely and reboot the Controller."));
    return false;
}

int ReadFlow::readDevices(int devices, int &result) {
    const int total = devices * kRecordsPerDevice;
    for (int device = 1; device <= devices; ++device) {
        result = readDevice(device, (device - 1) * kRecordsPerDevice, total);
        if (result != 1) return device;
    }
    return 0;
}

void ReadFlow::endAfterFailure(const QString &deviceName, int result) {
    // A line that went away during the read has had its loss reported; there is nothing more to say.
    if (engine.port().isOpen())
        host.showMessage(
            QStringLiteral("%1 communication error! Please check Serial connections and try again (%2)")
                .arg(deviceName)
                .arg(result));
    endWithoutRecords();
}

bool ReadFlow::readAll() {
    host.setStatusText(QStringLiteral("Querying Kestrix(s). Please wait...."));
    host.setBusyCursor(true);
    if (!countDevices()) {
        endWithoutRecords();
        return false;
    }
    view.deviceCountShown(state.DeviceCount);

    // Device 2 is read when the Controller counts exactly two; with more, only device 1 is addressed.
    int result = 0;
    if (const int failed = readDevices(state.DeviceCount == 2 ? 2 : 1, result)) {
        endAfterFailure(failed == 1 ? QStringLiteral("Kestrix") : QStringLiteral("Kestrix 2"), result);
        return false;
    }
    view.allRead();
    host.setBusyCursor(false);
    host.setStatusText(QString());
    return true;
}

bool ReadFlow::readForCalculation() {
    if (!countDevices()) return false;
    int result = 0;
    if (const int failed = readDevices(qMin(state.DeviceCount, 2), result)) {
        endAfterFailure(QStringLiteral("Kestrix %1").arg(failed), result);
        return false;
    }
    return true;
}
