#include "app/MenuManager.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/FreltManager.h"
#include "app/FreltWindowEnum.h"
#include "exchange/ExportData.h"
#include "exchange/ExportImportManager.h"
#include "exchange/ImportData.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Workspace.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/URL.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "sources/discovery/Shortcuts.h"
#include "sources/icons/IconCache.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/LocalizedStrings.h"
#include "store/ShowAlert.h"

namespace frelt {

using platform::MenuItem;

std::shared_ptr<MenuManager> MenuManager::shared() {
    return platform::singleInstance<MenuManager>([] {
        auto manager = std::make_shared<MenuManager>(Private{});
        for (const auto& item :
             {manager->contextMenuShowInfoMenuItem, manager->contextMenuShowHotkeyOverviewMenuItem,
              manager->contextMenuShowSettingsMenuItem, manager->contextMenuShowDataMenuItem,
              manager->contextMenuShowTagsMenuItem, manager->contextMenuShowWebsiteMenuItem,
              manager->contextMenuShowManualMenuItem, manager->contextMenuShowVersionHistoryMenuItem,
              manager->contextMenuExportMenuItem, manager->contextMenuImportMenuItem,
              manager->contextMenuShowVersionedBackupMenuItem, manager->contextMenuQuitAppMenuItem,
              manager->contextMenuRebuildDataMenuItem, manager->contextMenuImportShortcutsMenuItem,
              manager->contextMenuAddFileOrFolderMenuItem, manager->contextMenuAddURLMenuItem})
            item->setTarget(manager);
        return manager;
    });
}

std::shared_ptr<MenuItem> MenuManager::makeItem(const std::string& title, const std::string& action,
                                                void (MenuManager::*handler)()) {
    registerAction(action, [this, handler](const std::shared_ptr<platform::Object>&) { (this->*handler)(); });
    return std::make_shared<MenuItem>(title, action, "");
}

MenuManager::MenuManager(Private)
    : mainMenu(std::make_shared<platform::Menu>()),
      statusbarMenu(std::make_shared<platform::Menu>()),
      contextMenuShowInfoMenuItem(makeItem(L10n::mainMenu_showInfo, "mnu_Info:", &MenuManager::mnu_Info)),
      contextMenuShowHotkeyOverviewMenuItem(
          makeItem(L10n::mainMenu_showHotkeyOverview, "mnu_HotkeyOverview:", &MenuManager::mnu_HotkeyOverview)),
      contextMenuShowSettingsMenuItem(
          makeItem(L10n::mainMenu_showSettings, "mnu_GeneralSettings:", &MenuManager::mnu_GeneralSettings)),
      contextMenuShowDataMenuItem(
          makeItem(L10n::mainMenu_showPreferences, "mnu_DataSettings:", &MenuManager::mnu_DataSettings)),
      contextMenuShowTagsMenuItem(makeItem(L10n::mainMenu_showTags, "mnu_TagsSettings:", &MenuManager::mnu_TagsSettings)),
      contextMenuShowWebsiteMenuItem(makeItem(L10n::mainMenu_showWebsite, "mnu_Website:", &MenuManager::mnu_Website)),
      contextMenuShowManualMenuItem(makeItem(L10n::mainMenu_showManual, "mnu_Manual:", &MenuManager::mnu_Manual)),
      contextMenuShowVersionHistoryMenuItem(
          makeItem(L10n::mainMenu_showVersionHistory, "mnu_versionHistory:", &MenuManager::mnu_versionHistory)),
      contextMenuExportMenuItem(makeItem(L10n::mainMenu_export, "mnu_Export:", &MenuManager::mnu_Export)),
      contextMenuImportMenuItem(makeItem(L10n::mainMenu_import, "mnu_Import:", &MenuManager::mnu_Import)),
      contextMenuShowVersionedBackupMenuItem(
          makeItem(L10n::mainMenu_showVersionedBackup, "mnu_versionedBackups:", &MenuManager::mnu_versionedBackups)),
      contextMenuQuitAppMenuItem(makeItem(L10n::mainMenu_quit, "mnu_CloseApplication:", &MenuManager::mnu_CloseApplication)),
      contextMenuRebuildDataMenuItem(makeItem(L10n::mainMenu_reloadData, "mnu_RebuildData:", &MenuManager::mnu_RebuildData)),
      contextMenuImportShortcutsMenuItem(
          makeItem(L10n::mainMenu_importShortcuts, "mnu_ImportShortcuts:", &MenuManager::mnu_ImportShortcuts)),
      contextMenuAddFileOrFolderMenuItem(
          makeItem(L10n::mainMenu_AddFileOrFolder, "mnu_AddFileOrFolder:", &MenuManager::mnu_AddFileOrFolder)),
      contextMenuAddURLMenuItem(makeItem(L10n::mainMenu_AddURL, "mnu_AddURL:", &MenuManager::mnu_AddURL)) {}

// --- building

void MenuManager::prepareMainMenu() {
    if (statusbarMenu->numberOfItems() > 0) statusbarMenu->removeAllItems();
    if (mainMenu->numberOfItems() == 0) buildMainMenu();
    updateMenuItems();
}

void MenuManager::prepareStatusbarMenu() {
    if (mainMenu->numberOfItems() > 0) mainMenu->removeAllItems();
    if (statusbarMenu->numberOfItems() == 0) buildStatusbarMenu();
    updateMenuItems();
}

void MenuManager::fillMenu(const std::shared_ptr<platform::Menu>& menu,
                           const std::vector<std::shared_ptr<MenuItem>>& layout) {
    // The items belong to one menu at a time: both give them up first.
    mainMenu->removeAllItems();
    statusbarMenu->removeAllItems();
    menu->setAutoenablesItems(false);
    for (const auto& item : layout) {
        if (item)
            menu->addItem(item);
        else
            menu->addSeparator();
    }
}

void MenuManager::buildMainMenu() {
    const std::shared_ptr<MenuItem> separator;
    fillMenu(mainMenu, {contextMenuShowInfoMenuItem, separator, contextMenuShowSettingsMenuItem, separator,
                        contextMenuAddFileOrFolderMenuItem, contextMenuAddURLMenuItem, separator,
                        contextMenuShowDataMenuItem, contextMenuShowTagsMenuItem, separator,
                        contextMenuShowHotkeyOverviewMenuItem, contextMenuShowManualMenuItem,
                        contextMenuShowWebsiteMenuItem, contextMenuShowVersionHistoryMenuItem, separator,
                        contextMenuQuitAppMenuItem});
}

void MenuManager::buildStatusbarMenu() {
    const std::shared_ptr<MenuItem> separator;
    std::vector<std::shared_ptr<MenuItem>> layout = {
        contextMenuShowInfoMenuItem, separator, contextMenuShowSettingsMenuItem, separator, contextMenuShowDataMenuItem,
        contextMenuShowTagsMenuItem, contextMenuRebuildDataMenuItem};
    if (shortcutsImportAvailable()) layout.push_back(contextMenuImportShortcutsMenuItem);
    layout.insert(layout.end(), {separator, contextMenuShowVersionedBackupMenuItem, contextMenuExportMenuItem,
                                 contextMenuImportMenuItem, separator, contextMenuShowHotkeyOverviewMenuItem,
                                 contextMenuShowManualMenuItem, contextMenuShowWebsiteMenuItem,
                                 contextMenuShowVersionHistoryMenuItem, separator, contextMenuQuitAppMenuItem});
    fillMenu(statusbarMenu, layout);
}

bool MenuManager::shortcutsImportAvailable() {
    const std::string& command = Shortcuts::shared()->shortcutCommand;
    return !command.empty() && ::access(command.c_str(), X_OK) == 0;
}

void MenuManager::updateMenuItems() {
    const auto manager = FreltManager::shared();
    const auto open = manager->openWindowTypes();
    const bool modalPanel = manager->isModalPanelVisible();
    const bool idle = ExportImportManager::shared()->isIdle();
    const auto& modalKinds = FreltManager::modalFreltWindowTypes;
    const bool modalKindOpen = std::any_of(open.begin(), open.end(), [&](FreltWindowEnum kind) {
        return std::find(modalKinds.begin(), modalKinds.end(), kind) != modalKinds.end();
    });
    const bool free = idle && !modalPanel && !modalKindOpen;
    const bool mainHidden = std::find(open.begin(), open.end(), FreltWindowEnum::main) == open.end();

    for (const auto& item : {contextMenuShowInfoMenuItem, contextMenuShowHotkeyOverviewMenuItem,
                             contextMenuShowWebsiteMenuItem, contextMenuShowManualMenuItem,
                             contextMenuShowVersionHistoryMenuItem, contextMenuQuitAppMenuItem})
        item->setEnabled(true);
    for (const auto& item : {contextMenuShowSettingsMenuItem, contextMenuShowDataMenuItem, contextMenuShowTagsMenuItem})
        item->setEnabled(free);
    for (const auto& item : {contextMenuExportMenuItem, contextMenuImportMenuItem, contextMenuShowVersionedBackupMenuItem,
                             contextMenuRebuildDataMenuItem, contextMenuImportShortcutsMenuItem})
        item->setEnabled(free && mainHidden);
}

// --- actions

void MenuManager::mnu_Info() { FreltWindow::showWindow(false, FreltWindowEnum::info); }
void MenuManager::mnu_HotkeyOverview() { FreltWindow::showWindow(false, FreltWindowEnum::hotkeyOverview); }
void MenuManager::mnu_versionHistory() { FreltWindow::showWindow(false, FreltWindowEnum::versionHistory); }

void MenuManager::mnu_GeneralSettings() {
    FreltManager::shared()->closeAllWindows();
    FreltWindow::showWindow(false, FreltWindowEnum::settings);
}

void MenuManager::mnu_DataSettings() {
    FreltManager::shared()->closeAllWindows();
    FreltWindow::showWindow(false, FreltWindowEnum::config);
}

void MenuManager::mnu_TagsSettings() {
    FreltManager::shared()->closeAllWindows();
    FreltWindow::showWindow(false, FreltWindowEnum::tags);
}

void MenuManager::mnu_Website() { openWebsite(); }
void MenuManager::mnu_Manual() { openManual(); }

void MenuManager::mnu_Export() { ExportImportManager::shared()->exportDataCommand(); }
void MenuManager::mnu_Import() { ExportImportManager::shared()->importDataCommand(); }

void MenuManager::mnu_versionedBackups() {
    FreltManager::shared()->closeAllWindows();
    AppDelegate::shared()->config->saveConfig(false);
    SandboxFileAccess::shared()->persistanceBookmarkStorage()->saveBookmarks();
    FreltWindow::showWindow(false, FreltWindowEnum::versionedBackup);
}

void MenuManager::mnu_CloseApplication() {
    FreltManager::shared()->closeAllWindows();
    platform::Application::shared()->terminate(AppDelegate::shared());
}

void MenuManager::mnu_RebuildData() {
    IconCache::shared()->removeAllObjects();
    const auto store = DataStorage::shared();
    store->setEnableDataProxies(false);
    store->setEnableDataProxies(true);
}

void MenuManager::mnu_ImportShortcuts() {
    if (!shortcutsImportAvailable()) return;
    Shortcuts::shared()->importShortcuts();
}

void MenuManager::mnu_AddFileOrFolder() {
    const auto manager = FreltManager::shared();
    if (!mainWindowIsVisible(manager->mainWindowState())) return;
    DataStorage::shared()->filesystemHandler()->addFilesystemObjectsWithOpenPanel(nullptr, selectedSidebarTag());
}

std::optional<std::string> MenuManager::selectedSidebarTag() {
    const auto vc = FreltManager::shared()->viewControllerMain();
    const auto sidebar = vc ? vc->sectionView.lock() : nullptr;
    return sidebar ? sidebar->selectedTagName() : std::nullopt;
}

void MenuManager::mnu_AddURL() {
    const auto manager = FreltManager::shared();
    if (!mainWindowIsVisible(manager->mainWindowState())) return;
    DataStorage::shared()->URLHandler()->showAddURLDialog("", nullptr, selectedSidebarTag());
}

// --- handing files to the main window

namespace {

bool reachable(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(platform::URL::fileURL(path).path()), error) && !error;
}

}  // namespace

