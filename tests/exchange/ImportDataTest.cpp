// The import: files that cannot be used in full change nothing and say so,
// the command's panel, warning and access request, the manager's state on
// every path, and the settings the import applies or keeps.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <set>
#include <stdexcept>

#include "ExchangeTestSupport.h"
#include "app/FreltManager.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "sources/discovery/ProxySpotlightQueryFS.h"
#include "store/StoreConstants.h"

using namespace frelt;
namespace fs = std::filesystem;
using platform::UID;
using platform::Value;
using platform::ValueDictionary;

namespace {

constexpr const char* kNotAnExportFile = "The file holds no exported configuration.";
constexpr const char* kNotReadable = "The file to import could not be read.";
constexpr const char* kDataError = "Error loading data";
constexpr const char* kDataErrorText = "The data could not be loaded successfully";

// An archive of objects nested `depth` lists deep.
platform::Data deepLists(int depth) {
    ArchiveBuilder a;
    UID inner = a.array({});
    for (int i = 1; i < depth; ++i) inner = a.array({inner});
    return a.data(inner);
}

class ImportDataTest : public ExchangeTest {
protected:
    void SetUp() override {
        ExchangeTest::SetUp();
        fillStore();
        store()->rebuildData(RebuildDataReason::configViewContent);
        drain();
    }

    bool importFrom(const fs::path& path) {
        return manager()->importData->importFromURL(platform::URL::fileURL(path.string()));
    }
    // A file of our own, for cutting and borrowing parts.
    platform::Data exportedFile() {
        const auto url = exportURL("source.frelt_ExportData");
        EXPECT_TRUE(manager()->exportData->exportAll(url, false));
        return readBytes(url.path());
    }
    // The nested archive our export writes under `key`.
    platform::Data nestedArchive(const char* key) {
        const auto read = readExportFile(exportedFile());
        const auto& r = *read.content->record;
        const std::map<std::string, std::optional<platform::Data>> parts{{"allDataArchive", r.allDataArchive},
                                                                         {"tagArchive", r.allTagsArchive},
                                                                         {"urlTemplateArchive", r.urlTemplateArchive},
                                                                         {"globalKeyCombo", r.globalKeyCombo}};
        return *parts.at(key);
    }
    // A record carrying `data` under `key` and nothing else.
    static platform::Data recordHolding(const char* key, const platform::Data& data) {
        return recordWith({}, [&](ArchiveBuilder& a, ValueDictionary& f) { f[key] = a.add(data); });
    }
    // The trash, for the "nothing changed" checks.
    static Strings trash() {
        Strings out;
        for (const auto& e : store()->trashData()) out.push_back(e->path());
        return out;
    }
};

TEST_F(ImportDataTest, AFileThatCannotBeUsedInFullShowsOneAlertAndChangesNothing) {
    struct Case {
        std::string name;
        std::function<void(const fs::path&)> make;
        std::string message;
        std::string informative;
    };
    const auto cut = exportedFile();
    const std::vector<Case> cases = {
        {"truncated",
         [&](const fs::path& p) { writeBytes(p, platform::Data(cut.begin(), cut.begin() + cut.size() / 2)); },
         kNotAnExportFile, "Error: Import"},
        {"text",
         [](const fs::path& p) {
             writeBytes(p, {'h', 'e', 'l', 'l', 'o'});
         },
         kNotAnExportFile, "Error: Import"},
        {"root of another kind",
         [](const fs::path& p) {
             ArchiveBuilder a;
             writeBytes(p, a.data(a.array({a.add("x")})));
         },
         kNotAnExportFile, "Error: Import"},
        {"root of a class not allowed",
         [](const fs::path& p) {
             ArchiveBuilder a;
             writeBytes(p,
                        a.data(a.instance("_TtC5frelt13TableViewItem", {{"name", a.add("x")}, {"path", a.add("/x")}})));
         },
         kNotAnExportFile, "Error: Import"},
        {"cycle",
         [](const fs::path& p) {
             // The record's first object reference leads back to the record.
             writeBytes(p, recordWith({{"allDataArchive", UID{2}}}));
         },
         kNotAnExportFile, "Error: Import"},
        {"over-deep",
         [](const fs::path& p) {
             ArchiveBuilder a;
             UID inner = a.array({});
             for (int i = 0; i < 400; ++i) inner = a.array({inner});
             writeBytes(p, a.data(a.instance("_TtC5frelt16ExportImportData", {{"customSpotlightSearchScope", inner}})));
         },
         kNotAnExportFile, "Error: Import"},
        {"entries holding tags",
         [&](const fs::path& p) { writeBytes(p, recordHolding("allDataArchive", nestedArchive("tagArchive"))); },
         kDataError, kDataErrorText},
        {"entries damaged",
         [&](const fs::path& p) {
             writeBytes(p, recordHolding("allDataArchive", {'x', 'y'}));
         },
         kDataError, kDataErrorText},
        {"entries over-deep",
         [&](const fs::path& p) { writeBytes(p, recordHolding("allDataArchive", deepLists(400))); }, kDataError,
         kDataErrorText},
        {"tags holding a hotkey",
         [&](const fs::path& p) { writeBytes(p, recordHolding("tagArchive", nestedArchive("globalKeyCombo"))); },
         kDataError, kDataErrorText},
        {"templates holding texts",
         [&](const fs::path& p) {
             ArchiveBuilder a;
             writeBytes(p, recordHolding("urlTemplateArchive", a.data(a.array({a.add("Search")}))));
         },
         kDataError, kDataErrorText},
        {"hotkey holding entries",
         [&](const fs::path& p) { writeBytes(p, recordHolding("globalKeyCombo", nestedArchive("allDataArchive"))); },
         "Error loading globalKeyCombo from ImportFile", "Error: Import"},
        {"100 MB",
         [](const fs::path& p) {
             // Sparse: the size is real, the disk is not used.
             std::ofstream(p).put('x');
             fs::resize_file(p, 100u << 20);
         },
         kNotReadable, "Error: Import"},
        {"folder", [](const fs::path& p) { fs::create_directories(p); }, kNotReadable, "Error: Import"},
        {"missing", [](const fs::path&) {}, "The file to import could not be found.", "Error: Import"},
    };

    store()->moveToTrash(store()->allData()->toVector().front()->path());
    drain();
    const Strings before = everything();
    const Strings trashBefore = trash();
    const auto shownBefore = store()->currentDataConfig()->count();
    ASSERT_FALSE(trashBefore.empty());
    ASSERT_GT(shownBefore, 0u);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = root() / "broken" / (c.name + ".frelt_ExportData");
        fs::create_directories(path.parent_path());
        c.make(path);
        expectAlert(c.message, c.informative);
        EXPECT_FALSE(importFrom(path));
        drain();
        EXPECT_EQ(script->pendingAnswerCount(), 0u);
        EXPECT_EQ(everything(), before);
        EXPECT_EQ(trash(), trashBefore);
        EXPECT_EQ(store()->currentDataConfig()->count(), shownBefore);
        EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
        EXPECT_TRUE(store()->enableDataProxies());
    }
    EXPECT_EQ(loggedAfter("WARNING: Error while extracting Data").size(), 12u);
    // The reasons are logged; the cyclic and the deep file failed as such.
    using ::testing::Contains;
    using ::testing::HasSubstr;
    EXPECT_THAT(logs().messages(), Contains(HasSubstr("contains itself")));
    EXPECT_THAT(logs().messages(), Contains(HasSubstr("nested too deeply")));
    EXPECT_THAT(logs().messages(), Contains(HasSubstr("too large for an export file")));
}

