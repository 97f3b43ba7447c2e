// The hotkeys through the desktop portal's global shortcuts, against a
// stand-in portal (frelt_portal_standin) on the private session bus ctest
// starts (dbus-run-session). The desktop's own portal cannot run here: it
// needs a running desktop session (a Wayland compositor and the desktop's
// portal backend that shows its dialogs), which a test machine does not
// have; the stand-in serves the same documented interface on the bus, and
// plays the user's part (declining a shortcut, taking one back, pressing
// one) when the test asks it to.
//
// The program's own hotkey code runs unchanged above the service: the
// manager registers what the settings hold, the centre registers with the
// service, and a press (the portal's Activated signal) runs the hotkey's
// action as a key grab's press does.

#include "platform/linux/PortalGlobalShortcuts.h"

#include <gtest/gtest.h>

#include <gio/gio.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <tuple>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "hotkeys/HotKeyManager.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "support/MainWindowSupport.h"

using namespace frelt;
using platform::portal::GlobalShortcutsService;
namespace mf = frelt::modifierflags;
namespace cm = frelt::carbonmodifiers;

namespace {

const std::string globalId = "globalHotKey";
const std::string entryId = "userDefinedKey%20%3A%3A%20https%3A%2F%2Fmail.example";
const std::string tagId = "tagKey%20%3A%3A%20Work";
const std::string categoryId = "categoryKey%20%3A%3A%20allFiles";

// The fallback of a Wayland session: the XWayland grabs, which take the
// registrations but see keys only while a Frelt window has the focus.
class XWaylandGrabs : public platform::HeadlessHotKeyService {
public:
    std::optional<std::string> limitation() const override {
        return "Global hotkeys work only while a Frelt window has the focus: the desktop runs Wayland.";
    }
};

class GlobalShortcutsTest : public HotkeyTest {
protected:
    void SetUp() override {
        HotkeyTest::SetUp();
        if (!std::getenv("FRELT_TEST_SESSION_BUS"))
            GTEST_SKIP() << "needs the private session bus that ctest starts with dbus-run-session (install dbus-bin)";
        address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        workspace = platform::RecordingWorkspace::make();
        platform::Workspace::setShared(workspace);
        mainwindowsupport::registerShell();
        GError* error = nullptr;
        control = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        ASSERT_TRUE(control) << (error ? error->message : "");
    }
    void TearDown() override {
        if (portal) {
            g_subprocess_force_exit(portal);
            g_subprocess_wait(portal, nullptr, nullptr);
            g_object_unref(portal);
            portal = nullptr;
        }
        road.reset();
        fallback.reset();
        alerts.clear();
        // The service goes with the single instances, before the bus it used.
        HotkeyTest::TearDown();
        if (control) {
            g_dbus_connection_close_sync(control, nullptr, nullptr);
            g_object_unref(control);
            control = nullptr;
        }
    }

    // Starts the stand-in portal with `arguments` and waits until it owns
    // the portal's name.
    void startPortal(std::vector<std::string> arguments = {}) {
        std::vector<const char*> argv{FRELT_PORTAL_STANDIN};
        for (const auto& argument : arguments) argv.push_back(argument.c_str());
        argv.push_back(nullptr);
        GError* error = nullptr;
        portal = g_subprocess_newv(argv.data(), G_SUBPROCESS_FLAGS_STDOUT_PIPE, &error);
        ASSERT_TRUE(portal) << (error ? error->message : "");
        GDataInputStream* lines = g_data_input_stream_new(g_subprocess_get_stdout_pipe(portal));
        gchar* line = g_data_input_stream_read_line(lines, nullptr, nullptr, nullptr);
        EXPECT_STREQ(line, "standin ready");
        g_free(line);
        g_object_unref(lines);
    }

    // The portal road in place of the headless service, before the centre
    // is made; the fallback takes registrations where no portal offers
    // global shortcuts.
    void installPortalRoad() {
        fallback = std::make_shared<XWaylandGrabs>();
        GlobalShortcutsService::Options options;
        options.busAddress = address;
        options.appId = "org.frelt.Frelt";
        options.fallback = fallback;
        road = GlobalShortcutsService::start(options);
        platform::HotKeyService::setShared(road);
    }

