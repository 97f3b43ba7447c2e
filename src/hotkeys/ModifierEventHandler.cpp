#include "hotkeys/ModifierEventHandler.h"

#include <bit>

namespace frelt {

ModifierEventHandler::ModifierEventHandler(platform::dispatch::Duration cleanTimeInterval,
                                           std::shared_ptr<platform::dispatch::Queue> cleanQueue)
    : cleanTimeInterval_(cleanTimeInterval), cleanQueue_(std::move(cleanQueue)) {}

void ModifierEventHandler::handleModifiersEvent(ModifierFlags flags) {
    const ModifierFlags current = modifierflags::filterUnsupportedModifiers(flags);
    const int count = std::popcount(current);
    if (count == 0) return;  // every modifier released
    if (count >= 2) {
        isTappingMultiModifiers_ = true;
        return;
    }
    if (isTappingMultiModifiers_) {
        // The chord ended; the single modifier left over is no tap.
        isTappingMultiModifiers_ = false;
        return;
    }
    // Held locally: the callback may set another callback, or end the
    // handler's owner.
    const auto state = state_;
    const auto queue = cleanQueue_;
    const auto interval = cleanTimeInterval_;
    ModifierFlags pending = current;
    if (state->tappingModifierFlags == current) {
        const DoubleTapped callback = doubleTapped_;
        if (callback) callback(current);
        pending = 0;
    }
    state->tappingModifierFlags = pending;
    queue->after(interval, [weak = std::weak_ptr<Pending>(state)] {
        if (auto held = weak.lock()) held->tappingModifierFlags = 0;
    });
}

void ModifierEventHandler::handleModifiersEvent(ModifierFlags flags, double timestamp) {
    if (lastHandledEventTimestamp_ && *lastHandledEventTimestamp_ == timestamp) return;
    lastHandledEventTimestamp_ = timestamp;
    handleModifiersEvent(flags);
}

}  // namespace frelt
