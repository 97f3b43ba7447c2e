#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TableViewItemTestSupport.h"
#include "app/AppDelegate.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SortDescriptor.h"
#include "sources/discovery/OpenApplicationsManager.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class CurrentDataFilterTest : public EntryTest {
protected:
    void SetUp() override {
        EntryTest::SetUp();
        alpha = add(TableViewItem::initForSpotlightApp(makeApplication("apps/alpha.desktop", "Alpha"), "Alpha"));
        auto hidden = add(TableViewItem::initForSpotlightApp(makeApplication("apps/hidden.desktop", "Hidden"), "Hidden"));
        hidden->setIsVisible(false);
        notes = add(TableViewItem::initForExternalNonSpotlightObject(makeFile("notes.txt")));
        notes->setComment("Quarterly alpha figures");
        add(TableViewItem::initForExternalNonSpotlightObject(makeFolder("docs")));
        add(TableViewItem::initForURL("https://example.org", "Link", ""));
        add(TableViewItem::initForExternalNonSpotlightObject(makeFile("fav.txt")))->setIsFavorite(true);
        add(TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=S", "S", ""));
        running = add(TableViewItem::initForSpotlightApp(makeApplication("apps/running.desktop", "Running"), "Running"));
        running->setTags({"Work"});
        add(TableViewItem::initForTag("Work", "Tag [Work]"));
        OpenApplicationsManager::shared()->setOpenApplications({running->path()});
        AppDelegate::shared()->config->setDebugLogging(true);
    }

    TableViewItem::Ptr add(const TableViewItem::Ptr& entry) {
        EXPECT_EQ(store()->addToAllData(entry), DataStorage::addResultAdded);
        return entry;
    }
    std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    DataStorageFilterCurrentData& filter() { return *store()->filterCurrentData(); }
    Strings shown() {
        return store()->currentData()->map([](const TableViewItem::Ptr& e) { return e->name(); });
    }

    TableViewItem::Ptr alpha, notes, running;
};

// Records the names of the current-data notifications.
class Posts {
public:
    Posts() {
        for (const char* name : {Notifications::currentDataChanged, Notifications::currentDataNotChangedWithLastRequest,
                                 Notifications::currentDataFilterRefreshed})
            observations_.push_back(platform::NotificationCenter::defaultCenter().observe(
                name, nullptr, [this](const platform::Notification& n) { names.push_back(n.name); }));
    }
    Strings names;

private:
    std::vector<platform::Subscription> observations_;
};

}  // namespace

TEST_F(CurrentDataFilterTest, EachSidebarCategoryShowsItsEntries) {
    struct Case {
        SidebarCategory category;
        Strings expected;
    };
    const std::vector<Case> cases{
        {SidebarCategory::allApplications, {"Alpha", "Running"}},
        {SidebarCategory::allFolders, {"docs"}},
        {SidebarCategory::allFiles, {"fav.txt", "notes.txt"}},
        {SidebarCategory::favorites, {"fav.txt"}},
        {SidebarCategory::urls, {"Link"}},  // the shortcut is no hand-made link
        // Nothing was used yet: all of them, in the order of the store.
        {SidebarCategory::lastUsedApplications,
         {"Alpha", "notes.txt", "docs", "Link", "fav.txt", "S", "Running", "Tag [Work]"}},
        {SidebarCategory::openApplications, {"Running"}},
        {SidebarCategory::shortcuts, {"S"}},
        {SidebarCategory::other, {"Alpha", "docs", "fav.txt", "Link", "notes.txt", "Running", "S", "Tag [Work]"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.category));
        Posts posts;
        filter().selectCategory(c.category);
        EXPECT_EQ(shown(), c.expected);
        ASSERT_EQ(posts.names.size(), 2u);
        EXPECT_EQ(posts.names[1], Notifications::currentDataFilterRefreshed);
        EXPECT_EQ(store()->state(), DatastorageState::idle);
    }
}

TEST_F(CurrentDataFilterTest, ApplyFilterLogsItsSettings) {
    logs().clear();
    filter().selectCategory(SidebarCategory::lastUsedApplications);
    EXPECT_TRUE(logs().contains("Filter-maxResults: Optional(15)"));
    EXPECT_TRUE(logs().contains("Filter-SortBy: Last Used Date"));
    EXPECT_TRUE(logs().contains("Filter-SearchString: "));
    logs().clear();
    filter().setTagFilter("Work");
    EXPECT_TRUE(logs().contains("Filter-maxResults: nil"));
    EXPECT_TRUE(logs().contains("Filter-SearchString: Work"));
    EXPECT_EQ(shown(), Strings{"Running"});
}

TEST_F(CurrentDataFilterTest, TagFilterIgnoresCaseAndAnEmptyNameResets) {
    filter().setTagFilter("WORK");
    EXPECT_EQ(shown(), Strings{"Running"});
    filter().setTagFilter("");
    const Strings afterEmptyTag = shown();
    filter().resetFilter();
    filter().applyFilter();
    EXPECT_EQ(shown(), afterEmptyTag);
    EXPECT_EQ(filter().searchString, "");
}

