// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceSetupPage.h"

#include "ChannelSelectGroup.h"
#include "CommandSet.h"
#include "DeviceModel.h"
#include "FieldEditors.h"
#include "Host.h"
#include "ModelAccessors.h"
#include "SettingRanges.h"
#include "SpinButton.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The colour fields in Enter order; overall values are shown with five significant digits, the
// per-colour offsets with four.
struct ColourField {
    const char *name;
    const char *caption;
    float InputInfo::*value;
    int digits;
};
const ColourField kColourFields[] = {
    {"LeftOContrastEdit", "Overall Contrast", &InputInfo::OverallContrast, SettingRanges::OverallLevelDigits},
    {"LeftOBrightnessEdit", "Overall Brightness", &InputInfo::OverallBrightness,
     SettingRanges::OverallLevelDigits},
    {"LeftRContrastEdit", "Red Contrast", &InputInfo::RedContrast, SettingRanges::ColourLevelDigits},
    {"LeftRBrightnessEdit", "Red Brightness", &InputInfo::RedBrightness, SettingRanges::ColourLevelDigits},
    {"LeftGContrastEdit", "Green Contrast", &InputInfo::GreenContrast, SettingRanges::ColourLevelDigits},
    {"LeftGBrightnessEdit", "Green Brightness", &InputInfo::GreenBrightness,
     SettingRanges::ColourLevelDigits},
    {"LeftBContrastEdit", "Blue Contrast", &InputInfo::BlueContrast, SettingRanges::ColourLevelDigits},
    {"LeftBBrightnessEdit", "Blue Brightness", &InputInfo::BlueBrightness, SettingRanges::ColourLevelDigits},
};

// The hidden automatic setups: one confirmation each, then the operation on every device.
struct AutomaticSetup {
    const char *caption;
    const char *question;
    const char *progress;
    void (CommandSet::*run)(int device);
};
const AutomaticSetup kAutomatic[] = {
    {"Lumivane - Confirm Auto Input Position",
     "IMPORTANT: Verify that Horizontal Bars 1 test pattern is selected on Maralto(Horizontal Ramp on "
     "Controller) and Raster Box is enabled before running. Click OK to start Automatic Input Position "
     "Adjustment.",
     "Auto Position in progress. Please wait....", &CommandSet::RunAutoPosition},
    {"Lumivane - Confirm Auto Phase Calibration",
     "IMPORTANT: Verify that Horizontal Bars 1 test pattern is selected on Maralto(Horizontal Ramp on "
     "Controller) and Raster Box is enabled before running. Click OK to start Automatic Phase Calibration.",
     "Auto Phase Calibration in progress. Please wait....", &CommandSet::RunAutoPhase},
};

const QString kNA = QStringLiteral("N/A");
} // namespace

SourceSetupPage::SourceSetupPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SourceSetupTabSheet"));
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(buildStatusRow(), 0, 0, 1, 2);
    layout->addWidget(buildAlignment(), 1, 0);
    layout->addWidget(buildColour(), 1, 1);
    layout->addWidget(buildHelp(), 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
}

QWidget *SourceSetupPage::buildStatusRow() {
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    channels = new ChannelSelectGroup(QStringLiteral("SourceScreenSelectRadioGroup"), row);
    layout->addWidget(channels);
    auto *status = new QGridLayout;
    loadedLabel = new QLabel(kNA, row);
    loadedLabel->setObjectName(QStringLiteral("SourceVideoLoadedLabel"));
    lockedLabel = new QLabel(kNA, row);
    lockedLabel->setObjectName(QStringLiteral("SourceVideoLockedLabel"));
    status->addWidget(new QLabel(tr("Video Loaded"), row), 0, 0);
    status->addWidget(loadedLabel, 0, 1);
    status->addWidget(new QLabel(tr("Video Locked"), row), 1, 0);
    status->addWidget(lockedLabel, 1, 1);
    status->setColumnMinimumWidth(1, 40);
    layout->addSpacing(16);
    layout->addLayout(status);
    layout->addStretch(1);
    return row;
}

