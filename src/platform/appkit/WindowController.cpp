#include "platform/appkit/WindowController.h"

#include "platform/appkit/ViewController.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/FailureHook.h"

namespace platform {

WindowController::WindowController(std::shared_ptr<Window> window) : window_(std::move(window)) {
    // A controller made with its window has nothing left to load.
    windowLoaded_ = window_ != nullptr;
    didLoadCalled_ = windowLoaded_;
}

WindowController::~WindowController() = default;

std::shared_ptr<Window> WindowController::window() {
    if (!windowLoaded_ && !loading_) {
        loading_ = true;
        windowWillLoad();
        loadWindow();
        windowLoaded_ = true;
        loading_ = false;
        if (window_ && !didLoadCalled_) {
            didLoadCalled_ = true;
            window_->setWindowController(std::static_pointer_cast<WindowController>(shared_from_this()));
            windowDidLoad();
        }
    }
    if (window_ && window_->windowController().get() != this) {
        if (auto self = std::dynamic_pointer_cast<WindowController>(weak_from_this().lock()))
            window_->setWindowController(self);
    }
    return window_;
}

void WindowController::setWindow(const std::shared_ptr<Window>& window) {
    if (window == window_) return;
    if (window_ && window_->windowController().get() == this) window_->setWindowController(nullptr);
    window_ = window;
    if (!loading_) windowLoaded_ = true;
    if (window_) {
        if (auto self = std::dynamic_pointer_cast<WindowController>(weak_from_this().lock()))
            window_->setWindowController(self);
    }
}

void WindowController::sceneDidLoad() {
    windowLoaded_ = true;
    if (!window_ || didLoadCalled_) return;
    didLoadCalled_ = true;
    window_->setWindowController(std::static_pointer_cast<WindowController>(shared_from_this()));
    windowDidLoad();
}

std::shared_ptr<ViewController> WindowController::contentViewController() const {
    return window_ ? window_->contentViewController() : nullptr;
}

void WindowController::setContentViewController(const std::shared_ptr<ViewController>& vc) {
    if (auto w = window()) w->setContentViewController(vc);
}

void WindowController::showWindow(const std::shared_ptr<Object>& sender) {
    assertMainThread("WindowController::showWindow");
    if (auto w = window()) w->makeKeyAndOrderFront(sender);
}

void WindowController::close() {
    assertMainThread("WindowController::close");
    if (window_) window_->close();
}

}  // namespace platform
