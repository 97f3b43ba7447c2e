#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hotkeys/KeyCombo.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Color.h"
#include "store/IconTag.h"
#include "store/TagManager.h"
#include "store/StoreConstants.h"
#include "support/FreltTest.h"

using namespace frelt;
using platform::ArchiveObject;
using platform::KeyedArchiver;
using platform::KeyedUnarchiver;

namespace {

// What "iconTagChanged" carried, in order.
class TagChangeRecorder {
public:
    TagChangeRecorder()
        : observation_(platform::NotificationCenter::defaultCenter().observe(
              Notifications::iconTagChanged, nullptr, [this](const platform::Notification& n) {
                  const auto* object = n.objectAs<std::shared_ptr<IconTagChangedNotifyObject>>();
                  ASSERT_TRUE(object && *object && (*object)->reason);
                  posted.push_back((*object)->tagName + ":" + rawValue(*(*object)->reason));
              })) {}
    std::vector<std::string> posted;

private:
    platform::Subscription observation_;
};

KeyCombo::Ptr iconTagCombo(Key key) { return KeyCombo::make(key, modifierflags::command); }

// The archived record of the (only) tag in an archive: its keys as written.
platform::ValueDictionary archivedRecord(const iconTag::Ptr& tag) {
    KeyedArchiver archiver;
    archiver.encodeRootObject(ArchiveObject(tag));
    const platform::Value archive = archiver.archiveValue();
    for (const platform::Value& object : *archive.asDictionary()->at("$objects").asArray()) {
        const auto* dict = object.asDictionary();
        if (dict && dict->count("tagName")) return *dict;
    }
    ADD_FAILURE() << "no tag record in the archive";
    return {};
}

iconTag::Ptr roundTrip(const iconTag::Ptr& tag,
                       KeyedArchiver::ClassNames names = KeyedArchiver::ClassNames::ModuleQualified) {
    std::string error;
    const auto data = KeyedArchiver::archivedData(ArchiveObject(tag), &error, names);
    EXPECT_TRUE(data) << error;
    if (!data) return nullptr;
    const auto result = KeyedUnarchiver::unarchiveTopLevelObject(*data);
    EXPECT_TRUE(result) << result.error;
    return result.object.as<iconTag>();
}

// A tag record written by hand, for archives this program would not write.
class HandMadeTag : public platform::Coding {
public:
    std::optional<ArchiveObject> name, symbol, hotkey, color;
    std::string className() const override { return iconTag::archiveClassName; }
    void encodeWithCoder(KeyedArchiver& coder) const override {
        if (name) coder.encodeObject(*name, "tagName");
        if (symbol) coder.encodeObject(*symbol, "tagSymbol");
        if (hotkey) coder.encodeObject(*hotkey, "hotkey");
        if (color) coder.encodeObject(*color, "color");
    }
};

iconTag::Ptr decode(const HandMadeTag& record) {
    const auto data = KeyedArchiver::archivedData(ArchiveObject(std::make_shared<HandMadeTag>(record)));
    EXPECT_TRUE(data);
    const auto result = KeyedUnarchiver::unarchiveTopLevelObject(*data);
    EXPECT_TRUE(result) << result.error;
    return result.object.as<iconTag>();
}

}  // namespace

class IconTagTest : public FreltTest {};

TEST_F(IconTagTest, NormalizesTagNames) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"Work", "Work"},
        {"  Work  ", "Work"},
        {"\n\tWork \r\n", "Work"},
        {"   ", ""},
        {"a|b", "a|b"},
        {" a | b ", "a|b"},
        {"|a||b|", "a|b"},        // levels empty as split are dropped
        {"a| |b", "a||b"},        // a blank level stays, as an empty level
        {"||", ""},
        {"|", ""},
        {"Work \u00a0| Home\u2003", "Work|Home"},  // Unicode blanks count
        {"a|b c|d", "a|b c|d"},   // blanks inside a level stay
    };
    for (const Case& c : cases) {
        EXPECT_EQ(normalizedTagString(c.input), c.expected) << "input '" << c.input << "'";
        EXPECT_EQ(iconTag::initWithNewName(c.input, "icon_tags")->tagName(), c.expected) << "input '" << c.input << "'";
    }
}

TEST_F(IconTagTest, DecidesTheSubTagRelation) {
    struct Case {
        std::string name;
        std::string parent;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"a|b", "a", true},
        {"a|b", "a|b", true},
        {"a|b|c", "a|b", true},
        {"a", "a", true},
        {"ab|c", "a", false},
        {"a", "a|b", false},
        {"a|b", "b", false},
        {"A|b", "a", false},  // case-sensitive
        {"a", "", false},
        {"", "a", false},
        {"", "", false},
        {"a||b", "a|", true},  // empty levels are levels too
        {"caf\u00e9|x", "cafe\u0301", true},  // canonically equivalent levels match
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tagNameIsSubTagOf(c.name, c.parent), c.expected) << "'" << c.name << "' under '" << c.parent << "'";
    }
    EXPECT_TRUE(iconTag::initWithNewName("a|b", "icon_tags")->isSubTagOf("a"));
}

