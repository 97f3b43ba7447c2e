#include "platform/appkit/OutlineView.h"

#include "platform/appkit/GraphicsContext.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace platform {

double OutlineViewDelegate::heightOfRowByItem(OutlineView& outlineView, const OutlineItem& item) {
    (void)item;
    return outlineView.rowHeight();
}

std::shared_ptr<TableColumn> OutlineView::outlineTableColumn() const {
    if (auto c = outlineColumn_.lock()) return c;
    return tableColumns().empty() ? nullptr : tableColumns().front();
}

// --- the tree

bool OutlineView::isMarkedExpanded(const OutlineItem& item) const {
    return item && expanded_.count(std::weak_ptr<Object>(item)) != 0;
}

bool OutlineView::isExpandable(const OutlineItem& item) {
    if (!item) return true;
    auto ds = dataSource();
    return ds && ds->isItemExpandable(*this, item);
}

bool OutlineView::isItemExpanded(const OutlineItem& item) { return !item || isMarkedExpanded(item); }

void OutlineView::addChildren(const OutlineItem& parent, long level, std::unordered_set<const Object*>& opened) {
    auto ds = dataSource();
    if (!ds) return;
    const long count = ds->numberOfChildrenOfItem(*this, parent);
    for (long i = 0; i < count; ++i) {
        auto item = ds->child(*this, i, parent);
        if (!item) continue;
        nodes_.push_back({item, parent, level, i});
        if (!isExpandable(item) || !isItemExpanded(item)) continue;
        // An item that shows up twice (a tree that loops) opens only once.
        if (!opened.insert(item.get()).second) continue;
        addChildren(item, level + 1, opened);
    }
}

long OutlineView::askNumberOfRows() {
    nodes_.clear();
    std::unordered_set<const Object*> opened;
    addChildren(nullptr, 0, opened);
    return long(nodes_.size());
}

void OutlineView::reloadData() {
    // Items that are gone cannot come back: forget them.
    for (auto it = expanded_.begin(); it != expanded_.end();) {
        if (it->expired()) it = expanded_.erase(it);
        else ++it;
    }
    TableView::reloadData();
}

OutlineItem OutlineView::itemAtRow(long row) const {
    if (row < 0 || row >= long(nodes_.size())) return nullptr;
    return nodes_[std::size_t(row)].item;
}

long OutlineView::rowForItem(const OutlineItem& item) const {
    if (!item) return -1;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i].item == item) return long(i);
    }
    return -1;
}

OutlineItem OutlineView::parentForItem(const OutlineItem& item) const {
    const long row = rowForItem(item);
    return row < 0 ? nullptr : nodes_[std::size_t(row)].parent;
}

long OutlineView::levelForItem(const OutlineItem& item) const { return levelForRow(rowForItem(item)); }

long OutlineView::levelForRow(long row) const {
    if (row < 0 || row >= long(nodes_.size())) return -1;
    return nodes_[std::size_t(row)].level;
}

long OutlineView::childIndexForItem(const OutlineItem& item) const {
    const long row = rowForItem(item);
    return row < 0 ? -1 : nodes_[std::size_t(row)].childIndex;
}

// --- expansion

void OutlineView::markExpanded(const OutlineItem& item, bool expanded, bool recursive) {
    if (item) {
        if (expanded && isExpandable(item)) expanded_.insert(std::weak_ptr<Object>(item));
        else if (!expanded) expanded_.erase(std::weak_ptr<Object>(item));
    }
    if (!recursive) return;
    auto ds = dataSource();
    if (!ds || (item && !isExpandable(item))) return;
    const long count = ds->numberOfChildrenOfItem(*this, item);
    for (long i = 0; i < count; ++i) {
        auto child = ds->child(*this, i, item);
        if (child && child != item && isExpandable(child)) markExpanded(child, expanded, true);
    }
}

void OutlineView::expandItem(const OutlineItem& item, bool expandChildren) {
    if (item && !isExpandable(item)) return;
    markExpanded(item, true, expandChildren);
    refreshRows();
}

void OutlineView::collapseItem(const OutlineItem& item, bool collapseChildren) {
    markExpanded(item, false, collapseChildren);
    if (!item && !collapseChildren) return;
    refreshRows();
}

void OutlineView::refreshRows() {
    const std::vector<Node> before = nodes_;
    std::unordered_map<const Object*, long> after;  // filled once the tree is read again
    rowsDidMove([&](long oldRow) -> long {
        if (after.empty()) {
            for (std::size_t i = 0; i < nodes_.size(); ++i) after.emplace(nodes_[i].item.get(), long(i));
        }
        if (oldRow < 0 || oldRow >= long(before.size())) return -1;
        auto it = after.find(before[std::size_t(oldRow)].item.get());
        return it == after.end() ? -1 : it->second;
    });
}

// --- geometry

Rect OutlineView::frameOfCellAtColumn(long column, long row) const {
    Rect frame = TableView::frameOfCellAtColumn(column, row);
    const auto outline = outlineTableColumn();
    if (!outline || row < 0 || row >= long(nodes_.size())) return frame;
    if (column < 0 || column >= numberOfColumns() || tableColumns()[std::size_t(column)] != outline) return frame;
    const double indent = double(nodes_[std::size_t(row)].level + 1) * indentation_;
    const double shift = std::min(indent, frame.width());
    return Rect(frame.minX() + shift, frame.minY(), frame.width() - shift, frame.height());
}

