// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Drop-down lists as a screen reader meets them: named for what they choose (their accessible name, or
// the label whose buddy they are), their current item as their value, their item list as their one
// child, and "press" / "show menu" to open it. Qt's own interface names a list by its current item on
// this platform, so every list would be called "Off" or "57600". Given to every list under root.
class QWidget;
void installListAccessible(QWidget *root);
