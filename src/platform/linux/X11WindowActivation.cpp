#include "platform/linux/X11WindowActivation.h"

#include <xcb/xcb.h>

#include <cstring>
#include <memory>

#include "platform/linux/X11Connection.h"

namespace platform::x11 {

void askWindowManager(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                      const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t message;
    std::memset(&message, 0, sizeof message);
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    for (std::size_t i = 0; i < data.size(); ++i) message.data.data32[i] = data[i];
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

bool requestActivation(std::uint32_t windowId, std::uint32_t userTime) {
    // One connection for the life of the program, made on first use.
    static const std::shared_ptr<X11Connection> connection = X11Connection::open();
    if (!connection || windowId == 0) return false;
    xcb_connection_t* c = connection->connection();
    const xcb_atom_t userTimeAtom = connection->atom("_NET_WM_USER_TIME");
    const xcb_atom_t activeAtom = connection->atom("_NET_ACTIVE_WINDOW");
    if (userTime != 0 && userTimeAtom != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, windowId, userTimeAtom, XCB_ATOM_CARDINAL, 32, 1, &userTime);
    // From an application, with the input's time, no window of ours active.
    if (activeAtom != XCB_ATOM_NONE)
        askWindowManager(c, connection->root(), windowId, activeAtom, {1, userTime, XCB_WINDOW_NONE, 0, 0});
    xcb_flush(c);
    return true;
}

}  // namespace platform::x11
