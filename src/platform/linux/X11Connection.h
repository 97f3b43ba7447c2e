#pragma once
// One connection to the X server for the keyboard services (key grabs,
// keyboard layouts, raw modifier events). It is a source of the main run
// loop, never a thread: its descriptor is watched there, and what the server
// sends is read when the descriptor is readable and handed to every handler
// on the main thread.

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Subscription.h"

namespace platform::x11 {

class X11Connection : public std::enable_shared_from_this<X11Connection> {
    struct Private {};

public:
    using EventHandler = std::function<void(const xcb_generic_event_t& event)>;

    // Connects to the display (DISPLAY when none is named) and starts
    // watching the connection on the main run loop; null when there is no
    // display to connect to. Main thread only.
    static std::shared_ptr<X11Connection> open(const std::optional<std::string>& displayName = std::nullopt);

    X11Connection(Private, xcb_connection_t* connection, int screenNumber);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return root_; }
    std::uint8_t minKeycode() const { return minKeycode_; }
    std::uint8_t maxKeycode() const { return maxKeycode_; }

    // Every event reaches every handler, in the order the handlers were added.
    [[nodiscard]] Subscription addEventHandler(EventHandler handler) { return handlers_.add(std::move(handler)); }

    // Reads what the server sent and delivers it.
    void deliverEvents();
    // A request answered synchronously lets xcb read events into its queue,
    // where the descriptor no longer tells about them: deliver them soon,
    // from the main queue.
    void deliverQueuedEventsSoon();

    // The atom of a name; XCB_ATOM_NONE when the server fails.
    xcb_atom_t atom(const std::string& name);

    // The keyboard extension, set up on first use: the number of its first
    // event and the core keyboard's device id; none when the server lacks it.
    struct Xkb {
        std::uint8_t firstEvent = 0;
        std::int32_t coreKeyboard = 0;
    };
    const std::optional<Xkb>& xkb();

private:
    void deliver(xcb_generic_event_t* event);

    xcb_connection_t* const connection_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    std::uint8_t minKeycode_ = 8;
    std::uint8_t maxKeycode_ = 255;
    bool queuedDeliveryPending_ = false;
    bool xkbAsked_ = false;
    std::optional<Xkb> xkb_;
    ObserverList<EventHandler> handlers_;
    Subscription watch_;
};

}  // namespace platform::x11
