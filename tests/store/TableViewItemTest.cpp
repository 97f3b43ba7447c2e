#include <functional>

#include "TableViewItemTestSupport.h"
#include "hotkeys/KeyCombo.h"
#include "platform/graphics/Color.h"
#include "sources/discovery/OpenApplicationsManager.h"
#include "store/RemovingDuplicates.h"

using namespace frelt;
namespace mf = frelt::modifierflags;

namespace {

KeyCombo::Ptr commandK() { return KeyCombo::make(Key::k, mf::command); }
KeyCombo::Ptr commandJ() { return KeyCombo::make(Key::j, mf::command); }

using Strings = std::vector<std::string>;

}  // namespace

TEST(ListviewItemKinds, RawValuesAreExactAndCaseSensitive) {
    const Strings types{"folder", "file", "application", "url", "tag", "unknown"};
    const auto allTypes = listviewItemTypes.allCases();
    ASSERT_EQ(allTypes.size(), types.size());
    for (std::size_t i = 0; i < types.size(); ++i) {
        EXPECT_EQ(rawValue(allTypes[i]), types[i]);
        EXPECT_EQ(listviewItemTypeFromRawValue(types[i]), allTypes[i]);
    }
    const Strings sources{"spotlight", "shortcuts", "tags", "other"};
    const auto allSources = listviewItemSources.allCases();
    ASSERT_EQ(allSources.size(), sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        EXPECT_EQ(rawValue(allSources[i]), sources[i]);
        EXPECT_EQ(listviewItemSourceFromRawValue(sources[i]), allSources[i]);
    }
    EXPECT_FALSE(listviewItemTypeFromRawValue("Folder"));
    EXPECT_FALSE(listviewItemTypeFromRawValue("URL"));
    EXPECT_FALSE(listviewItemSourceFromRawValue("Tags"));
    EXPECT_FALSE(listviewItemSourceFromRawValue(""));
}

TEST_F(EntryTest, RawValueSettersFallBackToUnknownAndOther) {
    auto item = TableViewItem::initForSpotlightApp("/a.desktop", "A");
    ChangeRecorder changes;
    item->setItemTypeRawValue("Folder");
    EXPECT_EQ(item->itemType(), ListviewItemType::unknown);
    item->setItemTypeRawValue("file");
    EXPECT_EQ(item->itemType(), ListviewItemType::file);
    item->setItemSourceRawValue("");
    EXPECT_EQ(item->itemSource(), ListviewItemSource::other);
    item->setItemSourceRawValue("shortcuts");
    EXPECT_EQ(item->itemSourceRawValue(), "shortcuts");
    EXPECT_TRUE(changes.posts.empty());
}

TEST_F(EntryTest, InitializersSetTheirFieldsAndPostNothing) {
    ChangeRecorder changes;
    auto app = TableViewItem::initForSpotlightApp("/Apps/Editor.desktop", "Éditeur");
    auto tag = TableViewItem::initForTag("Work|Mail", "Tag [Work|Mail]");
    auto link = TableViewItem::initForURL("https://Example.org", "Example", "a note");
    auto shortcut = TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=X", "X", "c");

    EXPECT_TRUE(changes.posts.empty());
    for (const auto& item : {app, tag, link, shortcut}) {
        EXPECT_TRUE(item->initialized());
        EXPECT_TRUE(item->tags().empty());
        EXPECT_FALSE(item->color());
        EXPECT_FALSE(item->hotkey());
        EXPECT_TRUE(item->isVisible());
        EXPECT_FALSE(item->isFavorite());
        EXPECT_FALSE(item->lastUsedDate());
        EXPECT_FALSE(item->isFoundBySpotlight() || item->isFoundByShortcutImport() || item->isFoundByTags());
        EXPECT_FALSE(item->lastReachableCheck());
    }
    EXPECT_EQ(app->nameLowercased(), "éditeur");
    EXPECT_EQ(app->pathLowercased(), "/apps/editor.desktop");
    EXPECT_EQ(app->itemType(), ListviewItemType::application);
    EXPECT_EQ(app->itemSource(), ListviewItemSource::spotlight);
    EXPECT_EQ(tag->path(), "Work|Mail");
    EXPECT_EQ(tag->itemType(), ListviewItemType::tag);
    EXPECT_EQ(tag->itemSource(), ListviewItemSource::tags);
    EXPECT_EQ(link->comment(), "a note");
    EXPECT_EQ(link->pathLowercased(), "https://example.org");
    EXPECT_EQ(link->itemType(), ListviewItemType::url);
    EXPECT_EQ(link->itemSource(), ListviewItemSource::other);
    EXPECT_EQ(shortcut->itemType(), ListviewItemType::url);
    EXPECT_EQ(shortcut->itemSource(), ListviewItemSource::shortcuts);

    // The first notification comes from the first change after initializing.
    link->setComment("changed");
    EXPECT_EQ(changes.posts, Strings{"commentChanged https://Example.org"});
}

