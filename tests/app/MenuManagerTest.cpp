#include "app/MenuManager.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "ShellTestSupport.h"
#include "app/CommandLine.h"
#include "app/ServiceManager.h"
#include "exchange/ExportImportManager.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "sources/discovery/Shortcuts.h"

using namespace frelt;

namespace {

class MenuManagerTest : public ShellTest {
protected:
    static std::shared_ptr<MenuManager> menus() { return MenuManager::shared(); }
    // The titles of a menu, "-" for a separator.
    static std::vector<std::string> titles(const platform::Menu& menu) {
        std::vector<std::string> out;
        for (const auto& item : menu.items()) out.push_back(item->isSeparatorItem() ? "-" : item->title());
        return out;
    }
    // The enabled state of each item but the two "Add" ones, as a string of
    // 1 and 0 in the order Settings, Data, Tags, Export, Import, Versioned,
    // Refresh, Import Shortcuts.
    static std::string enabling() {
        const auto m = menus();
        std::string out;
        for (const auto& item : {m->contextMenuShowSettingsMenuItem, m->contextMenuShowDataMenuItem,
                                 m->contextMenuShowTagsMenuItem, m->contextMenuExportMenuItem, m->contextMenuImportMenuItem,
                                 m->contextMenuShowVersionedBackupMenuItem, m->contextMenuRebuildDataMenuItem,
                                 m->contextMenuImportShortcutsMenuItem})
            out += item->isEnabled() ? '1' : '0';
        for (const auto& item : {m->contextMenuShowInfoMenuItem, m->contextMenuShowHotkeyOverviewMenuItem,
                                 m->contextMenuShowWebsiteMenuItem, m->contextMenuShowManualMenuItem,
                                 m->contextMenuShowVersionHistoryMenuItem, m->contextMenuQuitAppMenuItem})
            EXPECT_TRUE(item->isEnabled()) << item->title();
        return out;
    }
    std::string makeFile(const std::string& name) {
        const auto path = root() / name;
        std::ofstream(path) << "x";
        return path.string();
    }
    void installShortcutsTool() {
        const auto tool = root() / "shortcuts";
        std::ofstream(tool) << "#!/bin/sh\n";
        ::chmod(tool.c_str(), 0755);
        Shortcuts::shared()->shortcutCommand = tool.string();
    }
};

TEST_F(MenuManagerTest, TheTwoMenusShareTheirItems) {
    Shortcuts::shared()->shortcutCommand = (root() / "no-such-tool").string();
    menus()->prepareStatusbarMenu();
    const std::vector<std::string> statusMenu = {
        "About Frelt...", "-", "Preferences...", "-", "Modify Data...", "Tags...", "Refresh Data", "-",
        "Save configuration (versioned)...", "Export configuration", "Import configuration", "-",
        "Overview of keyboard shortcuts", "Online help", "Website of Frelt", "What's new?", "-", "Quit"};
    EXPECT_EQ(titles(*menus()->statusbarMenu), statusMenu);
    EXPECT_FALSE(menus()->statusbarMenu->autoenablesItems());

    menus()->prepareMainMenu();
    EXPECT_TRUE(menus()->statusbarMenu->items().empty()) << "the main menu took the items";
    EXPECT_EQ(titles(*menus()->mainMenu),
              (std::vector<std::string>{"About Frelt...", "-", "Preferences...", "-", "Add File or Folder", "Add URL", "-",
                                        "Modify Data...", "Tags...", "-", "Overview of keyboard shortcuts", "Online help",
                                        "Website of Frelt", "What's new?", "-", "Quit"}));

    // With the shortcuts tool installed the status menu offers its import.
    installShortcutsTool();
    menus()->prepareStatusbarMenu();
    EXPECT_TRUE(menus()->mainMenu->items().empty());
    auto withImport = statusMenu;
    withImport.insert(withImport.begin() + 7, "Import Shortcuts from the Shortcuts-App");
    EXPECT_EQ(titles(*menus()->statusbarMenu), withImport);
    // Prepared again, it keeps its items.
    const auto first = menus()->statusbarMenu->itemAtIndex(0);
    menus()->prepareStatusbarMenu();
    EXPECT_EQ(menus()->statusbarMenu->itemAtIndex(0), first);
}

TEST_F(MenuManagerTest, ItemsAreEnabledByTheWindowsAndTheExchangeState) {
    registerKind(FreltWindowEnum::tags);
    AppDelegate::shared()->config->windowViewStyle = 1;
    struct Case {
        const char* situation;
        std::function<void()> arrange;
        bool exporting;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"free, main window hidden", [] {}, false, "11111111"},
        {"main window shown", [] { manager()->mainWindowShow(); }, false, "11100000"},
        {"tags window open", [] { FreltWindow::showWindow(false, FreltWindowEnum::tags); }, false, "00000000"},
        {"export running", [] {}, true, "00000000"},
    };
    installShortcutsTool();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        c.arrange();
        std::optional<ExportImportManager::Running> running;
        if (c.exporting) running.emplace(ExportImportManagerState::exportRunning, false);
        menus()->prepareMainMenu();
        EXPECT_EQ(enabling(), c.expected);
        running.reset();
        FreltWindow::closeWindow(FreltWindowEnum::tags);
        manager()->closeMainWindow();
    }
    // A modal session (an alert) holds the same items back.
    app()->runModalSession([&] {
        menus()->prepareStatusbarMenu();
        EXPECT_EQ(enabling(), "00000000");
        app()->stopModal();
    });
    // The adding items keep their own state.
    EXPECT_TRUE(menus()->contextMenuAddFileOrFolderMenuItem->isEnabled());
    EXPECT_TRUE(menus()->contextMenuAddURLMenuItem->isEnabled());
}

