#include <gtest/gtest.h>

#include <cmath>

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

namespace {

const std::string grey = "rgba(0.799 0.799 0.799 1)";
const std::string orange = "rgba(1 0.635 0 1)";
const std::string red = "rgba(1 0 0 1)";
// The lines of buttons that act: the secondary label colour (light palette).
const std::string controlGrey = "rgba(0 0 0 0.5)";

class DrawingKitIconsTest : public FreltTest {
protected:
    CapturingContext context;
    GraphicsContext::Scope scope{context};

    std::vector<std::string> colours() const {
        std::vector<std::string> out;
        for (const auto& d : context.drawn) out.push_back(std::string(d.stroked ? "stroke " : "fill ") + describeColor(d.color));
        return out;
    }
    void reset() {
        context.clear();
        context.drawn.clear();
    }
};

bool near(const Rect& a, const Rect& b, double tolerance = 0.02) {
    return std::fabs(a.minX() - b.minX()) < tolerance && std::fabs(a.minY() - b.minY()) < tolerance &&
           std::fabs(a.width() - b.width()) < tolerance && std::fabs(a.height() - b.height()) < tolerance;
}

TEST_F(DrawingKitIconsTest, CogAndPowerSymbolAreGreyAndTurnWhollyOrangeOnHover) {
    struct Case {
        const char* name;
        void (*draw)(const Rect&, long, bool);
        Rect extent;
    };
    const Case cases[] = {
        // axis teeth reach to 0.77 from each edge
        {"cog", DrawingKit::drawIcon_settingCanvasWithFrame, Rect(0.77, 0.77, 16.46, 16.46)},
        // the stem starts at y 0.58; the ring is 16.4 across
        {"power", DrawingKit::drawIcon_exitCanvasWithFrame, Rect(0.8, 0.58, 16.4, 16.62)},
    };
    for (const auto& c : cases) {
        reset();
        c.draw(Rect(0, 0, 18, 18), 0, false);
        EXPECT_EQ(colours(), (std::vector<std::string>{"fill " + grey})) << c.name;
        ASSERT_EQ(context.drawn.size(), 1u);
        EXPECT_EQ(context.drawn[0].path.windingRule(), WindingRule::evenOdd) << c.name;
        EXPECT_TRUE(near(context.drawn[0].bounds(), c.extent)) << c.name << " " << context.drawn[0].bounds();

        reset();
        c.draw(Rect(0, 0, 18, 18), 0, true);
        // The orange layer is the same shape drawn over the grey one.
        EXPECT_EQ(colours(), (std::vector<std::string>{"fill " + grey, "fill " + orange})) << c.name;
        EXPECT_EQ(context.drawn[0].path, context.drawn[1].path) << c.name;
    }
}

TEST_F(DrawingKitIconsTest, TheCogHasARingShapedOpeningRoundACentralDot) {
    DrawingKit::drawIcon_settingCanvasWithFrame(Rect(0, 0, 18, 18), 0, false);
    const BezierPath& cog = context.drawn.at(0).path;
    // Three subpaths: the outline, the circle of radius 4.11 and the dot of 2.06.
    int subpaths = 0;
    for (const auto& e : cog.elements()) subpaths += e.kind == BezierPathElement::moveTo ? 1 : 0;
    EXPECT_EQ(subpaths, 3);
    const std::string d = cog.description();
    EXPECT_NE(d.find("M13.11 9"), std::string::npos) << "circle of radius 4.11 round (9, 9)";
    EXPECT_NE(d.find("M11.06 9"), std::string::npos) << "dot of radius 2.06 round (9, 9)";
}

TEST_F(DrawingKitIconsTest, TheWasteBinIsFiveStrokesThatAllTurnRedOnHover) {
    DrawingKit::drawIcon_deleteCanvasWithFrame(Rect(0, 0, 18, 18), 0, false);
    // lid (filled, then stroked), body, left rib (filled, then stroked), right rib, handle
    const std::string& g = controlGrey;
    const std::vector<std::string> greyBin{"fill " + g,   "stroke " + g, "stroke " + g, "fill " + g,
                                           "stroke " + g, "stroke " + g, "stroke " + g};
    EXPECT_EQ(colours(), greyBin);
    std::vector<double> widths;
    for (const auto& d : context.drawn)
        if (d.stroked) widths.push_back(d.path.lineWidth());
    EXPECT_EQ(widths, (std::vector<double>{1, 1, 0.8, 0.8, 1}));
    EXPECT_EQ(context.drawn[1].path.lineCapStyle(), LineCapStyle::round) << "the lid";
    EXPECT_EQ(context.drawn[2].path.lineJoinStyle(), LineJoinStyle::round) << "the body";
    EXPECT_TRUE(near(context.drawn[2].bounds(), Rect(3.65, 3.31, 10.76, 13.44)));

    reset();
    DrawingKit::drawIcon_deleteCanvasWithFrame(Rect(0, 0, 18, 18), 0, true);
    auto expected = greyBin;
    for (auto c : greyBin) expected.push_back(c.rfind("stroke", 0) == 0 ? "stroke " + red : c);
    EXPECT_EQ(colours(), expected) << "the red strokes cover every grey one";
}

TEST_F(DrawingKitIconsTest, TheMenuBarsTakeTheGivenColourOnHover) {
    DrawingKit::drawIcon_menuCanvasWithFrame(Rect(0, 0, 18, 18), 0, true, 0.1, 0.2, 0.3, 0);
    EXPECT_EQ(colours(), (std::vector<std::string>{"fill " + controlGrey, "fill rgba(0.1 0.2 0.3 0)"}))
        << "an alpha of 0 leaves the plain grey bars";
    EXPECT_TRUE(near(context.drawn[0].bounds(), Rect(2, 2, 14, 14)));
}

TEST_F(DrawingKitIconsTest, TheEyeIsCrossedOutAndCheckedAddsTheOpenEyeUnderTheDiagonal) {
    DrawingKit::drawIcon_visibleCanvasWithFrame(Rect(0, 0, 18, 18), 0, false);
    EXPECT_EQ(colours(), (std::vector<std::string>{"stroke " + grey, "stroke " + grey, "stroke " + red}));
    const auto& diagonal = context.drawn.back().path;
    EXPECT_EQ(diagonal.description(), "M15 3 L3 15");
    EXPECT_EQ(diagonal.lineCapStyle(), LineCapStyle::round);
    // The broken outline and iris leave a gap of about a unit either side of
    // the diagonal x + y = 18.
    for (int i = 0; i < 2; ++i) {
        for (const auto& e : context.drawn[i].path.elements()) {
            if (e.kind == BezierPathElement::closePath) continue;
            const Point end = e.kind == BezierPathElement::curveTo ? e.points[2] : e.points[0];
            EXPECT_GE(std::fabs(end.x + end.y - 18) / std::sqrt(2.0), 0.99) << "path " << i << " at " << end;
        }
    }

    reset();
    DrawingKit::drawIcon_visibleCanvasWithFrame(Rect(0, 0, 18, 18), 0, true);
    EXPECT_EQ(colours(), (std::vector<std::string>{"stroke " + grey, "stroke " + grey, "stroke " + grey,
                                                   "stroke " + grey, "stroke " + grey, "stroke " + red}))
        << "outline, iris, three-quarter circle, then the broken ones and the red diagonal last";
    EXPECT_TRUE(near(context.drawn[0].bounds(), Rect(1.32, 4, 15.86, 10))) << context.drawn[0].bounds();
    EXPECT_TRUE(near(context.drawn[1].bounds(), Rect(6.15, 6, 6.2, 6)));
    const auto& pupil = context.drawn[2].path;
    EXPECT_TRUE(near(Rect(pupil.elements().front().points[0], Size{}), Rect(9.25, 7.595, 0, 0))) << "starts at the top";
    EXPECT_TRUE(near(Rect(pupil.currentPoint(), Size{}), Rect(7.82, 9.025, 0, 0))) << "ends at the left";
}

TEST_F(DrawingKitIconsTest, TheStarIsOutlinedFilledWhenCheckedAndOutlinedForHoverLast) {
    DrawingKit::drawIcon_favoriteLightUICanvasWithFrame(Rect(0, 0, 18, 18), 0, true, true);
    const std::string outline = "rgba(0.8794 0.8794 0.8794 1)";
    EXPECT_EQ(colours(), (std::vector<std::string>{"stroke " + outline, "fill rgba(0.999 0.986 0 1)",
                                                   "stroke " + outline, "stroke rgba(1 1 1 1)"}));
    EXPECT_TRUE(near(context.drawn[0].bounds(), Rect(1.74, 1.35, 15.02, 14.29)));

    reset();
    DrawingKit::drawIcon_favoriteDarkUICanvasWithFrame(Rect(0, 0, 18, 18), 0, false, false);
    EXPECT_EQ(colours(), (std::vector<std::string>{"stroke rgba(0.6392 0.6392 0.6392 1)"}));
}

TEST_F(DrawingKitIconsTest, IconImagesAreNewEighteenPointImagesThatDrawTheirRoutineWhenDrawn) {
    struct Case {
        const char* name;
        std::shared_ptr<Image> (*make)();
        bool flipped;
        void (*routine)(const Rect&);
    };
    const Case cases[] = {
        {"cog", [] { return DrawingKit::imageOfIcon_settingCanvasWithMouseOver(true); }, false,
         [](const Rect& r) { DrawingKit::drawIcon_settingCanvasWithFrame(r, 0, true); }},
        {"power", [] { return DrawingKit::imageOfIcon_exitCanvasWithMouseOver(false); }, true,
         [](const Rect& r) { DrawingKit::drawIcon_exitCanvasWithFrame(r, 0, false); }},
        {"bin", [] { return DrawingKit::imageOfIcon_deleteCanvasWithMouseOver(true); }, true,
         [](const Rect& r) { DrawingKit::drawIcon_deleteCanvasWithFrame(r, 0, true); }},
        {"eye", [] { return DrawingKit::imageOfIcon_visibleCanvasWithIsChecked(true); }, true,
         [](const Rect& r) { DrawingKit::drawIcon_visibleCanvasWithFrame(r, 0, true); }},
        {"light star", [] { return DrawingKit::imageOfIcon_favoriteLightUICanvasWithMouseOver(true, false); }, true,
         [](const Rect& r) { DrawingKit::drawIcon_favoriteLightUICanvasWithFrame(r, 0, true, false); }},
        {"dark star", [] { return DrawingKit::imageOfIcon_favoriteDarkUICanvasWithMouseOver(false, true); }, true,
         [](const Rect& r) { DrawingKit::drawIcon_favoriteDarkUICanvasWithFrame(r, 0, false, true); }},
    };
    for (const auto& c : cases) {
        auto image = c.make();
        EXPECT_NE(image, c.make()) << c.name << ": a new image on every call";
        EXPECT_EQ(image->size(), (Size{18, 18})) << c.name;
        auto rep = std::dynamic_pointer_cast<CustomImageRep>(image->representations().at(0));
        ASSERT_TRUE(rep) << c.name;
        EXPECT_EQ(rep->isFlipped(), c.flipped) << c.name;

        RecordingGraphicsContext expected;
        {
            GraphicsContext::Scope s(expected);
            c.routine(Rect(0, 0, 18, 18));
        }
        reset();
        image->drawInRect(Rect(0, 0, 18, 18));
        // The image's own frame (save, layer, save, clip) around the routine's drawing.
        const Lines& drawn = context.operations();
        ASSERT_GE(drawn.size(), expected.operations().size() + 4) << c.name;
        EXPECT_EQ(Lines(drawn.begin() + 4, drawn.begin() + 4 + expected.operations().size()), expected.operations())
            << c.name;
    }
}

}  // namespace
