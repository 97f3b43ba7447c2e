#include <gtest/gtest.h>

#include "ConfigWindowTestSupport.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/CustomTokenField.h"
#include "platform/foundation/NotificationCenter.h"
#include "store/StoreConstants.h"
#include "support/PostCounter.h"

using namespace frelt;
using platform::IndexSet;
using Strings = std::vector<std::string>;

namespace {

class ConfigSelectionInspectorTest : public ConfigWindowTest {
protected:
    // Links named e0, e1, ... (listed in that order), opened in the window.
    std::vector<TableViewItem::Ptr> open(const std::vector<Strings>& tagLists, const Strings& comments = {}) {
        std::vector<TableViewItem::Ptr> entries;
        for (std::size_t i = 0; i < tagLists.size(); ++i) {
            auto entry = link("e" + std::string(i < 10 ? "0" : "") + std::to_string(i),
                              i < comments.size() ? comments[i] : "");
            entry->setTags(tagLists[i]);
            entries.push_back(entry);
        }
        setEntries(entries);
        openWindow();
        return entries;
    }
    void select(const IndexSet& rows) { table->selectRowIndexes(rows, false); }
    Strings shownTags() { return inspector->modifyToken.lock()->tokens(); }
    std::string shownComment() { return inspector->modifyComment.lock()->stringValue(); }
    bool endCommentEdit(const std::string& text) {
        const auto field = inspector->modifyComment.lock();
        field->setStringValue(text);
        return inspector->controlTextShouldEndEditing(field, nullptr);
    }
    void enterTags(const Strings& typed) {
        inspector->modifyToken.lock()->setObjectValue(tokenFieldValue(typed));
        inspector->applyTags();
    }
};

TEST_F(ConfigSelectionInspectorTest, TagListsThatAreEqualAsSetsShowTheFirstEntrysTags) {
    open({{"a", "b"}, {"b", "a"}, {"a", "a", "b"}}, {"same", "same", "same"});
    table->setAllowsMultipleSelection(true);
    select(IndexSet::withRange(0, 3));
    EXPECT_EQ(shownTags(), (Strings{"a", "b"}));
    EXPECT_EQ(shownComment(), "same");
    select(IndexSet{1, 2});
    EXPECT_EQ(shownTags(), (Strings{"b", "a"}));
}

TEST_F(ConfigSelectionInspectorTest, MixedTagsShowNoneAndTypedTagsReplaceThemAll) {
    const auto entries = open({{"a"}, {"a", "b"}}, {"one", "two"});
    select(IndexSet{0, 1});
    EXPECT_TRUE(shownTags().empty());
    EXPECT_EQ(shownComment(), "");
    PostCounter changes(Notifications::tableViewItemChanged);
    enterTags({"c", "   ", " d"});
    EXPECT_EQ(entries[0]->tags(), (Strings{"c", " d"}));
    EXPECT_EQ(entries[1]->tags(), (Strings{"c", " d"}));
    EXPECT_EQ(changes.count, 2);
    // Entries already holding that set are left alone.
    enterTags({" d", "c"});
    EXPECT_EQ(changes.count, 2);
}

TEST_F(ConfigSelectionInspectorTest, MoreThanTwentySelectedEntriesShowEmptyFields) {
    const std::vector<Strings> same(21, Strings{"x"});
    open(same, Strings(21, "same"));
    select(IndexSet::withRange(0, 20));
    EXPECT_EQ(shownTags(), Strings{"x"});
    EXPECT_EQ(shownComment(), "same");
    select(IndexSet::withRange(0, 21));
    EXPECT_TRUE(shownTags().empty());
    EXPECT_EQ(shownComment(), "");
}

TEST_F(ConfigSelectionInspectorTest, RemovingEveryTokenOfOneEntryClearsItsTags) {
    const auto entries = open({{"a", "b"}, {"c"}});
    select(IndexSet{0});
    EXPECT_EQ(shownTags(), (Strings{"a", "b"}));
    PostCounter changes(Notifications::tableViewItemChanged);
    enterTags({});
    EXPECT_TRUE(entries[0]->tags().empty());
    EXPECT_EQ(entries[1]->tags(), Strings{"c"});
    EXPECT_EQ(changes.count, 1);
}

TEST_F(ConfigSelectionInspectorTest, TheSameSelectionAgainDoesNotRefresh) {
    open({{"a"}, {"b"}});
    select(IndexSet{0});
    inspector->modifyComment.lock()->setStringValue("typed but not stored");
    inspector->setCurrentIndexSet(IndexSet{0});
    EXPECT_EQ(shownComment(), "typed but not stored");
    inspector->setCurrentIndexSet(IndexSet{1});
    EXPECT_EQ(shownComment(), "");
}

TEST_F(ConfigSelectionInspectorTest, ACommentEditEndsOnlyOnceASelectionIsKnown) {
    const auto entries = open({{}, {}, {}});
    inspector->setCurrentIndexSet(std::nullopt);
    PostCounter changes(Notifications::tableViewItemChanged);
    EXPECT_FALSE(endCommentEdit("early")) << "no selection yet: the field keeps editing";
    inspector->setCurrentIndexSet(IndexSet());
    EXPECT_TRUE(endCommentEdit("nothing selected"));
    enterTags({"t"});
    EXPECT_EQ(changes.count, 0);

    select(IndexSet{0, 2});
    EXPECT_TRUE(endCommentEdit(" both "));
    EXPECT_EQ(entries[0]->comment(), " both ");
    EXPECT_EQ(entries[1]->comment(), "");
    EXPECT_EQ(entries[2]->comment(), " both ");
    EXPECT_EQ(changes.count, 2);
}

TEST_F(ConfigSelectionInspectorTest, HidingSkipsEntriesTheUserMadeAndTakesHotkeysAway) {
    auto found = app("Atlas");
    const auto combo = KeyCombo::make(Key::u, platform::modifierflags::command | platform::modifierflags::option);
    found->setHotkey(combo);
    auto mine = link("Mine");
    setEntries({found, mine});
    openWindow();
    select(IndexSet{0, 1});
    std::vector<std::string> reasons;
    auto observation = platform::NotificationCenter::defaultCenter().observe(
        Notifications::tableViewItemChanged, nullptr, [&](const platform::Notification& n) {
            const auto* object = n.objectAs<std::shared_ptr<TableViewItemChangedNotifyObject>>();
            if (object && *object && (*object)->reason) reasons.push_back(rawValue(*(*object)->reason));
        });
    inspector->setToInvisibleClick();
    EXPECT_FALSE(found->isVisible());
    EXPECT_TRUE(mine->isVisible());
    EXPECT_FALSE(found->hotkey());
    EXPECT_EQ(reasons, (Strings{"visibilityChanged", "hotkeyChanged"}));
    inspector->setToVisibleClick();
    EXPECT_TRUE(found->isVisible());
    EXPECT_FALSE(found->hotkey()) << "showing gives no hotkey back";
}

TEST_F(ConfigSelectionInspectorTest, ColoursGoToEverySelectedEntryAndClearingNoneAnnouncesNothing) {
    const auto entries = open({{}, {}, {}});
    select(IndexSet{0, 1});
    PostCounter changes(Notifications::tableViewItemChanged);
    inspector->clearColorClick();
    EXPECT_EQ(changes.count, 0);
    const auto circle = inspector->colorCircles[0].lock();
    inspector->colorCircleSelected(circle, *circle->color());
    EXPECT_EQ(entries[0]->color(), circle->color());
    EXPECT_EQ(entries[1]->color(), circle->color());
    EXPECT_FALSE(entries[2]->color());
    EXPECT_EQ(changes.count, 2);
    const auto slider = inspector->colorSlider.lock();
    slider->setDoubleValue(slider->maxValue());
    inspector->onChangeColorSlider(*slider);
    EXPECT_EQ(entries[0]->color(), slider->currentColor());
    inspector->clearColorClick();
    EXPECT_FALSE(entries[0]->color());
    EXPECT_FALSE(entries[1]->color());
}

}  // namespace
