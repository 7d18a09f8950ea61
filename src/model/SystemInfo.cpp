// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemInfo.h"

QString SystemInfo::version() const {
    // Bytes 2..6; a 0 inside ends the text early, and the text never runs past byte 6.
    const char *text = reinterpret_cast<const char *>(bytes + 2);
    return QString::fromLatin1(text, int(qstrnlen(text, 5)));
}