TEST_F(CurrentDataFilterTest, LastUsedCategoryIsNewestFirstAndLimited) {
    for (int i = 0; i < 16; ++i) {
        auto e = add(TableViewItem::initForURL("https://example.org/" + std::to_string(i), "u" + std::to_string(i), ""));
        e->setLastUsedDate(platform::Date{1000.0 + i});
    }
    filter().selectCategory(SidebarCategory::lastUsedApplications);
    const Strings list = shown();
    ASSERT_EQ(list.size(), 15u);
    EXPECT_EQ(list.front(), "u15");
    EXPECT_EQ(list.back(), "u1");

    // A limit of 0 or less does not limit.
    for (std::int64_t limit : {0, -3}) {
        filter().maxResults = limit;
        filter().applyFilter();
        EXPECT_EQ(shown().size(), 24u);
        EXPECT_EQ(shown()[16], "Alpha");  // undated entries last, in store order
    }
}

TEST_F(CurrentDataFilterTest, TypedSearchFollowsTheSettings) {
    struct Case {
        const char* text;
        bool comments;
        bool tags;
        Strings expected;
    };
    const std::vector<Case> cases{
        {"ALPHA", false, false, {"Alpha"}},
        {"alpha", true, false, {"Alpha", "notes.txt"}},      // by comment too
        {"Tag", false, false, {}},                           // tag entries left out
        {"Tag", false, true, {"Tag [Work]"}},                // listed by their name
        {"work", true, true, {"Tag [Work]"}},                // an entry's own tags are not searched
        {"hidden", false, false, {}},                        // only visible entries
        {"n", false, false, {"Link", "notes.txt", "Running"}},  // sorted by lower-cased name
        {" n", false, false, {}},                            // taken as typed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        AppDelegate::shared()->config->searchForComments = c.comments;
        AppDelegate::shared()->config->searchForTags = c.tags;
        filter().selectCategory(SidebarCategory::favorites);
        Posts posts;
        filter().setSearchString(c.text);
        EXPECT_EQ(shown(), c.expected);
        EXPECT_EQ(filter().searchStringFromSearchField, c.text);
        ASSERT_EQ(posts.names.size(), 1u);  // never "currentDataFilterRefreshed"
        EXPECT_NE(posts.names[0], Notifications::currentDataFilterRefreshed);
    }
    // Emptying the field brings the category back.
    filter().setSearchString("");
    EXPECT_EQ(shown(), Strings{"fav.txt"});
    EXPECT_EQ(filter().searchStringFromSearchField, "");
}

TEST_F(CurrentDataFilterTest, EqualNamesKeepTheirStoreOrder) {
    auto first = add(TableViewItem::initForURL("https://a.example", "same", ""));
    auto second = add(TableViewItem::initForURL("https://b.example", "SAME", ""));
    filter().setSearchString("same");
    EXPECT_EQ(store()->currentData()->toVector(), (std::vector<TableViewItem::Ptr>{first, second}));
}

// The filters run each predicate's test on the entry's own fields; that test
// must give what the predicate as written gives, for every kind of entry.
TEST_F(CurrentDataFilterTest, EachCategoryTestAgreesWithItsPredicate) {
    auto gone = add(TableViewItem::initForExternalNonSpotlightObject(makeFile("gone.txt")));
    gone->setIsFavorite(true);
    std::filesystem::remove(gone->path());
    advance(TableViewItem::reachableCacheSeconds + 1);
    auto hiddenFavorite = add(TableViewItem::initForSpotlightApp(makeApplication("apps/hf.desktop", "HF"), "HF"));
    hiddenFavorite->setIsFavorite(true);
    hiddenFavorite->setIsVisible(false);
    add(TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=H", "H", ""))->setItemSource(
        ListviewItemSource::spotlight);

    std::vector<EntryPredicate> predicates;
    for (auto category : {SidebarCategory::allApplications, SidebarCategory::allFolders, SidebarCategory::allFiles,
                          SidebarCategory::favorites, SidebarCategory::urls, SidebarCategory::lastUsedApplications,
                          SidebarCategory::openApplications, SidebarCategory::shortcuts, SidebarCategory::other})
        predicates.push_back(DataStorageFilterCurrentData::categoryPredicate(category));
    for (const char* tag : {"Work", "wORK", "Nothing"}) {
        filter().setTagFilter(tag);
        predicates.push_back(filter().searchPredicate);
    }
    for (const auto& predicate : predicates) {
        SCOPED_TRACE(predicate.predicateFormat());
        for (const auto& entry : store()->allData()->toVector()) {
            EXPECT_EQ(predicate.evaluate(*entry), predicate.predicate().evaluate(*entry)) << entry->name();
        }
    }
}

