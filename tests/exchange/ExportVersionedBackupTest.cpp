// Versioned backups: the rolling set of 21 at most, listing newest first
// past files of other kinds and files without a date, folders that cannot be
// had or written, and the backup at quit.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>

#include "ExchangeTestSupport.h"
#include "platform/foundation/Paths.h"
#include "support/FileDates.h"

using namespace frelt;
namespace fs = std::filesystem;

namespace {

class ExportVersionedBackupTest : public ExchangeTest {
protected:
    void SetUp() override {
        ExchangeTest::SetUp();
        // Birth times cannot be set: the tests date files by their
        // modification time, which they can.
        ExportVersionedBackup::setCreationDateReader(filedates::modificationDate);
    }

    static ExportVersionedBackup& backups() { return *manager()->exportVersionedBackup; }
    static fs::path folder() { return platform::Paths::documentsFolder() / "Backup"; }
    // A file in the backup folder dated `minutesAgo` before now.
    static fs::path dated(const std::string& name, int minutesAgo) {
        const auto path = folder() / name;
        fs::create_directories(folder());
        if (!fs::exists(path)) std::ofstream(path) << "x";
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
        return path;
    }
    // A quit backs up only a store whose stored data was read.
    static void loadAsAtLaunch() {
        config()->loadConfig();
        config()->setDebugLogging(true);
    }
    static std::set<std::string> namesInFolder() {
        std::set<std::string> out;
        if (!fs::exists(folder())) return out;
        for (const auto& e : fs::directory_iterator(folder())) out.insert(e.path().filename().string());
        return out;
    }
    static Strings listedNames() {
        Strings out;
        for (const auto& p : backups().listBackupFiles().value_or(Strings{}))
            out.push_back(fs::path(p).filename().string());
        return out;
    }
};

TEST_F(ExportVersionedBackupTest, TwentyFiveBackupsLeaveTheTwentyNewestBeforeTheLastAndTheLast) {
    loadAsAtLaunch();
    fillStore();
    Strings made;  // oldest first
    for (int i = 0; i < 25; ++i) {
        const auto before = namesInFolder();
        backups().runBackupSequence();
        std::string added;
        for (const auto& name : namesInFolder())
            if (!before.count(name)) added = name;
        ASSERT_FALSE(added.empty()) << "creation " << i;
        made.push_back(added);
        dated(added, 100 - i);
    }
    EXPECT_EQ(namesInFolder(), std::set<std::string>(made.begin() + 4, made.end()));
    // Each is a backup file named by a fresh identifier.
    EXPECT_EQ(made.back().size(), 36 + std::string(".frelt_ExportData").size());
    EXPECT_EQ(made.back().substr(0, 36).find_first_of("abcdef"), std::string::npos);
    Strings newestFirst(made.rbegin(), made.rbegin() + 21);
    EXPECT_EQ(listedNames(), newestFirst);
}

TEST_F(ExportVersionedBackupTest, OtherFilesAreNeitherListedNorDeletedAndUndatedOnesComeLast) {
    for (int i = 0; i < 22; ++i) dated("b" + std::to_string(100 + i) + ".frelt_ExportData", i);
    dated("notes.txt", 500);
    dated(".hidden.frelt_ExportData", 500);
    dated("frelt_ExportData", 500);
    // A link to nothing cannot be dated.
    fs::create_symlink(root() / "nowhere", folder() / "undated.frelt_ExportData");

    const auto listed = listedNames();
    ASSERT_EQ(listed.size(), 23u);
    EXPECT_EQ(listed.front(), "b100.frelt_ExportData");
    EXPECT_EQ(listed[21], "b121.frelt_ExportData");
    EXPECT_EQ(listed.back(), "undated.frelt_ExportData");

    backups().removeOldBackups(backups().listBackupFiles());
    const auto left = namesInFolder();
    EXPECT_EQ(left.size(), 23u);
    for (const char* kept : {"notes.txt", ".hidden.frelt_ExportData", "frelt_ExportData", "b119.frelt_ExportData"})
        EXPECT_TRUE(left.count(kept)) << kept;
    for (const char* gone : {"b120.frelt_ExportData", "b121.frelt_ExportData", "undated.frelt_ExportData"})
        EXPECT_FALSE(left.count(gone)) << gone;
}

TEST_F(ExportVersionedBackupTest, AFileThatCannotBeDeletedIsReportedAndTheOthersStillGo) {
    for (int i = 0; i < 20; ++i) dated("b" + std::to_string(100 + i) + ".frelt_ExportData", i);
    fs::create_directories(folder() / "stuck.frelt_ExportData/inside");
    dated("stuck.frelt_ExportData", 30);
    dated("oldest.frelt_ExportData", 40);

    testing::internal::CaptureStdout();
    backups().removeOldBackups(backups().listBackupFiles());
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("Unable to remove old backupfile: ", 0), 0u) << printed;
    EXPECT_NE(printed.find("stuck.frelt_ExportData"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder() / "stuck.frelt_ExportData"));
    EXPECT_FALSE(fs::exists(folder() / "oldest.frelt_ExportData"));
}