QGroupBox *SourceSetupPage::buildAlignment() {
    auto *group = new QGroupBox(tr("Input Alignment"), this);
    group->setObjectName(QStringLiteral("InputAlignmentGroupBox"));
    auto *grid = new QGridLayout(group);
    auto addField = [&](int row, const QString &caption, const char *name, SpinButton **spin) {
        auto *edit = FieldEditors::createField(QString::fromLatin1(name), group);
        edit->setFixedWidth(60);
        grid->addWidget(new QLabel(caption, group), row, 0);
        grid->addWidget(edit, row, 1);
        if (spin) {
            *spin = FieldEditors::createSpin(edit->objectName(), group);
            grid->addWidget(*spin, row, 2);
        }
        return edit;
    };
    SpinButton *phaseSpin = nullptr;
    hPosition = addField(0, tr("H Position"), "HPositionEdit", &hPositionSpin);
    vPosition = addField(1, tr("V Position"), "VPositionEdit", &vPositionSpin);
    phase = addField(2, tr("Phase"), "PhaseEdit", &phaseSpin);
    hTotal = addField(3, tr("H Total"), "HTotalEdit", nullptr);
    hTotal->setText(kNA);
    hTotal->setEnabled(false); // shows what the device measures

    const char *const buttons[][2] = {{"SaveConfigButton", "Save Config"},
                                      {"AutoConfigButton", "Reset Config"},
                                      {"SaveAllConfigButton", "Save Config (All Channels)"},
                                      {"AutoPositionButton", "Auto Position (All Channels)"},
                                      {"AutoPhaseButton", "Auto Phase (All Channels)"}};
    auto *column = new QVBoxLayout;
    for (const auto &b : buttons) {
        auto *button = new QPushButton(tr(b[1]), group);
        button->setObjectName(QString::fromLatin1(b[0]));
        column->addWidget(button);
    }
    // The automatic position and phase setups are kept for service staff; nothing shows them.
    group->findChild<QPushButton *>(QStringLiteral("AutoPositionButton"))->hide();
    group->findChild<QPushButton *>(QStringLiteral("AutoPhaseButton"))->hide();
    column->addStretch(1);
    grid->addLayout(column, 0, 3, 5, 1);
    grid->setColumnMinimumWidth(2, 8);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(4, 1);
    return group;
}

QGroupBox *SourceSetupPage::buildColour() {
    auto *group = new QGroupBox(tr("Source Color Balance"), this);
    group->setObjectName(QStringLiteral("OverallColorGroupBox"));
    auto *layout = new QVBoxLayout(group);
    colourBalance = new QPushButton(tr("Auto Color Balance (All Channels)"), group);
    colourBalance->setObjectName(QStringLiteral("AutoColorBalanceButton"));
    layout->addWidget(colourBalance, 0, Qt::AlignLeft);
    colourFields = new QGroupBox(group);
    colourFields->setObjectName(QStringLiteral("LeftSideGroupBox"));
    auto *grid = new QGridLayout(colourFields);
    // Contrast on the left, brightness on the right, one row per colour.
    for (int i = 0; i < int(std::size(kColourFields)); ++i) {
        const ColourField &f = kColourFields[i];
        const int row = i / 2, column = (i % 2) * 4;
        auto *edit = FieldEditors::createField(QString::fromLatin1(f.name), colourFields);
        edit->setFixedWidth(56);
        grid->addWidget(new QLabel(tr(f.caption), colourFields), row, column);
        grid->addWidget(edit, row, column + 1);
        grid->addWidget(FieldEditors::createSpin(edit->objectName(), colourFields), row, column + 2);
    }
    grid->setColumnMinimumWidth(3, 12);
    layout->addWidget(colourFields);
    layout->addStretch(1);
    return group;
}

QWidget *SourceSetupPage::buildHelp() {
    auto *panel = new QWidget(this);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    const QStringList texts[] = {
        {tr("H Position:  Moves the sampled area of the selected source input channel left or right."),
         tr("V Position:  Moves the sampled area of the selected source input channel up or down."),
         tr("Phase:  Adjusts sample clock phase for the selected source input channel to provide true pixel "
            "sampled pixel fidelity."),
         tr("Save Config:  Stores the input settings of the selected channel in the Kestrix."),
         tr("Reset Config:  Returns the input settings of the selected channel to their default values.")},
        {tr("Auto-Color Balance:\t Automatically balances color of all source input channels"),
         tr("Overall Contrast / Brightness:  Adjusts all three colors of the selected channel together."),
         tr("Red, Green, Blue Contrast / Brightness:  Offsets one color from the overall setting.")}};
    for (const QStringList &lines : texts) {
        auto *label = new QLabel(lines.join(QLatin1Char('\n')), panel);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        label->setFrameShape(QFrame::StyledPanel);
        label->setMargin(4);
        layout->addWidget(label, 1);
    }
    QFont small = panel->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    panel->setFont(small);
    return panel;
}

