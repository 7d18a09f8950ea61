// SPDX-License-Identifier: GPL-3.0-or-later
// The Planning page's calculator: its handlers and the computations they chain.
#include "PlanningPage.h"

#include "BusyScope.h"
#include "DeviceModel.h"
#include "Host.h"
#include "ModelAccessors.h"
#include "OverlapWidthControl.h"
#include "PlanningDrawing.h"
#include "PlanningMath.h"
#include "PlanningPeers.h"
#include "WindowState.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>

#include <cmath>

using namespace planning;

namespace {
const int kCentredItem = 1;
const QString kNotAvailable = QStringLiteral("N/A");
const char *const kMaxCentred = "Error! Maximum number of projectors for center justified image is 7";
} // namespace

int PlanningPage::projectors() const {
    return numOfScreen->currentIndex() + 1;
}

int PlanningPage::alignment() const {
    return imageAlign->currentIndex();
}

void PlanningPage::takeOverLayout(const OutputInfo &record) {
    if (window()->isVisible()) {
        const bool alignDiffers = imageAlign->currentIndex() != record.Justification;
        const bool countDiffers = numOfScreen->currentIndex() != record.TotalProjectors - 1;
        QString what;
        if (alignDiffers && countDiffers)
            what = QStringLiteral("Number of Projectors and Input Material Alignment information");
        else if (alignDiffers)
            what = QStringLiteral("Input Material Alignment information");
        else if (countDiffers)
            what = QStringLiteral("Number of Projectors information");
        if (!what.isEmpty())
            host->showMessage(
                QStringLiteral("Warning. %1 read from Kestrix(s) does not match current values "
                               "in the Planning page. \rPlanning page values will be overwritten")
                    .arg(what));
    }
    showLayout(record);
}

void PlanningPage::showLayout(const OutputInfo &record) {
    overlapPlanning->setText(QString::number(record.OverlapWidth));
    if (record.Justification < imageAlign->count()) imageAlign->setCurrentIndex(record.Justification);
    if (record.TotalProjectors >= 1 && record.TotalProjectors <= numOfScreen->count()) {
        numOfScreen->setCurrentIndex(record.TotalProjectors - 1);
        state->ProjectorCount = record.TotalProjectors;
    }
}

bool PlanningPage::centred() const {
    return imageAlign->currentIndex() == kCentredItem;
}

// Selects the count kept in ProjectorCount again; a count outside the list selects nothing new.
void PlanningPage::selectProjectors(double count) {
    const int n = int(std::trunc(count));
    if (isValidProjectorCount(n)) numOfScreen->setCurrentIndex(n - 1);
}

void PlanningPage::showAspect() {
    aspectLabel->setText(formatGeneral(state->AspectRatio, 3));
}

// A width the program worked out is shown whole, however long: the field's length limit is for typing.
void PlanningPage::showScreenWidth(const QString &text) {
    horizontalOut->setMaxLength(qMax(horizontalOut->maxLength(), int(text.size())));
    horizontalOut->setText(text);
}

void PlanningPage::showDevicesNeeded(int n) {
    kestrixCount->setText(QString::number(devicesNeeded(n)));
}

PlanningPage::PlanSnapshot PlanningPage::snapshot() const {
    return {state->ImageWidth,
            state->AspectRatio,
            state->ScreenWidth,
            state->OverlapPixels,
            state->ProjectorCount,
            state->MaxOverlapWidth,
            horizontalOut->text(),
            imageSizeH->text(),
            aspectLabel->text(),
            kestrixCount->text(),
            overlap->text(),
            overlapPlanning->text(),
            state->ScreenHeight,
            state->ImageHeight,
            state->ProjectorResH,
            state->ProjectorResV,
            projectorRes->currentIndex(),
            verticalOut->text(),
            imageSizeV->text(),
            contentNotes->toPlainText()};
}

