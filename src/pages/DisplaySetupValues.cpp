// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the Display Setup page's controls as values, for sending everything the page shows.
#include "DisplaySetupPage.h"

#include "FieldEditor.h"
#include "FieldTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {
FieldValue integer(const QLineEdit *edit) {
    double value = 0;
    if (!edit || !FieldEditor::parse(FieldKind::Integer, edit->text(), value)) return std::nullopt;
    return int(value);
}

DecimalValue decimal(const QLineEdit *edit) {
    double value = 0;
    if (!edit || !FieldEditor::parse(FieldKind::Decimal, edit->text(), value)) return std::nullopt;
    return FieldEditor::sentValue(value); // as the device gets it
}
} // namespace

EdgeFeatherValues DisplaySetupPage::edgeFeather(int s, char edge) const {
    EdgeFeatherValues e;
    if (!screenHasEdge(s, edge)) return e;
    const EdgeNames n = edgeNames(s, edge);
    e.enable = child<QCheckBox>(n.enable)->isChecked() ? 1 : 0;
    e.gamma = decimal(child<QLineEdit>(n.gamma));
    e.width = integer(child<QLineEdit>(n.width));
    e.offset = integer(child<QLineEdit>(n.offset));
    return e;
}

ScreenOutputValues DisplaySetupPage::screenOutputs(int s) const {
    ScreenOutputValues v;
    if (s < 1 || s > 8) return v;
    const DisplayScreenControls &c = screens[s];
    v.pattern = c.pattern->currentIndex();
    v.raster = c.raster->isChecked() ? 1 : 0;
    v.grid = c.grid->isChecked() ? 1 : 0;
    v.black = integer(c.black);
    for (char edge : {'L', 'R'}) {
        HaloValues &halo = edge == 'L' ? v.leftHalo : v.rightHalo;
        if (screenHasHalo(s, edge)) {
            halo.width = integer(child<QLineEdit>(haloWidthName(s, edge)));
            halo.offset = integer(child<QLineEdit>(haloOffsetName(s, edge)));
        }
    }
    v.leftEdge = edgeFeather(s, 'L');
    v.rightEdge = edgeFeather(s, 'R');
    return v;
}

int DisplaySetupPage::dataDoublingChecked() const {
    return dataDouble->isChecked() ? 1 : 0;
}

int DisplaySetupPage::basicFeatheringChecked() const {
    return basicEnable->isChecked() ? 1 : 0;
}

DecimalValue DisplaySetupPage::basicGammaValue() const {
    return decimal(basicGamma);
}

int DisplaySetupPage::advancedModeChecked() const {
    return advancedMode->isChecked() ? 1 : 0;
}
