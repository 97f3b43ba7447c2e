#include "mainwindow/MainTableView.h"

#include <algorithm>
#include <utility>

#include "mainwindow/MainWindowFocus.h"
#include "mainwindow/TableViewCellMainWindow.h"
#include "mainwindow/TableViewPopup.h"
#include "mainwindow/TableViewRowMainWindow.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/NotificationCenter.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

// Where `entries` holds `entry`, or else an entry equal to it
// (TableViewItem::isEqual: one the store made anew for the same object).
// The store holds one entry per path, so the object itself, found by a walk
// over the pointers that reads no entry, is the only equal one there. Only
// entries with the same path key can be equal: the key is compared before
// the fields (whose path is copied out of its box at every comparison).
std::optional<std::size_t> indexOfEqualEntry(const std::vector<TableViewItem::Ptr>& entries,
                                             const TableViewItem::Ptr& entry) {
    auto found = std::find(entries.begin(), entries.end(), entry);
    if (found == entries.end())
        found = std::find_if(entries.begin(), entries.end(), [&](const TableViewItem::Ptr& e) {
            return e && e->pathLowercased() == entry->pathLowercased() && entry->isEqual(e);
        });
    if (found == entries.end()) return std::nullopt;
    return static_cast<std::size_t>(found - entries.begin());
}

}  // namespace

MainTableView::MainTableView(platform::Rect frame)
    : platform::TableView(frame), popupMenu(std::make_shared<TableViewPopupManager>()) {}

MainTableView::~MainTableView() { unregisterDraggedTypes(); }

double MainTableView::heightForRowStyle() const {
    return rowStyle == RowStyle::smallStyle ? smallRowHeight : defaultRowHeight;
}

const char* MainTableView::cellIdentifierForRowStyle() const {
    return rowStyle == RowStyle::smallStyle ? TableViewCellMainWindow::identifierSmall
                                            : TableViewCellMainWindow::identifierDefault;
}

void MainTableView::awakeFromNib() {
    platform::TableView::awakeFromNib();
    setAllowsEmptySelection(false);
    popupMenu->setupPopover();
    modifierFlagsObservation_ = platform::NotificationCenter::defaultCenter().observe(
        Notifications::modifierFlagsChanged, nullptr,
        [weak = std::weak_ptr<MainTableView>(sharedAs<MainTableView>())](const platform::Notification& n) {
            if (auto table = weak.lock()) table->modifierFlagsChangedWith(n);
        });
}

// --- mouse

void MainTableView::mouseDown(const platform::Event& event) {
    if (event.type == platform::EventType::rightMouseDown || (event.modifierFlags & platform::modifierflags::control)) {
        showContextMenu(event);
        return;
    }
    platform::TableView::mouseDown(event);
}

void MainTableView::rightMouseDown(const platform::Event& event) { showContextMenu(event); }

// --- refreshes

bool MainTableView::isOnScreen() const {
    // A closed popover or window keeps its views unhidden: the window says.
    const auto win = window();
    return !isHiddenOrHasHiddenAncestor() && win && win->isVisible();
}

bool MainTableView::refreshAllowed(const char* notIdle, const char* notVisible, const char* storeBusy) const {
    if (refreshState != RefreshState::idle) {
        log(LogCategory::mainTableView, LogLevel::Fault, notIdle);
        return false;
    }
    if (!isOnScreen()) {
        log(LogCategory::mainTableView, LogLevel::Fault, notVisible);
        return false;
    }
    if (DataStorage::shared()->state() != DatastorageState::idle) {
        log(LogCategory::mainTableView, LogLevel::Fault, storeBusy);
        return false;
    }
    return true;
}

