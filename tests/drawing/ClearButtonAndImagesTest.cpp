#include <gtest/gtest.h>

#include "drawing/ClearButton.h"
#include "drawing/ImageHelpers.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using namespace frelt;
using Lines = std::vector<std::string>;

namespace {

class ClearButtonTest : public FreltTest {
protected:
    std::shared_ptr<ShapeLayer> disc(ClearButton& button) {
        auto subs = button.layer()->sublayers();
        EXPECT_EQ(subs.size(), 1u);
        return subs.empty() ? nullptr : std::dynamic_pointer_cast<ShapeLayer>(subs[0]);
    }
};

TEST_F(ClearButtonTest, AGreyDiscWithACutOutCrossDarkensWhilePressed) {
    auto window = std::make_shared<Window>(Rect(0, 0, 200, 100));
    auto button = std::make_shared<ClearButton>(Rect(10, 10, 16, 16));
    window->contentView()->addSubview(button);
    int actions = 0;
    button->setActionHandler([&](const std::shared_ptr<Control>&) { ++actions; });
    EXPECT_FALSE(button->isBordered());
    EXPECT_EQ(button->title(), "");
    ASSERT_TRUE(button->layer());
    EXPECT_TRUE(button->layer()->masksToBounds());

    // Several passes leave exactly one disc.
    button->display();
    button->display();
    button->display();
    auto d = disc(*button);
    ASSERT_TRUE(d);
    EXPECT_EQ(button->layer()->cornerRadius(), 8);
    EXPECT_EQ(describeColor(*d->fillColor()), "rgba(0.749 0.749 0.749 1)");
    EXPECT_EQ(*d->path(), BezierPath::withOvalInRect(Rect(0, 0, 16, 16)));
    auto mask = std::dynamic_pointer_cast<ShapeLayer>(d->mask());
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->fillRule(), FillRule::evenOdd) << "the disc minus the cross";
    EXPECT_EQ(mask->lineWidth(), 0);

    kit::makeKey(window);
    kit::mouseDown(window, kit::centerInWindow(*button));
    button->display();
    EXPECT_EQ(describeColor(*disc(*button)->fillColor()), "rgba(0.5255 0.5255 0.5255 1)");
    kit::mouseUp(window, kit::centerInWindow(*button));
    button->display();
    EXPECT_EQ(describeColor(*disc(*button)->fillColor()), "rgba(0.749 0.749 0.749 1)");
    EXPECT_EQ(actions, 1);
}

TEST_F(ClearButtonTest, ANonSquareButtonGetsAnEllipseAndAStretchedCross) {
    auto button = std::make_shared<ClearButton>(Rect(0, 0, 40, 20));
    button->display();
    auto d = disc(*button);
    ASSERT_TRUE(d);
    EXPECT_EQ(button->layer()->cornerRadius(), 10) << "half the height";
    EXPECT_EQ(d->path()->bounds(), Rect(0, 0, 40, 20));
    // The mask's second subpath is the cross: from 30 % to 70 % of each axis,
    // its arm ends rounded at the corners 0.53 (0.75 / sqrt 2) beyond.
    const auto& elements = std::dynamic_pointer_cast<ShapeLayer>(d->mask())->path()->elements();
    BezierPath cross;
    bool inCross = false;
    for (std::size_t i = 1; i < elements.size(); ++i) {
        if (elements[i].kind == BezierPathElement::moveTo) inCross = true;
        if (!inCross) continue;
        const auto& e = elements[i];
        switch (e.kind) {
            case BezierPathElement::moveTo: cross.moveTo(e.points[0]); break;
            case BezierPathElement::lineTo: cross.lineTo(e.points[0]); break;
            case BezierPathElement::curveTo: cross.curveTo(e.points[2], e.points[0], e.points[1]); break;
            case BezierPathElement::closePath: cross.closePath(); break;
        }
    }
    const Rect b = cross.bounds();
    const double a = 0.5303;
    EXPECT_NEAR(b.minX(), 12 - a, 1e-3);
    EXPECT_NEAR(b.maxX(), 28 + a, 1e-3);
    EXPECT_NEAR(b.minY(), 6 - a, 1e-3);
    EXPECT_NEAR(b.maxY(), 14 + a, 1e-3);

    // Drawn by the kit, the cross is cut out of the disc.
    RecordingGraphicsContext context;
    drawViewHierarchy(*button, context);
    const auto& ops = context.operations();
    EXPECT_NE(std::find_if(ops.begin(), ops.end(), [](const std::string& l) {
                  return l.rfind("clip path", 0) == 0 && l.size() > 8 && l.substr(l.size() - 7) == "evenOdd";
              }),
              ops.end());
}

// --- image helpers

class ImageHelpersTest : public FreltTest {};

std::shared_ptr<Image> drawnImage(Size size) {
    return Image::imageWithSize(size, false, [](const Rect& r) {
        setFillColor(Color::black());
        BezierPath::withOvalInRect(r).fill();
        return true;
    });
}