void SourceSetupPage::attach(const PageContext &context) {
    ctx.emplace(context);
    editors = new FieldEditors(context, this, this);
    editors->bind({FamilyId::HPosition, FamilyId::VPosition, FamilyId::Phase, FamilyId::OverallLevel,
                   FamilyId::ColourLevel});
    editors->setSelectedScreen([this] { return selectedScreen(); });
    for (FamilyId f : {FamilyId::HPosition, FamilyId::VPosition, FamilyId::Phase, FamilyId::OverallLevel,
                       FamilyId::ColourLevel})
        editors->setRestore(f, [this](int) { RefreshSourcePage(); });
    wireHandlers();
}

void SourceSetupPage::wireHandlers() {
    connect(channels, &ChannelSelectGroup::channelSelected, this,
            &SourceSetupPage::SourceScreenSelectRadioGroupClick);
    auto button = [this](const char *name, void (SourceSetupPage::*handler)()) {
        connect(findChild<QPushButton *>(QString::fromLatin1(name)), &QPushButton::clicked, this, handler);
    };
    button("SaveConfigButton", &SourceSetupPage::SaveConfigButtonClick);
    button("SaveAllConfigButton", &SourceSetupPage::SaveAllConfigButtonClick);
    button("AutoConfigButton", &SourceSetupPage::AutoConfigButtonClick);
    button("AutoColorBalanceButton", &SourceSetupPage::AutoColorBalanceButtonClick);
    button("AutoPositionButton", &SourceSetupPage::AutoPositionButtonClick);
    button("AutoPhaseButton", &SourceSetupPage::AutoPhaseButtonClick);
}

bool SourceSetupPage::canSend() const {
    return ctx && !ctx->state.Refreshing && ctx->LinkActive();
}

void SourceSetupPage::PageActivated(bool usable) {
    if (usable) RefreshSourcePage();
    enableNamed(this, {"SourceScreenSelectRadioGroup", "InputAlignmentGroupBox", "OverallColorGroupBox"},
                usable);
}

void SourceSetupPage::setChannelCount(int n) {
    channels->setChannelCount(n);
}

int SourceSetupPage::selectedScreen() const {
    return qMax(1, channels->selectedChannel());
}

void SourceSetupPage::selectScreen(int screen) {
    if (screen < 1 || screen > channels->channelCount()) return;
    if (channels->selectedChannel() == screen)
        SourceScreenSelectRadioGroupClick(); // already selected: a click still loads the channel
    else
        channels->selectChannel(screen); // raises the click handling
}

void SourceSetupPage::SourceScreenSelectRadioGroupClick() {
    if (ctx && !ctx->state.Refreshing) RefreshSourcePage();
}

void SourceSetupPage::RefreshSourcePage() {
    if (!ctx) return;
    const int s = selectedScreen();
    const int d = ScreenDevice(s), c = ScreenChannel(s);
    const InputInfo &in = ctx->model.input(d, c);
    loadedLabel->setText(in.VideoLoaded == 1 ? QStringLiteral("True") : QStringLiteral("False"));
    const bool locked = in.VideoLocked == 1;
    for (QWidget *w : {static_cast<QWidget *>(hPosition), static_cast<QWidget *>(hPositionSpin),
                       static_cast<QWidget *>(vPosition), static_cast<QWidget *>(vPositionSpin)})
        w->setEnabled(locked);
    if (locked) {
        ctx->host.setStatusText(QString());
        lockedLabel->setText(QStringLiteral("True"));
        hPosition->setText(QString::number(in.HPosition));
        vPosition->setText(QString::number(in.VPosition));
        hTotal->setText(QString::number(in.HTotal));
    } else {
        ctx->host.setStatusText(
            QStringLiteral("NOTE: No video lock on this channel. Cannot adjust controls."));
        lockedLabel->setText(QStringLiteral("False"));
        hPosition->setText(kNA);
        vPosition->setText(kNA);
        hTotal->setText(kNA);
    }
    UpdatePositionBounds(ctx->model, d, c);
    phase->setText(QString::number(in.PhaseOffset)); // the phase stays adjustable without a lock
    RefreshSourceColor(s);
}

