#include <gtest/gtest.h>

#include <algorithm>
#include <any>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hotkeys/KeyCombo.h"
#include "markdown/MarkdownColors.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/ModalScript.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "store/ChangeNotifications.h"
#include "app/AppDelegate.h"
#include "store/Configuration.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"
#include "support/FreltTest.h"

using namespace frelt;
namespace fs = std::filesystem;
namespace Keys = DefaultsKeys;

namespace {

using ComboField = KeyCombo::Ptr Configuration::*;
using FlagSetter = void (Configuration::*)(bool);
using FlagGetter = bool (Configuration::*)() const;

struct Category {
    const char* name;
    FlagGetter get;
    FlagSetter set;
    ComboField combo;
};

const std::vector<Category>& categories() {
    static const std::vector<Category> all = {
        {"Files", &Configuration::sidebarCategoriesShowFiles, &Configuration::setSidebarCategoriesShowFiles,
         &Configuration::globalKeyComboCategoriesShowFiles},
        {"Folders", &Configuration::sidebarCategoriesShowFolders, &Configuration::setSidebarCategoriesShowFolders,
         &Configuration::globalKeyComboCategoriesShowFolders},
        {"URLs", &Configuration::sidebarCategoriesShowURLs, &Configuration::setSidebarCategoriesShowURLs,
         &Configuration::globalKeyComboCategoriesShowURLs},
        {"RecentApplications", &Configuration::sidebarCategoriesShowRecentApplications,
         &Configuration::setSidebarCategoriesShowRecentApplications,
         &Configuration::globalKeyComboCategoriesShowRecentApplications},
        {"ActiveApplications", &Configuration::sidebarCategoriesShowActiveApplications,
         &Configuration::setSidebarCategoriesShowActiveApplications,
         &Configuration::globalKeyComboCategoriesShowActiveApplications},
        {"Shortcuts", &Configuration::sidebarCategoriesShowShortcuts, &Configuration::setSidebarCategoriesShowShortcuts,
         &Configuration::globalKeyComboCategoriesShowShortcuts},
        {"Favorites", &Configuration::sidebarCategoriesShowFavorites, &Configuration::setSidebarCategoriesShowFavorites,
         &Configuration::globalKeyComboCategoriesShowFavorites},
    };
    return all;
}

// Every Bool setting with its key, read and written as the load does.
struct BoolSetting {
    std::string key;
    std::function<bool(const Configuration&)> get;
    std::function<void(Configuration&, bool)> set;
};

const std::vector<BoolSetting>& boolSettings() {
#define FIELD(name) \
    BoolSetting { \
        DefaultsKeys::name, [](const Configuration& c) { return c.name; }, [](Configuration& c, bool v) { c.name = v; } \
    }
    static const std::vector<BoolSetting> all = [] {
        std::vector<BoolSetting> list = {
            FIELD(neverRemindMeRemoveTagDialog), FIELD(neverRemindMeRenameTagDialog), FIELD(mainPopoverAnimated),
            FIELD(searchForComments), FIELD(searchForTags), FIELD(selectingTagsInMainWindowLaunchAll),
            FIELD(showPathInMainView), FIELD(selectTagsAndCategoriesOnHover), FIELD(sidebarCategoriesCollapsed),
            FIELD(sidebarTagsCollapsed), FIELD(useSmallModeInMainView),
            FIELD(sidebarCategoriesShowNumberOfElementInSidebar), FIELD(hotkeyBorder),
            FIELD(translucentBackgroundRight),
            {DefaultsKeys::debugLogging, [](const Configuration& c) { return c.debugLogging(); },
             [](Configuration& c, bool v) { c.setDebugLogging(v); }},
        };
        for (const auto& category : categories()) {
            list.push_back({std::string("sidebarCategoriesShow") + category.name, [get = category.get](const Configuration& c) { return (c.*get)(); },
                            [set = category.set](Configuration& c, bool v) { (c.*set)(v); }});
        }
        return list;
    }();
#undef FIELD
    return all;
}

KeyCombo::Ptr settingsCombo(Key key = Key::k) {
    return KeyCombo::make(key, platform::modifierflags::command | platform::modifierflags::shift);
}

class ConfigurationTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        config = std::make_shared<Configuration>();
    }
    void TearDown() override {
        config.reset();
        logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }

    platform::UserDefaults& defaults() { return *config->defaults; }
    // As at launch: a save writes nothing before the stored values were read.
    // Loading entries reaches the program's settings object: the program's
    // one is loaded, and stands for the test's from then on.
    void load() {
        config = AppDelegate::shared()->config;
        config->loadConfig();
    }
    std::shared_ptr<platform::ModalScript> script = platform::ModalScript::shared();
    std::shared_ptr<Configuration> config;
};

