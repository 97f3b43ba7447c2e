#include "platform/appkit/TableView.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Window.h"

namespace platform {

namespace {

// Rows made above and below the visible ones, so that a small scroll
// finds its rows ready.
constexpr long kMarginRows = 2;
// How far the mouse moves with the button down before a row drag begins.
constexpr double kDragThreshold = 4;
// The identifier of the row views the table makes itself.
const std::string kDefaultRowViewIdentifier = "NSTableViewRowViewKey";

}  // namespace

double TableViewDelegate::heightOfRow(TableView& tableView, long row) {
    (void)row;
    return tableView.rowHeight();
}

// --- header

void TableHeaderView::mouseDown(const Event& event) {
    auto table = tableView();
    if (!table) return;
    const Point p = convertPointFromWindow(event.locationInWindow);
    const long column = table->columnAtPoint({p.x, 0});
    if (column >= 0) table->clickColumnHeader(column);
}

void TableHeaderView::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    auto table = tableView();
    if (!context || !table) return;
    ControlDrawing d;
    d.kind = ControlKind::tableHeader;
    const auto& sorts = table->sortDescriptors();
    for (long c = 0; c < table->numberOfColumns(); ++c) {
        const auto& column = table->tableColumns()[std::size_t(c)];
        if (column->isHidden()) continue;
        if (!sorts.empty() && column->sortDescriptorPrototype() &&
            column->sortDescriptorPrototype()->key() == sorts.front().key()) {
            d.sortedSection = long(d.sectionTitles.size());
            d.sortAscending = sorts.front().ascending();
        }
        d.sectionTitles.push_back(column->title());
        d.sectionWidths.push_back(table->rectOfColumn(c).width());
    }
    context->drawControl(d, bounds());
}

// --- construction and columns

TableView::TableView(Rect frame) : Control(frame) {}

TableView::~TableView() = default;

void TableView::addTableColumn(const std::shared_ptr<TableColumn>& column) {
    if (!column || std::find(columns_.begin(), columns_.end(), column) != columns_.end()) return;
    columns_.push_back(column);
    column->setTableView(std::dynamic_pointer_cast<TableView>(weak_from_this().lock()));
    if (!rows_.empty()) {
        discardRowViews();
        tile();
    }
}

void TableView::removeTableColumn(const std::shared_ptr<TableColumn>& column) {
    auto it = std::find(columns_.begin(), columns_.end(), column);
    if (it == columns_.end()) return;
    columns_.erase(it);
    column->setTableView(nullptr);
    if (!rows_.empty()) {
        discardRowViews();
        tile();
    }
}

std::shared_ptr<TableColumn> TableView::tableColumnWithIdentifier(const std::string& identifier) const {
    const long index = columnWithIdentifier(identifier);
    return index < 0 ? nullptr : columns_[std::size_t(index)];
}

long TableView::columnWithIdentifier(const std::string& identifier) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i]->identifier() == identifier) return long(i);
    }
    return -1;
}

void TableView::setHeaderView(std::shared_ptr<TableHeaderView> header) {
    headerView_ = std::move(header);
    if (headerView_) headerView_->setTableView(std::dynamic_pointer_cast<TableView>(weak_from_this().lock()));
}

// --- what the data source and delegate say

long TableView::askNumberOfRows() {
    auto ds = dataSource();
    return ds ? std::max(0L, ds->numberOfRowsInTableView(*this)) : 0;
}

double TableView::askHeightOfRow(long row) {
    auto d = delegate();
    return d ? d->heightOfRow(*this, row) : rowHeight_;
}

bool TableView::askIsGroupRow(long row) {
    auto d = delegate();
    return d && d->isGroupRow(*this, row);
}

std::shared_ptr<TableRowView> TableView::askRowView(long row) {
    auto d = delegate();
    return d ? d->rowViewForRow(*this, row) : nullptr;
}

std::shared_ptr<View> TableView::askCellView(const std::shared_ptr<TableColumn>& column, long row) {
    auto d = delegate();
    return d ? d->viewForTableColumn(*this, column, row) : nullptr;
}

bool TableView::askShouldSelectRow(long row) {
    auto d = delegate();
    return !d || d->shouldSelectRow(*this, row);
}

Notification TableView::makeNotification(const std::string& name) {
    Notification n{name, {}, this, {}};
    if (auto me = weak_from_this().lock()) n.object = std::any(me);
    return n;
}

void TableView::tellSelectionDidChange() {
    auto n = makeNotification(tableviewnotification::selectionDidChange);
    if (auto d = delegate()) d->tableViewSelectionDidChange(n);
    NotificationCenter::defaultCenter().post(n);
}

