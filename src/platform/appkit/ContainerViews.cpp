#include "platform/appkit/ContainerViews.h"

#include <algorithm>
#include <numeric>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/foundation/UserDefaults.h"

namespace platform {

// --- Box ----------------------------------------------------------------------------

Box::Box(Rect frame) : View(frame) {}

std::shared_ptr<View> Box::contentView() {
    if (!contentView_) {
        auto v = std::make_shared<View>(bounds().insetBy(margins_.width, margins_.height));
        v->setAutoresizingMask(autoresizing::widthSizable | autoresizing::heightSizable);
        setContentView(v);
    }
    return contentView_;
}

void Box::setContentView(const std::shared_ptr<View>& view) {
    if (contentView_ && contentView_->superview().get() == this) contentView_->removeFromSuperview();
    contentView_ = view;
    if (view) addSubview(view);
}

void Box::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context || transparent_) return;
    const Rect b = bounds();
    const Color separator = Color::named("System", "separatorColor", Color::calibratedWhite(0, 0.1));
    switch (boxType_) {
        case BoxType::separator: {
            context->setFillColor(borderColor_.value_or(separator));
            const bool vertical = b.height() > b.width();
            context->fillRect(vertical ? Rect(b.midX() - 0.5, b.minY(), 1, b.height())
                                       : Rect(b.minX(), b.midY() - 0.5, b.width(), 1),
                              CompositingOperation::sourceOver);
            return;
        }
        case BoxType::custom: {
            const Rect r = b.insetBy(borderWidth_ / 2, borderWidth_ / 2);
            BezierPath shape = BezierPath::withRoundedRect(r, cornerRadius_, cornerRadius_);
            if (fillColor_) {
                context->setFillColor(*fillColor_);
                context->fillPath(shape);
            }
            if (borderWidth_ > 0 && borderColor_) {
                shape.setLineWidth(borderWidth_);
                context->setStrokeColor(*borderColor_);
                context->strokePath(shape);
            }
            return;
        }
        case BoxType::primary: {
            double top = 0;
            if (!title_.empty() && titlePosition_ != TitlePosition::noTitle) {
                TextAttributes a;
                a.font = Font::systemFont(Font::smallSystemFontSize);
                a.foregroundColor = Color::named("System", "secondaryLabelColor", Color::calibratedWhite(0, 0.5));
                AttributedString text(title_, a);
                top = textMetrics().lineHeight(text) + 2;
                context->drawAttributedString(text, Rect(b.minX() + 4, b.minY(), b.width() - 8, top));
            }
            BezierPath frame = BezierPath::withRoundedRect(Rect(b.minX() + 0.5, b.minY() + top + 0.5, b.width() - 1,
                                                                b.height() - top - 1),
                                                           5, 5);
            context->setFillColor(Color::calibratedWhite(0, 0.04));
            context->fillPath(frame);
            context->setStrokeColor(separator);
            context->strokePath(frame);
            return;
        }
    }
}

// --- StackView --------------------------------------------------------------------------

std::shared_ptr<StackView> StackView::withViews(const std::vector<std::shared_ptr<View>>& views) {
    auto stack = std::make_shared<StackView>();
    for (const auto& v : views) stack->addArrangedSubview(v);
    return stack;
}

std::vector<std::shared_ptr<View>> StackView::arrangedSubviews() const {
    std::vector<std::shared_ptr<View>> out;
    for (const auto& w : arranged_)
        if (auto v = w.lock(); v && v->superview().get() == this) out.push_back(v);
    return out;
}

void StackView::addArrangedSubview(const std::shared_ptr<View>& view) { insertArrangedSubview(view, arranged_.size()); }

void StackView::insertArrangedSubview(const std::shared_ptr<View>& view, std::size_t index) {
    if (!view) return;
    removeArrangedSubview(view);
    if (view->superview().get() != this) addSubview(view);
    index = std::min(index, arranged_.size());
    arranged_.insert(arranged_.begin() + static_cast<std::ptrdiff_t>(index), view);
    setNeedsLayout(true);
}