void SourceSetupPage::RefreshSourceColor(int s) {
    const InputInfo &in = ctx->model.input(ScreenDevice(s), ScreenChannel(s));
    const bool locked = in.VideoLocked == 1;
    colourBalance->setEnabled(locked);
    colourFields->setEnabled(locked);
    for (const ColourField &f : kColourFields) {
        auto *edit = colourFields->findChild<QLineEdit *>(QString::fromLatin1(f.name));
        edit->setText(locked ? QString::number(double(in.*f.value), 'g', f.digits) : kNA);
    }
}

void SourceSetupPage::SaveConfigButtonClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend()) return;
    const int s = selectedScreen();
    ctx->commands.SendInputConfigSave(ScreenDevice(s), ScreenChannel(s));
}

void SourceSetupPage::SaveAllConfigButtonClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend()) return;
    // Every input of a device is stored, whatever the number of projectors.
    ctx->commands.ForEveryDevice([this](int d) {
        for (int c = 1; c <= 4; ++c)
            ctx->commands.SendInputConfigSave(d, c);
    });
}

void SourceSetupPage::AutoConfigButtonClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend()) return;
    if (!ctx->host.askYesNo(QStringLiteral("Lumivane - Input Config Reset Verification"),
                            QStringLiteral("Resetting Input Configuration will reset input settings for the "
                                           "current channel to default values. Are you sure you want to "
                                           "reset the Input Configuration?")))
        return;
    const int s = selectedScreen();
    ctx->host.setBusyCursor(true);
    // The reset re-reads the device's inputs and refreshes this page.
    ctx->commands.SendInputConfigReset(ScreenDevice(s), ScreenChannel(s));
    ctx->host.setBusyCursor(false);
}

void SourceSetupPage::AutoColorBalanceButtonClick() {
    if (!ctx) return;
    {
        BusyScope busy(ctx->state.CommandBusy);
        if (!busy) return;
        const QString caption = QStringLiteral("Lumivane - Confirm Auto Color Balance");
        Host &host = ctx->host;
        if (host.askOkCancel(caption, QStringLiteral("Automatic Color Balance takes several minutes to "
                                                     "complete. Are you sure you want to run Automatic Color "
                                                     "Balance? Click OK to continue.")) &&
            host.askOkCancel(
                caption, QStringLiteral("IMPORTANT: Verify that Horizontal Bars 1 test pattern is selected "
                                        "on Maralto(Horizontal Ramp on Controller) before running. Click "
                                        "OK to start Automatic RGB Color Adjustment."))) {
            host.showProgress(QStringLiteral("Auto Color Balance in progress. Please wait...."));
            host.setPagesEnabled(false);
            ctx->commands.RunAutoColorBalance(1);
            host.setPagesEnabled(true);
            if (ctx->deviceCount() > 1) ctx->commands.RunAutoColorBalance(2);
            host.hideProgress();
        }
    }
    // Confirmed or not, the page shows the model again with the busy flag cleared.
    emit pageActivationRequested();
}

void SourceSetupPage::AutoPositionButtonClick() {
    runAutomatic(0);
}

void SourceSetupPage::AutoPhaseButtonClick() {
    runAutomatic(1);
}

void SourceSetupPage::runAutomatic(int which) {
    if (!ctx) return;
    const AutomaticSetup &a = kAutomatic[which];
    {
        BusyScope busy(ctx->state.CommandBusy);
        if (!busy) return;
        Host &host = ctx->host;
        if (host.askOkCancel(QString::fromLatin1(a.caption), QString::fromLatin1(a.question))) {
            host.showProgress(QString::fromLatin1(a.progress));
            ctx->commands.ForEveryDevice([&](int d) { (ctx->commands.*a.run)(d); });
            host.hideProgress();
        }
    }
    emit pageActivationRequested();
}