TEST_F(ConfigurationTest, ANewObjectHoldsTheConstructorValues) {
    const Configuration& c = *config;
    EXPECT_FALSE(c.saveInProgress());
    ASSERT_EQ(c.availableWindowStyles.size(), 2u);
    EXPECT_EQ(c.availableWindowStyles[0].description, "Popup at the tray icon");
    EXPECT_EQ(c.availableWindowStyles[0].index, 0);
    EXPECT_EQ(c.availableWindowStyles[1].description, "Centered on Screen");
    EXPECT_EQ(c.availableWindowStyles[1].index, 1);
    ASSERT_EQ(c.availableClickTypes.size(), 2u);
    EXPECT_EQ(c.availableClickTypes[0].description, "Launch items with a double mouse click");
    EXPECT_EQ(c.availableClickTypes[0].index, 0);
    EXPECT_EQ(c.availableClickTypes[1].description, "Launch items with a single mouse click");
    EXPECT_EQ(c.availableClickTypes[1].index, 1);
    EXPECT_EQ(c.availableMenubarIcons,
              (std::vector<std::string>{"statusbar-1", "statusbar-2", "statusbar-3", "statusbar-4"}));

    EXPECT_FALSE(c.neverRemindMeRemoveTagDialog);
    EXPECT_FALSE(c.neverRemindMeRenameTagDialog);
    EXPECT_FALSE(c.useSmallModeInMainView);
    EXPECT_EQ(c.windowViewStyle, 0);
    EXPECT_EQ(c.mainWindowHeight, MainWindowHeight::height70);
    EXPECT_EQ(c.mainWindowWidth, MainWindowWidth::with700);
    EXPECT_EQ(c.clickType, 0);
    EXPECT_EQ(c.globalKeyCombo, nullptr);
    for (const auto& category : categories()) {
        EXPECT_EQ(c.*category.combo, nullptr) << category.name;
        EXPECT_TRUE((c.*category.get)()) << category.name;
    }
    EXPECT_FALSE(c.mainPopoverAnimated);
    EXPECT_EQ(c.alternateFolderBrowser, "");
    EXPECT_TRUE(c.searchForComments);
    EXPECT_TRUE(c.searchForTags);
    EXPECT_FALSE(c.selectingTagsInMainWindowLaunchAll);
    EXPECT_TRUE(c.showPathInMainView);
    EXPECT_FALSE(c.selectTagsAndCategoriesOnHover);
    EXPECT_FALSE(c.sidebarTagsCollapsed);
    EXPECT_FALSE(c.sidebarCategoriesCollapsed);
    EXPECT_TRUE(c.sidebarCategoriesShowNumberOfElementInSidebar);
    EXPECT_EQ(c.mainSplitViewDividerPos, 200.0f);
    EXPECT_STREQ(Configuration::defaultMenubarIcon, "statusbar-1");
    EXPECT_EQ(c.menubarIcon, "statusbar-1");
    EXPECT_TRUE(c.customSpotlightSearchScope.empty());
    EXPECT_FALSE(c.hotkeyBorder);
    EXPECT_FALSE(c.debugLogging());
    EXPECT_FALSE(logging::isDebugLoggingEnabled());
    EXPECT_EQ(c.entryBackgroundAlphaValue, 0.2f);
    EXPECT_EQ(c.diaplaynameColor, markdown_colors::labelColor());
    EXPECT_EQ(c.pathColor, markdown_colors::labelColor());
    EXPECT_EQ(c.descriptionColor, markdown_colors::labelColor());
    EXPECT_FALSE(c.translucentBackgroundRight);
    EXPECT_EQ(c.defaults, platform::UserDefaults::standard());
    EXPECT_EQ(c.saveConfigTimerReason, "");
    ASSERT_NE(c.saveConfigTimer(), nullptr);
    // The placeholder timer is on no run loop.
    EXPECT_EQ(platform::RunLoop::main().nextTimerDeadline(platform::RunLoopMode::defaultMode), std::nullopt);
    EXPECT_FALSE(Configuration::launchedBefore());
}

