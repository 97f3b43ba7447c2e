#include "platform/carbon/HotKeyService.h"

#include <algorithm>

#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {
struct InstalledHotKeyServiceTag {};
using InstalledHotKeyService = ResettableValue<InstalledHotKeyServiceTag, std::shared_ptr<HotKeyService>>;
}  // namespace

std::uint32_t osTypeFromString(std::string_view text) {
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < 4; ++i)
        code = (code << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
    return code;
}

std::shared_ptr<HotKeyService> HotKeyService::shared() {
    if (auto installed = InstalledHotKeyService::get()) return installed;
    return singleInstance<HeadlessHotKeyService>([] { return std::make_shared<HeadlessHotKeyService>(); });
}

void HotKeyService::setShared(std::shared_ptr<HotKeyService> service) { InstalledHotKeyService::set(std::move(service)); }

void HotKeyService::deliver(const HotKeyEvent& event) {
    assertMainThread("HotKeyService::deliver");
    handlers_.forEach([&](const Handler& handler) { handler(event); });
}

void HotKeyService::refuseLater(EventHotKeyRef ref, HotKeyStatus why) {
    assertMainThread("HotKeyService::refuseLater");
    refusalHandlers_.forEach([&](const RefusalHandler& handler) { handler(ref, why); });
}

void HotKeyService::limitationChanged() {
    assertMainThread("HotKeyService::limitationChanged");
    limitationHandlers_.forEach([](const LimitationHandler& handler) { handler(); });
}

HotKeyStatus HeadlessHotKeyService::registerEventHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                        EventHotKeyID id, EventHotKeyRef& ref) {
    assertMainThread("HotKeyService::registerEventHotKey");
    ++registerCalls_;
    if (unavailableReason_) return HotKeyStatus::unavailable;
    const auto combination = std::make_pair(keyCode, modifiers);
    if (std::find(heldElsewhere_.begin(), heldElsewhere_.end(), combination) != heldElsewhere_.end())
        return HotKeyStatus::refused;
    // One program cannot hold a combination twice either.
    for (const auto& [handle, registration] : registrations_)
        if (registration.keyCode == keyCode && registration.modifiers == modifiers) return HotKeyStatus::refused;
    ref = nextRef_++;
    registrations_[ref] = Registration{keyCode, modifiers, id};
    return HotKeyStatus::noErr;
}

HotKeyStatus HeadlessHotKeyService::unregisterEventHotKey(EventHotKeyRef ref) {
    assertMainThread("HotKeyService::unregisterEventHotKey");
    return registrations_.erase(ref) ? HotKeyStatus::noErr : HotKeyStatus::invalid;
}

void HeadlessHotKeyService::holdElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) {
    heldElsewhere_.emplace_back(keyCode, modifiers);
}

void HeadlessHotKeyService::releaseElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) {
    std::erase(heldElsewhere_, std::make_pair(keyCode, modifiers));
}

bool HeadlessHotKeyService::press(std::uint32_t keyCode, std::uint32_t modifiers, std::uint32_t windowServerTime) {
    // The handlers may change the registrations: find first, deliver after.
    std::optional<EventHotKeyID> matched;
    for (const auto& [handle, registration] : registrations_)
        if (registration.keyCode == keyCode && registration.modifiers == modifiers) matched = registration.id;
    if (!matched) return false;
    deliver(HotKeyEvent{HotKeyEvent::kindPressed, *matched, windowServerTime});
    return true;
}

}  // namespace platform
