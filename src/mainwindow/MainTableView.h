#pragma once
// The entry table of the main window: one column of the entries the sidebar
// selection and the search produce (DataStorage::currentData), drawn by
// TableViewCellMainWindow cells in TableViewRowMainWindow rows. Its data
// source and delegate are the main view controller.
//
// Beyond the kit's table it has:
// - guarded refreshes (reloadData, redrawData, redrawSelected) that refuse
//   while a refresh runs, while the table is not on screen or while the
//   data store is busy; a reload keeps the selected entry selected;
// - the entry popup (popupMenu), opened by a right click or Control-click;
// - the modifier keys handed to the visible cells (quick-launch numbers,
//   the tag action), from "modifierFlagsChanged";
// - the row under the pointer during a drag, for the drop code;
// - moving the selection and opening the selected entry, for the keyboard.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/TableView.h"
#include "platform/foundation/Subscription.h"
#include "store/TableViewItem.h"

namespace frelt {

class TableViewPopupManager;
class TableViewCellMainWindow;

class MainTableView : public platform::TableView {
public:
    enum class RowStyle { defaultStyle, smallStyle };
    enum class RefreshState { idle, reload, redraw };

    static constexpr double defaultRowHeight = 64.0;
    static constexpr double smallRowHeight = 50.0;

    explicit MainTableView(platform::Rect frame = {});
    ~MainTableView() override;

    RowStyle rowStyle = RowStyle::defaultStyle;
    RefreshState refreshState = RefreshState::idle;
    const std::shared_ptr<TableViewPopupManager> popupMenu;
    std::optional<long> currentDraggingRow;

    // The height and cell identifier of the row style.
    double heightForRowStyle() const;
    const char* cellIdentifierForRowStyle() const;

    // Sets the popup up and follows "modifierFlagsChanged" (as a scene
    // wakes the table).
    void awakeFromNib() override;

    void mouseDown(const platform::Event& event) override;
    void rightMouseDown(const platform::Event& event) override;

    // --- refreshes
    void reloadData() override;
    // Every visible cell takes its content again and redraws what changed.
    void redrawData();
    // The selected cells, then the table.
    void redrawSelected();
    void refreshQuickLaunchNumber(bool control, bool option, bool command, bool shift);
    void modifierFlagsChangedWith(const platform::Notification& notification);
    // The focus moved between the table, the search field and the sidebar:
    // the rows' emphasis and the cells' selection styles follow.
    void focusDidChange();
    // A new picture of the entry at `path` arrived: its visible cells take
    // their icons again.
    void iconDidChange(const std::string& path);

    // --- popup and keyboard
    void showContextMenu(const platform::Event& event);
    // Opens the selected entry with the arguments; nothing without a
    // selection or while the popup is shown.
    void executeSelectedItem(const TableViewItem::Arguments& arguments = std::nullopt);
    void selectNextRow();
    void selectPreviousRow();

    // --- drag tracking
    platform::DragOperation draggingEntered(const std::shared_ptr<platform::DraggingInfo>& info) override;
    platform::DragOperation draggingUpdated(const std::shared_ptr<platform::DraggingInfo>& info) override;

    // The entry at `row` of DataStorage::currentData; none outside it.
    static TableViewItem::Ptr currentEntry(long row);
    // The entry cell of a shown row; none for others.
    std::shared_ptr<TableViewCellMainWindow> entryCellAtRow(long row);

    // Not hidden, and in a window on screen.
    bool isOnScreen() const;

private:
    // The three checks every refresh passes; false (logged) when one fails.
    bool refreshAllowed(const char* notIdle, const char* notVisible, const char* storeBusy) const;
    bool popoverShown() const;
    void trackDraggingRow(const platform::DraggingInfo& info);
    void selectSingleRow(long row);

    platform::Subscription modifierFlagsObservation_;
    // The list the rows were last made from.
    std::shared_ptr<const std::vector<TableViewItem::Ptr>> loadedEntries_;
};

}  // namespace frelt
