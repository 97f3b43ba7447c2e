#include "platform/linux/PortalGlobalShortcuts.h"

#include <gio/gio.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <tuple>
#include <utility>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/Paths.h"
#include "platform/linux/XKeyCodes.h"
#include "platform/log/Log.h"

namespace platform::portal {

namespace {

constexpr const char* portalName = "org.freedesktop.portal.Desktop";
constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
constexpr const char* shortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* requestInterface = "org.freedesktop.portal.Request";
constexpr const char* sessionInterface = "org.freedesktop.portal.Session";
constexpr const char* registryInterface = "org.freedesktop.host.portal.Registry";

Log& portalLog() {
    static Log log(Paths::bundleIdentifier, "hotkeys");
    return log;
}

std::string portalErrorText(const GError* error) { return error ? error->message : "no answer"; }

// The shortcuts of a Response or of ShortcutsChanged, a(sa{sv}): id to the
// desktop's description of its trigger (empty when it gives none).
std::map<std::string, std::string> shortcutsOf(GVariant* list) {
    std::map<std::string, std::string> shortcuts;
    if (!list || !g_variant_is_of_type(list, G_VARIANT_TYPE("a(sa{sv})"))) return shortcuts;
    GVariantIter iter;
    g_variant_iter_init(&iter, list);
    const gchar* id = nullptr;
    GVariant* properties = nullptr;
    while (g_variant_iter_next(&iter, "(&s@a{sv})", &id, &properties)) {
        const gchar* trigger = nullptr;
        std::string described;
        if (g_variant_lookup(properties, "trigger_description", "&s", &trigger)) described = trigger;
        shortcuts[id] = described;
        g_variant_unref(properties);
    }
    return shortcuts;
}

}  // namespace

// ---- The bus side -----------------------------------------------------------------------------

struct GlobalShortcutsService::Bus {
    using Reply = std::function<void(GVariant* reply, GError* error)>;
    using Response = std::function<void(std::uint32_t code, GVariant* results)>;

    GDBusConnection* connection = nullptr;
    GCancellable* cancellable = g_cancellable_new();
    std::vector<guint> signalSubscriptions;
    guint sessionClosedSubscription = 0;
    // Requests waiting for their Response, by the request object's path.
    std::map<std::string, Response> requests;
    // The caller's unique name as request and session paths carry it.
    std::string sender;
    unsigned tokens = 0;

    ~Bus() {
        g_cancellable_cancel(cancellable);
        if (connection) {
            for (const guint id : signalSubscriptions) g_dbus_connection_signal_unsubscribe(connection, id);
            if (sessionClosedSubscription)
                g_dbus_connection_signal_unsubscribe(connection, sessionClosedSubscription);
            // The portal closes the session of a peer that leaves.
            g_object_unref(connection);
        }
        g_object_unref(cancellable);
    }

    std::string nextToken() { return "frelt" + std::to_string(++tokens); }

    // A method call of the portal, answered on the main thread unless the
    // service went first.
    void call(const char* interface, const char* method, GVariant* parameters, const GVariantType* replyType,
              Reply reply, const char* path = portalPath) {
        auto* pending = new Reply(std::move(reply));
        g_dbus_connection_call(
            connection, portalName, path, interface, method, parameters, replyType, G_DBUS_CALL_FLAGS_NONE, -1,
            cancellable,
            [](GObject* source, GAsyncResult* result, gpointer data) {
                std::unique_ptr<Reply> answer(static_cast<Reply*>(data));
                GError* error = nullptr;
                GVariant* value = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
                const bool cancelled = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
                if (!cancelled) (*answer)(value, error);
                if (value) g_variant_unref(value);
                if (error) g_error_free(error);
            },
            pending);
    }

