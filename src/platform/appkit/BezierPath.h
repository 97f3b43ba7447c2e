#pragma once
// A path of lines and cubic curves with its stroke settings, as a value.
// fill, stroke and addClip draw into the current graphics context (nothing
// happens without one). Geometry is y-down like everything in the kit.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/Geometry.h"

namespace platform {

// The element kinds, with the platform's raw values.
enum class BezierPathElement : int { moveTo = 0, lineTo = 1, curveTo = 2, closePath = 3 };
enum class WindingRule : int { nonZero = 0, evenOdd = 1 };
enum class LineCapStyle : int { butt = 0, round = 1, square = 2 };
enum class LineJoinStyle : int { miter = 0, round = 1, bevel = 2 };

class BezierPath {
public:
    // The points of one element: moveTo and lineTo use [0]; curveTo holds the
    // two control points in [0] and [1] and the end point in [2].
    using Points = std::array<Point, 3>;
    struct Element {
        BezierPathElement kind = BezierPathElement::moveTo;
        Points points{};
        bool operator==(const Element&) const = default;
    };

    BezierPath() = default;
    static BezierPath withRect(const Rect& rect);
    static BezierPath withOvalInRect(const Rect& rect);
    // Radii larger than half the rectangle are cut to half of it.
    static BezierPath withRoundedRect(const Rect& rect, double xRadius, double yRadius);

    // --- construction
    void moveTo(Point p);
    // Without a current point, lines and curves start a subpath where they begin.
    void lineTo(Point p);
    void curveTo(Point end, Point controlPoint1, Point controlPoint2);
    void closePath();
    void appendRect(const Rect& rect);
    void appendOvalInRect(const Rect& rect);
    void appendRoundedRect(const Rect& rect, double xRadius, double yRadius);
    // A tangent arc: a line from the current point towards `p1`, then an arc of
    // `radius` that turns onto the line from `p1` to `p2` (as far as where the
    // arc meets it). Degenerate corners (no current point, a zero radius,
    // collinear points) become a line to `p1`.
    void appendArcFromPoint(Point p1, Point p2, double radius);
    void appendPath(const BezierPath& other);
    void removeAllPoints() { elements_.clear(); }
    void transform(const AffineTransform& t);

    // --- reading
    bool isEmpty() const { return elements_.empty(); }
    std::size_t elementCount() const { return elements_.size(); }
    // The kind of element `index` and, when `points` is given, its points
    // (see Points). An index past the end reads as a close.
    BezierPathElement elementAtIndex(std::size_t index, Points* points = nullptr) const;
    const std::vector<Element>& elements() const { return elements_; }
    // The end point of the last element (the subpath's start after a close).
    Point currentPoint() const;
    // The smallest rectangle holding the path's curves (control points that
    // lie outside the curve do not count).
    Rect bounds() const;
    Rect controlPointBounds() const;

    // --- stroke and fill settings
    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double w) { lineWidth_ = w; }
    LineCapStyle lineCapStyle() const { return lineCap_; }
    void setLineCapStyle(LineCapStyle s) { lineCap_ = s; }
    LineJoinStyle lineJoinStyle() const { return lineJoin_; }
    void setLineJoinStyle(LineJoinStyle s) { lineJoin_ = s; }
    double miterLimit() const { return miterLimit_; }
    void setMiterLimit(double m) { miterLimit_ = m; }
    WindingRule windingRule() const { return windingRule_; }
    void setWindingRule(WindingRule r) { windingRule_ = r; }

    // --- drawing into the current graphics context
    void fill() const;
    void stroke() const;
    // Intersects the current clip with the path's area.
    void addClip() const;

    // "M1 2 L3 4 C5 6 7 8 9 10 Z": the elements with numbers to four decimals.
    std::string description() const;
    // Whether both paths have the same element kinds in the same order, so
    // that their points can be blended one by one.
    bool hasSameStructure(const BezierPath& other) const;
    // Each point moved `fraction` of the way towards the other path's; none
    // when the structures differ. The settings are this path's.
    static std::optional<BezierPath> interpolate(const BezierPath& from, const BezierPath& to, double fraction);

    bool operator==(const BezierPath&) const = default;

private:
    void ensureStart(Point p);
    void appendArcSegments(Point center, double radius, double startRadians, double sweepRadians);

    std::vector<Element> elements_;
    double lineWidth_ = 1;
    LineCapStyle lineCap_ = LineCapStyle::butt;
    LineJoinStyle lineJoin_ = LineJoinStyle::miter;
    double miterLimit_ = 10;
    WindingRule windingRule_ = WindingRule::nonZero;
};

// A number with at most four decimals and no trailing zeros ("0.5", "-3",
// "1.0607"), as the kit writes them in recordings and descriptions.
std::string formatNumber(double value);

}  // namespace platform
