#include "hotkeys/HotKeyActions.h"

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "hotkeys/HotKeyManager.h"
#include "mainwindow/MainViewController.h"
#include "store/Logging.h"
#include "store/TagManager.h"

namespace frelt {

const std::array<CategoryHotkey, 7>& categoryHotkeys() {
    static const std::array<CategoryHotkey, 7> table{{
        {SourceListItemContentType::allFiles, &Configuration::globalKeyComboCategoriesShowFiles,
         &Configuration::sidebarCategoriesShowFiles, &DataStorage::allDataContainsFiles,
         "Want to execute hotkey to show all files but allData contains no files!",
         "Want to execute hotkey to show all files but the sidebars category is disabled in the settings!", 1},
        {SourceListItemContentType::allFolders, &Configuration::globalKeyComboCategoriesShowFolders,
         &Configuration::sidebarCategoriesShowFolders, &DataStorage::allDataContainsFolders,
         "Want to execute hotkey to show all folders but allData contains no folders!",
         "Want to execute hotkey to show all folders but the sidebars category is disabled in the settings!", 2},
        {SourceListItemContentType::allURLs, &Configuration::globalKeyComboCategoriesShowURLs,
         &Configuration::sidebarCategoriesShowURLs, &DataStorage::allDataContainsURLs,
         "Want to execute hotkey to show all urls but allData contains no urls!",
         "Want to execute hotkey to show all urls but the sidebars category is disabled in the settings!", 4},
        {SourceListItemContentType::lastUsedApplications, &Configuration::globalKeyComboCategoriesShowRecentApplications,
         &Configuration::sidebarCategoriesShowRecentApplications, nullptr, "",
         "Want to execute hotkey to show recent applications but the sidebars category is disabled in the settings!",
         6},
        {SourceListItemContentType::openApplications, &Configuration::globalKeyComboCategoriesShowActiveApplications,
         &Configuration::sidebarCategoriesShowActiveApplications, nullptr, "",
         "Want to execute hotkey to show active applications but the sidebars category is disabled in the settings!",
         7},
        {SourceListItemContentType::allFavorites, &Configuration::globalKeyComboCategoriesShowFavorites,
         &Configuration::sidebarCategoriesShowFavorites, &DataStorage::allDataContainsFavorites,
         "Want to execute hotkey to show favorites but allData contains no favorites!",
         "Want to execute hotkey to show favorites but the sidebars category is disabled in the settings!", 3},
        {SourceListItemContentType::shortcuts, &Configuration::globalKeyComboCategoriesShowShortcuts,
         &Configuration::sidebarCategoriesShowShortcuts, &DataStorage::allDataContainsShortcuts,
         "Want to execute hotkey to show shortcuts but allData contains no shortcuts!",
         "Want to execute hotkey to show shortcuts but the sidebars category is disabled in the settings!", 5},
    }};
    return table;
}

const CategoryHotkey& categoryHotkey(SourceListItemContentType category) {
    for (const auto& row : categoryHotkeys())
        if (row.category == category) return row;
    return categoryHotkeys().front();
}

namespace {

bool hotkeysArePaused() {
    if (!HotKeyManager::shared()->hotkeysPaused()) return false;
    log(LogCategory::hotkeys, LogLevel::Info, "Want to execute hotkey but hotkeys are currently paused");
    return true;
}

// The pause, then the digit rule.
bool commonGuardsStop(const HotKey& hotKey) {
    if (hotkeysArePaused()) return true;
    if (!HotKeyManager::shared()->isDigitKeyCombo(*hotKey.keyCombo())) return false;
    log(LogCategory::hotkeys, LogLevel::Info, "Want to execute hotkey but the hotkey is handled by the MainWindow");
    return true;
}

// The name of the visible tag the hotkey refers to, or none (logged).
std::optional<std::string> referencedVisibleTag(const HotKey& hotKey) {
    if (!hotKey.hotkeyReferencedPath) {
        log(LogCategory::hotkeys, LogLevel::Error, "Want to execute hotkey but the hotkey has no ReferencePath!");
        return std::nullopt;
    }
    if (!TagManager::shared()->visibleTagWithName(*hotKey.hotkeyReferencedPath)) {
        log(LogCategory::hotkeys, LogLevel::Error, "Want to execute hotkey but got no valid TagIndex!");
        return std::nullopt;
    }
    return hotKey.hotkeyReferencedPath;
}

// Shows the main window for the hotkey's press; the sidebar, when the window
// came up and has one.
std::shared_ptr<MainOutlineView> showMainWindowSidebar(const HotKey& hotKey) {
    const auto manager = FreltManager::shared();
    manager->setShowRequestUserTime(hotKey.windowServerTime());
    manager->mainWindowShow();
    manager->setShowRequestUserTime(0);
    if (!mainWindowIsVisible(manager->mainWindowState())) return nullptr;
    const auto controller = manager->viewControllerMain();
    return controller ? controller->sectionView.lock() : nullptr;
}

}  // namespace

void globalHotkeyAction(const HotKey& hotKey) {
    if (hotkeysArePaused()) return;
    log(LogCategory::hotkeys, LogLevel::Default, "Global Hotkey executed");
    logDefault(LogLevel::Default, "switchMainWindow in AppDelegate executed");
    const auto manager = FreltManager::shared();
    manager->setShowRequestUserTime(hotKey.windowServerTime());
    manager->switchMainWindow();
    manager->setShowRequestUserTime(0);
}

void entryHotkeyAction(const HotKey& hotKey) {
    if (commonGuardsStop(hotKey)) return;
    if (!hotKey.hotkeyReferencedPath) {
        log(LogCategory::hotkeys, LogLevel::Error, "Want to execute hotkey but the hotkey has no ReferencePath!");
        return;
    }
    const std::string& path = *hotKey.hotkeyReferencedPath;
    if (const auto entry = DataStorage::shared()->entryWithPath(path)) {
        log(LogCategory::hotkeys, LogLevel::Default, "Entry Hotkey executed for: %{public}@", path);
        entry->executeWithArguments();
        return;
    }
    log(LogCategory::hotkeys, LogLevel::Error, "Want to execute hotkey but the entry referenced by the hotkey is invalid");
}

void showTagHotkeyAction(const HotKey& hotKey) {
    if (commonGuardsStop(hotKey)) return;
    const auto tagName = referencedVisibleTag(hotKey);
    if (!tagName) return;
    log(LogCategory::hotkeys, LogLevel::Default, "Tag Hotkey executed for: %{public}@", *tagName);
    if (const auto sidebar = showMainWindowSidebar(hotKey)) sidebar->selectItemWithTagName(*tagName);
}

void launchAllTagHotkeyAction(const HotKey& hotKey) {
    if (commonGuardsStop(hotKey)) return;
    const auto tagName = referencedVisibleTag(hotKey);
    if (!tagName) return;
    log(LogCategory::hotkeys, LogLevel::Default, "LaunchAll Hotkey executed for: %{public}@", *tagName);
    DataStorage::shared()->launchAllEntriesOfTag(*tagName);
}

void showCategoryHotkeyAction(SourceListItemContentType category, const HotKey& hotKey) {
    if (commonGuardsStop(hotKey)) return;
    const CategoryHotkey& row = categoryHotkey(category);
    if (row.hasEntries && !(DataStorage::shared().get()->*row.hasEntries)()) {
        log(LogCategory::hotkeys, LogLevel::Info, row.noEntriesMessage);
        return;
    }
    if (!(AppDelegate::shared()->config.get()->*row.isShown)()) {
        log(LogCategory::hotkeys, LogLevel::Info, row.disabledMessage);
        return;
    }
    if (const auto sidebar = showMainWindowSidebar(hotKey)) sidebar->selectItemWithSelectionType(row.selectionValue);
}

}  // namespace frelt
