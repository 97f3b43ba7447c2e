#include <gtest/gtest.h>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/View.h"
#include "support/FreltTest.h"

using namespace platform;
using Lines = std::vector<std::string>;

namespace {

class LayerTest : public FreltTest {};

class RecordingAnimationDelegate : public AnimationDelegate {
public:
    std::vector<std::string> calls;
    void animationDidStart(const BasicAnimation& a) override { calls.push_back("start " + a.keyPath()); }
    void animationDidStop(const BasicAnimation& a, bool finished) override {
        calls.push_back("stop " + a.keyPath() + (finished ? " finished" : " cut"));
    }
};

BezierPath pathAt(const std::optional<AnimationValue>& v) {
    return v && std::holds_alternative<BezierPath>(*v) ? std::get<BezierPath>(*v) : BezierPath();
}

TEST_F(LayerTest, APathAnimationGrowsTheLineIntoTheBarOnTheRunLoopsClock) {
    // The colour slider's background: a 3-point line that grows into a
    // 10-point bar while the user drags.
    auto layer = std::make_shared<ShapeLayer>();
    const BezierPath line = BezierPath::withRoundedRect(Rect(0, 8.5, 100, 3), 1.5, 1.5);
    const BezierPath bar = BezierPath::withRoundedRect(Rect(0, 5, 100, 10), 5, 5);
    layer->setPath(line);
    auto delegate = std::make_shared<RecordingAnimationDelegate>();
    BasicAnimation grow("path");
    grow.setFromValue(line);
    grow.setToValue(bar);
    grow.setDuration(0.05);
    grow.setDelegate(delegate);
    layer->addAnimation(grow, "animateBackgroundHeight");
    layer->setPath(bar);

    EXPECT_EQ(pathAt(layer->presentationValue("path")), line);
    advance(0.025);
    const auto half = pathAt(layer->presentationValue("path"));
    EXPECT_EQ(half, *BezierPath::interpolate(line, bar, 0.5));
    EXPECT_NEAR(half.bounds().height(), 6.5, 1e-9);
    EXPECT_EQ(layer->animationKeys(), (std::vector<std::string>{"animateBackgroundHeight"}));
    advance(0.025);
    EXPECT_EQ(pathAt(layer->presentationValue("path")), bar);
    EXPECT_EQ(layer->animationForKey("animateBackgroundHeight"), nullptr) << "removed at its end";
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"start path", "stop path finished"}));
}

TEST_F(LayerTest, NumbersFollowTheTimingFunctionAndUnsetEndsTakeTheShownAndModelValues) {
    auto layer = std::make_shared<Layer>();
    layer->setOpacity(0.2);
    BasicAnimation fade("opacity");
    fade.setDuration(1);
    fade.setTimingFunction(TimingFunction::easeInEaseOut);
    fade.setToValue(1.0);
    layer->addAnimation(fade, "fade");  // from what is shown: 0.2
    layer->setOpacity(1);
    struct Sample {
        double at;
        double low, high;
    };
    double elapsed = 0;
    for (const auto& s : {Sample{0, 0.2, 0.2}, Sample{0.25, 0.2, 0.35}, Sample{0.5, 0.6, 0.6}, Sample{0.75, 0.85, 0.95}}) {
        advance(s.at - elapsed);
        elapsed = s.at;
        const double v = *layer->presentationDouble("opacity");
        EXPECT_GE(v, s.low - 1e-9) << "at " << s.at;
        EXPECT_LE(v, s.high + 1e-9) << "at " << s.at;
    }
    advance(0.3);
    EXPECT_EQ(*layer->presentationDouble("opacity"), 1);

    // No ends at all: from the value shown to the model value set after.
    BasicAnimation round("cornerRadius");
    round.setDuration(2);
    layer->addAnimation(round, "");
    layer->setCornerRadius(4);
    advance(1);
    EXPECT_DOUBLE_EQ(*layer->presentationDouble("cornerRadius"), 2);
}

