#include "WindowHost.h"

#include "AppTitle.h"
#include "TInfoForm.h"

#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>

#include <cstdio>
#include <cstdlib>

WindowHost::WindowHost(QWidget *mainWindow, QStatusBar *statusBar, QWidget *pages)
    : window(mainWindow), statusBar(statusBar), pages(pages) {}

void WindowHost::showMessage(const QString &text) {
    QMessageBox::information(window, appTitle(), text, QMessageBox::Ok);
}

bool WindowHost::askYesNo(const QString &caption, const QString &text) {
    return QMessageBox::question(window, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

bool WindowHost::askOkCancel(const QString &caption, const QString &text) {
    return QMessageBox::warning(window, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Ok) == QMessageBox::Ok;
}

void WindowHost::setStatusText(const QString &text) {
    if (!statusBar) return;
    statusBar->showMessage(text);
    // Progress texts are set right before a blocking step: paint them now.
    statusBar->repaint();
}

void WindowHost::setPagesEnabled(bool enabled) {
    if (pages) pages->setEnabled(enabled);
}

void WindowHost::setBusyCursor(bool on) {
    if (on == busy) return;
    busy = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void WindowHost::showProgress(const QString &text) {
    if (infoForm) {
        infoForm->setProgressText(QString());
        infoForm->showNotice(text);
    }
}

void WindowHost::setProgressSuffix(const QString &suffix) {
    if (infoForm) infoForm->setProgressText(suffix);
}

void WindowHost::hideProgress() {
    if (infoForm) infoForm->hide();
}

void WindowHost::exitProcess(int status) {
    // Ends at once: nothing is saved and nothing more is asked; the system releases the port.
    std::fflush(nullptr);
    std::_Exit(status);
}
