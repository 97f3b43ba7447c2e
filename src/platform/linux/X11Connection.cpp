#include "platform/linux/X11Connection.h"

#include <xkbcommon/xkbcommon-x11.h>

#include <cstdlib>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/RunLoop.h"

namespace platform::x11 {

std::shared_ptr<X11Connection> X11Connection::open(const std::optional<std::string>& displayName) {
    assertMainThread("X11Connection::open");
    const char* name = displayName ? displayName->c_str() : std::getenv("DISPLAY");
    if (!name || !*name) return nullptr;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(name, &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection) xcb_disconnect(connection);
        return nullptr;
    }
    auto made = std::make_shared<X11Connection>(Private{}, connection, screenNumber);
    if (made->root_ == XCB_WINDOW_NONE) return nullptr;
    const std::weak_ptr<X11Connection> weak = made;
    made->watch_ = RunLoop::main().watchFileDescriptor(xcb_get_file_descriptor(connection),
                                                       RunLoopBackend::Readiness::readable, [weak] {
                                                           if (auto self = weak.lock()) self->deliverEvents();
                                                       });
    return made;
}

X11Connection::X11Connection(Private, xcb_connection_t* connection, int screenNumber) : connection_(connection) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    minKeycode_ = setup->min_keycode;
    maxKeycode_ = setup->max_keycode;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; screens.rem > 0; ++i, xcb_screen_next(&screens))
        if (i == screenNumber) {
            root_ = screens.data->root;
            break;
        }
}

X11Connection::~X11Connection() {
    // The watch ends before the descriptor closes.
    watch_.cancel();
    xcb_disconnect(connection_);
}

void X11Connection::deliverEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) deliver(event);
    // A broken connection stays readable: stop listening rather than spin.
    if (xcb_connection_has_error(connection_)) watch_.cancel();
}

void X11Connection::deliverQueuedEventsSoon() {
    if (queuedDeliveryPending_) return;
    queuedDeliveryPending_ = true;
    dispatch::Queue::main()->async([weak = weak_from_this()] {
        const auto self = weak.lock();
        if (!self) return;
        self->queuedDeliveryPending_ = false;
        while (xcb_generic_event_t* event = xcb_poll_for_queued_event(self->connection_)) self->deliver(event);
    });
}

void X11Connection::deliver(xcb_generic_event_t* event) {
    handlers_.forEach([&](const EventHandler& handler) { handler(*event); });
    std::free(event);
}

xcb_atom_t X11Connection::atom(const std::string& name) {
    const auto cookie = xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.c_str());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookie, nullptr);
    deliverQueuedEventsSoon();
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

const std::optional<X11Connection::Xkb>& X11Connection::xkb() {
    if (xkbAsked_) return xkb_;
    xkbAsked_ = true;
    std::uint8_t firstEvent = 0;
    const int ok = xkb_x11_setup_xkb_extension(connection_, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                               XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                               nullptr, nullptr, &firstEvent, nullptr);
    const std::int32_t device = ok ? xkb_x11_get_core_keyboard_device_id(connection_) : -1;
    deliverQueuedEventsSoon();
    if (ok && device >= 0) xkb_ = Xkb{firstEvent, device};
    return xkb_;
}

}  // namespace platform::x11
