// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportExport.h"

#include "BlendPreviewPage.h"
#include "CommandEngine.h"
#include "CommissioningReport.h"
#include "DeviceModel.h"
#include "Host.h"
#include "PlanningPage.h"
#include "TApdComPort.h"

#include <QDateTime>
#include <QFileDialog>
#include <QInputDialog>
#include <QWidget>

#include <algorithm>

namespace {
const char *const kNoteCaption = "Lumivane - Commissioning Report";
const char *const kNoteLabel = "Site note (where, what, who; printed under the date):";
const char *const kPdfFilter = "PDF documents (*.pdf)";
} // namespace

ReportExport::ReportExport(const Parts &parts, QObject *parent)
    : QObject(parent), host(parts.host), model(parts.model), engine(parts.engine), planning(parts.planning),
      preview(parts.preview), window(parts.window), noteDialog([this] { return runNoteDialog(); }),
      saveDialog([this] { return runSaveDialog(); }) {}

std::optional<QString> ReportExport::runNoteDialog() const {
    QInputDialog dialog(&window);
    dialog.setObjectName(QStringLiteral("SiteNoteDialog"));
    dialog.setWindowTitle(QString::fromLatin1(kNoteCaption));
    dialog.setLabelText(QString::fromLatin1(kNoteLabel));
    dialog.setOption(QInputDialog::UsePlainTextEditForTextInput);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

QString ReportExport::runSaveDialog() const {
    QFileDialog dialog(&window);
    dialog.setObjectName(QStringLiteral("ReportSaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromLatin1(kPdfFilter));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

void ReportExport::settingsReplaced(const QString &, DeviceReader::Origin origin) {
    replacedBy = origin;
    replacedImage = model.image();
}

report::Source ReportExport::source(const QString &siteNote) const {
    const WindowState &state = model.state();
    const bool linked = engine.LinkActive();
    const bool controller = engine.controllerMode();
    report::Source s;
    s.written = QDateTime::currentDateTime();
    s.siteNote = siteNote;
    s.image = model.image();

    report::Plan &plan = s.plan;
    plan.screenWidth = state.ScreenWidth;
    plan.screenHeight = state.ScreenHeight;
    plan.projectorResH = int(state.ProjectorResH);
    plan.projectorResV = int(state.ProjectorResV);
    plan.projectorWidth = state.ProjectorResH;
    plan.projectors = planning.projectors();
    plan.centred = planning.alignment() == 1;
    plan.overlap = int(state.OverlapEditValue);
    plan.overlapPixels = state.OverlapPixels;
    plan.imageWidth = state.ImageWidth;
    plan.imageHeight = state.ImageHeight;

    // The devices in use, or as many as the wall needs when none is connected.
    s.devices = linked ? std::clamp(state.DeviceCount, 1, 2)
                       : std::max(report::devicesIn(s.image), plan.projectors > 4 ? 2 : 1);
    s.origin = QStringLiteral("the Lumivane window");
    if (replacedBy) {
        switch (*replacedBy) {
        case DeviceReader::Origin::Read:
            s.origin += QStringLiteral(", as read from the Kestrix(s)");
            break;
        case DeviceReader::Origin::File:
            s.origin += QStringLiteral(", as loaded from a file");
            break;
        case DeviceReader::Origin::Comparison:
            s.origin += QStringLiteral(", as taken from the Kestrix(s) in a comparison");
            break;
        }
        // Edits that were taken back (undone, reverted) leave the records as they came.
        if (model.image() != replacedImage) s.origin += QStringLiteral(" and edited since");
    }
    s.idsKnown = linked;
    s.versionsKnown = state.ModelFromDevices != 0;
    for (int d = 1; d <= 2; ++d)
        s.info[d] = {linked && controller ? state.DeviceIds[d] : 0, model.system(d).version()};

    const TApdComPort &port = engine.port();
    s.link = {
        QStringLiteral("Port: %1 (COM %2), %3")
            .arg(port.devicePath())
            .arg(port.ComNumber())
            .arg(port.isOpen() ? QStringLiteral("open") : QStringLiteral("closed")),
        QStringLiteral("Baud: %1").arg(port.Baud()),
        QStringLiteral("Mode: %1")
            .arg(controller ? QStringLiteral("through the Controller (RS-485)")
                            : QStringLiteral("direct (RS-232)")),
        QStringLiteral("Link: %1").arg(linked ? QStringLiteral("established") : QStringLiteral("down"))};

    // The Blend Preview's own wall: its plan, its projector gamma.
    preview.refresh();
    s.blend = preview.wall().input;
    return s;
}

void ReportExport::ExportCommissioningReport1Click() {
    const std::optional<QString> note = noteDialog();
    if (!note) return;
    const QString path = saveDialog();
    if (path.isEmpty()) return;
    host.setBusyCursor(true);
    QString error;
    const bool written = report::writePdf(source(*note), path, &error);
    host.setBusyCursor(false);
    if (!written)
        host.showMessage(QStringLiteral("Error! The commissioning report could not be written to %1: %2")
                             .arg(path, error));
}
