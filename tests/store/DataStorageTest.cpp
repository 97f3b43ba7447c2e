#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TableViewItemTestSupport.h"
#include "app/AppDelegate.h"
#include "hotkeys/KeyCombo.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SingleInstance.h"
#include "sources/discovery/ProxyLastUsedApps.h"
#include "sources/discovery/ProxySpotlightQueryFS.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "store/IconTag.h"
#include "store/TagManager.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

// Every notification of the store's lists and rebuild, by name, in order.
class StoreRecorder {
public:
    StoreRecorder() {
        for (const char* name :
             {Notifications::currentDataChanged, Notifications::currentDataNotChangedWithLastRequest,
              Notifications::currentDataFilterRefreshed, Notifications::currentDataConfigChanged,
              Notifications::currentDataConfigNotChangedWithLastRequest, Notifications::dataStorageRebuildIsFinished}) {
            observations_.push_back(platform::NotificationCenter::defaultCenter().observe(
                name, nullptr, [this](const platform::Notification& n) { posts.push_back(n.name); }));
        }
    }
    Strings posts;

private:
    std::vector<platform::Subscription> observations_;
};

class DataStorageTest : public EntryTest {
protected:
    void SetUp() override {
        EntryTest::SetUp();
        // The settings object drives the log gate from its own setting.
        AppDelegate::shared()->config->setDebugLogging(true);
    }
    std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }

    TableViewItem::Ptr add(const TableViewItem::Ptr& entry) {
        EXPECT_EQ(store()->addToAllData(entry), DataStorage::addResultAdded);
        return entry;
    }
    TableViewItem::Ptr app(const std::string& name, Strings tags = {}) {
        auto entry = TableViewItem::initForSpotlightApp(makeApplication("apps/" + name + ".desktop", name), name);
        entry->setTags(tags);
        return add(entry);
    }
    TableViewItem::Ptr file(const std::string& name, Strings tags = {}) {
        auto entry = TableViewItem::initForExternalNonSpotlightObject(makeFile("files/" + name));
        entry->setTags(tags);
        return add(entry);
    }
    iconTag::Ptr registerTag(const std::string& name) {
        auto tag = iconTag::initWithNewName(name, "icon_star");
        TagManager::shared()->allAvailableTags()->append(tag);
        return tag;
    }
    Strings stateChanges() { return loggedAfter("changed State of DataStorage to: "); }
    Strings rebuildRequests() { return loggedAfter("-> RebuildData - Request initiated: "); }
    static Strings names(const std::shared_ptr<DataStorage::EntryArray>& list) {
        return list->map([](const TableViewItem::Ptr& e) { return e->name(); });
    }
};

}  // namespace

TEST_F(DataStorageTest, ReasonsAndStatesHaveTheirTexts) {
    EXPECT_STREQ(rawValue(RebuildDataReason::datastorageInitialize), "Datastorage initialize");
    EXPECT_STREQ(rawValue(RebuildDataReason::addingFilesystemObjectsToDatabaseFinished),
                 "addingFilesystemObjectsToDatabaseFinished");
    EXPECT_STREQ(rawValue(RebuildDataReason::volumechangeDetected), "Volumechange detected");
    EXPECT_STREQ(rawValue(RebuildDataReason::spotlightDatabaseFirstUpdate), "Spotlight Database first update");
    EXPECT_EQ(rebuildDataReasons.allCases().size(), 17u);
    EXPECT_EQ(datastorageStateFromRawValue("changingCurrentDataConfig"), DatastorageState::changingCurrentDataConfig);
    EXPECT_FALSE(datastorageStateFromRawValue("Idle"));
}