    // A portal method that answers through a Request object: its Response
    // is waited for on the path the portal documents for the token
    // (subscribed before the call, so that no answer is missed), or on the
    // path the call returns where an older portal chose another.
    void request(const char* method, GVariant* parameters, const std::string& token, Response response,
                 std::function<void(GError*)> failed) {
        const std::string predicted = std::string(portalPath) + "/request/" + sender + "/" + token;
        requests[predicted] = std::move(response);
        call(shortcutsInterface, method, parameters, G_VARIANT_TYPE("(o)"),
             [this, predicted, failed = std::move(failed)](GVariant* reply, GError* error) {
                 if (!reply) {
                     requests.erase(predicted);
                     failed(error);
                     return;
                 }
                 const gchar* handle = nullptr;
                 g_variant_get(reply, "(&o)", &handle);
                 if (predicted != handle) {
                     if (auto waiting = requests.extract(predicted)) {
                         waiting.key() = handle;
                         requests.insert(std::move(waiting));
                     }
                 }
             });
    }

    void responded(const std::string& path, std::uint32_t code, GVariant* results) {
        auto waiting = requests.extract(path);
        if (waiting) waiting.mapped()(code, results);
    }
};

// ---- The service ------------------------------------------------------------------------------

namespace {

using WeakService = std::weak_ptr<GlobalShortcutsService>;

// Signal handlers hold the service weakly; the holder goes with the
// subscription.
void dropWeakService(gpointer data) { delete static_cast<WeakService*>(data); }

// A signal of the portal whose first argument names our session: others'
// sessions are not ours.
bool isForSession(GVariant* parameters, const char* type, const std::string& session) {
    if (session.empty() || !g_variant_is_of_type(parameters, G_VARIANT_TYPE(type))) return false;
    GVariant* handle = g_variant_get_child_value(parameters, 0);
    const bool ours = session == g_variant_get_string(handle, nullptr);
    g_variant_unref(handle);
    return ours;
}

}  // namespace

std::shared_ptr<GlobalShortcutsService> GlobalShortcutsService::start(Options options) {
    auto service = std::make_shared<GlobalShortcutsService>(Private{}, std::move(options));
    service->begin();
    return service;
}

GlobalShortcutsService::GlobalShortcutsService(Private, Options options)
    : options_(std::move(options)), bus_(std::make_unique<Bus>()) {
    if (!options_.fallback) {
        auto refusing = std::make_shared<HeadlessHotKeyService>();
        refusing->setUnavailable("Global hotkeys are unavailable: the desktop offers no global shortcuts.");
        options_.fallback = refusing;
    }
}

GlobalShortcutsService::~GlobalShortcutsService() = default;

bool GlobalShortcutsService::sessionIsWayland() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return (display && *display) || (type && std::string(type) == "wayland");
}

std::string GlobalShortcutsService::shortcutId(const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string id;
    for (const unsigned char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        if (plain) {
            id += static_cast<char>(c);
        } else {
            id += '%';
            id += hex[c >> 4];
            id += hex[c & 0xf];
        }
    }
    return id;
}

std::optional<std::string> GlobalShortcutsService::preferredTrigger(std::uint32_t qwertyKeyCode,
                                                                     std::uint32_t modifiers) {
    // The US keymap, made once: the key is named by what it types there.
    struct UsKeymap {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        xkb_keymap* keymap = nullptr;
        xkb_state* state = nullptr;
        UsKeymap() {
            const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
            if (context) keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
            if (keymap) state = xkb_state_new(keymap);
        }
        ~UsKeymap() {
            if (state) xkb_state_unref(state);
            if (keymap) xkb_keymap_unref(keymap);
            if (context) xkb_context_unref(context);
        }
    };
    static const UsKeymap us;
    if (qwertyKeyCode > 0xffff || !us.state) return std::nullopt;
    const auto xKeycode = xkeys::xKeycodeForVirtualKeyCode(static_cast<std::uint16_t>(qwertyKeyCode));
    if (!xKeycode) return std::nullopt;
    const xkb_keysym_t keysym = xkb_state_key_get_one_sym(us.state, *xKeycode);
    if (keysym == XKB_KEY_NoSymbol) return std::nullopt;
    char name[64];
    if (xkb_keysym_get_name(keysym, name, sizeof name) <= 0) return std::nullopt;
    std::string trigger;
    if (modifiers & carbonmask::controlKey) trigger += "LOGO+";
    if (modifiers & carbonmask::cmdKey) trigger += "CTRL+";
    if (modifiers & carbonmask::optionKey) trigger += "ALT+";
    if (modifiers & carbonmask::shiftKey) trigger += "SHIFT+";
    return trigger + name;
}

