// A stand-in for the desktop portal's global shortcuts, for the tests of the
// program's portal road on a private session bus. It serves, under
// org.freedesktop.portal.Desktop at /org/freedesktop/portal/desktop, the
// documented interface: org.freedesktop.portal.GlobalShortcuts (version 1:
// CreateSession, BindShortcuts, ListShortcuts; Activated, Deactivated,
// ShortcutsChanged), its Request objects with their Response signal, its
// Session objects with Close and Closed, and the host registry's Register.
// What a desktop's user would do (decline a shortcut in the dialog, take one
// back in the keyboard settings, press one) the test asks for through a
// control object, org.frelt.test.PortalControl at /org/frelt/test/control.
//
//   frelt_portal_standin [--no-global-shortcuts] [--one-bind-per-session]
// --no-global-shortcuts: a portal whose desktop has no global shortcuts
//   (the interface is not there);
// --one-bind-per-session: a second BindShortcuts on a session fails, as a
//   stricter portal may have it.
// It says "standin ready" on its standard output once it owns the name.

#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const portalXml = R"(<node>
  <interface name='org.freedesktop.portal.GlobalShortcuts'>
    <method name='CreateSession'>
      <arg type='a{sv}' name='options' direction='in'/>
      <arg type='o' name='handle' direction='out'/>
    </method>
    <method name='BindShortcuts'>
      <arg type='o' name='session_handle' direction='in'/>
      <arg type='a(sa{sv})' name='shortcuts' direction='in'/>
      <arg type='s' name='parent_window' direction='in'/>
      <arg type='a{sv}' name='options' direction='in'/>
      <arg type='o' name='request_handle' direction='out'/>
    </method>
    <method name='ListShortcuts'>
      <arg type='o' name='session_handle' direction='in'/>
      <arg type='a{sv}' name='options' direction='in'/>
      <arg type='o' name='request_handle' direction='out'/>
    </method>
    <signal name='Activated'>
      <arg type='o' name='session_handle'/><arg type='s' name='shortcut_id'/>
      <arg type='t' name='timestamp'/><arg type='a{sv}' name='options'/>
    </signal>
    <signal name='Deactivated'>
      <arg type='o' name='session_handle'/><arg type='s' name='shortcut_id'/>
      <arg type='t' name='timestamp'/><arg type='a{sv}' name='options'/>
    </signal>
    <signal name='ShortcutsChanged'>
      <arg type='o' name='session_handle'/><arg type='a(sa{sv})' name='shortcuts'/>
    </signal>
    <property name='version' type='u' access='read'/>
  </interface>
</node>)";

const char* const registryXml = R"(<node>
  <interface name='org.freedesktop.host.portal.Registry'>
    <method name='Register'>
      <arg type='s' name='app_id' direction='in'/><arg type='a{sv}' name='options' direction='in'/>
    </method>
    <property name='version' type='u' access='read'/>
  </interface>
</node>)";

const char* const requestXml = R"(<node>
  <interface name='org.freedesktop.portal.Request'>
    <method name='Close'/>
    <signal name='Response'><arg type='u' name='response'/><arg type='a{sv}' name='results'/></signal>
  </interface>
</node>)";

const char* const sessionXml = R"(<node>
  <interface name='org.freedesktop.portal.Session'>
    <method name='Close'/>
    <signal name='Closed'><arg type='a{sv}' name='details'/></signal>
    <property name='version' type='u' access='read'/>
  </interface>
</node>)";

const char* const controlXml = R"(<node>
  <interface name='org.frelt.test.PortalControl'>
    <method name='Decline'><arg type='as' name='ids' direction='in'/></method>
    <method name='AnswerNextBind'><arg type='u' name='response' direction='in'/></method>
    <method name='Activate'><arg type='s' name='id' direction='in'/></method>
    <method name='ActivateInAnotherSession'><arg type='s' name='id' direction='in'/></method>
    <method name='Withdraw'><arg type='s' name='id' direction='in'/></method>
    <method name='CloseSessions'/>
    <method name='Bound'><arg type='a(sss)' name='shortcuts' direction='out'/></method>
    <method name='Calls'><arg type='as' name='calls' direction='out'/></method>
  </interface>
</node>)";

struct Shortcut {
    std::string description;
    std::string preferredTrigger;
};

struct Session {
    std::string owner;  // the unique name of the peer that made it
    guint registration = 0;
    int binds = 0;
    std::map<std::string, Shortcut> bound;
};

struct StandIn {
    GDBusConnection* connection = nullptr;
    bool oneBindPerSession = false;
    std::set<std::string> declined;
    guint32 nextBindResponse = 0;
    std::map<std::string, Session> sessions;
    std::vector<std::string> calls;
    GDBusNodeInfo* requestNode = nullptr;
    GDBusNodeInfo* sessionNode = nullptr;
};

