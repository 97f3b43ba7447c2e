#pragma once
// Drag and drop: what a destination learns of a drag (DraggingInfo), the
// drags the program starts (DraggingSession), spring-loaded destinations,
// and DragDispatcher, which takes one drag across the program's windows:
// it finds the destination view under the pointer, calls its destination
// callbacks in order, and runs spring loading on the run loop's timers.
//
// Order for one destination: draggingEntered, draggingUpdated for every
// move, then either draggingExited (the pointer left it, or the drag was
// cancelled) or, on a drop that it accepted (an operation other than none),
// prepareForDragOperation, performDragOperation, concludeDragOperation (when
// perform succeeded); draggingEnded at the end of every drag it took part in.
// A spring-loaded destination also gets springLoadingEntered when the drag
// enters it; while it answers enabled, resting on one hover target for the
// spring-loading delay calls springLoadingHighlightChanged then
// springLoadingActivated(true); leaving, dropping or cancelling ends with
// springLoadingExited (and no activation after it).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Object.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/View.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class Image;
class Window;

class DraggingInfo : public Object {
public:
    DraggingInfo(std::shared_ptr<Pasteboard> pasteboard, DragOperation sourceOperationMask,
                 Point location = {}, const std::shared_ptr<Window>& window = nullptr,
                 const std::shared_ptr<Object>& source = nullptr);

    std::shared_ptr<Pasteboard> draggingPasteboard() const { return pasteboard_; }
    // The operations the source allows, as the user's modifier keys narrow them.
    DragOperation draggingSourceOperationMask() const { return mask_; }
    void setDraggingSourceOperationMask(DragOperation m) { mask_ = m; }
    // In the destination window's content coordinates.
    Point draggingLocation() const { return location_; }
    void setDraggingLocation(Point p) { location_ = p; }
    std::shared_ptr<Window> draggingDestinationWindow() const { return window_.lock(); }
    void setDraggingDestinationWindow(const std::shared_ptr<Window>& w) { window_ = w; }
    // The object that started the drag when it is in this program; none for
    // drags from other programs.
    std::shared_ptr<Object> draggingSource() const { return source_.lock(); }
    bool animatesToDestination() const { return animates_; }
    void setAnimatesToDestination(bool b) { animates_ = b; }
    long numberOfValidItemsForDrop() const { return validItems_; }
    void setNumberOfValidItemsForDrop(long n) { validItems_ = n; }
    long draggingSequenceNumber() const { return sequence_; }

private:
    std::shared_ptr<Pasteboard> pasteboard_;
    DragOperation mask_;
    Point location_;
    std::weak_ptr<Window> window_;
    std::weak_ptr<Object> source_;
    bool animates_ = false;
    long validItems_ = 0;
    long sequence_;
};

// Parts of the picture a dragged item shows.
namespace draggingimagecomponentkey {
inline const std::string icon = "icon";
inline const std::string label = "label";
}  // namespace draggingimagecomponentkey

struct DraggingImageComponent {
    std::string key;
    std::shared_ptr<Image> contents;
    Rect frame;
};

struct DraggingItem {
    std::shared_ptr<PasteboardWriting> writer;
    Rect draggingFrame;
    std::vector<DraggingImageComponent> imageComponents;
};

// A drag the program started: its items are on the drag pasteboard. The
// desktop backend carries it out (the headless one only keeps it); tests
// hand draggingInfo() to a DragDispatcher.
class DraggingSession : public Object {
public:
    DraggingSession(std::vector<DraggingItem> items, const std::shared_ptr<Object>& source,
                    DragOperation localMask, DragOperation externalMask);

    const std::vector<DraggingItem>& draggingItems() const { return items_; }
    std::shared_ptr<Pasteboard> draggingPasteboard() const { return pasteboard_; }
    std::shared_ptr<Object> source() const { return source_.lock(); }
    // What the source allows inside the program and outside it.
    DragOperation sourceOperationMask(bool local) const { return local ? localMask_ : externalMask_; }
    // The drag as a destination in this program sees it.
    std::shared_ptr<DraggingInfo> draggingInfo() const;

