// Drops onto the sidebar: entries onto tags, files and links as new entries.

#include <gtest/gtest.h>

#include "SidebarTestSupport.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/foundation/NotificationCenter.h"
#include "sources/MainTableViewItemPathPasteboardWriter.h"
#include "store/StoreConstants.h"

using namespace frelt;
using sidebartest::SidebarTest;
using sidebartest::Strings;

namespace {

namespace op = platform::dragoperation;

class SidebarDropTest : public SidebarTest {
protected:
    void SetUp() override {
        SidebarTest::SetUp();
        entry = addFile("plan.txt", {"Work|Mail"});
        addFile("list.txt", {"Home"});
        rebuildStore();
        sidebar->updateContent(true);
        added = platform::NotificationCenter::defaultCenter().observe(
            Notifications::datastorageFilesystemObjectAddedOrModified, nullptr,
            [this](const platform::Notification&) { ++addedPosts; });
    }

    using Writers = std::vector<std::shared_ptr<platform::PasteboardWriting>>;
    static std::shared_ptr<platform::DraggingInfo> drag(const Writers& writers,
                                                        platform::DragOperation mask = op::copy) {
        auto pasteboard = platform::Pasteboard::withUniqueName();
        pasteboard->writeObjects(writers);
        return std::make_shared<platform::DraggingInfo>(pasteboard, mask);
    }
    std::shared_ptr<platform::DraggingInfo> entryDrag(const std::string& path) const {
        return drag({std::make_shared<MainTableViewItemPathPasteboardWriter>(path)}, op::every);
    }
    std::shared_ptr<platform::DraggingInfo> filesDrag(std::size_t count, const std::string& prefix = "in") {
        Writers writers;
        for (std::size_t i = 0; i < count; ++i)
            writers.push_back(platform::pasteboardWriterForURL(
                platform::URL::fileURL(makeFile("drop/" + prefix + std::to_string(i) + ".txt"))));
        return drag(writers);
    }
    static std::shared_ptr<platform::DraggingInfo> linksDrag(const Strings& urls) {
        Writers writers;
        for (const auto& url : urls) writers.push_back(platform::pasteboardWriterForURL(*platform::URL::fromString(url)));
        return drag(writers);
    }

    // Where a drag is let go: onto a row, on the line above it, below all rows.
    enum class At { onRow, aboveRow, belowRows };
    struct Dropped {
        platform::DragOperation proposed;
        bool taken;
    };
    Dropped dropAt(const std::shared_ptr<platform::DraggingInfo>& info, const std::string& rowName, At at = At::onRow) {
        const long row = rowNamed(rowName);
        const platform::Rect r = sidebar->rectOfRow(std::max(0L, row));
        platform::Point p{r.midX(), r.midY()};
        if (at == At::aboveRow) p.y = r.minY() + 1;
        if (at == At::belowRows) p.y = sidebar->rectOfRow(sidebar->numberOfRows() - 1).maxY() + 40;
        platform::DragDispatcher dispatcher(info);
        const auto proposed = dispatcher.moveTo(window, sidebar->convertPointToWindow(p));
        return {proposed, dispatcher.drop()};
    }
    Strings tagsOf(const std::string& name) const {
        const auto found =
            store()->allData()->firstWhere([&](const TableViewItem::Ptr& e) { return e->name() == name; });
        return found ? (*found)->tags() : Strings{"<none>"};
    }
    std::size_t entryCount() const { return store()->allData()->count(); }

