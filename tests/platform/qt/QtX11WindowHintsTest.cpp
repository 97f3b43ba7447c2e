// What a kit window's properties ask of the window manager, read back from
// the X server: desktops, taskbar and pager, the name in the decoration and
// moving. ctest runs these on Xvfb (test_platform_qt_x11), where no window
// manager runs: the properties of a window about to be mapped stay as the
// program wrote them, and for a mapped window the test itself takes the
// window manager's place to hear the program's requests.

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Window.h"
#include "platform/linux/X11WindowActivation.h"
#include "platform/qt/QtDesktop.h"
#include "support/qt/QtTestSupport.h"

using namespace platform;

namespace {

namespace cb = collectionbehavior;

// A connection of the test's own to the program's X server.
class XConnection {
public:
    XConnection() : c_(xcb_connect(nullptr, nullptr)) {}
    ~XConnection() { xcb_disconnect(c_); }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;
    xcb_connection_t* get() const { return c_; }
    bool ok() const { return !xcb_connection_has_error(c_); }
    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root; }

    xcb_atom_t atom(const std::string& name) const {
        xcb_atom_t a = XCB_ATOM_NONE;
        if (auto* r = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::uint16_t(name.size()), name.c_str()), nullptr)) {
            a = r->atom;
            std::free(r);
        }
        return a;
    }
    std::string atomName(xcb_atom_t a) const {
        std::string name;
        if (auto* r = xcb_get_atom_name_reply(c_, xcb_get_atom_name(c_, a), nullptr)) {
            name.assign(xcb_get_atom_name_name(r), std::size_t(xcb_get_atom_name_name_length(r)));
            std::free(r);
        }
        return name;
    }
    // The property's raw items; none when the window has no such property.
    std::optional<std::vector<std::uint32_t>> items32(xcb_window_t w, const std::string& property) const {
        auto* r = xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
                                         nullptr);
        if (!r) return std::nullopt;
        std::optional<std::vector<std::uint32_t>> items;
        if (r->type != XCB_ATOM_NONE && r->format == 32) {
            const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
            items.emplace(data, data + xcb_get_property_value_length(r) / 4);
        }
        std::free(r);
        return items;
    }
    std::optional<std::string> text(xcb_window_t w, const std::string& property) const {
        auto* r = xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                         nullptr);
        if (!r) return std::nullopt;
        std::optional<std::string> value;
        if (r->type != XCB_ATOM_NONE && r->format == 8)
            value.emplace(static_cast<const char*>(xcb_get_property_value(r)), std::size_t(xcb_get_property_value_length(r)));
        std::free(r);
        return value;
    }
    std::vector<std::string> states(xcb_window_t w) const {
        std::vector<std::string> names;
        for (auto a : items32(w, "_NET_WM_STATE").value_or(std::vector<std::uint32_t>{})) {
            const std::string name = atomName(a);
            // Only those the kit's properties ask for.
            if (name == "_NET_WM_STATE_STICKY" || name == "_NET_WM_STATE_SKIP_TASKBAR" ||
                name == "_NET_WM_STATE_SKIP_PAGER")
                names.push_back(name.substr(std::strlen("_NET_WM_STATE_")));
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // Whether the Motif hints leave the window manager's move function on.
    bool motifAllowsMove(xcb_window_t w) const {
        const auto hints = items32(w, "_MOTIF_WM_HINTS");
        if (!hints || hints->size() < 2 || !((*hints)[0] & 1u)) return true;  // no functions given: all
        const std::uint32_t functions = (*hints)[1];
        const bool move = functions & (1u << 2);
        return (functions & 1u) ? !move : move;  // with "all" the bits are exclusions
    }

private:
    xcb_connection_t* c_;
};

class QtX11WindowHintsTest : public QtX11KitTest {
protected:
    void SetUp() override {
        QtX11KitTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(x.ok());
    }

    std::shared_ptr<Window> titledWindow(const std::string& title) {
        auto window = std::make_shared<Window>(Rect(120, 120, 240, 120),
                                               stylemask::titled | stylemask::closable | stylemask::resizable);
        window->setTitle(title);
        return window;
    }
    // Shows the window and waits until the X server mapped it.
    xcb_window_t show(const std::shared_ptr<Window>& window) {
        window->orderFront();
        QWidget* widget = widgetOf(*window);
        EXPECT_TRUE(widget && runUntil([&] { return widget->windowHandle() && widget->windowHandle()->isExposed(); }))
            << "the window was never mapped";
        return xcb_window_t(qt::x11WindowId(*window));
    }

    // The test takes the window manager's place on the root window, to hear
    // what the program asks of it; false where a window manager runs.
    bool becomeWindowManager() {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_void_cookie_t selected = xcb_change_window_attributes_checked(x.get(), x.root(), XCB_CW_EVENT_MASK, &mask);
        if (xcb_generic_error_t* error = xcb_request_check(x.get(), selected)) {
            std::free(error);
            return false;
        }
        return true;
    }

    XConnection x;
};

TEST_F(QtX11WindowHintsTest, TheCollectionBehaviourPutsTheWindowOnDesktopsAndInTheTaskbar) {
    using Strings = std::vector<std::string>;
    struct Case {
        const char* what;
        CollectionBehavior behaviour;
        Strings states;
        bool onAllDesktops;
    };
    const std::vector<Case> cases = {
        {"the default", cb::defaultBehavior, {}, false},
        {"on all desktops", cb::canJoinAllSpaces, {"STICKY"}, true},
        {"transient", cb::transient, {"SKIP_PAGER", "SKIP_TASKBAR"}, false},
        {"out of the window cycle", cb::ignoresCycle, {"SKIP_PAGER", "SKIP_TASKBAR"}, false},
        {"both", cb::canJoinAllSpaces | cb::ignoresCycle, {"SKIP_PAGER", "SKIP_TASKBAR", "STICKY"}, true},
        {"managed, in the cycle, to the active desktop", cb::managed | cb::participatesInCycle | cb::moveToActiveSpace,
         {}, false},
    };
    // One window shown again and again, as the main window is: each showing
    // takes the behaviour of the moment, and drops what it no longer asks.
    auto window = titledWindow("Hints");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        window->setCollectionBehavior(c.behaviour);
        const xcb_window_t id = show(window);
        ASSERT_NE(id, 0u);
        EXPECT_EQ(x.states(id), c.states);
        const auto desktop = x.items32(id, "_NET_WM_DESKTOP");
        EXPECT_EQ(desktop && desktop->size() == 1 && desktop->front() == 0xFFFFFFFFu, c.onAllDesktops);
        window->orderOut();
        settle();
    }
}

