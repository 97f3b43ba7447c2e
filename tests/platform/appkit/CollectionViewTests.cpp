#include <gtest/gtest.h>

#include "platform/appkit/Application.h"
#include "platform/appkit/CollectionView.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;

namespace {

using Calls = std::vector<std::string>;

class NamedItem : public CollectionViewItem {
public:
    explicit NamedItem(std::string name) : name(std::move(name)) {}
    void loadView() override { setView(std::make_shared<View>()); }
    std::string name;
};

class RecordingSource : public CollectionViewDataSource, public CollectionViewDelegate {
public:
    std::vector<long> counts{3, 2};
    Calls calls;
    std::string identifier = "Cell";

    long numberOfSectionsInCollectionView(CollectionView&) override {
        calls.push_back("sections");
        return static_cast<long>(counts.size());
    }
    long numberOfItemsInSection(CollectionView&, long section) override {
        calls.push_back("items " + std::to_string(section));
        return counts[static_cast<std::size_t>(section)];
    }
    std::shared_ptr<CollectionViewItem> itemForRepresentedObjectAtIndexPath(CollectionView& cv,
                                                                            const IndexPath& p) override {
        calls.push_back("item " + std::to_string(p.section) + "." + std::to_string(p.item));
        return cv.makeItemWithIdentifier(identifier, p);
    }
    void didSelectItemsAtIndexPaths(CollectionView&, const std::set<IndexPath>& paths) override {
        for (const auto& p : paths) calls.push_back("selected " + std::to_string(p.section) + "." + std::to_string(p.item));
    }
};

class CollectionViewTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        window = std::make_shared<Window>(Rect(0, 0, 200, 200));
        grid = std::make_shared<CollectionView>(Rect(0, 0, 130, 40));
        grid->setDataSource(source);
        grid->setDelegate(source);
        auto layout = std::make_shared<CollectionViewFlowLayout>();
        layout->itemSize = {30, 30};
        layout->minimumInteritemSpacing = 10;
        layout->minimumLineSpacing = 5;
        layout->sectionInset = {2, 4, 2, 4};
        grid->setCollectionViewLayout(layout);
    }
    std::string nameAt(IndexPath p) {
        auto item = std::dynamic_pointer_cast<NamedItem>(grid->itemAtIndexPath(p));
        return item ? item->name : "none";
    }

    std::shared_ptr<RecordingSource> source = std::make_shared<RecordingSource>();
    std::shared_ptr<Window> window;
    std::shared_ptr<CollectionView> grid;
};

TEST_F(CollectionViewTest, EnteringAWindowLoadsSectionsThenItemsInOrderAndFlowsThemInRows) {
    int made = 0;
    grid->registerItemForIdentifier("Cell", [&] { return std::make_shared<NamedItem>("cell " + std::to_string(made++)); });
    window->contentView()->addSubview(grid);
    EXPECT_EQ(source->calls, (Calls{"sections", "items 0", "items 1", "item 0.0", "item 0.1", "item 0.2", "item 1.0",
                                    "item 1.1"}));
    EXPECT_EQ(grid->numberOfSections(), 2);
    EXPECT_EQ(grid->numberOfItemsInSection(1), 2);
    EXPECT_EQ(grid->numberOfItemsInSection(5), 0);
    EXPECT_EQ(nameAt({1, 1}), "cell 4");
    EXPECT_EQ(nameAt({2, 0}), "none");
    // Three 30-point items fit in 130 - 8 of width, 10 apart; the rest wraps.
    EXPECT_EQ(grid->itemAtIndexPath({0, 2})->view()->frame(), Rect(84, 2, 30, 30));
    EXPECT_EQ(grid->itemAtIndexPath({1, 0})->view()->frame(), Rect(4, 37, 30, 30));
    EXPECT_EQ(grid->frame().height(), 2 + 30 + 5 + 30 + 2) << "it grows to hold its rows";
    EXPECT_EQ(grid->itemAtIndexPath({0, 0})->collectionView(), grid);
}

TEST_F(CollectionViewTest, ItemsComeFromTheRegisteredBuilderElseANibElseNowhere) {
    Nib::registerNib("Cell", [] { return std::make_shared<NamedItem>("from nib"); });
    window->contentView()->addSubview(grid);
    EXPECT_EQ(nameAt({0, 0}), "from nib");

    grid->registerItemForIdentifier("Cell", [] { return std::make_shared<NamedItem>("registered"); });
    grid->reloadData();
    EXPECT_EQ(nameAt({0, 0}), "registered");

    source->identifier = "Missing";
    grid->reloadData();
    EXPECT_EQ(nameAt({0, 0}), "none");
    EXPECT_TRUE(grid->subviews().empty());

    source->identifier = "Cell";
    SceneRegistry::shared()->setSceneFails("Cell", "");
    auto fresh = std::make_shared<CollectionView>();
    EXPECT_EQ(fresh->makeItemWithIdentifier("Cell", {0, 0}), nullptr) << "a failing nib gives no item";
}

TEST_F(CollectionViewTest, ClicksSelectItemsAndTellTheDelegateButCodeDoesNot) {
    grid->registerItemForIdentifier("Cell", [] { return std::make_shared<NamedItem>("x"); });
    window->contentView()->addSubview(grid);
    kit::makeKey(window);
    source->calls.clear();

    kit::clickView(grid->itemAtIndexPath({0, 1})->view());
    EXPECT_TRUE(source->calls.empty()) << "not selectable yet";

    grid->setSelectable(true);
    kit::clickView(grid->itemAtIndexPath({0, 1})->view());
    kit::clickView(grid->itemAtIndexPath({1, 0})->view());
    EXPECT_EQ(source->calls, (Calls{"selected 0.1", "selected 1.0"}));
    EXPECT_EQ(grid->selectionIndexPaths(), (std::set<IndexPath>{{1, 0}}));
    EXPECT_FALSE(grid->itemAtIndexPath({0, 1})->isSelected());

    // Beside the items: an empty selection is allowed by default.
    kit::click(window, grid->convertPointToWindow({125, 2}));
    EXPECT_TRUE(grid->selectionIndexPaths().empty());

    grid->setAllowsMultipleSelection(true);
    source->calls.clear();
    grid->selectItemsAtIndexPaths({{0, 0}, {0, 2}, {7, 7}});
    EXPECT_EQ(grid->selectionIndexPaths(), (std::set<IndexPath>{{0, 0}, {0, 2}}));
    EXPECT_TRUE(source->calls.empty());
}

}  // namespace
