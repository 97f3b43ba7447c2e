#include <algorithm>

#include "TableViewItemTestSupport.h"
#include "platform/foundation/Text.h"
#include "hotkeys/KeyCombo.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Color.h"

using namespace frelt;
namespace mf = frelt::modifierflags;
using platform::ArchiveObject;
using Strings = std::vector<std::string>;

namespace {

// A record written under the entry's class name with whatever values a test
// wants, as an older or damaged store might hold.
class FakeRecord : public platform::Coding {
public:
    explicit FakeRecord(std::vector<std::pair<std::string, ArchiveObject>> values) : values_(std::move(values)) {}
    std::string className() const override { return TableViewItem::archiveClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override {
        for (const auto& [key, value] : values_) coder.encodeObject(value, key);
    }

private:
    std::vector<std::pair<std::string, ArchiveObject>> values_;
};

using Fields = std::vector<std::pair<std::string, ArchiveObject>>;

Fields validFields(const std::string& path, const std::string& type, const std::string& source) {
    return {{"name", "Name"},           {"path", path},
            {"tags", ArchiveObject(Strings{"t"})}, {"comment", "c"},
            {"itemTypeRawValue", type}, {"itemSourceRawValue", source},
            {"color", nullptr},         {"hotkey", nullptr},
            {"isVisible", ArchiveObject::number(true)}, {"favorite", ArchiveObject::number(false)}};
}

Fields with(Fields fields, const std::string& key, std::optional<ArchiveObject> value) {
    fields.erase(std::remove_if(fields.begin(), fields.end(), [&](const auto& f) { return f.first == key; }),
                 fields.end());
    if (value) fields.emplace_back(key, *value);
    return fields;
}

platform::UnarchiveResult roundTrip(const ArchiveObject& root,
                                    platform::KeyedArchiver::ClassNames names = platform::KeyedArchiver::ClassNames::ModuleQualified) {
    std::string error;
    const auto data = platform::KeyedArchiver::archivedData(root, &error, names);
    EXPECT_TRUE(data) << error;
    if (!data) return {};
    return platform::KeyedUnarchiver::unarchiveTopLevelObject(*data);
}

TableViewItem::Ptr decodeRecord(const Fields& fields) {
    const auto result = roundTrip(ArchiveObject(std::make_shared<FakeRecord>(fields)));
    EXPECT_TRUE(result) << result.error;
    return result.object.as<TableViewItem>();
}

}  // namespace

TEST_F(EntryTest, ArchiveRoundTripKeepsTheArchivedFields) {
    auto item = TableViewItem::initForSpotlightApp(makeApplication("apps/ed.desktop", "Ed"), "Ed");
    item->setTags({"Work", "Mail|Inbox"});
    item->setComment("note");
    item->setColor(platform::Color::calibratedRGB(0.5, 0.25, 1));
    item->setHotkey(KeyCombo::make(Key::k, mf::command | mf::shift));
    item->setIsFavorite(true);
    item->setIsVisible(false);
    item->setHotkey(KeyCombo::make(Key::k, mf::command));
    item->setLastUsedDate(platform::Date{42});
    item->setIsFoundBySpotlight(true);

    for (auto names : {platform::KeyedArchiver::ClassNames::ModuleQualified, platform::KeyedArchiver::ClassNames::Runtime}) {
        ChangeRecorder changes;
        const auto result = roundTrip(ArchiveObject(item), names);
        ASSERT_TRUE(result) << result.error;
        const auto decoded = result.object.as<TableViewItem>();
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(changes.posts.empty());
        EXPECT_TRUE(decoded->initialized());
        EXPECT_TRUE(item->isEqual(decoded));
        EXPECT_EQ(decoded->tags(), item->tags());
        EXPECT_EQ(decoded->itemType(), ListviewItemType::application);
        EXPECT_EQ(decoded->itemSource(), ListviewItemSource::spotlight);
        EXPECT_FALSE(decoded->isVisible());
        EXPECT_TRUE(decoded->isFavorite());
        ASSERT_TRUE(decoded->color());
        EXPECT_EQ(*decoded->color(), *item->color());
        EXPECT_EQ(decoded->nameLowercased(), "ed");
        EXPECT_EQ(decoded->pathLowercased(), platform::text::lowercased(item->path()));
        EXPECT_FALSE(decoded->lastUsedDate());
        EXPECT_FALSE(decoded->isFoundBySpotlight());
        decoded->setComment("later");
        EXPECT_EQ(changes.reasons(), Strings{"commentChanged"});
    }
}

TEST_F(EntryTest, EveryRecordHoldsAllTenKeysWithNullForMissingValues) {
    auto item = TableViewItem::initForURL("https://x.org", "X", "");
    platform::KeyedArchiver archiver;
    archiver.encodeRootObject(ArchiveObject(item));
    const platform::Value archive = archiver.archiveValue();
    const auto* objects = archive["$objects"].asArray();
    ASSERT_TRUE(objects);
    const platform::ValueDictionary* record = nullptr;
    for (const auto& object : *objects)
        if (object.asDictionary() && object.asDictionary()->count("path")) record = object.asDictionary();
    ASSERT_TRUE(record);
    for (const char* key : {"name", "path", "tags", "comment", "itemTypeRawValue", "itemSourceRawValue", "color",
                            "hotkey", "isVisible", "favorite"})
        EXPECT_TRUE(record->count(key)) << key;
    EXPECT_EQ(record->at("color"), platform::Value(platform::UID{0}));
    EXPECT_EQ(record->at("hotkey"), platform::Value(platform::UID{0}));
}

TEST_F(EntryTest, DecoderFallsBackAndRepairs) {
    const auto app = makeApplication("apps/now-an-app.desktop", "App");
    const auto folder = makeFolder("now-a-folder");
    const auto file = makeFile("plain.txt");
    const auto gone = (root() / "gone.txt").string();
    struct Case {
        const char* what;
        Fields fields;
        ListviewItemType type;
        ListviewItemSource source;
        bool visible;
    };
    const auto base = validFields(file, "file", "spotlight");
    const std::vector<Case> cases{
        {"valid file", base, ListviewItemType::file, ListviewItemSource::spotlight, true},
        {"bad type string", with(base, "itemTypeRawValue", "Folder"), ListviewItemType::unknown, ListviewItemSource::spotlight, true},
        {"type of the wrong kind", with(base, "itemTypeRawValue", ArchiveObject::number(1)), ListviewItemType::unknown, ListviewItemSource::spotlight, true},
        {"type missing", with(base, "itemTypeRawValue", std::nullopt), ListviewItemType::unknown, ListviewItemSource::spotlight, true},
        {"bad source, hidden", with(with(base, "itemSourceRawValue", "Tags"), "isVisible", ArchiveObject::number(false)),
         ListviewItemType::file, ListviewItemSource::other, true},
        {"source missing, hidden", with(with(base, "itemSourceRawValue", std::nullopt), "isVisible", ArchiveObject::number(false)),
         ListviewItemType::file, ListviewItemSource::other, true},
        {"hidden application from the search", with(validFields(app, "application", "spotlight"), "isVisible", ArchiveObject::number(false)),
         ListviewItemType::application, ListviewItemSource::spotlight, false},
        {"visibility missing", with(base, "isVisible", std::nullopt), ListviewItemType::file, ListviewItemSource::spotlight, true},
        {"folder that is now an application", validFields(app, "folder", "other"), ListviewItemType::application, ListviewItemSource::other, true},
        {"file that is now a folder", validFields(folder, "file", "other"), ListviewItemType::folder, ListviewItemSource::other, true},
        {"file that no longer exists", validFields(gone, "file", "other"), ListviewItemType::file, ListviewItemSource::other, true},
        {"link without a scheme", validFields("example.org", "url", "other"), ListviewItemType::unknown, ListviewItemSource::other, true},
        {"link with a scheme", validFields("mailto:someone@example.org", "url", "other"), ListviewItemType::url, ListviewItemSource::other, true},
        {"application kept as decoded", validFields(gone, "application", "spotlight"), ListviewItemType::application, ListviewItemSource::spotlight, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ChangeRecorder changes;
        const auto item = decodeRecord(c.fields);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->itemType(), c.type);
        EXPECT_EQ(item->itemSource(), c.source);
        EXPECT_EQ(item->isVisible(), c.visible);
        EXPECT_TRUE(changes.posts.empty());
    }
}

TEST_F(EntryTest, DecoderTreatsValuesOfTheWrongKindAsMissing) {
    auto fields = validFields("https://x.org", "url", "other");
    fields = with(fields, "color", ArchiveObject("red"));
    fields = with(fields, "hotkey", ArchiveObject(std::make_shared<platform::Color>(platform::Color::white())));
    fields = with(fields, "tags", ArchiveObject(platform::ArchiveArray{ArchiveObject("a"), ArchiveObject::number(2)}));
    fields = with(fields, "comment", ArchiveObject::number(3));
    fields = with(fields, "favorite", ArchiveObject("yes"));
    const auto item = decodeRecord(fields);
    ASSERT_TRUE(item);
    EXPECT_FALSE(item->color());
    EXPECT_FALSE(item->hotkey());
    EXPECT_TRUE(item->tags().empty());
    EXPECT_EQ(item->comment(), "");
    EXPECT_FALSE(item->isFavorite());

    const auto bare = decodeRecord({{"name", "N"}, {"path", "https://x.org"}});
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->isVisible());
    EXPECT_FALSE(bare->isFavorite());
    EXPECT_TRUE(bare->tags().empty());
    EXPECT_EQ(bare->itemType(), ListviewItemType::unknown);
    EXPECT_EQ(bare->itemSource(), ListviewItemSource::other);
}

