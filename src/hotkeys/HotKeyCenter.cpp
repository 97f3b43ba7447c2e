#include "hotkeys/HotKeyCenter.h"

#include <limits>

#include "hotkeys/HotkeyConstants.h"
#include "hotkeys/KeyTranslating.h"
#include "platform/appkit/Application.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SingleInstance.h"
#include "store/Logging.h"

namespace frelt {

// ---- HotKey -----------------------------------------------------------------------------------

HotKey::Ptr HotKey::make(std::string identifier, KeyCombo::Ptr keyCombo, std::shared_ptr<platform::Object> target,
                         platform::Selector action, ActionQueue actionQueue) {
    if (!keyCombo) return nullptr;
    return std::make_shared<HotKey>(Private{}, std::move(identifier), std::move(keyCombo), nullptr, std::move(target),
                                    std::move(action), actionQueue);
}

HotKey::Ptr HotKey::make(std::string identifier, KeyCombo::Ptr keyCombo, ActionQueue actionQueue, Callback handler) {
    if (!keyCombo) return nullptr;
    return std::make_shared<HotKey>(Private{}, std::move(identifier), std::move(keyCombo), std::move(handler), nullptr,
                                    std::nullopt, actionQueue);
}

HotKey::HotKey(Private, std::string identifier, KeyCombo::Ptr keyCombo, Callback callback,
               std::shared_ptr<platform::Object> target, std::optional<platform::Selector> action,
               ActionQueue actionQueue)
    : identifier_(std::move(identifier)),
      keyCombo_(std::move(keyCombo)),
      callback_(std::move(callback)),
      target_(std::move(target)),
      action_(std::move(action)),
      actionQueue_(actionQueue) {}

void HotKey::setPaused(bool paused) {
    if (paused == isPaused_) return;
    isPaused_ = paused;
    if (paused) unregisterHotKey();
    else registerHotKey();
}

bool HotKey::registerHotKey() { return HotKeyCenter::shared()->registerHotKey(sharedAs<HotKey>()); }

void HotKey::unregisterHotKey() { HotKeyCenter::shared()->unregisterHotKey(sharedAs<HotKey>()); }

bool HotKey::isEqual(const HotKey& other) const {
    return typeid(*this) == typeid(other) && identifier_ == other.identifier_ &&
           keyCombo_->isEqual(*other.keyCombo_) && hotKeyId_ == other.hotKeyId_ && hotKeyRef_ == other.hotKeyRef_;
}

void HotKey::invoke() {
    const std::weak_ptr<HotKey> weak = sharedAs<HotKey>();
    if (callback_) {
        if (actionQueue_ == ActionQueue::session) {
            callback_(sharedAs<HotKey>());
            return;
        }
        platform::dispatch::Queue::main()->async([weak] {
            if (auto hotKey = weak.lock()) hotKey->callback_(hotKey);
        });
        return;
    }
    if (!target_ || !action_ || !target_->respondsToAction(*action_)) return;
    auto send = [weak] {
        if (auto hotKey = weak.lock()) hotKey->target_->performAction(*hotKey->action_, hotKey);
    };
    if (actionQueue_ == ActionQueue::session) send();
    else platform::dispatch::Queue::main()->async(send);
}

// ---- HotKeyCenter -----------------------------------------------------------------------------

namespace {

// What a category's hotkey shows, after the identifier's last part.
std::string categoryShown(const std::string& identifier) {
    static const std::map<std::string, std::string> shown{
        {"allFolders", "all folders"},
        {"allFiles", "all files"},
        {"allFavorites", "the favourites"},
        {"allURLs", "all links"},
        {"lastUsedApplications", "the recently used applications"},
        {"openApplications", "the running applications"},
        {"shortcuts", "the shortcuts"},
    };
    const auto at = identifier.rfind(" :: ");
    const auto found = at == std::string::npos ? shown.end() : shown.find(identifier.substr(at + 4));
    return found == shown.end() ? identifier : found->second;
}

}  // namespace

platform::HotKeyLabel HotKeyCenter::labelOf(const HotKey& hotKey) {
    platform::HotKeyLabel label;
    label.name = hotKey.identifier();
    label.qwertyKeyCode = QWERTYKeyCode(hotKey.keyCombo()->key());
    const std::string referenced = hotKey.hotkeyReferencedPath.value_or("");
    switch (hotKey.hotkeyType.value_or(HotKeyType::userDefinedKey)) {
    case HotKeyType::globalHotKey: label.description = "Show or hide the Frelt window"; break;
    case HotKeyType::userDefinedKey: {
        // The entry's file name, as the user knows it.
        std::string name = referenced;
        while (name.size() > 1 && name.back() == '/') name.pop_back();
        if (const auto slash = name.rfind('/'); slash != std::string::npos && slash + 1 < name.size())
            name = name.substr(slash + 1);
        label.description = "Open " + (name.empty() ? hotKey.identifier() : name);
        break;
    }
    case HotKeyType::tagKey: label.description = "Show the tag " + referenced + " in Frelt"; break;
    case HotKeyType::tagKeyLaunchAll: label.description = "Open every entry of the tag " + referenced; break;
    case HotKeyType::categoryKey: label.description = "Show " + categoryShown(hotKey.identifier()) + " in Frelt"; break;
    }
    return label;
}


std::shared_ptr<HotKeyCenter> HotKeyCenter::shared() {
    return platform::singleInstance<HotKeyCenter>([] {
        auto center = std::make_shared<HotKeyCenter>(Private{});
        center->setUp();
        return center;
    });
}

HotKeyCenter::HotKeyCenter(Private)
    : modifierEventHandler_(platform::dispatch::seconds(doubleTapInterval), platform::dispatch::Queue::main()),
      service_(platform::HotKeyService::shared()) {}

void HotKeyCenter::setUp() {
    const std::weak_ptr<HotKeyCenter> weak = weak_from_this();
    observations_.push_back(service_->installEventHandler([weak](const platform::HotKeyEvent& event) {
        if (auto center = weak.lock()) center->sendCarbonEvent(event);
    }));
    observations_.push_back(
        service_->installRefusalHandler([weak](platform::EventHotKeyRef ref, platform::HotKeyStatus why) {
            if (auto center = weak.lock()) center->serviceRefused(ref, why);
        }));
    observeModifierEvents();
    observations_.push_back(platform::NotificationCenter::defaultCenter().observe(
        platform::applicationnotification::willTerminate, nullptr, [weak](const platform::Notification&) {
            if (auto center = weak.lock()) center->applicationWillTerminate();
        }));
    // A grab is on a key code: after a switch of layout (or group) the same
    // combination is typed on another key.
    observations_.push_back(platform::NotificationCenter::defaultCenter().observe(
        HotkeyNotifications::keyTranslatorSelectedKeyboardKeyCodesChanged, nullptr,
        [weak](const platform::Notification&) {
            platform::dispatch::Queue::main()->async([weak] {
                if (auto center = weak.lock()) center->keyCodesChanged();
            });
        }));
}

void HotKeyCenter::serviceRefused(platform::EventHotKeyRef ref, platform::HotKeyStatus why) {
    platform::assertMainThread("HotKeyCenter::serviceRefused");
    HotKey::Ptr refused;
    for (const auto& [identifier, held] : hotKeys_)
        if (held->hotKeyRef_ == ref) refused = held;
    if (!refused) return;
    // Handled as a refusal at registration: the hotkey is no longer held, and
    // whoever registers hotkeys is told.
    unregisterHotKey(refused);
    if (refusalHandler_) refusalHandler_(refused, why);
}

void HotKeyCenter::keyCodesChanged() {
    platform::assertMainThread("HotKeyCenter::keyCodesChanged");
    std::vector<HotKey::Ptr> grabbed;
    for (const auto& [identifier, held] : hotKeys_)
        if (held->hotKeyRef_) grabbed.push_back(held);
    // All released first, so that two combinations whose keys trade places
    // do not refuse each other.
    for (const auto& hotKey : grabbed) {
        service_->unregisterEventHotKey(*hotKey->hotKeyRef_);
        hotKey->hotKeyRef_.reset();
    }
    for (const auto& hotKey : grabbed) {
        const KeyCombo& combo = *hotKey->keyCombo();
        const platform::EventHotKeyID id{platform::osTypeFromString(signature), *hotKey->hotKeyId_};
        const std::uint16_t keyCode =
            KeyTranslating::shared()->keyCode(combo.key()).value_or(QWERTYKeyCode(combo.key()));
        platform::EventHotKeyRef ref = 0;
        const auto status = service_->registerLabelledHotKey(keyCode, static_cast<std::uint32_t>(combo.modifiers()),
                                                             id, ref, labelOf(*hotKey));
        if (status == platform::HotKeyStatus::noErr) {
            hotKey->hotKeyRef_ = ref;
            continue;
        }
        unregisterHotKey(hotKey);
        if (refusalHandler_) refusalHandler_(hotKey, status);
    }
    log(LogCategory::hotkeys, LogLevel::Default, "Hotkeys grabbed again for the keyboard layout: %{public}@",
        std::to_string(grabbed.size()));
}

void HotKeyCenter::observeModifierEvents() {
    const std::weak_ptr<HotKeyCenter> weak = weak_from_this();
    const auto app = platform::Application::shared();
    observations_.push_back(app->addGlobalMonitorForEventsMatchingMask(
        platform::eventmask::flagsChanged, [weak](const platform::Event& event) {
            if (auto center = weak.lock()) center->handleFlagsChanged(event);
        }));
    observations_.push_back(app->addLocalMonitorForEventsMatchingMask(
        platform::eventmask::flagsChanged, [weak](const platform::EventPtr& event) {
            if (auto center = weak.lock(); center && event) center->handleFlagsChanged(*event);
            return event;
        }));
    modifierEventHandler_.setDoubleTapped([weak](ModifierFlags modifier) {
        if (auto center = weak.lock()) center->modifierEventHandlerDoubleTapped(modifier);
    });
}

void HotKeyCenter::handleFlagsChanged(const platform::Event& event) {
    // One key press can reach both monitors; it carries the same window
    // system time on both ways, where the kit's own times may differ.
    const double stamp = event.windowServerTime ? event.windowServerTime / 1000.0 : event.timestamp;
    const auto& last = modifierEventHandler_.lastHandledEventTimestamp();
    if (last && *last == stamp) return;
    modifierEventHandler_.setLastHandledEventTimestamp(stamp);
    flagsEventTime_ = event.windowServerTime;
    modifierEventHandler_.handleModifiersEvent(event.modifierFlags);
}

HotKey::Ptr HotKeyCenter::heldWithEqualCombination(const KeyCombo& keyCombo) const {
    for (const auto& [identifier, held] : hotKeys_)
        if (held->keyCombo()->isEqual(keyCombo)) return held;
    return nullptr;
}

HotKeyCenter::Registration HotKeyCenter::tryRegister(const HotKey::Ptr& hotKey) {
    platform::assertMainThread("HotKeyCenter::register");
    if (!hotKey) return Registration::invalidModifiers;
    if (hotKeys_.count(hotKey->identifier())) return Registration::identifierTaken;
    const KeyCombo& combo = *hotKey->keyCombo();
    if (heldWithEqualCombination(combo)) return Registration::keyComboTaken;
    // A stored mask is taken as it is; one the service cannot take is
    // refused before anything changes.
    if (combo.modifiers() < 0 || combo.modifiers() > std::numeric_limits<std::uint32_t>::max())
        return Registration::invalidModifiers;
    hotKeys_[hotKey->identifier()] = hotKey;
    if (combo.doubledModifiers()) return Registration::registered;

    const platform::EventHotKeyID id{platform::osTypeFromString(signature), hotKeyCount_};
    const std::uint16_t keyCode = KeyTranslating::shared()->keyCode(combo.key()).value_or(QWERTYKeyCode(combo.key()));
    platform::EventHotKeyRef ref = 0;
    const auto status = service_->registerLabelledHotKey(keyCode, static_cast<std::uint32_t>(combo.modifiers()), id,
                                                         ref, labelOf(*hotKey));
    if (status != platform::HotKeyStatus::noErr) {
        unregisterHotKey(hotKey);
        if (refusalHandler_) refusalHandler_(hotKey, status);
        return Registration::refusedByService;
    }
    hotKey->hotKeyId_ = id.id;
    hotKey->hotKeyRef_ = ref;
    ++hotKeyCount_;
    return Registration::registered;
}

void HotKeyCenter::unregisterHotKey(const HotKey::Ptr& hotKey) {
    platform::assertMainThread("HotKeyCenter::unregister");
    if (!hotKey) return;
    if (hotKey->hotKeyRef_) service_->unregisterEventHotKey(*hotKey->hotKeyRef_);
    const auto held = hotKeys_.find(hotKey->identifier());
    if (held != hotKeys_.end() && held->second == hotKey) hotKeys_.erase(held);
    hotKey->hotKeyId_.reset();
    hotKey->hotKeyRef_.reset();
}

bool HotKeyCenter::unregisterHotKey(const std::string& identifier) {
    const auto held = hotKeys_.find(identifier);
    if (held == hotKeys_.end()) return false;
    const HotKey::Ptr hotKey = held->second;
    unregisterHotKey(hotKey);
    return true;
}

void HotKeyCenter::unregisterHotKeys(std::optional<HotKeyType> type) {
    if (!type) return;
    for (;;) {
        HotKey::Ptr found;
        for (const auto& [identifier, held] : hotKeys_)
            if (held->hotkeyType == type) {
                found = held;
                break;
            }
        if (!found) return;
        unregisterHotKey(found);
    }
}

void HotKeyCenter::unregisterAll() {
    const auto held = std::exchange(hotKeys_, {});
    for (const auto& [identifier, hotKey] : held) {
        if (hotKey->hotKeyRef_) service_->unregisterEventHotKey(*hotKey->hotKeyRef_);
        hotKey->hotKeyId_.reset();
        hotKey->hotKeyRef_.reset();
    }
}

bool HotKeyCenter::isRegistered(const KeyCombo& keyCombo) const { return heldWithEqualCombination(keyCombo) != nullptr; }

bool HotKeyCenter::updateReferencedPath(const KeyCombo& keyCombo, const std::string& path) {
    const auto held = heldWithEqualCombination(keyCombo);
    if (!held) return false;
    held->hotkeyReferencedPath = path;
    log(LogCategory::hotkeys, LogLevel::Default, "HotkeyReferencePath changed to: %{public}@", path);
    return true;
}

void HotKeyCenter::sendCarbonEvent(const platform::HotKeyEvent& event) {
    if (event.kind != platform::HotKeyEvent::kindPressed) return;
    HotKey::Ptr found;
    for (const auto& [identifier, held] : hotKeys_)
        if (held->hotKeyId_ && *held->hotKeyId_ == event.hotKeyID.id) {
            found = held;
            break;
        }
    if (!found) return;
    found->windowServerTime_ = event.windowServerTime;
    found->invoke();
}

void HotKeyCenter::modifierEventHandlerDoubleTapped(ModifierFlags modifier) {
    const std::int64_t mask = modifierflags::carbonModifiers(modifier, false);
    std::vector<HotKey::Ptr> tapped;
    for (const auto& [identifier, held] : hotKeys_)
        if (held->keyCombo()->doubledModifiers() && held->keyCombo()->modifiers() == mask) tapped.push_back(held);
    for (const auto& hotKey : tapped) {
        hotKey->windowServerTime_ = flagsEventTime_;
        hotKey->invoke();
    }
}

}  // namespace frelt