    // Runs GLib's main context (the bus's answers) and the main queue until
    // `done` holds or 10 s pass.
    bool spinUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // Lets pending answers arrive for a moment, for checks that nothing
    // more happens.
    void settle() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        spinUntil([&] { return std::chrono::steady_clock::now() > until; });
    }

    GVariant* callControl(const char* method, GVariant* parameters = nullptr, const GVariantType* reply = nullptr) {
        GError* error = nullptr;
        GVariant* answer = g_dbus_connection_call_sync(control, "org.freedesktop.portal.Desktop", "/org/frelt/test/control",
                                                       "org.frelt.test.PortalControl", method, parameters, reply,
                                                       G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
        EXPECT_TRUE(answer) << method << ": " << (error ? error->message : "");
        if (error) g_error_free(error);
        return answer;
    }
    void tellPortal(const char* method, GVariant* parameters) {
        if (GVariant* answer = callControl(method, parameters)) g_variant_unref(answer);
    }
    // What the desktop has bound: id, description, the trigger asked for.
    std::vector<std::tuple<std::string, std::string, std::string>> bound() {
        std::vector<std::tuple<std::string, std::string, std::string>> shortcuts;
        GVariant* answer = callControl("Bound", nullptr, G_VARIANT_TYPE("(a(sss))"));
        if (!answer) return shortcuts;
        GVariantIter* iter = nullptr;
        g_variant_get(answer, "(a(sss))", &iter);
        const gchar *id, *description, *trigger;
        while (g_variant_iter_loop(iter, "(&s&s&s)", &id, &description, &trigger))
            shortcuts.emplace_back(id, description, trigger);
        g_variant_iter_free(iter);
        g_variant_unref(answer);
        return shortcuts;
    }
    std::vector<std::string> portalCalls() {
        std::vector<std::string> calls;
        GVariant* answer = callControl("Calls", nullptr, G_VARIANT_TYPE("(as)"));
        if (!answer) return calls;
        GVariantIter* iter = nullptr;
        g_variant_get(answer, "(as)", &iter);
        const gchar* call = nullptr;
        while (g_variant_iter_loop(iter, "&s", &call)) calls.emplace_back(call);
        g_variant_iter_free(iter);
        g_variant_unref(answer);
        return calls;
    }
    void activate(const std::string& id) { tellPortal("Activate", g_variant_new("(s)", id.c_str())); }

    static std::shared_ptr<HotKeyManager> manager() { return HotKeyManager::shared(); }
    static std::shared_ptr<Configuration> config() { return AppDelegate::shared()->config; }
    static bool windowShown() { return mainWindowIsVisible(FreltManager::shared()->mainWindowState()); }
    int openings(const std::string& url) const {
        int count = 0;
        for (const auto& call : workspace->calls())
            for (const auto& u : call.urls)
                if (u.string() == url) ++count;
        return count;
    }
    bool opened(const std::string& url) const { return openings(url) > 0; }
    static bool holds(const std::string& identifier) { return center()->hotKeys().count(identifier) > 0; }
    // Each alert the program shows is answered, its text kept.
    void expectAlerts(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            platform::ModalScript::shared()->answerAlert([this](platform::Alert& alert) {
                alerts.push_back(alert.messageText());
                return platform::AlertAnswer{};
            });
    }

    // The four kinds the desktop is asked for; the global hotkey last.
    void configureFourKinds() {
        config()->globalKeyCombo = combo(Key::k, mf::command | mf::option);
        config()->globalKeyComboCategoriesShowFiles = combo(Key::f2, 0);
        addVisibleTag("Work", combo(Key::w, mf::command | mf::shift));
        addEntry("https://mail.example", combo(Key::m, mf::control));
    }

    std::string address;
    GDBusConnection* control = nullptr;
    GSubprocess* portal = nullptr;
    std::shared_ptr<XWaylandGrabs> fallback;
    std::shared_ptr<GlobalShortcutsService> road;
    std::shared_ptr<platform::RecordingWorkspace> workspace;
    std::vector<std::string> alerts;
};

TEST_F(GlobalShortcutsTest, ShortcutIdsAndTriggersInTheDesktopsNotation) {
    EXPECT_EQ(GlobalShortcutsService::shortcutId("globalHotKey"), "globalHotKey");
    EXPECT_EQ(GlobalShortcutsService::shortcutId("tagKey :: Work"), "tagKey%20%3A%3A%20Work");
    // Text beyond ASCII and the escape's own sign are escaped too: two
    // names never share an id.
    EXPECT_EQ(GlobalShortcutsService::shortcutId("tagKey :: Büro%"), "tagKey%20%3A%3A%20B%C3%BCro%25");
    EXPECT_NE(GlobalShortcutsService::shortcutId("a b"), GlobalShortcutsService::shortcutId("a%20b"));

    const std::vector<std::tuple<Key, std::uint32_t, std::string>> triggers = {
        {Key::space, cm::command | cm::option, "CTRL+ALT+space"},
        {Key::k, cm::command, "CTRL+k"},
        {Key::f1, cm::control | cm::shift, "LOGO+SHIFT+F1"},
        {Key::return_, cm::option, "ALT+Return"},
        {Key::one, cm::command | cm::shift, "CTRL+SHIFT+1"},
    };
    for (const auto& [key, modifiers, trigger] : triggers) {
        SCOPED_TRACE(trigger);
        EXPECT_EQ(GlobalShortcutsService::preferredTrigger(QWERTYKeyCode(key), modifiers), trigger);
    }
}

TEST_F(GlobalShortcutsTest, EveryKindIsBoundInOneRequestAndAPressRunsItsAction) {
    startPortal();
    installPortalRoad();
    configureFourKinds();
    manager()->registerAllHotKeys();
    ASSERT_TRUE(spinUntil([&] { return bound().size() == 4; })) << "bound: " << bound().size();
    EXPECT_EQ(road->road(), GlobalShortcutsService::Road::portal);
    EXPECT_EQ(road->portalVersion(), 1u);

    // What the desktop shows the user: what each does and the keys asked for.
    EXPECT_EQ(bound(), (std::vector<std::tuple<std::string, std::string, std::string>>{
                           {categoryId, "Show all files in Frelt", "F2"},
                           {globalId, "Show or hide the Frelt window", "CTRL+ALT+k"},
                           {tagId, "Show the tag Work in Frelt", "CTRL+SHIFT+w"},
                           {entryId, "Open mail.example", "LOGO+m"},
                       }));
    // The program says who it is first, and asks once for the whole round.
    EXPECT_EQ(portalCalls(), (std::vector<std::string>{"Register org.frelt.Frelt", "CreateSession",
                                                      "BindShortcuts " + categoryId + " " + tagId + " " + entryId +
                                                          " " + globalId}));
    EXPECT_EQ(held().size(), 4u);
    EXPECT_TRUE(fallback->registrations().empty()) << "no key grabs beside the portal";

    // A press of another session's shortcut runs nothing here.
    tellPortal("ActivateInAnotherSession", g_variant_new("(s)", globalId.c_str()));
    settle();
    EXPECT_FALSE(windowShown()) << "a press in another session is not ours";

    // The desktop's presses: as a grab's, through the centre to the action.
    activate(globalId);
    EXPECT_TRUE(spinUntil([] { return windowShown(); })) << "the global hotkey shows the window";
    EXPECT_TRUE(logs().contains("Global Hotkey executed"));
    activate(globalId);
    EXPECT_TRUE(spinUntil([] { return !windowShown(); })) << "and hides it";
    activate(entryId);
    EXPECT_TRUE(spinUntil([&] { return opened("https://mail.example"); })) << "the entry's hotkey opens it";
    settle();
    EXPECT_EQ(openings("https://mail.example"), 1) << "the release (Deactivated) runs nothing";

    // The hotkeys made anew for a keyboard layout (the same keys): the
    // desktop has them already and is not asked again; they go on working.
    center()->keyCodesChanged();
    settle();
    const auto calls = portalCalls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& call) { return call.rfind("BindShortcuts", 0) == 0; }),
              1);
    EXPECT_EQ(held().size(), 4u);
    activate(entryId);
    EXPECT_TRUE(spinUntil([&] { return openings("https://mail.example") == 2; }));
}

