#pragma once
// Views that hold and arrange other views: Box, VisualEffectView,
// StackView, ScrollView (with its clip view) and SplitView. They keep the
// state the program sets and do the arithmetic of their layout; the backend
// paints them.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/View.h"
#include "platform/graphics/Color.h"

namespace platform {

// --- Box ------------------------------------------------------------------------

enum class BoxType : int { primary = 0, separator = 2, custom = 4 };
enum class TitlePosition : int { noTitle = 0, aboveTop = 1, atTop = 2, belowTop = 3, aboveBottom = 4, atBottom = 5, belowBottom = 6 };

class Box : public View {
public:
    explicit Box(Rect frame = {});
    // A box takes no clicks of its own: a press on it can move the window
    // (where the window is movable by its background) or tear a popover off.
    bool mouseDownCanMoveWindow() const override { return true; }

    const std::string& title() const { return title_; }
    void setTitle(std::string t) { title_ = std::move(t); setNeedsDisplay(true); }
    TitlePosition titlePosition() const { return titlePosition_; }
    void setTitlePosition(TitlePosition p) { titlePosition_ = p; }
    BoxType boxType() const { return boxType_; }
    void setBoxType(BoxType t) { boxType_ = t; }
    bool isTransparent() const { return transparent_; }
    void setTransparent(bool b) { transparent_ = b; setNeedsDisplay(true); }
    const std::optional<Color>& fillColor() const { return fillColor_; }
    void setFillColor(std::optional<Color> c) { fillColor_ = std::move(c); setNeedsDisplay(true); }
    const std::optional<Color>& borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<Color> c) { borderColor_ = std::move(c); setNeedsDisplay(true); }
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double w) { borderWidth_ = w; }
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double r) { cornerRadius_ = r; }
    Size contentViewMargins() const { return margins_; }
    void setContentViewMargins(Size s) { margins_ = s; }
    // The view inside the box, made on first use.
    std::shared_ptr<View> contentView();
    void setContentView(const std::shared_ptr<View>& view);
    // A separator's line, a primary box's border and title, a custom box's
    // fill and border.
    void drawRect(const Rect& dirtyRect) override;

private:
    std::string title_;
    TitlePosition titlePosition_ = TitlePosition::atTop;
    BoxType boxType_ = BoxType::primary;
    bool transparent_ = false;
    std::optional<Color> fillColor_;
    std::optional<Color> borderColor_;
    double borderWidth_ = 1;
    double cornerRadius_ = 0;
    Size margins_{5, 5};
    std::shared_ptr<View> contentView_;
};

// --- VisualEffectView ---------------------------------------------------------------

enum class VisualEffectMaterial : int {
    titlebar = 3,
    selection = 4,
    menu = 5,
    popover = 6,
    sidebar = 7,
    headerView = 10,
    sheet = 11,
    windowBackground = 12,
    hudWindow = 13,
    fullScreenUI = 15,
    toolTip = 17,
    contentBackground = 18,
    underWindowBackground = 21,
    underPageBackground = 22,
};
enum class VisualEffectState : int { followsWindowActiveState = 0, active = 1, inactive = 2 };
enum class VisualEffectBlendingMode : int { behindWindow = 0, withinWindow = 1 };

class VisualEffectView : public View {
public:
    explicit VisualEffectView(Rect frame = {}) : View(frame) {}
    // A background: a press on it can move the window, as on a box.
    bool mouseDownCanMoveWindow() const override { return true; }

    VisualEffectMaterial material() const { return material_; }
    void setMaterial(VisualEffectMaterial m) { material_ = m; setNeedsDisplay(true); }
    VisualEffectState state() const { return state_; }
    void setState(VisualEffectState s) { state_ = s; setNeedsDisplay(true); }
    VisualEffectBlendingMode blendingMode() const { return blendingMode_; }
    void setBlendingMode(VisualEffectBlendingMode b) { blendingMode_ = b; setNeedsDisplay(true); }
    bool isEmphasized() const { return emphasized_; }
    void setEmphasized(bool b) { emphasized_ = b; }

private:
    VisualEffectMaterial material_ = VisualEffectMaterial::windowBackground;
    VisualEffectState state_ = VisualEffectState::followsWindowActiveState;
    VisualEffectBlendingMode blendingMode_ = VisualEffectBlendingMode::behindWindow;
    bool emphasized_ = false;
};

// --- StackView --------------------------------------------------------------------

enum class UserInterfaceLayoutOrientation : int { horizontal = 0, vertical = 1 };
enum class StackViewDistribution : int { gravityAreas = -1, fill = 0, fillEqually = 1, fillProportionally = 2, equalSpacing = 3, equalCentering = 4 };
enum class LayoutAttribute : int { left = 1, right = 2, top = 3, bottom = 4, leading = 5, trailing = 6, width = 7, height = 8, centerX = 9, centerY = 10, notAnAttribute = 0 };

