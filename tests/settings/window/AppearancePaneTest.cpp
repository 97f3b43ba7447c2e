#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "SettingsWindowSupport.h"
#include "settings/window/ConfigViewControllerAdvanced.h"
#include "settings/window/ConfigViewControllerAppearance.h"
#include "store/StoreConstants.h"
#include "support/KitHarness.h"

using namespace frelt;
namespace mf = frelt::modifierflags;
using Category = ConfigViewControllerAppearance::Category;

namespace {

class AppearancePaneTest : public SettingsWindowTest {
protected:
    void SetUp() override {
        SettingsWindowTest::SetUp();
        window = openSettings();
        leave();
    }
    // Brings the pane on screen, which loads the configuration as it is now.
    void show() {
        pane = showPane<ConfigViewControllerAppearance>(window, "ConfigViewControllerAppearance");
        ASSERT_TRUE(pane);
    }
    void leave() { showPane<ConfigViewControllerAdvanced>(window, "ConfigViewControllerAdvanced"); }
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ConfigViewControllerAppearance> pane;
};

TEST_F(AppearancePaneTest, TheIntensityIsKeptWithinRange) {
    struct Case {
        float stored;
        double sliderShown;
        double sliderSet;
        float storedBack;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const auto& c : std::vector<Case>{{1.5f, 20, 100, 1.0f},
                                           {0.5f, 50, 0, 0.0f},
                                           {-0.1f, 20, 130, 1.0f},  // the slider stops at 100
                                           {nan, 20, std::nan(""), 0.2f}}) {
        config().entryBackgroundAlphaValue = c.stored;
        show();
        const auto slider = pane->backgroundColorIntensity.lock();
        EXPECT_NEAR(slider->doubleValue(), c.sliderShown, 1e-4) << c.stored;
        slider->setObjectValue(platform::Value(c.sliderSet));
        slider->sendAction();
        EXPECT_FLOAT_EQ(pane->mainViewPreviewBackground.lock()->alphaColor(), std::min(c.storedBack, 1.0f));
        leave();
        EXPECT_FLOAT_EQ(config().entryBackgroundAlphaValue, c.storedBack) << c.stored;
    }
}

TEST_F(AppearancePaneTest, UntickingACategoryEmptiesItsRecorderAndDropsItsHotkeyOnClose) {
    config().setSidebarCategoriesShowFolders(true);
    config().globalKeyComboCategoriesShowFolders = combo(Key::f1, 0);
    hotkeys()->registerHotKeys(HotKeyType::categoryKey);
    show();
    const auto checkbox = pane->categoryCheckboxes[1].lock();
    const auto recorder = pane->categoryHotkeys[1].lock();
    EXPECT_TRUE(recorder->isEnabled());
    EXPECT_EQ(recorder->keyCombo(), config().globalKeyComboCategoriesShowFolders);

    kit::clickView(checkbox);
    EXPECT_FALSE(recorder->isEnabled());
    EXPECT_FALSE(recorder->keyCombo());
    EXPECT_FALSE(pane->recordViewShouldBeginRecording(*recorder));
    EXPECT_TRUE(config().sidebarCategoriesShowFolders()) << "the configuration waits for the store";

    window->close();
    EXPECT_FALSE(config().sidebarCategoriesShowFolders());
    EXPECT_FALSE(config().globalKeyComboCategoriesShowFolders);
    EXPECT_FALSE(center()->isRegistered(*combo(Key::f1, 0))) << "the hotkey is gone once the window closed";
}

TEST_F(AppearancePaneTest, TickingACategoryShowsItAndItsRecordedHotkeyWorksAfterClosing) {
    config().loadConfig();  // as at launch: nothing is saved before the stored values were read
    // A fresh user: every category starts hidden.
    for (const auto category : ConfigViewControllerAppearance::categories())
        ConfigViewControllerAppearance::setShowFlag(config(), category, false);
    config().globalKeyCombo = combo(Key::space, mf::option);
    hotkeys()->registerHotKeys(HotKeyType::globalHotKey);
    show();
    const auto checkbox = pane->categoryCheckboxes[5].lock();
    const auto recorder = pane->categoryHotkeys[5].lock();
    EXPECT_FALSE(recorder->isEnabled());
    kit::clickView(checkbox);
    EXPECT_TRUE(recorder->isEnabled());
    ASSERT_TRUE(pane->recordViewShouldBeginRecording(*recorder));
    EXPECT_FALSE(pane->recordViewCanRecordKeyCombo(*recorder, combo(Key::space, mf::option))) << "the global hotkey's";

    const auto chosen = combo(Key::f5, mf::command);
    recorder->setKeyCombo(chosen);
    pane->recordViewDidChangeKeyCombo(*recorder, chosen);
    EXPECT_EQ(config().globalKeyComboCategoriesShowFavorites, chosen);
    EXPECT_TRUE(hotkeys()->hotkeysPaused());

    window->close();
    EXPECT_TRUE(config().sidebarCategoriesShowFavorites());
    EXPECT_EQ(config().globalKeyComboCategoriesShowFavorites, chosen);
    EXPECT_TRUE(center()->isRegistered(*chosen));
    EXPECT_TRUE(config().defaults->boolForKey(DefaultsKeys::sidebarCategoriesShowFavorites)) << "saved on close";
    EXPECT_FALSE(hotkeys()->hotkeysPaused());
}

TEST_F(AppearancePaneTest, ChangedCategoriesRebuildTheSidebarWhenTheWindowCloses) {
    int rebuilds = 0;
    const auto observation = platform::NotificationCenter::defaultCenter().observe(
        Notifications::visibleTagsRebuildNeeded, nullptr, [&rebuilds](const platform::Notification&) { ++rebuilds; });
    config().setSidebarCategoriesShowFiles(false);
    show();
    kit::clickView(pane->categoryCheckboxes[0].lock());
    EXPECT_EQ(rebuilds, 0) << "nothing changes before the store";
    window->close();
    EXPECT_TRUE(config().sidebarCategoriesShowFiles());
    EXPECT_EQ(rebuilds, 1);

    window = openSettings();
    show();
    window->close();
    EXPECT_EQ(rebuilds, 1) << "no rebuild when no category changed";
}

TEST_F(AppearancePaneTest, LoadingClearsTheHotkeyOfAHiddenCategory) {
    config().setSidebarCategoriesShowURLs(false);
    config().globalKeyComboCategoriesShowURLs = combo(Key::u);
    show();
    EXPECT_FALSE(config().globalKeyComboCategoriesShowURLs);
    EXPECT_FALSE(pane->categoryHotkeys[2].lock()->keyCombo());
    EXPECT_FALSE(isOnButton(pane->categoryCheckboxes[2]));
}

TEST_F(AppearancePaneTest, LeavingPostsTheThreeChangesInOrderEvenWithoutAChange) {
    show();
    std::vector<std::string> posted;
    std::vector<platform::Subscription> observations;
    for (const char* name : {Notifications::showPathInMainViewChanged, Notifications::useSmallModeInMainViewChanged,
                             Notifications::sidebarCategoriesShowNumberOfElementInSidebarChanged})
        observations.push_back(platform::NotificationCenter::defaultCenter().observe(
            name, nullptr, [&posted](const platform::Notification& n) { posted.push_back(n.name); }));
    leave();
    EXPECT_EQ(posted, (std::vector<std::string>{"showPathInMainViewChanged", "useSmallModeInMainViewChanged",
                                                 "sidebarCategoriesShowNumberOfElementInSidebarChanged"}));
}

TEST_F(AppearancePaneTest, ThePreviewFollowsTheSwitchesBeforeTheyAreStored) {
    config().showPathInMainView = false;
    config().hotkeyBorder = false;
    show();
    const auto path = pane->mainViewPreviewPath.lock();
    const auto hotkey = pane->mainViewPreviewHotkey.lock();
    EXPECT_TRUE(path->isHidden());
    EXPECT_FALSE(hotkey->isBordered());
    EXPECT_EQ(hotkey->title(), "Hotkey");

    kit::clickView(pane->checkboxShowPathInMainView.lock());
    kit::clickView(pane->checkboxDrawBorderAroundHotkey.lock());
    EXPECT_FALSE(path->isHidden());
    EXPECT_TRUE(hotkey->isBordered());
    EXPECT_FALSE(config().showPathInMainView);
    leave();
    EXPECT_TRUE(config().showPathInMainView);
    EXPECT_TRUE(config().hotkeyBorder);
}

TEST_F(AppearancePaneTest, TheWindowSizeChoicesRoundTrip) {
    config().mainWindowWidth = MainWindowWidth::with550;
    config().mainWindowHeight = MainWindowHeight::height90;
    show();
    const auto width = pane->mainWindowWidth.lock();
    const auto height = pane->mainWindowHeight.lock();
    EXPECT_EQ(width->itemTitles(), (std::vector<std::string>{"550px", "600px", "650px", "700px", "750px", "800px"}));
    EXPECT_EQ(height->numberOfItems(), 9u);
    EXPECT_EQ(width->titleOfSelectedItem(), "550px");
    EXPECT_EQ(height->titleOfSelectedItem(), "90%");
    width->selectItemAtIndex(5);
    height->selectItemAtIndex(1);
    leave();
    EXPECT_EQ(config().mainWindowWidth, MainWindowWidth::with800);
    EXPECT_EQ(config().mainWindowHeight, MainWindowHeight::height55);
}

}  // namespace
