#pragma once
// Recognises a double tap of one modifier key (command, option, control or
// shift) from the modifier flags of flags-changed events: the same single
// modifier pressed twice before the first press's clearing runs. The hotkey
// centre owns one to run double-tap hotkeys; the shortcut recorder owns
// another to record them. Both clear after 300 ms on the main queue.
//
// Pressing a modifier gives an event with that modifier, releasing it one
// with none (ignored); a chord of two or more suspends the pending tap until
// a single modifier is seen again. Every accepted single-modifier event
// schedules its own clearing, and earlier ones are not cancelled: a clearing
// also empties a tap made after the press that scheduled it.

#include <functional>
#include <memory>
#include <optional>

#include "hotkeys/ModifierFlags.h"
#include "platform/dispatch/Dispatch.h"

namespace frelt {

class ModifierEventHandler {
public:
    using DoubleTapped = std::function<void(ModifierFlags modifier)>;

    ModifierEventHandler(platform::dispatch::Duration cleanTimeInterval,
                         std::shared_ptr<platform::dispatch::Queue> cleanQueue);
    ModifierEventHandler(const ModifierEventHandler&) = delete;
    ModifierEventHandler& operator=(const ModifierEventHandler&) = delete;

    // Called with the modifier of a recognised double tap, synchronously
    // inside the event's handling. Setting it releases the previous one.
    const DoubleTapped& doubleTapped() const { return doubleTapped_; }
    void setDoubleTapped(DoubleTapped callback) { doubleTapped_ = std::move(callback); }

    // The flags of one flags-changed event.
    void handleModifiersEvent(ModifierFlags flags);
    // The same, once per timestamp: an event handed in again with the
    // timestamp of the last one is ignored.
    void handleModifiersEvent(ModifierFlags flags, double timestamp);

    ModifierFlags tappingModifierFlags() const { return state_->tappingModifierFlags; }
    bool isTappingMultiModifiers() const { return isTappingMultiModifiers_; }
    const std::optional<double>& lastHandledEventTimestamp() const { return lastHandledEventTimestamp_; }
    void setLastHandledEventTimestamp(std::optional<double> timestamp) { lastHandledEventTimestamp_ = timestamp; }
    platform::dispatch::Duration cleanTimeInterval() const { return cleanTimeInterval_; }

private:
    // What a clearing block empties; it holds this weakly, so a clearing
    // after the handler is gone does nothing.
    struct Pending {
        ModifierFlags tappingModifierFlags = 0;
    };

    DoubleTapped doubleTapped_;
    const std::shared_ptr<Pending> state_ = std::make_shared<Pending>();
    bool isTappingMultiModifiers_ = false;
    std::optional<double> lastHandledEventTimestamp_;
    const platform::dispatch::Duration cleanTimeInterval_;
    const std::shared_ptr<platform::dispatch::Queue> cleanQueue_;
};

}  // namespace frelt
