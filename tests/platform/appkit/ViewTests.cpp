#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "KitTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/Screen.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/WindowController.h"
#include "platform/foundation/SingleInstance.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using kittest::Calls;
using kittest::ResponderView;

namespace {

class ViewTest : public FreltTest {
protected:
    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
};

TEST_F(ViewTest, PointsConvertThroughFramesAndScrolledBounds) {
    auto window = std::make_shared<Window>(Rect(50, 60, 400, 300));
    auto outer = std::make_shared<View>(Rect(10, 20, 200, 200));
    auto clip = std::make_shared<View>(Rect(5, 5, 100, 100));
    auto inner = std::make_shared<View>(Rect(0, 300, 100, 40));
    window->contentView()->addSubview(outer);
    outer->addSubview(clip);
    clip->addSubview(inner);
    clip->setBoundsOrigin({0, 280});  // scrolled down by 280

    EXPECT_EQ(inner->convertPointToWindow({1, 2}), (Point{16, 47}));
    EXPECT_EQ(inner->convertPointFromWindow({16, 47}), (Point{1, 2}));
    EXPECT_EQ(inner->convertPointToView({1, 2}, outer), (Point{6, 27}));
    EXPECT_EQ(outer->convertPointFromView({1, 2}, inner), (Point{6, 27}));
    EXPECT_EQ(*inner->frameInScreen(), Rect(65, 105, 100, 40));
    EXPECT_EQ(inner->visibleRect(), Rect(0, 0, 100, 40));
    clip->setBoundsOrigin({0, 230});
    EXPECT_EQ(inner->visibleRect(), Rect(0, 0, 100, 30)) << "the clip view cuts off the bottom";
    clip->setBoundsOrigin({0, 280});

    EXPECT_EQ(window->contentView()->hitTest({16, 47}), inner);
    inner->setHidden(true);
    EXPECT_EQ(window->contentView()->hitTest({16, 47}), clip);
    EXPECT_TRUE(inner->isHiddenOrHasHiddenAncestor());
    inner->setHidden(false);
    outer->setHidden(true);
    EXPECT_TRUE(inner->isHiddenOrHasHiddenAncestor());
    EXPECT_EQ(window->contentView()->hitTest({16, 47}), window->contentView());
}

TEST_F(ViewTest, SubviewsKeepTheirOrderAndTheHierarchyStaysATree) {
    auto root = std::make_shared<View>(Rect(0, 0, 100, 100));
    auto a = std::make_shared<View>(), b = std::make_shared<View>(), c = std::make_shared<View>();
    root->addSubview(a);
    root->addSubview(b);
    root->addSubview(c, WindowOrderingMode::below, b);
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{a, c, b}));
    root->addSubview(a, WindowOrderingMode::above, nullptr);  // to the top
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{c, b, a}));
    a->addSubview(root);  // would make a cycle
    EXPECT_TRUE(a->subviews().empty());
    b->addSubview(c);  // moves
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{b, a}));
    EXPECT_EQ(c->superview(), b);
    EXPECT_TRUE(c->isDescendantOf(*root));
    root->replaceSubview(b, c);
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{c, a}));
    EXPECT_EQ(b->superview(), nullptr);
}

TEST_F(ViewTest, AutoresizingFollowsTheWindow) {
    auto window = std::make_shared<Window>(Rect(0, 0, 400, 300));
    auto fill = std::make_shared<View>(Rect(10, 10, 380, 280));
    fill->setAutoresizingMask(autoresizing::widthSizable | autoresizing::heightSizable);
    auto pinned = std::make_shared<View>(Rect(350, 10, 40, 20));
    pinned->setAutoresizingMask(autoresizing::minXMargin);
    window->contentView()->addSubview(fill);
    window->contentView()->addSubview(pinned);
    window->setContentSize({500, 350});
    EXPECT_EQ(fill->frame(), Rect(10, 10, 480, 330));
    EXPECT_EQ(pinned->frame(), Rect(450, 10, 40, 20));
    EXPECT_EQ(window->contentView()->frame(), Rect(0, 0, 500, 350));
}

