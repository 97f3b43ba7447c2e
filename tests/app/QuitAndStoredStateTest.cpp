// A quit that comes from a signal at any moment, loading included; backups
// only of a store that was loaded; and what the user is told of stored state
// that could not be read or saved, at once or at the next launch.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "exchange/ExportVersionedBackup.h"
#include "platform/appkit/Alert.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/UserDefaults.h"
#include "sources/access/SandboxFileAccessPersistDictionary.h"
#include "store/DataStorage.h"
#include "store/ShowAlert.h"
#include "store/StoreConstants.h"
#include "store/TableViewItem.h"
#include "support/FileDates.h"

using namespace frelt;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
namespace Keys = DefaultsKeys;

namespace {

const std::string kGarbage = "not an archive, not a property list";

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class QuitAndStoredStateTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        // Birth times cannot be set: backups are dated by their modification time.
        ExportVersionedBackup::setCreationDateReader(filedates::modificationDate);
    }
    void TearDown() override {
        ExportVersionedBackup::setCreationDateReader(nullptr);
        platform::atomicfile::setFaultInjector(nullptr);
        ShellTest::TearDown();
    }
    static std::shared_ptr<AppDelegate> delegate() { return AppDelegate::shared(); }
    static platform::UserDefaults& defaults() { return *platform::UserDefaults::standard(); }
    static fs::path settingsFile() { return platform::Paths::configFolder() / "org.frelt.Frelt.plist"; }
    static fs::path backupFolder() { return platform::Paths::documentsFolder() / "Backup"; }
    // The stored values, but for the alerts kept for the next launch.
    static platform::ValueDictionary domain() {
        auto values = defaults().persistentDomainForName(defaults().domainName()).value_or(platform::ValueDictionary{});
        values.erase(Keys::alertsKeptForNextLaunch);
        return values;
    }
    static Strings backups() {
        Strings out;
        std::error_code error;
        for (fs::directory_iterator it(backupFolder(), error), end; !error && it != end; it.increment(error))
            out.push_back(it->path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    void launch() {
        app()->setDelegate(delegate());
        app()->finishLaunching();
        drain();
    }
    // The program ends (the settings reach the disk) and starts afresh.
    void restart() {
        platform::singleinstance::resetAll();
        registerShellScenes();
        registerShellImages();
    }
    // A run that leaves entries and settings behind, ended by the menu's Quit.
    void runOnceWithEntries() {
        defaults().set(Keys::launchedBefore, platform::Value(true));
        launch();
        DataStorage::shared()->addToAllData(TableViewItem::initForURL("https://frelt.org", "Frelt", "kept"));
        delegate()->config->windowViewStyle = 1;
        app()->terminate();
        restart();
    }
    // Old backups, oldest last.
    void makeBackups(int count) {
        fs::create_directories(backupFolder());
        for (int i = 0; i < count; ++i) {
            const auto path = backupFolder() / ("old-" + std::to_string(10 + i) + ".frelt_ExportData");
            std::ofstream(path) << "backup";
            fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1 + i));
        }
    }
};

// The alert loading shows for a damaged entry archive, and a signal while it
// waits: nothing stored is replaced (no setting written with a value never
// read, no key combination removed, no list stored empty), no backup is made
// or pruned, and the alert is kept for the next launch.
TEST_F(QuitAndStoredStateTest, ASignalWhileLoadingWaitsInAnAlertReplacesNothingStored) {
    runOnceWithEntries();
    defaults().set(Keys::applicationData, platform::Value(platform::Data(kGarbage.begin(), kGarbage.end())));
    const auto stored = domain();
    ASSERT_TRUE(stored.count(Keys::urlTemplateData) && stored.count(Keys::windowViewStyle));
    makeBackups(21);
    const Strings backupsBefore = backups();

    bool quitInside = false;
    platform::ModalScript::shared()->answerAlert([&](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "Error loading data");
        delegate()->quitFromSignal();
        quitInside = true;
        EXPECT_TRUE(app()->hasTerminated()) << "the program ends here, once the quit has saved";
        EXPECT_EQ(domain(), stored);
        EXPECT_EQ(backups(), backupsBefore);
        return platform::AlertAnswer{};
    });
    launch();
    ASSERT_TRUE(quitInside);
    EXPECT_TRUE(logs().contains("No versioned backup: the stored data was not loaded"));

    // The next launch tells what the user may not have read. (Here loading
    // went on after the quit; the program would have ended and shown the
    // load's alert again first.)
    restart();
    platform::ModalScript::shared()->answerAlert([](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "Error loading data") << "kept from the last run";
        return platform::AlertAnswer{};
    });
    launch();
    EXPECT_FALSE(defaults().objectForKey(Keys::alertsKeptForNextLaunch)) << "told once";
}

