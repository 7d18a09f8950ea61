// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanningPage.h"

#include "DeviceModel.h"

#include "OverlapWidthControl.h"
#include "PlanningDrawing.h"
#include "PlanningMath.h"
#include "SpinButton.h"

#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char *const kInstructions[] = {
    "- If Kestrix(s) are connected to the PC/laptop, click on the \"Serial Port->Search for "
    "Kestrix(s)->Search\" menu and establish connection to the Kestrix(s).",
    "- If connection with Kestrix(s) has been established and changes done to Kestrix(s) via front panel, "
    "click on the \"Serial Port->Read from Kestrix(s)\" to update the Lumivane.",
    "",
    "1) Enter the Horizontal size and Vertical size of the output screen in the given edit boxes. ",
    "2) Select the Projectors Native Resolution from the drop down box. ",
    "When done, click the \"Calculate\" button. Lumivane will calculate the output aspect ratio, number of "
    "projectors, projector overlap, and input image size requirements.",
    "NOTE: Manually selecting number of projectors required will alter Image Size, Output Aspect Ratio "
    "requirements",
    "            If number of projectors exceed 4, a second Kestrix unit is required.",
};

// What can be typed into a screen size field.
const int kScreenSizeChars = 6;

QLabel *named(QLabel *label, const char *name) {
    label->setObjectName(QString::fromLatin1(name));
    return label;
}
} // namespace

PlanningPage::PlanningPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PlanningTabSheet"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildInstructions());
    projectorImage = named(new QLabel(this), "ProjectorImage");
    projectorImage->setFixedSize(PlanningDrawing::kFramesWidth, PlanningDrawing::kFramesHeight);
    layout->addWidget(projectorImage);
    layout->addWidget(buildLegend());
    layout->addWidget(buildCalculator(), 1);
}

PlanningPage::~PlanningPage() = default;

QWidget *PlanningPage::buildInstructions() {
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PlanningPanel"));
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 0, 2, 0);
    instructions = new QListWidget(panel);
    instructions->setObjectName(QStringLiteral("ListBox1"));
    for (const char *line : kInstructions)
        instructions->addItem(QString::fromLatin1(line));
    QFont small = instructions->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    instructions->setFont(small);
    instructions->setSelectionMode(QAbstractItemView::NoSelection);
    instructions->setFocusPolicy(Qt::NoFocus);
    instructions->setFixedHeight(instructions->sizeHintForRow(0) * 8 + 2 * instructions->frameWidth());
    instructions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    instructions->setWordWrap(false);
    layout->addWidget(instructions);
    return panel;
}

QWidget *PlanningPage::buildLegend() {
    auto *legend = new QGroupBox(tr("Projector Color Legend"), this);
    legend->setObjectName(QStringLiteral("ScreenLegendGroupBox"));
    auto *row = new QHBoxLayout(legend);
    row->setContentsMargins(4, 0, 4, 2);
    for (int k = 1; k <= planning::kMaxProjectors; ++k) {
        auto *label = new QLabel(tr("Projector %1").arg(k), legend);
        label->setObjectName(QStringLiteral("Screen%1Label").arg(k));
        const QColor colour = PlanningDrawing::projectorColours()[k - 1];
        // Dark colours carry white text so that the caption stays readable.
        const bool dark = colour.lightness() < 100 || colour == QColor(0, 0, 255);
        label->setStyleSheet(
            QStringLiteral("background-color: %1; color: %2; padding: 1px 4px;")
                .arg(colour.name(), dark ? QStringLiteral("white") : QStringLiteral("black")));
        label->setAlignment(Qt::AlignCenter);
        row->addWidget(label);
    }
    return legend;
}

