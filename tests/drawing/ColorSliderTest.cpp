#include <gtest/gtest.h>

#include "drawing/controls/ColorSlider.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using namespace frelt;
using Calls = std::vector<std::string>;

namespace {

// A cell that writes down the tracking calls it gets before doing its work.
class RecordingCell : public ColorSliderCell {
public:
    explicit RecordingCell(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    bool startTracking(Point p, const std::shared_ptr<View>& v) override {
        calls_->push_back("start");
        return ColorSliderCell::startTracking(p, v);
    }
    bool continueTracking(Point last, Point p, const std::shared_ptr<View>& v) override {
        calls_->push_back("continue");
        return ColorSliderCell::continueTracking(last, p, v);
    }
    void stopTracking(Point last, Point p, const std::shared_ptr<View>& v, bool mouseIsUp) override {
        calls_->push_back(mouseIsUp ? "stop (mouse up)" : "stop");
        ColorSliderCell::stopTracking(last, p, v, mouseIsUp);
    }

private:
    std::shared_ptr<Calls> calls_;
};

class ColorSliderTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        window = std::make_shared<Window>(Rect(0, 0, 300, 100));
    }
    // A slider as a scene makes it: laid out, then woken.
    std::shared_ptr<ColorSlider> makeSlider(Rect frame = Rect(10, 10, 200, 20), double max = 100, double value = 0) {
        auto slider = std::make_shared<ColorSlider>(frame);
        slider->setMinValue(0);
        slider->setMaxValue(max);
        slider->setDoubleValue(value);
        slider->setContinuous(false);
        window->contentView()->addSubview(slider);
        slider->awakeFromNib();
        return slider;
    }
    void mouse(EventType type, const std::shared_ptr<View>& view, Point inView) {
        Application::shared()->sendEvent(Event::mouseEvent(type, view->convertPointToWindow(inView), 0, window));
    }
    std::string knobFill(const ColorSlider& s) { return describeColor(*s.knobLayer()->fillColor()); }

    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<Window> window;
};

TEST_F(ColorSliderTest, WakingUpAttachsTheLayersAndShowsTheGradientAsAThinLine) {
    auto slider = makeSlider(Rect(10, 10, 200, 20), 100, 50);
    EXPECT_TRUE(std::dynamic_pointer_cast<ColorSliderCell>(slider->cell()));
    EXPECT_EQ(slider->maxValue(), 100) << "the laid-out range carries over to the new cell";
    EXPECT_EQ(slider->doubleValue(), 50);

    EXPECT_EQ(slider->layer(), slider->rootLayer());
    const auto& subs = slider->rootLayer()->sublayers();
    ASSERT_EQ(subs.size(), 3u);
    EXPECT_EQ(subs[0], slider->backgroundLayer());
    EXPECT_EQ(subs[1], slider->backgroundGradientLayer());
    EXPECT_EQ(subs[2], slider->knobLayer());
    EXPECT_EQ(slider->backgroundGradientLayer()->mask(), slider->backgroundLayer());
    EXPECT_EQ(*slider->backgroundLayer()->path(), BezierPath::withRoundedRect(Rect(0, 8.5, 200, 3), 1.5, 1.5));
    EXPECT_EQ(slider->backgroundGradientLayer()->colors().size(), 11u);
    EXPECT_EQ(slider->backgroundGradientLayer()->startPoint(), (Point{0, 0}));
    EXPECT_EQ(slider->backgroundGradientLayer()->endPoint(), (Point{1, 0}));

    // The knob sits at the value on the track inset by half the knob and its
    // border: 8.5 + 0.5 * 183.
    EXPECT_EQ(*slider->knobLayer()->path(), BezierPath::withOvalInRect(Rect(100 - 7.5, 2.5, 15, 15)));
    EXPECT_EQ(knobFill(*slider), describeColor(Color::calibratedHSB(0.5, 1, 1, 1)));
    EXPECT_EQ(slider->knobLayer()->shadowOpacity(), 0.35);
    EXPECT_EQ(slider->knobLayer()->lineWidth(), 1);

    // It paints through its layers only.
    RecordingGraphicsContext context;
    drawViewHierarchy(*slider, context);
    const auto& ops = context.operations();
    EXPECT_NE(std::find_if(ops.begin(), ops.end(), [](const std::string& l) { return l.rfind("gradient", 0) == 0; }),
              ops.end());
}

