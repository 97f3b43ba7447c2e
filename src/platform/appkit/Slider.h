#pragma once
// A slider between a minimum and a maximum. A drag with the mouse is tracked
// by its cell: startTracking at the mouse down, continueTracking at every
// drag, stopTracking at the mouse up (mouseIsUp true). A cell that answers
// false from start or continue ends the tracking (stop then runs with
// mouseIsUp false when continue refused). The base cell moves the value to
// the mouse; a continuous slider sends its action at every move, every
// slider at the mouse up.

#include <memory>

#include "platform/appkit/Control.h"

namespace platform {

class SliderCell : public Cell {
public:
    SliderCell() = default;

    double minValue() const { return min_; }
    void setMinValue(double v) { min_ = v; }
    double maxValue() const { return max_; }
    void setMaxValue(double v) { max_ = v; }
    bool isVertical() const { return vertical_; }
    void setVertical(bool b) { vertical_ = b; }
    double knobThickness() const { return knobThickness_; }
    void setKnobThickness(double t) { knobThickness_ = t; }
    long numberOfTickMarks() const { return tickMarks_; }
    void setNumberOfTickMarks(long n) { tickMarks_ = n; }
    bool allowsTickMarkValuesOnly() const { return tickValuesOnly_; }
    void setAllowsTickMarkValuesOnly(bool b) { tickValuesOnly_ = b; }

    // Clamped to the range (and to the tick marks when only those are allowed).
    void setObjectValue(Value value) override;
    // The value the knob has with the mouse at `p` in the control view.
    double valueForPoint(Point p, const std::shared_ptr<View>& controlView) const;

    bool startTracking(Point startPoint, const std::shared_ptr<View>& controlView) override;
    bool continueTracking(Point lastPoint, Point currentPoint, const std::shared_ptr<View>& controlView) override;
    void stopTracking(Point lastPoint, Point stopPoint, const std::shared_ptr<View>& controlView,
                      bool mouseIsUp) override;

private:
    double min_ = 0;
    double max_ = 1;
    bool vertical_ = false;
    double knobThickness_ = 0;
    long tickMarks_ = 0;
    bool tickValuesOnly_ = false;
};

class Slider : public Control {
public:
    explicit Slider(Rect frame = {});

    std::shared_ptr<SliderCell> sliderCell() const { return std::dynamic_pointer_cast<SliderCell>(cell()); }
    double minValue() const { return sliderCell()->minValue(); }
    void setMinValue(double v);
    double maxValue() const { return sliderCell()->maxValue(); }
    void setMaxValue(double v);
    bool isVertical() const { return sliderCell()->isVertical(); }
    void setVertical(bool b) { sliderCell()->setVertical(b); }
    // Whether a mouse up outside the slider still sends the action (it does).
    bool sendsActionOnMouseUpOutside() const override { return true; }
    void drawRect(const Rect& dirtyRect) override;
};

}  // namespace platform
