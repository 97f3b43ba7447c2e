#pragma once
// The two pop-up menus: the status menu of the tray item and the main menu
// of the main window's menu button. Both are built from one set of sixteen
// items, which move between the menus; each item sends its action to the
// manager. Before a menu shows, its items are enabled by the state of the
// windows and of export and import. One instance, made on first use; main
// thread only.
//
// Beside it: the one road by which file paths from outside reach the main
// window, and the opening of the program's web pages.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Menu.h"

namespace frelt {

class MenuManager : public platform::Object {
    struct Private {};

public:
    static constexpr const char* websiteURL = "https://frelt.org";
    static constexpr const char* manualURL = "https://frelt.org/help";

    static std::shared_ptr<MenuManager> shared();
    explicit MenuManager(Private);

    const std::shared_ptr<platform::Menu> mainMenu;
    const std::shared_ptr<platform::Menu> statusbarMenu;

    const std::shared_ptr<platform::MenuItem> contextMenuShowInfoMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuShowHotkeyOverviewMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuShowSettingsMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuShowDataMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuShowTagsMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuShowWebsiteMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuShowManualMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuShowVersionHistoryMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuExportMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuImportMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuShowVersionedBackupMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuQuitAppMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuRebuildDataMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuImportShortcutsMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuAddFileOrFolderMenuItem;
    const std::shared_ptr<platform::MenuItem> contextMenuAddURLMenuItem;

    // Takes the items from the other menu, builds this one when it is empty,
    // then sets the enabled states.
    void prepareMainMenu();
    void prepareStatusbarMenu();
    void buildMainMenu();
    void buildStatusbarMenu();
    void updateMenuItems();

    // The import of shortcuts is offered only where the shortcuts tool exists.
    static bool shortcutsImportAvailable();

    // The actions (the sender is ignored).
    void mnu_Info();
    void mnu_HotkeyOverview();
    void mnu_versionHistory();
    void mnu_GeneralSettings();
    void mnu_DataSettings();
    void mnu_TagsSettings();
    void mnu_Website();
    void mnu_Manual();
    void mnu_Export();
    void mnu_Import();
    void mnu_versionedBackups();
    void mnu_CloseApplication();
    void mnu_RebuildData();
    void mnu_ImportShortcuts();
    void mnu_AddFileOrFolder();
    void mnu_AddURL();

    // The tag selected in the main window's sidebar, for new entries.
    static std::optional<std::string> selectedSidebarTag();

private:
    // Empties both menus, then fills `menu` (none stands for a separator).
    void fillMenu(const std::shared_ptr<platform::Menu>& menu,
                  const std::vector<std::shared_ptr<platform::MenuItem>>& layout);
    std::shared_ptr<platform::MenuItem> makeItem(const std::string& title, const std::string& action,
                                                 void (MenuManager::*handler)());
};

// Shows the main window and hands it the paths that exist, in order
// (duplicates kept), replacing those it held; true when it holds some after.
bool passFilesToMainWindow(const std::vector<std::string>& paths);
bool passFileToMainWindow(const std::string& path);

// Opens a web page with the desktop's browser; nothing when the text forms
// no URL.
void openWebPage(const std::string& url);
void openWebsite();
void openManual();

}  // namespace frelt
