// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BusyScope.h"
#include "DeviceModel.h"
#include "WindowState.h"

#include <functional>

class CommandSet;
class Host;

// What a page needs from the window: the command builders, the settings model, the shared window state
// (the model's: Refreshing, CommandBusy, DeviceCount, the position limits), the user (messages) and
// whether the link is up.
struct PageContext {
    CommandSet &commands;
    DeviceModel &model;
    WindowState &state;
    Host &host;
    std::function<bool()> linkActive;

    bool LinkActive() const { return linkActive && linkActive(); }
    int deviceCount() const { return state.DeviceCount; }
};

// Sets Refreshing for its lifetime and puts the previous value back.
class RefreshingScope {
public:
    explicit RefreshingScope(WindowState &state) : state(state), before(state.Refreshing) {
        state.Refreshing = true;
    }
    ~RefreshingScope() { state.Refreshing = before; }
    RefreshingScope(const RefreshingScope &) = delete;
    RefreshingScope &operator=(const RefreshingScope &) = delete;

private:
    WindowState &state;
    bool before;
};
