#include <algorithm>
#include <string>
#include <vector>

#include "TableViewItemTestSupport.h"
#include "hotkeys/KeyCombo.h"
#include "store/DataStorage.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class EntryEditsTest : public EntryTest {
protected:
    std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    TableViewItem::Ptr link(const std::string& url, const std::string& name = "Link") {
        return TableViewItem::initForURL(url, name, "");
    }
    std::vector<TableViewItem::Ptr> all() { return store()->allData()->toVector(); }
    // An entry put into the store and removed again: the trash holds it.
    TableViewItem::Ptr trashedLink(const std::string& url) {
        auto entry = link(url);
        store()->addToAllData(entry);
        store()->removeFromAllData(entry->path(), false);
        return entry;
    }
};

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), ::toupper);
    return s;
}

}  // namespace

TEST_F(EntryEditsTest, AddingChecksForTheSamePathIgnoringCase) {
    auto a = link("https://example.org/a");
    EXPECT_EQ(store()->addToAllData(a), DataStorage::addResultAdded);
    EXPECT_TRUE(logs().contains("Add to allData: https://example.org/a"));
    EXPECT_EQ(store()->addToAllData(link("HTTPS://EXAMPLE.ORG/A")), DataStorage::addResultDuplicate);
    EXPECT_TRUE(logs().contains(
        "Unable to add to allData because en Entry with the same path already exisis: HTTPS://EXAMPLE.ORG/A"));
    // Entries without a path skip the test.
    EXPECT_EQ(store()->addToAllData(link("")), DataStorage::addResultAdded);
    EXPECT_EQ(store()->addToAllData(link("")), DataStorage::addResultAdded);
    EXPECT_EQ(all().size(), 3u);
}

TEST_F(EntryEditsTest, MovingToTheTrashClearsTheHotkeyOnce) {
    auto keyed = link("https://example.org/keyed");
    keyed->setHotkey(KeyCombo::make(Key::k, platform::modifierflags::command));
    keyed->setIsFoundBySpotlight(true);
    auto plain = link("https://example.org/plain");
    store()->addToAllData(keyed);
    store()->addToAllData(plain);
    ChangeRecorder changes;

    EXPECT_TRUE(store()->moveToTrash(upper(keyed->path())));
    EXPECT_EQ(changes.reasons(), Strings{"hotkeyChanged"});
    EXPECT_FALSE(keyed->hotkey());
    EXPECT_FALSE(keyed->isFoundBySpotlight());
    EXPECT_TRUE(store()->moveToTrash(plain->path()));
    EXPECT_EQ(changes.posts.size(), 1u);  // an entry without a hotkey posts nothing
    EXPECT_TRUE(all().empty());
    EXPECT_EQ(store()->trashData(), (std::vector<TableViewItem::Ptr>{keyed, plain}));
    EXPECT_TRUE(logs().contains("Remove from allData to temporary trash: https://example.org/plain"));

    EXPECT_FALSE(store()->moveToTrash(""));
    EXPECT_FALSE(store()->removeFromAllData("https://example.org/none", false));
    EXPECT_TRUE(logs().contains("Unable to remove from allData - Entry not found! : https://example.org/none"));
}

TEST_F(EntryEditsTest, RemovingWhenTheTrashHoldsThePathDropsTheEntry) {
    auto old = trashedLink("https://example.org/a");
    auto again = link("https://example.org/a");
    again->setHotkey(KeyCombo::make(Key::k, platform::modifierflags::command));
    store()->addToAllData(again);
    logs().clear();

    EXPECT_TRUE(store()->moveToTrash(again->path()));
    EXPECT_TRUE(logs().contains("Moved entry into trash: https://example.org/a"));
    EXPECT_TRUE(all().empty());
    EXPECT_EQ(store()->trashData(), std::vector<TableViewItem::Ptr>{old});
    EXPECT_TRUE(again->hotkey());  // not touched
}

TEST_F(EntryEditsTest, RemovingManyPathsAtOnceActsAsRemovalsOneByOne) {
    auto oldC = trashedLink("https://example.org/c");
    auto a = link("https://example.org/a");
    a->setHotkey(KeyCombo::make(Key::k, platform::modifierflags::command));
    auto b1 = link("https://example.org/b"), b2 = link("https://example.org/b"), c = link("https://example.org/c");
    b2->setHotkey(KeyCombo::make(Key::j, platform::modifierflags::command));
    auto kept = link("https://example.org/kept");
    // Two entries of one path, as an old settings file may hold them.
    store()->allData()->appendContentsOf({a, b1, kept, b2, c});
    logs().clear();

    const Strings paths{upper(a->path()), b1->path(), "", "https://example.org/none", b1->path(), c->path()};
    EXPECT_EQ(store()->removeFromAllData(paths, true), 4u);
    EXPECT_EQ(all(), std::vector<TableViewItem::Ptr>{kept});
    // A path the trash holds already leaves the trash as it is, and the
    // entry that goes is not touched.
    EXPECT_EQ(store()->trashData(), (std::vector<TableViewItem::Ptr>{oldC, a, b1}));
    EXPECT_FALSE(a->hotkey());
    EXPECT_TRUE(b2->hotkey());
    EXPECT_TRUE(logs().contains("Unable to remove from allData - Entry not found! : https://example.org/none"));
    EXPECT_TRUE(logs().contains("Moved entry into trash: https://example.org/c"));

    // Found through the trash's index, as after a removal one by one.
    EXPECT_EQ(store()->restoreFromTrash(b1->path()), b1);
    EXPECT_EQ(store()->entryWithPath(b1->path()), b1);
    EXPECT_EQ(store()->removeFromAllData(Strings{b1->path(), kept->path()}, false), 2u);
    EXPECT_TRUE(all().empty());
    EXPECT_EQ(store()->trashData(), (std::vector<TableViewItem::Ptr>{oldC, a, b1, kept}));
}

