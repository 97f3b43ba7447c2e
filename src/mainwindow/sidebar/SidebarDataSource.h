#pragma once
// The main view controller's side of the sidebar: it serves the sidebar's
// tree to the outline, chooses each row's cell and height, decides which
// rows may be selected, turns a selection into the entry table's filter,
// takes drops, and selects the row a drag from outside rests on.
//
// Selection filter (updateMainTableView): the selected item becomes the
// predicate (and, for recent applications, the sort by last use and the
// limit of 15) of the data store's current-data filter, which runs at once
// and whose notifications reload the entry table. The item last filtered
// for is remembered; the same selection again (same name, tag and content
// type, even as a new item after a rebuild) changes nothing, so a search
// typed since stays. While the sidebar renews itself, selection changes are
// ignored.
//
// Drops onto the sidebar:
//   - an entry dragged out of the entry table, onto a tag row: the entry
//     gets the tag (refused anywhere else, and on a tag folder);
//   - files and folders (at most 25; more are refused whole): added as
//     entries, with the tag when dropped onto a tag, else without;
//   - links: the first one is added as a link entry, likewise.
// Drops between rows are refused.
//
// Main thread only.

#include <memory>

#include "mainwindow/sidebar/SourceListItem.h"
#include "mainwindow/sidebar/SpringLoadingOutlineView.h"
#include "platform/appkit/OutlineView.h"

namespace frelt {

class MainOutlineView;

class SidebarDataSource : public platform::OutlineViewDataSource,
                          public platform::OutlineViewDelegate,
                          public SpringLoadingOutlineViewDelegate {
public:
    // The most file URLs one drop may carry.
    static constexpr std::size_t maximumDroppedFiles = 25;

    // The sidebar (owned by the view hierarchy).
    std::weak_ptr<MainOutlineView> sectionView;
    // The sidebar item the entry table was last filtered for.
    SourceListItem::Ptr sectionViewSelectedItem;

    // What the main view does with its sidebar when it loads: `controller`
    // becomes the outline's data source, delegate and spring-loading
    // delegate; the whole tree expanded, the regular highlight, drops of
    // entries, files and links registered, and the system's row height.
    static void setUpSectionView(const std::shared_ptr<SidebarDataSource>& controller);

    // Filters the entry table for the sidebar's selected item.
    void updateMainTableView();

    // --- the tree
    long numberOfChildrenOfItem(platform::OutlineView& outlineView, const platform::OutlineItem& item) override;
    platform::OutlineItem child(platform::OutlineView& outlineView, long index,
                                const platform::OutlineItem& item) override;
    bool isItemExpandable(platform::OutlineView& outlineView, const platform::OutlineItem& item) override;

    // --- rows
    bool isGroupItem(platform::OutlineView& outlineView, const platform::OutlineItem& item) override;
    double heightOfRowByItem(platform::OutlineView& outlineView, const platform::OutlineItem& item) override;
    std::shared_ptr<platform::View> viewForTableColumn(platform::OutlineView& outlineView,
                                                       const std::shared_ptr<platform::TableColumn>& column,
                                                       const platform::OutlineItem& item) override;
    // Category entries and tags; not headers and not tag folders.
    bool shouldSelectItem(platform::OutlineView& outlineView, const platform::OutlineItem& item) override;
    // Closes the section popup, then filters the entry table.
    void outlineViewSelectionDidChange(const platform::Notification& notification) override;

    // --- drops
    platform::DragOperation validateDrop(platform::OutlineView& outlineView,
                                         const std::shared_ptr<platform::DraggingInfo>& info,
                                         const platform::OutlineItem& proposedItem, long proposedChildIndex) override;
    bool acceptDrop(platform::OutlineView& outlineView, const std::shared_ptr<platform::DraggingInfo>& info,
                    const platform::OutlineItem& item, long childIndex) override;

    // Selects the item a drag from outside rested on.
    void outlineViewSpringLoadingActivated(const SourceListItem::Ptr& item) override;
};

}  // namespace frelt
