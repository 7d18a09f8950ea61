// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisplaySetupPage.h"

#include "CommandSet.h"
#include "DeviceModel.h"
#include "FieldEditors.h"
#include "Host.h"
#include "ModelAccessors.h"
#include "OverlapWidthControl.h"
#include "RadioGroup.h"
#include "SettingRanges.h"
#include "SpinButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>

DisplaySetupPage::DisplaySetupPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DisplaySetupTabSheet"));
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildScreenPages(), 0, 0, 1, 2);
    layout->addWidget(buildSystemControls(), 1, 0);
    layout->addWidget(buildHelpPanel(), 1, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(0, 1);
    ArrangeSystemGroups(1);
    ArrangeScreens(1);
    applyAdvancedVisibility();
}

DisplaySetupPage::~DisplaySetupPage() = default;

bool DisplaySetupPage::eventFilter(QObject *watched, QEvent *event) {
    if (watched == screenPageControl && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool pageKey = (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
                             (key->modifiers() & Qt::ControlModifier);
        if (pageKey) {
            const int count = screenPageControl->count();
            for (int step = 1; step < count; ++step) {
                const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
                const int tab = (screenPageControl->currentIndex() + (back ? count - step : step)) % count;
                if (screenPageControl->isTabVisible(tab) && screenPageControl->isTabEnabled(tab)) {
                    screenPageControl->setCurrentIndex(tab);
                    break;
                }
            }
            return true; // no other tab shown: nothing changes
        }
    }
    return QWidget::eventFilter(watched, event);
}

QWidget *DisplaySetupPage::buildScreenPages() {
    screenPageControl = new QTabWidget(this);
    screenPageControl->setObjectName(QStringLiteral("ScreenPageControl"));
    screenPageControl->setDocumentMode(true);
    const char *const sheets[] = {"Screen14TabSheet", "Screen58TabSheet"};
    const char *const captions[] = {"Screens 1-4 Controls", "Screen 5-8 Controls"};
    for (int page = 0; page < 2; ++page) {
        auto *sheet = new QWidget(screenPageControl);
        sheet->setObjectName(QString::fromLatin1(sheets[page]));
        auto *row = new QHBoxLayout(sheet);
        row->setContentsMargins(2, 2, 2, 2);
        for (int s = page * 4 + 1; s <= page * 4 + 4; ++s) {
            screens[s] = DisplayScreenControls::build(s, sheet);
            // A quarter of the row each, so that a screen keeps its place whatever the projector count.
            screens[s].group->setFixedWidth(214);
            row->addWidget(screens[s].group);
        }
        row->addStretch(1);
        // The window has a fixed size and the service rows make a screen taller than it leaves room
        // for: the page scrolls rather than squashing the fields.
        auto *scroll = new QScrollArea(screenPageControl);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setWidgetResizable(true);
        scroll->setWidget(sheet);
        screenPageControl->addTab(scroll, tr(captions[page]));
        // It only scrolls: a press on a control that takes no focus (a spin button) must not give the
        // focus to the area and so end the editing of the field beside it. Set once the area has its
        // page: setting the area up gives it its own policy again.
        scroll->setFocusPolicy(Qt::NoFocus);
    }
    screenPageControl->setEnabled(false); // the planning calculation enables it
    // Ctrl+Tab would show the second row of screens also while its tab is hidden.
    screenPageControl->installEventFilter(this);
    return screenPageControl;
}

QWidget *DisplaySetupPage::buildSystemControls() {
    auto *box = new QWidget(this);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);

    basicGroup = new QGroupBox(tr("Edge Feathering Basic Mode"), box);
    basicGroup->setObjectName(QStringLiteral("EdgeFeatherBasicGroupBox"));
    auto *basic = new QHBoxLayout(basicGroup);
    basicEnable = new QCheckBox(tr("Enable "), basicGroup);
    basicEnable->setObjectName(QStringLiteral("BasicEdgeFeatheringCheckBox"));
    basicEnable->setEnabled(false);
    basicGamma = FieldEditors::createField(QStringLiteral("BasicGammaEdit"), basicGroup);
    basicGamma->setFixedWidth(44);
    basicGamma->setEnabled(false);
    basicGammaSpin = FieldEditors::createSpin(QStringLiteral("BasicGammaEdit"), basicGroup);
    basicGammaSpin->setEnabled(false);
    basic->addWidget(basicEnable);
    basic->addWidget(new QLabel(tr("Gamma"), basicGroup));
    basic->addWidget(basicGamma);
    basic->addWidget(basicGammaSpin);
    basic->addStretch(1);
    grid->addWidget(basicGroup, 0, 0);

    advancedMode = new QCheckBox(tr("Edge Feathering Advanced Mode"), box);
    advancedMode->setObjectName(QStringLiteral("AdvanceModeCheckBox"));
    grid->addWidget(advancedMode, 0, 1);

    featherCurve = new RadioGroup(tr("Feather Curve"), {tr("S-Curve"), tr("Linear")}, 2, box);
    featherCurve->setObjectName(QStringLiteral("FeatherRadioGroup"));
    featherCurve->hide(); // the hidden switch on the Information page shows it
    grid->addWidget(featherCurve, 1, 1);

    dataDoubleGroup = new QGroupBox(tr("Data Doubling"), box);
    dataDoubleGroup->setObjectName(QStringLiteral("DataDoubleGroupBox"));
    auto *doubling = new QHBoxLayout(dataDoubleGroup);
    dataDouble = new QCheckBox(tr("Enable"), dataDoubleGroup);
    dataDouble->setObjectName(QStringLiteral("EnDataDoubleCheckBox"));
    overlapWidth = new QLineEdit(QStringLiteral("64"), dataDoubleGroup);
    overlapWidth->setObjectName(QStringLiteral("OWidthEdit"));
    overlapWidth->setFixedWidth(44);
    overlapWidthSpin = new SpinButton(dataDoubleGroup);
    overlapWidthSpin->setObjectName(QStringLiteral("OWidthUpDown"));
    doubling->addWidget(dataDouble);
    doubling->addWidget(new QLabel(tr("Overlap Width"), dataDoubleGroup));
    doubling->addWidget(overlapWidth);
    doubling->addWidget(overlapWidthSpin);
    doubling->addStretch(1);
    grid->addWidget(dataDoubleGroup, 1, 0);

    systemSave = new QPushButton(tr("System Save Kestrix(s)"), box);
    systemSave->setObjectName(QStringLiteral("Button1"));
    grid->addWidget(systemSave, 2, 1, Qt::AlignLeft);
    grid->setRowStretch(3, 1);
    box->setMinimumWidth(440);
    return box;
}