TEST_F(ExportVersionedBackupTest, AFolderThatCannotBeMadeOrWrittenIsPassedOverSilently) {
    loadAsAtLaunch();
    fillStore();
    // The documents folder holds a file where the folder belongs.
    fs::create_directories(folder().parent_path());
    std::ofstream(folder()) << "in the way";
    EXPECT_FALSE(backups().backupFolderURL());
    EXPECT_FALSE(backups().listBackupFiles());
    backups().runBackupSequence();
    EXPECT_EQ(readText(folder()), "in the way");
    // The folder asked for by the clean-up, the listing, the sequence's
    // listing and its creation.
    EXPECT_EQ(loggedAfter("Backup folder cannot be made: ").size(), 5u);

    // A folder the program may not write to.
    fs::remove(folder());
    fs::create_directories(folder());
    restrictAccessTo({"elsewhere"});
    EXPECT_FALSE(backups().createBackup());
    EXPECT_TRUE(fs::is_empty(folder()));
    EXPECT_EQ(loggedAfter("Backup folder cannot be written, no backup made: ").size(), 1u);
}

// Each backup has a name of its own, so a backup killed while it wrote
// leaves a temporary file that no later save of that name would clear: the
// backup sequence clears ours that no running save holds.
TEST_F(ExportVersionedBackupTest, TemporaryFilesOfBackupsKilledWhileWritingAreCleared) {
    loadAsAtLaunch();
    fillStore();
    fs::create_directories(folder());
    const auto temporary = [](const std::string& target, const std::string& letters) {
        const auto path = folder() / ("." + target + ".tmp-" + letters);
        std::ofstream(path) << "half a backup";
        return path;
    };
    const auto stale1 = temporary("0F2C6A44-6A5E-4C3B-9D7E-1A2B3C4D5E6F.frelt_ExportData", "a1B2c3");
    const auto stale2 = temporary("9A8B7C6D-0000-4C3B-9D7E-FEDCBA987654.frelt_ExportData", "Zz09Yy");
    // One a save in progress holds (locked), and files of other kinds.
    const auto running = temporary("11111111-2222-3333-4444-555555555555.frelt_ExportData", "qwerty");
    const int held = ::open(running.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const auto otherKind = temporary("notes.txt", "abcdef");
    const auto notOurs = folder() / ".backup.frelt_ExportData.tmp-toolong1";
    std::ofstream(notOurs) << "x";

    backups().runBackupSequence();
    ::close(held);

    EXPECT_FALSE(fs::exists(stale1));
    EXPECT_FALSE(fs::exists(stale2));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(otherKind));
    EXPECT_TRUE(fs::exists(notOurs));
    EXPECT_EQ(listedNames().size(), 1u) << "and the backup was made";
}

TEST_F(ExportVersionedBackupTest, TheCreationDateIsTheBirthTimeWhereTheFileSystemKeepsOne) {
    const auto path = makeFile("dated.txt");
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 10));
    const auto date = ExportVersionedBackup::creationDate(path);
    ASSERT_TRUE(date);
    struct statx info {};
    ASSERT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &info), 0);
    const double now = platform::Date::now().unixTime();
    if (info.stx_mask & STATX_BTIME)
        EXPECT_NEAR(date->unixTime(), now, 600);
    else
        EXPECT_NEAR(date->unixTime(), now - 10 * 365 * 86400.0, 600);
    EXPECT_FALSE(ExportVersionedBackup::creationDate(root() / "missing"));
}

TEST_F(ExportVersionedBackupTest, QuittingSavesAndWritesABackupThatRestoresEverything) {
    loadAsAtLaunch();
    fillStore();
    registerTag("spare", 40)->setColor(platform::Color::sRGB(0, 0, 1));
    store()->rebuildData(RebuildDataReason::configViewContent);
    drain();
    for (int i = 0; i < 21; ++i) dated("old" + std::to_string(i) + ".frelt_ExportData", 60 + i);
    Strings before = everything();

    AppDelegate::shared()->applicationWillTerminate(platform::Notification{});
    drain();
    // The save at quit dropped the unused tag; the backup came after it.
    for (const auto& line : registeredTags()) EXPECT_NE(line.rfind("spare", 0), 0u);
    const auto listed = backups().listBackupFiles();
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->size(), 21u);
    EXPECT_FALSE(fs::exists(folder() / "old20.frelt_ExportData"));
    const auto newest = std::find_if(listed->begin(), listed->end(),
                                     [](const std::string& p) { return p.find("/old") == std::string::npos; });
    ASSERT_NE(newest, listed->end());

    before.erase(std::remove_if(before.begin(), before.end(),
                                [](const std::string& line) { return line.rfind("spare", 0) == 0; }),
                 before.end());
    clearEverything();
    ASSERT_TRUE(manager()->importData->importFromURL(platform::URL::fileURL(*newest)));
    drain();
    EXPECT_EQ(everything(), before);
}

TEST_F(ExportVersionedBackupTest, AQuitWithoutEntriesOnlyPrunes) {
    loadAsAtLaunch();
    for (int i = 0; i < 23; ++i) dated("old" + std::to_string(i) + ".frelt_ExportData", i);
    AppDelegate::shared()->applicationWillTerminate(platform::Notification{});
    drain();
    EXPECT_EQ(namesInFolder().size(), 20u);
}

}  // namespace
