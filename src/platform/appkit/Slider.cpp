#include "platform/appkit/Slider.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/GraphicsContext.h"

namespace platform {

void SliderCell::setObjectValue(Value value) {
    double v = value.asDouble().value_or(0);
    if (auto s = value.asString()) {
        try {
            v = std::stod(*s);
        } catch (...) {
            v = min_;
        }
    }
    const double lo = std::min(min_, max_), hi = std::max(min_, max_);
    v = std::clamp(v, lo, hi);
    if (tickValuesOnly_ && tickMarks_ > 1) {
        const double step = (max_ - min_) / static_cast<double>(tickMarks_ - 1);
        if (step != 0) v = min_ + std::round((v - min_) / step) * step;
    }
    Cell::setObjectValue(Value(v));
}

double SliderCell::valueForPoint(Point p, const std::shared_ptr<View>& controlView) const {
    if (!controlView) return doubleValue();
    const Rect b = controlView->bounds();
    const double length = (vertical_ ? b.height() : b.width()) - knobThickness_;
    if (length <= 0) return min_;
    double fraction = vertical_ ? (p.y - b.minY() - knobThickness_ / 2) / length
                                : (p.x - b.minX() - knobThickness_ / 2) / length;
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (vertical_) fraction = 1 - fraction;  // the minimum is at the bottom
    return min_ + fraction * (max_ - min_);
}

bool SliderCell::startTracking(Point startPoint, const std::shared_ptr<View>& controlView) {
    setObjectValue(Value(valueForPoint(startPoint, controlView)));
    return true;
}

bool SliderCell::continueTracking(Point, Point currentPoint, const std::shared_ptr<View>& controlView) {
    setObjectValue(Value(valueForPoint(currentPoint, controlView)));
    return true;
}

void SliderCell::stopTracking(Point, Point stopPoint, const std::shared_ptr<View>& controlView, bool mouseIsUp) {
    if (mouseIsUp) setObjectValue(Value(valueForPoint(stopPoint, controlView)));
}

Slider::Slider(Rect frame) : Control(frame) {
    setCell(std::make_shared<SliderCell>());
    setContinuous(true);
    cell()->setObjectValue(Value(0.0));
}

void Slider::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context) return;
    ControlDrawing d = controlDrawing(ControlKind::slider);
    auto c = sliderCell();
    d.minValue = c->minValue();
    d.maxValue = c->maxValue();
    d.value = c->doubleValue();
    d.vertical = c->isVertical();
    d.numberOfTickMarks = c->numberOfTickMarks();
    context->drawControl(d, bounds());
}

void Slider::setMinValue(double v) {
    sliderCell()->setMinValue(v);
    sliderCell()->setObjectValue(sliderCell()->objectValue());
}

void Slider::setMaxValue(double v) {
    sliderCell()->setMaxValue(v);
    sliderCell()->setObjectValue(sliderCell()->objectValue());
}

}  // namespace platform