void TableView::tellDidAddRowView(const std::shared_ptr<TableRowView>& rowView, long row) {
    if (auto d = delegate()) d->didAddRowView(*this, rowView, row);
}

void TableView::tellDidRemoveRowView(const std::shared_ptr<TableRowView>& rowView, long row) {
    if (auto d = delegate()) d->didRemoveRowView(*this, rowView, row);
}

std::shared_ptr<PasteboardWriting> TableView::askWriterForRow(long row) {
    auto ds = dataSource();
    return ds ? ds->pasteboardWriterForRow(*this, row) : nullptr;
}

DragOperation TableView::askValidateDrop(const std::shared_ptr<DraggingInfo>& info) {
    auto ds = dataSource();
    return ds ? ds->validateDrop(*this, info, dropRow_, dropOperation_) : dragoperation::none;
}

bool TableView::askAcceptDrop(const std::shared_ptr<DraggingInfo>& info) {
    auto ds = dataSource();
    return ds && ds->acceptDrop(*this, info, dropRow_, dropOperation_);
}

std::pair<long, TableViewDropOperation> TableView::proposedDropBelowRows() const {
    return {long(rowCount_), TableViewDropOperation::above};
}

// --- rows

void TableView::recomputeRows() {
    rowCount_ = std::size_t(askNumberOfRows());
    rowTops_.assign(rowCount_ + 1, 0);
    for (std::size_t r = 0; r < rowCount_; ++r) {
        double h = askHeightOfRow(long(r));
        if (!std::isfinite(h) || h <= 0) h = rowHeight_;
        rowTops_[r + 1] = rowTops_[r] + h;
    }
}

void TableView::rowsDidMove(const std::function<long(long oldRow)>& newRowOf) {
    auto old = std::move(rows_);
    rows_.clear();
    const IndexSet oldSelection = selection_;
    recomputeRows();
    for (auto& [row, slot] : old) {
        const long moved = newRowOf(row);
        if (moved < 0 || moved >= long(rowCount_) || rows_.count(moved)) {
            recycle(slot, row);
            continue;
        }
        rows_.emplace(moved, std::move(slot));
    }
    IndexSet selection;
    bool lost = false;
    for (long row : oldSelection) {
        const long moved = newRowOf(row);
        if (moved < 0 || moved >= long(rowCount_)) lost = true;
        else selection.add(moved);
    }
    selection_ = std::move(selection);
    for (auto& [row, slot] : rows_) placeRow(slot, row);
    updateFrameSize();
    applySelectionToRows();
    tile();
    if (lost) tellSelectionDidChange();
}

void TableView::reloadData() {
    reloading_ = true;
    discardRowViews();
    recomputeRows();
    IndexSet kept = selection_;
    kept.removeFrom(long(rowCount_));
    const bool selectionChanged = !(kept == selection_);
    selection_ = kept;
    updateFrameSize();
    reloading_ = false;
    tile();
    if (selectionChanged) tellSelectionDidChange();
}

void TableView::reloadDataForRowIndexes(const IndexSet& rows, const IndexSet& columns) {
    for (long row : rows) {
        auto it = rows_.find(row);
        if (it == rows_.end() || it->second.group) continue;
        RowSlot& slot = it->second;
        for (long c : columns) {
            if (c < 0 || c >= long(columns_.size()) || std::size_t(c) >= slot.cells.size()) continue;
            auto& cell = slot.cells[std::size_t(c)];
            if (cell) {
                if (cell->superview() == slot.rowView) cell->removeFromSuperview();
                if (!cell->identifier().empty()) pool_[cell->identifier()].push_back(cell);
            }
            cell = columns_[std::size_t(c)]->isHidden() ? nullptr : askCellView(columns_[std::size_t(c)], row);
            if (cell) {
                cell->setFrame(frameOfCellAtColumn(c, row).offsetBy(0, -rowTops_[std::size_t(row)]));
                slot.rowView->addSubview(cell);
            }
        }
        slot.rowView->setCells(slot.cells);
    }
}

void TableView::noteNumberOfRowsChanged() {
    const long count = askNumberOfRows();
    if (count < long(rowCount_)) {
        for (auto it = rows_.begin(); it != rows_.end();) {
            if (it->first >= count) {
                recycle(it->second, it->first);
                it = rows_.erase(it);
            } else {
                ++it;
            }
        }
        rowTops_.resize(std::size_t(count) + 1);
    } else {
        for (long r = long(rowCount_); r < count; ++r) {
            double h = askHeightOfRow(r);
            if (!std::isfinite(h) || h <= 0) h = rowHeight_;
            rowTops_.push_back(rowTops_.back() + h);
        }
    }
    rowCount_ = std::size_t(count);
    IndexSet kept = selection_;
    kept.removeFrom(count);
    updateFrameSize();
    tile();
    if (!(kept == selection_)) setSelection(kept);
}

