#include "platform/appkit/Window.h"

#include <algorithm>
#include <atomic>
#include <set>
#include <utility>

#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Screen.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/View.h"
#include "platform/appkit/ViewController.h"
#include "platform/appkit/WindowController.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {
std::atomic<int> nextWindowNumber{1};

// The factory a backend installs; reset between tests.
struct FieldEditorFactoryTag {};
using InstalledFieldEditorFactory = ResettableValue<FieldEditorFactoryTag, Window::FieldEditorFactory>;

}  // namespace

Window::Window(Rect contentRect, StyleMask style)
    : windowNumber_(nextWindowNumber++), frame_(contentRect), styleMask_(style) {
    assertMainThread("Window::Window");
}

Window::~Window() = default;

// --- content

std::shared_ptr<View> Window::contentView() {
    if (!contentView_) {
        auto view = std::make_shared<View>(Rect(0, 0, frame_.width(), frame_.height()));
        view->setAutoresizingMask(autoresizing::widthSizable | autoresizing::heightSizable);
        contentView_ = view;
        view->setRootWindow(std::static_pointer_cast<Window>(shared_from_this()));
        Application::shared()->windowCreated(std::static_pointer_cast<Window>(shared_from_this()));
    }
    return contentView_;
}

void Window::setContentView(const std::shared_ptr<View>& view) {
    if (view == contentView_) return;
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    Application::shared()->windowCreated(self);
    if (auto old = contentView_) {
        if (visible_) viewappearance::willDisappear(*old);
        old->forEachInTree([](View& v) { v.viewWillMoveToWindow(nullptr); });
        resetFirstResponderIfInside(*old);
        contentView_.reset();
        old->setRootWindow(nullptr);
        if (visible_) viewappearance::didDisappear(*old);
        old->forEachInTree([](View& v) { v.viewDidMoveToWindow(); });
    }
    if (!view) return;
    if (view->superview()) view->removeFromSuperview();
    if (auto other = view->window(); other && other != self) other->setContentView(nullptr);
    view->setFrame(Rect(0, 0, frame_.width(), frame_.height()));
    if (visible_) viewappearance::willAppear(*view);
    view->forEachInTree([&](View& v) { v.viewWillMoveToWindow(self); });
    contentView_ = view;
    view->setRootWindow(self);
    view->forEachInTree([](View& v) { v.viewDidMoveToWindow(); });
    if (visible_) viewappearance::didAppear(*view);
    viewNeedsDisplay(Rect(0, 0, frame_.width(), frame_.height()));
}

void Window::setContentViewController(const std::shared_ptr<ViewController>& vc) {
    if (vc == contentViewController_) return;
    contentViewController_ = vc;
    if (!vc) {
        setContentView(nullptr);
        return;
    }
    auto view = vc->view();
    // The window takes the size of the controller's view.
    Size size = view ? view->frame().size : Size{};
    if (size.isZero()) size = vc->preferredContentSize();
    if (!size.isZero()) setFrame(Rect(frame_.origin, size), true);
    setContentView(view);
}

void Window::setWindowController(const std::shared_ptr<WindowController>& wc) { windowController_ = wc; }

// --- frame

void Window::setFrame(const Rect& frame, bool display, bool) {
    Rect f = frame;
    f.size.width = std::clamp(f.size.width, minSize_.width, std::max(minSize_.width, maxSize_.width));
    f.size.height = std::clamp(f.size.height, minSize_.height, std::max(minSize_.height, maxSize_.height));
    if (f == frame_) return;
    const bool moved = !(f.origin == frame_.origin);
    const bool resized = !(f.size == frame_.size);
    if (moved) placed_ = true;
    frame_ = f;
    if (contentView_ && resized) contentView_->setFrame(Rect(0, 0, f.width(), f.height()));
    // The native side already shows what it reported, unless the limits
    // changed it.
    if (!frameFromNative_ || !(f == frame))
        if (auto* native = nativeWindow()) native->setFrame(frame_);
    if (display && resized) viewNeedsDisplay(Rect(0, 0, f.width(), f.height()));
    auto self = weak_from_this().lock();
    Notification n{"", std::any(std::static_pointer_cast<Window>(self)), this, {}};
    if (resized) {
        n.name = windownotification::didResize;
        if (auto d = delegate()) d->windowDidResize(n);
        NotificationCenter::defaultCenter().post(n);
    }
    if (moved) {
        n.name = windownotification::didMove;
        if (auto d = delegate()) d->windowDidMove(n);
        NotificationCenter::defaultCenter().post(n);
    }
}