TEST_F(ColorSliderTest, PressDragReleaseTracksInOrderGrowsTheBarAndActsAtMouseUp) {
    auto slider = std::make_shared<ColorSlider>(Rect(10, 10, 200, 20));
    auto cell = std::make_shared<RecordingCell>(calls);
    cell->setMaxValue(100);
    slider->setCell(cell);
    slider->setContinuous(false);
    window->contentView()->addSubview(slider);
    slider->awakeFromNib();
    cell->parent = slider;
    EXPECT_EQ(slider->cell(), cell) << "a colour slider cell is kept";
    slider->setActionHandler([this](const std::shared_ptr<Control>& c) {
        calls->push_back("action " + formatNumber(c->doubleValue()));
    });
    kit::makeKey(window);

    mouse(EventType::leftMouseDown, slider, {50, 10});
    EXPECT_TRUE(slider->isTracking());
    EXPECT_EQ(*slider->backgroundLayer()->path(), slider->backgroundFilledRect()) << "the line grows into the bar";
    auto grow = slider->backgroundLayer()->animationForKey("animateBackgroundHeight");
    ASSERT_TRUE(grow);
    EXPECT_EQ(grow->keyPath(), "path");
    EXPECT_EQ(grow->duration(), 0.05);
    EXPECT_EQ(slider->backgroundFilledRect().bounds().height(), 10);

    mouse(EventType::leftMouseDragged, slider, {100, 10});
    mouse(EventType::leftMouseDragged, slider, {150, 10});
    EXPECT_TRUE(slider->isDragging());
    EXPECT_TRUE(slider->needsDisplay());
    RecordingGraphicsContext paint;
    drawViewHierarchy(*slider, paint);
    EXPECT_EQ(slider->knobLayer()->path()->bounds().midX(), slider->knobPositionX()) << "the knob follows the drag";
    EXPECT_GT(slider->knobPositionX(), 100);

    mouse(EventType::leftMouseUp, slider, {150, 10});
    EXPECT_FALSE(slider->isTracking());
    EXPECT_EQ(*slider->backgroundLayer()->path(), slider->backgroundLinedRect()) << "and shrinks back";
    EXPECT_EQ(slider->backgroundLayer()->animationForKey("animateBackgroundHeight")->duration(), 0.15);

    // No action before the mouse goes up; then the end of tracking and the
    // slider's mouse-up both send it, with the final value.
    const std::string value = formatNumber(slider->doubleValue());
    EXPECT_EQ(*calls, (Calls{"start", "continue", "continue", "stop (mouse up)", "action " + value, "action " + value}));
}

TEST_F(ColorSliderTest, ADisabledSliderRefusesTrackingAndShowsGrey) {
    auto slider = makeSlider();
    int actions = 0;
    slider->setActionHandler([&](const std::shared_ptr<Control>&) { ++actions; });
    slider->setEnabled(false);
    kit::makeKey(window);

    EXPECT_FALSE(slider->acceptsFirstResponder());
    EXPECT_EQ(knobFill(*slider), "rgba(0.9843 0.9843 0.9843 1)");
    EXPECT_EQ(slider->knobLayer()->shadowOpacity(), 0.1);
    for (const auto& c : slider->backgroundGradientLayer()->colors()) EXPECT_TRUE(c.isWhite()) << describeColor(c);
    // Hue 0 is red: half of (1 + 0 + 0) is a middle grey.
    EXPECT_EQ(describeColor(slider->backgroundGradientLayer()->colors().front()), "rgba(0.5 0.5 0.5 1)");

    mouse(EventType::leftMouseDown, slider, {50, 10});
    mouse(EventType::leftMouseDragged, slider, {100, 10});
    mouse(EventType::leftMouseUp, slider, {100, 10});
    EXPECT_FALSE(slider->isTracking());
    EXPECT_EQ(actions, 0);
    EXPECT_EQ(slider->doubleValue(), 0);
}

TEST_F(ColorSliderTest, WithoutAnimationTheLineStaysButTheActionStillGoes) {
    auto slider = makeSlider();
    slider->useAnimation = false;
    int actions = 0;
    slider->setActionHandler([&](const std::shared_ptr<Control>&) { ++actions; });
    kit::makeKey(window);
    mouse(EventType::leftMouseDown, slider, {50, 10});
    EXPECT_EQ(*slider->backgroundLayer()->path(), slider->backgroundLinedRect());
    EXPECT_TRUE(slider->backgroundLayer()->animationKeys().empty());
    mouse(EventType::leftMouseUp, slider, {60, 10});
    EXPECT_GT(actions, 0);
}

