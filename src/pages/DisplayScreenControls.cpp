// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisplayScreenControls.h"

#include "FieldEditors.h"
#include "SpinButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const char *const kPatterns[] = {"Off",
                                 "Alignment Position",
                                 "1 Pixel On / 1 Pixel Off",
                                 "2 Pixel On / 2 Pixel Off",
                                 "Horizontal Bars",
                                 "Black",
                                 "Grey - 25%",
                                 "Grey - 50%",
                                 "Grey - 75%",
                                 "White",
                                 "Horizontal Ramp"};

QString sideText(const char *what, char edge) {
    return QString::fromLatin1(what) + QLatin1Char('(') + QLatin1Char(edge) + QLatin1Char(')');
}

// Adds a caption, a field and its spin button on one grid row; returns the three widgets.
QList<QWidget *> addFieldRow(QGridLayout *grid, int row, int column, const QString &caption,
                             const QString &field, QWidget *parent) {
    auto *label = new QLabel(caption, parent);
    QLineEdit *edit = FieldEditors::createField(field, parent);
    edit->setFixedWidth(44);
    SpinButton *spin = FieldEditors::createSpin(field, parent);
    grid->addWidget(label, row, column);
    auto *pair = new QHBoxLayout;
    pair->setSpacing(0);
    pair->addWidget(edit);
    pair->addWidget(spin);
    grid->addLayout(pair, row, column + 1);
    return {label, edit, spin};
}

QGroupBox *buildHalo(DisplayScreenControls &c, QWidget *parent) {
    const int s = c.screen;
    auto *halo = new QGroupBox(QObject::tr("Halo Removal"), parent);
    halo->setObjectName(QStringLiteral("Halo%1GroupBox").arg(s));
    auto *grid = new QGridLayout(halo);
    int row = 0;
    for (char edge : {'L', 'R'}) {
        if (!screenHasHalo(s, edge)) continue;
        QList<QWidget *> widgets =
            addFieldRow(grid, row, 0, sideText("Width", edge), haloWidthName(s, edge), halo);
        widgets += addFieldRow(grid, row++, 2, sideText("Offset", edge), haloOffsetName(s, edge), halo);
        if (edge == 'R' && s >= 2) c.rightEdge += widgets;
    }
    halo->hide(); // never shown
    return halo;
}

QGroupBox *buildEdgeFeather(DisplayScreenControls &c, QWidget *parent) {
    const int s = c.screen;
    auto *group = new QGroupBox(QObject::tr("Edge Feathering (Advanced)"), parent);
    group->setObjectName(QStringLiteral("EdgeFeather%1GroupBox").arg(s));
    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(2);
    auto *advanced = new QGroupBox(group);
    advanced->setObjectName(QStringLiteral("EdgeAdv%1GroupBox").arg(s));
    auto *advancedGrid = new QGridLayout(advanced);
    advancedGrid->setContentsMargins(4, 2, 4, 2);
    advancedGrid->setVerticalSpacing(2);
    int row = 0;
    int advancedRow = 0;
    // One edge per two rows (gamma, then its enable box) so that four screens fit side by side.
    for (char edge : {'L', 'R'}) {
        if (!screenHasEdge(s, edge)) continue;
        const EdgeNames names = edgeNames(s, edge);
        QList<QWidget *> widgets = addFieldRow(grid, row++, 0, sideText("Gamma", edge), names.gamma, group);
        auto *enable = new QCheckBox(QStringLiteral("Enable (%1)").arg(QLatin1Char(edge)), group);
        enable->setObjectName(names.enable);
        grid->addWidget(enable, row++, 1, 1, 2);
        if (edge == 'R' && s >= 2) c.rightEdge += widgets + QList<QWidget *>{enable};
        addFieldRow(advancedGrid, advancedRow++, 0, sideText("Width", edge), names.width, advanced);
        addFieldRow(advancedGrid, advancedRow++, 0, sideText("Offset", edge), names.offset, advanced);
    }
    grid->setColumnStretch(2, 1);
    grid->addWidget(advanced, row, 0, 1, 3);
    advanced->hide(); // the hidden switch on the Information page shows it
    c.edgeAdvanced = advanced;
    return group;
}

} // namespace

DisplayScreenControls DisplayScreenControls::build(int s, QWidget *parent) {
    DisplayScreenControls c;
    c.screen = s;
    c.group = new QGroupBox(QObject::tr("Screen %1 Controls").arg(s), parent);
    c.group->setObjectName(QStringLiteral("Screen%1GroupBox").arg(s));
    auto *grid = new QGridLayout(c.group);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(3);

    grid->addWidget(new QLabel(QObject::tr("Test Pattern"), c.group), 0, 0);
    c.pattern = new QComboBox(c.group);
    c.pattern->setObjectName(QStringLiteral("TestPattern%1ComboBox").arg(s));
    for (const char *item : kPatterns)
        c.pattern->addItem(QString::fromLatin1(item));
    c.pattern->setCurrentIndex(-1);
    grid->addWidget(c.pattern, 1, 0, 1, 2);

    c.grid = new QCheckBox(QObject::tr("Test Grid"), c.group);
    c.grid->setObjectName(QStringLiteral("TestGrid%1CheckBox").arg(s));
    c.raster = new QCheckBox(QObject::tr("Output Raster Box"), c.group);
    c.raster->setObjectName(QStringLiteral("OutputRaster%1CheckBox").arg(s));
    grid->addWidget(c.grid, 2, 0, 1, 2);
    grid->addWidget(c.raster, 3, 0, 1, 2);

    auto *blackRow = new QGridLayout;
    const QList<QWidget *> black = addFieldRow(blackRow, 0, 0, QObject::tr("Black Level "),
                                               QStringLiteral("Black%1Edit").arg(s), c.group);
    for (QWidget *w : black)
        w->setEnabled(false); // filled from the devices; the user does not edit it
    c.black = qobject_cast<QLineEdit *>(black[1]);
    blackRow->setColumnStretch(2, 1);
    grid->addLayout(blackRow, 4, 0, 1, 2);

    c.halo = buildHalo(c, c.group);
    grid->addWidget(c.halo, 5, 0, 1, 2);
    c.edgeFeather = buildEdgeFeather(c, c.group);
    grid->addWidget(c.edgeFeather, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);
    return c;
}
