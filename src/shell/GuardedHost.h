// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Host.h"

// Passes everything on to the real host, except while the program is closing during a device wait:
// then nothing more is shown, every question is answered No / Cancel, and the flows that are still
// unwinding end quietly instead of putting boxes over a window that is going away.
class GuardedHost : public Host {
public:
    explicit GuardedHost(Host &inner) : inner(inner) {}

    void showMessage(const QString &text) override;
    bool askYesNo(const QString &caption, const QString &text) override;
    bool askOkCancel(const QString &caption, const QString &text) override;
    void setStatusText(const QString &text) override { inner.setStatusText(text); }
    void setPagesEnabled(bool enabled) override { inner.setPagesEnabled(enabled); }
    void setBusyCursor(bool busy) override { inner.setBusyCursor(busy); }
    bool isBusyCursor() const override { return inner.isBusyCursor(); }
    void showProgress(const QString &text) override;
    void setProgressSuffix(const QString &suffix) override { inner.setProgressSuffix(suffix); }
    void hideProgress() override { inner.hideProgress(); }
    void exitProcess(int status) override { inner.exitProcess(status); }

private:
    Host &inner;
};