QWidget *DisplaySetupPage::buildHelpPanel() {
    auto *panel = new QWidget(this);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 0, 0, 0);
    layout->setSpacing(4);
    const QStringList texts{
        tr("EDGE FEATHERING BASIC MODE: In this mode, all Edge Feathered regions are enabled and set to a "
           "single "
           "common Gamma value as a group."),
        tr("EDGE FEATHERING ADVANCED MODE: Each edge of each screen has its own Enable and Gamma value."),
        tr("OUTPUT RASTER BOX: Draws a one pixel box around the edge of the projector's output."),
        tr("TEST GRID: Overlays a grid on the selected test pattern."),
        tr("BLACK LEVEL: Raises the black level of the non-overlapped regions to match the overlaps."),
        tr("DATA DOUBLING OVERLAP WIDTH: The width in pixels of the overlap between adjacent projectors.")};
    for (const QString &text : texts) {
        auto *label = new QLabel(text, panel);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    haloHelp =
        new QLabel(tr("HALO REMOVAL: Adjusts the width and offset of the halo at each overlap edge."), panel);
    haloHelp->setWordWrap(true);
    haloHelp->hide(); // hidden with the halo groups
    layout->addWidget(haloHelp);
    layout->addStretch(1);
    QFont small = panel->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    panel->setFont(small);
    return panel;
}

