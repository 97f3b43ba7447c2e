// The icon and colour popup of a row of the Tags dialog.

#include "mainwindow/TagTableViewPopup.h"

#include <gtest/gtest.h>

#include "app/InterfaceResources.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/IconChooser.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/NotificationCenter.h"
#include "settings/ConfigCells.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class TagTableViewPopupTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        registerInterfaceResources();
        auto images = platform::ImageRegistry::shared();
        for (const auto& name : TagManager::shared()->iconNames()) {
            auto image = std::make_shared<platform::Image>(platform::Size{16, 16});
            images->registerImage(name, image);
        }
        tag = iconTag::initWithNewName("Work", TagManager::defaultTag);
        TagManager::shared()->allAvailableTags()->append(tag);

        // A row of the Tags dialog.
        window = std::make_shared<platform::Window>(platform::Rect(0, 0, 400, 300));
        cell = std::make_shared<TableViewCellConfigEditTags>(platform::Rect(0, 0, 300, 30));
        auto name = std::make_shared<CustomTextFieldForEditingTags>(platform::Rect(40, 4, 250, 22));
        auto symbol = std::make_shared<platform::Button>(platform::Rect(4, 4, 24, 22));
        symbol->setAction("symbolButton_click:");
        symbol->setTarget(cell);
        cell->addSubview(name);
        cell->addSubview(symbol);
        cell->symbolButton = symbol;
        cell->setUpNameField(name);
        window->contentView()->addSubview(cell);
        kit::makeKey(window);
        cell->setTag(tag);

        changes = platform::NotificationCenter::defaultCenter().observe(
            Notifications::iconTagChanged, nullptr, [this](const platform::Notification& n) {
                const auto* object = n.objectAs<std::shared_ptr<IconTagChangedNotifyObject>>();
                if (object && *object && (*object)->reason) posted.push_back(rawValue(*(*object)->reason));
            });
    }
    std::shared_ptr<TagTableViewPopupViewController> content() const {
        return cell->popupMenu->tagTableViewPopupViewController();
    }
    std::shared_ptr<platform::Popover> popover() const { return cell->popupMenu->popover; }
    void open() {
        kit::clickView(cell->symbolButton.lock());
        ASSERT_TRUE(popover()->isShown());
    }
    void send(const char* action, const std::shared_ptr<platform::Object>& sender = nullptr) {
        platform::Application::shared()->sendAction(action, content(), sender);
    }
    std::shared_ptr<platform::Image> gridImage(long index) const {
        auto item = std::dynamic_pointer_cast<TagIconItem>(
            content()->iconChooseCollectionView.lock()->itemAtIndexPath({0, index}));
        return item ? item->tagImage.lock()->image() : nullptr;
    }
    static std::shared_ptr<platform::Image> named(long index) {
        return platform::Image::imageNamed(TagManager::shared()->iconNames()[static_cast<std::size_t>(index)]);
    }

    iconTag::Ptr tag;
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<TableViewCellConfigEditTags> cell;
    Strings posted;
    platform::Subscription changes;
};

TEST_F(TagTableViewPopupTest, TheRowsSymbolButtonOpensAndClosesThePopupForItsTag) {
    EXPECT_EQ(cell->tokenTextfield.lock()->stringValue(), "Work");
    EXPECT_EQ(cell->tokenTextfield.lock()->maxLength, 70);
    open();
    EXPECT_EQ(content()->currentIconTag, tag);
    EXPECT_EQ(popover()->positioningView(), cell->symbolButton.lock());
    EXPECT_EQ(popover()->preferredEdge(), platform::RectEdge::minX);
    EXPECT_EQ(popover()->behavior(), platform::PopoverBehavior::transient);
    EXPECT_TRUE(content()->isVisible);
    kit::clickView(cell->symbolButton.lock());
    EXPECT_FALSE(popover()->isShown());
    EXPECT_FALSE(content()->isVisible);
}

TEST_F(TagTableViewPopupTest, OpeningForATagWithoutColourTintsNothingAndPostsNothing) {
    open();
    EXPECT_EQ(content()->tintColor, std::nullopt);
    EXPECT_EQ(content()->imagePreview.lock()->image(), platform::Image::imageNamed(TagManager::defaultTag));
    EXPECT_EQ(gridImage(3), named(3));
    EXPECT_TRUE(posted.empty());
    const auto slider = content()->colorSlider.lock();
    EXPECT_FALSE(slider->isContinuous());
    EXPECT_EQ(slider->target(), content());
}

TEST_F(TagTableViewPopupTest, ARedCircleThenAnIconColoursTheTagAndTheGrid) {
    open();
    kit::clickView(content()->colorCircles[0].lock());
    const auto red = TagAppearancePopupViewController::presetColors()[0];
    EXPECT_EQ(tag->color(), red);
    EXPECT_NE(gridImage(3), named(3)) << "the grid shows the icons in red";
    const auto grid = content()->iconChooseCollectionView.lock();
    content()->didSelectItemsAtIndexPaths(*grid, {{0, 7}});
    EXPECT_EQ(tag->tagSymbol(), TagManager::shared()->iconNames()[7]);
    EXPECT_EQ(posted, (Strings{"colorChanged", "symbolChanged"}));
    EXPECT_NE(content()->imagePreview.lock()->image(), named(7)) << "the preview in red";

    // Closing tells the row, which shows the new symbol.
    popover()->close();
    EXPECT_TRUE(cell->symbolButton.lock()->image());
    EXPECT_NE(cell->symbolButton.lock()->image(), named(7)) << "in the tag's colour";
}

TEST_F(TagTableViewPopupTest, DefaultAndClearRemoveWhatIsSetAndPostOnlyChanges) {
    open();
    send("btnDefaultClick:");
    EXPECT_TRUE(posted.empty()) << "already the default, without colour";

    tag->setTagSymbol("icon_cloud");
    tag->setColor(platform::Color::sRGB(0, 0, 1));
    posted.clear();
    send("btnClearColorClick:");
    EXPECT_EQ(tag->color(), std::nullopt);
    send("btnDefaultClick:");
    EXPECT_EQ(tag->tagSymbol(), TagManager::defaultTag);
    EXPECT_EQ(posted, (Strings{"colorChanged", "symbolChanged"}));
}

TEST_F(TagTableViewPopupTest, ReleasingTheSliderGivesTheTagItsHue) {
    open();
    const auto slider = content()->colorSlider.lock();
    slider->setDoubleValue(0.5);
    send("onChangeColorSlider:", slider);
    EXPECT_EQ(tag->color(), slider->currentColor());
    EXPECT_EQ(tag->color(), platform::Color::calibratedHSB(0.5, slider->saturation(), 1.0, 1.0));
}

TEST_F(TagTableViewPopupTest, WithoutItsSceneNothingIsSetUpOrShown) {
    platform::SceneRegistry::shared()->setSceneFails(TagTableViewPopupViewController::storyboardName,
                                                     TagTableViewPopupViewController::sceneIdentifier, true);
    const auto other = std::make_shared<TableViewCellConfigEditTags>();
    auto symbol = std::make_shared<platform::Button>(platform::Rect(4, 4, 24, 22));
    other->addSubview(symbol);
    other->symbolButton = symbol;
    window->contentView()->addSubview(other);
    other->setTag(tag);
    EXPECT_EQ(other->popupMenu->popover->contentViewController(), nullptr);
    other->symbolButtonClick();
    EXPECT_FALSE(other->popupMenu->popover->isShown());
}

}  // namespace
