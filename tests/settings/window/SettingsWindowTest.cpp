#include <gtest/gtest.h>

#include "SettingsWindowSupport.h"
#include "app/MenuManager.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/Storyboard.h"
#include "settings/window/ConfigViewControllerAdvanced.h"
#include "settings/window/ConfigViewControllerAppearance.h"
#include "settings/window/ConfigViewControllerGeneral.h"
#include "store/StoreConstants.h"
#include "support/KitHarness.h"

using namespace frelt;
namespace mf = frelt::modifierflags;

namespace {

TEST_F(SettingsWindowTest, TheStatusMenuOpensTheWindowWithTheRegisteredPanes) {
    const auto menus = MenuManager::shared();
    menus->prepareStatusbarMenu();
    menus->statusbarMenu->performActionForItem(menus->contextMenuShowSettingsMenuItem);
    EXPECT_EQ(FreltManager::shared()->openWindowTypes(), std::vector<FreltWindowEnum>{FreltWindowEnum::settings});
    const auto window = FreltWindow::registeredWindowController(FreltWindowEnum::settings)->window();
    EXPECT_EQ(tabLabels(window), (std::vector<std::string>{"General", "Appearance", "Granted Locations",
                                                            "URL Templates", "Advanced", "Search Scope"}));
    EXPECT_FALSE(FreltWindow::canOpenWindow(FreltWindowEnum::config)) << "the settings window is modal";

    // A pane whose scene cannot be built is left out; the others stay.
    platform::SceneRegistry::shared()->setSceneFails(ConfigTabViewController_Settings::storyboardName,
                                                     "ConfigViewControllerSearchScope");
    window->close();
    EXPECT_EQ(tabLabels(openSettings()), (std::vector<std::string>{"General", "Appearance", "Granted Locations",
                                                                    "URL Templates", "Advanced"}));
}

TEST_F(SettingsWindowTest, HotkeysPauseWhileShownAndEveryKindIsRegisteredAgainOnClose) {
    config().globalKeyCombo = combo(Key::g, mf::command | mf::shift);
    config().globalKeyComboCategoriesShowFiles = combo(Key::f2, 0);
    addEntry("https://mail.example", combo(Key::m));
    hotkeys()->registerAllHotKeys();
    // Something else has dropped them meanwhile: closing brings them back.
    center()->unregisterAll();

    const auto window = openSettings();
    EXPECT_TRUE(hotkeys()->hotkeysPaused());
    showPane<ConfigViewControllerAdvanced>(window, "ConfigViewControllerAdvanced");
    EXPECT_TRUE(hotkeys()->hotkeysPaused()) << "a tab switch keeps the pause";
    EXPECT_TRUE(held().empty());

    window->close();
    EXPECT_FALSE(hotkeys()->hotkeysPaused());
    for (const auto& combination : {combo(Key::g, mf::command | mf::shift), combo(Key::f2, 0), combo(Key::m)})
        EXPECT_TRUE(center()->isRegistered(*combination)) << combination->displayString();
}

TEST_F(SettingsWindowTest, ChangesReachTheUserDefaultsOnlyWhenTheWindowCloses) {
    config().loadConfig();  // as at launch: nothing is saved before the stored values were read
    config().menubarIcon = "statusbar-1";
    config().saveConfig(false);
    const auto window = openSettings();
    const auto general = showPane<ConfigViewControllerGeneral>(window, "ConfigViewControllerGeneral");
    ASSERT_TRUE(general);
    general->popupButtonMenuItem.lock()->selectItemAtIndex(2);

    showPane<ConfigViewControllerAdvanced>(window, "ConfigViewControllerAdvanced");
    EXPECT_EQ(config().menubarIcon, "statusbar-3") << "leaving the pane stores it in memory";
    EXPECT_EQ(config().defaults->stringForKey(DefaultsKeys::menubarIcon), "statusbar-1") << "but nothing is saved";

    window->close();
    EXPECT_EQ(config().defaults->stringForKey(DefaultsKeys::menubarIcon), "statusbar-3");
}

TEST_F(SettingsWindowTest, ACombinationRecordedForAFreshlyTickedCategoryIsNotOfferedToTheGlobalHotkey) {
    config().setSidebarCategoriesShowURLs(false);
    const auto window = openSettings();
    const auto appearance = showPane<ConfigViewControllerAppearance>(window, "ConfigViewControllerAppearance");
    kit::clickView(appearance->categoryCheckboxes[2].lock());
    const auto urls = appearance->categoryHotkeys[2].lock();
    const auto chosen = combo(Key::u, mf::command | mf::shift);
    ASSERT_TRUE(appearance->recordViewCanRecordKeyCombo(*urls, chosen));
    urls->setKeyCombo(chosen);
    appearance->recordViewDidChangeKeyCombo(*urls, chosen);
    EXPECT_FALSE(center()->isRegistered(*chosen)) << "the category shows only once stored";

    const auto general = showPane<ConfigViewControllerGeneral>(window, "ConfigViewControllerGeneral");
    const auto global = general->globalHotkey.lock();
    EXPECT_FALSE(general->recordViewCanRecordKeyCombo(*global, chosen));
    EXPECT_TRUE(general->recordViewCanRecordKeyCombo(*global, combo(Key::u, mf::command | mf::option)));

    window->close();
    EXPECT_TRUE(center()->isRegistered(*chosen));
    EXPECT_EQ(config().globalKeyComboCategoriesShowURLs, chosen);
}

TEST_F(SettingsWindowTest, TheTabBarSwitchesPanesAndTheWindowTakesEachPanesSize) {
    const auto window = openSettings();
    const auto tabs = tabsOf(window);
    const auto bar = tabs->tabBar.lock();
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->segmentCount(), 6);
    EXPECT_EQ(window->frame().size, (platform::Size{800, 480 + ConfigTabViewController_Settings::tabBarHeight}));

    bar->setSelectedSegment(4);  // Advanced
    bar->sendAction();
    EXPECT_EQ(tabs->selectedTabViewItemIndex(), 4);
    EXPECT_EQ(window->frame().size, (platform::Size{800, 150 + ConfigTabViewController_Settings::tabBarHeight}));
    const auto pane = tabs->selectedTabViewItem()->viewController()->view();
    EXPECT_EQ(pane->frame(), platform::Rect(0, ConfigTabViewController_Settings::tabBarHeight, 800, 150));
    EXPECT_EQ(pane->window(), window);
}

}  // namespace
