#include "platform/appkit/View.h"

#include <algorithm>

#include "platform/appkit/Application.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/ViewController.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/NotificationCenter.h"

namespace platform {

namespace {
bool isShown(const std::shared_ptr<Window>& w) { return w && w->isVisible(); }

}  // namespace

View::View(Rect frame) : frame_(frame) {
    assertMainThread("View::View");
}

View::~View() = default;

// --- geometry

void View::setFrame(const Rect& frame) {
    if (frame == frame_) return;
    const Rect oldFrame = frame_;
    const Size oldSize = frame_.size;
    frame_ = frame;
    // What the view left and where it now stands are drawn again: a view
    // that grew, shrank or moved would otherwise show its old picture
    // beside (or under) the new one until something else repainted there.
    if (!hidden_) {
        if (auto sup = superview()) sup->setNeedsDisplayInRect(oldFrame.unionWith(frame));
    }
    if (!(oldSize == frame.size)) {
        if (autoresizesSubviews_) resizeSubviewsWithOldSize(oldSize);
        needsLayout_ = true;
        updateTrackingAreas();
    }
    if (postsFrameChanged_) {
        if (auto self = weak_from_this().lock()) {
            NotificationCenter::defaultCenter().post("NSViewFrameDidChangeNotification",
                                                     std::static_pointer_cast<View>(self));
        }
    }
}

void View::setBoundsOrigin(Point origin) {
    if (origin == boundsOrigin_) return;
    boundsOrigin_ = origin;
    updateTrackingAreas();
}

Rect View::visibleRect() const {
    if (isHiddenOrHasHiddenAncestor()) return {};
    Rect visible = bounds();
    auto sup = superview();
    if (!sup) return visible;
    // The superview's visible part, in this view's coordinates.
    Rect supVisible = sup->visibleRect();
    Rect mine(Point{supVisible.minX() - frame_.minX() + boundsOrigin_.x, supVisible.minY() - frame_.minY() + boundsOrigin_.y},
              supVisible.size);
    return visible.intersection(mine);
}

void View::resizeSubviewsWithOldSize(Size oldSize) {
    for (auto& v : std::vector<std::shared_ptr<View>>(subviews_)) v->resizeWithOldSuperviewSize(oldSize);
}

void View::resizeWithOldSuperviewSize(Size oldSize) {
    auto sup = superview();
    if (!sup || autoresizingMask_ == autoresizing::notSizable) return;
    const Size newSize = sup->frame().size;
    auto spread = [](double delta, bool minFlex, bool sizeFlex, bool maxFlex, double& origin, double& length) {
        const int parts = int(minFlex) + int(sizeFlex) + int(maxFlex);
        if (parts == 0 || delta == 0) return;
        const double share = delta / parts;
        if (minFlex) origin += share;
        if (sizeFlex) length = std::max(0.0, length + share);
    };
    Rect f = frame_;
    spread(newSize.width - oldSize.width, autoresizingMask_ & autoresizing::minXMargin,
           autoresizingMask_ & autoresizing::widthSizable, autoresizingMask_ & autoresizing::maxXMargin, f.origin.x,
           f.size.width);
    spread(newSize.height - oldSize.height, autoresizingMask_ & autoresizing::minYMargin,
           autoresizingMask_ & autoresizing::heightSizable, autoresizingMask_ & autoresizing::maxYMargin, f.origin.y,
           f.size.height);
    setFrame(f);
}

void View::layoutSubtreeIfNeeded() {
    if (needsLayout_) layout();
    needsLayout_ = false;
    for (auto& v : std::vector<std::shared_ptr<View>>(subviews_)) v->layoutSubtreeIfNeeded();
}

// --- hierarchy

std::shared_ptr<const View> View::root() const {
    auto self = std::static_pointer_cast<const View>(shared_from_this());
    while (auto sup = self->superview()) self = sup;
    return self;
}

std::shared_ptr<Window> View::window() const {
    const View* v = this;
    while (auto sup = v->superview_.lock()) v = sup.get();
    return v->rootWindow_.lock();
}

bool View::isDescendantOf(const View& other) const {
    for (const View* v = this; v; ) {
        if (v == &other) return true;
        auto sup = v->superview_.lock();
        v = sup.get();
    }
    return false;
}

void View::setSubviews(const std::vector<std::shared_ptr<View>>& views) {
    for (auto& v : std::vector<std::shared_ptr<View>>(subviews_)) {
        if (std::find(views.begin(), views.end(), v) == views.end()) v->removeFromSuperview();
    }
    for (auto& v : views) addSubview(v);
}

void View::addSubview(const std::shared_ptr<View>& view) { addSubview(view, WindowOrderingMode::above, nullptr); }

void View::addSubview(const std::shared_ptr<View>& view, WindowOrderingMode positioned,
                      const std::shared_ptr<View>& relativeTo) {
    if (!view || view.get() == this || isDescendantOf(*view)) return;
    std::size_t index = subviews_.size();
    auto findIndex = [&](const std::shared_ptr<View>& v) {
        return std::size_t(std::find(subviews_.begin(), subviews_.end(), v) - subviews_.begin());
    };
    if (view->superview().get() == this) {
        // Only a change of order among the siblings.
        subviews_.erase(subviews_.begin() + std::ptrdiff_t(findIndex(view)));
        std::size_t rel = relativeTo ? findIndex(relativeTo) : subviews_.size();
        if (positioned == WindowOrderingMode::below) index = relativeTo && rel < subviews_.size() ? rel : 0;
        else index = relativeTo && rel < subviews_.size() ? rel + 1 : subviews_.size();
        subviews_.insert(subviews_.begin() + std::ptrdiff_t(index), view);
        setNeedsDisplay(true);
        return;
    }
    auto self = std::static_pointer_cast<View>(shared_from_this());
    auto oldSuper = view->superview();
    auto oldWindow = view->window();
    auto newWindow = window();
    const bool windowChanges = oldWindow != newWindow;
    const bool oldShown = windowChanges && isShown(oldWindow);
    const bool newShown = windowChanges && isShown(newWindow);

    if (oldShown) viewappearance::willDisappear(*view);
    if (windowChanges) view->forEachInTree([&](View& v) { v.viewWillMoveToWindow(newWindow); });
    view->viewWillMoveToSuperview(self);
    if (oldSuper) {
        if (oldWindow) oldWindow->resetFirstResponderIfInside(*view);
        oldSuper->willRemoveSubview(view);
        auto& siblings = oldSuper->subviews_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), view), siblings.end());
        oldSuper->setNeedsDisplayInRect(view->frame_);
    } else if (oldWindow) {
        // The content view of another window.
        oldWindow->resetFirstResponderIfInside(*view);
    }
    view->rootWindow_.reset();
    if (oldShown) viewappearance::didDisappear(*view);
    if (newShown) viewappearance::willAppear(*view);

    std::size_t rel = relativeTo ? findIndex(relativeTo) : subviews_.size();
    const bool haveRel = relativeTo && rel < subviews_.size();
    if (positioned == WindowOrderingMode::below) index = haveRel ? rel : 0;
    else index = haveRel ? rel + 1 : subviews_.size();
    insertSubview(view, index);

    view->viewDidMoveToSuperview();
    if (windowChanges) view->forEachInTree([](View& v) { v.viewDidMoveToWindow(); });
    didAddSubview(view);
    if (newShown) viewappearance::didAppear(*view);
    setNeedsDisplayInRect(view->frame_);
}

