#pragma once
// Versioned backups: export files named by a fresh UUID in the "Backup"
// folder of the documents folder. One is written at every quit and on demand;
// before each, all but the 20 newest are deleted, so at most 21 remain after.
// A backup's age is its file's creation date. Everything runs on the main
// thread.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"

namespace frelt {

class ExportVersionedBackup {
public:
    static constexpr std::size_t numberOfBackupsKept = 20;
    static constexpr const char* backupFolderName = "Backup";

    // The backup folder, made with any missing folders above it; none when
    // it cannot be made.
    std::optional<platform::URL> backupFolderURL() const;
    // The backups' full paths, newest first; none when the folder cannot be
    // had or read. Hidden files and files of other types are not listed. A
    // file whose date cannot be read comes after the dated ones.
    std::optional<std::vector<std::string>> listBackupFiles() const;
    // Deletes every path after the 20th. A file that cannot be deleted is
    // reported on standard output and the others are still deleted.
    void removeOldBackups(const std::optional<std::vector<std::string>>& files) const;
    // Writes one new backup. A folder that cannot be made or written is
    // passed over silently (with a log line); answers whether a file was written.
    bool createBackup() const;
    // Clear away what backups killed while writing left, list, prune,
    // create: at quit and from the backup dialog. Only of a store that was
    // loaded: a backup of what is left after the stored data could not be
    // read would push out one that holds it. Answers whether it ran.
    bool runBackupSequence() const;

    // When the file at `path` was made: its birth time where the file system
    // records one, else its last modification; none when it cannot be examined.
    static std::optional<platform::Date> creationDate(const std::filesystem::path& path);
    // Tests: where the listing takes each file's date from (the birth time of
    // a file cannot be set); null restores creationDate.
    using CreationDateReader = std::function<std::optional<platform::Date>(const std::filesystem::path& path)>;
    static void setCreationDateReader(CreationDateReader reader);
};

}  // namespace frelt