TEST_F(DataStorageTest, FullRebuildPassesItsStatesAndPostsInOrder) {
    app("Alpha");
    file("notes.txt");
    StoreRecorder recorder;
    logs().clear();

    store()->rebuildData(RebuildDataReason::datastorageInitialize);

    EXPECT_TRUE(logs().contains("-> RebuildData - Request initiated: Datastorage initialize"));
    EXPECT_TRUE(logs().contains("allData contains 2 items"));
    EXPECT_TRUE(logs().contains("<- RebuildData"));
    EXPECT_EQ(stateChanges(), (Strings{"validateData", "rebuildData", "changingCurrentData", "idle",
                                       "changingCurrentDataConfig", "idle", "idle"}));
    EXPECT_EQ(recorder.posts, (Strings{Notifications::currentDataChanged, Notifications::currentDataFilterRefreshed,
                                       Notifications::currentDataConfigChanged,
                                       Notifications::dataStorageRebuildIsFinished}));
    EXPECT_EQ(names(store()->currentData()), (Strings{"Alpha", "notes.txt"}));
    EXPECT_EQ(store()->currentDataConfig()->count(), 2u);
    EXPECT_EQ(store()->state(), DatastorageState::idle);

    // The same entries again: both lists report no change.
    recorder.posts.clear();
    store()->rebuildData(RebuildDataReason::tableViewPopup);
    EXPECT_EQ(recorder.posts,
              (Strings{Notifications::currentDataNotChangedWithLastRequest, Notifications::currentDataFilterRefreshed,
                       Notifications::currentDataConfigNotChangedWithLastRequest,
                       Notifications::dataStorageRebuildIsFinished}));
}

TEST_F(DataStorageTest, ListAssignmentComparesEntriesAsASetOfObjects) {
    auto a = file("a.txt");
    auto b = file("b.txt");
    StoreRecorder recorder;
    store()->setCurrentData(DataStorage::EntryArray::create({a, b}));
    store()->setCurrentData(DataStorage::EntryArray::create({b, a, a}));  // other order, repeated
    // An equal-looking but different object is a change.
    auto twin = TableViewItem::initForExternalNonSpotlightObject(a->path());
    store()->setCurrentData(DataStorage::EntryArray::create({twin, b}));
    EXPECT_EQ(recorder.posts, (Strings{Notifications::currentDataChanged,
                                       Notifications::currentDataNotChangedWithLastRequest,
                                       Notifications::currentDataChanged}));
}