// The bookmark store is made, and read, early in the launch; its alert for a
// damaged file names the file and where it was kept, and a signal while it
// shows ends the run without asking for the store that is being made.
TEST_F(QuitAndStoredStateTest, ASignalWhileTheBookmarkStoreAlertShowsEndsCleanly) {
    runOnceWithEntries();
    const fs::path bookmarks = platform::Paths::documentsFolder() / "Bookmarks.dict";
    std::ofstream(bookmarks) << kGarbage;
    const auto stored = domain();
    bool quitInside = false;
    platform::ModalScript::shared()->answerAlert([&](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "Error loading globalBookmarks from file -> Wrong Type");
        EXPECT_NE(alert.informativeText().find(bookmarks.string()), std::string::npos) << alert.informativeText();
        EXPECT_NE(alert.informativeText().find(SandboxFileAccessPersistDictionary::unreadableBookmarkFilePath()),
                  std::string::npos);
        delegate()->quitFromSignal();
        quitInside = true;
        EXPECT_TRUE(app()->hasTerminated());
        EXPECT_EQ(domain(), stored);
        return platform::AlertAnswer{};
    });
    launch();
    ASSERT_TRUE(quitInside);
    EXPECT_EQ(fileBytes(SandboxFileAccessPersistDictionary::unreadableBookmarkFilePath()), kGarbage);
}

// A quit from a signal answers no alert: with the documents folder where the
// bookmark store cannot be written, the quit ends without one, and the next
// launch shows it.
TEST_F(QuitAndStoredStateTest, ASignalQuitKeepsItsAlertsForTheNextLaunch) {
    runOnceWithEntries();
    launch();
    platform::atomicfile::setFaultInjector([](platform::atomicfile::Stage stage, const fs::path& target) {
        return stage == platform::atomicfile::Stage::CreateTemporary && target.filename() == "Bookmarks.dict" ? EROFS : 0;
    });
    delegate()->quitFromSignal();  // an unscripted alert would fail the test
    EXPECT_TRUE(app()->hasTerminated());
    EXPECT_TRUE(logs().contains("Alert kept for the next launch: Error saving globalBookmarks to file (cannot create "
                                "a temporary file for \"" +
                                SandboxFileAccessPersistDictionary::bookmarkFilePath() + "\": Read-only file system)"));
    platform::atomicfile::setFaultInjector(nullptr);

    restart();
    platform::ModalScript::shared()->answerAlert([](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "Error saving globalBookmarks to file");
        return platform::AlertAnswer{};
    });
    launch();
}

// A quit that fails at every step keeps a few alerts, not a wall of them.
TEST_F(QuitAndStoredStateTest, TheAlertsKeptForTheNextLaunchAreFew) {
    keepAlertsForNextLaunch();
    for (int i = 0; i < 25; ++i) showAlert("Error " + std::to_string(i), "Error: Test");
    EXPECT_EQ(defaults().arrayForKey(Keys::alertsKeptForNextLaunch).size(), 10u);
    EXPECT_EQ(loggedAfter("Alert kept for the next launch: ").size(), 25u) << "the log has them all";
}

// Every quit after a launch whose settings file could not be read would back
// up the empty store and prune a good backup each time.
TEST_F(QuitAndStoredStateTest, OnlyAStoreThatWasLoadedIsBackedUp) {
    runOnceWithEntries();
    makeBackups(21);
    const Strings before = backups();
    std::ofstream(settingsFile()) << kGarbage;
    restart();
    platform::ModalScript::shared()->answerAlert([](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "The settings file could not be read");
        return platform::AlertAnswer{};
    });
    launch();
    DataStorage::shared()->addToAllData(TableViewItem::initForURL("https://example.org", "New", "after the loss"));
    app()->terminate();
    EXPECT_EQ(backups(), before);

    // A store that was loaded is backed up, and the oldest backup goes.
    restart();
    launch();
    app()->terminate();
    const Strings after = backups();
    EXPECT_EQ(after.size(), 21u);
    EXPECT_EQ(std::count(after.begin(), after.end(), "old-30.frelt_ExportData"), 0);
}

// The unreadable settings file is kept as it was, and the user is told
// once, in an alert that names where.
TEST_F(QuitAndStoredStateTest, AnUnreadableSettingsFileIsToldOnceNamingWhereItWasKept) {
    restart();
    fs::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile()) << kGarbage;
    std::string informative;
    platform::ModalScript::shared()->answerAlert([&](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "The settings file could not be read");
        informative = alert.informativeText();
        return platform::AlertAnswer{};
    });
    launch();
    const auto problems = defaults().readProblems();
    ASSERT_EQ(problems.size(), 1u);
    ASSERT_TRUE(problems[0].keptAs);
    EXPECT_NE(informative.find(problems[0].keptAs->string()), std::string::npos) << informative;
    EXPECT_EQ(fileBytes(*problems[0].keptAs), kGarbage);

    app()->terminate();
    restart();
    launch();  // an unscripted alert would fail the test
}

// A save of the settings that fails (a full or read-only folder) is told
// once, naming the file; the saves retried afterwards are only logged.
TEST_F(QuitAndStoredStateTest, AFailedSettingsSaveIsToldOnceNamingTheFile) {
    defaults().set(Keys::launchedBefore, platform::Value(true));
    launch();
    platform::atomicfile::setFaultInjector([](platform::atomicfile::Stage stage, const fs::path&) {
        return stage == platform::atomicfile::Stage::Write ? ENOSPC : 0;
    });
    std::string informative;
    platform::ModalScript::shared()->answerAlert([&](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "Changes to the settings could not be saved");
        informative = alert.informativeText();
        return platform::AlertAnswer{};
    });
    for (int i = 0; i < 3; ++i) {
        defaults().set("probe", platform::Value(i));
        EXPECT_FALSE(defaults().synchronize());
        drain();
    }
    EXPECT_NE(informative.find(settingsFile().string()), std::string::npos) << informative;
    platform::atomicfile::setFaultInjector(nullptr);
}

}  // namespace
