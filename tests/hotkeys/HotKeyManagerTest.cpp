#include "hotkeys/HotKeyManager.h"

#include <gtest/gtest.h>

#include <thread>

#include "HotkeyTestSupport.h"
#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "support/MainWindowSupport.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "hotkeys/HotkeyConstants.h"
#include "hotkeys/KeyTranslating.h"
#include "store/StoreConstants.h"

using namespace frelt;
namespace mf = frelt::modifierflags;
namespace cm = frelt::carbonmodifiers;

namespace {

class HotKeyManagerTest : public HotkeyTest {
protected:
    static std::shared_ptr<HotKeyManager> manager() { return HotKeyManager::shared(); }
    static std::shared_ptr<Configuration> config() { return AppDelegate::shared()->config; }

    // The held hotkeys in the order they were registered with the service,
    // double taps (which never are) left out.
    static std::vector<std::string> serviceOrder() {
        std::vector<std::pair<std::uint32_t, std::string>> ordered;
        for (const auto& [identifier, hotKey] : center()->hotKeys())
            if (hotKey->hotKeyId()) ordered.emplace_back(*hotKey->hotKeyId(), identifier);
        std::sort(ordered.begin(), ordered.end());
        std::vector<std::string> identifiers;
        for (const auto& [id, identifier] : ordered) identifiers.push_back(identifier);
        return identifiers;
    }
    static HotKey::Ptr heldHotKey(const std::string& identifier) {
        const auto& hotKeys = center()->hotKeys();
        const auto found = hotKeys.find(identifier);
        return found == hotKeys.end() ? nullptr : found->second;
    }
};

TEST_F(HotKeyManagerTest, RegistersEveryKindInLaunchOrderUnderItsIdentifiers) {
    manager();
    config()->globalKeyCombo = combo(Key::g, mf::command | mf::shift);
    config()->globalKeyComboCategoriesShowFolders = combo(Key::f1, 0);
    config()->globalKeyComboCategoriesShowFiles = combo(Key::f2, 0);
    config()->globalKeyComboCategoriesShowShortcuts = KeyCombo::makeDoubled(mf::control);
    addVisibleTag("Work", combo(Key::w), combo(Key::w, mf::command | mf::option));
    addVisibleTag("Home", nullptr, combo(Key::h));
    addEntry("https://mail.example", combo(Key::m));
    addEntry("https://none.example");
    addEntry("shortcuts://run-shortcut?name=Hidden", combo(Key::x), false);

    manager()->registerAllHotKeys();

    EXPECT_EQ(serviceOrder(), (std::vector<std::string>{
                                  "categoryKey :: allFiles", "categoryKey :: allFolders", "tagKey :: Work",
                                  "tagKeyLaunchAll :: Home", "tagKeyLaunchAll :: Work",
                                  "userDefinedKey :: https://mail.example", "globalHotKey"}));
    EXPECT_TRUE(heldHotKey("categoryKey :: shortcuts")) << "a double tap is held without the service";

    const std::vector<std::tuple<std::string, HotKeyType, std::optional<std::string>>> expected = {
        {"categoryKey :: allFiles", HotKeyType::categoryKey, std::nullopt},
        {"tagKey :: Work", HotKeyType::tagKey, "Work"},
        {"tagKeyLaunchAll :: Home", HotKeyType::tagKeyLaunchAll, "Home"},
        {"userDefinedKey :: https://mail.example", HotKeyType::userDefinedKey, "https://mail.example"},
        {"globalHotKey", HotKeyType::globalHotKey, std::nullopt},
    };
    for (const auto& [identifier, type, path] : expected) {
        SCOPED_TRACE(identifier);
        const auto hotKey = heldHotKey(identifier);
        ASSERT_TRUE(hotKey);
        EXPECT_EQ(hotKey->hotkeyType, type);
        EXPECT_EQ(hotKey->hotkeyReferencedPath, path);
        EXPECT_EQ(hotKey->actionQueue(), HotKey::ActionQueue::main);
    }
    EXPECT_TRUE(logs().contains("# Register Hotkeys for KeyType: categoryKey"));
    EXPECT_TRUE(logs().contains("  Registered Hotkey: Shift+Ctrl+G -> globalHotKey"));

    manager()->registerHotKeys(std::nullopt);
    EXPECT_TRUE(logs().contains("registerHotKeys -> No valid keyType provided: no keyType"));
    EXPECT_EQ(serviceOrder().size(), 7u);
}

TEST_F(HotKeyManagerTest, KindsRegisteredEarlierWinASharedCombination) {
    // As at launch: the data is there before the hotkeys are registered.
    addVisibleTag("Work", combo(Key::k));
    addEntry("https://first.example", combo(Key::k));
    addEntry("https://second.example", combo(Key::j));
    addEntry("https://third.example", combo(Key::j));
    config()->globalKeyCombo = combo(Key::j);
    logs().clear();

    manager()->registerAllHotKeys();

    EXPECT_EQ(serviceOrder(), (std::vector<std::string>{"tagKey :: Work", "userDefinedKey :: https://second.example"}));
    EXPECT_TRUE(logs().contains(
        "  Failed register Hotkey - another Hotkey has the same Key-Combination: Ctrl+K -> "
        "userDefinedKey :: https://first.example"));
    EXPECT_TRUE(logs().contains(
        "  Failed register Hotkey - another Hotkey has the same Key-Combination: Ctrl+J -> "
        "userDefinedKey :: https://third.example"));
    for (const auto& message : logs().messages()) EXPECT_EQ(message.find("-> globalHotKey"), std::string::npos);
    EXPECT_EQ(config()->globalKeyCombo->key(), Key::j) << "a global hotkey that lost keeps its setting";
}

TEST_F(HotKeyManagerTest, CategoryHotkeysFollowTheirSwitchesAndKeepWhatAnotherProgramHolds) {
    manager();
    config()->setSidebarCategoriesShowURLs(false);
    config()->globalKeyComboCategoriesShowURLs = combo(Key::u);
    // Two categories given one combination: the later one gives it up.
    config()->globalKeyComboCategoriesShowFiles = combo(Key::f);
    config()->globalKeyComboCategoriesShowFolders = combo(Key::f);
    // Another program holds this one: not the user's choice, so it stays.
    config()->globalKeyComboCategoriesShowFavorites = combo(Key::r);
    service->holdElsewhere(QWERTYKeyCode(Key::r), cm::command);
    platform::ModalScript::shared()->answerAlert(platform::modalresponse::alertFirstButton);

    manager()->registerHotKeys(HotKeyType::categoryKey);
    drain();

    EXPECT_EQ(held(), (std::vector<std::string>{"categoryKey :: allFiles"}));
    EXPECT_EQ(config()->globalKeyComboCategoriesShowFolders, nullptr);
    ASSERT_TRUE(config()->globalKeyComboCategoriesShowFavorites);
    EXPECT_TRUE(logs().contains("  Failed register Hotkey in HotKeyCenter: Ctrl+R -> categoryKey :: allFavorites"));
    EXPECT_TRUE(logs().contains("  Category hotkey kept in the settings: categoryKey :: allFavorites"));
    EXPECT_TRUE(config()->globalKeyComboCategoriesShowURLs) << "a hidden category keeps its combination unregistered";
}

TEST_F(HotKeyManagerTest, ChangesOfEntriesAndTagsRegisterTheirKindsAgain) {
    manager();
    const auto entry = addEntry("https://mail.example");
    const auto tag = addVisibleTag("Work", combo(Key::w), combo(Key::l));
    manager()->registerAllHotKeys();
    EXPECT_EQ(held(), (std::vector<std::string>{"tagKey :: Work", "tagKeyLaunchAll :: Work"}));

    entry->setHotkey(combo(Key::m));
    EXPECT_TRUE(heldHotKey("userDefinedKey :: https://mail.example"));
    EXPECT_TRUE(logs().contains("TableViewItem - Hotkey-Change detected for: https://mail.example"));

    // A new path alone registers nothing again.
    entry->setPath("https://post.example");
    EXPECT_TRUE(heldHotKey("userDefinedKey :: https://mail.example"));

    // A renamed tag's hotkeys both follow the new name.
    tag->setTagName("Office");
    EXPECT_EQ(held(), (std::vector<std::string>{"tagKey :: Office", "tagKeyLaunchAll :: Office",
                                                "userDefinedKey :: https://mail.example"}));
    EXPECT_EQ(heldHotKey("tagKey :: Office")->hotkeyReferencedPath, "Office");
    EXPECT_EQ(heldHotKey("tagKeyLaunchAll :: Office")->hotkeyReferencedPath, "Office");
    EXPECT_TRUE(logs().contains("IconTag - Name-Change detected for: Office"));

    tag->setHotkey(nullptr);
    EXPECT_FALSE(heldHotKey("tagKey :: Office"));
    EXPECT_TRUE(logs().contains("IconTag - Hotkey-Change detected for: Office"));
}

TEST_F(HotKeyManagerTest, ChangesPostedOnAnotherThreadAreHandledOnTheMainQueue) {
    manager();
    addVisibleTag("Work", combo(Key::w));
    std::thread poster([] {
        platform::NotificationCenter::defaultCenter().post(Notifications::validateTagHotkeyNeeded);
    });
    poster.join();
    EXPECT_TRUE(held().empty());
    drain();
    EXPECT_EQ(held(), (std::vector<std::string>{"tagKey :: Work"}));
    EXPECT_TRUE(logs().contains("validateTagHotkeyNeeded"));
}

TEST_F(HotKeyManagerTest, UpdatesTheReferencedPathOfAHeldCombination) {
    addVisibleTag("Work", combo(Key::w));
    manager()->registerHotKeys(HotKeyType::tagKey);
    manager()->updateHotkeyReferencePath(*combo(Key::w), "Office");
    EXPECT_EQ(heldHotKey("tagKey :: Work")->hotkeyReferencedPath, "Office");
    manager()->updateHotkeyReferencePath(*combo(Key::q), "Else");
    EXPECT_TRUE(logs().contains("Failed to change HotkeyReferencePath: Else"));
}

TEST_F(HotKeyManagerTest, TheMainWindowClaimsDigitCombinationsWhileItIsShownAndActive) {
    const auto workspace = platform::RecordingWorkspace::make();
    platform::Workspace::setShared(workspace);
    std::vector<TableViewItem::Ptr> shown;
    for (const char* url : {"https://one.example", "https://two.example", "https://three.example"})
        shown.push_back(TableViewItem::initForURL(url, url, ""));
    const auto list = DataStorage::EntryArray::create(shown);
    DataStorage::shared()->setCurrentData(list);

    struct Case {
        const char* name;
        KeyCombo::Ptr keyCombo;
        bool claimed;
        const char* opened;
    };
    const std::vector<Case> cases = {
        {"command-1 opens the first entry", combo(Key::one), true, "https://one.example"},
        {"command-3 the third", combo(Key::three), true, "https://three.example"},
        {"the keypad's 2", combo(Key::keypadTwo), true, "https://two.example"},
        {"one place past the list is claimed, opening nothing", combo(Key::four), true, nullptr},
        {"further past the list is not claimed", combo(Key::five), false, nullptr},
        {"a digit with shift", combo(Key::two, mf::command | mf::shift), false, nullptr},
        {"a digit with option", combo(Key::two, mf::option), false, nullptr},
        {"zero", combo(Key::zero), false, nullptr},
        {"a letter", combo(Key::a), false, nullptr},
        {"a double tap", KeyCombo::makeDoubled(mf::command), false, nullptr},
    };
    mainwindowsupport::present(MainWindowState::detachedPopover);
    platform::Application::shared()->activate();
    DataStorage::shared()->setCurrentData(list);  // showing filtered the list by the sidebar
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        workspace->clearCalls();
        EXPECT_EQ(manager()->isDigitKeyCombo(*c.keyCombo), c.claimed);
        drain();
        if (c.opened) {
            ASSERT_EQ(workspace->calls().size(), 1u);
            EXPECT_EQ(workspace->calls()[0].urls.at(0).string(), c.opened);
        } else {
            EXPECT_TRUE(workspace->calls().empty());
        }
    }

