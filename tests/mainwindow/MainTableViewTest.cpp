#include <gtest/gtest.h>

#include "MainWindowTestSupport.h"
#include "mainwindow/TableViewPopup.h"
#include "platform/appkit/KitBackend.h"
#include "platform/appkit/Popover.h"

using namespace frelt;

namespace {

class MainTableViewTest : public MainWindowTest {
protected:
    // Entries "Entry a" ... in name order.
    static std::vector<TableViewItem::Ptr> entries(int count) {
        std::vector<TableViewItem::Ptr> made;
        for (int i = 0; i < count; ++i) made.push_back(link("Entry " + std::string(1, char('a' + i))));
        return made;
    }
    std::shared_ptr<platform::HeadlessKitBackend> backend() {
        return std::dynamic_pointer_cast<platform::HeadlessKitBackend>(platform::Application::shared()->backend());
    }
    // Paints as a desktop would: whenever the window asked for it, once a frame.
    int runFrames(int frames) {
        int paints = 0;
        for (int i = 0; i < frames; ++i) {
            if (backend()->count("display " + std::to_string(window->windowNumber()))) {
                backend()->clearRequests();
                window->displayIfNeeded();
                ++paints;
            }
            advance(1.0 / 60);
        }
        return paints;
    }
    // A second entry table in a window of its own, served by the main view
    // controller like the window's own (which the store's notifications
    // reload; this one only reloads when told).
    std::shared_ptr<MainTableView> standaloneTable() {
        auto other = std::make_shared<platform::Window>(platform::Rect(0, 0, 500, 400));
        auto scroll = std::make_shared<platform::ScrollView>(platform::Rect(0, 0, 500, 400));
        other->contentView()->addSubview(scroll);
        auto made = std::make_shared<MainTableView>(platform::Rect(0, 0, 500, 400));
        made->addTableColumn(std::make_shared<platform::TableColumn>("EntryColumn"));
        made->awakeFromNib();
        scroll->setDocumentView(made);
        made->setDataSource(controller());
        made->setDelegate(controller());
        other->orderFront();
        standaloneWindows_.push_back(other);
        made->reloadData();
        return made;
    }
    int cellDraws() {
        int draws = 0;
        table()->enumerateAvailableRowViews([&](const std::shared_ptr<platform::TableRowView>& row, long) {
            row->forEachInTree([&](platform::View& v) { draws += v.drawCount(); });
        });
        return draws;
    }

