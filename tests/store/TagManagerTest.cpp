#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hotkeys/KeyCombo.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/graphics/Color.h"
#include "store/IconTag.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"
#include "store/TableViewItem.h"
#include "store/TagManager.h"
#include "support/FreltTest.h"

using namespace frelt;

namespace {

// The registry's four notifications and "iconTagChanged", in the order
// posted; iconTagChanged shows as "iconTagChanged name:reason".
class Recorder {
public:
    Recorder() {
        auto& center = platform::NotificationCenter::defaultCenter();
        for (const char* name : {Notifications::validateTagHotkeyNeeded, Notifications::visibleTagsRebuildNeeded,
                                 Notifications::visibleTagsUseCounterChanged, Notifications::visibleTagsRedrawNeeded}) {
            observations_.push_back(
                center.observe(name, nullptr, [this](const platform::Notification& n) { posted.push_back(n.name); }));
        }
        observations_.push_back(center.observe(
            Notifications::iconTagChanged, nullptr, [this](const platform::Notification& n) {
                const auto* object = n.objectAs<std::shared_ptr<IconTagChangedNotifyObject>>();
                if (object && *object && (*object)->reason) {
                    tagChanges.push_back((*object)->tagName + ":" + rawValue(*(*object)->reason));
                }
            }));
    }
    std::vector<std::string> posted;
    std::vector<std::string> tagChanges;

private:
    std::vector<platform::Subscription> observations_;
};

KeyCombo::Ptr tagCombo(Key key) { return KeyCombo::make(key, modifierflags::command); }

std::vector<std::string> names(const std::shared_ptr<TagManager::TagArray>& tags) {
    return tags->map([](const iconTag::Ptr& t) { return t->tagName(); });
}

}  // namespace

class TagManagerTest : public FreltTest {
protected:
    void TearDown() override {
        logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }

public:

    std::shared_ptr<TagManager> registry() { return TagManager::shared(); }

    // A registered tag with the derived fields a validation would give it.
    iconTag::Ptr addTag(const std::string& name, bool visible, std::int64_t counter = 1) {
        auto tag = iconTag::initWithNewName(name, TagManager::defaultTag);
        tag->setTagUsed(true);
        tag->setTagVisible(visible);
        tag->setTagUseCounter(visible ? counter : 0);
        registry()->allAvailableTags()->append(tag);
        return tag;
    }
    iconTag::Ptr tag(const std::string& name) { return registry()->tagWithName(name); }

    // The tag recount of the data store's validation, for entries it keeps.
    void recount(const std::vector<TableViewItem::Ptr>& entries) {
        registry()->resetTagUsage();
        for (const auto& entry : entries) {
            const bool reachable = entry->isReachable();
            registry()->markTagsUsed(entry->tags());
            if (reachable && entry->isVisible()) registry()->markTagsVisible(entry->tags());
        }
    }

    // What the data store does at the end of a rebuild.
    void rebuildFinished() {
        platform::NotificationCenter::defaultCenter().post(Notifications::dataStorageRebuildIsFinished);
    }
};

TEST_F(TagManagerTest, HoldsTheIconNames) {
    const auto& icons = registry()->iconNames();
    ASSERT_EQ(icons.size(), 143u);
    EXPECT_EQ(icons.front(), "icon_tags");
    EXPECT_EQ(icons.front(), TagManager::defaultTag);
    EXPECT_EQ(icons[1], "icon_container");
    EXPECT_EQ(icons[49], "icon_app-window-download");
    EXPECT_EQ(icons.back(), "icon_ai_brain");
    EXPECT_EQ(std::count(icons.begin(), icons.end(), "icon_folder"), 0) << "the folder image is no tag symbol";
    EXPECT_EQ(std::string(TagManager::defaultFolder), "icon_folder");
}

// A count remembers which tag each held name found, for that count only: a
// tag that went away before the next count is made afresh by it, and every
// entry holding a name counts, the first and the repeated ones alike.
TEST_F(TagManagerTest, EachCountFindsItsTagsAfresh) {
    std::vector<TableViewItem::Ptr> entries;
    for (const char* url : {"https://a.example", "https://b.example"}) {
        auto entry = TableViewItem::initForURL(url, url, "");
        entry->setTags({"Work", "Group|Work"});
        entries.push_back(entry);
    }
    recount(entries);
    registry()->finishTagCount();
    const auto first = tag("Work");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->tagUseCounter(), 2);

    registry()->allAvailableTags()->removeAll();
    recount(entries);
    registry()->finishTagCount();
    const auto again = tag("Work");
    ASSERT_TRUE(again);
    EXPECT_NE(again, first);
    EXPECT_TRUE(again->tagUsed());
    EXPECT_EQ(again->tagUseCounter(), 2);
    ASSERT_TRUE(tag("Group|Work"));
    EXPECT_EQ(tag("Group|Work")->tagUseCounter(), 2);
}