TEST_F(LayerTest, AnAnimationUnderTheSameKeyReplacesTheRunningOne) {
    auto layer = std::make_shared<Layer>();
    auto delegate = std::make_shared<RecordingAnimationDelegate>();
    BasicAnimation first("opacity");
    first.setFromValue(0.0);
    first.setToValue(1.0);
    first.setDuration(1);
    first.setDelegate(delegate);
    layer->addAnimation(first, "k");
    advance(0.5);
    BasicAnimation second = first;
    second.setFromValue(std::nullopt);  // starts where the first one is now
    second.setToValue(0.0);
    layer->addAnimation(second, "k");
    EXPECT_DOUBLE_EQ(*layer->presentationDouble("opacity"), 0.5);
    advance(0.5);
    EXPECT_DOUBLE_EQ(*layer->presentationDouble("opacity"), 0.25);
    advance(1);
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"start opacity", "stop opacity cut", "start opacity",
                                                          "stop opacity finished"}));
    EXPECT_EQ(*layer->presentationDouble("opacity"), 1) << "the model value once nothing runs";

    // An animation on a layer that goes away never calls back.
    auto gone = std::make_shared<Layer>();
    gone->addAnimation(first, "k");
    gone.reset();
    delegate->calls.clear();
    advance(2);
    EXPECT_TRUE(delegate->calls.empty());
}

TEST_F(LayerTest, ATreeDrawsClippedToItsMaskWithItsShadowAndGradient) {
    // The clear button: a grey disc masked by the disc minus a cross.
    auto root = std::make_shared<Layer>();
    root->setFrame(Rect(0, 0, 20, 20));
    auto disc = std::make_shared<ShapeLayer>();
    disc->setFrame(Rect(0, 0, 20, 20));
    disc->setFillColor(Color::sRGB(0.75, 0.75, 0.75));
    disc->setPath(BezierPath::withOvalInRect(Rect(0, 0, 20, 20)));
    auto mask = std::make_shared<ShapeLayer>();
    mask->setFrame(Rect(0, 0, 20, 20));
    BezierPath cut = BezierPath::withOvalInRect(Rect(0, 0, 20, 20));
    cut.appendRect(Rect(9, 4, 2, 12));
    mask->setPath(cut);
    mask->setFillRule(FillRule::evenOdd);
    disc->setMask(mask);
    root->addSublayer(disc);
    auto gradient = std::make_shared<GradientLayer>();
    gradient->setFrame(Rect(0, 20, 20, 4));
    gradient->setColors({Color::sRGB(1, 0, 0), Color::sRGB(0, 0, 1)});
    gradient->setStartPoint({0, 0});
    gradient->setEndPoint({1, 0});
    gradient->setShadowOpacity(0.35);
    gradient->setShadowOffset({0, 0.5});
    gradient->setShadowRadius(1);
    root->addSublayer(gradient);
    EXPECT_EQ(disc->superlayer(), root);

    RecordingGraphicsContext context;
    drawLayer(*root, context);
    BezierPath evenOdd = cut;
    evenOdd.setWindingRule(WindingRule::evenOdd);
    EXPECT_EQ(context.operations(),
              (Lines{"save", "save", "clip path " + evenOdd.description() + " evenOdd", "fill color rgba(0.75 0.75 0.75 1)",
                     "fill path " + BezierPath::withOvalInRect(Rect(0, 0, 20, 20)).description() + " nonZero",
                     "restore", "save", "translate 0 20", "shadow rgba(0 0 0 0.35) offset 0 0.5 blur 1", "begin layer",
                     "gradient rgba(1 0 0 1) 0, rgba(0 0 1 1) 1 from 0 0 to 20 0", "end layer", "restore",
                     "restore"}));

    gradient->removeFromSuperlayer();
    EXPECT_EQ(root->sublayers().size(), 1u);
    disc->addSublayer(root);  // would make a cycle
    EXPECT_TRUE(disc->sublayers().empty());
}

TEST_F(LayerTest, AViewsBackingLayerIsDrawnInItsBounds) {
    auto view = std::make_shared<View>(Rect(10, 10, 30, 20));
    view->setWantsLayer(true);
    view->layer()->setBackgroundColor(Color::white());
    view->layer()->setCornerRadius(0);
    RecordingGraphicsContext context;
    drawViewHierarchy(*view, context);
    EXPECT_EQ(context.operations(), (Lines{"save", "clip rect 0 0 30 20", "save", "fill color rgba(1 1 1 1)",
                                           "fill path M0 0 L30 0 L30 20 L0 20 Z nonZero", "restore", "restore"}));
}

}  // namespace
