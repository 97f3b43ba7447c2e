#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/InterfaceResources.h"
#include "drawing/controls/IconChooser.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "sources/icons/IconImages.h"
#include "store/TagManager.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using namespace frelt;

namespace {

class IconChooserTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        registerInterfaceResources();
        tagsIcon = std::make_shared<Image>(Size{24, 24});
        ImageRegistry::shared()->registerImage("icon_tags", tagsIcon);
        window = std::make_shared<Window>(Rect(0, 0, 500, 400));
    }
    const std::vector<std::string>& names() { return TagManager::shared()->iconNames(); }

    std::shared_ptr<Image> tagsIcon;
    std::shared_ptr<Window> window;
};

TEST_F(IconChooserTest, TheGridIsItsOwnDataSourceOverTheRegistrysIconNames) {
    auto grid = std::make_shared<IconChooseCollectionView>(Rect(0, 0, 300, 200));
    grid->setDataSource(grid);
    window->contentView()->addSubview(grid);  // the first time in a window loads the items
    ASSERT_TRUE(grid->hasLoadedData());
    EXPECT_EQ(grid->numberOfSections(), 1);
    ASSERT_EQ(grid->numberOfItemsInSection(0), static_cast<long>(names().size()));
    ASSERT_FALSE(names().empty());
    EXPECT_EQ(names().front(), "icon_tags");

    for (long i : {0L, 1L, static_cast<long>(names().size()) - 1}) {
        auto item = std::dynamic_pointer_cast<TagIconItem>(grid->itemAtIndexPath({0, i}));
        ASSERT_TRUE(item) << i;
        EXPECT_EQ(item->imageName(), names()[static_cast<std::size_t>(i)]);
    }
    auto first = std::dynamic_pointer_cast<TagIconItem>(grid->itemAtIndexPath({0, 0}));
    EXPECT_EQ(first->tagImage.lock()->image(), tagsIcon);
    // A name without an image in the resources leaves the image view empty.
    auto second = std::dynamic_pointer_cast<TagIconItem>(grid->itemAtIndexPath({0, 1}));
    EXPECT_EQ(second->tagImage.lock()->image(), nullptr);
}

// Each offered symbol names a theme icon no other offered symbol starts with,
// or characters to draw no other draws: none is left to the shared
// placeholder, and no two show one theme icon.
TEST_F(IconChooserTest, EveryOfferedSymbolHasAPictureOfItsOwn) {
    std::map<std::string, std::string> shownBy;
    for (const auto& name : names()) {
        const auto spec = namedImageSpec(name);
        ASSERT_TRUE(spec) << name;
        EXPECT_TRUE(spec->isTemplate) << name;
        ASSERT_NE(spec->themeNames.empty(), spec->glyph.empty()) << name << ": a theme icon or a glyph";
        const std::string picture = spec->glyph.empty() ? "theme " + spec->themeNames.front() : "glyph " + spec->glyph;
        const auto [it, isNew] = shownBy.emplace(picture, name);
        EXPECT_TRUE(isNew) << name << " and " << it->second << " both show " << picture;
    }
}

TEST_F(IconChooserTest, AnItemNamedBeforeItsViewLoadsShowsNothingUntilNamedAgain) {
    auto item = makeSceneController<TagIconItem>([](TagIconItem& i) {
        auto image = std::make_shared<ImageView>(Rect(0, 0, 24, 24));
        i.tagImage = image;
        i.setView(image);
    });
    item->setImageName(std::string("icon_tags"));
    item->loadViewIfNeeded();
    EXPECT_EQ(item->tagImage.lock()->image(), nullptr);
    item->setImageName(std::string("icon_tags"));
    EXPECT_EQ(item->tagImage.lock()->image(), tagsIcon);
    item->setImageName(std::nullopt);
    EXPECT_EQ(item->tagImage.lock()->image(), nullptr);
}

