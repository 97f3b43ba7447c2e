// The running applications of a real X server: Xvfb with openbox, which keeps
// the client list, and a test window whose WM_CLASS matches a test desktop
// entry. Skipped, with the reason, where Xvfb or openbox is missing.

#include "platform/linux/RunningApplicationsX11.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/appkit/RecordingWorkspace.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "support/FreltTest.h"

extern char** environ;

using namespace platform;

namespace {

std::string programOnPath(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/bin", "/usr/local/bin"}) {
        const std::string p = std::string(dir) + "/" + name;
        if (access(p.c_str(), X_OK) == 0) return p;
    }
    return {};
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, int keepFd = -1) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    posix_spawn_file_actions_adddup2(&actions, devnull, 1);
    posix_spawn_file_actions_adddup2(&actions, devnull, 2);
    if (keepFd >= 0) posix_spawn_file_actions_adddup2(&actions, keepFd, 3);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(devnull);
    return pid;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

class RunningApplicationsX11Test : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        const auto xvfb = programOnPath("Xvfb");
        const auto openbox = programOnPath("openbox");
        if (xvfb.empty() || openbox.empty())
            GTEST_SKIP() << "needs Xvfb and openbox (scripts/install-deps installs them)";
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        xvfbPid = spawn({xvfb, "-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp"}, {}, fds[1]);
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        display = ":" + number;
        openboxPid = spawn({openbox, "--sm-disable"}, {"DISPLAY=" + display});
        ASSERT_GT(openboxPid, 0);
        connection = xcb_connect(display.c_str(), nullptr);
        ASSERT_FALSE(xcb_connection_has_error(connection));
        ASSERT_TRUE(waitForWindowManager()) << "openbox did not take the screen";
    }
    void TearDown() override {
        if (connection) xcb_disconnect(connection);
        stop(openboxPid);
        stop(xvfbPid);
        FreltTest::TearDown();
    }

    xcb_atom_t atom(const char* name) {
        auto* r = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
        std::free(r);
        return a;
    }
    xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root; }
    bool waitForWindowManager() {
        const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
        return eventually([&] {
            auto* r = xcb_get_property_reply(
                connection, xcb_get_property(connection, 0, root(), check, XCB_ATOM_WINDOW, 0, 1), nullptr);
            const bool set = r && xcb_get_property_value_length(r) == 4;
            std::free(r);
            return set;
        });
    }
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
            if (onClientList(w)) return true;
            if (std::chrono::steady_clock::now() - asked > std::chrono::milliseconds(100)) {
                xcb_map_window(connection, w);
                xcb_flush(connection);
                asked = std::chrono::steady_clock::now();
            }
            return false;
        })) << "openbox did not manage the window";
        return w;
    }
    bool onClientList(xcb_window_t w) {
        auto* r = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root(), atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 1024),
            nullptr);
        bool found = false;
        if (r) {
            const auto* ws = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
            found = std::find(ws, ws + xcb_get_property_value_length(r) / 4, w) != ws + xcb_get_property_value_length(r) / 4;
            std::free(r);
        }
        return found;
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

    pid_t xvfbPid = -1, openboxPid = -1;
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