TEST_F(TagManagerTest, VisibleTagsComeFromVisibleReachableEntries) {
    const auto home = iconTag::initWithNewName("Home", "icon_folder_home");
    home->setTagVisible(true);  // visible after some earlier rebuild
    registry()->allAvailableTags()->append(home);
    registry()->allAvailableTags()->append(iconTag::initWithNewName("Unused", "icon_code"));

    const auto mail = TableViewItem::initForURL("https://mail.example", "Mail", "");
    mail->setTags({"Work", "Zeta", "Work"});
    const auto docs = TableViewItem::initForURL("https://docs.example", "Docs", "");
    docs->setTags({"alpha", " Work | Docs "});
    const auto hidden = TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=Hidden", "Hidden", "");
    hidden->setTags({"Home", "Secret"});
    hidden->setIsVisible(false);
    ASSERT_FALSE(hidden->isVisible());
    const auto gone = TableViewItem::initForExternalNonSpotlightObject((root() / "missing.txt").string());
    gone->setTags({"Gone"});

    Recorder recorder;
    recount({mail, docs, hidden, gone});
    rebuildFinished();

    // Upper case sorts first; names with blanks count as used under their
    // normalised form but reach no tag as visible.
    EXPECT_EQ(names(registry()->allVisibleTags()), (std::vector<std::string>{"Work", "Zeta", "alpha"}));
    EXPECT_EQ(names(registry()->allAvailableTags()),
              (std::vector<std::string>{"Home", "Unused", "Work", "Zeta", "alpha", "Work|Docs", "Secret", "Gone"}));
    EXPECT_EQ(tag("Work")->tagUseCounter(), 2) << "an entry naming a tag twice counts twice";
    EXPECT_EQ(tag("Work")->tagSymbol(), "icon_tags");
    EXPECT_TRUE(tag("Work|Docs")->tagUsed());
    EXPECT_FALSE(tag("Work|Docs")->tagVisible());
    EXPECT_TRUE(tag("Home")->tagUsed());
    EXPECT_FALSE(tag("Home")->tagVisible());
    EXPECT_TRUE(tag("Gone")->tagUsed());
    EXPECT_FALSE(tag("Gone")->tagVisible());
    EXPECT_FALSE(tag("Unused")->tagUsed());

    EXPECT_EQ(recorder.tagChanges, (std::vector<std::string>{"Home:visibilityChanged", "Work:visibilityChanged",
                                                             "Zeta:visibilityChanged", "alpha:visibilityChanged"}));
    EXPECT_EQ(recorder.posted, (std::vector<std::string>{Notifications::visibleTagsRebuildNeeded}));

    // The same data again: every visible tag is hidden and shown once more,
    // and the registry finds nothing to report.
    recorder.tagChanges.clear();
    recorder.posted.clear();
    recount({mail, docs, hidden, gone});
    rebuildFinished();
    EXPECT_EQ(recorder.tagChanges,
              (std::vector<std::string>{"Work:visibilityChanged", "Zeta:visibilityChanged", "alpha:visibilityChanged",
                                        "Work:visibilityChanged", "Zeta:visibilityChanged", "alpha:visibilityChanged"}));
    EXPECT_TRUE(recorder.posted.empty());
}

