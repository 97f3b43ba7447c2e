// The settings window worked by hand on the Qt backend: its tab bar, and
// every control of the General, Appearance and Advanced panes reached by a
// click, a drag or keys, with what each leaves in the settings.

#include <filesystem>
#include <fstream>

#include "SettingsInputSupport.h"
#include "app/AutoLaunchManager.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/Slider.h"
#include "platform/appkit/TextField.h"
#include "settings/window/ConfigTabViewController_Settings.h"
#include "settings/window/ConfigViewControllerAdvanced.h"
#include "settings/window/ConfigViewControllerAppearance.h"
#include "settings/window/ConfigViewControllerGeneral.h"

using namespace frelt;
namespace mf = frelt::modifierflags;

namespace {

const std::array<Key, 7> digitKeys{Key::one, Key::two, Key::three, Key::four, Key::five, Key::six, Key::seven};

class SettingsWindowInputTest : public SettingsInputTest {
protected:
    void open() {
        window = show(FreltWindowEnum::settings);
        ASSERT_TRUE(window && window->isVisible());
        tabs = std::dynamic_pointer_cast<ConfigTabViewController_Settings>(window->contentViewController());
        ASSERT_TRUE(tabs);
        ASSERT_TRUE(tabs->tabBar.lock());
    }
    long tabIndex(const std::string& scene) const {
        for (std::size_t i = 0; i < tabs->tabViewItems().size(); ++i)
            if (tabs->tabViewItems()[i]->identifier() == scene) return long(i);
        ADD_FAILURE() << "no tab " << scene;
        return -1;
    }
    // A click on the pane's tab: the pane shown (and the one left stored).
    template <class Pane>
    std::shared_ptr<Pane> clickTab(const std::string& scene) {
        const long index = tabIndex(scene);
        clickSegment(tabs->tabBar.lock(), index);
        EXPECT_EQ(tabs->selectedTabViewItemIndex(), index) << "the click did not switch to " << scene;
        return std::dynamic_pointer_cast<Pane>(tabs->tabViewItems()[std::size_t(index)]->viewController());
    }
    // Clicks a recorder and presses a chord in it.
    void record(const std::shared_ptr<RecordView>& recorder, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        clickOn(recorder);
        ASSERT_TRUE(recorder->isRecording) << "a click did not start recording";
        userinput::key(*window, key, modifiers);
        settle();
    }

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ConfigTabViewController_Settings> tabs;
};

TEST_F(SettingsWindowInputTest, EachTabOfTheBarShowsItsPaneWhenClicked) {
    open();
    const auto& panes = ConfigTabViewController_Settings::panes();
    // Round the bar and back to the first, so every tab is clicked once.
    for (std::size_t step = 1; step <= panes.size(); ++step) {
        const auto& pane = panes[step % panes.size()];
        SCOPED_TRACE(pane.label);
        const auto controller = clickTab<platform::ViewController>(pane.sceneIdentifier);
        ASSERT_TRUE(controller);
        const auto view = controller->view();
        EXPECT_TRUE(view->window() == window && !view->isHiddenOrHasHiddenAncestor()) << "the pane is not shown";
        EXPECT_EQ(tabs->tabBar.lock()->selectedSegment(), tabIndex(pane.sceneIdentifier));
    }
}

TEST_F(SettingsWindowInputTest, EveryControlOfTheGeneralPaneIsSetByHandAndStoredWhenThePaneIsLeft) {
    auto& c = config();
    c.windowViewStyle = 0;
    c.clickType = 0;
    c.mainPopoverAnimated = false;
    c.searchForComments = false;
    c.searchForTags = false;
    c.selectingTagsInMainWindowLaunchAll = false;
    c.selectTagsAndCategoriesOnHover = false;
    c.alternateFolderBrowser = "";
    c.menubarIcon = c.availableMenubarIcons.at(0);
    c.globalKeyCombo = nullptr;
    ASSERT_GE(c.availableWindowStyles.size(), 2u);
    ASSERT_GE(c.availableClickTypes.size(), 2u);
    ASSERT_GE(c.availableMenubarIcons.size(), 3u);
    const auto files = root() / "apps" / "org.example.Files.desktop";
    std::filesystem::create_directories(files.parent_path());
    std::ofstream(files) << "[Desktop Entry]\nType=Application\nName=Files\nExec=files\n";
    open();
    const auto pane = tabs->selectedTabViewItemIndex() == tabIndex("ConfigViewControllerGeneral")
                          ? std::dynamic_pointer_cast<ConfigViewControllerGeneral>(
                                tabs->tabViewItems()[std::size_t(tabs->selectedTabViewItemIndex())]->viewController())
                          : clickTab<ConfigViewControllerGeneral>("ConfigViewControllerGeneral");
    ASSERT_TRUE(pane);

    struct Step {
        const char* control;
        std::function<void()> act;
        std::function<void()> immediately;  // what the input did at once
    };
    const std::vector<Step> steps{
        {"main window pop-up", [&] { chooseAt(pane->popupButtonWindowType.lock(), 1); }, [] {}},
        {"animate check box", [&] { clickOn(pane->checkboxMainWindowAnimated.lock()); },
         [&] { EXPECT_TRUE(isOn(pane->checkboxMainWindowAnimated)); }},
        {"launching pop-up", [&] { chooseAt(pane->popupButtonClickType.lock(), 1); }, [] {}},
        {"tray icon pop-up (pictures)", [&] { chooseAt(pane->popupButtonMenuItem.lock(), 2); }, [] {}},
        {"global hotkey recorder",
         [&] { record(pane->globalHotkey.lock(), Qt::Key_K, Qt::ControlModifier | Qt::AltModifier); },
         [&] {
             EXPECT_TRUE(same(c.globalKeyCombo, combo(Key::k, mf::command | mf::option))) << "registered at once";
         }},
        {"search in comments", [&] { clickOn(pane->checkboxSearchInComments.lock()); }, [] {}},
        {"search in tags", [&] { clickOn(pane->checkboxSearchInTags.lock()); },
         [&] {
             EXPECT_TRUE(c.searchForTags) << "at once";
             EXPECT_TRUE(pane->checkboxSearchInTagsLaunchAll.lock()->isEnabled());
         }},
        {"launch all (radio)", [&] { clickOn(pane->checkboxSearchInTagsLaunchAll.lock()); },
         [&] {
             EXPECT_TRUE(c.selectingTagsInMainWindowLaunchAll);
             EXPECT_FALSE(isOn(pane->checkboxSearchInTagsView));
         }},
        {"show in the window (radio)", [&] { clickOn(pane->checkboxSearchInTagsView.lock()); },
         [&] { EXPECT_FALSE(c.selectingTagsInMainWindowLaunchAll); }},
        {"select on hover", [&] { clickOn(pane->checkboxSelectTagsAndCategoriesOnHover.lock()); }, [] {}},
        {"folder browser field",
         [&] {
             clickOn(pane->textfieldAlternateBrowser.lock());
             userinput::type(*window, "nautilus");
             settle();
         },
         [&] { EXPECT_EQ(c.alternateFolderBrowser, "") << "stored when the pane is left"; }},
        {"Choose... (file dialog)",
         [&] {
             const auto answer = userinput::answerFileDialog(QString::fromStdString(files.string()));
             const auto button = pane->view()->subviews();
             std::shared_ptr<platform::Button> choose;
             for (const auto& v : button)
                 if (auto b = std::dynamic_pointer_cast<platform::Button>(v); b && b->title() == "Choose…") choose = b;
             ASSERT_TRUE(choose);
             clickOn(choose);
             EXPECT_TRUE(runUntil([&] { return answer->done(); })) << "no file dialog showed";
             EXPECT_TRUE(runUntil([&] { return pane->textfieldAlternateBrowser.lock()->stringValue() == files.string(); }));
         },
         [] {}},
        {"start at login", [&] { clickOn(pane->checkboxLaunchAtLogin.lock()); },
         [] { EXPECT_TRUE(AutoLaunchManager::shared()->isLoginItemEnabled()) << "at once"; }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.control);
        step.act();
        step.immediately();
    }

    clickTab<ConfigViewControllerAdvanced>("ConfigViewControllerAdvanced");
    EXPECT_EQ(c.windowViewStyle, c.availableWindowStyles[1].index);
    EXPECT_TRUE(c.mainPopoverAnimated);
    EXPECT_EQ(c.clickType, c.availableClickTypes[1].index);
    EXPECT_EQ(c.menubarIcon, c.availableMenubarIcons[2]);
    EXPECT_TRUE(same(c.globalKeyCombo, combo(Key::k, mf::command | mf::option)));
    EXPECT_TRUE(c.searchForComments);
    EXPECT_TRUE(c.searchForTags);
    EXPECT_FALSE(c.selectingTagsInMainWindowLaunchAll);
    EXPECT_TRUE(c.selectTagsAndCategoriesOnHover);
    EXPECT_EQ(c.alternateFolderBrowser, files.string()) << "the chosen application replaced what was typed";
    EXPECT_TRUE(AutoLaunchManager::shared()->isLoginItemEnabled());
}

TEST_F(SettingsWindowInputTest, EveryControlOfTheAppearancePaneIsSetByHandAndStoredWhenThePaneIsLeft) {
    auto& c = config();
    c.showPathInMainView = false;
    c.useSmallModeInMainView = false;
    c.sidebarCategoriesShowNumberOfElementInSidebar = false;
    c.hotkeyBorder = false;
    c.translucentBackgroundRight = false;
    c.entryBackgroundAlphaValue = 0.2f;
    c.mainWindowWidth = allMainWindowWidths().front();
    c.mainWindowHeight = allMainWindowHeights().front();
    for (std::size_t i = 0; i < ConfigViewControllerAppearance::categoryCount; ++i)
        ConfigViewControllerAppearance::setShowFlag(c, ConfigViewControllerAppearance::categories()[i], false);
    open();
    const auto pane = clickTab<ConfigViewControllerAppearance>("ConfigViewControllerAppearance");
    ASSERT_TRUE(pane);

    // Each category: ticked by a click, its recorder (enabled by the tick)
    // given Ctrl+Alt and a digit.
    for (std::size_t i = 0; i < ConfigViewControllerAppearance::categoryCount; ++i) {
        SCOPED_TRACE("category " + std::to_string(i));
        const auto recorder = pane->categoryHotkeys[i].lock();
        EXPECT_FALSE(recorder->isEnabled());
        clickOn(pane->categoryCheckboxes[i].lock());
        ASSERT_TRUE(isOn(pane->categoryCheckboxes[i]));
        ASSERT_TRUE(recorder->isEnabled()) << "the tick enables the recorder";
        record(recorder, Qt::Key(Qt::Key_1 + int(i)), Qt::ControlModifier | Qt::AltModifier);
        EXPECT_TRUE(same(recorder->keyCombo(), combo(digitKeys[i], mf::command | mf::option)))
            << "the chord did not reach the recorder";
    }
    for (const auto& box : {pane->checkboxShowNumberOfElementInSidebar, pane->checkboxShowPathInMainView,
                            pane->checkboxUseSmallModeInMainView, pane->checkboxDrawBorderAroundHotkey,
                            pane->checkboxTranslucentBackgroundRight}) {
        SCOPED_TRACE(box.lock()->title());
        clickOn(box.lock());
        EXPECT_TRUE(isOn(box));
    }
    chooseAt(pane->mainWindowWidth.lock(), 1);
    chooseAt(pane->mainWindowHeight.lock(), 2);

    // The slider dragged from its knob to the far end: the value follows
    // the drag, and the knob is drawn where the value is while it moves.
    const auto slider = pane->backgroundColorIntensity.lock();
    ASSERT_TRUE(slider);
    const platform::Rect b = slider->bounds();
    const double knobX = b.minX() + b.width() * 0.2;
    userinput::press(*window, slider->convertPointToWindow({knobX, b.midY()}));
    userinput::moveTo(*window, slider->convertPointToWindow({b.minX() + b.width() * 0.5, b.midY()}));
    settle();
    EXPECT_NEAR(slider->doubleValue(), 50, 6) << "the value follows the knob while dragging";
    userinput::moveTo(*window, slider->convertPointToWindow({b.maxX() + 40, b.midY()}));
    userinput::release(*window, slider->convertPointToWindow({b.maxX() + 40, b.midY()}));
    settle();
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 100);

