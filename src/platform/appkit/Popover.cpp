#include "platform/appkit/Popover.h"

#include <algorithm>

#include "platform/appkit/Application.h"
#include "platform/appkit/Screen.h"
#include "platform/appkit/View.h"
#include "platform/appkit/ViewController.h"
#include "platform/foundation/FailureHook.h"
#include "platform/log/Log.h"

namespace platform {

namespace {
const Log& kitLog() {
    static const Log log("org.frelt.platform", "appkit");
    return log;
}
}  // namespace

PopoverWindow::PopoverWindow(Rect frame) : Window(frame, stylemask::borderless) {
    setHasShadow(true);
    setOpaque(false);
}

void PopoverWindow::close() {
    if (auto p = popover(); p && p->isShown()) {
        p->close();
        return;
    }
    Window::close();
}

Popover::~Popover() = default;

void Popover::setContentViewController(const std::shared_ptr<ViewController>& vc) {
    if (vc == contentViewController_) return;
    contentViewController_ = vc;
    if (shown_ && window_) {
        window_->setContentViewController(vc);
        placeWindow();
    }
}

Size Popover::contentSize() const {
    if (contentSize_) return *contentSize_;
    if (!contentViewController_) return {};
    const Size preferred = contentViewController_->preferredContentSize();
    if (!preferred.isZero()) return preferred;
    if (contentViewController_->isViewLoaded()) return contentViewController_->view()->frame().size;
    return {};
}

void Popover::setContentSize(Size s) {
    contentSize_ = s;
    if (shown_) placeWindow();
}

Notification Popover::makeNotification(const std::string& name) {
    return Notification{name, std::any(std::static_pointer_cast<Popover>(shared_from_this())), this, {}};
}

void Popover::showRelativeToRect(const Rect& rect, const std::shared_ptr<View>& view, RectEdge preferredEdge) {
    assertMainThread("Popover::showRelativeToRect");
    if (!contentViewController_) {
        kitLog().write(LogLevel::Error, "Popover shown without a content view controller");
        return;
    }
    if (!view || !view->window()) {
        kitLog().write(LogLevel::Error, "Popover shown relative to a view that is not in a window");
        return;
    }
    positioningRect_ = rect;
    positioningView_ = view;
    edge_ = preferredEdge;
    if (shown_) {
        placeWindow();
        return;
    }
    auto self = std::static_pointer_cast<Popover>(shared_from_this());
    auto notification = makeNotification(popovernotification::willShow);
    if (auto d = delegate()) d->popoverWillShow(notification);
    NotificationCenter::defaultCenter().post(notification);

    contentViewController_->loadViewIfNeeded();
    window_ = std::make_shared<PopoverWindow>(Rect(Point{}, contentSize()));
    window_->setPopover(self);
    window_->setAppearance(appearance_);
    window_->setLevel(std::max(windowlevel::floating, view->window()->level()));
    window_->setContentViewController(contentViewController_);
    placeWindow();
    shown_ = true;
    detached_ = false;
    Application::shared()->popoverDidShow(self);
    auto window = window_;  // the appear calls may close the popover again
    window->makeKeyAndOrderFront();

    if (!shown_) return;
    notification = makeNotification(popovernotification::didShow);
    if (auto d = delegate()) d->popoverDidShow(notification);
    NotificationCenter::defaultCenter().post(notification);
}

void Popover::close() {
    assertMainThread("Popover::close");
    if (!shown_ || closing_) return;
    closing_ = true;
    auto self = std::static_pointer_cast<Popover>(shared_from_this());
    auto notification = makeNotification(popovernotification::willClose);
    if (auto d = delegate()) d->popoverWillClose(notification);
    NotificationCenter::defaultCenter().post(notification);

    auto window = window_;
    if (window) window->orderOut();  // viewWillDisappear, viewDidDisappear
    shown_ = false;
    detached_ = false;
    Application::shared()->popoverDidClose(*this);
    if (window) {
        // Give the content back so it can be shown again elsewhere.
        window->setContentViewController(nullptr);
        window->setPopover(nullptr);
    }
    window_.reset();
    closing_ = false;

    notification = makeNotification(popovernotification::didClose);
    if (auto d = delegate()) d->popoverDidClose(notification);
    NotificationCenter::defaultCenter().post(notification);
}

bool Popover::performClose(const std::shared_ptr<Object>&) {
    if (!shown_) return false;
    auto self = std::static_pointer_cast<Popover>(shared_from_this());
    if (auto d = delegate(); d && !d->popoverShouldClose(self)) return false;
    close();
    return true;
}

bool Popover::detach() {
    if (!shown_ || detached_) return false;
    auto self = std::static_pointer_cast<Popover>(shared_from_this());
    auto d = delegate();
    if (!d || !d->popoverShouldDetach(self)) return false;
    detached_ = true;
    if (window_) window_->setStyleMask(stylemask::titled | stylemask::closable);
    d->popoverDidDetach(self);
    return true;
}

void Popover::clickedOutside() {
    if (!shown_ || detached_ || behavior_ == PopoverBehavior::applicationDefined) return;
    performClose();
}

void Popover::placeWindow() {
    auto view = positioningView();
    if (!window_ || !view) return;
    const Size size = contentSize();
    Rect anchor = positioningRect_;
    if (anchor.isEmpty() && anchor.origin == Point{}) anchor = view->bounds();
    if (auto w = view->window()) {
        const Point inWindow = view->convertPointToWindow(anchor.origin);
        anchor.origin = w->frame().origin + inWindow;
    }
    auto screen = Screen::screenForRect(anchor);
    if (!screen) screen = Screen::mainScreen();
    const Rect limit = screen ? screen->visibleFrame() : Rect(-1e9, -1e9, 2e9, 2e9);

    auto placeAt = [&](RectEdge edge) {
        switch (edge) {
            case RectEdge::minX: return Rect(anchor.minX() - size.width, anchor.midY() - size.height / 2, size.width, size.height);
            case RectEdge::maxX: return Rect(anchor.maxX(), anchor.midY() - size.height / 2, size.width, size.height);
            case RectEdge::minY: return Rect(anchor.midX() - size.width / 2, anchor.minY() - size.height, size.width, size.height);
            case RectEdge::maxY: return Rect(anchor.midX() - size.width / 2, anchor.maxY(), size.width, size.height);
        }
        return Rect(anchor.origin, size);
    };
    auto fitsAlongEdge = [&](const Rect& r, RectEdge edge) {
        if (edge == RectEdge::minX || edge == RectEdge::maxX) return r.minX() >= limit.minX() && r.maxX() <= limit.maxX();
        return r.minY() >= limit.minY() && r.maxY() <= limit.maxY();
    };
    auto opposite = [](RectEdge e) {
        switch (e) {
            case RectEdge::minX: return RectEdge::maxX;
            case RectEdge::maxX: return RectEdge::minX;
            case RectEdge::minY: return RectEdge::maxY;
            case RectEdge::maxY: return RectEdge::minY;
        }
        return e;
    };
    // The preferred edge unless the popover would leave the screen there and
    // fits at the opposite one.
    Rect frame = placeAt(edge_);
    if (!fitsAlongEdge(frame, edge_)) {
        const Rect other = placeAt(opposite(edge_));
        if (fitsAlongEdge(other, opposite(edge_))) frame = other;
    }
    // Slide along the edge to stay on screen.
    frame.origin.x = std::clamp(frame.origin.x, limit.minX(), std::max(limit.minX(), limit.maxX() - frame.width()));
    frame.origin.y = std::clamp(frame.origin.y, limit.minY(), std::max(limit.minY(), limit.maxY() - frame.height()));
    window_->setFrame(frame, true);
}

}  // namespace platform
