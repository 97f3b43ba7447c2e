// The full export and its way back: a whole store exported through the
// command and imported again, what goes into each file, and how failures
// leave earlier files and the live data alone.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "ExchangeTestSupport.h"
#include "app/FreltWindowEnum.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/appkit/Window.h"
#include "store/StoreConstants.h"

using namespace frelt;
namespace fs = std::filesystem;

namespace {

class ExportDataTest : public ExchangeTest {
protected:
    ExportFileContent readBack(const platform::URL& url) {
        auto read = readExportFile(readBytes(url.path()));
        EXPECT_TRUE(read.content) << read.error;
        return read.content ? *read.content : ExportFileContent{};
    }
    static Strings tagNamesIn(const ExportFileContent& content) {
        Strings out;
        for (const auto& t : content.tags) out.push_back(t->tagName());
        return out;
    }
    static Strings registeredTagNames() {
        Strings out;
        for (const auto& t : tagManager()->allAvailableTags()->toVector()) out.push_back(t->tagName());
        return out;
    }
    // The state and the proxies as the work sees them, recorded at an alert.
    void expectAlertWhileExporting(const std::string& message, const std::string& informative) {
        script->answerAlert([=](platform::Alert& alert) {
            EXPECT_EQ(alert.messageText(), message);
            EXPECT_EQ(alert.informativeText(), informative);
            EXPECT_EQ(manager()->state(), ExportImportManagerState::exportRunning);
            EXPECT_FALSE(store()->enableDataProxies());
            return platform::AlertAnswer{};
        });
    }
    void expectIdleWithProxiesOn() {
        EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
        EXPECT_TRUE(store()->enableDataProxies());
    }
};

TEST_F(ExportDataTest, AWholeStoreComesBackFieldByFieldThroughExportAndImport) {
    // As at launch: everything stored is read before anything saves.
    config()->loadConfig();
    config()->setDebugLogging(true);
    fillStore();
    // Found by the application search and untouched: not the user's to keep.
    add(TableViewItem::initForSpotlightApp(makeApplication("apps/plain.desktop", "Plain"), "Plain"));
    store()->rebuildData(RebuildDataReason::configViewContent);
    const Strings before = everything();
    ASSERT_EQ(keptEntries().size(), 7u);

    // A window of the program is open: the command closes it before its panel comes.
    auto window = std::make_shared<platform::Window>();
    const auto controller = defaultFreltWindowController::withWindow(window);
    controller->setWindowControllerType(FreltWindowEnum::info);
    window->makeKeyAndOrderFront();
    script->answerSavePanel([&](platform::SavePanel& panel) {
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(panel.allowedFileTypes(), Strings{"frelt_ExportData"});
        return platform::PanelAnswer{platform::modalresponse::ok, {exportURL()}};
    });
    manager()->exportDataCommand();
    ASSERT_TRUE(fs::exists(exportURL().path()));
    EXPECT_EQ(readBack(exportURL()).entries.size(), 7u);

    clearEverything();
    // The window size is this installation's own; the import keeps it.
    config()->mainWindowWidth = MainWindowWidth::with800;
    config()->mainWindowHeight = MainWindowHeight::height60;
    PostCounter scopes(Notifications::customSpotlightSearchScopeChanged);
    PostCounter smallMode(Notifications::useSmallModeInMainViewChanged);
    PostCounter showPath(Notifications::showPathInMainViewChanged);

    window->makeKeyAndOrderFront();
    script->answerOpenPanel([&](platform::OpenPanel& panel) {
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(panel.message(), "Select a previously saved configuration file to load it.");
        return platform::PanelAnswer{platform::modalresponse::ok, {exportURL()}};
    });
    script->answerAlert([](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "Importing will overwrite all existing data. Are you sure?");
        EXPECT_EQ(alert.alertStyle(), platform::AlertStyle::warning);
        return platform::AlertAnswer{platform::modalresponse::alertSecondButton, std::nullopt};
    });
    manager()->importDataCommand();
    drain();

    Strings expected = before;
    expected[expected.size() - 2] = "width 800px";
    expected[expected.size() - 1] = "height 60%";
    EXPECT_EQ(everything(), expected);
    EXPECT_EQ(scopes.count, 1);
    EXPECT_EQ(smallMode.count, 1);
    EXPECT_EQ(showPath.count, 1);
    expectIdleWithProxiesOn();
    EXPECT_EQ(loggedAfter("-> RebuildData - Request initiated: "), (Strings{"ConfigView Content", "import Data"}));
    // The import is kept at once: the stored settings hold it.
    EXPECT_FALSE(config()->defaults->boolForKey(DefaultsKeys::searchForComments));
    EXPECT_TRUE(config()->defaults->dataForKey(DefaultsKeys::applicationData));
}

