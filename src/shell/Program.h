// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class TLumivaneForm;

// The whole program from its command line to the end of its event loop: options, the single-instance
// rule, the built-in simulator when asked for, the three windows and the main window's first show.
// main() is this with no hook; a bench that times the real start passes a hook, which runs once the
// windows exist, just before the main window is shown.
int runProgram(int argc, char **argv, const std::function<void(TLumivaneForm &)> &beforeShow = {});
