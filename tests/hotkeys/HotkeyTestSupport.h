#pragma once
// Shared pieces of the hotkey tests: a fixture with the headless hotkey
// service installed where the test can reach it, the log gate open, and
// helpers that put entries and visible tags with hotkeys into the store.

#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/KeyCombo.h"
#include "platform/carbon/HotKeyService.h"
#include "store/DataStorage.h"
#include "store/IconTag.h"
#include "store/Logging.h"
#include "store/TableViewItem.h"
#include "store/TagManager.h"
#include "support/FreltTest.h"

class HotkeyTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        service = std::make_shared<platform::HeadlessHotKeyService>();
        platform::HotKeyService::setShared(service);
        // Through the settings, which close the log gate when they are made.
        frelt::AppDelegate::shared()->config->setDebugLogging(true);
    }
    void TearDown() override {
        frelt::logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }

    static frelt::KeyCombo::Ptr combo(frelt::Key key, frelt::ModifierFlags flags = frelt::modifierflags::command) {
        return frelt::KeyCombo::make(key, flags);
    }
    static std::shared_ptr<frelt::HotKeyCenter> center() { return frelt::HotKeyCenter::shared(); }

    // The identifiers the centre holds, in its order.
    static std::vector<std::string> held() {
        std::vector<std::string> identifiers;
        for (const auto& [identifier, hotKey] : center()->hotKeys()) identifiers.push_back(identifier);
        return identifiers;
    }

    // A link entry in the store, with a hotkey when given. A shortcut entry
    // when it is to be hidden (links the user added are always shown).
    static frelt::TableViewItem::Ptr addEntry(const std::string& url, const frelt::KeyCombo::Ptr& hotkey = nullptr,
                                              bool visible = true) {
        auto entry = visible ? frelt::TableViewItem::initForURL(url, url, "")
                             : frelt::TableViewItem::initForShortcutsURL(url, url, "");
        entry->setIsVisible(visible);
        entry->setHotkey(hotkey);
        EXPECT_EQ(frelt::DataStorage::shared()->addToAllData(entry), frelt::DataStorage::addResultAdded);
        return entry;
    }

    // A visible tag with the hotkeys given; the visible list is rebuilt.
    static frelt::iconTag::Ptr addVisibleTag(const std::string& name, const frelt::KeyCombo::Ptr& hotkey,
                                             const frelt::KeyCombo::Ptr& launchAll = nullptr) {
        auto tag = frelt::iconTag::initWithNewName(name, frelt::TagManager::defaultTag);
        tag->setTagUsed(true);
        tag->setTagVisible(true);
        tag->setHotkey(hotkey);
        tag->setHotkeyLaunchAll(launchAll);
        frelt::TagManager::shared()->allAvailableTags()->append(tag);
        frelt::TagManager::shared()->rebuildVisibleTags();
        return tag;
    }

    std::shared_ptr<platform::HeadlessHotKeyService> service;
};
