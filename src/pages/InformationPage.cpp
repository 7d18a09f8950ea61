// SPDX-License-Identifier: GPL-3.0-or-later
#include "InformationPage.h"

#include "CommandSet.h"
#include "DeviceModel.h"
#include "Host.h"
#include "StatusLabels.h"
#include "StatusLightsWidget.h"
#include "TerminalControls.h"
#include "TerminalPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

InformationPage::InformationPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("InfoTabSheet"));
    terminal = new TerminalPane(this);

    // The terminal with its tool row above and its line input below, where the pane alone stood.
    auto *terminalColumn = new QVBoxLayout;
    terminalColumn->setSpacing(2);
    auto *toolBar = new TerminalToolBar(terminal, this);
    terminalColumn->addWidget(toolBar);
    terminalColumn->addWidget(terminal, 1);
    terminalColumn->addWidget(new TerminalLineInput(terminal, this));

    auto *layout = new QGridLayout(this);
    layout->addLayout(terminalColumn, 0, 0, 2, 1);
    layout->addWidget(buildInfoGroup(), 2, 0, 3, 1);
    layout->addWidget(buildRs232Group(), 0, 1, Qt::AlignTop);
    layout->addWidget(buildHardwareSetupGroup(), 1, 1);
    auto *buttons = new QVBoxLayout;
    auto *systemSave = new QPushButton(tr("System Save Kestrix(s)"), this);
    systemSave->setObjectName(QStringLiteral("SystemSaveButton"));
    connect(systemSave, &QPushButton::clicked, this, &InformationPage::systemSaveClicked);
    resetButton = new QPushButton(tr("Reset Kestrix(s)"), this);
    resetButton->setObjectName(QStringLiteral("ResetButton"));
    connect(resetButton, &QPushButton::clicked, this, &InformationPage::ResetButtonClick);
    buttons->addWidget(systemSave);
    buttons->addWidget(resetButton);
    layout->addLayout(buttons, 2, 1, Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(buildSliceGroup(), 3, 1, Qt::AlignTop);

    // The hidden switch: an empty spot in the bottom right corner that answers a double-click.
    hiddenLabel = new QLabel(this);
    hiddenLabel->setObjectName(QStringLiteral("HiddenLabel"));
    hiddenLabel->setFixedSize(24, 16);
    hiddenLabel->installEventFilter(this);
    layout->addWidget(hiddenLabel, 4, 1, Qt::AlignRight | Qt::AlignBottom);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(1, 1);
    layout->setRowStretch(4, 1);

    // Tab follows the column: the tool row above the pane, then the pane (made first, for the tool row
    // to act on). The pane keeps Tab for the device; Shift+Tab leaves it.
    QWidget *lastTool = nullptr;
    for (QWidget *w = toolBar->nextInFocusChain(); toolBar->isAncestorOf(w); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) lastTool = w;
    if (lastTool) setTabOrder(lastTool, terminal);
    // The page coming up (a switch of pages while a control of the previous one had the focus) offers
    // the focus to the terminal, where stray keys would go to the devices; it goes to the page's tab.
    connect(terminal, &TerminalPane::focusTurnedDown, this, &InformationPage::focusAwayFromTerminal);
}

