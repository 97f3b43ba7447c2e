#include "platform/linux/RunningApplicationsX11.h"

#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <fstream>
#include <set>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "platform/linux/DesktopEntryCrawler.h"
#include "platform/log/Log.h"

namespace platform {

namespace {

const Log& runningLog() {
    static const Log log("org.frelt.platform", "runningApplications");
    return log;
}

// How long a desktop-entry index is trusted before a window that matches
// nothing asks for a new one.
constexpr double kIndexLifetime = 10.0;

double nowSeconds() {
    return std::chrono::duration<double>(dispatch::clock::now().time_since_epoch()).count();
}

// The program a command names, as the shell would find it, links resolved.
std::string resolvedProgram(const std::string& program) {
    if (program.empty()) return {};
    std::string found;
    if (program.find('/') != std::string::npos) {
        found = program;
    } else {
        const char* path = std::getenv("PATH");
        std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
        for (std::size_t start = 0; start <= folders.size();) {
            std::size_t end = folders.find(':', start);
            if (end == std::string::npos) end = folders.size();
            const std::string candidate = folders.substr(start, end - start) + "/" + program;
            if (access(candidate.c_str(), X_OK) == 0) {
                found = candidate;
                break;
            }
            start = end + 1;
        }
    }
    if (found.empty()) return {};
    char resolved[PATH_MAX];
    return realpath(found.c_str(), resolved) ? std::string(resolved) : found;
}

std::string processProgram(std::int64_t pid) {
    if (pid <= 0) return {};
    char buffer[PATH_MAX];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

// The parent of a process; 0 when it cannot be read.
std::int64_t parentProcess(std::int64_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return 0;
    // "pid (name) state ppid ...": the name may hold spaces and parentheses.
    const auto close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(line.substr(close + 1));
    std::string state;
    std::int64_t parent = 0;
    rest >> state >> parent;
    return parent;
}

struct InstallTag {};
using Installed = ResettableValue<InstallTag, std::shared_ptr<RunningApplicationsX11>>;

}  // namespace

struct RunningApplicationsX11::Atoms {
    xcb_atom_t clientList = 0, windowType = 0, typeNormal = 0, state = 0, skipTaskbar = 0, pid = 0, startupId = 0;
};

std::shared_ptr<RunningApplicationsX11> RunningApplicationsX11::make(std::weak_ptr<Workspace> workspace,
                                                                     std::optional<std::string> displayName,
                                                                     std::vector<std::string> applicationFolders) {
    auto watcher = std::make_shared<RunningApplicationsX11>(Private{});
    watcher->workspace_ = std::move(workspace);
    watcher->folders_ = std::move(applicationFolders);
    if (watcher->connect(displayName)) watcher->requestIndex();
    return watcher;
}

void RunningApplicationsX11::install(const std::shared_ptr<Workspace>& workspace) {
    std::vector<std::string> folders;
    for (const auto& f : Paths::applicationFolders()) folders.push_back(f.string());
    Installed::set(make(workspace, std::nullopt, std::move(folders)));
}

RunningApplicationsX11::RunningApplicationsX11(Private) : atoms_(std::make_unique<Atoms>()) {}

RunningApplicationsX11::~RunningApplicationsX11() {
    source_.cancel();
    if (connection_) xcb_disconnect(connection_);
}

bool RunningApplicationsX11::connect(const std::optional<std::string>& displayName) {
    const char* name = displayName ? displayName->c_str() : std::getenv("DISPLAY");
    if (!name || !*name) {
        runningLog().write(LogLevel::Info, "Running applications are not followed: there is no X11 display (DISPLAY is not set)");
        return false;
    }
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(name, &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        runningLog().write(LogLevel::Info,
                           std::string("Running applications are not followed: the X11 display ") + name +
                               " cannot be reached");
        return false;
    }
    connection_ = c;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    root_ = screens.data->root;

    const auto intern = [c](const char* atom) {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(atom)), atom), nullptr);
        const xcb_atom_t value = reply ? reply->atom : XCB_ATOM_NONE;
        std::free(reply);
        return value;
    };
    atoms_->clientList = intern("_NET_CLIENT_LIST");
    atoms_->windowType = intern("_NET_WM_WINDOW_TYPE");
    atoms_->typeNormal = intern("_NET_WM_WINDOW_TYPE_NORMAL");
    atoms_->state = intern("_NET_WM_STATE");
    atoms_->skipTaskbar = intern("_NET_WM_STATE_SKIP_TASKBAR");
    atoms_->pid = intern("_NET_WM_PID");
    atoms_->startupId = intern("_NET_STARTUP_ID");

    // The server knows the process of every local client; a window that
    // does not name its process is still known by it (X-Resource 1.2).
    if (const auto* ext = xcb_get_extension_data(c, &xcb_res_id); ext && ext->present) {
        if (auto* version = xcb_res_query_version_reply(c, xcb_res_query_version(c, 1, 2), nullptr)) {
            hasClientIds_ = version->server_major > 1 || (version->server_major == 1 && version->server_minor >= 2);
            std::free(version);
        }
    }
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    source_ = RunLoop::main().watchFileDescriptor(xcb_get_file_descriptor(c), RunLoopBackend::Readiness::readable,
                                                  [this] { readEvents(); });
    return true;
}

