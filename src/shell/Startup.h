// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class SingleInstance;

// The first step of every start: only one instance may run. When another one already runs, the refusal
// is shown (through showMessage), the running instance is asked to come to the front and false is
// returned; the caller then ends with status 0.
bool claimSingleInstance(SingleInstance &instance, const std::function<void(const QString &)> &showMessage);

inline QString alreadyRunningText() {
    return QStringLiteral("Error! Already have an instance of the Lumivane running. Exiting application.");
}
