#include "hotkeys/Key.h"
#include "platform/linux/XKeyCodes.h"

#include <gtest/gtest.h>

namespace {

// A hotkey the user can record must be one the X server can grab, and a key
// pressed in a window must come back as the same key.
TEST(KeyXKeycode, EveryKeyHasAnXKeycodeThatTranslatesBackToIt) {
    for (const frelt::Key key : frelt::allKeys()) {
        SCOPED_TRACE(std::string(frelt::rawValue(key)));
        const std::uint16_t code = frelt::QWERTYKeyCode(key);
        const auto xKeycode = platform::xkeys::xKeycodeForVirtualKeyCode(code);
        ASSERT_TRUE(xKeycode.has_value());
        EXPECT_EQ(platform::xkeys::virtualKeyCodeForXKeycode(*xKeycode), code);
    }
}

}  // namespace