void TableView::noteHeightOfRowsWithIndexesChanged(const IndexSet& rows) {
    auto first = rows.firstIndex();
    if (!first || *first >= long(rowCount_)) return;
    std::vector<double> heights(rowCount_);
    for (std::size_t r = 0; r < rowCount_; ++r) heights[r] = rowTops_[r + 1] - rowTops_[r];
    for (long r : rows) {
        if (r >= long(rowCount_)) break;
        double h = askHeightOfRow(r);
        heights[std::size_t(r)] = std::isfinite(h) && h > 0 ? h : rowHeight_;
    }
    for (std::size_t r = std::size_t(*first); r < rowCount_; ++r) rowTops_[r + 1] = rowTops_[r] + heights[r];
    for (auto& [row, slot] : rows_) placeRow(slot, row);
    updateFrameSize();
    tile();
}

void TableView::insertRowsAtIndexes(const IndexSet& rows, TableViewAnimationOptions) {
    if (rows.empty()) return;
    // `rows` are the new rows' indexes once inserted; the others move down.
    rowsDidMove([&rows](long old) {
        long moved = old;
        for (long inserted : rows) {
            if (inserted <= moved) ++moved;
        }
        return moved;
    });
}

void TableView::removeRowsAtIndexes(const IndexSet& rows, TableViewAnimationOptions) {
    if (rows.empty()) return;
    // The headless kit moves the rows at once; a desktop backend may animate
    // what it sees change.
    rowsDidMove([&rows](long old) {
        if (rows.contains(old)) return -1L;
        return old - long(std::lower_bound(rows.begin(), rows.end(), old) - rows.begin());
    });
}

void TableView::setRowHeight(double h) {
    if (!(h > 0) || h == rowHeight_) return;
    rowHeight_ = h;
    if (rowCount_ == 0) return;
    recomputeRows();
    for (auto& [row, slot] : rows_) placeRow(slot, row);
    updateFrameSize();
    tile();
}

// --- geometry

Rect TableView::rectOfRow(long row) const {
    if (row < 0 || row >= long(rowCount_)) return {};
    const auto r = std::size_t(row);
    return Rect(0, rowTops_[r], frame().width(), rowTops_[r + 1] - rowTops_[r]);
}

Rect TableView::rectOfColumn(long column) const {
    if (column < 0 || column >= long(columns_.size())) return {};
    double x = 0;
    long lastShown = -1;
    for (long c = 0; c < long(columns_.size()); ++c) {
        if (!columns_[std::size_t(c)]->isHidden()) lastShown = c;
    }
    for (long c = 0; c < column; ++c) {
        if (!columns_[std::size_t(c)]->isHidden()) x += columns_[std::size_t(c)]->width();
    }
    const auto& col = *columns_[std::size_t(column)];
    if (col.isHidden()) return Rect(x, 0, 0, frame().height());
    // The last column takes the width that is left.
    const double width = column == lastShown ? std::max(col.width(), frame().width() - x) : col.width();
    return Rect(x, 0, width, frame().height());
}

Rect TableView::frameOfCellAtColumn(long column, long row) const {
    const Rect r = rectOfRow(row);
    const Rect c = rectOfColumn(column);
    if (r.isEmpty() || c.size.width <= 0) return Rect(c.minX(), r.minY(), 0, r.height());
    return Rect(c.minX(), r.minY(), c.width(), r.height());
}

long TableView::rowAtPoint(Point point) const {
    if (rowCount_ == 0 || point.y < 0 || point.y >= rowTops_.back() || point.x < 0 || point.x >= frame().width())
        return -1;
    auto it = std::upper_bound(rowTops_.begin(), rowTops_.end(), point.y);
    return long(it - rowTops_.begin()) - 1;
}

long TableView::columnAtPoint(Point point) const {
    for (long c = 0; c < long(columns_.size()); ++c) {
        const Rect r = rectOfColumn(c);
        if (r.width() > 0 && point.x >= r.minX() && point.x < r.maxX()) return c;
    }
    return -1;
}

