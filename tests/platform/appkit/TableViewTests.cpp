#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "KitTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using kittest::Calls;

namespace {

const std::string kTableEntryPathType = "org.frelt.Frelt.mainTableViewItemPath";

// A cell that writes the background styles its row gives it.
class RecordingCell : public TableCellView {
public:
    explicit RecordingCell(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    void setBackgroundStyle(BackgroundStyle style) override {
        calls_->push_back("style " + std::to_string(int(style)));
        TableCellView::setBackgroundStyle(style);
    }

private:
    std::shared_ptr<Calls> calls_;
};

// Data source and delegate that write every call as a line.
class RecordingTable : public TableViewDataSource, public TableViewDelegate {
public:
    explicit RecordingTable(std::shared_ptr<Calls> calls) : calls(std::move(calls)) {}

    std::shared_ptr<Calls> calls;
    long rows = 3;
    double height = 20;
    bool allowSelection = true;
    bool logHeights = true;
    std::function<DragOperation(TableView&, long, TableViewDropOperation)> validate;

    long numberOfRowsInTableView(TableView&) override {
        calls->push_back("numberOfRows");
        return rows;
    }
    double heightOfRow(TableView&, long row) override {
        if (logHeights) calls->push_back("heightOfRow " + std::to_string(row));
        return height;
    }
    bool isGroupRow(TableView&, long row) override {
        calls->push_back("isGroupRow " + std::to_string(row));
        return false;
    }
    std::shared_ptr<TableRowView> rowViewForRow(TableView&, long row) override {
        calls->push_back("rowViewForRow " + std::to_string(row));
        return nullptr;
    }
    std::shared_ptr<View> viewForTableColumn(TableView& table, const std::shared_ptr<TableColumn>& column,
                                             long row) override {
        calls->push_back("viewFor " + (column ? column->identifier() : std::string("-")) + " " + std::to_string(row));
        return table.makeViewWithIdentifier("Cell", nullptr);
    }
    void didAddRowView(TableView&, const std::shared_ptr<TableRowView>&, long row) override {
        calls->push_back("didAddRowView " + std::to_string(row));
    }
    void didRemoveRowView(TableView&, const std::shared_ptr<TableRowView>&, long row) override {
        calls->push_back("didRemoveRowView " + std::to_string(row));
    }
    bool shouldSelectRow(TableView&, long row) override {
        calls->push_back("shouldSelectRow " + std::to_string(row));
        return allowSelection;
    }
    void tableViewSelectionDidChange(const Notification&) override { calls->push_back("selectionDidChange"); }
    DragOperation validateDrop(TableView& table, const std::shared_ptr<DraggingInfo>&, long row,
                               TableViewDropOperation op) override {
        calls->push_back("validateDrop " + std::to_string(row) + (op == TableViewDropOperation::on ? " on" : " above"));
        return validate ? validate(table, row, op) : dragoperation::copy;
    }
    bool acceptDrop(TableView&, const std::shared_ptr<DraggingInfo>&, long row, TableViewDropOperation op) override {
        calls->push_back("acceptDrop " + std::to_string(row) + (op == TableViewDropOperation::on ? " on" : " above"));
        return true;
    }
    void sortDescriptorsDidChange(TableView& table, const std::vector<SortDescriptor>& old) override {
        std::string line = "sort";
        for (const auto& d : table.sortDescriptors()) line += " " + d.key() + (d.ascending() ? "+" : "-");
        line += " (was " + std::to_string(old.size()) + ")";
        calls->push_back(line);
    }
};

// Receives the table's actions.
class ActionTarget : public Object {
public:
    ActionTarget(std::shared_ptr<Calls> calls, std::shared_ptr<TableView> table) {
        auto record = [calls, weak = std::weak_ptr<TableView>(table)](const std::string& name) {
            return [calls, weak, name](const std::shared_ptr<Object>&) {
                calls->push_back(name + " clickedRow " + std::to_string(weak.lock()->clickedRow()));
            };
        };
        registerAction("open:", record("open"));
        registerAction("doubleOpen:", record("doubleOpen"));
    }
};

// A window whose content is a scroll view 300 x 100 holding a one-column
// table with rows 20 high: five rows show at a time.
class TableViewTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        window = std::make_shared<Window>(Rect(0, 0, 300, 100));
        scroll = std::make_shared<ScrollView>(Rect(0, 0, 300, 100));
        window->contentView()->addSubview(scroll);
        table = std::make_shared<TableView>(Rect(0, 0, 300, 100));
        table->addTableColumn(std::make_shared<TableColumn>("main"));
        table->registerViewFactory("Cell", [this] {
            ++cellsMade;
            return std::make_shared<RecordingCell>(styles);
        });
        table->setDataSource(source);
        table->setDelegate(source);
        scroll->setDocumentView(table);
        kit::makeKey(window);
    }

