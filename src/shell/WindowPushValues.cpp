// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPushValues.h"

#include "DeviceModel.h"
#include "DisplaySetupPage.h"
#include "FieldEditor.h"
#include "FieldEditors.h"
#include "ModelAccessors.h"
#include "OverlapWidthControl.h"
#include "PageContext.h"
#include "PlanningPage.h"
#include "SeamRemovalPage.h"
#include "SourceSetupPage.h"

#include <QComboBox>
#include <QLineEdit>

#include <cstring>

int WindowPushValues::projectorCount() {
    return planning.projectors();
}

int WindowPushValues::justification() {
    return planning.alignment();
}

FieldValue WindowPushValues::overlapWidth() {
    double value = 0;
    if (!FieldEditor::parse(FieldKind::Integer, planning.overlapControl().text(), value)) return std::nullopt;
    return int(value);
}

namespace {
// The page shows what the model holds; values it shows that differ from it were typed by the user while
// nothing could be sent, and count as set.
void markHeld(HaloValues &halo, const OutputInfo &out, char side) {
    const bool left = side == 'L';
    const bool typed = halo.width != (left ? out.LeftHaloWidth : out.RightHaloWidth) ||
                       halo.offset != (left ? out.LeftHaloOffset : out.RightHaloOffset);
    halo.held = typed || OutputHeld::holds(out, OutputHeld::halo(side));
}

void markHeld(EdgeFeatherValues &edge, const OutputInfo &out, char side) {
    const bool left = side == 'L';
    const bool typed = edge.width != (left ? out.LeftGammaWidth : out.RightGammaWidth) ||
                       edge.offset != (left ? out.LeftGammaOffset : out.RightGammaOffset);
    edge.held = typed || OutputHeld::holds(out, OutputHeld::feather(side));
}
} // namespace

WindowPushValues::WindowPushValues(PlanningPage &planning, DisplaySetupPage &display, DeviceModel &model)
    : planning(planning), display(display), model(model), state(model.state()) {}

ScreenOutputValues WindowPushValues::screenOutputs(int screen) {
    ScreenOutputValues v = display.screenOutputs(screen);
    if (screen < 1 || screen > 8) return v;
    const OutputInfo &out = model.output(ScreenDevice(screen), ScreenChannel(screen));
    markHeld(v.leftHalo, out, 'L');
    markHeld(v.rightHalo, out, 'R');
    markHeld(v.leftEdge, out, 'L');
    markHeld(v.rightEdge, out, 'R');
    return v;
}

int WindowPushValues::dataDoubling() {
    return display.dataDoublingChecked();
}

int WindowPushValues::basicFeathering() {
    return display.basicFeatheringChecked();
}

DecimalValue WindowPushValues::basicGamma() {
    return display.basicGammaValue();
}

void WindowPushValues::outputsSent() {
    RefreshingScope refreshing(state);
    display.RefreshDisplayPage();
}

int WindowPushValues::advancedMode() {
    return display.advancedModeChecked();
}

void WindowPushInputs::selectScreen(int screen) {
    page.selectScreen(screen);
}

FieldValue WindowPushInputs::integer(const char *name) const {
    FieldEditor *e = page.fieldEditors()->editor(QString::fromLatin1(name));
    double value = 0;
    if (!e || !FieldEditor::parse(FieldKind::Integer, e->edit()->text(), value)) return std::nullopt;
    return int(value);
}

FieldValue WindowPushInputs::hPosition() {
    return integer("HPositionEdit");
}

FieldValue WindowPushInputs::vPosition() {
    return integer("VPositionEdit");
}

FieldValue WindowPushInputs::phase() {
    return integer("PhaseEdit");
}

void WindowPushInputs::sendColourBalance() {
    for (const char *colour : {"O", "R", "G", "B"})
        for (const char *what : {"Contrast", "Brightness"})
            page.fieldEditors()->EditExit(QStringLiteral("Left%1%2Edit").arg(colour, what));
}

WindowPushSeams::WindowPushSeams(SeamRemovalPage &page, DeviceModel &model) : page(page), model(model) {
    for (int d = 1; d <= 2; ++d)
        for (int c = 1; c <= 4; ++c) {
            Seam &seam = kept[d - 1][c - 1];
            std::memcpy(seam.gains, model.output(d, c).SeamGain, sizeof seam.gains);
            seam.bridge = model.output(d, c).SeamBridge;
        }
}

// The seam page shows what the model holds for the screen; after the re-read that is the device's old
// seam, so the one kept from before goes back into the model first.
void WindowPushSeams::selectScreen(int screen) {
    if (screen >= 1 && screen <= 8) {
        const Seam &seam = kept[ScreenDevice(screen) - 1][ScreenChannel(screen) - 1];
        model.editOutput(ScreenDevice(screen), ScreenChannel(screen), [&seam](OutputInfo &out) {
            std::memcpy(out.SeamGain, seam.gains, sizeof out.SeamGain);
            out.SeamBridge = seam.bridge;
        });
    }
    page.selectScreen(screen);
}

void WindowPushSeams::sendSeamGains() {
    for (int g = 1; g <= 8; ++g)
        page.fieldEditors()->EditExit(QStringLiteral("SeamGain%1Edit").arg(g));
}

int WindowPushSeams::bridge() {
    return page.bridgeSingleChecked() ? 1 : 0;
}