bool passFilesToMainWindow(const std::vector<std::string>& paths) {
    const auto manager = FreltManager::shared();
    manager->mainWindowShow();
    const auto vc = manager->viewControllerMain();
    if (!vc) return false;
    std::vector<std::string> pending;
    for (const auto& path : paths) {
        // Entries keep paths as text: a name that is not UTF-8 would be
        // stored as the name of another file, or of none.
        if (!platform::text::isValidUTF8(path)) {
            logDefault(LogLevel::Error, "! left out, the file name is not valid UTF-8: %{public}@",
                       CommandLine::shownName(path));
            continue;
        }
        if (!path.empty() && reachable(path)) pending.push_back(path);
    }
    vc->setServiceManagerValues(std::move(pending));
    return !vc->serviceManagerValues().empty();
}

bool passFileToMainWindow(const std::string& path) { return passFilesToMainWindow({path}); }

void openWebPage(const std::string& url) {
    const auto parsed = platform::URL::fromString(url);
    if (!parsed) return;
    // Where no browser is set the desktop has nothing to start: say so.
    platform::Workspace::shared()->openURL(
        *parsed, {}, [url](std::shared_ptr<platform::RunningApplication>, std::optional<std::string> error) {
            if (!error) return;
            showAlert("The page could not be opened",
                      url + "\n\nNo web browser could show it (" + *error + "). Choose a web browser in the desktop's settings.");
        });
}

void openWebsite() { openWebPage(MenuManager::websiteURL); }
void openManual() { openWebPage(MenuManager::manualURL); }

}  // namespace frelt