TEST_F(ConfigurationTest, WindowSizeEnumerationsListTheirCasesAndRawValuesInOrder) {
    std::vector<std::string> widths;
    for (auto w : allMainWindowWidths()) widths.push_back(rawValue(w));
    EXPECT_EQ(widths, (std::vector<std::string>{"550px", "600px", "650px", "700px", "750px", "800px"}));
    std::vector<std::string> heights;
    for (auto h : allMainWindowHeights()) heights.push_back(rawValue(h));
    EXPECT_EQ(heights, (std::vector<std::string>{"50%", "55%", "60%", "65%", "70%", "75%", "80%", "85%", "90%"}));
    EXPECT_EQ(widthInPoints(MainWindowWidth::with550), 550);
    EXPECT_EQ(widthInPoints(MainWindowWidth::with800), 800);
    EXPECT_EQ(percentOfScreenHeight(MainWindowHeight::height50), 50);
    EXPECT_EQ(percentOfScreenHeight(MainWindowHeight::height90), 90);
    // The plain conversion knows no fallback; the stored one does.
    EXPECT_EQ(mainWindowWidthFromRawValue("725px"), std::nullopt);
    EXPECT_EQ(mainWindowHeightFromRawValue("70 %"), std::nullopt);
    EXPECT_EQ(mainWindowWidthFromStoredValue(std::nullopt), MainWindowWidth::with700);
    EXPECT_EQ(mainWindowHeightFromStoredValue(std::nullopt), MainWindowHeight::height70);
}

TEST_F(ConfigurationTest, HidingASidebarCategoryDropsItsKeyCombinationAndShowingItAgainDoesNotBringItBack) {
    for (const auto& category : categories()) {
        SCOPED_TRACE(category.name);
        Configuration& c = *config;
        c.*category.combo = settingsCombo();
        (c.*category.set)(true);
        EXPECT_NE(c.*category.combo, nullptr) << "showing changes nothing else";

        (c.*category.set)(false);
        EXPECT_FALSE((c.*category.get)());
        EXPECT_EQ(c.*category.combo, nullptr);

        (c.*category.set)(true);
        EXPECT_TRUE((c.*category.get)());
        EXPECT_EQ(c.*category.combo, nullptr);
    }
    // Each flag guards only its own combination.
    config->globalKeyCombo = settingsCombo();
    config->globalKeyComboCategoriesShowFiles = settingsCombo();
    config->setSidebarCategoriesShowURLs(false);
    EXPECT_NE(config->globalKeyCombo, nullptr);
    EXPECT_NE(config->globalKeyComboCategoriesShowFiles, nullptr);
}

