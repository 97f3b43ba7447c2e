#include "platform/appkit/ImageView.h"

#include <algorithm>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"

namespace platform {

Rect ImageView::imageRect() const {
    const Rect b = bounds();
    if (!image_) return {};
    Size s = image_->size();
    if (s.width <= 0 || s.height <= 0) return b;
    switch (scaling_) {
        case ImageScaling::axesIndependently: return b;
        case ImageScaling::none: break;
        case ImageScaling::proportionallyDown:
        case ImageScaling::proportionallyUpOrDown: {
            double f = std::min(b.width() / s.width, b.height() / s.height);
            if (scaling_ == ImageScaling::proportionallyDown) f = std::min(f, 1.0);
            s = {s.width * f, s.height * f};
            break;
        }
    }
    double x = b.midX() - s.width / 2, y = b.midY() - s.height / 2;
    switch (alignment_) {
        case ImageAlignment::left:
        case ImageAlignment::topLeft:
        case ImageAlignment::bottomLeft: x = b.minX(); break;
        case ImageAlignment::right:
        case ImageAlignment::topRight:
        case ImageAlignment::bottomRight: x = b.maxX() - s.width; break;
        default: break;
    }
    switch (alignment_) {
        case ImageAlignment::top:
        case ImageAlignment::topLeft:
        case ImageAlignment::topRight: y = b.minY(); break;
        case ImageAlignment::bottom:
        case ImageAlignment::bottomLeft:
        case ImageAlignment::bottomRight: y = b.maxY() - s.height; break;
        default: break;
    }
    return Rect(x, y, s.width, s.height);
}

void ImageView::drawRect(const Rect&) {
    if (!image_ || !GraphicsContext::current()) return;
    // A template image is a shape to colour: without a tint of its own it
    // takes the label colour of the current appearance, so that it shows
    // light on a dark palette as text does.
    std::optional<Color> tint;
    if (image_->isTemplate()) tint = tint_.value_or(Color::named("System", "labelColor", Color::calibratedWhite(0, 0.85)));
    image_->drawInRect(imageRect(), CompositingOperation::sourceOver, isEnabled() ? 1.0 : 0.5, tint);
}

}  // namespace platform