TEST_F(ExportDataTest, AUserExportDropsTheTagsNoEntryUsesAndABackupKeepsThem) {
    fillStore();
    registerTag("spare", 40)->setColor(platform::Color::sRGB(0, 0, 1));
    store()->rebuildData(RebuildDataReason::configViewContent);
    drain();

    ASSERT_TRUE(manager()->exportData->exportAll(exportURL("backup.frelt_ExportData"), false));
    EXPECT_EQ(tagNamesIn(readBack(exportURL("backup.frelt_ExportData"))),
              (Strings{"work", "work|reports", "web", "tools|text", "routines", "spare"}));
    EXPECT_EQ(registeredTagNames().back(), "spare");

    ASSERT_TRUE(manager()->exportData->exportAll(exportURL(), true));
    drain();
    EXPECT_EQ(tagNamesIn(readBack(exportURL())), (Strings{"work", "work|reports", "web", "tools|text", "routines"}));
    EXPECT_EQ(registeredTagNames(), (Strings{"work", "work|reports", "web", "tools|text", "routines"}));
}

// "Unused" is only known after a completed count over entries that were all
// read: before the first count every tag reads as unused, and after a launch
// whose stored entries could not be read the count runs over what the search
// found and marks the lost entries' tags unused. Neither the user's export
// nor the save at quit after it may then drop a tag.
TEST_F(ExportDataTest, AUserExportDropsNoTagBeforeACountOverEntriesThatWereAllRead) {
    struct Case {
        const char* name;
        bool entriesUnreadable;
    };
    for (const Case& c : {Case{"before the first count", false}, Case{"stored entries unreadable", true}}) {
        SCOPED_TRACE(c.name);
        // A run that has loaded its (empty) stored settings, so that saves are allowed.
        config()->loadConfig();
        fillStore();
        config()->saveConfig(false);
        const Strings registered = registeredTagNames();
        ASSERT_EQ(registered.size(), 5u);

        if (c.entriesUnreadable) {
            config()->defaults->set(DefaultsKeys::applicationData, platform::Value(platform::Data{'b', 'p', 'l'}));
            expectAlert("Error loading data", "The data could not be loaded successfully");
            config()->loadAllDataArray();
            config()->loadTagDataArray();
            // The search refills the store; the count covers only that.
            add(TableViewItem::initForSpotlightApp(makeApplication("apps/found.desktop", "Found"), "Found"));
            store()->rebuildData(RebuildDataReason::spotlightDatabaseFirstUpdate);
            drain();
            ASSERT_TRUE(tagManager()->tagUsageCounted());
        } else {
            ASSERT_FALSE(tagManager()->tagUsageCounted());
        }

        ASSERT_TRUE(manager()->exportData->exportAll(exportURL(), true));
        drain();
        EXPECT_EQ(tagNamesIn(readBack(exportURL())), registered);
        EXPECT_EQ(registeredTagNames(), registered);

        config()->saveConfig(true);
        const auto storedData = config()->defaults->dataForKey(DefaultsKeys::tagData);
        ASSERT_TRUE(storedData);
        const auto stored = platform::KeyedUnarchiver::unarchiveTopLevelObject(*storedData);
        ASSERT_TRUE(stored.object.asArray());
        EXPECT_EQ(stored.object.asArray()->size(), registered.size());

        clearEverything();
        config()->defaults->removeObjectForKey(DefaultsKeys::applicationData);
        config()->defaults->removeObjectForKey(DefaultsKeys::tagData);
    }
}

TEST_F(ExportDataTest, EveryExportIsBuiltAfreshFromTheLiveData) {
    fillStore();
    config()->hotkeyBorder = true;
    config()->translucentBackgroundRight = true;
    ASSERT_TRUE(manager()->exportData->exportAll(exportURL("first.frelt_ExportData"), false));
    const auto first = readBack(exportURL("first.frelt_ExportData"));
    EXPECT_EQ(first.templates.size(), 2u);
    EXPECT_TRUE(first.globalKeyCombo && *first.globalKeyCombo);
    // Carried in the file, but never the settings' values.
    EXPECT_FALSE(first.record->hotkeyBorder);
    EXPECT_FALSE(first.record->translucentBackgroundRight);

    // What the user cleared since must not come back from the first export.
    urlManager()->urlTemplates.clear();
    config()->globalKeyCombo = nullptr;
    tagManager()->allAvailableTags()->removeAll();
    ASSERT_TRUE(manager()->exportData->exportAll(exportURL("second.frelt_ExportData"), false));
    const auto second = readBack(exportURL("second.frelt_ExportData"));
    EXPECT_FALSE(second.record->urlTemplateArchive);
    EXPECT_FALSE(second.record->globalKeyCombo);
    EXPECT_FALSE(second.record->allTagsArchive);
    EXPECT_FALSE(second.globalKeyCombo);
}

