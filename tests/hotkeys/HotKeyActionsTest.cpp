#include "hotkeys/HotKeyActions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HotkeyTestSupport.h"
#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "support/MainWindowSupport.h"
#include "hotkeys/HotKeyManager.h"
#include "mainwindow/MainViewController.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "support/SidebarSupport.h"

using namespace frelt;
namespace mf = frelt::modifierflags;

namespace {

class HotKeyActionsTest : public HotkeyTest {
protected:
    void SetUp() override {
        HotkeyTest::SetUp();
        workspace = platform::RecordingWorkspace::make();
        platform::Workspace::setShared(workspace);
        mainwindowsupport::registerShell();
    }
    static bool windowShown() { return mainWindowIsVisible(window()->mainWindowState()); }

    static HotKey::Ptr hotKey(const KeyCombo::Ptr& keyCombo, std::optional<std::string> path = std::nullopt,
                              std::uint32_t time = 0) {
        auto made = HotKey::make("test", keyCombo, HotKey::ActionQueue::main, nullptr);
        made->hotkeyReferencedPath = std::move(path);
        // The time a press gives the hotkey it runs.
        if (time) {
            auto service = std::dynamic_pointer_cast<platform::HeadlessHotKeyService>(platform::HotKeyService::shared());
            EXPECT_TRUE(made->registerHotKey());
            service->press(QWERTYKeyCode(keyCombo->key()), static_cast<std::uint32_t>(keyCombo->modifiers()), time);
            center()->unregisterHotKey(made);
        }
        return made;
    }
    static std::shared_ptr<FreltManager> window() { return FreltManager::shared(); }
    static std::shared_ptr<MainOutlineView> sidebar() {
        const auto controller = window()->viewControllerMain();
        controller->loadViewIfNeeded();  // the outlets come with the view
        return controller->sectionView.lock();
    }
    std::string makeFile(const std::string& name) {
        const auto path = root() / name;
        std::ofstream(path) << "x";
        return path.string();
    }
    // The main window shown and active, as the digit rule needs it, listing
    // `count` entries (set once shown: showing filters by the sidebar).
    static void showWindowWithEntries(std::size_t count) {
        mainwindowsupport::present(MainWindowState::window);
        std::vector<TableViewItem::Ptr> shown;
        for (std::size_t i = 0; i < count; ++i)
            shown.push_back(TableViewItem::initForURL("https://shown" + std::to_string(i) + ".example", "", ""));
        DataStorage::shared()->setCurrentData(DataStorage::EntryArray::create(shown));
    }
    std::vector<std::string> openedURLs() const {
        std::vector<std::string> urls;
        for (const auto& call : workspace->calls())
            for (const auto& url : call.urls) urls.push_back(url.string());
        return urls;
    }

