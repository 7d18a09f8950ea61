// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one guard of CommandBusy, the flag that keeps device actions from running inside one another
// (a handler raised by an event that a wait for a device let through). Whatever it does to the flag, it
// puts back what it found when the scope ends, on every way out.
//
// - Enter (the handlers): takes the flag only when nobody holds it; `if (!busy) return;` then leaves
//   a handler that must do nothing while another device action is under way.
// - Hold (a wait for a device): holds the flag whatever it was.
// - Release (the refresh after a read or a load): lets the flag go, so that handlers raised by the
//   refresh see no device action in progress while Refreshing keeps them from sending.
class BusyScope {
public:
    enum class Kind { Enter, Hold, Release };

    explicit BusyScope(int &flag, Kind kind = Kind::Enter)
        : flag(flag), before(flag), entered(kind != Kind::Enter || flag == 0) {
        if (kind == Kind::Release)
            flag = 0;
        else if (entered)
            flag = 1;
    }
    ~BusyScope() { flag = before; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

    // False for an Enter that found the flag held: the caller must do nothing.
    explicit operator bool() const { return entered; }

private:
    int &flag;
    int before;
    bool entered;
};