    // The drag begun last (kept until the next one begins).
    static std::shared_ptr<DraggingSession> current();
    // Puts the items on the drag pasteboard and hands the session to the
    // application's backend.
    static std::shared_ptr<DraggingSession> begin(std::vector<DraggingItem> items,
                                                  const std::shared_ptr<Object>& source, DragOperation localMask,
                                                  DragOperation externalMask);

private:
    std::vector<DraggingItem> items_;
    std::shared_ptr<Pasteboard> pasteboard_;
    std::weak_ptr<Object> source_;
    DragOperation localMask_;
    DragOperation externalMask_;
};

// Spring loading, with the platform's values.
using SpringLoadingOptions = std::uint64_t;
namespace springloading {
inline constexpr SpringLoadingOptions disabled = 0;
inline constexpr SpringLoadingOptions enabled = 1;
inline constexpr SpringLoadingOptions continuousActivation = 2;
inline constexpr SpringLoadingOptions noHover = 8;
}  // namespace springloading

enum class SpringLoadingHighlight : int { none = 0, standard = 1, emphasized = 2 };

// A destination that opens when a drag rests on it. A view that is one
// gets these calls from the DragDispatcher.
class SpringLoadingDestination {
public:
    virtual ~SpringLoadingDestination() = default;
    virtual SpringLoadingOptions springLoadingEntered(const std::shared_ptr<DraggingInfo>& info) = 0;
    virtual SpringLoadingOptions springLoadingUpdated(const std::shared_ptr<DraggingInfo>& info) {
        (void)info;
        return springloading::enabled;
    }
    virtual void springLoadingActivated(bool activated, const std::shared_ptr<DraggingInfo>& info) = 0;
    virtual void springLoadingHighlightChanged(const std::shared_ptr<DraggingInfo>& info) = 0;
    virtual void springLoadingExited(const std::shared_ptr<DraggingInfo>& info) { (void)info; }

    // What the pointer rests on, for the delay: resting on one target for
    // the delay activates; a move to another target starts the delay again;
    // none is no target (nothing activates there). The whole destination is
    // one target by default.
    virtual std::optional<long> springLoadingHoverTarget(const std::shared_ptr<DraggingInfo>& info) {
        (void)info;
        return 0;
    }

    // The highlight the destination should show now.
    SpringLoadingHighlight springLoadingHighlight() const { return highlight_; }
    void setSpringLoadingHighlight(SpringLoadingHighlight h) { highlight_ = h; }

private:
    SpringLoadingHighlight highlight_ = SpringLoadingHighlight::none;
};

class DragDispatcher {
public:
    // How long a drag must rest on a target before spring loading activates.
    static double springLoadingDelay() { return delay_; }
    static void setSpringLoadingDelay(double seconds) { delay_ = seconds; }

    explicit DragDispatcher(std::shared_ptr<DraggingInfo> info);
    // Cancels a drag still over a destination (as exit does).
    ~DragDispatcher();
    DragDispatcher(const DragDispatcher&) = delete;
    DragDispatcher& operator=(const DragDispatcher&) = delete;

    const std::shared_ptr<DraggingInfo>& info() const { return info_; }
    // The pointer is at `location` in `window`'s content: enters, updates or
    // exits destinations. Answers the current destination's operation.
    DragOperation moveTo(const std::shared_ptr<Window>& window, Point location);
    // The pointer left the program's windows (or the drag was cancelled).
    void exit();
    // The user dropped: true when a destination took the drop.
    bool drop();

    std::shared_ptr<View> destination() const { return destination_.lock(); }
    DragOperation currentOperation() const { return operation_; }

private:
    static double delay_;

    void leaveDestination();
    void endSpringLoading();
    void updateSpringLoading(const std::shared_ptr<View>& view);
    void springLoadingTimerFired();
    void finishDrag();

    std::shared_ptr<DraggingInfo> info_;
    std::weak_ptr<View> destination_;
    DragOperation operation_ = dragoperation::none;
    std::vector<std::weak_ptr<View>> participants_;
    // Spring loading of the current destination.
    SpringLoadingOptions springOptions_ = springloading::disabled;
    std::optional<long> hoverTarget_;
    bool activatedOnTarget_ = false;
    std::shared_ptr<Timer> springTimer_;
};

// The view that takes a drag at `location` in `window`: the deepest view
// there, or its nearest ancestor, registered for a type the pasteboard offers.
std::shared_ptr<View> dragDestinationAt(const std::shared_ptr<Window>& window, Point location,
                                        const Pasteboard& pasteboard);

}  // namespace platform
