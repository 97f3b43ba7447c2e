#include "platform/appkit/Layer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/appkit/GraphicsContext.h"

namespace platform {

namespace {

double lerp(double a, double b, double t) { return a + (b - a) * t; }

// The y of a cubic timing curve from (0,0) to (1,1) with control points
// (x1,y1) and (x2,y2), at the x given (found by bisection: x grows with t).
double cubicTiming(double x1, double y1, double x2, double y2, double x) {
    auto bez = [](double p1, double p2, double t) {
        const double u = 1 - t;
        return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
    };
    double lo = 0, hi = 1, t = x;
    for (int i = 0; i < 60; ++i) {
        t = (lo + hi) / 2;
        if (bez(x1, x2, t) < x) lo = t;
        else hi = t;
    }
    return bez(y1, y2, t);
}

std::optional<Color> colorValue(const std::optional<AnimationValue>& v) {
    if (v && std::holds_alternative<Color>(*v)) return std::get<Color>(*v);
    return std::nullopt;
}

}  // namespace

AnimationValue interpolateAnimationValue(const AnimationValue& from, const AnimationValue& to, double fraction) {
    if (fraction <= 0) return from;
    if (fraction >= 1) return to;
    if (from.index() != to.index()) return from;
    if (auto* a = std::get_if<double>(&from)) return lerp(*a, std::get<double>(to), fraction);
    if (auto* a = std::get_if<Point>(&from)) {
        const Point b = std::get<Point>(to);
        return Point{lerp(a->x, b.x, fraction), lerp(a->y, b.y, fraction)};
    }
    if (auto* a = std::get_if<Rect>(&from)) {
        const Rect b = std::get<Rect>(to);
        return Rect(lerp(a->minX(), b.minX(), fraction), lerp(a->minY(), b.minY(), fraction),
                    lerp(a->width(), b.width(), fraction), lerp(a->height(), b.height(), fraction));
    }
    if (auto* a = std::get_if<Color>(&from)) {
        auto ca = a->sRGBComponents(), cb = std::get<Color>(to).sRGBComponents();
        if (!ca || !cb) return from;
        return Color::sRGB(lerp(ca->red, cb->red, fraction), lerp(ca->green, cb->green, fraction),
                           lerp(ca->blue, cb->blue, fraction), lerp(ca->alpha, cb->alpha, fraction));
    }
    if (auto* a = std::get_if<BezierPath>(&from)) {
        if (auto p = BezierPath::interpolate(*a, std::get<BezierPath>(to), fraction)) return *p;
        return from;
    }
    return from;
}

double BasicAnimation::timedProgress(double x) const {
    x = std::clamp(x, 0.0, 1.0);
    switch (timing_) {
        case TimingFunction::linear: return x;
        case TimingFunction::easeIn: return cubicTiming(0.42, 0, 1, 1, x);
        case TimingFunction::easeOut: return cubicTiming(0, 0, 0.58, 1, x);
        case TimingFunction::easeInEaseOut: return cubicTiming(0.42, 0, 0.58, 1, x);
    }
    return x;
}

// --- Layer

Layer::~Layer() {
    for (auto& [serial, r] : running_) {
        if (r.endTimer) r.endTimer->invalidate();
    }
}

void Layer::addSublayer(const std::shared_ptr<Layer>& layer) { insertSublayer(layer, sublayers_.size()); }

void Layer::insertSublayer(const std::shared_ptr<Layer>& layer, std::size_t index) {
    if (!layer || layer.get() == this) return;
    for (auto up = superlayer(); up; up = up->superlayer()) {
        if (up == layer) return;  // would make a cycle
    }
    auto keep = layer;
    keep->removeFromSuperlayer();
    sublayers_.insert(sublayers_.begin() + std::ptrdiff_t(std::min(index, sublayers_.size())), keep);
    keep->superlayer_ = std::static_pointer_cast<Layer>(shared_from_this());
}

void Layer::removeFromSuperlayer() {
    auto up = superlayer();
    if (!up) return;
    auto& siblings = up->sublayers_;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [this](auto& l) { return l.get() == this; }),
                   siblings.end());
    superlayer_.reset();
}

