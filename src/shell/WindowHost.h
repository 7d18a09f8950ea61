// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Host.h"

#include <QPointer>
#include <QTimer>

class QLabel;
class QStatusBar;
class QWidget;
class TInfoForm;

// The real user: message boxes owned by the main window, its status bar, its page control, the
// hourglass cursor and the progress notice.
class WindowHost : public Host {
public:
    WindowHost(QWidget *mainWindow, QStatusBar *statusBar, QWidget *pages);
    void setInfoForm(TInfoForm *form) { infoForm = form; }

    void showMessage(const QString &text) override;
    bool askYesNo(const QString &caption, const QString &text) override;
    bool askOkCancel(const QString &caption, const QString &text) override;
    void setStatusText(const QString &text) override;
    void setPagesEnabled(bool enabled) override;
    void setBusyCursor(bool busy) override;
    bool isBusyCursor() const override { return busy; }
    void showProgress(const QString &text) override;
    void setProgressSuffix(const QString &suffix) override;
    void hideProgress() override;
    void exitProcess(int status) override;

private:
    QPointer<QWidget> window;
    QPointer<QLabel> statusText;
    QPointer<QWidget> pages;
    QPointer<TInfoForm> infoForm;
    QPointer<QWidget> heldFocus; // where the focus was when the pages were disabled
    QTimer pendingHide;          // the notice goes with the next pass of the event loop
    bool busy = false;
};
