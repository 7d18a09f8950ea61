// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// The device's system record: two bytes we keep without interpreting and a version text of up to five
// characters in bytes 2..6. Byte 7 is always 0, so the version is NUL-terminated whatever the device sent.
struct SystemInfo {
    quint8 bytes[8];

    QString version() const;
};

static_assert(sizeof(SystemInfo) == 8);
