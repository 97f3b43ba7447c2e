#include "platform/appkit/Image.h"

#include <algorithm>

#include "platform/appkit/View.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {

std::string sizeText(Size s) { return formatNumber(s.width) + "x" + formatNumber(s.height); }

// Maps (0, 0, size) onto `rect` and clips to it; the caller restores.
void enterRect(GraphicsContext& context, Size size, const Rect& rect) {
    if (!(rect.origin == Point{})) context.translate(rect.minX(), rect.minY());
    if (size.width > 0 && size.height > 0 && !(rect.size == size))
        context.scale(rect.width() / size.width, rect.height() / size.height);
    context.clipToRect(Rect({0, 0}, size));
}

}  // namespace

// --- representations

bool ImageRep::drawInRect(const Rect& rect) const {
    auto* context = GraphicsContext::current();
    return context && draw(*context, rect);
}

std::shared_ptr<BitmapImageRep> BitmapImageRep::withContentsOfFile(std::string path, Size size) {
    auto rep = std::shared_ptr<BitmapImageRep>(new BitmapImageRep(size));
    rep->path_ = std::move(path);
    return rep;
}

std::shared_ptr<BitmapImageRep> BitmapImageRep::withData(Data data, Size size) {
    auto rep = std::shared_ptr<BitmapImageRep>(new BitmapImageRep(size));
    rep->data_ = std::move(data);
    return rep;
}

std::shared_ptr<BitmapImageRep> BitmapImageRep::forCaching(Size size) {
    auto rep = std::shared_ptr<BitmapImageRep>(new BitmapImageRep(size));
    rep->cache_ = std::make_shared<RecordingGraphicsContext>();
    return rep;
}

std::string BitmapImageRep::description() const {
    if (!path_.empty()) {
        const auto slash = path_.find_last_of('/');
        return slash == std::string::npos ? path_ : path_.substr(slash + 1);
    }
    if (cache_) return "cache " + sizeText(size());
    return "data of " + std::to_string(data_.size()) + " bytes";
}

bool BitmapImageRep::draw(GraphicsContext& context, const Rect& rect) const {
    if (!cache_) {
        if (path_.empty() && data_.empty()) return false;
        context.drawBitmap(*this, rect);
        return true;
    }
    context.saveGraphicsState();
    enterRect(context, size(), rect);
    cache_->replay(context);
    context.restoreGraphicsState();
    return true;
}

bool CustomImageRep::draw(GraphicsContext& context, const Rect& rect) const {
    if (!handler_) return false;
    context.saveGraphicsState();
    enterRect(context, size(), rect);
    bool drew = false;
    {
        GraphicsContext::Scope scope(context);
        drew = handler_(Rect({0, 0}, size()));
    }
    context.restoreGraphicsState();
    return drew;
}

// --- view snapshots

std::shared_ptr<BitmapImageRep> View::bitmapImageRepForCachingDisplayInRect(const Rect& rect) const {
    return BitmapImageRep::forCaching(rect.size);
}

void View::cacheDisplayInRect(const Rect& rect, BitmapImageRep& rep) {
    auto* cache = rep.cachedDrawing();
    if (!cache) return;
    cache->clear();
    cache->saveGraphicsState();
    cache->clipToRect(Rect({0, 0}, rect.size));
    // `rect` is in bounds coordinates; its corner becomes the cache's origin.
    const Point shift = rect.origin - bounds().origin;
    if (!(shift == Point{})) cache->translate(-shift.x, -shift.y);
    drawViewHierarchy(*this, *cache);
    cache->restoreGraphicsState();
}

// --- images

std::shared_ptr<Image> Image::imageNamed(const std::string& name) { return ImageRegistry::shared()->imageNamed(name); }

std::shared_ptr<Image> Image::imageWithSize(Size size, bool flipped, DrawingHandler handler) {
    return withRepresentation(std::make_shared<CustomImageRep>(size, flipped, std::move(handler)));
}

std::shared_ptr<Image> Image::withContentsOfFile(const std::string& path, Size size) {
    return withRepresentation(BitmapImageRep::withContentsOfFile(path, size));
}

std::shared_ptr<Image> Image::withRepresentation(const std::shared_ptr<ImageRep>& rep) {
    auto image = std::make_shared<Image>(rep ? rep->size() : Size{});
    image->addRepresentation(rep);
    return image;
}

void Image::addRepresentation(const std::shared_ptr<ImageRep>& rep) {
    if (rep && std::find(reps_.begin(), reps_.end(), rep) == reps_.end()) reps_.push_back(rep);
}

void Image::removeRepresentation(const std::shared_ptr<ImageRep>& rep) {
    reps_.erase(std::remove(reps_.begin(), reps_.end(), rep), reps_.end());
}

std::shared_ptr<ImageRep> Image::bestRepresentationForRect(const Rect&) const {
    return reps_.empty() ? nullptr : reps_.front();
}

std::shared_ptr<Image> Image::copy() const {
    auto image = std::make_shared<Image>(size_);
    image->template_ = template_;
    image->reps_ = reps_;
    return image;
}

void Image::lockFocus() {
    if (focusRep_) return;
    auto rep = BitmapImageRep::forCaching(size_);
    auto& cache = *rep->cachedDrawing();
    if (auto current = bestRepresentationForRect(Rect({0, 0}, size_))) current->draw(cache, Rect({0, 0}, size_));
    focusRep_ = rep;
    focusScope_ = std::make_unique<GraphicsContext::Scope>(cache);
}

void Image::unlockFocus() {
    if (!focusRep_) return;
    focusScope_.reset();
    reps_.assign(1, focusRep_);
    focusRep_.reset();
}

void Image::drawInRect(const Rect& rect, CompositingOperation operation, double fraction,
                       const std::optional<Color>& templateTint) const {
    auto* context = GraphicsContext::current();
    auto rep = bestRepresentationForRect(rect);
    if (!context || !rep) return;
    context->saveGraphicsState();
    if (fraction < 1) context->setAlpha(std::max(0.0, fraction));
    if (operation != CompositingOperation::sourceOver) context->setBlendMode(blendModeFor(operation));
    context->beginTransparencyLayer();
    rep->draw(*context, rect);
    if (template_ && templateTint) {
        context->setFillColor(*templateTint);
        context->fillRect(rect, CompositingOperation::sourceAtop);
    }
    context->endTransparencyLayer();
    context->restoreGraphicsState();
}

std::string Image::description() const { return name_.empty() ? "image " + sizeText(size_) : name_; }

// --- the registry

std::shared_ptr<ImageRegistry> ImageRegistry::shared() {
    return singleInstance<ImageRegistry>([] { return std::make_shared<ImageRegistry>(); });
}

void ImageRegistry::registerImage(const std::string& name, const std::shared_ptr<Image>& image) {
    if (!image) {
        images_.erase(name);
        return;
    }
    image->setName(name);
    images_[name] = image;
}

void ImageRegistry::setLoader(Loader loader) {
    loaders_.clear();
    if (loader) loaders_.push_back(std::move(loader));
}

void ImageRegistry::addLoader(Loader loader) {
    if (loader) loaders_.push_back(std::move(loader));
}

std::shared_ptr<Image> ImageRegistry::imageNamed(const std::string& name) {
    if (auto it = images_.find(name); it != images_.end()) return it->second;
    for (const auto& loader : std::vector<Loader>(loaders_)) {
        if (auto image = loader(name)) {
            registerImage(name, image);
            return image;
        }
    }
    return nullptr;
}

}  // namespace platform