QWidget *PlanningPage::buildCalculator() {
    auto *calc = new QGroupBox(
        tr("Calculate Aspect Ratio, Number of Screens, Data Overlap, and Input Image Size"), this);
    calc->setObjectName(QStringLiteral("PlanCalcGroupBox"));
    auto *grid = new QGridLayout(calc);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setVerticalSpacing(2);

    auto *outSize = new QGroupBox(tr("Output Screen Size"), calc);
    outSize->setObjectName(QStringLiteral("OutputImageSizeGroupBox"));
    auto *outGrid = new QGridLayout(outSize);
    outGrid->setContentsMargins(4, 2, 4, 2);
    auto sizeEdit = [outSize](const char *name, const char *text) {
        auto *edit = new QLineEdit(QString::fromLatin1(text), outSize);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(kScreenSizeChars);
        edit->setMaximumWidth(64);
        return edit;
    };
    horizontalOut = sizeEdit("HorizontalOutEdit", "30");
    verticalOut = sizeEdit("VerticalOutEdit", "10");
    calcOut = new QPushButton(tr("Calculate"), outSize);
    calcOut->setObjectName(QStringLiteral("CalcOutButton"));
    outGrid->addWidget(new QLabel(tr("Horizontal"), outSize), 0, 0);
    outGrid->addWidget(horizontalOut, 0, 1);
    outGrid->addWidget(new QLabel(tr("Vertical"), outSize), 1, 0);
    outGrid->addWidget(verticalOut, 1, 1);
    outGrid->addWidget(calcOut, 0, 2, 2, 1);
    horizontalOut->installEventFilter(this);
    verticalOut->installEventFilter(this);
    // The program's own widths may be longer than what can be typed: the limit follows what is shown
    // until the user has shortened it to what can be typed again.
    connect(horizontalOut, &QLineEdit::textEdited, horizontalOut, [this](const QString &text) {
        if (text.size() <= kScreenSizeChars) horizontalOut->setMaxLength(kScreenSizeChars);
    });

    projectorRes = new QComboBox(calc);
    projectorRes->setObjectName(QStringLiteral("ProjectorResComboBox"));
    projectorRes->addItems(
        {QStringLiteral("800x600"), QStringLiteral("1024x768"), QStringLiteral("1280x1024")});
    projectorRes->setCurrentIndex(-1);

    numOfScreen = new QComboBox(calc);
    numOfScreen->setObjectName(QStringLiteral("NumOfScreenComboBox"));
    numOfScreen->addItem(tr("1 Projector"));
    for (int n = 2; n <= planning::kMaxProjectors; ++n)
        numOfScreen->addItem(tr("%1 Projectors").arg(n));
    numOfScreen->setCurrentIndex(-1);
    numOfScreen->setEnabled(false);

    imageAlign = new QComboBox(calc);
    imageAlign->setObjectName(QStringLiteral("ImageAlignComboBox"));
    imageAlign->addItems({tr("Left Justified"), tr("Centered")});
    imageAlign->setCurrentIndex(-1);
    imageAlign->setEnabled(false);

    overlapPlanning = new QLineEdit(QStringLiteral("64"), calc);
    overlapPlanning->setObjectName(QStringLiteral("OWidthPlanningEdit"));
    overlapPlanning->installEventFilter(this);
    overlapPlanning->setMaximumWidth(56);
    auto *overlapRow = new QHBoxLayout;
    overlapRow->setSpacing(0);
    overlapRow->addWidget(overlapPlanning);
    overlapPlanningUpDown = new SpinButton(calc);
    overlapPlanningUpDown->setObjectName(QStringLiteral("OWidthPlanningUpDown"));
    overlapRow->addWidget(overlapPlanningUpDown);

    auto *choices = new QGridLayout;
    choices->setHorizontalSpacing(12);
    choices->addWidget(new QLabel(tr("Projector Native Resolution"), calc), 0, 0);
    choices->addWidget(projectorRes, 1, 0);
    choices->addWidget(new QLabel(tr("Number of Projectors"), calc), 0, 1);
    choices->addWidget(numOfScreen, 1, 1);
    choices->addWidget(new QLabel(tr("Input Material Alignment"), calc), 0, 2);
    choices->addWidget(imageAlign, 1, 2);
    choices->addWidget(new QLabel(tr("Projector Overlap:"), calc), 0, 3);
    choices->addLayout(overlapRow, 1, 3, Qt::AlignLeft);

    grid->addWidget(outSize, 0, 0, 2, 1);
    grid->addLayout(choices, 0, 1);
    grid->addWidget(buildResults(), 1, 1);
    grid->addWidget(buildNotesAndPlacement(), 2, 0, 1, 2);

    connect(calcOut, &QPushButton::clicked, this, &PlanningPage::CalcOutButtonClick);
    connect(projectorRes, &QComboBox::activated, this, &PlanningPage::ProjectorResComboBoxChange);
    connect(numOfScreen, &QComboBox::activated, this, &PlanningPage::NumOfScreenComboBoxChange);
    connect(imageAlign, &QComboBox::activated, this, &PlanningPage::ImageAlignComboBoxChange);
    return calc;
}

