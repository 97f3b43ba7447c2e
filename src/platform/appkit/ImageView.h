#pragma once
// A control that shows an image.

#include <memory>
#include <string>

#include "platform/appkit/Control.h"

namespace platform {

class Image;

enum class ImageScaling : int { proportionallyDown = 0, axesIndependently = 1, none = 2, proportionallyUpOrDown = 3 };
enum class ImageAlignment : int { center = 0, top = 1, topLeft = 2, topRight = 3, left = 4, bottom = 5, bottomLeft = 6, bottomRight = 7, right = 8 };
enum class ImageFrameStyle : int { none = 0, photo = 1, grayBezel = 2, groove = 3, button = 4 };

class ImageView : public Control {
public:
    explicit ImageView(Rect frame = {}) : Control(frame) {}

    std::shared_ptr<Image> image() const { return image_; }
    // The same image again (the same object) repaints nothing.
    void setImage(std::shared_ptr<Image> image) {
        if (image == image_) return;
        image_ = std::move(image);
        setNeedsDisplay(true);
    }
    // The name the image was loaded by, for the backend and tests.
    const std::string& imageName() const { return imageName_; }
    void setImageName(std::string name) {
        if (name == imageName_) return;
        imageName_ = std::move(name);
        setNeedsDisplay(true);
    }
    ImageScaling imageScaling() const { return scaling_; }
    void setImageScaling(ImageScaling s) { scaling_ = s; }
    ImageAlignment imageAlignment() const { return alignment_; }
    void setImageAlignment(ImageAlignment a) { alignment_ = a; }
    ImageFrameStyle imageFrameStyle() const { return frameStyle_; }
    void setImageFrameStyle(ImageFrameStyle s) { frameStyle_ = s; }
    bool animates() const { return animates_; }
    void setAnimates(bool b) { animates_ = b; }
    const std::optional<Color>& contentTintColor() const { return tint_; }
    void setContentTintColor(std::optional<Color> c) { tint_ = std::move(c); }

    // The image scaled and aligned in the bounds.
    void drawRect(const Rect& dirtyRect) override;
    // Where the image lands in `bounds` by the scaling and the alignment.
    Rect imageRect() const;

private:
    std::shared_ptr<Image> image_;
    std::string imageName_;
    ImageScaling scaling_ = ImageScaling::proportionallyDown;
    ImageAlignment alignment_ = ImageAlignment::center;
    ImageFrameStyle frameStyle_ = ImageFrameStyle::none;
    bool animates_ = true;
    std::optional<Color> tint_;
};

}  // namespace platform