void InformationPage::focusAwayFromTerminal() {
    if (!terminal->hasFocus()) return;
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (auto *pages = qobject_cast<QTabWidget *>(w)) {
            pages->tabBar()->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    terminal->clearFocus();
}

InformationPage::~InformationPage() = default;

void InformationPage::attach(const PageContext &context) {
    ctx.emplace(context);
}

QGroupBox *InformationPage::buildInfoGroup() {
    infoGroup = new QGroupBox(tr("Kestrix Information"), this);
    infoGroup->setObjectName(QStringLiteral("InfoGroupBox"));
    auto *infoLayout = new QGridLayout(infoGroup);
    infoLayout->setContentsMargins(6, 4, 6, 4);
    auto *head = new QHBoxLayout;
    auto *versionCaption = new QLabel(tr("Version :"), infoGroup);
    versionCaption->setObjectName(QStringLiteral("Version1TextLabel"));
    version1 = new QLabel(tr("N/A"), infoGroup);
    version1->setObjectName(QStringLiteral("Version1Label"));
    auto *countCaption = new QLabel(tr("KX:"), infoGroup);
    countCaption->setObjectName(QStringLiteral("Label62"));
    deviceCount = new QLabel(QStringLiteral("0"), infoGroup);
    deviceCount->setObjectName(QStringLiteral("NumOfKestrixDetectedLabel"));
    screenInfo = new QComboBox(infoGroup);
    screenInfo->setObjectName(QStringLiteral("ScreenInfoComboBox"));
    screenInfo->addItems({tr("Screen 1"), tr("Screen 2"), tr("Screen 3"), tr("Screen 4")});
    screenInfo->setCurrentIndex(-1);
    connect(screenInfo, &QComboBox::activated, this, [this] { ScreenInfoComboBoxChange(); });
    for (QWidget *w : std::initializer_list<QWidget *>{versionCaption, version1, countCaption, deviceCount})
        head->addWidget(w);
    head->addSpacing(12);
    head->addWidget(screenInfo);
    head->addStretch(1);
    infoLayout->addLayout(head, 0, 0, 1, 2);
    status = std::make_unique<StatusLabels>(infoGroup);
    infoLayout->addWidget(status->inputGroup(), 1, 0, Qt::AlignTop);
    infoLayout->addWidget(status->outputGroup(), 1, 1, Qt::AlignTop);
    infoLayout->setColumnStretch(1, 1);
    infoGroup->hide();
    return infoGroup;
}

QGroupBox *InformationPage::buildRs232Group() {
    rs232 = new QGroupBox(tr("RS-232"), this);
    rs232->setObjectName(QStringLiteral("RS232GroupBox"));
    auto *grid = new QGridLayout(rs232);
    lightsWidget = new StatusLightsWidget(rs232);
    grid->addWidget(lightsWidget, 0, 0, 1, 2, Qt::AlignLeft);

    auto disabledLabel = [this](const QString &text, const QString &name) {
        auto *label = new QLabel(text, rs232);
        if (!name.isEmpty()) label->setObjectName(name);
        label->setEnabled(false);
        return label;
    };
    comNumber = disabledLabel(tr("None"), QStringLiteral("ComNumberLabel"));
    // The device behind the number, so that the installer sees which adapter the link is on.
    comPath = disabledLabel(QString(), QStringLiteral("ComPathLabel"));
    auto *port = new QHBoxLayout;
    port->addWidget(comNumber);
    port->addWidget(comPath, 1);
    grid->addWidget(disabledLabel(tr("COM:"), {}), 1, 0);
    grid->addLayout(port, 1, 1);

    baudBox = new QComboBox(rs232);
    baudBox->setObjectName(QStringLiteral("BaudComboBox"));
    baudBox->addItems({QStringLiteral("38400"), QStringLiteral("57600")});
    baudBox->setCurrentIndex(-1);
    baudBox->setEnabled(false);
    baudBox->setMaximumWidth(90);
    grid->addWidget(disabledLabel(tr("Baud:"), {}), 2, 0);
    grid->addWidget(baudBox, 2, 1);

    auto idEdit = [this](const QString &text, const QString &name) {
        auto *edit = new QLineEdit(text, rs232);
        edit->setObjectName(name);
        edit->setEnabled(false);
        edit->setMaximumWidth(48);
        return edit;
    };
    id1Caption = disabledLabel(tr("Kestrix 1 RS-485 ID:"), {});
    id1Edit = idEdit(QStringLiteral("1"), QStringLiteral("KestrixID1Edit"));
    id2Caption = disabledLabel(tr("Kestrix 2 RS-485 ID:"), {});
    id2Edit = idEdit(QStringLiteral("2"), QStringLiteral("KestrixID2Edit"));
    grid->addWidget(id1Caption, 3, 0);
    grid->addWidget(id1Edit, 3, 1);
    grid->addWidget(id2Caption, 4, 0);
    grid->addWidget(id2Edit, 4, 1);
    setKestrixIdVisible(1, false);
    setKestrixIdVisible(2, false);
    return rs232;
}

QGroupBox *InformationPage::buildHardwareSetupGroup() {
    // Holds the link mode; the program sets it and the user never sees it.
    auto *group = new QGroupBox(tr("Hardware Setup"), this);
    group->setObjectName(QStringLiteral("HardwareSetupGroupBox"));
    rs485 = new QCheckBox(tr("Using QLN Controllers to communicate with Kestrix"), group);
    rs485->setObjectName(QStringLiteral("RS485CheckBox"));
    auto *layout = new QVBoxLayout(group);
    layout->addWidget(rs485);
    group->hide();
    return group;
}

void InformationPage::attachPort(TApdComPort *port, StatusLightController *lights,
                                 std::function<QStringList()> logHeader) {
    lightsWidget->attach(lights);
    terminal->attach(port);
    terminal->setHeaderProvider(std::move(logHeader));
    if (!ctx) return;
    terminal->setMessenger([this](const QString &text) { ctx->host.showMessage(text); });
    terminal->setStatusReporter([this](const QString &text) { ctx->host.setStatusText(text); });
}

void InformationPage::showPort(int number, const QString &devicePath) {
    comNumber->setText(QString::number(number));
    comPath->setText(devicePath);
}

void InformationPage::showLinkMode(bool controller) {
    rs485->setChecked(controller);
}

void InformationPage::showModeBaud(bool controller) {
    baudBox->setCurrentIndex(controller ? 1 : 0);
}

int InformationPage::baud() const {
    return baudBox->currentIndex() == 1 ? 57600 : 38400;
}

void InformationPage::showDeviceIds(int count, int id1, int id2) {
    const int ids[] = {0, id1, id2};
    for (int device = 1; device <= 2 && device <= count; ++device) {
        (device == 2 ? id2Edit : id1Edit)->setText(QString::number(ids[device]));
        setKestrixIdVisible(device, true);
    }
}

void InformationPage::hideDeviceIds() {
    setKestrixIdVisible(1, false);
    setKestrixIdVisible(2, false);
}

QString InformationPage::shownDeviceId(int device) const {
    const QLineEdit *edit = device == 2 ? id2Edit : id1Edit;
    return edit->isVisibleTo(this) ? edit->text() : QString();
}

void InformationPage::showVersion(int device, const QString &version) {
    if (device == 1) version1->setText(version);
}

void InformationPage::showDeviceCount(int count) {
    deviceCount->setText(QString::number(count));
}

void InformationPage::selectStartItems() {
    baudBox->setCurrentIndex(0);
    screenInfo->setCurrentIndex(0);
}

void InformationPage::setKestrixIdVisible(int device, bool visible) {
    (device == 2 ? id2Caption : id1Caption)->setVisible(visible);
    (device == 2 ? id2Edit : id1Edit)->setVisible(visible);
}

void InformationPage::ScreenInfoComboBoxChange() {
    if (!ctx || !(ctx->state.ModelFromDevices || ctx->state.ModelFromFile)) return;
    // The four screens are device 1's channels, however many devices there are.
    const int channel = screenInfo->currentIndex() + 1;
    if (channel < 1 || channel > 4) return;
    status->ShowInputInfo(ctx->model.input(1, channel));
    status->ShowOutputInfo(ctx->model.output(1, channel));
}

void InformationPage::ResetButtonClick() {
    if (!ctx) return;
    BusyScope busy(ctx->state.CommandBusy);
    if (!busy) return;
    emit menusEnabledRequested(false);
    const auto menusBack = qScopeGuard([this] { emit menusEnabledRequested(true); });
    if (ctx->state.Refreshing || !ctx->LinkActive()) return;
    if (!ctx->host.askYesNo(
            QStringLiteral("Lumivane - Factory Reset Verification"),
            QStringLiteral("Resetting the Kestrix(s) will reset settings to default values. Are "
                           "you sure you want to reset the Kestrix(s)?")))
        return;
    ctx->host.showProgress(QStringLiteral("Kestrix reset in progress. Please wait...."));
    ctx->commands.ForEveryDevice([this](int d) { ctx->commands.SendFactoryReset(d, 'F'); });
    ctx->host.hideProgress();
    // The devices hold their defaults now; the pages still show what they held before.
    if (ctx->LinkActive()) emit devicesReset();
}

void InformationPage::HiddenLabelDblClick() {
    const bool visible = !infoGroup->isVisibleTo(this);
    infoGroup->setVisible(visible);
    sliceGroup->setVisible(visible);
    emit hiddenGroupsToggled(visible);
}

bool InformationPage::eventFilter(QObject *watched, QEvent *event) {
    if (watched == hiddenLabel && event->type() == QEvent::MouseButtonDblClick) {
        HiddenLabelDblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void InformationPage::PageActivated(bool usable) {
    // Commands sent from the other pages (advanced mode, the layout) changed the model since the labels
    // were last filled: show the settings in force.
    ScreenInfoComboBoxChange();
    enableNamed(this, {"ResetButton", "SystemSaveButton"}, usable);
}

QGroupBox *InformationPage::buildSliceGroup() {
    // Hidden at start, like the other service groups of this page.
    auto *group = sliceGroup = new QGroupBox(tr("Image Position Offset"), this);
    group->setObjectName(QStringLiteral("ScreenInfoGroupBox"));
    auto *grid = new QGridLayout(group);
    for (int p = 1; p <= 8; ++p) {
        auto *caption = new QLabel(tr("Projector %1:").arg(p), group);
        caption->setObjectName(QStringLiteral("SInfo%1Label").arg(p));
        sliceStart[p - 1] = new QLabel(tr("N/A"), group);
        sliceStart[p - 1]->setObjectName(QStringLiteral("Screen%1HLabel").arg(p));
        sliceEnd[p - 1] = new QLabel(tr("N/A"), group);
        sliceEnd[p - 1]->setObjectName(QStringLiteral("Screen%1VLabel").arg(p));
        grid->addWidget(caption, p - 1, 0);
        grid->addWidget(sliceStart[p - 1], p - 1, 1);
        grid->addWidget(sliceEnd[p - 1], p - 1, 2);
    }
    group->hide();
    return group;
}

void InformationPage::showSlice(int projector, const QString &start, const QString &end) {
    if (projector < 1 || projector > 8) return;
    sliceStart[projector - 1]->setText(start);
    sliceEnd[projector - 1]->setText(end);
}

void InformationPage::showResetButton() {
    resetButton->show();
}
