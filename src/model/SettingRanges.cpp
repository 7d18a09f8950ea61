// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingRanges.h"

#include <QString>

#include <cmath>

namespace SettingRanges {

double Range::shown(double v) const {
    if (integer || !std::isfinite(v)) return v;
    return QString::number(v, 'g', digits).toDouble();
}

bool Range::contains(double v) const {
    if (!std::isfinite(v)) return false;
    if (integer && v != std::trunc(v)) return false;
    if (hasZero && v == 0) return true;
    const double s = shown(v);
    return lower <= s && s <= upper;
}

} // namespace SettingRanges
