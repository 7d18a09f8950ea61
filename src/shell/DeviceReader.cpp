// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceReader.h"

#include "ConnectionController.h"
#include "DeviceModel.h"
#include "Host.h"
#include "InformationPage.h"
#include "PlanningPage.h"
#include "WindowState.h"

DeviceReader::DeviceReader(const Parts &parts, std::function<void()> refreshPages, QObject *parent)
    : QObject(parent), model(parts.model), state(parts.model.state()), connection(parts.connection),
      info(parts.info), planning(parts.planning), refreshPages(std::move(refreshPages)),
      readFlow(parts.engine, parts.host, parts.model, parts.queries, parts.connection.flow(), *this) {
    // After a factory reset the devices hold their defaults: the pages show them once read back.
    connect(&info, &InformationPage::devicesReset, this, &DeviceReader::ReadfromKestrixs1Click);
}

void DeviceReader::deviceCountShown(int count) {
    info.showDeviceCount(count);
}

void DeviceReader::versionRead(int device, const QString &version) {
    info.showVersion(device, version);
}

void DeviceReader::allRead() {
    refreshPagesFromModel(Origin::Read);
}

void DeviceReader::ReadfromKestrixs1Click() {
    readFlow.readAll();
    emit settingsReplaced(tr("New history after Read from Kestrix(s)"), Origin::Read);
}

bool DeviceReader::readForCalculation() {
    const bool read = readFlow.readForCalculation();
    emit settingsReplaced(tr("New history after Read from Kestrix(s)"), Origin::Read);
    return read;
}

void DeviceReader::refreshPagesFromModel(Origin origin) {
    const bool wasRefreshing = state.Refreshing;
    state.Refreshing = true;
    info.ScreenInfoComboBoxChange();
    takeOverPlanningLayout(origin != Origin::Comparison);
    refreshPages();
    state.Refreshing = wasRefreshing;
    if (origin == Origin::File)
        emit settingsReplaced(tr("New history after Open Configuration File"), origin);
    else if (origin == Origin::Comparison)
        emit settingsReplaced(tr("New history after taking the values of Compare with Kestrix(s)"), origin);
}

// The Planning page takes the wall layout over from device 1's first output record; the device count is
// checked against the taken-over projector count (unless the caller asks the devices nothing) before the
// page recomputes its plan from it.
void DeviceReader::takeOverPlanningLayout(bool askDevices) {
    planning.takeOverLayout(model.output(1, 1));
    if (askDevices) connection.flow().checkDeviceCount();
    planning.RecomputeFromDeviceLayout();
}

void DeviceReader::showPlanningLayout() {
    const bool wasRefreshing = state.Refreshing;
    state.Refreshing = true;
    planning.showLayout(model.output(1, 1));
    planning.RecomputeFromDeviceLayout();
    state.Refreshing = wasRefreshing;
}