void DisplaySetupPage::attach(const PageContext &context) {
    ctx.emplace(context);
    editors = new FieldEditors(context, this, this);
    editors->bind({FamilyId::BlackLevel, FamilyId::HaloWidth, FamilyId::HaloOffset, FamilyId::EdgeGamma,
                   FamilyId::FeatherWidth, FamilyId::FeatherOffset, FamilyId::BasicGamma});
    editors->setRestore(FamilyId::BlackLevel, [this](int screen) { RefreshBlackLevel(screen); });
    editors->setRestore(FamilyId::BasicGamma, [this](int) { RefreshBasicFeather(); });
    for (FamilyId edge : {FamilyId::EdgeGamma, FamilyId::FeatherWidth, FamilyId::FeatherOffset})
        editors->setSender(edge, [this](const FieldSend &w) { sendEdge(w.screen, w.row.edge); });
    editors->setSender(FamilyId::BasicGamma, [this](const FieldSend &w) {
        ctx->commands.SendBasicFeather(w.device, basicEnable->isChecked() ? 1 : 0, w.value);
    });
    wireHandlers();
}

void DisplaySetupPage::wireHandlers() {
    for (int s = 1; s <= 8; ++s) {
        const DisplayScreenControls &c = screens[s];
        // activated, not currentIndexChanged: a list item selected by a refresh must not send.
        connect(c.pattern, &QComboBox::activated, this, [this, s] { TestPatternComboBoxChange(s); });
        connect(c.grid, &QCheckBox::toggled, this, [this, s] { TestPatternComboBoxChange(s); });
        connect(c.raster, &QCheckBox::toggled, this, [this, s] { TestPatternComboBoxChange(s); });
        for (char edge : {'L', 'R'}) {
            if (!screenHasEdge(s, edge)) continue;
            const EdgeNames names = edgeNames(s, edge);
            // The enable box validates the edge's gamma and, when it is valid, sends the whole edge.
            connect(child<QCheckBox>(names.enable), &QCheckBox::toggled, this,
                    [this, gamma = names.gamma] { editors->EditExit(gamma); });
        }
    }
    connect(advancedMode, &QCheckBox::toggled, this, &DisplaySetupPage::AdvanceModeCheckBoxClick);
    connect(basicEnable, &QCheckBox::toggled, this, &DisplaySetupPage::BasicEdgeFeatheringCheckBoxClick);
    connect(dataDouble, &QCheckBox::toggled, this, &DisplaySetupPage::EnDataDoubleCheckBoxClick);
    connect(featherCurve, &RadioGroup::itemClicked, this, &DisplaySetupPage::FeatherRadioGroupClick);
    connect(systemSave, &QPushButton::clicked, this, &DisplaySetupPage::SystemSaveButtonClick);
}

bool DisplaySetupPage::canSend() const {
    return ctx && !ctx->state.Refreshing && ctx->LinkActive();
}

void DisplaySetupPage::ArrangeSystemGroups(int n) {
    projectorCount = n;
    dataDoubleGroup->setVisible(n >= 2);
    advancedMode->setVisible(n >= 2);
    applyAdvancedVisibility();
}

void DisplaySetupPage::ArrangeScreens(int n) {
    for (int s = 1; s <= 8; ++s) {
        screens[s].group->hide();
        if (s >= 2)
            for (QWidget *w : screens[s].rightEdge)
                w->hide();
    }
    screenPageControl->setTabVisible(1, false);
    for (int k = n; k >= 1; --k) {
        screens[k].group->show();
        if (k >= 2 && k <= n - 1)
            for (QWidget *w : screens[k].rightEdge)
                w->show();
    }
    // The halo controls stay hidden inside their never-shown groups.
    if (n >= 5) screenPageControl->setTabVisible(1, true);
}

// The basic group while advanced mode is off (and there are edges to feather), the per-screen groups
// while it is on.
void DisplaySetupPage::applyAdvancedVisibility() {
    const bool advanced = advancedMode->isChecked();
    basicGroup->setVisible(!advanced && projectorCount >= 2);
    for (int s = 1; s <= 8; ++s)
        screens[s].edgeFeather->setVisible(advanced);
}

