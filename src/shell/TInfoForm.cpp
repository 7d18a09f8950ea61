#include "TInfoForm.h"

#include "EventPump.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>

TInfoForm::TInfoForm(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("InfoForm"));
    setWindowTitle(tr("Quillon - Lumivane Info"));
    setFixedSize(383, 34);

    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPixelSize(15);
    infoLabel = new QLabel(tr("Auto Color Balance in progress. Please wait...."), this);
    infoLabel->setObjectName(QStringLiteral("InfoLabel"));
    infoLabel->setAlignment(Qt::AlignCenter);
    infoLabel->setFont(font);
    progressLabel = new QLabel(this);
    progressLabel->setObjectName(QStringLiteral("InfoProgressLabel"));
    progressLabel->setFont(font);
    progressLabel->setFixedWidth(40);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(infoLabel, 1);
    layout->addWidget(progressLabel);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TInfoForm::showNotice(const QString &text) {
    infoLabel->setText(text);
    show();
    // Through the program's one waiting mechanism: a window close that arrives while the notice
    // paints is then deferred until the operation that shows it has unwound.
    EventPump::processPending();
    repaint();
    EventPump::processPending();
}

void TInfoForm::setText(const QString &text) {
    infoLabel->setText(text);
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