StandIn standIn;

std::string senderPart(const char* sender) {
    std::string part = sender[0] == ':' ? sender + 1 : sender;
    for (char& c : part)
        if (c == '.') c = '_';
    return part;
}

std::string tokenOf(GVariant* options, const char* key, const char* fallback) {
    const gchar* token = nullptr;
    if (g_variant_lookup(options, key, "&s", &token)) return token;
    return fallback;
}

GVariant* shortcutList(const Session& session, bool withTriggers) {
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("a(sa{sv})"));
    for (const auto& [id, shortcut] : session.bound) {
        GVariantBuilder properties;
        g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&properties, "{sv}", "description", g_variant_new_string(shortcut.description.c_str()));
        if (withTriggers) {
            // The desktop put it where it was asked, or nowhere it describes.
            const std::string trigger =
                shortcut.preferredTrigger.empty() ? "unassigned" : "Press " + shortcut.preferredTrigger;
            g_variant_builder_add(&properties, "{sv}", "trigger_description", g_variant_new_string(trigger.c_str()));
        }
        g_variant_builder_add(&list, "(sa{sv})", id.c_str(), &properties);
    }
    return g_variant_builder_end(&list);
}

// A Request object that answers once the method's reply is out, and goes.
struct PendingResponse {
    std::string path;
    std::string destination;
    guint32 code;
    GVariant* results;
    guint registration;
};

void requestMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
                   GDBusMethodInvocation* invocation, gpointer) {
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

std::string answerThroughRequest(const char* sender, const std::string& token, guint32 code, GVariant* results) {
    const std::string path = "/org/freedesktop/portal/desktop/request/" + senderPart(sender) + "/" + token;
    static const GDBusInterfaceVTable vtable = {requestMethod, nullptr, nullptr, {nullptr}};
    auto* pending = new PendingResponse{path, sender, code, g_variant_ref_sink(results), 0};
    pending->registration = g_dbus_connection_register_object(standIn.connection, path.c_str(),
                                                              standIn.requestNode->interfaces[0], &vtable, nullptr,
                                                              nullptr, nullptr);
    g_idle_add(
        [](gpointer data) -> gboolean {
            auto* pending = static_cast<PendingResponse*>(data);
            g_dbus_connection_emit_signal(standIn.connection, pending->destination.c_str(), pending->path.c_str(),
                                          "org.freedesktop.portal.Request", "Response",
                                          g_variant_new("(u@a{sv})", pending->code, pending->results), nullptr);
            if (pending->registration) g_dbus_connection_unregister_object(standIn.connection, pending->registration);
            g_variant_unref(pending->results);
            delete pending;
            return G_SOURCE_REMOVE;
        },
        pending);
    return path;
}

void emitToOwner(const Session& session, const std::string& path, const char* member, GVariant* parameters) {
    g_dbus_connection_emit_signal(standIn.connection, session.owner.c_str(), "/org/freedesktop/portal/desktop",
                                  "org.freedesktop.portal.GlobalShortcuts", member, parameters, nullptr);
    (void)path;
}

void closeSession(const std::string& path, bool tell) {
    const auto found = standIn.sessions.find(path);
    if (found == standIn.sessions.end()) return;
    if (tell)
        g_dbus_connection_emit_signal(standIn.connection, found->second.owner.c_str(), path.c_str(),
                                      "org.freedesktop.portal.Session", "Closed", g_variant_new("(a{sv})", nullptr),
                                      nullptr);
    g_dbus_connection_unregister_object(standIn.connection, found->second.registration);
    standIn.sessions.erase(found);
}

void sessionMethod(GDBusConnection*, const gchar*, const gchar* path, const gchar*, const gchar*, GVariant*,
                   GDBusMethodInvocation* invocation, gpointer) {
    standIn.calls.push_back("Session.Close");
    const std::string closed = path;
    g_dbus_method_invocation_return_value(invocation, nullptr);
    closeSession(closed, false);
}

GVariant* sessionProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GError**,
                          gpointer) {
    return g_variant_new_uint32(1);
}

