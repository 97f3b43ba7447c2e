#include "platform/linux/X11WindowActivation.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/foundation/FailureHook.h"
#include "platform/linux/X11Connection.h"

namespace platform::x11 {

namespace {

using ActivationClock = std::chrono::steady_clock;

// An answer takes a round trip; a server that gives none within this has
// hung, and the focus request goes without a time.
constexpr auto activationTimeAnswerDeadline = std::chrono::seconds(1);

// One connection and one unmapped window of our own, made on first use and
// kept for the life of the program: the window's property changes are the
// only events this connection asks for.
struct ActivationStamp {
    std::shared_ptr<X11Connection> connection;
    xcb_window_t window = XCB_WINDOW_NONE;
    xcb_atom_t property = XCB_ATOM_NONE;
};

const ActivationStamp& activationStamp() {
    static const ActivationStamp stamp = [] {
        ActivationStamp made;
        made.connection = X11Connection::open();
        if (!made.connection) return made;
        xcb_connection_t* c = made.connection->connection();
        made.property = made.connection->atom("_FRELT_TIME_STAMP");
        made.window = xcb_generate_id(c);
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, 0, made.window, made.connection->root(), -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        return made;
    }();
    return stamp;
}

// The time of the next change of the stamp's property that arrives; 0 when
// none comes before the deadline or the connection breaks.
std::uint32_t awaitStampChange(xcb_connection_t* c, xcb_window_t window) {
    const auto deadline = ActivationClock::now() + activationTimeAnswerDeadline;
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            std::uint32_t time = 0;
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
                if (change->window == window) time = change->time;
            }
            std::free(event);
            if (time != 0) return time;
        }
        if (xcb_connection_has_error(c)) return 0;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - ActivationClock::now());
        if (left.count() <= 0) return 0;
        pollfd readable{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&readable, 1, int(left.count()));
    }
}

}  // namespace

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

std::uint32_t serverTime() {
    assertMainThread("x11::serverTime");
    const ActivationStamp& stamp = activationStamp();
    if (!stamp.connection || stamp.property == XCB_ATOM_NONE) return 0;
    xcb_connection_t* c = stamp.connection->connection();
    // Left over from a change whose answer came too late: not now's time.
    while (xcb_generic_event_t* stale = xcb_poll_for_event(c)) std::free(stale);
    // Appending nothing changes nothing but still has the server tell the
    // window's owner, with the time of the change.
    xcb_change_property(c, XCB_PROP_MODE_APPEND, stamp.window, stamp.property, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(c);
    return awaitStampChange(c, stamp.window);
}

}  // namespace platform::x11