    // The middle of a row in window coordinates.
    Point rowPoint(long row, double fraction = 0.5) {
        return table->convertPointToWindow({150, row * source->height + source->height * fraction});
    }
    std::vector<long> shownRows() {
        std::vector<long> rows;
        table->enumerateAvailableRowViews([&](const auto&, long row) { rows.push_back(row); });
        return rows;
    }

    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<Calls> styles = std::make_shared<Calls>();
    std::shared_ptr<RecordingTable> source = std::make_shared<RecordingTable>(calls);
    std::shared_ptr<Window> window;
    std::shared_ptr<ScrollView> scroll;
    std::shared_ptr<TableView> table;
    int cellsMade = 0;
};

TEST_F(TableViewTest, ReloadAsksForTheRowsThenMakesTheVisibleOnesInOrder) {
    calls->clear();
    table->reloadData();
    EXPECT_EQ(*calls, (Calls{"numberOfRows", "heightOfRow 0", "heightOfRow 1", "heightOfRow 2",
                             "isGroupRow 0", "rowViewForRow 0", "viewFor main 0", "didAddRowView 0",
                             "isGroupRow 1", "rowViewForRow 1", "viewFor main 1", "didAddRowView 1",
                             "isGroupRow 2", "rowViewForRow 2", "viewFor main 2", "didAddRowView 2"}));
    EXPECT_EQ(table->numberOfRows(), 3);
    EXPECT_EQ(table->rectOfRow(2), Rect(0, 40, 300, 20));
    // The table fills the clip view, so a click below the rows still hits it.
    EXPECT_EQ(table->frame().size, (Size{300, 100}));
    EXPECT_EQ(table->viewAtColumn(0, 1, false)->frame(), Rect(0, 0, 300, 20));
}

TEST_F(TableViewTest, ReloadDropsSelectedRowsThatAreGoneAndSaysSoOnce) {
    table->reloadData();
    table->selectRowIndexes(IndexSet{2}, false);
    source->rows = 5;
    calls->clear();
    table->reloadData();
    EXPECT_EQ(std::count(calls->begin(), calls->end(), "selectionDidChange"), 0) << "row 2 still exists";
    EXPECT_EQ(table->selectedRow(), 2);

    source->rows = 2;
    calls->clear();
    table->reloadData();
    EXPECT_EQ(calls->back(), "selectionDidChange");
    EXPECT_EQ(std::count(calls->begin(), calls->end(), "selectionDidChange"), 1);
    EXPECT_EQ(table->selectedRow(), -1);
}

TEST_F(TableViewTest, OnlyTheVisibleRowsAndAMarginAreMadeAndScrollingRecyclesThem) {
    source->rows = 100000;
    source->logHeights = false;
    table->reloadData();
    EXPECT_EQ(table->frame().height(), 2000000);
    EXPECT_EQ(shownRows(), (std::vector<long>{0, 1, 2, 3, 4, 5, 6})) << "five visible rows and two below";
    EXPECT_EQ(cellsMade, 7);
    EXPECT_EQ(table->rowAtPoint({10, 1999990}), 99999);

    calls->clear();
    table->scrollRowToVisible(100);
    EXPECT_EQ(scroll->documentVisibleRect().minY(), 1920) << "row 100 at the bottom";
    Calls expected;
    for (long r = 0; r <= 6; ++r) expected.push_back("didRemoveRowView " + std::to_string(r));
    for (long r = 94; r <= 102; ++r) {
        for (auto call : {"isGroupRow ", "rowViewForRow ", "viewFor main ", "didAddRowView "})
            expected.push_back(call + std::to_string(r));
    }
    EXPECT_EQ(*calls, expected);
    EXPECT_EQ(cellsMade, 9) << "seven cells came back from the reuse pool, two were new";
    EXPECT_EQ(table->viewAtColumn(0, 3, false), nullptr);
    EXPECT_NE(table->viewAtColumn(0, 3, true), nullptr) << "made on request";

    // Scrolling by a few rows keeps the rows still in view.
    calls->clear();
    table->scrollRowToVisible(103);
    EXPECT_EQ(std::count_if(calls->begin(), calls->end(), [](auto& c) { return c.rfind("viewFor", 0) == 0; }), 3);
    EXPECT_EQ(shownRows(), (std::vector<long>{97, 98, 99, 100, 101, 102, 103, 104, 105}));
}

