// SPDX-License-Identifier: GPL-3.0-or-later
#include "SeamRemovalPage.h"

#include "ChannelSelectGroup.h"
#include "CommandSet.h"
#include "DeviceModel.h"
#include "FieldEditors.h"
#include "Host.h"
#include "ModelAccessors.h"
#include "SettingRanges.h"
#include "SpinButton.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace {
// The gains from the fourth position before the seam to the fourth after it; the first is at -4.
const char *const kGainCaptions[] = {"Gain -4", "Gain -3", "Gain -2", "Gain -1",
                                     "Gain +1", "Gain +2", "Gain +3", "Gain +4"};
constexpr int kFirstGainPosition = SettingRanges::FirstSeamGainPosition;
} // namespace

SeamRemovalPage::SeamRemovalPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SeamRemovalTabSheet"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(buildGainGroup(), 0, Qt::AlignTop);
    layout->addWidget(buildSystemControls(), 0, Qt::AlignTop);
    layout->addStretch(1);
}

QString SeamRemovalPage::gainName(int gain) {
    return QStringLiteral("SeamGain%1Edit").arg(gain);
}

QGroupBox *SeamRemovalPage::buildGainGroup() {
    auto *group = new QGroupBox(tr("Manual Seam Gain"), this);
    group->setObjectName(QStringLiteral("SeamGroupBox"));
    auto *layout = new QVBoxLayout(group);
    channels = new ChannelSelectGroup(QStringLiteral("SeamScreenSelectRadioGroup"), group);
    layout->addWidget(channels);

    auto *column = new QGridLayout;
    int row = 0;
    for (int g = 1; g <= 8; ++g) {
        if (g == 5) { // the seam lies between the fourth and the fifth gain
            auto *line = new QFrame(group);
            line->setFrameShape(QFrame::HLine);
            auto *seam = new QLabel(tr("Seam"), group);
            seam->setAlignment(Qt::AlignCenter);
            QFont bold = seam->font();
            bold.setBold(true);
            seam->setFont(bold);
            column->addWidget(seam, row, 0);
            column->addWidget(line, row++, 1, 1, 2);
        }
        auto *edit = FieldEditors::createField(gainName(g), group);
        edit->setFixedWidth(50);
        column->addWidget(new QLabel(tr(kGainCaptions[g - 1]), group), row, 0);
        column->addWidget(edit, row, 1);
        column->addWidget(FieldEditors::createSpin(edit->objectName(), group), row++, 2);
    }
    column->setColumnStretch(3, 1);
    layout->addLayout(column);

    bridgeSingle = new QCheckBox(tr("Seam Bridge "), group);
    bridgeSingle->setObjectName(QStringLiteral("SeamBridgeSingleConfigCheckBox"));
    layout->addWidget(bridgeSingle);
    auto *buttons = new QHBoxLayout;
    const char *const names[][2] = {{"ResetSeamGainButton", "Reset Seam Gain"},
                                    {"SeamAutoSingleConfigButton", "Auto Seam Gain"}};
    for (const auto &b : names) {
        auto *button = new QPushButton(tr(b[1]), group);
        button->setObjectName(QString::fromLatin1(b[0]));
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    return group;
}

QWidget *SeamRemovalPage::buildSystemControls() {
    auto *box = new QWidget(this);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(12, 8, 0, 0);
    bridgeAll = new QCheckBox(tr("Seam Bridge (All Channels)"), box);
    bridgeAll->setObjectName(QStringLiteral("SeamBridgeAllConfigCheckBox"));
    auto *autoAll = new QPushButton(tr("Auto Seam Gain (All Channels)"), box);
    autoAll->setObjectName(QStringLiteral("SeamAutoAllConfigButton"));
    layout->addWidget(bridgeAll);
    layout->addWidget(autoAll, 0, Qt::AlignLeft);
    layout->addSpacing(16);
    auto *thresholdRow = new QHBoxLayout;
    threshold = FieldEditors::createField(QStringLiteral("BridgeThresholdEdit"), box);
    threshold->setFixedWidth(50);
    thresholdRow->addWidget(new QLabel(tr("Bridge Threshold"), box));
    thresholdRow->addWidget(threshold);
    thresholdRow->addWidget(FieldEditors::createSpin(threshold->objectName(), box));
    thresholdRow->addStretch(1);
    layout->addLayout(thresholdRow);
    layout->addStretch(1);
    return box;
}

void SeamRemovalPage::attach(const PageContext &context) {
    ctx.emplace(context);
    editors = new FieldEditors(context, this, this);
    editors->bind({FamilyId::SeamGain, FamilyId::BridgeThreshold});
    editors->setSelectedScreen([this] { return selectedScreen(); });
    editors->setRestore(FamilyId::SeamGain, [this](int) { RefreshSeamPage(); });
    editors->setRestore(FamilyId::BridgeThreshold, [this](int) { RefreshSeamPage(); });
    editors->setSender(FamilyId::SeamGain, [this](const FieldSend &) { SendManualSeamGains(); });
    wireHandlers();
}

void SeamRemovalPage::wireHandlers() {
    connect(channels, &ChannelSelectGroup::channelSelected, this,
            &SeamRemovalPage::SeamScreenSelectRadioGroupClick);
    // toggled: a change from code raises the click handling too (the all box sets the single box).
    connect(bridgeSingle, &QCheckBox::toggled, this, &SeamRemovalPage::SeamBridgeSingleConfigCheckBoxClick);
    connect(bridgeAll, &QCheckBox::toggled, this, &SeamRemovalPage::SeamBridgeAllConfigCheckBoxClick);
    auto button = [this](const char *name, void (SeamRemovalPage::*handler)()) {
        connect(findChild<QPushButton *>(QString::fromLatin1(name)), &QPushButton::clicked, this, handler);
    };
    button("ResetSeamGainButton", &SeamRemovalPage::ResetSeamGainButtonClick);
    button("SeamAutoSingleConfigButton", &SeamRemovalPage::SeamAutoSingleConfigButtonClick);
    button("SeamAutoAllConfigButton", &SeamRemovalPage::SeamAutoAllConfigButtonClick);
}

bool SeamRemovalPage::canSend() const {
    return ctx && !ctx->state.Refreshing && ctx->LinkActive();
}

void SeamRemovalPage::PageActivated(bool usable) {
    if (usable) RefreshSeamPage();
    enableNamed(this,
                {"SeamScreenSelectRadioGroup", "SeamGroupBox", "SeamBridgeAllConfigCheckBox",
                 "SeamAutoAllConfigButton"},
                usable);
}

void SeamRemovalPage::setChannelCount(int n) {
    channels->setChannelCount(n);
}

int SeamRemovalPage::selectedScreen() const {
    return qMax(1, channels->selectedChannel());
}

bool SeamRemovalPage::bridgeSingleChecked() const {
    return bridgeSingle->isChecked();
}

void SeamRemovalPage::selectScreen(int screen) {
    if (screen < 1 || screen > channels->channelCount()) return;
    if (channels->selectedChannel() == screen)
        SeamScreenSelectRadioGroupClick(); // already selected: a click still loads the channel
    else
        channels->selectChannel(screen); // raises the click handling
}

void SeamRemovalPage::SeamScreenSelectRadioGroupClick() {
    if (ctx && !ctx->state.Refreshing) RefreshSeamPage();
}

void SeamRemovalPage::RefreshSeamPage() {
    if (!ctx) return;
    // Setting the bridge box raises its click handling, which must not send the model's value back.
    RefreshingScope refreshing(ctx->state);
    const int s = selectedScreen();
    const OutputInfo &out = ctx->model.output(ScreenDevice(s), ScreenChannel(s));
    for (int g = 1; g <= 8; ++g)
        findChild<QLineEdit *>(gainName(g))->setText(QString::number(out.SeamGain[g - 1]));
    bridgeSingle->setChecked(out.SeamBridge != 0);
    // The threshold is one value for the whole system, kept in device 1's first record like every
    // system value: it must not follow the selected channel, whose record may still hold an older one.
    // No threshold recorded: the field keeps what it shows.
    const quint8 system = ctx->model.output(1, 1).BridgeThreshold;
    if (system != 0) threshold->setText(QString::number(system));
}

// Every gain is checked, not only the one being left: a gain of 300 in another field would otherwise
// reach the device and be stored as 44. The first invalid field shows its own message and takes the
// focus, as leaving it would.
bool SeamRemovalPage::SendManualSeamGains() {
    if (!canSend()) return false;
    std::array<int, 8> gains{};
    for (int g = 1; g <= 8; ++g) {
        FieldEditor *e = editors->editor(gainName(g));
        double value = 0;
        if (!e || !e->validate(value)) return false;
        gains[g - 1] = int(value);
    }
    const int s = selectedScreen();
    ctx->commands.SendSeamGains(ScreenDevice(s), ScreenChannel(s), kFirstGainPosition, gains);
    return true;
}

void SeamRemovalPage::SeamBridgeSingleConfigCheckBoxClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend()) return;
    const int s = selectedScreen();
    ctx->commands.SendSeamBridge(ScreenDevice(s), ScreenChannel(s), bridgeSingle->isChecked() ? 1 : 0);
}

