#include <string>
#include <vector>

#include "hotkeys/KeyCombo.h"
#include "platform/foundation/NotificationCenter.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterConfigData.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"
#include "store/TableViewItem.h"
#include "support/FreltTest.h"

using namespace frelt;
namespace mf = frelt::modifierflags;

namespace {

using Names = std::vector<std::string>;

struct EntrySpec {
    ListviewItemType type;
    std::string name;
    std::string path;
    std::string comment;
    std::vector<std::string> tags;
    bool visible = true;
    KeyCombo::Ptr hotkey = nullptr;
};

TableViewItem::Ptr makeEntry(const EntrySpec& spec) {
    auto entry = TableViewItem::initForSpotlightApp(spec.path.empty() ? "/apps/" + spec.name : spec.path, spec.name);
    entry->setItemType(spec.type);
    entry->setComment(spec.comment);
    entry->setTags(spec.tags);
    entry->setHotkey(spec.hotkey);
    entry->setIsVisible(spec.visible);
    return entry;
}

Names namesOf(const std::vector<TableViewItem::Ptr>& entries) {
    Names names;
    for (const auto& e : entries) names.push_back(e->name());
    return names;
}

class ConfigFilterTest : public FreltTest {
protected:
    void TearDown() override {
        logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }

    // Puts the entries in the store's allData and returns the store.
    std::shared_ptr<DataStorage> storeWith(const std::vector<EntrySpec>& specs) {
        auto store = DataStorage::shared();
        for (const auto& spec : specs) store->allData()->append(makeEntry(spec));
        return store;
    }

