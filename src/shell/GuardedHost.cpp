// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuardedHost.h"

#include "EventPump.h"

void GuardedHost::showMessage(const QString &text) {
    if (!EventPump::aborting()) inner.showMessage(text);
}

bool GuardedHost::askYesNo(const QString &caption, const QString &text) {
    return !EventPump::aborting() && inner.askYesNo(caption, text);
}

bool GuardedHost::askOkCancel(const QString &caption, const QString &text) {
    return !EventPump::aborting() && inner.askOkCancel(caption, text);
}

void GuardedHost::showProgress(const QString &text) {
    if (!EventPump::aborting()) inner.showProgress(text);
}