void Window::center() {
    // Where the person is looking: the screen with the pointer.
    auto s = Screen::screenWithMouse();
    if (!s) s = screen();
    if (!s) return;
    const Rect vf = s->visibleFrame();
    // A little above the middle, where the eye expects a new window, and
    // never past the screen's visible part on the left or at the top.
    const double x = std::max(vf.minX(), vf.midX() - frame_.width() / 2);
    const double y = std::max(vf.minY(), vf.minY() + (vf.height() - frame_.height()) / 3);
    placed_ = true;
    setFrameOrigin(Point{std::round(x), std::round(y)});
}

std::shared_ptr<Screen> Window::screen() const {
    if (auto s = Screen::screenForRect(frame_)) return s;
    return Screen::mainScreen();
}

// --- order and visibility

void Window::show(bool makeKey) {
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    auto app = Application::shared();
    app->windowCreated(self);
    if (makeKey && canBecomeKeyWindow()) {
        // A window opened from the one the user works in comes up in front
        // of it: beneath a key window of a higher level (the launcher's
        // floating main window) it would take the keyboard unseen. It
        // stands at that level while shown.
        const auto key = app->keyWindow();
        if (key && key != self && key->isVisible() && key->level() > level_) {
            if (!ownLevel_) ownLevel_ = level_;
            setLevel(key->level());
        }
    }
    if (!visible_) {
        auto cv = contentView();
        viewappearance::willAppear(*cv);
        visible_ = true;
        app->windowDidOrderFront(self);
        viewappearance::didAppear(*cv);
        if (autorecalculatesKeyViewLoop_) recalculateKeyViewLoop();
        auto fr = firstResponder();
        if (!fr || fr == self) {
            // In a dialog typing goes straight into its first field, unless
            // the window named another view.
            if (auto initial = initialFirstResponder()) makeFirstResponder(initial);
            else if (isDialog())
                if (auto field = firstField()) makeFirstResponder(field);
        }
    } else {
        app->windowDidOrderFront(self);
    }
    if (makeKey && canBecomeKeyWindow()) app->setKeyWindow(self);
}

void Window::orderFront(const std::shared_ptr<Object>&) {
    assertMainThread("Window::orderFront");
    show(false);
}
void Window::orderFrontRegardless() { show(false); }

void Window::orderBack(const std::shared_ptr<Object>&) {
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    if (!visible_) {
        show(false);
    }
    Application::shared()->windowDidOrderBack(self);
}

void Window::orderOut(const std::shared_ptr<Object>&) {
    assertMainThread("Window::orderOut");
    hideWindow();
}

void Window::hideWindow() {
    if (!visible_) return;
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    willOrderOut();
    if (attachedSheet_) attachedSheet_->hideWindow();
    auto cv = contentView();
    viewappearance::willDisappear(*cv);
    visible_ = false;
    Application::shared()->windowDidOrderOut(self);
    viewappearance::didDisappear(*cv);
    if (const auto own = std::exchange(ownLevel_, std::nullopt)) setLevel(*own);
}

void Window::makeKeyAndOrderFront(const std::shared_ptr<Object>&) {
    assertMainThread("Window::makeKeyAndOrderFront");
    show(true);
}

void Window::makeKeyWindow() {
    if (!visible_ || !canBecomeKeyWindow()) return;
    Application::shared()->setKeyWindow(std::static_pointer_cast<Window>(shared_from_this()));
}

void Window::makeMainWindow() {
    if (!visible_ || !canBecomeMainWindow()) return;
    Application::shared()->setMainWindow(std::static_pointer_cast<Window>(shared_from_this()));
}

void Window::close() {
    assertMainThread("Window::close");
    if (closing_) return;
    closing_ = true;
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    // Observers learn of the close before the window goes; they may look at
    // its state, which is still the open one.
    Notification n{windownotification::willClose, std::any(self), this, {}};
    if (auto d = delegate()) d->windowWillClose(n);
    NotificationCenter::defaultCenter().post(n);
    if (auto parent = sheetParent()) parent->endSheet(self, modalresponse::abort);
    hideWindow();
    closing_ = false;
}