void StackView::removeArrangedSubview(const std::shared_ptr<View>& view) {
    std::erase_if(arranged_, [&](const std::weak_ptr<View>& w) { return w.lock() == view || w.expired(); });
    customSpacing_.erase(view.get());
    setNeedsLayout(true);
}

void StackView::setCustomSpacing(double spacing, const std::shared_ptr<View>& afterView) {
    customSpacing_[afterView.get()] = spacing;
    setNeedsLayout(true);
}

double StackView::spacingAfter(const View* v) const {
    auto it = customSpacing_.find(v);
    return it == customSpacing_.end() ? spacing_ : it->second;
}

namespace {
Size sizeOf(const View& v) {
    Size s = v.intrinsicContentSize();
    if (s.width < 0) s.width = v.frame().width();
    if (s.height < 0) s.height = v.frame().height();
    return s;
}
}  // namespace

void StackView::layout() {
    std::vector<std::shared_ptr<View>> views;
    for (const auto& v : arrangedSubviews())
        if (!(detachesHiddenViews_ && v->isHidden())) views.push_back(v);
    const bool horizontal = orientation_ == UserInterfaceLayoutOrientation::horizontal;
    const Rect area(edgeInsets_.left, edgeInsets_.top, bounds().width() - edgeInsets_.left - edgeInsets_.right,
                    bounds().height() - edgeInsets_.top - edgeInsets_.bottom);
    double gaps = 0;
    for (std::size_t i = 0; i + 1 < views.size(); ++i) gaps += spacingAfter(views[i].get());
    const double room = (horizontal ? area.width() : area.height()) - gaps;
    std::vector<double> lengths;
    for (const auto& v : views) lengths.push_back(horizontal ? sizeOf(*v).width : sizeOf(*v).height);
    if (distribution_ == StackViewDistribution::fillEqually && !views.empty()) {
        std::fill(lengths.begin(), lengths.end(), std::max(0.0, room) / static_cast<double>(views.size()));
    } else if (distribution_ == StackViewDistribution::fill && !views.empty()) {
        // The last view takes what is left over (or gives up what is missing).
        const double used = std::accumulate(lengths.begin(), lengths.end(), 0.0);
        lengths.back() = std::max(0.0, lengths.back() + room - used);
    }
    double pos = horizontal ? area.minX() : area.minY();
    for (std::size_t i = 0; i < views.size(); ++i) {
        const Size s = sizeOf(*views[i]);
        Rect f;
        if (horizontal) {
            double h = std::min(s.height, area.height());
            double y = area.minY();
            if (alignment_ == LayoutAttribute::centerY) y += (area.height() - h) / 2;
            else if (alignment_ == LayoutAttribute::bottom) y = area.maxY() - h;
            else if (alignment_ == LayoutAttribute::height) h = area.height();
            f = Rect(pos, y, lengths[i], h);
        } else {
            double w = std::min(s.width, area.width());
            double x = area.minX();
            if (alignment_ == LayoutAttribute::centerX) x += (area.width() - w) / 2;
            else if (alignment_ == LayoutAttribute::right || alignment_ == LayoutAttribute::trailing) x = area.maxX() - w;
            else if (alignment_ == LayoutAttribute::width) w = area.width();
            f = Rect(x, pos, w, lengths[i]);
        }
        views[i]->setFrame(f);
        pos += lengths[i] + spacingAfter(views[i].get());
    }
    View::layout();
}

Size StackView::fittingSize() const {
    const bool horizontal = orientation_ == UserInterfaceLayoutOrientation::horizontal;
    double along = 0, across = 0;
    bool first = true;
    const View* previous = nullptr;
    for (const auto& v : arrangedSubviews()) {
        if (detachesHiddenViews_ && v->isHidden()) continue;
        const Size s = sizeOf(*v);
        if (!first) along += spacingAfter(previous);
        along += horizontal ? s.width : s.height;
        across = std::max(across, horizontal ? s.height : s.width);
        first = false;
        previous = v.get();
    }
    return horizontal ? Size{along + edgeInsets_.left + edgeInsets_.right, across + edgeInsets_.top + edgeInsets_.bottom}
                      : Size{across + edgeInsets_.left + edgeInsets_.right, along + edgeInsets_.top + edgeInsets_.bottom};
}

