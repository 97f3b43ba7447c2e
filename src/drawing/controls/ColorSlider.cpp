#include "drawing/controls/ColorSlider.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Layer.h"

namespace frelt {

using platform::BezierPath;
using platform::Color;
using platform::Point;
using platform::Rect;

// --- the cell

bool ColorSliderCell::startTracking(Point startPoint, const std::shared_ptr<platform::View>& controlView) {
    auto slider = parent.lock();
    if (!slider) return SliderCell::startTracking(startPoint, controlView);
    if (!slider->isEnabled()) return false;
    slider->setIsTracking(true);
    return SliderCell::startTracking(startPoint, controlView);
}

bool ColorSliderCell::continueTracking(Point lastPoint, Point currentPoint,
                                       const std::shared_ptr<platform::View>& controlView) {
    auto slider = parent.lock();
    if (!slider) return SliderCell::continueTracking(lastPoint, currentPoint, controlView);
    if (!slider->isEnabled()) return false;
    slider->setIsDragging(true);
    return SliderCell::continueTracking(lastPoint, currentPoint, controlView);
}

void ColorSliderCell::stopTracking(Point lastPoint, Point stopPoint,
                                   const std::shared_ptr<platform::View>& controlView, bool mouseIsUp) {
    SliderCell::stopTracking(lastPoint, stopPoint, controlView, mouseIsUp);
    if (auto slider = parent.lock()) slider->setIsTracking(false);
}

// --- the slider

std::optional<ColorSlider::ColorType> ColorSlider::colorTypeFromRawValue(long rawValue) {
    switch (rawValue) {
        case 0: return ColorType::unknown;
        case 3: return ColorType::color;
        case 4: return ColorType::temperature;
        default: return std::nullopt;
    }
}

ColorSlider::ColorSlider(Rect frame)
    : Slider(frame),
      rootLayer_(std::make_shared<platform::Layer>()),
      backgroundLayer_(std::make_shared<platform::ShapeLayer>()),
      backgroundGradientLayer_(std::make_shared<platform::GradientLayer>()),
      knobLayer_(std::make_shared<platform::ShapeLayer>()) {}

void ColorSlider::setColorType(ColorType type) {
    colorType_ = type;
    updateLayers();
}

void ColorSlider::setSaturation(float saturation) {
    saturation_ = saturation;
    updateLayers();
}

void ColorSlider::setColorTemperatureMin(long kelvin) {
    colorTemperatureMin_ = kelvin;
    updateLayers();
}

void ColorSlider::setColorTemperatureMax(long kelvin) {
    colorTemperatureMax_ = kelvin;
    updateLayers();
}

void ColorSlider::setSliderHeight(double height) { sliderHeight_ = std::min(height, bounds().height()); }

void ColorSlider::setKnobHeight(double height) { knobHeight_ = std::min(height, bounds().height()); }

void ColorSlider::setKnobBorderSize(double size) { knobBorderSize_ = std::min(size, 5.0); }

void ColorSlider::setEnabled(bool enabled) {
    isEnabled_ = enabled;
    updateLayers();
}

Color ColorSlider::currentColor() const {
    const float value = static_cast<float>(sliderCell()->doubleValue());
    const float maximum = static_cast<float>(maxValue());
    // A slider whose range ends at 0 has no hue to divide into: red.
    float hue = maximum == 0 ? 0.0f : value / maximum;
    if (!std::isfinite(hue)) hue = 0;
    return Color::calibratedHSB(hue, saturation_, 1.0, 1.0);
}

void ColorSlider::setIsTracking(bool tracking) {
    const bool wasTracking = isTracking_;
    isTracking_ = tracking;
    refreshKnob(true);
    animateBackground();
    if (wasTracking) sendAction();
}

void ColorSlider::setIsDragging(bool dragging) {
    isDragging_ = dragging;
    refreshKnob(true);
    if (isContinuous()) sendAction();
}

const BezierPath& ColorSlider::backgroundLinedRect() {
    if (!backgroundLinedRect_) {
        const Rect b = bounds();
        backgroundLinedRect_ = BezierPath::withRoundedRect(Rect(0, b.height() / 2 - 1.5, b.width(), 3), 1.5, 1.5);
    }
    return *backgroundLinedRect_;
}

const BezierPath& ColorSlider::backgroundFilledRect() {
    if (!backgroundFilledRect_) {
        const Rect b = bounds();
        backgroundFilledRect_ = BezierPath::withRoundedRect(Rect(0, (b.height() - sliderHeight_) / 2, b.width(), sliderHeight_),
                                                            sliderHeight_ / 2, sliderHeight_ / 2);
    }
    return *backgroundFilledRect_;
}

void ColorSlider::setup() {
    if (!std::dynamic_pointer_cast<ColorSliderCell>(cell())) {
        // The range and value laid out for the slider carry over to its cell.
        auto old = sliderCell();
        auto mine = std::make_shared<ColorSliderCell>();
        mine->parent = std::static_pointer_cast<ColorSlider>(shared_from_this());
        if (old) {
            mine->setMinValue(old->minValue());
            mine->setMaxValue(old->maxValue());
            mine->setObjectValue(old->objectValue());
        }
        setCell(mine);
    }
    setWantsLayer(true);
    setLayer(rootLayer_);
    rootLayer_->addSublayer(backgroundLayer_);
    rootLayer_->addSublayer(backgroundGradientLayer_);
    rootLayer_->addSublayer(knobLayer_);
    updateLayers();
}

void ColorSlider::awakeFromNib() {
    Slider::awakeFromNib();
    setup();
}

Rect ColorSlider::knobRect() const {
    return Rect(knobPositionX() - knobHeight_ / 2, (bounds().height() - knobHeight_) / 2, knobHeight_, knobHeight_);
}

double ColorSlider::knobPositionX() const {
    const Rect track = Rect({0, 0}, bounds().size).insetBy(knobHeight_ / 2 + knobBorderSize_, 0);
    const double range = maxValue() - minValue();
    if (range == 0) return track.minX();
    return track.minX() + (sliderCell()->doubleValue() - minValue()) / range * track.width();
}

void ColorSlider::updateLayers() {
    noteFocusRingMaskChanged();
    const Rect frame({0, 0}, bounds().size);
    backgroundLayer_->setFrame(frame);
    backgroundLayer_->setPath(backgroundLinedRect());

    backgroundGradientLayer_->setFrame(frame);
    backgroundGradientLayer_->setColors(gradientColors());
    backgroundGradientLayer_->setLocations({});
    backgroundGradientLayer_->setStartPoint({0, 0});
    backgroundGradientLayer_->setEndPoint({1, 0});
    backgroundGradientLayer_->setMask(backgroundLayer_);

    knobLayer_->setFrame(frame);
    knobLayer_->setStrokeColor(knobBorderColor);
    knobLayer_->setLineWidth(knobBorderSize_);
    refreshKnob(false);
    knobLayer_->setShadowColor(Color::named("System", "shadowColor", Color::black()));
    knobLayer_->setShadowOpacity(isEnabled_ ? 0.35 : 0.1);
    // Half a point upwards (y grows downwards).
    knobLayer_->setShadowOffset({0, -0.5});
    knobLayer_->setShadowRadius(1.0);
}

void ColorSlider::refreshKnob(bool noteMaskChanged) {
    if (noteMaskChanged) noteFocusRingMaskChanged();
    knobLayer_->setPath(BezierPath::withOvalInRect(knobRect()));
    knobLayer_->setFillColor(isEnabled_ ? currentColor() : Color::sRGB(251.0 / 255, 251.0 / 255, 251.0 / 255, 1.0));
}

void ColorSlider::updateLayer() { refreshKnob(false); }

void ColorSlider::drawFocusRingMask() {
    if (refusesFirstResponder()) return;
    platform::setFillColor(Color::black());
    BezierPath::withOvalInRect(knobRect()).fill();
}

Rect ColorSlider::focusRingMaskBounds() const { return bounds().insetBy(1.0, 1.0); }

std::vector<Color> ColorSlider::gradientColors() const {
    std::vector<Color> colors;
    switch (colorType_) {
        case ColorType::unknown: return {Color::black()};
        case ColorType::color: colors = hueGradientColors(); break;
        case ColorType::temperature: colors = temperatureGradientColors(); break;
    }
    if (!isEnabled_)
        for (auto& c : colors) c = disabledColor(c);
    return colors;
}

Color ColorSlider::disabledColor(const Color& color) const {
    const auto rgb = color.sRGBComponents().value_or(Color::RGBA{});
    // Half the sum of the three components (white for most colours).
    const double white = std::min(1.0, 0.5 * rgb.red + 0.5 * rgb.green + 0.5 * rgb.blue);
    return Color::calibratedWhite(white, rgb.alpha);
}

std::vector<Color> ColorSlider::hueGradientColors() const {
    std::vector<Color> colors;
    for (int i = 0; i <= 10; ++i) colors.push_back(Color::calibratedHSB(i / 10.0, saturation_, 1.0, 1.0));
    return colors;
}

std::vector<Color> ColorSlider::temperatureGradientColors() const {
    const long from = colorTemperatureMin_;
    const long end = colorTemperatureMax_ + (colorTemperatureMax_ - from) / 10;
    const long step = (end - from) / 10;
    // A range narrower than one step would never get anywhere: one stop.
    if (step == 0) return {colorForTemperature(from + 500)};
    std::vector<Color> colors;
    for (long t = from; step > 0 ? t < end : t > end; t += step) colors.push_back(colorForTemperature(t + 500));
    return colors;
}

Color ColorSlider::colorForTemperature(long kelvin) {
    const float x = static_cast<float>(kelvin) / 100.0f;
    const float red = x <= 66 ? 255.0f : 329.69873f * std::pow(x - 60, -0.13320476f);
    const float green = x <= 66 ? 99.4708f * std::log(x) - 161.11957f : 288.12216f * std::pow(x - 60, -0.075514846f);
    const float blue = x >= 66 ? 255.0f : (x <= 19 ? 0.0f : 138.51773f * std::log(x - 10) - 305.0448f);
    // Truncated to whole steps and kept in 0...255; where the formula has no
    // value (at or below -500 K) the component is 0.
    auto component = [](float v) {
        if (std::isnan(v)) return 0.0;
        return std::clamp(static_cast<double>(std::trunc(std::clamp(v, -1.0f, 256.0f))), 0.0, 255.0) / 255.0;
    };
    return Color::sRGB(component(red), component(green), component(blue), 1.0);
}

void ColorSlider::animateBackground() {
    if (!useAnimation) return;
    const BezierPath lined = backgroundLinedRect();
    const BezierPath filled = backgroundFilledRect();
    platform::BasicAnimation animation("path");
    animation.setFromValue(isTracking_ ? lined : filled);
    animation.setToValue(isTracking_ ? filled : lined);
    animation.setDuration(isTracking_ ? animationDurationIn : animationDurationOut);
    backgroundLayer_->addAnimation(animation, "animateBackgroundHeight");
    backgroundLayer_->setPath(isTracking_ ? filled : lined);
}

void ColorSlider::prepareForColorChoice(const std::shared_ptr<platform::Object>& target) {
    setContinuous(false);
    setRefusesFirstResponder(true);
    setKnobBorderSize(0.5);
    setKnobHeight(std::min(16.0, bounds().height()));
    setSliderHeight(std::min(10.0, bounds().height()));
    setAction("onChangeColorSlider:");
    setTarget(target);
    setEnabled(true);
}

}  // namespace frelt