TEST_F(TableViewTest, TheReusePoolHandsViewsBackByIdentifier) {
    int otherMade = 0;
    table->registerViewFactory("Other", [&] {
        ++otherMade;
        return std::make_shared<TableCellView>();
    });
    auto a = table->makeViewWithIdentifier("Cell", nullptr);
    auto b = table->makeViewWithIdentifier("Other", nullptr);
    EXPECT_EQ(a->identifier(), "Cell");
    EXPECT_EQ(b->identifier(), "Other");
    EXPECT_EQ(table->makeViewWithIdentifier("Unknown", nullptr), nullptr);

    source->rows = 3;
    table->reloadData();
    std::set<View*> made;
    for (long r = 0; r < 3; ++r) made.insert(table->viewAtColumn(0, r, false).get());
    const int before = cellsMade;
    source->rows = 1;
    table->reloadData();
    EXPECT_EQ(cellsMade, before) << "row 0 got a cell back from the pool";
    EXPECT_TRUE(made.count(table->viewAtColumn(0, 0, false).get()));
    // The two cells of the rows that went wait in the "Cell" pool; "Other" has none.
    auto pooled1 = table->makeViewWithIdentifier("Cell", nullptr);
    auto pooled2 = table->makeViewWithIdentifier("Cell", nullptr);
    EXPECT_TRUE(made.count(pooled1.get()) && made.count(pooled2.get()));
    EXPECT_NE(pooled1, pooled2);
    EXPECT_EQ(pooled1->superview(), nullptr);
    table->makeViewWithIdentifier("Cell", nullptr);
    EXPECT_EQ(cellsMade, before + 1) << "the pool is empty now";
    table->makeViewWithIdentifier("Other", nullptr);
    EXPECT_EQ(otherMade, 2);
}

TEST_F(TableViewTest, AClickSelectsOnMouseDownAndSendsTheActionOnMouseUp) {
    table->reloadData();
    auto target = std::make_shared<ActionTarget>(calls, table);
    table->setTarget(target);
    table->setAction("open:");
    calls->clear();

    kit::mouseDown(window, rowPoint(1));
    EXPECT_EQ(*calls, (Calls{"shouldSelectRow 1", "selectionDidChange"}));
    EXPECT_EQ(window->firstResponder(), table);
    kit::mouseUp(window, rowPoint(1));
    EXPECT_EQ(*calls, (Calls{"shouldSelectRow 1", "selectionDidChange", "open clickedRow 1"}));
    EXPECT_TRUE(table->rowViewAtRow(1, false)->isSelected());

    calls->clear();
    kit::click(window, rowPoint(1));
    EXPECT_EQ(*calls, (Calls{"shouldSelectRow 1", "open clickedRow 1"})) << "no change, no did-change";

    calls->clear();
    source->allowSelection = false;
    kit::click(window, rowPoint(2));
    EXPECT_EQ(*calls, (Calls{"shouldSelectRow 2", "open clickedRow 2"}));
    EXPECT_EQ(table->selectedRow(), 1);

    // Below the last row: clickedRow -1, and the selection goes (it may be empty).
    calls->clear();
    kit::click(window, {150, 90});
    EXPECT_EQ(*calls, (Calls{"selectionDidChange", "open clickedRow -1"}));
    EXPECT_EQ(table->selectedRow(), -1);
    source->allowSelection = true;
    table->selectRowIndexes(IndexSet{0}, false);
    table->setAllowsEmptySelection(false);
    calls->clear();
    kit::click(window, {150, 90});
    EXPECT_EQ(*calls, (Calls{"open clickedRow -1"}));
    EXPECT_EQ(table->selectedRow(), 0);
}

TEST_F(TableViewTest, ADoubleClickSendsTheDoubleActionOnItsSecondMouseUp) {
    table->reloadData();
    auto target = std::make_shared<ActionTarget>(calls, table);
    table->setTarget(target);
    table->setDoubleAction("doubleOpen:");
    calls->clear();
    kit::click(window, rowPoint(2), 0, 1);
    kit::click(window, rowPoint(2), 0, 2);
    EXPECT_EQ(*calls, (Calls{"shouldSelectRow 2", "selectionDidChange", "shouldSelectRow 2", "doubleOpen clickedRow 2"}))
        << "no single action is set, so the first click only selects";

    table->setAction("open:");
    calls->clear();
    kit::click(window, rowPoint(0), 0, 1);
    kit::click(window, rowPoint(0), 0, 2);
    EXPECT_EQ(*calls, (Calls{"shouldSelectRow 0", "selectionDidChange", "open clickedRow 0", "shouldSelectRow 0",
                             "doubleOpen clickedRow 0"}));
}

TEST_F(TableViewTest, ARightClickOrAControlClickOnlySetsTheClickedRow) {
    table->reloadData();
    table->selectRowIndexes(IndexSet{0}, false);
    calls->clear();
    kit::rightClick(window, rowPoint(2));
    EXPECT_EQ(table->clickedRow(), 2);
    EXPECT_EQ(table->clickedColumn(), 0);
    kit::click(window, rowPoint(1), modifierflags::control);
    EXPECT_EQ(table->clickedRow(), 1);
    EXPECT_TRUE(calls->empty()) << ::testing::PrintToString(*calls);
    EXPECT_EQ(table->selectedRow(), 0);
}

