#include "platform/linux/XkbInputSources.h"

#include "platform/linux/XcbXkb.h"
#include <xkbcommon/xkbcommon-x11.h>

#include <array>
#include <cstdlib>
#include <sstream>

#include "platform/dispatch/Dispatch.h"
#include "platform/linux/XKeyCodes.h"

namespace platform::x11 {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

// Whether the source types the Latin alphabet: its key A types an ASCII letter.
bool typesLatinLetters(const KeyLayout& layout) {
    const auto a = layout.translate(0, 0);
    return a && a->size() == 1 && (*a)[0] >= 'a' && (*a)[0] <= 'z';
}

// The first keycode that types `keysym` in the state.
std::optional<xkb_keycode_t> keycodeTyping(xkb_keymap* keymap, xkb_state* state, xkb_keysym_t keysym) {
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(keymap); keycode <= xkb_keymap_max_keycode(keymap); ++keycode)
        if (xkb_state_key_get_one_sym(state, keycode) == keysym) return keycode;
    return std::nullopt;
}

}  // namespace

std::shared_ptr<XkbInputSourceService> XkbInputSourceService::make(std::shared_ptr<X11Connection> connection) {
    const auto& xkb = connection->xkb();
    if (!xkb) return nullptr;
    auto service = std::make_shared<XkbInputSourceService>(Private{}, connection, xkb->coreKeyboard);
    if (!service->context_ || !service->readKeymap()) return nullptr;

    xcb_connection_t* c = connection->connection();
    const std::uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                 XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    const std::uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                   XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_KEY_ACTIONS |
                                   XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    const std::uint16_t groupParts =
        XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK |
        XCB_XKB_STATE_PART_GROUP_STATE;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = groupParts;
    details.stateDetails = groupParts;
    xcb_xkb_select_events_aux(c, static_cast<xcb_xkb_device_spec_t>(xkb->coreKeyboard), events, 0, 0, mapParts,
                              mapParts, &details);
    // setxkbmap names the layouts on the root window after it loads them.
    const std::uint32_t rootEvents = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, connection->root(), XCB_CW_EVENT_MASK, &rootEvents);
    xcb_flush(c);

    const std::weak_ptr<XkbInputSourceService> weak = service;
    service->events_ = connection->addEventHandler([weak](const xcb_generic_event_t& event) {
        if (auto self = weak.lock()) self->handleEvent(event);
    });
    return service;
}

XkbInputSourceService::XkbInputSourceService(Private, std::shared_ptr<X11Connection> connection, std::int32_t device)
    : connection_(std::move(connection)), device_(device), context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

XkbInputSourceService::~XkbInputSourceService() {
    if (context_) xkb_context_unref(context_);
}

InputSourceRef XkbInputSourceService::currentKeyboardLayoutInputSource() const {
    if (currentGroup_ < sources_.size()) return sources_[currentGroup_];
    return unitedStatesSource();
}

InputSourceRef XkbInputSourceService::currentASCIICapableKeyboardInputSource() const {
    auto current = currentKeyboardLayoutInputSource();
    if (current->isASCIICapable.value_or(false)) return current;
    for (const auto& source : sources_)
        if (source->isASCIICapable.value_or(false)) return source;
    return current;
}

std::vector<std::string> XkbInputSourceService::rulesNames() {
    xcb_connection_t* c = connection_->connection();
    if (rulesNamesAtom_ == XCB_ATOM_NONE) rulesNamesAtom_ = connection_->atom("_XKB_RULES_NAMES");
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, connection_->root(), rulesNamesAtom_, XCB_ATOM_STRING, 0, 1024), nullptr);
    connection_->deliverQueuedEventsSoon();
    if (!reply) return {};
    // Rules, model, layouts, variants and options, each ended by a zero byte.
    const std::string value(static_cast<const char*>(xcb_get_property_value(reply)),
                            static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return split(value, '\0');
}

bool XkbInputSourceService::readKeymap() {
    xcb_connection_t* c = connection_->connection();
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context_, c, device_, XKB_KEYMAP_COMPILE_NO_FLAGS);
    connection_->deliverQueuedEventsSoon();
    if (!keymap) return false;
    xkb_state* state = xkb_x11_state_new_from_device(keymap, c, device_);
    const xkb_layout_index_t effective = state ? xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    if (state) xkb_state_unref(state);

    const auto names = rulesNames();
    const auto layouts = split(names.size() > 2 ? names[2] : std::string(), ',');
    const auto variants = split(names.size() > 3 ? names[3] : std::string(), ',');
    std::vector<InputSourceRef> sources;
    const xkb_layout_index_t count = xkb_keymap_num_layouts(keymap);
    for (xkb_layout_index_t group = 0; group < count; ++group) {
        InputSourceProperties p;
        const char* groupName = xkb_keymap_layout_get_name(keymap, group);
        if (group < layouts.size() && !layouts[group].empty()) p.inputSourceID = layouts[group];
        else p.inputSourceID = groupName ? groupName : "group" + std::to_string(group + 1);
        if (group < variants.size() && !variants[group].empty()) p.inputModeID = variants[group];
        if (groupName) p.localizedName = groupName;
        p.keyLayoutData = keyLayout(keymap, group);
        p.isASCIICapable = typesLatinLetters(*p.keyLayoutData);
        p.isEnableCapable = true;
        p.isSelectCapable = true;
        p.isEnabled = true;
        p.isSelected = group == effective;
        sources.push_back(std::make_shared<const InputSourceProperties>(std::move(p)));
    }
    xkb_keymap_unref(keymap);
    sources_ = std::move(sources);
    currentGroup_ = effective < sources_.size() ? effective : 0;
    return true;
}

