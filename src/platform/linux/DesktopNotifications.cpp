#include "platform/linux/DesktopNotifications.h"

#include <gio/gio.h>

#include "platform/appkit/Workspace.h"

namespace platform::desktop {

bool MountNames::changed(const std::string& mountPoint, const std::string& name) {
    auto it = names_.find(mountPoint);
    if (it == names_.end()) {
        names_[mountPoint] = name;
        return false;
    }
    if (it->second == name) return false;
    it->second = name;
    return true;
}

// --- volumes

namespace {

struct MountFacts {
    std::string mountPoint;
    std::string name;
};

std::optional<MountFacts> factsOf(GMount* mount) {
    GFile* root = g_mount_get_root(mount);
    gchar* path = root ? g_file_get_path(root) : nullptr;
    if (root) g_object_unref(root);
    if (!path) return std::nullopt;  // a mount without a local path (a network share's URI)
    MountFacts facts{path, {}};
    g_free(path);
    if (gchar* name = g_mount_get_name(mount)) {
        facts.name = name;
        g_free(name);
    }
    return facts;
}

}  // namespace

struct VolumeWatcher::State {
    GVolumeMonitor* monitor = nullptr;
    MountNames names;
    std::vector<gulong> handlers;

    ~State() {
        for (const gulong h : handlers) g_signal_handler_disconnect(monitor, h);
        if (monitor) g_object_unref(monitor);
    }

    static void mountAdded(GVolumeMonitor*, GMount* mount, gpointer data) {
        const auto facts = factsOf(mount);
        if (!facts) return;
        static_cast<State*>(data)->names.added(facts->mountPoint, facts->name);
        Workspace::shared()->postDidMount(facts->mountPoint);
    }
    static void mountRemoved(GVolumeMonitor*, GMount* mount, gpointer data) {
        const auto facts = factsOf(mount);
        if (!facts) return;
        static_cast<State*>(data)->names.removed(facts->mountPoint);
        Workspace::shared()->postDidUnmount(facts->mountPoint);
    }
    static void mountChanged(GVolumeMonitor*, GMount* mount, gpointer data) {
        const auto facts = factsOf(mount);
        if (!facts) return;
        if (static_cast<State*>(data)->names.changed(facts->mountPoint, facts->name))
            Workspace::shared()->postDidRenameVolume(facts->mountPoint);
    }
};

VolumeWatcher::VolumeWatcher(std::unique_ptr<State> state) : state_(std::move(state)) {}
VolumeWatcher::~VolumeWatcher() = default;

std::unique_ptr<VolumeWatcher> VolumeWatcher::start() {
    auto state = std::make_unique<State>();
    state->monitor = g_volume_monitor_get();
    if (!state->monitor) return nullptr;
    GList* mounts = g_volume_monitor_get_mounts(state->monitor);
    for (GList* m = mounts; m; m = m->next) {
        if (const auto facts = factsOf(G_MOUNT(m->data))) state->names.added(facts->mountPoint, facts->name);
    }
    g_list_free_full(mounts, g_object_unref);
    State* raw = state.get();
    state->handlers.push_back(g_signal_connect(state->monitor, "mount-added", G_CALLBACK(&State::mountAdded), raw));
    state->handlers.push_back(g_signal_connect(state->monitor, "mount-removed", G_CALLBACK(&State::mountRemoved), raw));
    state->handlers.push_back(g_signal_connect(state->monitor, "mount-changed", G_CALLBACK(&State::mountChanged), raw));
    return std::unique_ptr<VolumeWatcher>(new VolumeWatcher(std::move(state)));
}

// --- sleep

struct SleepWatcher::State {
    GDBusConnection* connection = nullptr;
    guint subscription = 0;

    ~State() {
        if (connection && subscription) g_dbus_connection_signal_unsubscribe(connection, subscription);
        if (connection) g_object_unref(connection);
    }

    static void prepareForSleep(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                GVariant* parameters, gpointer) {
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
        gboolean sleeping = FALSE;
        g_variant_get(parameters, "(b)", &sleeping);
        if (sleeping)
            Workspace::shared()->postWillSleep();
        else
            Workspace::shared()->postDidWake();
    }
};

SleepWatcher::SleepWatcher(std::unique_ptr<State> state) : state_(std::move(state)) {}
SleepWatcher::~SleepWatcher() = default;

std::unique_ptr<SleepWatcher> SleepWatcher::start(const std::optional<std::string>& busAddress, std::string* problem) {
    GError* error = nullptr;
    auto state = std::make_unique<State>();
    if (busAddress) {
        auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                       G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
        state->connection = g_dbus_connection_new_for_address_sync(busAddress->c_str(), flags, nullptr, nullptr, &error);
    } else {
        state->connection = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    }
    if (!state->connection) {
        if (problem) *problem = error ? error->message : "no bus";
        if (error) g_error_free(error);
        return nullptr;
    }
    state->subscription = g_dbus_connection_signal_subscribe(
        state->connection, loginName, "org.freedesktop.login1.Manager", "PrepareForSleep", "/org/freedesktop/login1",
        nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &State::prepareForSleep, nullptr, nullptr);
    return std::unique_ptr<SleepWatcher>(new SleepWatcher(std::move(state)));
}

}  // namespace platform::desktop
