#pragma once
// A popover: a borderless window attached to a rectangle of a view. Order on
// showing: popoverWillShow -> viewWillAppear -> viewDidAppear ->
// popoverDidShow; on closing: popoverWillClose -> viewWillDisappear ->
// viewDidDisappear -> popoverDidClose. A transient popover closes when the
// user clicks outside it (after popoverShouldClose agrees) or the program is
// deactivated; close() itself never asks.

#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/Appearance.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/Responder.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class View;
class ViewController;
class Popover;

enum class PopoverBehavior : int { applicationDefined = 0, transient = 1, semitransient = 2 };
// The edge of the positioning rectangle the popover sits at (y down: minY is
// the top edge, the popover above the rectangle; maxY the bottom edge).
enum class RectEdge : int { minX = 0, minY = 1, maxX = 2, maxY = 3 };

namespace popovernotification {
inline const std::string willShow = "NSPopoverWillShowNotification";
inline const std::string didShow = "NSPopoverDidShowNotification";
inline const std::string willClose = "NSPopoverWillCloseNotification";
inline const std::string didClose = "NSPopoverDidCloseNotification";
}  // namespace popovernotification

class PopoverDelegate {
public:
    virtual ~PopoverDelegate() = default;
    virtual void popoverWillShow(const Notification& n) { (void)n; }
    virtual void popoverDidShow(const Notification& n) { (void)n; }
    virtual bool popoverShouldDetach(const std::shared_ptr<Popover>& popover) { (void)popover; return false; }
    virtual void popoverDidDetach(const std::shared_ptr<Popover>& popover) { (void)popover; }
    virtual bool popoverShouldClose(const std::shared_ptr<Popover>& popover) { (void)popover; return true; }
    virtual void popoverWillClose(const Notification& n) { (void)n; }
    virtual void popoverDidClose(const Notification& n) { (void)n; }
};

// The window a popover shows its content in. Its frame is the content's;
// the arrow that points at the anchor lies outside it, in the decoration
// the window draws itself.
class PopoverWindow : public Window {
public:
    static constexpr double arrowLength = 9;
    static constexpr double arrowHalfWidth = 9;
    static constexpr double cornerRadius = 6;

    explicit PopoverWindow(Rect frame);
    bool canBecomeKeyWindow() const override { return true; }
    bool canBecomeMainWindow() const override { return false; }
    std::shared_ptr<Popover> popover() const { return popover_.lock(); }
    void setPopover(const std::shared_ptr<Popover>& p) { popover_ = p; }
    // Closing the window closes the popover.
    void close() override;
    // Escape closes the popover, when its delegate agrees.
    void cancelOperation(const std::shared_ptr<Object>& sender) override;
    // The user tears an attached popover off by dragging its background
    // (a view that can move the window) further than tearOffDistance: it
    // detaches, if its delegate agrees, and the window manager moves it on
    // with the pointer. A detached popover is moved by its background.
    static constexpr double tearOffDistance = 10;
    void sendEvent(const Event& event) override;

    // The content's edge the arrow sits on and where along it (content
    // coordinates); none: no arrow (a detached popover).
    void setArrow(std::optional<RectEdge> edge, double position);
    std::optional<RectEdge> arrowEdge() const { return arrowEdge_; }
    double arrowPosition() const { return arrowPosition_; }
    EdgeInsets decorationInsets() const override;
    // The rounded background with the arrow.
    void drawDecorations(GraphicsContext& context, const Rect& bounds) override;
    // The background's outline in the decorated bounds.
    BezierPath backgroundShape(const Rect& bounds) const;
    std::optional<BezierPath> decorationShape(const Rect& bounds) const override { return backgroundShape(bounds); }

private:
    std::weak_ptr<Popover> popover_;
    // Where a press on the background of an attached popover went down.
    std::optional<Point> tearOffFrom_;
    std::optional<RectEdge> arrowEdge_;
    double arrowPosition_ = 0;
};

class Popover : public Responder {
public:
    Popover() = default;
    ~Popover() override;

    std::shared_ptr<ViewController> contentViewController() const { return contentViewController_; }
    void setContentViewController(const std::shared_ptr<ViewController>& vc);
    // The content view controller's preferred size, else its view's size,
    // unless set.
    Size contentSize() const;
    void setContentSize(Size s);
    PopoverBehavior behavior() const { return behavior_; }
    void setBehavior(PopoverBehavior b) { behavior_ = b; }
    bool animates() const { return animates_; }
    void setAnimates(bool b) { animates_ = b; }
    const std::optional<AppearanceName>& appearance() const { return appearance_; }
    void setAppearance(std::optional<AppearanceName> a) { appearance_ = std::move(a); }
    std::shared_ptr<PopoverDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<PopoverDelegate>& d) { delegate_ = d; }

    bool isShown() const { return shown_; }
    bool isDetached() const { return detached_; }
    Rect positioningRect() const { return positioningRect_; }
    std::shared_ptr<View> positioningView() const { return positioningView_.lock(); }
    RectEdge preferredEdge() const { return edge_; }

    // Shows the content next to `rect` of `view` (in the view's bounds). When
    // already shown, only moves it. Needs a content view controller.
    void showRelativeToRect(const Rect& rect, const std::shared_ptr<View>& view, RectEdge preferredEdge);
    // Closes without asking the delegate.
    void close();
    // Asks popoverShouldClose first; answers whether it closed.
    bool performClose(const std::shared_ptr<Object>& sender = nullptr);
    // The user tears the popover off: asks popoverShouldDetach, then detaches
    // (it stays shown, now as a window of its own without the arrow, of the
    // same size, closable and movable by its background; it no longer
    // closes on outside clicks or when the program is deactivated).
    bool detach();

    // The window the content is shown in while shown.
    std::shared_ptr<PopoverWindow> window() const { return window_; }

    // Kit internal: a click outside the popover (the application calls it for
    // transient popovers). Closes when the delegate agrees.
    void clickedOutside();

private:
    void placeWindow();
    Notification makeNotification(const std::string& name);

    std::shared_ptr<ViewController> contentViewController_;
    std::optional<Size> contentSize_;
    PopoverBehavior behavior_ = PopoverBehavior::applicationDefined;
    bool animates_ = true;
    std::optional<AppearanceName> appearance_;
    std::weak_ptr<PopoverDelegate> delegate_;
    bool shown_ = false;
    bool detached_ = false;
    bool closing_ = false;
    Rect positioningRect_;
    std::weak_ptr<View> positioningView_;
    RectEdge edge_ = RectEdge::maxY;
    std::shared_ptr<PopoverWindow> window_;
};

}  // namespace platform