    TableViewItem::Ptr entry;
    int addedPosts = 0;
    platform::Subscription added;
};

TEST_F(SidebarDropTest, AnEntryDroppedOntoATagGetsTheTag) {
    const auto result = dropAt(entryDrag(entry->path()), "Home");
    EXPECT_EQ(result.proposed, op::copy);
    EXPECT_TRUE(result.taken);
    EXPECT_EQ(tagsOf("plan.txt"), (Strings{"Work|Mail", "Home"}));
    EXPECT_TRUE(logs().contains("-> RebuildData - Request initiated: Outlineview Datasource"));
}

TEST_F(SidebarDropTest, AnEntryIsRefusedAnywhereButOnATag) {
    struct Case {
        const char* row;
        At at;
    };
    for (const auto& c : std::vector<Case>{{"Files", At::onRow},
                                           {"Tags", At::onRow},
                                           {"Work", At::onRow},  // a folder: it has no tag to give
                                           {"Home", At::aboveRow},
                                           {"Home", At::belowRows}}) {
        SCOPED_TRACE(std::string(c.row) + " " + std::to_string(static_cast<int>(c.at)));
        const auto result = dropAt(entryDrag(entry->path()), c.row, c.at);
        EXPECT_EQ(result.proposed, op::none);
        EXPECT_FALSE(result.taken);
    }
    EXPECT_EQ(tagsOf("plan.txt"), Strings{"Work|Mail"});
}

TEST_F(SidebarDropTest, AnEntryAcceptedOntoAFolderStillAddsNoEmptyTag) {
    // Should a drop reach acceptance without validation, a folder's empty
    // tag is still not given to the entry.
    const auto folder = sidebar->searchForSourceListItem("", SourceListItemContentType::tag);
    ASSERT_TRUE(folder);
    EXPECT_FALSE(controller->acceptDrop(*sidebar, entryDrag(entry->path()), folder, -1));
    EXPECT_EQ(tagsOf("plan.txt"), Strings{"Work|Mail"});
}

TEST_F(SidebarDropTest, UpTo25FilesOntoATagBecomeEntriesWithTheTag) {
    auto info = filesDrag(25);
    // One of them is gone by the time it is dropped: skipped, the rest added.
    std::filesystem::remove(root() / "data/drop/in3.txt");
    const std::size_t before = entryCount();
    const auto result = dropAt(info, "Home");
    EXPECT_EQ(result.proposed, op::copy);
    EXPECT_TRUE(result.taken);
    EXPECT_EQ(entryCount(), before + 24);
    EXPECT_EQ(tagsOf("in0.txt"), Strings{"Home"});
    EXPECT_EQ(tagsOf("in24.txt"), Strings{"Home"});
    EXPECT_EQ(addedPosts, 1) << "one rebuild and notice per drop";
    EXPECT_TRUE(logs().contains("-> RebuildData - Request initiated: addingFilesystemObjectsToDatabaseFinished"));
}

TEST_F(SidebarDropTest, TwentySixFilesAreRefusedWhole) {
    const std::size_t before = entryCount();
    for (const char* row : {"Home", "Files"}) {
        const auto result = dropAt(filesDrag(26), row);
        EXPECT_EQ(result.proposed, op::none) << row;
        EXPECT_FALSE(result.taken) << row;
    }
    EXPECT_EQ(entryCount(), before);
    EXPECT_EQ(addedPosts, 0);
}

TEST_F(SidebarDropTest, FilesElsewhereOnTheSidebarBecomeEntriesWithoutTag) {
    for (const char* row : {"Files", "Categories", "Work"}) {
        SCOPED_TRACE(row);
        const auto result = dropAt(filesDrag(1, row), row);
        EXPECT_EQ(result.proposed, op::copy);
        EXPECT_TRUE(result.taken);
        EXPECT_EQ(tagsOf(std::string(row) + "0.txt"), Strings{});
    }
    EXPECT_TRUE(dropAt(filesDrag(1, "below"), "Home", At::belowRows).taken);
    EXPECT_EQ(tagsOf("below0.txt"), Strings{});

    const auto between = dropAt(filesDrag(1, "between"), "Home", At::aboveRow);
    EXPECT_EQ(between.proposed, op::none);
    EXPECT_EQ(tagsOf("between0.txt"), Strings{"<none>"});
}

TEST_F(SidebarDropTest, OnlyTheFirstOfSeveralLinksIsAdded) {
    const auto result = dropAt(linksDrag({"https://one.example/", "https://two.example/"}), "Home");
    EXPECT_TRUE(result.taken);
    EXPECT_EQ(tagsOf("one.example"), Strings{"Home"});
    EXPECT_EQ(tagsOf("two.example"), Strings{"<none>"});

    EXPECT_TRUE(dropAt(linksDrag({"https://three.example/"}), "Applications").taken);
    EXPECT_EQ(tagsOf("three.example"), Strings{});

    // The same link again is refused by the store: the drop is not taken.
    EXPECT_FALSE(dropAt(linksDrag({"https://three.example/"}), "Files").taken);
}

TEST_F(SidebarDropTest, ADragWithoutItemsIsRefused) {
    const auto empty = std::make_shared<platform::DraggingInfo>(platform::Pasteboard::withUniqueName(), op::copy);
    const auto home = sidebar->searchForSourceListItem("Home");
    EXPECT_EQ(controller->validateDrop(*sidebar, empty, home, -1), op::none);
    EXPECT_FALSE(controller->acceptDrop(*sidebar, empty, home, -1));

    // Another outline is not the sidebar.
    platform::OutlineView other;
    EXPECT_EQ(controller->validateDrop(other, filesDrag(1), home, -1), op::none);
}

}  // namespace