void View::insertSubview(const std::shared_ptr<View>& view, std::size_t index) {
    subviews_.insert(subviews_.begin() + std::ptrdiff_t(std::min(index, subviews_.size())), view);
    view->superview_ = std::static_pointer_cast<View>(shared_from_this());
}

void View::replaceSubview(const std::shared_ptr<View>& oldView, const std::shared_ptr<View>& newView) {
    auto it = std::find(subviews_.begin(), subviews_.end(), oldView);
    if (it == subviews_.end() || !newView) return;
    auto after = std::next(it) == subviews_.end() ? nullptr : *std::next(it);
    oldView->removeFromSuperview();
    if (after) addSubview(newView, WindowOrderingMode::below, after);
    else addSubview(newView);
}

void View::removeFromSuperview() { detachFromSuperview(true); }

void View::detachFromSuperview(bool notify) {
    auto sup = superview();
    if (!sup) return;
    auto self = std::static_pointer_cast<View>(shared_from_this());
    auto oldWindow = window();
    const bool shown = isShown(oldWindow);
    if (shown && notify) viewappearance::willDisappear(*this);
    if (oldWindow && notify) forEachInTree([](View& v) { v.viewWillMoveToWindow(nullptr); });
    if (notify) viewWillMoveToSuperview(nullptr);
    if (oldWindow) oldWindow->resetFirstResponderIfInside(*this);
    sup->willRemoveSubview(self);
    auto& siblings = sup->subviews_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), self), siblings.end());
    superview_.reset();
    sup->setNeedsDisplayInRect(frame_);
    if (shown && notify) viewappearance::didDisappear(*this);
    if (notify) viewDidMoveToSuperview();
    if (oldWindow && notify) forEachInTree([](View& v) { v.viewDidMoveToWindow(); });
}