TEST_F(ImportDataTest, WhileAnImportsAlertIsUpNoWindowMayOpen) {
    const auto path = root() / "text.frelt_ExportData";
    writeBytes(path, {'x'});
    script->answerAlert([](platform::Alert&) {
        EXPECT_EQ(ExportImportManager::shared()->state(), ExportImportManagerState::importRunning);
        EXPECT_FALSE(FreltWindow::canOpenWindow(FreltWindowEnum::main));
        return platform::AlertAnswer{};
    });
    EXPECT_FALSE(importFrom(path));
    EXPECT_EQ(loggedAfter("Tried to open Window, but there's currently an export or import running").size(), 1u);
    EXPECT_TRUE(FreltWindow::canOpenWindow(FreltWindowEnum::main));
}

TEST_F(ImportDataTest, AnExceptionStillReturnsTheManagerToIdleWithTheProxiesOn) {
    const auto path = root() / "text.frelt_ExportData";
    writeBytes(path, {'x'});
    // An alert that throws is past the boundary's own alert: the exception
    // goes on, and still leaves nothing running.
    script->answerAlert([](platform::Alert&) -> platform::AlertAnswer { throw std::runtime_error("alert failed"); });
    script->answerAlert([](platform::Alert&) -> platform::AlertAnswer { throw std::runtime_error("alert failed"); });
    EXPECT_THROW(importFrom(path), std::runtime_error);
    EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
    EXPECT_TRUE(store()->enableDataProxies());

    ExportData::setStepFaultInjector([](ExportData::Step) { return true; });
    script->answerAlert([](platform::Alert&) -> platform::AlertAnswer { throw std::runtime_error("alert failed"); });
    script->answerAlert([](platform::Alert&) -> platform::AlertAnswer { throw std::runtime_error("alert failed"); });
    EXPECT_THROW(manager()->exportData->exportAll(exportURL(), false), std::runtime_error);
    EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
    EXPECT_TRUE(store()->enableDataProxies());
}