void DisplaySetupPage::TestPatternComboBoxChange(int s) {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy) return;
    ClearProjectorTestPatterns();
    if (!canSend()) return;
    const DisplayScreenControls &c = screens[s];
    // A check box clicked before any pattern was chosen: the devices take patterns 0..10 only and refuse
    // anything else, so the list takes "Off" as the Projector Setup groups do.
    if (c.pattern->currentIndex() < 0) c.pattern->setCurrentIndex(0);
    ctx->commands.SendTestPattern(ScreenDevice(s), ScreenChannel(s), c.pattern->currentIndex(),
                                  c.raster->isChecked() ? 1 : 0, c.grid->isChecked() ? 1 : 0);
}

void DisplaySetupPage::AdvanceModeCheckBoxClick() {
    if (ctx) {
        BusyScope busy(ctx->state.CommandBusy);
        if (busy && canSend()) {
            const int advanced = advancedMode->isChecked() ? 1 : 0;
            ctx->commands.ForEveryDevice([&](int d) { ctx->commands.SendFeatherMode(d, advanced); });
        }
    }
    // Whatever was sent (the devices' replies may have changed the box), the groups follow the box.
    applyAdvancedVisibility();
}

void DisplaySetupPage::BasicEdgeFeatheringCheckBoxClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend()) return;
    double gamma = 0;
    if (!FieldEditor::parse(FieldKind::Decimal, basicGamma->text(), gamma)) {
        ctx->host.showMessage(QStringLiteral("Error! '") + basicGamma->text() +
                              fieldFamily(FamilyId::BasicGamma).noun);
        return;
    }
    // The device takes one decimal: the field shows what it gets.
    if (FieldEditor::sentValue(gamma) != gamma) {
        gamma = FieldEditor::sentValue(gamma);
        basicGamma->setText(FieldEditor::sentText(gamma));
    }
    const int enable = basicEnable->isChecked() ? 1 : 0;
    ctx->commands.ForEveryDevice([&](int d) { ctx->commands.SendBasicFeather(d, enable, gamma); });
}

void DisplaySetupPage::EnDataDoubleCheckBoxClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend()) return;
    const int on = dataDouble->isChecked() ? 1 : 0;
    ctx->commands.ForEveryDevice([&](int d) { ctx->commands.SendDataDoubling(d, on); });
}

void DisplaySetupPage::FeatherRadioGroupClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend() || featherCurve->itemIndex() < 0) return;
    const int item = featherCurve->itemIndex();
    ctx->commands.ForEveryDevice([&](int d) { ctx->commands.SendFeatherCurve(d, item); });
}

void DisplaySetupPage::setServiceGroupsVisible(bool visible) {
    featherCurve->setVisible(visible);
    for (int s = 1; s <= 8; ++s)
        screens[s].edgeAdvanced->setVisible(visible);
}

void DisplaySetupPage::SystemSaveButtonClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend()) return;
    ctx->commands.ForEveryDevice([&](int d) { ctx->commands.SendSystemSave(d); });
}

void DisplaySetupPage::RefreshTestPattern(int s) {
    const OutputInfo &out = ctx->model.output(ScreenDevice(s), ScreenChannel(s));
    screens[s].pattern->setCurrentIndex(out.TestPattern <= 10 ? out.TestPattern : -1);
    screens[s].grid->setChecked(out.TestGrid != 0);
    screens[s].raster->setChecked(out.OutputRaster != 0);
}

void DisplaySetupPage::RefreshBlackLevel(int s) {
    screens[s].black->setText(
        QString::number(ctx->model.output(ScreenDevice(s), ScreenChannel(s)).BlackLevel));
}