TEST_F(TagManagerTest, ComparesWithTheBackupAndPostsInOrder) {
    using Setup = std::function<void(TagManagerTest&)>;
    struct Case {
        std::string what;
        Setup before;  // the registry at the first rebuild
        Setup change;  // what differs at the second rebuild
        std::vector<std::string> expected;
    };
    const std::string rebuild = Notifications::visibleTagsRebuildNeeded;
    const std::string redraw = Notifications::visibleTagsRedrawNeeded;
    const std::string counter = Notifications::visibleTagsUseCounterChanged;
    const std::string hotkey = Notifications::validateTagHotkeyNeeded;
    const Setup twoVisible = [](TagManagerTest& t) {
        t.addTag("a", true);
        t.addTag("b", true);
    };
    const Setup nothing = [](TagManagerTest&) {};

    const std::vector<Case> cases = {
        {"no change", twoVisible, nothing, {}},
        {"another colour", twoVisible, [](TagManagerTest& t) { t.tag("a")->setColor(platform::Color::white()); },
         {redraw}},
        {"colour removed", [](TagManagerTest& t) { t.addTag("a", true)->setColor(platform::Color::white()); },
         [](TagManagerTest& t) { t.tag("a")->setColor(std::nullopt); }, {redraw}},
        {"one more entry", twoVisible, [](TagManagerTest& t) { t.tag("b")->setTagUseCounter(2); }, {counter, redraw}},
        {"launch-all hotkey set", twoVisible,
         [](TagManagerTest& t) { t.tag("a")->setHotkeyLaunchAll(tagCombo(Key::l)); }, {hotkey}},
        {"hotkey changed", [](TagManagerTest& t) { t.addTag("a", true)->setHotkey(tagCombo(Key::a)); },
         [](TagManagerTest& t) { t.tag("a")->setHotkey(tagCombo(Key::b)); }, {hotkey}},
        {"an equal hotkey", [](TagManagerTest& t) { t.addTag("a", true)->setHotkey(tagCombo(Key::a)); },
         [](TagManagerTest& t) { t.tag("a")->setHotkey(tagCombo(Key::a)); }, {}},
        {"tag shown while another's colour changes", [](TagManagerTest& t) {
             t.addTag("a", true);
             t.addTag("b", false);
         },
         [](TagManagerTest& t) {
             t.tag("a")->setColor(platform::Color::black());
             t.tag("b")->setTagVisible(true);
         },
         {rebuild}},
        {"hotkey change with a new visible tag", [](TagManagerTest& t) {
             t.addTag("a", true);
             t.addTag("b", false);
         },
         [](TagManagerTest& t) {
             t.tag("a")->setHotkey(tagCombo(Key::h));
             t.tag("b")->setTagVisible(true);
         },
         {hotkey, rebuild}},
        {"tag with a hotkey shown", [](TagManagerTest& t) {
             t.addTag("a", true);
             t.addTag("b", false)->setHotkey(tagCombo(Key::b));
         },
         [](TagManagerTest& t) { t.tag("b")->setTagVisible(true); }, {rebuild}},
        {"tag with a hotkey hidden", [](TagManagerTest& t) {
             t.addTag("a", true);
             t.addTag("b", true)->setHotkey(tagCombo(Key::b));
         },
         [](TagManagerTest& t) { t.tag("b")->setTagVisible(false); }, {rebuild}},
        {"another icon", twoVisible, [](TagManagerTest& t) { t.tag("a")->setTagSymbol("icon_code"); }, {}},
        {"renamed visible tag", twoVisible, [](TagManagerTest& t) { t.tag("a")->setTagName("c"); }, {rebuild}},
        {"nothing visible, before and after", [](TagManagerTest& t) { t.addTag("a", false); }, nothing, {}},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::singleinstance::resetAll();
        c.before(*this);
        registry()->rebuildVisibleTags();
        Recorder recorder;
        c.change(*this);
        rebuildFinished();
        EXPECT_EQ(recorder.posted, c.expected);
    }
}

TEST_F(TagManagerTest, FirstRebuildReportsVisibleTagsThenLogsNoChange) {
    logging::setDebugLoggingEnabled(true);
    Recorder recorder;
    rebuildFinished();  // no visible tag, empty backup
    EXPECT_TRUE(recorder.posted.empty());

    addTag("Zeta", true);
    addTag("alpha", true);
    addTag("Mid", false);
    rebuildFinished();
    EXPECT_EQ(recorder.posted, (std::vector<std::string>{Notifications::visibleTagsRebuildNeeded}));
    EXPECT_EQ(names(registry()->allVisibleTags()), (std::vector<std::string>{"Zeta", "alpha"}));

    logs().clear();
    recorder.posted.clear();
    rebuildFinished();
    EXPECT_TRUE(recorder.posted.empty());
    EXPECT_TRUE(logs().contains("-> visibleTags have not changed!"));
}