TEST_F(IconTagTest, SettersPostOnlyOnRealChangesAndCarryTheCurrentName) {
    TagChangeRecorder recorder;
    const auto tag = iconTag::initWithNewName("Work", "icon_tags");
    EXPECT_TRUE(recorder.posted.empty()) << "making a tag posts nothing";

    tag->setTagName("Work");
    tag->setTagSymbol("icon_tags");
    tag->setHotkey(nullptr);
    tag->setHotkeyLaunchAll(nullptr);
    tag->setColor(std::nullopt);
    tag->setTagVisible(false);
    tag->setTagUsed(true);
    tag->setTagUseCounter(7);
    EXPECT_TRUE(recorder.posted.empty());

    tag->setTagName("Home");
    tag->setTagSymbol("icon_code");
    tag->setHotkey(iconTagCombo(Key::a));
    tag->setHotkey(iconTagCombo(Key::a));  // an equal combination, another object
    tag->setHotkeyLaunchAll(iconTagCombo(Key::b));
    tag->setColor(platform::Color::calibratedRGB(1, 0, 0));
    tag->setColor(platform::Color::calibratedRGB(1, 0, 0));
    tag->setTagVisible(true);
    tag->setTagVisible(true);
    tag->setHotkey(nullptr);
    tag->setColor(std::nullopt);
    tag->setTagVisible(false);

    const std::vector<std::string> expected = {
        "Home:nameChanged",   "Home:symbolChanged",  "Home:hotkeyChanged",     "Home:hotkeyChanged",
        "Home:colorChanged",  "Home:visibilityChanged", "Home:hotkeyChanged", "Home:colorChanged",
        "Home:visibilityChanged",
    };
    EXPECT_EQ(recorder.posted, expected);
    EXPECT_EQ(tag->tagName(), "Home");
}

TEST_F(IconTagTest, ObserversReadTheNewValue) {
    const auto tag = iconTag::initWithNewName("Work", "icon_tags");
    std::string seen;
    auto observation = platform::NotificationCenter::defaultCenter().observe(
        Notifications::iconTagChanged, nullptr, [&](const platform::Notification&) { seen = tag->tagSymbol(); });
    tag->setTagSymbol("icon_code_7");
    EXPECT_EQ(seen, "icon_code_7");
}

TEST_F(IconTagTest, BackupsNeverPost) {
    TagChangeRecorder recorder;
    const auto backup = iconTagForBackup::initWithNewName(" a | b ", "icon_tags");
    EXPECT_EQ(backup->tagName(), "a|b");
    backup->setTagName("c");
    backup->setTagSymbol("icon_code");
    backup->setHotkey(iconTagCombo(Key::a));
    backup->setHotkeyLaunchAll(iconTagCombo(Key::b));
    backup->setColor(platform::Color::white());
    backup->setTagVisible(true);
    EXPECT_TRUE(recorder.posted.empty());
}

TEST_F(IconTagTest, ShouldBeSavedWithASymbolAColourOrAHotkey) {
    const auto tag = iconTag::initWithNewName("a", "");
    EXPECT_FALSE(tag->shouldSavedToConfig());
    EXPECT_EQ(tag->valueForKey("shouldSavedToConfig"), platform::Value(false));
    tag->setColor(platform::Color::black());
    EXPECT_TRUE(tag->shouldSavedToConfig());
    tag->setColor(std::nullopt);
    tag->setHotkeyLaunchAll(iconTagCombo(Key::c));
    EXPECT_TRUE(tag->shouldSavedToConfig());
    tag->setHotkeyLaunchAll(nullptr);
    tag->setTagSymbol("icon_tags");
    EXPECT_TRUE(tag->shouldSavedToConfig());
    EXPECT_EQ(tag->valueForKey("shouldSavedToConfig"), platform::Value(true));
    EXPECT_EQ(tag->valueForKey("tagName"), platform::Value("a"));
    EXPECT_EQ(tag->valueForKey("noSuchKey"), std::nullopt);
}