void GlobalShortcutsService::begin() {
    std::string address;
    if (options_.busAddress) {
        address = *options_.busAddress;
    } else {
        GError* error = nullptr;
        gchar* found = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (!found) {
            const std::string problem = "no session bus (" + portalErrorText(error) + ")";
            if (error) g_error_free(error);
            // Told once the run loop runs, as every other answer.
            dispatch::Queue::main()->async([weak = WeakService(weak_from_this()), problem] {
                if (auto self = weak.lock()) self->fallBack(problem);
            });
            return;
        }
        address = found;
        g_free(found);
    }
    auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                   G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    g_dbus_connection_new_for_address(
        address.c_str(), flags, nullptr, bus_->cancellable,
        [](GObject*, GAsyncResult* result, gpointer data) {
            std::unique_ptr<WeakService> weak(static_cast<WeakService*>(data));
            GError* error = nullptr;
            GDBusConnection* connection = g_dbus_connection_new_for_address_finish(result, &error);
            const bool cancelled = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
            const std::string problem = connection ? "" : portalErrorText(error);
            if (error) g_error_free(error);
            auto self = weak->lock();
            if (!self || cancelled) {
                if (connection) g_object_unref(connection);
                return;
            }
            self->bus_->connection = connection;
            self->connected(problem);
        },
        new WeakService(weak_from_this()));
}

void GlobalShortcutsService::connected(std::string problem) {
    if (!bus_->connection) {
        fallBack("the session bus cannot be reached (" + problem + ")");
        return;
    }
    // Request and session objects carry the caller's unique name, without
    // its colon and with its dots as underscores.
    std::string sender = g_dbus_connection_get_unique_name(bus_->connection);
    if (!sender.empty() && sender.front() == ':') sender.erase(0, 1);
    for (char& c : sender)
        if (c == '.') c = '_';
    bus_->sender = sender;
    if (options_.appId.empty()) {
        probe();
        return;
    }
    // A program that runs outside a sandbox says who it is before any other
    // portal call, so that the desktop keeps what it grants under its name.
    // A portal without the registry (or one that knows the name from the
    // program's scope already) answers with an error: nothing is lost.
    const WeakService weak = weak_from_this();
    bus_->call(registryInterface, "Register", g_variant_new("(sa{sv})", options_.appId.c_str(), nullptr), nullptr,
               [weak](GVariant*, GError* error) {
                   auto self = weak.lock();
                   if (!self) return;
                   if (error)
                       portalLog().write(LogLevel::Info, "The portal's host registry did not take the program's name: " +
                                                             portalErrorText(error));
                   self->probe();
               });
}

void GlobalShortcutsService::probe() {
    const WeakService weak = weak_from_this();
    bus_->call("org.freedesktop.DBus.Properties", "Get", g_variant_new("(ss)", shortcutsInterface, "version"),
               G_VARIANT_TYPE("(v)"), [weak](GVariant* reply, GError* error) {
                   auto self = weak.lock();
                   if (!self) return;
                   std::uint32_t version = 0;
                   if (reply) {
                       GVariant* value = nullptr;
                       g_variant_get(reply, "(v)", &value);
                       if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) version = g_variant_get_uint32(value);
                       g_variant_unref(value);
                   }
                   if (version == 0) {
                       self->fallBack("the desktop portal offers no global shortcuts (" +
                                      (reply ? std::string("no version") : portalErrorText(error)) + ")");
                       return;
                   }
                   self->version_ = version;
                   self->road_ = Road::portal;
                   portalLog().write(LogLevel::Default, "Global hotkeys through the desktop portal, version " +
                                                            std::to_string(version));
                   self->createSession();
               });
}

