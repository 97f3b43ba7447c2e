#pragma once
// Key codes between the X server and the kit. Kit events and stored hotkeys
// speak the kit's virtual key codes (a key named by its place on a US
// keyboard); the X server speaks keycodes, which on every current Linux
// desktop are the kernel's evdev codes plus 8. This table is the one place
// that translates between the two, for input events and for key grabs alike.
//
// Modifier keys follow the kit's convention: the Ctrl keys are command, the
// Super keys are control, Alt is option.

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::xkeys {

// The kit's virtual key code of an X keycode; none for keys the kit has no
// code for (Print, Menu, media keys other than volume).
std::optional<std::uint16_t> virtualKeyCodeForXKeycode(std::uint32_t xKeycode);

// The X keycode that types a virtual key code on a standard keyboard: the
// first of xKeycodesForVirtualKeyCode.
std::optional<std::uint32_t> xKeycodeForVirtualKeyCode(std::uint16_t virtualKeyCode);

// Every X keycode that reports the virtual key code, most common first: a
// JIS key, for one, sits at another evdev code on a PC keyboard than on
// others. A grab covers them all.
std::vector<std::uint32_t> xKeycodesForVirtualKeyCode(std::uint16_t virtualKeyCode);

// The kit's modifier flags (capsLock 0x10000, shift 0x20000, control
// 0x40000, option 0x80000, command 0x100000) of an X modifier state, with
// Alt on Mod1 and Super on Mod4 as every stock keymap has them.
std::uint32_t modifierFlagsForXState(std::uint32_t state);

// The X modifier mask of the kit's flags (the reverse; Caps Lock included).
std::uint32_t xStateForModifierFlags(std::uint32_t flags);

// The X masks that a grab must also cover because they are locks, not
// modifiers the user chose: Caps Lock (Lock), Num Lock (Mod2), Scroll Lock
// (Mod3 where a keymap puts it there).
inline constexpr std::uint32_t kLockMask = 1u << 1;
inline constexpr std::uint32_t kNumLockMask = 1u << 4;
inline constexpr std::uint32_t kScrollLockMask = 1u << 5;

}  // namespace platform::xkeys
