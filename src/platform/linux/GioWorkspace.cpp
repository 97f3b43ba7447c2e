#include "platform/linux/GioWorkspace.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "platform/appkit/Image.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/FileIcons.h"
#include "platform/linux/RunningApplicationsX11.h"
#include "platform/log/Log.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

const Log& workspaceLog() {
    static const Log log("org.frelt.platform", "workspace");
    return log;
}

template <class T>
struct GObjectPtr {
    T* p = nullptr;
    GObjectPtr() = default;
    explicit GObjectPtr(T* object) : p(object) {}
    GObjectPtr(const GObjectPtr&) = delete;
    GObjectPtr& operator=(const GObjectPtr&) = delete;
    ~GObjectPtr() {
        if (p) g_object_unref(p);
    }
    T* get() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

std::string takeError(GError* error, const std::string& fallback) {
    if (!error) return fallback;
    std::string message = error->message ? error->message : fallback;
    g_error_free(error);
    return message;
}

// --- A launch context that gives every start its own startup-notification id.

struct FreltLaunchContext {
    GAppLaunchContext parent;
};
struct FreltLaunchContextClass {
    GAppLaunchContextClass parent_class;
};

G_DEFINE_TYPE(FreltLaunchContext, frelt_launch_context, G_TYPE_APP_LAUNCH_CONTEXT)

// The startup id of the launch being made: made before the launch, so that
// GIO's own startup notification and the environment we give every program
// carry the same one.
std::string& pendingStartupId() {
    static std::string id;
    return id;
}

std::string makeStartupId(GAppInfo* info) {
    static std::atomic<unsigned> sequence{0};
    const char* id = g_app_info_get_id(info);
    // The form the startup-notification convention asks for: unique, with
    // the time of the request at the end.
    return std::string("frelt-") + std::to_string(getpid()) + "-" + std::to_string(++sequence) + "-" +
           (id ? id : "application") + "_TIME" + std::to_string(static_cast<long>(std::time(nullptr)));
}

char* startupNotifyId(GAppLaunchContext*, GAppInfo* info, GList*) {
    if (pendingStartupId().empty()) return g_strdup(makeStartupId(info).c_str());
    return g_strdup(pendingStartupId().c_str());
}

void frelt_launch_context_class_init(FreltLaunchContextClass* klass) {
    G_APP_LAUNCH_CONTEXT_CLASS(klass)->get_startup_notify_id = startupNotifyId;
}

void frelt_launch_context_init(FreltLaunchContext*) {}

GObjectPtr<GAppLaunchContext> launchContext() {
    return GObjectPtr<GAppLaunchContext>(G_APP_LAUNCH_CONTEXT(g_object_new(frelt_launch_context_get_type(), nullptr)));
}

// In the started program, before it runs: a session of its own, so it is
// not in our process group and outlives us cleanly.
void ownSession(gpointer) { setsid(); }

void recordPid(GDesktopAppInfo*, GPid pid, gpointer data) { *static_cast<GPid*>(data) = pid; }

void complete(const Workspace::OpenCompletion& completion, std::shared_ptr<RunningApplication> app,
              std::optional<std::string> error) {
    if (error) workspaceLog().write(LogLevel::Error, "Opening failed: " + *error);
    if (!completion) return;
    dispatch::Queue::main()->async([completion, app = std::move(app), error = std::move(error)] { completion(app, error); });
}

// Starts `info` with `uris` (none: the application alone).
void launch(GAppInfo* info, const std::vector<std::string>& uris, const Workspace::OpenCompletion& completion) {
    GList* list = nullptr;
    for (auto it = uris.rbegin(); it != uris.rend(); ++it) list = g_list_prepend(list, g_strdup(it->c_str()));
    const auto context = launchContext();
    // Every program gets a startup id, also one whose entry does not ask for
    // startup notification: toolkits put it on their first window, which is
    // how a program that names neither its process nor its desktop entry on
    // its windows is still known as the one we started.
    const std::string startupId = makeStartupId(info);
    pendingStartupId() = startupId;
    g_app_launch_context_setenv(context.get(), "DESKTOP_STARTUP_ID", startupId.c_str());
    GError* error = nullptr;
    GPid pid = 0;
    bool launched;
    if (G_IS_DESKTOP_APP_INFO(info)) {
        launched = g_desktop_app_info_launch_uris_as_manager(G_DESKTOP_APP_INFO(info), list, context.get(),
                                                            G_SPAWN_SEARCH_PATH, ownSession, nullptr, recordPid, &pid,
                                                            &error);
    } else {
        launched = g_app_info_launch_uris(info, list, context.get(), &error);
    }
    g_list_free_full(list, g_free);
    pendingStartupId().clear();
    if (!launched) {
        complete(completion, nullptr, takeError(error, "the application could not be started"));
        return;
    }
    auto app = std::make_shared<RunningApplication>();
    app->processIdentifier = pid;
    if (G_IS_DESKTOP_APP_INFO(info)) {
        if (const char* file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(info))) app->bundleURL = URL::fileURL(file);
    }
    if (const char* id = g_app_info_get_id(info)) app->bundleIdentifier = id;
    if (const char* name = g_app_info_get_name(info)) app->localizedName = name;
    if (app->bundleURL) RunningApplicationsX11::noteLaunchOfInstalled(startupId, pid, app->bundleURL->path());
    complete(completion, std::move(app), std::nullopt);
}

