#include "platform/appkit/GraphicsContext.h"

#include "platform/appkit/Image.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/View.h"

namespace platform {

namespace {

// Drawing happens on the main thread only; one stack of current contexts.
GraphicsContext*& currentContext() {
    static GraphicsContext* context = nullptr;
    return context;
}

std::string rectText(const Rect& r) {
    return formatNumber(r.minX()) + " " + formatNumber(r.minY()) + " " + formatNumber(r.width()) + " " +
           formatNumber(r.height());
}

std::string pointText(Point p) { return formatNumber(p.x) + " " + formatNumber(p.y); }

std::string windingText(WindingRule rule) { return rule == WindingRule::evenOdd ? "evenOdd" : "nonZero"; }

const char* capText(LineCapStyle s) {
    switch (s) {
        case LineCapStyle::butt: return "butt";
        case LineCapStyle::round: return "round";
        case LineCapStyle::square: return "square";
    }
    return "butt";
}

const char* joinText(LineJoinStyle s) {
    switch (s) {
        case LineJoinStyle::miter: return "miter";
        case LineJoinStyle::round: return "round";
        case LineJoinStyle::bevel: return "bevel";
    }
    return "miter";
}

}  // namespace

BlendMode blendModeFor(CompositingOperation operation) {
    switch (operation) {
        case CompositingOperation::clear: return BlendMode::clear;
        case CompositingOperation::copy: return BlendMode::copy;
        case CompositingOperation::sourceOver: return BlendMode::normal;
        case CompositingOperation::sourceIn: return BlendMode::sourceIn;
        case CompositingOperation::sourceOut: return BlendMode::sourceOut;
        case CompositingOperation::sourceAtop: return BlendMode::sourceAtop;
        case CompositingOperation::destinationOver: return BlendMode::destinationOver;
        case CompositingOperation::destinationIn: return BlendMode::destinationIn;
        case CompositingOperation::destinationOut: return BlendMode::destinationOut;
        case CompositingOperation::destinationAtop: return BlendMode::destinationAtop;
        case CompositingOperation::xorOp: return BlendMode::xorMode;
    }
    return BlendMode::normal;
}

std::string blendModeName(BlendMode mode) {
    switch (mode) {
        case BlendMode::normal: return "normal";
        case BlendMode::clear: return "clear";
        case BlendMode::copy: return "copy";
        case BlendMode::sourceIn: return "sourceIn";
        case BlendMode::sourceOut: return "sourceOut";
        case BlendMode::sourceAtop: return "sourceAtop";
        case BlendMode::destinationOver: return "destinationOver";
        case BlendMode::destinationIn: return "destinationIn";
        case BlendMode::destinationOut: return "destinationOut";
        case BlendMode::destinationAtop: return "destinationAtop";
        case BlendMode::xorMode: return "xor";
    }
    return "normal";
}

std::string describeColor(const Color& color) {
    if (auto c = color.sRGBComponents()) {
        return "rgba(" + formatNumber(c->red) + " " + formatNumber(c->green) + " " + formatNumber(c->blue) + " " +
               formatNumber(c->alpha) + ")";
    }
    return color.catalogName() + ":" + color.colorName();
}

// --- the current context

GraphicsContext* GraphicsContext::current() { return currentContext(); }

GraphicsContext::Scope::Scope(GraphicsContext& context) : previous_(currentContext()) { currentContext() = &context; }

GraphicsContext::Scope::~Scope() { currentContext() = previous_; }

void setColor(const Color& color) {
    if (auto* c = GraphicsContext::current()) {
        c->setFillColor(color);
        c->setStrokeColor(color);
    }
}

void setFillColor(const Color& color) {
    if (auto* c = GraphicsContext::current()) c->setFillColor(color);
}

void setStrokeColor(const Color& color) {
    if (auto* c = GraphicsContext::current()) c->setStrokeColor(color);
}

void rectFill(const Rect& rect) { rectFillUsingOperation(rect, CompositingOperation::sourceOver); }

void rectFillUsingOperation(const Rect& rect, CompositingOperation operation) {
    if (auto* c = GraphicsContext::current()) c->fillRect(rect, operation);
}

void Shadow::set() const {
    if (auto* c = GraphicsContext::current()) c->setShadow(*this);
}

// --- recording

void RecordingGraphicsContext::record(std::string line, std::function<void(GraphicsContext&)> replay) {
    lines_.push_back(std::move(line));
    replays_.push_back(std::move(replay));
}

void RecordingGraphicsContext::clear() {
    lines_.clear();
    replays_.clear();
    stack_.assign(1, State{});
}

void RecordingGraphicsContext::replay(GraphicsContext& target) const {
    for (const auto& r : replays_) r(target);
}

int RecordingGraphicsContext::saveDepth() const {
    int n = 0;
    for (std::size_t i = 1; i < stack_.size(); ++i) n += stack_[i].opensLayer ? 0 : 1;
    return n;
}

int RecordingGraphicsContext::layerDepth() const {
    int n = 0;
    for (const auto& s : stack_) n += s.opensLayer ? 1 : 0;
    return n;
}

void RecordingGraphicsContext::saveGraphicsState() {
    State s = stack_.back();
    s.opensLayer = false;
    stack_.push_back(s);
    record("save", [](GraphicsContext& c) { c.saveGraphicsState(); });
}

void RecordingGraphicsContext::restoreGraphicsState() {
    // A restore never reaches into an open layer or below the first state.
    if (stack_.size() < 2 || stack_.back().opensLayer) return;
    stack_.pop_back();
    record("restore", [](GraphicsContext& c) { c.restoreGraphicsState(); });
}

void RecordingGraphicsContext::translate(double dx, double dy) {
    stack_.back().transform = stack_.back().transform.translatedBy(dx, dy);
    record("translate " + formatNumber(dx) + " " + formatNumber(dy), [=](GraphicsContext& c) { c.translate(dx, dy); });
}

void RecordingGraphicsContext::scale(double sx, double sy) {
    stack_.back().transform = stack_.back().transform.scaledBy(sx, sy);
    record("scale " + formatNumber(sx) + " " + formatNumber(sy), [=](GraphicsContext& c) { c.scale(sx, sy); });
}

void RecordingGraphicsContext::concat(const AffineTransform& t) {
    stack_.back().transform = stack_.back().transform.prepending(t);
    record("concat " + formatNumber(t.a) + " " + formatNumber(t.b) + " " + formatNumber(t.c) + " " +
               formatNumber(t.d) + " " + formatNumber(t.tx) + " " + formatNumber(t.ty),
           [=](GraphicsContext& c) { c.concat(t); });
}

void RecordingGraphicsContext::clipToRect(const Rect& rect) {
    record("clip rect " + rectText(rect), [=](GraphicsContext& c) { c.clipToRect(rect); });
}

void RecordingGraphicsContext::clipToPath(const BezierPath& path) {
    record("clip path " + path.description() + " " + windingText(path.windingRule()),
           [=](GraphicsContext& c) { c.clipToPath(path); });
}

void RecordingGraphicsContext::setShadow(const std::optional<Shadow>& shadow) {
    stack_.back().shadow = shadow;
    std::string line = "shadow none";
    if (shadow && shadow->shadowColor()) {
        line = "shadow " + describeColor(*shadow->shadowColor()) + " offset " + formatNumber(shadow->shadowOffset().width) +
               " " + formatNumber(shadow->shadowOffset().height) + " blur " + formatNumber(shadow->shadowBlurRadius());
    }
    record(std::move(line), [=](GraphicsContext& c) { c.setShadow(shadow); });
}

void RecordingGraphicsContext::setAlpha(double alpha) {
    stack_.back().alpha = alpha;
    record("alpha " + formatNumber(alpha), [=](GraphicsContext& c) { c.setAlpha(alpha); });
}

void RecordingGraphicsContext::setBlendMode(BlendMode mode) {
    stack_.back().blend = mode;
    record("blend " + blendModeName(mode), [=](GraphicsContext& c) { c.setBlendMode(mode); });
}

void RecordingGraphicsContext::setFillColor(const Color& color) {
    record("fill color " + describeColor(color), [=](GraphicsContext& c) { c.setFillColor(color); });
}

void RecordingGraphicsContext::setStrokeColor(const Color& color) {
    record("stroke color " + describeColor(color), [=](GraphicsContext& c) { c.setStrokeColor(color); });
}

void RecordingGraphicsContext::beginTransparencyLayer() {
    // Inside a layer, drawing starts without alpha, shadow or blend mode;
    // those apply when the layer is composited at its end.
    State s = stack_.back();
    s.alpha = 1;
    s.blend = BlendMode::normal;
    s.shadow.reset();
    s.opensLayer = true;
    stack_.push_back(s);
    record("begin layer", [](GraphicsContext& c) { c.beginTransparencyLayer(); });
}

void RecordingGraphicsContext::endTransparencyLayer() {
    if (stack_.size() < 2 || !stack_.back().opensLayer) return;
    stack_.pop_back();
    record("end layer", [](GraphicsContext& c) { c.endTransparencyLayer(); });
}

void RecordingGraphicsContext::fillPath(const BezierPath& path) {
    record("fill path " + path.description() + " " + windingText(path.windingRule()),
           [=](GraphicsContext& c) { c.fillPath(path); });
}

void RecordingGraphicsContext::strokePath(const BezierPath& path) {
    record("stroke path " + path.description() + " width " + formatNumber(path.lineWidth()) + " cap " +
               capText(path.lineCapStyle()) + " join " + joinText(path.lineJoinStyle()),
           [=](GraphicsContext& c) { c.strokePath(path); });
}

void RecordingGraphicsContext::fillRect(const Rect& rect, CompositingOperation operation) {
    record("fill rect " + rectText(rect) + " " + blendModeName(blendModeFor(operation)),
           [=](GraphicsContext& c) { c.fillRect(rect, operation); });
}

void RecordingGraphicsContext::drawBitmap(const BitmapImageRep& bitmap, const Rect& rect) {
    // The playback draws the same representation: keep it alive with the recording.
    auto keep = std::static_pointer_cast<const BitmapImageRep>(bitmap.shared_from_this());
    record("bitmap " + bitmap.description() + " in " + rectText(rect),
           [keep, rect](GraphicsContext& c) { c.drawBitmap(*keep, rect); });
}

void RecordingGraphicsContext::drawAttributedString(const AttributedString& text, const Rect& rect) {
    record("text \"" + text.string() + "\" in " + rectText(rect),
           [=](GraphicsContext& c) { c.drawAttributedString(text, rect); });
}

void RecordingGraphicsContext::drawLinearGradient(const std::vector<Color>& colors,
                                                  const std::vector<double>& locations, Point start, Point end) {
    std::string line = "gradient";
    for (std::size_t i = 0; i < colors.size(); ++i) {
        double at = i < locations.size() ? locations[i]
                                         : (colors.size() > 1 ? double(i) / double(colors.size() - 1) : 0.0);
        line += (i ? ", " : " ") + describeColor(colors[i]) + " " + formatNumber(at);
    }
    line += " from " + pointText(start) + " to " + pointText(end);
    record(std::move(line), [=](GraphicsContext& c) { c.drawLinearGradient(colors, locations, start, end); });
}

void RecordingGraphicsContext::drawControl(const ControlDrawing& control, const Rect& rect) {
    record("control " + control.description() + " in " + rectText(rect),
           [=](GraphicsContext& c) { c.drawControl(control, rect); });
}

// --- views

namespace {

// `dirty` is in the view's frame coordinates (its superview's bounds).
void drawTree(View& view, GraphicsContext& context, const std::optional<Rect>& dirty, const View* focus,
              bool windowPass) {
    context.saveGraphicsState();
    const Rect b = view.bounds();
    if (!(b.origin == Point{})) context.translate(-b.minX(), -b.minY());
    context.clipToRect(b);
    if (view.appearance()) context.setAppearance(*view.appearance());
    std::optional<Rect> inside;
    if (dirty) inside = Rect(dirty->origin - view.frame().origin + b.origin, dirty->size).intersection(b);
    if (windowPass) view.willDrawInPass(inside ? *inside : b);
    if (view.wantsUpdateLayer()) view.updateLayer();
    if (auto layer = view.layer()) drawLayer(*layer, context, b);
    if (!view.wantsUpdateLayer()) view.drawRect(inside ? *inside : b);
    for (const auto& sub : std::vector<std::shared_ptr<View>>(view.subviews())) {
        if (sub->isHidden()) continue;
        if (inside && !sub->frame().intersects(*inside)) continue;
        context.saveGraphicsState();
        const Point o = sub->frame().origin;
        if (!(o == Point{})) context.translate(o.x, o.y);
        drawTree(*sub, context, inside, focus, windowPass);
        context.restoreGraphicsState();
    }
    if (!view.wantsUpdateLayer()) view.drawOverSubviews(inside ? *inside : b);
    context.restoreGraphicsState();
    if (&view == focus) {
        // The ring lies around the view, outside its own clip.
        context.saveGraphicsState();
        if (!(b.origin == Point{})) context.translate(-b.minX(), -b.minY());
        ControlDrawing ring;
        ring.kind = ControlKind::focusRing;
        context.drawControl(ring, view.focusRingMaskBounds());
        context.restoreGraphicsState();
    }
}

}  // namespace

void drawViewHierarchy(View& view, GraphicsContext& context, std::optional<Rect> dirty, const View* focusRingView,
                       bool windowPass) {
    if (view.isHidden()) return;
    GraphicsContext::Scope scope(context);
    context.setAppearance(view.effectiveAppearance());
    // drawTree takes the dirty part in the frame's coordinates.
    if (dirty) dirty = dirty->offsetBy(view.frame().minX() - view.bounds().minX(), view.frame().minY() - view.bounds().minY());
    drawTree(view, context, dirty, focusRingView, windowPass);
}

}  // namespace platform