std::shared_ptr<View> View::viewWithTag(long tag) {
    if (this->tag() == tag) return std::static_pointer_cast<View>(shared_from_this());
    for (auto& v : subviews_) {
        if (auto found = v->viewWithTag(tag)) return found;
    }
    return nullptr;
}

void View::forEachInTree(const std::function<void(View&)>& f) {
    f(*this);
    for (auto& v : std::vector<std::shared_ptr<View>>(subviews_)) v->forEachInTree(f);
}

// --- visibility and drawing

void View::setHidden(bool hidden) {
    if (hidden == hidden_) return;
    if (hidden) {
        // A hidden view cannot keep the keyboard.
        if (auto w = window()) w->resetFirstResponderIfInside(*this);
    }
    hidden_ = hidden;
    if (auto sup = superview()) sup->setNeedsDisplayInRect(frame_);
    else if (auto w = window()) w->viewNeedsDisplay(frame_);
}

bool View::isHiddenOrHasHiddenAncestor() const {
    for (const View* v = this; v;) {
        if (v->hidden_) return true;
        auto sup = v->superview_.lock();
        v = sup.get();
    }
    return false;
}

void View::setNeedsDisplay(bool needs) {
    if (!needs) {
        needsDisplay_ = false;
        dirtyRect_ = {};
        return;
    }
    setNeedsDisplayInRect(bounds());
}

void View::setNeedsDisplayInRect(const Rect& rect) {
    needsDisplay_ = true;
    dirtyRect_ = dirtyRect_.isEmpty() ? rect : dirtyRect_.unionWith(rect);
    if (auto w = window()) {
        const Point o = convertPointToWindow(rect.origin);
        w->viewNeedsDisplay(Rect(o, rect.size));
    }
}

void View::willDrawInPass(const Rect& drawn) {
    if (!needsDisplay_) return;
    const Rect marked = dirtyRect_.isEmpty() ? bounds() : dirtyRect_;
    if (marked.isEmpty() || drawn.contains(marked)) setNeedsDisplay(false);
}

void View::display() {
    if (hidden_) return;
    drawRect(bounds());
    ++drawCount_;
    needsDisplay_ = false;
    dirtyRect_ = {};
    for (auto& v : std::vector<std::shared_ptr<View>>(subviews_)) v->display();
}

void View::displayIfNeeded() {
    if (hidden_) return;
    if (needsDisplay_) {
        const Rect dirty = dirtyRect_.isEmpty() ? bounds() : dirtyRect_;
        needsDisplay_ = false;
        dirtyRect_ = {};
        drawRect(dirty);
        ++drawCount_;
    }
    for (auto& v : std::vector<std::shared_ptr<View>>(subviews_)) v->displayIfNeeded();
}

// --- point conversion

Point View::offsetToRoot() const {
    Point offset;
    for (const View* v = this; v;) {
        offset = offset + (v->frame_.origin - v->boundsOrigin_);
        auto sup = v->superview_.lock();
        v = sup.get();
    }
    return offset;
}

Point View::convertPointToWindow(Point p) const { return p + offsetToRoot(); }
Point View::convertPointFromWindow(Point p) const { return p - offsetToRoot(); }

Point View::convertPointFromView(Point p, const std::shared_ptr<const View>& view) const {
    const Point inWindow = view ? view->convertPointToWindow(p) : p;
    return convertPointFromWindow(inWindow);
}

Point View::convertPointToView(Point p, const std::shared_ptr<const View>& view) const {
    const Point inWindow = convertPointToWindow(p);
    return view ? view->convertPointFromWindow(inWindow) : inWindow;
}

