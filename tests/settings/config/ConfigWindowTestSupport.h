#pragma once
// The configuration window in a headless session for the tests of its
// parts: the interface scenes registered, a recording workspace, entries in
// the store, and the window opened through the window manager as the status
// menu opens it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/Window.h"
#include "settings/ConfigCells.h"
#include "settings/config/ConfigSearchField.h"
#include "settings/config/ConfigViewControllerContent.h"
#include "settings/config/ConfigViewControllerSidebar.h"
#include "settings/config/ConfigWindowController.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterConfigData.h"
#include "support/FreltTest.h"
#include "support/MainWindowSupport.h"

class ConfigWindowTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        platform::Workspace::setShared(platform::RecordingWorkspace::make());
        frelt::registerInterfaceResources();
    }

    void TearDown() override {
        if (frelt::FreltWindow::registeredWindowController(frelt::FreltWindowEnum::config))
            frelt::FreltWindow::closeWindow(frelt::FreltWindowEnum::config);
        FreltTest::TearDown();
    }

    static std::shared_ptr<frelt::DataStorage> store() { return frelt::DataStorage::shared(); }
    static std::shared_ptr<frelt::DataStorageFilterConfigData> filter() { return store()->filterConfigData(); }

    // An application the search found, backed by a file that exists.
    frelt::TableViewItem::Ptr app(const std::string& name, const std::vector<std::string>& tags = {}) {
        const auto folder = home() / "apps";
        std::filesystem::create_directories(folder);
        const auto path = folder / (name + ".desktop");
        std::ofstream(path) << "[Desktop Entry]\nType=Application\nName=" << name << "\n";
        auto entry = frelt::TableViewItem::initForSpotlightApp(path.string(), name);
        entry->setTags(tags);
        return entry;
    }
    // A link the user made.
    static frelt::TableViewItem::Ptr link(const std::string& name, const std::string& comment = "") {
        return mainwindowsupport::link(name, comment);
    }
    static void setEntries(const std::vector<frelt::TableViewItem::Ptr>& entries) {
        store()->allData()->removeAll();
        for (const auto& entry : entries) store()->addToAllData(entry);
    }
    static std::vector<std::string> listedNames() {
        std::vector<std::string> names;
        const auto list = store()->currentDataConfig();
        if (list)
            for (const auto& entry : *list->snapshot()) names.push_back(entry->name());
        return names;
    }
    static long rowOf(const std::string& name) {
        const auto names = listedNames();
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : long(it - names.begin());
    }

    // Opens the window as the status menu does and connects the parts.
    void openWindow() {
        frelt::FreltWindow::showWindow(false, frelt::FreltWindowEnum::config);
        controller = std::dynamic_pointer_cast<frelt::ConfigWindowController>(
            frelt::FreltWindow::registeredWindowController(frelt::FreltWindowEnum::config));
        ASSERT_TRUE(controller) << "the configuration window did not open";
        split = std::dynamic_pointer_cast<frelt::ConfigSplitViewController>(controller->contentViewController());
        ASSERT_TRUE(split);
        content = split->contentController();
        ASSERT_TRUE(content);
        table = content->dataTableView.lock();
        ASSERT_TRUE(table);
        for (const auto& item : split->splitViewItems())
            if (auto s = std::dynamic_pointer_cast<frelt::ConfigViewControllerSidebar>(item->viewController()))
                inspector = s;
        ASSERT_TRUE(inspector);
    }
    // Closes it and lets go of it, as the program does: reopening makes a
    // new window.
    void closeWindow() {
        frelt::FreltWindow::closeWindow(frelt::FreltWindowEnum::config);
        controller.reset();
        split.reset();
        content.reset();
        table.reset();
        inspector.reset();
    }

    template <class Cell>
    std::shared_ptr<Cell> cellAt(const std::string& columnIdentifier, long row) {
        return std::dynamic_pointer_cast<Cell>(
            table->viewAtColumn(table->columnWithIdentifier(columnIdentifier), row, true));
    }

    std::shared_ptr<frelt::ConfigWindowController> controller;
    std::shared_ptr<frelt::ConfigSplitViewController> split;
    std::shared_ptr<frelt::ConfigViewControllerContent> content;
    std::shared_ptr<frelt::ConfigTableView> table;
    std::shared_ptr<frelt::ConfigViewControllerSidebar> inspector;
};
