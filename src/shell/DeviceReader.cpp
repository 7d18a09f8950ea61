#include "DeviceReader.h"

#include "CommandEngine.h"
#include "ConnectionController.h"
#include "Host.h"
#include "InformationPage.h"
#include "ModelTables.h"
#include "PlanningPage.h"
#include "StatusQueries.h"
#include "TApdComPort.h"
#include "WindowState.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace {
const char *const kReadErrorCaption = "QLN - Lumivane :Error reading from Kestrix(s)";
const char *const kPlanningOverwritten = " \rPlanning page values will be overwritten";
} // namespace

DeviceReader::DeviceReader(const Parts &parts, std::function<void()> refreshPages, QObject *parent)
    : QObject(parent), engine(parts.engine), host(parts.host), state(parts.state), queries(parts.queries),
      connection(parts.connection), info(parts.info), planning(parts.planning), window(parts.window),
      refreshPages(std::move(refreshPages)) {}

bool DeviceReader::continueAfterFailure(const char *what, int channel) {
    // The question names the channel as the screen number, for either device.
    return host.askYesNo(
        QString::fromLatin1(kReadErrorCaption),
        QStringLiteral("Lumivane unable to read %1 Status on Screen %2. Do you still wish to "
                       "continue? Click Yes to continue (NOTE: Lumivane settings on Screen %2 will "
                       "be invalid)")
            .arg(QString::fromLatin1(what))
            .arg(channel));
}

int DeviceReader::ReadDevice(int device) {
    using Kind = StatusQueries::RecordKind;
    host.showProgress(QStringLiteral("Lumivane querying Kestrix(s). Please wait...."));
    host.setProgressSuffix(QString());

    StatusQueries::ReadObserver observer;
    observer.continueAfterFailure = [this](Kind kind, int channel) {
        return continueAfterFailure(kind == Kind::Input ? "Input" : "Output", channel);
    };
    // The dots grow after the system record, after inputs 2 and 4, and after the last output.
    observer.recordDone = [this](Kind kind, int channel, bool) {
        if (kind == Kind::System) {
            info.versionLabel()->setText(SystemInfoTable[1].version());
            host.setProgressSuffix(QStringLiteral("."));
        } else if (kind == Kind::Input && (channel == 2 || channel == 4)) {
            host.setProgressSuffix(channel == 2 ? QStringLiteral("..") : QStringLiteral("..."));
        } else if (kind == Kind::Output && channel == 4) {
            host.setProgressSuffix(QStringLiteral("...."));
        }
    };
    const int result = queries.ReadDeviceRecords(device, observer);
    if (result == 1) warnOnInputFormatMismatch();
    host.hideProgress();
    return result;
}

// Device 1's first output format against what its first input measures.
void DeviceReader::warnOnInputFormatMismatch() {
    static const int kFormatWidths[] = {640, 800, 1024, 1280};
    const int format = OutputInfoTable[1][1].OutputFormat;
    if (format > 3 || InputInfoTable[1][1].HActive == kFormatWidths[format]) return;
    host.showMessage(
        QStringLiteral("Warning: Current Output Format and Input Format does not match (no valid input "
                       "video?). Lumivane may not function properly."));
}

void DeviceReader::ReadfromKestrixs1Click() {
    host.setStatusText(QStringLiteral("Querying Kestrix(s). Please wait...."));
    host.setBusyCursor(true);
    auto giveUp = [this] {
        host.setStatusText(QString());
        host.setBusyCursor(false);
    };

    if (engine.controllerMode()) {
        state.DeviceCount = connection.QueryKestrixCount();
        if (state.DeviceCount < 1) {
            host.showMessage(
                QStringLiteral("Kestrix not detected by Controller.\n(1)Check cables.\n(2)Make sure the "
                               "Kestrix has booted up completely and reboot the Controller."));
            giveUp();
            return;
        }
    } else {
        state.DeviceCount = 1;
    }
    info.deviceCountLabel()->setText(QString::number(state.DeviceCount));

    int result = ReadDevice(1);
    int failedDevice = result == 1 ? 0 : 1;
    if (result == 1 && state.DeviceCount == 2) {
        result = ReadDevice(2);
        failedDevice = result == 1 ? 0 : 2;
    }
    if (failedDevice && !engine.port().isOpen()) {
        // The line went away during the read; its loss has been reported, nothing more to say.
        giveUp();
        return;
    }
    if (failedDevice) {
        host.showMessage(
            QStringLiteral("%1 communication error! Please check Serial connections and try again (%2)")
                .arg(failedDevice == 1 ? QStringLiteral("Kestrix") : QStringLiteral("Kestrix 2"))
                .arg(result));
        giveUp();
        return;
    }

    refreshPagesFromModel();
    host.setBusyCursor(false);
    host.setStatusText(QString());
}

void DeviceReader::refreshPagesFromModel() {
    const bool wasRefreshing = state.Refreshing;
    state.Refreshing = true;
    info.ScreenInfoComboBoxChange();
    takeOverPlanningLayout();
    refreshPages();
    state.Refreshing = wasRefreshing;
}

// The Planning page takes the wall layout over from device 1's first output record.
void DeviceReader::takeOverPlanningLayout() {
    const OutputInfo &record = OutputInfoTable[1][1];
    QComboBox *align = planning.imageAlignComboBox();
    QComboBox *projectors = planning.numOfScreenComboBox();
    if (window.isVisible()) {
        const bool alignDiffers = align->currentIndex() != record.Justification;
        const bool countDiffers = projectors->currentIndex() != record.TotalProjectors - 1;
        QString what;
        if (alignDiffers && countDiffers)
            what = QStringLiteral("Number of Projectors and Input Material Alignment information");
        else if (alignDiffers)
            what = QStringLiteral("Input Material Alignment information");
        else if (countDiffers)
            what = QStringLiteral("Number of Projectors information");
        if (!what.isEmpty())
            host.showMessage(
                QStringLiteral("Warning. %1 read from Kestrix(s) does not match current values in the "
                               "Planning page.%2")
                    .arg(what, QString::fromLatin1(kPlanningOverwritten)));
    }
    planning.overlapEdit()->setText(QString::number(record.OverlapWidth));
    // A value outside the lists (a device that reports no layout) leaves the choice as it was rather
    // than blanking the list.
    if (record.Justification < align->count()) align->setCurrentIndex(record.Justification);
    if (record.TotalProjectors >= 1 && record.TotalProjectors <= projectors->count()) {
        projectors->setCurrentIndex(record.TotalProjectors - 1);
        state.ProjectorCount = record.TotalProjectors;
    }
    connection.CheckKestrixCount();
    planning.RecomputeFromDeviceLayout();
}