void Window::performClose(const std::shared_ptr<Object>&) {
    assertMainThread("Window::performClose");
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    if (!(styleMask_ & stylemask::closable)) return;
    if (auto d = delegate(); d && !d->windowShouldClose(self)) return;
    close();
}

namespace {
// Sets `field` and tells the native window when the value changed.
template <class T, class U>
void change(Window& w, T& field, U&& value, void (Window::*notify)()) {
    if (field == value) return;
    field = std::forward<U>(value);
    (w.*notify)();
}
}  // namespace

void Window::setLevel(WindowLevel l) { change(*this, level_, l, &Window::propertiesChanged); }
void Window::setStyleMask(StyleMask m) { change(*this, styleMask_, m, &Window::propertiesChanged); }
void Window::setTitle(std::string t) { change(*this, title_, std::move(t), &Window::propertiesChanged); }
void Window::setSubtitle(std::string t) { change(*this, subtitle_, std::move(t), &Window::propertiesChanged); }
void Window::setMinSize(Size s) { change(*this, minSize_, s, &Window::propertiesChanged); }
void Window::setMaxSize(Size s) { change(*this, maxSize_, s, &Window::propertiesChanged); }
void Window::setCollectionBehavior(CollectionBehavior b) {
    change(*this, collectionBehavior_, b, &Window::propertiesChanged);
}
void Window::setTitleVisibility(TitleVisibility v) { change(*this, titleVisibility_, v, &Window::propertiesChanged); }
void Window::setTitlebarAppearsTransparent(bool b) {
    change(*this, titlebarTransparent_, b, &Window::propertiesChanged);
}
void Window::setMovable(bool b) { change(*this, movable_, b, &Window::propertiesChanged); }
void Window::setOpaque(bool b) { change(*this, opaque_, b, &Window::propertiesChanged); }
void Window::setHasShadow(bool b) { change(*this, hasShadow_, b, &Window::propertiesChanged); }
void Window::setAlphaValue(double a) { change(*this, alpha_, a, &Window::propertiesChanged); }
void Window::setAppearance(std::optional<AppearanceName> a) {
    if (a == appearance_) return;
    appearance_ = std::move(a);
    propertiesChanged();
    viewNeedsDisplay(Rect(0, 0, frame_.width(), frame_.height()));
}

void Window::propertiesChanged() {
    if (auto* native = nativeWindow()) native->setProperties(nativeProperties());
}

// --- key and main status

bool Window::isKeyWindow() const { return Application::shared()->keyWindow().get() == this; }
bool Window::isMainWindow() const { return Application::shared()->mainWindow().get() == this; }

bool Window::canBecomeKeyWindow() const {
    return (styleMask_ & (stylemask::titled | stylemask::resizable)) != 0 || isSheet();
}

bool Window::canBecomeMainWindow() const {
    return (styleMask_ & (stylemask::titled | stylemask::resizable)) != 0 && !isSheet() && !modalPanel_;
}

void Window::becomeKeyWindow() {
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    if (!firstResponder()) {
        if (auto initial = initialFirstResponder(); initial && makeFirstResponder(initial)) {
        } else {
            firstResponder_ = self;
            notifyFirstResponderChange();
        }
    }
    Notification n{windownotification::didBecomeKey, std::any(self), this, {}};
    if (auto d = delegate()) d->windowDidBecomeKey(n);
    NotificationCenter::defaultCenter().post(n);
}

void Window::resignKeyWindow() {
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    Notification n{windownotification::didResignKey, std::any(self), this, {}};
    if (auto d = delegate()) d->windowDidResignKey(n);
    NotificationCenter::defaultCenter().post(n);
}

// --- sheets

void Window::beginSheet(const std::shared_ptr<Window>& sheet, std::function<void(ModalResponse)> completion) {
    if (!sheet || attachedSheet_) return;
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    attachedSheet_ = sheet;
    sheetCompletion_ = std::move(completion);
    sheet->sheetParent_ = self;
    // Hangs from the top of the parent, centred.
    sheet->setFrameOrigin(Point{frame_.midX() - sheet->frame().width() / 2, frame_.minY()});
    sheet->show(true);
}

