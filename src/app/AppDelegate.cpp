#include "app/AppDelegate.h"

#include "app/FreltManager.h"
#include "app/FreltWindowEnum.h"
#include "app/MenuManager.h"
#include "app/ServiceManager.h"
#include "exchange/ExportImportManager.h"
#include "exchange/ExportVersionedBackup.h"
#include "hotkeys/HotKeyManager.h"
#include "mainwindow/DraggingHelpers.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/View.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/Workspace.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SecurityScopedURLManager.h"
#include "sources/discovery/OpenApplicationsManager.h"
#include "sources/icons/IconCache.h"
#include "sources/urls/URLManager.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

constexpr const char* activityReason = "Prevent App Nap to preserve responsiveness";

bool pathRefersToSnapshot(const std::string& lowerCasedPath) {
    return lowerCasedPath.find("/.timemachine") != std::string::npos ||
           lowerCasedPath.find("/com.apple.timemachine.localsnapshots") != std::string::npos;
}

}  // namespace

void setMenubarIcon(platform::StatusBarButton& button, const std::string& name, double size) {
    auto image = platform::Image::imageNamed(name);
    if (!image) image = platform::Image::imageNamed(AppDelegate::shared()->config->defaultMenubarIcon);
    // Height first, keeping the width, then the width, keeping the height.
    if (image) {
        image->setSize({image->size().width, size});
        image->setSize({size, image->size().height});
    }
    button.setImage(image);
    button.setNeedsDisplay(true);
}

std::shared_ptr<AppDelegate> AppDelegate::shared() {
    return platform::singleInstance<AppDelegate>([] { return std::make_shared<AppDelegate>(Private{}); });
}

AppDelegate::AppDelegate(Private) : config(std::make_shared<Configuration>()) {
    registerAction("statusBarButtonAction:",
                   [this](const std::shared_ptr<platform::Object>& sender) { statusBarButtonAction(sender); });
    registerAction("switchMainWindow", [this](const std::shared_ptr<platform::Object>&) { switchMainWindow(); });
    registerAction("showMainWindow", [this](const std::shared_ptr<platform::Object>&) { showMainWindow(); });
}

std::shared_ptr<platform::StatusItem> AppDelegate::statusBarItem() {
    if (!statusBarItem_) {
        platform::assertMainThread("AppDelegate::statusBarItem");
        statusBarItem_ = platform::StatusBar::systemStatusBar()->statusItemWithLength(platform::statusitemlength::variable);
    }
    return statusBarItem_;
}

// --- launch and quit

