#pragma once
// View-based tables.
//
// Rows are virtual: the table asks its data source for the number of rows
// and its delegate for each row's height (positions come from a prefix sum
// of the heights), and makes row views and cells only for the rows in its
// visible rectangle plus a margin of a few rows. Row views and cells that
// leave the visible part go back to a reuse pool by identifier, where
// makeViewWithIdentifier finds them again; a cell the pool has none of is
// made by the factory registered for its identifier (the scene's prototype).
//
// Callback orders:
// - reloadData: numberOfRowsInTableView; heightOfRow for every row; then for
//   each visible row, top to bottom: isGroupRow, rowViewForRow,
//   viewForTableColumn for each column (once with no column for a group
//   row), didAddRowView; finally tableViewSelectionDidChange when rows the
//   selection held are gone.
// - a click on a row (left mouse down): shouldSelectRow, then, when the
//   selection really changed, the row views' new state and
//   tableViewSelectionDidChange; on mouse up the action (or, for the second
//   click of a double click, the double action) is sent. clickedRow holds
//   the row under the click (-1 below the rows) from the mouse down on.
// - a right click sets clickedRow and changes nothing else.
// - selectRowIndexes (by code): no shouldSelectRow; did-change only on a
//   real change.
// - a drag over the table: validateDrop with the proposed row and drop
//   operation (on a row's middle half: on that row; near its top or bottom
//   edge: above it or the next row; below the rows: above the row count),
//   where setDropRow may retarget; a drop goes to acceptDrop with the row
//   and operation of the last validation.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Control.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/IndexSet.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/TableRowView.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SortDescriptor.h"

namespace platform {

class TableView;

enum class TableViewDropOperation : int { on = 0, above = 1 };
enum class TableViewDraggingDestinationFeedbackStyle : int { none = -1, regular = 0, sourceList = 1, gap = 2 };

using TableViewAnimationOptions = std::uint64_t;
namespace tableviewanimation {
inline constexpr TableViewAnimationOptions effectNone = 0;
inline constexpr TableViewAnimationOptions effectFade = 1;
inline constexpr TableViewAnimationOptions effectGap = 2;
inline constexpr TableViewAnimationOptions slideUp = 0x10;
inline constexpr TableViewAnimationOptions slideDown = 0x20;
inline constexpr TableViewAnimationOptions slideLeft = 0x30;
inline constexpr TableViewAnimationOptions slideRight = 0x40;
}  // namespace tableviewanimation

namespace tableviewnotification {
inline const std::string selectionDidChange = "NSTableViewSelectionDidChangeNotification";
}  // namespace tableviewnotification

class TableColumn : public Object {
public:
    explicit TableColumn(std::string identifier) : identifier_(std::move(identifier)) {}

    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string id) { identifier_ = std::move(id); }
    const std::string& title() const { return title_; }
    void setTitle(std::string t) { title_ = std::move(t); }
    double width() const { return width_; }
    void setWidth(double w) { width_ = std::max(0.0, w); }
    bool isHidden() const { return hidden_; }
    void setHidden(bool h) { hidden_ = h; }
    // What a click on the column's header sorts by.
    const std::optional<SortDescriptor>& sortDescriptorPrototype() const { return prototype_; }
    void setSortDescriptorPrototype(std::optional<SortDescriptor> d) { prototype_ = std::move(d); }
    std::shared_ptr<TableView> tableView() const { return tableView_.lock(); }
    void setTableView(const std::shared_ptr<TableView>& t) { tableView_ = t; }

private:
    std::string identifier_;
    std::string title_;
    double width_ = 100;
    bool hidden_ = false;
    std::optional<SortDescriptor> prototype_;
    std::weak_ptr<TableView> tableView_;
};

// The column headers above a table; a click on one sorts by its column.
class TableHeaderView : public View {
public:
    explicit TableHeaderView(Rect frame = {}) : View(frame) {}
    std::shared_ptr<TableView> tableView() const { return tableView_.lock(); }
    void setTableView(const std::shared_ptr<TableView>& t) { tableView_ = t; }
    void mouseDown(const Event& event) override;
    // A section per shown column, with the sort indicator of the first sort
    // descriptor's column.
    void drawRect(const Rect& dirtyRect) override;

private:
    std::weak_ptr<TableView> tableView_;
};

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual long numberOfRowsInTableView(TableView& tableView) {
        (void)tableView;
        return 0;
    }
    // The writer of a dragged row; none: the row is not dragged.
    virtual std::shared_ptr<PasteboardWriting> pasteboardWriterForRow(TableView& tableView, long row) {
        (void)tableView;
        (void)row;
        return nullptr;
    }
    virtual DragOperation validateDrop(TableView& tableView, const std::shared_ptr<DraggingInfo>& info, long row,
                                       TableViewDropOperation dropOperation) {
        (void)tableView;
        (void)info;
        (void)row;
        (void)dropOperation;
        return dragoperation::none;
    }
    virtual bool acceptDrop(TableView& tableView, const std::shared_ptr<DraggingInfo>& info, long row,
                            TableViewDropOperation dropOperation) {
        (void)tableView;
        (void)info;
        (void)row;
        (void)dropOperation;
        return false;
    }
    virtual void sortDescriptorsDidChange(TableView& tableView, const std::vector<SortDescriptor>& oldDescriptors) {
        (void)tableView;
        (void)oldDescriptors;
    }
};