void DisplaySetupPage::RefreshHalo(int s) {
    const OutputInfo &out = ctx->model.output(ScreenDevice(s), ScreenChannel(s));
    for (char edge : {'L', 'R'}) {
        if (!screenHasHalo(s, edge)) continue;
        child<QLineEdit>(haloWidthName(s, edge))
            ->setText(QString::number(edge == 'L' ? out.LeftHaloWidth : out.RightHaloWidth));
        child<QLineEdit>(haloOffsetName(s, edge))
            ->setText(QString::number(edge == 'L' ? out.LeftHaloOffset : out.RightHaloOffset));
    }
}

void DisplaySetupPage::RefreshEdgeFeather(int s) {
    const OutputInfo &out = ctx->model.output(ScreenDevice(s), ScreenChannel(s));
    for (char edge : {'L', 'R'}) {
        if (!screenHasEdge(s, edge)) continue;
        const EdgeNames n = edgeNames(s, edge);
        const bool left = edge == 'L';
        child<QLineEdit>(n.gamma)->setText(
            QString::number(left ? out.LeftGamma : out.RightGamma, 'g', SettingRanges::GammaDigits));
        child<QLineEdit>(n.width)->setText(QString::number(left ? out.LeftGammaWidth : out.RightGammaWidth));
        child<QLineEdit>(n.offset)->setText(
            QString::number(left ? out.LeftGammaOffset : out.RightGammaOffset));
        child<QCheckBox>(n.enable)->setChecked((left ? out.LeftFeathering : out.RightFeathering) != 0);
    }
}

void DisplaySetupPage::RefreshBasicFeather() {
    const OutputInfo &system = ctx->model.output(1, 1);
    basicGamma->setText(QString::number(system.BasicGamma, 'g', SettingRanges::GammaDigits));
    basicEnable->setChecked(system.BasicFeathering != 0);
}

void DisplaySetupPage::RefreshDataDoubling() {
    const OutputInfo &system = ctx->model.output(1, 1);
    overlapWidth->setText(QString::number(system.OverlapWidth));
    dataDouble->setChecked(system.DataDoubling != 0);
}

void DisplaySetupPage::RefreshDisplayPage() {
    for (int s = 1; s <= 8; ++s) {
        RefreshTestPattern(s);
        RefreshBlackLevel(s);
        RefreshHalo(s);
        RefreshEdgeFeather(s);
    }
    advancedMode->setChecked(ctx->model.output(1, 1).AdvancedMode != 0);
    RefreshBasicFeather();
    RefreshDataDoubling();
    const quint8 mode = ctx->model.output(1, 1).FeatherMode;
    if (mode == 'S') featherCurve->setItemIndex(0);
    if (mode == 'L') featherCurve->setItemIndex(1);
}

void DisplaySetupPage::ClearProjectorTestPatterns() {
    if (!ctx) return;
    RefreshingScope refreshing(ctx->state);
    emit clearProjectorTestPatternsRequested();
}

bool DisplaySetupPage::SendRightEdgeFeather(int screen) {
    return sendEdge(screen, 'R');
}

bool DisplaySetupPage::SendLeftEdgeFeather(int screen) {
    return sendEdge(screen, 'L');
}

bool DisplaySetupPage::sendEdge(int s, char edge) {
    if (!ctx || !screenHasEdge(s, edge)) return false;
    const EdgeFeatherValues e = edgeFeather(s, edge);
    if (!e.gamma || !e.width || !e.offset) return false;
    ctx->commands.SendEdgeFeather(ScreenDevice(s), ScreenChannel(s), edge, e.enable, *e.gamma, *e.width,
                                  *e.offset);
    return true;
}

void DisplaySetupPage::enableAfterCalculation() {
    screenPageControl->setEnabled(true);
    basicEnable->setEnabled(true);
    basicGamma->setEnabled(true);
    basicGammaSpin->setEnabled(true);
}

void DisplaySetupPage::shareOverlap(OverlapWidthControl &overlap) {
    overlap.shareWith(overlapWidth, overlapWidthSpin, [this] {
        const int first = screenPageControl->currentIndex() == 1 ? 5 : 1;
        screens[first].pattern->setFocus(Qt::TabFocusReason);
    });
}
