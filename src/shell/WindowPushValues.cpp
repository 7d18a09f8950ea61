#include "WindowPushValues.h"

#include "DisplaySetupPage.h"
#include "FieldEditor.h"
#include "FieldEditors.h"
#include "PageContext.h"
#include "PlanningPage.h"
#include "SeamRemovalPage.h"
#include "SourceSetupPage.h"

#include <QComboBox>
#include <QLineEdit>

int WindowPushValues::projectorCount() {
    return planning.numOfScreenComboBox()->currentIndex() + 1;
}

int WindowPushValues::justification() {
    return planning.imageAlignComboBox()->currentIndex();
}

FieldValue WindowPushValues::overlapWidth() {
    double value = 0;
    if (!FieldEditor::parse(FieldKind::Integer, display.overlapWidthEdit()->text(), value))
        return std::nullopt;
    return int(value);
}

ScreenOutputValues WindowPushValues::screenOutputs(int screen) {
    return display.screenOutputs(screen);
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

void WindowPushSeams::selectScreen(int screen) {
    page.selectScreen(screen);
}

void WindowPushSeams::sendSeamGains() {
    for (int g = 1; g <= 8; ++g)
        page.fieldEditors()->EditExit(QStringLiteral("SeamGain%1Edit").arg(g));
}

int WindowPushSeams::bridge() {
    return page.bridgeSingleChecked() ? 1 : 0;
}