void Window::endSheet(const std::shared_ptr<Window>& sheet, ModalResponse code) {
    if (!sheet || sheet != attachedSheet_) return;
    auto completion = std::move(sheetCompletion_);
    sheetCompletion_ = nullptr;
    attachedSheet_.reset();
    sheet->sheetParent_.reset();
    sheet->hideWindow();
    if (visible_ && canBecomeKeyWindow() && !Application::shared()->keyWindow())
        Application::shared()->setKeyWindow(std::static_pointer_cast<Window>(shared_from_this()));
    if (completion) completion(code);
}

// --- first responder

bool Window::makeFirstResponder(const std::shared_ptr<Responder>& responder) {
    assertMainThread("Window::makeFirstResponder");
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    std::shared_ptr<Responder> target = responder ? responder : std::static_pointer_cast<Responder>(self);
    auto current = firstResponder();
    if (current == target) return true;
    if (auto view = std::dynamic_pointer_cast<View>(target); view && view->window() != self) return false;
    // One that does not take the keyboard at all changes nothing.
    if (target != self && !target->acceptsFirstResponder()) return false;

    // The current one may refuse to let go; then nothing changes. Letting go
    // may itself ask for a change (a field whose end of editing moves the
    // focus elsewhere): that one completes first, and the one it put in has
    // lost the focus to this change and is told so in turn, so exactly one
    // responder holds the focus at the end.
    auto leaving = current;
    for (int rounds = 0; leaving && leaving != self; ++rounds) {
        // One put in by a nested change that refuses keeps what it was given.
        if (!leaving->resignFirstResponder()) return false;
        auto now = firstResponder();
        if (now == leaving) break;
        if (now == target) return true;
        // A change that keeps asking for others is cut off; the last one stays.
        if (rounds == 8) return false;
        leaving = now;
    }
    firstResponder_ = self;
    bool accepted = true;
    if (target != self) {
        if (target->becomeFirstResponder()) {
            // A text field hands the keyboard on to its field editor from
            // inside becomeFirstResponder; keep that choice.
            if (firstResponder() == std::static_pointer_cast<Responder>(self)) firstResponder_ = target;
        } else {
            accepted = false;
        }
    }
    if (firstResponder() != current) notifyFirstResponderChange();
    return accepted;
}

void Window::resetFirstResponderIfInside(const View& view) {
    auto fr = std::dynamic_pointer_cast<View>(firstResponder());
    if (!fr || !fr->isDescendantOf(view)) return;
    fr->resignFirstResponder();  // its answer cannot keep a view that leaves
    firstResponder_ = weak_from_this().lock() ? std::static_pointer_cast<Responder>(shared_from_this()) : nullptr;
    notifyFirstResponderChange();
}

void Window::redrawFocusRings() {
    const auto now = focusRingView();
    const auto before = focusRingShown_.lock();
    focusRingShown_ = now;
    if (now == before) return;
    const auto self = static_cast<const Window*>(this);
    for (const auto& view : {before, now}) {
        if (!view || view->window().get() != self) continue;
        // The ring's stroke reaches a few points beyond the view.
        const Rect ring = view->focusRingMaskBounds().insetBy(-4, -4);
        viewNeedsDisplay(Rect(view->convertPointToWindow(ring.origin), ring.size));
    }
}

void Window::notifyFirstResponderChange() {
    redrawFocusRings();
    auto fr = firstResponder();
    firstResponderObservers_.forEach([&](const FirstResponderObserver& observer) { observer(fr); });
}

Subscription Window::observeFirstResponder(FirstResponderObserver observer, bool initial) {
    auto subscription = firstResponderObservers_.add(observer);
    if (initial) observer(firstResponder());
    return subscription;
}