TEST_F(QtX11WindowHintsTest, AHiddenTitleLeavesTheDecorationWithoutANameAndTheProgramWithItsTitle) {
    auto window = titledWindow("Frelt");
    window->setTitleVisibility(TitleVisibility::hidden);
    window->setTitlebarAppearsTransparent(true);
    const xcb_window_t id = show(window);
    ASSERT_NE(id, 0u);
    // Blank rather than empty: for an empty name window managers show a
    // placeholder.
    EXPECT_EQ(x.text(id, "_NET_WM_NAME").value_or("?"), " ");
    EXPECT_EQ(x.text(id, "WM_NAME").value_or("?"), " ");
    EXPECT_EQ(x.text(id, "WM_WINDOW_ROLE").value_or("?"), "Frelt") << "scripts and session managers find it by its role";
    EXPECT_EQ(window->title(), "Frelt");
    EXPECT_EQ(widgetOf(*window)->windowTitle().toStdString(), "Frelt") << "assistive tools read the title";

    // A new title while hidden stays out of the decoration; shown, it is there.
    window->setTitle("Frelt 2");
    settle();
    EXPECT_EQ(x.text(id, "_NET_WM_NAME").value_or("?"), " ");
    EXPECT_EQ(x.text(id, "WM_WINDOW_ROLE").value_or("?"), "Frelt 2");
    window->setTitleVisibility(TitleVisibility::visible);
    settle();
    EXPECT_EQ(x.text(id, "_NET_WM_NAME").value_or("?"), "Frelt 2");
    EXPECT_EQ(x.text(id, "WM_NAME").value_or("?"), "Frelt 2");

    // A window whose title shows keeps Qt's name from the start.
    auto plain = titledWindow("Settings");
    const xcb_window_t plainId = show(plain);
    EXPECT_EQ(x.text(plainId, "_NET_WM_NAME").value_or("?"), "Settings");
}

TEST_F(QtX11WindowHintsTest, ANonMovableWindowTakesTheMoveFunctionFromTheWindowManager) {
    auto window = titledWindow("Fixed");
    window->setMovable(false);
    const xcb_window_t id = show(window);
    ASSERT_NE(id, 0u);
    EXPECT_FALSE(x.motifAllowsMove(id));
    window->setMovable(true);
    settle();
    EXPECT_TRUE(x.motifAllowsMove(id));
    window->setMovable(false);
    settle();
    EXPECT_FALSE(x.motifAllowsMove(id));
    // Qt writes the hints afresh when the window's kind changes.
    window->setStyleMask(stylemask::titled);
    settle();
    EXPECT_FALSE(x.motifAllowsMove(qt::x11WindowId(*window)));

    auto movable = titledWindow("Free");
    EXPECT_TRUE(x.motifAllowsMove(show(movable)));
}