void RunningApplicationsX11::disconnect(const std::string& why) {
    runningLog().write(LogLevel::Error, "Running applications are no longer followed: " + why);
    source_.cancel();
    xcb_disconnect(connection_);
    connection_ = nullptr;
    std::vector<std::shared_ptr<RunningApplication>> gone;
    for (auto& [key, app] : running_) gone.push_back(app);
    running_.clear();
    if (auto workspace = workspace_.lock(); workspace && !gone.empty()) workspace->applicationsDidTerminate(gone);
}

void RunningApplicationsX11::readEvents() {
    bool changed = false;
    // Takes the connection's queue first, then what the socket holds.
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (notify->window == root_ && notify->atom == atoms_->clientList) changed = true;
        }
        std::free(event);
    }
    if (xcb_connection_has_error(connection_)) {
        disconnect("the connection to the X server was lost");
        return;
    }
    if (changed) refresh();
}

void RunningApplicationsX11::requestIndex() {
    if (indexPending_) return;
    indexPending_ = true;
    dispatch::Queue::global()->async([weak = weak_from_this(), folders = folders_] {
        auto index = std::make_shared<Index>();
        DesktopEntryCrawler crawler;
        for (const auto& entry : crawler.crawl(folders).applications) {
            if (!entry.startupWMClass.empty()) index->byWMClass.emplace(entry.startupWMClass, entry.path);
            std::string id = entry.desktopId;
            if (id.size() > 8) id.erase(id.size() - 8);
            index->byId.emplace(text::lowercased(id), entry.path);
            if (const auto program = resolvedProgram(entry.execProgram()); !program.empty())
                index->byProgram.emplace(program, entry.path);
        }
        dispatch::Queue::main()->async([weak, index] {
            auto self = weak.lock();
            if (!self) return;
            self->index_ = index;
            self->indexPending_ = false;
            self->indexMadeAt_ = nowSeconds();
            self->refresh();
        });
    });
}

std::string RunningApplicationsX11::match(const std::string& instance, const std::string& wmClass,
                                          std::int64_t pid) const {
    for (const auto& name : {wmClass, instance}) {
        if (auto it = index_->byWMClass.find(name); !name.empty() && it != index_->byWMClass.end()) return it->second;
    }
    for (const auto& name : {wmClass, instance}) {
        if (name.empty()) continue;
        if (auto it = index_->byId.find(text::lowercased(name)); it != index_->byId.end()) return it->second;
    }
    if (const auto program = processProgram(pid); !program.empty()) {
        if (auto it = index_->byProgram.find(program); it != index_->byProgram.end()) return it->second;
    }
    return {};
}