void GlobalShortcutsService::fallBack(const std::string& why) {
    if (road_ == Road::fallback) return;
    road_ = Road::fallback;
    portalLog().write(LogLevel::Default, "Global hotkeys without the desktop portal: " + why);
    const WeakService weak = weak_from_this();
    fallbackSubscriptions_.push_back(options_.fallback->installEventHandler([weak](const HotKeyEvent& event) {
        // Registered under the same ids: the event is ours as it stands.
        if (auto self = weak.lock()) self->deliver(event);
    }));
    fallbackSubscriptions_.push_back(
        options_.fallback->installRefusalHandler([weak](EventHotKeyRef fallbackRef, HotKeyStatus status) {
            auto self = weak.lock();
            if (!self) return;
            for (const auto& [ref, record] : self->records_)
                if (record.fallbackRef == fallbackRef) {
                    self->refuse({ref}, status);
                    return;
                }
        }));
    std::vector<std::pair<EventHotKeyRef, HotKeyStatus>> refused;
    for (auto& [ref, record] : records_) {
        EventHotKeyRef fallbackRef = 0;
        const auto status = options_.fallback->registerLabelledHotKey(record.keyCode, record.modifiers, record.id,
                                                                      fallbackRef, record.label);
        if (status == HotKeyStatus::noErr) record.fallbackRef = fallbackRef;
        else refused.emplace_back(ref, status);
    }
    for (const auto& [ref, status] : refused) refuse({ref}, status);
    limitationChanged();
}

std::optional<std::string> GlobalShortcutsService::limitation() const {
    if (road_ == Road::fallback) return options_.fallback->limitation();
    return std::nullopt;
}

std::optional<std::string> GlobalShortcutsService::triggerOf(EventHotKeyRef ref) const {
    const auto found = records_.find(ref);
    if (found == records_.end() || found->second.state != State::bound) return std::nullopt;
    return found->second.trigger;
}

HotKeyStatus GlobalShortcutsService::registerEventHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                         EventHotKeyID id, EventHotKeyRef& ref) {
    HotKeyLabel label;
    label.name = "hotkey " + std::to_string(id.id);
    label.qwertyKeyCode = keyCode;
    return registerLabelledHotKey(keyCode, modifiers, id, ref, label);
}

HotKeyStatus GlobalShortcutsService::registerLabelledHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                            EventHotKeyID id, EventHotKeyRef& ref,
                                                            const HotKeyLabel& label) {
    assertMainThread("GlobalShortcutsService::registerLabelledHotKey");
    Record record{keyCode, modifiers, id, label, shortcutId(label.name), State::pending, "", std::nullopt};
    if (road_ == Road::fallback) {
        EventHotKeyRef fallbackRef = 0;
        const auto status = options_.fallback->registerLabelledHotKey(keyCode, modifiers, id, fallbackRef, label);
        if (status != HotKeyStatus::noErr) return status;
        record.fallbackRef = fallbackRef;
    } else {
        // The portal tells one shortcut per id.
        for (const auto& [held, other] : records_)
            if (other.shortcutId == record.shortcutId) return HotKeyStatus::refused;
    }
    ref = nextRef_++;
    records_[ref] = std::move(record);
    if (road_ == Road::portal) scheduleBind();
    return HotKeyStatus::noErr;
}

HotKeyStatus GlobalShortcutsService::unregisterEventHotKey(EventHotKeyRef ref) {
    assertMainThread("GlobalShortcutsService::unregisterEventHotKey");
    const auto found = records_.find(ref);
    if (found == records_.end()) return HotKeyStatus::invalid;
    const Record record = std::move(found->second);
    records_.erase(found);
    if (record.fallbackRef) return options_.fallback->unregisterEventHotKey(*record.fallbackRef);
    // The desktop's list follows what the program holds.
    if (road_ == Road::portal) scheduleBind();
    return HotKeyStatus::noErr;
}

