// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The application title: the caption of every plain message box.
inline QString appTitle() {
    return QStringLiteral("QLN - Lumivane");
}
