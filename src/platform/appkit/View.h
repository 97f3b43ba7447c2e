#pragma once
// A rectangle in a window's view tree. Geometry has y growing downwards: a
// view's frame is in its superview's bounds coordinates, its bounds origin is
// the top-left of what it shows (a scrolled clip view moves it).
//
// Views are made from a frame (std::make_shared<View>(Rect{...})) or by a
// scene builder, which then calls awakeFromNib.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Appearance.h"
#include "platform/appkit/Cursor.h"
#include "platform/appkit/Responder.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class Window;
class ViewController;
class Layer;
class DraggingInfo;  // pasteboard and drag-and-drop layer
class BitmapImageRep;
class View;

// Drag operations, a bit set.
using DragOperation = std::uint64_t;
namespace dragoperation {
inline constexpr DragOperation none = 0;
inline constexpr DragOperation copy = 1;
inline constexpr DragOperation link = 2;
inline constexpr DragOperation generic = 4;
inline constexpr DragOperation privateOp = 8;
inline constexpr DragOperation move = 16;
inline constexpr DragOperation deleteOp = 32;
inline constexpr DragOperation every = ~DragOperation{0};
}  // namespace dragoperation

using TrackingAreaOptions = std::uint64_t;
namespace trackingarea {
inline constexpr TrackingAreaOptions mouseEnteredAndExited = 0x01;
inline constexpr TrackingAreaOptions mouseMoved = 0x02;
inline constexpr TrackingAreaOptions cursorUpdate = 0x04;
inline constexpr TrackingAreaOptions activeWhenFirstResponder = 0x10;
inline constexpr TrackingAreaOptions activeInKeyWindow = 0x20;
inline constexpr TrackingAreaOptions activeInActiveApp = 0x40;
inline constexpr TrackingAreaOptions activeAlways = 0x80;
inline constexpr TrackingAreaOptions assumeInside = 0x100;
inline constexpr TrackingAreaOptions inVisibleRect = 0x200;
inline constexpr TrackingAreaOptions enabledDuringMouseDrag = 0x400;
}  // namespace trackingarea

// A region of a view that reports the mouse entering, leaving and moving to
// its owner.
class TrackingArea : public Object {
public:
    TrackingArea(Rect rect, TrackingAreaOptions options, const std::shared_ptr<Responder>& owner,
                 std::optional<std::string> userInfo = std::nullopt)
        : rect_(rect), options_(options), owner_(owner), userInfo_(std::move(userInfo)) {}

    Rect rect() const { return rect_; }
    TrackingAreaOptions options() const { return options_; }
    std::shared_ptr<Responder> owner() const { return owner_.lock(); }
    const std::optional<std::string>& userInfo() const { return userInfo_; }

    // Whether the mouse was inside at the last mouse event the window routed.
    bool mouseInside() const { return inside_; }
    void setMouseInside(bool inside) { inside_ = inside; }

private:
    Rect rect_;
    TrackingAreaOptions options_;
    std::weak_ptr<Responder> owner_;
    std::optional<std::string> userInfo_;
    bool inside_ = false;
};

// The placement of an added subview among its siblings.
enum class WindowOrderingMode : int { below = -1, out = 0, above = 1 };

using AutoresizingMask = std::uint32_t;
namespace autoresizing {
inline constexpr AutoresizingMask notSizable = 0;
inline constexpr AutoresizingMask minXMargin = 1;
inline constexpr AutoresizingMask widthSizable = 2;
inline constexpr AutoresizingMask maxXMargin = 4;
inline constexpr AutoresizingMask minYMargin = 8;  // the top margin (y down)
inline constexpr AutoresizingMask heightSizable = 16;
inline constexpr AutoresizingMask maxYMargin = 32;  // the bottom margin
}  // namespace autoresizing

enum class FocusRingType : int { defaultType = 0, none = 1, exterior = 2 };

// When a layer-backed view's layer is redrawn.
enum class LayerContentsRedrawPolicy : int { never = 0, onSetNeedsDisplay = 1, duringViewResize = 2, beforeViewResize = 3, crossfade = 4 };

class View : public Responder {
public:
    explicit View(Rect frame = {});
    ~View() override;

