#pragma once
// A private X server for one test: Xvfb on a display of its own, with openbox
// as the window manager (it keeps the client list), and a connection of the
// test's own to it. Header only: the programs that include it link xcb.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testx11 {

inline std::string programOnPath(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/bin", "/usr/local/bin"}) {
        const std::string p = std::string(dir) + "/" + name;
        if (access(p.c_str(), X_OK) == 0) return p;
    }
    return {};
}

// Starts `argv` with the environment and `extraEnv`, output to /dev/null;
// `keepFd` becomes its descriptor 3.
inline pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, int keepFd = -1) {
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

inline void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

class PrivateXServer {
public:
    PrivateXServer() = default;
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    ~PrivateXServer() {
        if (connection) xcb_disconnect(connection);
        stop(openboxPid);
        stop(xvfbPid);
    }

    // Why the server cannot be had here; empty when it can.
    static std::string whyMissing() {
        if (programOnPath("Xvfb").empty() || programOnPath("openbox").empty())
            return "needs Xvfb and openbox (scripts/install-deps installs them)";
        return {};
    }
    // Empty when the server runs with its window manager; else what failed.
    std::string start() {
        int fds[2];
        if (pipe(fds) != 0) return "no pipe";
        xvfbPid = spawn({programOnPath("Xvfb"), "-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp"}, {},
                        fds[1]);
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) return "Xvfb did not start";
        display = ":" + number;
        openboxPid = spawn({programOnPath("openbox"), "--sm-disable"}, {"DISPLAY=" + display});
        if (openboxPid <= 0) return "openbox did not start";
        connection = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(connection)) return "no connection to Xvfb";
        if (!waitForWindowManager()) return "openbox did not take the screen";
        return {};
    }

    xcb_atom_t atom(const char* name) {
        auto* r = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }
    xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root; }
    // The windows on the window manager's client list.
    std::vector<xcb_window_t> clientList() {
        auto* r = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root(), atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 1024),
            nullptr);
        std::vector<xcb_window_t> out;
        if (r) {
            const auto* ws = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
            out.assign(ws, ws + xcb_get_property_value_length(r) / 4);
            std::free(r);
        }
        return out;
    }
    bool onClientList(xcb_window_t w) {
        const auto list = clientList();
        return std::find(list.begin(), list.end(), w) != list.end();
    }

    pid_t xvfbPid = -1, openboxPid = -1;
    std::string display;
    xcb_connection_t* connection = nullptr;

private:
    bool waitForWindowManager() {
        const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            auto* r = xcb_get_property_reply(
                connection, xcb_get_property(connection, 0, root(), check, XCB_ATOM_WINDOW, 0, 1), nullptr);
            const bool set = r && xcb_get_property_value_length(r) == 4;
            std::free(r);
            if (set) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
};

}  // namespace testx11