class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    // The cell of a row in a column (no column: a group row's full-width
    // view); none leaves the place empty.
    virtual std::shared_ptr<View> viewForTableColumn(TableView& tableView, const std::shared_ptr<TableColumn>& column,
                                                     long row) {
        (void)tableView;
        (void)column;
        (void)row;
        return nullptr;
    }
    // None: the table makes a plain row view.
    virtual std::shared_ptr<TableRowView> rowViewForRow(TableView& tableView, long row) {
        (void)tableView;
        (void)row;
        return nullptr;
    }
    // The default is the table's rowHeight.
    virtual double heightOfRow(TableView& tableView, long row);
    virtual bool isGroupRow(TableView& tableView, long row) {
        (void)tableView;
        (void)row;
        return false;
    }
    // Asked for selections the user makes (clicks and arrow keys) only.
    virtual bool shouldSelectRow(TableView& tableView, long row) {
        (void)tableView;
        (void)row;
        return true;
    }
    virtual void tableViewSelectionDidChange(const Notification& notification) { (void)notification; }
    virtual void didAddRowView(TableView& tableView, const std::shared_ptr<TableRowView>& rowView, long row) {
        (void)tableView;
        (void)rowView;
        (void)row;
    }
    virtual void didRemoveRowView(TableView& tableView, const std::shared_ptr<TableRowView>& rowView, long row) {
        (void)tableView;
        (void)rowView;
        (void)row;
    }
};

class TableView : public Control {
public:
    explicit TableView(Rect frame = {});
    ~TableView() override;