Rect View::convertRectFromView(const Rect& r, const std::shared_ptr<const View>& view) const {
    return Rect(convertPointFromView(r.origin, view), r.size);
}

Rect View::convertRectToView(const Rect& r, const std::shared_ptr<const View>& view) const {
    return Rect(convertPointToView(r.origin, view), r.size);
}

std::optional<Rect> View::frameInScreen() const {
    auto w = window();
    if (!w) return std::nullopt;
    auto sup = superview();
    const Point inWindow = sup ? sup->convertPointToWindow(frame_.origin) : frame_.origin;
    return Rect(w->frame().origin + inWindow, frame_.size);
}

std::shared_ptr<View> View::hitTest(Point p) {
    if (hidden_ || !frame_.contains(p)) return nullptr;
    const Point local{p.x - frame_.minX() + boundsOrigin_.x, p.y - frame_.minY() + boundsOrigin_.y};
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        auto sub = *it;  // keep it alive while it answers
        if (auto hit = sub->hitTest(local)) return hit;
    }
    return std::static_pointer_cast<View>(shared_from_this());
}

// --- key view loop

void View::setNextKeyView(const std::shared_ptr<View>& next) {
    nextKeyView_ = next;
    if (next) next->previousKeyView_ = std::static_pointer_cast<View>(shared_from_this());
}

bool View::canBecomeKeyView() { return acceptsFirstResponder() && !isHiddenOrHasHiddenAncestor() && window(); }

std::shared_ptr<View> View::nextValidKeyView() const {
    // Without a loop of its own the window's reading order links the views.
    if (!nextKeyView()) {
        auto w = window();
        return w ? w->keyViewAfter(this, true) : nullptr;
    }
    std::vector<const View*> seen{this};
    for (auto v = nextKeyView(); v; v = v->nextKeyView()) {
        if (std::find(seen.begin(), seen.end(), v.get()) != seen.end()) break;
        if (v->canBecomeKeyView()) return v;
        seen.push_back(v.get());
    }
    return nullptr;
}

std::shared_ptr<View> View::previousValidKeyView() const {
    if (!previousKeyView()) {
        auto w = window();
        return w ? w->keyViewAfter(this, false) : nullptr;
    }
    std::vector<const View*> seen{this};
    for (auto v = previousKeyView(); v; v = v->previousKeyView()) {
        if (std::find(seen.begin(), seen.end(), v.get()) != seen.end()) break;
        if (v->canBecomeKeyView()) return v;
        seen.push_back(v.get());
    }
    return nullptr;
}

// --- tracking areas and dragging

void View::addTrackingArea(const std::shared_ptr<TrackingArea>& area) {
    if (area && std::find(trackingAreas_.begin(), trackingAreas_.end(), area) == trackingAreas_.end())
        trackingAreas_.push_back(area);
}

void View::removeTrackingArea(const std::shared_ptr<TrackingArea>& area) {
    trackingAreas_.erase(std::remove(trackingAreas_.begin(), trackingAreas_.end(), area), trackingAreas_.end());
}

void View::registerForDraggedTypes(const std::vector<std::string>& types) {
    for (const auto& t : types) {
        if (std::find(draggedTypes_.begin(), draggedTypes_.end(), t) == draggedTypes_.end())
            draggedTypes_.push_back(t);
    }
}

// --- plain state

AppearanceName View::effectiveAppearance() const {
    if (appearance_) return *appearance_;
    if (auto sup = superview()) return sup->effectiveAppearance();
    if (auto w = window()) return w->effectiveAppearance();
    return Application::shared()->effectiveAppearance();
}

void View::setWantsLayer(bool b) {
    wantsLayer_ = b;
    if (b && !layer_) layer_ = std::make_shared<Layer>();
}

// --- responder chain

std::shared_ptr<Responder> View::nextResponder() const {
    if (auto explicitNext = explicitNextResponder_.lock()) return explicitNext;
    if (auto vc = viewController_.lock()) {
        if (vc->isViewLoaded() && vc->view().get() == this) return vc;
    }
    if (auto sup = superview()) return sup;
    return rootWindow_.lock();
}

void View::setNextResponder(const std::shared_ptr<Responder>& next) { explicitNextResponder_ = next; }

}  // namespace platform
