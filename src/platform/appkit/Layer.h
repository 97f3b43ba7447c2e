#pragma once
// Layers as plain state: what the program sets on them is kept here and read
// by the desktop backend when it paints (drawLayer draws a layer tree into a
// graphics context). A layer has sublayers, an optional mask (drawing is
// clipped to the mask's shape) and animations.
//
// Animations run on the run loop's clock: a BasicAnimation added under a key
// starts at the dispatch clock's now, presentationValue reads its value at the
// current time, and a timer on the main run loop (common modes) removes it
// when its duration is over and tells its delegate. Tests move the manual
// clock.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/appkit/BezierPath.h"
#include "platform/appkit/Object.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class GraphicsContext;
class Layer;
class BasicAnimation;

// A value an animation moves between.
using AnimationValue = std::variant<double, Point, Rect, Color, BezierPath>;
// `from` moved `fraction` of the way to `to`: numbers, points and rectangles
// linearly, colours in sRGB, paths point by point when their elements match.
// Values that cannot be blended keep `from` until the end.
AnimationValue interpolateAnimationValue(const AnimationValue& from, const AnimationValue& to, double fraction);

enum class TimingFunction { linear, easeIn, easeOut, easeInEaseOut };

class AnimationDelegate {
public:
    virtual ~AnimationDelegate() = default;
    virtual void animationDidStart(const BasicAnimation& animation) { (void)animation; }
    // `finished` is false when the animation was removed or replaced early.
    virtual void animationDidStop(const BasicAnimation& animation, bool finished) {
        (void)animation;
        (void)finished;
    }
};

class BasicAnimation {
public:
    explicit BasicAnimation(std::string keyPath = {}) : keyPath_(std::move(keyPath)) {}
    static BasicAnimation withKeyPath(std::string keyPath) { return BasicAnimation(std::move(keyPath)); }

    const std::string& keyPath() const { return keyPath_; }
    void setKeyPath(std::string k) { keyPath_ = std::move(k); }
    // None: from the value shown when the animation is added; to the model
    // value of the moment (so setting the model after adding the animation
    // animates to the new value).
    const std::optional<AnimationValue>& fromValue() const { return from_; }
    void setFromValue(std::optional<AnimationValue> v) { from_ = std::move(v); }
    const std::optional<AnimationValue>& toValue() const { return to_; }
    void setToValue(std::optional<AnimationValue> v) { to_ = std::move(v); }
    // Seconds; 0.25 by default, as on the platform.
    double duration() const { return duration_; }
    void setDuration(double d) { duration_ = d; }
    TimingFunction timingFunction() const { return timing_; }
    void setTimingFunction(TimingFunction t) { timing_ = t; }
    bool isRemovedOnCompletion() const { return removedOnCompletion_; }
    void setRemovedOnCompletion(bool b) { removedOnCompletion_ = b; }
    std::shared_ptr<AnimationDelegate> delegate() const { return delegate_; }
    // Held strongly, as the platform does.
    void setDelegate(std::shared_ptr<AnimationDelegate> d) { delegate_ = std::move(d); }

    // The timing function applied to linear progress in 0...1.
    double timedProgress(double linearProgress) const;

private:
    std::string keyPath_;
    std::optional<AnimationValue> from_;
    std::optional<AnimationValue> to_;
    double duration_ = 0.25;
    TimingFunction timing_ = TimingFunction::linear;
    bool removedOnCompletion_ = true;
    std::shared_ptr<AnimationDelegate> delegate_;
};

class Layer : public Object {
public:
    Layer() = default;
    ~Layer() override;

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
    Rect bounds() const { return Rect({0, 0}, frame_.size); }

    // --- shadow (drawn when the opacity and a colour are set)
    const std::optional<Color>& shadowColor() const { return shadowColor_; }
    void setShadowColor(std::optional<Color> c) { shadowColor_ = std::move(c); }
    double shadowOpacity() const { return shadowOpacity_; }
    void setShadowOpacity(double o) { shadowOpacity_ = o; }
    Size shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(Size s) { shadowOffset_ = s; }
    double shadowRadius() const { return shadowRadius_; }
    void setShadowRadius(double r) { shadowRadius_ = r; }
    bool drawsAsynchronously() const { return drawsAsynchronously_; }
    void setDrawsAsynchronously(bool b) { drawsAsynchronously_ = b; }

    // --- the tree
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
    std::shared_ptr<Layer> superlayer() const { return superlayer_.lock(); }
    // On top of the others (taken from any old superlayer).
    void addSublayer(const std::shared_ptr<Layer>& layer);
    void insertSublayer(const std::shared_ptr<Layer>& layer, std::size_t index);
    void removeFromSuperlayer();
    // Drawing is limited to where the mask draws (a shape layer: its path).
    std::shared_ptr<Layer> mask() const { return mask_; }
    void setMask(std::shared_ptr<Layer> m) { mask_ = std::move(m); }

