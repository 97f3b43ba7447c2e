#pragma once
// The main window in a headless window for the tests of its views: the
// scenes and images registered, a recording workspace, entries in the store
// and the main view controller shown in a window of its own.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "mainwindow/MainSearchField.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/MainViewController.h"
#include "mainwindow/MainWindowScenes.h"
#include "mainwindow/TableViewCellMainWindow.h"
#include "mainwindow/TableViewRowMainWindow.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/Window.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"
#include "support/MainWindowSupport.h"

class MainWindowTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        workspace = platform::RecordingWorkspace::make();
        platform::Workspace::setShared(workspace);
        frelt::registerInterfaceResources();  // the shell's scenes and the cells' images
    }

    static std::shared_ptr<frelt::Configuration> config() { return frelt::AppDelegate::shared()->config; }
    static std::shared_ptr<frelt::DataStorage> store() { return frelt::DataStorage::shared(); }

    // A link entry (always reachable) named `name`.
    static frelt::TableViewItem::Ptr link(const std::string& name, const std::string& comment = "") {
        return mainwindowsupport::link(name, comment);
    }
    // Puts the entries in the store and lists them all (sorted by name).
    static void setEntries(const std::vector<frelt::TableViewItem::Ptr>& entries) {
        store()->allData()->removeAll();
        for (const auto& entry : entries) store()->addToAllData(entry);
        store()->filterCurrentData()->resetFilter();
        store()->filterCurrentData()->applyFilter();
    }
    static std::vector<std::string> shownNames() {
        std::vector<std::string> names;
        for (const auto& entry : *store()->currentData()->snapshot()) names.push_back(entry->name());
        return names;
    }

    std::shared_ptr<frelt::MainViewController> controller() {
        return frelt::FreltManager::shared()->viewControllerMain();
    }
    std::shared_ptr<frelt::MainTableView> table() { return controller()->mainTableView.lock(); }
    std::shared_ptr<frelt::MainSearchField> searchField() { return controller()->searchField.lock(); }
    // The cell of a row, made when the row is out of sight.
    std::shared_ptr<frelt::TableViewCellMainWindow> cell(long row) {
        return std::dynamic_pointer_cast<frelt::TableViewCellMainWindow>(table()->viewAtColumn(0, row, true));
    }
    std::shared_ptr<frelt::TableViewRowMainWindow> rowView(long row) {
        return std::dynamic_pointer_cast<frelt::TableViewRowMainWindow>(table()->rowViewAtRow(row, false));
    }

    // Shows the main window as a window, as the tray or the hotkey would,
    // and keeps that window in `window`.
    // The sidebar, built on the first showing, chooses its first category
    // (the applications), which filters the list; the table's tests look at
    // every entry, so the list is set back to all of them afterwards.
    void showMainWindow() {
        mainwindowsupport::present(frelt::MainWindowState::window);
        window = frelt::FreltManager::shared()->windowControllerMain()->window();
        ASSERT_TRUE(window && window->isKeyWindow());
        store()->filterCurrentData()->resetFilter();
        store()->filterCurrentData()->applyFilter();
    }
    void hideMainWindow() { frelt::FreltManager::shared()->closeMainWindow(); }
    // Both sidebar headers collapsed with nothing selected, as a renewal
    // leaves them when the settings say so. (A selection lost to a collapse
    // outside a renewal makes the sidebar select the applications again,
    // which opens their header.)
    void collapseSidebarHeaders() {
        auto outline = controller()->sectionView.lock();
        outline->outlineViewRenewState = frelt::OutlineViewRenewState::expandHeader;
        outline->setHeaderExpanded(frelt::SourceListItemContentType::headerCategories, false);
        outline->setHeaderExpanded(frelt::SourceListItemContentType::headerTags, false);
        outline->outlineViewRenewState = frelt::OutlineViewRenewState::idle;
    }
    // What the search field shows (the text being typed while editing).
    std::string searchText() {
        auto field = searchField();
        if (auto editor = field->currentEditor()) return editor->string();
        return field->cell()->stringValue();
    }

    std::shared_ptr<platform::RecordingWorkspace> workspace;
    std::shared_ptr<platform::Window> window;
};