std::pair<long, long> TableView::rowsInRect(const Rect& rect) const {
    if (rowCount_ == 0 || rect.isEmpty() || rect.maxY() <= 0 || rect.minY() >= rowTops_.back()) return {0, 0};
    auto first = std::upper_bound(rowTops_.begin(), rowTops_.end(), std::max(0.0, rect.minY())) - rowTops_.begin() - 1;
    auto last = std::lower_bound(rowTops_.begin(), rowTops_.end(), rect.maxY()) - rowTops_.begin() - 1;
    last = std::min<long>(last, long(rowCount_) - 1);
    return {long(first), long(last - first + 1)};
}

// --- making and placing row views

Rect TableView::tileRect() const {
    if (isHiddenOrHasHiddenAncestor()) return {};
    return visibleRect();
}

TableView::RowSlot TableView::makeRow(long row) {
    RowSlot slot;
    slot.group = askIsGroupRow(row);
    slot.rowView = askRowView(row);
    if (!slot.rowView) {
        auto& pooled = pool_[kDefaultRowViewIdentifier];
        if (!pooled.empty()) {
            slot.rowView = std::dynamic_pointer_cast<TableRowView>(pooled.back());
            pooled.pop_back();
        }
        if (!slot.rowView) {
            slot.rowView = std::make_shared<TableRowView>();
            slot.rowView->setIdentifier(kDefaultRowViewIdentifier);
        }
    }
    slot.rowView->setGroupRowStyle(slot.group);
    slot.rowView->setSelectionHighlightStyle(highlightStyle_);
    slot.rowView->setSelected(isRowSelected(row));
    slot.rowView->setEmphasized(emphasized_);
    slot.rowView->setFrame(rectOfRow(row));
    fillCells(slot, row);
    addSubview(slot.rowView);
    tellDidAddRowView(slot.rowView, row);
    return slot;
}

void TableView::fillCells(RowSlot& slot, long row) {
    slot.cells.clear();
    const double top = rowTops_[std::size_t(row)];
    if (slot.group) {
        if (auto cell = askCellView(nullptr, row)) {
            cell->setFrame(Rect(0, 0, frame().width(), rectOfRow(row).height()));
            slot.cells.push_back(cell);
        }
    } else {
        for (long c = 0; c < long(columns_.size()); ++c) {
            const auto& column = columns_[std::size_t(c)];
            auto cell = column->isHidden() ? nullptr : askCellView(column, row);
            if (cell) cell->setFrame(frameOfCellAtColumn(c, row).offsetBy(0, -top));
            slot.cells.push_back(cell);
        }
    }
    for (const auto& cell : slot.cells) {
        if (cell) slot.rowView->addSubview(cell);
    }
    slot.rowView->setCells(slot.cells);
}

void TableView::placeRow(RowSlot& slot, long row) {
    slot.rowView->setFrame(rectOfRow(row));
    const double top = rowTops_[std::size_t(row)];
    for (std::size_t c = 0; c < slot.cells.size(); ++c) {
        const auto& cell = slot.cells[c];
        if (!cell) continue;
        cell->setFrame(slot.group ? Rect(0, 0, frame().width(), rectOfRow(row).height())
                                  : frameOfCellAtColumn(long(c), row).offsetBy(0, -top));
    }
}

void TableView::recycle(RowSlot& slot, long row) {
    for (const auto& cell : slot.cells) {
        if (!cell) continue;
        if (cell->superview() == slot.rowView) cell->removeFromSuperview();
        if (!cell->identifier().empty()) pool_[cell->identifier()].push_back(cell);
    }
    slot.cells.clear();
    slot.rowView->setCells({});
    if (slot.rowView->superview().get() == this) slot.rowView->removeFromSuperview();
    tellDidRemoveRowView(slot.rowView, row);
    slot.rowView->setSelected(false);
    if (!slot.rowView->identifier().empty()) pool_[slot.rowView->identifier()].push_back(slot.rowView);
}

void TableView::discardRowViews() {
    auto rows = std::move(rows_);
    rows_.clear();
    for (auto& [row, slot] : rows) recycle(slot, row);
}

void TableView::tile() {
    if (tiling_ || reloading_) return;
    tiling_ = true;
    const Rect visible = tileRect();
    long first = 0, last = -1;
    if (!visible.isEmpty() && rowCount_ > 0) {
        auto [start, count] = rowsInRect(visible);
        if (count > 0) {
            first = std::max(0L, start - kMarginRows);
            last = std::min(long(rowCount_) - 1, start + count - 1 + kMarginRows);
        }
    }
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (it->first < first || it->first > last) {
            RowSlot slot = std::move(it->second);
            const long row = it->first;
            it = rows_.erase(it);
            recycle(slot, row);
        } else {
            ++it;
        }
    }
    for (long r = first; r <= last; ++r) {
        if (rows_.count(r)) continue;
        rows_.emplace(r, makeRow(r));
    }
    tiling_ = false;
}

