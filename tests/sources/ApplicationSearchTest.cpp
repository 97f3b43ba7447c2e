// The application search end to end with real desktop entries in the test's
// own XDG folders: gathering, live changes through inotify, shadowing,
// entries that cannot be used, unreadable folders, and a busy store.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "SourcesTestSupport.h"
#include "app/AppDelegate.h"
#include "platform/foundation/Paths.h"
#include "platform/linux/DesktopEntryCrawler.h"
#include "sources/discovery/ProxySpotlightQueryFS.h"
#include "store/DataStorage.h"

using namespace frelt;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

class ApplicationSearchTest : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        AppDelegate::shared()->config->setDebugLogging(true);
        userApps = platform::Paths::dataHome() / "applications";
        systemApps = platform::Paths::dataDirs().front() / "applications";
        fs::create_directories(userApps);
        fs::create_directories(systemApps);
    }
    void TearDown() override {
        platform::DesktopEntryCrawler::setReadFaultInjector(nullptr);
        SourcesTest::TearDown();
    }

    static std::string entryText(const std::string& name, const std::string& extra = "") {
        return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=/usr/bin/" + name + " %U\n" + extra;
    }
    std::string write(const fs::path& file, const std::string& contents) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << contents;
        return file.string();
    }

    std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    std::shared_ptr<SpotlightQueryFS> query() { return store()->proxySpotlightQueryFSAllApps()->spotlightQuery(); }

    void start() {
        store()->setEnableDataProxies(true);
        recordPublications();
        ASSERT_TRUE(runUntil([&] { return query()->state.value() == SpotlightQueryState::finishedGathering; }));
    }
    void recordPublications() {
        const auto record = [this](const char* kind) {
            return [this, kind](const std::shared_ptr<SpotlightQueryFS::FSResultArray>& list) {
                Strings names;
                for (const auto& r : *list->snapshot()) names.push_back(r.displayname.value_or("?"));
                std::sort(names.begin(), names.end());
                std::string text = std::string(kind) + ":";
                for (const auto& n : names) text += " " + n;
                published.push_back(text);
            };
        };
        subscriptions.push_back(query()->spotlightResultsUnchanged.subscribe(record("unchanged")));
        subscriptions.push_back(query()->spotlightResultsRemoved.subscribe(record("removed")));
        subscriptions.push_back(query()->spotlightResultsAdded.subscribe(record("added")));
        published.clear();
    }
    // What the next update publishes, once it has.
    Strings nextPublication() {
        published.clear();
        EXPECT_TRUE(runUntil([&] { return published.size() >= 3; })) << "no update within the interval";
        return published;
    }
    Strings entryNames() {
        Strings names;
        for (const auto& e : *store()->allData()->snapshot()) names.push_back(e->name());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path userApps, systemApps;
    Strings published;
    std::vector<platform::Subscription> subscriptions;
};