std::vector<std::shared_ptr<View>> Window::keyViewsInReadingOrder() {
    std::vector<std::shared_ptr<View>> keyViews;
    contentView()->forEachInTree([&](View& v) {
        if (&v != contentView_.get() && v.acceptsFirstResponder())
            keyViews.push_back(std::static_pointer_cast<View>(v.shared_from_this()));
    });
    auto position = [](const std::shared_ptr<View>& v) {
        return v->convertPointToWindow(v->bounds().origin);
    };
    std::stable_sort(keyViews.begin(), keyViews.end(), [&](const auto& a, const auto& b) {
        const Point pa = position(a), pb = position(b);
        return pa.y != pb.y ? pa.y < pb.y : pa.x < pb.x;
    });
    return keyViews;
}

void Window::recalculateKeyViewLoop() {
    const auto keyViews = keyViewsInReadingOrder();
    for (std::size_t i = 0; i < keyViews.size(); ++i) keyViews[i]->setNextKeyView(keyViews[(i + 1) % keyViews.size()]);
}

namespace {
// A stop of its own on the way Tab goes: not the field editor (its control
// is the stop) nor a view inside a table's rows (the table is).
bool isOwnKeyStop(const View& view) {
    if (auto* editor = dynamic_cast<const TextView*>(&view); editor && editor->isFieldEditor()) return false;
    for (auto up = view.superview(); up; up = up->superview())
        if (std::dynamic_pointer_cast<TableView>(up)) return false;
    return true;
}
}  // namespace

std::shared_ptr<View> Window::keyViewAfter(const View* view, bool forward) {
    auto order = keyViewsInReadingOrder();
    std::erase_if(order, [&](const auto& v) { return v.get() != view && !isOwnKeyStop(*v); });
    if (!forward) std::reverse(order.begin(), order.end());
    const auto at = std::find_if(order.begin(), order.end(), [&](const auto& v) { return v.get() == view; });
    // From the window itself (or a view outside the order) the loop starts
    // at its first view.
    const std::size_t start = at == order.end() ? 0 : std::size_t(at - order.begin()) + 1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto& candidate = order[(start + i) % order.size()];
        if (candidate.get() != view && candidate->canBecomeKeyView()) return candidate;
    }
    return nullptr;
}

std::shared_ptr<TextField> Window::firstField() {
    for (const auto& view : keyViewsInReadingOrder()) {
        // A field in a row of a table is edited when the row asks for it.
        auto field = std::dynamic_pointer_cast<TextField>(view);
        if (field && field->isEditable() && field->canBecomeKeyView() && isOwnKeyStop(*field)) return field;
    }
    return nullptr;
}

void Window::selectNextKeyView(const std::shared_ptr<Object>&) {
    std::shared_ptr<View> next;
    if (auto fr = std::dynamic_pointer_cast<View>(firstResponder())) next = fr->nextValidKeyView();
    if (!next) {
        if (auto initial = initialFirstResponder()) next = initial->canBecomeKeyView() ? initial : initial->nextValidKeyView();
    }
    if (!next) next = keyViewAfter(nullptr, true);
    if (next) makeFirstResponder(next);
}

void Window::selectPreviousKeyView(const std::shared_ptr<Object>&) {
    std::shared_ptr<View> prev;
    if (auto fr = std::dynamic_pointer_cast<View>(firstResponder())) prev = fr->previousValidKeyView();
    if (!prev) {
        if (auto initial = initialFirstResponder()) prev = initial->canBecomeKeyView() ? initial : initial->previousValidKeyView();
    }
    if (!prev) prev = keyViewAfter(nullptr, false);
    if (prev) makeFirstResponder(prev);
}

std::shared_ptr<View> Window::fieldEditor(bool create, const std::shared_ptr<Object>& client) {
    if (auto d = delegate()) {
        if (auto custom = d->windowWillReturnFieldEditor(std::static_pointer_cast<Window>(shared_from_this()), client))
            return custom;
    }
    if (!fieldEditor_ && create) {
        const auto factory = InstalledFieldEditorFactory::get();
        fieldEditor_ = factory ? factory() : TextView::makeFieldEditor();
    }
    return fieldEditor_;
}

void Window::setFieldEditorFactory(FieldEditorFactory factory) { InstalledFieldEditorFactory::set(std::move(factory)); }

// --- events

