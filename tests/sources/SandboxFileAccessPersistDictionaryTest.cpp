// The store of granted locations: the walk up a path, the change
// announcements, and the bookmark file with its bad cases.

#include "sources/access/SandboxFileAccessPersistDictionary.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "SourcesTestSupport.h"
#include "platform/appkit/Alert.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Paths.h"
#include "store/StoreConstants.h"

using namespace frelt;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

class BookmarkStoreTest : public SourcesTest {
protected:
    void TearDown() override {
        platform::atomicfile::setFaultInjector(nullptr);
        SourcesTest::TearDown();
    }

    static platform::Data grant(const platform::URL& url) {
        auto data = platform::bookmark::create(url);
        EXPECT_TRUE(data) << url.string();
        return data.value_or(platform::Data{});
    }
    static std::string file() { return SandboxFileAccessPersistDictionary::bookmarkFilePath(); }
    static platform::Data fileBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return platform::Data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static void writeFile(const platform::Data& bytes) {
        fs::create_directories(fs::path(file()).parent_path());
        std::ofstream(file(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(bytes.size()));
    }
    static platform::Data archiveOf(const std::vector<std::pair<platform::URL, platform::Data>>& pairs) {
        platform::ArchiveDictionary dict;
        for (const auto& [url, data] : pairs) dict.emplace_back(url, data);
        return *platform::KeyedArchiver::archivedData(platform::ArchiveObject(std::move(dict)));
    }
    // The stored pairs, by URL text.
    static std::map<std::string, platform::Data> pairsOf(SandboxFileAccessPersistDictionary& store) {
        std::map<std::string, platform::Data> out;
        store.forEachBookmark([&](const platform::URL& url, const platform::Data& data) { out[url.string()] = data; });
        return out;
    }
    static std::map<std::string, platform::Data> pairsInFile() {
        const auto result = platform::KeyedUnarchiver::unarchiveTopLevelObject(fileBytes(file()));
        EXPECT_TRUE(result) << result.error;
        std::map<std::string, platform::Data> out;
        if (const auto* dict = result.object.asDictionary())
            for (const auto& [k, v] : *dict)
                if (k.asURL() && v.asData()) out[k.asURL()->string()] = *v.asData();
        return out;
    }
    void expectAlert(const std::string& message, const std::string& informativePart) {
        script->answerAlert([message, informativePart](platform::Alert& alert) {
            EXPECT_EQ(alert.messageText(), message);
            EXPECT_NE(alert.informativeText().find(informativePart), std::string::npos) << alert.informativeText();
            return platform::AlertAnswer{};
        });
    }
};

TEST_F(BookmarkStoreTest, AFirstRunLoadsNothingAndSaysNothing) {
    PostCounter changes(Notifications::globalBookmarksChanged);
    auto store = SandboxFileAccessPersistDictionary::make();
    store->loadBookmarks();
    drain();
    EXPECT_TRUE(pairsOf(*store).empty());
    EXPECT_EQ(changes.count, 1) << "the clear at the beginning of the load";
    EXPECT_EQ(file(), (platform::Paths::documentsFolder() / "Bookmarks.dict").string());
}

TEST_F(BookmarkStoreTest, TheLookupWalksUpThePathAndARootGrantWinsOverAll) {
    makeFile("home/someone/Projects/a.txt");
    const auto folder = folderURL("home/someone");
    auto store = SandboxFileAccessPersistDictionary::make();
    const auto folderGrant = grant(folder);
    store->setBookmark(folderGrant, folder);

    EXPECT_EQ(store->bookmarkData(fileURL("home/someone/Projects/a.txt")), folderGrant);
    EXPECT_EQ(store->bookmarkData(folder), folderGrant);
    EXPECT_FALSE(store->bookmarkData(fileURL("home/someone")))
        << "keys are taken as they are: the folder's key ends with \"/\"";
    EXPECT_FALSE(store->bookmarkData(platform::URL::fileURL("/Library/x")));
    EXPECT_FALSE(store->bookmarkData(platform::URL::fileURL("/")));
    EXPECT_EQ(loggedAfter("Searching Bookmark-Data for [").back(), "file:///] - No Bookmark found!");
    EXPECT_FALSE(store->hasRootBookmark());

    const auto rootGrant = grant(platform::URL::fileURL("/"));
    store->setBookmark(rootGrant, platform::URL::fileURL("/"));
    EXPECT_TRUE(store->hasRootBookmark());
    for (const auto& url : {fileURL("home/someone/Projects/a.txt"), platform::URL::fileURL("/Library/x")}) {
        EXPECT_EQ(store->bookmarkData(url), rootGrant);
        EXPECT_EQ(loggedAfter("Searching Bookmark-Data for [").back(), url.string() + "] - found Root-Bookmark!");
    }
}

TEST_F(BookmarkStoreTest, EveryChangeIsAnnouncedOnTheMainThread) {
    makeFile("a.txt");
    auto store = SandboxFileAccessPersistDictionary::make();
    PostCounter changes(Notifications::globalBookmarksChanged);
    const auto url = fileURL("a.txt");

    store->setBookmark(grant(url), url);
    store->setBookmark(std::nullopt, url);  // no data removes
    store->clearBookmark(fileURL("never-stored"));
    store->removeAllBookmarks();
    EXPECT_TRUE(pairsOf(*store).empty());
    drain();
    EXPECT_EQ(changes.count, 4);
    EXPECT_EQ(loggedAfter("Bookmarks changed").size(), 4u);
}

TEST_F(BookmarkStoreTest, ValidityOfAStoredGrant) {
    const auto path = makeFile("v.txt");
    auto store = SandboxFileAccessPersistDictionary::make();
    EXPECT_FALSE(store->isBookmarkValid(std::nullopt));
    EXPECT_TRUE(store->isBookmarkValid(fileURL("v.txt"))) << "nothing stored";
    store->setBookmark(grant(fileURL("v.txt")), fileURL("v.txt"));
    EXPECT_TRUE(store->isBookmarkValid(fileURL("v.txt")));

    makeFile("v2.txt");
    fs::rename(root() / "v2.txt", path);  // replaced
    EXPECT_FALSE(store->isBookmarkValid(fileURL("v.txt")));
    store->removeInvalidBookmarks();
    EXPECT_TRUE(pairsOf(*store).empty());
}

TEST_F(BookmarkStoreTest, GrantsSurviveASaveAndLoadAndWorthlessOnesAreLeftOut) {
    makeFile("kept/file.txt");
    const auto replaced = makeFile("replaced.txt");
    const auto gone = makeFile("gone.txt");
    auto store = SandboxFileAccessPersistDictionary::make();
    const std::map<std::string, platform::Data> kept = {
        {folderURL("kept").string(), grant(folderURL("kept"))},
        {fileURL("kept/file.txt").string(), grant(fileURL("kept/file.txt"))},
    };
    for (const auto& [url, data] : kept) store->setBookmark(data, *platform::URL::fromString(url));
    store->setBookmark(grant(fileURL("replaced.txt")), fileURL("replaced.txt"));
    store->setBookmark(grant(fileURL("gone.txt")), fileURL("gone.txt"));
    makeFile("new.txt");
    fs::rename(root() / "new.txt", replaced);
    fs::remove(gone);

    store->saveBookmarks();
    EXPECT_EQ(pairsInFile(), kept);
    EXPECT_EQ(pairsOf(*store).size(), 4u) << "the map itself is not changed by a save";
    drain();

    PostCounter changes(Notifications::globalBookmarksChanged);
    auto loaded = SandboxFileAccessPersistDictionary::make();
    loaded->loadBookmarks();
    drain();
    EXPECT_EQ(pairsOf(*loaded), kept);
    EXPECT_EQ(changes.count, 3) << "the clear and one per grant";
    EXPECT_TRUE(script->presented().empty());
}

TEST_F(BookmarkStoreTest, AtLoadStaleGrantsAreDroppedButThoseOfAnAbsentVolumeKept) {
    const auto stalePath = makeFile("stale.txt");
    const auto staleGrant = grant(fileURL("stale.txt"));
    makeFile("fresh.txt");
    fs::rename(root() / "fresh.txt", stalePath);
    // A grant on a disk that is not plugged in: its mount point is an empty folder.
    makeFolder("media/stick");
    platform::BookmarkRecord away{(root() / "media/stick/docs").string(), 1, 2, (root() / "media/stick").string()};
    const auto awayURL = folderURL("media/stick/docs");
    writeFile(archiveOf({{fileURL("stale.txt"), staleGrant}, {awayURL, away.encoded()}}));

    auto store = SandboxFileAccessPersistDictionary::make();
    store->loadBookmarks();
    EXPECT_EQ(pairsOf(*store), (std::map<std::string, platform::Data>{{awayURL.string(), away.encoded()}}));
    EXPECT_EQ(loggedAfter("! Bookmark-Data is invalid an will be removed: "), Strings{fileURL("stale.txt").string()});

    store->saveBookmarks();
    EXPECT_EQ(pairsInFile(), (std::map<std::string, platform::Data>{{awayURL.string(), away.encoded()}}));
}

TEST_F(BookmarkStoreTest, ABookmarkFileThatIsNoArchiveIsKeptAsideAndTheProgramGoesOn) {
    const platform::Data garbage{'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e'};
    writeFile(garbage);
    const std::string aside = SandboxFileAccessPersistDictionary::unreadableBookmarkFilePath();
    expectAlert("Error loading globalBookmarks from file -> Wrong Type", aside);

    auto store = SandboxFileAccessPersistDictionary::make();
    store->loadBookmarks();
    EXPECT_TRUE(pairsOf(*store).empty());
    EXPECT_EQ(fileBytes(aside), garbage);

    makeFile("later.txt");
    store->setBookmark(grant(fileURL("later.txt")), fileURL("later.txt"));
    store->saveBookmarks();
    EXPECT_EQ(pairsInFile().size(), 1u);
    EXPECT_EQ(fileBytes(aside), garbage) << "the next save leaves the old file alone";
}

TEST_F(BookmarkStoreTest, OtherUnusableFiles) {
    // An archive of a list: readable, but no grants; nothing is said.
    writeFile(*platform::KeyedArchiver::archivedData(platform::ArchiveObject(std::vector<std::string>{"a"})));
    auto store = SandboxFileAccessPersistDictionary::make();
    store->loadBookmarks();
    EXPECT_TRUE(pairsOf(*store).empty());
    EXPECT_TRUE(script->presented().empty());

    // A file that cannot be read at all.
    fs::remove(file());
    fs::create_directories(file());
    expectAlert("Error loading globalBookmarks from file", "Error: SandboxFileAccessPersistDictionary");
    store->loadBookmarks();
    EXPECT_TRUE(pairsOf(*store).empty());
}

// Whatever stands at the file's place that cannot be read (a folder, a pipe
// that would hang the start, a file far beyond any real store) is kept aside
// as it is, under a name of its own, and the alert names both.
TEST_F(BookmarkStoreTest, AnythingUnreadableAtTheFilesPlaceIsKeptAsideAndNamed) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        std::function<bool(const std::string&)> keptAsItWas;
    };
    const Case cases[] = {
        {"a folder", [](const std::string& p) { fs::create_directories(p + "/inside"); },
         [](const std::string& p) { return fs::is_directory(p + "/inside"); }},
        {"a pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         [](const std::string& p) { return fs::is_fifo(p); }},
        {"a gigabyte",
         [](const std::string& p) {
             std::ofstream(p) << "bplist00";
             fs::resize_file(p, std::uintmax_t{1} << 30);  // sparse: nothing written
         },
         [](const std::string& p) { return fs::file_size(p) == std::uintmax_t{1} << 30; }},
    };
    std::vector<std::string> kept;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directories(fs::path(file()).parent_path());
        c.make(file());
        std::string informative;
        script->answerAlert([&](platform::Alert& alert) {
            EXPECT_EQ(alert.messageText(), "Error loading globalBookmarks from file");
            informative = alert.informativeText();
            return platform::AlertAnswer{};
        });
        auto store = SandboxFileAccessPersistDictionary::make();
        store->loadBookmarks();
        EXPECT_TRUE(pairsOf(*store).empty());
        EXPECT_NE(informative.find(file()), std::string::npos) << informative;
        const std::string marker = "kept as ";
        ASSERT_NE(informative.find(marker), std::string::npos) << informative;
        const std::string aside = informative.substr(informative.find(marker) + marker.size());
        EXPECT_TRUE(c.keptAsItWas(aside)) << aside;
        kept.push_back(aside);

        store->saveBookmarks();
        EXPECT_TRUE(fs::is_regular_file(file())) << "saving works again";
        EXPECT_TRUE(c.keptAsItWas(aside)) << "and leaves the kept one alone";
        fs::remove(file());
    }
    EXPECT_EQ(kept, (Strings{SandboxFileAccessPersistDictionary::unreadableBookmarkFilePath(),
                             SandboxFileAccessPersistDictionary::unreadableBookmarkFilePath() + "-2",
                             SandboxFileAccessPersistDictionary::unreadableBookmarkFilePath() + "-3"}));
}

TEST_F(BookmarkStoreTest, AnEmptyStoreSavesAnEmptyDictionaryAndAFailedWriteNamesTheFile) {
    auto store = SandboxFileAccessPersistDictionary::make();
    store->saveBookmarks();
    ASSERT_TRUE(fs::exists(file()));
    EXPECT_TRUE(pairsInFile().empty());
    const auto before = fileBytes(file());

    makeFile("w.txt");
    store->setBookmark(grant(fileURL("w.txt")), fileURL("w.txt"));
    platform::atomicfile::setFaultInjector([](platform::atomicfile::Stage stage, const fs::path&) {
        return stage == platform::atomicfile::Stage::Write ? ENOSPC : 0;
    });
    expectAlert("Error saving globalBookmarks to file", file());
    store->saveBookmarks();
    EXPECT_EQ(fileBytes(file()), before) << "the previous file is untouched";
}

}  // namespace
