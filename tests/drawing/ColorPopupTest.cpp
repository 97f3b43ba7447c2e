#include <gtest/gtest.h>

#include "app/InterfaceResources.h"
#include "drawing/controls/ColorPopup.h"
#include "drawing/controls/ColorSlider.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/NotificationCenter.h"
#include "store/StoreConstants.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using namespace frelt;

namespace {

class ColorPopupTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        registerInterfaceResources();
        window = std::make_shared<Window>(Rect(0, 0, 500, 400));
        anchor = std::make_shared<View>(Rect(300, 200, 20, 20));
        window->contentView()->addSubview(anchor);
        kit::makeKey(window);
        entry = TableViewItem::initForURL("https://example.org", "Example", "");
        changes = NotificationCenter::defaultCenter().observe(Notifications::tableViewItemChanged, nullptr,
                                                              [this](const Notification&) { ++changeCount; });
    }

    std::shared_ptr<ColorPopupManager> manager() { return ColorPopupManager::shared(); }
    std::shared_ptr<ColorPopupViewController> controller() { return manager()->popupViewController(); }
    std::shared_ptr<DrawnColorCircle> circle(std::size_t i) { return controller()->colorCircles[i].lock(); }
    void mouse(EventType type, const std::shared_ptr<View>& view, Point inView) {
        auto w = view->window();
        Application::shared()->sendEvent(Event::mouseEvent(type, view->convertPointToWindow(inView), 0, w));
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<View> anchor;
    TableViewItem::Ptr entry;
    int changeCount = 0;
    Subscription changes;
};

TEST_F(ColorPopupTest, ShowingPutsTheEntryIntoATransientPopoverWithItsSliderSetUp) {
    manager()->showColorPopup(anchor, entry);
    auto popover = manager()->colorPopover;
    ASSERT_TRUE(popover->isShown());
    EXPECT_EQ(popover->behavior(), PopoverBehavior::transient);
    EXPECT_EQ(popover->preferredEdge(), RectEdge::minX);
    EXPECT_EQ(popover->positioningView(), anchor);
    EXPECT_EQ(popover->positioningRect(), Rect(0, 0, 20, 20));
    auto vc = controller();
    ASSERT_TRUE(vc);
    EXPECT_EQ(popover->contentViewController(), vc);
    EXPECT_EQ(vc->item, entry);
    EXPECT_TRUE(vc->isVisible);
    EXPECT_EQ(vc->preferredContentSize(), (Size{252, 153}));
    for (std::size_t i = 0; i < 18; ++i) {
        ASSERT_TRUE(circle(i)) << i;
        EXPECT_EQ(circle(i)->delegate(), vc) << i;
        EXPECT_TRUE(circle(i)->color()) << "each circle holds a preset colour";
    }
    auto slider = vc->colorSlider.lock();
    ASSERT_TRUE(slider);
    EXPECT_FALSE(slider->isContinuous());
    EXPECT_TRUE(slider->refusesFirstResponder());
    EXPECT_EQ(slider->knobBorderSize(), 0.5);
    EXPECT_EQ(slider->knobHeight(), 16);
    EXPECT_EQ(slider->sliderHeight(), 10);
    EXPECT_EQ(slider->action(), "onChangeColorSlider:");
    EXPECT_EQ(slider->target(), vc);
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_EQ(slider->layer(), slider->rootLayer()) << "the scene woke the slider";

    popover->close();
    EXPECT_FALSE(vc->isVisible);
}

TEST_F(ColorPopupTest, ChoosingACircleSetsTheEntrysColourOnceAndCloses) {
    manager()->showColorPopup(anchor, entry);
    auto third = circle(2);
    kit::clickView(third);
    EXPECT_EQ(entry->color(), third->color());
    EXPECT_EQ(changeCount, 1);
    EXPECT_FALSE(manager()->colorPopover->isShown());
    EXPECT_EQ(controller()->item, nullptr);

    // The same colour again: closes, announces nothing.
    manager()->showColorPopup(anchor, entry);
    kit::clickView(circle(2));
    EXPECT_EQ(changeCount, 1);
    EXPECT_FALSE(manager()->colorPopover->isShown());
}

TEST_F(ColorPopupTest, TheClearButtonRemovesAColourAndAnnouncesOnlyARealChange) {
    auto clear = [&] { Application::shared()->sendAction("clearColor_click:", controller(), nullptr); };
    manager()->showColorPopup(anchor, entry);
    clear();
    EXPECT_FALSE(manager()->colorPopover->isShown());
    EXPECT_EQ(changeCount, 0) << "an entry without a colour stays so, silently";

    entry->setColor(Color::sRGB(0, 1, 0));
    changeCount = 0;
    manager()->showColorPopup(anchor, entry);
    clear();
    EXPECT_EQ(entry->color(), std::nullopt);
    EXPECT_EQ(changeCount, 1);

    // Without an entry the button does nothing, and the popover stays open.
    manager()->showColorPopup(anchor, entry);
    controller()->item.reset();
    clear();
    EXPECT_TRUE(manager()->colorPopover->isShown());
}

TEST_F(ColorPopupTest, ReleasingTheSliderAtTheRightEndGivesRedAndChangesTheEntryOnce) {
    manager()->showColorPopup(anchor, entry);
    auto slider = controller()->colorSlider.lock();
    ASSERT_TRUE(slider);
    const Rect b = slider->bounds();
    mouse(EventType::leftMouseDown, slider, {b.width() / 2, b.height() / 2});
    mouse(EventType::leftMouseDragged, slider, {b.width() - 1, b.height() / 2});
    EXPECT_EQ(changeCount, 0) << "nothing changes while dragging";
    mouse(EventType::leftMouseUp, slider, {b.width() + 20, b.height() / 2});

    // Two actions reach the controller for the one mouse-up; the second
    // finds no entry left.
    EXPECT_EQ(changeCount, 1);
    ASSERT_TRUE(entry->color());
    EXPECT_EQ(*entry->color(), Color::calibratedHSB(1.0, 1.0, 1.0, 1.0));
    EXPECT_FALSE(manager()->colorPopover->isShown());
}

TEST_F(ColorPopupTest, ASecondEntryReplacesTheFirstWhileShown) {
    auto second = TableViewItem::initForURL("https://example.com", "Second", "");
    manager()->showColorPopup(anchor, entry);
    manager()->showColorPopup(anchor, second);
    EXPECT_EQ(controller()->item, second);
    kit::clickView(circle(0));
    EXPECT_EQ(second->color(), circle(0)->color());
    EXPECT_EQ(entry->color(), std::nullopt);
}

TEST_F(ColorPopupTest, WithoutItsSceneThePopoverIsNeverShown) {
    SceneRegistry::shared()->setSceneFails("ConfigData", "ColorPopupViewController");
    manager()->showColorPopup(anchor, entry);
    EXPECT_FALSE(manager()->colorPopover->isShown());
    EXPECT_EQ(manager()->popupViewController(), nullptr);
    // It stays absent once it could not be made.
    SceneRegistry::shared()->setSceneFails("ConfigData", "ColorPopupViewController", false);
    EXPECT_EQ(manager()->popupViewController(), nullptr);
}

}  // namespace