void Window::sendEvent(const Event& event) {
    assertMainThread("Window::sendEvent");
    auto self = std::static_pointer_cast<Window>(shared_from_this());  // the event may close the window
    auto responder = firstResponder();
    if (!responder) responder = self;
    switch (event.type) {
        case EventType::keyDown:
            responder->keyDown(event);
            return;
        case EventType::keyUp:
            responder->keyUp(event);
            return;
        case EventType::flagsChanged:
            responder->flagsChanged(event);
            return;
        default:
            break;
    }

    auto cv = contentView();
    auto hit = cv->hitTest(event.locationInWindow);
    switch (event.type) {
        case EventType::leftMouseDown: {
            // Dragging a window by its background is the window manager's
            // business from here on; the view sees no click.
            if (hit && movableByBackground_ && movable_ && hit->mouseDownCanMoveWindow()) {
                if (auto* native = nativeWindow()) {
                    native->beginUserMove();
                    return;
                }
            }
            mouseDownView_ = hit;
            if (hit && hit != std::dynamic_pointer_cast<View>(firstResponder()) && hit->becomesFirstResponderOnClick() &&
                hit->acceptsFirstResponder())
                makeFirstResponder(hit);
            if (hit) hit->mouseDown(event);
            else mouseDown(event);
            return;
        }
        case EventType::leftMouseUp: {
            auto target = mouseDownView();
            mouseDownView_.reset();
            if (!target) target = hit;
            if (target) target->mouseUp(event);
            else mouseUp(event);
            return;
        }
        case EventType::leftMouseDragged: {
            auto target = mouseDownView();
            if (!target) target = hit;
            routeMouseMoved(event);
            if (target) target->mouseDragged(event);
            return;
        }
        case EventType::rightMouseDown:
            if (hit) hit->rightMouseDown(event);
            else rightMouseDown(event);
            return;
        case EventType::rightMouseUp:
            if (hit) hit->rightMouseUp(event);
            else rightMouseUp(event);
            return;
        case EventType::rightMouseDragged:
            if (hit) hit->rightMouseDragged(event);
            return;
        case EventType::otherMouseDown:
            if (hit) hit->otherMouseDown(event);
            return;
        case EventType::otherMouseUp:
            if (hit) hit->otherMouseUp(event);
            return;
        case EventType::mouseMoved:
            routeMouseMoved(event);
            updateCursor(hit);
            return;
        case EventType::scrollWheel:
            if (hit) hit->scrollWheel(event);
            return;
        default:
            return;
    }
}

void Window::routeMouseMoved(const Event& event) {
    const bool dragging = event.type == EventType::leftMouseDragged || event.type == EventType::rightMouseDragged;
    std::vector<std::pair<std::shared_ptr<View>, std::shared_ptr<TrackingArea>>> areas;
    contentView()->forEachInTree([&](View& v) {
        for (auto& a : v.trackingAreas()) areas.emplace_back(std::static_pointer_cast<View>(v.shared_from_this()), a);
    });
    for (auto& [view, area] : areas) {
        if (dragging && !(area->options() & trackingarea::enabledDuringMouseDrag)) continue;
        const Rect rect = (area->options() & trackingarea::inVisibleRect) ? view->visibleRect() : area->rect();
        const bool inside = !view->isHiddenOrHasHiddenAncestor() &&
                            rect.contains(view->convertPointFromWindow(event.locationInWindow));
        auto owner = area->owner();
        if (inside != area->mouseInside()) {
            area->setMouseInside(inside);
            if (owner && (area->options() & trackingarea::mouseEnteredAndExited)) {
                Event e = event;
                e.type = inside ? EventType::mouseEntered : EventType::mouseExited;
                if (inside) owner->mouseEntered(e);
                else owner->mouseExited(e);
            }
        }
        if (inside && owner && (area->options() & trackingarea::mouseMoved) && event.type == EventType::mouseMoved)
            owner->mouseMoved(event);
    }
}

bool Window::performKeyEquivalent(const Event& event) {
    if (!contentView_) return false;
    std::function<bool(View&)> visit = [&](View& v) -> bool {
        if (v.isHidden()) return false;
        if (v.performKeyEquivalent(event)) return true;
        for (auto& sub : std::vector<std::shared_ptr<View>>(v.subviews()))
            if (visit(*sub)) return true;
        return false;
    };
    auto cv = contentView_;
    if (visit(*cv)) return true;
    const ModifierFlags modifiers =
        event.modifierFlags & (modifierflags::command | modifierflags::control | modifierflags::option | modifierflags::shift);
    if (event.type == EventType::keyDown && modifiers == modifierflags::command && event.charactersIgnoringModifiers == "w" &&
        (styleMask_ & stylemask::closable) && !isHeldByModalSession()) {
        performClose();
        return true;
    }
    return false;
}