void GlobalShortcutsService::refuse(const std::vector<EventHotKeyRef>& refs, HotKeyStatus why) {
    std::vector<EventHotKeyRef> gone;
    for (const auto ref : refs) {
        const auto found = records_.find(ref);
        if (found == records_.end()) continue;
        if (found->second.fallbackRef) options_.fallback->unregisterEventHotKey(*found->second.fallbackRef);
        records_.erase(found);
        gone.push_back(ref);
    }
    // The handlers unregister what they held: the records are gone already,
    // so that asks nothing more of the desktop.
    for (const auto ref : gone) refuseLater(ref, why);
}

// ---- The portal's session ---------------------------------------------------------------------

void GlobalShortcutsService::createSession() {
    if (creatingSession_) return;
    creatingSession_ = true;
    const WeakService weak = weak_from_this();
    if (bus_->signalSubscriptions.empty()) {
        const auto subscribe = [&](const char* interface, const char* member, GDBusSignalCallback callback) {
            bus_->signalSubscriptions.push_back(g_dbus_connection_signal_subscribe(
                bus_->connection, portalName, interface, member, nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE, callback,
                new WeakService(weak), dropWeakService));
        };
        subscribe(requestInterface, "Response",
                  [](GDBusConnection*, const gchar*, const gchar* path, const gchar*, const gchar*,
                     GVariant* parameters, gpointer data) {
                      auto self = static_cast<WeakService*>(data)->lock();
                      if (!self || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})"))) return;
                      guint32 code = 0;
                      GVariant* results = nullptr;
                      g_variant_get(parameters, "(u@a{sv})", &code, &results);
                      self->bus_->responded(path, code, results);
                      g_variant_unref(results);
                  });
        // A press and a release: the same arguments, told apart by which
        // signal it is. Signals of sessions not ours are none of ours.
        for (const char* member : {"Activated", "Deactivated"})
            subscribe(shortcutsInterface, member,
                      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
                         GVariant* parameters, gpointer data) {
                          auto self = static_cast<WeakService*>(data)->lock();
                          if (!self || !isForSession(parameters, "(osta{sv})", self->sessionHandle_)) return;
                          const gchar* id = nullptr;
                          g_variant_get_child(parameters, 1, "&s", &id);
                          self->activated(id, std::strcmp(signal, "Activated") == 0);
                      });
        subscribe(shortcutsInterface, "ShortcutsChanged",
                  [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                     gpointer data) {
                      auto self = static_cast<WeakService*>(data)->lock();
                      if (!self || !isForSession(parameters, "(oa(sa{sv}))", self->sessionHandle_)) return;
                      GVariant* list = g_variant_get_child_value(parameters, 1);
                      self->shortcutsChanged(shortcutsOf(list));
                      g_variant_unref(list);
                  });
    }
    const std::string token = bus_->nextToken();
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
    g_variant_builder_add(&options, "{sv}", "session_handle_token", g_variant_new_string(token.c_str()));
    bus_->request(
        "CreateSession", g_variant_new("(a{sv})", &options), token,
        [weak](std::uint32_t code, GVariant* results) {
            auto self = weak.lock();
            if (!self) return;
            // Documented as a string, though it holds an object path.
            const gchar* handle = nullptr;
            if (!g_variant_lookup(results, "session_handle", "&s", &handle))
                g_variant_lookup(results, "session_handle", "&o", &handle);
            self->sessionCreated(code, handle ? handle : "");
        },
        [weak](GError* error) {
            auto self = weak.lock();
            if (!self) return;
            self->creatingSession_ = false;
            self->road_ = Road::undecided;
            self->fallBack("the desktop portal made no shortcut session (" + portalErrorText(error) + ")");
        });
}

void GlobalShortcutsService::sessionCreated(std::uint32_t response, const std::string& handle) {
    creatingSession_ = false;
    if (response != 0 || handle.empty()) {
        // Without a session no shortcut can be bound: the XWayland grabs, and
        // the notice about them, as where there is no portal.
        road_ = Road::undecided;
        fallBack("the desktop portal refused a shortcut session (response " + std::to_string(response) + ")");
        return;
    }
    sessionHandle_ = handle;
    sessionHasBound_ = false;
    const WeakService weak = weak_from_this();
    bus_->sessionClosedSubscription = g_dbus_connection_signal_subscribe(
        bus_->connection, portalName, sessionInterface, "Closed", handle.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*, gpointer data) {
            if (auto self = static_cast<WeakService*>(data)->lock()) self->sessionClosed();
        },
        new WeakService(weak), dropWeakService);
    bind();
}

