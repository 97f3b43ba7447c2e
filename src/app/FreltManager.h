#pragma once
// The main-window manager. One instance, made on first use.

#include <atomic>
#include <memory>
#include <mutex>

#include "mainwindow/MainViewController.h"

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

private:
    std::mutex m_;
    std::shared_ptr<MainViewController> viewControllerMain_;
    std::atomic<int> mainWindowState_{viewControllerNotCreated};
};

}  // namespace frelt
