#include "platform/appkit/BezierPath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "platform/appkit/GraphicsContext.h"

namespace platform {

namespace {

// The handle length that makes a cubic curve follow a quarter circle.
constexpr double kCircleHandle = 0.5522847498307936;

Point lerp(Point a, Point b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }
double length(Point v) { return std::hypot(v.x, v.y); }
Point scaled(Point v, double s) { return {v.x * s, v.y * s}; }

// Extends [lo, hi] by the extremes of one coordinate of a cubic curve.
void cubicExtremes(double p0, double p1, double p2, double p3, double& lo, double& hi) {
    auto at = [&](double t) {
        const double u = 1 - t;
        return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
    };
    auto take = [&](double t) {
        if (t > 0 && t < 1) {
            const double v = at(t);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    };
    // The derivative, divided by 3: a·t² + b·t + c.
    const double a = -p0 + 3 * p1 - 3 * p2 + p3;
    const double b = 2 * (p0 - 2 * p1 + p2);
    const double c = p1 - p0;
    if (std::abs(a) < 1e-12) {
        if (std::abs(b) > 1e-12) take(-c / b);
        return;
    }
    const double disc = b * b - 4 * a * c;
    if (disc < 0) return;
    const double root = std::sqrt(disc);
    take((-b + root) / (2 * a));
    take((-b - root) / (2 * a));
}

}  // namespace

std::string formatNumber(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", value);
    std::string s(buf);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

BezierPath BezierPath::withRect(const Rect& rect) {
    BezierPath p;
    p.appendRect(rect);
    return p;
}

BezierPath BezierPath::withOvalInRect(const Rect& rect) {
    BezierPath p;
    p.appendOvalInRect(rect);
    return p;
}

BezierPath BezierPath::withRoundedRect(const Rect& rect, double xRadius, double yRadius) {
    BezierPath p;
    p.appendRoundedRect(rect, xRadius, yRadius);
    return p;
}

void BezierPath::moveTo(Point p) { elements_.push_back({BezierPathElement::moveTo, {p, {}, {}}}); }

void BezierPath::lineTo(Point p) {
    if (elements_.empty()) {
        moveTo(p);
        return;
    }
    elements_.push_back({BezierPathElement::lineTo, {p, {}, {}}});
}

void BezierPath::curveTo(Point end, Point controlPoint1, Point controlPoint2) {
    if (elements_.empty()) moveTo(controlPoint1);
    elements_.push_back({BezierPathElement::curveTo, {controlPoint1, controlPoint2, end}});
}

void BezierPath::closePath() {
    if (elements_.empty() || elements_.back().kind == BezierPathElement::closePath) return;
    elements_.push_back({BezierPathElement::closePath, {}});
}

void BezierPath::appendRect(const Rect& r) {
    moveTo({r.minX(), r.minY()});
    lineTo({r.maxX(), r.minY()});
    lineTo({r.maxX(), r.maxY()});
    lineTo({r.minX(), r.maxY()});
    closePath();
}

void BezierPath::appendOvalInRect(const Rect& r) {
    const double rx = r.width() / 2, ry = r.height() / 2;
    const double kx = kCircleHandle * rx, ky = kCircleHandle * ry;
    const double mx = r.midX(), my = r.midY();
    moveTo({r.maxX(), my});
    curveTo({mx, r.maxY()}, {r.maxX(), my + ky}, {mx + kx, r.maxY()});
    curveTo({r.minX(), my}, {mx - kx, r.maxY()}, {r.minX(), my + ky});
    curveTo({mx, r.minY()}, {r.minX(), my - ky}, {mx - kx, r.minY()});
    curveTo({r.maxX(), my}, {mx + kx, r.minY()}, {r.maxX(), my - ky});
    closePath();
}

void BezierPath::appendRoundedRect(const Rect& r, double xRadius, double yRadius) {
    const double rx = std::min(xRadius, r.width() / 2), ry = std::min(yRadius, r.height() / 2);
    if (!(rx > 0) || !(ry > 0)) {
        appendRect(r);
        return;
    }
    const double kx = kCircleHandle * rx, ky = kCircleHandle * ry;
    moveTo({r.minX() + rx, r.minY()});
    lineTo({r.maxX() - rx, r.minY()});
    curveTo({r.maxX(), r.minY() + ry}, {r.maxX() - rx + kx, r.minY()}, {r.maxX(), r.minY() + ry - ky});
    lineTo({r.maxX(), r.maxY() - ry});
    curveTo({r.maxX() - rx, r.maxY()}, {r.maxX(), r.maxY() - ry + ky}, {r.maxX() - rx + kx, r.maxY()});
    lineTo({r.minX() + rx, r.maxY()});
    curveTo({r.minX(), r.maxY() - ry}, {r.minX() + rx - kx, r.maxY()}, {r.minX(), r.maxY() - ry + ky});
    lineTo({r.minX(), r.minY() + ry});
    curveTo({r.minX() + rx, r.minY()}, {r.minX(), r.minY() + ry - ky}, {r.minX() + rx - kx, r.minY()});
    closePath();
}

void BezierPath::appendArcSegments(Point center, double radius, double start, double sweep) {
    const int n = std::max(1, int(std::ceil(std::abs(sweep) / (std::numbers::pi / 2) - 1e-9)));
    const double step = sweep / n;
    const double h = 4.0 / 3.0 * std::tan(step / 4) * radius;
    for (int i = 0; i < n; ++i) {
        const double a = start + i * step, b = a + step;
        const Point pa{center.x + radius * std::cos(a), center.y + radius * std::sin(a)};
        const Point pb{center.x + radius * std::cos(b), center.y + radius * std::sin(b)};
        const Point cp1{pa.x - h * std::sin(a), pa.y + h * std::cos(a)};
        const Point cp2{pb.x + h * std::sin(b), pb.y - h * std::cos(b)};
        curveTo(pb, cp1, cp2);
    }
}

void BezierPath::appendArcFromPoint(Point p1, Point p2, double radius) {
    if (elements_.empty() || !(radius > 0)) {
        lineTo(p1);
        return;
    }
    const Point p0 = currentPoint();
    const Point v1 = p0 - p1, v2 = p2 - p1;
    const double l1 = length(v1), l2 = length(v2);
    if (l1 == 0 || l2 == 0) {
        lineTo(p1);
        return;
    }
    const Point u1 = scaled(v1, 1 / l1), u2 = scaled(v2, 1 / l2);
    const double cosAngle = std::clamp(u1.x * u2.x + u1.y * u2.y, -1.0, 1.0);
    const double angle = std::acos(cosAngle);
    if (angle < 1e-9 || std::numbers::pi - angle < 1e-9) {
        lineTo(p1);
        return;
    }
    const double half = angle / 2;
    const double distance = radius / std::tan(half);
    const Point t1 = p1 + scaled(u1, distance);
    const Point t2 = p1 + scaled(u2, distance);
    const Point bisector = scaled(u1 + u2, 1 / length(u1 + u2));
    const Point center = p1 + scaled(bisector, radius / std::sin(half));
    if (!(t1 == p0)) lineTo(t1);
    const double a0 = std::atan2(t1.y - center.y, t1.x - center.x);
    const double a1 = std::atan2(t2.y - center.y, t2.x - center.x);
    double sweep = a1 - a0;
    while (sweep > std::numbers::pi) sweep -= 2 * std::numbers::pi;
    while (sweep <= -std::numbers::pi) sweep += 2 * std::numbers::pi;
    appendArcSegments(center, radius, a0, sweep);
}

void BezierPath::appendPath(const BezierPath& other) {
    elements_.insert(elements_.end(), other.elements_.begin(), other.elements_.end());
}

void BezierPath::transform(const AffineTransform& t) {
    for (auto& e : elements_) {
        for (auto& p : e.points) p = t.apply(p);
    }
}

BezierPathElement BezierPath::elementAtIndex(std::size_t index, Points* points) const {
    if (index >= elements_.size()) return BezierPathElement::closePath;
    if (points) *points = elements_[index].points;
    return elements_[index].kind;
}

Point BezierPath::currentPoint() const {
    if (elements_.empty()) return {};
    const auto& last = elements_.back();
    switch (last.kind) {
        case BezierPathElement::moveTo:
        case BezierPathElement::lineTo:
            return last.points[0];
        case BezierPathElement::curveTo:
            return last.points[2];
        case BezierPathElement::closePath:
            break;
    }
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
        if (it->kind == BezierPathElement::moveTo) return it->points[0];
    }
    return {};
}

Rect BezierPath::bounds() const {
    bool any = false;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    auto add = [&](Point p) {
        if (!any) {
            x0 = x1 = p.x;
            y0 = y1 = p.y;
            any = true;
            return;
        }
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    };
    Point current;
    Point subpathStart;
    for (const auto& e : elements_) {
        switch (e.kind) {
            case BezierPathElement::moveTo:
                add(e.points[0]);
                current = subpathStart = e.points[0];
                break;
            case BezierPathElement::lineTo:
                add(e.points[0]);
                current = e.points[0];
                break;
            case BezierPathElement::curveTo:
                add(e.points[2]);
                cubicExtremes(current.x, e.points[0].x, e.points[1].x, e.points[2].x, x0, x1);
                cubicExtremes(current.y, e.points[0].y, e.points[1].y, e.points[2].y, y0, y1);
                current = e.points[2];
                break;
            case BezierPathElement::closePath:
                current = subpathStart;
                break;
        }
    }
    return any ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect();
}

Rect BezierPath::controlPointBounds() const {
    bool any = false;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (const auto& e : elements_) {
        const int n = e.kind == BezierPathElement::curveTo ? 3 : e.kind == BezierPathElement::closePath ? 0 : 1;
        for (int i = 0; i < n; ++i) {
            const Point p = e.points[std::size_t(i)];
            if (!any) {
                x0 = x1 = p.x;
                y0 = y1 = p.y;
                any = true;
            }
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        }
    }
    return any ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect();
}

void BezierPath::fill() const {
    if (auto* context = GraphicsContext::current()) context->fillPath(*this);
}

void BezierPath::stroke() const {
    if (auto* context = GraphicsContext::current()) context->strokePath(*this);
}

void BezierPath::addClip() const {
    if (auto* context = GraphicsContext::current()) context->clipToPath(*this);
}

std::string BezierPath::description() const {
    std::string s;
    auto point = [&](Point p) { s += formatNumber(p.x) + " " + formatNumber(p.y); };
    for (const auto& e : elements_) {
        if (!s.empty()) s += ' ';
        switch (e.kind) {
            case BezierPathElement::moveTo:
                s += 'M';
                point(e.points[0]);
                break;
            case BezierPathElement::lineTo:
                s += 'L';
                point(e.points[0]);
                break;
            case BezierPathElement::curveTo:
                s += 'C';
                point(e.points[0]);
                s += ' ';
                point(e.points[1]);
                s += ' ';
                point(e.points[2]);
                break;
            case BezierPathElement::closePath:
                s += 'Z';
                break;
        }
    }
    return s;
}

bool BezierPath::hasSameStructure(const BezierPath& other) const {
    return std::equal(elements_.begin(), elements_.end(), other.elements_.begin(), other.elements_.end(),
                      [](const Element& a, const Element& b) { return a.kind == b.kind; });
}

std::optional<BezierPath> BezierPath::interpolate(const BezierPath& from, const BezierPath& to, double fraction) {
    if (!from.hasSameStructure(to)) return std::nullopt;
    BezierPath result = from;
    for (std::size_t i = 0; i < result.elements_.size(); ++i) {
        for (std::size_t k = 0; k < 3; ++k) {
            result.elements_[i].points[k] = lerp(from.elements_[i].points[k], to.elements_[i].points[k], fraction);
        }
    }
    return result;
}

}  // namespace platform
