#include "platform/linux/SessionBusService.h"

#include <gtest/gtest.h>

#include <gio/gio.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/appkit/Workspace.h"
#include "platform/linux/DesktopNotifications.h"
#include "support/FreltTest.h"

using platform::dbus::SessionBusService;

namespace {

// Runs on a private session bus that ctest starts (dbus-run-session), never
// on the user's own.
class SessionBusTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        if (!std::getenv("FRELT_TEST_SESSION_BUS"))
            GTEST_SKIP() << "needs the private session bus that ctest starts with dbus-run-session (install dbus-bin)";
        address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    }
    // Iterates GLib's default context until `done` holds or 10 s pass.
    static bool spinUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            g_main_context_iteration(nullptr, FALSE);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // Another start of the program: on a thread of its own, as the owner's
    // calls are served on this one.
    static SessionBusService::Result secondStart(const SessionBusService::Identity& identity,
                                                 const std::vector<std::string>& files, const std::string& address) {
        SessionBusService::Result result;
        bool finished = false;
        std::thread other([&] {
            result = SessionBusService::claim(identity, files, nullptr, address);
            finished = true;
        });
        const bool answered = spinUntil([&] { return finished; });
        other.join();
        EXPECT_TRUE(answered);
        return result;
    }

    // A connection of its own to the test's bus that owns `name`.
    GDBusConnection* connectionOwning(const char* name) const {
        GError* error = nullptr;
        GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        EXPECT_TRUE(connection);
        if (!connection) return nullptr;
        GVariant* reply = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "RequestName",
                                                      g_variant_new("(su)", name, 4u), nullptr,
                                                      G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
        EXPECT_TRUE(reply);
        if (reply) g_variant_unref(reply);
        return connection;
    }
    static void closeConnection(GDBusConnection* connection) {
        g_dbus_connection_close_sync(connection, nullptr, nullptr);
        g_object_unref(connection);
    }

    std::string address;
    const SessionBusService::Identity identity{"org.frelt.Frelt", "/org/frelt/Frelt"};
};

TEST_F(SessionBusTest, ASecondStartHandsItsFilesToTheFirst) {
    std::vector<std::vector<std::string>> received;
    auto first = SessionBusService::claim(identity, {}, [&](const std::vector<std::string>& paths) {
        received.push_back(paths);
    }, address);
    ASSERT_EQ(first.outcome, SessionBusService::Outcome::owner) << first.message;
    ASSERT_TRUE(first.service);

    const auto second = secondStart(identity, {"/tmp/a b.txt", "/tmp/ü.pdf"}, address);
    EXPECT_EQ(second.outcome, SessionBusService::Outcome::forwarded) << second.message;
    EXPECT_FALSE(second.service);
    ASSERT_TRUE(spinUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received.front(), (std::vector<std::string>{"/tmp/a b.txt", "/tmp/ü.pdf"}));

    // A start without files still reaches the first (which shows its window).
    EXPECT_EQ(secondStart(identity, {}, address).outcome, SessionBusService::Outcome::forwarded);
    ASSERT_TRUE(spinUntil([&] { return received.size() == 2; }));
    EXPECT_TRUE(received.back().empty());

    // A name the bus cannot carry as text: refused, and none of the files is
    // handed over, rather than the others going alone as if all went well.
    const auto refused = secondStart(identity, {"/tmp/ok.txt", "/tmp/caf\xe9.txt"}, address);
    EXPECT_EQ(refused.outcome, SessionBusService::Outcome::refused) << refused.message;
    EXPECT_NE(refused.message.find("not valid UTF-8"), std::string::npos) << refused.message;
    EXPECT_EQ(secondStart(identity, {"/tmp/last.txt"}, address).outcome, SessionBusService::Outcome::forwarded);
    ASSERT_TRUE(spinUntil([&] { return received.size() == 3; }));
    EXPECT_EQ(received.back(), (std::vector<std::string>{"/tmp/last.txt"})) << "nothing came of the refused start";

    // Once the first ends, the next start owns the name.
    first.service.reset();
    auto next = SessionBusService::claim(identity, {}, nullptr, address);
    EXPECT_EQ(next.outcome, SessionBusService::Outcome::owner) << next.message;
}

