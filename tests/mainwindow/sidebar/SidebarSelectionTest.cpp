// Selecting sidebar rows by code, by hovering and by resting a drag on them;
// what the sidebar answers about its selection and headers.

#include <gtest/gtest.h>

#include "SidebarTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Pasteboard.h"
#include "sources/MainTableViewItemPathPasteboardWriter.h"

using namespace frelt;
using sidebartest::SidebarTest;
using sidebartest::Strings;

namespace {

using Type = SourceListItemContentType;

class SidebarSelectionTest : public SidebarTest {
protected:
    void SetUp() override {
        SidebarTest::SetUp();
        addApplication("Editor");
        addFolder("docs");
        addFile("plan.txt", {"Work|Projects|Alpha"});
        addFile("list.txt", {"Home"});
        rebuildStore();
        sidebar->updateContent(true);
    }
    void collapseAll() {
        for (const auto& root : *sidebar->outlineViewStructure->snapshot()) sidebar->collapseItem(root, true);
    }
    platform::Point middleOfRow(long row) const {
        const platform::Rect r = sidebar->rectOfRow(row);
        return sidebar->convertPointToWindow({r.midX(), r.midY()});
    }
    void moveMouseTo(long row) { kit::moveMouse(window, middleOfRow(row)); }
};

TEST_F(SidebarSelectionTest, SelectingByIndexTakesOnlyAnotherEntryRow) {
    EXPECT_EQ(selectedName(), "Applications");
    EXPECT_FALSE(sidebar->selectItemWithIndex(sidebar->selectedRow())) << "already selected";
    EXPECT_FALSE(sidebar->selectItemWithIndex(rowNamed("Tags"))) << "a header";
    EXPECT_FALSE(sidebar->selectItemWithIndex(sidebar->numberOfRows()));
    EXPECT_FALSE(sidebar->selectItemWithIndex(-1));
    EXPECT_EQ(selectedName(), "Applications");
    EXPECT_TRUE(sidebar->selectItemWithIndex(rowNamed("Home")));
    EXPECT_EQ(selectedName(), "Home");
    EXPECT_EQ(shownEntries(), Strings{"list.txt"}) << "the entry table follows";
}

TEST_F(SidebarSelectionTest, TheFirstAvailableEntryNeedsAnOpenHeader) {
    EXPECT_TRUE(sidebar->selectFirstAvailableEntry()) << "keeps the selection";
    // Without the controller, which would select again at once.
    sidebar->setDelegate(nullptr);
    sidebar->selectItemWithTagName("Home");
    collapseAll();
    EXPECT_FALSE(sidebar->selectFirstAvailableEntry());

    sidebar->deselectAll();
    sidebar->setHeaderExpanded(Type::headerTags, true);
    EXPECT_TRUE(sidebar->selectFirstAvailableEntry());
    EXPECT_EQ(selectedName(), "Home");
}

TEST_F(SidebarSelectionTest, CategoriesAndTagsAreSelectedThroughCollapsedParents) {
    // Both headers closed: with nothing selectable, the entry table's
    // refresh asks for the applications, which opens their header.
    collapseAll();
    EXPECT_EQ(selectedName(), "Applications");
    EXPECT_TRUE(logs().contains("!! Error - nothing selected!"));
    EXPECT_FALSE(sidebar->isHeaderCollapsed(Type::headerCategories));

    sidebar->setDelegate(nullptr);
    collapseAll();
    ASSERT_EQ(rows(), (Strings{"Categories", "Tags"}));
    EXPECT_TRUE(sidebar->selectItemWithSelectionType(sidebarselectiontype::folders));
    EXPECT_EQ(selectedName(), "Folders");
    EXPECT_FALSE(sidebar->isHeaderCollapsed(Type::headerCategories));

    // Every folder above the tag opens, from the top down.
    EXPECT_TRUE(sidebar->selectItemWithTagName("Work|Projects|Alpha"));
    EXPECT_EQ(selectedItem()->tag(), "Work|Projects|Alpha");
    EXPECT_EQ(rows(), (Strings{"Categories", "  Applications", "  Files", "  Folders", "  Recent Applications",
                               "  Active Applications", "Tags", "  Home", "  Work/", "    Projects/", "      Alpha"}));
    EXPECT_TRUE(logs().contains("## ItemIndex after search: 10"));

    // Selecting by item selects even the selected row again.
    EXPECT_TRUE(sidebar->selectByItem(selectedItem()));
    EXPECT_FALSE(sidebar->selectByItem(nullptr));
}

TEST_F(SidebarSelectionTest, WhatMatchesNothingLeavesTheSelectionAlone) {
    const long before = sidebar->selectedRow();
    EXPECT_FALSE(sidebar->selectItemWithTagName("work|projects|alpha")) << "tags compare exactly";
    EXPECT_FALSE(sidebar->selectItemWithTagName("Work|Projects")) << "a folder has no tag";
    EXPECT_FALSE(sidebar->selectItemWithSelectionType(sidebarselectiontype::urls)) << "no links, no category";
    EXPECT_FALSE(sidebar->selectItemWithSelectionType(8));
    logs().clear();
    EXPECT_FALSE(sidebar->selectItemWithTagNameAndContentType("", Type::tag));
    EXPECT_FALSE(sidebar->selectItemWithTagNameAndContentType("Home", Type::none));
    EXPECT_FALSE(logs().contains("searchForSourceListItem")) << "refused before searching";
    EXPECT_TRUE(sidebar->selectItemWithTagNameAndContentType("Home", Type::tag));
    EXPECT_FALSE(sidebar->selectItemWithTagNameAndContentType("Home", Type::allFiles));
    EXPECT_EQ(selectedName(), "Home");
    EXPECT_NE(sidebar->selectedRow(), before);
}

TEST_F(SidebarSelectionTest, SearchesWalkTheTreeInPreOrder) {
    // A tag named like the header: the header comes first.
    sidebarsupport::addVisibleTags({"Tags"});
    sidebar->updateContent(true);
    EXPECT_EQ(sidebar->searchForSourceListItem("Tags")->itemType(), SourceListItemType::header);
    EXPECT_EQ(sidebar->searchForSourceListItem("Tags", Type::tag)->itemType(), SourceListItemType::entry);
    EXPECT_EQ(sidebar->searchForSourceListItem(Type::tag)->name(), "Home");
    EXPECT_EQ(sidebar->searchForSourceListItem(Type::allFolders)->tag(), "::%Folders%::%%");
}

TEST_F(SidebarSelectionTest, LookupsAnswerForTheSelectedRowAndTheHeaders) {
    sidebar->setDelegate(nullptr);
    sidebar->deselectAll();
    EXPECT_EQ(sidebar->selectedItemContentType(), std::nullopt);
    EXPECT_EQ(sidebar->selectedTagName(), std::nullopt);
    EXPECT_FALSE(sidebar->isTagSelected());

    sidebar->selectRowIndexes({rowNamed("Work")}, false);
    EXPECT_EQ(sidebar->selectedTagName(), "") << "a folder";
    EXPECT_TRUE(sidebar->isTagSelected());
    sidebar->selectItemWithTagName("Home");
    EXPECT_EQ(sidebar->selectedTagName(), "Home");
    sidebar->selectItemWithSelectionType(sidebarselectiontype::folders);
    EXPECT_EQ(sidebar->selectedItemContentType(), Type::allFolders);
    EXPECT_EQ(sidebar->selectedTagName(), std::nullopt);

    EXPECT_FALSE(sidebar->isHeaderCollapsed(Type::headerTags));
    sidebar->setHeaderExpanded(Type::headerTags, false);
    EXPECT_TRUE(sidebar->isHeaderCollapsed(Type::headerTags));
    for (const Type other : {Type::tag, Type::allFiles, Type::none}) {
        EXPECT_FALSE(sidebar->isHeaderCollapsed(other)) << rawValue(other);
        sidebar->setHeaderExpanded(other, false);
    }
    EXPECT_EQ(rows().size(), 7u) << "only the headers change";

    // Expanding an expanded header keeps the folders below it as they are.
    sidebar->setHeaderExpanded(Type::headerTags, true);
    sidebar->collapseItem(sidebar->itemAtRow(rowNamed("Work")));
    sidebar->setHeaderExpanded(Type::headerTags, true);
    EXPECT_EQ(rowNamed("Projects"), -1);
}

TEST_F(SidebarSelectionTest, BeforeTheFirstBuildTheHeadersReadAsOpenAndCannotChange) {
    const auto fresh = std::make_shared<MainOutlineView>();
    EXPECT_FALSE(fresh->isHeaderCollapsed(Type::headerCategories));
    EXPECT_FALSE(fresh->isHeaderCollapsed(Type::headerTags));
    fresh->setHeaderExpanded(Type::headerTags, false);
    EXPECT_FALSE(fresh->isHeaderCollapsed(Type::headerTags));
    EXPECT_EQ(fresh->searchForSourceListItem(Type::headerTags), nullptr);
}

TEST_F(SidebarSelectionTest, RestingOnARowWithHoverSelectionOnSelectsIt) {
    config()->selectTagsAndCategoriesOnHover = true;
    sidebar->updateHoverTrackingArea();
    ASSERT_EQ(sidebar->trackingAreas().size(), 1u);
    EXPECT_EQ(sidebar->trackingAreas()[0]->options(), 643u);

    moveMouseTo(rowNamed("Home"));
    advance(0.2);
    EXPECT_EQ(selectedName(), "Applications");
    advance(0.2);
    EXPECT_EQ(selectedName(), "Home");
    EXPECT_EQ(shownEntries(), Strings{"list.txt"});

    // Passing over rows restarts the delay each time.
    moveMouseTo(rowNamed("Folders"));
    advance(0.2);
    moveMouseTo(rowNamed("Files"));
    advance(0.2);
    EXPECT_EQ(selectedName(), "Home");
    advance(0.2);
    EXPECT_EQ(selectedName(), "Files");

    // A header is never selected so.
    moveMouseTo(rowNamed("Tags"));
    advance(1);
    EXPECT_EQ(selectedName(), "Files");

    // Leaving cancels; back on the same row there is no new delay.
    moveMouseTo(rowNamed("Home"));
    sidebar->mouseExited(platform::Event{});
    advance(1);
    EXPECT_EQ(selectedName(), "Files");
    moveMouseTo(rowNamed("Home"));
    advance(1);
    EXPECT_EQ(selectedName(), "Files");
}

TEST_F(SidebarSelectionTest, HoverSelectionIsOffUntilTheViewIsShownWithTheSetting) {
    sidebar->updateHoverTrackingArea();
    EXPECT_TRUE(sidebar->trackingAreas().empty());
    config()->selectTagsAndCategoriesOnHover = true;
    EXPECT_TRUE(sidebar->trackingAreas().empty());
    sidebar->updateHoverTrackingArea();
    config()->selectTagsAndCategoriesOnHover = false;
    moveMouseTo(rowNamed("Home"));
    advance(1);
    EXPECT_EQ(selectedName(), "Applications") << "the setting is read at every move";
}

TEST_F(SidebarSelectionTest, EntryRowsStandFurtherLeftThanTheOutlineLaysThemOut) {
    const long header = rowNamed("Categories"), entry = rowNamed("Applications"), nested = rowNamed("Alpha");
    const platform::OutlineView& plain = *sidebar;
    auto base = [&](long row) { return plain.platform::OutlineView::frameOfCellAtColumn(0, row); };
    EXPECT_EQ(sidebar->frameOfCellAtColumn(0, header), base(header));
    for (const long row : {entry, nested}) {
        const platform::Rect shifted = sidebar->frameOfCellAtColumn(0, row);
        EXPECT_EQ(shifted.minX(), base(row).minX() - 15);
        EXPECT_EQ(shifted.width(), base(row).width() + 15);
        EXPECT_EQ(shifted.minY(), base(row).minY());
    }
    const long folder = rowNamed("Work");
    EXPECT_EQ(sidebar->frameOfOutlineCellAtRow(folder).minX(),
              plain.platform::OutlineView::frameOfOutlineCellAtRow(folder).minX() - 15);
}

TEST_F(SidebarSelectionTest, ADragFromOutsideRestingOnACategoryOrTagSelectsIt) {
    auto fileDrag = [&] {
        auto pasteboard = platform::Pasteboard::withUniqueName();
        pasteboard->writeObjects({platform::pasteboardWriterForURL(platform::URL::fileURL(makeFile("in.txt")))});
        return std::make_shared<platform::DraggingInfo>(pasteboard, platform::dragoperation::copy);
    };
    {
        platform::DragDispatcher drag(fileDrag());
        drag.moveTo(window, middleOfRow(rowNamed("Files")));
        EXPECT_TRUE(sidebar->springLoadingActive);
        advance(platform::DragDispatcher::springLoadingDelay() + 0.1);
        EXPECT_EQ(selectedName(), "Files");
        EXPECT_EQ(window->firstResponder(), sidebar) << "the drag gave the sidebar the focus";

        // A tag folder is no target of its own.
        drag.moveTo(window, middleOfRow(rowNamed("Work")));
        advance(platform::DragDispatcher::springLoadingDelay() + 0.1);
        EXPECT_EQ(selectedName(), "Files");
        drag.moveTo(window, middleOfRow(rowNamed("Home")));
        advance(platform::DragDispatcher::springLoadingDelay() + 0.1);
        EXPECT_EQ(selectedName(), "Home");
        drag.exit();
    }
    EXPECT_FALSE(sidebar->springLoadingActive);
    EXPECT_GE(rowNamed("Projects"), 0) << "the folders stayed open";

    // An entry dragged out of the entry table selects nothing on its way.
    auto pasteboard = platform::Pasteboard::withUniqueName();
    pasteboard->writeObjects({std::make_shared<MainTableViewItemPathPasteboardWriter>("/x/plan.txt")});
    platform::DragDispatcher entryDrag(std::make_shared<platform::DraggingInfo>(pasteboard, platform::dragoperation::every));
    entryDrag.moveTo(window, middleOfRow(rowNamed("Files")));
    advance(platform::DragDispatcher::springLoadingDelay() + 0.1);
    EXPECT_FALSE(sidebar->springLoadingActive);
    EXPECT_EQ(selectedName(), "Home");
}

}  // namespace
