#include "app/MainWindowBase.h"

namespace frelt {

void defaultFreltMainViewController::viewDidLoad() {
    platform::ViewController::viewDidLoad();
    currentState_ = defaultFreltMainViewControllerState::viewDidLoad;
}

void defaultFreltMainViewController::viewWillAppear() {
    platform::ViewController::viewWillAppear();
    currentState_ = defaultFreltMainViewControllerState::viewWillAppear;
}

void defaultFreltMainViewController::viewDidAppear() {
    platform::ViewController::viewDidAppear();
    currentState_ = defaultFreltMainViewControllerState::viewDidAppear;
}

void defaultFreltMainViewController::viewWillDisappear() {
    platform::ViewController::viewWillDisappear();
    currentState_ = defaultFreltMainViewControllerState::viewWillDisappear;
}

}  // namespace frelt
