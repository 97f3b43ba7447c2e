// The granted locations pane: the bookmark store's locations in URL order,
// granting and withdrawing, following the store while shown, and the mark
// of a location that can no longer be used.

#include "settings/panes/ConfigViewControllerSandboxAccess.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "PaneTestSupport.h"
#include "platform/appkit/Image.h"
#include "platform/foundation/Bookmark.h"
#include "settings/panes/PaneSupport.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SandboxFileAccessPersistDictionary.h"

using namespace frelt;
using AccessPane = ConfigViewControllerSandboxAccess;

namespace {

class SandboxAccessPaneTest : public PaneTest {
protected:
    void SetUp() override {
        PaneTest::SetUp();
        controller = pane<AccessPane>(AccessPane::sceneIdentifier);
        ASSERT_TRUE(controller) << "the pane's scene is registered under its identifier";
    }
    static std::shared_ptr<SandboxFileAccessProtocol> store() {
        return SandboxFileAccess::shared()->persistanceBookmarkStorage();
    }
    void grant(const platform::URL& url) {
        store()->setBookmark(platform::bookmark::create(url), url);
        drain();
    }
    std::vector<std::string> rows() {
        drain();
        std::vector<std::string> out;
        for (const auto& url : controller->tableViewContent) out.push_back(url.path());
        EXPECT_EQ(controller->tableViewSandboxAccess.lock()->numberOfRows(), static_cast<long>(out.size()));
        return out;
    }
    std::shared_ptr<TableViewCellConfigSandboxAccess> cell(long row) const {
        return std::dynamic_pointer_cast<TableViewCellConfigSandboxAccess>(
            controller->tableViewSandboxAccess.lock()->viewAtColumn(0, row, true));
    }
    std::string path(const std::string& name) const { return (root() / name).string(); }
    std::shared_ptr<AccessPane> controller;
};

TEST_F(SandboxAccessPaneTest, GrantsAreListedInURLOrderAndGrantingTheSameFolderTwiceKeepsOneRow) {
    makeFolder("b");
    makeFolder("a");
    grant(folderURL("b"));
    grant(platform::URL::fileURL("/", true));
    show(controller);
    EXPECT_EQ(rows(), (std::vector<std::string>{"/", path("b")})) << "the root comes first of all";
    EXPECT_FALSE(controller->actionButtons.lock()->isEnabledForSegment(1));

    script->chooseInOpenPanel({folderURL("a")});
    press(controller->actionButtons, 0);
    EXPECT_EQ(rows(), (std::vector<std::string>{"/", path("a"), path("b")}));
    script->chooseInOpenPanel({folderURL("a")});
    press(controller->actionButtons, 0);
    EXPECT_EQ(rows(), (std::vector<std::string>{"/", path("a"), path("b")}));
    script->cancelOpenPanel();
    press(controller->actionButtons, 0);
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(SandboxAccessPaneTest, WithdrawingTakesTheSelectedRowAndNeedsASelection) {
    makeFolder("a");
    makeFolder("b");
    grant(folderURL("a"));
    grant(folderURL("b"));
    show(controller);
    const auto table = controller->tableViewSandboxAccess.lock();
    table->selectRowIndexes(platform::IndexSet{1}, false);
    EXPECT_TRUE(controller->actionButtons.lock()->isEnabledForSegment(1));
    press(controller->actionButtons, 1);
    EXPECT_EQ(rows(), std::vector<std::string>{path("a")});
    EXPECT_FALSE(store()->bookmarkData(folderURL("b")).has_value());

    table->deselectAll();
    EXPECT_FALSE(controller->actionButtons.lock()->isEnabledForSegment(1));
    controller->actionButtons.lock()->setSelectedSegment(1);
    controller->actionButtonsClick(controller->actionButtons.lock());
    EXPECT_EQ(rows(), std::vector<std::string>{path("a")}) << "nothing selected: nothing withdrawn";
}

TEST_F(SandboxAccessPaneTest, AHiddenPaneLeavesStoreChangesForItsNextAppearance) {
    makeFolder("a");
    makeFolder("b");
    grant(folderURL("a"));
    const auto window = show(controller);
    window->orderOut();
    grant(folderURL("b"));
    EXPECT_EQ(rows(), std::vector<std::string>{path("a")});
    window->makeKeyAndOrderFront();
    EXPECT_EQ(rows(), (std::vector<std::string>{path("a"), path("b")}));
}

TEST_F(SandboxAccessPaneTest, ALocationThatCannotBeUsedIsMarkedAndStaysListed) {
    makeFolder("kept");
    makeFolder("gone");
    grant(folderURL("kept"));
    grant(folderURL("gone"));
    std::filesystem::remove(root() / "gone");
    show(controller);
    ASSERT_EQ(rows(), (std::vector<std::string>{path("gone"), path("kept")}));

    const auto gone = cell(0);
    EXPECT_EQ(gone->labelSandboxPath.lock()->stringValue(), path("gone"));
    EXPECT_EQ(gone->labelSandboxPath.lock()->textColor(), panes::redColor());
    EXPECT_EQ(gone->imageViewSandboxPath.lock()->image(), platform::Image::imageNamed("status_unknown"));
    const auto kept = cell(1);
    EXPECT_EQ(kept->labelSandboxPath.lock()->textColor(), panes::controlTextColor());
    EXPECT_NE(kept->imageViewSandboxPath.lock()->image(), platform::Image::imageNamed("status_unknown"));

    kept->currentURL.reset();
    kept->refreshState();
    EXPECT_EQ(kept->labelSandboxPath.lock()->stringValue(), "URL invalid");
}

}  // namespace