TEST_F(MenuManagerTest, QuitClosesTheWindowsThenTerminates) {
    AppDelegate::shared()->config->windowViewStyle = 1;
    registerKind(FreltWindowEnum::info);
    manager()->mainWindowShow();
    const auto info = FreltWindow::showWindow(false, FreltWindowEnum::info);
    bool windowsClosedFirst = false;
    auto sub = platform::NotificationCenter::defaultCenter().observe(
        platform::applicationnotification::willTerminate, nullptr,
        [&](const platform::Notification&) { windowsClosedFirst = !mainShown() && !info->isVisible(); });
    menus()->prepareStatusbarMenu();
    ASSERT_TRUE(menus()->statusbarMenu->performActionForItem(menus()->contextMenuQuitAppMenuItem));
    EXPECT_TRUE(app()->hasTerminated());
    EXPECT_TRUE(windowsClosedFirst);
}

TEST_F(MenuManagerTest, WindowItemsOpenTheirKindsAndTheWebItemsTheirPages) {
    auto workspace = platform::RecordingWorkspace::make();
    platform::Workspace::setShared(workspace);
    registerKind(FreltWindowEnum::hotkeyOverview);
    menus()->prepareStatusbarMenu();
    menus()->statusbarMenu->performActionForItem(menus()->contextMenuShowHotkeyOverviewMenuItem);
    EXPECT_EQ(manager()->openWindowTypes(), std::vector<FreltWindowEnum>{FreltWindowEnum::hotkeyOverview});
    // The settings are not built: nothing opens, the failure is logged.
    menus()->statusbarMenu->performActionForItem(menus()->contextMenuShowSettingsMenuItem);
    EXPECT_TRUE(manager()->openWindowTypes().empty()) << "all windows closed first";
    EXPECT_TRUE(logs().contains("instantiateWindowController failed: settings"));

    menus()->statusbarMenu->performActionForItem(menus()->contextMenuShowWebsiteMenuItem);
    menus()->statusbarMenu->performActionForItem(menus()->contextMenuShowManualMenuItem);
    ASSERT_EQ(workspace->calls().size(), 2u);
    EXPECT_EQ(workspace->calls()[0].urls.at(0).string(), "https://frelt.org");
    EXPECT_EQ(workspace->calls()[1].urls.at(0).string(), "https://frelt.org/help");
    openWebPage("not a url at all \x01");
    EXPECT_EQ(workspace->calls().size(), 2u);
    // No browser set: the user is told which page could not be shown.
    workspace->openError = "no application handles the scheme https";
    std::vector<std::string> alerts;
    for (int i = 0; i < 2; ++i)
        platform::ModalScript::shared()->answerAlert([&](platform::Alert& alert) {
            alerts.push_back(alert.messageText() + " " + alert.informativeText().substr(0, alert.informativeText().find('\n')));
            return platform::AlertAnswer{};
        });
    menus()->statusbarMenu->performActionForItem(menus()->contextMenuShowWebsiteMenuItem);
    menus()->statusbarMenu->performActionForItem(menus()->contextMenuShowManualMenuItem);
    drain();
    EXPECT_EQ(alerts, (std::vector<std::string>{"The page could not be opened https://frelt.org",
                                                "The page could not be opened https://frelt.org/help"}));

    // Adding needs the main window shown.
    menus()->prepareMainMenu();
    menus()->mainMenu->performActionForItem(menus()->contextMenuAddURLMenuItem);
    EXPECT_FALSE(logs().contains("instantiateWindowController failed: addOrModifyURL"));
}

