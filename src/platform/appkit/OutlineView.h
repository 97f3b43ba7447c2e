#pragma once
// View-based outlines: a table whose rows are the shown items of a tree.
//
// The data source answers the tree (a none item is the invisible root);
// items are kit objects, and the outline knows them by identity. An item's
// children are shown while it is expanded; expansion is remembered per item
// object, so it survives reloadData for the same objects and new objects
// start collapsed. rowForItem answers -1 for an item inside a collapsed
// parent.
//
// Callback orders follow the table's (see TableView.h), with the tree's
// questions in place of the row count: numberOfChildrenOfItem, then for each
// child in order child, isItemExpandable, and the same for the children of
// an expanded item; heights come from heightOfRowByItem, selection
// questions from shouldSelectItem (user selections only).
//
// Drops are proposed as an item and a child index: onto a row, its item
// with the index -1; between rows, the parent and the index among its
// children; below the rows, no item and -1 (the whole outline).
// setDropItem retargets during validation.
//
// Spring loading: an outline is a spring-loading destination; a drag
// resting on a collapsed expandable item (as isExpandable and
// isItemExpanded answer) activates, which expands the item. Subclasses
// override the calls to do otherwise.

#include <memory>
#include <set>
#include <unordered_set>
#include <vector>

#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/TableView.h"

namespace platform {

class OutlineView;

using OutlineItem = std::shared_ptr<Object>;

namespace outlineviewnotification {
inline const std::string selectionDidChange = "NSOutlineViewSelectionDidChangeNotification";
}  // namespace outlineviewnotification

// The child index of a drop onto an item.
inline constexpr long outlineViewDropOnItemIndex = -1;

class OutlineViewDataSource {
public:
    virtual ~OutlineViewDataSource() = default;
    virtual long numberOfChildrenOfItem(OutlineView& outlineView, const OutlineItem& item) {
        (void)outlineView;
        (void)item;
        return 0;
    }
    virtual OutlineItem child(OutlineView& outlineView, long index, const OutlineItem& item) {
        (void)outlineView;
        (void)index;
        (void)item;
        return nullptr;
    }
    virtual bool isItemExpandable(OutlineView& outlineView, const OutlineItem& item) {
        (void)outlineView;
        (void)item;
        return false;
    }
    virtual std::shared_ptr<PasteboardWriting> pasteboardWriterForItem(OutlineView& outlineView,
                                                                       const OutlineItem& item) {
        (void)outlineView;
        (void)item;
        return nullptr;
    }
    virtual DragOperation validateDrop(OutlineView& outlineView, const std::shared_ptr<DraggingInfo>& info,
                                       const OutlineItem& proposedItem, long proposedChildIndex) {
        (void)outlineView;
        (void)info;
        (void)proposedItem;
        (void)proposedChildIndex;
        return dragoperation::none;
    }
    virtual bool acceptDrop(OutlineView& outlineView, const std::shared_ptr<DraggingInfo>& info,
                            const OutlineItem& item, long childIndex) {
        (void)outlineView;
        (void)info;
        (void)item;
        (void)childIndex;
        return false;
    }
};

class OutlineViewDelegate {
public:
    virtual ~OutlineViewDelegate() = default;
    virtual std::shared_ptr<View> viewForTableColumn(OutlineView& outlineView,
                                                     const std::shared_ptr<TableColumn>& column,
                                                     const OutlineItem& item) {
        (void)outlineView;
        (void)column;
        (void)item;
        return nullptr;
    }
    virtual std::shared_ptr<TableRowView> rowViewForItem(OutlineView& outlineView, const OutlineItem& item) {
        (void)outlineView;
        (void)item;
        return nullptr;
    }
    virtual bool isGroupItem(OutlineView& outlineView, const OutlineItem& item) {
        (void)outlineView;
        (void)item;
        return false;
    }
    // The default is the outline's rowHeight.
    virtual double heightOfRowByItem(OutlineView& outlineView, const OutlineItem& item);
    // Asked for selections the user makes only.
    virtual bool shouldSelectItem(OutlineView& outlineView, const OutlineItem& item) {
        (void)outlineView;
        (void)item;
        return true;
    }
    virtual void outlineViewSelectionDidChange(const Notification& notification) { (void)notification; }
};

class OutlineView : public TableView, public SpringLoadingDestination {
public:
    explicit OutlineView(Rect frame = {}) : TableView(frame) {}