    static Names shown(const std::shared_ptr<DataStorage>& store) {
        const auto list = store->currentDataConfig();
        return list ? namesOf(list->toVector()) : Names{};
    }
};

// A mixed store: every kind, one hidden entry and a tag entry whose name
// and path would match several searches.
std::vector<EntrySpec> mixedEntries() {
    return {
        {ListviewItemType::application, "Alpha Editor", "/opt/Alpha.desktop", "Writes text", {"Work", "Office|Docs"}},
        {ListviewItemType::file, "beta notes.txt", "/home/u/Docs/Beta Notes.TXT", "", {"Private"}, false},
        {ListviewItemType::folder, "Gamma", "/home/u/Gamma", "project WORK", {}},
        {ListviewItemType::url, "Delta Site", "https://Example.org/Delta", "bookmark", {"work|web"}},
        {ListviewItemType::tag, "Tag [Work]", "Work", "Work Docs example.org", {"Work"}},
    };
}

TEST_F(ConfigFilterTest, InitialFieldsListEveryNonTagEntryByName) {
    DataStorageFilterConfigData filter;
    EXPECT_EQ(filter.configTableViewFilterActive(), ConfigEnumFilterActive::all);
    EXPECT_EQ(filter.configTableViewFilterType(), ConfigEnumFilterType::all);
    EXPECT_EQ(filter.configTableViewFilterSearchFor(), ConfigEnumFilterSearchFor::name);
    EXPECT_EQ(filter.configTableViewSearchString(), "");
    EXPECT_EQ(filter.configTableViewSortingBy(), ConfigEnumSortingBy::name);
    EXPECT_EQ(filter.configTableViewSortingOrder(), ConfigEnumSortingOrder::ascending);

    auto store = storeWith(mixedEntries());
    filter.applyFilter();
    EXPECT_EQ(shown(store), (Names{"Alpha Editor", "beta notes.txt", "Delta Site", "Gamma"}));
    EXPECT_EQ(store->state(), DatastorageState::idle);
}

TEST_F(ConfigFilterTest, FilterFieldsSelectEntries) {
    using A = ConfigEnumFilterActive;
    using T = ConfigEnumFilterType;
    using S = ConfigEnumFilterSearchFor;
    struct Case {
        A active;
        T type;
        S searchFor;
        std::string search;
        Names expected;
    };
    const std::vector<Case> cases = {
        {A::activeOnly, T::all, S::name, "", {"Alpha Editor", "Delta Site", "Gamma"}},
        {A::inactiveOnly, T::all, S::name, "", {"beta notes.txt"}},
        {A::all, T::applications, S::name, "", {"Alpha Editor"}},
        {A::all, T::files, S::name, "", {"beta notes.txt"}},
        {A::all, T::folders, S::name, "", {"Gamma"}},
        {A::all, T::urls, S::name, "", {"Delta Site"}},
        // The tag entry's name matches, but tag entries are never listed.
        {A::all, T::all, S::name, "TAG [", {}},
        {A::all, T::all, S::name, "ET", {"beta notes.txt"}},
        // Any tag containing the text, ignoring case; comments and paths do not count.
        {A::all, T::all, S::tag, "work", {"Alpha Editor", "Delta Site"}},
        {A::all, T::all, S::tag, "DOCS", {"Alpha Editor"}},
        {A::all, T::all, S::comment, "work", {"Gamma"}},
        {A::all, T::all, S::path, "example.ORG", {"Delta Site"}},
        {A::all, T::all, S::path, "docs/beta", {"beta notes.txt"}},
        {A::activeOnly, T::urls, S::tag, "web", {"Delta Site"}},
        {A::inactiveOnly, T::all, S::tag, "work", {}},
    };
    auto store = storeWith(mixedEntries());
    DataStorageFilterConfigData filter;
    for (const Case& c : cases) {
        filter.setConfigTableViewFilterActive(c.active);
        filter.setConfigTableViewFilterType(c.type);
        filter.setConfigTableViewFilterSearchFor(c.searchFor);
        filter.setConfigTableViewSearchString(c.search);
        filter.applyFilter();
        EXPECT_EQ(shown(store), c.expected) << "search \"" << c.search << "\" mode "
                                            << static_cast<int>(c.searchFor) << " active "
                                            << static_cast<int>(c.active) << " type " << static_cast<int>(c.type);
    }
}

TEST_F(ConfigFilterTest, PredicateIsLoggedAndExcludesTagEntries) {
    logging::setDebugLoggingEnabled(true);
    DataStorageFilterConfigData filter;
    filter.filteredAndSorted({});
    ASSERT_EQ(logs().messages().size(), 1u);
    const std::string line = logs().messages().front();
    EXPECT_EQ(line.rfind("Filter-Predicate: ", 0), 0u) << line;
    EXPECT_NE(line.find("NOT"), std::string::npos) << line;
    EXPECT_NE(line.find("tag"), std::string::npos) << line;
    EXPECT_EQ(logs().records().front().category, "dataStorageConfigDataFilter");
    EXPECT_EQ(logs().records().front().level, platform::LogLevel::Info);
}

// Five entries whose keys cover every column's missing value.
std::vector<TableViewItem::Ptr> sortEntries() {
    return {
        makeEntry({ListviewItemType::application, "b", "", "apple", {"x", "a"}, true, KeyCombo::make(Key::k, mf::command)}),
        makeEntry({ListviewItemType::application, "A", "", "", {}, true, nullptr}),
        // An empty first tag and a doubled-modifier hotkey (no key text) count as missing.
        makeEntry({ListviewItemType::application, "c", "", "\u00e4rger", {"", "b"}, true, KeyCombo::makeDoubled(mf::command)}),
        makeEntry({ListviewItemType::application, "d", "", "9 lives", {"B"}, true, KeyCombo::make(Key::j, mf::command)}),
        makeEntry({ListviewItemType::application, "e", "", "zebra", {}, true, nullptr}),
    };
}

TEST_F(ConfigFilterTest, SortsByEachColumnWithMissingValuesAsPlaceholder) {
    using B = ConfigEnumSortingBy;
    using O = ConfigEnumSortingOrder;
    struct Case {
        B by;
        O order;
        Names expected;
    };
    const std::vector<Case> cases = {
        {B::name, O::ascending, {"A", "b", "c", "d", "e"}},
        {B::name, O::descending, {"e", "d", "c", "b", "A"}},
        // Digits and a..y before the placeholder, "ä" after it.
        {B::comment, O::ascending, {"d", "b", "e", "A", "c"}},
        {B::comment, O::descending, {"c", "A", "e", "b", "d"}},
        // Only the first tag counts; equal keys keep the entries' order either way.
        {B::tags, O::ascending, {"d", "b", "A", "c", "e"}},
        {B::tags, O::descending, {"A", "c", "e", "b", "d"}},
        {B::hotkey, O::ascending, {"d", "b", "A", "c", "e"}},
        {B::hotkey, O::descending, {"A", "c", "e", "b", "d"}},
    };
    const auto entries = sortEntries();
    DataStorageFilterConfigData filter;
    for (const Case& c : cases) {
        filter.setConfigTableViewSortingBy(c.by);
        filter.setConfigTableViewSortingOrder(c.order);
        EXPECT_EQ(namesOf(filter.filteredAndSorted(entries)), c.expected)
            << "column " << static_cast<int>(c.by) << " order " << static_cast<int>(c.order);
    }
}

TEST_F(ConfigFilterTest, SortKeysAreLowerCasedComposedOrThePlaceholder) {
    EXPECT_EQ(std::string(DataStorageFilterConfigData::missingSortKey), std::string(27, 'z'));
    const auto entries = sortEntries();
    EXPECT_EQ(DataStorageFilterConfigData::sortKey(*entries[0], ConfigEnumSortingBy::hotkey), "k");
    EXPECT_EQ(DataStorageFilterConfigData::sortKey(*entries[2], ConfigEnumSortingBy::hotkey), std::string(27, 'z'));
    EXPECT_EQ(DataStorageFilterConfigData::sortKey(*entries[3], ConfigEnumSortingBy::tags), "b");

    // A decomposed and a precomposed name share one key.
    auto decomposed = makeEntry({ListviewItemType::file, "E\u0301mile", "", "", {}});
    auto precomposed = makeEntry({ListviewItemType::file, "\u00c9MILE", "", "", {}});
    EXPECT_EQ(DataStorageFilterConfigData::sortKey(*decomposed, ConfigEnumSortingBy::name),
              DataStorageFilterConfigData::sortKey(*precomposed, ConfigEnumSortingBy::name));

    // A comment that is longer than the placeholder sorts after entries without one.
    DataStorageFilterConfigData filter;
    filter.setConfigTableViewSortingBy(ConfigEnumSortingBy::comment);
    auto longZ = makeEntry({ListviewItemType::file, "long", "", std::string(28, 'z'), {}});
    auto none = makeEntry({ListviewItemType::file, "none", "", "", {}});
    EXPECT_EQ(namesOf(filter.filteredAndSorted({longZ, none})), (Names{"none", "long"}));
}

TEST_F(ConfigFilterTest, OnlyRealChangesOfFilterFieldsReapply) {
    auto store = storeWith(mixedEntries());
    DataStorageFilterConfigData filter;
    filter.applyFilter();
    int runs = 0;
    auto& center = platform::NotificationCenter::defaultCenter();
    auto changed = center.observe(Notifications::currentDataConfigChanged, nullptr, [&](auto&) { ++runs; });
    auto same = center.observe(Notifications::currentDataConfigNotChangedWithLastRequest, nullptr, [&](auto&) { ++runs; });

    filter.setConfigTableViewFilterActive(ConfigEnumFilterActive::all);
    filter.setConfigTableViewFilterType(ConfigEnumFilterType::all);
    filter.setConfigTableViewFilterSearchFor(ConfigEnumFilterSearchFor::name);
    filter.setConfigTableViewSearchString("");
    EXPECT_EQ(runs, 0);

    filter.setConfigTableViewSearchString("e\u0301");
    EXPECT_EQ(runs, 1);
    filter.setConfigTableViewSearchString("\u00e9");  // canonically the same text
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(filter.configTableViewSearchString(), "e\u0301");

    filter.setConfigTableViewSearchString("");
    filter.setConfigTableViewFilterActive(ConfigEnumFilterActive::activeOnly);
    filter.setConfigTableViewFilterType(ConfigEnumFilterType::urls);
    filter.setConfigTableViewFilterSearchFor(ConfigEnumFilterSearchFor::path);
    EXPECT_EQ(runs, 5);
    EXPECT_EQ(shown(store), (Names{"Delta Site"}));

    // The sort fields wait for applyFilter().
    filter.setConfigTableViewFilterType(ConfigEnumFilterType::all);
    EXPECT_EQ(runs, 6);
    filter.setConfigTableViewSortingOrder(ConfigEnumSortingOrder::descending);
    filter.setConfigTableViewSortingBy(ConfigEnumSortingBy::comment);
    EXPECT_EQ(runs, 6);
    EXPECT_EQ(shown(store), (Names{"Alpha Editor", "Delta Site", "Gamma"}));
    filter.applyFilter();
    EXPECT_EQ(runs, 7);
    EXPECT_EQ(shown(store), (Names{"Alpha Editor", "Gamma", "Delta Site"}));
}

TEST_F(ConfigFilterTest, FilterTypeIndexIsThePopupPosition) {
    EXPECT_EQ(allCasesIndex(ConfigEnumFilterType::all), 0u);
    EXPECT_EQ(allCasesIndex(ConfigEnumFilterType::applications), 1u);
    EXPECT_EQ(allCasesIndex(ConfigEnumFilterType::urls), 4u);
}

}  // namespace

