// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Gives every input control of the pages that the field table does not cover its accessible name (what
// it is, and for which screen or edge) and, where it has one, its unit and range as a tooltip. The
// numeric fields of the field table are named by their editors.
void nameControls(QWidget *root);