    std::shared_ptr<TableViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(const std::shared_ptr<TableViewDataSource>& d) { dataSource_ = d; }
    std::shared_ptr<TableViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<TableViewDelegate>& d) { delegate_ = d; }

    // --- columns
    const std::vector<std::shared_ptr<TableColumn>>& tableColumns() const { return columns_; }
    long numberOfColumns() const { return long(columns_.size()); }
    void addTableColumn(const std::shared_ptr<TableColumn>& column);
    void removeTableColumn(const std::shared_ptr<TableColumn>& column);
    std::shared_ptr<TableColumn> tableColumnWithIdentifier(const std::string& identifier) const;
    long columnWithIdentifier(const std::string& identifier) const;
    std::shared_ptr<TableHeaderView> headerView() const { return headerView_; }
    void setHeaderView(std::shared_ptr<TableHeaderView> header);

    // --- rows
    // Forgets the rows, asks the data source again and shows them; the
    // selection keeps the rows that still exist.
    virtual void reloadData();
    // Makes the cells of those rows and columns again (the rows that are shown).
    void reloadDataForRowIndexes(const IndexSet& rows, const IndexSet& columns);
    void noteNumberOfRowsChanged();
    void noteHeightOfRowsWithIndexesChanged(const IndexSet& rows);
    void insertRowsAtIndexes(const IndexSet& rows, TableViewAnimationOptions options);
    void removeRowsAtIndexes(const IndexSet& rows, TableViewAnimationOptions options);
    long numberOfRows() const { return long(rowCount_); }
    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double h);

    // --- geometry (table coordinates)
    Rect rectOfRow(long row) const;
    Rect rectOfColumn(long column) const;
    // The rectangle a cell takes; an outline indents its outline column.
    virtual Rect frameOfCellAtColumn(long column, long row) const;
    // -1 outside the rows or columns.
    long rowAtPoint(Point point) const;
    long columnAtPoint(Point point) const;
    // The rows meeting `rect`: first row and count.
    std::pair<long, long> rowsInRect(const Rect& rect) const;

    // --- row views and cells
    // The cell of a shown row (none for another row unless `makeIfNecessary`,
    // which makes the row's views and keeps them until the next layout).
    std::shared_ptr<View> viewAtColumn(long column, long row, bool makeIfNecessary);
    std::shared_ptr<TableRowView> rowViewAtRow(long row, bool makeIfNecessary);
    // Every row view the table holds, top to bottom.
    void enumerateAvailableRowViews(const std::function<void(const std::shared_ptr<TableRowView>&, long row)>& block);
    // The row or column of a view inside the table's rows; -1 if none.
    long rowForView(const View& view) const;
    long columnForView(const View& view) const;
    // A view from the reuse pool, else a new one from the factory of the
    // identifier (with the identifier set); none when there is neither.
    std::shared_ptr<View> makeViewWithIdentifier(const std::string& identifier, const std::shared_ptr<Object>& owner);
    using ViewFactory = std::function<std::shared_ptr<View>()>;
    void registerViewFactory(const std::string& identifier, ViewFactory factory);
    // Scrolls the enclosing clip view the least that shows the row.
    void scrollRowToVisible(long row);

    // --- selection
    long selectedRow() const;
    const IndexSet& selectedRowIndexes() const { return selection_; }
    long numberOfSelectedRows() const { return long(selection_.count()); }
    bool isRowSelected(long row) const { return selection_.contains(row); }
    // Selects the rows that exist (adding them to the selection when
    // extending); did-change only when the selection really changed.
    void selectRowIndexes(const IndexSet& rows, bool byExtendingSelection);
    void deselectRow(long row);
    void deselectAll(const std::shared_ptr<Object>& sender = nullptr);
    void selectAll(const std::shared_ptr<Object>& sender = nullptr);
    bool allowsEmptySelection() const { return allowsEmptySelection_; }
    void setAllowsEmptySelection(bool b) { allowsEmptySelection_ = b; }
    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool b) { allowsMultipleSelection_ = b; }
    TableViewSelectionHighlightStyle selectionHighlightStyle() const { return highlightStyle_; }
    void setSelectionHighlightStyle(TableViewSelectionHighlightStyle s);
    // The row and column of the last click (left or right); -1 when it was
    // below the rows or outside the columns.
    long clickedRow() const { return clickedRow_; }
    long clickedColumn() const { return clickedColumn_; }

    // --- actions: the single click's is the control's action
    const Selector& doubleAction() const { return doubleAction_; }
    void setDoubleAction(Selector action) { doubleAction_ = std::move(action); }

    // --- sorting
    const std::vector<SortDescriptor>& sortDescriptors() const { return sortDescriptors_; }
    // Tells the data source (with the old descriptors) when they change.
    void setSortDescriptors(std::vector<SortDescriptor> descriptors);
    // What a click on a column's header does: its prototype first, or the
    // current first descriptor reversed when it has the same key.
    void clickColumnHeader(long column);

    // --- drag and drop
    TableViewDraggingDestinationFeedbackStyle draggingDestinationFeedbackStyle() const { return feedbackStyle_; }
    void setDraggingDestinationFeedbackStyle(TableViewDraggingDestinationFeedbackStyle s) { feedbackStyle_ = s; }
    // Retargets the drop being validated.
    void setDropRow(long row, TableViewDropOperation dropOperation);
    long dropRow() const { return dropRow_; }
    TableViewDropOperation dropOperation() const { return dropOperation_; }
    // What the table allows as a drag source, inside the program (local) and
    // outside it. By default every operation locally and copy outside.
    void setDraggingSourceOperationMask(DragOperation mask, bool forLocal);
    DragOperation draggingSourceOperationMaskForLocal(bool local) const { return local ? localMask_ : externalMask_; }

    // --- responder and events
    bool acceptsFirstResponder() override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    // Whether a click may go to `responder` inside a cell (and make it first
    // responder) instead of selecting the row: buttons yes, others no.
    // An editable text field takes a click in a selected row, or a double
    // click in any row when there is no double action; labels never.
    virtual bool validateProposedFirstResponder(const std::shared_ptr<Responder>& responder, const Event* event);
    // Editing in a row's field: Return gives the keyboard back to the table;
    // Tab and Shift-Tab go to the next or previous editable field, in the
    // row and then in the rows after or before it (selecting that row).
    std::shared_ptr<Responder> responderAfterEditing(const View& field, int movement) override;
    std::shared_ptr<View> hitTest(Point point) override;
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void rightMouseDown(const Event& event) override;
    void rightMouseUp(const Event& event) override;
    // Up and down arrows move the selection (asking shouldSelectRow).
    void keyDown(const Event& event) override;

    // --- dragging destination
    DragOperation draggingEntered(const std::shared_ptr<DraggingInfo>& info) override;
    DragOperation draggingUpdated(const std::shared_ptr<DraggingInfo>& info) override;
    void draggingExited(const std::shared_ptr<DraggingInfo>& info) override;
    bool performDragOperation(const std::shared_ptr<DraggingInfo>& info) override;

    // --- layout
    void setFrame(const Rect& frame) override;
    void documentVisibleRectDidChange() override;
    void viewDidMoveToSuperview() override;
    // Makes and places the row views the visible part needs now.
    void tile();

    // The table as the `object` of its notifications.
    Notification makeNotification(const std::string& name);