TEST_F(ApplicationSearchTest, EntriesFollowTheDesktopEntriesAsTheyChange) {
    write(userApps / "alpha.desktop", entryText("Alpha"));
    write(systemApps / "beta.desktop", entryText("Beta"));
    write(systemApps / "gamma.desktop", entryText("Gamma", "NoDisplay=true\n"));
    write(systemApps / "kde/delta.desktop", entryText("Delta", "OnlyShowIn=NoSuchDesktop;\n"));
    start();
    EXPECT_EQ(entryNames(), (Strings{"Alpha", "Beta"}));
    for (const auto& folder : {userApps, systemApps, systemApps / "kde"}) {
        const auto watched = query()->metadataQuery->watchedFolders();
        EXPECT_NE(std::find(watched.begin(), watched.end(), folder.string()), watched.end())
            << "every folder crawled is watched: " << folder;
    }

    // Added, in a subfolder too: its desktop id is "kde-epsilon.desktop".
    write(systemApps / "kde/epsilon.desktop", entryText("Epsilon"));
    EXPECT_EQ(nextPublication(), (Strings{"unchanged: Alpha Beta", "removed:", "added: Epsilon"}));
    EXPECT_EQ(entryNames(), (Strings{"Alpha", "Beta", "Epsilon"}));

    // Changed: a new name is one removal and one addition; the entry keeps
    // its identity and takes the name.
    const auto beta = store()->entryWithPath((systemApps / "beta.desktop").string());
    write(systemApps / "beta.desktop", entryText("Beta Two"));
    EXPECT_EQ(nextPublication(), (Strings{"unchanged: Alpha Epsilon", "removed: Beta", "added: Beta Two"}));
    EXPECT_EQ(beta->name(), "Beta Two");
    EXPECT_EQ(entryNames(), (Strings{"Alpha", "Beta Two", "Epsilon"}));

    // Shadowed: the user's entry of the same id wins over the system's, and
    // only the winner is listed; the system's entry keeps its data in the
    // trash.
    beta->setComment("kept");
    write(userApps / "beta.desktop", entryText("Beta Mine"));
    EXPECT_EQ(nextPublication(), (Strings{"unchanged: Alpha Epsilon", "removed: Beta Two", "added: Beta Mine"}));
    EXPECT_EQ(entryNames(), (Strings{"Alpha", "Beta Mine", "Epsilon"}));
    EXPECT_FALSE(store()->entryWithPath((systemApps / "beta.desktop").string()));
    // Hidden by the user: the standard way to delete an entry; neither file
    // is listed although both are on disk.
    write(userApps / "beta.desktop", "[Desktop Entry]\nType=Application\nName=Beta Mine\nHidden=true\n");
    EXPECT_EQ(nextPublication(), (Strings{"unchanged: Alpha Epsilon", "removed: Beta Mine", "added:"}));
    EXPECT_EQ(entryNames(), (Strings{"Alpha", "Epsilon"}));
    // The user's override removed: the system's entry comes back with its data.
    fs::remove(userApps / "beta.desktop");
    EXPECT_EQ(nextPublication(), (Strings{"unchanged: Alpha Epsilon", "removed:", "added: Beta Two"}));
    EXPECT_EQ(store()->entryWithPath((systemApps / "beta.desktop").string()), beta);
    EXPECT_EQ(beta->comment(), "kept");

    // Removed from disk: the entry goes to the store's trash.
    fs::remove(userApps / "alpha.desktop");
    EXPECT_EQ(nextPublication(), (Strings{"unchanged: Beta Two Epsilon", "removed: Alpha", "added:"}));
    EXPECT_EQ(entryNames(), (Strings{"Beta Two", "Epsilon"}));
    EXPECT_EQ(store()->proxySpotlightQueryFSAllApps()->spotlightResultComplete(),
              (Strings{(systemApps / "beta.desktop").string(), (systemApps / "kde/epsilon.desktop").string()}));
}

TEST_F(ApplicationSearchTest, EntriesNotMeantForThisDesktopAreNotListed) {
    setenv("XDG_CURRENT_DESKTOP", "Frelt:Test", 1);
    const std::shared_ptr<void> restore(nullptr, [](void*) { unsetenv("XDG_CURRENT_DESKTOP"); });
    const std::vector<std::pair<std::string, std::string>> entries{
        {"shown", entryText("Shown", "OnlyShowIn=Test;\n")},
        {"elsewhere", entryText("Elsewhere", "OnlyShowIn=Other;\n")},
        {"notHere", entryText("NotHere", "NotShowIn=Frelt;\n")},
        {"noDisplay", entryText("NoDisplay", "NoDisplay=true\n")},
        {"tryPresent", entryText("TryPresent", "TryExec=sh\n")},
        {"tryMissing", entryText("TryMissing", "TryExec=/no/such/program\n")},
    };
    for (const auto& [file, text] : entries) write(systemApps / (file + ".desktop"), text);
    start();
    EXPECT_EQ(entryNames(), (Strings{"Shown", "TryPresent"}));
}

TEST_F(ApplicationSearchTest, AnApplicationsFolderThatAppearsLaterIsSearched) {
    // A fresh account: no applications folder of its own yet.
    fs::remove_all(userApps);
    write(systemApps / "beta.desktop", entryText("Beta"));
    start();
    EXPECT_EQ(entryNames(), Strings{"Beta"});

    write(userApps / "beta.desktop", entryText("Beta Mine"));
    write(userApps / "fresh.desktop", entryText("Fresh"));
    // The folder's first update may come before the files are written: wait
    // until both are seen.
    EXPECT_TRUE(runUntil([&] { return entryNames() == Strings{"Beta Mine", "Fresh"}; }))
        << "the new folder was not searched";
    EXPECT_TRUE(query()->metadataQuery->watchedFolders().size() >= 2u);
}

TEST_F(ApplicationSearchTest, AFirstSandboxedPackageInstalledWhileRunningIsFound) {
    // No sandboxed package yet: the user's export folder does not exist.
    auto layout = platform::Paths::current();
    const fs::path exports = layout.dataHome / "flatpak/exports/share";
    layout.exportDirs = {exports};
    platform::Paths::setLayout(layout);
    ASSERT_FALSE(fs::exists(layout.dataHome / "flatpak"));
    write(systemApps / "beta.desktop", entryText("Beta"));
    start();
    EXPECT_EQ(entryNames(), Strings{"Beta"});

    write(exports / "applications/org.example.Sandboxed.desktop", entryText("Sandboxed"));
    EXPECT_TRUE(runUntil([&] { return entryNames() == Strings{"Beta", "Sandboxed"}; }))
        << "the new export folder was not searched";
}

