#pragma once
// Three operations on images: a symbol in a colour, and rescaled copies; and
// a tinted symbol kept for as long as its image and colour stay the same.

#include <memory>
#include <optional>

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace platform {
class Image;
}

namespace frelt {

// A copy of `image` with every visible pixel in `color`, keeping its own
// opacity, and no longer a template; without a colour, `image` itself.
std::shared_ptr<platform::Image> tinted(const std::shared_ptr<platform::Image>& image,
                                        const std::optional<platform::Color>& color);

// The last tinted image asked for, made again only when the image or the
// colour changed. Views draw their icons at every pass; the same image each
// time both saves the tinting and lets an image view see that nothing
// changed.
class TintedImageCache {
public:
    std::shared_ptr<platform::Image> tinted(const std::shared_ptr<platform::Image>& image,
                                            const std::optional<platform::Color>& color);

private:
    std::shared_ptr<platform::Image> source_;
    std::optional<platform::Color> color_;
    std::shared_ptr<platform::Image> result_;
};

// A new image of `size` that draws the image's representation into its whole
// rectangle each time it is drawn; none when the image has no representation.
std::shared_ptr<platform::Image> resized(const platform::Image& image, platform::Size size);

// The image scaled by the larger of the two ratios to `size`, so that it
// covers `size` (and may exceed it on one axis), each side cut to whole
// points. None for an image without a size or without a representation.
std::shared_ptr<platform::Image> scaledToFit(const platform::Image& image, platform::Size size);

}  // namespace frelt
