#pragma once
// The main window's sidebar: an outline of two headers, "Categories" with the
// fixed categories the settings and the data allow, and "Tags" with the
// user's visible tags as a tree by their "|" levels. Selecting a row filters
// the entry table (the main view controller is the outline's data source and
// delegate).
//
// The view keeps the tree (outlineViewStructure) and renews what it shows:
//   - updateContent(forceRebuild) remembers the selection and which headers
//     are collapsed, rebuilds the tree when asked (or when a rebuild was
//     asked for while the window was hidden), reloads, restores the headers
//     and selects the same item again. While it runs outlineViewRenewState
//     is not idle, and the entry table does not follow selection changes,
//     so an item that comes back selected leaves the table as it is;
//   - validateCategoryVisibility rebuilds when a data-dependent category
//     must appear or disappear;
//   - redrawContent and redrawSelected repaint the cells only.
// A build while another runs or while the data store is busy changes
// nothing: the old tree is kept.
//
// Other parts select rows through the selection operations: by row, by
// category (the hotkeys' selection values), by tag path, by tag and content
// type, by item. Selecting an item hidden in collapsed folders expands them
// from the top down first.
//
// Input: with the hover setting on, resting 0.3 seconds on a row selects it;
// a right click or a Control click on a tag opens the section popup; entry
// rows stand 15 points less indented than the outline lays them out.
//
// Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/sidebar/SourceListItem.h"
#include "mainwindow/sidebar/SpringLoadingOutlineView.h"
#include "store/SynchronizedArray.h"

namespace platform {
class Timer;
}

namespace frelt {

class SectionViewPopupManager;

// The fixed categories as the hotkeys and the entry table name them.
using SidebarSelectionType = int;
namespace sidebarselectiontype {
inline constexpr SidebarSelectionType applications = 0;
inline constexpr SidebarSelectionType files = 1;
inline constexpr SidebarSelectionType folders = 2;
inline constexpr SidebarSelectionType favorites = 3;
inline constexpr SidebarSelectionType urls = 4;
inline constexpr SidebarSelectionType shortcuts = 5;
inline constexpr SidebarSelectionType recentApplications = 6;
inline constexpr SidebarSelectionType activeApplications = 7;
}  // namespace sidebarselectiontype

// The category a selection value stands for; none for another value.
std::optional<SourceListItemContentType> contentTypeForSelectionType(SidebarSelectionType type);

enum class OutlineViewStructureState { idle, rebuildInProgress };
enum class OutlineViewRenewState { idle, forceBuildData, reloadData, expandHeader, selectItem };

class MainOutlineView : public SpringLoadingOutlineView {
public:
    using ItemArray = SynchronizedArray<SourceListItem::Ptr>;

    // The delay of selection on hover, in seconds.
    static constexpr double hoverDelay = 0.3;
    // How much further left (and wider) entry rows stand than the outline
    // lays them out.
    static constexpr double entryRowShift = 15;

    // Registers the sidebar's cells and sets the section popup up.
    explicit MainOutlineView(platform::Rect frame = {});
    ~MainOutlineView() override;

    // --- the tree and the states of its renewal
    // After a build: the "Categories" header, then the "Tags" header.
    const std::shared_ptr<ItemArray> outlineViewStructure;
    OutlineViewStructureState outlineViewStructureState = OutlineViewStructureState::idle;
    OutlineViewRenewState outlineViewRenewState = OutlineViewRenewState::idle;
    // Set while the window is hidden; the next updateContent rebuilds.
    bool rebuildDataWithNextReload = false;
    // Which category entries the last build put into the tree.
    bool rootEntryAllApplicationsAvailable = false;
    bool rootEntryAllFilesAvailable = false;
    bool rootEntryAllFoldersAvailable = false;
    bool rootEntryAllURLsAvailable = false;
    bool rootEntryAllShortcutsAvailable = false;
    bool rootEntryLastUsedApplicationsAvailable = false;
    bool rootEntryOpenApplicationsAvailable = false;
    bool rootEntryAllFavoritesAvailable = false;
    // Whether each header was collapsed when the last renewal began.
    bool collapsedCategories = true;
    bool collapsedTags = true;

    // The section popup of the tags.
    const std::shared_ptr<SectionViewPopupManager> popupMenu;

    // --- selection on hover
    std::shared_ptr<platform::Timer> hoverRowTimer;
    long hoverRowIndex = 0;
    // One tracking area over the view while the hover setting is on (read
    // when the main view is about to appear).
    void updateHoverTrackingArea();
    // Selects the row the pointer rests on.
    void timedHoverAction();

    // --- building the tree
    void buildData();
    // Inserts the tag `originalTag`, whose levels are `tagArray`, below
    // `parent` (none: the top level), making folders for levels on the way.
    void buildStructuredTags(const SourceListItem::Ptr& parent, const std::string& originalTag,
                             const std::vector<std::string>& tagArray);

    // --- renewal and redraw
    void updateContent(bool forceRebuild);
    void validateCategoryVisibility();
    void redrawContent();
    void redrawSelected();

    // --- the context click and lookups
    // Opens the section popup for the tag row under the event.
    void showContextMenu(const platform::Event& event);
    std::optional<SourceListItemContentType> selectedItemContentType() const;
    // A tag or a tag folder is selected.
    bool isTagSelected() const;
    // The selected tag's full name (empty for a folder); none when no tag is
    // selected.
    std::optional<std::string> selectedTagName() const;
    // Only the two headers can be collapsed; false for anything else and
    // before the first build.
    bool isHeaderCollapsed(SourceListItemContentType contentType);
    // Expanding expands the whole header; a header already in the asked state
    // is left alone.
    void setHeaderExpanded(SourceListItemContentType contentType, bool expanded);

    // --- selection by other parts (each answers whether it selected)
    // A row other than the selected one, not a header.
    bool selectItemWithIndex(long index);
    // Keeps a selected row, or selects the first entry row; false with both
    // headers collapsed.
    bool selectFirstAvailableEntry();
    bool selectItemWithSelectionType(SidebarSelectionType type);
    bool selectItemWithTagName(const std::string& tagName);
    bool selectItemWithTagNameAndContentType(const std::string& tagName, SourceListItemContentType contentType);
    // Expands the collapsed ancestors first; selects even a selected row.
    bool selectByItem(const SourceListItem::Ptr& item);
    // The first item of the tree in pre-order whose tag (and content type)
    // match exactly.
    SourceListItem::Ptr searchForSourceListItem(const std::string& tagName) const;
    SourceListItem::Ptr searchForSourceListItem(const std::string& tagName, SourceListItemContentType contentType) const;
    SourceListItem::Ptr searchForSourceListItem(SourceListItemContentType contentType) const;

    // --- the outline's overrides
    platform::Rect frameOfCellAtColumn(long column, long row) const override;
    platform::Rect frameOfOutlineCellAtRow(long row) const override;
    // A right-button or Control click opens the section popup instead.
    void mouseDown(const platform::Event& event) override;
    void rightMouseDown(const platform::Event& event) override;
    // A caption takes the double click that makes it editable (and its clicks
    // while edited); a single click on it selects the row.
    bool validateProposedFirstResponder(const std::shared_ptr<platform::Responder>& responder,
                                        const platform::Event* event) override;
    void mouseMoved(const platform::Event& event) override;
    void mouseExited(const platform::Event& event) override;

private:
    SourceListItem::Ptr itemAtRowIfSidebarItem(long row) const;
    SourceListItem::Ptr selectedSidebarItem() const;
    void redrawRows(bool selectedOnly);
    long rowAtEvent(const platform::Event& event) const;
};

}  // namespace frelt
