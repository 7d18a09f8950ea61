// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControlNames.h"

#include "FieldTable.h"
#include "ListAccessible.h"

#include <QWidget>

namespace {

struct ControlName {
    const char *objectName; // "%1" stands for the screen 1..8
    const char *name;       // "%1" likewise
    const char *toolTip;    // empty for none
};

const ControlName kControlNames[] = {
    // Planning
    {"HorizontalOutEdit", "Output screen width", "The wall's width, in any unit (the same as its height)"},
    {"VerticalOutEdit", "Output screen height", "The wall's height, in the unit of its width"},
    {"ProjectorResComboBox", "Projector resolution", ""},
    {"NumOfScreenComboBox", "Number of projectors", "1 to 8 projectors; more than 4 need two Kestrix"},
    {"ImageAlignComboBox", "Image alignment", ""},
    {"OWidthPlanningEdit", "Planned overlap width", "64 to half the projector width (pixels)"},
    {"OWidthPlanningUpDown", "Planned overlap width up/down", "64 to half the projector width (pixels)"},
    {"ImageContentInfoMemo", "Image content creation requirement", ""},
    // Source Setup
    {"HTotalEdit", "H total", "Pixels per line of the input, as the device measures it"},
    // Display Setup
    {"TestPattern%1ComboBox", "Screen %1 test pattern", ""},
    {"TestGrid%1CheckBox", "Screen %1 test grid", ""},
    {"OutputRaster%1CheckBox", "Screen %1 output raster box", ""},
    {"BasicEdgeFeatheringCheckBox", "Basic edge feathering", ""},
    {"AdvanceModeCheckBox", "Advanced edge feathering mode", ""},
    {"EnDataDoubleCheckBox", "Data doubling", ""},
    {"OWidthEdit", "Overlap width", "64 to half the projector width (pixels)"},
    {"OWidthUpDown", "Overlap width up/down", "64 to half the projector width (pixels)"},
    // Information
    {"AdTerminal1", "Terminal", "What the devices send; typed keys go to the port"},
    {"ScreenInfoComboBox", "Screen shown", ""},
    {"BaudComboBox", "Baud rate", ""},
    {"KestrixID1Edit", "Kestrix 1 RS-485 ID", "1 to 32"},
    {"KestrixID2Edit", "Kestrix 2 RS-485 ID", "1 to 32"},
    {"RS485CheckBox", "Controller (RS-485)", ""},
};

void name(QWidget *root, const QString &objectName, const QString &name, const QString &toolTip) {
    for (QWidget *w : root->findChildren<QWidget *>(objectName)) {
        w->setAccessibleName(name);
        if (!toolTip.isEmpty()) w->setToolTip(toolTip);
    }
}

} // namespace

void nameControls(QWidget *root) {
    for (const ControlName &c : kControlNames) {
        const QString objectName = QString::fromLatin1(c.objectName);
        const QString text = QString::fromLatin1(c.name);
        const QString tip = QString::fromLatin1(c.toolTip);
        if (!objectName.contains(QLatin1String("%1"))) {
            name(root, objectName, text, tip);
            continue;
        }
        for (int screen = 1; screen <= 8; ++screen)
            name(root, objectName.arg(screen), text.arg(screen), tip);
    }
    // The edge enable boxes, by the field table's names of each screen's edges.
    for (int screen = 1; screen <= 8; ++screen)
        for (char edge : {'L', 'R'})
            if (screenHasEdge(screen, edge))
                name(root, edgeNames(screen, edge).enable,
                     QStringLiteral("Screen %1 Edge feathering (%2)").arg(screen).arg(QLatin1Char(edge)),
                     QString());
    installListAccessible(root); // the lists say the names given here, not their current item
}