bool TableView::updateFrameSize() {
    Size size = frame().size;
    size.height = rowTops_.back();
    if (auto clip = std::dynamic_pointer_cast<ClipView>(superview())) {
        double columnsWidth = 0;
        for (const auto& c : columns_) columnsWidth += c->isHidden() ? 0 : c->width();
        size.width = std::max(clip->bounds().width(), columnsWidth);
        size.height = std::max(size.height, clip->bounds().height());
    }
    if (size == frame().size) return false;
    const bool wasReloading = reloading_;
    reloading_ = true;  // the rows are placed by the caller
    setFrameSize(size);
    reloading_ = wasReloading;
    return true;
}

void TableView::setFrame(const Rect& frame) {
    const Size old = this->frame().size;
    Control::setFrame(frame);
    if (reloading_ || old == frame.size) return;
    for (auto& [row, slot] : rows_) placeRow(slot, row);
    tile();
}

void TableView::documentVisibleRectDidChange() {
    if (updateFrameSize()) {
        for (auto& [row, slot] : rows_) placeRow(slot, row);
    }
    tile();
}

void TableView::viewDidMoveToSuperview() {
    Control::viewDidMoveToSuperview();
    if (!superview()) return;
    updateFrameSize();
    tile();
}

std::shared_ptr<View> TableView::viewAtColumn(long column, long row, bool makeIfNecessary) {
    auto rowView = rowViewAtRow(row, makeIfNecessary);
    if (!rowView) return nullptr;
    return rowView->viewAtColumn(column);
}

std::shared_ptr<TableRowView> TableView::rowViewAtRow(long row, bool makeIfNecessary) {
    if (auto it = rows_.find(row); it != rows_.end()) return it->second.rowView;
    if (!makeIfNecessary || row < 0 || row >= long(rowCount_)) return nullptr;
    return rows_.emplace(row, makeRow(row)).first->second.rowView;
}

void TableView::enumerateAvailableRowViews(
    const std::function<void(const std::shared_ptr<TableRowView>&, long row)>& block) {
    std::vector<std::pair<long, std::shared_ptr<TableRowView>>> snapshot;
    for (const auto& [row, slot] : rows_) snapshot.emplace_back(row, slot.rowView);
    for (const auto& [row, rowView] : snapshot) block(rowView, row);
}

long TableView::rowForView(const View& view) const {
    for (const View* v = &view; v;) {
        auto up = v->superview();
        if (up.get() == this) {
            for (const auto& [row, slot] : rows_) {
                if (slot.rowView.get() == v) return row;
            }
            return -1;
        }
        v = up.get();
    }
    return -1;
}

long TableView::columnForView(const View& view) const {
    const long row = rowForView(view);
    if (row < 0) return -1;
    const auto& slot = rows_.at(row);
    for (const View* v = &view; v; v = v->superview().get()) {
        for (std::size_t c = 0; c < slot.cells.size(); ++c) {
            if (slot.cells[c].get() == v) return long(c);
        }
        if (v == slot.rowView.get()) break;
    }
    return -1;
}

std::shared_ptr<View> TableView::makeViewWithIdentifier(const std::string& identifier, const std::shared_ptr<Object>&) {
    if (identifier.empty()) return nullptr;
    if (auto it = pool_.find(identifier); it != pool_.end() && !it->second.empty()) {
        auto view = it->second.back();
        it->second.pop_back();
        return view;
    }
    auto factory = factories_.find(identifier);
    if (factory == factories_.end() || !factory->second) return nullptr;
    auto view = factory->second();
    if (view) view->setIdentifier(identifier);
    return view;
}

void TableView::registerViewFactory(const std::string& identifier, ViewFactory factory) {
    factories_[identifier] = std::move(factory);
}

void TableView::scrollRowToVisible(long row) {
    const Rect r = rectOfRow(row);
    if (r.isEmpty()) return;
    scrollToRect(r);
}

void TableView::scrollToRect(const Rect& rect) {
    auto clip = std::dynamic_pointer_cast<ClipView>(superview());
    if (!clip) return;
    const Rect visible = clip->bounds();
    double y = visible.minY();
    if (rect.minY() < visible.minY()) y = rect.minY();
    else if (rect.maxY() > visible.maxY()) y = rect.maxY() - visible.height();
    if (y != visible.minY()) clip->scrollToPoint({visible.minX(), y});
}

// --- selection

