// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Host.h"

// The window's own host with the boxes answered by another one: messages, questions and the process
// exit go to `dialogs`; the status text, the pages, the cursor and the progress notice go to the
// window (so the pages really are disabled during a send) and are reported to `dialogs` as well.
class SplitHost : public Host {
public:
    SplitHost(Host &window, Host &dialogs) : window(window), dialogs(dialogs) {}

    void showMessage(const QString &text) override { dialogs.showMessage(text); }
    bool askYesNo(const QString &caption, const QString &text) override {
        return dialogs.askYesNo(caption, text);
    }
    bool askOkCancel(const QString &caption, const QString &text) override {
        return dialogs.askOkCancel(caption, text);
    }
    void setStatusText(const QString &text) override {
        window.setStatusText(text);
        dialogs.setStatusText(text);
    }
    void setPagesEnabled(bool enabled) override {
        window.setPagesEnabled(enabled);
        dialogs.setPagesEnabled(enabled);
    }
    void setBusyCursor(bool busy) override {
        window.setBusyCursor(busy);
        dialogs.setBusyCursor(busy);
    }
    bool isBusyCursor() const override { return window.isBusyCursor(); }
    void showProgress(const QString &text) override {
        window.showProgress(text);
        dialogs.showProgress(text);
    }
    void setProgressSuffix(const QString &suffix) override {
        window.setProgressSuffix(suffix);
        dialogs.setProgressSuffix(suffix);
    }
    void hideProgress() override {
        window.hideProgress();
        dialogs.hideProgress();
    }
    void exitProcess(int status) override { dialogs.exitProcess(status); }

private:
    Host &window;
    Host &dialogs;
};
