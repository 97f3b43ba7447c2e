#include <gtest/gtest.h>

#include "platform/appkit/BezierPath.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Shadow.h"
#include "platform/appkit/View.h"
#include "support/Contrast.h"
#include "support/FreltTest.h"

using namespace platform;
using Lines = std::vector<std::string>;

namespace {

class DrawingTest : public FreltTest {};

TEST_F(DrawingTest, AnInnerShadowRecordsItsLayersClipsAndShadowsInOrder) {
    // The inner shadow the colour circles draw: a clip, an alpha, two nested
    // transparency layers with a shadow and a source-out blend between them.
    RecordingGraphicsContext context;
    GraphicsContext::Scope scope(context);
    const BezierPath disc = BezierPath::withOvalInRect(Rect(0.5, 0.5, 35, 35));
    const Color black = Color::black();

    auto* c = GraphicsContext::current();
    c->saveGraphicsState();
    c->clipToRect(disc.bounds());
    c->setShadow(std::nullopt);
    c->setAlpha(0.45);
    c->beginTransparencyLayer();
    EXPECT_EQ(context.alpha(), 1) << "inside a layer, drawing starts opaque";
    Shadow(black, {0, 2}, 6).set();
    c->setBlendMode(BlendMode::sourceOut);
    c->beginTransparencyLayer();
    setFillColor(black);
    disc.fill();
    c->endTransparencyLayer();
    c->endTransparencyLayer();
    EXPECT_EQ(context.alpha(), 0.45) << "the layer's end brings the state before it back";
    c->restoreGraphicsState();

    EXPECT_EQ(context.operations(),
              (Lines{"save", "clip rect 0.5 0.5 35 35", "shadow none", "alpha 0.45", "begin layer",
                     "shadow rgba(0 0 0 1) offset 0 2 blur 6", "blend sourceOut", "begin layer",
                     "fill color rgba(0 0 0 1)", "fill path " + disc.description() + " nonZero", "end layer",
                     "end layer", "restore"}));
    EXPECT_EQ(context.saveDepth(), 0);
    EXPECT_EQ(context.layerDepth(), 0);
    EXPECT_EQ(context.alpha(), 1);
    EXPECT_EQ(context.blendMode(), BlendMode::normal);
}

TEST_F(DrawingTest, UnpairedRestoresAndLayerEndsAreIgnored) {
    RecordingGraphicsContext context;
    context.restoreGraphicsState();
    context.endTransparencyLayer();
    context.beginTransparencyLayer();
    context.restoreGraphicsState();  // would reach into the open layer
    context.saveGraphicsState();
    context.endTransparencyLayer();  // a save is open inside the layer
    context.restoreGraphicsState();
    context.endTransparencyLayer();
    EXPECT_EQ(context.operations(), (Lines{"begin layer", "save", "restore", "end layer"}));
}

TEST_F(DrawingTest, TransformsStackAndTheRecordingPlaysBack) {
    RecordingGraphicsContext context;
    context.saveGraphicsState();
    context.translate(10, 20);
    context.scale(2, 0.5);
    EXPECT_EQ(context.currentTransform().apply({1, 4}), (Point{12, 22}));
    context.clipToPath(BezierPath::withRect(Rect(0, 0, 4, 4)));
    BezierPath stroke = BezierPath::withRoundedRect(Rect(0, 0, 10, 10), 2, 2);
    stroke.setLineWidth(1.5);
    stroke.setLineCapStyle(LineCapStyle::round);
    context.setStrokeColor(Color::sRGB(1, 0.635, 0));
    context.strokePath(stroke);
    context.restoreGraphicsState();
    EXPECT_EQ(context.currentTransform(), AffineTransform::identity());

    RecordingGraphicsContext copy;
    context.replay(copy);
    EXPECT_EQ(copy.operations(), context.operations());
    EXPECT_EQ(context.operations()[3], "clip path M0 0 L4 0 L4 4 L0 4 Z nonZero");
    EXPECT_EQ(context.operations()[5], "stroke path " + stroke.description() + " width 1.5 cap round join miter");
    EXPECT_EQ(context.operations()[4], "stroke color rgba(1 0.635 0 1)");
}

TEST_F(DrawingTest, DrawingWithoutACurrentContextDoesNothing) {
    ASSERT_EQ(GraphicsContext::current(), nullptr);
    BezierPath::withRect(Rect(0, 0, 1, 1)).fill();
    rectFill(Rect(0, 0, 1, 1));
    Shadow().set();
    Image::imageWithSize({4, 4}, true, [](const Rect&) { return true; })->drawInRect(Rect(0, 0, 4, 4));
    RecordingGraphicsContext outer, inner;
    {
        GraphicsContext::Scope a(outer);
        {
            GraphicsContext::Scope b(inner);
            EXPECT_EQ(GraphicsContext::current(), &inner);
        }
        EXPECT_EQ(GraphicsContext::current(), &outer);
    }
    EXPECT_EQ(GraphicsContext::current(), nullptr);
}

TEST_F(DrawingTest, PathsIterateTheirElementsAndKnowTheirTightBounds) {
    BezierPath p;
    p.moveTo({0, 0});
    p.curveTo({10, 0}, {0, 10}, {10, 10});
    p.lineTo({10, -5});
    p.closePath();
    // Rebuilt from its elements, as a shape layer's path is made.
    BezierPath rebuilt;
    for (std::size_t i = 0; i < p.elementCount(); ++i) {
        BezierPath::Points pts;
        switch (p.elementAtIndex(i, &pts)) {
            case BezierPathElement::moveTo: rebuilt.moveTo(pts[0]); break;
            case BezierPathElement::lineTo: rebuilt.lineTo(pts[0]); break;
            case BezierPathElement::curveTo: rebuilt.curveTo(pts[2], pts[0], pts[1]); break;
            case BezierPathElement::closePath: rebuilt.closePath(); break;
        }
    }
    EXPECT_EQ(rebuilt, p);
    EXPECT_EQ(p.description(), "M0 0 C0 10 10 10 10 0 L10 -5 Z");
    EXPECT_EQ(p.bounds(), Rect(0, -5, 10, 12.5)) << "the curve only reaches y 7.5";
    EXPECT_EQ(p.controlPointBounds(), Rect(0, -5, 10, 15));
    EXPECT_EQ(p.currentPoint(), (Point{0, 0})) << "a close returns to the subpath's start";
    EXPECT_EQ(BezierPath::withOvalInRect(Rect(0.5, 0.5, 35, 35)).bounds(), Rect(0.5, 0.5, 35, 35));
    // Radii beyond half the rectangle are cut to it: a 10 x 4 capsule.
    EXPECT_EQ(BezierPath::withRoundedRect(Rect(0, 0, 10, 4), 9, 9).bounds(), Rect(0, 0, 10, 4));
    EXPECT_EQ(BezierPath::withRoundedRect(Rect(0, 0, 10, 4), 0, 3), BezierPath::withRect(Rect(0, 0, 10, 4)));
}

TEST_F(DrawingTest, TangentArcsRoundCornersAndDegenerateOnesBecomeLines) {
    BezierPath corner;
    corner.moveTo({0, 0});
    corner.appendArcFromPoint({10, 0}, {10, 10}, 2);
    ASSERT_EQ(corner.elementCount(), 3u);
    BezierPath::Points pts;
    EXPECT_EQ(corner.elementAtIndex(1, &pts), BezierPathElement::lineTo);
    EXPECT_NEAR(pts[0].x, 8, 1e-9);
    EXPECT_NEAR(pts[0].y, 0, 1e-9);
    EXPECT_EQ(corner.elementAtIndex(2, &pts), BezierPathElement::curveTo);
    EXPECT_NEAR(pts[2].x, 10, 1e-9);
    EXPECT_NEAR(pts[2].y, 2, 1e-9);
    EXPECT_NEAR(corner.bounds().maxX(), 10, 1e-9) << "the arc stays inside the corner";

    struct Case {
        const char* name;
        bool start;
        Point p1, p2;
        double radius;
    };
    for (const auto& c : {Case{"no current point", false, {10, 0}, {10, 10}, 2},
                          Case{"zero radius", true, {10, 0}, {10, 10}, 0},
                          Case{"collinear", true, {10, 0}, {20, 0}, 2}}) {
        BezierPath p;
        if (c.start) p.moveTo({0, 0});
        p.appendArcFromPoint(c.p1, c.p2, c.radius);
        EXPECT_EQ(p.elementAtIndex(p.elementCount() - 1, &pts), c.start ? BezierPathElement::lineTo
                                                                         : BezierPathElement::moveTo)
            << c.name;
        EXPECT_EQ(pts[0], c.p1) << c.name;
    }
}

TEST_F(DrawingTest, ATintedCopyIsDrawnInOneLayerAndLeavesTheOriginalAlone) {
    auto icon = Image::withContentsOfFile("/res/icon_tags.png", {18, 18});
    icon->setTemplate(true);
    // Tinting as the program does it: a copy, focus, a source-atop fill.
    auto tinted = icon->copy();
    tinted->lockFocus();
    setColor(Color::sRGB(1, 0, 0));
    rectFillUsingOperation(Rect(0, 0, 18, 18), CompositingOperation::sourceAtop);
    tinted->unlockFocus();
    tinted->setTemplate(false);

    RecordingGraphicsContext context;
    GraphicsContext::Scope scope(context);
    tinted->drawInRect(Rect(2, 2, 9, 9));
    EXPECT_EQ(context.operations(),
              (Lines{"save", "begin layer", "save", "translate 2 2", "scale 0.5 0.5", "clip rect 0 0 18 18",
                     "bitmap icon_tags.png in 0 0 18 18", "fill color rgba(1 0 0 1)", "stroke color rgba(1 0 0 1)",
                     "fill rect 0 0 18 18 sourceAtop", "restore", "end layer", "restore"}));

    context.clear();
    icon->drawInRect(Rect(0, 0, 18, 18), CompositingOperation::sourceOver, 0.5, Color::sRGB(0, 0, 1));
    EXPECT_EQ(context.operations(),
              (Lines{"save", "alpha 0.5", "begin layer", "bitmap icon_tags.png in 0 0 18 18",
                     "fill color rgba(0 0 1 1)", "fill rect 0 0 18 18 sourceAtop", "end layer", "restore"}))
        << "a template image takes the tint when it is drawn";
    EXPECT_TRUE(icon->isTemplate());
    EXPECT_EQ(icon->representations().front()->size(), (Size{18, 18}));
}

TEST_F(DrawingTest, HandlerImagesDrawAfreshIntoTheirOwnRectangle) {
    int runs = 0;
    Rect seen;
    auto image = Image::imageWithSize({18, 18}, true, [&](const Rect& r) {
        ++runs;
        seen = r;
        BezierPath::withRect(Rect(1, 1, 16, 16)).fill();
        return true;
    });
    RecordingGraphicsContext context;
    GraphicsContext::Scope scope(context);
    image->drawInRect(Rect(0, 0, 36, 36));
    image->drawInRect(Rect(0, 0, 18, 18), CompositingOperation::sourceOut);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(seen, Rect(0, 0, 18, 18));
    const auto& ops = context.operations();
    EXPECT_NE(std::find(ops.begin(), ops.end(), "scale 2 2"), ops.end());
    EXPECT_NE(std::find(ops.begin(), ops.end(), "blend sourceOut"), ops.end());
    EXPECT_EQ(Image(Size{5, 5}).bestRepresentationForRect(Rect(0, 0, 5, 5)), nullptr) << "no representations";
}

TEST_F(DrawingTest, NamedImagesComeFromTheRegistryOnceEach) {
    int loads = 0;
    ImageRegistry::shared()->setLoader([&](const std::string& name) -> std::shared_ptr<Image> {
        ++loads;
        if (name == "missing") return nullptr;
        return Image::withContentsOfFile("/res/" + name + ".png", {16, 16});
    });
    auto first = Image::imageNamed("statusbar-1");
    EXPECT_EQ(Image::imageNamed("statusbar-1"), first);
    EXPECT_EQ(first->name(), "statusbar-1");
    EXPECT_EQ(Image::imageNamed("missing"), nullptr);
    EXPECT_EQ(loads, 2);
    auto made = std::make_shared<Image>(Size{8, 8});
    ImageRegistry::shared()->registerImage("overlay_Execute", made);
    EXPECT_EQ(Image::imageNamed("overlay_Execute"), made);
    EXPECT_EQ(loads, 2);
}

// A view that fills its bounds in one colour.
class Swatch : public View {
public:
    Swatch(Rect frame, Color color) : View(frame), color_(std::move(color)) {}
    void drawRect(const Rect&) override {
        setFillColor(color_);
        rectFill(bounds());
    }

private:
    Color color_;
};

TEST_F(DrawingTest, ASnapshotRecordsTheViewAndItsShownSubviewsInPlace) {
    auto view = std::make_shared<Swatch>(Rect(0, 0, 40, 20), Color::white());
    auto inner = std::make_shared<Swatch>(Rect(5, 4, 10, 10), Color::black());
    auto hidden = std::make_shared<Swatch>(Rect(0, 0, 40, 20), Color::sRGB(1, 0, 0));
    view->addSubview(inner);
    view->addSubview(hidden);
    hidden->setHidden(true);

    auto rep = view->bitmapImageRepForCachingDisplayInRect(view->bounds());
    view->cacheDisplayInRect(view->bounds(), *rep);
    auto snapshot = Image::withRepresentation(rep);
    EXPECT_EQ(snapshot->size(), (Size{40, 20}));
    EXPECT_EQ(rep->cachedDrawing()->operations(),
              (Lines{"save", "clip rect 0 0 40 20", "save", "clip rect 0 0 40 20", "fill color rgba(1 1 1 1)",
                     "fill rect 0 0 40 20 normal", "save", "translate 5 4", "save", "clip rect 0 0 10 10",
                     "fill color rgba(0 0 0 1)", "fill rect 0 0 10 10 normal", "restore", "restore", "restore",
                     "restore"}));

    // Drawn elsewhere, the snapshot plays its drawing back in place.
    RecordingGraphicsContext context;
    GraphicsContext::Scope scope(context);
    snapshot->drawInRect(Rect(0, 0, 40, 20));
    EXPECT_EQ(std::count(context.operations().begin(), context.operations().end(), "fill rect 0 0 10 10 normal"), 1);
}

}  // namespace

