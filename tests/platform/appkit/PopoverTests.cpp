#include <gtest/gtest.h>

#include "KitTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/Screen.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using kittest::Calls;
using kittest::RecordingPopoverDelegate;
using kittest::RecordingViewController;
using kittest::ResponderView;

namespace {

class PopoverTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        anchorWindow = std::make_shared<Window>(Rect(100, 100, 400, 300));
        anchor = std::make_shared<ResponderView>("anchor", calls, Rect(150, 0, 40, 20));
        elsewhere = std::make_shared<ResponderView>("elsewhere", calls, Rect(0, 200, 100, 50));
        anchorWindow->contentView()->addSubview(anchor);
        anchorWindow->contentView()->addSubview(elsewhere);
        kit::makeKey(anchorWindow);
        content = std::make_shared<RecordingViewController>("content", calls, Size{300, 200});
        popover = std::make_shared<Popover>();
        popover->setContentViewController(content);
        popover->setDelegate(delegate);
        calls->clear();
    }

    void show() {
        popover->showRelativeToRect(anchor->bounds(), anchor, RectEdge::maxY);
        calls->clear();
    }

    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<RecordingPopoverDelegate> delegate = std::make_shared<RecordingPopoverDelegate>(calls);
    std::shared_ptr<Window> anchorWindow;
    std::shared_ptr<ResponderView> anchor;
    std::shared_ptr<ResponderView> elsewhere;
    std::shared_ptr<RecordingViewController> content;
    std::shared_ptr<Popover> popover;
};

TEST_F(PopoverTest, DelegateAndContentHearShowingAndClosingInOrder) {
    popover->showRelativeToRect(anchor->bounds(), anchor, RectEdge::maxY);
    EXPECT_EQ(*calls, (Calls{"popoverWillShow", "content.viewDidLoad", "content.viewWillAppear",
                             "content.viewDidAppear", "popoverDidShow"}));
    EXPECT_TRUE(popover->isShown());
    ASSERT_NE(popover->window(), nullptr);
    EXPECT_TRUE(popover->window()->isKeyWindow());
    // Below the anchor (y down), centred on it, the arrow's length away:
    // anchor at x 250..290, y 100..120 on screen.
    EXPECT_EQ(popover->window()->frame(), Rect(120, 129, 300, 200));
    calls->clear();

    popover->close();
    EXPECT_EQ(*calls, (Calls{"popoverWillClose", "content.viewWillDisappear", "content.viewDidDisappear",
                             "popoverDidClose"}))
        << "close does not ask should-close";
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(content->view()->window(), nullptr) << "the content is free to be shown again";
    EXPECT_TRUE(anchorWindow->isKeyWindow());
    calls->clear();

    popover->showRelativeToRect(anchor->bounds(), anchor, RectEdge::maxY);
    EXPECT_EQ(*calls, (Calls{"popoverWillShow", "content.viewWillAppear", "content.viewDidAppear", "popoverDidShow"}));
}

TEST_F(PopoverTest, TransientPopoverClosesOnAClickOutsideWhenTheDelegateAgrees) {
    popover->setBehavior(PopoverBehavior::transient);
    show();

    delegate->shouldClose = false;
    kit::clickView(elsewhere);
    EXPECT_EQ(*calls, (Calls{"popoverShouldClose", "elsewhere.become", "elsewhere.mouseDown"}));
    EXPECT_TRUE(popover->isShown());
    calls->clear();

    delegate->shouldClose = true;
    kit::clickView(elsewhere);
    EXPECT_EQ(*calls, (Calls{"popoverShouldClose", "popoverWillClose", "content.viewWillDisappear",
                             "content.viewDidDisappear", "popoverDidClose", "elsewhere.mouseDown"}))
        << "the popover closes before the click is delivered";
    EXPECT_FALSE(popover->isShown());
}