    // --- geometry
    Rect frame() const { return frame_; }
    virtual void setFrame(const Rect& frame);
    void setFrameOrigin(Point origin) { setFrame(Rect(origin, frame_.size)); }
    void setFrameSize(Size size) { setFrame(Rect(frame_.origin, size)); }
    Rect bounds() const { return Rect(boundsOrigin_, frame_.size); }
    void setBoundsOrigin(Point origin);
    // The part of the bounds not clipped by superviews (empty off-window).
    Rect visibleRect() const;
    AutoresizingMask autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(AutoresizingMask m) { autoresizingMask_ = m; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool b) { autoresizesSubviews_ = b; }
    virtual void resizeSubviewsWithOldSize(Size oldSize);
    virtual void resizeWithOldSuperviewSize(Size oldSize);
    // The natural size of the content; -1 in a dimension without one.
    virtual Size intrinsicContentSize() const { return {-1, -1}; }
    bool postsFrameChangedNotifications() const { return postsFrameChanged_; }
    void setPostsFrameChangedNotifications(bool b) { postsFrameChanged_ = b; }

    // --- layout
    bool needsLayout() const { return needsLayout_; }
    void setNeedsLayout(bool b) { needsLayout_ = b; }
    // Lays out this view and its subviews; subclasses place their subviews here.
    virtual void layout() { needsLayout_ = false; }
    void layoutSubtreeIfNeeded();