TEST_F(TableViewTest, SelectingByCodeAsksNothingAndTellsOnlyRealChanges) {
    table->reloadData();
    calls->clear();
    table->selectRowIndexes(IndexSet{2}, false);
    table->selectRowIndexes(IndexSet{2}, false);
    table->selectRowIndexes(IndexSet{7}, false);  // no such row: nothing to select
    EXPECT_EQ(*calls, (Calls{"selectionDidChange", "selectionDidChange"}));
    EXPECT_EQ(table->selectedRowIndexes(), IndexSet{});

    calls->clear();
    table->setAllowsMultipleSelection(true);
    table->selectRowIndexes(IndexSet{0}, false);
    table->selectRowIndexes(IndexSet{2}, true);
    EXPECT_EQ(table->selectedRowIndexes(), (IndexSet{0, 2}));
    EXPECT_EQ(table->selectedRow(), 2);
    EXPECT_EQ(std::count(calls->begin(), calls->end(), "selectionDidChange"), 2);
    EXPECT_EQ(std::count_if(calls->begin(), calls->end(), [](auto& c) { return c.rfind("should", 0) == 0; }), 0);
}

TEST_F(TableViewTest, RowsAreEmphasisedWhileTheTableIsFirstResponderAndCellsHearTheirStyle) {
    table->reloadData();
    auto other = std::make_shared<kittest::ResponderView>("other", calls);
    window->contentView()->addSubview(other);
    auto row0 = table->rowViewAtRow(0, false);
    styles->clear();

    table->selectRowIndexes(IndexSet{0}, false);
    EXPECT_TRUE(row0->isSelected());
    EXPECT_FALSE(row0->isEmphasized());
    EXPECT_EQ(*styles, (Calls{"style 0"})) << "selected without focus: normal";

    window->makeFirstResponder(table);
    EXPECT_TRUE(row0->isEmphasized());
    EXPECT_TRUE(table->rowViewAtRow(1, false)->isEmphasized());
    EXPECT_EQ(std::static_pointer_cast<TableCellView>(table->viewAtColumn(0, 0, false))->backgroundStyle(),
              BackgroundStyle::emphasized);
    EXPECT_EQ(std::static_pointer_cast<TableCellView>(table->viewAtColumn(0, 1, false))->backgroundStyle(),
              BackgroundStyle::normal);

    window->makeFirstResponder(other);
    EXPECT_FALSE(row0->isEmphasized());
    EXPECT_EQ(std::static_pointer_cast<TableCellView>(table->viewAtColumn(0, 0, false))->backgroundStyle(),
              BackgroundStyle::normal);

    // A row made while the table has the focus starts emphasised, and its
    // selected cell with it.
    window->makeFirstResponder(table);
    source->rows = 4;
    table->reloadData();
    EXPECT_EQ(std::static_pointer_cast<TableCellView>(table->viewAtColumn(0, 0, false))->backgroundStyle(),
              BackgroundStyle::emphasized);
}

// A row view whose cells change its emphasis from inside setBackgroundStyle,
// as the entry cells do: the calls must settle.
class SelfEmphasisingCell : public TableCellView {
public:
    int calls = 0;
    void setBackgroundStyle(BackgroundStyle style) override {
        ++calls;
        if (auto row = std::dynamic_pointer_cast<TableRowView>(superview())) row->TableRowView::setEmphasized(true);
        TableCellView::setBackgroundStyle(style);
    }
};

TEST_F(TableViewTest, ACellThatSetsItsRowsEmphasisDoesNotLoop) {
    auto row = std::make_shared<TableRowView>(Rect(0, 0, 100, 20));
    auto cell = std::make_shared<SelfEmphasisingCell>();
    row->addSubview(cell);
    row->setSelected(true);
    EXPECT_TRUE(row->isEmphasized());
    EXPECT_EQ(cell->backgroundStyle(), BackgroundStyle::emphasized);
    EXPECT_LT(cell->calls, 5);
}

