#pragma once
// Images and their representations.
//
// An image has a size in points and one or more representations, the first
// of which is drawn:
// - BitmapImageRep: pixels from a file or encoded data, which the desktop
//   backend decodes when it paints; or a cache of drawing (a view snapshot,
//   or what was drawn between lockFocus and unlockFocus), kept as a display
//   list and played back wherever the image is drawn.
// - CustomImageRep: a drawing handler run each time the image is drawn.
//
// Drawing an image composites it as one picture (a transparency layer), so
// compositing inside it (a tint in source-atop) works on the image's own
// pixels. A template image drawn with a tint colour takes that colour,
// keeping its own opacity.
//
// Named images come from the ImageRegistry, which the program fills; its
// loaders (the resource folder's, the desktop's icon theme) make the rest.
//
// All drawing is y-down. The "flipped" flag of a handler image is kept but
// changes nothing: the shapes handed to handlers are already drawn y-down.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Object.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class ImageRep : public std::enable_shared_from_this<ImageRep> {
public:
    virtual ~ImageRep() = default;

    Size size() const { return size_; }
    void setSize(Size s) { size_ = s; }
    // Draws the whole representation scaled into `rect` of the current
    // context; false without a context or when nothing was drawn.
    bool drawInRect(const Rect& rect) const;
    virtual bool draw(GraphicsContext& context, const Rect& rect) const = 0;

protected:
    explicit ImageRep(Size size) : size_(size) {}

private:
    Size size_;
};

class BitmapImageRep : public ImageRep {
public:
    // Pixels the backend reads from a file.
    static std::shared_ptr<BitmapImageRep> withContentsOfFile(std::string path, Size size);
    // Encoded pixels (PNG and the like).
    static std::shared_ptr<BitmapImageRep> withData(Data data, Size size);
    // An empty cache of drawing, filled by View::cacheDisplayInRect or lockFocus.
    static std::shared_ptr<BitmapImageRep> forCaching(Size size);

    const std::string& path() const { return path_; }
    const Data& data() const { return data_; }
    bool isCache() const { return cache_ != nullptr; }
    // The cached drawing (none for file and data bitmaps); drawing into it
    // fills the cache.
    RecordingGraphicsContext* cachedDrawing() const { return cache_.get(); }
    // The file's name, "data of N bytes", or "cache W×H".
    std::string description() const;

    bool draw(GraphicsContext& context, const Rect& rect) const override;

private:
    explicit BitmapImageRep(Size size) : ImageRep(size) {}

    std::string path_;
    Data data_;
    std::shared_ptr<RecordingGraphicsContext> cache_;
};

class CustomImageRep : public ImageRep {
public:
    // Answers whether it drew; gets the image's own rectangle (0, 0, size).
    using DrawingHandler = std::function<bool(const Rect& destination)>;
    CustomImageRep(Size size, bool flipped, DrawingHandler handler)
        : ImageRep(size), flipped_(flipped), handler_(std::move(handler)) {}

    bool isFlipped() const { return flipped_; }
    bool draw(GraphicsContext& context, const Rect& rect) const override;

private:
    bool flipped_;
    DrawingHandler handler_;
};

class Image : public Object {
public:
    using DrawingHandler = CustomImageRep::DrawingHandler;

    // An image of `size` without representations (it draws nothing).
    explicit Image(Size size = {}) : size_(size) {}
    // The registry's image of that name (the same object each time); none
    // when the name is unknown.
    static std::shared_ptr<Image> imageNamed(const std::string& name);
    // An image drawn by `handler` each time it is drawn.
    static std::shared_ptr<Image> imageWithSize(Size size, bool flipped, DrawingHandler handler);
    static std::shared_ptr<Image> withContentsOfFile(const std::string& path, Size size);
    static std::shared_ptr<Image> withRepresentation(const std::shared_ptr<ImageRep>& rep);

    Size size() const { return size_; }
    void setSize(Size s) { size_ = s; }
    const std::string& name() const { return name_; }
    void setName(std::string n) { name_ = std::move(n); }
    bool isTemplate() const { return template_; }
    void setTemplate(bool b) { template_ = b; }
    const std::vector<std::shared_ptr<ImageRep>>& representations() const { return reps_; }
    void addRepresentation(const std::shared_ptr<ImageRep>& rep);
    void removeRepresentation(const std::shared_ptr<ImageRep>& rep);
    // The representation drawn for `rect`: the first one; none without any.
    std::shared_ptr<ImageRep> bestRepresentationForRect(const Rect& rect) const;

    // A new image with the same size, template flag and representations
    // (shared: representations do not change once made).
    std::shared_ptr<Image> copy() const;

    // Drawing into the image: between the two, the current context draws on
    // top of the image's picture, which becomes a cache of the result.
    void lockFocus();
    void unlockFocus();

    // Draws the image scaled into `rect` of the current context, composited
    // by `operation` at `fraction` opacity. A template image with a tint is
    // drawn in that colour.
    void drawInRect(const Rect& rect, CompositingOperation operation = CompositingOperation::sourceOver,
                    double fraction = 1, const std::optional<Color>& templateTint = std::nullopt) const;

    // The name, else "image W×H".
    std::string description() const;

private:
    Size size_;
    std::string name_;
    bool template_ = false;
    std::vector<std::shared_ptr<ImageRep>> reps_;
    std::shared_ptr<BitmapImageRep> focusRep_;
    std::unique_ptr<GraphicsContext::Scope> focusScope_;
};

// The named images of the program. Images registered by name, else made by
// the loader on first request and kept; a single instance, so every test
// starts with an empty one.
class ImageRegistry {
public:
    using Loader = std::function<std::shared_ptr<Image>(const std::string& name)>;

    static std::shared_ptr<ImageRegistry> shared();

    void registerImage(const std::string& name, const std::shared_ptr<Image>& image);
    // The only loader from now on (null: none).
    void setLoader(Loader loader);
    // One more loader, asked after the earlier ones found nothing (the
    // desktop backend's resource folder, the icon theme).
    void addLoader(Loader loader);
    std::shared_ptr<Image> imageNamed(const std::string& name);
    void removeAll() { images_.clear(); }

private:
    std::map<std::string, std::shared_ptr<Image>> images_;
    std::vector<Loader> loaders_;
};

}  // namespace platform