    // --- hierarchy
    std::shared_ptr<View> superview() const { return superview_.lock(); }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    void setSubviews(const std::vector<std::shared_ptr<View>>& views);
    // Adds on top of the siblings (removing the view from any old superview).
    void addSubview(const std::shared_ptr<View>& view);
    // Adds above or below `relativeTo` (none: above or below every sibling).
    void addSubview(const std::shared_ptr<View>& view, WindowOrderingMode positioned,
                    const std::shared_ptr<View>& relativeTo);
    void replaceSubview(const std::shared_ptr<View>& oldView, const std::shared_ptr<View>& newView);
    void removeFromSuperview();
    bool isDescendantOf(const View& other) const;
    // The window of the tree's root view; none when not in a window.
    std::shared_ptr<Window> window() const;
    // This view or the first descendant (depth first) with the tag.
    std::shared_ptr<View> viewWithTag(long tag);
    virtual long tag() const { return -1; }
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string id) { identifier_ = std::move(id); }

    // Hierarchy hooks, called for every view of a moved subtree.
    virtual void viewWillMoveToWindow(const std::shared_ptr<Window>& window) { (void)window; }
    virtual void viewDidMoveToWindow() {}
    virtual void viewWillMoveToSuperview(const std::shared_ptr<View>& superview) { (void)superview; }
    virtual void viewDidMoveToSuperview() {}
    virtual void didAddSubview(const std::shared_ptr<View>& subview) { (void)subview; }
    virtual void willRemoveSubview(const std::shared_ptr<View>& subview) { (void)subview; }

    // --- visibility and drawing
    bool isHidden() const { return hidden_; }
    virtual void setHidden(bool hidden);
    bool isHiddenOrHasHiddenAncestor() const;
    double alphaValue() const { return alpha_; }
    void setAlphaValue(double a) { alpha_ = a; }
    virtual bool isOpaque() const { return false; }
    bool needsDisplay() const { return needsDisplay_; }
    void setNeedsDisplay(bool needs);
    void setNeedsDisplayInRect(const Rect& rect);
    // The union of the rectangles marked since the last display.
    Rect dirtyRect() const { return dirtyRect_; }
    // The window's paint pass is about to draw `drawn` (bounds coordinates)
    // of this view: a mark inside it is answered by that drawing.
    void willDrawInPass(const Rect& drawn);
    // Draws this view and its visible subviews now (drawRect with the dirty
    // part) and clears needsDisplay; the backend calls it when it paints.
    void display();
    void displayIfNeeded();
    virtual void drawRect(const Rect& dirtyRect) { (void)dirtyRect; }
    // Drawn after the subviews, on top of them (scrollers, disclosure
    // triangles).
    virtual void drawOverSubviews(const Rect& dirtyRect) { (void)dirtyRect; }
    // How many times drawRect ran (tests read it).
    int drawCount() const { return drawCount_; }

    // --- point conversion (a null view means the window's content coordinates)
    Point convertPointFromView(Point p, const std::shared_ptr<const View>& view) const;
    Point convertPointToView(Point p, const std::shared_ptr<const View>& view) const;
    Rect convertRectFromView(const Rect& r, const std::shared_ptr<const View>& view) const;
    Rect convertRectToView(const Rect& r, const std::shared_ptr<const View>& view) const;
    // Window content coordinates of a point in this view's bounds, and back.
    Point convertPointToWindow(Point p) const;
    Point convertPointFromWindow(Point p) const;
    // The frame in screen coordinates (its window's origin added); none off-window.
    std::optional<Rect> frameInScreen() const;

    // The deepest visible view under `p`, given in the superview's coordinates.
    virtual std::shared_ptr<View> hitTest(Point p);
    // Whether a click in this view may drag the window (background dragging).
    virtual bool mouseDownCanMoveWindow() const { return false; }
    // The pointer's shape over the view.
    virtual Cursor cursor() const { return Cursor::arrow; }
    // Whether a click makes the view first responder when it accepts that;
    // a push button takes the keyboard only from Tab, so that a click on it
    // leaves the focus where it was.
    virtual bool becomesFirstResponderOnClick() const { return true; }
    // Whether the first click in an inactive window also acts on this view.
    virtual bool acceptsFirstMouse(const Event* event) { (void)event; return false; }

    // --- key view loop
    std::shared_ptr<View> nextKeyView() const { return nextKeyView_.lock(); }
    void setNextKeyView(const std::shared_ptr<View>& next);
    std::shared_ptr<View> previousKeyView() const { return previousKeyView_.lock(); }
    // Accepts first responder and is visible.
    virtual bool canBecomeKeyView();
    std::shared_ptr<View> nextValidKeyView() const;
    std::shared_ptr<View> previousValidKeyView() const;
    // Where the keyboard goes when an edit in `field`, a text control inside
    // this view, ends with Return, Tab or Shift-Tab (a text movement). A
    // container that orders its own fields (a table: the editable fields of
    // its rows) answers; none leaves it to the enclosing views and then to
    // the window's key view loop. The field editor asks each superview of the
    // field in turn, innermost first.
    virtual std::shared_ptr<Responder> responderAfterEditing(const View& field, int movement) {
        (void)field;
        (void)movement;
        return nullptr;
    }

    // --- tracking areas (the window sends entered/exited to their owners)
    const std::vector<std::shared_ptr<TrackingArea>>& trackingAreas() const { return trackingAreas_; }
    void addTrackingArea(const std::shared_ptr<TrackingArea>& area);
    void removeTrackingArea(const std::shared_ptr<TrackingArea>& area);
    // Called when geometry changed; subclasses replace their areas here.
    virtual void updateTrackingAreas() {}

    // --- dragging destination
    void registerForDraggedTypes(const std::vector<std::string>& types);
    void unregisterDraggedTypes() { draggedTypes_.clear(); }
    const std::vector<std::string>& registeredDraggedTypes() const { return draggedTypes_; }
    virtual DragOperation draggingEntered(const std::shared_ptr<DraggingInfo>& info) { (void)info; return dragoperation::none; }
    virtual DragOperation draggingUpdated(const std::shared_ptr<DraggingInfo>& info) { return draggingEntered(info); }
    virtual void draggingExited(const std::shared_ptr<DraggingInfo>& info) { (void)info; }
    virtual bool prepareForDragOperation(const std::shared_ptr<DraggingInfo>& info) { (void)info; return true; }
    virtual bool performDragOperation(const std::shared_ptr<DraggingInfo>& info) { (void)info; return false; }
    virtual void concludeDragOperation(const std::shared_ptr<DraggingInfo>& info) { (void)info; }
    virtual void draggingEnded(const std::shared_ptr<DraggingInfo>& info) { (void)info; }

    // --- plain state
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string tip) { toolTip_ = std::move(tip); }
    const std::optional<AppearanceName>& appearance() const { return appearance_; }
    void setAppearance(std::optional<AppearanceName> a) { appearance_ = std::move(a); }
    // Its own, else the superview's, the window's, the application's.
    AppearanceName effectiveAppearance() const;
    bool wantsLayer() const { return wantsLayer_; }
    void setWantsLayer(bool b);
    // Made when layer-backing is turned on.
    std::shared_ptr<Layer> layer() const { return layer_; }
    FocusRingType focusRingType() const { return focusRingType_; }
    void setFocusRingType(FocusRingType t) { focusRingType_ = t; }

    // --- layer-backed drawing
    // Gives the view its layer (turning layer backing on).
    void setLayer(std::shared_ptr<Layer> layer) {
        layer_ = std::move(layer);
        wantsLayer_ = layer_ != nullptr;
    }
    // A view that answers true is painted by updateLayer (which sets its
    // layers up) instead of drawRect.
    virtual bool wantsUpdateLayer() const { return false; }
    virtual void updateLayer() {}
    LayerContentsRedrawPolicy layerContentsRedrawPolicy() const { return redrawPolicy_; }
    void setLayerContentsRedrawPolicy(LayerContentsRedrawPolicy p) { redrawPolicy_ = p; }
    // The focus ring follows what drawFocusRingMask draws (in the bounds
    // focusRingMaskBounds gives); noteFocusRingMaskChanged asks for a repaint.
    virtual void drawFocusRingMask() {}
    virtual Rect focusRingMaskBounds() const { return bounds(); }
    void noteFocusRingMaskChanged() { setNeedsDisplay(true); }
    // Called when a live resize of the window ends.
    virtual void viewDidEndLiveResize() {}
    // A cache for the view's drawing in `rect`, and drawing the view (with
    // its subviews) into it: the two steps of a snapshot.
    std::shared_ptr<BitmapImageRep> bitmapImageRepForCachingDisplayInRect(const Rect& rect) const;
    void cacheDisplayInRect(const Rect& rect, BitmapImageRep& rep);

    // Called on the document view of a clip view when the clip view scrolls
    // or changes size; a table makes the rows that came into view here.
    virtual void documentVisibleRectDidChange() {}

    // --- responder chain
    // Its view controller when it has one, else the superview, else the window.
    std::shared_ptr<Responder> nextResponder() const override;
    void setNextResponder(const std::shared_ptr<Responder>& next) override;
    std::shared_ptr<ViewController> viewController() const { return viewController_.lock(); }

    // --- kit internals
    // Set by a view controller on the view it owns.
    void setViewController(const std::shared_ptr<ViewController>& vc) { viewController_ = vc; }
    // Set by a window on its content view (the root of its tree).
    void setRootWindow(const std::shared_ptr<Window>& window) { rootWindow_ = window; }
    // Calls `f` on this view and every descendant, parents first.
    void forEachInTree(const std::function<void(View&)>& f);

