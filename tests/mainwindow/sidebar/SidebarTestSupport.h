#pragma once
// The fixture of the sidebar's tests: the main view controller's sidebar in
// a window (so that rows have cells), wired to the controller as the main
// view wires it, the interface resources registered, and helpers that put
// entries and tags into the store and read the outline back as text.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/MainViewController.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/Window.h"
#include "sources/discovery/OpenApplicationsManager.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/TagManager.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"
#include "support/SidebarSupport.h"

namespace sidebartest {

using Strings = std::vector<std::string>;

class SidebarTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        workspace = platform::RecordingWorkspace::make();
        platform::Workspace::setShared(workspace);
        // Loading the settings sets the log gate; the checks read the log.
        config();
        frelt::logging::setDebugLoggingEnabled(true);
        frelt::registerInterfaceResources();
        registerImages();

        // The main view wires its sidebar when it loads; the sidebar alone
        // then goes into a window of its own.
        controller = frelt::FreltManager::shared()->viewControllerMain();
        controller->loadViewIfNeeded();
        sidebar = controller->sectionView.lock();
        window = std::make_shared<platform::Window>(platform::Rect(0, 0, 260, 700));
        auto scroll = std::make_shared<platform::ScrollView>(platform::Rect(0, 0, 260, 700));
        sidebar->tableColumns().front()->setWidth(240);
        sidebar->setFrame(platform::Rect(0, 0, 260, 700));
        scroll->setDocumentView(sidebar);
        window->contentView()->addSubview(scroll);
        kit::makeKey(window);
    }
    void TearDown() override {
        frelt::logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }

    static std::shared_ptr<frelt::Configuration> config() { return frelt::AppDelegate::shared()->config; }
    static std::shared_ptr<frelt::DataStorage> store() { return frelt::DataStorage::shared(); }

    // A small image under every name the sidebar asks for.
    static void registerImages() {
        auto images = platform::ImageRegistry::shared();
        std::vector<std::string> names = {"icon_allApplications", "icon_allFiles",          "icon_allFolders",
                                          "icon_url",             "icon_shortcuts",         "icon_recentApplications",
                                          "icon_openApplications", "icon_allFavorites",     frelt::TagManager::defaultFolder};
        for (const auto& name : frelt::TagManager::shared()->iconNames()) names.push_back(name);
        for (const auto& name : names) {
            auto image = std::make_shared<platform::Image>(platform::Size{16, 16});
            image->setName(name);
            images->registerImage(name, image);
        }
    }

    // --- entries (each added to the store)
    std::string makeFile(const std::string& name, const std::string& contents = "x") {
        const auto path = root() / "data" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << contents;
        return path.string();
    }
    frelt::TableViewItem::Ptr add(const frelt::TableViewItem::Ptr& entry, const Strings& tags = {}) {
        entry->setTags(tags);
        EXPECT_EQ(store()->addToAllData(entry), frelt::DataStorage::addResultAdded);
        return entry;
    }
    frelt::TableViewItem::Ptr addApplication(const std::string& name, const Strings& tags = {}) {
        const auto path =
            makeFile("apps/" + name + ".desktop", "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true\n");
        return add(frelt::TableViewItem::initForSpotlightApp(path, name), tags);
    }
    frelt::TableViewItem::Ptr addFile(const std::string& name, const Strings& tags = {}) {
        return add(frelt::TableViewItem::initForExternalNonSpotlightObject(makeFile(name)), tags);
    }
    frelt::TableViewItem::Ptr addFolder(const std::string& name, const Strings& tags = {}) {
        const auto path = root() / "data" / name;
        std::filesystem::create_directories(path);
        return add(frelt::TableViewItem::initForExternalNonSpotlightObject(path.string()), tags);
    }
    frelt::TableViewItem::Ptr addLink(const std::string& url, const Strings& tags = {}) {
        return add(frelt::TableViewItem::initForURL(url, url, ""), tags);
    }
    frelt::TableViewItem::Ptr addShortcut(const std::string& name) {
        return add(frelt::TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=" + name, name, ""));
    }
    // The store derives the visible tags from its entries.
    void rebuildStore() { store()->rebuildData(frelt::RebuildDataReason::datastorageInitialize); }

    // --- reading the outline
    // The shown rows, two spaces per level, a tag folder marked with "/".
    Strings rows() const {
        Strings out;
        for (long row = 0; row < sidebar->numberOfRows(); ++row) {
            const auto item = std::dynamic_pointer_cast<frelt::SourceListItem>(sidebar->itemAtRow(row));
            const bool folder = item->itemContentType() == frelt::SourceListItemContentType::tag && item->tag().empty();
            out.push_back(std::string(2 * static_cast<std::size_t>(sidebar->levelForRow(row)), ' ') + item->name() +
                          (folder ? "/" : ""));
        }
        return out;
    }
    // The whole tree, shown or not, each item as name=tag.
    Strings tree() const {
        Strings out;
        std::function<void(const frelt::SourceListItem::Ptr&, std::size_t)> walk = [&](const auto& item, std::size_t level) {
            out.push_back(std::string(2 * level, ' ') + item->name() + "=" + item->tag());
            for (const auto& child : item->children()) walk(child, level + 1);
        };
        for (const auto& root : *sidebar->outlineViewStructure->snapshot()) walk(root, 0);
        return out;
    }
    long rowNamed(const std::string& name) const {
        for (long row = 0; row < sidebar->numberOfRows(); ++row)
            if (std::dynamic_pointer_cast<frelt::SourceListItem>(sidebar->itemAtRow(row))->name() == name) return row;
        return -1;
    }
    frelt::SourceListItem::Ptr selectedItem() const {
        return std::dynamic_pointer_cast<frelt::SourceListItem>(sidebar->itemAtRow(sidebar->selectedRow()));
    }
    std::string selectedName() const {
        const auto item = selectedItem();
        return item ? item->name() : "";
    }
    // A click in the middle of a row, as the user makes it.
    void clickRow(long row, platform::ModifierFlags flags = 0) {
        const platform::Rect r = sidebar->rectOfRow(row);
        kit::click(window, sidebar->convertPointToWindow({r.midX(), r.midY()}), flags);
    }
    Strings shownEntries() const {
        return store()->currentData()->map([](const frelt::TableViewItem::Ptr& e) { return e->name(); });
    }

    std::shared_ptr<platform::RecordingWorkspace> workspace;
    std::shared_ptr<frelt::MainViewController> controller;
    std::shared_ptr<frelt::MainOutlineView> sidebar;
    std::shared_ptr<platform::Window> window;
};

}  // namespace sidebartest