TEST_F(MenuManagerTest, TheServiceHandsExistingFilesToTheMainWindowInOrder) {
    const auto a = makeFile("a.txt");
    const auto b = makeFile("b.txt");
    const auto gone = makeFile("gone.txt");
    std::filesystem::remove(gone);
    // It exists, but an entry would keep its name as text, naming another file.
    const auto notText = makeFile("caf\xe9.txt");
    ServiceManager service("Could not find anything for parsing.");
    auto pasteboard = platform::Pasteboard::withUniqueName();
    pasteboard->setPropertyList(platform::Value(platform::ValueArray{platform::Value(b), platform::Value(gone),
                                                                     platform::Value(notText), platform::Value(a)}),
                                platform::pasteboardtype::filenames);
    service.serviceAddFile(*pasteboard, "");
    EXPECT_TRUE(mainShown());
    EXPECT_EQ(manager()->viewControllerMain()->serviceManagerValues(), (std::vector<std::string>{b, a}));
    EXPECT_TRUE(logs().contains("! left out, the file name is not valid UTF-8: " + CommandLine::shownName(notText)));

    // Text only: nothing happens.
    manager()->closeMainWindow();
    auto text = platform::Pasteboard::withUniqueName();
    text->setString("hello", platform::pasteboardtype::string);
    service.serviceAddFile(*text, "");
    EXPECT_FALSE(mainShown());
    EXPECT_EQ(manager()->viewControllerMain()->serviceManagerValues(), (std::vector<std::string>{b, a}));

    // The session bus reaches it as the provider's "serviceAddFile" message.
    auto provider = std::make_shared<ServiceManager>("");
    EXPECT_TRUE(provider->performAction(ServiceManager::serviceAddFileMessage, pasteboard));
    EXPECT_TRUE(mainShown());
}

TEST_F(MenuManagerTest, FilesHandedOverOnTheBusGoToTheServicesProvider) {
    const auto a = makeFile("a.txt");
    const auto b = makeFile("b.txt");
    EXPECT_FALSE(performServiceAddFile({a})) << "no provider yet: nobody takes them";
    EXPECT_FALSE(mainShown());

    platform::Application::shared()->setServicesProvider(std::make_shared<ServiceManager>(""));
    EXPECT_TRUE(performServiceAddFile({b, a}));
    EXPECT_TRUE(mainShown());
    EXPECT_EQ(manager()->viewControllerMain()->serviceManagerValues(), (std::vector<std::string>{b, a}));
}

}  // namespace
