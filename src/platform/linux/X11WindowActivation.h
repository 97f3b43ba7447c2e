#pragma once
// Bringing a window to the front for an input: the window manager's
// focus-stealing prevention only lets a window take the focus for an input
// at least as recent as the last one the user gave elsewhere, so the window
// carries that input's X server time as its user time and asks for the
// focus with it. An input the program hears of without a time (a tray click
// over D-Bus, another start handing over its files) is one the user made
// just now: the server's current time stands for it.

#include <xcb/xcb.h>

#include <array>
#include <cstdint>

namespace platform::x11 {

// Sends the window manager a request about `window` as EWMH has it sent: a
// client message of `type` to the root window.
void askWindowManager(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                      const std::array<std::uint32_t, 5>& data);

// The X server's time now, later than every input it has delivered: the
// time of a zero-length change of a property on a window of our own, which
// the server stamps. 0 when there is no display or the server has not
// answered within a second. Main thread only.
std::uint32_t serverTime();

}  // namespace platform::x11
