#pragma once
// What the views of the main window share about the keyboard: which of them
// has the focus, and the modifier keys held while the window is key.

#include <optional>

#include "platform/foundation/SingleInstance.h"

namespace frelt {

// The view of the main window with the keyboard focus.
enum class FirstResponderKind : int { entryTable = 0, sidebar = 1, searchField = 2, other = 3 };

namespace detail {
struct CurrentFirstResponderKindTag {};
using CurrentFirstResponderKind = platform::ResettableValue<CurrentFirstResponderKindTag, std::optional<FirstResponderKind>>;
}  // namespace detail

// One value for the process, `other` until the main view controller writes
// it (it is the only writer); the entry rows and cells read it.
inline FirstResponderKind currentFirstResponderKind() {
    return detail::CurrentFirstResponderKind::get().value_or(FirstResponderKind::other);
}
inline void setCurrentFirstResponderKind(FirstResponderKind kind) { detail::CurrentFirstResponderKind::set(kind); }

// The modifier keys held in the main window: the object of
// "modifierFlagsChanged".
struct CurrentModifierFlags {
    bool optionKey = false;
    bool commandKey = false;
    bool controlKey = false;
    bool shiftKey = false;
    bool operator==(const CurrentModifierFlags&) const = default;
};

}  // namespace frelt