protected:
    // What the data source and delegate say, asked through these so that an
    // outline can answer from its tree.
    virtual long askNumberOfRows();
    virtual double askHeightOfRow(long row);
    virtual bool askIsGroupRow(long row);
    virtual std::shared_ptr<TableRowView> askRowView(long row);
    virtual std::shared_ptr<View> askCellView(const std::shared_ptr<TableColumn>& column, long row);
    virtual bool askShouldSelectRow(long row);
    virtual void tellSelectionDidChange();
    virtual void tellDidAddRowView(const std::shared_ptr<TableRowView>& rowView, long row);
    virtual void tellDidRemoveRowView(const std::shared_ptr<TableRowView>& rowView, long row);
    virtual std::shared_ptr<PasteboardWriting> askWriterForRow(long row);
    // Validation and acceptance of the drop at dropRow() and dropOperation().
    virtual DragOperation askValidateDrop(const std::shared_ptr<DraggingInfo>& info);
    virtual bool askAcceptDrop(const std::shared_ptr<DraggingInfo>& info);
    // The drop proposed for a point below the rows.
    virtual std::pair<long, TableViewDropOperation> proposedDropBelowRows() const;

    // Reads the row count and heights again (keeps the views).
    void recomputeRows();
    // After rows moved (an outline expanded or collapsed an item): reads the
    // rows again, then moves each shown row's views, and each selected row,
    // to the row `newRowOf` gives (-1: the row is gone; its views go back to
    // the pool and it leaves the selection, which is a change of selection;
    // rows that only moved are none).
    void rowsDidMove(const std::function<long(long oldRow)>& newRowOf);
    // Drops every row view into the pool.
    void discardRowViews();
    // A user's selection of `row` (click or key), with modifier flags.
    void userSelectRow(long row, ModifierFlags flags);
    // Selection changes made by the kit: no delegate question.
    void setSelection(IndexSet rows);

private:
    struct RowSlot {
        std::shared_ptr<TableRowView> rowView;
        std::vector<std::shared_ptr<View>> cells;
        bool group = false;
    };
    std::shared_ptr<TableView> self() { return std::static_pointer_cast<TableView>(shared_from_this()); }
    RowSlot makeRow(long row);
    void placeRow(RowSlot& slot, long row);
    void recycle(RowSlot& slot, long row);
    void fillCells(RowSlot& slot, long row);
    // Fits the frame to the rows and the clip view; true when it changed.
    bool updateFrameSize();
    void setEmphasized(bool emphasized);
    Rect tileRect() const;
    DragOperation updateDrop(const std::shared_ptr<DraggingInfo>& info);
    void applySelectionToRows();
    // A text control a user may edit now.
    static bool isEditableField(Control& control);
    // The editable fields of a row (its views made if needed), in column
    // order, of one column or (-1) of all.
    std::vector<std::shared_ptr<Control>> editableFieldsOfRow(long row, long column);
    void scrollToRect(const Rect& rect);

    std::weak_ptr<TableViewDataSource> dataSource_;
    std::weak_ptr<TableViewDelegate> delegate_;
    std::vector<std::shared_ptr<TableColumn>> columns_;
    std::shared_ptr<TableHeaderView> headerView_;
    double rowHeight_ = 24;
    std::size_t rowCount_ = 0;
    std::vector<double> rowTops_{0};  // prefix sums: rowTops_[r] is row r's top, rowTops_[n] the end
    std::map<long, RowSlot> rows_;
    std::map<std::string, std::vector<std::shared_ptr<View>>> pool_;
    std::map<std::string, ViewFactory> factories_;
    IndexSet selection_;
    bool allowsEmptySelection_ = true;
    bool allowsMultipleSelection_ = false;
    TableViewSelectionHighlightStyle highlightStyle_ = TableViewSelectionHighlightStyle::regular;
    long clickedRow_ = -1;
    long clickedColumn_ = -1;
    Point mouseDownPoint_;
    bool dragStarted_ = false;
    long anchorRow_ = -1;
    Selector doubleAction_;
    std::vector<SortDescriptor> sortDescriptors_;
    TableViewDraggingDestinationFeedbackStyle feedbackStyle_ = TableViewDraggingDestinationFeedbackStyle::regular;
    long dropRow_ = -1;
    TableViewDropOperation dropOperation_ = TableViewDropOperation::on;
    DragOperation dropAnswer_ = dragoperation::none;
    DragOperation localMask_ = dragoperation::every;
    DragOperation externalMask_ = dragoperation::copy;
    bool emphasized_ = false;
    bool tiling_ = false;
    bool reloading_ = false;
};

}  // namespace platform
