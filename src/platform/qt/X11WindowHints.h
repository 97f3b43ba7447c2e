#pragma once
// What a kit window asks of an X11 window manager beyond Qt's window flags:
// to be on every desktop, to stay out of the taskbar and the pager, to show
// no title in its decoration while keeping its name for the program, and to
// refuse being moved by the user. Qt leaves these alone; here they become
// the window's EWMH and Motif properties.
//
// Before the window is mapped the properties are written on it (the window
// manager reads them when it takes the window; Qt merges its own states into
// _NET_WM_STATE). Once mapped, states and desktop are requests to the window
// manager (client messages to the root window), which then writes them; the
// name and the Motif hints are written directly, as the window manager
// watches them.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/appkit/KitBackend.h"

class QWindow;

namespace platform::qt::x11 {

struct WindowHints {
    bool allDesktops = false;  // sticky: on every desktop
    bool skipTaskbar = false;
    bool skipPager = false;
    bool titleShown = true;
    bool movable = true;
    // The kit's title: the window's role always, its name while shown.
    std::string title;
    bool operator==(const WindowHints&) const = default;
};

// The hints of the kit's window properties.
WindowHints hintsFor(const WindowProperties& properties);

// Whether Qt runs on an X server (not the offscreen platform of tests).
bool available();

// Asks the window manager to give the focus to `window`, just shown or
// made key, for the user's input of X server time `userTime` (0 when the
// input came without one: the server's time now stands for it). The window
// carries the time as its user time, and the request goes on Qt's own
// connection, after the requests that mapped the window: sent on another
// connection it could reach the window manager before the window is
// mapped, when there is nothing to activate yet. False without X11.
bool requestActivation(QWindow& window, std::uint32_t userTime);

// Whether a mouse button is held on the X server's pointer right now, in
// whichever client's window (the pointer's state, also while another client
// grabs it for a drag); none without X11.
std::optional<bool> pointerButtonsDown();

// Writes `hints` on `window`'s X window; `mapped` says whether the window
// manager already manages it, `old` what was applied to the window before
// (the default hints for one never shown).
void apply(QWindow& window, const WindowHints& old, const WindowHints& hints, bool mapped);

}  // namespace platform::qt::x11