TEST_F(ApplicationSearchTest, EntriesThatCannotBeUsedAreSkippedWithALogLine) {
    write(systemApps / "good.desktop", entryText("Good"));
    start();
    const std::string huge = entryText("Huge") + "Comment=" + std::string(platform::desktopentry::maxFileSize, 'x') + "\n";
    struct Case {
        const char* file;
        std::string contents;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"noexec.desktop", "[Desktop Entry]\nType=Application\nName=NoExec\n", "an application without Exec"},
        {"quote.desktop", "[Desktop Entry]\nType=Application\nName=Quote\nExec=\"/usr/bin/q %U\n",
         "unterminated quote in Exec"},
        {"code.desktop", "[Desktop Entry]\nType=Application\nName=Code\nExec=/usr/bin/c %z\n",
         "unknown field code %z in Exec"},
        {"latin1.desktop", "[Desktop Entry]\nType=Application\nName=Caf\xe9\nExec=/usr/bin/cafe\n", "not valid UTF-8"},
        {"huge.desktop", huge, "larger than 1048576 bytes"},
    };
    for (const auto& c : cases) write(systemApps / c.file, c.contents);
    // A folder that cannot be read (root reads every folder: the failure is injected).
    platform::DesktopEntryCrawler::setReadFaultInjector(
        [locked = (systemApps / "locked").string()](const std::string& path) { return path == locked; });
    write(systemApps / "locked/hidden.desktop", entryText("Locked"));
    // A change that is seen for sure, after the others.
    write(systemApps / "zeta.desktop", entryText("Zeta"));
    EXPECT_EQ(nextPublication(), (Strings{"unchanged: Good", "removed:", "added: Zeta"}));
    for (const auto& c : cases)
        EXPECT_TRUE(logs().contains("Skipped desktop entry " + (systemApps / c.file).string() + ": " + c.reason))
            << c.file;
    EXPECT_TRUE(logs().contains("Skipped folder " + (systemApps / "locked").string() + ": it cannot be read"));
    EXPECT_EQ(entryNames(), (Strings{"Good", "Zeta"}));

    // A broken entry shadows nothing: the system's own entry stays found.
    write(userApps / "good.desktop", "[Desktop Entry]\nType=Application\nName=Mine\n");
    published.clear();
    advance(3);
    drain();
    EXPECT_TRUE(published.empty()) << "nothing changed";
    EXPECT_TRUE(logs().contains("Skipped desktop entry " + (userApps / "good.desktop").string() +
                                ": an application without Exec"));
}

TEST_F(ApplicationSearchTest, ChangesThatArriveWhileTheStoreIsBusyAreAppliedAfterItsRebuild) {
    write(systemApps / "one.desktop", entryText("One"));
    start();
    store()->setState(DatastorageState::rebuildData);
    write(systemApps / "two.desktop", entryText("Two"));
    fs::remove(systemApps / "one.desktop");
    EXPECT_EQ(nextPublication(), (Strings{"unchanged:", "removed: One", "added: Two"}));
    EXPECT_TRUE(logs().contains("Unable to add items - Database was not idle!"));
    EXPECT_TRUE(logs().contains("Unable to remove items - Database was not idle!"));
    EXPECT_EQ(entryNames(), Strings{"One"}) << "nothing applied while busy";
    EXPECT_EQ(store()->proxySpotlightQueryFSAllApps()->pendingResultCount(), 2u);

    store()->setState(DatastorageState::idle);
    store()->rebuildData(RebuildDataReason::datastorageInitialize);
    EXPECT_EQ(entryNames(), Strings{"Two"}) << "kept, not dropped";
    EXPECT_EQ(store()->proxySpotlightQueryFSAllApps()->pendingResultCount(), 0u);
}

TEST_F(ApplicationSearchTest, LongListsAreAppliedWholeAndInTheOrderTheyCame) {
    start();
    const auto results = [](int from, int to) {
        std::vector<SpotlightFSResult> list;
        for (int i = from; i < to; ++i)
            list.push_back({"/opt/apps/app" + std::to_string(i) + ".desktop", "App " + std::to_string(i), std::nullopt});
        return SpotlightQueryFS::FSResultArray::create(std::move(list));
    };
    // Thousands installed at once, then all but one removed and one back,
    // before the first list can have been applied in one turn.
    query()->spotlightResultsAdded = results(0, 3000);
    query()->spotlightResultsRemoved = results(0, 2999);
    query()->spotlightResultsAdded = results(5, 6);
    const auto proxy = store()->proxySpotlightQueryFSAllApps();
    EXPECT_TRUE(runUntil([&] { return proxy->unappliedListCount() == 0; }));
    EXPECT_EQ(entryNames(), (Strings{"App 2999", "App 5"}));
    EXPECT_EQ(store()->trashData().size(), 2998u);
}

}  // namespace
