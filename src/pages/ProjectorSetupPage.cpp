// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectorSetupPage.h"

#include "CommandSet.h"
#include "RadioGroup.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// Pattern numbers of each group's items (the Display Setup list's item indices).
const std::array<QList<int>, 5> kPatterns{QList<int>{}, {0, 2, 3}, {0, 5, 4}, {0, 1}, {0, 5, 6, 7, 8, 9, 4}};
} // namespace

ProjectorSetupPage::ProjectorSetupPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ProjAlignTabSheet"));
    auto *layout = new QGridLayout(this);
    auto *note = new QLabel(
        tr("Note:  Please see projector documentation for correct projector adjustment instructions. "),
        this);
    layout->addWidget(note, 0, 0, 1, 2);

    rasterBox = new QCheckBox(tr("Output Raster Box"), this);
    rasterBox->setObjectName(QStringLiteral("ProjTest1RasterCheckBox"));
    gridBox = new QCheckBox(tr("Output Test Grid"), this);
    gridBox->setObjectName(QStringLiteral("ProjTest3GridCheckBox"));

    layout->addWidget(
        buildGroup(
            1, tr("Projector Phase"),
            {tr("Off"), tr("Resolution 1 Pixel ON/ 1 Pixel OFF"), tr("Resolution 2 Pixel ON/ 2 Pixel OFF")},
            1, rasterBox, tr("Projector Phase Adjust:"),
            tr("- Select a Resolution Test Pattern.\n- Adjust the projector's phase (or tracking) until the "
               "pixel pattern is sharp and stable across the whole image.")),
        1, 0);
    layout->addWidget(
        buildGroup(
            2, tr("Projector Input Size"),
            {tr("Off"), tr("Black with Raster Box"), tr("Gray Scale with Raster Box")}, 1, nullptr,
            tr("Projector Input Size Adjust:"),
            tr("- Select the Black Test Pattern With Raster Box\n- Adjust the projector's input size and "
               "position until the whole raster box is just visible on every edge.")),
        1, 1);
    layout->addWidget(
        buildGroup(
            3, tr("Image Overlap Alignment"), {tr("Off"), tr("Image Overlap Alignment with Raster Box")}, 1,
            gridBox, tr("Display Image Alignment:"),
            tr("- Move and zoom the projectors. Projectors will be correctly overlapped when the two broken "
               "Alignment lines from adjacent projectors combine to create a single solid vertical line.")),
        2, 0);
    layout->addWidget(
        buildGroup(4, tr("Projector Color Balance"),
                   {tr("Off"), tr("Black"), tr("Gray - 25%"), tr("Gray - 50%"), tr("Gray - 75%"), tr("White"),
                    tr("H Bars")},
                   3, nullptr, tr("Projector Color Balance Adjustment:"),
                   tr("- Use the grey and white patterns to match the colour and brightness of adjacent "
                      "projectors with the projectors' own controls.")),
        2, 1);
    layout->setRowStretch(3, 1);

    for (int k = 1; k <= 4; ++k)
        connect(groups[k], &RadioGroup::itemClicked, this, [this, k] { ProjTestRadioGroupClick(k); });
    connect(rasterBox, &QCheckBox::toggled, this, [this] { ProjTestRadioGroupClick(1); });
    connect(gridBox, &QCheckBox::toggled, this, [this] { ProjTestRadioGroupClick(3); });
}

QGroupBox *ProjectorSetupPage::buildGroup(int k, const QString &caption, const QStringList &items,
                                          int columns, QCheckBox *extra, const QString &heading,
                                          const QString &help) {
    auto *box = new QGroupBox(caption, this);
    box->setObjectName(QStringLiteral("ProjTest%1GroupBox").arg(k));
    auto *row = new QHBoxLayout(box);
    auto *left = new QVBoxLayout;
    groups[k] = new RadioGroup(tr("Test Patterns"), items, columns, box);
    groups[k]->setObjectName(QStringLiteral("ProjTest%1RadioGroup").arg(k));
    // The four groups share their item texts ("Off"): each item is named after its own group.
    for (int i = 0; i < items.size(); ++i)
        groups[k]->item(i)->setAccessibleName(QStringLiteral("%1: %2").arg(caption, items[i]));
    left->addWidget(groups[k]);
    if (extra) {
        extra->setParent(box);
        left->addWidget(extra);
        // Tab reaches the check box under the items after them, as it stands on the page.
        setTabOrder(groups[k]->item(items.size() - 1), extra);
    }
    left->addStretch(1);
    row->addLayout(left);
    auto *text = new QLabel(QStringLiteral("<b>%1</b><br>%2")
                                .arg(heading.toHtmlEscaped(), help.toHtmlEscaped().replace('\n', "<br>")),
                            box);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    row->addWidget(text, 1);
    return box;
}

void ProjectorSetupPage::attach(const PageContext &context) {
    ctx.emplace(context);
}

void ProjectorSetupPage::patternOf(int k, int &pattern, int &grid, int &raster) const {
    const int item = groups[k]->itemIndex();
    pattern = item >= 0 && item < kPatterns[k].size() ? kPatterns[k][item] : 0;
    grid = k == 3 && gridBox->isChecked() ? 1 : 0;
    raster = k == 1 ? (rasterBox->isChecked() ? 1 : 0) : (k == 2 || k == 3) && item > 0 ? 1 : 0;
}

void ProjectorSetupPage::ProjTestRadioGroupClick(int k) {
    if (!ctx || ctx->state.Refreshing) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy) return;
    // A check box clicked before any item: "Off" is taken (its own click finds the page busy).
    if ((k == 1 || k == 3) && groups[k]->itemIndex() < 0) groups[k]->setItemIndex(0);
    int pattern = 0, grid = 0, raster = 0;
    patternOf(k, pattern, grid, raster);
    // Channel 5 is all four channels; with the link down only the model and the Display Setup page change.
    ctx->commands.ForEveryDevice([&](int device) {
        ctx->commands.SendTestPattern(device, 5, pattern, raster, grid);
        RefreshingScope refreshing(ctx->state);
        emit testPatternsRefreshRequested(device == 1 ? 1 : 5, device == 1 ? 4 : 8);
    });
    RefreshingScope refreshing(ctx->state);
    for (int other = 1; other <= 4; ++other)
        if (other != k) groups[other]->setItemIndex(-1);
    if (k != 1) rasterBox->setChecked(false);
    if (k != 3) gridBox->setChecked(false);
}

void ProjectorSetupPage::clearSelections() {
    for (int k = 1; k <= 4; ++k)
        groups[k]->setItemIndex(-1);
}