TEST_F(TableViewTest, DropsAreProposedByPositionAndGoWhereValidationRetargetedThem) {
    table->registerForDraggedTypes({pasteboardtype::fileURL});
    table->reloadData();
    source->validate = [](TableView& t, long row, TableViewDropOperation op) {
        if (op != TableViewDropOperation::on) return dragoperation::none;
        if (row == 2) t.setDropRow(-1, TableViewDropOperation::on);  // the whole table
        if (row == 0) t.setDropRow(1, TableViewDropOperation::above);  // another row
        return dragoperation::copy;
    };
    auto pasteboard = Pasteboard::withUniqueName();
    pasteboard->writeObjects({pasteboardWriterForURL(URL::fileURL("/tmp/a.pdf"))});
    auto info = std::make_shared<DraggingInfo>(pasteboard, dragoperation::every);
    DragDispatcher drag(info);
    calls->clear();

    EXPECT_EQ(drag.moveTo(window, rowPoint(1)), dragoperation::copy);
    EXPECT_EQ(drag.moveTo(window, rowPoint(1, 0.1)), dragoperation::none);
    EXPECT_EQ(drag.moveTo(window, rowPoint(1, 0.9)), dragoperation::none);
    EXPECT_EQ(drag.moveTo(window, {150, 95}), dragoperation::none);
    EXPECT_EQ(drag.moveTo(window, rowPoint(2)), dragoperation::copy);
    EXPECT_EQ(table->dropRow(), -1);
    EXPECT_TRUE(drag.drop());
    EXPECT_EQ(*calls, (Calls{"validateDrop 1 on", "validateDrop 1 above", "validateDrop 2 above",
                             "validateDrop 3 above", "validateDrop 2 on", "acceptDrop -1 on"}));

    // A drop moved to another row lands there, and the table shows it there.
    DragDispatcher second(info);
    calls->clear();
    EXPECT_EQ(second.moveTo(window, rowPoint(0)), dragoperation::copy);
    EXPECT_EQ(table->dropRow(), 1);
    EXPECT_EQ(table->dropOperation(), TableViewDropOperation::above);
    EXPECT_TRUE(second.drop());
    EXPECT_EQ(*calls, (Calls{"validateDrop 0 on", "acceptDrop 1 above"}));
}

TEST_F(TableViewTest, ADragThatLeavesIsNotAccepted) {
    table->registerForDraggedTypes({pasteboardtype::fileURL});
    table->reloadData();
    auto pasteboard = Pasteboard::withUniqueName();
    pasteboard->writeObjects({pasteboardWriterForURL(URL::fileURL("/tmp/a.pdf"))});
    DragDispatcher drag(std::make_shared<DraggingInfo>(pasteboard, dragoperation::copy));
    drag.moveTo(window, rowPoint(0));
    drag.exit();
    EXPECT_FALSE(drag.drop());
    EXPECT_EQ(std::count_if(calls->begin(), calls->end(), [](auto& c) { return c.rfind("acceptDrop", 0) == 0; }), 0);

    // A drag whose pasteboard offers none of the registered types never reaches the table.
    auto text = Pasteboard::withUniqueName();
    text->writeObjects({pasteboardWriterForString("hello")});
    DragDispatcher other(std::make_shared<DraggingInfo>(text, dragoperation::copy));
    calls->clear();
    EXPECT_EQ(other.moveTo(window, rowPoint(0)), dragoperation::none);
    EXPECT_EQ(other.destination(), nullptr);
    EXPECT_TRUE(calls->empty());
}

TEST_F(TableViewTest, RemovingRowsMovesTheRowsBelowAndTheSelection) {
    source->logHeights = false;
    table->reloadData();
    table->selectRowIndexes(IndexSet{2}, false);
    const auto cellOfRow2 = table->viewAtColumn(0, 2, false);
    source->rows = 2;
    calls->clear();
    table->removeRowsAtIndexes(IndexSet{0}, tableviewanimation::slideUp);
    EXPECT_EQ(table->selectedRow(), 1) << "the selected row moved up";
    EXPECT_EQ(table->viewAtColumn(0, 1, false), cellOfRow2) << "its views moved with it";
    EXPECT_EQ(table->rowViewAtRow(1, false)->frame(), Rect(0, 20, 300, 20));
    EXPECT_EQ(std::count(calls->begin(), calls->end(), "selectionDidChange"), 0);

    source->rows = 1;
    table->removeRowsAtIndexes(IndexSet{1}, tableviewanimation::effectFade);
    EXPECT_EQ(table->selectedRow(), -1);
    EXPECT_EQ(calls->back(), "selectionDidChange");
}

TEST_F(TableViewTest, HeaderClicksSortByTheColumnAndFlipTheOrderOnTheSecondClick) {
    auto second = std::make_shared<TableColumn>("comment");
    second->setSortDescriptorPrototype(SortDescriptor("comment"));
    table->tableColumns().front()->setSortDescriptorPrototype(SortDescriptor("application"));
    table->tableColumns().front()->setWidth(120);
    table->addTableColumn(second);
    auto header = std::make_shared<TableHeaderView>(Rect(0, 0, 300, 20));
    table->setHeaderView(header);
    window->contentView()->addSubview(header);
    calls->clear();

    kit::click(window, {200, 10});
    kit::click(window, {200, 10});
    kit::click(window, {50, 10});
    EXPECT_EQ(*calls, (Calls{"sort comment+ (was 0)", "sort comment- (was 1)", "sort application+ comment- (was 1)"}));
    EXPECT_EQ(table->rectOfColumn(1), Rect(120, 0, 180, 100)) << "the last column takes the rest";
}