TEST_F(EntryTest, FileSystemInitializerTakesKindAndNameFromTheFileSystem) {
    const auto app = TableViewItem::initForExternalNonSpotlightObject(makeApplication("apps/ed.desktop", "Editor"));
    EXPECT_EQ(app->itemType(), ListviewItemType::application);
    EXPECT_EQ(app->name(), "Editor");
    EXPECT_EQ(app->nameLowercased(), "editor");

    const auto folder = TableViewItem::initForExternalNonSpotlightObject(makeFolder("Projects"));
    EXPECT_EQ(folder->itemType(), ListviewItemType::folder);
    EXPECT_EQ(folder->name(), "Projects");

    const auto file = TableViewItem::initForExternalNonSpotlightObject(makeFile("Notes.TXT"));
    EXPECT_EQ(file->itemType(), ListviewItemType::file);
    EXPECT_EQ(file->name(), "Notes.TXT");
    EXPECT_EQ(file->nameLowercased(), "notes.txt");

    const auto missing = TableViewItem::initForExternalNonSpotlightObject((root() / "gone" / "Report.pdf").string());
    EXPECT_EQ(missing->itemType(), ListviewItemType::unknown);
    EXPECT_EQ(missing->name(), "Report.pdf");
    for (const auto& item : {app, folder, file, missing}) EXPECT_EQ(item->itemSource(), ListviewItemSource::other);
}

struct SetterCase {
    const char* what;
    std::function<TableViewItem::Ptr()> make;
    std::function<void(TableViewItem&)> act;
    Strings expectedReasons;
};