TEST_F(IconChooserTest, ThePopupConfiguresAGridOfSingleSelectableIcons) {
    auto vc = Storyboard::storyboardWithName("Main")->instantiateControllerWithIdentifier<IconChoosePopupViewController>(
        "IconChoosePopupViewController");
    ASSERT_TRUE(vc);
    EXPECT_EQ(vc->tagIconItemIdentifier, "photoItemIdentifier");
    vc->loadViewIfNeeded();
    auto grid = vc->iconChooseCollectionView.lock();
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->dataSource(), vc);
    EXPECT_EQ(grid->delegate(), vc);
    EXPECT_TRUE(grid->isSelectable());
    EXPECT_FALSE(grid->allowsEmptySelection());
    EXPECT_FALSE(grid->allowsMultipleSelection());
    const auto layout = grid->collectionViewLayout();
    EXPECT_EQ(layout->itemSize, (Size{24, 24}));
    EXPECT_EQ(layout->minimumInteritemSpacing, 10);
    EXPECT_EQ(layout->minimumLineSpacing, 10);
    EXPECT_EQ(layout->sectionInset, (EdgeInsets{10, 10, 10, 10}));
    std::shared_ptr<ScrollView> scroll;
    for (auto v = grid->superview(); v && !scroll; v = v->superview()) scroll = std::dynamic_pointer_cast<ScrollView>(v);
    ASSERT_TRUE(scroll);
    EXPECT_EQ(scroll->borderType(), BorderType::noBorder);

    window->setContentViewController(vc);
    kit::makeKey(window);
    ASSERT_EQ(grid->numberOfItemsInSection(0), static_cast<long>(names().size()));
    auto third = grid->itemAtIndexPath({0, 2});
    EXPECT_EQ(third->view()->frame(), Rect(10 + 2 * 34, 10, 24, 24));
    kit::clickView(third->view());
    EXPECT_EQ(grid->selectionIndexPaths(), (std::set<IndexPath>{{0, 2}}));
    EXPECT_TRUE(third->isSelected());
    // Clicking beside the icons keeps one selected.
    kit::click(window, grid->convertPointToWindow({2, 2}));
    EXPECT_EQ(grid->selectionIndexPaths().size(), 1u);
}

TEST_F(IconChooserTest, TheButtonOpensTheGridBelowItselfAndSendsNoAction) {
    auto button = std::make_shared<IconChooseButton>(Rect(20, 20, 30, 24));
    window->contentView()->addSubview(button);
    int actions = 0;
    button->setActionHandler([&](const std::shared_ptr<Control>&) { ++actions; });
    kit::makeKey(window);
    EXPECT_FALSE(button->isInitialized);

    kit::clickView(button);
    EXPECT_TRUE(button->isInitialized);
    auto popover = button->iconChoosePopover;
    ASSERT_TRUE(popover->isShown());
    EXPECT_EQ(popover->behavior(), PopoverBehavior::transient);
    EXPECT_EQ(popover->preferredEdge(), RectEdge::maxY);
    EXPECT_EQ(popover->positioningRect(), Rect(0, 0, 30, 24));
    auto vc = button->iconChoosePopupViewController();
    EXPECT_EQ(popover->contentViewController(), vc);
    EXPECT_EQ(actions, 0);

    popover->close();
    kit::clickView(button);
    EXPECT_TRUE(popover->isShown());
    EXPECT_EQ(button->iconChoosePopupViewController(), vc) << "the same controller is shown again";
}

TEST_F(IconChooserTest, WithoutItsSceneTheButtonShowsNothing) {
    SceneRegistry::shared()->setSceneFails("Main", "IconChoosePopupViewController");
    auto button = std::make_shared<IconChooseButton>(Rect(20, 20, 30, 24));
    window->contentView()->addSubview(button);
    kit::makeKey(window);
    kit::clickView(button);
    EXPECT_TRUE(button->isInitialized);
    EXPECT_FALSE(button->iconChoosePopover->isShown());
}

}  // namespace