    platform::Application::shared()->deactivate();
    EXPECT_FALSE(manager()->isDigitKeyCombo(*combo(Key::one))) << "another program is active";
    platform::Application::shared()->activate();
    mainwindowsupport::present(MainWindowState::notVisible);
    EXPECT_FALSE(manager()->isDigitKeyCombo(*combo(Key::one))) << "the window is hidden";
    drain();
    EXPECT_TRUE(workspace->calls().empty());
}

TEST_F(HotKeyManagerTest, ContainsAnyCharacterComparesWholeCharacters) {
    EXPECT_TRUE(containsAnyCharacter("a1", "123"));
    EXPECT_FALSE(containsAnyCharacter("", "123"));
    EXPECT_FALSE(containsAnyCharacter("abc", ""));
    EXPECT_FALSE(containsAnyCharacter("1\u0301", "123")) << "a digit with an accent is another character";
    EXPECT_TRUE(containsAnyCharacter("e\u0301", "\u00E9")) << "canonically equivalent forms are one character";
}

TEST_F(HotKeyManagerTest, ADesktopWithoutGlobalHotkeysIsToldOnceAtStart) {
    logging::setDebugLoggingEnabled(false);
    service->setUnavailable("Global hotkeys are unavailable: there is no X11 display.");
    std::vector<std::string> alerts;
    platform::ModalScript::shared()->answerAlert([&](platform::Alert& alert) {
        alerts.push_back(alert.messageText());
        return platform::AlertAnswer{};
    });
    manager();
    drain();
    EXPECT_EQ(alerts, (std::vector<std::string>{"Global hotkeys are unavailable: there is no X11 display."}));
    EXPECT_EQ(loggedAfter("Global hotkeys: ").size(), 1u) << "said whatever the debug-logging setting";

    // Registrations fail quietly from then on; the program goes on.
    config()->globalKeyCombo = combo(Key::g);
    manager()->registerAllHotKeys();
    EXPECT_TRUE(held().empty());
    drain();
    EXPECT_EQ(alerts.size(), 1u);
}

