#include "platform/linux/X11HotKeyService.h"

#include "platform/linux/XcbXkb.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/appkit/Event.h"
#include "platform/foundation/FailureHook.h"
#include "platform/linux/XKeyCodes.h"

namespace platform::x11 {
namespace {

// The mask's modifiers as the kit's event flags, which the key-code table
// turns into X modifiers.
constexpr std::pair<std::uint32_t, ModifierFlags> kMaskFlags[] = {
    {carbonmask::cmdKey, modifierflags::command},
    {carbonmask::shiftKey, modifierflags::shift},
    {carbonmask::optionKey, modifierflags::option},
    {carbonmask::controlKey, modifierflags::control},
};

constexpr std::uint16_t kLocks[] = {xkeys::kLockMask, xkeys::kNumLockMask, xkeys::kScrollLockMask};
// What a key event's state may carry besides the grabbed modifiers.
constexpr std::uint16_t kAllLocks = xkeys::kLockMask | xkeys::kNumLockMask | xkeys::kScrollLockMask;
constexpr std::uint16_t kModifierBits = 0xff;

}  // namespace

std::shared_ptr<X11HotKeyService> X11HotKeyService::make(std::shared_ptr<X11Connection> connection,
                                                         std::optional<std::string> limitation) {
    auto service = std::make_shared<X11HotKeyService>(std::move(connection), std::move(limitation));
    const std::weak_ptr<X11HotKeyService> weak = service;
    service->events_ = service->connection_->addEventHandler([weak](const xcb_generic_event_t& event) {
        if (auto self = weak.lock()) self->handleEvent(event);
    });
    return service;
}

X11HotKeyService::X11HotKeyService(std::shared_ptr<X11Connection> connection, std::optional<std::string> limitation)
    : connection_(std::move(connection)), limitation_(std::move(limitation)) {
    // Without this a held key repeats as release and press pairs, which
    // cannot be told from the user pressing it again.
    if (connection_->xkb()) {
        const std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
        auto cookie = xcb_xkb_per_client_flags(connection_->connection(), XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0);
        std::free(xcb_xkb_per_client_flags_reply(connection_->connection(), cookie, nullptr));
        connection_->deliverQueuedEventsSoon();
    }
}

X11HotKeyService::~X11HotKeyService() {
    for (const auto& [ref, grab] : grabs_) ungrab(grab.keycodes, grab.modifiers);
    xcb_flush(connection_->connection());
}

std::uint16_t X11HotKeyService::xModifiersForMask(std::uint32_t modifiers) {
    ModifierFlags flags = 0;
    for (const auto& [bit, flag] : kMaskFlags)
        if (modifiers & bit) flags |= flag;
    return static_cast<std::uint16_t>(xkeys::xStateForModifierFlags(static_cast<std::uint32_t>(flags)));
}

std::vector<std::uint16_t> X11HotKeyService::lockCombinations() {
    std::vector<std::uint16_t> combinations;
    for (unsigned subset = 0; subset < (1u << std::size(kLocks)); ++subset) {
        std::uint16_t mask = 0;
        for (std::size_t i = 0; i < std::size(kLocks); ++i)
            if (subset & (1u << i)) mask |= kLocks[i];
        combinations.push_back(mask);
    }
    return combinations;
}

HotKeyStatus X11HotKeyService::registerEventHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                                   EventHotKeyRef& ref) {
    assertMainThread("X11HotKeyService::registerEventHotKey");
    if (keyCode > 0xffff) return HotKeyStatus::invalid;
    std::vector<xcb_keycode_t> keycodes;
    for (const std::uint32_t x : xkeys::xKeycodesForVirtualKeyCode(static_cast<std::uint16_t>(keyCode)))
        if (x >= connection_->minKeycode() && x <= connection_->maxKeycode())
            keycodes.push_back(static_cast<xcb_keycode_t>(x));
    if (keycodes.empty()) return HotKeyStatus::invalid;
    const std::uint16_t xModifiers = xModifiersForMask(modifiers);
    // The server lets one client grab a key twice; the service does not.
    for (const auto& [held, grab] : grabs_)
        if (grab.modifiers == xModifiers &&
            std::find_first_of(grab.keycodes.begin(), grab.keycodes.end(), keycodes.begin(), keycodes.end()) !=
                grab.keycodes.end())
            return HotKeyStatus::refused;

    xcb_connection_t* c = connection_->connection();
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t keycode : keycodes)
        for (const std::uint16_t locks : lockCombinations())
            cookies.push_back(xcb_grab_key_checked(c, 1, connection_->root(), xModifiers | locks, keycode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    HotKeyStatus status = HotKeyStatus::noErr;
    for (const auto& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            if (status == HotKeyStatus::noErr)
                status = error->error_code == XCB_ACCESS ? HotKeyStatus::refused : HotKeyStatus::invalid;
            std::free(error);
        }
    }
    connection_->deliverQueuedEventsSoon();
    if (status != HotKeyStatus::noErr) {
        // Only our own grabs go: the other client keeps its own.
        ungrab(keycodes, xModifiers);
        xcb_flush(c);
        return status;
    }
    ref = nextRef_++;
    grabs_[ref] = Grab{std::move(keycodes), xModifiers, id};
    return HotKeyStatus::noErr;
}

HotKeyStatus X11HotKeyService::unregisterEventHotKey(EventHotKeyRef ref) {
    assertMainThread("X11HotKeyService::unregisterEventHotKey");
    const auto found = grabs_.find(ref);
    if (found == grabs_.end()) return HotKeyStatus::invalid;
    ungrab(found->second.keycodes, found->second.modifiers);
    for (const xcb_keycode_t keycode : found->second.keycodes) held_.erase(keycode);
    grabs_.erase(found);
    xcb_flush(connection_->connection());
    return HotKeyStatus::noErr;
}

void X11HotKeyService::ungrab(const std::vector<xcb_keycode_t>& keycodes, std::uint16_t modifiers) {
    for (const xcb_keycode_t keycode : keycodes)
        for (const std::uint16_t locks : lockCombinations())
            xcb_ungrab_key(connection_->connection(), keycode, connection_->root(), modifiers | locks);
}

void X11HotKeyService::handleEvent(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return;
    const auto& key = reinterpret_cast<const xcb_key_press_event_t&>(event);
    if (type == XCB_KEY_RELEASE) {
        held_.erase(key.detail);
        return;
    }
    const std::uint16_t modifiers = key.state & kModifierBits & ~kAllLocks;
    for (const auto& [ref, grab] : grabs_) {
        if (grab.modifiers != modifiers) continue;
        if (std::find(grab.keycodes.begin(), grab.keycodes.end(), key.detail) == grab.keycodes.end()) continue;
        if (!held_.insert(key.detail).second) return;  // auto-repeat
        deliver(HotKeyEvent{HotKeyEvent::kindPressed, grab.id, key.time});
        return;
    }
}

}  // namespace platform::x11
