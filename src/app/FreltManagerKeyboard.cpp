// The main window's keyboard handling: what a key does depends on which part
// of the window has the focus. Type to search, move between the search
// field, the entry table and the sidebar with the arrow keys, open the
// selected entry with Return, one of the first nine with Command and a
// digit, and leave with Escape.

#include <charconv>

#include "app/FreltManager.h"
#include "app/FreltWindowEnum.h"
#include "hotkeys/HotKeyManager.h"
#include "mainwindow/MainSearchField.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/TableViewCellMainWindow.h"
#include "mainwindow/TableViewPopup.h"
#include "mainwindow/sidebar/SectionViewPopup.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Text.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"

namespace frelt {

namespace {

using platform::keycode::downArrow;
using platform::keycode::escape;
using platform::keycode::leftArrow;
using platform::keycode::returnKey;
using platform::keycode::rightArrow;
using platform::keycode::upArrow;

bool isCommandF(const platform::Event& event) {
    return event.keyCode == platform::keycode::f && event.deviceIndependentFlags() == platform::modifierflags::command;
}

// What the search field shows: the text being typed while it is edited,
// else its value.
std::string searchText(MainViewController& controller) {
    const auto field = controller.searchField.lock();
    if (!field) return {};
    if (const auto editor = field->currentEditor()) return editor->string();
    return field->cell()->stringValue();
}

// Empties the field and drops the search from the list: the filter
// forgets the old text, so no later run brings it back.
void clearSearch(MainViewController& controller) {
    if (const auto field = controller.searchField.lock()) field->clearText();
    DataStorage::shared()->filterCurrentData()->setSearchString("");
}

bool bothHeadersCollapsed(MainOutlineView& outline) {
    return outline.isHeaderCollapsed(SourceListItemContentType::headerCategories) &&
           outline.isHeaderCollapsed(SourceListItemContentType::headerTags);
}

void closeTheMainWindow() { FreltWindow::closeWindow(FreltWindowEnum::main); }

void executeSelected(MainViewController& controller, MainTableView& table) {
    const auto& paths = controller.serviceManagerValues();
    table.executeSelectedItem(paths.empty() ? TableViewItem::Arguments() : TableViewItem::Arguments(paths));
}

// The entry opened with Command and a digit: true when the key was one
// (also for the digit just past the listed entries, which opens nothing).
bool quickLaunch(const platform::Event& event, MainViewController& controller) {
    if (HotKeyManager::shared()->hotkeysPaused()) return false;
    if (!controller.modifierFlagsContainCommandKey() || controller.modifierFlagsContainControlKey() ||
        controller.modifierFlagsContainOptionKey() || controller.modifierFlagsContainShiftKey())
        return false;
    const std::string& typed = event.charactersIgnoringModifiers;
    if (typed.find_first_of("123456789") == std::string::npos) return false;
    long number = 100;
    if (long parsed = 0; !typed.empty()) {
        const auto [end, error] = std::from_chars(typed.data(), typed.data() + typed.size(), parsed);
        if (error == std::errc() && end == typed.data() + typed.size()) number = parsed;
    }
    const long index = number - 1;
    const auto current = DataStorage::shared()->currentData();
    const long count = current ? long(current->count()) : 0;
    if (index < 0 || index >= 9 || index > count) return false;
    if (const auto entry = MainTableView::currentEntry(index)) entry->executeWithArguments(std::nullopt);
    return true;
}

// A typed character in the table or the sidebar starts a new search: the
// field is emptied and focused, and the key goes on to it.
bool typeAhead(const platform::Event& event, MainViewController& controller) {
    if (event.characters.empty()) return false;
    const std::string typed = platform::text::lowercased(event.characters);
    const std::string allowed = platform::text::lowercased(FreltManager::typeAheadCharacters);
    if (allowed.find(typed) == std::string::npos) return false;
    if (const auto field = controller.searchField.lock()) field->clearText();
    controller.setFocus(FirstResponderKind::searchField);
    return false;
}

// The keys the table and the sidebar share (after the popups closed):
// Command-F goes to the search field, a search character starts a search.
bool searchKeys(const platform::Event& event, MainViewController& controller) {
    if (isCommandF(event)) {
        controller.setFocus(FirstResponderKind::searchField);
        return true;
    }
    return typeAhead(event, controller);
}

}  // namespace

FreltManager::MainWindowFocus FreltManager::mainWindowFocus(MainViewController& controller) {
    const auto win = controller.isViewLoaded() ? controller.view()->window() : nullptr;
    const auto responder = win ? win->firstResponder() : nullptr;
    const auto table = controller.mainTableView.lock();
    const auto outline = controller.sectionView.lock();
    if (responder && responder == table) return MainWindowFocus::tableFocused;
    if (responder && responder == outline) return MainWindowFocus::sidebarFocused;
    if (const auto field = controller.searchField.lock(); field && field->isEditing())
        return MainWindowFocus::searchFieldEditing;
    if (table && table->popupMenu->tableViewPopover->isShown()) return MainWindowFocus::popupShown;
    if (outline && outline->popupMenu->sectionViewPopover->isShown()) return MainWindowFocus::popupShown;
    return MainWindowFocus::none;
}

void FreltManager::closeMainWindowPopups(MainViewController& controller) {
    if (const auto table = controller.mainTableView.lock(); table && table->popupMenu->tableViewPopover->isShown())
        table->popupMenu->tableViewPopover->close();
    if (const auto outline = controller.sectionView.lock(); outline && outline->popupMenu->sectionViewPopover->isShown())
        outline->popupMenu->sectionViewPopover->close();
}

bool FreltManager::handleKeyDown(const platform::Event& event, MainViewController& controller) {
    const MainWindowFocus focus = mainWindowFocus(controller);
    const auto key = event.keyCode;
    const auto table = controller.mainTableView.lock();
    const auto outline = controller.sectionView.lock();

    if (key == escape) {
        if (table && table->popupMenu->tableViewPopover->isShown()) {
            table->popupMenu->tableViewPopover->close();
            return true;
        }
        if (outline && outline->popupMenu->sectionViewPopover->isShown()) {
            outline->popupMenu->sectionViewPopover->close();
            return true;
        }
    }

    if (quickLaunch(event, controller)) return true;

    switch (focus) {
        case MainWindowFocus::tableFocused:
            if (key == returnKey) {
                if (table) executeSelected(controller, *table);
                return true;
            }
            if (key == escape) {
                if (!searchText(controller).empty()) {
                    clearSearch(controller);
                    if (table && table->numberOfRows() >= 1)
                        table->selectRowIndexes(platform::IndexSet::withIndex(0), false);
                } else {
                    closeTheMainWindow();
                }
                return true;
            }
            if (key == leftArrow) {
                closeMainWindowPopups(controller);
                if (!outline || bothHeadersCollapsed(*outline)) return false;
                if (!searchText(controller).empty()) {
                    if (const auto field = controller.searchField.lock()) field->abortEditing();
                    clearSearch(controller);
                }
                const bool selected = outline->selectFirstAvailableEntry();
                if (selected) controller.setFocus(FirstResponderKind::sidebar);
                return selected;
            }
            if (key == upArrow) {
                closeMainWindowPopups(controller);
                if (table && table->selectedRow() == 0) controller.setFocus(FirstResponderKind::searchField);
                else if (table) table->selectPreviousRow();
                return true;
            }
            closeMainWindowPopups(controller);
            return searchKeys(event, controller);

        case MainWindowFocus::sidebarFocused:
            if (key == rightArrow) {
                closeMainWindowPopups(controller);
                controller.setFocus(FirstResponderKind::entryTable);
                return true;
            }
            if (key == escape) {
                closeTheMainWindow();
                return true;
            }
            closeMainWindowPopups(controller);
            return searchKeys(event, controller);

        case MainWindowFocus::searchFieldEditing:
            if (key == downArrow) {
                controller.setFocus(FirstResponderKind::entryTable);
                if (table) table->selectNextRow();
                return true;
            }
            if (key == upArrow) {
                controller.setFocus(FirstResponderKind::entryTable);
                if (table) table->selectPreviousRow();
                return true;
            }
            if (key == leftArrow) {
                // With text the caret moves.
                if (!searchText(controller).empty()) return false;
                if (!outline || bothHeadersCollapsed(*outline)) return false;
                if (const auto field = controller.searchField.lock()) field->abortEditing();
                const bool selected = outline->selectFirstAvailableEntry();
                if (selected) controller.setFocus(FirstResponderKind::sidebar);
                return selected;
            }
            if (key == escape) {
                if (!searchText(controller).empty()) {
                    clearSearch(controller);
                } else {
                    if (const auto field = controller.searchField.lock()) field->abortEditing();
                    closeTheMainWindow();
                }
                return true;
            }
            if (key == returnKey) {
                const long row = table ? table->selectedRow() : -1;
                if (row < 0) return false;
                const auto cell = table->entryCellAtRow(row);
                if (!cell || cell->currentSelectionStyle != TableViewCellMainWindow::CellSelection::selectedAndFocused)
                    return false;
                executeSelected(controller, *table);
                return true;
            }
            return false;

        case MainWindowFocus::none:
        case MainWindowFocus::popupShown: return false;
    }
    return false;
}

}  // namespace frelt