// --- ScrollView --------------------------------------------------------------------------

std::shared_ptr<View> ClipView::documentView() const { return subviews().empty() ? nullptr : subviews().front(); }

void ClipView::setDocumentView(const std::shared_ptr<View>& view) {
    for (const auto& v : std::vector<std::shared_ptr<View>>(subviews())) v->removeFromSuperview();
    if (view) addSubview(view);
    setBoundsOrigin({0, 0});
    if (view) view->documentVisibleRectDidChange();
}

void ClipView::scrollToPoint(Point p) {
    Size doc;
    auto d = documentView();
    if (d) doc = d->frame().size;
    const double maxX = std::max(0.0, doc.width - bounds().width());
    const double maxY = std::max(0.0, doc.height - bounds().height());
    const Point old = bounds().origin;
    setBoundsOrigin({std::clamp(p.x, 0.0, maxX), std::clamp(p.y, 0.0, maxY)});
    if (bounds().origin == old) return;
    if (d) d->documentVisibleRectDidChange();
    // The scroll view's scrollers move with the document.
    if (auto scrollView = superview()) scrollView->setNeedsDisplay(true);
    else setNeedsDisplay(true);
}

void ClipView::setFrame(const Rect& frame) {
    const Size old = this->frame().size;
    View::setFrame(frame);
    if (auto d = documentView(); d && !(old == frame.size)) d->documentVisibleRectDidChange();
}

Rect ClipView::documentVisibleRect() const { return bounds(); }

void ClipView::drawRect(const Rect& dirtyRect) {
    if (!drawsBackground_) return;
    setFillColor(Color::named("System", "controlBackgroundColor", Color::white()));
    rectFill(dirtyRect);
}

ScrollView::ScrollView(Rect frame) : View(frame), clip_(std::make_shared<ClipView>(Rect({0, 0}, frame.size))) {}

std::shared_ptr<ClipView> ScrollView::contentView() {
    if (clip_->superview().get() != this) {
        clip_->setFrame(Rect({0, 0}, frame().size));
        clip_->setAutoresizingMask(autoresizing::widthSizable | autoresizing::heightSizable);
        addSubview(clip_);
    }
    return clip_;
}

void ScrollView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    clip_->setFrame(Rect({0, 0}, frame.size));
}

void ScrollView::drawOverSubviews(const Rect&) {
    auto* context = GraphicsContext::current();
    auto document = documentView();
    if (!context || !document) return;
    const Rect visible = clip_->bounds();
    const Size doc = document->frame().size;
    constexpr double thickness = 11;
    auto scroller = [&](bool vertical) {
        const double shown = vertical ? visible.height() : visible.width();
        const double whole = vertical ? doc.height : doc.width;
        if (whole <= shown + 0.5) return;
        ControlDrawing d;
        d.kind = ControlKind::scroller;
        d.vertical = vertical;
        d.knobProportion = shown / whole;
        d.value = (vertical ? visible.minY() : visible.minX()) / (whole - shown);
        const Rect b = bounds();
        context->drawControl(d, vertical ? Rect(b.maxX() - thickness, b.minY(), thickness, b.height())
                                         : Rect(b.minX(), b.maxY() - thickness, b.width(), thickness));
    };
    if (hasVertical_) scroller(true);
    if (hasHorizontal_) scroller(false);
    if (borderType_ == BorderType::noBorder) return;
    context->setStrokeColor(Color::named("System", "separatorColor", Color::calibratedWhite(0, 0.2)));
    context->strokePath(BezierPath::withRect(bounds().insetBy(0.5, 0.5)));
}

void ScrollView::scrollWheel(const Event& event) {
    auto clip = contentView();
    const Point origin = clip->bounds().origin;
    clip->scrollToPoint({origin.x - event.scrollingDeltaX, origin.y - event.scrollingDeltaY});
}

// --- SplitView --------------------------------------------------------------------------

void SplitView::setMinimumThickness(const std::shared_ptr<View>& pane, double thickness) {
    minimums_[pane.get()] = std::max(0.0, thickness);
}