void PlanningPage::restore(const PlanSnapshot &plan) {
    state->ImageWidth = plan.imageWidth;
    state->AspectRatio = plan.aspect;
    state->ScreenWidth = plan.screenWidth;
    state->OverlapPixels = plan.overlapPixels;
    state->ProjectorCount = plan.projectorCount;
    state->MaxOverlapWidth = plan.maxOverlapWidth;
    showScreenWidth(plan.screenWidthText);
    imageSizeH->setText(plan.imageWidthText);
    aspectLabel->setText(plan.aspectText);
    kestrixCount->setText(plan.kestrixText);
    overlap->setText(plan.overlapText);
    overlapPlanning->setText(plan.overlapPlanningText);
    state->ScreenHeight = plan.screenHeight;
    state->ImageHeight = plan.imageHeight;
    state->ProjectorResH = plan.projectorResH;
    state->ProjectorResV = plan.projectorResV;
    projectorRes->setCurrentIndex(plan.projectorResItem);
    if (verticalOut->text() != plan.screenHeightText) {
        // Shown whole, as the horizontal size is: the length limit is for typing.
        verticalOut->setMaxLength(qMax(verticalOut->maxLength(), int(plan.screenHeightText.size())));
        verticalOut->setText(plan.screenHeightText);
    }
    imageSizeV->setText(plan.imageHeightText);
    if (contentNotes->toPlainText() != plan.notesText) contentNotes->setPlainText(plan.notesText);
}

void PlanningPage::SetPlanningDefaults() {
    state->ScreenWidth = horizontalOut->text().toDouble();
    state->ScreenHeight = verticalOut->text().toDouble();
    state->OverlapPixels = 0;
    state->DefaultSourceWidth = 1280;
    state->DefaultSourceHeight = 1024;
    peers->applyAdvancedMode();
    projectorRes->setCurrentIndex(2);
    ProjectorResComboBoxChange();
    numOfScreen->setCurrentIndex(0);
    NumOfScreenComboBoxChange();
    imageAlign->setCurrentIndex(kCentredItem);
}

bool PlanningPage::readScreenSize(QLineEdit *edit, const char *which, double *value) {
    bool ok = false;
    const double number = edit->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number)) {
        state->MessageText = QStringLiteral("Error! '%1' is not a valid %2 Output Screen Size value.")
                                 .arg(edit->text(), QString::fromLatin1(which));
    } else if (number <= 0) {
        state->MessageText = QStringLiteral("Error! %1 Output Screen Size value must be greater than 0.")
                                 .arg(QString::fromLatin1(which));
    } else {
        *value = number;
        return true;
    }
    host->showMessage(state->MessageText);
    edit->setFocus();
    return false;
}

void PlanningPage::CalcOutButtonClick() {
    BusyScope busy(state->CommandBusy);
    if (!busy) return;
    calcOut->setEnabled(false);
    auto finish = qScopeGuard([this] { calcOut->setEnabled(true); });
    // The plan in force, with the screen size it was worked out for rather than the one just typed.
    PlanSnapshot before = snapshot();
    before.screenWidthText = formatGeneral(state->ScreenWidth, 5);
    before.screenHeightText = formatGeneral(state->ScreenHeight, 5);
    double width = 0, height = 0;
    if (!readScreenSize(horizontalOut, "Horizontal", &width)) return;
    state->ScreenWidth = width;
    if (!readScreenSize(verticalOut, "Vertical", &height)) return;
    state->ScreenHeight = height;
    // While linked the model is refreshed from the devices first (the pages are not).
    if (peers->linkActive() && !peers->readDevicesForCalculation()) return;

    peers->enableAfterCalculation();
    numOfScreen->setEnabled(true);
    imageAlign->setEnabled(true);
    state->AspectRatio = state->ScreenWidth / state->ScreenHeight;
    showAspect();
    ComputeImageSize();
    // A screen that needs more projectors than a wall can have leaves the plan in force as it was: the
    // overlap worked out again for an image the projectors cannot cover would be sent with the next push.
    if (!ComputeProjectorCount()) {
        restore(before);
        return;
    }
    ComputeOverlap();
    WriteImageContentNotes();
}

void PlanningPage::ProjectorResComboBoxChange() {
    static const double sizes[][2] = {{800, 600}, {1024, 768}, {1280, 1024}};
    const int item = projectorRes->currentIndex();
    // The plan in force, with the resolution it was worked out for (the list already shows the new one).
    PlanSnapshot before = snapshot();
    for (int i = 0; i < 3; ++i)
        if (sizes[i][0] == state->ProjectorResH && sizes[i][1] == state->ProjectorResV)
            before.projectorResItem = i;
    if (item >= 0 && item < 3) {
        state->ProjectorResH = sizes[item][0];
        state->ProjectorResV = sizes[item][1];
    }
    ComputeImageSize();
    // A resolution that needs more projectors than a wall can have is refused like a calculation.
    if (!ComputeProjectorCount()) {
        restore(before);
        return;
    }
    WriteImageContentNotes();
}