void AppDelegate::applicationDidFinishLaunching(const platform::Notification&) {
    const auto app = platform::Application::shared();
    (void)statusBarItem();
    // 1. The desktop's appearance applies.
    app->setAppearance(std::nullopt);
    // 2. The long-lived services, in this order.
    (void)SecurityScopedURLManager::shared();
    (void)SandboxFileAccess::shared();
    bookmarkStoreLoaded_ = true;
    (void)DataStorage::shared();
    (void)IconCache::shared();
    (void)TagManager::shared();
    (void)OpenApplicationsManager::shared();
    (void)URLManager::shared();
    // 3. A granted root folder is kept open for the whole run.
    beginRootFolderAccess();
    // 4. Settings, hotkeys' combinations, entries, tags and URL templates.
    config->loadConfig();
    // 5. The main window's controller, in the desktop's appearance.
    if (const auto controller = FreltManager::shared()->windowControllerMain())
        if (const auto window = controller->window()) window->setAppearance(std::nullopt);
    // 6.
    (void)HotKeyManager::shared();
    // 7.
    setUpStatusBarButton();
    // 8.
    if (!Configuration::launchedBefore()) FreltWindow::showWindow(false, FreltWindowEnum::firstRun);
    // 9. The "add to Frelt" service (the session bus hands its calls to the
    // services provider).
    serviceManager = std::make_shared<ServiceManager>("Could not find anything for parsing.");
    app->setServicesProvider(serviceManager);
    // 10.
    auto& center = platform::NotificationCenter::defaultCenter();
    observers_.push_back(center.observe(Notifications::menubarIconChanged, nullptr,
                                        [this](const platform::Notification& n) { menubarIconChangedWith(n); }));
    auto& workspace = platform::Workspace::shared()->notificationCenter();
    for (const auto* name : {&platform::workspacenotification::didMount, &platform::workspacenotification::didUnmount,
                             &platform::workspacenotification::didRenameVolume})
        observers_.push_back(
            workspace.observe(*name, nullptr, [this](const platform::Notification& n) { volumeChangeDetected(n); }));
    observers_.push_back(workspace.observe(platform::workspacenotification::willSleep, nullptr,
                                           [this](const platform::Notification& n) { willSleepDetected(n); }));
    // 11. The proxies start the application search.
    const auto store = DataStorage::shared();
    store->setEnableDataProxies(true);
    // 12. The first rebuild makes and drops as many blocks as the load did.
    store->rebuildData(RebuildDataReason::datastorageInitialize);
    Configuration::returnFreedMemory();
    // 13. Categories, tags, launch-all, entries, global.
    HotKeyManager::shared()->registerAllHotKeys();
    // 14.
    log(LogCategory::general, LogLevel::Default, "ProcessInfo - startActivity");
    activity = activityReason;
    // Once the program is up, so an alert keeps nothing from starting.
    const std::weak_ptr<AppDelegate> weak = std::static_pointer_cast<AppDelegate>(shared_from_this());
    platform::dispatch::Queue::main()->async([weak] {
        if (const auto self = weak.lock()) self->tellOfStoredStateProblems();
    });
}

void AppDelegate::tellOfStoredStateProblems() {
    if (platform::Application::shared()->hasTerminated()) return;
    showAlertsKeptFromLastRun();
    const auto defaults = config->defaults;
    for (const auto& problem : defaults->readProblems()) {
        const std::string file = problem.file.string();
        std::string informative =
            (problem.reason.find(file) == std::string::npos ? file + ": " + problem.reason : problem.reason) + ".\n";
        if (problem.keptAs)
            informative += "Frelt started with empty settings and kept the unreadable file as " +
                           problem.keptAs->string() + ".";
        else
            informative += "It could not be moved aside either, so Frelt saves no settings over it in this run.";
        showAlert("The settings file could not be read", informative);
    }
    defaults->setSaveFailureHandler([](const std::filesystem::path& file, const std::string& error) {
        // Called by the saving thread; the alert waits for the main thread.
        const std::string informative = "Frelt could not write " + file.string() + " (" + error +
                                        ").\nChanges made from now on are lost when Frelt quits, unless that "
                                        "folder can be written again.";
        platform::dispatch::Queue::main()->async(
            [informative] { showAlert("Changes to the settings could not be saved", informative); });
    });
}

void AppDelegate::beginRootFolderAccess() {
    const auto access = SandboxFileAccess::shared();
    const auto root = platform::URL::fileURL("/", true);
    if (!access->persistanceBookmarkStorage()->bookmarkData(root)) return;
    const auto answer = access->hasAccess(root, Permissions::bookmark());
    if (answer.hasAccess && answer.bookmarkData)
        securityScopedRootURLID =
            SecurityScopedURLManager::shared()->beginAccess(answer.bookmarkData, UsedSecurityScopedURLSource::applicationDelegate);
}

void AppDelegate::applicationWillTerminate(const platform::Notification&) {
    terminating_ = true;
    config->saveConfig(true);
    if (bookmarkStoreLoaded_) SandboxFileAccess::shared()->persistanceBookmarkStorage()->saveBookmarks();
    // Only of a store that was loaded: the sequence itself refuses otherwise.
    ExportImportManager::shared()->exportVersionedBackup->runBackupSequence();
    if (activity) {
        log(LogCategory::general, LogLevel::Default, "ProcessInfo - stopActivity");
        activity.reset();
    }
    SecurityScopedURLManager::shared()->endAccess(securityScopedRootURLID);
}

