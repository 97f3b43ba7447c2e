#include "app/FreltWindowEnum.h"

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "app/FirstRunViewController.h"
#include "app/MainWindowBase.h"
#include "exchange/ExportImportManager.h"

using namespace frelt;

namespace {

using WindowManagerTest = ShellTest;

TEST_F(WindowManagerTest, KindsExistOnlyByTheirExactNames) {
    for (const auto kind : freltWindowKinds.allCases()) EXPECT_EQ(freltWindowEnumFromRawValue(rawValue(kind)), kind);
    for (const char* raw : {"Main", "", "main ", "firstrun"}) EXPECT_EQ(freltWindowEnumFromRawValue(raw), std::nullopt) << raw;
    EXPECT_EQ(FreltWindow::getStoryBoardAsString(FreltWindowEnum::settings), "ConfigSettings");
    EXPECT_EQ(FreltWindow::getWindowControllerIdentifier(FreltWindowEnum::firstRun), "FirstRunWindowController");
    EXPECT_EQ(FreltWindow::getViewControllerIdentifier(FreltWindowEnum::hotkeyOverview),
              "ConfigViewControllerHotkeyOverview");
}

TEST_F(WindowManagerTest, AKindWithoutItsSceneShowsNothingAndLogsIt) {
    // The settings window is not built: its scenes are missing.
    for (const auto kind : {FreltWindowEnum::settings, FreltWindowEnum::info}) {
        EXPECT_EQ(FreltWindow::showWindow(false, kind), nullptr);
        EXPECT_EQ(FreltWindow::registeredWindowController(kind), nullptr);
        EXPECT_TRUE(logs().contains(std::string("instantiateWindowController failed: ") + rawValue(kind)));
        EXPECT_EQ(FreltWindow::getViewController(kind), nullptr);
        EXPECT_TRUE(logs().contains(std::string("getViewController failed: ") + rawValue(kind)));
    }
    EXPECT_TRUE(app()->orderedWindows().empty());
}

TEST_F(WindowManagerTest, ShowingReusesTheOpenWindowOfAKind) {
    const auto scene = registerKind(FreltWindowEnum::info);
    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::info);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(app()->isActive());
    EXPECT_EQ(FreltWindow::kindOfWindow(*window), FreltWindowEnum::info);

    // Open and visible: the same window, nothing made, not shown again.
    auto other = std::make_shared<platform::Window>();
    other->makeKeyAndOrderFront();
    EXPECT_EQ(FreltWindow::showWindow(false, FreltWindowEnum::info), window);
    EXPECT_EQ(scene->made, 1);
    EXPECT_EQ(app()->orderedWindows().front(), other) << "a visible window is not brought forward";

    // Ordered out: shown again, still the same one.
    window->orderOut();
    EXPECT_EQ(FreltWindow::showWindow(false, FreltWindowEnum::info), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(scene->made, 1);

    // The main kind goes to the main-window manager and answers no window.
    EXPECT_EQ(FreltWindow::showWindow(false, FreltWindowEnum::main), nullptr);
    EXPECT_TRUE(mainShown());
}

TEST_F(WindowManagerTest, InstantiatingRegistersOnceButMakesTheMainControllerAfresh) {
    registerKind(FreltWindowEnum::info);
    const auto first = FreltWindow::instantiateWindowController(FreltWindowEnum::info);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowControllerType(), FreltWindowEnum::info);
    EXPECT_EQ(FreltWindow::instantiateWindowController(FreltWindowEnum::info), first);
    EXPECT_TRUE(logs().contains("instantiateWindowController: info - WindowController was already initialized!"));