TEST_F(GlobalShortcutsTest, ABindingTheDesktopRefusesIsToldAndTheOthersWork) {
    struct Case {
        const char* name;
        std::vector<std::string> declined;
        std::uint32_t response;
        std::vector<std::string> stillHeld;
        std::string alert;
    };
    const std::string m = combo(Key::m, mf::control)->displayString();
    const std::string k = combo(Key::k, mf::command | mf::option)->displayString();
    const std::string w = combo(Key::w, mf::command | mf::shift)->displayString();
    const std::string f2 = combo(Key::f2, 0)->displayString();
    const std::vector<Case> cases = {
        // The user declined one shortcut in the desktop's dialog: it is
        // missing from the answer.
        {"one left out", {entryId}, 0,
         {"categoryKey :: allFiles", "globalHotKey", "tagKey :: Work"},
         "The desktop did not grant the hotkey " + m},
        // The user cancelled the dialog: the request's answer is not 0.
        {"the request cancelled", {}, 1, {}, "The desktop did not grant the hotkeys " + f2 + ", " + w + ", " + m + ", " + k},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        startPortal();
        GVariantBuilder ids;
        g_variant_builder_init(&ids, G_VARIANT_TYPE("as"));
        for (const auto& id : c.declined) g_variant_builder_add(&ids, "s", id.c_str());
        tellPortal("Decline", g_variant_new("(as)", &ids));
        tellPortal("AnswerNextBind", g_variant_new("(u)", c.response));
        installPortalRoad();
        configureFourKinds();
        manager()->registerAllHotKeys();
        expectAlerts(1);
        ASSERT_TRUE(spinUntil([&] { return !alerts.empty(); }));
        EXPECT_EQ(alerts, std::vector<std::string>{c.alert});
        EXPECT_EQ(held(), c.stillHeld);
        if (!c.declined.empty())
            EXPECT_TRUE(logs().contains("Hotkey " + m + " (userDefinedKey :: https://mail.example) not registered: "
                                        "the desktop did not grant it"));
        // Asked once, not again and again.
        settle();
        const auto calls = portalCalls();
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                                [](const std::string& call) { return call.rfind("BindShortcuts", 0) == 0; }),
                  1);
        if (!c.stillHeld.empty()) {
            activate(globalId);
            EXPECT_TRUE(spinUntil([] { return windowShown(); })) << "the granted ones work";
        }
    }
}

