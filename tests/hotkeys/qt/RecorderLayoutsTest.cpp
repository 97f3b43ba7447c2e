// The shortcut recorder and the global hotkeys on real keyboard layouts: the
// private X server of the test run switches layouts with setxkbmap (and
// groups as a desktop's layout switcher does), xdotool presses physical keys
// by their X key codes, Qt turns them into the kit's events, the recorder
// records, and the recorded combination fires where the user's key is.
// ctest runs this program on Xvfb; elsewhere it says why it skips.

#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include "platform/linux/XcbXkb.h"

#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/KeyboardLayout.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Window.h"
#include "platform/linux/X11HotkeyServices.h"
#include "support/qt/QtTestSupport.h"

using namespace frelt;
namespace mf = frelt::modifierflags;

namespace {

// X key codes of a US (pc105) keyboard: where the keys are, whatever they type.
constexpr int xKeyQ = 24, xKeyY = 29, xKeyA = 38, xKeyZ = 52;

class RecorderLayoutsTest : public QtX11KitTest {
protected:
    void SetUp() override {
        QtX11KitTest::SetUp();
        if (IsSkipped()) return;
        for (const char* tool : {"xdotool", "setxkbmap"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << "needs " << tool << " (scripts/install-deps installs it)";
        ASSERT_TRUE(platform::x11::installHotkeyServices());
    }
    void TearDown() override {
        if (!IsSkipped()) run("setxkbmap", {"us"});
        QtX11KitTest::TearDown();
    }

    static void run(const QString& tool, const QStringList& arguments) {
        QProcess process;
        process.start(tool, arguments);
        ASSERT_TRUE(process.waitForFinished(10000)) << tool.toStdString();
        ASSERT_EQ(process.exitCode(), 0) << tool.toStdString() << " " << arguments.join(' ').toStdString();
    }
    // Presses the physical key `xKeycode` with Ctrl and Shift (command and shift).
    static void pressWithCtrlShift(int xKeycode) {
        run("xdotool", {"keydown", "ctrl", "keydown", "shift", "key", QString::number(xKeycode), "keyup", "shift",
                        "keyup", "ctrl"});
    }
    // The layout is `id`, and what its change set off on the main queue
    // (the hotkeys grabbed again) has run.
    static bool layoutIs(const std::string& id) {
        const bool is =
            runUntil([&] { return KeyTranslator::shared()->layout().currentKeyboardLayoutInputSource()->id == id; });
        runUntil([] { return false; }, std::chrono::milliseconds(300));
        return is;
    }
    void showRecorder() {
        window = std::make_shared<platform::Window>(platform::Rect(100, 100, 300, 80));
        recorder = RecordView::make(platform::Rect(20, 20, 220, 28));
        window->contentView()->addSubview(recorder);
        window->makeKeyAndOrderFront();
        platform::Application::shared()->activate();
        ASSERT_TRUE(runUntil([&] {
            QWidget* w = widgetOf(*window);
            return w && w->isActiveWindow();
        })) << "the window never got the focus";
    }
    // What the recorder records for the physical key, in the layout now set.
    KeyCombo::Ptr record(int xKeycode) {
        recorder->setKeyCombo(nullptr);
        EXPECT_TRUE(recorder->beginRecording());
        pressWithCtrlShift(xKeycode);
        runUntil([&] { return recorder->keyCombo() != nullptr; }, std::chrono::seconds(5));
        return recorder->keyCombo();
    }
    // Whether the registered combination fires on the physical key.
    // (A press that fires nothing is known only by waiting a while.)
    bool firesOn(int xKeycode, const std::function<void(int)>& press = pressWithCtrlShift) {
        const int before = fired;
        press(xKeycode);
        return runUntil([&] { return fired > before; }, std::chrono::seconds(2));
    }
    HotKey::Ptr counting(const KeyCombo::Ptr& combo) {
        return HotKey::make("recorded", combo, HotKey::ActionQueue::main, [this](const HotKey::Ptr&) { ++fired; });
    }

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<RecordView> recorder;
    int fired = 0;
};

TEST_F(RecorderLayoutsTest, TheKeyPrintedWithALetterRecordsThatLetterAndFiresThere) {
    showRecorder();
    struct Case {
        const char* layout;
        int printed;     // the key printed with the letter
        int elsewhere;   // the key at the letter's US place, another letter here
        Key letter;
    };
    const Case cases[] = {
        {"us", xKeyZ, xKeyY, Key::z},
        {"de", xKeyY, xKeyZ, Key::z},  // German swaps Y and Z
        {"fr", xKeyQ, xKeyA, Key::a},  // French swaps A and Q
    };
    for (const auto& c : cases) {
        run("setxkbmap", {c.layout});
        ASSERT_TRUE(layoutIs(c.layout)) << c.layout;
        const auto recorded = record(c.printed);
        ASSERT_TRUE(recorded) << c.layout << ": nothing recorded";
        EXPECT_EQ(recorded->key(), c.letter) << c.layout;
        EXPECT_EQ(recorded->modifiers(), carbonmodifiers::command | carbonmodifiers::shift) << c.layout;

        const auto hotKey = counting(recorded);
        ASSERT_TRUE(hotKey->registerHotKey()) << c.layout;
        EXPECT_FALSE(firesOn(c.elsewhere)) << c.layout << ": fired on the key of another letter";
        EXPECT_TRUE(firesOn(c.printed)) << c.layout << ": did not fire on the key printed with the letter";
        HotKeyCenter::shared()->unregisterHotKey(hotKey);
    }
}

TEST_F(RecorderLayoutsTest, AGroupSwitchMovesTheGrabToTheKeyOfTheNewLayout) {
    run("setxkbmap", {"-layout", "us,de"});
    ASSERT_TRUE(layoutIs("us"));
    const auto hotKey = counting(KeyCombo::make(Key::z, mf::command | mf::shift));
    ASSERT_TRUE(hotKey->registerHotKey());

    // Keys go in through the server's test extension here: xdotool locks
    // the first group while it types a key named by its code.
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(connection));
    const auto press = [connection](int xKeycode) {
        constexpr int control = 37, shift = 50;
        for (const int key : {control, shift, xKeycode})
            xcb_test_fake_input(connection, XCB_KEY_PRESS, static_cast<std::uint8_t>(key), 0, XCB_NONE, 0, 0, 0);
        for (const int key : {xKeycode, shift, control})
            xcb_test_fake_input(connection, XCB_KEY_RELEASE, static_cast<std::uint8_t>(key), 0, XCB_NONE, 0, 0, 0);
        xcb_flush(connection);
    };
    const auto lockGroup = [connection](std::uint8_t group) {
        xcb_xkb_latch_lock_state(connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, group, 0, 0, 0);
        xcb_flush(connection);
    };
    std::free(xcb_xkb_use_extension_reply(connection, xcb_xkb_use_extension(connection, 1, 0), nullptr));
    EXPECT_TRUE(firesOn(xKeyZ, press));

    // The desktop's layout switcher locks the second group.
    lockGroup(XCB_XKB_GROUP_2);
    ASSERT_TRUE(layoutIs("de")) << "the group switch was not seen";
    EXPECT_TRUE(firesOn(xKeyY, press)) << "the grab stayed on the old key";
    EXPECT_FALSE(firesOn(xKeyZ, press)) << "the old key still fires";
    lockGroup(XCB_XKB_GROUP_1);
    EXPECT_TRUE(layoutIs("us"));
    EXPECT_TRUE(firesOn(xKeyZ, press)) << "and back";
    xcb_disconnect(connection);
}

}  // namespace