    const auto main1 = FreltWindow::instantiateWindowController(FreltWindowEnum::main);
    const auto main2 = FreltWindow::instantiateWindowController(FreltWindowEnum::main);
    ASSERT_TRUE(main1 && main2);
    EXPECT_NE(main1, main2);
    EXPECT_EQ(FreltWindow::registeredWindowController(FreltWindowEnum::main), main2);
    EXPECT_TRUE(std::dynamic_pointer_cast<MainWindowController>(main2));
    // A failing scene changes nothing.
    registerKind(FreltWindowEnum::tags);
    platform::SceneRegistry::shared()->setSceneFails("ConfigTags", "ConfigWindowControllerTags");
    EXPECT_EQ(FreltWindow::instantiateWindowController(FreltWindowEnum::tags), nullptr);
    EXPECT_EQ(FreltWindow::registeredWindowController(FreltWindowEnum::tags), nullptr);
}

TEST_F(WindowManagerTest, ClosingAKindLogsAndDropsItsController) {
    registerKind(FreltWindowEnum::versionHistory);
    FreltWindow::closeWindow(FreltWindowEnum::versionHistory);
    EXPECT_TRUE(logs().messages().empty()) << "never shown: nothing to close, nothing logged";

    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::versionHistory);
    ASSERT_TRUE(window);
    logs().clear();
    FreltWindow::closeWindow(FreltWindowEnum::versionHistory);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(FreltWindow::registeredWindowController(FreltWindowEnum::versionHistory), nullptr);
    EXPECT_EQ(logs().messages().front(), "closeWindow: versionHistory");
    // The will-close observer drops it too, which is harmless.
    EXPECT_EQ(countLogged("removeWindowController: versionHistory"), 2u);

    // The next show makes a fresh controller.
    const auto again = FreltWindow::showWindow(false, FreltWindowEnum::versionHistory);
    ASSERT_TRUE(again);
    EXPECT_NE(again, window);
}

TEST_F(WindowManagerTest, AModalShowRunsALoopThatClosingTheWindowEnds) {
    const auto scene = registerKind(FreltWindowEnum::tags);
    scene->modalPanel = true;
    auto script = platform::ModalScript::shared();
    std::shared_ptr<platform::Window> seen;
    script->answerDialog([&](const std::shared_ptr<platform::Window>& window) {
        seen = window;
        EXPECT_TRUE(app()->isInModalSession());
        window->close();  // the controller ends the loop
        return platform::modalresponse::abort;
    });
    const auto window = FreltWindow::showWindow(true, FreltWindowEnum::tags);
    EXPECT_EQ(window, seen);
    EXPECT_FALSE(app()->isInModalSession());
    EXPECT_TRUE(script->verifyAllAnswersUsed());

    // Modal again with the window already open: the loop runs for that window.
    const auto open = FreltWindow::showWindow(false, FreltWindowEnum::tags);
    script->answerDialog([&](const std::shared_ptr<platform::Window>& w) {
        EXPECT_EQ(w, open);
        app()->stopModal();
        return platform::modalresponse::stop;
    });
    EXPECT_EQ(FreltWindow::showWindow(true, FreltWindowEnum::tags), open);
    EXPECT_EQ(scene->made, 2);
}

TEST_F(WindowManagerTest, OnlyWindowsThatMatterAreHeldBackByModalWindowsAndExchanges) {
    for (const auto kind : {FreltWindowEnum::info, FreltWindowEnum::firstRun, FreltWindowEnum::versionHistory,
                            FreltWindowEnum::hotkeyOverview})
        EXPECT_TRUE(FreltWindow::canOpenWindow(kind));

    registerKind(FreltWindowEnum::tags);
    ASSERT_TRUE(FreltWindow::showWindow(false, FreltWindowEnum::tags));
    app()->deactivate();
    logs().clear();
    {
        ExportImportManager::Running running(ExportImportManagerState::importRunning, false);
        for (const auto kind : {FreltWindowEnum::info, FreltWindowEnum::firstRun, FreltWindowEnum::versionHistory,
                                FreltWindowEnum::hotkeyOverview})
            EXPECT_TRUE(FreltWindow::canOpenWindow(kind));
        EXPECT_TRUE(logs().messages().empty()) << "those kinds are never checked";

        EXPECT_FALSE(FreltWindow::canOpenWindow(FreltWindowEnum::main));
        EXPECT_TRUE(logs().contains("Tried to open Window, but there's currently another Window open"));
        EXPECT_TRUE(logs().contains("Tried to open Window, but there's currently an export or import running"));
        EXPECT_FALSE(logs().contains("Tried to open Window, but there's currently a modal Window open"));
        EXPECT_TRUE(app()->isActive());
    }
    FreltWindow::closeWindow(FreltWindowEnum::tags);
    EXPECT_TRUE(FreltWindow::canOpenWindow(FreltWindowEnum::config));

    // A modal session (an alert on the desktop) holds back the main window too.
    app()->runModalSession([&] {
        EXPECT_FALSE(FreltWindow::canOpenWindow(FreltWindowEnum::main));
        app()->stopModal();
    });
    EXPECT_TRUE(logs().contains("Tried to open Window, but there's currently a modal Window open"));
}

