#include "drawing/ImageHelpers.h"

#include <cmath>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"

namespace frelt {

using platform::Image;
using platform::Rect;
using platform::Size;

std::shared_ptr<Image> tinted(const std::shared_ptr<Image>& image, const std::optional<platform::Color>& color) {
    if (!color || !image) return image;
    auto copy = image->copy();
    copy->lockFocus();
    platform::setColor(*color);
    platform::rectFillUsingOperation(Rect({0, 0}, copy->size()), platform::CompositingOperation::sourceAtop);
    copy->unlockFocus();
    copy->setTemplate(false);
    return copy;
}

std::shared_ptr<Image> TintedImageCache::tinted(const std::shared_ptr<Image>& image,
                                                 const std::optional<platform::Color>& color) {
    if (!color || !image) return image;
    if (!result_ || image != source_ || !(color == color_)) {
        source_ = image;
        color_ = color;
        result_ = frelt::tinted(image, color);
    }
    return result_;
}

std::shared_ptr<Image> resized(const Image& image, Size size) {
    auto rep = image.bestRepresentationForRect(Rect({0, 0}, size));
    if (!rep) return nullptr;
    // The handler keeps the representation and draws it afresh every time.
    return Image::imageWithSize(size, false, [rep, size](const Rect&) { return rep->drawInRect(Rect({0, 0}, size)); });
}

std::shared_ptr<Image> scaledToFit(const Image& image, Size size) {
    const Size original = image.size();
    // Without a size there is no ratio to scale by.
    if (!(original.width > 0) || !(original.height > 0)) return nullptr;
    const double ratio = std::max(size.width / original.width, size.height / original.height);
    return resized(image, {std::floor(ratio * original.width), std::floor(ratio * original.height)});
}

}  // namespace frelt