TEST_F(HotKeyManagerTest, ACombinationAnotherProgramHoldsIsToldLoggedAndTriedAgainLater) {
    logging::setDebugLoggingEnabled(false);
    manager();
    config()->globalKeyCombo = combo(Key::k, mf::command | mf::option);
    addEntry("https://example.org", combo(Key::j));
    service->holdElsewhere(QWERTYKeyCode(Key::k), cm::command | cm::option);
    service->holdElsewhere(QWERTYKeyCode(Key::j), cm::command);
    std::vector<std::string> alerts;
    platform::ModalScript::shared()->answerAlert([&](platform::Alert& alert) {
        alerts.push_back(alert.messageText());
        return platform::AlertAnswer{};
    });

    // At launch: one notice naming both, and the reason in the log whatever
    // the debug-logging setting.
    manager()->registerAllHotKeys();
    drain();
    const std::string j = combo(Key::j)->displayString(), k = combo(Key::k, mf::command | mf::option)->displayString();
    EXPECT_EQ(alerts, std::vector<std::string>{"Other programs hold the hotkeys " + j + ", " + k});
    EXPECT_TRUE(logs().contains("Hotkey " + k + " (globalHotKey) not registered: another program holds it"));
    EXPECT_TRUE(logs().contains("Hotkey " + j + " (userDefinedKey :: https://example.org) not registered: another "
                                "program holds it"));
    EXPECT_TRUE(held().empty());

    // Tried again while still held: not said again.
    manager()->retryRefusedHotKeys();
    drain();
    EXPECT_EQ(alerts.size(), 1u);
    // The other program lets go: the next try registers them.
    service->releaseElsewhere(QWERTYKeyCode(Key::k), cm::command | cm::option);
    service->releaseElsewhere(QWERTYKeyCode(Key::j), cm::command);
    manager()->retryRefusedHotKeys();
    EXPECT_EQ(held(), (std::vector<std::string>{"globalHotKey", "userDefinedKey :: https://example.org"}));
    EXPECT_TRUE(manager()->refusedCombinations().empty());

    // A combination recorded later and held elsewhere is told too.
    service->holdElsewhere(QWERTYKeyCode(Key::g), cm::command);
    platform::ModalScript::shared()->answerAlert([&](platform::Alert& alert) {
        alerts.push_back(alert.messageText());
        return platform::AlertAnswer{};
    });
    config()->globalKeyCombo = combo(Key::g);
    manager()->registerHotKeys(HotKeyType::globalHotKey);
    drain();
    EXPECT_EQ(alerts.back(), "Another program holds the hotkey " + combo(Key::g)->displayString());
}

