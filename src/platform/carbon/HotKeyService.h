#pragma once
// The desktop's global hotkey service: a key code with a modifier mask is
// registered under an id, and every press of it, whichever program has the
// keyboard, comes back as an event carrying that id. One service per
// process: the desktop's own is installed at start-up (on X11, key grabs on
// the root window); until then, and in tests, a headless one answers.
//
// Key codes are the kit's virtual key codes; the modifier mask is the compact
// one key combinations store (command 0x100, shift 0x200, option 0x800,
// control 0x1000). Registering and unregistering happen on the main thread,
// and events reach the handlers there.
//
// A service may only learn later that the desktop did not grant a
// registration it took (the desktop's shortcut portal answers
// asynchronously, and the user can take a shortcut back in the desktop's
// settings at any time): it then tells the refusal handlers, and the
// registration is gone.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Subscription.h"

namespace platform {

namespace carbonmask {
inline constexpr std::uint32_t cmdKey = 0x100;
inline constexpr std::uint32_t shiftKey = 0x200;
inline constexpr std::uint32_t optionKey = 0x800;
inline constexpr std::uint32_t controlKey = 0x1000;
// Key combinations keep it for F1 to F20; the service ignores it.
inline constexpr std::uint32_t functionKey = 0x800000;
}  // namespace carbonmask

// A registration's id: a four-character signature of the program and a
// number of its own.
struct EventHotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
    bool operator==(const EventHotKeyID&) const = default;
};

// A registration's handle; 0 is none.
using EventHotKeyRef = std::uint64_t;

enum class HotKeyStatus {
    noErr,
    // Another program holds the combination.
    refused,
    // The key code has no key on this keyboard, or the mask cannot be grabbed.
    invalid,
    // The desktop offers no global hotkeys at all.
    unavailable,
    // The desktop's shortcut service did not grant it: the user declined it
    // or took it back in the desktop's keyboard settings.
    declined,
};

// What a registration is for, for a service that shows it to the user (the
// desktop's own shortcut settings list it) and keeps it across runs.
struct HotKeyLabel {
    // Stable across runs for the same hotkey.
    std::string name;
    // A short sentence: what the hotkey does.
    std::string description;
    // The kit's virtual key code that types the combination's key on a US
    // layout: the key the user means, whatever layout is active.
    std::uint32_t qwertyKeyCode = 0;
};

struct HotKeyEvent {
    static constexpr std::uint32_t kindPressed = 5;
    static constexpr std::uint32_t kindReleased = 6;

    std::uint32_t kind = kindPressed;
    EventHotKeyID hotKeyID;
    // The window system's time of the key event (X server milliseconds),
    // which a window shown in answer must carry to pass focus-stealing
    // prevention; 0 when unknown.
    std::uint32_t windowServerTime = 0;
};

// The four characters of a text packed as a big-endian number (the first
// four bytes; shorter texts are padded with zeros).
std::uint32_t osTypeFromString(std::string_view text);

class HotKeyService {
public:
    using Handler = std::function<void(const HotKeyEvent&)>;

    virtual ~HotKeyService() = default;

    // Registers the key code with the mask; on noErr `ref` holds the handle.
    virtual HotKeyStatus registerEventHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                             EventHotKeyRef& ref) = 0;
    virtual HotKeyStatus unregisterEventHotKey(EventHotKeyRef ref) = 0;
    // The same with what the hotkey is for; services that have no use for
    // it register as above.
    virtual HotKeyStatus registerLabelledHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                                EventHotKeyRef& ref, const HotKeyLabel& label) {
        (void)label;
        return registerEventHotKey(keyCode, modifiers, id, ref);
    }

    // Why global hotkeys do not work here, or work only in part, in a
    // sentence for the user; none when they work.
    virtual std::optional<std::string> limitation() const { return std::nullopt; }

    // Hot-key events reach every handler on the main thread, in the order
    // the handlers were added.
    [[nodiscard]] Subscription installEventHandler(Handler handler) { return handlers_.add(std::move(handler)); }

    // A registration taken earlier was refused after all, or withdrawn: it
    // no longer exists (unregistering its handle again does no harm).
    using RefusalHandler = std::function<void(EventHotKeyRef ref, HotKeyStatus why)>;
    [[nodiscard]] Subscription installRefusalHandler(RefusalHandler handler) {
        return refusalHandlers_.add(std::move(handler));
    }
    // limitation() changed: told when a service finds out late what the
    // desktop offers. Main thread.
    using LimitationHandler = std::function<void()>;
    [[nodiscard]] Subscription observeLimitation(LimitationHandler handler) {
        return limitationHandlers_.add(std::move(handler));
    }

    // The installed service, else the headless one (reset with the other
    // single instances).
    static std::shared_ptr<HotKeyService> shared();
    static void setShared(std::shared_ptr<HotKeyService> service);

protected:
    void deliver(const HotKeyEvent& event);
    void refuseLater(EventHotKeyRef ref, HotKeyStatus why);
    void limitationChanged();

private:
    ObserverList<Handler> handlers_;
    ObserverList<RefusalHandler> refusalHandlers_;
    ObserverList<LimitationHandler> limitationHandlers_;
};

// The service of tests and of a desktop without global hotkeys: it keeps the
// registrations, refuses what a test says another program holds, and turns
// a simulated key press into the event of the matching registration.
class HeadlessHotKeyService : public HotKeyService {
public:
    struct Registration {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        EventHotKeyID id;
    };

    HotKeyStatus registerEventHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                     EventHotKeyRef& ref) override;
    HotKeyStatus unregisterEventHotKey(EventHotKeyRef ref) override;
    std::optional<std::string> limitation() const override { return unavailableReason_; }

    // Another program holds the combination: registering it is refused.
    void holdElsewhere(std::uint32_t keyCode, std::uint32_t modifiers);
    // The other program lets go of the combination.
    void releaseElsewhere(std::uint32_t keyCode, std::uint32_t modifiers);
    // Every registration is refused as unavailable, for the given reason.
    void setUnavailable(std::string reason) { unavailableReason_ = std::move(reason); }

    // The user presses the combination: the matching registration's event,
    // if any, with the given window-system time. Answers whether one matched.
    bool press(std::uint32_t keyCode, std::uint32_t modifiers, std::uint32_t windowServerTime = 0);
    // Delivers an event as it stands (ids of no registration included).
    void deliverEvent(const HotKeyEvent& event) { deliver(event); }

    // Live registrations by handle.
    const std::map<EventHotKeyRef, Registration>& registrations() const { return registrations_; }
    std::size_t registerCalls() const { return registerCalls_; }

private:
    std::map<EventHotKeyRef, Registration> registrations_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> heldElsewhere_;
    std::optional<std::string> unavailableReason_;
    EventHotKeyRef nextRef_ = 1;
    std::size_t registerCalls_ = 0;
};

}  // namespace platform