// Nothing above the import and the export catches: an exception inside them
// (out of memory on a hostile file, a fault half way through replacing the
// data) ends there, with one alert, nothing running and nothing changed.
TEST_F(ImportDataTest, AnExceptionInsideTheWorkShowsOneAlertAndChangesNothing) {
    const auto file = exportURL("good.frelt_ExportData");
    ASSERT_TRUE(manager()->exportData->exportAll(file, false));
    add(TableViewItem::initForURL("https://example.org/later", "Later", ""))->setComment("after the export");
    registerTag("later", 3)->setColor(platform::Color::sRGB(0, 1, 0));
    config()->clickType = 0;
    drain();
    const Strings before = everything();

    // Half way: the lists are replaced when the settings' first notice throws.
    auto failing = platform::NotificationCenter::defaultCenter().observe(
        Notifications::customSpotlightSearchScopeChanged, nullptr,
        [](const platform::Notification&) { throw std::bad_alloc(); });
    expectAlert("The file could not be imported. Nothing was changed.", "Error: Import");
    EXPECT_FALSE(importFrom(file.path()));
    failing.cancel();
    drain();
    EXPECT_EQ(script->pendingAnswerCount(), 0u);
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
    EXPECT_TRUE(store()->enableDataProxies());

    fs::remove(file.path());
    ExportData::setStepFaultInjector([](ExportData::Step) -> bool { throw std::bad_alloc(); });
    expectAlert("Failed to save configuration to file!", "Error: Configuration");
    EXPECT_FALSE(manager()->exportData->exportAll(file, true));
    EXPECT_EQ(script->pendingAnswerCount(), 0u);
    EXPECT_FALSE(fs::exists(file.path()));
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
    EXPECT_TRUE(store()->enableDataProxies());
}

// Files made to take the import down or slip past its checks, kept beside
// the tests (and as fuzz seeds) by make_crafted_imports.py, with the large
// forms of their shapes built here. Each is refused with one alert and
// changes nothing, or imported with what it holds brought within bounds.
TEST_F(ImportDataTest, CraftedFilesAreRefusedOrTamedWithinTheImportsBounds) {
    struct Case {
        std::string name;
        // The alert of a refusal; empty for a file that imports.
        std::string message;
        std::string informative;
        std::function<void()> checkImported;
    };
    const auto settingsFellBack = [this] {
        EXPECT_EQ(config()->windowViewStyle, 0);
        EXPECT_EQ(config()->clickType, 0);
        EXPECT_EQ(loggedAfter("Imported windowViewStyle ").size(), 1u);
        EXPECT_EQ(loggedAfter("Imported clickType ").size(), 1u);
    };
    const std::string tooMany = "The file holds more than 1000000 objects in one list, far more than any real "
                                "store. Nothing was imported.";
    const std::vector<Case> cases = {
        {"scope-repeating-one-text", kNotAnExportFile, "Error: Import", {}},
        {"entry-tags-repeating-one-text", kDataError, kDataErrorText, {}},
        {"colours-naming-one-large-data", kDataError, kDataErrorText, {}},
        {"one-archive-under-every-key", kDataError, kDataErrorText, {}},
        {"one-entry-named-many-times", "", "",
         [this] {
             EXPECT_EQ(loggedAfter("loaded "), Strings{"1 Items"});
             EXPECT_EQ(store()->allData()->count(), 1u);
         }},
        {"settings-out-of-range", "", "", settingsFellBack},
        {"settings-beyond-int", "", "", settingsFellBack},
        // Built here: a million and one entries, one entry named again and again.
        {"a-million-and-one-entries", tooMany, "Error: Import", {}},
    };
    const fs::path crafted = fs::path(FRELT_SOURCE_DIR) / "tests/exchange/data/crafted";
    std::set<std::string> covered;
    for (const auto& c : cases) covered.insert("crafted-" + c.name + ".frelt_ExportData");
    for (const auto& file : fs::directory_iterator(crafted))
        EXPECT_TRUE(covered.count(file.path().filename().string())) << "no case for " << file.path();

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path path = crafted / ("crafted-" + c.name + ".frelt_ExportData");
        if (!fs::exists(path)) {
            path = root() / "big.frelt_ExportData";
            ArchiveBuilder entries;
            const UID one = entries.instance("_TtC5frelt13TableViewItem",
                                             {{"name", entries.add("Again")}, {"path", entries.add("https://example.org/")}});
            writeBytes(path, recordHolding("allDataArchive",
                                           entries.data(entries.array(platform::ValueArray(1'000'001, Value(one))))));
        }
        clearEverything();
        fillStore();
        logs().clear();
        const Strings before = everything();
        if (c.message.empty()) {
            EXPECT_TRUE(importFrom(path));
            if (c.checkImported) c.checkImported();
        } else {
            expectAlert(c.message, c.informative);
            EXPECT_FALSE(importFrom(path));
            EXPECT_EQ(everything(), before);
        }
        drain();
        EXPECT_EQ(script->pendingAnswerCount(), 0u);
        EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
    }
}