private:
    void insertSubview(const std::shared_ptr<View>& view, std::size_t index);
    void detachFromSuperview(bool notify);
    Point offsetToRoot() const;
    std::shared_ptr<const View> root() const;

    Rect frame_;
    Point boundsOrigin_;
    AutoresizingMask autoresizingMask_ = autoresizing::notSizable;
    bool autoresizesSubviews_ = true;
    bool postsFrameChanged_ = false;
    bool needsLayout_ = false;
    std::weak_ptr<View> superview_;
    std::vector<std::shared_ptr<View>> subviews_;
    std::weak_ptr<Window> rootWindow_;
    std::weak_ptr<ViewController> viewController_;
    std::weak_ptr<Responder> explicitNextResponder_;
    std::string identifier_;
    bool hidden_ = false;
    double alpha_ = 1;
    bool needsDisplay_ = false;
    Rect dirtyRect_;
    int drawCount_ = 0;
    std::weak_ptr<View> nextKeyView_;
    std::weak_ptr<View> previousKeyView_;
    std::vector<std::shared_ptr<TrackingArea>> trackingAreas_;
    std::vector<std::string> draggedTypes_;
    std::string toolTip_;
    std::optional<AppearanceName> appearance_;
    bool wantsLayer_ = false;
    std::shared_ptr<Layer> layer_;
    FocusRingType focusRingType_ = FocusRingType::defaultType;
    LayerContentsRedrawPolicy redrawPolicy_ = LayerContentsRedrawPolicy::duringViewResize;
};

}  // namespace platform
