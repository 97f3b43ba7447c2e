// The least of a StatusNotifierWatcher, the service through which desktop
// panels show tray items: it owns the watcher's name on the session bus,
// says that a host is registered, and records the items that register. It
// prints "registered <service>" for each, and on SIGUSR1 activates (a
// primary click) every registered item, on SIGUSR2 asks it for its context
// menu, as a panel would on a click.

#include <gio/gio.h>
#include <glib-unix.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* introspection =
    "<node><interface name='org.kde.StatusNotifierWatcher'>"
    "<method name='RegisterStatusNotifierItem'><arg type='s' direction='in'/></method>"
    "<method name='RegisterStatusNotifierHost'><arg type='s' direction='in'/></method>"
    "<property name='RegisteredStatusNotifierItems' type='as' access='read'/>"
    "<property name='IsStatusNotifierHostRegistered' type='b' access='read'/>"
    "<property name='ProtocolVersion' type='i' access='read'/>"
    "<signal name='StatusNotifierItemRegistered'><arg type='s'/></signal>"
    "<signal name='StatusNotifierItemUnregistered'><arg type='s'/></signal>"
    "<signal name='StatusNotifierHostRegistered'/>"
    "</interface></node>";

struct Item {
    std::string service;
    std::string path;
};
std::vector<Item> items;
GDBusConnection* bus = nullptr;

void methodCall(GDBusConnection* connection, const gchar* sender, const gchar*, const gchar*, const gchar* method,
                GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
    if (g_strcmp0(method, "RegisterStatusNotifierItem") == 0) {
        const gchar* given = nullptr;
        g_variant_get(parameters, "(&s)", &given);
        Item item;
        // Either a bus name (the path is the usual one) or an object path.
        if (given[0] == '/') {
            item = {sender, given};
        } else {
            item = {given, "/StatusNotifierItem"};
        }
        items.push_back(item);
        std::printf("registered %s %s\n", item.service.c_str(), item.path.c_str());
        std::fflush(stdout);
        g_dbus_connection_emit_signal(connection, nullptr, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
                                      "StatusNotifierItemRegistered", g_variant_new("(s)", item.service.c_str()),
                                      nullptr);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* getProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name, GError**, gpointer) {
    if (g_strcmp0(name, "IsStatusNotifierHostRegistered") == 0) return g_variant_new_boolean(TRUE);
    if (g_strcmp0(name, "ProtocolVersion") == 0) return g_variant_new_int32(0);
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("as"));
    for (const auto& item : items) g_variant_builder_add(&builder, "s", item.service.c_str());
    return g_variant_builder_end(&builder);
}

gboolean callItems(gpointer method) {
    for (const auto& item : items) {
        g_dbus_connection_call(bus, item.service.c_str(), item.path.c_str(), "org.kde.StatusNotifierItem",
                               static_cast<const char*>(method), g_variant_new("(ii)", 10, 10), nullptr,
                               G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
    }
    std::printf("%s sent\n", static_cast<const char*>(method));
    std::fflush(stdout);
    return G_SOURCE_CONTINUE;
}

}  // namespace

int main() {
    GError* error = nullptr;
    bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        std::fprintf(stderr, "no session bus: %s\n", error->message);
        return 1;
    }
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(introspection, &error);
    static const GDBusInterfaceVTable vtable = {methodCall, getProperty, nullptr, {nullptr}};
    g_dbus_connection_register_object(bus, "/StatusNotifierWatcher", node->interfaces[0], &vtable, nullptr, nullptr,
                                      &error);
    g_bus_own_name_on_connection(bus, "org.kde.StatusNotifierWatcher", G_BUS_NAME_OWNER_FLAGS_NONE,
                                 [](GDBusConnection*, const gchar*, gpointer) {
                                     std::printf("watcher ready\n");
                                     std::fflush(stdout);
                                 },
                                 nullptr, nullptr, nullptr);
    g_unix_signal_add(SIGUSR1, callItems, const_cast<char*>("Activate"));
    g_unix_signal_add(SIGUSR2, callItems, const_cast<char*>("ContextMenu"));
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_unix_signal_add(SIGTERM, [](gpointer l) { g_main_loop_quit(static_cast<GMainLoop*>(l)); return G_SOURCE_REMOVE; }, loop);
    g_main_loop_run(loop);
    return 0;
}