TEST_F(ViewTest, TrackingAreasReportEnteringAndLeaving) {
    auto window = std::make_shared<Window>(Rect(0, 0, 400, 300));
    auto view = std::make_shared<ResponderView>("view", calls, Rect(100, 100, 50, 50));
    window->contentView()->addSubview(view);
    view->addTrackingArea(std::make_shared<TrackingArea>(
        Rect(), trackingarea::mouseEnteredAndExited | trackingarea::activeAlways | trackingarea::inVisibleRect, view));
    kit::makeKey(window);
    kit::moveMouse(window, {10, 10});
    kit::moveMouse(window, {120, 120});
    kit::moveMouse(window, {130, 130});
    kit::moveMouse(window, {300, 120});
    EXPECT_EQ(*calls, (Calls{"view.mouseEntered", "view.mouseExited"}));
    EXPECT_EQ(Event::mouseLocation(), (Point{300, 120}));
}

TEST_F(ViewTest, NeedsDisplayAsksTheBackendOnlyForShownWindows) {
    auto backend = std::make_shared<HeadlessKitBackend>();
    Application::shared()->setBackend(backend);
    struct Drawing : View {
        using View::View;
        std::vector<Rect> dirty;
        void drawRect(const Rect& r) override { dirty.push_back(r); }
    };
    auto window = std::make_shared<Window>(Rect(0, 0, 200, 200));
    auto view = std::make_shared<Drawing>(Rect(20, 30, 50, 50));
    window->contentView()->addSubview(view);
    view->setNeedsDisplayInRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(backend->count("display " + std::to_string(window->windowNumber())), 0u);
    window->orderFront();
    backend->clearRequests();
    view->setNeedsDisplayInRect(Rect(5, 5, 10, 10));
    EXPECT_EQ(backend->requests(), (std::vector<std::string>{"display " + std::to_string(window->windowNumber())}));
    window->displayIfNeeded();
    EXPECT_EQ(view->dirty, (std::vector<Rect>{Rect(0, 0, 15, 15)})) << "marks since the last paint are merged";
    EXPECT_FALSE(view->needsDisplay());
    view->display();
    EXPECT_EQ(view->drawCount(), 2);
}