TEST_F(EntryTest, RecordsWithoutUsableNameOrPathYieldNoEntry) {
    const auto base = validFields("https://x.org", "url", "other");
    struct Case {
        const char* what;
        Fields fields;
        bool logsFailure;
    };
    const std::vector<Case> cases{
        {"name missing", with(base, "name", std::nullopt), true},
        {"path missing", with(base, "path", std::nullopt), true},
        {"path not a string", with(base, "path", ArchiveObject::number(7)), true},
        {"name null", with(base, "name", ArchiveObject(nullptr)), true},
        {"empty name", with(base, "name", ""), false},
        {"empty path", with(base, "path", ""), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        logs().clear();
        EXPECT_FALSE(decodeRecord(c.fields));
        EXPECT_EQ(logs().contains("Init of Entry failed!"), c.logsFailure);
    }
    // An entry with an empty name is written like any other, and read back as none.
    auto unnamed = TableViewItem::initForURL("https://x.org", "", "");
    const auto result = roundTrip(ArchiveObject(unnamed));
    ASSERT_TRUE(result);
    EXPECT_FALSE(result.object.as<TableViewItem>());
}

TEST_F(EntryTest, OneUndecodableRecordLeavesTheRestOfAListReadable) {
    auto first = TableViewItem::initForURL("https://a.org", "A", "");
    auto last = TableViewItem::initForURL("https://c.org", "C", "");
    const auto broken = std::make_shared<FakeRecord>(with(validFields("https://b.org", "url", "other"), "path", std::nullopt));
    const auto result = roundTrip(ArchiveObject(platform::ArchiveArray{ArchiveObject(first), ArchiveObject(broken), ArchiveObject(last)}));
    ASSERT_TRUE(result) << result.error;
    const auto* array = result.object.asArray();
    ASSERT_TRUE(array);
    Strings decoded;
    for (const auto& element : *array)
        if (auto item = element.as<TableViewItem>()) decoded.push_back(item->path());
    EXPECT_EQ(decoded, (Strings{"https://a.org", "https://c.org"}));
}

TEST_F(EntryTest, FileLooksTakenOnTheWorkersReachEveryEntryInItsOwnOrder) {
    // More records than fit in two batches, the kinds in a pattern that
    // shows any status handed to the wrong entry; links take no look.
    const auto app = makeApplication("apps/became-an-app.desktop", "App");
    const auto folder = makeFolder("became-a-folder");
    const auto file = makeFile("still-a-file.txt");
    const auto gone = (root() / "gone.txt").string();
    struct Kind {
        Fields fields;
        ListviewItemType type;
    };
    const std::vector<Kind> kinds{
        {validFields(folder, "file", "other"), ListviewItemType::folder},
        {validFields(app, "folder", "other"), ListviewItemType::application},
        {validFields("https://example.org", "url", "other"), ListviewItemType::url},
        {validFields(gone, "folder", "other"), ListviewItemType::folder},
        {validFields(file, "folder", "other"), ListviewItemType::file},
    };
    const std::size_t count = 2 * EntryFileChecks::batchSize + 37;
    platform::ArchiveArray records;
    for (std::size_t i = 0; i < count; ++i)
        records.emplace_back(std::make_shared<FakeRecord>(kinds[i % kinds.size()].fields));
    const auto data = *platform::KeyedArchiver::archivedData(ArchiveObject(records));

    for (const bool finishedByDestructor : {false, true}) {
        SCOPED_TRACE(finishedByDestructor ? "finished by the destructor" : "finished");
        platform::UnarchiveResult result;
        {
            EntryFileChecks checks;
            EXPECT_EQ(EntryFileChecks::current(), &checks);
            result = platform::KeyedUnarchiver::unarchiveTopLevelObject(data);
            if (!finishedByDestructor) checks.finish();
        }
        EXPECT_EQ(EntryFileChecks::current(), nullptr);
        ASSERT_TRUE(result) << result.error;
        const auto& entries = *result.object.asArray();
        ASSERT_EQ(entries.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto entry = entries[i].as<TableViewItem>();
            const auto& kind = kinds[i % kinds.size()];
            ASSERT_TRUE(entry);
            EXPECT_EQ(entry->itemType(), kind.type) << "entry " << i;
        }
    }
}