TEST_F(ExportDataTest, TagsWithNothingOfTheirOwnAreLeftOutAndMayLeaveAnEmptyList) {
    add(TableViewItem::initForURL("https://example.org", "Example", ""))->setTags({"plain"});
    tagManager()->allAvailableTags()->append(iconTag::initWithNewName("plain", ""));
    drain();
    ASSERT_TRUE(manager()->exportData->exportAll(exportURL(), false));
    const auto content = readBack(exportURL());
    ASSERT_TRUE(content.record->allTagsArchive);
    EXPECT_TRUE(content.tags.empty());
}

TEST_F(ExportDataTest, AFailingPartWritesNoFileAndLeavesTheEarlierOneAndTheTagsAlone) {
    struct Case {
        ExportData::Step step;
        const char* alert;
    };
    const Case cases[] = {
        {ExportData::Step::tags, "Error saving arrayOfAllTags to ExportFile"},
        {ExportData::Step::entries, "Error saving allDataArray to ExportFile"},
        {ExportData::Step::globalHotkey, "Error saving globalKeyCombo_KeyName to ExportFile"},
        {ExportData::Step::urlTemplates, "Error saving URLTemplatesArray to ExportFile"},
    };
    fillStore();
    registerTag("spare", 40)->setColor(platform::Color::sRGB(0, 0, 1));
    store()->rebuildData(RebuildDataReason::configViewContent);
    drain();
    const auto path = fs::path(exportURL().path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alert);
        writeBytes(path, {'o', 'l', 'd'});
        ExportData::setStepFaultInjector([&](ExportData::Step step) { return step == c.step; });
        expectAlertWhileExporting(c.alert, "Error: Export");
        EXPECT_FALSE(manager()->exportData->exportAll(exportURL(), true));
        EXPECT_EQ(readText(path), "old");
        EXPECT_EQ(registeredTagNames().size(), 6u);
        expectIdleWithProxiesOn();
    }
}

TEST_F(ExportDataTest, AFailedWriteKeepsTheEarlierFileAndSaysSo) {
    fillStore();
    const auto path = fs::path(exportURL().path());
    writeBytes(path, {'o', 'l', 'd'});
    platform::atomicfile::setFaultInjector([](platform::atomicfile::Stage stage, const fs::path&) {
        return stage == platform::atomicfile::Stage::Write ? ENOSPC : 0;
    });
    expectAlertWhileExporting("Failed to save configuration to file!", "Error: Configuration");
    EXPECT_FALSE(manager()->exportData->exportAll(exportURL(), false));
    EXPECT_EQ(readText(path), "old");
    expectIdleWithProxiesOn();
}

TEST_F(ExportDataTest, NothingIsWrittenForAnEmptyStoreACancelledPanelOrARefusedAccess) {
    // No entries: the panel comes, nothing else does.
    script->chooseInSavePanel(exportURL());
    manager()->exportData->exportDataToFile();
    EXPECT_FALSE(fs::exists(exportURL().path()));
    EXPECT_TRUE(loggedAfter("# ExportAll").empty());

    fillStore();
    logs().clear();
    script->cancelSavePanel();
    manager()->exportData->exportDataToFile();
    Strings exportLines;
    for (const auto& r : logs().records())
        if (r.category == "importExport") exportLines.push_back(r.message);
    EXPECT_EQ(exportLines, (Strings{"-> exportDataToFile", "<- exportDataToFile"}));

    // Over an existing file the user may not write to, the access panel asks
    // first; cancelling it leaves the file as it was.
    const auto path = fs::path(exportURL().path());
    writeBytes(path, {'o', 'l', 'd'});
    restrictAccessTo({"allowed"});
    script->chooseInSavePanel(exportURL());
    script->cancelOpenPanel();
    manager()->exportData->exportDataToFile();
    EXPECT_EQ(readText(path), "old");
    EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
}

TEST_F(ExportDataTest, AnExistingFileIsReplacedOnceAccessIsGranted) {
    fillStore();
    const auto path = fs::path(exportURL().path());
    writeBytes(path, {'o', 'l', 'd'});
    script->chooseInSavePanel(exportURL());
    manager()->exportData->exportDataToFile();
    EXPECT_EQ(readBack(exportURL()).entries.size(), 7u);
    EXPECT_EQ(loggedAfter("Access possible to ").size(), 1u);
}

}  // namespace
