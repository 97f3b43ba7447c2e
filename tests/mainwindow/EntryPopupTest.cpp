#include <gtest/gtest.h>

#include <fstream>

#include "MainWindowTestSupport.h"
#include "drawing/controls/CustomTokenField.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/HotKeyManager.h"
#include "hotkeys/KeyCombo.h"
#include "mainwindow/TableViewPopup.h"
#include "platform/appkit/Popover.h"
#include "store/StoreConstants.h"

using namespace frelt;

namespace {

class EntryPopupTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        colorChanges_ = platform::NotificationCenter::defaultCenter().observe(
            Notifications::tableViewItemChanged, nullptr, [this](const platform::Notification& n) {
                const auto* object = n.objectAs<std::shared_ptr<TableViewItemChangedNotifyObject>>();
                if (object && (*object)->reason == TableViewItemChangeReason::colorChanged) ++colorChanges;
            });
    }
    std::shared_ptr<TableViewPopupViewController> popup() { return table()->popupMenu->tableViewPopupViewController(); }
    std::shared_ptr<platform::Popover> popover() { return table()->popupMenu->tableViewPopover; }
    // Opens the popup for `entry` as a right click on its row would.
    void open(const TableViewItem::Ptr& entry) {
        auto controller = popup();
        controller->item = entry;
        controller->index = 0;
        popover()->showRelativeToRect(table()->bounds(), table(), platform::RectEdge::minX);
    }
    std::string makeFile(const std::string& name) {
        const auto path = (home() / name).string();
        std::ofstream(path) << "x";
        return path;
    }
    int colorChanges = 0;
    platform::Subscription colorChanges_;
};

TEST_F(EntryPopupTest, ButtonsAreEnabledByTheEntrysSourceAndKind) {
    const auto spotlightApp = TableViewItem::initForSpotlightApp(makeFile("app.desktop"), "App");
    const auto userLink = link("Link");
    const auto userFile = TableViewItem::initForExternalNonSpotlightObject(makeFile("notes.txt"));
    const auto goneFile = TableViewItem::initForExternalNonSpotlightObject(makeFile("gone.txt"));
    std::filesystem::remove(goneFile->path());
    advance(TableViewItem::reachableCacheSeconds + 1);  // past the remembered answer
    const auto shortcut = TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=Backup", "Backup", "");
    setEntries({userLink});
    showMainWindow();

    struct Case {
        const char* what;
        TableViewItem::Ptr entry;
        bool hide, showInFiles, remove, modifyURL;
    };
    const std::vector<Case> cases{
        {"application found by the search", spotlightApp, true, true, false, false},
        {"link added by the user", userLink, false, false, true, true},
        {"file added by the user", userFile, false, true, true, false},
        {"file added by the user, since deleted", goneFile, false, false, true, false},
        {"shortcut", shortcut, true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.entry);
        ASSERT_TRUE(popover()->isShown());
        EXPECT_EQ(popup()->btnHide.lock()->isEnabled(), c.hide);
        EXPECT_EQ(popup()->btnShowInFinder.lock()->isEnabled(), c.showInFiles);
        EXPECT_EQ(popup()->btnDelete.lock()->isEnabled(), c.remove);
        EXPECT_EQ(popup()->btnModifyURL.lock()->isEnabled(), c.modifyURL);
        EXPECT_EQ(popup()->appName.lock()->stringValue(), c.entry->name());
        popover()->close();
    }
}

TEST_F(EntryPopupTest, HotkeysArePausedWhileItIsShownForAnEntry) {
    auto entry = link("Alpha");
    setEntries({entry});
    showMainWindow();
    const auto manager = HotKeyManager::shared();
    open(entry);
    EXPECT_TRUE(manager->hotkeysPaused());
    popover()->close();
    EXPECT_FALSE(manager->hotkeysPaused());

    // Without an entry it fills nothing and pauses nothing.
    open(nullptr);
    EXPECT_FALSE(manager->hotkeysPaused());
}

TEST_F(EntryPopupTest, LookChangesRedrawAndStayOpenListChangesRebuildAndClose) {
    auto entry = link("Alpha");
    setEntries({entry, link("Beta")});
    showMainWindow();
    open(entry);
    auto preview = popup()->backgroundPreview.lock();
    EXPECT_TRUE(preview->isHidden());

    // A colour circle: the entry takes its colour, the row shows it.
    auto circle = popup()->colorCircles[0].lock();
    popup()->colorCircleSelected(circle, *circle->color());
    EXPECT_EQ(entry->color(), circle->color());
    EXPECT_FALSE(preview->isHidden());
    EXPECT_TRUE(popover()->isShown());
    EXPECT_EQ(rowView(0)->backgroundView()->color(), circle->color());

    // Clearing hides the preview and keeps the popover; clearing again changes nothing.
    popup()->performAction("btnClearColorClick:", nullptr);
    EXPECT_TRUE(preview->isHidden());
    EXPECT_TRUE(popover()->isShown());
    const int changes = colorChanges;
    popup()->performAction("btnClearColorClick:", nullptr);
    EXPECT_EQ(colorChanges, changes);

    // Tags of blanks only are no change.
    auto tags = popup()->tags.lock();
    tags->setObjectValue(platform::Value(std::vector<std::string>{"  "}));
    popup()->tagsDidEndEditing();
    EXPECT_TRUE(entry->tags().empty());
    EXPECT_TRUE(popover()->isShown());

    // A real tag rebuilds the store's data and closes the popover.
    tags->setObjectValue(platform::Value(std::vector<std::string>{"Work", " "}));
    popup()->tagsDidEndEditing();
    EXPECT_EQ(entry->tags(), std::vector<std::string>{"Work"});
    EXPECT_FALSE(popover()->isShown());
    EXPECT_TRUE(popup()->needsRebuild);

    // The favourite mark too: one toggle closes it, so there is no second.
    open(entry);
    popup()->performAction("checkboxFavoriteClick:", nullptr);
    EXPECT_TRUE(entry->isFavorite());
    EXPECT_FALSE(popover()->isShown());
}

TEST_F(EntryPopupTest, TheRecorderRefusesCombinationsInUseAndHidingDropsTheHotkey) {
    auto app = TableViewItem::initForSpotlightApp(makeFile("app.desktop"), "App");
    setEntries({app});
    showMainWindow();
    const auto used = KeyCombo::make(Key::u, platform::modifierflags::command | platform::modifierflags::option);
    auto registered = HotKey::make("test", used, HotKey::ActionQueue::main, nullptr);
    ASSERT_TRUE(registered->registerHotKey());
    open(app);
    auto recorder = popup()->hotkey.lock();
    const auto same = KeyCombo::make(Key::u, platform::modifierflags::command | platform::modifierflags::option);
    EXPECT_FALSE(popup()->recordViewCanRecordKeyCombo(*recorder, same));
    const auto free = KeyCombo::make(Key::j, platform::modifierflags::command | platform::modifierflags::option);
    ASSERT_TRUE(popup()->recordViewCanRecordKeyCombo(*recorder, free));
    popup()->recordViewDidChangeKeyCombo(*recorder, free);
    EXPECT_EQ(app->hotkey(), free);
    registered->unregisterHotKey();

    popup()->performAction("btnHideClick:", nullptr);
    EXPECT_FALSE(app->isVisible());
    EXPECT_EQ(app->hotkey(), nullptr) << "a hidden entry has no hotkey";
    EXPECT_FALSE(popover()->isShown());
}

}  // namespace