// Lays its arranged views out in a row or a column, in order, with the
// spacing between them; hidden views take no room.
class StackView : public View {
public:
    explicit StackView(Rect frame = {}) : View(frame) {}
    static std::shared_ptr<StackView> withViews(const std::vector<std::shared_ptr<View>>& views);

    UserInterfaceLayoutOrientation orientation() const { return orientation_; }
    void setOrientation(UserInterfaceLayoutOrientation o) { orientation_ = o; setNeedsLayout(true); }
    double spacing() const { return spacing_; }
    void setSpacing(double s) { spacing_ = s; setNeedsLayout(true); }
    LayoutAttribute alignment() const { return alignment_; }
    void setAlignment(LayoutAttribute a) { alignment_ = a; setNeedsLayout(true); }
    StackViewDistribution distribution() const { return distribution_; }
    void setDistribution(StackViewDistribution d) { distribution_ = d; setNeedsLayout(true); }
    EdgeInsets edgeInsets() const { return edgeInsets_; }
    void setEdgeInsets(EdgeInsets e) { edgeInsets_ = e; setNeedsLayout(true); }
    bool detachesHiddenViews() const { return detachesHiddenViews_; }
    void setDetachesHiddenViews(bool b) { detachesHiddenViews_ = b; }

    std::vector<std::shared_ptr<View>> arrangedSubviews() const;
    void addArrangedSubview(const std::shared_ptr<View>& view);
    void insertArrangedSubview(const std::shared_ptr<View>& view, std::size_t index);
    // Stops arranging the view; it stays a subview (as on the platform).
    void removeArrangedSubview(const std::shared_ptr<View>& view);
    void setCustomSpacing(double spacing, const std::shared_ptr<View>& afterView);

    void layout() override;
    Size fittingSize() const;

private:
    double spacingAfter(const View* v) const;

    UserInterfaceLayoutOrientation orientation_ = UserInterfaceLayoutOrientation::horizontal;
    double spacing_ = 8;
    LayoutAttribute alignment_ = LayoutAttribute::centerY;
    StackViewDistribution distribution_ = StackViewDistribution::fill;
    EdgeInsets edgeInsets_;
    bool detachesHiddenViews_ = true;
    std::vector<std::weak_ptr<View>> arranged_;
    std::map<const View*, double> customSpacing_;
};

// --- ScrollView ---------------------------------------------------------------------

// The view a scroll view shows its document through; its bounds origin is
// the scroll position.
class ClipView : public View {
public:
    explicit ClipView(Rect frame = {}) : View(frame) {}
    std::shared_ptr<View> documentView() const;
    void setDocumentView(const std::shared_ptr<View>& view);
    // Scrolls so that `p` (document coordinates) is the top-left corner, kept
    // inside the document.
    void scrollToPoint(Point p);
    Rect documentVisibleRect() const;
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool b) { drawsBackground_ = b; }
    // A new size shows another part of the document: the document hears of it.
    void setFrame(const Rect& frame) override;
    // The background colour under the document, when it draws one.
    void drawRect(const Rect& dirtyRect) override;

private:
    bool drawsBackground_ = true;
};

enum class BorderType : int { noBorder = 0, lineBorder = 1, bezelBorder = 2, grooveBorder = 3 };
enum class ScrollElasticity : int { automatic = 0, none = 1, allowed = 2 };

class ScrollView : public View {
public:
    explicit ScrollView(Rect frame = {});

    // The clip view, made a subview on first use (a view cannot adopt
    // subviews inside its constructor).
    std::shared_ptr<ClipView> contentView();
    std::shared_ptr<View> documentView() const { return clip_->documentView(); }
    void setDocumentView(const std::shared_ptr<View>& view) { contentView()->setDocumentView(view); }
    Rect documentVisibleRect() const { return clip_->documentVisibleRect(); }
    Size contentSize() const { return clip_->frame().size; }

    bool hasVerticalScroller() const { return hasVertical_; }
    void setHasVerticalScroller(bool b) { hasVertical_ = b; }
    bool hasHorizontalScroller() const { return hasHorizontal_; }
    void setHasHorizontalScroller(bool b) { hasHorizontal_ = b; }
    bool autohidesScrollers() const { return autohides_; }
    void setAutohidesScrollers(bool b) { autohides_ = b; }
    BorderType borderType() const { return borderType_; }
    void setBorderType(BorderType t) { borderType_ = t; }
    bool drawsBackground() const { return clip_->drawsBackground(); }
    void setDrawsBackground(bool b) { clip_->setDrawsBackground(b); }
    ScrollElasticity verticalScrollElasticity() const { return verticalElasticity_; }
    void setVerticalScrollElasticity(ScrollElasticity e) { verticalElasticity_ = e; }
    EdgeInsets contentInsets() const { return contentInsets_; }
    void setContentInsets(EdgeInsets e) { contentInsets_ = e; }

