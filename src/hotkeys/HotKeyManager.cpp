#include "hotkeys/HotKeyManager.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "hotkeys/HotKeyActions.h"
#include "hotkeys/KeyboardLayout.h"
#include "platform/appkit/Application.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "store/ChangeNotifications.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

std::string typeText(std::optional<HotKeyType> type) { return type ? rawValue(*type) : "no keyType"; }

}  // namespace

std::shared_ptr<HotKeyManager> HotKeyManager::shared() {
    return platform::singleInstance<HotKeyManager>([] {
        auto manager = std::make_shared<HotKeyManager>(Private{});
        manager->setUp();
        return manager;
    });
}

HotKeyManager::HotKeyManager(Private) {}

void HotKeyManager::setUp() {
    // The keyboard layout reads the desktop's sources, which change on the
    // main thread: make it here, at launch, before another thread asks.
    KeyTranslator::shared();
    const std::weak_ptr<HotKeyManager> weak = weak_from_this();
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const char* name :
         {Notifications::tableViewItemChanged, Notifications::iconTagChanged, Notifications::validateTagHotkeyNeeded})
        observations_.push_back(center.observe(name, nullptr, [weak](const platform::Notification& notification) {
            if (auto manager = weak.lock()) manager->itemChangedWithSender(notification);
        }));
    HotKeyCenter::shared()->setRefusalHandler([weak](const HotKey::Ptr& hotKey, platform::HotKeyStatus why) {
        if (auto manager = weak.lock()) manager->hotKeyRefused(hotKey, why);
    });
    // A service may find out only later what the desktop offers (the
    // shortcut portal answers asynchronously).
    observations_.push_back(platform::HotKeyService::shared()->observeLimitation([weak] {
        if (auto manager = weak.lock()) manager->tellServiceLimitation();
    }));
    tellServiceLimitation();
}

void HotKeyManager::hotKeyRefused(const HotKey::Ptr& hotKey, platform::HotKeyStatus why) {
    const std::string combination = hotKey->keyCombo()->displayString();
    const char* reason = why == platform::HotKeyStatus::refused       ? "another program holds it"
                         : why == platform::HotKeyStatus::unavailable ? "the desktop offers no global hotkeys"
                         : why == platform::HotKeyStatus::declined    ? "the desktop did not grant it"
                                                                       : "its key is not on this keyboard";
    // Said whatever the debug-logging setting: it is why a hotkey does nothing.
    logging::logObject(LogCategory::hotkeys)
        .write(LogLevel::Error, "Hotkey " + combination + " (" + hotKey->identifier() + ") not registered: " + reason);
    if (hotKey->hotkeyType &&
        std::find(refusedKinds_.begin(), refusedKinds_.end(), *hotKey->hotkeyType) == refusedKinds_.end())
        refusedKinds_.push_back(*hotKey->hotkeyType);
    if (std::find(refusedCombinations_.begin(), refusedCombinations_.end(), combination) == refusedCombinations_.end())
        refusedCombinations_.push_back(combination);
    // A desktop without global hotkeys is told once by tellServiceLimitation.
    if (why != platform::HotKeyStatus::refused && why != platform::HotKeyStatus::declined) return;
    if (std::find(told_.begin(), told_.end(), combination) != told_.end()) return;
    auto& untold = why == platform::HotKeyStatus::declined ? untoldDeclined_ : untold_;
    if (std::find(untold.begin(), untold.end(), combination) == untold.end()) untold.push_back(combination);
    if (tellingScheduled_) return;
    // One notice for all refusals of one registration round.
    tellingScheduled_ = true;
    platform::dispatch::Queue::main()->async([weak = std::weak_ptr<HotKeyManager>(shared_from_this())] {
        if (auto manager = weak.lock()) manager->tellRefusals();
    });
}

