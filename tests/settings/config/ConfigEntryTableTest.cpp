#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ConfigWindowTestSupport.h"
#include "app/AppDelegate.h"
#include "drawing/controls/CustomTextField.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/Storyboard.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "store/StoreConstants.h"
#include "support/KitHarness.h"
#include "support/PostCounter.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class ConfigEntryTableTest : public ConfigWindowTest {
protected:
    std::string file(const std::string& name) {
        const auto folder = home() / "dropped";
        std::filesystem::create_directories(folder);
        std::ofstream(folder / name) << "x";
        return (folder / name).string();
    }
    static std::shared_ptr<platform::DraggingInfo> drag(const Strings& paths, const Strings& links = {}) {
        std::vector<std::shared_ptr<platform::PasteboardWriting>> writers;
        for (const auto& p : paths) writers.push_back(platform::pasteboardWriterForURL(platform::URL::fileURL(p)));
        for (const auto& l : links) writers.push_back(platform::pasteboardWriterForURL(*platform::URL::fromString(l)));
        auto pasteboard = platform::Pasteboard::withUniqueName();
        pasteboard->writeObjects(writers);
        return std::make_shared<platform::DraggingInfo>(pasteboard, platform::dragoperation::every);
    }
    // Validates and, when that answers copy, performs the drop on row 0.
    bool drop(const std::shared_ptr<platform::DraggingInfo>& info) {
        const auto answer = content->validateDrop(*table, info, 0, platform::TableViewDropOperation::above);
        if (answer == platform::dragoperation::none) return false;
        EXPECT_EQ(answer, platform::dragoperation::copy);
        EXPECT_EQ(table->dropRow(), -1) << "new entries go to the whole table";
        EXPECT_EQ(table->dropOperation(), platform::TableViewDropOperation::on);
        return content->acceptDrop(*table, info, table->dropRow(), table->dropOperation());
    }
    // The selection the table last announced.
    std::optional<platform::IndexSet> announcedSelection;
    platform::Subscription selectionObservation = platform::NotificationCenter::defaultCenter().observe(
        Notifications::configTableViewSelectionDidChange, nullptr, [this](const platform::Notification& n) {
            const auto* rows = n.objectAs<platform::IndexSet>();
            announcedSelection = rows ? std::optional<platform::IndexSet>(*rows) : std::nullopt;
        });
};

TEST_F(ConfigEntryTableTest, TheTableListsTheConfigurationListWithFourColumnsOfCells) {
    setEntries({link("Beta", "b"), link("Alpha", "a")});
    openWindow();
    EXPECT_EQ(listedNames(), (Strings{"Alpha", "Beta"}));
    ASSERT_EQ(table->numberOfRows(), 2);
    EXPECT_EQ(table->rectOfRow(1).height(), 40.0);
    EXPECT_TRUE(cellAt<TableViewCellConfigEntry>("column_Entry", 0));
    EXPECT_TRUE(cellAt<TableViewCellConfigTags>("column_Tags", 0));
    EXPECT_TRUE(cellAt<TableViewCellConfigHotkey>("column_Hotkey", 0));
    const auto comment = cellAt<TableViewCellConfigComment>("column_Comment", 1);
    ASSERT_TRUE(comment);
    EXPECT_EQ(comment->commentField.lock()->stringValue(), "b");
    EXPECT_EQ(controller->window()->title(), "Configuration");
    EXPECT_EQ(controller->window()->subtitle(), "Modify Data");
}

TEST_F(ConfigEntryTableTest, TwentyFourFilesAreAddedButTwentyFiveAreRefused) {
    setEntries({link("Kept")});
    openWindow();
    Strings many;
    for (int i = 0; i < 25; ++i) many.push_back(file("doc" + std::to_string(i) + ".txt"));
    EXPECT_FALSE(drop(drag(many)));
    EXPECT_EQ(listedNames().size(), 1u);

    many.resize(23);
    many.push_back((home() / "missing.txt").string());  // gone before the drop: skipped
    PostCounter added(Notifications::datastorageFilesystemObjectAddedOrModified);
    EXPECT_TRUE(drop(drag(many)));
    EXPECT_EQ(added.count, 1);
    EXPECT_EQ(store()->allData()->count(), 24u) << "the link and the 23 files that exist";
    EXPECT_EQ(table->numberOfRows(), 24);
}

TEST_F(ConfigEntryTableTest, AMissingFileIsSkippedButTheDropStillCounts) {
    setEntries({link("Kept")});
    openWindow();
    PostCounter added(Notifications::datastorageFilesystemObjectAddedOrModified);
    EXPECT_TRUE(drop(drag({(home() / "nothing-here.txt").string()})));
    EXPECT_EQ(added.count, 1);
    EXPECT_EQ(listedNames(), Strings{"Kept"});
}

TEST_F(ConfigEntryTableTest, OfSeveralDroppedLinksOnlyTheFirstIsAdded) {
    setEntries({link("Kept")});
    openWindow();
    PostCounter added(Notifications::datastorageURLAddedOrModified);
    EXPECT_TRUE(drop(drag({}, {"https://first.example/page", "https://second.example/"})));
    EXPECT_EQ(added.count, 1);
    ASSERT_EQ(store()->allData()->count(), 2u);
    EXPECT_TRUE(store()->entryWithPath("https://first.example/page"));
    // The same link again is a duplicate: the drop is refused.
    EXPECT_FALSE(drop(drag({}, {"https://first.example/page"})));
    EXPECT_FALSE(drop(drag({})));
}

