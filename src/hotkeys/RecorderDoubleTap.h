#pragma once
// The shortcut recorder's double-tap detector: a double tap of one modifier
// key (command, option, control or shift) recognised from the flags of
// flags-changed events, the same single modifier pressed twice before the
// first press's clearing runs. Releasing a modifier gives an event without
// modifiers, which is ignored; a chord of two or more suspends the pending
// tap. Every accepted single-modifier event schedules its own clearing on
// the clean queue; earlier ones are not cancelled.

#include <functional>
#include <memory>
#include <optional>

#include "hotkeys/ModifierFlags.h"
#include "platform/dispatch/Dispatch.h"

namespace frelt {

class RecorderDoubleTapDetector {
public:
    using DoubleTapped = std::function<void(ModifierFlags modifier)>;

    RecorderDoubleTapDetector(platform::dispatch::Duration cleanTimeInterval,
                              std::shared_ptr<platform::dispatch::Queue> cleanQueue);
    RecorderDoubleTapDetector(const RecorderDoubleTapDetector&) = delete;
    RecorderDoubleTapDetector& operator=(const RecorderDoubleTapDetector&) = delete;

    // Called with the modifier of a recognised double tap, inside the
    // event's handling.
    void setDoubleTapped(DoubleTapped callback) { doubleTapped_ = std::move(callback); }

    void handleModifiersEvent(ModifierFlags flags);
    // Once per timestamp: an event with the timestamp of the last one is ignored.
    void handleModifiersEvent(ModifierFlags flags, double timestamp);

private:
    // What a clearing empties; held weakly by the clearing.
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