namespace {

// A template image is a shape in the colour of text: on the dark palette it
// shows light, as labels do, unless the view asks for a tint of its own.
TEST_F(DrawingTest, ATemplateImageInAnImageViewStandsOutInEitherAppearance) {
    auto icon = Image::imageWithSize({18, 18}, false, [](const Rect& r) {
        GraphicsContext::current()->fillRect(r, CompositingOperation::sourceOver);
        return true;
    });
    icon->setTemplate(true);
    auto view = std::make_shared<ImageView>(Rect(0, 0, 18, 18));
    view->setImage(icon);
    auto tint = [&] {
        contrast::ColourRecordingContext context;
        GraphicsContext::Scope scope(context);
        view->drawRect(view->bounds());
        return context.colours.empty() ? std::optional<Color>() : std::optional<Color>(context.colours.back());
    };
    const Color window = Color::named("System", "windowBackgroundColor", Color::white());
    for (const auto& appearance : {appearance::aqua, appearance::darkAqua}) {
        SCOPED_TRACE(appearance);
        const auto colour = tint();
        ASSERT_TRUE(colour) << "the template is tinted";
        EXPECT_GE(contrast::ratio(*colour, window, appearance), 4.5);
    }
    view->setContentTintColor(Color::sRGB(1, 0, 0));
    EXPECT_EQ(tint(), Color::sRGB(1, 0, 0));
}

}  // namespace
