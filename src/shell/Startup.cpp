// SPDX-License-Identifier: GPL-3.0-or-later
#include "Startup.h"

#include "SingleInstance.h"

bool claimSingleInstance(SingleInstance &instance, const std::function<void(const QString &)> &showMessage) {
    if (instance.acquire()) return true;
    showMessage(alreadyRunningText());
    instance.askRunningInstanceToRaise();
    return false;
}