void HotKeyManager::tellRefusals() {
    tellingScheduled_ = false;
    const auto listed = [](const std::vector<std::string>& combinations) {
        std::string list;
        for (const auto& c : combinations) list += (list.empty() ? "" : ", ") + c;
        return list;
    };
    if (const auto combinations = std::exchange(untold_, {}); !combinations.empty()) {
        told_.insert(told_.end(), combinations.begin(), combinations.end());
        const std::string list = listed(combinations);
        const bool one = combinations.size() == 1;
        showAlert(one ? "Another program holds the hotkey " + list : "Other programs hold the hotkeys " + list,
                  std::string(one ? "It does" : "They do") +
                      " nothing in Frelt while the other program holds " + (one ? "it" : "them") +
                      ". Frelt tries again when the settings window or the hotkey overview opens, and at its next "
                      "start; or choose another combination.");
    }
    // The desktop's shortcut service did not grant them, or the user took
    // them back in the desktop's keyboard settings.
    if (const auto combinations = std::exchange(untoldDeclined_, {}); !combinations.empty()) {
        told_.insert(told_.end(), combinations.begin(), combinations.end());
        const std::string list = listed(combinations);
        const bool one = combinations.size() == 1;
        showAlert(std::string(one ? "The desktop did not grant the hotkey " : "The desktop did not grant the hotkeys ") +
                      list,
                  std::string(one ? "It does" : "They do") +
                      " nothing in Frelt: the desktop's keyboard settings decide which shortcuts a program gets. "
                      "Frelt asks again when the settings window or the hotkey overview opens, and at its next start.");
    }
}

void HotKeyManager::retryRefusedHotKeys() {
    if (refusedKinds_.empty()) return;
    const auto kinds = std::exchange(refusedKinds_, {});
    refusedCombinations_.clear();
    // In launch order, so that the kinds keep their precedence.
    for (const HotKeyType type : {HotKeyType::categoryKey, HotKeyType::tagKey, HotKeyType::tagKeyLaunchAll,
                                  HotKeyType::userDefinedKey, HotKeyType::globalHotKey})
        if (std::find(kinds.begin(), kinds.end(), type) != kinds.end()) registerHotKeys(type);
}

void HotKeyManager::tellServiceLimitation() {
    const auto limitation = platform::HotKeyService::shared()->limitation();
    if (!limitation) return;
    // Said whatever the debug-logging setting: the user needs to know why
    // the hotkeys do nothing.
    logging::logObject(LogCategory::hotkeys).write(LogLevel::Error, "Global hotkeys: " + *limitation);
    platform::dispatch::Queue::main()->async([text = *limitation] {
        showAlert(text, "Frelt keeps working through its window and the tray icon.");
    });
}

// ---- Registration -----------------------------------------------------------------------------

void HotKeyManager::registerHotKeys(std::optional<HotKeyType> type) {
    log(LogCategory::hotkeys, LogLevel::Default, "# Register Hotkeys for KeyType: %{public}@", typeText(type));
    HotKeyCenter::shared()->unregisterHotKeys(type);
    if (!type) {
        log(LogCategory::hotkeys, LogLevel::Error, "registerHotKeys -> No valid keyType provided: %{public}@",
            typeText(type));
        return;
    }
    switch (*type) {
    case HotKeyType::userDefinedKey: registerEntryHotkeys(); break;
    case HotKeyType::tagKey:
    case HotKeyType::tagKeyLaunchAll: registerTagHotkeys(*type); break;
    case HotKeyType::categoryKey: registerCategoryHotkeys(); break;
    case HotKeyType::globalHotKey: {
        const KeyCombo::Ptr combo = AppDelegate::shared()->config->globalKeyCombo;
        if (!combo) return;
        const auto hotKey = HotKey::make("globalHotKey", combo, HotKey::ActionQueue::main,
                                         [](const HotKey::Ptr& fired) { globalHotkeyAction(*fired); });
        // An entry, tag or category that took the combination wins, silently.
        if (HotKeyCenter::shared()->isRegistered(*combo)) return;
        hotKey->hotkeyType = HotKeyType::globalHotKey;
        registerHotKey(hotKey);
        break;
    }
    }
}

void HotKeyManager::registerAllHotKeys() {
    for (const HotKeyType type : {HotKeyType::categoryKey, HotKeyType::tagKey, HotKeyType::tagKeyLaunchAll,
                                  HotKeyType::userDefinedKey, HotKeyType::globalHotKey})
        registerHotKeys(type);
}

HotKeyCenter::Registration HotKeyManager::registerLogged(const HotKey::Ptr& hotKey) {
    const auto center = HotKeyCenter::shared();
    const std::string message = hotKey->keyCombo()->displayString() + " -> " + hotKey->identifier();
    if (center->isRegistered(*hotKey->keyCombo())) {
        log(LogCategory::hotkeys, LogLevel::Fault,
            "  Failed register Hotkey - another Hotkey has the same Key-Combination: %{public}@", message);
        return HotKeyCenter::Registration::keyComboTaken;
    }
    const auto result = center->tryRegister(hotKey);
    if (result == HotKeyCenter::Registration::registered)
        log(LogCategory::hotkeys, LogLevel::Default, "  Registered Hotkey: %{public}@", message);
    else
        log(LogCategory::hotkeys, LogLevel::Fault, "  Failed register Hotkey in HotKeyCenter: %{public}@", message);
    return result;
}

