// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowHost.h"

#include "AppTitle.h"
#include "EventPump.h"
#include "TInfoForm.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

#include <cstdio>
#include <cstdlib>
#include <utility>

WindowHost::WindowHost(QWidget *mainWindow, QStatusBar *statusBar, QWidget *pages)
    : window(mainWindow), pages(pages) {
    pendingHide.setSingleShot(true);
    pendingHide.setInterval(0);
    QObject::connect(&pendingHide, &QTimer::timeout, [this] {
        if (infoForm) infoForm->hide();
    });
    // The status text is a permanent label rather than a temporary message: Qt clears temporary
    // messages whenever the pointer passes over a menu item, and a status text must stay until the
    // next one replaces it.
    if (!statusBar) return;
    statusText = new QLabel(statusBar);
    statusText->setObjectName(QStringLiteral("MainStatusText"));
    statusText->setTextFormat(Qt::PlainText);
    statusBar->addPermanentWidget(statusText, 1);
}

// A box handles events while it is up; it counts as a wait, so that a window close meanwhile is deferred
// until the flow that showed it has unwound.
void WindowHost::showMessage(const QString &text) {
    EventPump::Scope wait;
    QMessageBox::information(window, appTitle(), text, QMessageBox::Ok);
}

bool WindowHost::askYesNo(const QString &caption, const QString &text) {
    EventPump::Scope wait;
    return QMessageBox::question(window, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

bool WindowHost::askOkCancel(const QString &caption, const QString &text) {
    EventPump::Scope wait;
    return QMessageBox::warning(window, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Ok) == QMessageBox::Ok;
}

// Painted with the next pass of the event loop, which every wait for a device makes: a text set between
// an answer and the next request costs that request nothing, and texts that replace one another before
// then are painted once.
void WindowHost::setStatusText(const QString &text) {
    if (statusText) statusText->setText(text);
}

// Disabling the pages takes the focus from the control that has it; that is the program's doing, not
// the user leaving the control. When the pages come back, the focus goes back where the user left it,
// unless it has been given somewhere else meanwhile.
void WindowHost::setPagesEnabled(bool enabled) {
    if (!pages) return;
    if (!enabled) {
        if (pages->isEnabled()) {
            QWidget *focus = pages->window()->focusWidget();
            heldFocus = focus && pages->isAncestorOf(focus) ? focus : nullptr;
        }
        pages->setEnabled(false);
        return;
    }
    pages->setEnabled(true);
    const QPointer<QWidget> held = std::exchange(heldFocus, nullptr);
    if (held && held->isEnabled() && held->isVisible() && !pages->window()->focusWidget())
        held->setFocus(Qt::OtherFocusReason);
}

void WindowHost::setBusyCursor(bool on) {
    if (on == busy) return;
    busy = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// A notice that is already up only changes its text (a pass that names each of its parts): it was
// painted when it came up, and the new text is painted while the devices are waited for.
void WindowHost::showProgress(const QString &text) {
    if (!infoForm) return;
    pendingHide.stop();
    infoForm->setProgressText(QString());
    if (infoForm->isVisible())
        infoForm->setText(text);
    else
        infoForm->showNotice(text);
}

void WindowHost::setProgressSuffix(const QString &suffix) {
    if (infoForm) infoForm->setProgressText(suffix);
}

// The notice goes with the next pass of the event loop: one taken down and put up again at once (the
// read of one device after the other) stays up instead of being unmapped, mapped and painted anew
// between an answer and the next request; nobody could have seen it gone.
void WindowHost::hideProgress() {
    if (infoForm) pendingHide.start();
}

void WindowHost::exitProcess(int status) {
    // Ends at once: nothing is saved and nothing more is asked; the system releases the port.
    std::fflush(nullptr);
    std::_Exit(status);
}
