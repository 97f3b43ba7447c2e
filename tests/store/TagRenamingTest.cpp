#include <algorithm>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TableViewItemTestSupport.h"
#include "app/AppDelegate.h"
#include "hotkeys/KeyCombo.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/ModalScript.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Color.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/IconTag.h"
#include "store/TagManager.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

// "iconTagChanged" of one reason (the rebuild after each operation posts
// visibility changes too).
class TagChangeRecorder {
public:
    explicit TagChangeRecorder(IconTagChangeReason only)
        : observation_(platform::NotificationCenter::defaultCenter().observe(
              Notifications::iconTagChanged, nullptr, [this, only](const platform::Notification& n) {
                  const auto* object = n.objectAs<std::shared_ptr<IconTagChangedNotifyObject>>();
                  if (object && *object && (*object)->reason == only) {
                      posted.push_back((*object)->tagName + ":" + rawValue(*(*object)->reason));
                  }
              })) {}
    Strings posted;

private:
    platform::Subscription observation_;
};

class TagRenamingTest : public EntryTest {
protected:
    void SetUp() override {
        EntryTest::SetUp();
        // Loading the settings closes the log gate; the checks read the log.
        config();
        logging::setDebugLoggingEnabled(true);
    }
    std::shared_ptr<TagManager> registry() { return TagManager::shared(); }
    std::shared_ptr<platform::ModalScript> script() { return platform::ModalScript::shared(); }
    std::shared_ptr<Configuration> config() { return AppDelegate::shared()->config; }

    iconTag::Ptr addTag(const std::string& name, const std::string& symbol = "icon_code") {
        auto tag = iconTag::initWithNewName(name, symbol);
        registry()->allAvailableTags()->append(tag);
        return tag;
    }
    TableViewItem::Ptr addEntry(const std::string& name, const Strings& tags) {
        auto entry = TableViewItem::initForURL("https://" + name + ".example", name, "");
        entry->setTags(tags);
        DataStorage::shared()->allData()->append(entry);
        return entry;
    }
    Strings tagNames() {
        return registry()->allAvailableTags()->map([](const iconTag::Ptr& t) { return t->tagName(); });
    }
    Strings rebuildRequests() { return loggedAfter("-> RebuildData - Request initiated: "); }
    // Proceeds with the next alert after checking its texts.
    void expectAlert(const std::string& message, const std::string& informative, std::size_t button = 0,
                     bool suppression = false) {
        script()->answerAlert([=](platform::Alert& alert) {
            EXPECT_EQ(alert.messageText(), message);
            EXPECT_EQ(alert.informativeText(), informative);
            EXPECT_TRUE(alert.showsSuppressionButton());
            return platform::AlertAnswer{platform::Alert::responseForButton(button), suppression};
        });
    }
    void TearDown() override {
        EXPECT_TRUE(script()->verifyAllAnswersUsed());
        EntryTest::TearDown();
    }
};

}  // namespace

TEST_F(TagRenamingTest, RefusedRenamesAskNothingAndChangeNothing) {
    addTag("a");
    addEntry("one", {"a"});
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"a", " a "}, {"a", ""}, {"a", "   "}, {"", "b"}, {"a|b", " a | b "}};
    for (const auto& [from, to] : refused) {
        EXPECT_FALSE(registry()->renameTag(from, to)) << from << " -> " << to;
    }
    EXPECT_EQ(tagNames(), Strings{"a"});
    EXPECT_TRUE(rebuildRequests().empty());
}

TEST_F(TagRenamingTest, RenameCarriesSubTagsAlong) {
    addTag("a");
    addTag("a|x");
    addTag("ab");
    const auto one = addEntry("one", {"a"});
    const auto two = addEntry("two", {"a|x", "ab"});
    TagChangeRecorder recorder(IconTagChangeReason::nameChanged);
    expectAlert("Should the selected entry be renamed?", "Current name:\n'a'\n\nNew name:\n'b'");

    EXPECT_TRUE(registry()->renameTag("a", " b "));

    EXPECT_EQ(tagNames(), (Strings{"b", "b|x", "ab"}));
    EXPECT_EQ(one->tags(), Strings{"b"});
    EXPECT_EQ(two->tags(), (Strings{"b|x", "ab"}));
    EXPECT_EQ(recorder.posted, (Strings{"b:nameChanged", "b|x:nameChanged"}));
    EXPECT_EQ(rebuildRequests(), Strings{"Tag renamed"});
}

TEST_F(TagRenamingTest, RenameBelowItselfAndOfAGroupingLevel) {
    config()->neverRemindMeRenameTagDialog = true;  // no dialog from here on
    addTag("a");
    addTag("a|x");
    addTag("g|y");
    const auto entry = addEntry("one", {"a", "a|x", "g|y"});

    EXPECT_TRUE(registry()->renameTag("a", "a|n"));
    EXPECT_EQ(tagNames(), (Strings{"a|n", "a|n|x", "g|y"}));
    EXPECT_EQ(entry->tags(), (Strings{"a|n", "a|n|x", "g|y"}));

    EXPECT_TRUE(registry()->renameTag("g", "h"));  // only 'g|y' is registered
    EXPECT_EQ(tagNames(), (Strings{"a|n", "a|n|x", "h|y"}));

    EXPECT_TRUE(registry()->renameTag("nothing", "else"));  // nothing to move, still rebuilt
    EXPECT_EQ(tagNames(), (Strings{"a|n", "a|n|x", "h|y"}));
    EXPECT_EQ(rebuildRequests(), (Strings{"Tag renamed", "Tag renamed", "Tag renamed"}));
}