void RunningApplicationsX11::noteLaunch(const std::string& startupId, std::int64_t pid, const std::string& path) {
    if (path.empty() || (startupId.empty() && pid <= 0)) return;
    launches_.push_back({startupId, pid, path});
    constexpr std::size_t kept = 64;
    if (launches_.size() > kept) launches_.erase(launches_.begin());
    // Its window may be listed already, unmatched.
    dispatch::Queue::main()->async([weak = weak_from_this()] {
        if (auto self = weak.lock()) self->refresh();
    });
}

void RunningApplicationsX11::noteLaunchOfInstalled(const std::string& startupId, std::int64_t pid,
                                                   const std::string& path) {
    if (const auto installed = Installed::get()) installed->noteLaunch(startupId, pid, path);
}

std::string RunningApplicationsX11::matchLaunch(const std::string& startupId, std::int64_t pid) const {
    for (auto it = launches_.rbegin(); it != launches_.rend(); ++it)
        if (!startupId.empty() && it->startupId == startupId) return it->path;
    // The process we started, or one it started (a launcher script, a
    // program that forks): walk up from the window's process.
    for (int depth = 0; pid > 1 && depth < 32; ++depth, pid = parentProcess(pid))
        for (auto it = launches_.rbegin(); it != launches_.rend(); ++it)
            if (it->pid == pid) return it->path;
    return {};
}