void MainTableView::reloadData() {
    if (!refreshAllowed("reloadData cancelled -> TableView was not idle",
                        "reloadData cancelled -> TableView was not visible",
                        "refreshAllItems failed -> DataStorage was not idle!"))
        return;
    refreshState = RefreshState::reload;
    // The entry the user sees selected: the store's list is already the new
    // one, so it is read from the list the rows were made from.
    TableViewItem::Ptr selected;
    if (const long row = selectedRow(); row >= 0 && loadedEntries_ && std::size_t(row) < loadedEntries_->size())
        selected = (*loadedEntries_)[std::size_t(row)];
    const auto current = DataStorage::shared()->currentData();
    releaseOnWorkerPool(std::exchange(loadedEntries_, current ? current->snapshot() : nullptr));
    platform::TableView::reloadData();
    if (selected && loadedEntries_) {
        if (const auto index = indexOfEqualEntry(*loadedEntries_, selected)) selectSingleRow(long(*index));
    }
    // A table that allows no empty selection has a row selected whenever it
    // has rows, as the platform keeps it: Return always has an entry to open.
    if (!allowsEmptySelection() && selectedRow() < 0 && numberOfRows() > 0) selectSingleRow(0);
    refreshState = RefreshState::idle;
}

void MainTableView::redrawData() {
    if (!refreshAllowed("redrawData cancelled -> TableView was not idle",
                        "redrawData cancelled -> TableView was not visible",
                        "redrawData failed -> DataStorage was not idle!"))
        return;
    refreshState = RefreshState::redraw;
    enumerateAvailableRowViews([](const std::shared_ptr<platform::TableRowView>& rowView, long) {
        if (auto cell = std::dynamic_pointer_cast<TableViewCellMainWindow>(rowView->viewAtColumn(0))) {
            // The search text may be new while the list stayed the same.
            cell->refreshContent();
        }
    });
    refreshState = RefreshState::idle;
}

void MainTableView::redrawSelected() {
    log(LogCategory::mainTableView, LogLevel::Default, "-> redrawSelected");
    if (!refreshAllowed("redrawSelected cancelled -> TableView was not idle",
                        "redrawSelected cancelled -> TableView was not visible",
                        "redrawSelected failed -> DataStorage was not idle!"))
        return;
    if (numberOfRows() < 1) return;
    refreshState = RefreshState::redraw;
    enumerateAvailableRowViews([this](const std::shared_ptr<platform::TableRowView>& rowView, long row) {
        if (!isRowSelected(row)) return;
        auto cell = std::dynamic_pointer_cast<TableViewCellMainWindow>(rowView->viewAtColumn(0));
        if (!cell) return;
        // An edit in the popup changed the entry: its colour, comment or
        // hotkey show again.
        if (auto entry = cell->item.lock()) {
            if (auto row = std::dynamic_pointer_cast<TableViewRowMainWindow>(rowView)) row->configure(entry);
        }
        cell->refreshContent();
        cell->setNeedsDisplay(true);
        cell->displayIfNeeded();
    });
    setNeedsDisplay(true);
    displayIfNeeded();
    log(LogCategory::mainTableView, LogLevel::Default, "<- redrawSelected");
    refreshState = RefreshState::idle;
}

void MainTableView::refreshQuickLaunchNumber(bool control, bool option, bool command, bool shift) {
    if (!isOnScreen()) {
        log(LogCategory::mainTableView, LogLevel::Fault, "refreshQuickLaunchNumber cancelled -> TableView was not visible");
        return;
    }
    enumerateAvailableRowViews([&](const std::shared_ptr<platform::TableRowView>& rowView, long) {
        if (auto cell = std::dynamic_pointer_cast<TableViewCellMainWindow>(rowView->viewAtColumn(0)))
            cell->setModifierKeys(control, option, command, shift);
    });
}

void MainTableView::modifierFlagsChangedWith(const platform::Notification& notification) {
    const auto* flags = notification.objectAs<CurrentModifierFlags>();
    if (!flags) return;
    refreshQuickLaunchNumber(flags->controlKey, flags->optionKey, flags->commandKey, flags->shiftKey);
}

void MainTableView::focusDidChange() {
    const auto win = window();
    const bool focused = win && win->firstResponder().get() == this;
    enumerateAvailableRowViews([focused](const std::shared_ptr<platform::TableRowView>& rowView, long) {
        rowView->setEmphasized(focused);
        rowView->updateCellBackgroundStyles();
    });
}