TEST_F(TagRenamingTest, RenameOntoAnExistingTagMerges) {
    config()->neverRemindMeRenameTagDialog = true;
    const auto a = addTag("a", "icon_code_1");
    a->setColor(platform::Color::white());
    const auto b = addTag("b", "icon_code_2");
    b->setColor(platform::Color::black());
    addTag("a|x");
    const auto onlyA = addEntry("one", {"a"});
    const auto both = addEntry("two", {"a", "b"});
    const auto sub = addEntry("three", {"a|x"});
    logs().clear();

    EXPECT_TRUE(registry()->renameTag("a", "b"));

    EXPECT_EQ(onlyA->tags(), Strings{"b"});
    EXPECT_EQ(both->tags(), Strings{"b"}) << "an entry holding both keeps only the merged tag";
    EXPECT_EQ(sub->tags(), Strings{"b|x"});
    EXPECT_EQ(registry()->tagWithName("b"), b);
    EXPECT_EQ(b->tagSymbol(), "icon_code_2");
    EXPECT_EQ(b->color(), platform::Color::black());
    EXPECT_TRUE(registry()->tagWithName("b|x"));
    // No entry carries 'a' any more, so the merged tag does not come back.
    EXPECT_FALSE(registry()->tagWithName("a"));
    EXPECT_TRUE(logs().contains("A Tag with the new name already exists!"));
    EXPECT_TRUE(logs().contains("Subtag found: a|x"));
    EXPECT_TRUE(logs().contains("Tag modified: b|x"));
}

TEST_F(TagRenamingTest, ASubTagLandingOnAnExistingNameMergesIntoIt) {
    config()->neverRemindMeRenameTagDialog = true;
    addTag("a");
    const auto moving = addTag("a|x");
    addTag("c");
    const auto existing = addTag("c|x", "icon_code_2");
    const auto entry = addEntry("one", {"a|x", "c|x"});
    const auto other = addEntry("two", {"a|x"});

    EXPECT_TRUE(registry()->renameTag("a", "c"));

    // Never two tags with one name: the moved sub-tag merged into the existing one.
    const Strings names = tagNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "c|x"), 1) << ::testing::PrintToString(names);
    EXPECT_EQ(registry()->tagWithName("c|x"), existing);
    EXPECT_EQ(existing->tagSymbol(), "icon_code_2");
    EXPECT_NE(registry()->tagWithName("c|x"), moving);
    EXPECT_EQ(entry->tags(), Strings{"c|x"});
    EXPECT_EQ(other->tags(), Strings{"c|x"});
}

TEST_F(TagRenamingTest, MergingIntoItsOwnSubTagLeavesTheTargetAlone) {
    config()->neverRemindMeRenameTagDialog = true;
    addTag("a");
    const auto target = addTag("a|b");
    addTag("a|x");
    const auto entry = addEntry("one", {"a", "a|x"});

    EXPECT_TRUE(registry()->renameTag("a", "a|b"));

    EXPECT_EQ(target->tagName(), "a|b");
    EXPECT_EQ(entry->tags(), (Strings{"a|b", "a|b|x"}));
    EXPECT_EQ(registry()->tagWithName("a|b"), target);
    EXPECT_TRUE(registry()->tagWithName("a|b|x"));
    EXPECT_FALSE(registry()->tagWithName("a|b|b"));
}

// Entries may hold a name in another Unicode form than the registry: a name
// dropped in from elsewhere, typed decomposed. Renaming and deleting reach it
// all the same.
TEST_F(TagRenamingTest, EntriesHoldingTheNameInAnotherUnicodeFormFollow) {
    config()->neverRemindMeRenameTagDialog = true;
    const std::string composed = "caf\u00e9";
    const std::string decomposed = "cafe\u0301";
    addTag(composed);
    addTag("tea");
    const auto entry = addEntry("one", {decomposed});
    const auto other = addEntry("two", {"tea", decomposed});

    EXPECT_TRUE(registry()->renameTag(composed, "coffee"));
    EXPECT_EQ(entry->tags(), Strings{"coffee"});
    EXPECT_EQ(other->tags(), (Strings{"tea", "coffee"}));
    EXPECT_EQ(registry()->tagWithName("coffee")->tagSymbol(), "icon_code") << "the renamed tag, not a new one";

    other->setTags({"tea", "cafe\u0301"});
    registry()->deleteTag(composed);
    EXPECT_EQ(other->tags(), Strings{"tea"});
}

