#include "drawing/DrawingKit.h"

#include <cmath>

#include "drawing/DrawingKitShapes.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Shadow.h"

namespace frelt {

using platform::BezierPath;
using platform::Color;
using platform::GraphicsContext;
using platform::Point;
using platform::Rect;
using platform::Size;

namespace drawingkit {

Color neutralGrey() { return Color::sRGB(0.799, 0.799, 0.799, 1.0); }

Color controlGrey() { return Color::named("System", "secondaryLabelColor", Color::calibratedWhite(0, 0.5)); }

Color blend(const Color& base, double fraction, const Color& other) {
    return base.blended(fraction, other).value_or(base);
}

CanvasScope::CanvasScope(const Rect& frame, Size canvasSize, long resizing) : context_(GraphicsContext::current()) {
    if (!context_) return;
    // Every caller passes a valid behaviour; anything else fits the canvas.
    const auto behavior =
        DrawingKit::resizingBehaviorFromRawValue(resizing).value_or(DrawingKit::ResizingBehavior::aspectFit);
    context_->saveGraphicsState();
    mapped_ = DrawingKit::resizingRect(Rect({0, 0}, canvasSize), frame, behavior);
    context_->translate(mapped_.minX(), mapped_.minY());
    context_->scale(mapped_.width() / canvasSize.width, mapped_.height() / canvasSize.height);
}

CanvasScope::~CanvasScope() {
    if (context_) context_->restoreGraphicsState();
}

void appendArc(BezierPath& path, Point center, double rx, double ry, double startDegrees, double endDegrees) {
    constexpr double degree = M_PI / 180;
    auto at = [&](double radians) {
        return Point{center.x + rx * std::cos(radians), center.y + ry * std::sin(radians)};
    };
    const double start = startDegrees * degree, sweep = (endDegrees - startDegrees) * degree;
    const Point first = at(start);
    if (path.isEmpty()) {
        path.moveTo(first);
    } else {
        const Point current = path.currentPoint();
        if (std::hypot(current.x - first.x, current.y - first.y) > 1e-9) path.lineTo(first);
    }
    const int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (M_PI / 2) - 1e-9)));
    const double step = sweep / segments;
    // The control points of a cubic that follows a circular arc of `step`.
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    for (int i = 0; i < segments; ++i) {
        const double a0 = start + i * step, a1 = a0 + step;
        const Point p0 = at(a0), p3 = at(a1);
        const Point c1{p0.x - k * rx * std::sin(a0), p0.y + k * ry * std::cos(a0)};
        const Point c2{p3.x + k * rx * std::sin(a1), p3.y - k * ry * std::cos(a1)};
        path.curveTo(p3, c1, c2);
    }
}

}  // namespace drawingkit

using drawingkit::blend;
using drawingkit::CanvasScope;
using drawingkit::neutralGrey;

namespace {

Rect standardized(const Rect& r) {
    Rect s = r;
    if (s.size.width < 0) {
        s.origin.x += s.size.width;
        s.size.width = -s.size.width;
    }
    if (s.size.height < 0) {
        s.origin.y += s.size.height;
        s.size.height = -s.size.height;
    }
    return s;
}

// Fills `path` with a shadow inside it: the shadow of everything outside the
// path, cast inwards, kept to the path's bounding rectangle. `scale` shrinks
// the shadow with the canvas.
void drawInnerShadow(GraphicsContext& c, const BezierPath& path, const platform::Shadow& shadow, double scale) {
    const Color shadowColor = shadow.shadowColor().value_or(Color::black());
    c.saveGraphicsState();
    c.clipToRect(path.bounds());
    c.setShadow(std::nullopt);
    c.setAlpha(shadowColor.alphaComponent());
    c.beginTransparencyLayer();
    {
        const Color opaque = shadowColor.withAlphaComponent(1);
        const Size offset = shadow.shadowOffset();
        c.setShadow(platform::Shadow(opaque, {offset.width * scale, offset.height * scale},
                                     shadow.shadowBlurRadius() * scale));
        c.setBlendMode(platform::BlendMode::sourceOut);
        c.beginTransparencyLayer();
        c.setFillColor(opaque);
        c.fillPath(path);
        c.endTransparencyLayer();
    }
    c.endTransparencyLayer();
    c.restoreGraphicsState();
}

void drawColorCircle(const Rect& frame, long resizing, bool mouseOver, double red, double green, double blue,
                     double alphaBackground, const Color& outlineTint, double outlineFraction, double hoverFraction) {
    CanvasScope canvas(frame, {36, 36}, resizing);
    if (!canvas) return;
    GraphicsContext& c = canvas.context();
    const double shadowScale = std::min(canvas.mappedRect().width() / 36, canvas.mappedRect().height() / 36);

    const Color outlineColor = blend(neutralGrey(), outlineFraction, outlineTint);
    const Color hoverColor = blend(neutralGrey(), hoverFraction, Color::white());
    // Cast downwards (y grows downwards).
    const platform::Shadow shadow(Color::black().withAlphaComponent(0.45), {0, 2}, 6);
    const Color fillColor = Color::sRGB(red, green, blue, alphaBackground);

    // A filled oval with the inner shadow, outlined.
    auto drawDisc = [&](const Rect& oval, const Color& outline, double lineWidth) {
        BezierPath disc = BezierPath::withOvalInRect(oval);
        c.setFillColor(fillColor);
        c.fillPath(disc);
        drawInnerShadow(c, disc, shadow, shadowScale);
        c.setStrokeColor(outline);
        disc.setLineWidth(lineWidth);
        c.strokePath(disc);
    };
    drawDisc(Rect(0.5, 0.5, 35, 35), outlineColor, 1);
    if (mouseOver) drawDisc(Rect(1, 1, 34, 34), hoverColor, 1.5);
}

void drawGroupBox(const Rect& frame, double fillLevel, double fillAlpha, const Color& outlineTint,
                  double outlineFraction) {
    auto* c = GraphicsContext::current();
    if (!c) return;
    const Color fillColor = Color::sRGB(fillLevel, fillLevel, fillLevel, fillAlpha);
    const Color outlineColor = blend(Color::sRGB(0.71, 0.71, 0.71, 0.314), outlineFraction, outlineTint);
    BezierPath box = BezierPath::withRoundedRect(
        Rect(frame.minX() + 2, frame.minY() + 2, frame.width() - 4, frame.height() - 4), 5, 5);
    c->setFillColor(fillColor);
    c->fillPath(box);
    c->setStrokeColor(outlineColor);
    box.setLineWidth(1);
    c->strokePath(box);
}

// The maker's mark: an orange rounded square holding a launch chevron in the
// text colour, and three rounded bars of "lettering" beside it.
void drawLogo(const Rect& frame, long resizing, const Color& textColor) {
    CanvasScope canvas(frame, {227, 43}, resizing);
    if (!canvas) return;
    GraphicsContext& c = canvas.context();

    c.setFillColor(DrawingKit::quandorOrange());
    c.fillPath(BezierPath::withRoundedRect(Rect(0, 0, 43, 43), 9, 9));

    BezierPath chevron;
    chevron.moveTo({14, 10});
    chevron.lineTo({29, 21.5});
    chevron.lineTo({14, 33});
    chevron.lineTo({14, 26.5});
    chevron.lineTo({21, 21.5});
    chevron.lineTo({14, 16.5});
    chevron.closePath();
    BezierPath lettering;
    lettering.appendRoundedRect(Rect(55, 7, 172, 7), 3.5, 3.5);
    lettering.appendRoundedRect(Rect(55, 18, 128, 7), 3.5, 3.5);
    lettering.appendRoundedRect(Rect(55, 29, 150, 7), 3.5, 3.5);
    c.setFillColor(textColor);
    c.fillPath(chevron);
    c.fillPath(lettering);

    // An orange underline under the first bar ties the two halves together.
    c.setFillColor(DrawingKit::quandorOrange());
    c.fillPath(BezierPath::withRoundedRect(Rect(55, 39, 40, 4), 2, 2));
}

}  // namespace

