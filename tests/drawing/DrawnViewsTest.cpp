#include <gtest/gtest.h>

#include "drawing/DrawingKit.h"
#include "drawing/DrawingTestSupport.h"
#include "drawing/DrawnViews.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Window.h"
#include "support/Contrast.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using namespace frelt;
using drawingtest::Lines;

namespace {

class DrawnViewsTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        window = std::make_shared<Window>(Rect(0, 0, 400, 300));
    }
    template <class T>
    std::shared_ptr<T> add(std::shared_ptr<T> view, Rect frame) {
        view->setFrame(frame);
        window->contentView()->addSubview(view);
        return view;
    }
    // What one drawing pass of the view records, for `dirty` (its bounds when none).
    static Lines drawnBy(View& view, std::optional<Rect> dirty = std::nullopt) {
        RecordingGraphicsContext context;
        GraphicsContext::Scope scope(context);
        view.drawRect(dirty.value_or(view.bounds()));
        return context.operations();
    }
    // What a routine records by itself.
    template <class Routine>
    static Lines routine(Routine r) {
        RecordingGraphicsContext context;
        GraphicsContext::Scope scope(context);
        r();
        return context.operations();
    }
    static Lines clipped(const Rect& dirty, Lines inner) {
        Lines out{"save", "clip rect " + formatNumber(dirty.minX()) + " " + formatNumber(dirty.minY()) + " " +
                              formatNumber(dirty.width()) + " " + formatNumber(dirty.height())};
        out.insert(out.end(), inner.begin(), inner.end());
        out.push_back("restore");
        return out;
    }

    std::shared_ptr<Window> window;
};

struct RecordingCircleDelegate : ColorCircleDelegate {
    std::vector<std::string> calls;
    void colorCircleSelected(const std::shared_ptr<DrawnColorCircle>& circle, const Color& color) override {
        calls.push_back(circle->identifier() + " " + describeColor(color));
    }
};

// --- drawing passes

TEST_F(DrawnViewsTest, APartialRedrawClipsTheSamePictureInsteadOfSqueezingIt) {
    // A circle 36 wide with only its left half to redraw: the routine still
    // maps its canvas into the whole bounds, and the dirty part clips it.
    auto circle = add(std::make_shared<DrawnColorCircle>(), Rect(20, 20, 36, 36));
    circle->setColor(Color::sRGB(1, 0, 0));
    const Rect leftHalf(0, 0, 18, 36);
    circle->setNeedsDisplay(false);
    circle->setNeedsDisplayInRect(leftHalf);

    RecordingGraphicsContext context;
    {
        GraphicsContext::Scope scope(context);
        circle->displayIfNeeded();
    }
    const Lines whole = routine([] {
        DrawingKit::drawColorCircleLightUICanvasWithFrame(Rect(0, 0, 36, 36), 0, false, 1, 0, 0, 1);
    });
    EXPECT_EQ(context.operations(), clipped(leftHalf, whole));
    EXPECT_EQ(context.operations()[3], "translate 0 0") << "not moved to the dirty part's middle";
    EXPECT_EQ(context.operations()[4], "scale 1 1") << "not squeezed into the dirty part";
}

TEST_F(DrawnViewsTest, EachViewDrawsItsRoutineInItsBoundsAndFollowsTheApplicationsAppearance) {
    const Rect frame(0, 0, 40, 24);
    const Rect dirty(5, 0, 10, 24);
    const Rect b(0, 0, 40, 24);
    auto background = std::make_shared<DrawnMainViewBackground>(frame);
    background->setColor(Color::sRGB(0.5, 0.25, 0));
    auto favorite = std::make_shared<DrawnCheckBoxFavorite>(frame);
    favorite->isChecked = true;
    struct Case {
        const char* name;
        std::shared_ptr<View> view;
        std::function<void()> light, dark;
    };
    const std::vector<Case> cases = {
        {"logo", std::make_shared<DrawnLogo>(frame), [&] { DrawingKit::drawQuandorLightUIWithFrame(b, 0); },
         [&] { DrawingKit::drawQuandorDarkUIWithFrame(b, 0); }},
        {"background", background,
         [&] { DrawingKit::drawFreltBackgroundWithFrame(b, 0.5, 0.25, 0, 0.2, 0.9, true); },
         [&] { DrawingKit::drawFreltBackgroundWithFrame(b, 0.5, 0.25, 0, 0.2, 0.9, true); }},
        {"favourite", favorite, [&] { DrawingKit::drawIcon_favoriteLightUICanvasWithFrame(b, 0, false, true); },
         [&] { DrawingKit::drawIcon_favoriteDarkUICanvasWithFrame(b, 0, false, true); }},
        {"circle", std::make_shared<DrawnColorCircle>(frame),
         [&] { DrawingKit::drawColorCircleLightUICanvasWithFrame(b, 0, false, 0.808, 0.808, 0.808, 1); },
         [&] { DrawingKit::drawColorCircleDarkUICanvasWithFrame(b, 0, false, 0.808, 0.808, 0.808, 1); }},
        {"exit", std::make_shared<DrawnButtonExit>(frame), [&] { DrawingKit::drawIcon_exitCanvasWithFrame(b, 0, false); },
         [&] { DrawingKit::drawIcon_exitCanvasWithFrame(b, 0, false); }},
        {"delete", std::make_shared<DrawnButtonDelete>(frame),
         [&] { DrawingKit::drawIcon_deleteCanvasWithFrame(b, 0, false); },
         [&] { DrawingKit::drawIcon_deleteCanvasWithFrame(b, 0, false); }},
        {"group box", std::make_shared<DrawnGroupBox>(frame), [&] { DrawingKit::drawGroupBoxLightUICanvasWithFrame(b); },
         [&] { DrawingKit::drawGroupBoxDarkUICanvasWithFrame(b); }},
    };
    auto app = Application::shared();
    for (const auto& c : cases) {
        app->setAppearance(appearance::aqua);
        EXPECT_EQ(drawnBy(*c.view, dirty), clipped(dirty, routine(c.light))) << c.name;
        // The view's own appearance does not count; the application's does, at every pass.
        c.view->setAppearance(appearance::aqua);
        app->setAppearance(appearance::darkAqua);
        EXPECT_EQ(drawnBy(*c.view, dirty), clipped(dirty, routine(c.dark))) << c.name;
    }
}

