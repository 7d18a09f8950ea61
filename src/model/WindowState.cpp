// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowState.h"

void WindowState::resetPlacementRects() {
    for (int i = 0; i < 8; ++i)
        PlacementRects[i] = {5 + 110 * i, 5, 115 + 110 * i, 99};
}