TEST_F(GlobalShortcutsTest, AShortcutTheUserTakesBackIsToldAndNoLongerHeld) {
    startPortal();
    installPortalRoad();
    config()->globalKeyCombo = combo(Key::k, mf::command | mf::option);
    addEntry("https://mail.example", combo(Key::m, mf::control));
    manager()->registerAllHotKeys();
    ASSERT_TRUE(spinUntil([&] { return bound().size() == 2; }));

    // Removed in the desktop's keyboard settings: ShortcutsChanged without it.
    expectAlerts(1);
    tellPortal("Withdraw", g_variant_new("(s)", entryId.c_str()));
    ASSERT_TRUE(spinUntil([&] { return !holds("userDefinedKey :: https://mail.example"); }));
    ASSERT_TRUE(spinUntil([&] { return !alerts.empty(); }));
    EXPECT_EQ(alerts, std::vector<std::string>{"The desktop did not grant the hotkey " +
                                               combo(Key::m, mf::control)->displayString()});
    EXPECT_TRUE(holds("globalHotKey"));
    activate(globalId);
    EXPECT_TRUE(spinUntil([] { return windowShown(); })) << "the other one still works";

    // The portal ends the session (it restarted, say): what it held is gone.
    expectAlerts(1);
    tellPortal("CloseSessions", nullptr);
    ASSERT_TRUE(spinUntil([&] { return !holds("globalHotKey"); }));
    ASSERT_TRUE(spinUntil([&] { return alerts.size() == 2; }));
    EXPECT_EQ(alerts.back(), "The desktop did not grant the hotkey " +
                                 combo(Key::k, mf::command | mf::option)->displayString());
    // Asked again (the settings window opens): a new session, bound again.
    manager()->retryRefusedHotKeys();
    ASSERT_TRUE(spinUntil([&] { return bound().size() == 2; }));
    EXPECT_TRUE(holds("globalHotKey"));
    EXPECT_TRUE(holds("userDefinedKey :: https://mail.example"));
}