TEST_F(ImageHelpersTest, TintingCopiesTheImageFilledInTheColourOverItsOwnPixels) {
    auto symbol = drawnImage({16, 16});
    symbol->setTemplate(true);
    EXPECT_EQ(tinted(symbol, std::nullopt), symbol) << "without a colour: the image itself";

    auto red = tinted(symbol, Color::sRGB(1, 0, 0));
    ASSERT_TRUE(red);
    EXPECT_NE(red, symbol);
    EXPECT_FALSE(red->isTemplate());
    EXPECT_TRUE(symbol->isTemplate()) << "the original is left as it was";
    EXPECT_EQ(red->size(), (Size{16, 16}));

    RecordingGraphicsContext context;
    {
        GraphicsContext::Scope scope(context);
        red->drawInRect(Rect(0, 0, 16, 16));
    }
    const auto& ops = context.operations();
    // The symbol, then the colour over it in source-atop, inside the image's picture.
    auto oval = std::find(ops.begin(), ops.end(), "fill path " + BezierPath::withOvalInRect(Rect(0, 0, 16, 16)).description() + " nonZero");
    auto tint = std::find(ops.begin(), ops.end(), "fill rect 0 0 16 16 sourceAtop");
    ASSERT_NE(oval, ops.end());
    ASSERT_NE(tint, ops.end());
    EXPECT_LT(oval, tint);
    EXPECT_EQ(*(tint - 1), "stroke color rgba(1 0 0 1)");
}

TEST_F(ImageHelpersTest, TheTintCacheMakesAFreshImageOnlyForANewImageOrColour) {
    TintedImageCache cache;
    auto symbol = drawnImage({16, 16});
    auto other = drawnImage({16, 16});
    const auto red = Color::sRGB(1, 0, 0), blue = Color::sRGB(0, 0, 1);
    EXPECT_EQ(cache.tinted(symbol, std::nullopt), symbol) << "without a colour: the image itself";
    const auto first = cache.tinted(symbol, red);
    ASSERT_TRUE(first);
    EXPECT_NE(first, symbol);
    EXPECT_EQ(cache.tinted(symbol, red), first) << "the same image in the same colour";
    EXPECT_EQ(cache.tinted(symbol, Color::sRGB(1, 0, 0)), first) << "an equal colour";

    const auto inBlue = cache.tinted(symbol, blue);
    EXPECT_NE(inBlue, first);
    const auto otherInBlue = cache.tinted(other, blue);
    EXPECT_NE(otherInBlue, inBlue) << "another symbol";
    EXPECT_EQ(cache.tinted(nullptr, blue), nullptr);
    EXPECT_EQ(cache.tinted(other, blue), otherInBlue);
}

TEST_F(ImageHelpersTest, ScalingToFitCoversTheSizeByTheLargerRatio) {
    struct Case {
        Size image, wanted, result;
    };
    const Case cases[] = {
        {{100, 50}, {48, 48}, {96, 48}},
        {{512, 512}, {32, 32}, {32, 32}},
        {{50, 100}, {48, 48}, {48, 96}},
        {{33, 17}, {10, 10}, {19, 10}},  // sides cut to whole points
    };
    for (const auto& c : cases) {
        auto scaled = scaledToFit(*drawnImage(c.image), c.wanted);
        ASSERT_TRUE(scaled) << c.image;
        EXPECT_EQ(scaled->size(), c.result) << c.image;
    }
    // An image without a size has no ratio: nothing comes back instead of a
    // division by zero.
    EXPECT_EQ(scaledToFit(*drawnImage({0, 0}), {32, 32}), nullptr);
    EXPECT_EQ(scaledToFit(*drawnImage({0, 10}), {32, 32}), nullptr);
    EXPECT_EQ(scaledToFit(Image({0, 0}), {48, 48}), nullptr);
}

TEST_F(ImageHelpersTest, ResizingDrawsTheRepresentationAfreshIntoTheNewSize) {
    EXPECT_EQ(resized(Image({10, 10}), {20, 20}), nullptr) << "no representation, no image";

    int drawn = 0;
    auto source = Image::imageWithSize({10, 10}, false, [&](const Rect&) {
        ++drawn;
        return true;
    });
    auto bigger = resized(*source, {20, 30});
    ASSERT_TRUE(bigger);
    EXPECT_EQ(bigger->size(), (Size{20, 30}));
    EXPECT_EQ(drawn, 0) << "nothing is drawn until the image is";
    RecordingGraphicsContext context;
    GraphicsContext::Scope scope(context);
    bigger->drawInRect(Rect(0, 0, 20, 30));
    bigger->drawInRect(Rect(0, 0, 20, 30));
    EXPECT_EQ(drawn, 2);
    // The source is scaled into the whole new rectangle.
    EXPECT_NE(std::find(context.operations().begin(), context.operations().end(), "scale 2 3"),
              context.operations().end());
}

}  // namespace
