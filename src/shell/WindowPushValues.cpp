#include "WindowPushValues.h"

#include "DisplaySetupPage.h"
#include "FieldEditor.h"
#include "PageContext.h"
#include "PlanningPage.h"

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
