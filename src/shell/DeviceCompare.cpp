// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceCompare.h"

#include "CommandEngine.h"
#include "DeviceModel.h"
#include "DeviceReader.h"
#include "DifferencePush.h"
#include "Host.h"

#include <QWidget>

DeviceCompare::DeviceCompare(const Parts &parts, QObject *parent)
    : QObject(parent), engine(parts.engine), host(parts.host), model(parts.model), commands(parts.commands),
      reader(parts.reader), window(parts.window),
      chooser([this](const CompareFlow::Outcome &outcome) { return runDialog(outcome); }) {}

CompareDialog::Choice DeviceCompare::runDialog(const CompareFlow::Outcome &outcome) const {
    CompareDialog dialog(outcome.rows, outcome.devices, &window);
    dialog.exec();
    return dialog.choice();
}

// The menu guard holds CommandBusy throughout, the dialog included: nothing else talks to the devices
// between the read and what the user chooses to do with it.
void DeviceCompare::CompareWithKestrixs1Click() {
    if (!engine.LinkActive()) return;
    DeviceModel devices;
    const CompareFlow::Outcome outcome = CompareFlow(engine, host, model).compare(devices);
    if (!outcome.read) {
        if (!outcome.failure.isEmpty()) host.showMessage(outcome.failure);
        return;
    }
    switch (chooser(outcome)) {
    case CompareDialog::SendWindowValues:
        sendWindowValues(outcome.rows);
        break;
    case CompareDialog::TakeDeviceValues:
        takeDeviceValues(devices, outcome.rows);
        break;
    case CompareDialog::Close:
        break;
    }
}

// One batch, as Send Current Settings: the pages stay disabled from the first command to the last.
void DeviceCompare::sendWindowValues(const QList<Difference> &rows) {
    DifferencePush push(commands, model, host, [this] { return engine.LinkActive(); });
    CommandEngine::Batch batch(engine);
    push.send(rows);
}

void DeviceCompare::takeDeviceValues(const DeviceModel &devices, const QList<Difference> &rows) {
    model.applyImage(withDeviceValues(model.image(), devices.image(), rows));
    reader.refreshPagesFromModel(DeviceReader::Origin::Comparison);
}