TEST_F(WindowManagerTest, ABaseViewControllerReportsWhereItIsInItsLife) {
    const auto vc = std::make_shared<defaultFreltMainViewController>();
    EXPECT_EQ(vc->currentState(), defaultFreltMainViewControllerState::none);
    vc->loadViewIfNeeded();
    EXPECT_EQ(vc->currentState(), defaultFreltMainViewControllerState::viewDidLoad);
    auto window = std::make_shared<platform::Window>();
    window->setContentViewController(vc);
    window->makeKeyAndOrderFront();
    EXPECT_EQ(vc->currentState(), defaultFreltMainViewControllerState::viewDidAppear);
    window->close();
    EXPECT_EQ(vc->currentState(), defaultFreltMainViewControllerState::viewWillDisappear);
}

TEST_F(WindowManagerTest, TheFirstRunDialogLeafsThroughTwoPages) {
    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::firstRun);
    ASSERT_TRUE(window);
    EXPECT_TRUE(std::dynamic_pointer_cast<CustomFirstRunWindow>(window));
    auto pages = std::dynamic_pointer_cast<FirstRunViewController>(window->contentViewController());
    ASSERT_TRUE(pages);
    const auto buttons = [&] {
        return std::string(pages->btnBack.lock()->isHidden() ? "-" : "B") +
               (pages->btnForward.lock()->isHidden() ? "-" : "F") + (pages->btnDismiss.lock()->isHidden() ? "-" : "D");
    };
    EXPECT_EQ(pages->selectedIndex(), 0);
    EXPECT_EQ(buttons(), "-F-");
    ASSERT_TRUE(pages->selectedViewController());
    EXPECT_FALSE(pages->selectedViewController()->view()->subviews().empty()) << "page one has its content";

    pages->btnForward.lock()->performClick();
    EXPECT_EQ(pages->selectedIndex(), 1) << "Forward leafs on";
    EXPECT_EQ(buttons(), "B-D");
    EXPECT_TRUE(std::dynamic_pointer_cast<FirstRunSecondScreenViewController>(pages->selectedViewController()));
    pages->btnBack.lock()->performClick();
    EXPECT_EQ(pages->selectedIndex(), 0) << "Back leafs back";
    EXPECT_EQ(buttons(), "-F-");

    // Only the two raw values name pages; anything else is an empty page.
    EXPECT_EQ(pages->pageControllerIdentifierForObject(*pages, std::any(FirstRunPageEnum::pageTwo)),
              "frelt.FirstRunPageEnum.pageTwo");
    const auto empty = pages->pageControllerViewControllerForIdentifier(*pages, "pageOne");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->view()->subviews().empty());

    // Dismiss closes the dialog and forgets it; the next one starts on page one.
    pages->navigateForward();
    pages->btnDismiss.lock()->performClick();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(FreltWindow::registeredWindowController(FreltWindowEnum::firstRun), nullptr);
    const auto again = FreltWindow::showWindow(false, FreltWindowEnum::firstRun);
    ASSERT_TRUE(again);
    EXPECT_NE(again, window);
    auto fresh = std::dynamic_pointer_cast<FirstRunViewController>(again->contentViewController());
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->selectedIndex(), 0);
}

}  // namespace