TEST_F(TagManagerTest, LogsWhatItPosts) {
    logging::setDebugLoggingEnabled(true);
    addTag("a", true);
    registry()->rebuildVisibleTags();
    tag("a")->setHotkey(tagCombo(Key::k));
    tag("a")->setTagUseCounter(5);
    logs().clear();
    Recorder recorder;
    registry()->rebuildVisibleTags();
    EXPECT_EQ(recorder.posted,
              (std::vector<std::string>{Notifications::validateTagHotkeyNeeded, Notifications::visibleTagsUseCounterChanged,
                                        Notifications::visibleTagsRedrawNeeded}));
    std::vector<std::string> lines;
    for (const auto& record : logs().records()) {
        if (record.category == "tagManager") lines.push_back(record.message);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"-> Hotkey changed in visibleTags - re-registering Tag-Hotkeys ...",
                                               "-> visibleTagsUseCounterChanged", "-> visibleTagsRedrawNeeded"}));
}

TEST_F(TagManagerTest, BackupCopiesTheVisibleTags) {
    const auto a = addTag("b", true, 4);
    a->setColor(platform::Color::white());
    a->setHotkey(tagCombo(Key::b));
    a->setTagUsed(false);  // the backup marks every tag used regardless
    addTag("a", true);
    addTag("hidden", false);
    registry()->rebuildVisibleTags();

    const auto& backups = registry()->backupVisibleTags();
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(backups[0]->tagName(), "a");
    EXPECT_EQ(backups[1]->tagName(), "b");
    EXPECT_NE(static_cast<const iconTag*>(backups[1].get()), a.get());
    EXPECT_TRUE(backups[1]->tagUsed());
    EXPECT_EQ(backups[1]->tagUseCounter(), 4);
    EXPECT_EQ(backups[1]->color(), a->color());
    EXPECT_TRUE(sameKeyCombo(backups[1]->hotkey(), a->hotkey()));
    // Same objects in both lists.
    EXPECT_EQ(registry()->visibleTagWithName("b"), a);
}

TEST_F(TagManagerTest, ReplacesTheVisibleListAtEveryRebuild) {
    addTag("a", true);
    registry()->rebuildVisibleTags();
    const auto old = registry()->allVisibleTags();
    addTag("b", true);
    registry()->rebuildVisibleTags();
    EXPECT_EQ(names(old), (std::vector<std::string>{"a"}));
    EXPECT_EQ(names(registry()->allVisibleTags()), (std::vector<std::string>{"a", "b"}));
}

TEST_F(TagManagerTest, ValidatesTagSymbols) {
    addTag("folder", false)->setTagSymbol("icon_folder");
    addTag("code", false)->setTagSymbol("icon_code_7");
    addTag("odd", false)->setTagSymbol("no such icon");
    Recorder recorder;
    registry()->validateTagSymbols();
    EXPECT_EQ(tag("folder")->tagSymbol(), "icon_tags");
    EXPECT_EQ(tag("code")->tagSymbol(), "icon_code_7");
    EXPECT_EQ(tag("odd")->tagSymbol(), "icon_tags");
    EXPECT_EQ(recorder.tagChanges, (std::vector<std::string>{"folder:symbolChanged", "odd:symbolChanged"}));
}

TEST_F(TagManagerTest, FindsHotkeysAndDropsUnusedTags) {
    addTag("a", true);
    addTag("b", true)->setHotkeyLaunchAll(tagCombo(Key::b));
    addTag("c", false)->setHotkey(tagCombo(Key::c));  // not visible: not asked
    registry()->rebuildVisibleTags();
    EXPECT_EQ(registry()->firstVisibleTagWithHotkey(), nullptr);
    EXPECT_EQ(registry()->firstVisibleTagWithHotkeyLaunchAll(), tag("b"));

    EXPECT_TRUE(registry()->allTagsUsed());
    tag("a")->setTagUsed(false);
    EXPECT_FALSE(registry()->allTagsUsed());
    registry()->removeUnusedTags();
    EXPECT_EQ(names(registry()->allAvailableTags()), (std::vector<std::string>{"a", "b", "c"}))
        << "no count has told what is unused";
    registry()->finishTagCount();  // as a rebuild's count ends
    registry()->removeUnusedTags();
    EXPECT_EQ(names(registry()->allAvailableTags()), (std::vector<std::string>{"b", "c"}));
}
