// Renewing what the sidebar shows: selection and headers kept across
// rebuilds, categories that come and go with the data, repainting.

#include <gtest/gtest.h>

#include <filesystem>

#include "SidebarTestSupport.h"
#include "mainwindow/sidebar/SectionViewCell.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ImageView.h"
#include "platform/foundation/NotificationCenter.h"
#include "store/StoreConstants.h"

using namespace frelt;
using sidebartest::SidebarTest;
using sidebartest::Strings;

namespace {

using Type = SourceListItemContentType;

class SidebarRenewalTest : public SidebarTest {
protected:
    void SetUp() override {
        SidebarTest::SetUp();
        refreshes = platform::NotificationCenter::defaultCenter().observe(
            Notifications::currentDataFilterRefreshed, nullptr, [this](const platform::Notification&) { ++filterRuns; });
    }
    void selectRow(const std::string& name) {
        const long row = rowNamed(name);
        ASSERT_GE(row, 0) << name;
        clickRow(row);
        ASSERT_EQ(selectedName(), name);
    }

    int filterRuns = 0;
    platform::Subscription refreshes;
};

TEST_F(SidebarRenewalTest, ARebuildSelectsTheSameTagAgainWithoutRefilteringTheTable) {
    addFile("plan.txt", {"Work|Projects"});
    addFile("list.txt", {"Work|Mail"});
    rebuildStore();
    sidebar->updateContent(true);
    selectRow("Mail");
    const int runs = filterRuns;
    const auto filtered = controller->sectionViewSelectedItem;

    // The same rows: found again by row.
    sidebar->updateContent(true);
    EXPECT_EQ(selectedItem()->tag(), "Work|Mail");
    EXPECT_NE(selectedItem(), filtered) << "the rebuild made new items";
    EXPECT_TRUE(logs().contains("- renewContent: Index of the previous selected row found and tag as well as "
                                "content-type matches. Selecting row"));

    // A tag before it moves its row: found again by tag and content type.
    addFile("a.txt", {"Admin"});
    rebuildStore();
    const int afterStoreRebuild = filterRuns;
    sidebar->updateContent(true);
    EXPECT_EQ(selectedItem()->tag(), "Work|Mail");
    EXPECT_TRUE(logs().contains("- renewContent: Index of the previous selected row found but tag or content-type are "
                                "invalid. Searching for correct row ..."));
    EXPECT_EQ(filterRuns, afterStoreRebuild) << "the entry table keeps its filter";
    EXPECT_EQ(controller->sectionViewSelectedItem, filtered);
    EXPECT_EQ(sidebar->outlineViewRenewState, OutlineViewRenewState::idle);

    // Clicking the same tag again does not refilter either.
    clickRow(rowNamed("Mail"));
    EXPECT_EQ(filterRuns, afterStoreRebuild);
    EXPECT_GT(afterStoreRebuild, runs);
}

TEST_F(SidebarRenewalTest, WhenTheSelectedTagIsGoneTheFirstEntryIsSelectedAndTheTableFollows) {
    config()->neverRemindMeRemoveTagDialog = true;
    addApplication("Editor");
    addFile("plan.txt", {"Work"});
    rebuildStore();
    sidebar->updateContent(true);
    selectRow("Work");
    EXPECT_EQ(shownEntries(), Strings{"plan.txt"});

    ASSERT_TRUE(TagManager::shared()->deleteTag("Work"));
    sidebar->updateContent(true);
    EXPECT_EQ(selectedName(), "Applications");
    EXPECT_EQ(shownEntries(), Strings{"Editor"});
    EXPECT_EQ(controller->sectionViewSelectedItem->itemContentType(), Type::allApplications);
}

TEST_F(SidebarRenewalTest, HeadersKeepTheirStateAcrossRenewals) {
    addFile("plan.txt", {"Work|Projects|Alpha"});
    rebuildStore();
    sidebar->updateContent(true);
    const Strings categories{"Categories", "  Applications", "  Files", "  Recent Applications",
                             "  Active Applications"};

    // The user closes the categories and a folder of the tags.
    sidebar->collapseItem(sidebar->itemAtRow(0));
    sidebar->collapseItem(sidebar->itemAtRow(rowNamed("Projects")));
    EXPECT_EQ(rows(), (Strings{"Categories", "Tags", "  Work/", "    Projects/"}));

    // Without a rebuild the items keep their expansion.
    sidebar->updateContent(false);
    EXPECT_EQ(rows(), (Strings{"Categories", "Tags", "  Work/", "    Projects/"}));
    EXPECT_TRUE(sidebar->collapsedCategories);
    EXPECT_FALSE(sidebar->collapsedTags);

    // A rebuild makes new items: the tags header opens whole again, the
    // categories stay closed.
    sidebar->updateContent(true);
    EXPECT_EQ(rows(), (Strings{"Categories", "Tags", "  Work/", "    Projects/", "      Alpha"}));
    EXPECT_TRUE(sidebar->isHeaderCollapsed(Type::headerCategories));
    sidebar->setHeaderExpanded(Type::headerCategories, true);
    EXPECT_EQ(rows().size(), categories.size() + 4);
}

TEST_F(SidebarRenewalTest, ARebuildAskedForWhileHiddenHappensAtTheNextRenewal) {
    sidebar->updateContent(true);
    // The main view is hidden: a change of the visible tags waits.
    sidebarsupport::addVisibleTags({"Home"});
    EXPECT_TRUE(sidebar->rebuildDataWithNextReload);
    EXPECT_FALSE(sidebar->searchForSourceListItem("Home"));
    sidebar->updateContent(false);
    EXPECT_TRUE(sidebar->searchForSourceListItem("Home"));
    EXPECT_FALSE(sidebar->rebuildDataWithNextReload);

    sidebarsupport::addVisibleTags({"Garden"});
    sidebar->rebuildDataWithNextReload = false;
    sidebar->updateContent(false);
    EXPECT_FALSE(sidebar->searchForSourceListItem("Garden")) << "a renewal alone does not rebuild";

    // A renewal during a build is cancelled and drops the pending rebuild.
    sidebar->rebuildDataWithNextReload = true;
    sidebar->outlineViewStructureState = OutlineViewStructureState::rebuildInProgress;
    sidebar->updateContent(false);
    EXPECT_FALSE(sidebar->rebuildDataWithNextReload);
    EXPECT_TRUE(logs().contains("updateContent cancelled - outlineStructure was not idle!"));
}

TEST_F(SidebarRenewalTest, WithTheStoreBusyTheOldTreeIsReloadedAndReselected) {
    sidebarsupport::addVisibleTags({"Work"});
    sidebar->updateContent(true);
    selectRow("Work");
    const auto before = tree();
    sidebarsupport::addVisibleTags({"Home"});
    store()->setState(DatastorageState::changingCurrentData);
    sidebar->updateContent(true);
    store()->setState(DatastorageState::idle);
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(selectedName(), "Work");
    EXPECT_FALSE(sidebar->rebuildDataWithNextReload);
}

TEST_F(SidebarRenewalTest, CategoriesComeAndGoWithTheDataWhileTheirSettingIsOn) {
    addApplication("Editor");
    const auto file = addFile("notes.txt");
    sidebar->updateContent(true);
    selectRow("Files");
    EXPECT_EQ(rowNamed("Favorites"), -1);

    sidebar->validateCategoryVisibility();
    EXPECT_FALSE(logs().contains("updateContent now!")) << "nothing differs";

    file->setIsFavorite(true);
    sidebar->validateCategoryVisibility();
    EXPECT_TRUE(logs().contains(
        "validateCategoryVisibility: allDataContainsFavorites <> rootEntryAllFavoritesAvailable -> updateContent now!"));
    EXPECT_GE(rowNamed("Favorites"), 0);
    EXPECT_EQ(selectedName(), "Files") << "the selection survives";

    file->setIsFavorite(false);
    sidebar->validateCategoryVisibility();
    EXPECT_EQ(rowNamed("Favorites"), -1);

    // With its setting off a category is not looked at: it shows at the next
    // build only.
    config()->setSidebarCategoriesShowFavorites(false);
    file->setIsFavorite(true);
    logs().clear();
    sidebar->validateCategoryVisibility();
    EXPECT_FALSE(logs().contains("updateContent now!"));
    EXPECT_EQ(rowNamed("Favorites"), -1);
}

// The check runs at every keystroke: a file gone from disk is noticed by a
// test off the main thread, and its category leaves when the answer arrives.
TEST_F(SidebarRenewalTest, ACategoryWhoseFilesAreGoneLeavesWhenTheDiskSaysSo) {
    addApplication("Editor");
    const auto file = addFile("notes.txt");
    sidebar->updateContent(true);
    ASSERT_GE(rowNamed("Files"), 0);

    std::filesystem::remove(file->path());
    advance(frelt::TableViewItem::reachableCacheSeconds + 1);
    sidebar->validateCategoryVisibility();
    EXPECT_GE(rowNamed("Files"), 0) << "the keystroke did not wait for the disk";
    drain();
    EXPECT_EQ(rowNamed("Files"), -1);
    EXPECT_EQ(file->lastReachableCheck(), false);
}

TEST_F(SidebarRenewalTest, RedrawingShowsATagsNewLookWithoutRebuilding) {
    sidebar->redrawContent();
    EXPECT_EQ(loggedAfter("-> redrawContent").size() + loggedAfter("<- redrawContent").size(), 2u)
        << "an empty sidebar only logs";

    const auto tags = sidebarsupport::addVisibleTags({"Work", "Home"});
    sidebar->updateContent(true);
    selectRow("Work");
    const auto items = tree();
    auto counterOf = [&](const std::string& name) {
        auto cell = std::dynamic_pointer_cast<SectionViewCellEntry>(sidebar->viewAtColumn(0, rowNamed(name), false));
        return cell->buttonUsageCounter.lock()->title();
    };
    auto iconOf = [&](const std::string& name) {
        auto cell = std::dynamic_pointer_cast<SectionViewCellEntry>(sidebar->viewAtColumn(0, rowNamed(name), false));
        return cell->imageViewCellIcon.lock()->image();
    };
    sidebar->display();
    EXPECT_EQ(counterOf("Work"), "1");
    tags[0]->setTagUseCounter(7);
    tags[0]->setTagSymbol("icon_cloud");
    tags[1]->setTagUseCounter(3);
    sidebar->redrawSelected();
    EXPECT_EQ(counterOf("Work"), "7");
    EXPECT_EQ(iconOf("Work"), platform::Image::imageNamed("icon_cloud"));
    sidebar->redrawContent();
    EXPECT_EQ(counterOf("Home"), "3");
    EXPECT_EQ(tree(), items);
}

}  // namespace
