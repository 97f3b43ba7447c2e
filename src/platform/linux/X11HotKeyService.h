#pragma once
// Global hotkeys on X11: a registration grabs its key on the root window, so
// the server hands every press of it to us whichever window has the focus.
// The key code (the kit's virtual key code) becomes every X keycode that
// reports it; the mask becomes Control for command, Mod1 (Alt) for option,
// Shift for shift and Mod4 (Super) for control. A grab is made once for each
// combination of the locks (Caps, Num, Scroll), which would otherwise make
// the server see another combination. A grab another client holds is a
// refused registration, found out at once (synchronously).
//
// Presses arrive through the X connection on the main run loop and reach the
// handlers with the server's time of the key event. A held key's
// auto-repeat is one press.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/carbon/HotKeyService.h"
#include "platform/linux/X11Connection.h"

namespace platform::x11 {

class X11HotKeyService : public HotKeyService {
public:
    // `limitation` is what limitation() answers (the hotkeys of an X server
    // under Wayland, say).
    static std::shared_ptr<X11HotKeyService> make(std::shared_ptr<X11Connection> connection,
                                                  std::optional<std::string> limitation = std::nullopt);
    X11HotKeyService(std::shared_ptr<X11Connection> connection, std::optional<std::string> limitation);
    ~X11HotKeyService() override;

    HotKeyStatus registerEventHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                     EventHotKeyRef& ref) override;
    HotKeyStatus unregisterEventHotKey(EventHotKeyRef ref) override;
    std::optional<std::string> limitation() const override { return limitation_; }

    // The X modifier mask a registration's mask grabs.
    static std::uint16_t xModifiersForMask(std::uint32_t modifiers);
    // The masks every grab is also made with: each combination of the locks.
    static std::vector<std::uint16_t> lockCombinations();

private:
    struct Grab {
        std::vector<xcb_keycode_t> keycodes;
        std::uint16_t modifiers = 0;
        EventHotKeyID id;
    };

    void handleEvent(const xcb_generic_event_t& event);
    void ungrab(const std::vector<xcb_keycode_t>& keycodes, std::uint16_t modifiers);

    const std::shared_ptr<X11Connection> connection_;
    const std::optional<std::string> limitation_;
    std::map<EventHotKeyRef, Grab> grabs_;
    // Grabbed keys held down: their auto-repeat is no new press.
    std::set<xcb_keycode_t> held_;
    EventHotKeyRef nextRef_ = 1;
    Subscription events_;
};

}  // namespace platform::x11
