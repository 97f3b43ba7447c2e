#pragma once
// How well one colour stands out against another, as people read it: the
// contrast ratio of two relative luminances (1:1 to 21:1). Controls that act
// need 3:1 against what is behind them to look enabled.

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/SystemColors.h"

namespace contrast {

// `front` composed over the opaque `back` (alpha included).
inline platform::Color::RGBA over(const platform::Color::RGBA& front, const platform::Color::RGBA& back) {
    const double a = front.alpha;
    return {front.red * a + back.red * (1 - a), front.green * a + back.green * (1 - a),
            front.blue * a + back.blue * (1 - a), 1};
}

inline double luminance(const platform::Color::RGBA& c) {
    auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
}

// The ratio of `front` drawn on `back`, both resolved in `appearance`.
inline double ratio(const platform::Color& front, const platform::Color& back, const platform::AppearanceName& appearance) {
    const auto b = platform::systemcolors::resolve(back, appearance).value_or(platform::Color::RGBA{1, 1, 1, 1});
    const auto f = over(platform::systemcolors::resolve(front, appearance).value_or(b), b);
    const double l1 = luminance(f), l2 = luminance(b);
    return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

// A recording that also keeps every fill and stroke colour set, in order.
class ColourRecordingContext : public platform::RecordingGraphicsContext {
public:
    std::vector<platform::Color> colours;
    void setFillColor(const platform::Color& color) override {
        colours.push_back(color);
        RecordingGraphicsContext::setFillColor(color);
    }
    void setStrokeColor(const platform::Color& color) override {
        colours.push_back(color);
        RecordingGraphicsContext::setStrokeColor(color);
    }
};

}  // namespace contrast
