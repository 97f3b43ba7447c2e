#pragma once
// The program's one call at start-up that puts the desktop's keyboard
// services in place of the headless ones: global hotkeys by key grabs, the
// keyboard layouts of the X server, and the raw modifier-key events the
// double taps are recognised from. All three share one X connection, read
// by the main run loop. Call it on the main thread before the program first
// uses hotkeys or layouts.
//
// Without an X display every hotkey registration is refused and the hotkey
// service says why (HotKeyService::limitation); layouts answer US. Under
// Wayland the X server (XWayland) takes the grabs but sees keys only while
// one of its own windows has the focus, which the service says as well.

#include <optional>
#include <string>

namespace platform::x11 {

// Answers whether an X display was found (DISPLAY when none is named).
bool installHotkeyServices(const std::optional<std::string>& displayName = std::nullopt);

}  // namespace platform::x11