// The test takes the window manager's place on the root window and hears
// what the program asks for a mapped window.
TEST_F(QtX11WindowHintsTest, AMappedWindowAsksTheWindowManagerToChangeItsDesktopsAndTaskbarEntry) {
    auto window = titledWindow("Asks");
    const xcb_window_t id = show(window);
    ASSERT_NE(id, 0u);
    if (!becomeWindowManager()) GTEST_SKIP() << "a window manager runs on this display";
    const xcb_atom_t netWmState = x.atom("_NET_WM_STATE"), netWmDesktop = x.atom("_NET_WM_DESKTOP");
    std::vector<std::string> heard;
    auto listen = [&] {
        settle();
        xcb_flush(x.get());
        runUntil([&] {
            while (xcb_generic_event_t* event = xcb_poll_for_event(x.get())) {
                if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                    auto* m = reinterpret_cast<xcb_client_message_event_t*>(event);
                    if (m->window == id && m->type == netWmState)
                        heard.push_back(std::string(m->data.data32[0] ? "add " : "remove ") +
                                        x.atomName(m->data.data32[1]).substr(std::strlen("_NET_WM_STATE_")));
                    else if (m->window == id && m->type == netWmDesktop)
                        heard.push_back(m->data.data32[0] == 0xFFFFFFFFu ? "desktop all"
                                                                          : "desktop " + std::to_string(m->data.data32[0]));
                }
                std::free(event);
            }
            return false;
        }, std::chrono::milliseconds(200));
    };

    window->setCollectionBehavior(cb::canJoinAllSpaces | cb::transient);
    listen();
    EXPECT_EQ(heard, (std::vector<std::string>{"add STICKY", "add SKIP_TASKBAR", "add SKIP_PAGER", "desktop all"}));
    heard.clear();
    window->setCollectionBehavior(cb::transient);
    listen();
    EXPECT_EQ(heard, (std::vector<std::string>{"remove STICKY", "desktop 0"})) << "back to the desktop in front";
    heard.clear();
    window->setTitle("Asks again");
    listen();
    EXPECT_TRUE(heard.empty()) << "nothing changed for the window manager";
}

// A window shown for an input asks for the focus once it has asked to be
// mapped (a request the window manager hears before the map has no window
// to activate), with the input's time as its user time; for an input that
// came without a time (a tray click over D-Bus, files handed over) the
// server's time now stands in, so an older click elsewhere cannot outrank it.
TEST_F(QtX11WindowHintsTest, AShownWindowAsksForTheFocusAfterItsMapWithTheInputsTimeOrTheServersTimeNow) {
    if (!becomeWindowManager()) GTEST_SKIP() << "a window manager runs on this display";
    const xcb_atom_t activeWindow = x.atom("_NET_ACTIVE_WINDOW");
    struct Case {
        const char* what;
        std::uint32_t inputTime;
    };
    for (const Case& c : {Case{"an input without a time", 0u}, Case{"a hotkey press", 4242u}}) {
        SCOPED_TRACE(c.what);
        auto window = titledWindow("Focus");
        const std::uint32_t before = platform::x11::serverTime();
        ASSERT_NE(before, 0u) << "the server tells its time";
        window->makeKeyAndOrderFront(nullptr);
        const auto id = xcb_window_t(qt::x11WindowId(*window));
        ASSERT_NE(id, 0u);
        qt::requestActivation(*window, c.inputTime);

        std::vector<std::string> heard;
        std::uint32_t askedTime = 0;
        runUntil([&] {
            while (xcb_generic_event_t* event = xcb_poll_for_event(x.get())) {
                const int type = event->response_type & 0x7f;
                if (type == XCB_MAP_REQUEST && reinterpret_cast<xcb_map_request_event_t*>(event)->window == id) {
                    heard.push_back("map");
                } else if (type == XCB_CLIENT_MESSAGE) {
                    auto* m = reinterpret_cast<xcb_client_message_event_t*>(event);
                    if (m->window == id && m->type == activeWindow) {
                        heard.push_back(m->data.data32[0] == 1 ? "activate from a program" : "activate");
                        if (askedTime == 0) askedTime = m->data.data32[1];
                    }
                }
                std::free(event);
            }
            return false;
        }, std::chrono::milliseconds(300));
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(heard.front(), "map");
        EXPECT_NE(std::find(heard.begin(), heard.end(), "activate from a program"), heard.end());
        if (c.inputTime != 0) {
            EXPECT_EQ(askedTime, c.inputTime);
        } else {
            EXPECT_GE(askedTime, before) << "not older than a time taken before the show";
            EXPECT_GE(platform::x11::serverTime(), askedTime);
        }
        EXPECT_EQ(x.items32(id, "_NET_WM_USER_TIME"), std::vector<std::uint32_t>{askedTime});
        window->orderOut();
        settle();
    }
}

}  // namespace
