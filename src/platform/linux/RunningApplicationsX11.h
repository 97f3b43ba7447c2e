#pragma once
// The running applications from the X server: the windows of the window
// manager's client list (_NET_CLIENT_LIST) that are normal windows and do not
// skip the taskbar, each matched to a desktop entry by its StartupWMClass,
// then by the desktop id against WM_CLASS, then by the program the process
// runs (/proc/PID/exe) against the entry's Exec, and last by what a launch of
// ours knows: the startup id it handed the program (_NET_STARTUP_ID of the
// window) and the process it started, whose descendants count as it. A
// window's process is its _NET_WM_PID or, where the program sets none, the
// one the X server knows connected it (X-Resource). One running application
// per process and desktop entry (per window when the process is unknown); an
// application with two processes is two instances of one desktop entry.
//
// It keeps its own X connection as a source of the main run loop and follows
// the root window's property changes; launches and terminations are reported
// to the workspace there. Without an X display the list stays empty and the
// log says why, once. Main thread only.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/appkit/Workspace.h"
#include "platform/foundation/Subscription.h"
#include "platform/linux/DesktopEntry.h"

struct xcb_connection_t;

namespace platform {

class RunningApplicationsX11 : public std::enable_shared_from_this<RunningApplicationsX11> {
    struct Private {};

public:
    // Follows `displayName` (none: $DISPLAY) for `workspace`, matching windows
    // to the desktop entries of `applicationFolders`.
    static std::shared_ptr<RunningApplicationsX11> make(std::weak_ptr<Workspace> workspace,
                                                        std::optional<std::string> displayName,
                                                        std::vector<std::string> applicationFolders);
    // The program's one watcher, for the shared workspace, over the
    // applications folders; kept until the single instances are reset.
    static void install(const std::shared_ptr<Workspace>& workspace);

    explicit RunningApplicationsX11(Private);
    ~RunningApplicationsX11();

    bool isConnected() const { return connection_ != nullptr; }

    // The program started the desktop entry at `path` as process `pid`
    // (0: unknown), handing it `startupId` (empty: none). Windows that name
    // nothing better are matched by these. Told to the installed watcher by
    // noteLaunchOfInstalled.
    void noteLaunch(const std::string& startupId, std::int64_t pid, const std::string& path);
    static void noteLaunchOfInstalled(const std::string& startupId, std::int64_t pid, const std::string& path);

private:
    struct Atoms;
    struct Index {
        std::map<std::string, std::string> byWMClass;    // StartupWMClass -> path
        std::map<std::string, std::string> byId;         // lower-cased id without ".desktop" -> path
        std::map<std::string, std::string> byProgram;    // resolved program -> path
    };

    bool connect(const std::optional<std::string>& displayName);
    void readEvents();
    void refresh();
    void requestIndex();
    std::string match(const std::string& instance, const std::string& wmClass, std::int64_t pid) const;
    std::string matchLaunch(const std::string& startupId, std::int64_t pid) const;
    void disconnect(const std::string& why);

    std::weak_ptr<Workspace> workspace_;
    std::vector<std::string> folders_;
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    // The server answers which process a client is (X-Resource 1.2).
    bool hasClientIds_ = false;
    std::unique_ptr<Atoms> atoms_;
    Subscription source_;
    std::shared_ptr<const Index> index_;
    bool indexPending_ = false;
    double indexMadeAt_ = 0;
    // The process (or, where it is unknown, the window as a negative
    // number) and the desktop entry's path.
    using RunningKey = std::pair<std::int64_t, std::string>;
    std::map<RunningKey, std::shared_ptr<RunningApplication>> running_;
    struct Launch {
        std::string startupId;
        std::int64_t pid = 0;
        std::string path;
    };
    std::vector<Launch> launches_;  // the latest few
};

}  // namespace platform
