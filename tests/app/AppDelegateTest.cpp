#include <gtest/gtest.h>

#include <memory>

#include "app/AppDelegate.h"
#include "hotkeys/KeyCombo.h"
#include "platform/appkit/ModalScript.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/UserDefaults.h"
#include "store/Configuration.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"
#include "support/FreltTest.h"

using namespace frelt;

namespace {

class AppDelegateTest : public FreltTest {
protected:
    void TearDown() override {
        logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }
};

KeyCombo::Ptr combo(Key key, ModifierFlags flags) { return KeyCombo::make(key, flags); }

TEST_F(AppDelegateTest, OneDelegateOwnsTheLiveSettings) {
    auto delegate = AppDelegate::shared();
    ASSERT_NE(delegate->config, nullptr);
    EXPECT_EQ(AppDelegate::shared(), delegate);
    EXPECT_EQ(AppDelegate::shared()->config, delegate->config);
    // Its settings drive the log gate.
    delegate->config->setDebugLogging(true);
    EXPECT_TRUE(logging::isDebugLoggingEnabled());
}

TEST_F(AppDelegateTest, SavedSettingsComeBackInTheNextProcess) {
    namespace mf = platform::modifierflags;
    {
        auto c = AppDelegate::shared()->config;
        c->loadConfig();  // as at launch: nothing is saved before the stored values were read
        c->neverRemindMeRemoveTagDialog = true;
        c->neverRemindMeRenameTagDialog = true;
        c->useSmallModeInMainView = true;
        c->windowViewStyle = 1;
        c->mainWindowHeight = MainWindowHeight::height85;
        c->mainWindowWidth = MainWindowWidth::with550;
        c->clickType = 1;
        c->mainPopoverAnimated = true;
        c->alternateFolderBrowser = "/usr/share/applications/org.gnome.Nautilus.desktop";
        c->searchForComments = true;
        c->searchForTags = false;
        c->selectingTagsInMainWindowLaunchAll = true;
        c->showPathInMainView = true;
        c->selectTagsAndCategoriesOnHover = true;
        c->sidebarTagsCollapsed = true;
        c->sidebarCategoriesCollapsed = true;
        c->setSidebarCategoriesShowFiles(true);
        c->setSidebarCategoriesShowFolders(false);
        c->setSidebarCategoriesShowURLs(true);
        c->setSidebarCategoriesShowRecentApplications(true);
        c->setSidebarCategoriesShowActiveApplications(true);
        c->setSidebarCategoriesShowShortcuts(true);
        c->setSidebarCategoriesShowFavorites(true);
        c->sidebarCategoriesShowNumberOfElementInSidebar = true;
        c->menubarIcon = "statusbar-4";
        c->customSpotlightSearchScope = {"/opt/apps", "/srv/tools"};
        c->hotkeyBorder = true;
        c->setDebugLogging(true);
        c->entryBackgroundAlphaValue = 0.65f;
        c->translucentBackgroundRight = true;
        c->globalKeyCombo = combo(Key::space, mf::option);
        c->globalKeyComboCategoriesShowFiles = combo(Key::one, mf::command | mf::shift);
        c->globalKeyComboCategoriesShowURLs = combo(Key::u, mf::control);
        c->globalKeyComboCategoriesShowRecentApplications = combo(Key::f5, 0);
        c->globalKeyComboCategoriesShowActiveApplications = KeyCombo::makeDoubled(mf::shift);
        c->globalKeyComboCategoriesShowFavorites = combo(Key::leftBracket, mf::command | mf::option);
        c->globalKeyComboCategoriesShowShortcuts = combo(Key::s, mf::command | mf::control);
        for (const auto* field : {&c->globalKeyCombo, &c->globalKeyComboCategoriesShowFiles,
                                  &c->globalKeyComboCategoriesShowURLs, &c->globalKeyComboCategoriesShowRecentApplications,
                                  &c->globalKeyComboCategoriesShowActiveApplications,
                                  &c->globalKeyComboCategoriesShowFavorites, &c->globalKeyComboCategoriesShowShortcuts})
            ASSERT_NE(*field, nullptr);
        c->saveConfig(true);
    }
    // The process ends: every single instance goes, the defaults reach disk.
    platform::singleinstance::resetAll();
    logging::setDebugLoggingEnabled(false);

    auto c = AppDelegate::shared()->config;
    c->loadConfig();
    EXPECT_TRUE(Configuration::launchedBefore());
    EXPECT_TRUE(c->neverRemindMeRemoveTagDialog);
    EXPECT_TRUE(c->neverRemindMeRenameTagDialog);
    EXPECT_TRUE(c->useSmallModeInMainView);
    EXPECT_EQ(c->windowViewStyle, 1);
    EXPECT_EQ(c->mainWindowHeight, MainWindowHeight::height85);
    EXPECT_EQ(c->mainWindowWidth, MainWindowWidth::with550);
    EXPECT_EQ(c->clickType, 1);
    EXPECT_TRUE(c->mainPopoverAnimated);
    EXPECT_EQ(c->alternateFolderBrowser, "/usr/share/applications/org.gnome.Nautilus.desktop");
    EXPECT_TRUE(c->searchForComments);
    EXPECT_FALSE(c->searchForTags);
    EXPECT_TRUE(c->selectingTagsInMainWindowLaunchAll);
    EXPECT_TRUE(c->showPathInMainView);
    EXPECT_TRUE(c->selectTagsAndCategoriesOnHover);
    EXPECT_TRUE(c->sidebarTagsCollapsed);
    EXPECT_TRUE(c->sidebarCategoriesCollapsed);
    EXPECT_TRUE(c->sidebarCategoriesShowFiles());
    EXPECT_FALSE(c->sidebarCategoriesShowFolders());
    EXPECT_TRUE(c->sidebarCategoriesShowURLs());
    EXPECT_TRUE(c->sidebarCategoriesShowRecentApplications());
    EXPECT_TRUE(c->sidebarCategoriesShowActiveApplications());
    EXPECT_TRUE(c->sidebarCategoriesShowShortcuts());
    EXPECT_TRUE(c->sidebarCategoriesShowFavorites());
    EXPECT_TRUE(c->sidebarCategoriesShowNumberOfElementInSidebar);
    EXPECT_EQ(c->menubarIcon, "statusbar-4");
    EXPECT_EQ(c->customSpotlightSearchScope, (std::vector<std::string>{"/opt/apps", "/srv/tools"}));
    EXPECT_TRUE(c->hotkeyBorder);
    EXPECT_TRUE(c->debugLogging());
    EXPECT_TRUE(logging::isDebugLoggingEnabled());
    EXPECT_EQ(c->entryBackgroundAlphaValue, 0.65f);
    EXPECT_TRUE(c->translucentBackgroundRight);

    EXPECT_TRUE(sameKeyCombo(c->globalKeyCombo, combo(Key::space, mf::option)));
    EXPECT_TRUE(sameKeyCombo(c->globalKeyComboCategoriesShowFiles, combo(Key::one, mf::command | mf::shift)));
    EXPECT_EQ(c->globalKeyComboCategoriesShowFolders, nullptr);
    EXPECT_TRUE(sameKeyCombo(c->globalKeyComboCategoriesShowURLs, combo(Key::u, mf::control)));
    EXPECT_TRUE(sameKeyCombo(c->globalKeyComboCategoriesShowRecentApplications, combo(Key::f5, 0)));
    EXPECT_TRUE(sameKeyCombo(c->globalKeyComboCategoriesShowActiveApplications, KeyCombo::makeDoubled(mf::shift)));
    EXPECT_TRUE(
        sameKeyCombo(c->globalKeyComboCategoriesShowFavorites, combo(Key::leftBracket, mf::command | mf::option)));
    EXPECT_TRUE(sameKeyCombo(c->globalKeyComboCategoriesShowShortcuts, combo(Key::s, mf::command | mf::control)));
    ASSERT_NE(c->globalKeyCombo, nullptr);
    EXPECT_TRUE(platform::ModalScript::shared()->presented().empty());
}

}  // namespace