// A keystroke scans the names folded once at the last change of the list;
// what it shows must be what filtering by the search predicate and sorting
// by name gives, whatever the text and the settings.
TEST_F(CurrentDataFilterTest, TypedSearchShowsWhatItsPredicateSelectsSortedByName) {
    for (const char* name : {"Zeta report", "alpha REPORT", "Stra\u00dfe", "cafe\u0301 noir", "Caf\u00e9", "report",
                             "\u00c4rger", "e\u0301"})
        add(TableViewItem::initForURL(std::string("https://x.example/") + name, name, ""));
    add(TableViewItem::initForURL("https://x.example/commented", "Plain", "quarterly REPORT, caf\u00e9"));
    add(TableViewItem::initForTag("Report", "Tag [Report]"));
    auto hidden = add(TableViewItem::initForSpotlightApp(makeApplication("apps/hr.desktop", "Hidden report"),
                                                         "Hidden report"));
    hidden->setIsVisible(false);
    auto gone = add(TableViewItem::initForExternalNonSpotlightObject(makeFile("gone report.txt")));
    std::filesystem::remove(gone->path());
    advance(TableViewItem::reachableCacheSeconds + 1);

    const auto config = AppDelegate::shared()->config;
    for (const char* text : {"report", "STRASSE", "caf\u00e9", "cafe", "e", "E\u0301", "tag [", "\u00e4r", "zzz", "r"}) {
        for (const bool comments : {false, true}) {
            for (const bool tags : {false, true}) {
                SCOPED_TRACE(std::string(text) + (comments ? " +comments" : "") + (tags ? " +tags" : ""));
                config->searchForComments = comments;
                config->searchForTags = tags;
                filter().setSearchString(text);
                drain();  // the answers found stale by the keystroke, tested again

                auto expected = DataStorageFilterCurrentData::typedSearchPredicate(text, comments, tags)
                                    .filtered(store()->allData()->toVector());
                platform::sortStable(expected, {platform::SortDescriptor("nameLowercased", true)});
                Strings names;
                for (const auto& e : expected) names.push_back(e->name());
                EXPECT_EQ(shown(), names);
            }
        }
    }
}

// A keystroke answers reachability from what the entries remember, however
// old: it never waits for the disk. Answers older than the cache holds are
// tested again off the main thread, and the list follows when they arrive.
TEST_F(CurrentDataFilterTest, AKeystrokeNeverWaitsForTheDiskAndTheListFollowsItLater) {
    auto gone = add(TableViewItem::initForExternalNonSpotlightObject(makeFile("gone report.txt")));
    auto back = add(TableViewItem::initForExternalNonSpotlightObject(makeFile("back report.txt")));
    std::filesystem::remove(back->path());
    advance(TableViewItem::reachableCacheSeconds + 1);
    EXPECT_FALSE(back->isReachable());  // tested: remembered as gone
    std::ofstream(back->path()) << "back again";
    std::filesystem::remove(gone->path());
    advance(TableViewItem::reachableCacheSeconds + 1);  // both answers stale now
    const auto goneTested = gone->lastReachableCheckDateTime();
    const auto backTested = back->lastReachableCheckDateTime();

    Posts posts;
    filter().setSearchString("report");
    EXPECT_EQ(shown(), Strings{"gone report.txt"}) << "the keystroke looked at the disk";
    EXPECT_EQ(gone->lastReachableCheckDateTime(), goneTested);
    EXPECT_EQ(back->lastReachableCheckDateTime(), backTested);

    drain();
    EXPECT_EQ(shown(), Strings{"back report.txt"});
    EXPECT_EQ(posts.names, (Strings{Notifications::currentDataChanged, Notifications::currentDataChanged}));
    EXPECT_EQ(gone->lastReachableCheck(), false);
    EXPECT_EQ(back->lastReachableCheck(), true);

    // Fresh answers: the next keys ask for no test and change nothing more.
    posts.names.clear();
    filter().setSearchString("repor");
    filter().setSearchString("report");
    drain();
    EXPECT_EQ(shown(), Strings{"back report.txt"});
    EXPECT_EQ(posts.names.size(), 2u);

    // Answers that arrive after the field was emptied leave the category
    // the field's emptying brought back.
    std::filesystem::remove(back->path());
    advance(TableViewItem::reachableCacheSeconds + 1);
    filter().setSearchString("report");
    filter().setSearchString("");
    const Strings category = shown();
    drain();
    EXPECT_EQ(shown(), category);
    EXPECT_EQ(filter().searchStringFromSearchField, "");
}

TEST_F(CurrentDataFilterTest, ASearchSeesEntriesAddedChangedAndRemovedSinceTheLastOne) {
    const auto config = AppDelegate::shared()->config;
    config->searchForComments = true;
    filter().setSearchString("fresh");
    EXPECT_TRUE(shown().empty());

    auto entry = add(TableViewItem::initForURL("https://fresh.example", "Fresh one", ""));
    filter().setSearchString("fresh");
    EXPECT_EQ(shown(), Strings{"Fresh one"});

    entry->setName("Renamed");
    filter().setSearchString("fresh");
    EXPECT_TRUE(shown().empty());
    filter().setSearchString("renamed");
    EXPECT_EQ(shown(), Strings{"Renamed"});

    entry->setComment("freshly commented");
    filter().setSearchString("freshly");
    EXPECT_EQ(shown(), Strings{"Renamed"});

    store()->moveToTrash(entry->path());
    filter().setSearchString("renamed");
    EXPECT_TRUE(shown().empty());
}
