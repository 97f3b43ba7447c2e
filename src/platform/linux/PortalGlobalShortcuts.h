#pragma once
// Global hotkeys where the desktop hands them out itself: the desktop
// portal's GlobalShortcuts interface on the session bus. Under Wayland the
// program's X grabs (on XWayland) see keys only while one of its windows has
// the focus; the portal lets the compositor watch the keys for it and tell
// it over the bus.
//
// The portal's way differs from a grab: the program asks for a set of
// shortcuts, each with a stable id, a description and the trigger it would
// like; the desktop (often the user, in a dialog or in its keyboard
// settings) decides which it grants and on which keys, answers later, and
// may take a shortcut back at any time. So a registration is taken at once
// and bound a moment later together with the others; one the desktop does
// not grant, or withdraws, is told to the refusal handlers. A press is the
// portal's Activated signal, delivered as the hot-key event of that
// registration.
//
// Whether the portal offers the interface is known only once it has
// answered, without holding up the start: until then registrations are
// kept. Where it does not, they go to the fallback service (the XWayland
// grabs, which work while a Frelt window has the focus) and limitation()
// says what the fallback says.
//
// Everything runs on the main thread: the bus's answers arrive through
// GLib's default main context, which the run loop iterates.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/carbon/HotKeyService.h"

namespace platform::portal {

class GlobalShortcutsService : public HotKeyService, public std::enable_shared_from_this<GlobalShortcutsService> {
    struct Private {};

public:
    struct Options {
        // None: the session bus of the environment.
        std::optional<std::string> busAddress;
        // Told to the portal's host registry, so that the desktop keeps the
        // shortcuts it granted under the program's name; empty: not told.
        std::string appId;
        // Where registrations go when no portal offers global shortcuts;
        // null: a service that refuses them as unavailable.
        std::shared_ptr<HotKeyService> fallback;
    };

    enum class Road { undecided, portal, fallback };

    // Starts asking the bus; returns at once.
    static std::shared_ptr<GlobalShortcutsService> start(Options options);
    GlobalShortcutsService(Private, Options options);
    ~GlobalShortcutsService() override;

    HotKeyStatus registerEventHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                     EventHotKeyRef& ref) override;
    HotKeyStatus registerLabelledHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                        EventHotKeyRef& ref, const HotKeyLabel& label) override;
    HotKeyStatus unregisterEventHotKey(EventHotKeyRef ref) override;
    std::optional<std::string> limitation() const override;

    Road road() const { return road_; }
    // The interface's version the portal reports; 0 until known.
    std::uint32_t portalVersion() const { return version_; }
    // The trigger the desktop put a registration on, as the desktop
    // describes it; none until granted.
    std::optional<std::string> triggerOf(EventHotKeyRef ref) const;

    // The shortcut id of a label's name: its letters, digits and "-_." as
    // they are, every other byte as %XX; stable, and distinct for distinct
    // names.
    static std::string shortcutId(const std::string& name);
    // The trigger asked for, in the desktop shortcuts notation
    // ("CTRL+ALT+space"): command is CTRL, option ALT, shift SHIFT, control
    // LOGO; the key by its keysym name on a US layout. None when the key
    // has no name there.
    static std::optional<std::string> preferredTrigger(std::uint32_t qwertyKeyCode, std::uint32_t modifiers);
    // Whether the environment names a Wayland session.
    static bool sessionIsWayland();

    struct Bus;

private:
    enum class State { pending, bound };
    struct Record {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        EventHotKeyID id;
        HotKeyLabel label;
        std::string shortcutId;
        State state = State::pending;
        std::string trigger;
        // With the fallback road: the fallback's handle.
        std::optional<EventHotKeyRef> fallbackRef;
    };

    void begin();
    void connected(std::string problem);
    void probe();
    void fallBack(const std::string& why);
    void createSession();
    void sessionCreated(std::uint32_t response, const std::string& handle);
    void scheduleBind();
    void bind();
    void bound(const std::vector<EventHotKeyRef>& asked, std::optional<std::uint32_t> response,
               const std::map<std::string, std::string>& granted);
    void activated(const std::string& shortcutId, bool pressed);
    void shortcutsChanged(const std::map<std::string, std::string>& shortcuts);
    void sessionClosed();
    // Takes the records out and tells the refusal handlers, after the walk.
    void refuse(const std::vector<EventHotKeyRef>& refs, HotKeyStatus why);

    Options options_;
    std::unique_ptr<Bus> bus_;
    Road road_ = Road::undecided;
    std::uint32_t version_ = 0;
    std::map<EventHotKeyRef, Record> records_;
    EventHotKeyRef nextRef_ = 1;
    std::string sessionHandle_;
    bool creatingSession_ = false;
    bool bindScheduled_ = false;
    bool bindInFlight_ = false;
    bool bindAgain_ = false;
    // A bind on a session that has bound before that fails outright makes
    // the session anew (a portal may take one bind per session).
    bool sessionHasBound_ = false;
    std::vector<Subscription> fallbackSubscriptions_;
    // What a bind asks: id, description, trigger asked for, per shortcut;
    // in order, to compare one with another.
    using Ask = std::vector<std::tuple<std::string, std::string, std::string>>;
    Ask pendingAsk_;
    Ask lastAsk_;
    // What the desktop has granted on this session: id to its trigger.
    std::map<std::string, std::string> granted_;
};

// The program's call at start-up, after the X services are in place: in a
// Wayland session, the portal road in front of the installed service (which
// becomes its fallback). Returns whether it was put in place.
bool installGlobalShortcuts(const std::string& appId);

}  // namespace platform::portal
