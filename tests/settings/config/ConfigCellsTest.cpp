#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ConfigWindowTestSupport.h"
#include "drawing/DrawnViews.h"
#include "drawing/controls/CustomTokenField.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/ImageView.h"
#include "platform/foundation/NotificationCenter.h"
#include "sources/icons/IconCache.h"
#include "store/StoreConstants.h"

using namespace frelt;
using platform::Color;
using platform::ControlStateValue;

namespace {

// The reasons of the changes the entries announce, in order.
class ChangeLog {
public:
    ChangeLog() {
        observation_ = platform::NotificationCenter::defaultCenter().observe(
            Notifications::tableViewItemChanged, nullptr, [this](const platform::Notification& n) {
                const auto* object = n.objectAs<std::shared_ptr<TableViewItemChangedNotifyObject>>();
                if (object && *object && (*object)->reason) reasons.push_back(rawValue(*(*object)->reason));
            });
    }
    std::vector<std::string> reasons;

private:
    platform::Subscription observation_;
};

class ConfigCellsTest : public ConfigWindowTest {};

TEST_F(ConfigCellsTest, FoundEntriesCanBeHiddenAndEntriesTheUserMadeRemoved) {
    setEntries({app("Atlas"), link("Bookmarks")});
    openWindow();
    struct Case {
        const char* name;
        bool checkboxShown;
        bool removeShown;
    };
    for (const Case& c : {Case{"Atlas", true, false}, Case{"Bookmarks", false, true}}) {
        SCOPED_TRACE(c.name);
        const auto cell = cellAt<TableViewCellConfigEntry>("column_Entry", rowOf(c.name));
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->displayname.lock()->stringValue(), c.name);
        EXPECT_EQ(!cell->visibleCheckbox.lock()->isHidden(), c.checkboxShown);
        EXPECT_EQ(!cell->removeButton.lock()->isHidden(), c.removeShown);
        EXPECT_EQ(cell->visibleCheckbox.lock()->state(), ControlStateValue::on);
    }
}

TEST_F(ConfigCellsTest, AFileTheUserAddedThatIsGoneShowsTheUnknownIcon) {
    const auto path = home() / "gone.txt";
    std::ofstream(path) << "x";
    const auto file = TableViewItem::initForExternalNonSpotlightObject(path.string());
    setEntries({file, link("Kept")});
    openWindow();
    std::filesystem::remove(path);
    // The reachability answer is kept for a few seconds.
    advance(10);
    auto cell = cellAt<TableViewCellConfigEntry>("column_Entry", rowOf(file->name()));
    ASSERT_TRUE(cell);
    cell->setTableViewItem(file);
    EXPECT_EQ(cell->image.lock()->image(), IconCache::shared()->customIconUnkownObject());
}

TEST_F(ConfigCellsTest, TheColourIndicatorShowsTheEntrysColourOrTheControlBackground) {
    auto red = link("Red"), none = link("None"), clear = link("Clear");
    red->setColor(Color::sRGB(1, 0, 0));
    clear->setColor(Color::clear());
    setEntries({red, none, clear});
    openWindow();
    const Color background = Color::named("System", "controlBackgroundColor", Color::white());
    for (const auto& [name, expected] : std::vector<std::pair<std::string, Color>>{
             {"Red", Color::sRGB(1, 0, 0)}, {"None", background}, {"Clear", background}}) {
        SCOPED_TRACE(name);
        const auto box = cellAt<TableViewCellConfigEntry>("column_Entry", rowOf(name))->colorIndicator.lock();
        EXPECT_FALSE(box->isTransparent());
        EXPECT_EQ(box->fillColor(), expected);
    }
}

TEST_F(ConfigCellsTest, UncheckingVisibilityClearsTheHotkeyAndTheRowShowsAnEmptyRecorder) {
    auto atlas = app("Atlas");
    atlas->setHotkey(KeyCombo::make(Key::u, platform::modifierflags::command | platform::modifierflags::option));
    setEntries({atlas});
    openWindow();
    ChangeLog changes;
    const auto entryCell = cellAt<TableViewCellConfigEntry>("column_Entry", 0);
    entryCell->visibleCheckbox.lock()->setState(ControlStateValue::off);
    entryCell->visibleCheckboxClick();
    EXPECT_FALSE(atlas->isVisible());
    EXPECT_FALSE(atlas->hotkey());
    EXPECT_EQ(changes.reasons, (std::vector<std::string>{"visibilityChanged", "hotkeyChanged"}));
    EXPECT_FALSE(cellAt<TableViewCellConfigHotkey>("column_Hotkey", 0)->hotkey.lock()->keyCombo());
}

TEST_F(ConfigCellsTest, RemovingAnEntryTakesItsRowAway) {
    setEntries({link("Alpha"), link("Beta")});
    openWindow();
    cellAt<TableViewCellConfigEntry>("column_Entry", rowOf("Alpha"))->removeButtonClick();
    EXPECT_EQ(listedNames(), std::vector<std::string>{"Beta"});
    EXPECT_EQ(table->numberOfRows(), 1);
    ASSERT_EQ(store()->trashData().size(), 1u);
}