TEST_F(HotKeyManagerTest, AKeyboardLayoutWhoseKeysMoveGrabsTheHotkeysAgain) {
    manager();
    const auto z = HotKey::make("z", combo(Key::z), HotKey::ActionQueue::main, [](const HotKey::Ptr&) {});
    ASSERT_TRUE(center()->registerHotKey(z));
    const auto id = z->hotKeyId();
    class Moved : public KeyTranslating {
    public:
        std::optional<std::uint16_t> keyCode(Key key) const override {
            return key == Key::z ? 16 : QWERTYKeyCode(key);
        }
        std::optional<Key> currentKey(std::uint16_t code) const override { return keyFromQWERTYKeyCode(code); }
        std::optional<std::string> character(std::uint16_t code, std::int64_t mask) const override {
            return QWERTYKeyTranslator().character(code, mask);
        }
    };
    KeyTranslating::setShared(std::make_shared<Moved>());
    platform::NotificationCenter::defaultCenter().post(HotkeyNotifications::keyTranslatorSelectedKeyboardKeyCodesChanged);
    drain();
    EXPECT_FALSE(service->press(QWERTYKeyCode(Key::z), cm::command)) << "the old key no longer fires";
    EXPECT_TRUE(service->press(16, cm::command)) << "the key that types z now";
    EXPECT_EQ(z->hotKeyId(), id) << "the same registration, grabbed elsewhere";
}

}  // namespace