void GlobalShortcutsService::sessionClosed() {
    portalLog().write(LogLevel::Default, "The desktop portal closed the shortcut session");
    if (bus_->sessionClosedSubscription) {
        g_dbus_connection_signal_unsubscribe(bus_->connection, bus_->sessionClosedSubscription);
        bus_->sessionClosedSubscription = 0;
    }
    sessionHandle_.clear();
    granted_.clear();
    lastAsk_.clear();
    // Its shortcuts went with it.
    std::vector<EventHotKeyRef> withdrawn;
    for (const auto& [ref, record] : records_)
        if (record.state == State::bound) withdrawn.push_back(ref);
    refuse(withdrawn, HotKeyStatus::declined);
}

void GlobalShortcutsService::scheduleBind() {
    if (bindScheduled_) return;
    bindScheduled_ = true;
    // One bind for all the registrations of one round.
    dispatch::Queue::main()->async([weak = WeakService(weak_from_this())] {
        auto self = weak.lock();
        if (!self) return;
        self->bindScheduled_ = false;
        self->bind();
    });
}

void GlobalShortcutsService::bind() {
    if (road_ != Road::portal) return;
    if (sessionHandle_.empty()) {
        if (!records_.empty()) createSession();
        return;
    }
    if (bindInFlight_) {
        bindAgain_ = true;
        return;
    }
    std::vector<EventHotKeyRef> asked;
    for (const auto& [ref, record] : records_) asked.push_back(ref);
    // Nothing held and nothing bound yet: nothing to ask.
    if (asked.empty() && !sessionHasBound_) return;
    Ask ask;
    for (const auto ref : asked) {
        const Record& record = records_.at(ref);
        ask.emplace_back(record.shortcutId,
                         record.label.description.empty() ? record.label.name : record.label.description,
                         preferredTrigger(record.label.qwertyKeyCode, record.modifiers).value_or(""));
    }
    // The same set again (the hotkeys made anew for another keyboard layout,
    // say), all granted last time: the desktop has them already.
    const bool allGranted = std::all_of(ask.begin(), ask.end(), [&](const auto& shortcut) {
        return granted_.count(std::get<0>(shortcut)) > 0;
    });
    Ask sorted = ask;
    std::sort(sorted.begin(), sorted.end());
    if (sessionHasBound_ && sorted == lastAsk_ && allGranted) {
        for (const auto ref : asked) {
            Record& record = records_.at(ref);
            record.state = State::bound;
            record.trigger = granted_.at(record.shortcutId);
        }
        return;
    }
    GVariantBuilder shortcuts;
    g_variant_builder_init(&shortcuts, G_VARIANT_TYPE("a(sa{sv})"));
    for (const auto& [id, description, trigger] : ask) {
        GVariantBuilder properties;
        g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&properties, "{sv}", "description", g_variant_new_string(description.c_str()));
        if (!trigger.empty())
            g_variant_builder_add(&properties, "{sv}", "preferred_trigger", g_variant_new_string(trigger.c_str()));
        g_variant_builder_add(&shortcuts, "(sa{sv})", id.c_str(), &properties);
    }
    const std::string token = bus_->nextToken();
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
    bindInFlight_ = true;
    pendingAsk_ = std::move(sorted);
    const WeakService weak = weak_from_this();
    bus_->request(
        "BindShortcuts",
        g_variant_new("(oa(sa{sv})sa{sv})", sessionHandle_.c_str(), &shortcuts, "", &options), token,
        [weak, asked](std::uint32_t code, GVariant* results) {
            auto self = weak.lock();
            if (!self) return;
            std::map<std::string, std::string> granted;
            if (code == 0) {
                GVariant* list = g_variant_lookup_value(results, "shortcuts", G_VARIANT_TYPE("a(sa{sv})"));
                granted = shortcutsOf(list);
                if (list) g_variant_unref(list);
            }
            self->bound(asked, code, granted);
        },
        [weak, asked](GError* error) {
            auto self = weak.lock();
            if (!self) return;
            portalLog().write(LogLevel::Error, "The desktop portal did not bind the hotkeys: " + portalErrorText(error));
            self->bound(asked, std::nullopt, {});
        });
}

