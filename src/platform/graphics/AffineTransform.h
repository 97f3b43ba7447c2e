#pragma once
// A 2-D affine transform as a plain value: x' = a·x + c·y + tx,
// y' = b·x + d·y + ty. Drawing contexts keep one as their current transform;
// paths can be transformed by one.

#include <cmath>
#include <numbers>
#include <optional>

#include "platform/graphics/Geometry.h"

namespace platform {

struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static AffineTransform scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    // Positive angles turn from the x axis towards the y axis (clockwise on
    // screen, where y grows downwards).
    static AffineTransform rotation(double degrees) {
        const double r = degrees * std::numbers::pi / 180.0;
        const double cs = std::cos(r), sn = std::sin(r);
        return {cs, sn, -sn, cs, 0, 0};
    }

    bool operator==(const AffineTransform&) const = default;
    bool isIdentity() const { return *this == AffineTransform{}; }

    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }

    // `first` applied before this transform.
    AffineTransform prepending(const AffineTransform& first) const {
        return {first.a * a + first.b * c,   first.a * b + first.b * d,
                first.c * a + first.d * c,   first.c * b + first.d * d,
                first.tx * a + first.ty * c + tx, first.tx * b + first.ty * d + ty};
    }
    // `then` applied after this transform.
    AffineTransform appending(const AffineTransform& then) const { return then.prepending(*this); }

    // The user-space operations of a drawing context: the new step applies
    // to coordinates before the existing transform does.
    AffineTransform translatedBy(double dx, double dy) const { return prepending(translation(dx, dy)); }
    AffineTransform scaledBy(double sx, double sy) const { return prepending(scaling(sx, sy)); }
    AffineTransform rotatedBy(double degrees) const { return prepending(rotation(degrees)); }

    // None when the transform collapses the plane (determinant 0).
    std::optional<AffineTransform> inverted() const {
        const double det = a * d - b * c;
        if (det == 0 || !std::isfinite(det)) return std::nullopt;
        const double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
        return AffineTransform{ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
    }
};

}  // namespace platform