QWidget *PlanningPage::buildResults() {
    auto *results = new QWidget(this);
    auto *row = new QHBoxLayout(results);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto caption = [results, row](const QString &text) { row->addWidget(new QLabel(text, results)); };
    imageSizeH = named(new QLabel(tr("N/A"), results), "ImageSizeHLabel");
    imageSizeV = named(new QLabel(tr("N/A"), results), "ImageSizeVLabel");
    aspectLabel = named(new QLabel(QStringLiteral("?"), results), "OutAspectRatioLabel");
    kestrixCount = named(new QLabel(tr("N/A"), results), "NumOfKestrixLabel");
    caption(tr("Input Image Size Required:"));
    row->addWidget(imageSizeH);
    caption(QStringLiteral("x"));
    row->addWidget(imageSizeV);
    row->addSpacing(20);
    caption(tr("Output Aspect Ratio:"));
    row->addWidget(aspectLabel);
    caption(QStringLiteral(":1"));
    row->addSpacing(20);
    caption(tr("Number of Kestrix(s) required:"));
    row->addWidget(kestrixCount);
    row->addStretch(1);
    return results;
}

QWidget *PlanningPage::buildNotesAndPlacement() {
    auto *area = new QWidget(this);
    auto *row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);

    auto *notesGroup = new QGroupBox(tr("Image Content Creation Requirement"), area);
    auto *notesLayout = new QVBoxLayout(notesGroup);
    notesLayout->setContentsMargins(2, 0, 2, 2);
    contentNotes = new QPlainTextEdit(notesGroup);
    contentNotes->setObjectName(QStringLiteral("ImageContentInfoMemo"));
    contentNotes->setReadOnly(true);
    // Wrapped on screen only: the notes themselves keep their lines.
    contentNotes->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    notesLayout->addWidget(contentNotes);

    auto *placeGroup = new QGroupBox(tr("Projector Placement"), area);
    auto *placeLayout = new QVBoxLayout(placeGroup);
    placeLayout->setContentsMargins(2, 0, 2, 2);
    placementImage = named(new QLabel(placeGroup), "ProjPlaceImage");
    placementImage->setFixedSize(PlanningDrawing::kPlacementWidth, PlanningDrawing::kPlacementHeight);
    placeLayout->addWidget(placementImage);

    row->addWidget(notesGroup, 1);
    row->addWidget(placeGroup);
    return area;
}

void PlanningPage::attach(DeviceModel &deviceModel, Host &windowHost, PlanningPeers &pagePeers) {
    model = &deviceModel;
    state = &deviceModel.state();
    WindowState &windowState = deviceModel.state();
    host = &windowHost;
    peers = &pagePeers;
    overlap = new OverlapWidthControl(
        windowState, windowHost, pagePeers, overlapPlanning, overlapPlanningUpDown,
        {[this] { RecomputeAspect(); }, [this] { DrawPlanning(); },
         [this] { return imageAlign->currentIndex(); }, [this] { WriteImageContentNotes(); }},
        this);
}

// Enter moves on from the screen size fields (it does not calculate) and from the overlap field, which
// then checks its value as on any other way out.
bool PlanningPage::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress &&
        (watched == horizontalOut || watched == verticalOut || watched == overlapPlanning)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == horizontalOut)
                verticalOut->setFocus();
            else if (watched == verticalOut)
                calcOut->setFocus();
            else
                horizontalOut->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PlanningPage::prepare() {
    prepared = true;
    SetPlanningDefaults();
    CalcOutButtonClick();
}
