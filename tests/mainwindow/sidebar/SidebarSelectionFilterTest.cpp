// The sidebar's selection becomes the entry table's filter in the store.

#include <gtest/gtest.h>

#include "SidebarTestSupport.h"
#include "store/DataStorageFilterCurrentData.h"

using namespace frelt;
using sidebartest::SidebarTest;
using sidebartest::Strings;

namespace {

using Type = SourceListItemContentType;

class SidebarSelectionFilterTest : public SidebarTest {
protected:
    void SetUp() override {
        SidebarTest::SetUp();
        addApplication("Editor");
        running = addApplication("Player");
        addFile("notes.txt", {"Work"})->setIsFavorite(true);
        addFolder("docs", {"Work|Mail"});
        addLink("https://example.org");
        addShortcut("Backup");
        OpenApplicationsManager::shared()->setOpenApplications({running->path()});
        rebuildStore();
        sidebar->updateContent(true);
    }
    DataStorageFilterCurrentData& filter() { return *store()->filterCurrentData(); }
    void click(const std::string& name) {
        const long row = rowNamed(name);
        ASSERT_GE(row, 0) << name;
        clickRow(row);
        ASSERT_EQ(selectedName(), name);
    }

    TableViewItem::Ptr running;
};

TEST_F(SidebarSelectionFilterTest, EachCategorySetsItsPredicateSortAndLimitInTheStore) {
    struct Case {
        const char* row;
        SidebarCategory category;
        const char* logged;
        Strings shown;
    };
    const std::vector<Case> cases{
        {"Files", SidebarCategory::allFiles, "-> .allFiles", {"notes.txt"}},
        {"Applications", SidebarCategory::allApplications, "-> .allApplications", {"Editor", "Player"}},
        {"Folders", SidebarCategory::allFolders, "-> .allFolders", {"docs"}},
        {"URLs", SidebarCategory::urls, "-> .allURLs", {"https://example.org"}},
        {"Shortcuts", SidebarCategory::shortcuts, "-> .shortcuts", {"Backup"}},
        {"Active Applications", SidebarCategory::openApplications, "-> .openApplications", {"Player"}},
        {"Favorites", SidebarCategory::favorites, "-> .allFavorites", {"notes.txt"}},
        {"Recent Applications", SidebarCategory::lastUsedApplications, "-> .lastUsedApplications", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        logs().clear();
        click(c.row);
        EXPECT_EQ(filter().searchPredicate.predicateFormat(),
                  DataStorageFilterCurrentData::categoryPredicate(c.category).predicateFormat());
        const bool recent = c.category == SidebarCategory::lastUsedApplications;
        EXPECT_EQ(filter().maxResults, recent ? std::optional<std::int64_t>(15) : std::nullopt);
        EXPECT_EQ(filter().sortBy, recent ? filterSortBy::lastUsedDate : filterSortBy::name);
        EXPECT_TRUE(logs().contains(c.logged));
        if (!recent) {
            EXPECT_EQ(shownEntries(), c.shown);
        }
        EXPECT_EQ(controller->sectionViewSelectedItem, selectedItem());
    }
}

TEST_F(SidebarSelectionFilterTest, ATagShowsItsEntriesByItsFullName) {
    click("Mail");
    EXPECT_EQ(shownEntries(), Strings{"docs"});
    EXPECT_TRUE(logs().contains("-> .tag with searchString: Work|Mail"));
    click("Work");
    EXPECT_EQ(shownEntries(), Strings{"notes.txt"}) << "a tag shows its own entries, not those below it";
}

TEST_F(SidebarSelectionFilterTest, TheSameSelectionAgainKeepsTheFilterAndATypedSearch) {
    click("Files");
    filter().setSearchString("zzz");
    EXPECT_TRUE(shownEntries().empty());

    // Reselected by code, or the same category as a new item after a rebuild.
    sidebar->selectItemWithSelectionType(sidebarselectiontype::applications);
    sidebar->selectItemWithSelectionType(sidebarselectiontype::files);
    EXPECT_EQ(shownEntries(), Strings{"notes.txt"}) << "another item ran the filter again";
    filter().setSearchString("zzz");
    logs().clear();
    controller->updateMainTableView();
    EXPECT_TRUE(logs().contains("Previous selected Item and new selected Item are the same. No need to refresh!"));
    EXPECT_TRUE(shownEntries().empty()) << "the search stays";
    EXPECT_EQ(filter().searchStringFromSearchField, "zzz");
}

TEST_F(SidebarSelectionFilterTest, WhileTheSidebarRenewsSelectionChangesAreIgnored) {
    click("Files");
    sidebar->outlineViewRenewState = OutlineViewRenewState::selectItem;
    clickRow(rowNamed("Folders"));
    sidebar->outlineViewRenewState = OutlineViewRenewState::idle;
    EXPECT_EQ(shownEntries(), Strings{"notes.txt"});
    EXPECT_TRUE(logs().contains("SectionView is currently reloading -> Break!"));
    EXPECT_EQ(controller->sectionViewSelectedItem->name(), "Files");
}

TEST_F(SidebarSelectionFilterTest, AnItemWithoutKeyOrContentResetsTheFilter) {
    addFile("rome.txt", {"Trips|Rome"});
    rebuildStore();
    sidebar->updateContent(true);
    click("Files");
    // A folder cannot be clicked; selected by code it shows every visible,
    // reachable entry.
    clickRow(rowNamed("Trips"));
    EXPECT_EQ(selectedName(), "Files");
    sidebar->selectRowIndexes({rowNamed("Trips")}, false);
    EXPECT_TRUE(logs().contains("-> .tag without searchString"));
    EXPECT_EQ(filter().searchPredicate.predicateFormat(),
              DataStorageFilterCurrentData::defaultPredicate().predicateFormat());
    EXPECT_EQ(shownEntries().size(), 7u);

    sidebar->selectRowIndexes({rowNamed("Categories")}, false);
    EXPECT_TRUE(logs().contains("-> default"));
    EXPECT_EQ(shownEntries().size(), 7u);
}

}  // namespace