TEST_F(ConfigCellsTest, EditedTokensBecomeTagsWithoutBlankOnesAndAsTyped) {
    struct Case {
        std::vector<std::string> typed;
        std::vector<std::string> stored;
    };
    const std::vector<Case> cases = {
        {{"a", "", "b"}, {"a", "b"}},
        {{"a", "   ", "\t"}, {"a"}},
        {{" a ", "b"}, {" a ", "b"}},
    };
    auto entry = link("Entry");
    setEntries({entry});
    openWindow();
    for (const auto& c : cases) {
        entry->setTags({"old"});
        const auto cell = cellAt<TableViewCellConfigTags>("column_Tags", 0);
        cell->tokenField.lock()->setObjectValue(tokenFieldValue(c.typed));
        cell->tokenFieldDidEndEditing();
        EXPECT_EQ(entry->tags(), c.stored);
    }
}

TEST_F(ConfigCellsTest, TheSameTagsAgainOrAValueThatIsNoListStoreNothing) {
    auto entry = link("Entry");
    entry->setTags({"b", "a"});
    setEntries({entry});
    openWindow();
    ChangeLog changes;
    const auto cell = cellAt<TableViewCellConfigTags>("column_Tags", 0);
    cell->tokenField.lock()->setObjectValue(tokenFieldValue({"b", "a"}));
    cell->tokenFieldDidEndEditing();
    cell->tokenField.lock()->setObjectValue(platform::Value(std::string("a,b,c")));
    cell->tokenFieldDidEndEditing();
    EXPECT_EQ(entry->tags(), (std::vector<std::string>{"b", "a"}));
    EXPECT_TRUE(changes.reasons.empty());
}

TEST_F(ConfigCellsTest, TheStarClickedTwiceAnnouncesTwiceAndLeavesTheMark) {
    auto entry = link("Entry");
    setEntries({entry});
    openWindow();
    ChangeLog changes;
    auto cell = cellAt<TableViewCellConfigTags>("column_Tags", 0);
    cell->checkboxFavoriteClick();
    EXPECT_TRUE(entry->isFavorite());
    // The change reloads the row: the next click goes to the cell shown now.
    cell = cellAt<TableViewCellConfigTags>("column_Tags", 0);
    EXPECT_TRUE(cell->checkboxFavorite.lock()->isChecked);
    cell->checkboxFavoriteClick();
    EXPECT_FALSE(entry->isFavorite());
    EXPECT_EQ(changes.reasons, (std::vector<std::string>{"favoriteChanged", "favoriteChanged"}));
}

TEST_F(ConfigCellsTest, ACombinationInUseIsRefusedAndClearingRemovesTheHotkey) {
    auto entry = link("Entry");
    const auto mine = KeyCombo::make(Key::j, platform::modifierflags::command | platform::modifierflags::option);
    entry->setHotkey(mine);
    setEntries({entry});
    const auto used = KeyCombo::make(Key::u, platform::modifierflags::command | platform::modifierflags::option);
    auto other = HotKey::make("other", used, HotKey::ActionQueue::main, nullptr);
    ASSERT_TRUE(other->registerHotKey());
    openWindow();
    const auto cell = cellAt<TableViewCellConfigHotkey>("column_Hotkey", 0);
    const auto recorder = cell->hotkey.lock();
    EXPECT_EQ(recorder->keyCombo(), mine);
    EXPECT_EQ(recorder->delegate(), cell) << "the recorder is styled with the cell as delegate";
    EXPECT_FALSE(cell->recordViewCanRecordKeyCombo(*recorder, used));
    const auto free = KeyCombo::make(Key::k, platform::modifierflags::command | platform::modifierflags::option);
    EXPECT_TRUE(cell->recordViewCanRecordKeyCombo(*recorder, free));
    cell->recordViewDidChangeKeyCombo(*recorder, free);
    EXPECT_EQ(entry->hotkey(), free);

    ChangeLog changes;
    cellAt<TableViewCellConfigHotkey>("column_Hotkey", 0)->hotkey.lock()->clear();
    EXPECT_FALSE(entry->hotkey());
    EXPECT_EQ(changes.reasons, std::vector<std::string>{"hotkeyChanged"});
    other->unregisterHotKey();
}

TEST_F(ConfigCellsTest, ControlsOfACellWhoseEntryIsGoneDoNothing) {
    auto cell = std::make_shared<TableViewCellConfigTags>();
    auto star = std::make_shared<DrawnCheckBoxFavorite>();
    cell->checkboxFavorite = star;
    {
        auto entry = link("Short-lived");
        cell->setTableViewItem(entry);
    }
    cell->tokenFieldDidEndEditing();
    cell->checkboxFavoriteClick();
    EXPECT_TRUE(star->isChecked) << "only the star itself flips";
    auto entryCell = std::make_shared<TableViewCellConfigEntry>();
    entryCell->removeButtonClick();
    entryCell->colorButtonClick();
    entryCell->visibleCheckboxClick();
}

}  // namespace