    clickTab<ConfigViewControllerAdvanced>("ConfigViewControllerAdvanced");
    for (std::size_t i = 0; i < ConfigViewControllerAppearance::categoryCount; ++i) {
        const auto category = ConfigViewControllerAppearance::categories()[i];
        EXPECT_TRUE(ConfigViewControllerAppearance::showFlag(c, category)) << "category " << i;
        EXPECT_TRUE(same(ConfigViewControllerAppearance::keyCombo(c, category),
                         combo(digitKeys[i], mf::command | mf::option)))
            << "category " << i;
    }
    EXPECT_TRUE(c.sidebarCategoriesShowNumberOfElementInSidebar);
    EXPECT_TRUE(c.showPathInMainView);
    EXPECT_TRUE(c.useSmallModeInMainView);
    EXPECT_TRUE(c.hotkeyBorder);
    EXPECT_TRUE(c.translucentBackgroundRight);
    EXPECT_EQ(c.mainWindowWidth, allMainWindowWidths()[1]);
    EXPECT_EQ(c.mainWindowHeight, allMainWindowHeights()[2]);
    EXPECT_FLOAT_EQ(c.entryBackgroundAlphaValue, 1.0f);
}

TEST_F(SettingsWindowInputTest, TheAdvancedPanesCheckBoxAndButtonsWorkByClicks) {
    auto& c = config();
    c.setDebugLogging(false);
    c.neverRemindMeRenameTagDialog = true;
    c.neverRemindMeRemoveTagDialog = true;
    open();
    const auto pane = clickTab<ConfigViewControllerAdvanced>("ConfigViewControllerAdvanced");
    ASSERT_TRUE(pane);
    auto button = [&](const std::string& title) {
        for (const auto& v : pane->view()->subviews())
            if (auto b = std::dynamic_pointer_cast<platform::Button>(v); b && b->title() == title) return b;
        ADD_FAILURE() << "no button " << title;
        return std::shared_ptr<platform::Button>();
    };

    clickOn(pane->checkBoxEnableDebugLogging.lock());
    clickOn(button("Reset Warnings"));
    EXPECT_FALSE(c.neverRemindMeRenameTagDialog);
    EXPECT_FALSE(c.neverRemindMeRemoveTagDialog);

    const auto report = root() / "report.txt";
    const auto answer = userinput::answerFileDialog(QString::fromStdString(report.string()));
    clickOn(button("Export Diagnostics…"));
    EXPECT_TRUE(runUntil([&] { return answer->done(); })) << "no save dialog showed";
    EXPECT_TRUE(runUntil([&] { return std::filesystem::exists(report); })) << "the report was not written";

    clickTab<ConfigViewControllerGeneral>("ConfigViewControllerGeneral");
    EXPECT_TRUE(c.debugLogging()) << "the tick is stored when the pane is left";
}

}  // namespace