bool Window::isDialog() {
    if (isSheet() || Application::shared()->modalWindow().get() == this) return true;
    bool hasDefaultButton = false;
    contentView()->forEachInTree([&](View& v) {
        if (auto* button = dynamic_cast<Button*>(&v); button && button->keyEquivalent() == "\r") hasDefaultButton = true;
    });
    return hasDefaultButton;
}

bool Window::isHeldByModalSession() const {
    auto app = Application::shared();
    if (!app->isInModalSession()) return false;
    for (auto w = std::static_pointer_cast<const Window>(shared_from_this()); w; w = w->sheetParent())
        if (w == app->modalWindow()) return true;
    return false;
}

void Window::keyDown(const Event& event) {
    const ModifierFlags modifiers =
        event.modifierFlags & (modifierflags::command | modifierflags::control | modifierflags::option);
    switch (event.keyCode) {
        case keycode::tab:
            if (event.modifierFlags & modifierflags::shift) selectPreviousKeyView();
            else selectNextKeyView();
            return;
        case keycode::returnKey:
        case keycode::keypadEnter:
            // The default button, whatever the first responder was.
            if (!modifiers && performKeyEquivalent(event)) return;
            break;
        case keycode::escape:
            if (!modifiers) {
                cancelOperation(shared_from_this());
                return;
            }
            break;
        default: break;
    }
    Responder::keyDown(event);
}

void Window::cancelOperation(const std::shared_ptr<Object>& sender) {
    if (contentView_) {
        auto escape = Event::keyEvent(EventType::keyDown, keycode::escape, "\x1b", "\x1b", 0,
                                       std::static_pointer_cast<Window>(shared_from_this()));
        bool pressed = false;
        contentView_->forEachInTree([&](View& v) {
            auto* button = dynamic_cast<Button*>(&v);
            if (!pressed && button && button->keyEquivalent() == "\x1b") pressed = button->performKeyEquivalent(*escape);
        });
        if (pressed) return;
    }
    if (styleMask_ & stylemask::closable) {
        performClose(sender);
        return;
    }
    Responder::cancelOperation(sender);
}

// --- appearance and display

AppearanceName Window::effectiveAppearance() const {
    if (appearance_) return *appearance_;
    return Application::shared()->effectiveAppearance();
}

void Window::viewNeedsDisplay(const Rect& rect) {
    if (!visible_ || painting_) return;
    if (auto* native = nativeWindow()) native->setNeedsDisplay(rect);
}

void Window::displayIfNeeded() {
    if (contentView_) {
        contentView_->layoutSubtreeIfNeeded();
        contentView_->displayIfNeeded();
    }
}

// --- the native side

NativeWindow* Window::nativeWindow(bool create) {
    auto backend = Application::shared()->backend();
    if (native_ && nativeBackend_.lock() == backend) return native_.get();
    native_.reset();
    if (!backend || !create) return nullptr;
    native_ = backend->makeNativeWindow(*this);
    nativeBackend_ = backend;
    if (native_) {
        native_->setProperties(nativeProperties());
        native_->setFrame(frame_);
    }
    return native_.get();
}

WindowProperties Window::nativeProperties() const {
    WindowProperties p;
    // A desktop window has one title line: the subtitle goes after the title.
    p.title = subtitle_.empty() ? title_ : title_.empty() ? subtitle_ : title_ + " \u2014 " + subtitle_;
    p.level = level_;
    p.styleMask = styleMask_;
    p.collectionBehavior = collectionBehavior_;
    p.alpha = alpha_;
    p.opaque = opaque_;
    p.hasShadow = hasShadow_;
    p.minSize = minSize_;
    p.maxSize = maxSize_;
    p.appearance = effectiveAppearance();
    p.titleVisible = titleVisibility_ == TitleVisibility::visible;
    p.titlebarTransparent = titlebarTransparent_;
    p.movable = movable_;
    p.decorationInsets = decorationInsets();
    return p;
}