void portalMethod(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar* method,
                  GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
    if (std::strcmp(method, "CreateSession") == 0) {
        GVariant* options = g_variant_get_child_value(parameters, 0);
        const std::string token = tokenOf(options, "handle_token", "t");
        const std::string sessionToken = tokenOf(options, "session_handle_token", "s");
        g_variant_unref(options);
        const std::string sessionPath =
            "/org/freedesktop/portal/desktop/session/" + senderPart(sender) + "/" + sessionToken;
        standIn.calls.push_back("CreateSession");
        static const GDBusInterfaceVTable vtable = {sessionMethod, sessionProperty, nullptr, {nullptr}};
        Session session;
        session.owner = sender;
        session.registration = g_dbus_connection_register_object(
            standIn.connection, sessionPath.c_str(), standIn.sessionNode->interfaces[0], &vtable, nullptr, nullptr, nullptr);
        standIn.sessions[sessionPath] = session;
        GVariantBuilder results;
        g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
        // Documented as a string.
        g_variant_builder_add(&results, "{sv}", "session_handle", g_variant_new_string(sessionPath.c_str()));
        const std::string request = answerThroughRequest(sender, token, 0, g_variant_builder_end(&results));
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", request.c_str()));
        return;
    }
    if (std::strcmp(method, "BindShortcuts") == 0 || std::strcmp(method, "ListShortcuts") == 0) {
        const bool binding = std::strcmp(method, "BindShortcuts") == 0;
        const gchar* sessionPath = nullptr;
        GVariant* shortcuts = nullptr;
        GVariant* options = nullptr;
        if (binding) g_variant_get(parameters, "(&o@a(sa{sv})&s@a{sv})", &sessionPath, &shortcuts, nullptr, &options);
        else g_variant_get(parameters, "(&o@a{sv})", &sessionPath, &options);
        const std::string token = tokenOf(options, "handle_token", "t");
        g_variant_unref(options);
        const auto found = standIn.sessions.find(sessionPath);
        if (found == standIn.sessions.end() || found->second.owner != sender) {
            if (shortcuts) g_variant_unref(shortcuts);
            g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.portal.Error.InvalidArgument",
                                                       "No such session");
            return;
        }
        Session& session = found->second;
        if (!binding) {
            standIn.calls.push_back("ListShortcuts");
            GVariantBuilder results;
            g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
            g_variant_builder_add(&results, "{sv}", "shortcuts", shortcutList(session, true));
            const std::string request = answerThroughRequest(sender, token, 0, g_variant_builder_end(&results));
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", request.c_str()));
            return;
        }
        std::string call = "BindShortcuts";
        if (standIn.oneBindPerSession && session.binds > 0) {
            g_variant_unref(shortcuts);
            standIn.calls.push_back(call + " refused: bound before");
            g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.portal.Error.Failed",
                                                       "Shortcuts were bound on this session already");
            return;
        }
        ++session.binds;
        const guint32 code = standIn.nextBindResponse;
        standIn.nextBindResponse = 0;
        session.bound.clear();
        GVariantIter iter;
        g_variant_iter_init(&iter, shortcuts);
        const gchar* id = nullptr;
        GVariant* properties = nullptr;
        while (g_variant_iter_next(&iter, "(&s@a{sv})", &id, &properties)) {
            call += std::string(" ") + id;
            Shortcut shortcut;
            const gchar* text = nullptr;
            if (g_variant_lookup(properties, "description", "&s", &text)) shortcut.description = text;
            if (g_variant_lookup(properties, "preferred_trigger", "&s", &text)) shortcut.preferredTrigger = text;
            if (code == 0 && !standIn.declined.count(id)) session.bound[id] = shortcut;
            g_variant_unref(properties);
        }
        g_variant_unref(shortcuts);
        standIn.calls.push_back(call);
        GVariantBuilder results;
        g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
        if (code == 0) g_variant_builder_add(&results, "{sv}", "shortcuts", shortcutList(session, true));
        const std::string request = answerThroughRequest(sender, token, code, g_variant_builder_end(&results));
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", request.c_str()));
        return;
    }
    g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod", "No such method");
}

GVariant* portalProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GError**,
                         gpointer) {
    return g_variant_new_uint32(1);
}

void registryMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                    GDBusMethodInvocation* invocation, gpointer) {
    const gchar* appId = nullptr;
    g_variant_get(parameters, "(&s@a{sv})", &appId, nullptr);
    standIn.calls.push_back(std::string("Register ") + appId);
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

void controlMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                   GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
    if (std::strcmp(method, "Decline") == 0) {
        GVariantIter* iter = nullptr;
        g_variant_get(parameters, "(as)", &iter);
        const gchar* id = nullptr;
        while (g_variant_iter_loop(iter, "&s", &id)) standIn.declined.insert(id);
        g_variant_iter_free(iter);
    } else if (std::strcmp(method, "AnswerNextBind") == 0) {
        g_variant_get(parameters, "(u)", &standIn.nextBindResponse);
    } else if (std::strcmp(method, "Activate") == 0) {
        const gchar* id = nullptr;
        g_variant_get(parameters, "(&s)", &id);
        for (const auto& [path, session] : standIn.sessions) {
            if (!session.bound.count(id)) continue;
            emitToOwner(session, path, "Activated", g_variant_new("(ost@a{sv})", path.c_str(), id, guint64{1000},
                                                                  g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0)));
            emitToOwner(session, path, "Deactivated", g_variant_new("(ost@a{sv})", path.c_str(), id, guint64{1100},
                                                                    g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0)));
        }
    } else if (std::strcmp(method, "ActivateInAnotherSession") == 0) {
        // A press meant for another program's session, sent to ours by
        // mistake: the program must not take it for its own.
        const gchar* id = nullptr;
        g_variant_get(parameters, "(&s)", &id);
        for (const auto& [path, session] : standIn.sessions) {
            if (!session.bound.count(id)) continue;
            const std::string other = path + "_other";
            emitToOwner(session, path, "Activated", g_variant_new("(ost@a{sv})", other.c_str(), id, guint64{1000},
                                                                  g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0)));
        }
    } else if (std::strcmp(method, "Withdraw") == 0) {
        const gchar* id = nullptr;
        g_variant_get(parameters, "(&s)", &id);
        for (auto& [path, session] : standIn.sessions) {
            if (!session.bound.erase(id)) continue;
            emitToOwner(session, path, "ShortcutsChanged",
                        g_variant_new("(o@a(sa{sv}))", path.c_str(), shortcutList(session, true)));
        }
    } else if (std::strcmp(method, "CloseSessions") == 0) {
        std::vector<std::string> paths;
        for (const auto& [path, session] : standIn.sessions) paths.push_back(path);
        for (const auto& path : paths) closeSession(path, true);
    } else if (std::strcmp(method, "Bound") == 0) {
        GVariantBuilder list;
        g_variant_builder_init(&list, G_VARIANT_TYPE("a(sss)"));
        for (const auto& [path, session] : standIn.sessions)
            for (const auto& [id, shortcut] : session.bound)
                g_variant_builder_add(&list, "(sss)", id.c_str(), shortcut.description.c_str(),
                                      shortcut.preferredTrigger.c_str());
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(a(sss))", &list));
        return;
    } else if (std::strcmp(method, "Calls") == 0) {
        GVariantBuilder list;
        g_variant_builder_init(&list, G_VARIANT_TYPE("as"));
        for (const auto& call : standIn.calls) g_variant_builder_add(&list, "s", call.c_str());
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(as)", &list));
        return;
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GDBusNodeInfo* parsed(const char* xml) {
    GError* error = nullptr;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, &error);
    if (!node) {
        std::fprintf(stderr, "standin: %s\n", error->message);
        std::exit(1);
    }
    return node;
}

}  // namespace

int main(int argc, char** argv) {
    bool globalShortcuts = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-global-shortcuts") == 0) globalShortcuts = false;
        if (std::strcmp(argv[i], "--one-bind-per-session") == 0) standIn.oneBindPerSession = true;
    }
    GError* error = nullptr;
    standIn.connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!standIn.connection) {
        std::fprintf(stderr, "standin: no session bus: %s\n", error->message);
        return 1;
    }
    standIn.requestNode = parsed(requestXml);
    standIn.sessionNode = parsed(sessionXml);
    GDBusNodeInfo* portal = parsed(portalXml);
    GDBusNodeInfo* registry = parsed(registryXml);
    GDBusNodeInfo* control = parsed(controlXml);
    static const GDBusInterfaceVTable portalVtable = {portalMethod, portalProperty, nullptr, {nullptr}};
    static const GDBusInterfaceVTable registryVtable = {registryMethod, portalProperty, nullptr, {nullptr}};
    static const GDBusInterfaceVTable controlVtable = {controlMethod, nullptr, nullptr, {nullptr}};
    if (globalShortcuts)
        g_dbus_connection_register_object(standIn.connection, "/org/freedesktop/portal/desktop", portal->interfaces[0],
                                          &portalVtable, nullptr, nullptr, nullptr);
    g_dbus_connection_register_object(standIn.connection, "/org/freedesktop/portal/desktop", registry->interfaces[0],
                                      &registryVtable, nullptr, nullptr, nullptr);
    g_dbus_connection_register_object(standIn.connection, "/org/frelt/test/control", control->interfaces[0],
                                      &controlVtable, nullptr, nullptr, nullptr);
    GVariant* reply = g_dbus_connection_call_sync(
        standIn.connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", "org.freedesktop.portal.Desktop", 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1,
        nullptr, &error);
    guint32 answer = 0;
    if (reply) {
        g_variant_get(reply, "(u)", &answer);
        g_variant_unref(reply);
    }
    if (answer != 1) {
        std::fprintf(stderr, "standin: the portal's name is taken\n");
        return 1;
    }
    std::printf("standin ready\n");
    std::fflush(stdout);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(loop);
    return 0;
}