bool isDesktopEntryFile(const std::string& path) {
    return path.size() >= 9 && path.compare(path.size() - 8, 8, ".desktop") == 0;
}

// The application a desktop entry file stands for; none for any other file.
GObjectPtr<GAppInfo> applicationAt(const std::string& path) {
    if (!isDesktopEntryFile(path)) return {};
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(path.c_str());
    return GObjectPtr<GAppInfo>(info ? G_APP_INFO(info) : nullptr);
}

// Why the application entry at `path` cannot be started, naming it; none
// when the file is no application entry at all (a link, a folder entry).
std::optional<std::string> whyApplicationCannotStart(const std::string& path) {
    if (!isDesktopEntryFile(path)) return std::nullopt;
    std::string why;
    const auto entry = desktopentry::read(path, fs::path(path).filename().string(), desktopentry::languageNames(), &why);
    if (!entry) return "The desktop entry " + path + " cannot be used: " + why + ".";
    if (entry->type != "Application") return std::nullopt;
    const std::string name = "\u201c" + (entry->name.empty() ? fs::path(path).filename().string() : entry->name) + "\u201d";
    if (entry->hidden) return name + " cannot be started: its desktop entry " + path + " is marked as deleted.";
    if (!entry->isTryExecInstalled())
        return name + " cannot be started: its program \u201c" + entry->tryExec + "\u201d is not installed (" + path + ").";
    if (!entry->execProgram().empty() && !desktopentry::findProgram(entry->execProgram()))
        return name + " cannot be started: its program \u201c" + entry->execProgram() + "\u201d is not installed (" +
               path + ").";
    return name + " cannot be started: the desktop refuses its entry " + path + ".";
}

// A plain program (no desktop entry) given the files as its arguments, each
// one argument, without a shell.
bool spawnProgram(const std::string& program, const std::vector<URL>& urls, const Workspace::OpenCompletion& completion) {
    std::vector<std::string> args{program};
    for (const auto& url : urls) {
        std::string path = url.isFileURL() ? url.path() : url.string();
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        args.push_back(path);
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    GError* error = nullptr;
    GPid pid = 0;
    if (!g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, ownSession, nullptr, &pid, &error)) {
        complete(completion, nullptr, program + " could not be started: " + takeError(error, "unknown error"));
        return false;
    }
    // Reaped when it ends, so it leaves no zombie behind.
    g_child_watch_add(pid, [](GPid child, gint, gpointer) { g_spawn_close_pid(child); }, nullptr);
    auto app = std::make_shared<RunningApplication>();
    app->processIdentifier = pid;
    app->localizedName = fs::path(program).filename().string();
    complete(completion, std::move(app), std::nullopt);
    return true;
}

bool isExecutableProgram(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The default handler of a URL: by the file's content type, or by the scheme.
GObjectPtr<GAppInfo> defaultHandler(const URL& url, std::string* error) {
    if (url.isFileURL()) {
        GObjectPtr<GFile> file(g_file_new_for_path(url.path().c_str()));
        GError* e = nullptr;
        GAppInfo* info = g_file_query_default_handler(file.get(), nullptr, &e);
        if (!info) *error = takeError(e, "no application opens " + url.path());
        else if (e) g_error_free(e);
        return GObjectPtr<GAppInfo>(info);
    }
    GAppInfo* info = g_app_info_get_default_for_uri_scheme(url.scheme().c_str());
    if (!info) *error = "no application handles the scheme " + url.scheme();
    return GObjectPtr<GAppInfo>(info);
}

}  // namespace

std::shared_ptr<GioWorkspace> GioWorkspace::make() { return std::shared_ptr<GioWorkspace>(new GioWorkspace); }

bool GioWorkspace::openURL(const URL& url) {
    std::string error;
    if (url.isFileURL()) {
        if (auto app = applicationAt(url.path())) {
            launch(app.get(), {}, nullptr);
            return true;
        }
        // An application entry never falls back to showing its file.
        if (const auto why = whyApplicationCannotStart(url.path())) {
            workspaceLog().write(LogLevel::Error, "Opening failed: " + *why);
            return false;
        }
    }
    auto handler = defaultHandler(url, &error);
    if (!handler) {
        workspaceLog().write(LogLevel::Error, "Opening failed: " + error);
        return false;
    }
    launch(handler.get(), {url.string()}, nullptr);
    return true;
}

