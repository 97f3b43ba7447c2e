#include "exchange/ExportVersionedBackup.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <system_error>

#include "app/AppDelegate.h"
#include "exchange/ExchangeFiles.h"
#include "exchange/ExportData.h"
#include "exchange/ExportImportManager.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bookmark.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Text.h"
#include "store/Logging.h"

namespace frelt {

namespace {

namespace fs = std::filesystem;

std::mutex gReaderMutex;
ExportVersionedBackup::CreationDateReader gReader;

std::optional<platform::Date> dateOf(const fs::path& path) {
    {
        std::lock_guard lock(gReaderMutex);
        if (gReader) return gReader(path);
    }
    return ExportVersionedBackup::creationDate(path);
}

platform::Date dateFrom(const struct statx_timestamp& t) {
    return platform::Date::fromUnixTime(static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9);
}

bool isBackupName(const std::string& name) {
    static const std::string suffix = std::string(".") + ExportImportManager::defaultFileExtension;
    return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::optional<platform::Date> ExportVersionedBackup::creationDate(const fs::path& path) {
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BTIME | STATX_MTIME, &info) != 0)
        return std::nullopt;
    if (info.stx_mask & STATX_BTIME) return dateFrom(info.stx_btime);
    if (info.stx_mask & STATX_MTIME) return dateFrom(info.stx_mtime);
    return std::nullopt;
}

void ExportVersionedBackup::setCreationDateReader(CreationDateReader reader) {
    std::lock_guard lock(gReaderMutex);
    gReader = std::move(reader);
}

std::optional<platform::URL> ExportVersionedBackup::backupFolderURL() const {
    const fs::path folder = platform::Paths::documentsFolder() / backupFolderName;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        logExchangeError("Backup folder cannot be made: " + folder.string() + (ec ? ": " + ec.message() : ""));
        return std::nullopt;
    }
    return platform::URL::fileURL(folder.string(), true);
}

std::optional<std::vector<std::string>> ExportVersionedBackup::listBackupFiles() const {
    const auto folder = backupFolderURL();
    if (!folder) return std::nullopt;

    struct Item {
        fs::path path;
        std::optional<platform::Date> date;
    };
    std::vector<Item> items;
    std::error_code ec;
    for (fs::directory_iterator it(folder->path(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.' || !isBackupName(name)) continue;
        items.push_back(Item{it->path(), dateOf(it->path())});
    }
    if (ec) {
        logExchangeError("Backup folder cannot be read: " + ec.message());
        return std::nullopt;
    }
    // Newest first; equal dates keep the listing's order, and files without a
    // date follow all dated ones.
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        if (!a.date || !b.date) return a.date.has_value() && !b.date.has_value();
        return *a.date > *b.date;
    });
    std::vector<std::string> paths;
    paths.reserve(items.size());
    for (const auto& item : items) paths.push_back(item.path.string());
    return paths;
}

void ExportVersionedBackup::removeOldBackups(const std::optional<std::vector<std::string>>& files) const {
    if (!files || files->size() <= numberOfBackupsKept) return;
    for (std::size_t i = numberOfBackupsKept; i < files->size(); ++i) {
        std::error_code ec;
        fs::remove((*files)[i], ec);
        if (ec) {
            std::printf("Unable to remove old backupfile: %s: %s\n", (*files)[i].c_str(), ec.message().c_str());
            std::fflush(stdout);
        }
    }
}

bool ExportVersionedBackup::createBackup() const {
    const auto folder = backupFolderURL();
    if (!folder) return false;
    if (!platform::fileaccess::isReadWritable(folder->path())) {
        logExchangeError("Backup folder cannot be written, no backup made: " + folder->path());
        return false;
    }
    const auto url =
        folder->appendingPathComponent(platform::text::uuidString() + "." + ExportImportManager::defaultFileExtension);
    // The folder is the program's own: no access needs asking for.
    return ExportImportManager::shared()->exportData->exportAll(url, false);
}

bool ExportVersionedBackup::runBackupSequence() const {
    if (!AppDelegate::shared()->config->storeWasLoaded()) {
        logging::logObject(LogCategory::importExport)
            .write(LogLevel::Error, "No versioned backup: the stored data was not loaded");
        return false;
    }
    // Every backup has a name of its own, so the clean-up a later save of
    // the same file does never comes for a backup killed while it was written.
    if (const auto folder = backupFolderURL())
        platform::removeStaleTemporaryFilesIn(folder->path(), std::string(".") + ExportImportManager::defaultFileExtension);
    removeOldBackups(listBackupFiles());
    createBackup();
    return true;
}

}  // namespace frelt
