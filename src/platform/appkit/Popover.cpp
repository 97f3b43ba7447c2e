#include "platform/appkit/Popover.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/Application.h"
#include "platform/appkit/GraphicsContext.h"
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

void PopoverWindow::cancelOperation(const std::shared_ptr<Object>& sender) {
    if (auto p = popover(); p && p->isShown()) {
        p->performClose(sender);
        return;
    }
    Window::cancelOperation(sender);
}

void PopoverWindow::sendEvent(const Event& event) {
    const auto p = popover();
    if (!p || !p->isShown() || p->isDetached()) {
        tearOffFrom_.reset();
        Window::sendEvent(event);
        return;
    }
    switch (event.type) {
        case EventType::leftMouseDown:
            if (auto hit = contentView()->hitTest(event.locationInWindow); hit && hit->mouseDownCanMoveWindow()) {
                tearOffFrom_ = event.locationInWindow;
                return;
            }
            break;
        case EventType::leftMouseDragged:
            if (tearOffFrom_) {
                const double dx = event.locationInWindow.x - tearOffFrom_->x;
                const double dy = event.locationInWindow.y - tearOffFrom_->y;
                if (std::hypot(dx, dy) < tearOffDistance) return;
                tearOffFrom_.reset();
                auto self = std::static_pointer_cast<PopoverWindow>(shared_from_this());
                // The button is still down: the window manager carries the
                // torn-off window on from here.
                if (p->detach() && isVisible()) {
                    if (auto* native = nativeWindow()) native->beginUserMove();
                }
                return;
            }
            break;
        case EventType::leftMouseUp:
            if (tearOffFrom_) {
                tearOffFrom_.reset();
                return;
            }
            break;
        default:
            break;
    }
    Window::sendEvent(event);
}

void PopoverWindow::setArrow(std::optional<RectEdge> edge, double position) {
    if (edge == arrowEdge_ && position == arrowPosition_) return;
    const bool insetsChange = edge != arrowEdge_;
    arrowEdge_ = edge;
    arrowPosition_ = position;
    if (insetsChange) propertiesChanged();
    viewNeedsDisplay(Rect(0, 0, frame().width(), frame().height()));
}

EdgeInsets PopoverWindow::decorationInsets() const {
    EdgeInsets e;
    if (!arrowEdge_) return e;
    switch (*arrowEdge_) {
        case RectEdge::minX: e.left = arrowLength; break;
        case RectEdge::maxX: e.right = arrowLength; break;
        case RectEdge::minY: e.top = arrowLength; break;
        case RectEdge::maxY: e.bottom = arrowLength; break;
    }
    return e;
}

BezierPath PopoverWindow::backgroundShape(const Rect& bounds) const {
    const EdgeInsets e = decorationInsets();
    const Rect body(bounds.minX() + e.left, bounds.minY() + e.top, bounds.width() - e.left - e.right,
                    bounds.height() - e.top - e.bottom);
    BezierPath path = BezierPath::withRoundedRect(body, cornerRadius, cornerRadius);
    if (!arrowEdge_) return path;
    const bool alongX = *arrowEdge_ == RectEdge::minY || *arrowEdge_ == RectEdge::maxY;
    const double extent = alongX ? body.width() : body.height();
    const double at = std::clamp(arrowPosition_, cornerRadius + arrowHalfWidth,
                                 std::max(cornerRadius + arrowHalfWidth, extent - cornerRadius - arrowHalfWidth));
    BezierPath arrow;
    switch (*arrowEdge_) {
        case RectEdge::minY:
            arrow.moveTo({body.minX() + at - arrowHalfWidth, body.minY() + 1});
            arrow.lineTo({body.minX() + at, bounds.minY()});
            arrow.lineTo({body.minX() + at + arrowHalfWidth, body.minY() + 1});
            break;
        case RectEdge::maxY:
            arrow.moveTo({body.minX() + at - arrowHalfWidth, body.maxY() - 1});
            arrow.lineTo({body.minX() + at, bounds.maxY()});
            arrow.lineTo({body.minX() + at + arrowHalfWidth, body.maxY() - 1});
            break;
        case RectEdge::minX:
            arrow.moveTo({body.minX() + 1, body.minY() + at - arrowHalfWidth});
            arrow.lineTo({bounds.minX(), body.minY() + at});
            arrow.lineTo({body.minX() + 1, body.minY() + at + arrowHalfWidth});
            break;
        case RectEdge::maxX:
            arrow.moveTo({body.maxX() - 1, body.minY() + at - arrowHalfWidth});
            arrow.lineTo({bounds.maxX(), body.minY() + at});
            arrow.lineTo({body.maxX() - 1, body.minY() + at + arrowHalfWidth});
            break;
    }
    arrow.closePath();
    path.appendPath(arrow);
    return path;
}

