#include "app/FreltManager.h"

#include "exchange/ExportImportManager.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/SingleInstance.h"
#include "store/Logging.h"

namespace frelt {

std::shared_ptr<FreltManager> FreltManager::shared() {
    return platform::singleInstance<FreltManager>([] { return std::make_shared<FreltManager>(Private{}); });
}

std::shared_ptr<MainViewController> FreltManager::viewControllerMain() {
    std::lock_guard lock(m_);
    if (!viewControllerMain_) {
        viewControllerMain_ = std::make_shared<MainViewController>();
        viewControllerMain_->loadViewIfNeeded();
    }
    return viewControllerMain_;
}

void FreltManager::closeAllWindows() {
    const auto application = platform::Application::shared();
    // The main window is shown in a popover or a window of its own.
    for (const auto& popover : application->shownPopovers()) popover->close();
    for (const auto& window : application->orderedWindows()) window->close();
}

bool FreltManager::canOpenWindow() const {
    if (!ExportImportManager::shared()->isIdle()) {
        log(LogCategory::freltManager, LogLevel::Default,
            "Tried to open Window, but there's currently an export or import running");
        return false;
    }
    return true;
}

void FreltManager::mainWindowShow() {
    if (mainWindowState() >= shownAsAttachedPopover) return;
    const auto app = platform::Application::shared();
    if (app->isInModalSession() || !canOpenWindow()) return;
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
