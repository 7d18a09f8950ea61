#include "BlendPreviewPage.h"

#include "BlendPicture.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

BlendPreviewPage::BlendPreviewPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("BlendPreviewTabSheet"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);

    auto *top = new QHBoxLayout;
    auto *gammaLabel = new QLabel(tr("Projector gamma"), this);
    gammaEdit = new QDoubleSpinBox(this);
    gammaEdit->setObjectName(QStringLiteral("ProjectorGammaEdit"));
    gammaEdit->setRange(blend::kMinProjectorGamma, blend::kMaxProjectorGamma);
    gammaEdit->setSingleStep(0.1);
    gammaEdit->setDecimals(2);
    gammaEdit->setValue(blend::kDefaultProjectorGamma);
    gammaEdit->setToolTip(tr("The gamma the projectors apply to the signal: the light model raises each "
                             "projector's feather ramp to this gamma over the edge's gamma."));
    gammaLabel->setBuddy(gammaEdit);
    auto *modelNote = new QLabel(tr("A model of what the settings ask for, not a measurement: full-white "
                                    "picture, ramps raised to projector gamma / edge gamma."),
                                 this);
    modelNote->setObjectName(QStringLiteral("BlendModelLabel"));
    modelNote->setWordWrap(true);
    top->addWidget(gammaLabel);
    top->addWidget(gammaEdit);
    top->addSpacing(12);
    top->addWidget(modelNote, 1);
    layout->addLayout(top);

    canvas = new QLabel;
    canvas->setObjectName(QStringLiteral("BlendPictureLabel"));
    canvas->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("BlendPictureScrollBox"));
    scroll->setWidget(canvas);
    scroll->setWidgetResizable(false);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(scroll, 1);

    auto *findingsLabel = new QLabel(tr("Findings"), this);
    findings = new QListWidget(this);
    findings->setObjectName(QStringLiteral("BlendFindingsList"));
    findings->setWordWrap(true);
    findings->setFixedHeight(118);
    findingsLabel->setBuddy(findings);
    layout->addWidget(findingsLabel);
    layout->addWidget(findings);

    connect(gammaEdit, &QDoubleSpinBox::valueChanged, this, [this] { scheduleRefresh(); });
}

void BlendPreviewPage::attach(const PageContext &context) {
    model = &context.model;
    state = &context.state;
    linkActive = context.linkActive;
    // A read announces dozens of fields one by one: they are gathered into one redraw.
    connect(model, &DeviceModel::changed, this, [this] { scheduleRefresh(); });
}

void BlendPreviewPage::scheduleRefresh() {
    if (pending) return;
    pending = true;
    QTimer::singleShot(0, this, [this] {
        pending = false;
        // A hidden page is drawn again when it is shown; the plan may have changed meanwhile anyway.
        if (isVisible()) refresh();
    });
}

void BlendPreviewPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // The plan lives on the Planning page, which is never showing at the same time as this one.
    refresh();
}

void BlendPreviewPage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (isVisible()) scheduleRefresh();
}

void BlendPreviewPage::refresh() {
    if (!model) return;
    ++refreshes;
    const bool linked = linkActive && linkActive();
    current =
        blend::analyse(blend::inputFromModel(*model, gammaEdit->value(), linked ? state->DeviceCount : 0));
    const int width = std::max(scroll->viewport()->width(), 400);
    drawn = BlendPicture::render(current, QSize(width, BlendPicture::kDefaultSize.height()));
    canvas->setPixmap(QPixmap::fromImage(drawn));
    canvas->resize(drawn.size());

    findings->clear();
    if (current.empty())
        findings->addItem(tr("No wall to check."));
    else if (current.findings.isEmpty())
        findings->addItem(tr("No findings: the settings agree with each other and with the plan."));
    for (const blend::Finding &finding : current.findings)
        findings->addItem(finding.text);
}
