// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QWidget;

// The controls of one screen's group on the Display Setup page, built from the field table.
struct DisplayScreenControls {
    int screen = 0;
    QGroupBox *group = nullptr;
    QComboBox *pattern = nullptr;
    QCheckBox *grid = nullptr;
    QCheckBox *raster = nullptr;
    QLineEdit *black = nullptr;
    QGroupBox *halo = nullptr;
    QGroupBox *edgeFeather = nullptr;
    QGroupBox *edgeAdvanced = nullptr;
    // What the arrangement for n projectors hides and shows of the right edge: the enable box, the
    // gamma label, field and spin button, and the right halo labels, fields and spin buttons.
    QList<QWidget *> rightEdge;

    // Builds "Screen s Controls" with every control named as the program's other parts expect.
    static DisplayScreenControls build(int screen, QWidget *parent);
};
