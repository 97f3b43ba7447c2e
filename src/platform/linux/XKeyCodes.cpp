#include "platform/linux/XKeyCodes.h"

#include <linux/input-event-codes.h>

#include <array>

namespace platform::xkeys {
namespace {

// X keycodes are evdev codes shifted past the range X reserves.
constexpr std::uint32_t kEvdevOffset = 8;

struct Row {
    std::uint16_t evdev;
    std::uint16_t virtualKeyCode;
};

// In order of preference where one virtual code has several evdev codes:
// the first row of a code is what typing it means on a PC keyboard.
constexpr Row kRows[] = {
    // Letters
    {KEY_A, 0x00}, {KEY_S, 0x01}, {KEY_D, 0x02}, {KEY_F, 0x03}, {KEY_H, 0x04}, {KEY_G, 0x05},
    {KEY_Z, 0x06}, {KEY_X, 0x07}, {KEY_C, 0x08}, {KEY_V, 0x09}, {KEY_B, 0x0B}, {KEY_Q, 0x0C},
    {KEY_W, 0x0D}, {KEY_E, 0x0E}, {KEY_R, 0x0F}, {KEY_Y, 0x10}, {KEY_T, 0x11}, {KEY_O, 0x1F},
    {KEY_U, 0x20}, {KEY_I, 0x22}, {KEY_P, 0x23}, {KEY_L, 0x25}, {KEY_J, 0x26}, {KEY_K, 0x28},
    {KEY_N, 0x2D}, {KEY_M, 0x2E},
    // Digits and punctuation of the main block
    {KEY_1, 0x12}, {KEY_2, 0x13}, {KEY_3, 0x14}, {KEY_4, 0x15}, {KEY_6, 0x16}, {KEY_5, 0x17},
    {KEY_EQUAL, 0x18}, {KEY_9, 0x19}, {KEY_7, 0x1A}, {KEY_MINUS, 0x1B}, {KEY_8, 0x1C}, {KEY_0, 0x1D},
    {KEY_RIGHTBRACE, 0x1E}, {KEY_LEFTBRACE, 0x21}, {KEY_APOSTROPHE, 0x27}, {KEY_SEMICOLON, 0x29},
    {KEY_BACKSLASH, 0x2A}, {KEY_COMMA, 0x2B}, {KEY_SLASH, 0x2C}, {KEY_DOT, 0x2F}, {KEY_GRAVE, 0x32},
    // The ISO key beside the left Shift
    {KEY_102ND, 0x0A},
    // Editing and whitespace
    {KEY_ENTER, 0x24}, {KEY_TAB, 0x30}, {KEY_SPACE, 0x31}, {KEY_BACKSPACE, 0x33}, {KEY_ESC, 0x35},
    // Modifiers: Ctrl is command, Super is control
    {KEY_RIGHTCTRL, 0x36}, {KEY_LEFTCTRL, 0x37}, {KEY_LEFTSHIFT, 0x38}, {KEY_CAPSLOCK, 0x39},
    {KEY_LEFTALT, 0x3A}, {KEY_LEFTMETA, 0x3B}, {KEY_RIGHTSHIFT, 0x3C}, {KEY_RIGHTALT, 0x3D},
    {KEY_RIGHTMETA, 0x3E}, {KEY_FN, 0x3F},
    // Keypad; Num Lock sits where the kit's Clear key is
    {KEY_KPDOT, 0x41}, {KEY_KPASTERISK, 0x43}, {KEY_KPPLUS, 0x45}, {KEY_NUMLOCK, 0x47},
    {KEY_KPSLASH, 0x4B}, {KEY_KPENTER, 0x4C}, {KEY_KPMINUS, 0x4E}, {KEY_KPEQUAL, 0x51},
    {KEY_KP0, 0x52}, {KEY_KP1, 0x53}, {KEY_KP2, 0x54}, {KEY_KP3, 0x55}, {KEY_KP4, 0x56},
    {KEY_KP5, 0x57}, {KEY_KP6, 0x58}, {KEY_KP7, 0x59}, {KEY_KP8, 0x5B}, {KEY_KP9, 0x5C},
    // Volume
    {KEY_VOLUMEUP, 0x48}, {KEY_VOLUMEDOWN, 0x49}, {KEY_MUTE, 0x4A},
    // Function keys
    {KEY_F1, 0x7A}, {KEY_F2, 0x78}, {KEY_F3, 0x63}, {KEY_F4, 0x76}, {KEY_F5, 0x60}, {KEY_F6, 0x61},
    {KEY_F7, 0x62}, {KEY_F8, 0x64}, {KEY_F9, 0x65}, {KEY_F10, 0x6D}, {KEY_F11, 0x67}, {KEY_F12, 0x6F},
    {KEY_F13, 0x69}, {KEY_F14, 0x6B}, {KEY_F15, 0x71}, {KEY_F16, 0x6A}, {KEY_F17, 0x40},
    {KEY_F18, 0x4F}, {KEY_F19, 0x50}, {KEY_F20, 0x5A},
    // Navigation; Insert sits where the kit's Help key is
    {KEY_INSERT, 0x72}, {KEY_HOME, 0x73}, {KEY_PAGEUP, 0x74}, {KEY_DELETE, 0x75}, {KEY_END, 0x77},
    {KEY_PAGEDOWN, 0x79}, {KEY_LEFT, 0x7B}, {KEY_RIGHT, 0x7C}, {KEY_DOWN, 0x7D}, {KEY_UP, 0x7E},
    {KEY_HELP, 0x72},
    // JIS keys: yen, the underscore (ro) key and the keypad comma; the keys
    // either side of the space bar are Muhenkan/Henkan on a PC keyboard and
    // the language keys elsewhere.
    {KEY_YEN, 0x5D}, {KEY_RO, 0x5E}, {KEY_KPJPCOMMA, 0x5F}, {KEY_KPCOMMA, 0x5F},
    {KEY_MUHENKAN, 0x66}, {KEY_HANJA, 0x66}, {KEY_HENKAN, 0x68}, {KEY_HANGEUL, 0x68},
};

}  // namespace

std::optional<std::uint16_t> virtualKeyCodeForXKeycode(std::uint32_t xKeycode) {
    if (xKeycode < kEvdevOffset) return std::nullopt;
    const std::uint32_t evdev = xKeycode - kEvdevOffset;
    for (const auto& row : kRows)
        if (row.evdev == evdev) return row.virtualKeyCode;
    return std::nullopt;
}

std::vector<std::uint32_t> xKeycodesForVirtualKeyCode(std::uint16_t virtualKeyCode) {
    std::vector<std::uint32_t> codes;
    for (const auto& row : kRows)
        if (row.virtualKeyCode == virtualKeyCode) codes.push_back(row.evdev + kEvdevOffset);
    return codes;
}

std::optional<std::uint32_t> xKeycodeForVirtualKeyCode(std::uint16_t virtualKeyCode) {
    for (const auto& row : kRows)
        if (row.virtualKeyCode == virtualKeyCode) return row.evdev + kEvdevOffset;
    return std::nullopt;
}

namespace {
// X core modifier masks.
constexpr std::uint32_t kShift = 1u << 0;
constexpr std::uint32_t kLock = 1u << 1;
constexpr std::uint32_t kControl = 1u << 2;
constexpr std::uint32_t kMod1 = 1u << 3;  // Alt
constexpr std::uint32_t kMod4 = 1u << 6;  // Super

// The kit's flags.
constexpr std::uint32_t kCapsLockFlag = 0x10000;
constexpr std::uint32_t kShiftFlag = 0x20000;
constexpr std::uint32_t kControlFlag = 0x40000;
constexpr std::uint32_t kOptionFlag = 0x80000;
constexpr std::uint32_t kCommandFlag = 0x100000;

constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 5> kModifiers{{
    {kShift, kShiftFlag},
    {kLock, kCapsLockFlag},
    {kControl, kCommandFlag},
    {kMod1, kOptionFlag},
    {kMod4, kControlFlag},
}};
}  // namespace

std::uint32_t modifierFlagsForXState(std::uint32_t state) {
    std::uint32_t flags = 0;
    for (const auto& [x, kit] : kModifiers)
        if (state & x) flags |= kit;
    return flags;
}

std::uint32_t xStateForModifierFlags(std::uint32_t flags) {
    std::uint32_t state = 0;
    for (const auto& [x, kit] : kModifiers)
        if (flags & kit) state |= x;
    return state;
}

}  // namespace platform::xkeys
