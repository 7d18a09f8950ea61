// SPDX-License-Identifier: GPL-3.0-or-later
#include "TInfoForm.h"

#include "EventPump.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>

#include <algorithm>

TInfoForm::TInfoForm(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("InfoForm"));
    setWindowTitle(tr("Quillon - Lumivane Info"));
    setFixedSize(DesignWidth, DesignHeight);

    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPixelSize(15);
    infoLabel = new QLabel(tr("Auto Color Balance in progress. Please wait...."), this);
    infoLabel->setObjectName(QStringLiteral("InfoLabel"));
    infoLabel->setAlignment(Qt::AlignCenter);
    infoLabel->setFont(font);
    progressLabel = new QLabel(this);
    progressLabel->setObjectName(QStringLiteral("InfoProgressLabel"));
    progressLabel->setFont(font);
    // Room for the dots and for a count such as "11 of 11".
    progressLabel->setMinimumWidth(
        progressLabel->fontMetrics().horizontalAdvance(QStringLiteral("88 of 88")));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(infoLabel, 1);
    layout->addWidget(progressLabel);

    centre();
}

void TInfoForm::centre() {
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

// The notice is 383 pixels wide unless its text needs more: then it widens to show the text whole, on
// one line, up to the width of the screen. While it is up it only ever widens, so a pass that names its
// parts one after another does not make it jump at every part.
void TInfoForm::fitText(bool shown) {
    const int margins = layout()->contentsMargins().left() + layout()->contentsMargins().right();
    int needed = infoLabel->fontMetrics().horizontalAdvance(infoLabel->text()) + layout()->spacing() +
                 progressLabel->minimumWidth() + margins + 8;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        needed = std::min(needed, screen->availableGeometry().width());
    int width = std::max(DesignWidth, needed);
    if (shown) width = std::max(width, this->width());
    if (width == this->width()) return;
    setFixedSize(width, DesignHeight);
    centre();
}

void TInfoForm::showNotice(const QString &text) {
    infoLabel->setText(text);
    fitText(isVisible());
    show();
    // Through the program's one waiting mechanism: a window close that arrives while the notice
    // paints is then deferred until the operation that shows it has unwound.
    EventPump::processPending();
    repaint();
    EventPump::processPending();
}

void TInfoForm::setText(const QString &text) {
    infoLabel->setText(text);
    fitText(isVisible());
}

// Painted with the next pass of the event loop, as the dots go with the device's answers.
void TInfoForm::setProgressText(const QString &dots) {
    progressLabel->setText(dots);
}

QString TInfoForm::text() const {
    return infoLabel->text();
}

QString TInfoForm::progressText() const {
    return progressLabel->text();
}