TEST_F(TableViewTest, ReloadingSomeRowsAsksOnlyForTheirCells) {
    table->reloadData();
    const int before = cellsMade;
    calls->clear();
    table->reloadDataForRowIndexes(IndexSet{1, 7}, IndexSet{0});
    EXPECT_EQ(*calls, (Calls{"viewFor main 1"})) << "row 7 does not exist";
    EXPECT_EQ(cellsMade, before) << "the old cell went to the pool and came back";
    EXPECT_EQ(table->rowViewAtRow(1, false)->subviews().size(), 1u);
    EXPECT_EQ(table->viewAtColumn(0, 1, false)->superview(), table->rowViewAtRow(1, false));
}

TEST_F(TableViewTest, ButtonsInCellsTakeTheirClicksAndOtherClicksSelectTheRow) {
    auto pressed = std::make_shared<int>(0);
    table->registerViewFactory("Cell", [pressed] {
        auto cell = std::make_shared<TableCellView>();
        auto button = std::make_shared<Button>(Rect(250, 2, 40, 16));
        button->setActionHandler([pressed](const std::shared_ptr<Control>&) { ++*pressed; });
        cell->addSubview(button);
        return cell;
    });
    table->reloadData();
    calls->clear();
    kit::click(window, {270, 30});
    EXPECT_EQ(*pressed, 1);
    EXPECT_TRUE(calls->empty()) << ::testing::PrintToString(*calls);
    kit::click(window, {100, 30});
    EXPECT_EQ(*pressed, 1);
    EXPECT_EQ(*calls, (Calls{"shouldSelectRow 1", "selectionDidChange"}));
}

// A table whose rows drag out their path under the entry-path type.
class DraggableRows : public TableViewDataSource, public TableViewDelegate {
public:
    long numberOfRowsInTableView(TableView&) override { return 3; }
    std::shared_ptr<PasteboardWriting> pasteboardWriterForRow(TableView&, long row) override {
        if (row == 2) return nullptr;
        auto item = std::make_shared<PasteboardItem>();
        item->setString("/entries/" + std::to_string(row), kTableEntryPathType);
        return item;
    }
};

// A view that takes entries and writes what it hears.
class EntryTarget : public View {
public:
    EntryTarget(Rect frame, std::shared_ptr<Calls> calls) : View(frame), calls_(std::move(calls)) {
        registerForDraggedTypes({kTableEntryPathType});
    }
    DragOperation draggingEntered(const std::shared_ptr<DraggingInfo>& info) override {
        calls_->push_back("entered mask " + std::to_string(info->draggingSourceOperationMask()));
        return dragoperation::move;
    }
    DragOperation draggingUpdated(const std::shared_ptr<DraggingInfo>&) override {
        calls_->push_back("updated");
        return dragoperation::move;
    }
    void draggingExited(const std::shared_ptr<DraggingInfo>&) override { calls_->push_back("exited"); }
    bool prepareForDragOperation(const std::shared_ptr<DraggingInfo>&) override {
        calls_->push_back("prepare");
        return true;
    }
    bool performDragOperation(const std::shared_ptr<DraggingInfo>& info) override {
        calls_->push_back("perform " + info->draggingPasteboard()->stringForType(kTableEntryPathType).value_or("-"));
        return true;
    }
    void concludeDragOperation(const std::shared_ptr<DraggingInfo>&) override { calls_->push_back("conclude"); }
    void draggingEnded(const std::shared_ptr<DraggingInfo>&) override { calls_->push_back("ended"); }

private:
    std::shared_ptr<Calls> calls_;
};

class TableDragTest : public FreltTest {};