    // --- animations
    // Replaces (and stops) an animation under the same key; an empty key
    // adds one that only removeAllAnimations or its end removes.
    void addAnimation(const BasicAnimation& animation, const std::string& key);
    const BasicAnimation* animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;
    void removeAnimationForKey(const std::string& key);
    void removeAllAnimations();

    // The model value of a key path ("opacity", "cornerRadius",
    // "borderWidth", "shadowOpacity", "shadowRadius", "frame",
    // "backgroundColor"; shape layers add "path", "fillColor",
    // "strokeColor", "lineWidth"); none for other keys or unset values.
    virtual std::optional<AnimationValue> modelValue(const std::string& keyPath) const;
    // What is shown now: the value of the latest running animation of the
    // key path at the dispatch clock's now, else the model value.
    std::optional<AnimationValue> presentationValue(const std::string& keyPath) const;
    std::optional<double> presentationDouble(const std::string& keyPath) const;

    // Draws what this layer adds itself (between its background and its
    // sublayers), in its own coordinates.
    virtual void drawContents(GraphicsContext& context) const { (void)context; }
    // The area a mask layer leaves visible, in its own coordinates; none
    // when the layer cannot serve as a mask.
    virtual std::optional<BezierPath> maskShape() const;

private:
    struct Running {
        std::string key;
        BasicAnimation animation;
        AnimationValue from;
        std::optional<AnimationValue> to;  // none: the model value
        TimePoint start;
        std::shared_ptr<Timer> endTimer;
    };
    void finish(std::uint64_t serial, bool finished);

    double cornerRadius_ = 0;
    bool masksToBounds_ = false;
    double borderWidth_ = 0;
    double opacity_ = 1;
    bool hidden_ = false;
    Rect frame_;
    std::optional<Color> backgroundColor_;
    std::optional<Color> borderColor_;
    std::optional<Color> shadowColor_ = Color::black();
    double shadowOpacity_ = 0;
    Size shadowOffset_{0, -3};
    double shadowRadius_ = 3;
    bool drawsAsynchronously_ = false;
    std::vector<std::shared_ptr<Layer>> sublayers_;
    std::weak_ptr<Layer> superlayer_;
    std::shared_ptr<Layer> mask_;
    std::map<std::uint64_t, Running> running_;  // by serial, in the order added
    std::uint64_t nextSerial_ = 1;
};

enum class FillRule { nonZero, evenOdd };

class ShapeLayer : public Layer {
public:
    const std::optional<BezierPath>& path() const { return path_; }
    void setPath(std::optional<BezierPath> p) { path_ = std::move(p); }
    // Opaque black by default; none fills nothing.
    const std::optional<Color>& fillColor() const { return fillColor_; }
    void setFillColor(std::optional<Color> c) { fillColor_ = std::move(c); }
    const std::optional<Color>& strokeColor() const { return strokeColor_; }
    void setStrokeColor(std::optional<Color> c) { strokeColor_ = std::move(c); }
    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double w) { lineWidth_ = w; }
    FillRule fillRule() const { return fillRule_; }
    void setFillRule(FillRule r) { fillRule_ = r; }

    std::optional<AnimationValue> modelValue(const std::string& keyPath) const override;
    void drawContents(GraphicsContext& context) const override;
    std::optional<BezierPath> maskShape() const override;

private:
    // The shown path with this layer's fill rule and line width.
    std::optional<BezierPath> shownPath() const;

    std::optional<BezierPath> path_;
    std::optional<Color> fillColor_ = Color::black();
    std::optional<Color> strokeColor_;
    double lineWidth_ = 1;
    FillRule fillRule_ = FillRule::nonZero;
};

class GradientLayer : public Layer {
public:
    const std::vector<Color>& colors() const { return colors_; }
    void setColors(std::vector<Color> c) { colors_ = std::move(c); }
    // Empty: the colours spread evenly.
    const std::vector<double>& locations() const { return locations_; }
    void setLocations(std::vector<double> l) { locations_ = std::move(l); }
    // In the unit square of the bounds; top to bottom by default.
    Point startPoint() const { return startPoint_; }
    void setStartPoint(Point p) { startPoint_ = p; }
    Point endPoint() const { return endPoint_; }
    void setEndPoint(Point p) { endPoint_ = p; }

    void drawContents(GraphicsContext& context) const override;

private:
    std::vector<Color> colors_;
    std::vector<double> locations_;
    Point startPoint_{0.5, 0};
    Point endPoint_{0.5, 1};
};

// Draws `layer` and its sublayers, as they are shown now (animations in
// flight included), into `context`: hidden layers not at all; opacity and
// shadow composite the layer as one; the mask and masksToBounds clip. A
// view's backing layer is drawn in the view's bounds (`frame`), whatever
// its own frame.
void drawLayer(const Layer& layer, GraphicsContext& context, std::optional<Rect> frame = std::nullopt);

}  // namespace platform