TEST_F(ConfigEntryTableTest, ADoubleClickEditsOnlyLinksTheUserMade) {
    auto shortcut = TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=Go", "Go", "");
    setEntries({app("Atlas"), shortcut, link("Mine")});
    openWindow();
    for (const char* name : {"Atlas", "Go"}) {
        table->selectRowIndexes(platform::IndexSet::withIndex(rowOf(name)), false);
        content->tableViewDoubleClick();
        EXPECT_TRUE(content->presentedViewControllers().empty()) << name;
    }
    table->selectRowIndexes(platform::IndexSet::withIndex(rowOf("Mine")), false);
    content->tableViewDoubleClick();
    EXPECT_EQ(content->presentedViewControllers().size(), 1u);
}

// An entry's name and path are labels: a click on them selects the row, as
// anywhere else in it; the comment is edited once its row is selected.
TEST_F(ConfigEntryTableTest, AClickOnANameOrPathSelectsTheRowAndTheCommentEditsInTheSelectedRow) {
    const auto beta = link("Beta");
    setEntries({link("Alpha"), beta});
    openWindow();
    kit::makeKey(controller->window());
    for (const char* name : {"Alpha", "Beta"}) {
        const auto entry = cellAt<TableViewCellConfigEntry>("column_Entry", rowOf(name));
        for (const auto& label : {entry->displayname.lock(), entry->path.lock()}) {
            table->deselectAll();
            kit::clickView(label);
            EXPECT_EQ(table->selectedRow(), rowOf(name)) << name;
            EXPECT_EQ(controller->window()->firstResponder(), table) << name;
        }
    }
    const auto comment = cellAt<TableViewCellConfigComment>("column_Comment", rowOf("Beta"))->commentField.lock();
    kit::clickView(comment);
    ASSERT_TRUE(comment->currentEditor()) << "the row of the comment is selected";
    kit::typeText("later");
    kit::pressKey(platform::keycode::returnKey, "\r");
    EXPECT_EQ(beta->comment(), "later");
}

TEST_F(ConfigEntryTableTest, AChangedEntryReloadsItsRow) {
    auto beta = link("Beta");
    setEntries({link("Alpha"), beta});
    openWindow();
    const auto before = cellAt<TableViewCellConfigComment>("column_Comment", 1);
    beta->setComment("new words");
    const auto after = cellAt<TableViewCellConfigComment>("column_Comment", 1);
    EXPECT_EQ(after->commentField.lock()->stringValue(), "new words");
    EXPECT_EQ(cellAt<TableViewCellConfigComment>("column_Comment", 0)->commentField.lock()->stringValue(), "");
}

TEST_F(ConfigEntryTableTest, ClickingAHeaderTwiceFlipsTheOrderAndFiltersEachTime) {
    setEntries({link("Alpha", "zz"), link("Beta", "aa"), link("Gamma", "mm")});
    openWindow();
    const long commentColumn = table->columnWithIdentifier("column_Comment");
    table->clickColumnHeader(commentColumn);
    EXPECT_EQ(filter()->configTableViewSortingBy(), ConfigEnumSortingBy::comment);
    EXPECT_EQ(filter()->configTableViewSortingOrder(), ConfigEnumSortingOrder::ascending);
    EXPECT_EQ(listedNames(), (Strings{"Beta", "Gamma", "Alpha"}));
    table->clickColumnHeader(commentColumn);
    EXPECT_EQ(filter()->configTableViewSortingOrder(), ConfigEnumSortingOrder::descending);
    EXPECT_EQ(listedNames(), (Strings{"Alpha", "Gamma", "Beta"}));
    EXPECT_EQ(cellAt<TableViewCellConfigEntry>("column_Entry", 0)->displayname.lock()->stringValue(), "Alpha");
}

TEST_F(ConfigEntryTableTest, AReloadKeepsTheSelectedEntryWhereverItMoved) {
    auto alpha = link("Alpha"), beta = link("Beta");
    setEntries({alpha, beta});
    openWindow();
    table->selectRowIndexes(platform::IndexSet::withIndex(rowOf("Beta")), false);
    ASSERT_EQ(announcedSelection, platform::IndexSet::withIndex(1));
    // A new entry sorts before the selected one.
    store()->addToAllData(link("Aaron"));
    filter()->applyFilter();
    EXPECT_EQ(table->selectedRowIndexes(), platform::IndexSet::withIndex(2));
    EXPECT_EQ(announcedSelection, platform::IndexSet::withIndex(2));

    // When it is gone, the selection that is left is still announced.
    announcedSelection.reset();
    filter()->setConfigTableViewSearchString("alpha");
    EXPECT_EQ(announcedSelection, platform::IndexSet());
}

TEST_F(ConfigEntryTableTest, HotkeysArePausedWhileShownAndTheListIsSavedAndEmptiedOnClosing) {
    // As at launch: nothing is saved before the stored values were read.
    AppDelegate::shared()->config->loadConfig();
    setEntries({link("Alpha")});
    openWindow();
    EXPECT_TRUE(HotKeyManager::shared()->hotkeysPaused());
    EXPECT_FALSE(platform::UserDefaults::standard()->objectForKey("launchedBefore"));
    closeWindow();
    drain();
    EXPECT_FALSE(HotKeyManager::shared()->hotkeysPaused());
    EXPECT_TRUE(platform::UserDefaults::standard()->objectForKey("launchedBefore")) << "the configuration was saved";
    EXPECT_TRUE(listedNames().empty());
}

}  // namespace