std::shared_ptr<const KeyLayout> XkbInputSourceService::keyLayout(xkb_keymap* keymap, xkb_layout_index_t group) {
    // Keypad keys type digits only with Num Lock on.
    const xkb_mod_index_t numLock = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_NUM);
    const xkb_mod_mask_t locked = numLock == XKB_MOD_INVALID ? 0 : (1u << numLock);
    // One state per combination of shift and option (the third level), made
    // by pressing the keys that type them, so whatever the keymap binds to
    // them counts.
    std::array<xkb_state*, 4> states{};
    for (auto& state : states) {
        state = xkb_state_new(keymap);
        xkb_state_update_mask(state, 0, 0, locked, 0, 0, group);
    }
    const auto shiftKey = keycodeTyping(keymap, states[0], XKB_KEY_Shift_L);
    const auto level3Key = keycodeTyping(keymap, states[0], XKB_KEY_ISO_Level3_Shift);
    for (std::size_t s = 0; s < states.size(); ++s) {
        if ((s & 1) && shiftKey) xkb_state_update_key(states[s], *shiftKey, XKB_KEY_DOWN);
        if ((s & 2) && level3Key) xkb_state_update_key(states[s], *level3Key, XKB_KEY_DOWN);
    }

    KeyLayout::Rows rows;
    for (std::uint16_t code = 0; code < KeyLayout::keyCodeCount; ++code) {
        const auto xKeycode = xkeys::xKeycodeForVirtualKeyCode(code);
        if (!xKeycode || *xKeycode < xkb_keymap_min_keycode(keymap) || *xKeycode > xkb_keymap_max_keycode(keymap))
            continue;  // no key here: the translation fails
        for (std::size_t s = 0; s < states.size(); ++s) {
            const xkb_keysym_t keysym = xkb_state_key_get_one_sym(states[s], *xKeycode);
            std::string text = spacingCharacterOfDeadKey(keysym);
            if (text.empty()) {
                char buffer[64];
                const int length = xkb_state_key_get_utf8(states[s], *xKeycode, buffer, sizeof buffer);
                if (length > 0) text.assign(buffer, static_cast<std::size_t>(std::min<int>(length, sizeof buffer - 1)));
            }
            rows[code][s] = std::move(text);
        }
    }
    for (auto* state : states) xkb_state_unref(state);
    return std::make_shared<const KeyLayout>(std::move(rows));
}

std::string XkbInputSourceService::spacingCharacterOfDeadKey(xkb_keysym_t keysym) {
    switch (keysym) {
    case XKB_KEY_dead_grave: return "`";
    case XKB_KEY_dead_acute: return "\u00B4";
    case XKB_KEY_dead_circumflex: return "^";
    case XKB_KEY_dead_tilde: return "~";
    case XKB_KEY_dead_macron: return "\u00AF";
    case XKB_KEY_dead_breve: return "\u02D8";
    case XKB_KEY_dead_abovedot: return "\u02D9";
    case XKB_KEY_dead_diaeresis: return "\u00A8";
    case XKB_KEY_dead_abovering: return "\u02DA";
    case XKB_KEY_dead_doubleacute: return "\u02DD";
    case XKB_KEY_dead_caron: return "\u02C7";
    case XKB_KEY_dead_cedilla: return "\u00B8";
    case XKB_KEY_dead_ogonek: return "\u02DB";
    case XKB_KEY_dead_iota: return "\u037A";
    case XKB_KEY_dead_voiced_sound: return "\u309B";
    case XKB_KEY_dead_semivoiced_sound: return "\u309C";
    default: return {};
    }
}

void XkbInputSourceService::reloadSoon() {
    // One new keymap brings several events; read it once.
    if (reloadPending_) return;
    reloadPending_ = true;
    dispatch::Queue::main()->async([weak = weak_from_this()] {
        if (auto self = weak.lock()) self->reload();
    });
}

void XkbInputSourceService::reload() {
    reloadPending_ = false;
    const auto before = sources_;
    const auto currentBefore = currentKeyboardLayoutInputSource();
    if (!readKeymap()) return;
    const auto sameSource = [](const InputSourceRef& a, const InputSourceRef& b) {
        return a->inputSourceID == b->inputSourceID && a->inputModeID == b->inputModeID &&
               *a->keyLayoutData == *b->keyLayoutData;
    };
    bool same = before.size() == sources_.size();
    for (std::size_t i = 0; same && i < before.size(); ++i) same = sameSource(before[i], sources_[i]);
    if (!same) postEnabledChanged();
    const auto current = currentKeyboardLayoutInputSource();
    if (current->inputSourceID != currentBefore->inputSourceID ||
        current->inputModeID != currentBefore->inputModeID)
        postSelectedChanged();
}

void XkbInputSourceService::handleEvent(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7f;
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto& property = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (property.window == connection_->root() && property.atom == rulesNamesAtom_)
            reloadSoon();
        return;
    }
    const auto& xkb = connection_->xkb();
    if (!xkb || type != xkb->firstEvent) return;
    // The keyboard extension's events carry their kind and device first.
    struct Header {
        std::uint8_t responseType;
        std::uint8_t xkbType;
        std::uint16_t sequence;
        xcb_timestamp_t time;
        std::uint8_t deviceID;
    };
    const auto& header = reinterpret_cast<const Header&>(event);
    if (header.deviceID != static_cast<std::uint8_t>(device_)) return;
    switch (header.xkbType) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
    case XCB_XKB_MAP_NOTIFY: reloadSoon(); break;
    case XCB_XKB_STATE_NOTIFY: {
        const auto& state = reinterpret_cast<const xcb_xkb_state_notify_event_t&>(event);
        if (state.group == currentGroup_ || state.group >= sources_.size()) break;
        currentGroup_ = state.group;
        postSelectedChanged();
        break;
    }
    default: break;
    }
}

}  // namespace platform::x11