void AppDelegate::quitFromSignal() {
    logging::logObject(LogCategory::general).write(LogLevel::Default, "Quit asked for by a signal");
    keepAlertsForNextLaunch();
    const auto app = platform::Application::shared();
    if (terminating_) {
        // The quit under way waits in an alert of its own: it was kept above.
        app->abortModal();
        return;
    }
    app->terminate();
}

// --- activation

void AppDelegate::applicationWillResignActive(const platform::Notification&) {
    platform::NotificationCenter::defaultCenter().post("applicationWillResignActive");
}

void AppDelegate::applicationDidResignActive(const platform::Notification&) {
    platform::NotificationCenter::defaultCenter().post("applicationDidResignActive");
    const bool wasActive = applicationIsActive;
    applicationIsActive = false;
    if (wasActive) FreltManager::shared()->applicationLostFocus();
}

void AppDelegate::applicationWillBecomeActive(const platform::Notification&) {
    platform::NotificationCenter::defaultCenter().post("applicationWillBecomeActive");
}

void AppDelegate::applicationDidBecomeActive(const platform::Notification&) {
    platform::NotificationCenter::defaultCenter().post("applicationDidBecomeActive");
    applicationIsActive = true;
}

// --- files handed over

bool AppDelegate::applicationOpenFile(platform::Application&, const std::string& path) {
    return passFileToMainWindow(path);
}

void AppDelegate::applicationOpenFiles(platform::Application&, const std::vector<std::string>& paths) {
    passFilesToMainWindow(paths);
}

bool AppDelegate::applicationShouldHandleReopen(platform::Application&, bool) {
    showMainWindow();
    return true;
}

// --- observers

void AppDelegate::menubarIconChangedWith(const platform::Notification&) {
    log(LogCategory::general, LogLevel::Default, "Observer menubarIconChanged was called");
    if (const auto button = statusBarItem()->button()) setMenubarIcon(*button, config->menubarIcon, statusBarIconSize);
}

void AppDelegate::volumeChangeDetected(const platform::Notification& notification) {
    const auto it = notification.userInfo.find(platform::workspacenotification::devicePathKey);
    if (it == notification.userInfo.end()) return;
    const auto* devicePath = it->second.asString();
    if (!devicePath || devicePath->empty()) return;
    const std::string lowered = platform::text::lowercased(*devicePath);
    if (pathRefersToSnapshot(lowered)) return;
    bool found = false;
    DataStorage::shared()->allData()->forEach([&](const TableViewItem::Ptr& entry) {
        if (!found && platform::text::lowercased(entry->path()).rfind(lowered, 0) == 0) found = true;
    });
    if (!found) {
        log(LogCategory::general, LogLevel::Default,
            "Observer volumeChangeDetected for %{public}@ was triggered but no entries in AllData refer to this "
            "volume. No need to update the database!",
            *devicePath);
        return;
    }
    log(LogCategory::general, LogLevel::Default,
        "Observer volumeChangeDetected for %{public}@ was triggered and entries in AllData refer to this volume. We "
        "now update the database.",
        *devicePath);
    DataStorage::shared()->rebuildData(RebuildDataReason::volumechangeDetected);
}

void AppDelegate::willSleepDetected(const platform::Notification&) {
    log(LogCategory::general, LogLevel::Default, "Observer willSleepDetected was called");
    FreltManager::shared()->closeAllWindows();
}

// --- the tray button

