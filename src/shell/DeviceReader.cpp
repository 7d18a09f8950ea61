#include "DeviceReader.h"

#include "ConnectionController.h"
#include "DeviceModel.h"
#include "Host.h"
#include "InformationPage.h"
#include "PlanningPage.h"
#include "WindowState.h"

#include <QLabel>
#include <QLineEdit>

DeviceReader::DeviceReader(const Parts &parts, std::function<void()> refreshPages, QObject *parent)
    : QObject(parent), model(parts.model), state(parts.model.state()), connection(parts.connection),
      info(parts.info), planning(parts.planning), refreshPages(std::move(refreshPages)),
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
    readFlow.readAll();
}

void DeviceReader::refreshPagesFromModel(bool askDevices) {
    const bool wasRefreshing = state.Refreshing;
    state.Refreshing = true;
    info.ScreenInfoComboBoxChange();
    takeOverPlanningLayout(askDevices);
    refreshPages();
    state.Refreshing = wasRefreshing;
}

// The Planning page takes the wall layout over from device 1's first output record; the device count is
// checked against the taken-over projector count (unless the caller asks the devices nothing) before the
// page recomputes its plan from it.
void DeviceReader::takeOverPlanningLayout(bool askDevices) {
    planning.takeOverLayout(model.output(1, 1));
    if (askDevices) connection.flow().checkDeviceCount();
    planning.RecomputeFromDeviceLayout();
}