// A view that moves or changes size leaves a picture where it was and has
// none yet where it now stands: both are drawn again, also when the change
// comes from a resized superview.
TEST_F(ViewTest, AMovedOrResizedViewMarksWhereItWasAndWhereItIs) {
    auto window = std::make_shared<Window>(Rect(0, 0, 400, 300));
    window->orderFront();
    auto row = std::make_shared<View>(Rect(0, 40, 300, 30));
    row->setAutoresizesSubviews(true);
    auto field = std::make_shared<View>(Rect(200, 4, 90, 22));
    field->setAutoresizingMask(autoresizing::widthSizable);
    row->addSubview(field);
    window->contentView()->addSubview(row);
    window->displayIfNeeded();
    ASSERT_FALSE(row->needsDisplay());

    struct Case {
        const char* change;
        std::function<void()> make;
        Rect marked;  // in the row's coordinates
    };
    const std::vector<Case> cases = {
        {"widened by its superview", [&] { row->setFrameSize({400, 30}); }, Rect(200, 4, 190, 22)},
        {"narrowed", [&] { field->setFrameSize({50, 22}); }, Rect(200, 4, 190, 22)},
        {"moved", [&] { field->setFrameOrigin({10, 4}); }, Rect(10, 4, 240, 22)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        window->displayIfNeeded();
        c.make();
        EXPECT_TRUE(row->needsDisplay());
        EXPECT_TRUE(row->dirtyRect().contains(c.marked)) << "marked " << row->dirtyRect().minX() << ","
                                                         << row->dirtyRect().width();
    }
    window->displayIfNeeded();
    field->setFrame(field->frame());
    EXPECT_FALSE(row->needsDisplay()) << "an unchanged frame marks nothing";
    field->setHidden(true);
    window->displayIfNeeded();
    field->setFrameOrigin({100, 4});
    EXPECT_FALSE(row->needsDisplay()) << "a hidden view draws nothing where it goes";
}

TEST_F(ViewTest, AppearanceComesFromTheNearestViewTheWindowOrTheApplication) {
    auto window = std::make_shared<Window>();
    auto outer = std::make_shared<View>();
    auto inner = std::make_shared<View>();
    window->contentView()->addSubview(outer);
    outer->addSubview(inner);
    EXPECT_EQ(inner->effectiveAppearance(), appearance::aqua) << "the desktop's";
    Application::shared()->setSystemAppearance(appearance::darkAqua);
    EXPECT_EQ(inner->effectiveAppearance(), appearance::darkAqua);
    Application::shared()->setAppearance(appearance::aqua);
    EXPECT_EQ(inner->effectiveAppearance(), appearance::aqua) << "the program's own choice wins";
    window->setAppearance(appearance::vibrantDark);
    EXPECT_EQ(inner->effectiveAppearance(), appearance::vibrantDark);
    outer->setAppearance(appearance::vibrantLight);
    EXPECT_EQ(inner->effectiveAppearance(), appearance::vibrantLight);
    inner->removeFromSuperview();
    EXPECT_EQ(inner->effectiveAppearance(), appearance::aqua) << "out of the window: the program's";
}

TEST_F(ViewTest, DraggedTypesAreRegisteredOnceEachAndDropsAreRefusedByDefault) {
    auto view = std::make_shared<View>();
    view->registerForDraggedTypes({"public.file-url", "public.url", "public.file-url"});
    view->registerForDraggedTypes({"public.url", "NSFilenamesPboardType"});
    EXPECT_EQ(view->registeredDraggedTypes(),
              (std::vector<std::string>{"public.file-url", "public.url", "NSFilenamesPboardType"}));
    EXPECT_EQ(view->draggingEntered(nullptr), dragoperation::none);
}

// --- scenes

struct SceneWindowController : WindowController {
    int awoke = 0;
    int didLoad = 0;
    void awakeFromNib() override { ++awoke; }
    void windowDidLoad() override { ++didLoad; }
};

class SceneTest : public ViewTest {
protected:
    std::shared_ptr<SceneRegistry> scenes = SceneRegistry::shared();

    void registerMainWindow() {
        scenes->registerScene("KitTestMain", "MainWindowController", [] {
            auto wc = std::make_shared<SceneWindowController>();
            wc->setWindow(std::make_shared<Window>());
            return wc;
        });
    }
};

TEST_F(SceneTest, ScenesAreBuiltByNameAndWokenLikeLoadedOnes) {
    registerMainWindow();
    scenes->registerScene("KitTestMain", "Nothing", [] { return nullptr; });
    scenes->setInitialScene("KitTestMain", "MainWindowController");

    EXPECT_EQ(Storyboard::storyboardWithName("KitTestUnknown"), nullptr);
    auto storyboard = Storyboard::storyboardWithName("KitTestMain");
    ASSERT_NE(storyboard, nullptr);
    auto wc = storyboard->instantiateControllerWithIdentifier<SceneWindowController>("MainWindowController");
    ASSERT_NE(wc, nullptr);
    EXPECT_EQ(wc->awoke, 1);
    EXPECT_EQ(wc->didLoad, 1);
    EXPECT_EQ(wc->window()->windowController(), wc);
    EXPECT_NE(storyboard->instantiateControllerWithIdentifier<SceneWindowController>("MainWindowController"), wc)
        << "every instantiation builds anew";
    EXPECT_EQ(storyboard->instantiateControllerWithIdentifier<ViewController>("MainWindowController"), nullptr)
        << "the wrong class answers none";
    EXPECT_EQ(storyboard->instantiateControllerWithIdentifier("Nothing"), nullptr);
    EXPECT_EQ(storyboard->instantiateControllerWithIdentifier("Missing"), nullptr);
    EXPECT_NE(storyboard->instantiateInitialController(), nullptr);

    // A second registration replaces the first.
    scenes->registerScene("KitTestMain", "Nothing", [] { return std::make_shared<ViewController>(); });
    EXPECT_NE(storyboard->instantiateControllerWithIdentifier<ViewController>("Nothing"), nullptr);
}

TEST_F(SceneTest, AFailingSceneAnswersNoneUntilToldOtherwise) {
    registerMainWindow();
    auto storyboard = Storyboard::storyboardWithName("KitTestMain");
    ASSERT_NE(storyboard, nullptr);
    scenes->setSceneFails("KitTestMain", "MainWindowController");
    EXPECT_EQ(storyboard->instantiateControllerWithIdentifier("MainWindowController"), nullptr);
    scenes->setSceneFails("KitTestMain", "MainWindowController", false);
    EXPECT_NE(storyboard->instantiateControllerWithIdentifier("MainWindowController"), nullptr);
}

// What one test registers or makes fail, the reset between tests forgets.
TEST_F(SceneTest, ScenesAndFailuresAreForgottenBetweenTests) {
    registerMainWindow();
    scenes->setSceneFails("KitTestMain", "MainWindowController");
    singleinstance::resetAll();
    EXPECT_EQ(Storyboard::storyboardWithName("KitTestMain"), nullptr);
    SceneRegistry::shared()->registerScene("KitTestMain", "MainWindowController",
                                           [] { return std::make_shared<SceneWindowController>(); });
    EXPECT_NE(Storyboard::storyboardWithName("KitTestMain")->instantiateControllerWithIdentifier("MainWindowController"),
              nullptr);
}

// --- screens

TEST_F(ViewTest, ScreensAnswerMainAndTheOneUnderTheMouse) {
    ASSERT_EQ(Screen::screens().size(), 1u);
    EXPECT_EQ(Screen::mainScreen()->visibleFrame(), Rect(0, 25, 1920, 1055));
    Screen::setScreens({ScreenDescription{Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875), "left", 2},
                        ScreenDescription{Rect(1440, 0, 2560, 1440), Rect(1440, 0, 2560, 1440), "right", 1}});
    Event::setMouseLocation({2000, 700});
    EXPECT_EQ(Screen::screenWithMouse()->localizedName(), "right");
    Event::setMouseLocation({-5, 700});
    EXPECT_EQ(Screen::screenWithMouse(), nullptr);
    EXPECT_EQ(Screen::mainScreen()->localizedName(), "left");
    auto window = std::make_shared<Window>(Rect(2000, 100, 400, 300));
    kit::makeKey(window);
    EXPECT_EQ(Screen::mainScreen()->localizedName(), "right") << "the screen of the key window";
    window->center();
    EXPECT_EQ(window->frame().origin, (Point{2520, 380}));
}

// --- the seam to the desktop

TEST_F(ViewTest, KitHeadersIncludeNoToolkit) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(FRELT_SOURCE_DIR) / "src/platform/appkit";
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    // The include target of a line, or empty.
    auto included = [](const std::string& line) -> std::string {
        const auto hash = line.find_first_not_of(" \t");
        if (hash == std::string::npos || line[hash] != '#' || line.find("include", hash) == std::string::npos) return {};
        const auto open = line.find_first_of("<\"", hash);
        if (open == std::string::npos) return {};
        const auto close = line.find_first_of(">\"", open + 1);
        return line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    };
    auto isToolkit = [](const std::string& header) {
        for (const char* prefix : {"Q", "qt", "gtk", "gdk", "X11/", "xcb/"})
            if (header.rfind(prefix, 0) == 0) return true;
        return false;
    };
    int headers = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".h") continue;
        ++headers;
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) EXPECT_FALSE(isToolkit(included(line))) << entry.path() << ": " << line;
    }
    EXPECT_GT(headers, 5);
}

}  // namespace
