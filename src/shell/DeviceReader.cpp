#include "DeviceReader.h"

#include "ConnectionController.h"
#include "DeviceModel.h"
#include "Host.h"
#include "InformationPage.h"
#include "PlanningPage.h"
#include "WindowState.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace {
const char *const kPlanningOverwritten = " \rPlanning page values will be overwritten";
} // namespace

DeviceReader::DeviceReader(const Parts &parts, std::function<void()> refreshPages, QObject *parent)
    : QObject(parent), host(parts.host), model(parts.model), state(parts.model.state()),
      connection(parts.connection), info(parts.info), planning(parts.planning), window(parts.window),
      refreshPages(std::move(refreshPages)),
      readFlow(parts.engine, parts.host, parts.model, parts.queries, parts.connection.flow(), *this) {}

void DeviceReader::deviceCountShown(int count) {
    info.deviceCountLabel()->setText(QString::number(count));
}

// The page shows device 1's version only.
void DeviceReader::versionRead(int device, const QString &version) {
    if (device == 1) info.versionLabel()->setText(version);
}

void DeviceReader::allRead() {
    refreshPagesFromModel();
}

void DeviceReader::ReadfromKestrixs1Click() {
    reading = true;
    readFlow.readAll();
    reading = false;
    emit settingsReplaced(tr("New history after Read from Kestrix(s)"));
}

int DeviceReader::ReadDevice(int device) {
    const int result = readFlow.readDevice(device);
    emit settingsReplaced(tr("New history after Read from Kestrix(s)"));
    return result;
}

void DeviceReader::refreshPagesFromModel() {
    const bool wasRefreshing = state.Refreshing;
    state.Refreshing = true;
    info.ScreenInfoComboBoxChange();
    takeOverPlanningLayout();
    refreshPages();
    state.Refreshing = wasRefreshing;
    // A read says so once it is over; otherwise a file has just been loaded.
    if (!reading) emit settingsReplaced(tr("New history after Open Configuration File"));
}

// The Planning page takes the wall layout over from device 1's first output record.
void DeviceReader::takeOverPlanningLayout() {
    const OutputInfo &record = model.output(1, 1);
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
    setPlanningLayout();
    connection.flow().checkDeviceCount();
    planning.RecomputeFromDeviceLayout();
}

void DeviceReader::showPlanningLayout() {
    const bool wasRefreshing = state.Refreshing;
    state.Refreshing = true;
    setPlanningLayout();
    planning.RecomputeFromDeviceLayout();
    state.Refreshing = wasRefreshing;
}

void DeviceReader::setPlanningLayout() {
    const OutputInfo &record = model.output(1, 1);
    QComboBox *align = planning.imageAlignComboBox();
    QComboBox *projectors = planning.numOfScreenComboBox();
    planning.overlapEdit()->setText(QString::number(record.OverlapWidth));
    // A value outside the lists (a device that reports no layout) leaves the choice as it was rather
    // than blanking the list.
    if (record.Justification < align->count()) align->setCurrentIndex(record.Justification);
    if (record.TotalProjectors >= 1 && record.TotalProjectors <= projectors->count()) {
        projectors->setCurrentIndex(record.TotalProjectors - 1);
        state.ProjectorCount = record.TotalProjectors;
    }
}
