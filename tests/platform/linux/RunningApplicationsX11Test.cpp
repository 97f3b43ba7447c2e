// The running applications of a real X server: Xvfb with openbox, which keeps
// the client list, and a test window whose WM_CLASS matches a test desktop
// entry. Skipped, with the reason, where Xvfb or openbox is missing.

#include "platform/linux/RunningApplicationsX11.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/appkit/RecordingWorkspace.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "support/FreltTest.h"
#include "support/x11/PrivateXServer.h"

using namespace platform;

namespace {

class RunningApplicationsX11Test : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        if (const auto why = testx11::PrivateXServer::whyMissing(); !why.empty()) GTEST_SKIP() << why;
        server = std::make_unique<testx11::PrivateXServer>();
        const auto failed = server->start();
        ASSERT_EQ(failed, "");
        display = server->display;
        connection = server->connection;
    }
    void TearDown() override {
        server.reset();
        FreltTest::TearDown();
    }

    xcb_atom_t atom(const char* name) { return server->atom(name); }
    xcb_window_t openWindow(const std::string& instance, const std::string& wmClass) {
        const auto screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const xcb_window_t w = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 100, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        const std::string classes = instance + '\0' + wmClass + '\0';
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            classes.size(), classes.data());
        xcb_map_window(connection, w);
        xcb_flush(connection);
        // While it starts, the window manager may drop a map request it was
        // handed: ask again until the window is on its client list.
        auto asked = std::chrono::steady_clock::now();
        EXPECT_TRUE(eventually([&] {
            if (server->onClientList(w)) return true;
            if (std::chrono::steady_clock::now() - asked > std::chrono::milliseconds(100)) {
                xcb_map_window(connection, w);
                xcb_flush(connection);
                asked = std::chrono::steady_clock::now();
            }
            return false;
        })) << "openbox did not manage the window";
        return w;
    }
    // Runs the loop (X events arrive through it) until the condition holds.
    bool runUntil(const std::function<bool()>& condition) {
        return eventually([&] {
            drain();
            return condition();
        });
    }
    bool runs(const std::shared_ptr<RecordingWorkspace>& workspace, const std::string& path) {
        for (const auto& app : workspace->runningApplications())
            if (app->bundleURL && app->bundleURL->path() == path) return true;
        return false;
    }

    std::unique_ptr<testx11::PrivateXServer> server;
    std::string display;
    xcb_connection_t* connection = nullptr;
};

TEST_F(RunningApplicationsX11Test, AWindowOfADesktopEntryRunsUntilItCloses) {
    const auto apps = Paths::dataHome() / "applications";
    std::filesystem::create_directories(apps);
    const std::string entry = (apps / "org.frelt.Probe.desktop").string();
    std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=Probe\nExec=probe\nStartupWMClass=FreltProbe\n";
    // A second entry matched by its desktop id against WM_CLASS.
    const std::string byId = (apps / "sketchpad.desktop").string();
    std::ofstream(byId) << "[Desktop Entry]\nType=Application\nName=Sketchpad\nExec=sketchpad\n";

    const auto workspace = RecordingWorkspace::make();
    const auto watcher = RunningApplicationsX11::make(workspace, display, {apps.string()});
    ASSERT_TRUE(watcher->isConnected());

    const auto probe = openWindow("probe", "FreltProbe");
    const auto sketch = openWindow("sketchpad", "Sketchpad");
    const auto stranger = openWindow("stranger", "Stranger");
    EXPECT_TRUE(runUntil([&] { return runs(workspace, entry) && runs(workspace, byId); }));
    EXPECT_EQ(workspace->runningApplications().size(), 2u) << "a window of no desktop entry is not an application";

    xcb_destroy_window(connection, probe);
    xcb_flush(connection);
    EXPECT_TRUE(runUntil([&] { return !runs(workspace, entry); }));
    EXPECT_TRUE(runs(workspace, byId));
    (void)sketch;
    (void)stranger;
}

