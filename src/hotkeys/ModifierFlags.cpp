#include "hotkeys/ModifierFlags.h"

#include <bit>

namespace frelt::modifierflags {
namespace {
constexpr ModifierFlags fourModifiers = command | option | control | shift;
constexpr ModifierFlags supportedModifiers = shift | control | option | command | function;  // 0x9e0000
}  // namespace

ModifierFlags filterUnsupportedModifiers(ModifierFlags flags) { return flags & fourModifiers; }

bool containsSupportedModifiers(ModifierFlags flags) { return (flags & supportedModifiers) != 0; }

bool isSingleFlags(ModifierFlags flags) { return std::popcount(flags & fourModifiers) == 1; }

std::int64_t carbonModifiers(ModifierFlags flags, bool isSupportedFunctionKey) {
    std::int64_t mask = 0;
    if (flags & command) mask |= carbonmodifiers::command;
    if (flags & option) mask |= carbonmodifiers::option;
    if (flags & control) mask |= carbonmodifiers::control;
    if (flags & shift) mask |= carbonmodifiers::shift;
    if (isSupportedFunctionKey && (flags & function)) mask |= carbonmodifiers::function;
    return mask;
}

ModifierFlags fromCarbonModifiers(std::int64_t mask) {
    ModifierFlags flags = 0;
    if (mask & carbonmodifiers::command) flags |= command;
    if (mask & carbonmodifiers::option) flags |= option;
    if (mask & carbonmodifiers::control) flags |= control;
    if (mask & carbonmodifiers::shift) flags |= shift;
    return flags;
}

std::vector<std::string> displayNames(ModifierFlags flags) {
    std::vector<std::string> names;
    if (flags & shift) names.emplace_back("Shift");
    if (flags & command) names.emplace_back("Ctrl");
    if (flags & option) names.emplace_back("Alt");
    if (flags & control) names.emplace_back("Super");
    return names;
}

std::string displayString(ModifierFlags flags) {
    std::string text;
    for (const auto& name : displayNames(flags)) text += (text.empty() ? "" : "+") + name;
    return text;
}

}  // namespace frelt::modifierflags