void RunningApplicationsX11::refresh() {
    assertMainThread("RunningApplicationsX11::refresh");
    if (!connection_ || !index_) return;
    xcb_connection_t* c = connection_;
    xcb_get_property_reply_t* list =
        xcb_get_property_reply(c, xcb_get_property(c, 0, root_, atoms_->clientList, XCB_ATOM_WINDOW, 0, 4096), nullptr);
    std::vector<std::uint32_t> windows;
    if (list) {
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(list));
        windows.assign(data, data + xcb_get_property_value_length(list) / 4);
        std::free(list);
    }
    // Every window's properties at once: one round trip for all.
    struct Cookies {
        xcb_get_property_cookie_t type, state, wmClass, pid, startupId;
    };
    std::vector<Cookies> cookies;
    for (auto w : windows)
        cookies.push_back({xcb_get_property(c, 0, w, atoms_->windowType, XCB_ATOM_ATOM, 0, 32),
                           xcb_get_property(c, 0, w, atoms_->state, XCB_ATOM_ATOM, 0, 64),
                           xcb_get_property(c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
                           xcb_get_property(c, 0, w, atoms_->pid, XCB_ATOM_CARDINAL, 0, 1),
                           xcb_get_property(c, 0, w, atoms_->startupId, XCB_GET_PROPERTY_TYPE_ANY, 0, 64)});
    struct Shown {
        std::uint32_t window = 0;
        std::string instance, wmClass, startupId;
        std::int64_t pid = 0;
    };
    std::vector<Shown> shown;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const auto atomsOf = [&](xcb_get_property_cookie_t cookie) {
            std::vector<xcb_atom_t> out;
            if (auto* r = xcb_get_property_reply(c, cookie, nullptr)) {
                const auto* a = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
                out.assign(a, a + xcb_get_property_value_length(r) / 4);
                std::free(r);
            }
            return out;
        };
        const auto types = atomsOf(cookies[i].type);
        const auto states = atomsOf(cookies[i].state);
        Shown window;
        window.window = windows[i];
        if (auto* r = xcb_get_property_reply(c, cookies[i].wmClass, nullptr)) {
            const std::string raw(static_cast<const char*>(xcb_get_property_value(r)),
                                  static_cast<std::size_t>(xcb_get_property_value_length(r)));
            std::free(r);
            const auto nul = raw.find('\0');
            window.instance = raw.substr(0, nul);
            if (nul != std::string::npos) window.wmClass = raw.substr(nul + 1, raw.find('\0', nul + 1) - nul - 1);
        }
        if (auto* r = xcb_get_property_reply(c, cookies[i].pid, nullptr)) {
            if (xcb_get_property_value_length(r) >= 4)
                window.pid = *static_cast<const std::uint32_t*>(xcb_get_property_value(r));
            std::free(r);
        }
        if (auto* r = xcb_get_property_reply(c, cookies[i].startupId, nullptr)) {
            window.startupId.assign(static_cast<const char*>(xcb_get_property_value(r)),
                                    static_cast<std::size_t>(xcb_get_property_value_length(r)));
            std::free(r);
        }
        const bool normal = types.empty() || types.front() == atoms_->typeNormal;
        const bool skipsTaskbar = std::find(states.begin(), states.end(), atoms_->skipTaskbar) != states.end();
        if (normal && !skipsTaskbar) shown.push_back(std::move(window));
    }
    // Windows that do not name their process (many toolkits and old
    // programs set no _NET_WM_PID): the server says which process
    // connected them, when it runs on this machine. All asked at once.
    if (hasClientIds_) {
        std::vector<std::pair<std::size_t, xcb_res_query_client_ids_cookie_t>> asked;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (shown[i].pid > 0) continue;
            const xcb_res_client_id_spec_t spec{shown[i].window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            asked.emplace_back(i, xcb_res_query_client_ids(c, 1, &spec));
        }
        for (const auto& [i, cookie] : asked) {
            auto* r = xcb_res_query_client_ids_reply(c, cookie, nullptr);
            if (!r) continue;
            for (auto it = xcb_res_query_client_ids_ids_iterator(r); it.rem; xcb_res_client_id_value_next(&it)) {
                if (!(it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) || it.data->length < 4) continue;
                shown[i].pid = *xcb_res_client_id_value_value(it.data);
                break;
            }
            std::free(r);
        }
    }
    // One application per process and desktop entry: a process that shows
    // the windows of two entries (a browser's web applications) runs both.
    std::set<RunningKey> seen;
    bool unmatched = false;
    for (const auto& window : shown) {
        std::string path = match(window.instance, window.wmClass, window.pid);
        if (path.empty()) path = matchLaunch(window.startupId, window.pid);
        if (path.empty()) {
            unmatched = true;
            continue;
        }
        const std::int64_t process = window.pid > 0 ? window.pid : -static_cast<std::int64_t>(window.window);
        seen.emplace(process, path);
    }

    std::vector<std::shared_ptr<RunningApplication>> launched, terminated;
    for (auto it = running_.begin(); it != running_.end();) {
        if (seen.count(it->first)) {
            ++it;
            continue;
        }
        terminated.push_back(it->second);
        it = running_.erase(it);
    }
    for (const auto& key : seen) {
        if (running_.count(key)) continue;
        auto app = std::make_shared<RunningApplication>();
        app->processIdentifier = key.first > 0 ? key.first : 0;
        app->bundleURL = URL::fileURL(key.second);
        app->activationPolicy = ApplicationActivationPolicy::regular;
        running_.emplace(key, app);
        launched.push_back(app);
    }
    if (auto workspace = workspace_.lock()) {
        if (!terminated.empty()) workspace->applicationsDidTerminate(terminated);
        if (!launched.empty()) workspace->applicationsDidLaunch(launched);
    }
    // Events read while waiting for the replies wait in the connection's
    // queue, where the descriptor no longer shows them: look at them next.
    dispatch::Queue::main()->async([weak = weak_from_this()] {
        if (auto self = weak.lock(); self && self->connection_) self->readEvents();
    });
    // A window that matches nothing may belong to an application installed
    // since the index was made.
    if (unmatched && nowSeconds() - indexMadeAt_ > kIndexLifetime) requestIndex();
}

}  // namespace platform