long TableView::selectedRow() const {
    if (anchorRow_ >= 0 && selection_.contains(anchorRow_)) return anchorRow_;
    return selection_.lastIndex().value_or(-1);
}

void TableView::setSelection(IndexSet rows) {
    rows.removeFrom(long(rowCount_));
    if (rows == selection_) return;
    selection_ = std::move(rows);
    applySelectionToRows();
    tellSelectionDidChange();
}

void TableView::applySelectionToRows() {
    std::vector<std::pair<long, std::shared_ptr<TableRowView>>> shown;
    for (const auto& [row, slot] : rows_) shown.emplace_back(row, slot.rowView);
    for (const auto& [row, rowView] : shown) rowView->setSelected(isRowSelected(row));
}

void TableView::selectRowIndexes(const IndexSet& rows, bool byExtendingSelection) {
    IndexSet wanted;
    for (long r : rows) {
        if (r < long(rowCount_)) wanted.add(r);
    }
    if (!allowsMultipleSelection_ && wanted.count() > 1) wanted = IndexSet::withIndex(*wanted.lastIndex());
    IndexSet result = wanted;
    if (byExtendingSelection) {
        result = allowsMultipleSelection_ ? selection_ : IndexSet{};
        result.add(wanted);
        if (result.empty()) result = selection_;
    }
    if (auto last = wanted.lastIndex()) anchorRow_ = *last;
    setSelection(result);
}

void TableView::deselectRow(long row) {
    if (!isRowSelected(row)) return;
    IndexSet rest = selection_;
    rest.remove(row);
    setSelection(rest);
}

void TableView::deselectAll(const std::shared_ptr<Object>&) {
    if (!allowsEmptySelection_) return;
    setSelection({});
}

void TableView::selectAll(const std::shared_ptr<Object>&) {
    if (!allowsMultipleSelection_) return;
    setSelection(IndexSet::withRange(0, long(rowCount_)));
}

void TableView::setSelectionHighlightStyle(TableViewSelectionHighlightStyle s) {
    highlightStyle_ = s;
    for (auto& [row, slot] : rows_) slot.rowView->setSelectionHighlightStyle(s);
}

void TableView::userSelectRow(long row, ModifierFlags flags) {
    const bool command = flags & modifierflags::command;
    const bool shift = flags & modifierflags::shift;
    if (row < 0) {
        if (allowsEmptySelection_ && !command && !shift) setSelection({});
        return;
    }
    if (!askShouldSelectRow(row)) return;
    IndexSet result = IndexSet::withIndex(row);
    if (command && isRowSelected(row)) {
        result = selection_;
        result.remove(row);
        if (result.empty() && !allowsEmptySelection_) return;
    } else if (command && allowsMultipleSelection_) {
        result = selection_;
        result.add(row);
    } else if (shift && allowsMultipleSelection_ && anchorRow_ >= 0) {
        result = IndexSet::withRange(std::min(anchorRow_, row), std::abs(anchorRow_ - row) + 1);
    }
    if (!shift) anchorRow_ = row;
    setSelection(result);
}

// --- sorting

void TableView::setSortDescriptors(std::vector<SortDescriptor> descriptors) {
    if (descriptors == sortDescriptors_) return;
    auto old = std::move(sortDescriptors_);
    sortDescriptors_ = std::move(descriptors);
    if (auto ds = dataSource()) ds->sortDescriptorsDidChange(*this, old);
}

void TableView::clickColumnHeader(long column) {
    if (column < 0 || column >= long(columns_.size())) return;
    const auto& prototype = columns_[std::size_t(column)]->sortDescriptorPrototype();
    if (!prototype) return;
    std::vector<SortDescriptor> descriptors;
    if (!sortDescriptors_.empty() && sortDescriptors_.front().key() == prototype->key()) {
        descriptors = sortDescriptors_;
        descriptors.front() = descriptors.front().reversed();
    } else {
        descriptors.push_back(*prototype);
        for (const auto& d : sortDescriptors_) {
            if (d.key() != prototype->key()) descriptors.push_back(d);
        }
    }
    setSortDescriptors(std::move(descriptors));
}

// --- responder and events

bool TableView::becomeFirstResponder() {
    setEmphasized(true);
    return true;
}

bool TableView::resignFirstResponder() {
    setEmphasized(false);
    return true;
}

void TableView::setEmphasized(bool emphasized) {
    emphasized_ = emphasized;
    std::vector<std::shared_ptr<TableRowView>> shown;
    for (const auto& [row, slot] : rows_) shown.push_back(slot.rowView);
    for (const auto& rowView : shown) rowView->setEmphasized(emphasized);
}

