#include "platform/linux/XKeyCodes.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace {

using namespace platform::xkeys;

constexpr std::uint32_t x(std::uint32_t evdev) { return evdev + 8; }

TEST(XKeyCodes, KeysTranslateByPositionIncludingTheIsoAndJisKeys) {
    struct Case {
        std::uint32_t xKeycode;
        std::uint16_t virtualKeyCode;
    };
    const Case cases[] = {
        {x(KEY_A), 0x00},         {x(KEY_Z), 0x06},        {x(KEY_Y), 0x10},      {x(KEY_1), 0x12},
        {x(KEY_ENTER), 0x24},     {x(KEY_ESC), 0x35},      {x(KEY_BACKSPACE), 0x33},
        {x(KEY_DELETE), 0x75},    {x(KEY_KPENTER), 0x4C},  {x(KEY_F1), 0x7A},     {x(KEY_F20), 0x5A},
        {x(KEY_102ND), 0x0A},     {x(KEY_GRAVE), 0x32},    {x(KEY_YEN), 0x5D},    {x(KEY_RO), 0x5E},
        {x(KEY_MUHENKAN), 0x66},  {x(KEY_HANJA), 0x66},    {x(KEY_HENKAN), 0x68}, {x(KEY_HANGEUL), 0x68},
        {x(KEY_LEFTCTRL), 0x37},  {x(KEY_LEFTMETA), 0x3B}, {x(KEY_LEFTALT), 0x3A},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xKeycode);
        EXPECT_EQ(virtualKeyCodeForXKeycode(c.xKeycode), c.virtualKeyCode);
    }
    EXPECT_EQ(virtualKeyCodeForXKeycode(x(KEY_PRINT)), std::nullopt);
    EXPECT_EQ(virtualKeyCodeForXKeycode(3), std::nullopt);
}

TEST(XKeyCodes, EveryXKeycodeOfACodeTranslatesBackAndThePcKeyComesFirst) {
    for (std::uint16_t code = 0; code < 0x80; ++code) {
        SCOPED_TRACE(code);
        const auto all = xKeycodesForVirtualKeyCode(code);
        for (const auto xKeycode : all) EXPECT_EQ(virtualKeyCodeForXKeycode(xKeycode), code);
        EXPECT_EQ(xKeycodeForVirtualKeyCode(code), all.empty() ? std::nullopt : std::optional(all.front()));
    }
    EXPECT_EQ(xKeycodesForVirtualKeyCode(0x68), (std::vector<std::uint32_t>{x(KEY_HENKAN), x(KEY_HANGEUL)}));
    EXPECT_EQ(xKeycodeForVirtualKeyCode(0x72), x(KEY_INSERT));
}

TEST(XKeyCodes, ModifiersFollowTheKitsConvention) {
    constexpr std::uint32_t shift = 1, lock = 2, control = 4, mod1 = 8, mod2 = 16, mod4 = 64;
    EXPECT_EQ(modifierFlagsForXState(control), 0x100000u);
    EXPECT_EQ(modifierFlagsForXState(mod4), 0x40000u);
    EXPECT_EQ(modifierFlagsForXState(mod1 | shift), 0x80000u | 0x20000u);
    EXPECT_EQ(modifierFlagsForXState(lock | mod2), 0x10000u);  // Num Lock is no modifier
    EXPECT_EQ(xStateForModifierFlags(0x100000 | 0x40000 | 0x80000 | 0x20000), control | mod4 | mod1 | shift);
}

}  // namespace
