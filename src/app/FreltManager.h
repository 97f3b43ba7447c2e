#pragma once
// The main-window manager. One instance, made on first use.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "mainwindow/MainViewController.h"
#include "platform/appkit/Event.h"

namespace frelt {

class FreltManager {
    struct Private {};

public:
    // How the main window is shown.
    enum MainWindowState : int {
        viewControllerNotCreated = 0,
        viewControllerNotAppeared = 1,
        windowNotVisible = 2,
        shownAsAttachedPopover = 3,
        shownAsDetachedPopover = 4,
        shownAsWindow = 5,
    };

    static std::shared_ptr<FreltManager> shared();
    explicit FreltManager(Private) {}

    // The main view controller, made on first use.
    std::shared_ptr<MainViewController> viewControllerMain();

    // 0 to 5, see MainWindowState.
    int mainWindowState() const { return mainWindowState_.load(); }
    void setMainWindowState(int state) { mainWindowState_.store(state); }

    // Closes the main window, then every other window of the program; before
    // an export or import command and before a backup is restored.
    void closeAllWindows();
    // Whether a window of the program may open now: not while an export or
    // an import runs (logged).
    bool canOpenWindow() const;
    // Shows the main window and activates the program; nothing while it is
    // visible, while a modal session runs or without a view controller.
    void mainWindowShow();
    void mainWindowHide();
    // Hides the main window when it is visible (states 3 to 5), else shows it.
    void switchMainWindow();

    // The window system's time of the input that asks for the next show (a
    // hotkey press): the window carries it as its user time, so the desktop's
    // focus-stealing prevention lets it come to the front. 0 when unknown.
    std::uint32_t showRequestUserTime() const { return showRequestUserTime_.load(); }
    void setShowRequestUserTime(std::uint32_t time) { showRequestUserTime_.store(time); }

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
    std::mutex m_;
    std::shared_ptr<MainViewController> viewControllerMain_;
    std::atomic<int> mainWindowState_{viewControllerNotCreated};
    std::atomic<std::uint32_t> showRequestUserTime_{0};
};

}  // namespace frelt