TEST_F(IconTagTest, ArchiveLeavesUnsetOptionalsOutAndRoundTrips) {
    const auto plain = iconTag::initWithNewName("Work|Mail", "icon_window_mail");
    plain->setTagVisible(true);
    plain->setTagUsed(true);
    plain->setTagUseCounter(3);

    const auto record = archivedRecord(plain);
    EXPECT_TRUE(record.count("tagName"));
    EXPECT_TRUE(record.count("tagSymbol"));
    for (const char* key : {"color", "hotkey", "hotkeyLaunchAll", "tagVisible", "tagUsed", "tagUseCounter"}) {
        EXPECT_FALSE(record.count(key)) << key;
    }

    const auto back = roundTrip(plain);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->tagName(), "Work|Mail");
    EXPECT_EQ(back->tagSymbol(), "icon_window_mail");
    EXPECT_EQ(back->hotkey(), nullptr);
    EXPECT_EQ(back->hotkeyLaunchAll(), nullptr);
    EXPECT_FALSE(back->color());
    EXPECT_FALSE(back->tagVisible());
    EXPECT_FALSE(back->tagUsed());
    EXPECT_EQ(back->tagUseCounter(), 0);

    const auto full = iconTag::initWithNewName("Dev", "icon_code");
    full->setHotkey(iconTagCombo(Key::d));
    full->setHotkeyLaunchAll(KeyCombo::makeDoubled(modifierflags::option));
    full->setColor(platform::Color::sRGB(0.25, 0.5, 0.75, 0.5));
    const auto fullRecord = archivedRecord(full);
    for (const char* key : {"color", "hotkey", "hotkeyLaunchAll"}) EXPECT_TRUE(fullRecord.count(key)) << key;

    for (const auto names : {KeyedArchiver::ClassNames::ModuleQualified, KeyedArchiver::ClassNames::Runtime}) {
        const auto fullBack = roundTrip(full, names);
        ASSERT_TRUE(fullBack);
        EXPECT_TRUE(sameKeyCombo(fullBack->hotkey(), full->hotkey()));
        EXPECT_TRUE(sameKeyCombo(fullBack->hotkeyLaunchAll(), full->hotkeyLaunchAll()));
        ASSERT_TRUE(fullBack->color());
        EXPECT_EQ(*fullBack->color(), *full->color());
    }
}

TEST_F(IconTagTest, ExportArchivesNameTheRuntimeClass) {
    const auto tag = iconTag::initWithNewName("a", "icon_tags");
    KeyedArchiver archiver(KeyedArchiver::ClassNames::Runtime);
    archiver.encodeRootObject(ArchiveObject(tag));
    bool found = false;
    const platform::Value archive = archiver.archiveValue();
    for (const platform::Value& object : *archive.asDictionary()->at("$objects").asArray()) {
        const auto* dict = object.asDictionary();
        if (!dict || !dict->count("$classname")) continue;
        if (*dict->at("$classname").asString() == "_TtC5frelt7iconTag") found = true;
    }
    EXPECT_TRUE(found);
}

TEST_F(IconTagTest, DecodingRefusesRecordsWithoutANameAndGivesAMissingSymbolTheDefault) {
    HandMadeTag good;
    good.name = ArchiveObject(" a | b ");
    good.symbol = ArchiveObject("icon_tags");
    const auto decoded = decode(good);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->tagName(), " a | b ") << "stored names are taken as they are";

    struct Case {
        const char* what;
        std::optional<ArchiveObject> name, symbol;
    };
    const std::vector<Case> refused = {
        {"no name", std::nullopt, ArchiveObject("icon_tags")},
        {"empty name", ArchiveObject(""), ArchiveObject("icon_tags")},
        {"name not a text", ArchiveObject::number(7), ArchiveObject("icon_tags")},
    };
    for (const Case& c : refused) {
        HandMadeTag record;
        record.name = c.name;
        record.symbol = c.symbol;
        EXPECT_EQ(decode(record), nullptr) << c.what;
    }

    // Without a symbol the tag survives with the default one, so its colour
    // and hotkeys are not lost.
    for (const std::optional<ArchiveObject>& symbol : {std::optional<ArchiveObject>(), std::optional(ArchiveObject(""))}) {
        HandMadeTag record;
        record.name = ArchiveObject("a");
        record.symbol = symbol;
        const auto tag = decode(record);
        ASSERT_TRUE(tag);
        EXPECT_EQ(tag->tagSymbol(), TagManager::defaultTag);
    }
}

TEST_F(IconTagTest, DecodingIgnoresOptionalsOfTheWrongKind) {
    HandMadeTag record;
    record.name = ArchiveObject("a");
    record.symbol = ArchiveObject("icon_tags");
    record.hotkey = ArchiveObject("not a combination");
    record.color = ArchiveObject(std::make_shared<platform::Color>(platform::Color::white()));
    auto tag = decode(record);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->hotkey(), nullptr);
    ASSERT_TRUE(tag->color());

    record.hotkey = ArchiveObject(iconTagCombo(Key::h));
    record.color = ArchiveObject(iconTagCombo(Key::h));  // a combination where a colour belongs
    tag = decode(record);
    ASSERT_TRUE(tag);
    EXPECT_TRUE(sameKeyCombo(tag->hotkey(), iconTagCombo(Key::h)));
    EXPECT_FALSE(tag->color());
}

TEST_F(IconTagTest, LookupByNameIsExact) {
    TagChangeRecorder recorder;
    const auto tag = iconTag::initWithNewName("Caf\u00e9", "icon_tags");
    tag->setTagName("Cafe\u0301");
    EXPECT_TRUE(recorder.posted.empty()) << "a canonically equal name is no change";
    EXPECT_TRUE(hasTagName("Caf\u00e9")(tag));
    EXPECT_TRUE(hasTagName("Cafe\u0301")(tag));  // canonically the same text
    EXPECT_FALSE(hasTagName("caf\u00e9")(tag));
    EXPECT_FALSE(hasTagName(" Caf\u00e9")(tag));
    EXPECT_FALSE(hasTagName("x")(nullptr));
}