TEST_F(ConfigurationTest, OnlyChangesWorthSavingReArmTheSaveTimerWithTheirReason) {
    using TR = TableViewItemChangeReason;
    using GR = IconTagChangeReason;
    auto item = [](std::optional<TR> reason) {
        return std::any(std::make_shared<TableViewItemChangedNotifyObject>(TableViewItemChangedNotifyObject{"/a", reason}));
    };
    auto tag = [](std::optional<GR> reason) {
        return std::any(std::make_shared<IconTagChangedNotifyObject>(IconTagChangedNotifyObject{"a|b", reason}));
    };
    struct Case {
        const char* name;
        std::any object;
        std::string reason;  // empty: must not re-arm
    };
    const std::vector<Case> cases = {
        {Notifications::tableViewItemChanged, item(TR::tagChanged), "TableViewItem: Tag changed"},
        {Notifications::tableViewItemChanged, item(TR::commentChanged), "TableViewItem: Comment changed"},
        {Notifications::tableViewItemChanged, item(TR::visibilityChanged), "TableViewItem: Visibility changed"},
        {Notifications::tableViewItemChanged, item(TR::colorChanged), "TableViewItem: Color changed"},
        {Notifications::tableViewItemChanged, item(TR::hotkeyChanged), "TableViewItem: Hotkey changed"},
        {Notifications::tableViewItemChanged, item(TR::favoriteChanged), "TableViewItem: Favorite changed"},
        {Notifications::tableViewItemChanged, item(TR::nameChanged), ""},
        {Notifications::tableViewItemChanged, item(TR::pathChanged), ""},
        {Notifications::tableViewItemChanged, item(std::nullopt), ""},
        {Notifications::tableViewItemChanged, std::any(), ""},
        {Notifications::tableViewItemChanged, std::any(std::string("favoriteChanged")), ""},
        // A tag's payload on the entries' notification is no entry change.
        {Notifications::tableViewItemChanged, tag(GR::colorChanged), ""},
        {Notifications::iconTagChanged, tag(GR::colorChanged), "Tag: Color changed"},
        {Notifications::iconTagChanged, tag(GR::hotkeyChanged), "Tag: Hotkey changed"},
        {Notifications::iconTagChanged, tag(GR::symbolChanged), "Tag: Symbol changed"},
        {Notifications::iconTagChanged, tag(GR::visibilityChanged), ""},
        {Notifications::iconTagChanged, tag(GR::nameChanged), ""},
        {Notifications::iconTagChanged, tag(std::nullopt), ""},
        {Notifications::iconTagChanged, std::any(), ""},
        {Notifications::datastorageFilesystemObjectAddedOrModified, std::any(),
         "datastorageFilesystemObject: AddedOrModified"},
        {Notifications::datastorageURLAddedOrModified, std::any(), "datastorageURL: AddedOrModified"},
    };
    auto& loop = platform::RunLoop::main();
    for (const auto& c : cases) {
        config->saveConfigTimerReason = "";
        const auto before = config->saveConfigTimer();
        platform::NotificationCenter::defaultCenter().post(c.name, c.object);
        SCOPED_TRACE(std::string(c.name) + " -> " + (c.reason.empty() ? "(none)" : c.reason));
        EXPECT_EQ(config->saveConfigTimerReason, c.reason);
        if (c.reason.empty()) {
            EXPECT_EQ(config->saveConfigTimer(), before);
            continue;
        }
        EXPECT_NE(config->saveConfigTimer(), before);
        EXPECT_FALSE(before->isValid());
        // One pending save, 120 s from now, that also fires while a menu is tracked.
        const auto due = platform::dispatch::clock::now() + platform::seconds(120);
        EXPECT_EQ(loop.nextTimerDeadline(platform::RunLoopMode::defaultMode), due);
        EXPECT_EQ(loop.nextTimerDeadline(platform::RunLoopMode::eventTracking), due);
        EXPECT_EQ(loop.nextTimerDeadline(platform::RunLoopMode::modalPanel), due);
        EXPECT_FALSE(config->saveConfigTimer()->repeats());
    }
}

// Changes are posted on worker threads too; the save timer is armed on the
// main thread, which alone fires and cancels it (arming it on the worker
// raced with the run loop's scan of its timers).
TEST_F(ConfigurationTest, AChangePostedOnAWorkerArmsTheSaveTimerOnTheMainThread) {
    const auto before = config->saveConfigTimer();
    platform::dispatch::Queue::global()->async([] {
        platform::NotificationCenter::defaultCenter().post(Notifications::datastorageURLAddedOrModified);
    });
    ASSERT_TRUE(platform::dispatch::waitForBackgroundIdle());
    EXPECT_EQ(config->saveConfigTimer(), before) << "armed on the worker";
    drain();
    EXPECT_NE(config->saveConfigTimer(), before);
    EXPECT_EQ(config->saveConfigTimerReason, "datastorageURL: AddedOrModified");
    EXPECT_FALSE(before->isValid());
}

// The settings may go before the main queue runs the arming.
TEST_F(ConfigurationTest, ArmingQueuedForSettingsThatAreGoneDoesNothing) {
    std::thread worker([] {
        platform::NotificationCenter::defaultCenter().post(Notifications::datastorageURLAddedOrModified);
    });
    worker.join();
    config.reset();
    drain();
    EXPECT_FALSE(platform::RunLoop::main().nextTimerDeadline(platform::RunLoopMode::defaultMode).has_value());
}