void GlobalShortcutsService::bound(const std::vector<EventHotKeyRef>& asked, std::optional<std::uint32_t> response,
                                   const std::map<std::string, std::string>& granted) {
    bindInFlight_ = false;
    if (!response && sessionHasBound_) {
        // A portal that binds once per session: a session of its own for the
        // new set (a fresh session that fails too refuses them below).
        // The old one goes, and the shortcuts it holds with it.
        bus_->call(sessionInterface, "Close", nullptr, nullptr, [](GVariant*, GError*) {}, sessionHandle_.c_str());
        sessionHandle_.clear();
        if (bus_->sessionClosedSubscription) {
            g_dbus_connection_signal_unsubscribe(bus_->connection, bus_->sessionClosedSubscription);
            bus_->sessionClosedSubscription = 0;
        }
        granted_.clear();
        lastAsk_.clear();
        createSession();
        return;
    }
    if (response) sessionHasBound_ = true;
    lastAsk_ = std::exchange(pendingAsk_, {});
    granted_ = granted;
    if (response && *response != 0)
        portalLog().write(LogLevel::Error, "The desktop did not bind the hotkeys (response " +
                                               std::to_string(*response) + ")");
    std::vector<EventHotKeyRef> refused;
    for (const auto ref : asked) {
        const auto found = records_.find(ref);
        // Unregistered meanwhile.
        if (found == records_.end()) continue;
        Record& record = found->second;
        const auto grant = granted.find(record.shortcutId);
        if (grant == granted.end()) {
            refused.push_back(ref);
            continue;
        }
        record.state = State::bound;
        record.trigger = grant->second;
        portalLog().write(LogLevel::Info, "Hotkey " + record.label.name + " bound by the desktop to " +
                                              (grant->second.empty() ? std::string("a trigger it does not describe")
                                                                     : grant->second));
    }
    refuse(refused, HotKeyStatus::declined);
    if (bindAgain_) {
        bindAgain_ = false;
        bind();
    }
}

void GlobalShortcutsService::activated(const std::string& id, bool pressed) {
    for (const auto& [ref, record] : records_) {
        if (record.shortcutId != id) continue;
        // The portal's time is not the X server's: the window shown in answer
        // asks for the focus with the server's time now.
        deliver(HotKeyEvent{pressed ? HotKeyEvent::kindPressed : HotKeyEvent::kindReleased, record.id, 0});
        return;
    }
}

void GlobalShortcutsService::shortcutsChanged(const std::map<std::string, std::string>& shortcuts) {
    granted_ = shortcuts;
    std::vector<EventHotKeyRef> withdrawn;
    for (auto& [ref, record] : records_) {
        const auto found = shortcuts.find(record.shortcutId);
        if (found != shortcuts.end()) {
            record.state = State::bound;
            if (record.trigger != found->second)
                portalLog().write(LogLevel::Default, "Hotkey " + record.label.name + " moved by the desktop to " +
                                                         found->second);
            record.trigger = found->second;
        } else if (record.state == State::bound) {
            // The user took it back in the desktop's settings.
            withdrawn.push_back(ref);
        }
    }
    refuse(withdrawn, HotKeyStatus::declined);
}

// ---- Start-up ---------------------------------------------------------------------------------

bool installGlobalShortcuts(const std::string& appId) {
    if (!GlobalShortcutsService::sessionIsWayland()) return false;
    GlobalShortcutsService::Options options;
    options.appId = appId;
    options.fallback = HotKeyService::shared();
    HotKeyService::setShared(GlobalShortcutsService::start(std::move(options)));
    return true;
}

}  // namespace platform::portal
