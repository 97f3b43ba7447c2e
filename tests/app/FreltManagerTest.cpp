#include "app/FreltManager.h"

#include <gtest/gtest.h>

#include <fstream>

#include "ShellTestSupport.h"
#include "exchange/ExportImportManager.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Event.h"
#include "platform/appkit/KitBackend.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/Screen.h"
#include "platform/appkit/Workspace.h"
#include "store/StoreConstants.h"
#include "support/KitHarness.h"

using namespace frelt;

namespace {

class FreltManagerTest : public ShellTest {
protected:
    static std::shared_ptr<Configuration> config() { return AppDelegate::shared()->config; }
    static void useWindows() { config()->windowViewStyle = 1; }
    // Two screens side by side; the tray item sits at the top of the first.
    static void twoScreens() {
        platform::Screen::setScreens({{platform::Rect(0, 0, 1920, 1080), platform::Rect(0, 25, 1920, 1055), "left"},
                                      {platform::Rect(1920, 0, 1280, 1024), platform::Rect(1920, 0, 1280, 1024), "right"}});
    }
    static void mouseAt(platform::Point p) { platform::Event::setMouseLocation(p); }
    static std::shared_ptr<platform::Window> mainWindow() { return manager()->windowControllerMain()->window(); }
};

TEST_F(FreltManagerTest, TheWindowIsSizedFromTheSettingsAndCentredOnTheScreenUnderTheMouse) {
    useWindows();
    twoScreens();
    mouseAt({100, 100});
    manager()->mainWindowShow();
    ASSERT_EQ(state(), MainWindowState::window);
    // The defaults: 700 points wide, 70 % of 1080 high.
    EXPECT_EQ(mainWindow()->frame(), platform::Rect(610, 162, 700, 756));
    EXPECT_EQ(mainWindow()->level(), platform::windowlevel::modalPanel);
    EXPECT_TRUE(mainWindow()->isKeyWindow());
    EXPECT_TRUE(app()->isActive());
    manager()->closeMainWindow();

    struct Case {
        MainWindowWidth width;
        MainWindowHeight height;
        platform::Size size;  // on the right screen, 1024 high
    };
    for (const auto& c : {Case{MainWindowWidth::with550, MainWindowHeight::height50, {550, 512}},
                          Case{MainWindowWidth::with800, MainWindowHeight::height90, {800, 922}},
                          Case{MainWindowWidth::with650, MainWindowHeight::height85, {650, 871}}}) {
        config()->mainWindowWidth = c.width;
        config()->mainWindowHeight = c.height;
        mouseAt({2500, 500});
        manager()->mainWindowShow();
        const auto frame = mainWindow()->frame();
        EXPECT_EQ(frame.size, c.size);
        EXPECT_EQ(frame.midX(), 1920 + 640) << "centred on the right screen";
        manager()->closeMainWindow();
    }
}

TEST_F(FreltManagerTest, ThePopoverOpensBelowTheTrayButtonUnlessTheMouseIsOnAnotherScreen) {
    twoScreens();
    mouseAt({100, 10});
    const auto button = AppDelegate::shared()->statusBarItem()->button();
    ASSERT_TRUE(button);
    manager()->mainWindowShow();
    ASSERT_EQ(state(), MainWindowState::popover);
    const auto popover = manager()->popover();
    EXPECT_EQ(popover->positioningView(), button);
    EXPECT_EQ(popover->preferredEdge(), platform::RectEdge::maxY);
    EXPECT_EQ(popover->contentSize(), (platform::Size{700, 756}));
    EXPECT_EQ(popover->contentViewController(), manager()->viewControllerMain());
    EXPECT_EQ(popover->behavior(), platform::PopoverBehavior::transient);
    manager()->switchMainWindow();
    EXPECT_FALSE(mainShown());

    // The mouse on the second screen: a window centred there instead.
    mouseAt({2500, 500});
    manager()->switchMainWindow();
    ASSERT_EQ(state(), MainWindowState::window);
    EXPECT_EQ(mainWindow()->frame().midX(), 1920 + 640);
    EXPECT_EQ(mainWindow()->contentViewController(), manager()->viewControllerMain());
    EXPECT_EQ(popover->contentViewController(), nullptr) << "the view moved from the popover to the window";
}

// The start prepares the main window a moment after it is ready; a showing
// may have come first.
TEST_F(FreltManagerTest, PreparingTheMainWindowLeavesEveryShowingAsItWas) {
    twoScreens();
    mouseAt({100, 10});
    // Prepared before any showing: the popover still takes the view, and
    // the window gets it back.
    manager()->prepareMainWindow();
    EXPECT_FALSE(mainShown());
    EXPECT_EQ(mainWindow()->contentViewController(), manager()->viewControllerMain());
    manager()->mainWindowShow();
    ASSERT_EQ(state(), MainWindowState::popover);
    EXPECT_EQ(manager()->popover()->contentViewController(), manager()->viewControllerMain());
    EXPECT_EQ(mainWindow()->contentViewController(), nullptr);

    // Prepared while the popover shows the view: it stays there.
    manager()->prepareMainWindow();
    ASSERT_EQ(state(), MainWindowState::popover);
    EXPECT_EQ(manager()->popover()->contentViewController(), manager()->viewControllerMain());
    EXPECT_EQ(mainWindow()->contentViewController(), nullptr);
    manager()->switchMainWindow();
    EXPECT_FALSE(mainShown());

    // And as a window, sized and placed as ever.
    useWindows();
    manager()->prepareMainWindow();
    manager()->mainWindowShow();
    ASSERT_EQ(state(), MainWindowState::window);
    EXPECT_EQ(mainWindow()->frame(), platform::Rect(610, 162, 700, 756));
    EXPECT_EQ(mainWindow()->contentViewController(), manager()->viewControllerMain());
    EXPECT_TRUE(mainWindow()->isKeyWindow());
}

TEST_F(FreltManagerTest, LosingFocusClosesAnAttachedPopoverOrTheWindowButNeverADetachedPopover) {
    struct Case {
        int style;
        bool detach;
        bool staysOpen;
    };
    for (const auto& c : {Case{1, false, false}, Case{0, false, false}, Case{0, true, true}}) {
        SCOPED_TRACE(c.style * 10 + c.detach);
        config()->windowViewStyle = c.style;
        manager()->mainWindowShow();
        if (c.detach) {
            ASSERT_TRUE(manager()->popover()->detach());
        }
        manager()->viewControllerMain()->setModifierFlagsContainCommandKey(true);
        manager()->applicationLostFocus();
        EXPECT_EQ(mainShown(), c.staysOpen);
        EXPECT_FALSE(manager()->viewControllerMain()->modifierFlagsContainCommandKey());
        // Opening an entry does the same.
        if (c.staysOpen) {
            platform::NotificationCenter::defaultCenter().post(Notifications::executeTableviewItem);
            EXPECT_TRUE(mainShown());
            // The toggle closes a detached popover.
            manager()->switchMainWindow();
            EXPECT_FALSE(mainShown());
        }
    }
}

// A file manager takes the focus with the press that begins a drag: the
// main window must still be there for the drop.
TEST_F(FreltManagerTest, APressHeldInAnotherProgramKeepsTheWindowForItsDrop) {
    const auto backend = std::dynamic_pointer_cast<platform::HeadlessKitBackend>(platform::Application::shared()->backend());
    ASSERT_TRUE(backend);
    // The focus loss comes as it does in the program: through the delegate.
    app()->setDelegate(AppDelegate::shared());
    const auto file = home() / "dropped.txt";
    std::ofstream(file) << "x";
    auto pasteboard = platform::Pasteboard::withUniqueName();
    pasteboard->writeObjects({platform::pasteboardWriterForURL(platform::URL::fileURL(file.string()))});
    // The window that carries the main view, whichever style shows it.
    const auto shownWindow = [] {
        const auto p = manager()->popover();
        return p->isShown() ? std::static_pointer_cast<platform::Window>(p->window()) : mainWindow();
    };

    for (const int style : {0, 1}) {
        SCOPED_TRACE(style);
        config()->windowViewStyle = style;
        // Without a drop the window closes once the button is up.
        kit::activateApplication();
        manager()->mainWindowShow();
        ASSERT_TRUE(mainShown());
        backend->setPointerButtonsDown(true);
        kit::deactivateApplication();
        kit::advance(0.5);
        EXPECT_TRUE(mainShown()) << "the button is still down";
        backend->setPointerButtonsDown(false);
        kit::advance(0.1);
        EXPECT_FALSE(mainShown());

        // The drag comes over the search strip and drops there: the file
        // waits in the window, which stays with the program in front.
        kit::activateApplication();
        manager()->mainWindowShow();
        ASSERT_TRUE(mainShown());
        backend->setPointerButtonsDown(true);
        kit::deactivateApplication();
        const auto window = shownWindow();
        auto info = std::make_shared<platform::DraggingInfo>(pasteboard, platform::dragoperation::every,
                                                             platform::Point{400, 5}, window);
        EXPECT_NE(window->nativeDraggingUpdated(info), platform::dragoperation::none);
        backend->setPointerButtonsDown(false);
        kit::advance(0.1);
        EXPECT_TRUE(mainShown()) << "the drop is still to come";
        EXPECT_TRUE(window->nativeDraggingDropped());
        kit::advance(0.5);
        EXPECT_TRUE(mainShown());
        EXPECT_TRUE(platform::Application::shared()->isActive());
        EXPECT_EQ(manager()->viewControllerMain()->serviceManagerValues(), std::vector<std::string>{file.string()});
        manager()->closeMainWindow();
    }
}

TEST_F(FreltManagerTest, AnOpenedEntryClosesTheWindowAtOnceWhateverTheMouseDoes) {
    const auto backend = std::dynamic_pointer_cast<platform::HeadlessKitBackend>(platform::Application::shared()->backend());
    ASSERT_TRUE(backend);
    useWindows();
    manager()->mainWindowShow();
    backend->setPointerButtonsDown(true);
    platform::NotificationCenter::defaultCenter().post(Notifications::executeTableviewItem);
    EXPECT_FALSE(mainShown());
    backend->setPointerButtonsDown(false);
}

TEST_F(FreltManagerTest, ADetachedPopoverBecomesAClosableWindowThatNoOutsideClickCloses) {
    manager()->mainWindowShow();
    const auto popover = manager()->popover();
    ASSERT_TRUE(popover->detach());
    EXPECT_EQ(state(), MainWindowState::detachedPopover);
    EXPECT_EQ(popover->behavior(), platform::PopoverBehavior::applicationDefined);
    EXPECT_EQ(popover->window()->styleMask(), platform::stylemask::closable);
    // The user closes its window.
    popover->window()->close();
    EXPECT_EQ(state(), MainWindowState::viewControllerNotVisible);
}

TEST_F(FreltManagerTest, ShowingRefusesWhileAModalKindIsOpenButBringsTheProgramForward) {
    useWindows();
    registerKind(FreltWindowEnum::settings);
    ASSERT_TRUE(FreltWindow::showWindow(false, FreltWindowEnum::settings));
    app()->deactivate();
    manager()->switchMainWindow();
    EXPECT_FALSE(mainShown());
    EXPECT_TRUE(app()->isActive());
    EXPECT_TRUE(logs().contains("!! mainWindowShow -> can't open Window!"));

    // Already shown: activation only.
    FreltWindow::closeWindow(FreltWindowEnum::settings);
    manager()->mainWindowShow();
    ASSERT_TRUE(mainShown());
    app()->deactivate();
    logs().clear();
    manager()->mainWindowShow();
    EXPECT_TRUE(logs().contains("!! mainWindowShow -> MainWindow is already visible!"));
    EXPECT_TRUE(app()->isActive());
}

TEST_F(FreltManagerTest, WithoutItsScenesTheMainWindowNeverShows) {
    platform::SceneRegistry::shared()->setSceneFails("Main", "MainViewController");
    EXPECT_EQ(state(), MainWindowState::viewControllerNotInstantiated);
    manager()->mainWindowShow();
    EXPECT_TRUE(logs().contains("Failed to instantiate MainViewController"));
    EXPECT_TRUE(logs().contains("!! mainWindowShow -> viewControllerMain is invalid!"));
    // A failed creation is not retried.
    platform::SceneRegistry::shared()->setSceneFails("Main", "MainViewController", false);
    EXPECT_EQ(manager()->viewControllerMain(), nullptr);
}

TEST_F(FreltManagerTest, OpenKindsListTheVisibleWindowsThenMain) {
    registerKind(FreltWindowEnum::settings);
    registerKind(FreltWindowEnum::info);
    manager()->mainWindowShow();  // a popover
    FreltWindow::showWindow(false, FreltWindowEnum::info);
    const auto settings = FreltWindow::showWindow(false, FreltWindowEnum::settings);
    ASSERT_TRUE(settings);
    EXPECT_EQ(manager()->openWindowTypes(),
              (std::vector<FreltWindowEnum>{FreltWindowEnum::settings, FreltWindowEnum::info, FreltWindowEnum::main}));
    settings->orderOut();
    EXPECT_EQ(manager()->openWindowTypes(), (std::vector<FreltWindowEnum>{FreltWindowEnum::info, FreltWindowEnum::main}));
}

TEST_F(FreltManagerTest, ClosingAllWindowsLeavesAlertsAndWindowsOfOthers) {
    useWindows();
    registerKind(FreltWindowEnum::info);
    registerKind(FreltWindowEnum::versionHistory);
    const auto info = FreltWindow::showWindow(false, FreltWindowEnum::info);
    const auto history = FreltWindow::showWindow(false, FreltWindowEnum::versionHistory);
    auto alertLike = std::make_shared<platform::Window>();
    alertLike->makeKeyAndOrderFront();
    manager()->mainWindowShow();
    ASSERT_TRUE(info && history && mainShown());

    manager()->closeAllWindows();
    EXPECT_FALSE(mainShown());
    EXPECT_FALSE(info->isVisible());
    EXPECT_FALSE(history->isVisible());
    EXPECT_TRUE(alertLike->isVisible());
}

TEST_F(FreltManagerTest, ClosingAllWindowsWalksASnapshotOfTheWindowList) {
    // Closing the first window closes the second and opens a third: the walk
    // neither skips a window nor trips over the changed list.
    const auto infoScene = registerKind(FreltWindowEnum::info);
    registerKind(FreltWindowEnum::versionHistory);
    registerKind(FreltWindowEnum::hotkeyOverview);
    const auto history = FreltWindow::showWindow(false, FreltWindowEnum::versionHistory);
    const auto info = FreltWindow::showWindow(false, FreltWindowEnum::info);
    ASSERT_TRUE(history && info);
    std::shared_ptr<platform::Window> opened;
    auto sub = platform::NotificationCenter::defaultCenter().observe(
        platform::windownotification::willClose, info.get(), [&](const platform::Notification&) {
            history->close();
            opened = FreltWindow::showWindow(false, FreltWindowEnum::hotkeyOverview);
        });
    manager()->closeAllWindows();
    EXPECT_FALSE(info->isVisible());
    EXPECT_FALSE(history->isVisible());
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->isVisible()) << "a window opened meanwhile is not in the snapshot";
    EXPECT_EQ(infoScene->made, 1);
}

