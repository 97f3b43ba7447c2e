// The import: files that cannot be used in full change nothing and say so,
// the command's panel, warning and access request, the manager's state on
// every path, and the settings the import applies or keeps.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "ExchangeTestSupport.h"
#include "app/FreltManager.h"
#include "platform/appkit/OpenPanel.h"
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
    script->answerAlert([](platform::Alert&) -> platform::AlertAnswer { throw std::runtime_error("alert failed"); });
    EXPECT_THROW(importFrom(path), std::runtime_error);
    EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
    EXPECT_TRUE(store()->enableDataProxies());

    ExportData::setStepFaultInjector([](ExportData::Step) { return true; });
    script->answerAlert([](platform::Alert&) -> platform::AlertAnswer { throw std::runtime_error("alert failed"); });
    EXPECT_THROW(manager()->exportData->exportAll(exportURL(), false), std::runtime_error);
    EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
    EXPECT_TRUE(store()->enableDataProxies());
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

}  // namespace