TEST_F(EntryTest, SettersPostExactlyOnRealChanges) {
    const auto spotlight = [] { return TableViewItem::initForSpotlightApp("/a.desktop", "Name"); };
    const auto withTags = [] {
        auto item = TableViewItem::initForSpotlightApp("/a.desktop", "Name");
        item->setTags({"a", "b"});
        return item;
    };
    const auto withColor = [] {
        auto item = TableViewItem::initForSpotlightApp("/a.desktop", "Name");
        item->setColor(platform::Color::calibratedRGB(1, 0, 0));
        return item;
    };
    const auto withHotkey = [] {
        auto item = TableViewItem::initForSpotlightApp("/a.desktop", "Name");
        item->setHotkey(commandK());
        return item;
    };
    const auto hiddenWithHotkey = [] {
        auto item = TableViewItem::initForSpotlightApp("/a.desktop", "Name");
        item->setIsVisible(false);
        item->setHotkey(commandK());  // accepted on a hidden entry
        return item;
    };
    const auto userAddedWithHotkey = [] {
        auto item = TableViewItem::initForURL("https://x.org", "Name", "");
        item->setHotkey(commandK());
        return item;
    };

    const std::vector<SetterCase> cases{
        {"same name", spotlight, [](auto& i) { i.setName("Name"); }, {}},
        {"other name", spotlight, [](auto& i) { i.setName("Other"); }, {"nameChanged"}},
        {"name differing in case", spotlight, [](auto& i) { i.setName("name"); }, {"nameChanged"}},
        {"same path", spotlight, [](auto& i) { i.setPath("/a.desktop"); }, {}},
        {"other path", spotlight, [](auto& i) { i.setPath("/b.desktop"); }, {"pathChanged"}},
        {"lower-cased fields directly", spotlight,
         [](auto& i) { i.setNameLowercased("X"); i.setPathLowercased("Y"); }, {}},
        {"tags reordered", withTags, [](auto& i) { i.setTags({"b", "a"}); }, {}},
        {"tags with a repeat", withTags, [](auto& i) { i.setTags({"a", "b", "a"}); }, {}},
        {"tag added", withTags, [](auto& i) { i.setTags({"a", "b", "c"}); }, {"tagChanged"}},
        {"tag removed", withTags, [](auto& i) { i.setTags({"a"}); }, {"tagChanged"}},
        {"same comment", spotlight, [](auto& i) { i.setComment(""); }, {}},
        {"new comment", spotlight, [](auto& i) { i.setComment("c"); }, {"commentChanged"}},
        {"no colour to no colour", spotlight, [](auto& i) { i.setColor(std::nullopt); }, {}},
        {"first colour", spotlight, [](auto& i) { i.setColor(platform::Color::calibratedRGB(1, 0, 0)); }, {"colorChanged"}},
        {"equal colour", withColor, [](auto& i) { i.setColor(platform::Color::calibratedRGB(1, 0, 0)); }, {}},
        {"other colour", withColor, [](auto& i) { i.setColor(platform::Color::calibratedRGB(0, 1, 0)); }, {"colorChanged"}},
        {"colour removed", withColor, [](auto& i) { i.setColor(std::nullopt); }, {"colorChanged"}},
        {"no hotkey to none", spotlight, [](auto& i) { i.setHotkey(nullptr); }, {}},
        {"first hotkey", spotlight, [](auto& i) { i.setHotkey(commandK()); }, {"hotkeyChanged"}},
        {"equal hotkey, other object", withHotkey, [](auto& i) { i.setHotkey(commandK()); }, {}},
        {"other hotkey", withHotkey, [](auto& i) { i.setHotkey(commandJ()); }, {"hotkeyChanged"}},
        {"hotkey removed", withHotkey, [](auto& i) { i.setHotkey(nullptr); }, {"hotkeyChanged"}},
        {"favourite unchanged", spotlight, [](auto& i) { i.setIsFavorite(false); }, {}},
        {"favourite set", spotlight, [](auto& i) { i.setIsFavorite(true); }, {"favoriteChanged"}},
        {"visible unchanged", spotlight, [](auto& i) { i.setIsVisible(true); }, {}},
        {"hidden without hotkey", spotlight, [](auto& i) { i.setIsVisible(false); }, {"visibilityChanged"}},
        {"hidden with hotkey", withHotkey, [](auto& i) { i.setIsVisible(false); }, {"visibilityChanged", "hotkeyChanged"}},
        {"shown again keeps hotkey", hiddenWithHotkey, [](auto& i) { i.setIsVisible(true); }, {"visibilityChanged"}},
        {"user-added entry cannot be hidden", userAddedWithHotkey, [](auto& i) { i.setIsVisible(false); }, {}},
        {"raw values and found-by flags", spotlight,
         [](auto& i) {
             i.setItemTypeRawValue("file");
             i.setIsFoundBySpotlight(true);
             i.setLastUsedDate(platform::Date{5});
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto item = c.make();
        ChangeRecorder changes;
        c.act(*item);
        EXPECT_EQ(changes.reasons(), c.expectedReasons);
    }
}

TEST_F(EntryTest, SettersKeepLowercasedCopiesAndPayloadCarriesTheNewPath) {
    auto item = TableViewItem::initForSpotlightApp("/a.desktop", "Name");
    item->setNameLowercased("stale");
    ChangeRecorder changes;
    item->setName("Name");
    EXPECT_EQ(item->nameLowercased(), "name");
    item->setPath("/Apps/ÜBER.desktop");
    EXPECT_EQ(item->pathLowercased(), "/apps/über.desktop");
    EXPECT_EQ(changes.posts, Strings{"pathChanged /Apps/ÜBER.desktop"});
}

TEST_F(EntryTest, HidingDropsTheHotkeyAndUserAddedEntriesStayVisible) {
    auto app = TableViewItem::initForSpotlightApp("/a.desktop", "A");
    app->setHotkey(commandK());
    app->setIsVisible(false);
    EXPECT_FALSE(app->isVisible());
    EXPECT_FALSE(app->hotkey());

    auto link = TableViewItem::initForURL("https://x.org", "X", "");
    link->setIsVisible(false);
    EXPECT_TRUE(link->isVisible());
    EXPECT_TRUE(link->isManuallyCreated());
    EXPECT_FALSE(link->couldBeHidden());
    EXPECT_FALSE(app->isManuallyCreated());
    EXPECT_TRUE(app->couldBeHidden());
}

TEST_F(EntryTest, ItemChangedPostsWithReasonAndLogsItsText) {
    auto item = TableViewItem::initForURL("https://x.org", "X", "");
    ChangeRecorder changes;
    item->itemChanged(TableViewItemChangeReason::colorChanged);
    EXPECT_EQ(changes.posts, Strings{"colorChanged https://x.org"});
    EXPECT_TRUE(logs().contains("itemChanged - will post notification: colorChanged [X]"));
}

TEST_F(EntryTest, ShouldSavedToConfig) {
    const auto spotlight = [] { return TableViewItem::initForSpotlightApp("/a.desktop", "A"); };
    EXPECT_FALSE(spotlight()->shouldSavedToConfig());
    const std::vector<std::pair<const char*, std::function<void(TableViewItem&)>>> userChanges{
        {"comment", [](auto& i) { i.setComment("c"); }},
        {"tag", [](auto& i) { i.setTags({"t"}); }},
        {"colour", [](auto& i) { i.setColor(platform::Color::white()); }},
        {"hotkey", [](auto& i) { i.setHotkey(commandK()); }},
        {"favourite", [](auto& i) { i.setIsFavorite(true); }},
        {"hidden", [](auto& i) { i.setIsVisible(false); }},
    };
    for (const auto& [what, change] : userChanges) {
        SCOPED_TRACE(what);
        auto item = spotlight();
        change(*item);
        EXPECT_TRUE(item->shouldSavedToConfig());
        auto tag = TableViewItem::initForTag("t", "Tag [t]");
        change(*tag);
        EXPECT_FALSE(tag->shouldSavedToConfig());
    }
    auto renamed = spotlight();
    renamed->setName("Other");
    renamed->setLastUsedDate(platform::Date{1});
    EXPECT_FALSE(renamed->shouldSavedToConfig());
    EXPECT_TRUE(TableViewItem::initForURL("https://x.org", "X", "")->shouldSavedToConfig());
    EXPECT_TRUE(TableViewItem::initForShortcutsURL("shortcuts://x", "X", "")->shouldSavedToConfig());

    auto unknown = TableViewItem::initForURL("https://x.org", "X", "c");
    unknown->setItemTypeRawValue("nonsense");
    EXPECT_FALSE(unknown->shouldSavedToConfig());
    EXPECT_TRUE(logs().contains("UNKOWN ITEMTYPE DETECTED: https://x.org"));
}

TEST_F(EntryTest, PhysicalEntriesDropsAndModificationDates) {
    const auto file = TableViewItem::initForExternalNonSpotlightObject(makeFile("f.txt"));
    const auto folder = TableViewItem::initForExternalNonSpotlightObject(makeFolder("d"));
    const auto fileURLLink = TableViewItem::initForURL("file://" + makeFile("g.txt"), "G", "");
    const auto tag = TableViewItem::initForTag("t", "T");
    EXPECT_TRUE(file->isPhysicalEntry());
    EXPECT_TRUE(folder->isPhysicalEntry());
    EXPECT_FALSE(fileURLLink->isPhysicalEntry());
    EXPECT_FALSE(tag->isPhysicalEntry());

    EXPECT_TRUE(file->acceptsDrop());
    EXPECT_FALSE(folder->acceptsDrop());
    EXPECT_TRUE(fileURLLink->acceptsDrop());
    EXPECT_FALSE(tag->acceptsDrop());

    EXPECT_TRUE(file->lastModifiedDate());
    EXPECT_FALSE(fileURLLink->lastModifiedDate());
    std::filesystem::remove(file->path());
    EXPECT_FALSE(file->lastModifiedDate());
}

TEST_F(EntryTest, ReachabilityRulesNeedNoFileTestExceptForFileSystemEntries) {
    const auto gone = (root() / "gone").string();
    auto link = TableViewItem::initForURL("no-such-thing", "L", "");
    auto shortcut = TableViewItem::initForShortcutsURL(gone, "S", "");
    auto tagEntry = TableViewItem::initForTag(gone, "T");
    auto spotlightApp = TableViewItem::initForSpotlightApp(gone, "A");
    EXPECT_TRUE(link->isReachable());
    EXPECT_TRUE(shortcut->isReachable());
    EXPECT_TRUE(tagEntry->isReachable());
    EXPECT_EQ(tagEntry->lastReachableCheck(), true);
    EXPECT_FALSE(link->lastReachableCheck());

    // From the application search: reachable while the current results hold it.
    spotlightApp->setIsFoundBySpotlight(true);
    EXPECT_TRUE(spotlightApp->isReachable());
    EXPECT_FALSE(spotlightApp->lastReachableCheck());
    spotlightApp->setIsFoundBySpotlight(false);
    EXPECT_FALSE(spotlightApp->isReachable());
    EXPECT_EQ(spotlightApp->lastReachableCheck(), false);

    // isFoundByShortcutImport plays no part.
    auto missingFile = TableViewItem::initForExternalNonSpotlightObject(gone);
    missingFile->setIsFoundByShortcutImport(true);
    EXPECT_FALSE(missingFile->isReachable());
}

// The answer holds for five seconds from the test that found it; look-ups in
// between do not stretch that, or an entry looked at every few seconds (each
// keystroke of a search) would never be tested again and a deleted file would
// stay listed.
TEST_F(EntryTest, ReachabilityCacheHoldsFiveSecondsFromTheLastRealTest) {
    const auto path = makeFile("cached.txt");
    auto item = TableViewItem::initForExternalNonSpotlightObject(path);
    // Making the entry looked at the file once: that look is the first test.
    EXPECT_EQ(item->lastReachableCheck(), true);
    EXPECT_EQ(item->lastReachableCheckDateTime(), platform::dispatch::clock::now());

    std::filesystem::remove(path);
    advance(3.0);
    EXPECT_TRUE(item->isReachable());  // from the cache
    advance(2.0);
    EXPECT_TRUE(item->isReachable());  // 5.0 itself still counts
    advance(0.5);
    EXPECT_FALSE(item->isReachable()) << "look-ups within the five seconds kept the stale answer alive";

    std::ofstream(path) << "back";
    advance(4.0);
    EXPECT_FALSE(item->isReachable());
    advance(4.0);
    EXPECT_TRUE(item->isReachable()) << "eight seconds after the last test, with a look-up in between";
}

TEST_F(EntryTest, ReachabilityCacheFollowsTheDispatchClockNotTheWallClock) {
    const auto path = makeFile("mono.txt");
    auto item = TableViewItem::initForSpotlightApp(path, "Mono");  // no file test on making
    EXPECT_FALSE(item->lastReachableCheck());
    EXPECT_TRUE(item->isReachable());
    const auto stamped = item->lastReachableCheckDateTime();
    ASSERT_TRUE(stamped);
    EXPECT_EQ(*stamped, platform::dispatch::clock::now());
    std::filesystem::remove(path);
    advance(1);
    EXPECT_TRUE(item->isReachable());
    EXPECT_EQ(item->lastReachableCheckDateTime(), stamped) << "a look-up from the cache is no test";
    advance(5);
    EXPECT_FALSE(item->isReachable());
    EXPECT_EQ(item->lastReachableCheckDateTime(), platform::dispatch::clock::now());
}

TEST_F(EntryTest, IsLaunchedMatchesApplicationPathsExactly) {
    OpenApplicationsManager::shared()->setOpenApplications({"/apps/Editor.desktop"});
    EXPECT_TRUE(TableViewItem::initForSpotlightApp("/apps/Editor.desktop", "E")->isLaunched());
    EXPECT_FALSE(TableViewItem::initForSpotlightApp("/apps/editor.desktop", "E")->isLaunched());
    auto folder = TableViewItem::initForURL("/apps/Editor.desktop", "E", "");
    folder->setItemType(ListviewItemType::folder);
    EXPECT_FALSE(folder->isLaunched());
}

TEST_F(EntryTest, OpenApplicationsFollowTheWorkspace) {
    auto app = std::make_shared<platform::RunningApplication>();
    app->bundleURL = platform::URL::fileURL("/apps/Run.desktop");
    auto manager = OpenApplicationsManager::shared();
    workspace->applicationsDidLaunch({app});
    EXPECT_TRUE(TableViewItem::initForSpotlightApp("/apps/Run.desktop", "R")->isApplicationRunning());
    workspace->applicationsDidTerminate({app});
    EXPECT_FALSE(manager->containsApplication("/apps/Run.desktop"));
}

TEST_F(EntryTest, EqualityComparesUserVisibleFields) {
    const auto make = [] {
        auto item = TableViewItem::initForSpotlightApp("/a.desktop", "A");
        item->setTags({"x", "y"});
        item->setHotkey(commandK());
        item->setColor(platform::Color::calibratedRGB(1, 0, 0));
        return item;
    };
    auto base = make();
    EXPECT_FALSE(base->isEqual(nullptr));
    {
        auto same = make();
        same->setTags({"y", "x", "y"});
        same->setItemType(ListviewItemType::file);
        same->setLastUsedDate(platform::Date{3});
        same->setIsFoundBySpotlight(true);
        EXPECT_TRUE(base->isEqual(same));
    }
    const std::vector<std::pair<const char*, std::function<void(TableViewItem&)>>> differences{
        {"path", [](auto& i) { i.setPath("/b.desktop"); }},
        {"name", [](auto& i) { i.setName("B"); }},
        {"hotkey", [](auto& i) { i.setHotkey(nullptr); }},
        {"comment", [](auto& i) { i.setComment("c"); }},
        {"colour", [](auto& i) { i.setColor(std::nullopt); }},
        {"tags", [](auto& i) { i.setTags({"x"}); }},
        {"visibility", [](auto& i) { i.setIsVisible(false); i.setHotkey(commandK()); }},
        {"favourite", [](auto& i) { i.setIsFavorite(true); }},
        {"source", [](auto& i) { i.setItemSource(ListviewItemSource::shortcuts); }},
    };
    for (const auto& [what, change] : differences) {
        SCOPED_TRACE(what);
        auto other = make();
        change(*other);
        EXPECT_FALSE(base->isEqual(other));
    }
}

TEST_F(EntryTest, KeyValueAccessServesThePredicates) {
    auto item = TableViewItem::initForSpotlightApp("/Apps/Ed.desktop", "Ed");
    item->setTags({"Work"});
    item->setHotkey(commandK());
    item->setLastUsedDate(platform::Date{7});
    EXPECT_EQ(item->valueForKey("name"), platform::Value("Ed"));
    EXPECT_EQ(item->valueForKey("nameLowercased"), platform::Value("ed"));
    EXPECT_EQ(item->valueForKey("pathLowercased"), platform::Value("/apps/ed.desktop"));
    EXPECT_EQ(item->valueForKey("tags"), platform::Value(Strings{"Work"}));
    EXPECT_EQ(item->valueForKey("itemTypeRawValue"), platform::Value("application"));
    EXPECT_EQ(item->valueForKey("itemSourceRawValue"), platform::Value("spotlight"));
    EXPECT_EQ(item->valueForKey("isVisible"), platform::Value(true));
    EXPECT_EQ(item->valueForKey("isFavorite"), platform::Value(false));
    EXPECT_EQ(item->valueForKey("isManuallyCreated"), platform::Value(false));
    EXPECT_EQ(item->valueForKey("shouldSavedToConfig"), platform::Value(true));
    EXPECT_EQ(item->valueForKey("lastUsedDate"), platform::Value(platform::Date{7}));
    EXPECT_EQ(item->valueForKey("color"), platform::Value());
    EXPECT_TRUE(item->valueForKey("hotkey")->isDictionary());
    EXPECT_TRUE(item->valueForKey("hotkeyKeyEquivalent")->isString());
    EXPECT_EQ(item->valueForKey("isReachable"), platform::Value(false));
    EXPECT_EQ(item->valueForKey("isLaunched"), platform::Value(false));
    EXPECT_FALSE(item->valueForKey("itemType"));
    EXPECT_FALSE(item->valueForKey("noSuchKey"));
}

// --- Tag edits -------------------------------------------------------------------

// One text typed composed ("é") and decomposed ("e" + combining acute).
const std::string cafeComposed = "caf\u00e9";
const std::string cafeDecomposed = "cafe\u0301";

TEST_F(EntryTest, RenameTagReplacesWholeNamesAndRemovesRepeats) {
    struct Case {
        Strings tags;
        std::string from, to;
        Strings expected;
        std::size_t posts;
    };
    const std::vector<Case> cases{
        {{"work", "old", "mail", "old"}, "old", "new", {"work", "new", "mail"}, 2},
        {{"a|x", "c"}, "a", "b", {"a|x", "c"}, 0},
        {{"a"}, "a", "A", {"A"}, 1},
        {{"a"}, "a", "a", {"a"}, 0},
        {{"a", "b"}, "a", "b", {"b"}, 1},  // a merge: the old name goes
        {{"a"}, "", "b", {"a"}, 0},
        {{}, "a", "b", {}, 0},
        // Names match as the registry matches them: either form is the name.
        {{"x", cafeDecomposed}, cafeComposed, "coffee", {"x", "coffee"}, 1},
        {{"a", cafeDecomposed}, "a", cafeComposed, {cafeComposed}, 1},  // holds the new name already
        {{cafeComposed}, cafeComposed, cafeDecomposed, {cafeComposed}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from + " -> " + c.to);
        auto item = TableViewItem::initForURL("https://x.org", "X", "");
        item->setTags(c.tags);
        ChangeRecorder changes;
        logs().clear();
        item->renameTag(c.from, c.to);
        EXPECT_EQ(item->tags(), c.expected);
        EXPECT_EQ(changes.posts.size(), c.posts);
        EXPECT_EQ(logs().contains("-> Tag " + c.from + " found and renamed"), c.posts > 0);
    }
}

TEST_F(EntryTest, DeleteTagPostsForEmptyingAndEachNameRestored) {
    struct Case {
        Strings tags;
        std::string name;
        Strings expected;
        std::size_t posts;
    };
    const std::vector<Case> cases{
        {{"a"}, "a", {}, 1},
        {{"b", "a", "c", "b"}, "a", {"b", "c", "b"}, 3},
        {{"b", "c"}, "a", {"b", "c"}, 0},
        {{"a", "a", "b"}, "a", {"b"}, 2},
        {{cafeDecomposed, "b", cafeComposed}, cafeComposed, {"b"}, 2},
    };
    for (const auto& c : cases) {
        auto item = TableViewItem::initForURL("https://x.org", "X", "");
        item->setTags(c.tags);
        ChangeRecorder changes;
        logs().clear();
        item->deleteTag(c.name);
        EXPECT_EQ(item->tags(), c.expected);
        EXPECT_EQ(changes.posts.size(), c.posts);
        EXPECT_EQ(logs().contains("Modify Tags for entry: X"), c.posts > 0);
    }
}

TEST(RemovingDuplicates, KeepsFirstOccurrencesInOrder) {
    EXPECT_EQ(removingDuplicates(Strings{"x", "y", "x", "z", "y"}), (Strings{"x", "y", "z"}));
    EXPECT_EQ(removingDuplicates(Strings{}), Strings{});
    EXPECT_EQ(removingDuplicates(Strings{cafeDecomposed, "x", cafeComposed}), (Strings{cafeDecomposed, "x"}));
}

TEST_F(EntryTest, ATagListInTheOtherUnicodeFormIsNoChange) {
    auto item = TableViewItem::initForURL("https://x.org", "X", "");
    item->setTags({cafeComposed});
    ChangeRecorder changes;
    item->setTags({cafeDecomposed});
    EXPECT_TRUE(changes.posts.empty());
    EXPECT_EQ(item->tags(), Strings{cafeDecomposed}) << "the text is stored as given";
}