TEST_F(FreltManagerTest, SleepClosesTheWindowsThroughTheDelegate) {
    useWindows();
    AppDelegate::shared()->applicationDidFinishLaunching({});
    AppDelegate::shared()->config->setDebugLogging(true);
    manager()->mainWindowShow();
    ASSERT_TRUE(mainShown());
    platform::Workspace::shared()->postWillSleep();
    EXPECT_FALSE(mainShown());
    EXPECT_TRUE(logs().contains("Observer willSleepDetected was called"));
}

}  // namespace

namespace {

TEST_F(FreltManagerTest, TheShownWindowIsHandedToTheDesktopWithTheRequestsTime) {
    std::vector<std::pair<int, std::uint32_t>> shown;
    FreltManager::setWindowShownHook(
        [&](platform::Window& window, std::uint32_t time) { shown.emplace_back(window.windowNumber(), time); });
    manager()->setShowRequestUserTime(1234);
    manager()->mainWindowShow();  // the popover
    const int popoverWindow = manager()->popover()->window()->windowNumber();
    manager()->closeMainWindow();
    useWindows();
    manager()->setShowRequestUserTime(5678);
    manager()->mainWindowShow();
    EXPECT_EQ(shown, (std::vector<std::pair<int, std::uint32_t>>{{popoverWindow, 1234u},
                                                                {mainWindow()->windowNumber(), 5678u}}));
}

}  // namespace