void Window::nativeDidBecomeKey() {
    assertMainThread("Window::nativeDidBecomeKey");
    if (!visible_ || !canBecomeKeyWindow() || isKeyWindow()) return;
    auto app = Application::shared();
    if (!app->isActive()) app->activate();
    makeKeyWindow();
}

void Window::nativeFrameDidChange(const Rect& frame) {
    assertMainThread("Window::nativeFrameDidChange");
    frameFromNative_ = true;
    setFrame(frame, true);
    frameFromNative_ = false;
}

void Window::nativeCloseRequested() {
    assertMainThread("Window::nativeCloseRequested");
    performClose();
}

std::shared_ptr<View> Window::focusRingView() const {
    auto view = std::dynamic_pointer_cast<View>(firstResponder());
    if (auto editor = std::dynamic_pointer_cast<TextView>(view); editor && editor->isFieldEditor()) {
        if (auto client = std::dynamic_pointer_cast<View>(editor->delegate())) view = client;
    }
    if (!view || view->focusRingType() == FocusRingType::none || view->isHiddenOrHasHiddenAncestor()) return nullptr;
    // A bezeled field shows the focus in its bezel, a table in the colour
    // of its selection.
    if (auto field = std::dynamic_pointer_cast<TextField>(view); field && field->isBezeled()) return nullptr;
    if (std::dynamic_pointer_cast<TableView>(view) || std::dynamic_pointer_cast<TextView>(view)) return nullptr;
    return view;
}

void Window::nativePaint(GraphicsContext& context, const Rect& dirty) {
    assertMainThread("Window::nativePaint");
    auto cv = contentView();
    cv->layoutSubtreeIfNeeded();
    // The native side paints at least what was marked before this pass.
    cv->forEachInTree([](View& v) { v.setNeedsDisplay(false); });
    const auto focus = isKeyWindow() ? focusRingView() : nullptr;
    {
        struct Painting {
            bool& flag;
            explicit Painting(bool& f) : flag(f) { flag = true; }
            ~Painting() { flag = false; }
        } painting(painting_);
        drawViewHierarchy(*cv, context, dirty, focus.get(), true);
    }
    // What was marked while drawing and not drawn since: the next frame.
    cv->forEachInTree([this](View& v) {
        if (!v.needsDisplay() || v.isHiddenOrHasHiddenAncestor()) return;
        const Rect marked = v.dirtyRect().isEmpty() ? v.bounds() : v.dirtyRect();
        viewNeedsDisplay(Rect(v.convertPointToWindow(marked.origin), marked.size));
    });
}

DragOperation Window::nativeDraggingUpdated(const std::shared_ptr<DraggingInfo>& info) {
    assertMainThread("Window::nativeDraggingUpdated");
    if (!info) return dragoperation::none;
    if (!nativeDrag_ || nativeDrag_->info() != info) nativeDrag_ = std::make_unique<DragDispatcher>(info);
    return nativeDrag_->moveTo(std::static_pointer_cast<Window>(shared_from_this()), info->draggingLocation());
}

void Window::nativeDraggingExited() {
    assertMainThread("Window::nativeDraggingExited");
    if (auto drag = std::move(nativeDrag_)) drag->exit();
}

bool Window::nativeDraggingDropped() {
    assertMainThread("Window::nativeDraggingDropped");
    auto drag = std::move(nativeDrag_);
    const bool taken = drag && drag->drop();
    // A drop on a window of an inactive program brings it to the front, as
    // a click would: the user turned to it.
    if (taken && isVisible()) {
        if (auto app = Application::shared(); !app->isActive()) app->activate();
    }
    return taken;
}

void Window::updateCursor(const std::shared_ptr<View>& hit) {
    const Cursor wanted = hit ? hit->cursor() : Cursor::arrow;
    if (wanted == cursor_) return;
    cursor_ = wanted;
    if (auto* native = nativeWindow()) native->setCursor(wanted);
}

std::shared_ptr<Responder> Window::nextResponder() const {
    if (auto explicitNext = Responder::nextResponder()) return explicitNext;
    return windowController();
}

}  // namespace platform