TEST_F(EntryEditsTest, RestoringBringsBackTheSameEntry) {
    auto a = link("https://example.org/a");
    a->setTags({"Work"});
    store()->addToAllData(a);
    store()->removeFromAllData(a->path(), false);

    EXPECT_FALSE(store()->restoreFromTrash("https://example.org/none"));
    EXPECT_FALSE(logs().contains("Restored entry from trash: https://example.org/none"));
    EXPECT_EQ(store()->restoreFromTrash(upper(a->path())), a);
    EXPECT_EQ(all(), std::vector<TableViewItem::Ptr>{a});
    EXPECT_TRUE(store()->trashData().empty());
    EXPECT_EQ(a->tags(), Strings{"Work"});

    // With the path already back in the store, the trash copy is dropped.
    store()->removeFromAllData(a->path(), false);
    auto replacement = link("https://example.org/a");
    store()->addToAllData(replacement);
    EXPECT_FALSE(store()->restoreFromTrash(a->path()));
    EXPECT_TRUE(store()->trashData().empty());
    EXPECT_EQ(all(), std::vector<TableViewItem::Ptr>{replacement});
    EXPECT_TRUE(logs().contains("Restored entry from trash: https://example.org/a"));
}

TEST_F(EntryEditsTest, SettingAndAppendingTags) {
    auto a = link("https://example.org/a");
    a->setTags({"Old"});
    store()->addToAllData(a);
    ChangeRecorder changes;

    EXPECT_TRUE(store()->setTag(upper(a->path()), "Work"));
    EXPECT_EQ(a->tags(), Strings{"Work"});
    EXPECT_EQ(changes.reasons(), (Strings{"tagChanged", "tagChanged"}));
    EXPECT_FALSE(store()->setTag("https://example.org/none", "Work"));
    EXPECT_FALSE(logs().contains("Set Tag: https://example.org/none"));
    EXPECT_FALSE(store()->setTag(a->path(), ""));

    changes.posts.clear();
    EXPECT_FALSE(store()->appendTag(a->path(), "Work"));
    EXPECT_TRUE(changes.posts.empty());
    EXPECT_TRUE(store()->appendTag(a->path(), "work"));  // exact comparison
    EXPECT_EQ(a->tags(), (Strings{"Work", "work"}));
    EXPECT_EQ(changes.reasons(), Strings{"tagChanged"});
    EXPECT_FALSE(store()->appendTag("https://example.org/none", "x"));
    EXPECT_TRUE(logs().contains("append Tag failed - Entry not found! : https://example.org/none"));

    // A name the entry holds in the other Unicode form is the same name.
    a->setTags({"caf\u00e9"});
    EXPECT_FALSE(store()->appendTag(a->path(), "cafe\u0301"));
    EXPECT_EQ(a->tags(), Strings{"caf\u00e9"});
}

TEST_F(EntryEditsTest, PathsInEitherUnicodeFormAreOnePath) {
    auto composed = link("/home/u/Caf\u00e9.txt");
    EXPECT_EQ(store()->addToAllData(composed), DataStorage::addResultAdded);
    EXPECT_EQ(store()->addToAllData(link("/home/u/CAFE\u0301.txt")), DataStorage::addResultDuplicate);
    EXPECT_EQ(store()->entryWithPath("/home/u/cafe\u0301.TXT"), composed);
}

// Adding entries one by one answers every duplicate check from the path
// index, which follows the store's own appends and removals and any other
// change of the list or of an entry's path.
TEST_F(EntryEditsTest, ThePathIndexFollowsEveryChangeOfTheList) {
    std::vector<TableViewItem::Ptr> added;
    for (int i = 0; i < 50; ++i) {
        added.push_back(link("https://example.org/" + std::to_string(i)));
        ASSERT_EQ(store()->addToAllData(added.back()), DataStorage::addResultAdded);
        ASSERT_EQ(store()->entryWithPath(added.front()->path()), added.front());
    }
    EXPECT_EQ(store()->addToAllData(link("https://example.org/49")), DataStorage::addResultDuplicate);

    EXPECT_TRUE(store()->moveToTrash("https://example.org/7"));
    EXPECT_FALSE(store()->entryWithPath("https://example.org/7"));
    EXPECT_EQ(store()->entryWithPath("https://example.org/8"), added[8]);

    // Changes made past the store's own operations.
    store()->allData()->removeAll();
    EXPECT_FALSE(store()->entryWithPath("https://example.org/8"));
    auto outside = link("https://example.org/outside");
    store()->allData()->append(outside);
    EXPECT_EQ(store()->entryWithPath("https://example.org/outside"), outside);
    outside->setPath("https://example.org/moved");
    EXPECT_FALSE(store()->entryWithPath("https://example.org/outside"));
    EXPECT_EQ(store()->entryWithPath("https://example.org/moved"), outside);

    // Two entries of one path: the first in the list is the one found.
    auto twin = link("https://example.org/moved");
    store()->allData()->insert(twin, 0);
    EXPECT_EQ(store()->entryWithPath("https://example.org/moved"), twin);
}
