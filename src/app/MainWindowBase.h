#pragma once
// The classes the main window is built from: the base of view controllers
// that report whether their view is on screen, the main window's controller
// and its window class, which can always become key.

#include <memory>

#include "app/FreltWindowEnum.h"
#include "platform/appkit/ViewController.h"
#include "platform/appkit/Window.h"

namespace frelt {

// Where a view controller is in its life; set after each inherited call
// returns. Only viewDidAppear counts as visible. After the view left the
// screen the state stays viewWillDisappear until it appears again.
enum class defaultFreltMainViewControllerState { none, viewDidLoad, viewWillAppear, viewDidAppear, viewWillDisappear };

class defaultFreltMainViewController : public platform::ViewController {
public:
    defaultFreltMainViewController() = default;

    defaultFreltMainViewControllerState currentState() const { return currentState_; }

    // Subclasses that override these call them first.
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;

private:
    defaultFreltMainViewControllerState currentState_ = defaultFreltMainViewControllerState::none;
};

class MainWindowController : public defaultFreltWindowController {
public:
    using defaultFreltWindowController::defaultFreltWindowController;
};

class CustomMainWindow : public platform::Window {
public:
    using platform::Window::Window;
    bool canBecomeKeyWindow() const override { return true; }
};

}  // namespace frelt
