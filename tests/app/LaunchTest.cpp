#include "app/AppDelegate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ShellTestSupport.h"
#include "app/MenuManager.h"
#include "app/ServiceManager.h"
#include "platform/foundation/SingleInstance.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/KeyCombo.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/Workspace.h"
#include "platform/foundation/UserDefaults.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SecurityScopedURLManager.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"
#include "support/KitHarness.h"

using namespace frelt;
namespace fs = std::filesystem;

namespace {

class LaunchTest : public ShellTest {
protected:
    static std::shared_ptr<AppDelegate> delegate() { return AppDelegate::shared(); }
    void launch() {
        // The settings on disk turn the log on from the moment they are read.
        platform::UserDefaults::standard()->set("debugLogging", platform::Value(true));
        app()->setDelegate(delegate());
        app()->finishLaunching();
        drain();
    }
    std::string makeFile(const std::string& name) {
        const auto path = root() / name;
        std::ofstream(path) << "x";
        return path.string();
    }
    // The position of the first log line that begins with `prefix`; -1 when none.
    long firstLogged(const std::string& prefix) {
        const auto messages = logs().messages();
        for (std::size_t i = 0; i < messages.size(); ++i)
            if (messages[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
        return -1;
    }
    std::shared_ptr<platform::StatusBarButton> button() { return delegate()->statusBarItem()->button(); }
    // A click on the tray button as the desktop reports it.
    void clickButton(platform::EventType type, platform::ModifierFlags flags = 0) {
        auto event = platform::Event::mouseEvent(type, {5, 5}, flags, button()->window(), 1);
        app()->sendEvent(event);
    }
};

TEST_F(LaunchTest, LaunchingBringsUpTheServicesInOrder) {
    launch();
    // Services (the bookmark store loads), the root folder's grant, the
    // settings and entries, the main window, the tray button, the first-run
    // window, the first rebuild, the hotkeys by kind, the activity.
    const std::vector<std::string> steps = {
        "Loading bookmarks",
        "Searching Bookmark-Data for [file:///]",
        "loadAllDataArray",
        "loadTagDataArray",
        "loadURLTemplateDataArray",
        "instantiateWindowController: main",
        "Initializing StatusBarButton",
        "instantiateWindowController: firstRun",
        "-> RebuildData - Request initiated: Datastorage initialize",
        "# Register Hotkeys for KeyType: categoryKey",
        "# Register Hotkeys for KeyType: tagKey",
        "# Register Hotkeys for KeyType: tagKeyLaunchAll",
        "# Register Hotkeys for KeyType: userDefinedKey",
        "# Register Hotkeys for KeyType: globalHotKey",
        "ProcessInfo - startActivity",
    };
    long previous = -1;
    for (const auto& step : steps) {
        const long at = firstLogged(step);
        EXPECT_GT(at, previous) << step;
        previous = std::max(previous, at);
    }
    EXPECT_TRUE(delegate()->activity.has_value());
    EXPECT_EQ(app()->servicesProvider(), std::static_pointer_cast<platform::Object>(delegate()->serviceManager));
    EXPECT_TRUE(DataStorage::shared()->enableDataProxies());
    // The tray button: image, action on left down and right up, drops of file URLs and URLs.
    ASSERT_TRUE(button());
    EXPECT_EQ(button()->image(), platform::Image::imageNamed("statusbar-1"));
    EXPECT_EQ(button()->sendActionOnMask(), platform::eventmask::leftMouseDown | platform::eventmask::rightMouseUp);
    EXPECT_EQ(button()->registeredDraggedTypes(),
              (std::vector<std::string>{platform::pasteboardtype::fileURL, platform::pasteboardtype::URL}));
    // The first launch greets the user.
    EXPECT_EQ(manager()->openWindowTypes(), std::vector<FreltWindowEnum>{FreltWindowEnum::firstRun});
}

TEST_F(LaunchTest, ALaterLaunchShowsNoFirstRunDialog) {
    platform::UserDefaults::standard()->set(DefaultsKeys::launchedBefore, platform::Value(true));
    platform::singleinstance::resetAll();
    registerShellScenes();
    registerShellImages();
    launch();
    EXPECT_TRUE(manager()->openWindowTypes().empty());
    EXPECT_FALSE(logs().contains("instantiateWindowController: firstRun"));
}

TEST_F(LaunchTest, QuittingSavesThenBacksUpThenEndsTheActivityAndTheRootAccess) {
    launch();
    ASSERT_EQ(DataStorage::shared()->addToAllData(TableViewItem::initForURL("https://frelt.org", "Frelt", "")), 0);
    logs().clear();
    app()->terminate();
    drain();
    const long save = firstLogged("saveConfig");
    const long stop = firstLogged("ProcessInfo - stopActivity");
    EXPECT_GE(save, 0);
    EXPECT_GT(stop, save);
    EXPECT_FALSE(delegate()->activity.has_value());
    // One backup was written, and the empty root access identifier was ended.
    EXPECT_EQ(delegate()->securityScopedRootURLID, "");
    const auto backups = fs::path(platform::Paths::documentsFolder()) / "Backup";
    ASSERT_TRUE(fs::exists(backups));
    EXPECT_EQ(std::distance(fs::directory_iterator(backups), fs::directory_iterator()), 1);
}

TEST_F(LaunchTest, OnlyATransitionFromActiveToInactiveCountsAsLosingFocus) {
    launch();
    PostCounter resigned("applicationDidResignActive");
    app()->activate();
    EXPECT_TRUE(delegate()->applicationIsActive);
    logs().clear();
    delegate()->applicationDidResignActive({});
    delegate()->applicationDidResignActive({});
    EXPECT_EQ(resigned.count, 2);
    std::size_t focusLosses = 0;
    for (const auto& m : logs().messages())
        if (m.rfind("applicationLostFocus", 0) == 0) ++focusLosses;
    EXPECT_EQ(focusLosses, 1u);
}

TEST_F(LaunchTest, AVolumeChangeRebuildsOnlyForEntriesOnIt) {
    launch();
    const auto store = DataStorage::shared();
    const auto volume = root() / "media" / "Stick";
    fs::create_directories(volume);
    const std::string file = (volume / "notes.txt").string();
    std::ofstream(file) << "x";
    ASSERT_EQ(store->addToAllData(TableViewItem::initForExternalNonSpotlightObject(file)), 0);
    const auto rebuilds = [&] {
        std::size_t n = 0;
        for (const auto& m : logs().messages())
            if (m == "-> RebuildData - Request initiated: Volumechange detected") ++n;
        return n;
    };
    const auto workspace = platform::Workspace::shared();

    logs().clear();
    workspace->postDidMount((root() / "media" / "Other").string());
    EXPECT_EQ(rebuilds(), 0u);
    EXPECT_TRUE(logs().contains("Observer volumeChangeDetected for " + (root() / "media" / "Other").string() +
                                " was triggered but no entries in AllData refer to this volume. No need to update "
                                "the database!"));
    // The mount point in other letter cases still matches; a snapshot path never does.
    std::string upper = volume.string();
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    workspace->postDidUnmount(upper);
    EXPECT_EQ(rebuilds(), 1u);
    workspace->postDidRenameVolume(volume.string() + "/.TimeMachine");
    workspace->postDidMount("");
    workspace->notificationCenter().post(platform::workspacenotification::didMount);
    EXPECT_EQ(rebuilds(), 1u);
}

TEST_F(LaunchTest, FilesOpenedWithTheProgramWaitInTheMainWindow) {
    launch();
    const auto a = makeFile("a.txt");
    const auto b = makeFile("b.txt");
    EXPECT_FALSE(delegate()->applicationOpenFile(*app(), (root() / "missing").string()));
    EXPECT_TRUE(mainShown());
    EXPECT_TRUE(manager()->viewControllerMain()->serviceManagerValues().empty());

    app()->openFiles({a, "", (root() / "gone").string(), b, a});
    EXPECT_EQ(manager()->viewControllerMain()->serviceManagerValues(), (std::vector<std::string>{a, b, a}));
    EXPECT_TRUE(delegate()->applicationOpenFile(*app(), b));
    EXPECT_EQ(manager()->viewControllerMain()->serviceManagerValues(), std::vector<std::string>{b});
}

TEST_F(LaunchTest, APrimaryClickTogglesAndASecondaryClickShowsTheMenu) {
    launch();
    FreltWindow::closeWindow(FreltWindowEnum::firstRun);
    auto script = platform::ModalScript::shared();

    clickButton(platform::EventType::leftMouseDown);
    EXPECT_EQ(state(), MainWindowState::popover);
    clickButton(platform::EventType::leftMouseDown);
    EXPECT_FALSE(mainShown());

    // The right button: the window closes, the menu shows.
    clickButton(platform::EventType::leftMouseDown);
    ASSERT_TRUE(mainShown());
    script->answerMenu([&](platform::Menu& menu) -> std::shared_ptr<platform::MenuItem> {
        EXPECT_EQ(&menu, MenuManager::shared()->statusbarMenu.get());
        EXPECT_FALSE(mainShown()) << "closed before the menu shows";
        return nullptr;
    });
    clickButton(platform::EventType::rightMouseUp);
    EXPECT_FALSE(mainShown());
    EXPECT_TRUE(logs().contains("statusBarButtonAction -> right click"));

    // Control with the primary button is a secondary click and nothing more.
    script->dismissMenu();
    logs().clear();
    clickButton(platform::EventType::leftMouseDown, platform::modifierflags::control);
    EXPECT_FALSE(mainShown());
    EXPECT_FALSE(logs().contains("statusBarButtonAction -> left click"));
    EXPECT_TRUE(script->verifyAllAnswersUsed());
}

TEST_F(LaunchTest, TheTrayIconFollowsTheSettingAtEighteenPoints) {
    launch();
    delegate()->config->menubarIcon = "statusbar-3";
    platform::NotificationCenter::defaultCenter().post(Notifications::menubarIconChanged);
    ASSERT_TRUE(button()->image());
    EXPECT_EQ(button()->image()->name(), "statusbar-3");
    EXPECT_EQ(button()->image()->size(), (platform::Size{18, 18}));
    EXPECT_FALSE(button()->image()->isTemplate());
    // An unknown name falls back to the default image; none at all leaves the button empty.
    delegate()->config->menubarIcon = "statusbar-9";
    platform::NotificationCenter::defaultCenter().post(Notifications::menubarIconChanged);
    EXPECT_EQ(button()->image()->name(), "statusbar-1");
    platform::ImageRegistry::shared()->removeAll();
    platform::NotificationCenter::defaultCenter().post(Notifications::menubarIconChanged);
    EXPECT_EQ(button()->image(), nullptr);
}

TEST_F(LaunchTest, FilesDroppedOnTheTrayIconWaitInTheMainWindowInDropOrder) {
    launch();
    FreltWindow::closeWindow(FreltWindowEnum::firstRun);
    const auto a = makeFile("a.txt");
    const auto b = makeFile("b.txt");
    auto pasteboard = platform::Pasteboard::withUniqueName();
    pasteboard->writeObjects({platform::pasteboardWriterForURL(platform::URL::fileURL(b)),
                              platform::pasteboardWriterForURL(platform::URL::fileURL(a))});
    auto drag = std::make_shared<platform::DraggingInfo>(pasteboard, platform::dragoperation::copy);
    EXPECT_EQ(button()->draggingEntered(drag), platform::dragoperation::every);
    EXPECT_TRUE(mainShown()) << "the window comes up as the drag enters";
    EXPECT_TRUE(button()->performDragOperation(drag));
    EXPECT_EQ(manager()->viewControllerMain()->serviceManagerValues(), (std::vector<std::string>{b, a}));

    // A web link is no file: refused, nothing pending.
    auto links = platform::Pasteboard::withUniqueName();
    links->writeObjects({platform::pasteboardWriterForURL(*platform::URL::fromString("https://frelt.org"))});
    auto linkDrag = std::make_shared<platform::DraggingInfo>(links, platform::dragoperation::copy);
    button()->draggingEntered(linkDrag);
    manager()->viewControllerMain()->setServiceManagerValues({});
    EXPECT_FALSE(button()->performDragOperation(linkDrag));
    EXPECT_TRUE(manager()->viewControllerMain()->serviceManagerValues().empty());
}

TEST_F(LaunchTest, WithoutATrayTheHotkeyAndTheWindowStillWork) {
    platform::StatusBar::systemStatusBar()->setAvailable(false);
    launch();
    EXPECT_EQ(button(), nullptr);
    EXPECT_EQ(countLogged("No tray on this desktop: Frelt runs without its tray icon; its global hotkey, or "
                          "starting frelt again, shows the main window."),
              1u);
    FreltWindow::closeWindow(FreltWindowEnum::firstRun);
    // Popover mode without a button shows a window.
    delegate()->switchMainWindow();
    EXPECT_EQ(state(), MainWindowState::window);
    // Started again without files, the program shows its window (and leaves
    // it shown when it is).
    manager()->closeMainWindow();
    app()->reopen();
    EXPECT_EQ(state(), MainWindowState::window);
    app()->reopen();
    EXPECT_EQ(state(), MainWindowState::window);
    delegate()->statusBarButtonAction(nullptr);
    EXPECT_TRUE(logs().contains("statusBarButtonAction - The StatusBarItem has no Button assigned!"));
}

}  // namespace