// A tag merged away leaves the registry: its hotkeys must be let go like
// those of a deleted tag, or they stay registered for a tag that is gone.
TEST_F(TagRenamingTest, AMergedTagLetsItsHotkeysGo) {
    config()->neverRemindMeRenameTagDialog = true;
    const auto a = addTag("a");
    a->setHotkey(KeyCombo::make(Key::a, modifierflags::command));
    a->setHotkeyLaunchAll(KeyCombo::make(Key::a, modifierflags::command | modifierflags::shift));
    addTag("b");
    const auto ax = addTag("a|x");
    ax->setHotkey(KeyCombo::make(Key::x, modifierflags::command));
    const auto bx = addTag("b|x");
    bx->setHotkey(KeyCombo::make(Key::y, modifierflags::command));
    addEntry("one", {"a", "a|x"});
    TagChangeRecorder recorder(IconTagChangeReason::hotkeyChanged);

    EXPECT_TRUE(registry()->renameTag("a", "b"));

    EXPECT_EQ(recorder.posted, (Strings{"a:hotkeyChanged", "a:hotkeyChanged", "a|x:hotkeyChanged"}));
    EXPECT_EQ(tagNames(), (Strings{"b", "b|x"}));
    EXPECT_TRUE(bx->hotkey()) << "the target keeps its own";
}

TEST_F(TagRenamingTest, CancelWithTheBoxTickedSkipsLaterDialogs) {
    addTag("a");
    expectAlert("Should the selected entry be renamed?", "Current name:\n'a'\n\nNew name:\n'b'", 1, true);
    EXPECT_FALSE(registry()->renameTag("a", "b"));
    EXPECT_EQ(tagNames(), Strings{"a"});
    EXPECT_TRUE(rebuildRequests().empty());
    EXPECT_TRUE(config()->neverRemindMeRenameTagDialog);

    EXPECT_TRUE(registry()->renameTag("a", "b"));  // no dialog scripted: none may come
    EXPECT_EQ(tagNames(), Strings{"b"});
}

TEST_F(TagRenamingTest, DeleteWithConfirmationChecksTheIndexFirst) {
    EXPECT_FALSE(registry()->deleteTagWithConfirmation(0));  // empty registry
    addTag("a");
    addTag("b");
    EXPECT_FALSE(registry()->deleteTagWithConfirmation(2));
    EXPECT_FALSE(registry()->deleteTagWithConfirmation(-1));

    expectAlert("Should the selected entry be deleted?", "The entry 'b' will be deleted.", 1);
    EXPECT_FALSE(registry()->deleteTagWithConfirmation(1));
    EXPECT_EQ(tagNames(), (Strings{"a", "b"}));
    EXPECT_FALSE(config()->neverRemindMeRemoveTagDialog);

    expectAlert("Should the selected entry be deleted?", "The entry 'b' will be deleted.");
    EXPECT_TRUE(registry()->deleteTagWithConfirmation(1));
    EXPECT_EQ(tagNames(), Strings{"a"});
    EXPECT_EQ(rebuildRequests(), Strings{"Tag deleted"});
}

TEST_F(TagRenamingTest, DeleteClearsHotkeysAndKeepsSubTags) {
    const auto a = addTag("a");
    a->setHotkey(KeyCombo::make(Key::a, modifierflags::command));
    addTag("a|x");
    const auto entry = addEntry("one", {"a", "a|x", "a"});
    bool stillRegisteredWhenCleared = false;
    auto observation = platform::NotificationCenter::defaultCenter().observe(
        Notifications::iconTagChanged, nullptr, [&](const platform::Notification& n) {
            const auto* object = n.objectAs<std::shared_ptr<IconTagChangedNotifyObject>>();
            if ((*object)->reason == IconTagChangeReason::hotkeyChanged) {
                stillRegisteredWhenCleared = registry()->tagWithName("a") == a;
            }
        });
    TagChangeRecorder recorder(IconTagChangeReason::hotkeyChanged);

    EXPECT_TRUE(registry()->deleteTag("a"));

    EXPECT_EQ(recorder.posted, Strings{"a:hotkeyChanged"});
    EXPECT_TRUE(stillRegisteredWhenCleared);
    EXPECT_EQ(a->hotkey(), nullptr);
    EXPECT_EQ(tagNames(), Strings{"a|x"});
    EXPECT_EQ(entry->tags(), Strings{"a|x"});
    EXPECT_EQ(rebuildRequests(), Strings{"Tag deleted"});
}

TEST_F(TagRenamingTest, DeletingAnUnregisteredNameStillCleansTheEntries) {
    addTag("a");
    const auto entry = addEntry("one", {"a", "ghost"});
    EXPECT_FALSE(registry()->deleteTag("ghost"));
    EXPECT_EQ(entry->tags(), Strings{"a"});
    EXPECT_EQ(tagNames(), Strings{"a"});
    EXPECT_EQ(rebuildRequests(), Strings{"Tag deleted"});

    EXPECT_FALSE(registry()->deleteTag(""));
    EXPECT_EQ(rebuildRequests(), Strings{"Tag deleted"});
}