    std::shared_ptr<OutlineViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(const std::shared_ptr<OutlineViewDataSource>& d) { dataSource_ = d; }
    std::shared_ptr<OutlineViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<OutlineViewDelegate>& d) { delegate_ = d; }

    // The column that holds the tree's indentation (the first by default).
    std::shared_ptr<TableColumn> outlineTableColumn() const;
    void setOutlineTableColumn(const std::shared_ptr<TableColumn>& column) { outlineColumn_ = column; }
    double indentationPerLevel() const { return indentation_; }
    void setIndentationPerLevel(double d) { indentation_ = d; }

    // --- the shown tree
    // Reads the tree again; expansion stays with the item objects.
    void reloadData() override;
    OutlineItem itemAtRow(long row) const;
    // -1 for an item that is not shown (inside a collapsed parent, or unknown).
    long rowForItem(const OutlineItem& item) const;
    // The parent of a shown item; none at the top level and for unknown items.
    OutlineItem parentForItem(const OutlineItem& item) const;
    long levelForItem(const OutlineItem& item) const;
    long levelForRow(long row) const;
    long childIndexForItem(const OutlineItem& item) const;

    // --- expansion
    // What the data source says; subclasses may answer otherwise.
    virtual bool isExpandable(const OutlineItem& item);
    // Whether the item is expanded (the root always is).
    virtual bool isItemExpanded(const OutlineItem& item);
    // Expands the item (none: the root), with all descendants when asked;
    // the rows follow at once.
    void expandItem(const OutlineItem& item, bool expandChildren = false);
    void collapseItem(const OutlineItem& item, bool collapseChildren = false);

    // --- geometry: the outline column is indented by level, after the
    // disclosure triangle's place
    Rect frameOfCellAtColumn(long column, long row) const override;
    // The disclosure triangle; empty for rows that cannot expand.
    virtual Rect frameOfOutlineCellAtRow(long row) const;
    // A click on the disclosure triangle expands or collapses its item.
    void mouseDown(const Event& event) override;
    // The disclosure triangles of the rows in view.
    void drawOverSubviews(const Rect& dirtyRect) override;

    // --- drag and drop
    void setDropItem(const OutlineItem& item, long childIndex);
    OutlineItem dropItem() const { return dropItem_; }
    long dropChildIndex() const { return dropChildIndex_; }

    // --- spring loading
    SpringLoadingOptions springLoadingEntered(const std::shared_ptr<DraggingInfo>& info) override;
    void springLoadingActivated(bool activated, const std::shared_ptr<DraggingInfo>& info) override;
    void springLoadingHighlightChanged(const std::shared_ptr<DraggingInfo>& info) override;
    // The row under the drag when its item can spring open.
    std::optional<long> springLoadingHoverTarget(const std::shared_ptr<DraggingInfo>& info) override;

protected:
    long askNumberOfRows() override;
    double askHeightOfRow(long row) override;
    bool askIsGroupRow(long row) override;
    std::shared_ptr<TableRowView> askRowView(long row) override;
    std::shared_ptr<View> askCellView(const std::shared_ptr<TableColumn>& column, long row) override;
    bool askShouldSelectRow(long row) override;
    void tellSelectionDidChange() override;
    std::shared_ptr<PasteboardWriting> askWriterForRow(long row) override;
    DragOperation askValidateDrop(const std::shared_ptr<DraggingInfo>& info) override;
    bool askAcceptDrop(const std::shared_ptr<DraggingInfo>& info) override;
    std::pair<long, TableViewDropOperation> proposedDropBelowRows() const override;

private:
    struct Node {
        OutlineItem item;
        OutlineItem parent;
        long level = 0;
        long childIndex = 0;
    };
    void addChildren(const OutlineItem& parent, long level, std::unordered_set<const Object*>& opened);
    bool isMarkedExpanded(const OutlineItem& item) const;
    void markExpanded(const OutlineItem& item, bool expanded, bool recursive);
    // Reads the tree again and keeps each shown item's views and selection.
    void refreshRows();
    long rowAtDragLocation(const std::shared_ptr<DraggingInfo>& info) const;

    std::weak_ptr<OutlineViewDataSource> dataSource_;
    std::weak_ptr<OutlineViewDelegate> delegate_;
    std::weak_ptr<TableColumn> outlineColumn_;
    double indentation_ = 16;
    std::vector<Node> nodes_;
    std::set<std::weak_ptr<Object>, std::owner_less<std::weak_ptr<Object>>> expanded_;
    OutlineItem dropItem_;
    long dropChildIndex_ = outlineViewDropOnItemIndex;
};

}  // namespace platform
