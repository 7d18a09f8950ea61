// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PageContext.h"

#include <QWidget>

#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class RadioGroup;

// The "Projector Setup" page: four groups that each put one test pattern on every channel of every
// device at once, for adjusting the projectors themselves. The Display Setup page mirrors the choice.
class ProjectorSetupPage : public QWidget {
    Q_OBJECT
public:
    explicit ProjectorSetupPage(QWidget *parent = nullptr);

    // Before this the handlers do nothing.
    void attach(const PageContext &context);

    // The click handling of group 1..4 (its radio items and its check box).
    void ProjTestRadioGroupClick(int group);
    // No group shows a selection any more; the check boxes keep their state.
    void clearSelections();

    RadioGroup *radioGroup(int group) const { return groups[group]; }

signals:
    // The Display Setup page shows the model's test pattern of these screens again.
    void testPatternsRefreshRequested(int firstScreen, int lastScreen);

private:
    QGroupBox *buildGroup(int group, const QString &caption, const QStringList &items, int columns,
                          QCheckBox *extra, const QString &heading, const QString &help);
    void patternOf(int group, int &pattern, int &grid, int &raster) const;

    std::optional<PageContext> ctx;
    std::array<RadioGroup *, 5> groups{}; // 1..4
    QCheckBox *rasterBox = nullptr;       // group 1
    QCheckBox *gridBox = nullptr;         // group 3
};