void GioWorkspace::openURL(const URL& url, const WorkspaceOpenConfiguration&, OpenCompletion completion) {
    // An application's desktop entry starts the application itself.
    if (url.isFileURL()) {
        if (auto app = applicationAt(url.path())) {
            launch(app.get(), {}, completion);
            return;
        }
        // An application entry that cannot start is an error, never a text
        // file to show in an editor.
        if (const auto why = whyApplicationCannotStart(url.path())) {
            complete(completion, nullptr, *why);
            return;
        }
    }
    std::string error;
    auto handler = defaultHandler(url, &error);
    if (!handler) {
        complete(completion, nullptr, error);
        return;
    }
    launch(handler.get(), {url.string()}, completion);
}

void GioWorkspace::openURLs(const std::vector<URL>& urls, const URL& applicationURL, const WorkspaceOpenConfiguration&,
                            OpenCompletion completion) {
    auto app = applicationAt(applicationURL.path());
    if (!app) {
        if (const auto why = whyApplicationCannotStart(applicationURL.path())) {
            complete(completion, nullptr, *why);
            return;
        }
        // A program named directly (a folder browser setting, say) gets the
        // files as its arguments.
        if (!isDesktopEntryFile(applicationURL.path()) && isExecutableProgram(applicationURL.path())) {
            spawnProgram(applicationURL.path(), urls, completion);
            return;
        }
        complete(completion, nullptr, applicationURL.path() + " is no application");
        return;
    }
    std::vector<std::string> uris;
    for (const auto& url : urls) uris.push_back(url.string());
    launch(app.get(), uris, completion);
}

std::optional<URL> GioWorkspace::URLForApplicationToOpenURL(const URL& url) {
    std::string error;
    auto handler = defaultHandler(url, &error);
    if (!handler || !G_IS_DESKTOP_APP_INFO(handler.get())) return std::nullopt;
    const char* file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(handler.get()));
    if (!file) return std::nullopt;
    return URL::fileURL(file);
}

bool GioWorkspace::selectFile(const std::string& file, const std::string& rootPath) {
    selectFile(file, rootPath, nullptr);
    return !(file.empty() && rootPath.empty());
}

namespace {

struct RevealRequest {
    std::string fallbackFolder;
    Workspace::SelectCompletion completion;
};

void finishReveal(RevealRequest* request, std::optional<std::string> error) {
    if (request->completion)
        dispatch::Queue::main()->async([completion = request->completion, error] { completion(error); });
    delete request;
}

// Without a file manager on the bus: the folder opens with its default application.
void revealByOpening(RevealRequest* request) {
    std::string error;
    auto handler = defaultHandler(URL::fileURL(request->fallbackFolder, true), &error);
    if (!handler) {
        workspaceLog().write(LogLevel::Error, "Showing " + request->fallbackFolder + " failed: " + error);
        finishReveal(request, error);
        return;
    }
    launch(handler.get(), {URL::fileURL(request->fallbackFolder, true).string()}, nullptr);
    finishReveal(request, std::nullopt);
}

void revealCallFinished(GObject* source, GAsyncResult* result, gpointer data) {
    auto* request = static_cast<RevealRequest*>(data);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply) {
        g_variant_unref(reply);
        finishReveal(request, std::nullopt);
        return;
    }
    workspaceLog().write(LogLevel::Info, "No file manager answered (" + takeError(error, "no reply") +
                                             "); opening the folder instead");
    revealByOpening(request);
}

}  // namespace

void GioWorkspace::selectFile(const std::string& file, const std::string& rootPath, SelectCompletion completion) {
    if (file.empty() && rootPath.empty()) {
        if (completion) dispatch::Queue::main()->async([completion] { completion(std::string("nothing to show")); });
        return;
    }
    // A file is shown selected in its folder; a folder alone is opened.
    auto* request = new RevealRequest{file.empty() ? rootPath : URL::fileURL(file).deletingLastPathComponent().path(),
                                      std::move(completion)};
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        workspaceLog().write(LogLevel::Info, "No session bus (" + takeError(error, "none") + "); opening the folder instead");
        revealByOpening(request);
        return;
    }
    const std::string uri = file.empty() ? URL::fileURL(rootPath, true).string() : URL::fileURL(file).string();
    const char* uris[] = {uri.c_str(), nullptr};
    g_dbus_connection_call(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                           "org.freedesktop.FileManager1", file.empty() ? "ShowFolders" : "ShowItems",
                           g_variant_new("(^ass)", uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                           revealCallFinished, request);
    g_object_unref(bus);
}

std::shared_ptr<Image> GioWorkspace::iconForFile(const std::string& path) { return fileicons::iconForFile(path); }

void installDesktopWorkspace() {
    auto workspace = GioWorkspace::make();
    Workspace::setShared(workspace);
    RunningApplicationsX11::install(workspace);
}

}  // namespace platform