void MainTableView::iconDidChange(const std::string& path) {
    enumerateAvailableRowViews([&path](const std::shared_ptr<platform::TableRowView>& rowView, long) {
        auto cell = std::dynamic_pointer_cast<TableViewCellMainWindow>(rowView->viewAtColumn(0));
        if (!cell) return;
        if (auto entry = cell->item.lock(); entry && entry->path() == path) cell->configure(entry);
    });
}

// --- popup and keyboard

TableViewItem::Ptr MainTableView::currentEntry(long row) {
    if (row < 0) return nullptr;
    const auto current = DataStorage::shared()->currentData();
    return current ? (*current)[std::ptrdiff_t(row)].value_or(nullptr) : nullptr;
}

bool MainTableView::popoverShown() const { return popupMenu->tableViewPopover->isShown(); }

void MainTableView::selectSingleRow(long row) { selectRowIndexes(platform::IndexSet::withIndex(row), false); }

std::shared_ptr<TableViewCellMainWindow> MainTableView::entryCellAtRow(long row) {
    return std::dynamic_pointer_cast<TableViewCellMainWindow>(viewAtColumn(0, row, false));
}

void MainTableView::showContextMenu(const platform::Event& event) {
    const long row = rowAtPoint(convertPointFromView(event.locationInWindow, nullptr));
    if (row < 0) return;
    const auto cell = viewAtColumn(0, row, false);
    if (!cell) return;
    const auto entry = currentEntry(row);
    if (!entry || entry->itemType() == ListviewItemType::tag) return;
    log(LogCategory::mainViewController, LogLevel::Default, "Show context-menu for: %{public}@", entry->path());
    if (selectedRow() != row) selectSingleRow(row);
    if (popoverShown()) return;
    if (auto win = window()) win->makeFirstResponder(sharedAs<MainTableView>());
    const auto controller = popupMenu->tableViewPopupViewController();
    if (!controller) return;
    controller->item = entry;
    controller->index = row;
    popupMenu->tableViewPopover->showRelativeToRect(cell->bounds(), cell, platform::RectEdge::minX);
}

void MainTableView::executeSelectedItem(const TableViewItem::Arguments& arguments) {
    const long row = selectedRow();
    if (row < 0 || popoverShown()) return;
    if (const auto entry = currentEntry(row)) entry->executeWithArguments(arguments);
}

void MainTableView::selectNextRow() {
    const long rows = numberOfRows();
    const long row = selectedRow();
    if (row >= 0 && rows >= 1) {
        if (row == rows - 1) return;
        selectSingleRow(row + 1);
        scrollRowToVisible(row + 1);
    } else if (rows >= 1) {
        selectSingleRow(0);
    }
}

void MainTableView::selectPreviousRow() {
    const long rows = numberOfRows();
    const long row = selectedRow();
    if (row >= 0 && rows >= 1) {
        if (row == 0) return;
        selectSingleRow(row - 1);
        scrollRowToVisible(row - 1);
    } else if (rows >= 1) {
        selectSingleRow(0);
    }
}

// --- drag tracking

platform::DragOperation MainTableView::draggingEntered(const std::shared_ptr<platform::DraggingInfo>& info) {
    if (auto win = window()) win->makeFirstResponder(sharedAs<MainTableView>());
    setDraggingDestinationFeedbackStyle(platform::TableViewDraggingDestinationFeedbackStyle::none);
    // The drop validation reads the row: the one the drag enters over, not
    // the last drag's.
    trackDraggingRow(*info);
    return platform::TableView::draggingEntered(info);
}

platform::DragOperation MainTableView::draggingUpdated(const std::shared_ptr<platform::DraggingInfo>& info) {
    trackDraggingRow(*info);
    return platform::TableView::draggingUpdated(info);
}

void MainTableView::trackDraggingRow(const platform::DraggingInfo& info) {
    const long row = rowAtPoint(convertPointFromView(info.draggingLocation(), nullptr));
    currentDraggingRow = row == -1 ? std::nullopt : std::optional<long>(row);
}

}  // namespace frelt