TEST_F(RunningApplicationsX11Test, AProgramWeStartedIsKnownByItsStartupIdOrItsProcess) {
    const auto apps = Paths::dataHome() / "applications";
    std::filesystem::create_directories(apps);
    // Neither the window class nor the program names these entries.
    const std::string quiet = (apps / "org.example.Quiet.desktop").string();
    std::ofstream(quiet) << "[Desktop Entry]\nType=Application\nName=Quiet\nExec=/opt/quiet/run\n";
    const std::string forked = (apps / "org.example.Forked.desktop").string();
    std::ofstream(forked) << "[Desktop Entry]\nType=Application\nName=Forked\nExec=/opt/forked/launcher\n";

    const auto workspace = RecordingWorkspace::make();
    const auto watcher = RunningApplicationsX11::make(workspace, display, {apps.string()});
    ASSERT_TRUE(watcher->isConnected());
    // No _NET_WM_PID, a class of its own, the startup id we handed it.
    const auto window = openWindow("qt-main", "QtMainWindow");
    const std::string id = "frelt-1-7-org.example.Quiet.desktop_TIME5";
    const xcb_atom_t startupId = atom("_NET_STARTUP_ID"), utf8 = atom("UTF8_STRING");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, startupId, utf8, 8, id.size(), id.data());
    // A window of this very process, started (as far as the watcher knows)
    // by our parent: a descendant of the process we launched.
    const auto child = openWindow("worker", "Worker");
    const auto ours = static_cast<std::uint32_t>(getpid());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, child, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &ours);
    xcb_flush(connection);
    drain();
    EXPECT_TRUE(workspace->runningApplications().empty()) << "nothing known of them yet";

    watcher->noteLaunch(id, 0, quiet);
    watcher->noteLaunch("", getppid(), forked);
    EXPECT_TRUE(runUntil([&] { return runs(workspace, quiet) && runs(workspace, forked); }));
    xcb_destroy_window(connection, window);
    xcb_flush(connection);
    EXPECT_TRUE(runUntil([&] { return !runs(workspace, quiet); }));
}

// A program that names neither its process (_NET_WM_PID) nor its desktop
// entry (a class of its own), started by a shell we launched: the X server
// tells which process showed the window, and that process descends from ours.
TEST_F(RunningApplicationsX11Test, AProgramWeStartedThatNamesNothingIsKnownByTheProcessBehindItsWindow) {
    const auto apps = Paths::dataHome() / "applications";
    std::filesystem::create_directories(apps);
    const std::string stray = (apps / "org.example.Stray.desktop").string();
    std::ofstream(stray) << "[Desktop Entry]\nType=Application\nName=Stray\nExec=/opt/stray/start\n";

    const auto workspace = RecordingWorkspace::make();
    const auto watcher = RunningApplicationsX11::make(workspace, display, {apps.string()});
    ASSERT_TRUE(watcher->isConnected());
    // The shell stays as the window's parent ("; true" keeps it from
    // replacing itself with the program).
    const pid_t shell = testx11::spawn({"/bin/sh", "-c", "\"$0\" stray-main StrayWindow; true", FRELT_STRAY_WINDOW},
                                       {"DISPLAY=" + display});
    ASSERT_GT(shell, 0);
    const auto strayWindows = [&] {
        std::size_t n = 0;
        for (const auto w : server->clientList()) {
            auto* r = xcb_get_property_reply(
                connection, xcb_get_property(connection, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr);
            if (r && std::string(static_cast<const char*>(xcb_get_property_value(r)),
                                 static_cast<std::size_t>(xcb_get_property_value_length(r)))
                             .rfind("stray-main", 0) == 0)
                ++n;
            std::free(r);
        }
        return n;
    };
    EXPECT_TRUE(runUntil([&] { return strayWindows() == 1; })) << "the program's window did not appear";
    EXPECT_TRUE(workspace->runningApplications().empty()) << "nothing known of it yet";

    watcher->noteLaunch("", shell, stray);
    EXPECT_TRUE(runUntil([&] { return runs(workspace, stray); }));
    ASSERT_EQ(workspace->runningApplications().size(), 1u);
    const auto program = static_cast<pid_t>(workspace->runningApplications().front()->processIdentifier);
    EXPECT_GT(program, 0);
    EXPECT_NE(program, shell) << "the application is the program's process, not the shell's";

    // It quits: the application is gone.
    if (program > 0 && program != shell) kill(program, SIGTERM);
    testx11::stop(shell);
    EXPECT_TRUE(runUntil([&] { return !runs(workspace, stray); }));
}

TEST(RunningApplicationsWithoutDisplayTest, TheListStaysEmptyAndTheLogSaysWhy) {
    auto logs = std::make_shared<CapturingLogSink>();
    setLogSink(logs);
    const auto workspace = RecordingWorkspace::make();
    const auto watcher = RunningApplicationsX11::make(workspace, std::string(""), {});
    EXPECT_FALSE(watcher->isConnected());
    EXPECT_TRUE(workspace->runningApplications().empty());
    EXPECT_EQ(logs->messages(),
              std::vector<std::string>{
                  "Running applications are not followed: there is no X11 display (DISPLAY is not set)"});
    setLogSink(nullptr);
}

}  // namespace