TEST_F(PopoverTest, ClicksThatDoNotCountAsOutside) {
    popover->setBehavior(PopoverBehavior::transient);
    show();
    auto inside = std::make_shared<ResponderView>("inside", calls, Rect(0, 0, 300, 200));
    content->view()->addSubview(inside);

    kit::clickView(inside);
    kit::clickView(anchor);  // the anchor toggles the popover itself
    EXPECT_TRUE(popover->isShown());

    // A popover shown from inside this one: clicks in it are inside too.
    auto nestedContent = std::make_shared<RecordingViewController>("nested", calls, Size{100, 80});
    auto nested = std::make_shared<Popover>();
    nested->setContentViewController(nestedContent);
    nested->setBehavior(PopoverBehavior::transient);
    nested->showRelativeToRect(inside->bounds(), inside, RectEdge::maxX);
    kit::click(nested->window(), Point{5, 5});
    EXPECT_TRUE(popover->isShown());
    EXPECT_TRUE(nested->isShown());

    EXPECT_EQ(std::count(calls->begin(), calls->end(), "popoverShouldClose"), 0);
    kit::clickView(elsewhere);
    EXPECT_FALSE(popover->isShown());
    EXPECT_FALSE(nested->isShown());
}

TEST_F(PopoverTest, ApplicationDefinedAndDetachedPopoversIgnoreOutsideClicks) {
    show();
    kit::clickView(elsewhere);
    EXPECT_TRUE(popover->isShown()) << "application-defined";

    popover->setBehavior(PopoverBehavior::transient);
    EXPECT_FALSE(popover->detach());
    EXPECT_EQ(*calls, (Calls{"elsewhere.become", "elsewhere.mouseDown", "popoverShouldDetach"}));
    delegate->shouldDetach = true;
    EXPECT_TRUE(popover->detach());
    EXPECT_TRUE(popover->isDetached());
    EXPECT_EQ(calls->back(), "popoverDidDetach");
    kit::clickView(elsewhere);
    EXPECT_TRUE(popover->isShown()) << "a detached popover stays";

    EXPECT_TRUE(popover->performClose());
    EXPECT_FALSE(popover->isDetached());
}

TEST_F(PopoverTest, TransientPopoverClosesWhenTheProgramIsDeactivated) {
    popover->setBehavior(PopoverBehavior::transient);
    show();
    Application::shared()->deactivate();
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(calls->front(), "popoverShouldClose");
}

TEST_F(PopoverTest, PlacementFlipsAndSlidesToStayOnScreen) {
    Screen::setScreens({ScreenDescription{Rect(0, 0, 800, 600), Rect(0, 25, 800, 575), "small", 1}});
    anchorWindow->setFrame(Rect(600, 400, 200, 200), false);
    anchor->setFrame(Rect(160, 150, 40, 20));  // near the bottom-right corner
    popover->showRelativeToRect(anchor->bounds(), anchor, RectEdge::maxY);
    // No room below: above the anchor instead, slid left to the screen edge.
    EXPECT_EQ(popover->window()->frame(), Rect(500, 341, 300, 200));

    popover->setContentSize({100, 50});
    EXPECT_EQ(popover->contentSize(), (Size{100, 50}));
    EXPECT_EQ(popover->window()->frame(), Rect(700, 491, 100, 50)) << "a new size moves the shown popover";
}

TEST_F(PopoverTest, ShowingNeedsContentAndAnAnchorInAWindow) {
    auto bare = std::make_shared<Popover>();
    bare->showRelativeToRect(anchor->bounds(), anchor, RectEdge::maxY);
    EXPECT_FALSE(bare->isShown());
    auto loose = std::make_shared<View>(Rect(0, 0, 10, 10));
    popover->showRelativeToRect(loose->bounds(), loose, RectEdge::maxY);
    EXPECT_FALSE(popover->isShown());
    EXPECT_TRUE(calls->empty()) << "nothing was announced";
}

// --- torn off by the user