void PopoverWindow::drawDecorations(GraphicsContext& context, const Rect& bounds) {
    BezierPath shape = backgroundShape(bounds);
    context.setFillColor(Color::named("System", "windowBackgroundColor", Color::calibratedWhite(0.93)));
    context.fillPath(shape);
    shape.setLineWidth(1);
    context.setStrokeColor(Color::named("System", "separatorColor", Color::calibratedWhite(0, 0.1)));
    context.strokePath(shape);
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
    if (window_) {
        // Still drawn by the popover itself (no title bar: changing the
        // window's kind would remap it under the pointer), without the arrow.
        window_->setArrow(std::nullopt, 0);
        window_->setStyleMask(window_->styleMask() | stylemask::closable);
        window_->setMovableByWindowBackground(true);
    }
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
    if (detached_) {
        // Torn off: where the user put it, no longer at the anchor.
        window_->setFrame(Rect(window_->frame().origin, size), true);
        return;
    }
    Rect anchor = positioningRect_;
    if (anchor.isEmpty() && anchor.origin == Point{}) anchor = view->bounds();
    if (auto w = view->window()) {
        const Point inWindow = view->convertPointToWindow(anchor.origin);
        anchor.origin = w->frame().origin + inWindow;
    }
    auto screen = Screen::screenForRect(anchor);
    if (!screen) screen = Screen::mainScreen();
    const Rect limit = screen ? screen->visibleFrame() : Rect(-1e9, -1e9, 2e9, 2e9);

    // The arrow keeps its length between the anchor and the content
    // (a detached popover has none).
    const double gap = detached_ ? 0 : PopoverWindow::arrowLength;
    auto placeAt = [&](RectEdge edge) {
        switch (edge) {
            case RectEdge::minX:
                return Rect(anchor.minX() - size.width - gap, anchor.midY() - size.height / 2, size.width, size.height);
            case RectEdge::maxX: return Rect(anchor.maxX() + gap, anchor.midY() - size.height / 2, size.width, size.height);
            case RectEdge::minY:
                return Rect(anchor.midX() - size.width / 2, anchor.minY() - size.height - gap, size.width, size.height);
            case RectEdge::maxY: return Rect(anchor.midX() - size.width / 2, anchor.maxY() + gap, size.width, size.height);
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
    RectEdge edge = edge_;
    Rect frame = placeAt(edge);
    if (!fitsAlongEdge(frame, edge)) {
        const Rect other = placeAt(opposite(edge));
        if (fitsAlongEdge(other, opposite(edge))) {
            frame = other;
            edge = opposite(edge);
        }
    }
    // Slide along the edge to stay on screen.
    frame.origin.x = std::clamp(frame.origin.x, limit.minX(), std::max(limit.minX(), limit.maxX() - frame.width()));
    frame.origin.y = std::clamp(frame.origin.y, limit.minY(), std::max(limit.minY(), limit.maxY() - frame.height()));
    if (!detached_) {
        // The arrow sits on the content's side towards the anchor and points
        // at its middle.
        const bool alongX = edge == RectEdge::minY || edge == RectEdge::maxY;
        window_->setArrow(opposite(edge), alongX ? anchor.midX() - frame.minX() : anchor.midY() - frame.minY());
    }
    window_->setFrame(frame, true);
}

}  // namespace platform