TEST_F(SessionBusTest, AToggleStartAsksTheFirstToShowOrHideItsWindowAndHandsNoFiles) {
    int toggles = 0;
    std::vector<std::vector<std::string>> received;
    auto first = SessionBusService::claim(
        identity, SessionBusService::Request::addFiles, {},
        [&](const std::vector<std::string>& paths) { received.push_back(paths); }, [&] { ++toggles; }, address);
    ASSERT_EQ(first.outcome, SessionBusService::Outcome::owner) << first.message;

    // As a desktop's keyboard shortcut runs it: each start one Toggle, and
    // the start ends as soon as the first has it.
    for (int press = 1; press <= 2; ++press) {
        SessionBusService::Result toggle;
        bool finished = false;
        std::thread other([&] {
            toggle = SessionBusService::claim(identity, SessionBusService::Request::toggle, {}, nullptr, nullptr,
                                              address);
            finished = true;
        });
        ASSERT_TRUE(spinUntil([&] { return finished && toggles == press; }));
        other.join();
        EXPECT_EQ(toggle.outcome, SessionBusService::Outcome::forwarded) << toggle.message;
        EXPECT_FALSE(toggle.service);
    }
    EXPECT_TRUE(received.empty()) << "a toggle is no start without files (which only shows the window)";

    // Once the first ends, a toggle start owns the name itself (and shows
    // its own window once launched).
    first.service.reset();
    auto alone = SessionBusService::claim(identity, SessionBusService::Request::toggle, {}, nullptr, nullptr, address);
    EXPECT_EQ(alone.outcome, SessionBusService::Outcome::owner) << alone.message;
}

TEST_F(SessionBusTest, WithoutABusEachStartRunsAlone) {
    const auto alone = SessionBusService::claim(identity, {"/tmp/x"}, nullptr, "unix:path=/nonexistent/frelt-bus");
    EXPECT_EQ(alone.outcome, SessionBusService::Outcome::noBus);
    EXPECT_NE(alone.message.find("this start runs alone"), std::string::npos) << alone.message;
}

TEST_F(SessionBusTest, AnOwnerThatServesNothingIsReportedNotWaitedFor) {
    // Someone else holds the name without the object.
    GDBusConnection* squatter = connectionOwning("org.frelt.Frelt");
    ASSERT_TRUE(squatter);
    const auto second = secondStart(identity, {"/tmp/x"}, address);
    EXPECT_EQ(second.outcome, SessionBusService::Outcome::ownerSilent);
    EXPECT_FALSE(second.message.empty());
    closeConnection(squatter);
}

TEST_F(SessionBusTest, SleepAndWakeComeFromTheLoginManagersSignal) {
    auto sleep = platform::desktop::SleepWatcher::start(address);
    ASSERT_TRUE(sleep);
    std::vector<std::string> heard;
    auto& center = platform::Workspace::shared()->notificationCenter();
    auto a = center.observe(platform::workspacenotification::willSleep, nullptr,
                            [&](const platform::Notification& n) { heard.push_back(n.name); });
    auto b = center.observe(platform::workspacenotification::didWake, nullptr,
                            [&](const platform::Notification& n) { heard.push_back(n.name); });

    // The login manager on this bus.
    GDBusConnection* login = connectionOwning("org.freedesktop.login1");
    ASSERT_TRUE(login);
    for (const gboolean start : {gboolean(TRUE), gboolean(FALSE)})
        g_dbus_connection_emit_signal(login, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                      "PrepareForSleep", g_variant_new("(b)", start), nullptr);
    g_dbus_connection_flush_sync(login, nullptr, nullptr);
    ASSERT_TRUE(spinUntil([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, (std::vector<std::string>{platform::workspacenotification::willSleep,
                                               platform::workspacenotification::didWake}));
    closeConnection(login);
}

TEST(MountNamesTest, OnlyANewNameIsARename) {
    platform::desktop::MountNames names;
    names.added("/media/me/STICK", "STICK");
    EXPECT_FALSE(names.changed("/media/me/STICK", "STICK"));
    EXPECT_TRUE(names.changed("/media/me/STICK", "Photos"));
    EXPECT_FALSE(names.changed("/media/me/STICK", "Photos"));
    names.removed("/media/me/STICK");
    EXPECT_FALSE(names.changed("/media/me/STICK", "Other")) << "an unknown volume is only remembered";
}

}  // namespace
