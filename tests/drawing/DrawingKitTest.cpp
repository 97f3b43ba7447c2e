#include <gtest/gtest.h>

#include <set>

#include "drawing/DrawingKit.h"
#include "drawing/DrawingTestSupport.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "support/FreltTest.h"

using namespace platform;
using frelt::DrawingKit;
using drawingtest::CapturingContext;
using drawingtest::Lines;
using drawingtest::withoutPathData;
using RB = DrawingKit::ResizingBehavior;

namespace {

class DrawingKitTest : public FreltTest {
protected:
    CapturingContext context;
    GraphicsContext::Scope scope{context};

    const Lines& ops() const { return context.operations(); }
};

std::string fillOf(const BezierPath& p) { return "fill path " + p.description() + " nonZero"; }

// --- resizing

TEST_F(DrawingKitTest, ResizingFitsFillsStretchesOrCentresTheCanvas) {
    const Rect canvas(0, 0, 36, 36);
    struct Case {
        Rect target;
        RB behavior;
        Rect expected;
    };
    const Case cases[] = {
        {Rect(0, 0, 36, 18), RB::aspectFit, Rect(9, 0, 18, 18)},
        {Rect(0, 0, 36, 18), RB::aspectFill, Rect(0, -9, 36, 36)},
        {Rect(0, 0, 36, 18), RB::stretch, Rect(0, 0, 36, 18)},
        {Rect(0, 0, 36, 18), RB::center, Rect(0, -9, 36, 36)},
        {Rect(10, 20, 72, 72), RB::aspectFit, Rect(10, 20, 72, 72)},
        // A rectangle given with negative sizes is taken as the one it covers.
        {Rect(36, 18, -36, -18), RB::aspectFit, Rect(9, 0, 18, 18)},
        // The canvas itself and the zero rectangle leave the canvas unscaled at its origin.
        {canvas, RB::stretch, canvas},
        {Rect(), RB::aspectFit, canvas},
        {Rect(), RB::center, canvas},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DrawingKit::resizingRect(canvas, c.target, c.behavior), c.expected)
            << c.target << " behaviour " << static_cast<long>(c.behavior);

    EXPECT_EQ(DrawingKit::resizingBehaviorFromRawValue(0), RB::aspectFit);
    EXPECT_EQ(DrawingKit::resizingBehaviorFromRawValue(3), RB::center);
    EXPECT_EQ(DrawingKit::resizingBehaviorFromRawValue(4), std::nullopt);
    EXPECT_EQ(DrawingKit::resizingBehaviorFromRawValue(-1), std::nullopt);
}

TEST_F(DrawingKitTest, TheBrandColourIsMadeOnce) {
    EXPECT_EQ(&DrawingKit::quandorOrange(), &DrawingKit::quandorOrange());
    EXPECT_EQ(describeColor(DrawingKit::quandorOrange()), "rgba(1 0.635 0 1)");
}

// --- colour circle

TEST_F(DrawingKitTest, AColourCircleFillsItsDiscThenCastsAnInnerShadowThenStrokesTheOutline) {
    // 36 x 18 with aspect fit: the canvas at half size, centred.
    DrawingKit::drawColorCircleDarkUICanvasWithFrame(Rect(0, 0, 36, 18), 0, false, 0.2, 0.4, 0.6, 1);
    const BezierPath disc = BezierPath::withOvalInRect(Rect(0.5, 0.5, 35, 35));
    EXPECT_EQ(ops(), (Lines{
                         "save", "translate 9 0", "scale 0.5 0.5",
                         "fill color rgba(0.2 0.4 0.6 1)", fillOf(disc),
                         // the inner shadow, scaled with the circle
                         "save", "clip rect 0.5 0.5 35 35", "shadow none", "alpha 0.45", "begin layer",
                         "shadow rgba(0 0 0 1) offset 0 1 blur 3", "blend sourceOut", "begin layer",
                         "fill color rgba(0 0 0 1)", fillOf(disc), "end layer", "end layer", "restore",
                         // grey 0.799 darkened by a fifth of black
                         "stroke color rgba(0.6392 0.6392 0.6392 1)",
                         "stroke path " + disc.description() + " width 1 cap butt join miter",
                         "restore",
                     }));
    EXPECT_EQ(context.saveDepth(), 0);
    EXPECT_EQ(context.layerDepth(), 0);
}

TEST_F(DrawingKitTest, TheColourCircleShadowFollowsTheMappedSize) {
    struct Case {
        Rect frame;
        long resizing;
        std::string translate, scale, shadow;
    };
    const Case cases[] = {
        {Rect(0, 0, 36, 36), 0, "translate 0 0", "scale 1 1", "offset 0 2 blur 6"},
        {Rect(0, 0, 18, 18), 0, "translate 0 0", "scale 0.5 0.5", "offset 0 1 blur 3"},
        {Rect(0, 0, 72, 36), 0, "translate 18 0", "scale 1 1", "offset 0 2 blur 6"},
        // stretched into an ellipse: the smaller scale shrinks the shadow
        {Rect(0, 0, 36, 18), 2, "translate 0 0", "scale 1 0.5", "offset 0 1 blur 3"},
        // centred at full size, overflowing the frame
        {Rect(0, 0, 36, 18), 3, "translate 0 -9", "scale 1 1", "offset 0 2 blur 6"},
    };
    for (const auto& c : cases) {
        context.clear();
        DrawingKit::drawColorCircleLightUICanvasWithFrame(c.frame, c.resizing, false, 1, 0, 0, 1);
        ASSERT_GE(ops().size(), 11u);
        EXPECT_EQ(ops()[1], c.translate) << c.frame << " " << c.resizing;
        EXPECT_EQ(ops()[2], c.scale) << c.frame << " " << c.resizing;
        EXPECT_EQ(ops()[10], "shadow rgba(0 0 0 1) " + c.shadow) << c.frame << " " << c.resizing;
    }
}

TEST_F(DrawingKitTest, HoveringAddsASecondRingInTheHoverColour) {
    DrawingKit::drawColorCircleLightUICanvasWithFrame(Rect(0, 0, 36, 36), 0, true, 1, 1, 1, 0);
    const BezierPath ring = BezierPath::withOvalInRect(Rect(1, 1, 34, 34));
    const auto& d = context.drawn;
    // disc, shadow fill, outline; ring, shadow fill, hover outline
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(describeColor(d[0].color), "rgba(1 1 1 0)") << "a circle without colour is filled transparent";
    EXPECT_EQ(describeColor(d[2].color), "rgba(0.8794 0.8794 0.8794 1)") << "light outline: grey lightened 0.4";
    EXPECT_EQ(d[3].path, ring);
    EXPECT_TRUE(d[5].stroked);
    EXPECT_EQ(d[5].path.lineWidth(), 1.5);
    EXPECT_EQ(describeColor(d[5].color), "rgba(1 1 1 1)") << "the light hover colour is white";

    context.clear();
    context.drawn.clear();
    DrawingKit::drawColorCircleDarkUICanvasWithFrame(Rect(0, 0, 36, 36), 0, true, 1, 1, 1, 1);
    EXPECT_EQ(describeColor(context.drawn[5].color), "rgba(0.9598 0.9598 0.9598 1)");
}

// --- entry background and group box

TEST_F(DrawingKitTest, TheEntryBackgroundKeepsASevenPointBarWithOrWithoutBackground) {
    DrawingKit::drawFreltBackgroundWithFrame(Rect(10, 20, 300, 30), 0.1, 0.2, 0.3, 0.25, 0.9, true);
    EXPECT_EQ(ops(), (Lines{"fill color rgba(0.1 0.2 0.3 0.25)",
                            fillOf(BezierPath::withRoundedRect(Rect(10, 20, 300, 30), 5, 5)),
                            "fill color rgba(0.1 0.2 0.3 0.9)",
                            fillOf(BezierPath::withRoundedRect(Rect(13, 22, 7, 26), 3.5, 3.5))}));

    // No background, and a frame narrower than the bar: the bar stays 7 wide.
    context.clear();
    DrawingKit::drawFreltBackgroundWithFrame(Rect(0, 0, 6, 10), 0.1, 0.2, 0.3, 0.25, 0.9, false);
    EXPECT_EQ(ops(), (Lines{"fill color rgba(0.1 0.2 0.3 0.9)",
                            fillOf(BezierPath::withRoundedRect(Rect(3, 2, 7, 6), 3.5, 3.5))}));
}

TEST_F(DrawingKitTest, TheGroupBoxIsInsetByTwoPointsInTheVariantsColours) {
    const BezierPath box = BezierPath::withRoundedRect(Rect(12, 2, 96, 46), 5, 5);
    DrawingKit::drawGroupBoxLightUICanvasWithFrame(Rect(10, 0, 100, 50));
    EXPECT_EQ(ops(), (Lines{"fill color rgba(1 1 1 0.157)", fillOf(box),
                            // the outline base blended with 0.3 of black
                            "stroke color rgba(0.497 0.497 0.497 0.5198)",
                            "stroke path " + box.description() + " width 1 cap butt join miter"}));
    context.clear();
    DrawingKit::drawGroupBoxDarkUICanvasWithFrame(Rect(10, 0, 100, 50));
    EXPECT_EQ(ops()[0], "fill color rgba(0.741 0.741 0.741 0.098)");
    EXPECT_EQ(ops()[2], "stroke color rgba(0.739 0.739 0.739 0.3826)");

    // Frames of 4 points or less leave nothing of positive size.
    context.drawn.clear();
    DrawingKit::drawGroupBoxLightUICanvasWithFrame(Rect(0, 0, 4, 3));
    ASSERT_FALSE(context.drawn.empty());
    EXPECT_TRUE(context.drawn[0].bounds().isEmpty());
}

TEST_F(DrawingKitTest, TheLogoFillsItsCanvasInTheTextColourAndTheBrandColourOnly) {
    DrawingKit::drawQuandorLightUIWithFrame(Rect(0, 0, 227, 43), 0);
    std::set<std::string> colours;
    Rect extent;
    for (const auto& d : context.drawn) {
        EXPECT_FALSE(d.stroked);
        colours.insert(describeColor(d.color));
        extent = extent.isEmpty() ? d.bounds() : extent.unionWith(d.bounds());
    }
    EXPECT_EQ(colours, (std::set<std::string>{"rgba(0 0 0 1)", "rgba(1 0.635 0 1)"}));
    EXPECT_TRUE(Rect(0, 0, 227, 43).contains(extent)) << extent;

    context.clear();
    context.drawn.clear();
    DrawingKit::drawQuandorDarkUIWithFrame(Rect(0, 0, 113.5, 100), 0);
    EXPECT_EQ(ops()[1], "translate 0 39.25");
    EXPECT_EQ(ops()[2], "scale 0.5 0.5");
    for (const auto& d : context.drawn) EXPECT_NE(describeColor(d.color), "rgba(0 0 0 1)") << "dark: white text";
}

}  // namespace
