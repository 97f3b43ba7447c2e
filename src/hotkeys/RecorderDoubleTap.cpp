#include "hotkeys/RecorderDoubleTap.h"

#include <bit>

namespace frelt {

RecorderDoubleTapDetector::RecorderDoubleTapDetector(platform::dispatch::Duration cleanTimeInterval,
                                                     std::shared_ptr<platform::dispatch::Queue> cleanQueue)
    : cleanTimeInterval_(cleanTimeInterval), cleanQueue_(std::move(cleanQueue)) {}

void RecorderDoubleTapDetector::handleModifiersEvent(ModifierFlags flags, double timestamp) {
    if (lastHandledEventTimestamp_ && *lastHandledEventTimestamp_ == timestamp) return;
    lastHandledEventTimestamp_ = timestamp;
    handleModifiersEvent(flags);
}

void RecorderDoubleTapDetector::handleModifiersEvent(ModifierFlags flags) {
    const ModifierFlags current = modifierflags::filterUnsupportedModifiers(flags);
    const int held = std::popcount(current);
    if (held == 0) return;
    if (held > 1) {
        isTappingMultiModifiers_ = true;
        return;
    }
    if (isTappingMultiModifiers_) {
        isTappingMultiModifiers_ = false;
        return;
    }
    ModifierFlags pending = current;
    if (state_->tappingModifierFlags == current) {
        if (doubleTapped_) doubleTapped_(state_->tappingModifierFlags);
        pending = 0;
    }
    state_->tappingModifierFlags = pending;
    std::weak_ptr<Pending> weak = state_;
    cleanQueue_->after(cleanTimeInterval_, [weak] {
        if (auto state = weak.lock()) state->tappingModifierFlags = 0;
    });
}

}  // namespace frelt
