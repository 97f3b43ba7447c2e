#include "platform/linux/X11WindowActivation.h"

#include <xcb/xcb.h>

#include <cstring>
#include <memory>

#include "platform/linux/X11Connection.h"

namespace platform::x11 {

bool requestActivation(std::uint32_t windowId, std::uint32_t userTime) {
    // One connection for the life of the program, made on first use.
    static const std::shared_ptr<X11Connection> connection = X11Connection::open();
    if (!connection || windowId == 0) return false;
    xcb_connection_t* c = connection->connection();
    const xcb_atom_t userTimeAtom = connection->atom("_NET_WM_USER_TIME");
    const xcb_atom_t activeAtom = connection->atom("_NET_ACTIVE_WINDOW");
    if (userTime != 0 && userTimeAtom != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, windowId, userTimeAtom, XCB_ATOM_CARDINAL, 32, 1, &userTime);
    if (activeAtom != XCB_ATOM_NONE) {
        xcb_client_message_event_t message;
        std::memset(&message, 0, sizeof message);
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = windowId;
        message.type = activeAtom;
        message.data.data32[0] = 1;  // from an application
        message.data.data32[1] = userTime;
        message.data.data32[2] = XCB_WINDOW_NONE;
        xcb_send_event(c, 0, connection->root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(c);
    return true;
}

}  // namespace platform::x11
