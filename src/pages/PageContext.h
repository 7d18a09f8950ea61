#pragma once

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

// The handler guard: does nothing while another device action is in progress, otherwise holds
// CommandBusy for its own lifetime and clears it on every way out.
class BusyScope {
public:
    explicit BusyScope(WindowState &state) : state(state), entered(state.CommandBusy == 0) {
        if (entered) state.CommandBusy = 1;
    }
    ~BusyScope() {
        if (entered) state.CommandBusy = 0;
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;
    // False when the handler must do nothing.
    explicit operator bool() const { return entered; }

private:
    WindowState &state;
    bool entered;
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