TEST_F(DataStorageTest, RefusedRebuildsLeaveEverythingAsItWas) {
    struct Case {
        const char* what;
        bool saveInProgress;
        bool emptyStore;
        DatastorageState stateBefore;
        const char* refusal;
        bool currentDataEmptied;
    };
    const std::vector<Case> cases{
        {"save in progress", true, false, DatastorageState::idle, "RebuildData was called while save was in progress",
         false},
        {"empty entry list, even while busy", false, true, DatastorageState::changingCurrentData, "allData was empty!",
         true},
        {"store busy", false, false, DatastorageState::changingCurrentDataConfig,
         "RebuildData was called while the DataStorage was not idle", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto shown = TableViewItem::initForExternalNonSpotlightObject(makeFile("shown.txt"));
        auto tag = registerTag("Kept");
        tag->setTagUsed(true);
        if (!c.emptyStore) add(TableViewItem::initForExternalNonSpotlightObject(makeFile("stored.txt")));
        store()->setCurrentData(DataStorage::EntryArray::create({shown}));
        store()->setCurrentDataConfig(DataStorage::EntryArray::create({shown}));
        const auto config = store()->currentDataConfig();
        AppDelegate::shared()->config->setSaveInProgress(c.saveInProgress);
        store()->setState(c.stateBefore);
        StoreRecorder recorder;
        logs().clear();

        store()->rebuildData(RebuildDataReason::configViewContent);

        EXPECT_TRUE(logs().contains("-> RebuildData - Request initiated: ConfigView Content"));
        EXPECT_TRUE(logs().contains(c.refusal));
        EXPECT_FALSE(logs().contains("-> start validateData"));
        EXPECT_TRUE(recorder.posts.empty());
        EXPECT_EQ(store()->state(), c.stateBefore);
        EXPECT_EQ(store()->currentData()->isEmpty(), c.currentDataEmptied);
        EXPECT_EQ(store()->currentDataConfig(), config);
        EXPECT_EQ(config->count(), 1u);
        EXPECT_TRUE(tag->tagUsed());
        AppDelegate::shared()->config->setSaveInProgress(false);
        platform::singleinstance::resetAll();
        platform::Workspace::setShared(workspace);
        AppDelegate::shared()->config->setDebugLogging(true);
    }
}

TEST_F(DataStorageTest, ValidationRecountsTagsAndTrashesVanishedApplications) {
    auto work = registerTag("Work");
    auto idle = registerTag("Idle");
    idle->setTagUsed(true);
    idle->setTagUseCounter(4);

    auto alpha = app("Alpha", {"Work", "New"});
    auto notes = file("notes.txt", {"Work", "Work"});  // counted twice
    auto hidden = file("hidden.txt", {"Work"});
    hidden->setItemSource(ListviewItemSource::spotlight);  // hand-added entries cannot be hidden
    hidden->setIsVisible(false);
    // A found application whose file is gone goes to the trash, hotkey and all.
    auto gone = app("Gone", {"Vanished"});
    gone->setHotkey(KeyCombo::make(Key::g, platform::modifierflags::command));
    std::filesystem::remove(gone->path());
    // One the user added by hand stays, and still marks its tag used.
    auto own = TableViewItem::initForExternalNonSpotlightObject(makeApplication("own/own.desktop", "Own"));
    own->setTags({"Mine"});
    add(own);
    std::filesystem::remove(own->path());
    // So does a file that is gone.
    auto lost = file("lost.txt", {"Lost"});
    std::filesystem::remove(lost->path());
    advance(TableViewItem::reachableCacheSeconds + 1);  // past what making the entries found

    store()->rebuildData(RebuildDataReason::importData);

    EXPECT_EQ(store()->allData()->toVector(), (std::vector<TableViewItem::Ptr>{alpha, notes, hidden, own, lost}));
    ASSERT_EQ(store()->trashData().size(), 1u);
    EXPECT_EQ(store()->trashData()[0], gone);
    EXPECT_TRUE(gone->hotkey());

    EXPECT_TRUE(work->tagUsed());
    EXPECT_TRUE(work->tagVisible());
    EXPECT_EQ(work->tagUseCounter(), 3);  // Alpha once, notes twice; hidden not
    EXPECT_FALSE(idle->tagUsed());
    EXPECT_EQ(idle->tagUseCounter(), 0);

    const auto tags = TagManager::shared();
    const auto made = tags->tagWithName("New");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->tagSymbol(), "icon_tags");
    EXPECT_TRUE(made->tagUsed());
    EXPECT_TRUE(made->tagVisible());
    EXPECT_EQ(made->tagUseCounter(), 1);
    for (const char* name : {"Mine", "Lost"}) {
        SCOPED_TRACE(name);
        const auto tag = tags->tagWithName(name);
        ASSERT_TRUE(tag);
        EXPECT_TRUE(tag->tagUsed());
        EXPECT_FALSE(tag->tagVisible());
    }
    EXPECT_FALSE(tags->tagWithName("Vanished"));
}

TEST_F(DataStorageTest, SpotlightUpdatesAreDebouncedIntoOneRebuild) {
    app("Alpha");
    registerTag("Any");  // no first-run tagging
    store()->databaseUpdateFinished();
    EXPECT_EQ(rebuildRequests(), Strings{"Spotlight Database first update"});
    EXPECT_FALSE(store()->firstDataCollection());
    EXPECT_FALSE(store()->rebuildDataTimer());

    logs().clear();
    store()->databaseUpdateFinished();
    advance(1.0);
    store()->databaseUpdateFinished();
    advance(2.9);
    EXPECT_TRUE(rebuildRequests().empty());
    advance(0.2);
    EXPECT_EQ(rebuildRequests(), Strings{"Spotlight Database updated"});
    advance(10.0);
    EXPECT_EQ(rebuildRequests().size(), 1u);
}

TEST_F(DataStorageTest, UpdatesFromAnotherThreadArmTheTimerOnTheMainRunLoop) {
    app("Alpha");
    registerTag("Any");
    store()->databaseUpdateFinished();
    logs().clear();
    std::thread delivery([store = store()] { store->databaseUpdateFinished(); });
    delivery.join();
    drain();
    ASSERT_TRUE(store()->rebuildDataTimer());
    advance(2.9);
    EXPECT_TRUE(rebuildRequests().empty());
    advance(0.2);
    EXPECT_EQ(rebuildRequests(), Strings{"Spotlight Database updated"});
}