TEST_F(ConfigurationTest, LoadingAnEmptyDomainGivesTheAbsentKeyValuesAndPostsTheFiveNotifications) {
    std::vector<std::string> posted;
    std::vector<platform::Subscription> observations;
    for (const char* name :
         {Notifications::customSpotlightSearchScopeChanged, Notifications::showPathInMainViewChanged,
          Notifications::useSmallModeInMainViewChanged, Notifications::menubarIconChanged,
          Notifications::sidebarCategoriesShowNumberOfElementInSidebarChanged}) {
        observations.push_back(platform::NotificationCenter::defaultCenter().observe(
            name, nullptr, [&posted](const platform::Notification& n) {
                EXPECT_FALSE(n.object.has_value()) << n.name;
                posted.push_back(n.name);
            }));
    }
    // Values a load must overwrite: every Bool the other way round from its
    // constructor value.
    const Configuration constructed;
    for (const auto& flag : boolSettings()) flag.set(*config, !flag.get(constructed));
    config->windowViewStyle = 1;
    config->clickType = 1;
    config->alternateFolderBrowser = "/usr/bin/nautilus";
    config->customSpotlightSearchScope = {"/opt"};
    config->menubarIcon = "statusbar-3";
    config->mainWindowWidth = MainWindowWidth::with550;
    config->mainWindowHeight = MainWindowHeight::height90;
    config->entryBackgroundAlphaValue = 0.7f;
    config->globalKeyCombo = settingsCombo();
    for (const auto& category : categories()) (*config).*category.combo = settingsCombo();

    config->loadConfig();

    // A key never written reads as the constructor value, true ones included
    // (every sidebar category shown, comments and tags searched).
    const Configuration& c = *config;
    for (const auto& flag : boolSettings()) EXPECT_EQ(flag.get(c), flag.get(constructed)) << flag.key;
    for (const auto& category : categories()) {
        EXPECT_TRUE((c.*category.get)()) << category.name;
        EXPECT_EQ(c.*category.combo, nullptr) << category.name;
    }
    EXPECT_TRUE(c.searchForComments);
    EXPECT_TRUE(c.searchForTags);
    EXPECT_EQ(c.entryBackgroundAlphaValue, 0.2f);
    EXPECT_FALSE(logging::isDebugLoggingEnabled());
    EXPECT_EQ(c.windowViewStyle, 0);
    EXPECT_EQ(c.clickType, 0);
    EXPECT_EQ(c.alternateFolderBrowser, "");
    EXPECT_TRUE(c.customSpotlightSearchScope.empty());
    EXPECT_EQ(c.menubarIcon, "statusbar-1");
    EXPECT_EQ(c.mainWindowWidth, MainWindowWidth::with700);
    EXPECT_EQ(c.mainWindowHeight, MainWindowHeight::height70);
    EXPECT_EQ(c.globalKeyCombo, nullptr);
    EXPECT_FALSE(c.saveInProgress());

    EXPECT_EQ(posted, (std::vector<std::string>{"customSpotlightSearchScopeChanged", "showPathInMainViewChanged",
                                                "useSmallModeInMainViewChanged", "menubarIconChanged",
                                                "sidebarCategoriesShowNumberOfElementInSidebarChanged"}));
    // Posted again by every load, changed or not.
    posted.clear();
    config->loadConfig();
    EXPECT_EQ(posted.size(), 5u);
    // Loading writes nothing.
    EXPECT_FALSE(defaults().objectForKey(Keys::launchedBefore).has_value());
}

TEST_F(ConfigurationTest, StoredBoolsLoadAsStoredWhicheverWayTheyStartAndAnAbsentAlphaIsNoZero) {
    const Configuration constructed;
    for (const bool flip : {true, false}) {
        for (const auto& flag : boolSettings())
            defaults().set(flag.key, platform::Value(flip != flag.get(constructed)));
        config->loadConfig();
        for (const auto& flag : boolSettings())
            EXPECT_EQ(flag.get(*config), flip != flag.get(constructed)) << flag.key << (flip ? " flipped" : " as built");
    }
    defaults().set(Keys::entryBackgroundAlphaValue, platform::Value(0.0));
    config->loadConfig();
    EXPECT_EQ(config->entryBackgroundAlphaValue, 0.0f) << "a stored 0 stays 0";
}