bool TableView::validateProposedFirstResponder(const std::shared_ptr<Responder>& responder, const Event* event) {
    if (!responder) return false;
    if (std::dynamic_pointer_cast<Button>(responder)) return true;
    // A view already being edited keeps its clicks (the field editor, a
    // cell's text field during editing).
    if (auto w = window(); w && w->firstResponder() == responder) return true;
    auto control = std::dynamic_pointer_cast<Control>(responder);
    if (control && control->currentEditor()) return true;
    // An editable field starts editing on a click in a row already selected
    // (the first click selects the row), or on a double click in any row
    // when the table has no double action of its own. Labels never take the
    // click: it selects their row.
    if (control && control->editsText()) {
        if (!isEditableField(*control) || !event || event->type != EventType::leftMouseDown) return false;
        const long row = rowForView(*control);
        if (row < 0) return false;
        return event->clickCount >= 2 ? doubleAction_.empty() : isRowSelected(row);
    }
    return false;
}

bool TableView::isEditableField(Control& control) {
    return control.editsText() && control.isEditable() && control.isEnabled() && control.acceptsFirstResponder() &&
           !control.isHiddenOrHasHiddenAncestor();
}

std::vector<std::shared_ptr<Control>> TableView::editableFieldsOfRow(long row, long column) {
    std::vector<std::shared_ptr<Control>> fields;
    if (row < 0 || row >= long(rowCount_)) return fields;
    for (long c = 0; c < long(columns_.size()); ++c) {
        if (column >= 0 && c != column) continue;
        if (columns_[std::size_t(c)]->isHidden()) continue;
        auto cell = viewAtColumn(c, row, true);
        if (!cell) continue;
        cell->forEachInTree([&](View& v) {
            auto control = dynamic_cast<Control*>(&v);
            if (control && isEditableField(*control))
                fields.push_back(std::static_pointer_cast<Control>(control->shared_from_this()));
        });
    }
    return fields;
}

std::shared_ptr<Responder> TableView::responderAfterEditing(const View& field, int movement) {
    // Return ends the edit and gives the keyboard back to the table.
    if (movement == textmovement::returnKey) return self();
    if (movement != textmovement::tab && movement != textmovement::backtab) return nullptr;
    const long row = rowForView(field);
    if (row < 0) return nullptr;
    const bool forward = movement == textmovement::tab;
    // Tab goes on to the next editable field of the row, then to the first
    // one of the following rows (Shift-Tab backwards), selecting its row;
    // past the last one the window's key view loop decides.
    auto fields = editableFieldsOfRow(row, -1);
    auto at = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.get() == &field; });
    if (at != fields.end()) {
        if (forward && at + 1 != fields.end()) return *(at + 1);
        if (!forward && at != fields.begin()) return *(at - 1);
    }
    for (long r = forward ? row + 1 : row - 1; r >= 0 && r < long(rowCount_); r += forward ? 1 : -1) {
        auto other = editableFieldsOfRow(r, -1);
        if (other.empty()) continue;
        selectRowIndexes(IndexSet::withIndex(r), false);
        scrollRowToVisible(r);
        // Selecting may have made the row's views again.
        other = editableFieldsOfRow(r, -1);
        if (other.empty()) return nullptr;
        return forward ? other.front() : other.back();
    }
    return nullptr;
}

std::shared_ptr<View> TableView::hitTest(Point point) {
    auto hit = Control::hitTest(point);
    if (!hit || hit.get() == this) return hit;
    auto event = Application::shared()->currentEvent();
    if (validateProposedFirstResponder(hit, event.get())) return hit;
    return self();
}

void TableView::mouseDown(const Event& event) {
    const Point p = convertPointFromWindow(event.locationInWindow);
    clickedRow_ = rowAtPoint(p);
    clickedColumn_ = clickedRow_ >= 0 ? columnAtPoint(p) : -1;
    mouseDownPoint_ = p;
    dragStarted_ = false;
    // A Control-click asks for a menu, as a right click does: no selection.
    if (event.modifierFlags & modifierflags::control) return;
    if (!isEnabled()) return;
    userSelectRow(clickedRow_, event.modifierFlags);
    // A double click beside the fields of a row edits the first editable
    // field of the clicked cell, when the table has no double action.
    if (event.clickCount >= 2 && doubleAction_.empty() && clickedRow_ >= 0 && isRowSelected(clickedRow_)) {
        auto fields = editableFieldsOfRow(clickedRow_, clickedColumn_);
        if (fields.empty()) fields = editableFieldsOfRow(clickedRow_, -1);
        if (auto w = window(); w && !fields.empty()) w->makeFirstResponder(fields.front());
    }
}