std::optional<DrawingKit::ResizingBehavior> DrawingKit::resizingBehaviorFromRawValue(long rawValue) {
    if (rawValue < 0 || rawValue > 3) return std::nullopt;
    return static_cast<ResizingBehavior>(rawValue);
}

Rect DrawingKit::resizingRect(const Rect& design, const Rect& target, ResizingBehavior behavior) {
    if (design == target || target == Rect()) return design;
    double sx = std::fabs(target.width() / design.width());
    double sy = std::fabs(target.height() / design.height());
    switch (behavior) {
        case ResizingBehavior::aspectFit: sx = sy = std::min(sx, sy); break;
        case ResizingBehavior::aspectFill: sx = sy = std::max(sx, sy); break;
        case ResizingBehavior::stretch: break;
        case ResizingBehavior::center: sx = sy = 1; break;
    }
    Rect result = standardized(design);
    result.size.width *= sx;
    result.size.height *= sy;
    const Rect t = standardized(target);
    result.origin.x = t.minX() + (t.width() - result.width()) / 2;
    result.origin.y = t.minY() + (t.height() - result.height()) / 2;
    return result;
}

const Color& DrawingKit::quandorOrange() {
    static const Color orange = Color::sRGB(1.0, 0.635, 0.0, 1.0);
    return orange;
}

void DrawingKit::drawFreltBackgroundWithFrame(const Rect& frame, double red, double green, double blue,
                                              double alphaBackground, double alphaIndicator, bool drawBackground) {
    auto* c = GraphicsContext::current();
    if (!c) return;
    if (drawBackground) {
        c->setFillColor(Color::sRGB(red, green, blue, alphaBackground));
        c->fillPath(BezierPath::withRoundedRect(frame, 5, 5));
    }
    // The bar keeps its width however narrow the row.
    c->setFillColor(Color::sRGB(red, green, blue, alphaIndicator));
    c->fillPath(BezierPath::withRoundedRect(Rect(frame.minX() + 3, frame.minY() + 2, 7, frame.height() - 4), 3.5, 3.5));
}

void DrawingKit::drawColorCircleDarkUICanvasWithFrame(const Rect& frame, long resizing, bool mouseOver, double red,
                                                      double green, double blue, double alphaBackground) {
    drawColorCircle(frame, resizing, mouseOver, red, green, blue, alphaBackground, Color::black(), 0.2, 0.8);
}

void DrawingKit::drawColorCircleLightUICanvasWithFrame(const Rect& frame, long resizing, bool mouseOver, double red,
                                                       double green, double blue, double alphaBackground) {
    drawColorCircle(frame, resizing, mouseOver, red, green, blue, alphaBackground, Color::white(), 0.4, 1.0);
}

void DrawingKit::drawGroupBoxDarkUICanvasWithFrame(const Rect& frame) {
    drawGroupBox(frame, 0.741, 0.098, Color::white(), 0.1);
}

void DrawingKit::drawGroupBoxLightUICanvasWithFrame(const Rect& frame) {
    drawGroupBox(frame, 1.0, 0.157, Color::black(), 0.3);
}

void DrawingKit::drawQuandorDarkUIWithFrame(const Rect& frame, long resizing) {
    drawLogo(frame, resizing, Color::white());
}

void DrawingKit::drawQuandorLightUIWithFrame(const Rect& frame, long resizing) {
    drawLogo(frame, resizing, Color::black());
}

}  // namespace frelt
