#include "platform/linux/SessionBusService.h"

#include <gio/gio.h>

namespace platform::dbus {

namespace {

constexpr int forwardTimeoutMs = 5000;
// RequestName flags and replies of the bus daemon.
constexpr guint32 doNotQueue = 4;
constexpr guint32 primaryOwner = 1;
constexpr guint32 alreadyOwner = 4;

std::string errorText(GError* error) {
    std::string text = error ? error->message : "unknown error";
    if (error) g_error_free(error);
    return text;
}

GDBusConnection* connect(const std::optional<std::string>& busAddress, std::string& problem) {
    GError* error = nullptr;
    std::string address;
    if (busAddress) {
        address = *busAddress;
    } else {
        gchar* found = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (!found) {
            problem = errorText(error);
            return nullptr;
        }
        address = found;
        g_free(found);
    }
    auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                   G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    GDBusConnection* connection =
        g_dbus_connection_new_for_address_sync(address.c_str(), flags, nullptr, nullptr, &error);
    if (!connection) problem = errorText(error);
    return connection;
}

}  // namespace

struct SessionBusService::State {
    GDBusConnection* connection = nullptr;
    GDBusNodeInfo* node = nullptr;
    guint registration = 0;
    std::string interfaceName;
    AddFilesHandler onAddFiles;
    ToggleHandler onToggle;

    ~State() {
        if (connection && registration) g_dbus_connection_unregister_object(connection, registration);
        if (node) g_dbus_node_info_unref(node);
        if (connection) {
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
    }

    static void methodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                           GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        auto* self = static_cast<State*>(data);
        if (g_strcmp0(method, "Toggle") == 0) {
            // Answered first as well: a desktop shortcut that runs
            // frelt --toggle waits for it.
            g_dbus_method_invocation_return_value(invocation, nullptr);
            if (self->onToggle) self->onToggle();
            return;
        }
        if (g_strcmp0(method, "AddFiles") != 0) {
            g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod",
                                                       "No such method");
            return;
        }
        std::vector<std::string> paths;
        GVariantIter* iter = nullptr;
        g_variant_get(parameters, "(as)", &iter);
        const gchar* path = nullptr;
        while (g_variant_iter_loop(iter, "&s", &path)) paths.emplace_back(path);
        g_variant_iter_free(iter);
        // Answer first: the caller is a process that waits to end.
        g_dbus_method_invocation_return_value(invocation, nullptr);
        if (self->onAddFiles) self->onAddFiles(paths);
    }
};

std::string SessionBusService::introspectionXML(const std::string& interfaceName) {
    return "<node><interface name='" + interfaceName +
           "'><method name='AddFiles'><arg type='as' name='paths' direction='in'/></method>"
           "<method name='Toggle'/></interface></node>";
}

SessionBusService::SessionBusService(std::unique_ptr<State> state) : state_(std::move(state)) {}
SessionBusService::~SessionBusService() = default;

SessionBusService::Result SessionBusService::claim(const Identity& identity, const std::vector<std::string>& files,
                                                   AddFilesHandler onAddFiles,
                                                   const std::optional<std::string>& busAddress) {
    return claim(identity, Request::addFiles, files, std::move(onAddFiles), nullptr, busAddress);
}

SessionBusService::Result SessionBusService::claim(const Identity& identity, Request request,
                                                   const std::vector<std::string>& files, AddFilesHandler onAddFiles,
                                                   ToggleHandler onToggle,
                                                   const std::optional<std::string>& busAddress) {
    Result result;
    std::string problem;
    auto state = std::make_unique<State>();
    state->connection = connect(busAddress, problem);
    if (!state->connection) {
        result.outcome = Outcome::noBus;
        result.message = "No session bus (" + problem + "): this start runs alone";
        return result;
    }
    state->interfaceName = identity.busName;
    state->onAddFiles = std::move(onAddFiles);
    state->onToggle = std::move(onToggle);

    // The object first, so that a caller who sees the name finds it.
    GError* error = nullptr;
    state->node = g_dbus_node_info_new_for_xml(introspectionXML(identity.busName).c_str(), &error);
    if (!state->node) {
        result.message = errorText(error);
        return result;
    }
    static const GDBusInterfaceVTable vtable = {&State::methodCall, nullptr, nullptr, {nullptr}};
    state->registration = g_dbus_connection_register_object(state->connection, identity.objectPath.c_str(),
                                                            state->node->interfaces[0], &vtable, state.get(),
                                                            nullptr, &error);
    if (!state->registration) {
        result.message = errorText(error);
        return result;
    }

    GVariant* reply = g_dbus_connection_call_sync(
        state->connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", identity.busName.c_str(), doNotQueue), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
        forwardTimeoutMs, nullptr, &error);
    if (!reply) {
        result.outcome = Outcome::noBus;
        result.message = "The session bus refused the name (" + errorText(error) + "): this start runs alone";
        return result;
    }
    guint32 answer = 0;
    g_variant_get(reply, "(u)", &answer);
    g_variant_unref(reply);
    if (answer == primaryOwner || answer == alreadyOwner) {
        result.outcome = Outcome::owner;
        result.service.reset(new SessionBusService(std::move(state)));
        return result;
    }

    // Taken: hand the files to the owner, all of them or none.
    g_dbus_connection_unregister_object(state->connection, state->registration);
    state->registration = 0;
    if (request == Request::toggle) {
        reply = g_dbus_connection_call_sync(state->connection, identity.busName.c_str(), identity.objectPath.c_str(),
                                            identity.busName.c_str(), "Toggle", nullptr, nullptr,
                                            G_DBUS_CALL_FLAGS_NO_AUTO_START, forwardTimeoutMs, nullptr, &error);
        if (!reply) {
            result.outcome = Outcome::ownerSilent;
            result.message = "The running instance did not show or hide its window: " + errorText(error);
            return result;
        }
        g_variant_unref(reply);
        result.outcome = Outcome::forwarded;
        return result;
    }
    for (const auto& file : files) {
        if (!g_utf8_validate(file.c_str(), static_cast<gssize>(file.size()), nullptr)) {
            result.outcome = Outcome::refused;
            result.message = "The file name " + file + " is not valid UTF-8: no file was handed to the running instance";
            return result;
        }
    }
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("as"));
    for (const auto& file : files) g_variant_builder_add(&builder, "s", file.c_str());
    reply = g_dbus_connection_call_sync(state->connection, identity.busName.c_str(), identity.objectPath.c_str(),
                                        identity.busName.c_str(), "AddFiles", g_variant_new("(as)", &builder), nullptr,
                                        G_DBUS_CALL_FLAGS_NO_AUTO_START, forwardTimeoutMs, nullptr, &error);
    if (!reply) {
        result.outcome = Outcome::ownerSilent;
        result.message = "The running instance did not take the files: " + errorText(error);
        return result;
    }
    g_variant_unref(reply);
    result.outcome = Outcome::forwarded;
    return result;
}

}  // namespace platform::dbus