void TableView::mouseDragged(const Event& event) {
    if (dragStarted_ || clickedRow_ < 0 || !isEnabled()) return;
    const Point p = convertPointFromWindow(event.locationInWindow);
    if (std::hypot(p.x - mouseDownPoint_.x, p.y - mouseDownPoint_.y) < kDragThreshold) return;
    dragStarted_ = true;
    // The selected rows when the click was on one of them, else the clicked row.
    std::vector<long> rows;
    if (isRowSelected(clickedRow_)) rows.assign(selection_.begin(), selection_.end());
    else rows.push_back(clickedRow_);
    std::vector<DraggingItem> items;
    for (long row : rows) {
        auto writer = askWriterForRow(row);
        if (!writer) continue;
        DraggingItem item{writer, rectOfRow(row), {}};
        if (auto it = rows_.find(row); it != rows_.end()) {
            for (const auto& cell : it->second.cells) {
                if (auto c = std::dynamic_pointer_cast<TableCellView>(cell)) {
                    item.imageComponents = c->draggingImageComponents();
                    break;
                }
            }
        }
        items.push_back(std::move(item));
    }
    if (!items.empty()) DraggingSession::begin(std::move(items), self(), localMask_, externalMask_);
}

void TableView::mouseUp(const Event& event) {
    if (dragStarted_) {
        dragStarted_ = false;
        return;
    }
    if (event.modifierFlags & modifierflags::control) return;
    if (!isEnabled()) return;
    if (event.clickCount >= 2 && !doubleAction_.empty()) {
        sendAction(doubleAction_, target());
        return;
    }
    sendAction();
}

void TableView::rightMouseDown(const Event& event) {
    const Point p = convertPointFromWindow(event.locationInWindow);
    clickedRow_ = rowAtPoint(p);
    clickedColumn_ = clickedRow_ >= 0 ? columnAtPoint(p) : -1;
}

void TableView::rightMouseUp(const Event&) {}

void TableView::keyDown(const Event& event) {
    if (event.keyCode == keycode::downArrow || event.keyCode == keycode::upArrow) {
        if (rowCount_ == 0) return;
        const long current = selectedRow();
        long target = event.keyCode == keycode::downArrow ? current + 1 : current - 1;
        if (current < 0) target = 0;
        if (target < 0 || target >= long(rowCount_)) return;
        userSelectRow(target, event.modifierFlags & modifierflags::shift);
        scrollRowToVisible(target);
        return;
    }
    Control::keyDown(event);
}

// --- drag and drop

void TableView::setDropRow(long row, TableViewDropOperation dropOperation) {
    dropRow_ = row;
    dropOperation_ = dropOperation;
}

void TableView::setDraggingSourceOperationMask(DragOperation mask, bool forLocal) {
    (forLocal ? localMask_ : externalMask_) = mask;
}

DragOperation TableView::updateDrop(const std::shared_ptr<DraggingInfo>& info) {
    const Point p = convertPointFromWindow(info->draggingLocation());
    if (rowCount_ == 0 || p.y < 0 || p.y >= rowTops_.back()) {
        auto [row, operation] = proposedDropBelowRows();
        dropRow_ = row;
        dropOperation_ = operation;
    } else {
        auto it = std::upper_bound(rowTops_.begin(), rowTops_.end(), p.y);
        const long row = long(it - rowTops_.begin()) - 1;
        const double top = rowTops_[std::size_t(row)], height = rowTops_[std::size_t(row) + 1] - top;
        const double fraction = height > 0 ? (p.y - top) / height : 0.5;
        if (fraction < 0.25) setDropRow(row, TableViewDropOperation::above);
        else if (fraction > 0.75) setDropRow(row + 1, TableViewDropOperation::above);
        else setDropRow(row, TableViewDropOperation::on);
    }
    dropAnswer_ = askValidateDrop(info);
    return dropAnswer_;
}

DragOperation TableView::draggingEntered(const std::shared_ptr<DraggingInfo>& info) { return updateDrop(info); }

DragOperation TableView::draggingUpdated(const std::shared_ptr<DraggingInfo>& info) { return updateDrop(info); }

void TableView::draggingExited(const std::shared_ptr<DraggingInfo>&) {
    dropAnswer_ = dragoperation::none;
    dropRow_ = -1;
}

bool TableView::performDragOperation(const std::shared_ptr<DraggingInfo>& info) {
    if (dropAnswer_ == dragoperation::none) return false;
    dropAnswer_ = dragoperation::none;
    return askAcceptDrop(info);
}

}  // namespace platform
