#include <gtest/gtest.h>

#include "SettingsWindowSupport.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/OpenPanel.h"
#include "settings/window/ConfigViewControllerAdvanced.h"
#include "settings/window/ConfigViewControllerGeneral.h"
#include "store/StoreConstants.h"
#include "support/KitHarness.h"
#include "support/PostCounter.h"

using namespace frelt;
namespace mf = frelt::modifierflags;

namespace {

class GeneralPaneTest : public SettingsWindowTest {
protected:
    void SetUp() override {
        SettingsWindowTest::SetUp();
    }
    // Opens the window on the pane, which loads the configuration as it is now.
    void open() {
        window = openSettings();
        pane = showPane<ConfigViewControllerGeneral>(window, "ConfigViewControllerGeneral");
        ASSERT_TRUE(pane);
    }
    // Leaves the pane (it stores) and comes back (it loads).
    void leaveAndReturn() {
        showPane<ConfigViewControllerAdvanced>(window, "ConfigViewControllerAdvanced");
        showPane<ConfigViewControllerGeneral>(window, "ConfigViewControllerGeneral");
    }
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ConfigViewControllerGeneral> pane;
};

TEST_F(GeneralPaneTest, AnUnknownMenuBarIconShowsAndStoresTheFirstAndEveryLeavePostsTheChange) {
    config().menubarIcon = "statusbar-9";
    PostCounter changed(Notifications::menubarIconChanged);
    open();

    const auto icons = pane->popupButtonMenuItem.lock();
    ASSERT_EQ(icons->numberOfItems(), 4u);
    EXPECT_EQ(icons->indexOfSelectedItem(), 0);
    for (std::size_t i = 0; i < 4; ++i) {
        const auto item = icons->itemAtIndex(i);
        EXPECT_EQ(item->title(), "") << "images only";
        EXPECT_EQ(item->tag(), long(i));
        ASSERT_TRUE(item->image());
        EXPECT_EQ(item->image()->size(), (platform::Size{18, 18}));
    }
    leaveAndReturn();
    EXPECT_EQ(config().menubarIcon, "statusbar-1");
    EXPECT_EQ(changed.count, 1);
    leaveAndReturn();
    EXPECT_EQ(changed.count, 2) << "posted even when nothing changed";
}

TEST_F(GeneralPaneTest, ModesCheckboxesAndTheBrowserPathRoundTripThroughTheConfiguration) {
    config().windowViewStyle = 1;
    config().clickType = 7;  // no such choice: the pop-up shows its first
    config().mainPopoverAnimated = true;
    config().searchForComments = false;
    config().selectTagsAndCategoriesOnHover = true;
    config().alternateFolderBrowser = "/opt/files.desktop";
    open();

    EXPECT_EQ(pane->popupButtonWindowType.lock()->titleOfSelectedItem(), "Centered on Screen");
    EXPECT_EQ(pane->popupButtonClickType.lock()->indexOfSelectedItem(), 0);
    EXPECT_TRUE(isOnButton(pane->checkboxMainWindowAnimated));
    EXPECT_FALSE(isOnButton(pane->checkboxSearchInComments));
    EXPECT_EQ(pane->textfieldAlternateBrowser.lock()->stringValue(), "/opt/files.desktop");

    pane->popupButtonWindowType.lock()->selectItemAtIndex(0);
    pane->popupButtonClickType.lock()->selectItemAtIndex(1);
    kit::clickView(pane->checkboxSelectTagsAndCategoriesOnHover.lock());
    pane->textfieldAlternateBrowser.lock()->setStringValue("  typed by hand ");
    leaveAndReturn();
    EXPECT_EQ(config().windowViewStyle, 0);
    EXPECT_EQ(config().clickType, 1);
    EXPECT_FALSE(config().selectTagsAndCategoriesOnHover);
    EXPECT_TRUE(config().mainPopoverAnimated);
    EXPECT_EQ(config().alternateFolderBrowser, "  typed by hand ") << "stored as typed";
}

TEST_F(GeneralPaneTest, TagSearchChoicesActAtOnceAndFollowTheSearchSwitch) {
    config().searchForTags = true;
    config().selectingTagsInMainWindowLaunchAll = false;
    open();
    const auto launchAll = pane->checkboxSearchInTagsLaunchAll.lock();
    const auto view = pane->checkboxSearchInTagsView.lock();
    EXPECT_TRUE(launchAll->isEnabled());
    EXPECT_TRUE(isOnButton(view)) << "the other choice of the pair shows";

    kit::clickView(launchAll);
    EXPECT_TRUE(config().selectingTagsInMainWindowLaunchAll) << "at once";
    EXPECT_FALSE(isOnButton(view));
    kit::clickView(view);
    EXPECT_FALSE(config().selectingTagsInMainWindowLaunchAll);
    EXPECT_FALSE(isOnButton(launchAll));

    kit::clickView(pane->checkboxSearchInTags.lock());
    EXPECT_FALSE(config().searchForTags) << "at once, before the pane is left";
    EXPECT_FALSE(launchAll->isEnabled());
    EXPECT_FALSE(view->isEnabled());
}

TEST_F(GeneralPaneTest, TheGlobalRecorderRefusesTakenCombinationsAndRegistersAtOnce) {
    addEntry("https://mail.example", combo(Key::m));
    hotkeys()->registerHotKeys(HotKeyType::userDefinedKey);
    open();
    const auto recorder = pane->globalHotkey.lock();
    ASSERT_EQ(recorder->delegate().get(), static_cast<RecordViewDelegate*>(pane.get()));
    EXPECT_TRUE(pane->recordViewShouldBeginRecording(*recorder));
    auto stranger = RecordView::make();
    EXPECT_FALSE(pane->recordViewShouldBeginRecording(*stranger));

    EXPECT_FALSE(pane->recordViewCanRecordKeyCombo(*recorder, combo(Key::m))) << "an entry has it";
    const auto chosen = combo(Key::k, mf::command | mf::option);
    EXPECT_TRUE(pane->recordViewCanRecordKeyCombo(*recorder, chosen));
    pane->recordViewDidChangeKeyCombo(*recorder, chosen);
    EXPECT_EQ(config().globalKeyCombo, chosen);
    EXPECT_TRUE(center()->isRegistered(*chosen));
    EXPECT_FALSE(pane->recordViewCanRecordKeyCombo(*recorder, chosen)) << "its own registration counts";
    EXPECT_TRUE(hotkeys()->hotkeysPaused());

    pane->recordViewDidChangeKeyCombo(*recorder, nullptr);
    EXPECT_FALSE(config().globalKeyCombo);
    EXPECT_FALSE(center()->isRegistered(*chosen));
    EXPECT_TRUE(hotkeys()->hotkeysPaused());
}

TEST_F(GeneralPaneTest, TheApplicationChooserFillsTheFieldOnlyWhenAnApplicationIsChosen) {
    open();
    const auto field = pane->textfieldAlternateBrowser.lock();
    field->setStringValue("before");
    const auto script = platform::ModalScript::shared();
    script->cancelOpenPanel();
    pane->buttonSelectAlternateBrowser_click();
    drain();
    EXPECT_EQ(field->stringValue(), "before");

    const auto chosen = platform::URL::fileURL("/usr/share/applications/org.example.Files.desktop");
    script->answerOpenPanel([&](platform::OpenPanel& panel) {
        EXPECT_EQ(panel.allowedFileTypes(), std::vector<std::string>{"desktop"});
        EXPECT_FALSE(panel.canChooseDirectories());
        EXPECT_FALSE(panel.allowsMultipleSelection());
        return platform::PanelAnswer{platform::modalresponse::ok, {chosen}};
    });
    pane->buttonSelectAlternateBrowser_click();
    drain();
    EXPECT_EQ(field->stringValue(), "/usr/share/applications/org.example.Files.desktop");
    EXPECT_EQ(config().alternateFolderBrowser, "") << "the setting waits for the pane to be left";
}

}  // namespace