void Layer::addAnimation(const BasicAnimation& animation, const std::string& key) {
    const std::string& keyPath = animation.keyPath();
    // Resolve the start before this animation counts.
    std::optional<AnimationValue> from = animation.fromValue();
    if (!from) from = presentationValue(keyPath);
    if (!from) from = animation.toValue() ? animation.toValue() : modelValue(keyPath);
    if (!from) return;  // a key path the layer does not have

    if (!key.empty()) removeAnimationForKey(key);
    const std::uint64_t serial = nextSerial_++;
    Running r{key, animation, *from, animation.toValue(), dispatch::clock::now(), nullptr};
    std::weak_ptr<Layer> weak = std::static_pointer_cast<Layer>(shared_from_this());
    r.endTimer = Timer::make(dispatch::seconds(std::max(0.0, animation.duration())), false, [weak, serial](Timer&) {
        if (auto self = weak.lock()) self->finish(serial, true);
    });
    RunLoop::main().addTimer(r.endTimer, RunLoopMode::common);
    running_.emplace(serial, std::move(r));
    if (auto d = animation.delegate()) d->animationDidStart(animation);
}

void Layer::finish(std::uint64_t serial, bool finished) {
    auto it = running_.find(serial);
    if (it == running_.end()) return;
    const BasicAnimation animation = it->second.animation;
    if (it->second.endTimer) {
        it->second.endTimer->invalidate();
        it->second.endTimer.reset();
    }
    // One kept after its end goes on showing its final value.
    if (!finished || animation.isRemovedOnCompletion()) running_.erase(it);
    if (auto d = animation.delegate()) d->animationDidStop(animation, finished);
}

const BasicAnimation* Layer::animationForKey(const std::string& key) const {
    if (key.empty()) return nullptr;
    for (const auto& [serial, r] : running_) {
        if (r.key == key) return &r.animation;
    }
    return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
    std::vector<std::string> keys;
    for (const auto& [serial, r] : running_) {
        if (!r.key.empty()) keys.push_back(r.key);
    }
    return keys;
}

void Layer::removeAnimationForKey(const std::string& key) {
    if (key.empty()) return;
    for (const auto& [serial, r] : running_) {
        if (r.key == key) {
            finish(serial, false);
            return;
        }
    }
}

void Layer::removeAllAnimations() {
    while (!running_.empty()) finish(running_.begin()->first, false);
}

std::optional<AnimationValue> Layer::modelValue(const std::string& keyPath) const {
    if (keyPath == "opacity") return opacity_;
    if (keyPath == "cornerRadius") return cornerRadius_;
    if (keyPath == "borderWidth") return borderWidth_;
    if (keyPath == "shadowOpacity") return shadowOpacity_;
    if (keyPath == "shadowRadius") return shadowRadius_;
    if (keyPath == "frame") return frame_;
    if (keyPath == "backgroundColor" && backgroundColor_) return *backgroundColor_;
    return std::nullopt;
}

std::optional<AnimationValue> Layer::presentationValue(const std::string& keyPath) const {
    const Running* latest = nullptr;
    for (const auto& [serial, r] : running_) {
        if (r.animation.keyPath() == keyPath) latest = &r;
    }
    if (!latest) return modelValue(keyPath);
    const double elapsed = std::chrono::duration<double>(dispatch::clock::now() - latest->start).count();
    const double duration = latest->animation.duration();
    const double progress = duration > 0 ? elapsed / duration : 1.0;
    std::optional<AnimationValue> to = latest->to ? latest->to : modelValue(keyPath);
    if (!to) return latest->from;
    return interpolateAnimationValue(latest->from, *to, latest->animation.timedProgress(progress));
}

std::optional<double> Layer::presentationDouble(const std::string& keyPath) const {
    auto v = presentationValue(keyPath);
    if (v && std::holds_alternative<double>(*v)) return std::get<double>(*v);
    return std::nullopt;
}

std::optional<BezierPath> Layer::maskShape() const {
    return BezierPath::withRoundedRect(bounds(), cornerRadius_, cornerRadius_);
}

// --- ShapeLayer

std::optional<AnimationValue> ShapeLayer::modelValue(const std::string& keyPath) const {
    if (keyPath == "path") return path_ ? std::optional<AnimationValue>(*path_) : std::nullopt;
    if (keyPath == "fillColor") return fillColor_ ? std::optional<AnimationValue>(*fillColor_) : std::nullopt;
    if (keyPath == "strokeColor") return strokeColor_ ? std::optional<AnimationValue>(*strokeColor_) : std::nullopt;
    if (keyPath == "lineWidth") return lineWidth_;
    return Layer::modelValue(keyPath);
}