bool HotKeyManager::registerHotKey(const HotKey::Ptr& hotKey) {
    return hotKey && registerLogged(hotKey) == HotKeyCenter::Registration::registered;
}

void HotKeyManager::registerEntryHotkeys() {
    for (const auto& entry : *DataStorage::shared()->allData()->snapshot()) {
        if (!entry || !entry->isVisible() || !entry->hotkey()) continue;
        const std::string path = entry->path();
        const auto hotKey = HotKey::make("userDefinedKey :: " + path, entry->hotkey(), HotKey::ActionQueue::main,
                                         [](const HotKey::Ptr& fired) { entryHotkeyAction(*fired); });
        hotKey->hotkeyType = HotKeyType::userDefinedKey;
        hotKey->hotkeyReferencedPath = path;
        registerHotKey(hotKey);
    }
}

void HotKeyManager::registerTagHotkeys(HotKeyType type) {
    const auto tags = TagManager::shared();
    if (type == HotKeyType::tagKey && tags->firstVisibleTagWithHotkey()) registerTagHotkey();
    if (type == HotKeyType::tagKeyLaunchAll && tags->firstVisibleTagWithHotkeyLaunchAll()) registerTagLaunchAllHotkey();
}

namespace {

// One hotkey per visible tag that has the combination `field` reads.
template <class Field>
void registerEachTag(HotKeyManager& manager, HotKeyType type, const char* prefix, Field field,
                     void (*action)(const HotKey&)) {
    for (const auto& tag : *TagManager::shared()->allVisibleTags()->snapshot()) {
        if (!tag) continue;
        const KeyCombo::Ptr combo = field(*tag);
        if (!combo) continue;
        const std::string name = tag->tagName();
        const auto hotKey = HotKey::make(prefix + name, combo, HotKey::ActionQueue::main,
                                         [action](const HotKey::Ptr& fired) { action(*fired); });
        hotKey->hotkeyType = type;
        hotKey->hotkeyReferencedPath = name;
        manager.registerHotKey(hotKey);
    }
}

}  // namespace

void HotKeyManager::registerTagHotkey() {
    registerEachTag(*this, HotKeyType::tagKey, "tagKey :: ", [](const iconTag& tag) { return tag.hotkey(); },
                    &showTagHotkeyAction);
}

void HotKeyManager::registerTagLaunchAllHotkey() {
    registerEachTag(*this, HotKeyType::tagKeyLaunchAll, "tagKeyLaunchAll :: ",
                    [](const iconTag& tag) { return tag.hotkeyLaunchAll(); }, &launchAllTagHotkeyAction);
}

void HotKeyManager::registerCategoryHotkeys() {
    const auto config = AppDelegate::shared()->config;
    for (const auto& row : categoryHotkeys())
        if ((config.get()->*row.isShown)()) registerCategoryHotkey(row.category);
}

void HotKeyManager::registerCategoryHotkey(SourceListItemContentType category) {
    const auto config = AppDelegate::shared()->config;
    const KeyCombo::Ptr combo = config.get()->*categoryHotkey(category).keyCombo;
    if (!combo) return;
    const auto hotKey = HotKey::make(std::string("categoryKey :: ") + rawValue(category), combo,
                                     HotKey::ActionQueue::main, [category](const HotKey::Ptr& fired) {
                                         showCategoryHotkeyAction(category, *fired);
                                     });
    hotKey->hotkeyType = HotKeyType::categoryKey;
    const auto result = registerLogged(hotKey);
    if (result == HotKeyCenter::Registration::keyComboTaken) {
        // The user gave two of the program's hotkeys one combination: the
        // category gives it up.
        clearCategoryKeyCombo(category);
    } else if (result != HotKeyCenter::Registration::registered) {
        // Another program holding the combination (or a desktop without
        // global hotkeys) is not the user's choice: the setting stays.
        log(LogCategory::hotkeys, LogLevel::Fault, "  Category hotkey kept in the settings: %{public}@",
            hotKey->identifier());
    }
}

void HotKeyManager::clearCategoryKeyCombo(SourceListItemContentType category) {
    AppDelegate::shared()->config.get()->*categoryHotkey(category).keyCombo = nullptr;
}

