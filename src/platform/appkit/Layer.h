#pragma once
// The backing layer of a view as plain state: what the program sets on it is
// kept here and read by the desktop backend when it paints.

#include <memory>
#include <optional>

#include "platform/appkit/Object.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class Layer : public Object {
public:
    Layer() = default;

    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double r) { cornerRadius_ = r; }
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool b) { masksToBounds_ = b; }
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double w) { borderWidth_ = w; }
    double opacity() const { return opacity_; }
    void setOpacity(double o) { opacity_ = o; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool h) { hidden_ = h; }
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> c) { backgroundColor_ = std::move(c); }
    const std::optional<Color>& borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<Color> c) { borderColor_ = std::move(c); }
    Rect frame() const { return frame_; }
    void setFrame(const Rect& r) { frame_ = r; }

private:
    double cornerRadius_ = 0;
    bool masksToBounds_ = false;
    double borderWidth_ = 0;
    double opacity_ = 1;
    bool hidden_ = false;
    Rect frame_;
    std::optional<Color> backgroundColor_;
    std::optional<Color> borderColor_;
};

}  // namespace platform