Rect OutlineView::frameOfOutlineCellAtRow(long row) const {
    if (row < 0 || row >= long(nodes_.size())) return {};
    auto* self = const_cast<OutlineView*>(this);  // isExpandable may be overridden and asks the data source
    if (!self->isExpandable(nodes_[std::size_t(row)].item)) return {};
    const auto outline = outlineTableColumn();
    const long column = outline ? columnWithIdentifier(outline->identifier()) : -1;
    const Rect c = column >= 0 ? rectOfColumn(column) : Rect(0, 0, frame().width(), 0);
    const Rect r = rectOfRow(row);
    return Rect(c.minX() + double(nodes_[std::size_t(row)].level) * indentation_, r.minY(), indentation_, r.height());
}

void OutlineView::drawOverSubviews(const Rect& dirtyRect) {
    auto* context = GraphicsContext::current();
    if (!context) return;
    auto [first, count] = rowsInRect(dirtyRect);
    for (long row = first; row < first + count; ++row) {
        const Rect r = frameOfOutlineCellAtRow(row);
        if (r.isEmpty()) continue;
        ControlDrawing d;
        d.kind = ControlKind::disclosureTriangle;
        d.state = isItemExpanded(itemAtRow(row)) ? ControlStateValue::on : ControlStateValue::off;
        d.pressed = false;
        context->drawControl(d, r);
    }
}

void OutlineView::mouseDown(const Event& event) {
    const Point p = convertPointFromWindow(event.locationInWindow);
    const long row = rowAtPoint(p);
    if (row >= 0 && !(event.modifierFlags & modifierflags::control) && frameOfOutlineCellAtRow(row).contains(p)) {
        auto item = itemAtRow(row);
        if (isItemExpanded(item)) collapseItem(item, event.modifierFlags & modifierflags::option);
        else expandItem(item, event.modifierFlags & modifierflags::option);
        return;
    }
    TableView::mouseDown(event);
}

// --- what the data source and delegate say

double OutlineView::askHeightOfRow(long row) {
    auto d = delegate();
    return d ? d->heightOfRowByItem(*this, itemAtRow(row)) : rowHeight();
}

bool OutlineView::askIsGroupRow(long row) {
    auto d = delegate();
    return d && d->isGroupItem(*this, itemAtRow(row));
}

std::shared_ptr<TableRowView> OutlineView::askRowView(long row) {
    auto d = delegate();
    return d ? d->rowViewForItem(*this, itemAtRow(row)) : nullptr;
}

std::shared_ptr<View> OutlineView::askCellView(const std::shared_ptr<TableColumn>& column, long row) {
    auto d = delegate();
    return d ? d->viewForTableColumn(*this, column, itemAtRow(row)) : nullptr;
}

bool OutlineView::askShouldSelectRow(long row) {
    auto d = delegate();
    return !d || d->shouldSelectItem(*this, itemAtRow(row));
}

void OutlineView::tellSelectionDidChange() {
    auto n = makeNotification(outlineviewnotification::selectionDidChange);
    if (auto d = delegate()) d->outlineViewSelectionDidChange(n);
    NotificationCenter::defaultCenter().post(n);
}

std::shared_ptr<PasteboardWriting> OutlineView::askWriterForRow(long row) {
    auto ds = dataSource();
    return ds ? ds->pasteboardWriterForItem(*this, itemAtRow(row)) : nullptr;
}

// --- drops

std::pair<long, TableViewDropOperation> OutlineView::proposedDropBelowRows() const {
    return {-1, TableViewDropOperation::on};
}

void OutlineView::setDropItem(const OutlineItem& item, long childIndex) {
    dropItem_ = item;
    dropChildIndex_ = childIndex;
    if (childIndex == outlineViewDropOnItemIndex) setDropRow(item ? rowForItem(item) : -1, TableViewDropOperation::on);
}

DragOperation OutlineView::askValidateDrop(const std::shared_ptr<DraggingInfo>& info) {
    const long row = dropRow();
    const long count = long(nodes_.size());
    if (dropOperation() == TableViewDropOperation::on) {
        dropItem_ = itemAtRow(row);
        dropChildIndex_ = outlineViewDropOnItemIndex;
    } else if (row >= 0 && row < count) {
        dropItem_ = nodes_[std::size_t(row)].parent;
        dropChildIndex_ = nodes_[std::size_t(row)].childIndex;
    } else {
        dropItem_ = nullptr;
        dropChildIndex_ = long(std::count_if(nodes_.begin(), nodes_.end(), [](const Node& n) { return n.level == 0; }));
    }
    auto ds = dataSource();
    return ds ? ds->validateDrop(*this, info, dropItem_, dropChildIndex_) : dragoperation::none;
}

bool OutlineView::askAcceptDrop(const std::shared_ptr<DraggingInfo>& info) {
    auto ds = dataSource();
    return ds && ds->acceptDrop(*this, info, dropItem_, dropChildIndex_);
}

// --- spring loading

long OutlineView::rowAtDragLocation(const std::shared_ptr<DraggingInfo>& info) const {
    return rowAtPoint(convertPointFromWindow(info->draggingLocation()));
}

SpringLoadingOptions OutlineView::springLoadingEntered(const std::shared_ptr<DraggingInfo>&) {
    return springloading::enabled;
}

void OutlineView::springLoadingActivated(bool activated, const std::shared_ptr<DraggingInfo>& info) {
    if (!activated) return;
    auto item = itemAtRow(rowAtDragLocation(info));
    if (item && isExpandable(item) && !isItemExpanded(item)) expandItem(item);
}

void OutlineView::springLoadingHighlightChanged(const std::shared_ptr<DraggingInfo>&) { setNeedsDisplay(true); }

std::optional<long> OutlineView::springLoadingHoverTarget(const std::shared_ptr<DraggingInfo>& info) {
    const long row = rowAtDragLocation(info);
    auto item = itemAtRow(row);
    if (!item || !isExpandable(item) || isItemExpanded(item)) return std::nullopt;
    return row;
}

}  // namespace platform
