#pragma once
// The horizontal slider with which the user picks a colour. Instead of a
// track it shows a colour gradient (the hue circle, or a run of colour
// temperatures) masked to a thin rounded line, and a round knob filled with
// the colour the slider stands for. While the mouse is down the line grows
// into a bar (animated) and shrinks back at mouse-up; the action goes out when
// the tracking ends (and, continuous, at every drag).
//
// Everything visible is made of layers; they are attached in awakeFromNib,
// so a slider is made by a scene. Its cell forwards the start, continuation
// and end of mouse tracking to the slider. A disabled slider (its own
// enabled flag, not the control's) refuses tracking at the first mouse-down
// and shows its colours in grey.

#include <memory>
#include <optional>
#include <vector>

#include "platform/appkit/BezierPath.h"
#include "platform/appkit/Slider.h"
#include "platform/graphics/Color.h"

namespace platform {
class Layer;
class ShapeLayer;
class GradientLayer;
}  // namespace platform

namespace frelt {

class ColorSlider;

class ColorSliderCell : public platform::SliderCell {
public:
    ColorSliderCell() = default;

    // The slider that owns the cell; without one the cell tracks as a plain
    // slider cell.
    std::weak_ptr<ColorSlider> parent;

    bool startTracking(platform::Point startPoint, const std::shared_ptr<platform::View>& controlView) override;
    bool continueTracking(platform::Point lastPoint, platform::Point currentPoint,
                          const std::shared_ptr<platform::View>& controlView) override;
    void stopTracking(platform::Point lastPoint, platform::Point stopPoint,
                      const std::shared_ptr<platform::View>& controlView, bool mouseIsUp) override;
};

class ColorSlider : public platform::Slider {
public:
    enum class ColorType : long { unknown = 0, color = 3, temperature = 4 };
    // None for raw values other than 0, 3 and 4.
    static std::optional<ColorType> colorTypeFromRawValue(long rawValue);

    explicit ColorSlider(platform::Rect frame = {});

    // --- what the gradient shows (setting any of these lays the layers out again)
    ColorType colorType() const { return colorType_; }
    void setColorType(ColorType type);
    float saturation() const { return saturation_; }
    void setSaturation(float saturation);
    // Kelvin; the gradient runs from the minimum towards the maximum.
    long colorTemperatureMin() const { return colorTemperatureMin_; }
    void setColorTemperatureMin(long kelvin);
    long colorTemperatureMax() const { return colorTemperatureMax_; }
    void setColorTemperatureMax(long kelvin);

    // --- the line-to-bar animation
    bool useAnimation = true;
    double animationDurationIn = 0.05;
    double animationDurationOut = 0.15;

    // --- geometry (none of these lays out again)
    double sliderHeight() const { return sliderHeight_; }
    // Cut to the bounds' height.
    void setSliderHeight(double height);
    double knobHeight() const { return knobHeight_; }
    // Cut to the bounds' height.
    void setKnobHeight(double height);
    platform::Color knobBorderColor = platform::Color::white();
    double knobBorderSize() const { return knobBorderSize_; }
    // At most 5.
    void setKnobBorderSize(double size);

    // Made ready for choosing an entry's or a tag's colour in a popup: it sends
    // "onChangeColorSlider:" to the target when the user lets go, never takes
    // the focus, and its knob and track fit its height.
    void prepareForColorChoice(const std::shared_ptr<platform::Object>& target);

    // The colour the slider stands for: hue value / maximum (0 when the
    // maximum is 0), the slider's saturation, full brightness, opaque.
    platform::Color currentColor() const;

    // --- tracking state; setting each runs its observer
    bool isTracking() const { return isTracking_; }
    // Refreshes the knob, animates the background, and sends the action when
    // tracking ends (the old value was true).
    void setIsTracking(bool tracking);
    bool isDragging() const { return isDragging_; }
    // Refreshes the knob and, for a continuous slider, sends the action.
    void setIsDragging(bool dragging);

    // The slider's own enabled flag; the control's stays as it is, the cell
    // refuses tracking instead.
    bool isEnabled() const { return isEnabled_; }
    void setEnabled(bool enabled) override;

    // --- the layers
    const std::shared_ptr<platform::Layer>& rootLayer() const { return rootLayer_; }
    const std::shared_ptr<platform::ShapeLayer>& backgroundLayer() const { return backgroundLayer_; }
    const std::shared_ptr<platform::GradientLayer>& backgroundGradientLayer() const { return backgroundGradientLayer_; }
    const std::shared_ptr<platform::ShapeLayer>& knobLayer() const { return knobLayer_; }
    // The 3-point line at rest and the bar while tracking, built from the
    // bounds on first use and kept.
    const platform::BezierPath& backgroundLinedRect();
    const platform::BezierPath& backgroundFilledRect();

    // --- overridable steps
    // Installs the cell and attaches the layers (from awakeFromNib).
    virtual void setup();
    virtual std::vector<platform::Color> gradientColors() const;
    // The knob's centre on the track inset by half the knob and its border.
    virtual double knobPositionX() const;
    // The whole layout: background, gradient, knob and its shadow.
    virtual void updateLayers();
    virtual void animateBackground();

    std::vector<platform::Color> hueGradientColors() const;
    std::vector<platform::Color> temperatureGradientColors() const;
    // The approximate colour of a black body at `kelvin`.
    static platform::Color colorForTemperature(long kelvin);

    // --- View and Control
    void awakeFromNib() override;
    bool acceptsFirstResponder() override { return isEnabled_; }
    bool becomeFirstResponder() override { return isEnabled_; }
    void drawRect(const platform::Rect& dirtyRect) override { (void)dirtyRect; }
    bool wantsUpdateLayer() const override { return true; }
    // Refreshes the knob (a paint pass: no further redraw is asked for).
    void updateLayer() override;
    void drawFocusRingMask() override;
    platform::Rect focusRingMaskBounds() const override;

private:
    platform::Rect knobRect() const;
    // The knob's path and fill; `noteMaskChanged` asks for a repaint (not
    // from inside one).
    void refreshKnob(bool noteMaskChanged);
    platform::Color disabledColor(const platform::Color& color) const;

    ColorType colorType_ = ColorType::color;
    float saturation_ = 1.0f;
    long colorTemperatureMin_ = 6500;
    long colorTemperatureMax_ = 2200;
    double sliderHeight_ = 10;
    double knobHeight_ = 15;
    double knobBorderSize_ = 1.0;
    bool isTracking_ = false;
    bool isDragging_ = false;
    bool isEnabled_ = true;
    std::shared_ptr<platform::Layer> rootLayer_;
    std::shared_ptr<platform::ShapeLayer> backgroundLayer_;
    std::shared_ptr<platform::GradientLayer> backgroundGradientLayer_;
    std::shared_ptr<platform::ShapeLayer> knobLayer_;
    std::optional<platform::BezierPath> backgroundLinedRect_;
    std::optional<platform::BezierPath> backgroundFilledRect_;
};

}  // namespace frelt
