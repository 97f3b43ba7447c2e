// The 18 x 18 icons of the drawn buttons and their images. The shapes are
// this program's own, designed y-down on the 18-unit canvas.

#include <cmath>

#include "drawing/DrawingKit.h"
#include "drawing/DrawingKitShapes.h"
#include "platform/appkit/Image.h"

namespace frelt {

using drawingkit::appendArc;
using drawingkit::blend;
using drawingkit::CanvasScope;
using drawingkit::controlGrey;
using drawingkit::neutralGrey;
using platform::BezierPath;
using platform::Color;
using platform::GraphicsContext;
using platform::LineCapStyle;
using platform::LineJoinStyle;
using platform::Point;
using platform::Rect;

namespace {

constexpr platform::Size iconCanvas{18, 18};
constexpr Point canvasCenter{9, 9};

Color signalRed() { return Color::sRGB(1.0, 0.0, 0.0, 1.0); }
Color starYellow() { return Color::sRGB(0.999, 0.986, 0.0, 1.0); }

Point polar(Point center, double radius, double degrees) {
    const double a = degrees * M_PI / 180;
    return {center.x + radius * std::cos(a), center.y + radius * std::sin(a)};
}

void fill(GraphicsContext& c, const BezierPath& path, const Color& color) {
    c.setFillColor(color);
    c.fillPath(path);
}

void stroke(GraphicsContext& c, const BezierPath& path, const Color& color) {
    c.setStrokeColor(color);
    c.strokePath(path);
}

BezierPath openPath(std::initializer_list<Point> points, double width, LineCapStyle cap = LineCapStyle::butt,
                    LineJoinStyle join = LineJoinStyle::miter) {
    BezierPath p;
    bool first = true;
    for (Point pt : points) {
        if (first) p.moveTo(pt);
        else p.lineTo(pt);
        first = false;
    }
    p.setLineWidth(width);
    p.setLineCapStyle(cap);
    p.setLineJoinStyle(join);
    return p;
}

// Eight teeth round the centre, the four on the axes reaching to 0.77 from
// the canvas edge; a ring-shaped opening round a central dot (even-odd).
BezierPath cogPath() {
    constexpr double tipRadius = 9 - 0.77, rootRadius = 6.4;
    constexpr double tipHalf = 11, rootHalf = 16;  // degrees either side of a tooth's axis
    BezierPath p;
    p.moveTo(polar(canvasCenter, rootRadius, -90 - rootHalf));
    for (int tooth = 0; tooth < 8; ++tooth) {
        const double axis = tooth * 45.0 - 90;
        p.lineTo(polar(canvasCenter, tipRadius, axis - tipHalf));
        appendArc(p, canvasCenter, tipRadius, tipRadius, axis - tipHalf, axis + tipHalf);
        p.lineTo(polar(canvasCenter, rootRadius, axis + rootHalf));
        appendArc(p, canvasCenter, rootRadius, rootRadius, axis + rootHalf, axis + 45 - rootHalf);
    }
    p.closePath();
    p.appendOvalInRect(Rect(9 - 4.11, 9 - 4.11, 8.22, 8.22));
    p.appendOvalInRect(Rect(9 - 2.06, 9 - 2.06, 4.12, 4.12));
    p.setWindingRule(platform::WindingRule::evenOdd);
    return p;
}

// A ring 2.1 wide round the centre, open at the top with round ends, and a
// stem of the same width with round ends in the gap, from y 0.58 to the
// centre.
BezierPath powerPath() {
    constexpr double width = 2.1, outer = 8.2, inner = outer - width, middle = (outer + inner) / 2;
    constexpr double gapStart = -50, gapEnd = 230;  // the ring runs clockwise round the bottom
    BezierPath p;
    appendArc(p, canvasCenter, outer, outer, gapStart, gapEnd);
    appendArc(p, polar(canvasCenter, middle, gapEnd), width / 2, width / 2, gapEnd, gapEnd + 180);
    appendArc(p, canvasCenter, inner, inner, gapEnd, gapStart);
    appendArc(p, polar(canvasCenter, middle, gapStart), width / 2, width / 2, gapStart + 180, gapStart + 360);
    p.closePath();
    p.appendRoundedRect(Rect(9 - width / 2, 0.58, width, 9 - 0.58), width / 2, width / 2);
    p.setWindingRule(platform::WindingRule::evenOdd);
    return p;
}

BezierPath barsPath() {
    BezierPath p;
    p.appendRoundedRect(Rect(2, 2, 14, 3), 1.5, 1.5);
    p.appendRoundedRect(Rect(2, 7.38, 14, 3.24), 1.62, 1.62);
    p.appendRoundedRect(Rect(2, 12.77, 14, 3.23), 1.615, 1.615);
    return p;
}

// The eye's almond, corner to corner over the top (y 4) and back under the
// bottom (y 14).
BezierPath eyeOutline() {
    BezierPath p;
    p.moveTo({1.32, 9});
    p.curveTo({17.18, 9}, {5.285, 2.3333}, {13.215, 2.3333});
    p.curveTo({1.32, 9}, {13.215, 15.6667}, {5.285, 15.6667});
    p.closePath();
    p.setLineWidth(1);
    p.setLineJoinStyle(LineJoinStyle::round);
    return p;
}

constexpr Point irisCenter{9.25, 9};
constexpr double irisRadiusX = 3.1, irisRadiusY = 3;

// The almond and the iris with gaps of about a unit either side of where the
// diagonal x + y = 18 crosses them: the pieces of the almond's two curves
// outside the gaps, and the iris's two arcs.
BezierPath brokenEyeOutline() {
    BezierPath p;
    p.moveTo({1.32, 9});
    p.curveTo({12.074, 4.513}, {3.937, 4.599}, {8.282, 3.104});
    p.moveTo({13.939, 5.476});
    p.curveTo({17.18, 9}, {15.163, 6.303}, {16.275, 7.478});
    p.curveTo({6.068, 13.345}, {14.48, 13.54}, {9.942, 14.988});
    p.moveTo({4.268, 12.317});
    p.curveTo({1.32, 9}, {3.16, 11.505}, {2.152, 10.4});
    p.setLineWidth(1);
    p.setLineCapStyle(LineCapStyle::round);
    p.setLineJoinStyle(LineJoinStyle::round);
    return p;
}

BezierPath brokenIris() {
    BezierPath p;
    appendArc(p, irisCenter, irisRadiusX, irisRadiusY, 329.72 - 360, 118.41);
    BezierPath lower;
    appendArc(lower, irisCenter, irisRadiusX, irisRadiusY, 156.76, 291.37);
    p.appendPath(lower);
    p.setLineWidth(1);
    p.setLineCapStyle(LineCapStyle::round);
    return p;
}

BezierPath starPath() {
    BezierPath p;
    p.moveTo({9.25, 1.35});
    for (Point pt : {Point{11.25, 6.5}, Point{16.76, 6.81}, Point{12.48, 10.3}, Point{13.89, 15.64}, Point{9.25, 12.65},
                     Point{4.61, 15.64}, Point{6.02, 10.3}, Point{1.74, 6.81}, Point{7.25, 6.5}})
        p.lineTo(pt);
    p.closePath();
    p.setLineWidth(1);
    return p;
}

void drawStar(const Rect& frame, long resizing, bool mouseOver, bool isChecked, const Color& outlineTint,
              double outlineFraction, double hoverFraction) {
    CanvasScope canvas(frame, iconCanvas, resizing);
    if (!canvas) return;
    GraphicsContext& c = canvas.context();
    const Color outlineColor = blend(neutralGrey(), outlineFraction, outlineTint);
    const Color hoverColor = blend(neutralGrey(), hoverFraction, Color::white());
    const BezierPath star = starPath();
    stroke(c, star, outlineColor);
    if (isChecked) {
        fill(c, star, starYellow());
        stroke(c, star, outlineColor);
    }
    if (mouseOver) stroke(c, star, hoverColor);
}

// A 18 x 18 image whose handler draws `routine` into its own rectangle.
template <class Routine>
std::shared_ptr<platform::Image> iconImage(bool flipped, Routine routine) {
    return platform::Image::imageWithSize({18, 18}, flipped, [routine](const Rect&) {
        routine(Rect(0, 0, 18, 18));
        return true;
    });
}

}  // namespace

void DrawingKit::drawIcon_settingCanvasWithFrame(const Rect& frame, long resizing, bool mouseOver) {
    CanvasScope canvas(frame, iconCanvas, resizing);
    if (!canvas) return;
    fill(canvas.context(), cogPath(), neutralGrey());
    if (mouseOver) fill(canvas.context(), cogPath(), quandorOrange());
}

void DrawingKit::drawIcon_exitCanvasWithFrame(const Rect& frame, long resizing, bool mouseOver) {
    CanvasScope canvas(frame, iconCanvas, resizing);
    if (!canvas) return;
    fill(canvas.context(), powerPath(), neutralGrey());
    if (mouseOver) fill(canvas.context(), powerPath(), quandorOrange());
}

void DrawingKit::drawIcon_deleteCanvasWithFrame(const Rect& frame, long resizing, bool mouseOver) {
    CanvasScope canvas(frame, iconCanvas, resizing);
    if (!canvas) return;
    GraphicsContext& c = canvas.context();
    auto drawBin = [&](const Color& strokeColor) {
        const BezierPath lid = openPath({{2, 3.33}, {16, 3.33}}, 1, LineCapStyle::round);
        const BezierPath body = openPath({{3.65, 3.31}, {4.57, 16.75}, {13.37, 16.75}, {14.41, 3.31}}, 1,
                                         LineCapStyle::butt, LineJoinStyle::round);
        const BezierPath leftRib = openPath({{7.79, 5.33}, {7.81, 15.08}}, 0.8);
        const BezierPath rightRib = openPath({{10.1, 5.33}, {10.13, 15.08}}, 0.8);
        const BezierPath handle = openPath({{6.63, 3.33}, {6.66, 0.75}, {11.4, 0.75}, {11.4, 3.31}}, 1,
                                           LineCapStyle::butt, LineJoinStyle::round);
        fill(c, lid, controlGrey());
        stroke(c, lid, strokeColor);
        stroke(c, body, strokeColor);
        fill(c, leftRib, controlGrey());
        stroke(c, leftRib, strokeColor);
        stroke(c, rightRib, strokeColor);
        stroke(c, handle, strokeColor);
    };
    drawBin(controlGrey());
    if (mouseOver) drawBin(signalRed());
}

void DrawingKit::drawIcon_menuCanvasWithFrame(const Rect& frame, long resizing, bool mouseOver, double red,
                                              double green, double blue, double alphaBackground) {
    CanvasScope canvas(frame, iconCanvas, resizing);
    if (!canvas) return;
    fill(canvas.context(), barsPath(), controlGrey());
    if (mouseOver) fill(canvas.context(), barsPath(), Color::sRGB(red, green, blue, alphaBackground));
}

void DrawingKit::drawIcon_visibleCanvasWithFrame(const Rect& frame, long resizing, bool isChecked) {
    CanvasScope canvas(frame, iconCanvas, resizing);
    if (!canvas) return;
    GraphicsContext& c = canvas.context();
    if (isChecked) {
        stroke(c, eyeOutline(), neutralGrey());
        BezierPath iris = BezierPath::withOvalInRect(Rect(6.15, 6, 6.2, 6));
        iris.setLineWidth(1);
        stroke(c, iris, neutralGrey());
        // An open three-quarter circle from the top round the right, the
        // bottom and the left.
        BezierPath pupil;
        appendArc(pupil, {9.25, 9.025}, 1.43, 1.43, -90, 180);
        pupil.setLineWidth(1);
        pupil.setLineCapStyle(LineCapStyle::round);
        pupil.setLineJoinStyle(LineJoinStyle::round);
        stroke(c, pupil, neutralGrey());
    }
    stroke(c, brokenEyeOutline(), neutralGrey());
    stroke(c, brokenIris(), neutralGrey());
    stroke(c, openPath({{15, 3}, {3, 15}}, 1, LineCapStyle::round), signalRed());
}

void DrawingKit::drawIcon_favoriteLightUICanvasWithFrame(const Rect& frame, long resizing, bool mouseOver,
                                                         bool isChecked) {
    drawStar(frame, resizing, mouseOver, isChecked, Color::white(), 0.4, 1.0);
}

void DrawingKit::drawIcon_favoriteDarkUICanvasWithFrame(const Rect& frame, long resizing, bool mouseOver,
                                                        bool isChecked) {
    drawStar(frame, resizing, mouseOver, isChecked, Color::black(), 0.2, 0.8);
}

std::shared_ptr<platform::Image> DrawingKit::imageOfIcon_settingCanvasWithMouseOver(bool mouseOver) {
    return iconImage(false, [mouseOver](const Rect& r) { drawIcon_settingCanvasWithFrame(r, 0, mouseOver); });
}

std::shared_ptr<platform::Image> DrawingKit::imageOfIcon_exitCanvasWithMouseOver(bool mouseOver) {
    return iconImage(true, [mouseOver](const Rect& r) { drawIcon_exitCanvasWithFrame(r, 0, mouseOver); });
}

std::shared_ptr<platform::Image> DrawingKit::imageOfIcon_deleteCanvasWithMouseOver(bool mouseOver) {
    return iconImage(true, [mouseOver](const Rect& r) { drawIcon_deleteCanvasWithFrame(r, 0, mouseOver); });
}

std::shared_ptr<platform::Image> DrawingKit::imageOfIcon_visibleCanvasWithIsChecked(bool isChecked) {
    return iconImage(true, [isChecked](const Rect& r) { drawIcon_visibleCanvasWithFrame(r, 0, isChecked); });
}

std::shared_ptr<platform::Image> DrawingKit::imageOfIcon_favoriteLightUICanvasWithMouseOver(bool mouseOver,
                                                                                            bool isChecked) {
    return iconImage(true, [=](const Rect& r) { drawIcon_favoriteLightUICanvasWithFrame(r, 0, mouseOver, isChecked); });
}

std::shared_ptr<platform::Image> DrawingKit::imageOfIcon_favoriteDarkUICanvasWithMouseOver(bool mouseOver,
                                                                                           bool isChecked) {
    return iconImage(true, [=](const Rect& r) { drawIcon_favoriteDarkUICanvasWithFrame(r, 0, mouseOver, isChecked); });
}

}  // namespace frelt