class PopoverTearOffTest : public PopoverTest {
protected:
    void SetUp() override {
        PopoverTest::SetUp();
        popover->setBehavior(PopoverBehavior::transient);
        content->loadViewIfNeeded();
        // A strip of background along the top and a view of its own below.
        strip = std::make_shared<Box>(Rect(0, 0, 300, 40));
        control = std::make_shared<ResponderView>("control", calls, Rect(0, 60, 300, 40));
        content->view()->addSubview(strip);
        content->view()->addSubview(control);
        show();
        backend()->clearRequests();
    }
    std::shared_ptr<HeadlessKitBackend> backend() {
        return std::dynamic_pointer_cast<HeadlessKitBackend>(Application::shared()->backend());
    }
    std::size_t moves() { return backend()->count("move " + std::to_string(popover->window()->windowNumber())); }
    void press(Point p) { kit::mouseDown(popover->window(), p); }
    void dragTo(Point p) {
        Application::shared()->sendEvent(Event::mouseEvent(EventType::leftMouseDragged, p, 0, popover->window(), 0));
    }
    void release(Point p) { kit::mouseUp(popover->window(), p); }

    std::shared_ptr<Box> strip;
    std::shared_ptr<ResponderView> control;
};

TEST_F(PopoverTearOffTest, DraggingTheBackgroundAwayTearsThePopoverOff) {
    delegate->shouldDetach = true;
    const Rect before = popover->window()->frame();
    press({100, 20});
    dragTo({104, 23});
    EXPECT_FALSE(popover->isDetached()) << "a small shake is still a click";
    dragTo({100, 32});
    EXPECT_TRUE(popover->isDetached());
    EXPECT_EQ(*calls, (Calls{"popoverShouldDetach", "popoverDidDetach"}));
    EXPECT_EQ(moves(), 1u) << "the window manager carries it on with the pointer";
    release({100, 32});
    EXPECT_EQ(popover->window()->frame().size, before.size) << "it keeps its size";
    EXPECT_FALSE(popover->window()->arrowEdge()) << "no arrow any more";
    EXPECT_TRUE(popover->window()->styleMask() & stylemask::closable);

    // It stays where the user put it, on outside clicks, deactivation and
    // a new size alike; its background moves it.
    popover->window()->setFrame(Rect(500, 400, before.width(), before.height()), false);
    kit::clickView(elsewhere);
    Application::shared()->deactivate();
    EXPECT_TRUE(popover->isShown());
    popover->setContentSize({320, 220});
    EXPECT_EQ(popover->window()->frame(), Rect(500, 400, 320, 220));
    kit::activateApplication();
    press({100, 20});
    EXPECT_EQ(moves(), 2u);
}

TEST_F(PopoverTearOffTest, PressesThatDoNotTearOff) {
    // On a view of its own the drag is that view's.
    press({100, 80});
    dragTo({100, 200});
    release({100, 200});
    EXPECT_FALSE(popover->isDetached());
    EXPECT_NE(std::find(calls->begin(), calls->end(), "control.mouseDown"), calls->end());
    calls->clear();

    // The delegate refuses: it stays attached and nothing moves.
    press({100, 20});
    dragTo({100, 60});
    release({100, 60});
    EXPECT_FALSE(popover->isDetached());
    EXPECT_EQ(*calls, (Calls{"popoverShouldDetach"}));
    EXPECT_EQ(moves(), 0u);
    EXPECT_TRUE(popover->window()->arrowEdge());

    // A click on the background without a drag does nothing.
    delegate->shouldDetach = true;
    calls->clear();
    press({100, 20});
    release({100, 20});
    dragTo({100, 80});
    EXPECT_FALSE(popover->isDetached());
    EXPECT_TRUE(calls->empty());
}

// --- another program takes the focus with a press (a drag from a file
// manager begins) while a transient popover is shown

