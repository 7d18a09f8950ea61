#include "ReadFlow.h"

#include "CommandEngine.h"
#include "ConnectFlow.h"
#include "DeviceModel.h"
#include "Host.h"
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

int ReadFlow::readDevice(int device) {
    return readDevice(device, 0, kRecordsPerDevice);
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
    static const int kFormatWidths[] = {640, 800, 1024, 1280};
    const int format = model.output(1, 1).OutputFormat;
    if (format > 3 || model.input(1, 1).HActive == kFormatWidths[format]) return;
    host.showMessage(
        QStringLiteral("Warning: Current Output Format and Input Format does not match (no valid input "
                       "video?). Lumivane may not function properly."));
}

void ReadFlow::endWithoutRecords() {
    host.setStatusText(QString());
    host.setBusyCursor(false);
}

bool ReadFlow::readAll() {
    host.setStatusText(QStringLiteral("Querying Kestrix(s). Please wait...."));
    host.setBusyCursor(true);

    if (engine.controllerMode()) {
        state.DeviceCount = connection.queryDeviceCount();
        if (state.DeviceCount < 1) {
            host.showMessage(
                QStringLiteral("Kestrix not detected by Controller.\n(1)Check cables.\n(2)Make sure the "
                               "Kestrix has booted up completely and reboot the Controller."));
            endWithoutRecords();
            return false;
        }
    } else {
        state.DeviceCount = 1;
    }
    view.deviceCountShown(state.DeviceCount);

    // Device 2 is read when the Controller counts exactly two; with more, only device 1 is addressed.
    const int devices = state.DeviceCount == 2 ? 2 : 1;
    const int total = devices * kRecordsPerDevice;
    int result = readDevice(1, 0, total);
    int failedDevice = result == 1 ? 0 : 1;
    if (result == 1 && devices == 2) {
        result = readDevice(2, kRecordsPerDevice, total);
        failedDevice = result == 1 ? 0 : 2;
    }
    if (failedDevice && !engine.port().isOpen()) {
        // The line went away during the read; its loss has been reported, nothing more to say.
        endWithoutRecords();
        return false;
    }
    if (failedDevice) {
        host.showMessage(
            QStringLiteral("%1 communication error! Please check Serial connections and try again (%2)")
                .arg(failedDevice == 1 ? QStringLiteral("Kestrix") : QStringLiteral("Kestrix 2"))
                .arg(result));
        endWithoutRecords();
        return false;
    }

    view.allRead();
    host.setBusyCursor(false);
    host.setStatusText(QString());
    return true;
}
