#include "platform/appkit/DraggingInfo.h"

#include <algorithm>
#include <atomic>

#include "platform/appkit/Application.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {

struct CurrentSession {
    std::shared_ptr<DraggingSession> session;
};

std::shared_ptr<CurrentSession> currentSlot() {
    return singleInstance<CurrentSession>([] { return std::make_shared<CurrentSession>(); });
}

SpringLoadingDestination* springOf(const std::shared_ptr<View>& view) {
    return dynamic_cast<SpringLoadingDestination*>(view.get());
}

}  // namespace

double DragDispatcher::delay_ = 0.5;

DraggingInfo::DraggingInfo(std::shared_ptr<Pasteboard> pasteboard, DragOperation sourceOperationMask, Point location,
                           const std::shared_ptr<Window>& window, const std::shared_ptr<Object>& source)
    : pasteboard_(std::move(pasteboard)), mask_(sourceOperationMask), location_(location), window_(window),
      source_(source) {
    static std::atomic<long> next{1};
    sequence_ = next++;
    if (!pasteboard_) pasteboard_ = Pasteboard::withUniqueName();
}

// --- sessions

DraggingSession::DraggingSession(std::vector<DraggingItem> items, const std::shared_ptr<Object>& source,
                                 DragOperation localMask, DragOperation externalMask)
    : items_(std::move(items)), pasteboard_(Pasteboard::withName(pasteboardname::drag)), source_(source),
      localMask_(localMask), externalMask_(externalMask) {}

std::shared_ptr<DraggingInfo> DraggingSession::draggingInfo() const {
    return std::make_shared<DraggingInfo>(pasteboard_, localMask_, Point{}, nullptr, source());
}

std::shared_ptr<DraggingSession> DraggingSession::current() { return currentSlot()->session; }

std::shared_ptr<DraggingSession> DraggingSession::begin(std::vector<DraggingItem> items,
                                                        const std::shared_ptr<Object>& source,
                                                        DragOperation localMask, DragOperation externalMask) {
    auto session = std::make_shared<DraggingSession>(std::move(items), source, localMask, externalMask);
    auto pasteboard = session->draggingPasteboard();
    pasteboard->clearContents();
    std::vector<std::shared_ptr<PasteboardWriting>> writers;
    for (const auto& item : session->draggingItems()) writers.push_back(item.writer);
    pasteboard->writeObjects(writers);
    currentSlot()->session = session;
    if (auto backend = Application::shared()->backend()) backend->beginDraggingSession(session);
    return session;
}

// --- finding the destination

namespace {

// The deepest shown view under `p` (in the superview's coordinates). Unlike
// hitTest, no view claims its subviews' points: a cell inside a table can
// take a drag although the table takes its clicks.
std::shared_ptr<View> deepestViewAt(const std::shared_ptr<View>& view, Point p) {
    if (view->isHidden() || !view->frame().contains(p)) return nullptr;
    const Point local = p - view->frame().origin + view->bounds().origin;
    const auto& subviews = view->subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        if (auto hit = deepestViewAt(*it, local)) return hit;
    }
    return view;
}

}  // namespace

std::shared_ptr<View> dragDestinationAt(const std::shared_ptr<Window>& window, Point location,
                                        const Pasteboard& pasteboard) {
    if (!window || !window->isVisible()) return nullptr;
    const auto offered = pasteboard.types();
    for (auto view = deepestViewAt(window->contentView(), location); view; view = view->superview()) {
        for (const auto& type : view->registeredDraggedTypes()) {
            if (std::find(offered.begin(), offered.end(), type) != offered.end()) return view;
        }
    }
    return nullptr;
}

// --- the dispatcher

DragDispatcher::DragDispatcher(std::shared_ptr<DraggingInfo> info) : info_(std::move(info)) {}

DragDispatcher::~DragDispatcher() {
    // A dispatcher that goes in the middle of a drag cancels it.
    if (destination()) exit();
    if (springTimer_) springTimer_->invalidate();
}

