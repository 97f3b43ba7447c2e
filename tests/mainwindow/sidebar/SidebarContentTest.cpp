// Building the sidebar's tree from the settings, the entries and the tags.

#include <gtest/gtest.h>

#include "SidebarTestSupport.h"
#include "platform/appkit/ModalScript.h"

using namespace frelt;
using sidebartest::SidebarTest;
using sidebartest::Strings;

namespace {

class SidebarContentTest : public SidebarTest {
protected:
    // The categories shown, by name.
    Strings categories() const {
        Strings out;
        const auto header = (*sidebar->outlineViewStructure)[0].value_or(nullptr);
        if (header)
            for (const auto& child : header->children()) out.push_back(child->name());
        return out;
    }
    void showAllCategories(bool on) {
        config()->setSidebarCategoriesShowFiles(on);
        config()->setSidebarCategoriesShowFolders(on);
        config()->setSidebarCategoriesShowURLs(on);
        config()->setSidebarCategoriesShowShortcuts(on);
        config()->setSidebarCategoriesShowRecentApplications(on);
        config()->setSidebarCategoriesShowActiveApplications(on);
        config()->setSidebarCategoriesShowFavorites(on);
    }
};

TEST_F(SidebarContentTest, CategoriesFollowTheSettingsAndTheData) {
    struct Case {
        const char* what;
        bool settingsOn;
        std::function<void()> data;
        Strings expected;
    };
    const std::vector<Case> cases{
        {"only applications", true, [&] { addApplication("Editor"); },
         {"Applications", "Recent Applications", "Active Applications"}},
        {"every kind", true,
         [&] {
             addApplication("Editor");
             addFile("notes.txt")->setIsFavorite(true);
             addFolder("docs");
             addLink("https://example.org");
             addShortcut("Backup");
         },
         {"Applications", "Files", "Folders", "URLs", "Shortcuts", "Recent Applications", "Active Applications",
          "Favorites"}},
        {"every kind, every setting off", false,
         [&] {
             addFile("notes.txt")->setIsFavorite(true);
             addFolder("docs");
             addLink("https://example.org");
             addShortcut("Backup");
         },
         {"Applications"}},
        {"a hidden favourite and an unreachable one", true,
         [&] {
             auto hidden = addApplication("Hidden");
             hidden->setIsFavorite(true);
             hidden->setIsVisible(false);
             auto gone = addFile("gone.txt");
             gone->setIsFavorite(true);
             std::filesystem::remove(gone->path());
             advance(TableViewItem::reachableCacheSeconds + 1);
         },
         {"Applications", "Recent Applications", "Active Applications"}},
        {"an empty store", true, [] {}, {"Applications", "Recent Applications", "Active Applications"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        store()->allData()->removeAll();
        showAllCategories(c.settingsOn);
        c.data();
        sidebar->buildData();
        EXPECT_EQ(categories(), c.expected);
        EXPECT_EQ(sidebar->rootEntryAllFilesAvailable,
                  std::find(c.expected.begin(), c.expected.end(), "Files") != c.expected.end());
        EXPECT_EQ(sidebar->rootEntryAllFavoritesAvailable,
                  std::find(c.expected.begin(), c.expected.end(), "Favorites") != c.expected.end());
        EXPECT_TRUE(sidebar->rootEntryAllApplicationsAvailable);
    }
}

TEST_F(SidebarContentTest, TagsBecomeATreeByTheirLevels) {
    // The registry lists the visible tags by name. Names as stored, not as
    // a new tag would normalise them.
    const auto made =
        sidebarsupport::addVisibleTags({"Work|Projects|Alpha", "Home", "Work", "A|B", "A|C", "X-Y", "blank", "Sp-aces"});
    made[5]->setTagName("X||Y");
    made[6]->setTagName(" | ");
    made[7]->setTagName("Sp | aces");
    TagManager::shared()->rebuildVisibleTags();
    sidebar->buildData();
    const Strings expected{
        "Categories=Categories",
        "  Applications=::%Applications%::%%",
        "  Recent Applications=::%Recent Applications%::%%",
        "  Active Applications=::%Active Applications%::%%",
        "Tags=Tags",
        "  A=",  // a folder: no visible tag ends here
        "    B=A|B",
        "    C=A|C",
        "  Home=Home",
        "  Sp =",  // the levels keep their blanks
        "     aces=Sp | aces",
        "  Work=Work",
        "    Projects=",
        "      Alpha=Work|Projects|Alpha",
        "  X=",  // the empty level is skipped
        "    Y=X||Y",
    };
    EXPECT_EQ(tree(), expected);
    const auto alpha = sidebar->searchForSourceListItem("Work|Projects|Alpha");
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->parent()->name(), "Projects");
    EXPECT_EQ(alpha->parent()->parent()->name(), "Work");
    EXPECT_EQ(alpha->parent()->parent()->parent()->itemContentType(), SourceListItemContentType::headerTags);
}

TEST_F(SidebarContentTest, AFolderMetFirstBecomesTheTagOfItsNameKeepingItsChildren) {
    sidebar->buildData();
    const auto tags = (*sidebar->outlineViewStructure)[1].value();
    sidebar->buildStructuredTags(tags, "Work|Projects", {"Work", "Projects"});
    sidebar->buildStructuredTags(tags, "Home", {"Home"});
    sidebar->buildStructuredTags(tags, "Work", {"Work"});
    ASSERT_EQ(tags->children().size(), 2u);
    EXPECT_EQ(tags->children()[0]->tag(), "Work");
    EXPECT_EQ(tags->children()[0]->children()[0]->tag(), "Work|Projects");
    EXPECT_EQ(tags->children()[1]->name(), "Home") << "siblings keep the order in which they were met";

    // Without a parent the tags go to the top level, found there again.
    sidebar->buildStructuredTags(nullptr, "Top|Sub", {"Top", "Sub"});
    sidebar->buildStructuredTags(nullptr, "Top", {"Top"});
    ASSERT_EQ(sidebar->outlineViewStructure->count(), 3u);
    const auto top = (*sidebar->outlineViewStructure)[2].value();
    EXPECT_EQ(top->tag(), "Top");
    EXPECT_EQ(top->children().size(), 1u);

    // Calls that bypass the build's filtering are refused with a log line.
    sidebar->buildStructuredTags(tags, "Work", {});
    sidebar->buildStructuredTags(tags, "", {"Work"});
    sidebar->buildStructuredTags(tags, "  ", {" ", ""});
    for (const char* line : {"buildStructuredTags - tagArray.isEmpty!", "buildStructuredTags - originalTag.isEmpty!",
                             "buildStructuredTags - internalTagArray.isEmpty!"})
        EXPECT_TRUE(logs().contains(line)) << line;
    EXPECT_EQ(tags->children().size(), 2u);
}

TEST_F(SidebarContentTest, RenamedAndDeletedTagsShowAtTheNextBuild) {
    config()->neverRemindMeRenameTagDialog = true;
    config()->neverRemindMeRemoveTagDialog = true;
    addFile("plan.txt", {"Work|Projects|Alpha"});
    addFile("list.txt", {"Home"});
    rebuildStore();
    sidebar->updateContent(true);
    EXPECT_EQ(rows(), (Strings{"Categories", "  Applications", "  Files", "  Recent Applications",
                               "  Active Applications", "Tags", "  Home", "  Work/", "    Projects/", "      Alpha"}));

    ASSERT_TRUE(TagManager::shared()->renameTag("Work|Projects", "Work|Plans"));
    sidebar->updateContent(true);
    EXPECT_TRUE(sidebar->searchForSourceListItem("Work|Plans|Alpha"));
    EXPECT_FALSE(sidebar->searchForSourceListItem("Work|Projects|Alpha"));

    ASSERT_TRUE(TagManager::shared()->deleteTag("Home"));
    sidebar->updateContent(true);
    EXPECT_EQ(rows(), (Strings{"Categories", "  Applications", "  Files", "  Recent Applications",
                               "  Active Applications", "Tags", "  Work/", "    Plans/", "      Alpha"}));
}

TEST_F(SidebarContentTest, ABuildWhileTheStoreIsBusyOrAnotherBuildRunsKeepsTheOldTree) {
    sidebarsupport::addVisibleTags({"Work"});
    sidebar->buildData();
    const auto before = tree();
    const auto header = (*sidebar->outlineViewStructure)[0];

    sidebarsupport::addVisibleTags({"Home"});
    config()->setSidebarCategoriesShowRecentApplications(false);
    store()->setState(DatastorageState::rebuildData);
    sidebar->buildData();
    store()->setState(DatastorageState::idle);
    EXPECT_EQ(tree(), before);
    EXPECT_EQ((*sidebar->outlineViewStructure)[0], header) << "the same items";
    EXPECT_TRUE(sidebar->rootEntryLastUsedApplicationsAvailable);
    EXPECT_EQ(sidebar->outlineViewStructureState, OutlineViewStructureState::idle);
    EXPECT_TRUE(logs().contains("buildData failed -> DataStorage was not idle!"));

    sidebar->outlineViewStructureState = OutlineViewStructureState::rebuildInProgress;
    sidebar->buildData();
    EXPECT_EQ(tree(), before);
    EXPECT_TRUE(logs().contains("buildData failed -> another rebuild is already running!"));
}

}  // namespace