TEST_F(DataStorageTest, ProxiesSwitchSetsUpOnceAndFollowsTheFlag) {
    // The application search sets up once it has a folder to search.
    std::filesystem::create_directories(platform::Paths::dataHome() / "applications");
    auto& center = platform::NotificationCenter::defaultCenter();
    const auto observersBefore = center.observerCount();
    store()->setEnableDataProxies(true);
    const auto observersAfter = center.observerCount();
    EXPECT_GT(observersAfter, observersBefore);
    store()->setEnableDataProxies(true);  // runs the switch again, sets up nothing new
    store()->setEnableDataProxies(false);
    EXPECT_EQ(center.observerCount(), observersAfter);
    Strings lastUsedSwitches;
    for (const auto& m : logs().messages())
        if (m.rfind("Proxy: LastUsedApps enabled: ", 0) == 0) lastUsedSwitches.push_back(m);
    EXPECT_EQ(lastUsedSwitches,
              (Strings{"Proxy: LastUsedApps enabled: true", "Proxy: LastUsedApps enabled: false"}));
    EXPECT_TRUE(store()->proxySpotlightQueryFSAllApps()->initialized());
    EXPECT_FALSE(store()->proxySpotlightQueryFSAllApps()->enabled());
}

TEST_F(DataStorageTest, LaunchesSetLastUsedDatesAndAreKeptWhileDisabled) {
    auto alpha = app("Alpha");
    auto beta = app("Beta");
    store()->setEnableDataProxies(false);  // registers the observer, disabled
    auto& center = platform::NotificationCenter::defaultCenter();
    center.post(Notifications::didLaunchApplication, std::any(alpha->path()));
    center.post(Notifications::didLaunchApplication, std::any(alpha->path()));
    EXPECT_EQ(store()->proxyLastUsedApps()->tempLastUsedApplications().size(), 1u);
    EXPECT_FALSE(alpha->lastUsedDate());

    store()->setEnableDataProxies(true);
    EXPECT_FALSE(alpha->lastUsedDate());  // kept until the next launch
    std::string upper = beta->path();
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    center.post(Notifications::didLaunchApplication, std::any(upper));
    EXPECT_TRUE(alpha->lastUsedDate());
    EXPECT_TRUE(beta->lastUsedDate());
    EXPECT_TRUE(store()->proxyLastUsedApps()->tempLastUsedApplications().empty());

    center.post(Notifications::didLaunchApplication, std::any(std::string("/nowhere.desktop")));
    EXPECT_TRUE(logs().contains(
        "Observer applicationWasLaunched was called, but entry was not found in Database for: /nowhere.desktop"));
}

TEST_F(DataStorageTest, QueriesAskForVisibleReachableEntriesOfTheirKind) {
    EXPECT_FALSE(store()->allDataContainsFiles());
    auto hiddenFile = file("hidden.txt");
    hiddenFile->setItemSource(ListviewItemSource::spotlight);  // hand-added entries cannot be hidden
    hiddenFile->setIsVisible(false);
    auto goneFolder = TableViewItem::initForExternalNonSpotlightObject(makeFolder("gone"));
    add(goneFolder);
    std::filesystem::remove(goneFolder->path());
    advance(TableViewItem::reachableCacheSeconds + 1);  // past what making the entry found
    add(TableViewItem::initForURL("https://example.org", "Example", ""));
    EXPECT_FALSE(store()->allDataContainsFiles());
    EXPECT_FALSE(store()->allDataContainsFolders());
    EXPECT_TRUE(store()->allDataContainsURLs());
    EXPECT_FALSE(store()->allDataContainsShortcuts());
    EXPECT_FALSE(store()->allDataContainsFavorites());
    file("shown.txt")->setIsFavorite(true);
    add(TableViewItem::initForShortcutsURL("shortcuts://run?name=A", "A", ""));
    EXPECT_TRUE(store()->allDataContainsFiles());
    EXPECT_TRUE(store()->allDataContainsFavorites());
    EXPECT_TRUE(store()->allDataContainsShortcuts());
}