TEST_F(DrawnViewsTest, TheMenuButtonHoversInTheAccentColour) {
    auto menu = std::make_shared<DrawnButtonMenu>(Rect(0, 0, 18, 18));
    menu->isMouseOver = true;
    const Lines drawn = drawnBy(*menu);
    EXPECT_EQ(drawn, clipped(Rect(0, 0, 18, 18), routine([&] {
                                 DrawingKit::drawIcon_menuCanvasWithFrame(Rect(0, 0, 18, 18), 0, true, menu->redColor,
                                                                          menu->greenColor, menu->blueColor, 1);
                             })));
    EXPECT_NE(menu->redColor, 0.808) << "the accent colour replaced the initial grey";
}

// The menu button and the delete button (the tag popup's clear-colour
// button) act when clicked: their lines must not look greyed out, in either
// appearance, against the window they sit on.
TEST_F(DrawnViewsTest, ButtonsThatActStandAtLeastThreeToOneAgainstTheWindow) {
    const Color window = Color::named("System", "windowBackgroundColor", Color::white());
    std::vector<std::pair<const char*, std::shared_ptr<View>>> buttons{
        {"menu", std::make_shared<DrawnButtonMenu>(Rect(0, 0, 18, 18))},
        {"delete", std::make_shared<DrawnButtonDelete>(Rect(0, 0, 18, 18))}};
    for (const auto& [name, button] : buttons) {
        contrast::ColourRecordingContext context;
        GraphicsContext::Scope scope(context);
        button->drawRect(button->bounds());
        ASSERT_FALSE(context.colours.empty()) << name;
        for (const auto& appearance : {platform::appearance::aqua, platform::appearance::darkAqua})
            for (const auto& colour : context.colours)
                EXPECT_GE(contrast::ratio(colour, window, appearance), 3.0)
                    << name << " in " << appearance << ": " << describeColor(colour);
    }
}

// --- the background's state

TEST_F(DrawnViewsTest, TheBackgroundsAlphaDecidesWhetherTheBackgroundIsDrawn) {
    struct Case {
        float alpha;
        double stored;
        bool background;
    };
    const Case cases[] = {{1.5f, 1.0, true}, {1.0f, 1.0, true}, {0.05f, 0.05f, true},
                          {0.049f, 0.049f, false}, {0.0f, 0.0, false}, {-0.5f, -0.5f, false}};
    for (const auto& c : cases) {
        auto view = std::make_shared<DrawnMainViewBackground>(Rect(0, 0, 100, 20));
        view->setColor(Color::sRGB(0, 0, 1));
        view->setAlphaColor(c.alpha);
        EXPECT_EQ(view->alphaColorBackground, c.stored) << c.alpha;
        EXPECT_EQ(view->drawBackground(), c.background) << c.alpha;
        const Lines drawn = drawnBy(*view);
        // The bar is drawn in every case, at 0.9.
        EXPECT_EQ(drawn[c.background ? 4 : 2], "fill color rgba(0 0 1 0.9)") << c.alpha;
    }
}