TEST_F(ColorSliderTest, SizesAreKeptWithinTheirLimits) {
    auto slider = makeSlider(Rect(0, 0, 200, 20));
    slider->setKnobBorderSize(7);
    EXPECT_EQ(slider->knobBorderSize(), 5);
    slider->setKnobHeight(40);
    EXPECT_EQ(slider->knobHeight(), 20);
    slider->setSliderHeight(12);
    EXPECT_EQ(slider->sliderHeight(), 12);
    slider->setSliderHeight(25);
    EXPECT_EQ(slider->sliderHeight(), 20);

    // A range without width puts the knob at the left end of the inset track.
    auto flat = makeSlider(Rect(0, 40, 200, 20), 0, 0);
    EXPECT_EQ(flat->knobPositionX(), 7.5 + 1);
}

TEST_F(ColorSliderTest, TheColourFollowsTheValueAcrossTheHueCircle) {
    auto slider = makeSlider(Rect(0, 0, 200, 20), 360, 0);
    slider->setSaturation(0.5f);
    struct Case {
        double value;
        double hue;
    };
    for (const Case c : {Case{0, 0}, Case{180, 0.5}, Case{360, 1.0}}) {
        slider->setDoubleValue(c.value);
        EXPECT_EQ(describeColor(slider->currentColor()), describeColor(Color::calibratedHSB(c.hue, 0.5, 1, 1)))
            << c.value;
    }
    EXPECT_EQ(describeColor(slider->currentColor()), "rgba(1 0.5 0.5 1)") << "the right end is red again";

    // A slider whose range ends at 0 stands for hue 0, not for a colour of no number.
    auto empty = makeSlider(Rect(0, 40, 200, 20), 0, 0);
    EXPECT_EQ(describeColor(empty->currentColor()), "rgba(1 0 0 1)");
}

TEST_F(ColorSliderTest, TheTemperatureGradientStepsFromTheMinimumTowardsTheMaximum) {
    auto slider = makeSlider();
    slider->setColorType(ColorSlider::ColorType::temperature);
    // 6500 to 2200: the end is 1770, the step -473; ten stops from 6500 to
    // 2243, each coloured as the temperature 500 K higher.
    const auto& colors = slider->backgroundGradientLayer()->colors();
    ASSERT_EQ(colors.size(), 10u);
    EXPECT_EQ(colors.front(), ColorSlider::colorForTemperature(7000));
    EXPECT_EQ(colors.back(), ColorSlider::colorForTemperature(2243 + 500));

    // A range narrower than one step gives one stop instead of never ending.
    slider->setColorTemperatureMin(3000);
    slider->setColorTemperatureMax(3005);
    ASSERT_EQ(slider->backgroundGradientLayer()->colors().size(), 1u);
    EXPECT_EQ(slider->backgroundGradientLayer()->colors()[0], ColorSlider::colorForTemperature(3500));

    slider->setColorType(ColorSlider::ColorType::unknown);
    EXPECT_EQ(slider->backgroundGradientLayer()->colors(), std::vector<Color>{Color::black()});

    EXPECT_EQ(ColorSlider::colorTypeFromRawValue(3), ColorSlider::ColorType::color);
    EXPECT_EQ(ColorSlider::colorTypeFromRawValue(4), ColorSlider::ColorType::temperature);
    EXPECT_EQ(ColorSlider::colorTypeFromRawValue(0), ColorSlider::ColorType::unknown);
    for (long raw : {1L, 2L, 5L, -1L}) EXPECT_EQ(ColorSlider::colorTypeFromRawValue(raw), std::nullopt) << raw;
}

TEST_F(ColorSliderTest, TemperaturesMapToBlackBodyColours) {
    struct Case {
        long kelvin;
        int red, green, blue;
    };
    const Case cases[] = {
        {1000, 255, 67, 0}, {2000, 255, 136, 13}, {6600, 255, 255, 255}, {10000, 201, 218, 255},
        // no temperature at all: the logarithm has no value there
        {-600, 255, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ColorSlider::colorForTemperature(c.kelvin), Color::sRGB(c.red / 255.0, c.green / 255.0, c.blue / 255.0))
            << c.kelvin;
    }
}

}  // namespace