TEST_F(ConfigurationTest, EntryBackgroundAlphaOutsideZeroToOneLoadsAsTheDefault) {
    struct Case {
        double stored;
        float loaded;
    };
    const std::vector<Case> cases = {
        {1.5, 0.2f}, {-0.1, 0.2f}, {std::numeric_limits<double>::quiet_NaN(), 0.2f},
        {std::numeric_limits<double>::infinity(), 0.2f}, {1.0, 1.0f}, {0.0, 0.0f}, {0.35, 0.35f},
    };
    for (const auto& c : cases) {
        defaults().set(Keys::entryBackgroundAlphaValue, platform::Value(c.stored));
        config->loadConfig();
        EXPECT_EQ(config->entryBackgroundAlphaValue, c.loaded) << "stored " << c.stored;
    }
}

TEST_F(ConfigurationTest, ACustomSearchScopeWithAnythingButTextsLoadsEmpty) {
    defaults().set(Keys::customSpotlightSearchScope,
                   platform::Value(platform::ValueArray{platform::Value("/opt/apps"), platform::Value(42)}));
    config->loadConfig();
    EXPECT_TRUE(config->customSpotlightSearchScope.empty());

    defaults().set(Keys::customSpotlightSearchScope, platform::Value(std::vector<std::string>{"/opt/apps", "/srv"}));
    config->loadConfig();
    EXPECT_EQ(config->customSpotlightSearchScope, (std::vector<std::string>{"/opt/apps", "/srv"}));

    defaults().set(Keys::customSpotlightSearchScope, platform::Value("/opt/apps"));
    config->loadConfig();
    EXPECT_TRUE(config->customSpotlightSearchScope.empty());
}

TEST_F(ConfigurationTest, StoredWindowSizesLoadAsTheirCaseOrTheDefault) {
    struct Case {
        platform::Value stored;
        MainWindowWidth width;
        MainWindowHeight height;
    };
    using W = MainWindowWidth;
    using H = MainWindowHeight;
    const std::vector<Case> cases = {
        {platform::Value("550px"), W::with550, H::height70},
        {platform::Value("800px"), W::with800, H::height70},
        {platform::Value("50%"), W::with700, H::height50},
        {platform::Value("90%"), W::with700, H::height90},
        {platform::Value("725px"), W::with700, H::height70},  // between two steps
        {platform::Value("70 %"), W::with700, H::height70},   // a space before the sign
        {platform::Value("600PX"), W::with700, H::height70},
        {platform::Value(""), W::with700, H::height70},
        {platform::Value(600), W::with700, H::height70},
        {platform::Value(true), W::with700, H::height70},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.description());
        // Start from values the load has to replace.
        config->mainWindowWidth = c.width == W::with800 ? W::with550 : W::with800;
        config->mainWindowHeight = c.height == H::height90 ? H::height50 : H::height90;
        defaults().set(Keys::mainWindowWidth, c.stored);
        defaults().set(Keys::mainWindowHeight, c.stored);
        config->loadConfig();
        EXPECT_EQ(config->mainWindowWidth, c.width);
        EXPECT_EQ(config->mainWindowHeight, c.height);
    }
}

TEST_F(ConfigurationTest, SavingNoKeyCombinationRemovesTheKeyAndTheNextLoadGivesNoneWithoutAlert) {
    load();
    config->globalKeyCombo = settingsCombo();
    config->saveConfig(false);
    ASSERT_TRUE(defaults().dataForKey(Keys::globalKeyCombo).has_value());

    config->globalKeyCombo = nullptr;
    config->saveConfig(false);
    EXPECT_FALSE(defaults().objectForKey(Keys::globalKeyCombo).has_value());

    config->globalKeyCombo = settingsCombo();
    config->loadConfig();  // an unscripted alert would fail the test
    EXPECT_EQ(config->globalKeyCombo, nullptr);
    EXPECT_TRUE(script->presented().empty());
}

