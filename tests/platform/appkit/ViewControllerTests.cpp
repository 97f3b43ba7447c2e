#include <gtest/gtest.h>

#include "KitTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/SplitViewController.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/WindowController.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using kittest::Calls;
using kittest::RecordingViewController;

namespace {

class RecordingWindowDelegate : public WindowDelegate {
public:
    explicit RecordingWindowDelegate(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    void windowWillClose(const Notification&) override { calls_->push_back("delegate.windowWillClose"); }

private:
    std::shared_ptr<Calls> calls_;
};

class ViewControllerTest : public FreltTest {
protected:
    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
};

TEST_F(ViewControllerTest, AppearCallsFollowTheWindowShowingAndClosing) {
    auto parent = std::make_shared<RecordingViewController>("parent", calls);
    auto child = std::make_shared<RecordingViewController>("child", calls);
    parent->addChildViewController(child);
    parent->view()->addSubview(child->view());
    EXPECT_EQ(*calls, (Calls{"parent.viewDidLoad", "child.viewDidLoad"}));
    calls->clear();

    auto window = std::make_shared<Window>(Rect(100, 100, 400, 300));
    auto delegate = std::make_shared<RecordingWindowDelegate>(calls);
    window->setDelegate(delegate);
    window->setContentViewController(parent);
    EXPECT_TRUE(calls->empty()) << "a hidden window shows nothing";
    EXPECT_EQ(window->frame().size, (Size{200, 100})) << "the window takes the controller's size";

    window->makeKeyAndOrderFront();
    EXPECT_EQ(*calls, (Calls{"parent.viewWillAppear", "child.viewWillAppear", "parent.viewDidAppear",
                             "child.viewDidAppear"}));
    EXPECT_TRUE(parent->isViewAppeared());
    calls->clear();

    // The close notification goes out synchronously, before the views leave.
    auto observation = NotificationCenter::defaultCenter().observe(
        windownotification::willClose, window.get(), [&](const Notification& n) {
            calls->push_back("notification");
            EXPECT_TRUE(window->isVisible());
            EXPECT_NE(n.objectAs<std::shared_ptr<Window>>(), nullptr);
        });
    window->close();
    EXPECT_EQ(*calls, (Calls{"delegate.windowWillClose", "notification", "parent.viewWillDisappear",
                             "child.viewWillDisappear", "parent.viewDidDisappear", "child.viewDidDisappear"}));
    EXPECT_FALSE(window->isVisible());
    calls->clear();

    window->orderFront();
    EXPECT_EQ(*calls, (Calls{"parent.viewWillAppear", "child.viewWillAppear", "parent.viewDidAppear",
                             "child.viewDidAppear"}))
        << "the view loads once; it appears again";
    calls->clear();
    window->orderFront();
    EXPECT_TRUE(calls->empty()) << "ordering a shown window again is no new appearance";
}

TEST_F(ViewControllerTest, ViewsMovingInAndOutOfAShownWindowAppearAndDisappear) {
    auto window = std::make_shared<Window>(Rect(0, 0, 400, 300));
    auto vc = std::make_shared<RecordingViewController>("vc", calls);
    vc->loadViewIfNeeded();
    calls->clear();

    window->contentView()->addSubview(vc->view());
    EXPECT_TRUE(calls->empty()) << "the window is not shown";
    vc->view()->removeFromSuperview();

    window->orderFront();
    window->contentView()->addSubview(vc->view());
    EXPECT_EQ(*calls, (Calls{"vc.viewWillAppear", "vc.viewDidAppear"}));
    calls->clear();

    // Moving between two shown windows: out of one, into the other.
    auto other = std::make_shared<Window>(Rect(0, 0, 400, 300));
    other->orderFront();
    other->contentView()->addSubview(vc->view());
    EXPECT_EQ(*calls, (Calls{"vc.viewWillDisappear", "vc.viewDidDisappear", "vc.viewWillAppear", "vc.viewDidAppear"}));
    calls->clear();

    vc->view()->removeFromSuperview();
    EXPECT_EQ(*calls, (Calls{"vc.viewWillDisappear", "vc.viewDidDisappear"}));
}

TEST_F(ViewControllerTest, LoadViewRunsOnceAndMayProvideTheView) {
    struct Custom : ViewController {
        int loads = 0;
        int didLoads = 0;
        void loadView() override {
            ++loads;
            setView(std::make_shared<View>(Rect(0, 0, 321, 123)));
        }
        void viewDidLoad() override { ++didLoads; }
    };
    auto vc = std::make_shared<Custom>();
    EXPECT_FALSE(vc->isViewLoaded());
    auto v = vc->view();
    EXPECT_EQ(vc->view(), v);
    EXPECT_EQ(v->frame().size, (Size{321, 123}));
    EXPECT_EQ(vc->loads, 1);
    EXPECT_EQ(vc->didLoads, 1);
    EXPECT_EQ(v->nextResponder(), vc) << "the controller follows its view in the responder chain";
}

TEST_F(ViewControllerTest, TabViewControllerShowsOnlyTheSelectedChild) {
    auto tabs = std::make_shared<TabViewController>();
    auto a = std::make_shared<RecordingViewController>("a", calls);
    auto b = std::make_shared<RecordingViewController>("b", calls);
    tabs->addTabViewItem(TabViewItem::tabViewItemWithViewController(a));
    tabs->addTabViewItem(TabViewItem::tabViewItemWithViewController(b));
    EXPECT_EQ(tabs->selectedTabViewItemIndex(), 0);

    auto window = std::make_shared<Window>(Rect(0, 0, 500, 400));
    window->setContentViewController(tabs);
    window->makeKeyAndOrderFront();
    EXPECT_EQ(*calls, (Calls{"a.viewDidLoad", "a.viewWillAppear", "a.viewDidAppear"}));
    calls->clear();

    tabs->setSelectedTabViewItemIndex(1);
    EXPECT_EQ(*calls, (Calls{"a.viewWillDisappear", "a.viewDidDisappear", "b.viewDidLoad", "b.viewWillAppear",
                             "b.viewDidAppear"}));
    EXPECT_EQ(tabs->view()->subviews().size(), 1u);
    calls->clear();

    tabs->setSelectedTabViewItemIndex(7);  // out of range: ignored
    EXPECT_EQ(tabs->selectedTabViewItemIndex(), 1);
    window->close();
    EXPECT_EQ(*calls, (Calls{"b.viewWillDisappear", "b.viewDidDisappear"}));
}

TEST_F(ViewControllerTest, SplitViewControllerChildrenAppearWithIt) {
    auto split = std::make_shared<SplitViewController>();
    split->setPreferredContentSize({600, 400});
    auto left = std::make_shared<RecordingViewController>("left", calls);
    auto right = std::make_shared<RecordingViewController>("right", calls);
    split->addSplitViewItem(SplitViewItem::splitViewItemWithViewController(left));
    auto rightItem = SplitViewItem::splitViewItemWithViewController(right);
    rightItem->setMinimumThickness(400);
    split->addSplitViewItem(rightItem);
    auto window = std::make_shared<Window>();
    window->setContentViewController(split);
    window->orderFront();
    EXPECT_EQ(*calls, (Calls{"left.viewDidLoad", "right.viewDidLoad", "left.viewWillAppear", "right.viewWillAppear",
                             "left.viewDidAppear", "right.viewDidAppear"}));
    EXPECT_EQ(left->view()->frame(), Rect(0, 0, 300, 400));
    EXPECT_EQ(right->view()->frame(), Rect(300, 0, 300, 400));
    EXPECT_EQ(split->childViewControllers().size(), 2u);
}

TEST_F(ViewControllerTest, PresentedControllersAppearAndGoWhenDismissed) {
    auto presenter = std::make_shared<RecordingViewController>("presenter", calls);
    auto window = std::make_shared<Window>();
    window->setContentViewController(presenter);
    kit::makeKey(window);
    calls->clear();

    auto sheet = std::make_shared<RecordingViewController>("sheet", calls);
    presenter->presentViewControllerAsSheet(sheet);
    EXPECT_EQ(*calls, (Calls{"sheet.viewDidLoad", "sheet.viewWillAppear", "sheet.viewDidAppear"}));
    ASSERT_NE(window->attachedSheet(), nullptr);
    EXPECT_EQ(sheet->presentingViewController(), presenter);
    calls->clear();

    sheet->dismissController();
    EXPECT_EQ(*calls, (Calls{"sheet.viewWillDisappear", "sheet.viewDidDisappear"}));
    EXPECT_EQ(window->attachedSheet(), nullptr);
    EXPECT_TRUE(presenter->presentedViewControllers().empty());
    EXPECT_TRUE(window->isKeyWindow());
    calls->clear();

    auto modal = std::make_shared<RecordingViewController>("modal", calls);
    presenter->presentViewControllerAsModalWindow(modal);
    EXPECT_TRUE(modal->view()->window()->isKeyWindow());
    presenter->dismissViewController(modal);
    EXPECT_EQ(calls->back(), "modal.viewDidDisappear");
    EXPECT_TRUE(window->isKeyWindow()) << "the key status goes back to the presenter's window";
}

TEST_F(ViewControllerTest, WindowControllerLoadsItsWindowOnceAndTakesContent) {
    struct Controller : WindowController {
        int didLoad = 0;
        void loadWindow() override { setWindow(std::make_shared<Window>(Rect(0, 0, 300, 200))); }
        void windowDidLoad() override { ++didLoad; }
    };
    auto wc = std::make_shared<Controller>();
    EXPECT_FALSE(wc->isWindowLoaded());
    auto w = wc->window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(wc->window(), w);
    EXPECT_EQ(wc->didLoad, 1);
    EXPECT_EQ(w->windowController(), wc);
    EXPECT_EQ(w->nextResponder(), wc);

    auto vc = std::make_shared<RecordingViewController>("content", calls);
    wc->setContentViewController(vc);
    EXPECT_EQ(w->contentView(), vc->view());
    wc->showWindow();
    EXPECT_EQ(calls->back(), "content.viewDidAppear");
    wc->close();
    EXPECT_EQ(calls->back(), "content.viewDidDisappear");
}

}  // namespace
