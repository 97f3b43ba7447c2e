// The search scope pane: the default folders first and fixed, the own
// folders after them with their access state, adding and removing own
// folders, and the access test of a closed folder.

#include "settings/panes/ConfigViewControllerSearchScope.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "PaneTestSupport.h"
#include "app/AppDelegate.h"
#include "platform/appkit/Image.h"
#include "platform/foundation/Paths.h"
#include "settings/panes/PaneSupport.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SandboxFileAccessPersistDictionary.h"
#include "store/Configuration.h"
#include "store/StoreConstants.h"

using namespace frelt;
using ScopePane = ConfigViewControllerSearchScope;
using Strings = std::vector<std::string>;

namespace {

class SearchScopePaneTest : public PaneTest {
protected:
    void SetUp() override {
        PaneTest::SetUp();
        std::filesystem::create_directories(platform::Paths::dataHome() / "applications");
        defaults = config()->spotlightDefaultSearchScope();
        ASSERT_FALSE(defaults.empty());
        controller = pane<ScopePane>(ScopePane::sceneIdentifier);
        ASSERT_TRUE(controller) << "the pane's scene is registered under its identifier";
    }
    static std::shared_ptr<Configuration> config() { return AppDelegate::shared()->config; }
    std::shared_ptr<platform::TableView> table() const { return controller->tableViewSpotlightSearchScope.lock(); }
    Strings rows() const {
        Strings out;
        for (const auto& e : controller->searchScopesForConfig) out.push_back(e->path);
        EXPECT_EQ(table()->numberOfRows(), static_cast<long>(out.size()));
        return out;
    }
    Strings withDefaults(const Strings& own) const {
        Strings all = defaults;
        all.insert(all.end(), own.begin(), own.end());
        return all;
    }
    std::shared_ptr<TableViewCellConfigSearchScope> cell(long row) const {
        return std::dynamic_pointer_cast<TableViewCellConfigSearchScope>(table()->viewAtColumn(0, row, true));
    }
    // The row's path colour, and whether its lock button shows.
    static std::pair<platform::Color, bool> state(const std::shared_ptr<TableViewCellConfigSearchScope>& row) {
        return {*row->labelSearchScopePath.lock()->textColor(), !row->btnAccessLocked.lock()->isHidden()};
    }
    void addChoosing(const platform::URL& url) {
        script->chooseInOpenPanel({url});
        press(controller->actionButtons, 0);
        drain();
    }
    std::string path(const std::string& name) const { return (root() / name).string(); }

    Strings defaults;
    std::shared_ptr<ScopePane> controller;
};

TEST_F(SearchScopePaneTest, DefaultFoldersLeadAndAreFixedOwnFoldersShowTheirState) {
    makeFolder("own");
    config()->customSpotlightSearchScope = {path("own"), path("gone")};
    show(controller);
    ASSERT_EQ(rows(), withDefaults({path("own"), path("gone")}));

    const long first = static_cast<long>(defaults.size());
    EXPECT_EQ(state(cell(0)), std::make_pair(panes::darkGrayColor(), false));
    EXPECT_FALSE(controller->shouldSelectRow(*table(), 0)) << "a default folder cannot be selected";
    EXPECT_EQ(state(cell(first)), std::make_pair(panes::controlTextColor(), false));
    EXPECT_EQ(state(cell(first + 1)), std::make_pair(panes::redColor(), false));
    EXPECT_EQ(cell(first + 1)->imageViewSearchscopePath.lock()->image(), platform::Image::imageNamed("status_unknown"));

    EXPECT_FALSE(controller->actionButtons.lock()->isEnabledForSegment(1));
    table()->selectRowIndexes(platform::IndexSet{first}, false);
    EXPECT_TRUE(controller->actionButtons.lock()->isEnabledForSegment(1));
    PostCounter posts(Notifications::customSpotlightSearchScopeChanged);
    press(controller->actionButtons, 1);
    EXPECT_EQ(posts.count, 1);
    EXPECT_EQ(config()->customSpotlightSearchScope, Strings{path("gone")});
    EXPECT_EQ(rows(), withDefaults({path("gone")})) << "the change notification shows the list again";

    table()->selectRowIndexes(platform::IndexSet{first}, false);
    press(controller->actionButtons, 1);
    EXPECT_EQ(rows(), defaults) << "removing the only own folder leaves the default rows";
}

TEST_F(SearchScopePaneTest, AddingAFolderStoresAGrantAndSkipsFoldersAlreadyListed) {
    makeFolder("docs");
    makeFolder("listed");
    config()->customSpotlightSearchScope = {path("listed")};
    show(controller);

    PostCounter posts(Notifications::customSpotlightSearchScopeChanged);
    addChoosing(platform::URL::fileURL(defaults.front(), true));
    addChoosing(folderURL("listed"));
    script->cancelOpenPanel();
    press(controller->actionButtons, 0);
    drain();
    EXPECT_EQ(posts.count, 0);
    EXPECT_EQ(config()->customSpotlightSearchScope, Strings{path("listed")});

    addChoosing(folderURL("docs"));
    EXPECT_EQ(posts.count, 1);
    EXPECT_EQ(config()->customSpotlightSearchScope, (Strings{path("listed"), path("docs")}));
    EXPECT_TRUE(SandboxFileAccess::shared()->persistanceBookmarkStorage()->bookmarkData(folderURL("docs")));
    EXPECT_EQ(rows(), withDefaults({path("listed"), path("docs")}));
    EXPECT_EQ(state(cell(static_cast<long>(defaults.size()) + 1)), std::make_pair(panes::controlTextColor(), false));

    // A folder that is not there is added as it is, without a grant.
    addChoosing(folderURL("missing"));
    EXPECT_EQ(config()->customSpotlightSearchScope.back(), path("missing"));
    EXPECT_FALSE(SandboxFileAccess::shared()->persistanceBookmarkStorage()->bookmarkData(folderURL("missing")));
}

TEST_F(SearchScopePaneTest, AChangeWhileTheSettingsAreClosedWaitsForTheNextAppearance) {
    const auto window = show(controller);
    window->close();
    config()->customSpotlightSearchScope = {path("imported")};
    platform::NotificationCenter::defaultCenter().post(Notifications::customSpotlightSearchScopeChanged);
    EXPECT_EQ(rows(), defaults);
    window->makeKeyAndOrderFront();
    EXPECT_EQ(rows(), withDefaults({path("imported")}));
}

TEST_F(SearchScopePaneTest, TheLockOfAClosedFolderAsksForAccess) {
    config()->setDebugLogging(true);
    makeFolder("closed");
    restrictAccessTo({"elsewhere"});
    config()->customSpotlightSearchScope = {path("closed")};
    show(controller);
    const long row = static_cast<long>(defaults.size());
    auto closed = cell(row);
    ASSERT_EQ(state(closed), std::make_pair(panes::redColor(), true));

    // Refused: still closed.
    script->cancelOpenPanel();
    closed->btnAccessLocked.lock()->performClick(nullptr);
    EXPECT_EQ(state(closed), std::make_pair(panes::redColor(), true));
    EXPECT_TRUE(logs().contains("Access-Test for " + folderURL("closed").absoluteString() + " -> Access denied"));

    // Granted in the permission panel: open, the lock goes.
    script->chooseInOpenPanel({folderURL("closed")});
    closed->btnAccessLocked.lock()->performClick(nullptr);
    EXPECT_EQ(state(closed), std::make_pair(panes::controlTextColor(), false));
    EXPECT_TRUE(logs().contains("Access-Test for " + folderURL("closed").absoluteString() + " -> Access possible"));
}

}  // namespace