TEST_F(ConfigurationTest, AnUnreadableKeyCombinationAlertsOnceLoadsAsNoneAndIsRemovedByTheNextSave) {
    defaults().set(Keys::globalKeyCombo, platform::Value(platform::Data{'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'r'}));
    // A readable archive of something else is no combination, and no failure.
    defaults().set(Keys::globalKeyComboCategoriesShowFiles,
                   platform::Value(*platform::KeyedArchiver::archivedData(platform::ArchiveObject("text"))));
    // A value that is no data at all reads as none as well.
    defaults().set(Keys::globalKeyComboCategoriesShowURLs, platform::Value("⌘K"));
    script->answerAlert([](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "Error loading KeyCombo from the settings file");
        EXPECT_EQ(alert.informativeText(), "Error: Configuration");
        return platform::AlertAnswer{};
    });
    config->globalKeyCombo = settingsCombo();

    config->loadConfig();

    EXPECT_TRUE(script->verifyAllAnswersUsed());
    EXPECT_EQ(script->presented(), std::vector<std::string>{"alert: Error loading KeyCombo from the settings file"});
    EXPECT_EQ(config->globalKeyCombo, nullptr);
    EXPECT_EQ(config->globalKeyComboCategoriesShowFiles, nullptr);
    EXPECT_EQ(config->globalKeyComboCategoriesShowURLs, nullptr);
    // The unreadable value stays until a save replaces it.
    EXPECT_TRUE(defaults().dataForKey(Keys::globalKeyCombo).has_value());

    config->saveConfig(false);
    EXPECT_FALSE(defaults().objectForKey(Keys::globalKeyCombo).has_value());
    EXPECT_FALSE(defaults().objectForKey(Keys::globalKeyComboCategoriesShowFiles).has_value());
    EXPECT_EQ(script->presented().size(), 1u);
}

TEST_F(ConfigurationTest, ABurstOfChangesSavesOnce120SecondsAfterTheLastWithItsReason) {
    load();
    config->setDebugLogging(true);
    auto& center = platform::NotificationCenter::defaultCenter();
    const std::string timerLine = "saveConfig with Timer. Last Trigger: ";
    auto timerSaves = [&] {
        std::vector<std::string> lines;
        for (const auto& m : logs().messages())
            if (m.rfind(timerLine, 0) == 0) lines.push_back(m);
        return lines;
    };
    auto saves = [&] {
        const auto messages = logs().messages();
        return std::count(messages.begin(), messages.end(), "saveConfig");
    };

    center.post(Notifications::datastorageFilesystemObjectAddedOrModified);
    advance(60);
    center.post(Notifications::datastorageURLAddedOrModified);
    advance(60);
    center.post(Notifications::tableViewItemChanged,
                std::make_shared<TableViewItemChangedNotifyObject>(
                    TableViewItemChangedNotifyObject{"/a", TableViewItemChangeReason::favoriteChanged}));
    advance(119);
    EXPECT_TRUE(timerSaves().empty()) << "the first changes' saves must have been postponed";
    EXPECT_FALSE(defaults().objectForKey(Keys::searchForComments).has_value());

    advance(1);
    EXPECT_EQ(timerSaves(), std::vector<std::string>{timerLine + "TableViewItem: Favorite changed"});
    EXPECT_EQ(config->saveConfigTimerReason, "");
    EXPECT_TRUE(defaults().objectForKey(Keys::searchForComments).has_value());

    advance(1000);
    EXPECT_EQ(timerSaves().size(), 1u);
    EXPECT_EQ(saves(), 1);
}

TEST_F(ConfigurationTest, ASaveInBetweenLeavesThePendingTimerToSaveAgain) {
    platform::NotificationCenter::defaultCenter().post(Notifications::datastorageURLAddedOrModified);
    advance(10);
    config->setDebugLogging(true);
    config->saveConfig(false);
    advance(110);
    EXPECT_TRUE(logs().contains("saveConfig with Timer. Last Trigger: datastorageURL: AddedOrModified"));
}

TEST_F(ConfigurationTest, SavingLogsItsStepsAndHoldsSaveInProgressThroughout) {
    // Loading entries reaches the program's settings object; make it now, as
    // making it later would close the log gate in the middle of the load.
    AppDelegate::shared();
    config->loadConfig();  // a save writes the stored lists only once they were loaded
    config->setDebugLogging(true);
    logs().clear();
    config->saveConfig(true);
    EXPECT_EQ(logs().messages(),
              (std::vector<std::string>{"saveConfig", "saveInProgress: true", "saveAllDataArray", "saveTagDataArray",
                                        "saveURLTemplateDataArray", "saveInProgress: false"}));
    EXPECT_FALSE(config->saveInProgress());

    logs().clear();
    config->loadConfig();  // clears debugLogging: the stored value is what was saved, true
    // Loading entries switches the data proxies, which log lines of their own.
    std::vector<std::string> steps;
    for (const auto& m : logs().messages())
        if (m.rfind("load", 0) == 0) steps.push_back(m);
    EXPECT_EQ(steps, (std::vector<std::string>{"loadAllDataArray", "loadTagDataArray", "loadURLTemplateDataArray"}));
}

TEST_F(ConfigurationTest, DebugLoggingIsTheLogGate) {
    log(LogCategory::config, LogLevel::Default, "hidden");
    config->setDebugLogging(true);
    log(LogCategory::config, LogLevel::Default, "shown");
    config->setDebugLogging(false);
    log(LogCategory::config, LogLevel::Default, "hidden again");
    EXPECT_EQ(logs().messages(), std::vector<std::string>{"shown"});

    // Once the settings are gone, nothing asks for debug messages.
    config->setDebugLogging(true);
    config.reset();
    EXPECT_FALSE(logging::isDebugLoggingEnabled());
}

TEST_F(ConfigurationTest, DuringTheFirstRunEverySaveWritesLaunchedBeforeAndTheFlagStaysFalse) {
    ASSERT_FALSE(Configuration::launchedBefore());
    load();
    config->saveConfig(false);
    EXPECT_TRUE(defaults().boolForKey(Keys::launchedBefore));
    EXPECT_FALSE(Configuration::launchedBefore());

    defaults().removeObjectForKey(Keys::launchedBefore);
    config->saveConfig(false);
    EXPECT_TRUE(defaults().boolForKey(Keys::launchedBefore));
    EXPECT_FALSE(Configuration::launchedBefore());

    // The next start reads the stored flag; its saves leave the key alone.
    config = std::make_shared<Configuration>();
    EXPECT_TRUE(Configuration::launchedBefore());
    config->loadConfig();
    defaults().removeObjectForKey(Keys::launchedBefore);
    config->saveConfig(false);
    EXPECT_FALSE(defaults().objectForKey(Keys::launchedBefore).has_value());
}

TEST_F(ConfigurationTest, TheDefaultSearchScopeHoldsEachExistingApplicationsFolderOnceAndIsWorkedOutOnce) {
    const auto layout = platform::Paths::current();
    const fs::path user = layout.dataHome / "applications";
    const fs::path system = root() / "usr/share/applications";
    const fs::path local = root() / "usr/local/share/applications";
    fs::create_directories(user);
    fs::create_directories(system);
    // A data folder listed twice, and one without applications.
    auto twice = layout;
    twice.dataDirs = {root() / "usr/local/share", root() / "usr/share", root() / "usr/share", root() / "opt/share"};
    platform::Paths::setLayout(twice);
    fs::create_directories(root() / "opt/share");

    config->setDebugLogging(true);
    const auto scope = config->spotlightDefaultSearchScope();
    EXPECT_EQ(scope, (std::vector<std::string>{user.string(), system.string()}));
    const auto messages = logs().messages();
    EXPECT_EQ(messages.front(), "spotlightDefaultSearchScope:");
    for (const char* line : {"-> applicationFolderScope", "-> applicationFolderUserScope",
                             "-> applicationFolderSystemScope"})
        EXPECT_TRUE(logs().contains(line)) << line;
    EXPECT_TRUE(logs().contains("   checking path: " + local.string()));
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "   validated and added path: " + system.string()), 1);

    // A folder that appears later is not picked up, and nothing is asked again.
    fs::create_directories(local);
    logs().clear();
    EXPECT_EQ(config->spotlightDefaultSearchScope(), scope);
    EXPECT_TRUE(logs().messages().empty());
}

}  // namespace
