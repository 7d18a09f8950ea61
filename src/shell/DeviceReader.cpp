#include "DeviceReader.h"

#include "ConnectionController.h"
#include "DeviceModel.h"
#include "Host.h"
#include "InformationPage.h"
#include "PlanningPage.h"
#include "WindowState.h"

#include <QComboBox>
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
    info.showDeviceCount(count);
}

void DeviceReader::versionRead(int device, const QString &version) {
    info.showVersion(device, version);
}

void DeviceReader::allRead() {
    refreshPagesFromModel();
}

void DeviceReader::ReadfromKestrixs1Click() {
    readFlow.readAll();
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
    planning.overlapEdit()->setText(QString::number(record.OverlapWidth));
    // A value outside the lists (a device that reports no layout) leaves the choice as it was rather
    // than blanking the list.
    if (record.Justification < align->count()) align->setCurrentIndex(record.Justification);
    if (record.TotalProjectors >= 1 && record.TotalProjectors <= projectors->count()) {
        projectors->setCurrentIndex(record.TotalProjectors - 1);
        state.ProjectorCount = record.TotalProjectors;
    }
    connection.flow().checkDeviceCount();
    planning.RecomputeFromDeviceLayout();
}