void PlanningPage::ComputeImageSize() {
    const ImageSize size = imageSize(state->ProjectorResV, state->AspectRatio);
    state->ImageWidth = size.width;
    state->ImageHeight = size.height;
    imageSizeH->setText(formatNumber(size.width));
    imageSizeV->setText(formatNumber(size.height));
}

bool PlanningPage::ComputeProjectorCount() {
    const int count = projectorCount(state->ProjectorResH, state->ProjectorResV, state->AspectRatio);
    if (count > kMaxProjectors) {
        // The choice stays as it was, and so does the count it stands for.
        state->MessageText =
            QStringLiteral("Error! Minimum # of screen calculated is greater than %1. Please "
                           "enter valid Horizontal/Vertical Output Size and Projector Resolution.")
                .arg(kMaxProjectors);
        host->showMessage(state->MessageText);
        horizontalOut->setFocus();
        return false;
    }
    if (count < 1) {
        kestrixCount->setText(kNotAvailable);
        return true;
    }
    state->ProjectorCount = count;
    numOfScreen->setCurrentIndex(count - 1);
    NumOfScreenComboBoxChange();
    const int devices = devicesNeeded(int(state->ProjectorCount));
    kestrixCount->setText(QString::number(devices));
    host->setStatusText(devices == 2 ? QStringLiteral("NOTE: Current settings require 2 Kestrixs.")
                                     : QStringLiteral("NOTE: Current settings require 1 Kestrix."));
    return true;
}

void PlanningPage::ComputeOverlap() {
    const int n = projectors();
    if (!isValidProjectorCount(n)) return;
    const double w = state->ProjectorResH;
    const int bound = overlapUpperBound(n, w, state->ModelFromDevices != 0, SourceWidth(*model));
    const OverlapPlan plan = planOverlap(n, w, state->ImageWidth, bound);
    state->OverlapPixels = plan.overlap;
    if (plan.imageWidthChanged) {
        state->ProjectorCount = n;
        state->ImageWidth = plan.imageWidth;
        imageSizeH->setText(formatNumber(plan.imageWidth));
        RecomputeAspect();
    }
    overlap->show(int(std::trunc(state->OverlapPixels)));
    state->MaxOverlapWidth = plan.maxOverlapWidth;
}

void PlanningPage::RecomputeAspect() {
    const AspectFromImage result =
        aspectFromImage(state->ImageWidth, state->ImageHeight, state->ScreenHeight);
    if (!std::isfinite(result.aspect)) {
        aspectLabel->setText(kNotAvailable);
        return;
    }
    state->AspectRatio = result.aspect;
    state->ScreenWidth = result.screenWidth;
    showAspect();
    showScreenWidth(formatGeneral(state->ScreenWidth, 5));
}

void PlanningPage::NumOfScreenComboBoxChange() {
    const int n = projectors();
    if (n == kMaxProjectors && centred()) {
        host->showMessage(QString::fromLatin1(kMaxCentred));
        selectProjectors(state->ProjectorCount);
        return;
    }
    // The overlap's corrections for n may change the count, the image, the aspect, the screen width
    // and the overlap; a refused change puts the whole plan back as it was before.
    const PlanSnapshot before = snapshot();
    ComputeOverlap();
    if (peers->linkActive() && !peers->checkKestrixCount()) {
        restore(before);
        selectProjectors(before.projectorCount);
        return;
    }
    host->setBusyCursor(true);
    if (!state->Refreshing && peers->linkActive()) {
        peers->sendProjectorCount(1, n);
        if (state->DeviceCount > 1) peers->sendProjectorCount(2, n);
    }
    peers->arrangeSystemGroups(n);
    ImageAlignComboBoxChange();
    peers->arrangeScreens(n);
    showDevicesNeeded(n);
    DrawPlanning();
    WriteImageContentNotes();
    host->setBusyCursor(false);
}

