#include "app/FreltManager.h"

#include "platform/appkit/Application.h"
#include "platform/foundation/SingleInstance.h"

namespace frelt {

std::shared_ptr<FreltManager> FreltManager::shared() {
    return platform::singleInstance<FreltManager>([] { return std::make_shared<FreltManager>(Private{}); });
}

std::shared_ptr<MainViewController> FreltManager::viewControllerMain() {
    std::lock_guard lock(m_);
    if (!viewControllerMain_) viewControllerMain_ = std::make_shared<MainViewController>();
    return viewControllerMain_;
}

void FreltManager::mainWindowShow() {
    if (mainWindowState() >= shownAsAttachedPopover) return;
    const auto app = platform::Application::shared();
    if (app->isInModalSession()) return;
    if (!viewControllerMain()) return;
    setMainWindowState(shownAsWindow);
    app->activate();
}

void FreltManager::mainWindowHide() {
    if (mainWindowState() >= shownAsAttachedPopover) setMainWindowState(windowNotVisible);
}

void FreltManager::switchMainWindow() {
    if (mainWindowState() >= shownAsAttachedPopover) mainWindowHide();
    else mainWindowShow();
}

}  // namespace frelt