TEST_F(GlobalShortcutsTest, AChangedHotkeyIsBoundAgainAlsoWhereThePortalTakesOneBindPerSession) {
    startPortal({"--one-bind-per-session"});
    installPortalRoad();
    config()->globalKeyCombo = combo(Key::k, mf::command | mf::option);
    manager()->registerAllHotKeys();
    ASSERT_TRUE(spinUntil([&] { return bound().size() == 1; }));

    // Each change: the old session closed, a new one bound.
    for (const auto& [key, trigger] : {std::pair{Key::space, "CTRL+space"}, std::pair{Key::j, "CTRL+j"}}) {
        SCOPED_TRACE(trigger);
        config()->globalKeyCombo = combo(key, mf::command);
        manager()->registerHotKeys(HotKeyType::globalHotKey);
        ASSERT_TRUE(spinUntil([&, trigger = std::string(trigger)] {
            const auto shortcuts = bound();
            return shortcuts.size() == 1 && std::get<2>(shortcuts[0]) == trigger;
        })) << "bound: " << bound().size();
    }
    settle();
    EXPECT_TRUE(alerts.empty());
    EXPECT_TRUE(holds("globalHotKey"));
    const auto calls = portalCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "CreateSession"), 3) << "a session of its own for each change";
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Session.Close"), 2);
    activate(globalId);
    EXPECT_TRUE(spinUntil([] { return windowShown(); }));
}

TEST_F(GlobalShortcutsTest, WithoutGlobalShortcutsInThePortalTheGrabsServeAndTheNoticeStays) {
    struct Case {
        const char* name;
        bool portalRuns;
    };
    for (const auto& c : {Case{"a portal without them", true}, Case{"no portal at all", false}}) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.portalRuns) startPortal({"--no-global-shortcuts"});
        installPortalRoad();
        manager();
        // Registered before the portal has answered: kept, then grabbed.
        config()->globalKeyCombo = combo(Key::k, mf::command | mf::option);
        manager()->registerAllHotKeys();
        expectAlerts(1);
        ASSERT_TRUE(spinUntil([&] { return road->road() == GlobalShortcutsService::Road::fallback; }));
        ASSERT_TRUE(spinUntil([&] { return !alerts.empty(); }));
        EXPECT_EQ(alerts, std::vector<std::string>{
                              "Global hotkeys work only while a Frelt window has the focus: the desktop runs Wayland."});
        EXPECT_EQ(fallback->registrations().size(), 1u);
        EXPECT_TRUE(holds("globalHotKey"));
        // A press while a Frelt window has the focus still works.
        fallback->press(QWERTYKeyCode(Key::k), cm::command | cm::option);
        EXPECT_TRUE(spinUntil([] { return windowShown(); }));
        // Registered afterwards: straight to the grabs.
        addEntry("https://mail.example", combo(Key::m, mf::control));
        manager()->registerHotKeys(HotKeyType::userDefinedKey);
        EXPECT_EQ(fallback->registrations().size(), 2u);
        settle();
        EXPECT_EQ(alerts.size(), 1u) << "the notice is said once";
    }
}

}  // namespace
