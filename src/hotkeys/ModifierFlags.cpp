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

std::vector<std::string> keyEquivalentStrings(ModifierFlags flags) {
    std::vector<std::string> glyphs;
    if (flags & control) glyphs.emplace_back("\u2303");
    if (flags & option) glyphs.emplace_back("\u2325");
    if (flags & shift) glyphs.emplace_back("\u21E7");
    if (flags & command) glyphs.emplace_back("\u2318");
    return glyphs;
}

}  // namespace frelt::modifierflags
