#pragma once
// The main-window manager. It owns the one main view controller, the main
// window's controller and the popover, and shows the main view either in a
// popover under the tray item or as a window centred on the screen under
// the mouse, by the user's choice. Every show or hide of the main window goes
// through it; so does closing all of the program's windows. One instance,
// made on first use, main thread only.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/FreltWindowEnum.h"
#include "mainwindow/MainViewController.h"
#include "platform/appkit/Event.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/Screen.h"
#include "platform/appkit/StatusItem.h"
#include "platform/foundation/Subscription.h"

namespace frelt {

// Callers treat popover, detachedPopover and window as visible.
enum class MainWindowState : int {
    viewControllerNotInstantiated = 0,
    viewControllerNotVisible = 1,
    notVisible = 2,
    popover = 3,
    detachedPopover = 4,
    window = 5,
};

inline bool mainWindowIsVisible(MainWindowState state) { return state >= MainWindowState::popover; }

class FreltManager : public platform::Object, public platform::PopoverDelegate {
    struct Private {};

public:
    // The window kinds that count as modal, in this order.
    static constexpr std::array<FreltWindowEnum, 5> modalFreltWindowTypes = {
        FreltWindowEnum::settings, FreltWindowEnum::config, FreltWindowEnum::tags, FreltWindowEnum::addOrModifyURL,
        FreltWindowEnum::versionedBackup};

    static std::shared_ptr<FreltManager> shared();
    explicit FreltManager(Private);

    // True only while closeMainWindow runs: showing refuses and a focus loss
    // is ignored meanwhile.
    bool mainWindowIsAboutToClose() const { return mainWindowIsAboutToClose_; }

    // Made on first use; a failed creation is remembered and not retried.
    std::shared_ptr<platform::Popover> popover();
    std::shared_ptr<defaultFreltWindowController> windowControllerMain();
    std::shared_ptr<MainViewController> viewControllerMain();

    // Makes the main window and its view controller before the first
    // showing asks for them, so that the first press of the hotkey only
    // shows the window as every later one does.
    void prepareMainWindow();

    MainWindowState mainWindowState();
    // Shows the main view (popover or window, by the settings) unless it is
    // shown already, a modal window or an export or import keeps it closed.
    void mainWindowShow();
    void closeMainWindow();
    // Shows the main view when it is not visible, else closes it.
    void switchMainWindow();
    // The program resigned active or an entry was opened: an attached
    // popover or the window closes, a detached popover stays. When another
    // program took the focus with a press that is still held (a drag from a
    // file manager, perhaps, meant for this window), the close waits for
    // the release and is dropped when the program is active again by then.
    void applicationLostFocus();
    void showMainWindowAsPopover(const std::shared_ptr<platform::StatusBarButton>& button,
                                 platform::RectEdge preferredEdge,
                                 const std::shared_ptr<defaultFreltWindowController>& windowController,
                                 const std::shared_ptr<MainViewController>& viewController);
    void showMainWindowAsWindow(const std::shared_ptr<defaultFreltWindowController>& windowController,
                                const std::shared_ptr<MainViewController>& viewController);
    // Closes the main window, then every other visible window of a kind
    // (alerts and panels stay).
    void closeAllWindows();
    // The kinds of the visible windows, front to back, then `main` when the
    // main window is visible. Duplicates are kept.
    std::vector<FreltWindowEnum> openWindowTypes();
    // A modal panel shows, or a modal session runs (an alert, a file panel,
    // a menu or a window run modally): other windows must not come up now.
    bool isModalPanelVisible() const;

    // The main view's size on `screen`, from the width and height settings.
    static platform::Size mainWindowSize(const platform::Screen& screen);
    // The screen under the mouse, else the main one, else the first.
    static std::shared_ptr<platform::Screen> chosenScreen();

    // Observers of "NSWindowWillCloseNotification" and "executeTableviewItem".
    void windowWillClose(const platform::Notification& notification);
    void executeTableviewItem(const platform::Notification& notification);

    // Popover delegate.
    void popoverWillShow(const platform::Notification& n) override;
    void popoverDidShow(const platform::Notification& n) override;
    bool popoverShouldDetach(const std::shared_ptr<platform::Popover>& popover) override;
    void popoverDidDetach(const std::shared_ptr<platform::Popover>& popover) override;
    bool popoverShouldClose(const std::shared_ptr<platform::Popover>& popover) override;

    // The window system's time of the input a show is made for (a hotkey
    // press): the window carries it as its user time, so the desktop's
    // focus-stealing prevention lets it come to the front. The caller sets
    // it around that show and puts it back to 0 after, so that a later show
    // for another input (a tray click, files handed over) does not pass an
    // old press off as its own.
    std::uint32_t showRequestUserTime() const { return showRequestUserTime_; }
    void setShowRequestUserTime(std::uint32_t time) { showRequestUserTime_ = time; }
    // Called with the window that carries the main view each time it is
    // shown, and the user time of the request (0 when unknown: the desktop
    // side then takes the window system's time now): the desktop side asks
    // the window manager for the focus with it.
    using WindowShownHook = std::function<void(platform::Window& window, std::uint32_t userTime)>;
    static void setWindowShownHook(WindowShownHook hook);

    // ---- The main window's keyboard handling (FreltManagerKeyboard.cpp) ----
    // Which part of the main window has the keyboard, as the keys see it.
    enum class MainWindowFocus { none = 0, popupShown = 1, tableFocused = 2, sidebarFocused = 3, searchFieldEditing = 4 };
    // Typed in the table or the sidebar, these go to the search field.
    static constexpr const char* typeAheadCharacters = "abcdefghijklmnopqrstuvwxyz0123456789()[]\u00f6\u00e4\u00fc.-+#=!<>";
    // Decides what a key pressed in the main window does; true when it was
    // handled and the event is to be dropped.
    bool handleKeyDown(const platform::Event& event, MainViewController& controller);
    MainWindowFocus mainWindowFocus(MainViewController& controller);
    // Closes the entry popup, then the sidebar's section popup, when shown.
    void closeMainWindowPopups(MainViewController& controller);
    // ---- end of the keyboard handling ----

private:
    void tellWindowShown(platform::Window& window);
    // applicationLostFocus; `mayWaitForRelease` false closes at once.
    void loseFocus(bool mayWaitForRelease);

    bool mainWindowIsAboutToClose_ = false;
    std::optional<std::shared_ptr<platform::Popover>> popover_;
    std::optional<std::shared_ptr<defaultFreltWindowController>> windowControllerMain_;
    std::optional<std::shared_ptr<MainViewController>> viewControllerMain_;
    std::uint32_t showRequestUserTime_ = 0;
    platform::Subscription windowWillCloseObserver_;
    platform::Subscription executeObserver_;
};

}  // namespace frelt