    // Shows the top (and left edge) of the document.
    void scrollToTop() { contentView()->scrollToPoint({0, 0}); }
    void scrollToPoint(Point p) { contentView()->scrollToPoint(p); }
    void setFrame(const Rect& frame) override;
    void scrollWheel(const Event& event) override;
    // The scrollers, over the document while it is larger than the view.
    void drawOverSubviews(const Rect& dirtyRect) override;

private:
    std::shared_ptr<ClipView> clip_;
    bool hasVertical_ = true;
    bool hasHorizontal_ = false;
    bool autohides_ = true;
    BorderType borderType_ = BorderType::noBorder;
    ScrollElasticity verticalElasticity_ = ScrollElasticity::automatic;
    EdgeInsets contentInsets_;
};

// --- SplitView ----------------------------------------------------------------------

class SplitView;

class SplitViewDelegate {
public:
    virtual ~SplitViewDelegate() = default;
    // Limits for a proposed divider position; the defaults keep the proposal.
    virtual double constrainMinCoordinate(SplitView& splitView, double proposedMin, long dividerIndex) {
        (void)splitView;
        (void)dividerIndex;
        return proposedMin;
    }
    virtual double constrainMaxCoordinate(SplitView& splitView, double proposedMax, long dividerIndex) {
        (void)splitView;
        (void)dividerIndex;
        return proposedMax;
    }
    virtual bool canCollapseSubview(SplitView& splitView, const std::shared_ptr<View>& subview) {
        (void)splitView;
        (void)subview;
        return false;
    }
    virtual void splitViewDidResizeSubviews(SplitView& splitView) { (void)splitView; }
};

enum class SplitViewDividerStyle : int { thick = 1, thin = 2, paneSplitter = 3 };

// Panes side by side (vertical dividers) or stacked. Divider positions are
// kept within the panes' minimum thickness and the delegate's limits.
class SplitView : public View {
public:
    explicit SplitView(Rect frame = {}) : View(frame) {}

    bool isVertical() const { return vertical_; }
    void setVertical(bool b) { vertical_ = b; setNeedsLayout(true); }
    SplitViewDividerStyle dividerStyle() const { return dividerStyle_; }
    void setDividerStyle(SplitViewDividerStyle s) { dividerStyle_ = s; }
    virtual double dividerThickness() const { return dividerStyle_ == SplitViewDividerStyle::thin ? 1 : 9; }
    // None: the desktop's separator colour.
    virtual std::optional<Color> dividerColor() const { return std::nullopt; }
    bool arrangesAllSubviews() const { return arrangesAllSubviews_; }
    void setArrangesAllSubviews(bool b) { arrangesAllSubviews_ = b; }
    // With a name, the divider positions are kept in the user defaults
    // ("NSSplitView Subview Frames <name>") whenever a divider moves, and
    // setting the name puts the panes back where they were kept.
    const std::string& autosaveName() const { return autosaveName_; }
    void setAutosaveName(std::string name);
    std::shared_ptr<SplitViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<SplitViewDelegate>& d) { delegate_ = d; }

    // The panes are the subviews, in order.
    std::vector<std::shared_ptr<View>> arrangedSubviews() const { return subviews(); }
    void addArrangedSubview(const std::shared_ptr<View>& view) { addSubview(view); adjustSubviews(); }
    // The least width (vertical) or height a pane keeps when a divider moves.
    void setMinimumThickness(const std::shared_ptr<View>& pane, double thickness);
    double minimumThickness(const std::shared_ptr<View>& pane) const;

    // The divider's position: the end of the pane before it.
    double positionOfDivider(long index) const;
    void setPosition(double position, long dividerIndex);
    bool isSubviewCollapsed(const std::shared_ptr<View>& pane) const;
    // Shares the room among the panes in proportion to their sizes.
    void adjustSubviews();
    void setFrame(const Rect& frame) override;

private:
    double extent(const Rect& r) const { return vertical_ ? r.width() : r.height(); }
    void placePanes(const std::vector<double>& sizes);
    void saveDividerPositions() const;

    bool vertical_ = true;
    bool arrangesAllSubviews_ = true;
    bool restoringPositions_ = false;
    SplitViewDividerStyle dividerStyle_ = SplitViewDividerStyle::thin;
    std::string autosaveName_;
    std::weak_ptr<SplitViewDelegate> delegate_;
    std::map<const View*, double> minimums_;
};

}  // namespace platform
