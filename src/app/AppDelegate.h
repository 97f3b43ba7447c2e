#pragma once
// The application's delegate: one per process, made on first use. It owns
// the tray item and the one live settings object, brings up every long-lived
// service in a fixed order when launching has finished, reacts to activation
// changes, files handed to the program, volume changes, sleep and a change of
// the tray icon, and saves everything when the program quits. Main thread
// only, but for `config`, which every thread reads.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Application.h"
#include "platform/appkit/StatusItem.h"
#include "platform/foundation/Subscription.h"
#include "store/Configuration.h"

namespace frelt {

class ServiceManager;

// The tray image's edge length in points.
inline constexpr double statusBarIconSize = 18.0;

// Sets the button's image from the image named `name`, else the default tray
// image, at `size` points square; no image when neither exists.
void setMenubarIcon(platform::StatusBarButton& button, const std::string& name, double size);

class AppDelegate : public platform::Object, public platform::ApplicationDelegate {
    struct Private {};

public:
    // The delegate, made on first use. Every part of the program reaches the
    // settings through AppDelegate::shared()->config.
    static std::shared_ptr<AppDelegate> shared();

    explicit AppDelegate(Private);
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The program's item in the tray; made on the main thread on first use.
    // It has no button where the desktop has no tray.
    std::shared_ptr<platform::StatusItem> statusBarItem();
    // The one live settings object.
    const std::shared_ptr<Configuration> config;
    // The activity begun at launch and ended at quit (the desktop keeps no
    // program from running, so it only marks the span).
    std::optional<std::string> activity;
    // The access to the root folder begun at launch; empty when none was.
    std::string securityScopedRootURLID;
    // From becoming active until resigning active.
    bool applicationIsActive = false;
    // The provider of the "add to Frelt" service, made at launch.
    std::shared_ptr<ServiceManager> serviceManager;

    void applicationDidFinishLaunching(const platform::Notification& notification) override;
    // Saves what this run has loaded: the settings and lists once loadConfig
    // has finished, the bookmark store once it was read; a versioned backup
    // only of a store that was loaded (Configuration::storeWasLoaded).
    void applicationWillTerminate(const platform::Notification& notification) override;
    // A quit asked for by a signal (logout, shutdown, an interrupt), which
    // may come inside any modal loop, loading included. Nobody answers alerts
    // any more: they are logged and kept for the next launch, one showing
    // now too. The quit then runs as any other and saves what was loaded;
    // the caller ends the process once it has (Application::hasTerminated),
    // since a loop the program does not own (a dialog's own question) would
    // otherwise keep it running. A signal during a quit already under way
    // closes the alert that holds it up.
    void quitFromSignal();
    void applicationWillResignActive(const platform::Notification& notification) override;
    void applicationDidResignActive(const platform::Notification& notification) override;
    void applicationWillBecomeActive(const platform::Notification& notification) override;
    void applicationDidBecomeActive(const platform::Notification& notification) override;
    bool applicationOpenFile(platform::Application& app, const std::string& path) override;
    void applicationOpenFiles(platform::Application& app, const std::vector<std::string>& paths) override;
    // The program was started again without files (from the desktop's menu,
    // say): the main window shows. Without a tray and before a hotkey is
    // set, that is the way back to it.
    bool applicationShouldHandleReopen(platform::Application& app, bool hasVisibleWindows) override;

    void menubarIconChangedWith(const platform::Notification& notification);
    void volumeChangeDetected(const platform::Notification& notification);
    void willSleepDetected(const platform::Notification& notification);
    // The tray button's action: a primary click toggles the main window, a
    // secondary click (or a click with Control) shows the status menu.
    void statusBarButtonAction(const std::shared_ptr<platform::Object>& sender);
    void switchMainWindow();
    void showMainWindow();

    // The tray button's drag destination.
    platform::DragOperation statusBarButtonDraggingEntered(const std::shared_ptr<platform::DraggingInfo>& info);
    bool statusBarButtonPerformDragOperation(const std::shared_ptr<platform::DraggingInfo>& info);

private:
    void setUpStatusBarButton();
    void beginRootFolderAccess();
    // What the user must hear of the start: alerts the last run kept, a
    // settings file that could not be read; and, from now on, the first
    // save of the settings that fails.
    void tellOfStoredStateProblems();

    // The bookmark store was made and read (a quit during its load must not
    // ask for it: it is still being made).
    bool bookmarkStoreLoaded_ = false;
    bool terminating_ = false;

    std::shared_ptr<platform::StatusItem> statusBarItem_;
    std::vector<platform::Subscription> observers_;
};

}  // namespace frelt