void SeamRemovalPage::SeamBridgeAllConfigCheckBoxClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy) return;
    const int on = bridgeAll->isChecked() ? 1 : 0;
    if (canSend())
        ctx->commands.ForEveryDevice([&](int d) {
            for (int c = 1; c <= 4; ++c)
                ctx->commands.SendSeamBridge(d, c, on);
        });
    // The single box follows; its own handling finds the page busy and sends nothing more.
    bridgeSingle->setChecked(on != 0);
}

void SeamRemovalPage::SeamAutoSingleConfigButtonClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend()) return;
    const int s = selectedScreen();
    ctx->commands.RunAutoSeam(ScreenDevice(s), ScreenChannel(s)); // refreshes this page afterwards
}

void SeamRemovalPage::SeamAutoAllConfigButtonClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy || !canSend()) return;
    // Every channel of a device, whatever the number of projectors.
    ctx->commands.ForEveryDevice([this](int d) {
        for (int c = 1; c <= 4; ++c)
            ctx->commands.RunAutoSeam(d, c);
    });
}

void SeamRemovalPage::ResetSeamGainButtonClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy) return;
    if (!ctx->host.askYesNo(QStringLiteral("Lumivane - Reset Seam Gain Verification"),
                            QStringLiteral("Resetting Seam Gains will reset all seam gain values back to 128 "
                                           "for the current channel. Are you sure you want to reset the Seam "
                                           "Gains?")))
        return;
    ctx->host.setBusyCursor(true);
    for (int g = 1; g <= 8; ++g)
        findChild<QLineEdit *>(gainName(g))->setText(QStringLiteral("128"));
    editors->EditExit(gainName(1)); // validates and sends all eight
    ctx->host.setBusyCursor(false);
}
