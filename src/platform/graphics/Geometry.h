#pragma once
// Points, sizes and rectangles in points. y grows downwards everywhere, so a
// rectangle's origin is its top-left corner and maxY is its bottom edge.

#include <algorithm>
#include <cmath>
#include <ostream>

namespace platform {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
    Point operator+(const Point& o) const { return {x + o.x, y + o.y}; }
    Point operator-(const Point& o) const { return {x - o.x, y - o.y}; }
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
    bool isZero() const { return width == 0 && height == 0; }
};

struct EdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    bool operator==(const EdgeInsets&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(Point o, Size s) : origin(o), size(s) {}
    Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

    bool operator==(const Rect&) const = default;

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    double width() const { return size.width; }
    double height() const { return size.height; }

    bool isEmpty() const { return !(size.width > 0) || !(size.height > 0); }

    // Half-open, like the platform's mouse-in-rect test.
    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    bool contains(const Rect& r) const {
        return !r.isEmpty() && r.minX() >= minX() && r.maxX() <= maxX() && r.minY() >= minY() && r.maxY() <= maxY();
    }
    bool intersects(const Rect& r) const {
        return !isEmpty() && !r.isEmpty() && r.minX() < maxX() && minX() < r.maxX() && r.minY() < maxY() &&
               minY() < r.maxY();
    }
    // Empty (all zero) when they do not overlap.
    Rect intersection(const Rect& r) const {
        if (!intersects(r)) return {};
        const double x0 = std::max(minX(), r.minX()), y0 = std::max(minY(), r.minY());
        const double x1 = std::min(maxX(), r.maxX()), y1 = std::min(maxY(), r.maxY());
        return {x0, y0, x1 - x0, y1 - y0};
    }
    Rect unionWith(const Rect& r) const {
        if (isEmpty()) return r;
        if (r.isEmpty()) return *this;
        const double x0 = std::min(minX(), r.minX()), y0 = std::min(minY(), r.minY());
        const double x1 = std::max(maxX(), r.maxX()), y1 = std::max(maxY(), r.maxY());
        return {x0, y0, x1 - x0, y1 - y0};
    }
    Rect insetBy(double dx, double dy) const { return {minX() + dx, minY() + dy, width() - 2 * dx, height() - 2 * dy}; }
    Rect offsetBy(double dx, double dy) const { return {minX() + dx, minY() + dy, width(), height()}; }
    Rect integral() const {
        const double x0 = std::floor(minX()), y0 = std::floor(minY());
        return {x0, y0, std::ceil(maxX()) - x0, std::ceil(maxY()) - y0};
    }
};

inline std::ostream& operator<<(std::ostream& os, const Point& p) { return os << "{" << p.x << ", " << p.y << "}"; }
inline std::ostream& operator<<(std::ostream& os, const Size& s) {
    return os << "{" << s.width << ", " << s.height << "}";
}
inline std::ostream& operator<<(std::ostream& os, const Rect& r) { return os << "{" << r.origin << ", " << r.size << "}"; }

}  // namespace platform
