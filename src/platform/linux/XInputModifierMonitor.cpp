#include "platform/linux/XInputModifierMonitor.h"

#include <xcb/xinput.h>
#include "platform/linux/XcbXkb.h"

#include <cstdlib>

#include <unistd.h>

#include "platform/appkit/Application.h"
#include "platform/appkit/Event.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/linux/XKeyCodes.h"

namespace platform::x11 {

std::shared_ptr<XInputModifierMonitor> XInputModifierMonitor::start(std::shared_ptr<X11Connection> connection) {
    xcb_connection_t* c = connection->connection();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
    if (!extension || !extension->present) return nullptr;
    // Raw events also while another client grabs the keyboard need 2.1.
    auto* version = xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr);
    const bool recent =
        version && (version->major_version > 2 || (version->major_version == 2 && version->minor_version >= 1));
    std::free(version);
    connection->deliverQueuedEventsSoon();
    if (!recent) return nullptr;

    auto monitor = std::make_shared<XInputModifierMonitor>(Private{}, connection, extension->major_opcode);
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
    xcb_input_xi_select_events(c, connection->root(), 1, &selection.head);
    xcb_flush(c);
    monitor->readModifierMapping();
    monitor->watchActiveWindow();
    const std::weak_ptr<XInputModifierMonitor> weak = monitor;
    monitor->events_ = connection->addEventHandler([weak](const xcb_generic_event_t& event) {
        if (auto self = weak.lock()) self->handleEvent(event);
    });
    return monitor;
}

XInputModifierMonitor::XInputModifierMonitor(Private, std::shared_ptr<X11Connection> connection, std::uint8_t opcode)
    : connection_(std::move(connection)), opcode_(opcode) {}

void XInputModifierMonitor::readModifierMapping() {
    xcb_connection_t* c = connection_->connection();
    auto* reply = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    connection_->deliverQueuedEventsSoon();
    if (!reply) return;
    modifierKeys_.clear();
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    // Shift, Lock, Control, Mod1 to Mod5, in the order of their bits.
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int i = 0; i < perModifier; ++i)
            if (const xcb_keycode_t keycode = keycodes[modifier * perModifier + i])
                modifierKeys_[keycode] |= static_cast<std::uint16_t>(1u << modifier);
    std::free(reply);
}

void XInputModifierMonitor::watchActiveWindow() {
    xcb_connection_t* c = connection_->connection();
    activeWindowAtom_ = connection_->atom("_NET_ACTIVE_WINDOW");
    pidAtom_ = connection_->atom("_NET_WM_PID");
    // Added to what this connection already asks of the root window.
    auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, connection_->root()), nullptr);
    const std::uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    std::free(attributes);
    xcb_change_window_attributes(c, connection_->root(), XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    connection_->deliverQueuedEventsSoon();
}

bool XInputModifierMonitor::focusIsOurs() {
    xcb_connection_t* c = connection_->connection();
    auto* focus = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    xcb_window_t window = focus ? focus->focus : xcb_window_t(XCB_WINDOW_NONE);
    std::free(focus);
    const auto ours = static_cast<std::uint32_t>(getpid());
    bool found = false;
    // The focus may sit in a child of a top-level window: walk up to it.
    for (int depth = 0; depth < 8 && !found; ++depth) {
        if (window == XCB_WINDOW_NONE || window == XCB_INPUT_FOCUS_POINTER_ROOT || window == connection_->root()) break;
        auto* pid = xcb_get_property_reply(c, xcb_get_property(c, 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        if (pid && xcb_get_property_value_length(pid) == 4)
            found = *static_cast<const std::uint32_t*>(xcb_get_property_value(pid)) == ours;
        std::free(pid);
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        window = tree ? tree->parent : xcb_window_t(XCB_WINDOW_NONE);
        std::free(tree);
    }
    connection_->deliverQueuedEventsSoon();
    return found;
}

void XInputModifierMonitor::followFocus() {
    // The kit believes it is active, but the X focus went to another client
    // or to nobody (our window closed) without the toolkit telling: then
    // the program is not active, and the desktop's keys are global again.
    Application::shared()->focusLost([weak = weak_from_this()] {
        const auto self = weak.lock();
        return self && !self->focusIsOurs();
    });
}

void XInputModifierMonitor::handleEvent(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7f;
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (change.window != connection_->root() || change.atom != activeWindowAtom_) return;
        // Looked at once the window manager has moved the focus.
        dispatch::Queue::main()->after(dispatch::seconds(0.15), [weak = weak_from_this()] {
            if (auto self = weak.lock()) self->followFocus();
        });
        return;
    }
    if (type == XCB_MAPPING_NOTIFY) {
        readModifierMapping();
        return;
    }
    if (const auto& xkb = connection_->xkb(); xkb && type == xkb->firstEvent) {
        // The keyboard extension's events carry their kind in the second byte.
        const std::uint8_t kind = reinterpret_cast<const std::uint8_t*>(&event)[1];
        if (kind == XCB_XKB_NEW_KEYBOARD_NOTIFY || kind == XCB_XKB_MAP_NOTIFY) readModifierMapping();
        return;
    }
    if (type != XCB_GE_GENERIC) return;
    const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
    if (generic.extension != opcode_) return;
    if (generic.event_type != XCB_INPUT_RAW_KEY_PRESS && generic.event_type != XCB_INPUT_RAW_KEY_RELEASE) return;
    const auto& raw = reinterpret_cast<const xcb_input_raw_key_press_event_t&>(event);
    if (raw.flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT) return;
    keyChanged(static_cast<xcb_keycode_t>(raw.detail), generic.event_type == XCB_INPUT_RAW_KEY_PRESS, raw.time);
}

void XInputModifierMonitor::keyChanged(xcb_keycode_t keycode, bool down, std::uint32_t time) {
    if (!modifierKeys_.count(keycode)) return;
    if (down) down_.insert(keycode);
    else down_.erase(keycode);
    std::uint32_t state = 0;
    for (const xcb_keycode_t held : down_) {
        const auto bit = modifierKeys_.find(held);
        if (bit != modifierKeys_.end()) state |= bit->second;
    }
    followFocus();
    const auto app = Application::shared();
    if (app->isActive()) return;
    auto event = Event::flagsChangedEvent(xkeys::virtualKeyCodeForXKeycode(keycode).value_or(0),
                                          xkeys::modifierFlagsForXState(state));
    event->windowServerTime = time;
    app->sendGlobalEvent(event);
}

}  // namespace platform::x11
