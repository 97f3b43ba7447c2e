#pragma once
// The modifier keys the user presses and releases anywhere on the desktop,
// as the kit's flags-changed events. Raw key events of XInput 2 on the root
// window tell about every key whichever window has the focus; the monitor
// keeps which modifier keys are down (by the server's modifier mapping) and
// sends the held modifiers as a global event after each change, carrying the
// server's time of the key event.
//
// While the program itself is active its own windows report the same keys
// (local events), so the monitor then stays silent: a key press reaches the
// double-tap detector once. Whether the program is active follows the X
// focus: when it is in no window of ours (another client took it, or our
// window closed) the kit is deactivated, also where the toolkit missed it.

#include <cstdint>
#include <map>
#include <memory>
#include <set>

#include "platform/linux/X11Connection.h"

namespace platform::x11 {

class XInputModifierMonitor : public std::enable_shared_from_this<XInputModifierMonitor> {
    struct Private {};

public:
    // Null when the server lacks XInput 2.2 (raw events during grabs).
    static std::shared_ptr<XInputModifierMonitor> start(std::shared_ptr<X11Connection> connection);
    XInputModifierMonitor(Private, std::shared_ptr<X11Connection> connection, std::uint8_t opcode);

    // The X modifier bit each modifier key sets.
    const std::map<xcb_keycode_t, std::uint16_t>& modifierKeys() const { return modifierKeys_; }

private:
    void readModifierMapping();
    void handleEvent(const xcb_generic_event_t& event);
    void keyChanged(xcb_keycode_t keycode, bool down, std::uint32_t time);
    void watchActiveWindow();
    // Whether the X input focus is in a window of this process.
    bool focusIsOurs();
    void followFocus();

    const std::shared_ptr<X11Connection> connection_;
    const std::uint8_t opcode_;
    std::map<xcb_keycode_t, std::uint16_t> modifierKeys_;
    std::set<xcb_keycode_t> down_;
    xcb_atom_t activeWindowAtom_ = XCB_ATOM_NONE;
    xcb_atom_t pidAtom_ = XCB_ATOM_NONE;
    Subscription events_;
};

}  // namespace platform::x11