    std::shared_ptr<platform::RecordingWorkspace> workspace;
};

TEST_F(HotKeyActionsTest, PausedHotkeysOnlyLog) {
    HotKeyManager::shared()->setHotkeysPaused(true);
    addEntry("https://mail.example");
    addVisibleTag("Work", nullptr);
    globalHotkeyAction(*hotKey(combo(Key::g)));
    entryHotkeyAction(*hotKey(combo(Key::m), "https://mail.example"));
    showTagHotkeyAction(*hotKey(combo(Key::w), "Work"));
    launchAllTagHotkeyAction(*hotKey(combo(Key::l), "Work"));
    showCategoryHotkeyAction(SourceListItemContentType::openApplications, *hotKey(combo(Key::o)));
    drain();
    EXPECT_EQ(loggedAfter("Want to execute hotkey but hotkeys are currently paused").size(), 5u);
    EXPECT_FALSE(windowShown());
    EXPECT_TRUE(workspace->calls().empty());
    EXPECT_FALSE(logs().contains("launchAllEntriesOfTag: Work"));
}

TEST_F(HotKeyActionsTest, TheMainWindowsDigitsComeBeforeEveryHotkeyButTheGlobalOne) {
    addEntry("https://mail.example");
    showWindowWithEntries(3);
    entryHotkeyAction(*hotKey(combo(Key::two), "https://mail.example"));
    drain();
    EXPECT_EQ(openedURLs(), (std::vector<std::string>{"https://shown1.example"}));
    EXPECT_TRUE(logs().contains("Want to execute hotkey but the hotkey is handled by the MainWindow"));
    // Opening the entry hid the window.
    EXPECT_FALSE(windowShown());

    // The global hotkey with a digit still switches the window.
    globalHotkeyAction(*hotKey(combo(Key::two)));
    EXPECT_TRUE(windowShown());
    globalHotkeyAction(*hotKey(combo(Key::two)));
    EXPECT_FALSE(windowShown());
}

TEST_F(HotKeyActionsTest, TheGlobalHotkeySwitchesTheWindowWithThePressTime) {
    std::vector<std::uint32_t> shownFor;
    FreltManager::setWindowShownHook([&](platform::Window&, std::uint32_t time) { shownFor.push_back(time); });
    globalHotkeyAction(*hotKey(combo(Key::g), std::nullopt, 4242));
    EXPECT_TRUE(windowShown());
    EXPECT_TRUE(platform::Application::shared()->isActive());
    EXPECT_TRUE(logs().contains("Global Hotkey executed"));
    EXPECT_TRUE(logs().contains("switchMainWindow in AppDelegate executed"));
    globalHotkeyAction(*hotKey(combo(Key::g), std::nullopt, 4300));
    EXPECT_FALSE(windowShown());
    // Shown next for something else (a tray click, files handed over), the
    // window gets no hotkey press's time: that press is not what showed it.
    window()->mainWindowShow();
    EXPECT_TRUE(windowShown());
    EXPECT_EQ(shownFor, (std::vector<std::uint32_t>{4242u, 0u}));
}

TEST_F(HotKeyActionsTest, AnEntryHotkeyOpensItsEntryFoundIgnoringCase) {
    addEntry("https://Mail.example/Inbox");
    entryHotkeyAction(*hotKey(combo(Key::m), "https://mail.example/inbox"));
    drain();
    EXPECT_EQ(openedURLs(), (std::vector<std::string>{"https://Mail.example/Inbox"}));
    EXPECT_TRUE(logs().contains("Entry Hotkey executed for: https://mail.example/inbox"));

    workspace->clearCalls();
    entryHotkeyAction(*hotKey(combo(Key::m), "https://gone.example"));
    entryHotkeyAction(*hotKey(combo(Key::m), ""));
    entryHotkeyAction(*hotKey(combo(Key::m)));
    drain();
    EXPECT_TRUE(workspace->calls().empty());
    EXPECT_EQ(loggedAfter("Want to execute hotkey but the entry referenced by the hotkey is invalid").size(), 2u);
    EXPECT_TRUE(logs().contains("Want to execute hotkey but the hotkey has no ReferencePath!"));
}

TEST_F(HotKeyActionsTest, ATagHotkeyShowsTheWindowAndSelectsTheTag) {
    addVisibleTag("Work", nullptr);
    sidebarsupport::buildMainSidebar();
    std::vector<std::uint32_t> shownFor;
    FreltManager::setWindowShownHook([&](platform::Window&, std::uint32_t time) { shownFor.push_back(time); });
    showTagHotkeyAction(*hotKey(combo(Key::w), "Work", 77));
    EXPECT_TRUE(windowShown());
    EXPECT_EQ(shownFor, std::vector<std::uint32_t>{77u});
    EXPECT_EQ(window()->showRequestUserTime(), 0u) << "the press showed this window, not the next";
    EXPECT_EQ(sidebar()->selectedTagName(), "Work");
    EXPECT_TRUE(logs().contains("Tag Hotkey executed for: Work"));

    // A tag renamed or hidden since: nothing happens but the log line.
    showTagHotkeyAction(*hotKey(combo(Key::w), "Old name"));
    EXPECT_TRUE(logs().contains("Want to execute hotkey but got no valid TagIndex!"));
    showTagHotkeyAction(*hotKey(combo(Key::w)));
    EXPECT_TRUE(logs().contains("Want to execute hotkey but the hotkey has no ReferencePath!"));
}

TEST_F(HotKeyActionsTest, ATagHotkeyWhileTheWindowCannotBeShownSelectsNothing) {
    addVisibleTag("Work", nullptr);
    sidebarsupport::buildMainSidebar();
    const auto app = platform::Application::shared();
    app->runModalSession([&] {
        showTagHotkeyAction(*hotKey(combo(Key::w), "Work"));
        app->stopModal();
    });
    EXPECT_FALSE(windowShown());
    EXPECT_NE(sidebar()->selectedTagName(), "Work");
}

TEST_F(HotKeyActionsTest, TheLaunchAllHotkeyLaunchesWithoutShowingTheWindow) {
    addVisibleTag("Work", nullptr);
    launchAllTagHotkeyAction(*hotKey(combo(Key::l), "Work"));
    EXPECT_TRUE(logs().contains("LaunchAll Hotkey executed for: Work"));
    EXPECT_TRUE(logs().contains("launchAllEntriesOfTag: Work"));
    EXPECT_FALSE(windowShown());
    launchAllTagHotkeyAction(*hotKey(combo(Key::l), "Else"));
    EXPECT_FALSE(logs().contains("launchAllEntriesOfTag: Else"));
}

TEST_F(HotKeyActionsTest, CategoryHotkeysNeedEntriesAndTheirSwitch) {
    const auto config = AppDelegate::shared()->config;
    sidebarsupport::buildMainSidebar();
    // The category the hotkey selects, or none when it refuses (the
    // selection stays as it was).
    auto pressed = [&](SourceListItemContentType category) {
        window()->closeMainWindow();
        const auto before = sidebar()->selectedItemContentType();
        showCategoryHotkeyAction(category, *hotKey(combo(Key::c)));
        const auto after = sidebar()->selectedItemContentType();
        return after == before ? std::nullopt : after;
    };
    struct Case {
        SourceListItemContentType category;
        const char* logged;
        bool selected;
    };
    // An empty store: the categories that need entries refuse.
    const std::vector<Case> empty = {
        {SourceListItemContentType::allFolders, "Want to execute hotkey to show all folders but allData contains no folders!", false},
        {SourceListItemContentType::allFiles, "Want to execute hotkey to show all files but allData contains no files!", false},
        {SourceListItemContentType::allFavorites, "Want to execute hotkey to show favorites but allData contains no favorites!", false},
        {SourceListItemContentType::allURLs, "Want to execute hotkey to show all urls but allData contains no urls!", false},
        {SourceListItemContentType::shortcuts, "Want to execute hotkey to show shortcuts but allData contains no shortcuts!", false},
        {SourceListItemContentType::lastUsedApplications, nullptr, true},
        {SourceListItemContentType::openApplications, nullptr, true},
    };
    for (const auto& c : empty) {
        SCOPED_TRACE(rawValue(c.category));
        const auto selected = pressed(c.category);
        if (c.logged) {
            EXPECT_TRUE(logs().contains(c.logged));
        }
        EXPECT_EQ(selected, c.selected ? std::optional(c.category) : std::nullopt);
    }

    const auto folder = root() / "folder";
    std::filesystem::create_directories(folder);
    addEntry("https://link.example")->setIsFavorite(true);
    EXPECT_EQ(DataStorage::shared()->addToAllData(TableViewItem::initForExternalNonSpotlightObject(makeFile("f.txt"))), 0);
    EXPECT_EQ(DataStorage::shared()->addToAllData(TableViewItem::initForExternalNonSpotlightObject(folder.string())), 0);
    EXPECT_EQ(DataStorage::shared()->addToAllData(TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=A", "A", "")), 0);
    sidebar()->updateContent(true);
    for (const auto category : {SourceListItemContentType::allFiles, SourceListItemContentType::allFolders,
                                SourceListItemContentType::allFavorites, SourceListItemContentType::allURLs,
                                SourceListItemContentType::shortcuts}) {
        SCOPED_TRACE(rawValue(category));
        EXPECT_EQ(pressed(category), category);
    }

    // Switched off in the settings since it was registered.
    config->setSidebarCategoriesShowActiveApplications(false);
    EXPECT_EQ(pressed(SourceListItemContentType::openApplications), std::nullopt);
    EXPECT_FALSE(windowShown());
    EXPECT_EQ(sidebar()->selectedItemContentType(), SourceListItemContentType::shortcuts);
    EXPECT_TRUE(logs().contains(
        "Want to execute hotkey to show active applications but the sidebars category is disabled in the settings!"));
}

}  // namespace