// One long text named again and again (60 GB asked of a 1.5 MB file) asks
// for far more memory than the machine has; the read must be refused within
// the archive's budget, long before. Run in a child whose address space is
// capped, so that the old fault (copying every element before counting it)
// shows as the child dying rather than as this machine running out of memory.
TEST_F(ImportDataTest, ATextListAskingForGigabytesIsRefusedWithinTheBudget) {
    ArchiveBuilder a;
    const UID text = a.add(std::string(1'000'000, 'x'));
    const auto bytes = a.data(a.instance("_TtC5frelt16ExportImportData",
                                         {{"customSpotlightSearchScope",
                                           a.array(platform::ValueArray(60'000, Value(text)))}}));
    ASSERT_LT(bytes.size(), 2u << 20);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto readWithCappedMemory = [&bytes] {
        std::ifstream statm("/proc/self/statm");
        unsigned long long pages = 0;
        statm >> pages;
        rlimit capped{};
        capped.rlim_cur = capped.rlim_max = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{1} << 30);
        setrlimit(RLIMIT_AS, &capped);
        const auto read = readExportFile(bytes);
        std::_Exit(!read.content && read.error.find("beyond the allowed size") != std::string::npos ? 0 : 1);
    };
    EXPECT_EXIT(readWithCappedMemory(),
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ImportDataTest, TheCommandEndsQuietlyUnlessTheUserConfirmsAndMayRead) {
    const auto file = exportURL("good.frelt_ExportData");
    ASSERT_TRUE(manager()->exportData->exportAll(file, false));
    const Strings before = everything();

    // Cancelled panel; a file gone meanwhile (no warning); the warning
    // declined; the access panel cancelled.
    script->cancelOpenPanel();
    manager()->importData->importDataFromFile();
    script->chooseInOpenPanel({exportURL("gone.frelt_ExportData")});
    manager()->importData->importDataFromFile();
    script->chooseInOpenPanel({file});
    script->answerAlert(platform::modalresponse::alertFirstButton);
    manager()->importData->importDataFromFile();
    restrictAccessTo({"allowed"});
    script->chooseInOpenPanel({file});
    script->answerAlert(platform::modalresponse::alertSecondButton);
    script->cancelOpenPanel();
    manager()->importData->importDataFromFile();

    EXPECT_EQ(everything(), before);
    EXPECT_TRUE(loggedAfter("Loading Importfile").empty());
    EXPECT_EQ(loggedAfter("-> importDataFromFile").size(), 4u);
}

TEST_F(ImportDataTest, TheGlobalHotkeyStaysWithoutAnArchiveAndGoesWithAnEmptyOne) {
    const auto path = root() / "keys.frelt_ExportData";
    const auto mine = config()->globalKeyCombo;
    writeBytes(path, recordWith({}));
    ASSERT_TRUE(importFrom(path));
    EXPECT_EQ(config()->globalKeyCombo, mine);

    ArchiveBuilder empty;
    writeBytes(path, recordHolding("globalKeyCombo", empty.data(UID{0})));
    ASSERT_TRUE(importFrom(path));
    EXPECT_FALSE(config()->globalKeyCombo);
}

TEST_F(ImportDataTest, TheAlphaIsCheckedAndTheWindowSizeStaysThisInstallations) {
    struct Case {
        std::optional<double> stored;
        float expected;
    };
    const Case cases[] = {{1.5, 0.2f}, {-0.1, 0.2f},         {std::nan(""), 0.2f},
                          {0.3, 0.3f}, {std::nullopt, 0.0f}, {1.0, 1.0f}};
    const auto path = root() / "alpha.frelt_ExportData";
    for (const auto& c : cases) {
        ValueDictionary fields;
        if (c.stored) fields["entryBackgroundAlphaValue"] = *c.stored;
        writeBytes(path, recordWith(fields, [](ArchiveBuilder& a, ValueDictionary& f) {
                       f["mainWindowWidth"] = a.add("800px");
                       f["mainWindowHeight"] = a.add("50%");
                   }));
        ASSERT_TRUE(importFrom(path));
        EXPECT_FLOAT_EQ(config()->entryBackgroundAlphaValue, c.expected) << (c.stored ? *c.stored : -1);
        EXPECT_EQ(config()->mainWindowWidth, MainWindowWidth::with550);
        EXPECT_EQ(config()->mainWindowHeight, MainWindowHeight::height90);
    }
}

TEST_F(ImportDataTest, AnImportStartsFromAnEmptyTrashAndReplacesEveryList) {
    const auto file = exportURL("good.frelt_ExportData");
    ASSERT_TRUE(manager()->exportData->exportAll(file, false));
    store()->moveToTrash(store()->allData()->toVector().front()->path());
    add(TableViewItem::initForURL("https://example.org/later", "Later", ""));
    registerTag("later", 3);
    urlManager()->urlTemplates.push_back(std::make_shared<urlTemplateData>("Later", "https://later.example"));
    drain();

    ASSERT_TRUE(importFrom(file.path()));
    drain();
    EXPECT_TRUE(store()->trashData().empty());
    for (const auto& line : everything()) EXPECT_EQ(line.find("Later"), std::string::npos) << line;
    for (const auto& line : registeredTags()) EXPECT_NE(line.rfind("later", 0), 0u) << line;
    EXPECT_EQ(loggedAfter("loaded "), Strings{"7 Items"});
}

// The application search publishes only changes of its results; an import
// (or the restore of a backup, the same road) changes none of them, so the
// applications the file did not carry must come back by the import itself.
class ImportWithApplicationSearchTest : public ExchangeTest {
protected:
    static Strings applicationNames() {
        Strings names;
        for (const auto& e : *store()->allData()->snapshot())
            if (e->path().find("/applications/") != std::string::npos) names.push_back(e->name());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ImportWithApplicationSearchTest, EveryApplicationTheSearchKnowsIsInTheStoreAfterAnImport) {
    const fs::path apps = platform::Paths::dataHome() / "applications";
    Strings all;
    for (int i = 0; i < 10; ++i) {
        const std::string name = "App" + std::to_string(i);
        makeApplication(fs::relative(apps / (name + ".desktop"), root()).string(), name);
        all.push_back(name);
    }
    store()->setEnableDataProxies(true);
    const auto query = store()->proxySpotlightQueryFSAllApps()->spotlightQuery();
    ASSERT_TRUE(runUntil([&] { return query->state.value() == SpotlightQueryState::finishedGathering; }));
    ASSERT_EQ(applicationNames(), all);
    // Three carry something the user keeps, so only they are in the file.
    for (const auto& e : store()->allData()->toVector())
        if (e->name() == "App1" || e->name() == "App4" || e->name() == "App7") e->setTags({"kept"});
    drain();

    struct Case {
        const char* name;
        std::function<platform::URL()> file;
    };
    const Case cases[] = {
        {"export then import", [this] {
             EXPECT_TRUE(manager()->exportData->exportAll(exportURL(), true));
             return exportURL();
         }},
        {"restore of a backup", [this] {
             EXPECT_TRUE(manager()->exportVersionedBackup->createBackup());
             return platform::URL::fileURL(manager()->exportVersionedBackup->listBackupFiles()->front());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = c.file();
        ASSERT_TRUE(manager()->importData->importFromURL(file));
        EXPECT_EQ(applicationNames(), all);
        // And once the search has run again after the import.
        runUntil([&] { return query->state.value() == SpotlightQueryState::finishedGathering; });
        drain();
        EXPECT_EQ(applicationNames(), all);
        for (const auto& e : store()->allData()->toVector())
            EXPECT_TRUE(e->isFoundBySpotlight()) << e->name();
    }
}

}  // namespace