TEST_F(TableDragTest, ARowDraggedOutCarriesItsWriterToADestination) {
    auto window = std::make_shared<Window>(Rect(0, 0, 400, 100));
    auto table = std::make_shared<TableView>(Rect(0, 0, 200, 100));
    table->setRowHeight(20);
    table->addTableColumn(std::make_shared<TableColumn>("c"));
    auto rows = std::make_shared<DraggableRows>();
    table->setDataSource(rows);
    table->setDelegate(rows);
    table->setDraggingSourceOperationMask(dragoperation::none, true);
    auto calls = std::make_shared<Calls>();
    auto target = std::make_shared<EntryTarget>(Rect(200, 0, 200, 100), calls);
    window->contentView()->addSubview(table);
    window->contentView()->addSubview(target);
    kit::makeKey(window);
    table->reloadData();

    // A small wobble is no drag; a real move is.
    kit::mouseDown(window, {50, 30});
    Application::shared()->sendEvent(Event::mouseEvent(EventType::leftMouseDragged, {52, 31}, 0, window));
    EXPECT_EQ(DraggingSession::current(), nullptr);
    Application::shared()->sendEvent(Event::mouseEvent(EventType::leftMouseDragged, {60, 30}, 0, window));
    auto session = DraggingSession::current();
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->source(), table);
    EXPECT_EQ(session->draggingItems().size(), 1u);
    EXPECT_EQ(session->draggingItems()[0].draggingFrame, Rect(0, 20, 200, 20));
    EXPECT_EQ(session->draggingPasteboard()->stringForType(kTableEntryPathType), "/entries/1");

    DragDispatcher drag(session->draggingInfo());
    drag.moveTo(window, {100, 50});  // over the table, which takes no entries
    drag.moveTo(window, {300, 50});
    drag.moveTo(window, {310, 50});
    EXPECT_TRUE(drag.drop());
    EXPECT_EQ(*calls, (Calls{"entered mask 0", "updated", "prepare", "perform /entries/1", "conclude", "ended"}));

    // A row without a writer starts no drag.
    kit::mouseUp(window, {60, 30});
    kit::mouseDown(window, {50, 50});
    Application::shared()->sendEvent(Event::mouseEvent(EventType::leftMouseDragged, {50, 80}, 0, window));
    EXPECT_EQ(DraggingSession::current(), session);
}

}  // namespace

namespace {

// Rows of three cells' worth in one column: an editable field "a" at the
// left, a label in the middle, an editable field "b" at the right, and an
// empty strip between them.
class EditableRowsTest : public TableViewTest {
protected:
    struct Row {
        std::shared_ptr<TextField> a, label, b;
    };
    // Remembers what each field's edits ended with.
    class EndRecorder : public ControlTextEditingDelegate {
    public:
        explicit EndRecorder(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
        void controlTextDidEndEditing(const Notification& n) override {
            auto field = notificationObject<TextField>(n);
            calls_->push_back("end " + (field ? field->stringValue() : std::string("?")) + " movement " +
                              std::to_string(textMovement(n)));
        }

    private:
        std::shared_ptr<Calls> calls_;
    };

    void SetUp() override {
        TableViewTest::SetUp();
        table->registerViewFactory("Cell", [this] {
            auto cell = std::make_shared<TableCellView>(Rect(0, 0, 300, 20));
            auto field = [&](Rect frame) {
                auto f = TextField::textField();
                f->setFrame(frame);
                f->setDelegate(ends);
                cell->addSubview(f);
                return f;
            };
            auto a = field(Rect(2, 2, 90, 16));
            auto label = TextField::label("label");
            label->setFrame(Rect(100, 2, 60, 16));
            cell->addSubview(label);
            auto b = field(Rect(200, 2, 90, 16));
            made.push_back({a, label, b});
            return cell;
        });
        source->rows = 5;
        table->reloadData();
    }
    // The fields of a shown row.
    Row row(long r) {
        auto cell = table->viewAtColumn(0, r, false);
        for (const auto& m : made)
            if (m.a->superview() == cell) return m;
        ADD_FAILURE() << "row " << r << " is not shown";
        return {};
    }
    Point at(long r, double x) { return table->convertPointToWindow({x, r * source->height + 10}); }
    // The field being edited (whose editor has the keyboard), if any.
    std::shared_ptr<TextField> editing() {
        for (const auto& m : made)
            for (const auto& f : {m.a, m.b})
                if (f->currentEditor() && window->firstResponder() == f->currentEditor()) return f;
        return nullptr;
    }