// The queries remember where each kind's first visible entry stands (the
// end of the list when none does) and start there the next time. An entry
// before that place that joins the kind, or shows again, must be found.
TEST_F(DataStorageTest, QueriesFindAnEntryThatJoinsTheKindBeforeTheFirstOneTheyFound) {
    using Category = DataStorage::EntryCategory;
    auto link = [] { return TableViewItem::initForURL("https://example.org", "Example", ""); };
    struct Case {
        const char* change;
        Category category;
        std::function<TableViewItem::Ptr()> make;
        std::function<void(TableViewItem&)> apply;
    };
    const std::vector<Case> cases{
        {"marked as a favourite", Category::favorites, link, [](TableViewItem& e) { e.setIsFavorite(true); }},
        {"shown again", Category::files,
         [&] {
             auto hidden = TableViewItem::initForExternalNonSpotlightObject(makeFile("hidden.txt"));
             hidden->setItemSource(ListviewItemSource::spotlight);  // hand-added entries cannot be hidden
             hidden->setIsVisible(false);
             return hidden;
         },
         [](TableViewItem& e) { e.setIsVisible(true); }},
        {"a folder now", Category::folders,
         [&] {
             auto entry = TableViewItem::initForExternalNonSpotlightObject(makeFolder("was a file"));
             entry->setItemType(ListviewItemType::file);
             return entry;
         },
         [](TableViewItem& e) { e.setItemTypeRawValue("folder"); }},
        {"a link now", Category::urls, [&] { return TableViewItem::initForTag("Work", "Work"); },
         [](TableViewItem& e) { e.setItemType(ListviewItemType::url); }},
        {"a shortcut now", Category::shortcuts, link,
         [](TableViewItem& e) { e.setItemSource(ListviewItemSource::shortcuts); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        store()->allData()->removeAll();
        const auto first = add(c.make());
        app(std::string("Editor ") + c.change);
        EXPECT_FALSE(store()->allDataContains(c.category));
        c.apply(*first);
        EXPECT_TRUE(store()->allDataContains(c.category));
    }
}

// The sidebar asks at every keystroke and must not wait for the disk: an
// answer older than the cache holds counts as it stands, is tested again on
// the worker pool, and the caller hears when that changed it.
TEST_F(DataStorageTest, AQueryThatMustNotWaitTakesStaleAnswersAndHearsWhenTheyChange) {
    using Category = DataStorage::EntryCategory;
    auto doc = file("notes.txt");
    add(TableViewItem::initForURL("https://example.org", "Example", ""));
    int refreshed = 0;
    auto count = [&] { ++refreshed; };

    EXPECT_TRUE(store()->allDataContainsWithoutWaiting(Category::files, count));
    std::filesystem::remove(doc->path());
    advance(TableViewItem::reachableCacheSeconds + 1);
    const auto tested = doc->lastReachableCheckDateTime();
    EXPECT_TRUE(store()->allDataContainsWithoutWaiting(Category::files, count)) << "the stale answer counts";
    EXPECT_TRUE(store()->allDataContainsWithoutWaiting(Category::urls, count));
    EXPECT_EQ(doc->lastReachableCheckDateTime(), tested) << "the disk was not asked on the caller's thread";
    EXPECT_EQ(refreshed, 0);

    drain();
    EXPECT_EQ(refreshed, 1) << "one test, under way once";
    EXPECT_EQ(doc->lastReachableCheck(), false);
    EXPECT_FALSE(store()->allDataContainsWithoutWaiting(Category::files, count));

    // A fresh test that finds nothing new says nothing.
    advance(TableViewItem::reachableCacheSeconds + 1);
    EXPECT_FALSE(store()->allDataContainsWithoutWaiting(Category::files, count));
    drain();
    EXPECT_EQ(refreshed, 1);
    // The query that may wait tests the disk itself.
    std::ofstream(doc->path()) << "back";
    advance(TableViewItem::reachableCacheSeconds + 1);
    EXPECT_TRUE(store()->allDataContainsFiles());
}