DragOperation DragDispatcher::moveTo(const std::shared_ptr<Window>& window, Point location) {
    info_->setDraggingDestinationWindow(window);
    info_->setDraggingLocation(location);
    auto target = dragDestinationAt(window, location, *info_->draggingPasteboard());
    auto current = destination();
    if (target != current) {
        leaveDestination();
        if (!target) return operation_ = dragoperation::none;
        destination_ = target;
        if (std::none_of(participants_.begin(), participants_.end(),
                         [&](const auto& w) { return w.lock() == target; }))
            participants_.push_back(target);
        if (auto* spring = springOf(target)) {
            springOptions_ = spring->springLoadingEntered(info_);
        }
        operation_ = target->draggingEntered(info_);
    } else if (target) {
        if (auto* spring = springOf(target)) springOptions_ = spring->springLoadingUpdated(info_);
        operation_ = target->draggingUpdated(info_);
    }
    // The destination's callbacks may have removed it from its window.
    if (target && target->window() == window) updateSpringLoading(target);
    return operation_;
}

void DragDispatcher::leaveDestination() {
    auto current = destination();
    if (!current) return;
    endSpringLoading();
    current->draggingExited(info_);
    destination_.reset();
    operation_ = dragoperation::none;
}

void DragDispatcher::endSpringLoading() {
    if (springTimer_) {
        springTimer_->invalidate();
        springTimer_.reset();
    }
    auto view = destination();
    auto* spring = springOf(view);
    if (spring) {
        if (spring->springLoadingHighlight() != SpringLoadingHighlight::none) {
            spring->setSpringLoadingHighlight(SpringLoadingHighlight::none);
            spring->springLoadingHighlightChanged(info_);
        }
        spring->springLoadingExited(info_);
    }
    springOptions_ = springloading::disabled;
    hoverTarget_.reset();
    activatedOnTarget_ = false;
}

void DragDispatcher::updateSpringLoading(const std::shared_ptr<View>& view) {
    auto* spring = springOf(view);
    if (!spring) return;
    // Without hover, only a deliberate press (which the desktop has no
    // gesture for) would activate: no timer.
    if (!(springOptions_ & springloading::enabled) || (springOptions_ & springloading::noHover)) {
        if (springTimer_) springTimer_->invalidate();
        springTimer_.reset();
        hoverTarget_.reset();
        return;
    }
    const auto target = spring->springLoadingHoverTarget(info_);
    if (target == hoverTarget_ && (springTimer_ || activatedOnTarget_)) return;
    hoverTarget_ = target;
    activatedOnTarget_ = false;
    if (springTimer_) springTimer_->invalidate();
    springTimer_.reset();
    const auto wanted = target ? SpringLoadingHighlight::standard : SpringLoadingHighlight::none;
    if (spring->springLoadingHighlight() != wanted) {
        spring->setSpringLoadingHighlight(wanted);
        spring->springLoadingHighlightChanged(info_);
    }
    if (!target) return;
    // The dispatcher invalidates the timer when it goes, so `this` outlives it.
    springTimer_ = Timer::make(dispatch::seconds(delay_), false, [this](Timer&) { springLoadingTimerFired(); });
    RunLoop::main().addTimer(springTimer_, RunLoopMode::common);
}

void DragDispatcher::springLoadingTimerFired() {
    springTimer_.reset();
    auto view = destination();
    auto* spring = springOf(view);
    if (!spring) return;
    spring->setSpringLoadingHighlight(SpringLoadingHighlight::emphasized);
    spring->springLoadingHighlightChanged(info_);
    spring->springLoadingActivated(true, info_);
    if (destination() != view) return;  // the activation ended the drag over it
    if (springOptions_ & springloading::continuousActivation) {
        hoverTarget_.reset();  // starts the delay again on the same target
        updateSpringLoading(view);
        return;
    }
    activatedOnTarget_ = true;
    spring->setSpringLoadingHighlight(SpringLoadingHighlight::none);
    spring->springLoadingHighlightChanged(info_);
}

void DragDispatcher::exit() {
    leaveDestination();
    finishDrag();
}

bool DragDispatcher::drop() {
    auto target = destination();
    bool accepted = false;
    if (target && operation_ != dragoperation::none) {
        endSpringLoading();
        if (target->prepareForDragOperation(info_)) {
            accepted = target->performDragOperation(info_);
            if (accepted) target->concludeDragOperation(info_);
        }
        destination_.reset();
        operation_ = dragoperation::none;
    } else {
        leaveDestination();
    }
    finishDrag();
    return accepted;
}

void DragDispatcher::finishDrag() {
    auto participants = std::move(participants_);
    participants_.clear();
    for (const auto& weak : participants) {
        if (auto view = weak.lock()) view->draggingEnded(info_);
    }
}

}  // namespace platform