    std::shared_ptr<EndRecorder> ends = std::make_shared<EndRecorder>(calls);
    std::vector<Row> made;
};

TEST_F(EditableRowsTest, AClickEditsAFieldOfTheSelectedRowAndReturnCommitsAndGivesTheTableTheKeyboard) {
    kit::click(window, at(1, 40));
    EXPECT_EQ(table->selectedRow(), 1) << "the first click selects the row";
    EXPECT_EQ(editing(), nullptr) << "and edits nothing";
    EXPECT_EQ(window->firstResponder(), table);

    kit::click(window, at(1, 40));
    ASSERT_EQ(editing(), row(1).a) << "a click on a field of the selected row edits it";
    kit::typeText("Tea");
    calls->clear();
    kit::pressKey(keycode::returnKey, "\r");
    EXPECT_EQ(*calls, Calls{"end Tea movement 16"});
    EXPECT_EQ(row(1).a->stringValue(), "Tea");
    EXPECT_EQ(editing(), nullptr);
    EXPECT_EQ(window->firstResponder(), table) << "Return hands the keyboard back to the table";
    EXPECT_EQ(table->selectedRow(), 1);
}

TEST_F(EditableRowsTest, LabelsNeverTakeTheClickFromTheirRow) {
    for (int click : {1, 2}) {
        SCOPED_TRACE(click);
        kit::click(window, at(2, 120));
        EXPECT_EQ(table->selectedRow(), 2);
        EXPECT_EQ(window->firstResponder(), table);
        EXPECT_EQ(row(2).label->currentEditor(), nullptr);
    }
    // A double click on the label edits the cell's first editable field.
    kit::click(window, at(0, 120));
    kit::click(window, at(0, 120), 0, 2);
    EXPECT_EQ(editing(), row(0).a);
}

TEST_F(EditableRowsTest, ADoubleClickEditsInAnyRowUnlessTheTableHasADoubleAction) {
    // Between the fields, or on one.
    for (double x : {180.0, 250.0}) {
        SCOPED_TRACE(x);
        window->makeFirstResponder(table);
        kit::click(window, at(3, x));
        kit::click(window, at(3, x), 0, 2);
        EXPECT_EQ(editing(), x < 200 ? row(3).a : row(3).b);
        EXPECT_EQ(table->selectedRow(), 3);
    }

    window->makeFirstResponder(table);
    auto target = std::make_shared<ActionTarget>(calls, table);
    table->setTarget(target);
    table->setDoubleAction("doubleOpen:");
    table->selectRowIndexes(IndexSet{}, false);
    calls->clear();
    kit::click(window, at(4, 250));
    kit::click(window, at(4, 250), 0, 2);
    EXPECT_EQ(editing(), nullptr) << "the double click is the table's";
    EXPECT_THAT(*calls, testing::Contains("doubleOpen clickedRow 4"));
}

TEST_F(EditableRowsTest, TabGoesThroughTheEditableFieldsOfTheRowsAndShiftTabBack) {
    kit::click(window, at(0, 40));
    kit::click(window, at(0, 40));
    ASSERT_EQ(editing(), row(0).a);
    kit::typeText("x");
    kit::pressKey(keycode::tab, "\t");
    EXPECT_EQ(row(0).a->stringValue(), "x") << "Tab ends the edit and keeps the text";
    EXPECT_EQ(editing(), row(0).b) << "past the label";
    kit::pressKey(keycode::tab, "\t");
    EXPECT_EQ(editing(), row(1).a);
    EXPECT_EQ(table->selectedRow(), 1) << "the row of the field edited now is selected";
    kit::pressKey(keycode::tab, "\t", modifierflags::shift);
    EXPECT_EQ(editing(), row(0).b);
    EXPECT_EQ(table->selectedRow(), 0);
}

}  // namespace

namespace {

// Writes the colour of each text drawn, by its catalog name (or "rgb").
class TextColourContext : public RecordingGraphicsContext {
public:
    std::vector<std::string> colours;
    void drawAttributedString(const AttributedString& text, const Rect& rect) override {
        const auto colour = text.runs().empty() ? std::nullopt : text.runs().front().attributes.foregroundColor;
        colours.push_back(!colour ? "none" : colour->colorName().empty() ? "rgb" : colour->colorName());
        RecordingGraphicsContext::drawAttributedString(text, rect);
    }
};

// Text in a selected row stays readable: only a label, which has no
// background of its own, turns to the selection's text colour, and only on
// an emphasised selection (the table has the keyboard).
TEST_F(TableViewTest, TextInASelectedRowTakesTheSelectionColourOnlyWhereTheSelectionIsBehindIt) {
    table->registerViewFactory("Cell", [] {
        auto cell = std::make_shared<TableCellView>(Rect(0, 0, 300, 20));
        auto bezeled = TextField::textField("bezel");
        auto filled = TextField::textField("filled");
        filled->setBezeled(false);
        filled->setBackgroundColor(Color::white());
        auto label = TextField::label("label");
        for (const auto& f : {bezeled, filled, label}) cell->addSubview(f);
        return cell;
    });
    table->reloadData();
    auto drawn = [&] {
        TextColourContext context;
        GraphicsContext::Scope scope(context);
        for (const auto& f : table->viewAtColumn(0, 2, false)->subviews()) f->drawRect(f->bounds());
        return context.colours;
    };
    const std::vector<std::string> normal{"controlTextColor", "controlTextColor", "controlTextColor"};
    struct Case {
        const char* what;
        bool selected, tableHasKeyboard;
        std::vector<std::string> colours;
    };
    for (const Case& c : {Case{"unselected", false, true, normal},
                          Case{"selected without the keyboard", true, false, normal},
                          Case{"emphasised", true, true,
                               {"controlTextColor", "controlTextColor", "alternateSelectedControlTextColor"}}}) {
        SCOPED_TRACE(c.what);
        window->makeFirstResponder(c.tableHasKeyboard ? std::static_pointer_cast<Responder>(table) : nullptr);
        table->selectRowIndexes(c.selected ? IndexSet::withIndex(2) : IndexSet{}, false);
        EXPECT_EQ(drawn(), c.colours);
    }
}

}  // namespace
