// Global hotkeys and keyboard layouts on a real X server: the private one
// the test run starts with xvfb-run (never the user's display, whose keys
// and layout these tests change), driven with xdotool and setxkbmap.

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <unistd.h>

#include "HotkeyTestSupport.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/KeyboardLayout.h"
#include "platform/appkit/Application.h"
#include "platform/foundation/Process.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/linux/X11HotkeyServices.h"
#include "platform/linux/XKeyCodes.h"

using namespace frelt;
namespace mf = frelt::modifierflags;

namespace {

std::optional<std::string> findTool(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const auto candidate = std::filesystem::path(folders.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return std::nullopt;
}

// Another X client, holding grabs of its own.
class OtherClient {
public:
    OtherClient() : connection_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~OtherClient() { xcb_disconnect(connection_); }
    // Whether the server let it grab the key with exactly these modifiers.
    bool grab(std::uint32_t keycode, std::uint16_t modifiers) {
        const auto cookie = xcb_grab_key_checked(connection_, 1, root_, modifiers, static_cast<xcb_keycode_t>(keycode),
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
        std::free(error);
        return error == nullptr;
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
};

constexpr std::uint16_t kControl = XCB_MOD_MASK_CONTROL;
constexpr std::uint16_t kAlt = XCB_MOD_MASK_1;

class X11HotkeysTest : public HotkeyTest {
protected:
    void SetUp() override {
        HotkeyTest::SetUp();
        if (!std::getenv("FRELT_TEST_X_SERVER"))
            GTEST_SKIP() << "needs the private X server that ctest starts with xvfb-run (install xvfb)";
        xdotool = findTool("xdotool");
        if (!xdotool) GTEST_SKIP() << "needs xdotool to press keys (install xdotool)";
        ASSERT_TRUE(platform::x11::installHotkeyServices());
        flagsEvents = platform::Application::shared()->addGlobalMonitorForEventsMatchingMask(
            platform::eventmask::flagsChanged, [this](const platform::Event&) { ++modifierChanges; });
    }

    // Runs the loop until `done` holds, for at most a few seconds of real time.
    static bool runUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            platform::RunLoop::main().runUntilIdle();
            std::this_thread::yield();
        }
        return true;
    }
    // Until `count` more modifier keys went down or up: the server sends
    // what it has in order, so everything the keys before them caused has
    // been read too, and what that queued has run.
    bool modifierKeysSeen(int count) {
        const int until = modifierChanges + count;
        const bool seen = runUntil([&] { return modifierChanges >= until; });
        platform::RunLoop::main().runUntilIdle();
        return seen;
    }

    void run(const std::string& tool, const std::vector<std::string>& arguments) {
        platform::Process::Options options;
        options.timeout = std::chrono::seconds(10);
        const auto result = platform::Process::run(tool, arguments, options);
        ASSERT_TRUE(result);
        ASSERT_EQ(result->terminationStatus, 0) << tool;
    }
    void key(const std::vector<std::string>& keys) {
        std::vector<std::string> arguments{"key"};
        arguments.insert(arguments.end(), keys.begin(), keys.end());
        run(*xdotool, arguments);
    }

    HotKey::Ptr counting(const std::string& identifier, const KeyCombo::Ptr& keyCombo) {
        return HotKey::make(identifier, keyCombo, HotKey::ActionQueue::main, [this](const HotKey::Ptr& fired) {
            ++runs;
            lastTime = fired->windowServerTime();
        });
    }

    std::optional<std::string> xdotool;
    platform::Subscription flagsEvents;
    int modifierChanges = 0;
    int runs = 0;
    std::uint32_t lastTime = 0;
};

TEST_F(X11HotkeysTest, APressedCombinationReachesItsActionWhateverLocksAreOn) {
    // Command is Ctrl, option is Alt.
    const auto hotKey = counting("k", combo(Key::k, mf::command | mf::option));
    ASSERT_TRUE(hotKey->registerHotKey());
    key({"ctrl+alt+k"});
    ASSERT_TRUE(runUntil([&] { return runs == 1; }));
    EXPECT_NE(lastTime, 0u) << "the action knows when the key was pressed";
    key({"Caps_Lock", "ctrl+alt+k", "Caps_Lock", "Num_Lock", "ctrl+alt+k", "Num_Lock"});
    ASSERT_TRUE(runUntil([&] { return runs == 3; }));
    key({"ctrl+k", "alt+k"});
    ASSERT_TRUE(modifierKeysSeen(4));
    EXPECT_EQ(runs, 3) << "other modifiers are other combinations";
}

TEST_F(X11HotkeysTest, ACombinationAnotherClientHoldsIsRefusedAndNothingElseChanges) {
    const auto kept = counting("j", combo(Key::j, mf::command | mf::option));
    ASSERT_TRUE(kept->registerHotKey());
    const auto keycode = *platform::xkeys::xKeycodeForVirtualKeyCode(QWERTYKeyCode(Key::k));
    OtherClient other;
    // It holds only the variant with Caps Lock on: ours without locks came
    // first, and must not stay behind.
    ASSERT_TRUE(other.grab(keycode, kControl | kAlt | XCB_MOD_MASK_LOCK));

    const auto refused = counting("k", combo(Key::k, mf::command | mf::option));
    EXPECT_EQ(center()->tryRegister(refused), HotKeyCenter::Registration::refusedByService);
    EXPECT_EQ(held(), (std::vector<std::string>{"j"}));
    EXPECT_EQ(center()->hotKeyCount(), 1u);
    OtherClient third;
    EXPECT_TRUE(third.grab(keycode, kControl | kAlt)) << "no grab of ours was left behind";

    key({"ctrl+alt+j"});
    EXPECT_TRUE(runUntil([&] { return runs == 1; })) << "the hotkey registered before still works";
}

TEST_F(X11HotkeysTest, UnregisteringReleasesTheGrab) {
    const auto hotKey = counting("k", combo(Key::k, mf::command | mf::option));
    ASSERT_TRUE(hotKey->registerHotKey());
    const auto keycode = *platform::xkeys::xKeycodeForVirtualKeyCode(QWERTYKeyCode(Key::k));
    OtherClient other;
    EXPECT_FALSE(other.grab(keycode, kControl | kAlt));
    center()->unregisterHotKey(hotKey);
    EXPECT_TRUE(other.grab(keycode, kControl | kAlt));
    EXPECT_TRUE(other.grab(keycode, kControl | kAlt | XCB_MOD_MASK_2)) << "the Num Lock variant too";
}

TEST_F(X11HotkeysTest, ADoubleTapOfControlFiresOnceAndASlowOneNot) {
    // Ctrl is command.
    const auto hotKey = counting("tap", KeyCombo::makeDoubled(mf::command));
    ASSERT_TRUE(hotKey->registerHotKey());
    auto& detector = center()->modifierEventHandler();

    key({"ctrl", "ctrl"});
    ASSERT_TRUE(modifierKeysSeen(4));
    EXPECT_EQ(runs, 1);
    EXPECT_NE(lastTime, 0u);

    // Taps more than a second apart on the run loop's clock.
    advance(1.0);
    key({"ctrl"});
    ASSERT_TRUE(modifierKeysSeen(2));
    EXPECT_EQ(detector.tappingModifierFlags(), mf::command);
    advance(1.1);
    EXPECT_EQ(detector.tappingModifierFlags(), 0u);
    key({"ctrl"});
    ASSERT_TRUE(modifierKeysSeen(2));
    EXPECT_EQ(detector.tappingModifierFlags(), mf::command) << "the second tap only opened a new one";
    EXPECT_EQ(runs, 1);
}

TEST_F(X11HotkeysTest, TheLayoutMapFollowsSetxkbmap) {
    const auto setxkbmap = findTool("setxkbmap");
    if (!setxkbmap) GTEST_SKIP() << "needs setxkbmap to switch layouts (install x11-xkb-utils)";
    // Whatever happens, the next test finds the US layout again.
    struct Restore {
        std::string tool;
        ~Restore() { platform::Process::run(tool, {"us"}); }
    } restore{*setxkbmap};
    const auto translator = KeyTranslator::shared();
    auto currentIs = [&](const std::string& id) {
        return translator->layout().currentKeyboardLayoutInputSource()->id == id;
    };

    run(*setxkbmap, {"us"});
    ASSERT_TRUE(runUntil([&] { return currentIs("us") && translator->keyCode(Key::z) == 6; }));
    EXPECT_EQ(translator->keyCode(Key::y), 16);
    EXPECT_EQ(translator->character(6, 0), "z");
    EXPECT_EQ(translator->character(16, carbonmodifiers::shift), "Y");
    EXPECT_EQ(translator->character(18, carbonmodifiers::shift), "!");
    EXPECT_EQ(translator->keyCode(Key::keypadOne), 83);

    run(*setxkbmap, {"de"});
    ASSERT_TRUE(runUntil([&] { return currentIs("de") && translator->keyCode(Key::z) == 16; }));
    EXPECT_EQ(translator->keyCode(Key::y), 6);
    EXPECT_EQ(translator->currentKey(16), Key::z);
    EXPECT_EQ(translator->character(6, 0), "y");
    EXPECT_EQ(translator->character(16, carbonmodifiers::shift), "Z");
    EXPECT_EQ(translator->character(18, carbonmodifiers::shift), "!");
    EXPECT_EQ(translator->character(19, carbonmodifiers::shift), "\"");
    EXPECT_EQ(translator->character(12, carbonmodifiers::option), "@") << "option is the third level (AltGr)";
    EXPECT_EQ(translator->character(50, 0), "^") << "a dead key types its spacing character";
    EXPECT_EQ(translator->character(24, 0), "\u00B4");
    EXPECT_EQ(translator->character(41, 0), "\u00F6");
    EXPECT_EQ(KeyCombo::make(Key::z, mf::command)->keyCode(), 16);
    // The registration grabs where the user's z is.
    const auto hotKey = counting("z", combo(Key::z, mf::command | mf::option));
    ASSERT_TRUE(hotKey->registerHotKey());
    key({"ctrl+alt+z"});
    EXPECT_TRUE(runUntil([&] { return runs == 1; }));

    run(*setxkbmap, {"us"});
    EXPECT_TRUE(runUntil([&] { return currentIs("us"); }));
}

TEST_F(X11HotkeysTest, UnderWaylandTheServiceSaysHotkeysNeedTheFocus) {
    ::setenv("WAYLAND_DISPLAY", "wayland-test", 1);
    platform::singleinstance::resetAll();
    const bool installed = platform::x11::installHotkeyServices();
    ::unsetenv("WAYLAND_DISPLAY");
    ASSERT_TRUE(installed);
    const auto limitation = platform::HotKeyService::shared()->limitation();
    ASSERT_TRUE(limitation);
    EXPECT_NE(limitation->find("focus"), std::string::npos);
}

TEST_F(X11HotkeysTest, WithoutADisplayRegistrationsAreRefused) {
    platform::singleinstance::resetAll();
    EXPECT_FALSE(platform::x11::installHotkeyServices(std::string(":")));
    EXPECT_TRUE(platform::HotKeyService::shared()->limitation());
    EXPECT_FALSE(counting("k", combo(Key::k))->registerHotKey());
    EXPECT_EQ(KeyTranslator::shared()->keyCode(Key::z), 6) << "layouts answer US";
}

}  // namespace
