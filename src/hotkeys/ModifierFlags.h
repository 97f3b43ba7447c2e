#pragma once
// The two modifier encodings hotkeys meet: the flags key events carry (the
// other platform's event modifier flags, which our kit events use as well) and
// the compact mask the global hotkey service takes and key combinations store.
// Modifiers map as command = Ctrl, control = Super, option = Alt, shift = Shift.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/appkit/Event.h"
#include "platform/carbon/HotKeyService.h"

namespace frelt {

// Event modifier flags and their bits are the kit's.
using platform::ModifierFlags;

namespace modifierflags {
using namespace platform::modifierflags;

// Keeps command, option, control and shift; drops everything else.
ModifierFlags filterUnsupportedModifiers(ModifierFlags flags);
// Any of shift, control, option, command or function.
bool containsSupportedModifiers(ModifierFlags flags);
// Exactly one of command, option, control and shift, whatever else is set.
bool isSingleFlags(ModifierFlags flags);
// The stored mask; the function flag survives only for a function key.
std::int64_t carbonModifiers(ModifierFlags flags, bool isSupportedFunctionKey);
// Only the four modifiers come back; the function flag is dropped.
ModifierFlags fromCarbonModifiers(std::int64_t carbonModifiers);
// The desktop's names of the set modifiers, always in its order:
// Shift, Ctrl (command), Alt (option), Super (control).
std::vector<std::string> displayNames(ModifierFlags flags);
// Those names joined as the desktop writes them: "Shift+Ctrl".
std::string displayString(ModifierFlags flags);
}  // namespace modifierflags

// The hotkey service's own mask bits.
namespace carbonmodifiers {
inline constexpr std::int64_t command = platform::carbonmask::cmdKey;
inline constexpr std::int64_t shift = platform::carbonmask::shiftKey;
inline constexpr std::int64_t option = platform::carbonmask::optionKey;
inline constexpr std::int64_t control = platform::carbonmask::controlKey;
// Carried unchanged from the event flags for the keys F1 to F20.
inline constexpr std::int64_t function = platform::carbonmask::functionKey;
}  // namespace carbonmodifiers

}  // namespace frelt
