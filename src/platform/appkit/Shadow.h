#pragma once
// A drop shadow as a value: colour, offset and blur radius. `set` makes it
// the current graphics context's shadow for what is drawn next.
//
// The offset is kept as given. Offsets written for y-up drawing (negative y
// casts the shadow downwards there) are flipped by their users, since the
// kit draws y-down.

#include <optional>

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class Shadow {
public:
    // Black at a third of full opacity, no offset, no blur (as the platform
    // makes a new shadow).
    Shadow() : color_(Color::black().withAlphaComponent(1.0 / 3.0)) {}
    Shadow(std::optional<Color> color, Size offset, double blurRadius)
        : color_(std::move(color)), offset_(offset), blurRadius_(blurRadius) {}

    const std::optional<Color>& shadowColor() const { return color_; }
    void setShadowColor(std::optional<Color> c) { color_ = std::move(c); }
    Size shadowOffset() const { return offset_; }
    void setShadowOffset(Size s) { offset_ = s; }
    double shadowBlurRadius() const { return blurRadius_; }
    void setShadowBlurRadius(double r) { blurRadius_ = r; }

    // Makes this the current context's shadow (nothing without a context).
    void set() const;

    bool operator==(const Shadow&) const = default;

private:
    std::optional<Color> color_;
    Size offset_;
    double blurRadius_ = 0;
};

}  // namespace platform