void AppDelegate::setUpStatusBarButton() {
    const auto button = statusBarItem()->button();
    if (!button) {
        // Said whatever the log setting: a user without a tray icon should
        // know why and how to reach the program.
        logging::logObject(LogCategory::general)
            .write(LogLevel::Default, "No tray on this desktop: Frelt runs without its tray icon; its global "
                                      "hotkey, or starting frelt again, shows the main window.");
        return;
    }
    log(LogCategory::general, LogLevel::Default, "Initializing StatusBarButton");
    setMenubarIcon(*button, config->menubarIcon, statusBarIconSize);
    button->setAction("statusBarButtonAction:");
    button->sendActionOn(platform::eventmask::leftMouseDown | platform::eventmask::rightMouseUp);
    button->setTarget(shared_from_this());
    button->registerForDraggedTypes({platform::pasteboardtype::fileURL, platform::pasteboardtype::URL});
    const std::weak_ptr<AppDelegate> weak = std::static_pointer_cast<AppDelegate>(shared_from_this());
    button->setDraggingEnteredHandler([weak](const std::shared_ptr<platform::DraggingInfo>& info) {
        const auto self = weak.lock();
        return self ? self->statusBarButtonDraggingEntered(info) : platform::dragoperation::none;
    });
    button->setPerformDragOperationHandler([weak](const std::shared_ptr<platform::DraggingInfo>& info) {
        const auto self = weak.lock();
        return self && self->statusBarButtonPerformDragOperation(info);
    });
}

void AppDelegate::statusBarButtonAction(const std::shared_ptr<platform::Object>&) {
    log(LogCategory::general, LogLevel::Default, "statusBarButtonAction detected");
    const auto button = statusBarItem()->button();
    if (!button) {
        log(LogCategory::general, LogLevel::Error, "statusBarButtonAction - The StatusBarItem has no Button assigned!");
        return;
    }
    const auto event = platform::Application::shared()->currentEvent();
    if (!event) {
        log(LogCategory::general, LogLevel::Error, "statusBarButtonAction - No Event assigned!");
        return;
    }
    // A click with Control held is a secondary click and nothing else: the
    // menu shows, and the click does not also toggle the window after it.
    if (event->type == platform::EventType::rightMouseUp || (event->modifierFlags & platform::modifierflags::control)) {
        log(LogCategory::general, LogLevel::Default, "statusBarButtonAction -> right click");
        FreltWindow::closeWindow(FreltWindowEnum::main);
        const auto menus = MenuManager::shared();
        menus->prepareStatusbarMenu();
        // Just below the button (half its height under it).
        const platform::Rect frame = button->frame();
        menus->statusbarMenu->popUp(nullptr, {frame.minX(), frame.maxY() + frame.height() / 2}, button->superview());
        return;
    }
    if (event->type == platform::EventType::leftMouseDown) {
        log(LogCategory::general, LogLevel::Default, "statusBarButtonAction -> left click");
        switchMainWindow();
    }
}

void AppDelegate::switchMainWindow() {
    log(LogCategory::general, LogLevel::Default, "switchMainWindow in AppDelegate executed");
    FreltManager::shared()->switchMainWindow();
}

void AppDelegate::showMainWindow() {
    log(LogCategory::general, LogLevel::Default, "showMainWindow in AppDelegate executed");
    FreltManager::shared()->mainWindowShow();
}

platform::DragOperation AppDelegate::statusBarButtonDraggingEntered(const std::shared_ptr<platform::DraggingInfo>&) {
    showMainWindow();
    return platform::dragoperation::every;
}

bool AppDelegate::statusBarButtonPerformDragOperation(const std::shared_ptr<platform::DraggingInfo>& info) {
    const auto pasteboard = info->draggingPasteboard();
    if (!pasteboard || !pasteboard->pasteboardItems()) return false;
    const auto button = statusBarItem()->button();
    if (!button || !acceptsAllDraggedItems(*button, *info)) return false;
    std::vector<std::string> paths;
    for (const auto& item : pasteboard->items()) {
        const auto string = item->stringForType(platform::pasteboardtype::fileURL);
        if (!string) continue;
        if (const auto url = platform::URL::fromString(*string)) paths.push_back(url->path());
    }
    if (paths.empty()) return false;
    return passFilesToMainWindow(paths);
}

}  // namespace frelt