class PopoverHeldPointerTest : public PopoverTearOffTest {
protected:
    void SetUp() override {
        PopoverTearOffTest::SetUp();
        destination = std::make_shared<Destination>(calls);
        content->view()->addSubview(destination);
        pasteboard = Pasteboard::withUniqueName();
        pasteboard->writeObjects({pasteboardWriterForURL(URL::fileURL("/tmp/a.txt"))});
        calls->clear();
    }
    struct Destination : View {
        explicit Destination(std::shared_ptr<Calls> c) : View(Rect(0, 120, 300, 80)), calls(std::move(c)) {
            registerForDraggedTypes({pasteboardtype::fileURL});
        }
        DragOperation draggingEntered(const std::shared_ptr<DraggingInfo>&) override { return dragoperation::copy; }
        bool performDragOperation(const std::shared_ptr<DraggingInfo>&) override {
            calls->push_back("dropped");
            return true;
        }
        std::shared_ptr<Calls> calls;
    };
    // The drag of another program comes over the popover's destination.
    std::shared_ptr<DraggingInfo> dragOver() {
        auto info = std::make_shared<DraggingInfo>(pasteboard, dragoperation::every, Point{50, 150}, popover->window());
        popover->window()->nativeDraggingUpdated(info);
        return info;
    }
    std::shared_ptr<Destination> destination;
    std::shared_ptr<Pasteboard> pasteboard;
};

TEST_F(PopoverHeldPointerTest, ThePopoverWaitsForTheReleaseAndClosesWithoutADrop) {
    backend()->setPointerButtonsDown(true);
    Application::shared()->deactivate();
    kit::advance(1);
    EXPECT_TRUE(popover->isShown()) << "the button is still down";
    backend()->setPointerButtonsDown(false);
    kit::advance(0.1);
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(calls->front(), "popoverShouldClose");
}

TEST_F(PopoverHeldPointerTest, ADropThatLandsKeepsThePopoverAndBringsTheProgramBack) {
    backend()->setPointerButtonsDown(true);
    Application::shared()->deactivate();
    kit::advance(0.3);
    dragOver();
    // The source drops after the release: the popover waits for it.
    backend()->setPointerButtonsDown(false);
    kit::advance(0.3);
    EXPECT_TRUE(popover->isShown());
    EXPECT_TRUE(popover->window()->nativeDraggingDropped());
    EXPECT_TRUE(Application::shared()->isActive()) << "a drop is a turn to the program, as a click is";
    EXPECT_TRUE(popover->window()->isKeyWindow());
    kit::advance(1);
    EXPECT_TRUE(popover->isShown());
    EXPECT_EQ(*calls, (Calls{"dropped"}));
}

TEST_F(PopoverHeldPointerTest, ADragThatLeavesAgainOrNeverEndsLetsThePopoverClose) {
    backend()->setPointerButtonsDown(true);
    Application::shared()->deactivate();
    dragOver();
    popover->window()->nativeDraggingExited();
    backend()->setPointerButtonsDown(false);
    kit::advance(0.1);
    EXPECT_FALSE(popover->isShown()) << "dropped elsewhere";

    show();
    kit::activateApplication();
    backend()->setPointerButtonsDown(true);
    Application::shared()->deactivate();
    dragOver();
    backend()->setPointerButtonsDown(false);
    kit::advance(1);
    EXPECT_TRUE(popover->isShown()) << "the drop may still come";
    kit::advance(2);
    EXPECT_FALSE(popover->isShown()) << "a source that never tells is given up";
}

TEST_F(PopoverHeldPointerTest, TheProgramActiveAgainAtTheReleaseKeepsThePopover) {
    backend()->setPointerButtonsDown(true);
    Application::shared()->deactivate();
    kit::activateApplication();
    backend()->setPointerButtonsDown(false);
    kit::advance(0.2);
    EXPECT_TRUE(popover->isShown());
}

TEST_F(PopoverHeldPointerTest, AWaitEndedByTheProgramsReturnDoesNotCloseALaterShowing) {
    // A drag that dropped elsewhere keeps its wait alive for a while; the
    // program comes back (the hotkey), closes the popover and shows it again
    // before the window manager has given it the focus. The old wait must not
    // take that new showing for the one it waited on.
    backend()->setPointerButtonsDown(true);
    Application::shared()->deactivate();
    dragOver();
    kit::activateApplication();
    popover->close();
    Application::shared()->deactivate();
    show();
    backend()->setPointerButtonsDown(false);
    kit::advance(3);
    EXPECT_TRUE(popover->isShown());
}

}  // namespace
