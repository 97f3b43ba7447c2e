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

private:
    std::mutex m_;
    std::shared_ptr<MainViewController> viewControllerMain_;
    std::atomic<int> mainWindowState_{viewControllerNotCreated};
};

}  // namespace frelt