void PlanningPage::ImageAlignComboBoxChange() {
    if (centred() && projectors() >= kMaxProjectors) {
        host->showMessage(QString::fromLatin1(kMaxCentred));
        imageAlign->setCurrentIndex(0);
        ComputeScreenOffsets();
        return;
    }
    bool ok = false;
    const int overlapWidth = overlap->text().trimmed().toInt(&ok);
    // An overlap field that holds no number has nothing to send.
    if (!state->Refreshing && peers->linkActive() && ok && imageAlign->currentIndex() >= 0) {
        peers->sendDisplayLayout(1, imageAlign->currentIndex(), overlapWidth);
        if (state->DeviceCount > 1) peers->sendDisplayLayout(2, imageAlign->currentIndex(), overlapWidth);
    }
    ComputeScreenOffsets();
}

void PlanningPage::ComputeScreenOffsets() {
    bool ok = false;
    const int overlapWidth = overlap->text().trimmed().toInt(&ok);
    if (ok) state->OverlapEditValue = overlapWidth;
    if (imageAlign->currentIndex() < 0) return;
    const SliceLayout layout =
        screenOffsets(projectors(), state->ProjectorResH, state->OverlapEditValue, centred());
    for (int p = 1; p <= kMaxProjectors; ++p) {
        if (p <= layout.count)
            peers->showSlice(p, formatNumber(layout.slices[p - 1].start),
                             formatNumber(layout.slices[p - 1].end));
        else
            peers->showSlice(p, kNotAvailable, kNotAvailable);
    }
    if (std::isfinite(layout.imageWidth)) state->ImageWidth = layout.imageWidth;
    imageSizeH->setText(formatNumber(layout.imageWidth));
}

void PlanningPage::DrawPlanning() {
    PlanningDrawing::Wall wall;
    wall.projectors = projectors();
    wall.overlapEdit = overlap->text().trimmed().toInt();
    wall.projectorResH = state->ProjectorResH;
    wall.overlapPixels = state->OverlapPixels;
    wall.imageWidth = state->ImageWidth;
    wall.screenWidth = state->ScreenWidth;
    wall.screenWidthText = horizontalOut->text();
    QList<FrameRect> frames;
    projectorImage->setPixmap(QPixmap::fromImage(PlanningDrawing::drawFrames(wall, &frames)));
    for (int k = 0; k < int(frames.size()); ++k)
        state->PlacementRects[k] = {frames[k].left, frames[k].top, frames[k].right, frames[k].bottom};
    placementImage->setPixmap(QPixmap::fromImage(PlanningDrawing::drawPlacement(wall)));
    ComputeScreenOffsets();
}

void PlanningPage::WriteImageContentNotes() {
    contentNotes->setPlainText(imageContentNotes(projectors(), aspectLabel->text(), int(state->ProjectorResH),
                                                 int(state->ProjectorResV), imageSizeH->text(),
                                                 imageSizeV->text()));
}

void PlanningPage::RecomputeFromDeviceLayout() {
    const int n = projectors();
    if (!isValidProjectorCount(n)) return;
    const DeviceLayout layout =
        layoutFromDevices(n, SourceWidth(*model), SourceHeight(*model), model->output(1, 1).OverlapWidth);
    state->ImageWidth = layout.imageWidth;
    if (std::isfinite(layout.aspect)) {
        state->AspectRatio = layout.aspect;
        state->ScreenWidth = layout.screenWidth;
    }
    aspectLabel->setText(formatGeneral(layout.aspect, 3));
    showScreenWidth(formatGeneral(layout.screenWidth, 5));
    state->OverlapPixels = layout.overlap;
    state->ProjectorResH = state->DefaultSourceWidth;
    state->ProjectorResV = state->DefaultSourceHeight;
    state->ImageHeight = state->ProjectorResV;
    // The overlap fields' limit follows the projector width the devices imply.
    state->MaxOverlapWidth = int(std::trunc(state->ProjectorResH * 0.5));
    imageSizeV->setText(formatNumber(state->ImageHeight));
    static const int widths[] = {800, 1024, 1280};
    for (int item = 0; item < 3; ++item)
        if (state->ProjectorResH == widths[item]) projectorRes->setCurrentIndex(item);
    // The devices' wall is in force now, even should the overlap field's check that follows refuse it.
    imageSizeH->setText(formatNumber(state->ImageWidth));
    showDevicesNeeded(n);
    WriteImageContentNotes();
}

void PlanningPage::OWidthEditExit() {
    overlap->OWidthEditExit();
}