double SplitView::minimumThickness(const std::shared_ptr<View>& pane) const {
    auto it = minimums_.find(pane.get());
    return it == minimums_.end() ? 0 : it->second;
}

double SplitView::positionOfDivider(long index) const {
    const auto& panes = subviews();
    if (index < 0 || static_cast<std::size_t>(index) + 1 >= panes.size()) return 0;
    const Rect f = panes[static_cast<std::size_t>(index)]->frame();
    return vertical_ ? f.maxX() : f.maxY();
}

bool SplitView::isSubviewCollapsed(const std::shared_ptr<View>& pane) const {
    return pane && pane->superview().get() == this && (pane->isHidden() || extent(pane->frame()) <= 0);
}

void SplitView::placePanes(const std::vector<double>& sizes) {
    const auto& panes = subviews();
    double pos = 0;
    for (std::size_t i = 0; i < panes.size(); ++i) {
        const double s = std::max(0.0, sizes[i]);
        panes[i]->setFrame(vertical_ ? Rect(pos, 0, s, bounds().height()) : Rect(0, pos, bounds().width(), s));
        pos += s + dividerThickness();
    }
    if (auto d = delegate()) d->splitViewDidResizeSubviews(*this);
}

void SplitView::setPosition(double position, long dividerIndex) {
    const auto panes = subviews();
    if (dividerIndex < 0 || static_cast<std::size_t>(dividerIndex) + 1 >= panes.size()) return;
    const auto i = static_cast<std::size_t>(dividerIndex);
    std::vector<double> sizes;
    for (const auto& p : panes) sizes.push_back(extent(p->frame()));
    const double start = vertical_ ? panes[i]->frame().minX() : panes[i]->frame().minY();
    const double end = start + sizes[i] + dividerThickness() + sizes[i + 1];  // the pair's far edge
    // The limits: both panes keep their minimum, then the delegate has its say.
    double lo = start + minimumThickness(panes[i]);
    double hi = end - dividerThickness() - minimumThickness(panes[i + 1]);
    if (auto d = delegate()) {
        lo = d->constrainMinCoordinate(*this, lo, dividerIndex);
        hi = d->constrainMaxCoordinate(*this, hi, dividerIndex);
    }
    if (hi < lo) hi = lo;
    position = std::clamp(position, lo, hi);
    sizes[i] = position - start;
    sizes[i + 1] = end - position - dividerThickness();
    placePanes(sizes);
    saveDividerPositions();
}

namespace {
std::string autosaveKey(const std::string& name) { return "NSSplitView Subview Frames " + name; }
}  // namespace

void SplitView::setAutosaveName(std::string name) {
    autosaveName_ = std::move(name);
    if (autosaveName_.empty()) return;
    const ValueArray kept = UserDefaults::standard()->arrayForKey(autosaveKey(autosaveName_));
    // Only the positions of the dividers this split view has; nothing moves
    // while they are put back, so nothing is written either.
    restoringPositions_ = true;
    for (std::size_t i = 0; i < kept.size() && i + 1 < subviews().size(); ++i)
        if (const auto position = kept[i].asDouble()) setPosition(*position, static_cast<long>(i));
    restoringPositions_ = false;
}

void SplitView::saveDividerPositions() const {
    if (autosaveName_.empty() || restoringPositions_ || subviews().size() < 2) return;
    ValueArray positions;
    for (std::size_t i = 0; i + 1 < subviews().size(); ++i) positions.push_back(Value(positionOfDivider(long(i))));
    UserDefaults::standard()->set(autosaveKey(autosaveName_), Value(std::move(positions)));
}

void SplitView::adjustSubviews() {
    const auto& panes = subviews();
    if (panes.empty()) return;
    const double room = extent(bounds()) - dividerThickness() * static_cast<double>(panes.size() - 1);
    double total = 0;
    for (const auto& p : panes) total += extent(p->frame());
    std::vector<double> sizes;
    for (const auto& p : panes)
        sizes.push_back(total > 0 ? extent(p->frame()) / total * room : room / static_cast<double>(panes.size()));
    placePanes(sizes);
}

void SplitView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    adjustSubviews();
}

}  // namespace platform