std::optional<BezierPath> ShapeLayer::shownPath() const {
    auto v = presentationValue("path");
    if (!v || !std::holds_alternative<BezierPath>(*v)) return std::nullopt;
    BezierPath p = std::get<BezierPath>(*v);
    p.setWindingRule(fillRule_ == FillRule::evenOdd ? WindingRule::evenOdd : WindingRule::nonZero);
    p.setLineWidth(presentationDouble("lineWidth").value_or(lineWidth_));
    return p;
}

void ShapeLayer::drawContents(GraphicsContext& context) const {
    auto p = shownPath();
    if (!p) return;
    if (auto fill = colorValue(presentationValue("fillColor"))) {
        context.setFillColor(*fill);
        context.fillPath(*p);
    }
    if (auto stroke = colorValue(presentationValue("strokeColor")); stroke && p->lineWidth() > 0) {
        context.setStrokeColor(*stroke);
        context.strokePath(*p);
    }
}

std::optional<BezierPath> ShapeLayer::maskShape() const { return shownPath(); }

// --- GradientLayer

void GradientLayer::drawContents(GraphicsContext& context) const {
    if (colors_.empty()) return;
    const Size s = frame().size;
    context.drawLinearGradient(colors_, locations_, {startPoint_.x * s.width, startPoint_.y * s.height},
                               {endPoint_.x * s.width, endPoint_.y * s.height});
}

// --- drawing a tree

void drawLayer(const Layer& layer, GraphicsContext& context, std::optional<Rect> frame) {
    if (layer.isHidden()) return;
    Rect f = frame.value_or(layer.frame());
    if (!frame) {
        if (auto v = layer.presentationValue("frame"); v && std::holds_alternative<Rect>(*v)) f = std::get<Rect>(*v);
    }
    const Rect bounds({0, 0}, f.size);
    const double opacity = layer.presentationDouble("opacity").value_or(1);
    const double cornerRadius = layer.presentationDouble("cornerRadius").value_or(0);
    const double shadowOpacity = layer.presentationDouble("shadowOpacity").value_or(0);

    context.saveGraphicsState();
    if (!(f.origin == Point{})) context.translate(f.minX(), f.minY());
    if (auto mask = layer.mask()) {
        if (auto shape = mask->maskShape()) {
            shape->transform(AffineTransform::translation(mask->frame().minX(), mask->frame().minY()));
            context.clipToPath(*shape);
        }
    }
    const bool shadow = shadowOpacity > 0 && layer.shadowColor();
    const bool composite = shadow || opacity < 1;
    if (shadow) {
        const Color c = layer.shadowColor()->withAlphaComponent(layer.shadowColor()->alphaComponent() * shadowOpacity);
        context.setShadow(Shadow(c, layer.shadowOffset(), layer.presentationDouble("shadowRadius").value_or(0)));
    }
    if (opacity < 1) context.setAlpha(std::max(0.0, opacity));
    if (composite) context.beginTransparencyLayer();
    if (layer.masksToBounds()) context.clipToPath(BezierPath::withRoundedRect(bounds, cornerRadius, cornerRadius));
    if (auto bg = colorValue(layer.presentationValue("backgroundColor"))) {
        context.setFillColor(*bg);
        context.fillPath(BezierPath::withRoundedRect(bounds, cornerRadius, cornerRadius));
    }
    layer.drawContents(context);
    for (const auto& sub : std::vector<std::shared_ptr<Layer>>(layer.sublayers())) drawLayer(*sub, context);
    const double borderWidth = layer.presentationDouble("borderWidth").value_or(0);
    if (borderWidth > 0 && layer.borderColor()) {
        BezierPath border = BezierPath::withRoundedRect(bounds.insetBy(borderWidth / 2, borderWidth / 2), cornerRadius,
                                                        cornerRadius);
        border.setLineWidth(borderWidth);
        context.setStrokeColor(*layer.borderColor());
        context.strokePath(border);
    }
    if (composite) context.endTransparencyLayer();
    context.restoreGraphicsState();
}

}  // namespace platform