    std::vector<std::shared_ptr<platform::Window>> standaloneWindows_;
};

TEST_F(MainTableViewTest, RefreshesRefuseWhileHiddenOrWhileTheStoreIsBusy) {
    config()->setDebugLogging(true);
    setEntries(entries(3));
    showMainWindow();
    ASSERT_EQ(table()->numberOfRows(), 3);

    hideMainWindow();
    setEntries(entries(5));
    table()->reloadData();
    EXPECT_EQ(table()->numberOfRows(), 3);
    EXPECT_TRUE(logs().contains("reloadData cancelled -> TableView was not visible"));

    showMainWindow();
    store()->setState(DatastorageState::rebuildData);
    table()->reloadData();
    table()->redrawData();
    EXPECT_TRUE(logs().contains("refreshAllItems failed -> DataStorage was not idle!"));
    EXPECT_TRUE(logs().contains("redrawData failed -> DataStorage was not idle!"));
    store()->setState(DatastorageState::idle);

    setEntries({});
    table()->reloadData();
    logs().clear();
    table()->redrawSelected();
    EXPECT_EQ(loggedAfter("").size(), 1u);
    EXPECT_TRUE(logs().contains("-> redrawSelected"));
}

TEST_F(MainTableViewTest, AReloadKeepsTheEqualEntrySelected) {
    auto all = entries(8);
    setEntries(all);
    auto t = standaloneTable();
    t->selectRowIndexes(platform::IndexSet::withIndex(5), false);  // "Entry f"

    // The list loses three entries above it: the same entry is now row 2.
    for (int i = 0; i < 3; ++i) store()->removeFromAllData(all[std::size_t(i)]->path(), false);
    store()->filterCurrentData()->applyFilter();
    ASSERT_EQ(shownNames()[2], "Entry f");
    t->reloadData();
    EXPECT_EQ(t->selectedRow(), 2);

    // Without an equal entry the selection stays where the kit leaves it.
    store()->removeFromAllData(all[5]->path(), false);
    store()->filterCurrentData()->applyFilter();
    t->reloadData();
    EXPECT_EQ(t->selectedRow(), 2);
    EXPECT_EQ(shownNames()[2], "Entry g");
}

TEST_F(MainTableViewTest, MovingTheSelectionStopsAtTheEnds) {
    setEntries(entries(3));
    auto t = standaloneTable();
    EXPECT_EQ(t->selectedRow(), 0) << "a table without empty selection selects its first row";
    t->selectPreviousRow();
    EXPECT_EQ(t->selectedRow(), 0);
    for (int i = 0; i < 3; ++i) t->selectNextRow();
    EXPECT_EQ(t->selectedRow(), 2);

    // Without a selection (a table that allows one) either way selects row 0.
    for (auto move : {&MainTableView::selectNextRow, &MainTableView::selectPreviousRow}) {
        auto fresh = standaloneTable();
        fresh->setAllowsEmptySelection(true);
        fresh->deselectAll();
        ASSERT_EQ(fresh->selectedRow(), -1);
        ((*fresh).*move)();
        EXPECT_EQ(fresh->selectedRow(), 0);
    }
}

TEST_F(MainTableViewTest, ARightClickOpensThePopupForEveryEntryButTags) {
    registerMainWindowScenes();
    auto tag = TableViewItem::initForTag("Work", "Work");
    setEntries({link("Alpha"), link("Beta"), tag});
    showMainWindow();
    auto t = table();
    const auto popover = t->popupMenu->tableViewPopover;
    ASSERT_TRUE(t->popupMenu->tableViewPopupViewController());
    t->selectRowIndexes(platform::IndexSet::withIndex(0), false);

    kit::rightClickView(cell(2));
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(t->selectedRow(), 0) << "a tag entry's row is not selected";

    kit::clickView(cell(1), platform::modifierflags::control);
    ASSERT_TRUE(popover->isShown()) << "Control-click is a right click";
    EXPECT_EQ(t->selectedRow(), 1);
    EXPECT_EQ(popover->positioningView(), cell(1));
    EXPECT_EQ(popover->preferredEdge(), platform::RectEdge::minX);
    EXPECT_EQ(t->popupMenu->tableViewPopupViewController()->item->name(), "Beta");

    // While it is shown, opening the selected entry does nothing.
    t->executeSelectedItem();
    drain();
    EXPECT_TRUE(workspace->calls().empty());

    // Changing the selection closes it.
    t->selectRowIndexes(platform::IndexSet::withIndex(0), false);
    EXPECT_FALSE(popover->isShown());
    t->executeSelectedItem();
    drain();
    ASSERT_EQ(workspace->calls().size(), 1u);
    EXPECT_EQ(workspace->calls()[0].urls.at(0).absoluteString(), "https://alpha.example/");
}

TEST_F(MainTableViewTest, AnIdleWindowPaintsNothing) {
    setEntries(entries(12));
    showMainWindow();
    table()->selectRowIndexes(platform::IndexSet::withIndex(0), false);
    runFrames(10);  // the first pictures
    const int drawsBefore = cellDraws();
    ASSERT_GT(drawsBefore, 0);

    EXPECT_EQ(runFrames(60), 0) << "a second of an idle window asks for no painting";
    EXPECT_EQ(cellDraws(), drawsBefore);

    // What changes the picture still repaints, once.
    kit::changeFlags(platform::modifierflags::command);
    EXPECT_EQ(runFrames(60), 1);
    EXPECT_GT(cellDraws(), drawsBefore);
    EXPECT_EQ(runFrames(60), 0);
}

}  // namespace