// The filter runs its members' tests on the entries' own fields; the "and"
// of them must give what the predicate as written (which the log shows)
// gives, for every combination of the popups and search fields.
TEST_F(ConfigFilterTest, TheFilterTestAgreesWithItsPredicateForEverySetting) {
    std::vector<TableViewItem::Ptr> entries;
    for (const auto& spec : mixedEntries()) entries.push_back(makeEntry(spec));
    entries.push_back(makeEntry({ListviewItemType::file, "Stra\u00dfe", "/home/u/Stra\u00dfe", "caf\u00e9", {"CAFE\u0301"}}));
    DataStorageFilterConfigData filter;
    for (const auto active : allConfigEnumFilterActiveCases) {
        for (const auto type : allConfigEnumFilterTypeCases) {
            for (const auto searchFor : allConfigEnumFilterSearchForCases) {
                for (const char* text : {"", "work", "DOCS", "strasse", "caf\u00e9", "e"}) {
                    filter.setConfigTableViewFilterActive(active);
                    filter.setConfigTableViewFilterType(type);
                    filter.setConfigTableViewFilterSearchFor(searchFor);
                    filter.setConfigTableViewSearchString(text);
                    const EntryPredicate predicate = filter.filterPredicate();
                    SCOPED_TRACE(predicate.predicateFormat());
                    for (const auto& entry : entries)
                        EXPECT_EQ(predicate.evaluate(*entry), predicate.predicate().evaluate(*entry)) << entry->name();
                }
            }
        }
    }
}