void HotKeyManager::updateHotkeyReferencePath(const KeyCombo& keyCombo, const std::string& path) {
    if (HotKeyCenter::shared()->updateReferencedPath(keyCombo, path))
        log(LogCategory::hotkeys, LogLevel::Default, "HotkeyReferencePath changed to: %{public}@", path);
    else
        log(LogCategory::hotkeys, LogLevel::Fault, "Failed to change HotkeyReferencePath: %{public}@", path);
}

// ---- Changes ----------------------------------------------------------------------------------

std::optional<HotKeyManager::Change> HotKeyManager::changeOf(const platform::Notification& notification) {
    using Kind = Change::Kind;
    if (const auto* item = notification.objectAs<std::shared_ptr<TableViewItemChangedNotifyObject>>();
        item && *item && (*item)->reason == TableViewItemChangeReason::hotkeyChanged)
        return Change{Kind::entryHotkey, (*item)->path};
    if (notification.name == Notifications::validateTagHotkeyNeeded) return Change{Kind::validateTags, {}};
    const auto* tag = notification.objectAs<std::shared_ptr<IconTagChangedNotifyObject>>();
    if (!tag || !*tag || !(*tag)->reason) return std::nullopt;
    if (*(*tag)->reason == IconTagChangeReason::hotkeyChanged) return Change{Kind::tagHotkey, (*tag)->tagName};
    if (*(*tag)->reason == IconTagChangeReason::nameChanged) return Change{Kind::tagName, (*tag)->tagName};
    return std::nullopt;
}

void HotKeyManager::itemChangedWithSender(const platform::Notification& notification) {
    auto change = changeOf(notification);
    if (!change) return;
    if (platform::dispatch::isMainThread()) {
        handleChange(*change);
        return;
    }
    // Registration belongs to the main thread, whoever changed the data.
    platform::dispatch::Queue::main()->async([weak = weak_from_this(), change = std::move(*change)] {
        if (auto manager = weak.lock()) manager->handleChange(change);
    });
}

void HotKeyManager::handleChange(const Change& change) {
    using Kind = Change::Kind;
    const std::string& name = change.name;
    switch (change.kind) {
    case Kind::entryHotkey:
        log(LogCategory::hotkeys, LogLevel::Default, "TableViewItem - Hotkey-Change detected for: %{public}@", name);
        registerHotKeys(HotKeyType::userDefinedKey);
        return;
    case Kind::validateTags:
        log(LogCategory::hotkeys, LogLevel::Default, "validateTagHotkeyNeeded");
        break;
    case Kind::tagHotkey:
        log(LogCategory::hotkeys, LogLevel::Default, "IconTag - Hotkey-Change detected for: %{public}@", name);
        break;
    case Kind::tagName:
        // Both of the tag's hotkeys carry its name, in their identifiers and
        // in what they refer to: register them afresh under the new name.
        log(LogCategory::hotkeys, LogLevel::Default, "IconTag - Name-Change detected for: %{public}@", name);
        break;
    }
    registerHotKeys(HotKeyType::tagKeyLaunchAll);
    registerHotKeys(HotKeyType::tagKey);
}

// ---- The digit rule ---------------------------------------------------------------------------

bool HotKeyManager::isDigitKeyCombo(const KeyCombo& keyCombo) const {
    if (!mainWindowIsVisible(FreltManager::shared()->mainWindowState())) return false;
    if (!platform::Application::shared()->isActive()) return false;
    const std::string characters = keyCombo.characters();
    if (!containsAnyCharacter(characters, "123456789")) return false;
    const ModifierFlags modifiers = keyCombo.cocoaModifiers();
    if (modifiers != 0 && modifiers != modifierflags::command) return false;
    long n = 100;
    const char* end = characters.data() + characters.size();
    if (const auto [at, error] = std::from_chars(characters.data(), end, n); error != std::errc() || at != end) n = 100;
    const long index = n - 1;
    if (index < 0 || index > 8) return false;
    const auto shown = DataStorage::shared()->currentData();
    if (!shown || static_cast<std::size_t>(index) > shown->count()) return false;
    if (const auto entry = (*shown)[index]; entry && *entry) (*entry)->executeWithArguments();
    return true;
}

bool containsAnyCharacter(std::string_view text, std::string_view characters) {
    const auto wanted = platform::text::graphemeClusters(characters);
    for (const auto& cluster : platform::text::graphemeClusters(text))
        for (const auto& candidate : wanted)
            if (platform::text::canonicallyEqual(cluster, candidate)) return true;
    return false;
}

}  // namespace frelt
