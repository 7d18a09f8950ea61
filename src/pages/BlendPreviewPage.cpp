// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlendPreviewPage.h"

#include "BlendPicture.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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
    // Named for a screen reader, the spin box's own text field included.
    gammaEdit->setAccessibleName(tr("Projector gamma"));
    if (auto *text = gammaEdit->findChild<QLineEdit *>()) {
        text->setAccessibleName(tr("Projector gamma value"));
        text->setToolTip(tr("Projector gamma of the light model, 1 to 3.5 (no unit)"));
    }
    modelNote = new QLabel(BlendPicture::modelNotes(gammaEdit->value()).join(QLatin1Char(' ')), this);
    modelNote->setObjectName(QStringLiteral("BlendModelLabel"));
    modelNote->setWordWrap(true);
    modelNote->setStyleSheet(QStringLiteral("font-size: 8pt"));
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
    findings->setFixedHeight(96);
    findingsLabel->setBuddy(findings);
    findings->setAccessibleName(tr("Blend findings"));
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
    // As wide as the view, and as high when the charts fit in it; otherwise the view scrolls.
    const QSize view = scroll->viewport()->size();
    const QSize size(std::max(view.width(), 400),
                     std::max(view.height(), BlendPicture::minimumHeight(current, false)));
    drawn = BlendPicture::render(current, size, false);
    modelNote->setText(BlendPicture::modelNotes(current.input.projectorGamma).join(QLatin1Char(' ')));
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