TEST_F(DrawnViewsTest, TheBackgroundShowsAColourOnlyOnceOneIsSet) {
    auto view = add(std::make_shared<DrawnMainViewBackground>(), Rect(0, 0, 100, 20));
    EXPECT_FALSE(view->hasColor);
    EXPECT_TRUE(drawnBy(*view).empty()) << "a new background draws nothing";

    // Black is a colour like any other, also as the first one.
    view->setColor(Color::black());
    EXPECT_TRUE(view->hasColor);

    view->setColor(Color::clear());
    EXPECT_FALSE(view->hasColor);
    EXPECT_EQ(view->alphaColorBackground, 0);
    EXPECT_EQ(view->alphaColorIndicator, 0);
    EXPECT_EQ(view->redColor, 1);
    EXPECT_TRUE(drawnBy(*view).empty());

    // A colour again: the bar comes back, the background waits for its alpha.
    view->setColor(Color::calibratedRGB(0.2, 0.4, 0.6, 0.3));
    EXPECT_TRUE(view->hasColor);
    EXPECT_EQ(view->alphaColorIndicator, 0.9);
    EXPECT_EQ(view->alphaColorBackground, 0) << "the colour's own alpha is not used";
    view->setAlphaColor(0.2f);
    EXPECT_NEAR(view->alphaColorBackground, 0.2, 1e-6);

    // The same colour again redraws nothing; the same alpha again does.
    view->setNeedsDisplay(false);
    view->setColor(Color::calibratedRGB(0.2, 0.4, 0.6, 0.3));
    EXPECT_FALSE(view->needsDisplay());
    view->setAlphaColor(0.2f);
    EXPECT_TRUE(view->needsDisplay());
    view->setNeedsDisplay(false);
    view->setDrawBackground(true);
    EXPECT_FALSE(view->needsDisplay()) << "drawBackground unchanged";
    view->setDrawBackground(false);
    EXPECT_TRUE(view->needsDisplay());
}

// --- colour circles

TEST_F(DrawnViewsTest, ClickingACircleTellsTheDelegateItsColourAndSendsNoAction) {
    auto circle = add(std::make_shared<DrawnColorCircle>(), Rect(10, 10, 36, 36));
    circle->setIdentifier("c1");
    auto delegate = std::make_shared<RecordingCircleDelegate>();
    circle->setDelegate(delegate);
    int actions = 0;
    circle->setActionHandler([&](const std::shared_ptr<Control>&) { ++actions; });
    kit::makeKey(window);

    kit::clickView(circle);
    EXPECT_TRUE(delegate->calls.empty()) << "a circle without a colour ignores clicks";

    circle->setColor(Color::sRGB(0, 0.5, 1));
    EXPECT_EQ(circle->alphaColorBackground, 1);
    EXPECT_EQ(circle->blueColor, 1);
    kit::clickView(circle);
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"c1 rgba(0 0.5 1 1)"}));
    EXPECT_EQ(actions, 0);

    // Without a colour the fill is transparent; only the shadow and outline show.
    circle->setColor(std::nullopt);
    EXPECT_EQ(circle->alphaColorBackground, 0);
    EXPECT_EQ(circle->redColor, 1);
    circle->setColor(Color::sRGB(1, 0, 0));
    delegate.reset();
    kit::clickView(circle);  // the delegate is gone: nothing happens
}

// --- hover

TEST_F(DrawnViewsTest, ButtonsMadeByAScenePaintHoverAndRedrawTheirSuperview) {
    auto holder = add(std::make_shared<View>(), Rect(0, 0, 200, 100));
    auto button = std::make_shared<DrawnButtonExit>(Rect(10, 10, 18, 18));
    holder->addSubview(button);
    button->awakeFromNib();
    auto box = std::make_shared<DrawnGroupBox>(Rect(100, 10, 60, 60));
    holder->addSubview(box);
    box->awakeFromNib();
    auto plain = std::make_shared<DrawnButtonDelete>(Rect(10, 50, 18, 18));
    holder->addSubview(plain);
    kit::makeKey(window);

    ASSERT_EQ(button->trackingAreas().size(), 1u);
    EXPECT_EQ(button->trackingAreas()[0]->options(), 0x81u);
    EXPECT_EQ(button->trackingAreas()[0]->rect(), Rect(0, 0, 18, 18));
    EXPECT_TRUE(plain->trackingAreas().empty()) << "made from a frame: no hover";

    holder->setNeedsDisplay(false);
    kit::moveMouse(window, kit::centerInWindow(*button));
    EXPECT_TRUE(button->isMouseOver);
    EXPECT_TRUE(holder->needsDisplay()) << "a button redraws its superview too";
    const Lines hovered = drawnBy(*button);
    EXPECT_NE(std::find(hovered.begin(), hovered.end(), "fill color rgba(1 0.635 0 1)"), hovered.end());

    kit::moveMouse(window, kit::centerInWindow(*plain));
    EXPECT_FALSE(button->isMouseOver);
    EXPECT_FALSE(plain->isMouseOver);

    holder->setNeedsDisplay(false);
    kit::moveMouse(window, kit::centerInWindow(*box));
    EXPECT_TRUE(box->isMouseOver);
    EXPECT_TRUE(box->needsDisplay());
    EXPECT_FALSE(holder->needsDisplay()) << "a group box redraws only itself";
}

TEST_F(DrawnViewsTest, TheMenuButtonRunsItsHandlerOnMouseDownInsteadOfAnAction) {
    auto menu = add(std::make_shared<DrawnButtonMenu>(), Rect(10, 10, 18, 18));
    int handled = 0, actions = 0;
    menu->mouseDownHandler = [&] { ++handled; };
    menu->setActionHandler([&](const std::shared_ptr<Control>&) { ++actions; });
    kit::makeKey(window);
    kit::clickView(menu);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(actions, 0);
    EXPECT_FALSE(menu->isHighlighted());
}

}  // namespace
