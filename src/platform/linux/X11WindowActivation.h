#pragma once
// Bringing a window to the front for an input the program received itself
// (a global hotkey's key press, a tray click): the window manager's
// focus-stealing prevention only lets a window take the focus for an input
// at least as recent as the last one the user gave elsewhere, so the window
// carries that input's X server time as its user time and asks for the
// focus with it.

#include <xcb/xcb.h>

#include <array>
#include <cstdint>

namespace platform::x11 {

// Sends the window manager a request about `window` as EWMH has it sent: a
// client message of `type` to the root window.
void askWindowManager(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                      const std::array<std::uint32_t, 5>& data);

// Sets the window's user time and sends the window manager an activation
// request with that time. False when there is no X display. Main thread only.
bool requestActivation(std::uint32_t windowId, std::uint32_t userTime);

}  // namespace platform::x11
