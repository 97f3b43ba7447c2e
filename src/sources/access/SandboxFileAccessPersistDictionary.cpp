#include "sources/access/SandboxFileAccessPersistDictionary.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bookmark.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/ReadFile.h"
#include "sources/FileHelpers.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "Bookmarks.dict";
constexpr const char* kUnreadableSuffix = ".unreadable";
constexpr const char* kStoreError = "Error: SandboxFileAccessPersistDictionary";

template <class... Args>
void logStore(LogLevel level, std::string_view format, const Args&... args) {
    log(LogCategory::sandboxFileAccessPersistDictionary, level, format, args...);
}

const platform::URL& rootURL() {
    static const platform::URL root = platform::URL::fileURL("/");
    return root;
}

// Far beyond any real store (a grant takes a few hundred bytes).
constexpr std::uintmax_t kMaximumFileSize = std::uintmax_t{64} << 20;

// A name beside the file that nothing stands at yet.
std::string freeAsideName(const std::string& aside) {
    std::error_code error;
    std::string candidate = aside;
    for (int n = 2; fs::symlink_status(candidate, error).type() != fs::file_type::not_found; ++n)
        candidate = aside + "-" + std::to_string(n);
    return candidate;
}

enum class GrantState { valid, invalid, volumeAway };

// Whether a grant is worth keeping: it resolves and is not stale, or its
// volume is away and it cannot be judged until the volume returns.
GrantState examine(const platform::Data& data) {
    const auto resolved = platform::bookmark::resolve(data);
    if (resolved && !resolved->isStale) return GrantState::valid;
    return platform::bookmark::isVolumeMounted(data) ? GrantState::invalid : GrantState::volumeAway;
}

}  // namespace

std::shared_ptr<SandboxFileAccessPersistDictionary> SandboxFileAccessPersistDictionary::make() {
    auto store = std::make_shared<SandboxFileAccessPersistDictionary>(Private{});
    store->globalBookmarks_->setDelegate(store);
    return store;
}

SandboxFileAccessPersistDictionary::SandboxFileAccessPersistDictionary(Private) : globalBookmarks_(Map::create()) {}

std::string SandboxFileAccessPersistDictionary::bookmarkFilePath() {
    const std::string path = (platform::Paths::documentsFolder() / kFileName).string();
    logStore(LogLevel::Default, "Path to Bookmark-File: %{public}@", path);
    return path;
}

std::string SandboxFileAccessPersistDictionary::unreadableBookmarkFilePath() {
    return (platform::Paths::documentsFolder() / (std::string(kFileName) + kUnreadableSuffix)).string();
}

void SandboxFileAccessPersistDictionary::loadBookmarks() {
    logStore(LogLevel::Default, "Loading bookmarks");
    const std::string path = bookmarkFilePath();
    globalBookmarks_->removeAll();
    mayOverwriteFile_ = true;
    if (!isFileReachable(path)) return;

    // Only a regular file within the limit is read: a folder, a pipe (which
    // would hang the start) or a huge file is as unreadable as garbage.
    std::string reason;
    const auto bytes = platform::readRegularFile(path, kMaximumFileSize, &reason);
    platform::UnarchiveResult result;
    if (bytes) {
        result = platform::KeyedUnarchiver::unarchiveTopLevelObject(
            platform::Data(reinterpret_cast<const std::uint8_t*>(bytes->data()),
                           reinterpret_cast<const std::uint8_t*>(bytes->data()) + bytes->size()));
        if (!result) reason = result.error;
    }
    if (!bytes || !result) {
        logStore(LogLevel::Error, "! Bookmark file unreadable: %{public}@", reason);
        globalBookmarks_->removeAll();
        // The next save would write over the file: keep it, byte for byte,
        // where the user can still recover it.
        const std::string aside = freeAsideName(unreadableBookmarkFilePath());
        std::error_code error;
        fs::rename(path, aside, error);
        std::string informative = std::string(kStoreError) + "\n" + path + ": " + reason;
        if (error) {
            mayOverwriteFile_ = false;
            informative += "\nIt could not be moved aside (" + error.message() +
                           "), so the granted locations are not saved over it in this run.";
        } else {
            informative += "\nThe unreadable file was kept as " + aside;
        }
        showAlert(bytes ? "Error loading globalBookmarks from file -> Wrong Type" : "Error loading globalBookmarks from file",
                  informative);
        return;
    }

    const auto* pairs = result.object.asDictionary();
    if (!pairs) return;
    for (const auto& [key, value] : *pairs) {
        const auto* url = key.asURL();
        const auto* data = value.asData();
        if (!url || !data) {
            logStore(LogLevel::Error, "! Bookmark file holds a pair that is no grant");
            continue;
        }
        switch (examine(*data)) {
            case GrantState::invalid:
                logStore(LogLevel::Error, "! Bookmark-Data is invalid an will be removed: %{public}@",
                         url->absoluteString());
                break;
            case GrantState::volumeAway:
                logStore(LogLevel::Default, "+ Bookmark-Data kept while its volume is not mounted: %{public}@",
                         url->absoluteString());
                globalBookmarks_->set(*url, *data);
                break;
            case GrantState::valid:
                globalBookmarks_->set(*url, *data);
                logStore(LogLevel::Default, "+ Bookmark-Data loaded for: %{public}@", url->absoluteString());
                break;
        }
    }
}

void SandboxFileAccessPersistDictionary::saveBookmarks() {
    logStore(LogLevel::Default, "Saving bookmarks");
    const std::string path = bookmarkFilePath();
    if (!mayOverwriteFile_) {
        logStore(LogLevel::Error, "! Bookmarks not saved: the file that could not be read is still in their place");
        return;
    }
    const auto snapshot = globalBookmarks_->snapshot();

    platform::ArchiveDictionary result;
    for (const auto& [url, data] : *snapshot) {
        switch (examine(data)) {
            case GrantState::invalid:
                logStore(LogLevel::Error, "! Bookmark-Data is invalid and is not saved: %{public}@",
                         url.absoluteString());
                continue;
            case GrantState::volumeAway:
            case GrantState::valid:
                result.emplace_back(url, data);
                logStore(LogLevel::Default, "+ Bookmark-Data saved for: %{public}@", url.absoluteString());
                break;
        }
    }

    std::string error;
    const auto archived =
        platform::KeyedArchiver::archivedData(platform::ArchiveObject(std::move(result), true), &error);
    if (!archived) {
        logStore(LogLevel::Error, "! archiving the bookmarks failed: %{public}@", error);
        showAlert("Error saving globalBookmarks to file", kStoreError);
        return;
    }
    if (archived->empty()) return;
    if (!platform::writeFileAtomically(path, *archived, &error)) {
        logStore(LogLevel::Error, "! writing the bookmarks failed: %{public}@", error);
        showAlert("Error saving globalBookmarks to file", error);
    }
}

void SandboxFileAccessPersistDictionary::removeAllBookmarks() { globalBookmarks_->removeAll(); }

bool SandboxFileAccessPersistDictionary::hasRootBookmark() const { return globalBookmarks_->containsKey(rootURL()); }

void SandboxFileAccessPersistDictionary::removeInvalidBookmarks() {
    const auto snapshot = globalBookmarks_->snapshot();
    for (const auto& [url, data] : *snapshot) {
        const auto resolved = platform::bookmark::resolve(data);
        if (!resolved || resolved->isStale) globalBookmarks_->removeValue(url);
    }
}

std::optional<platform::Data> SandboxFileAccessPersistDictionary::bookmarkData(const platform::URL& url) {
    if (auto root = globalBookmarks_->get(rootURL())) {
        logStore(LogLevel::Default, "Searching Bookmark-Data for [%{public}@] - found Root-Bookmark!",
                 url.absoluteString());
        return root;
    }
    platform::URL candidate = url;
    while (candidate.path().size() >= 2) {
        if (auto data = globalBookmarks_->get(candidate)) {
            logStore(LogLevel::Default, "%{public}@",
                     "Searching Bookmark-Data for [" + url.absoluteString() + "] - found: [" +
                         candidate.absoluteString() + "]");
            return data;
        }
        candidate = candidate.deletingLastPathComponent();
    }
    logStore(LogLevel::Error, "Searching Bookmark-Data for [%{public}@] - No Bookmark found!", url.absoluteString());
    return std::nullopt;
}

void SandboxFileAccessPersistDictionary::forEachBookmark(const BookmarkBody& body) {
    globalBookmarks_->forEach([&](const platform::URL& url, const platform::Data& data) { body(url, data); });
}

void SandboxFileAccessPersistDictionary::setBookmark(const std::optional<platform::Data>& bookmarkData,
                                                     const platform::URL& url) {
    logStore(LogLevel::Default, "Set Bookmark for %{public}@", url.absoluteString());
    globalBookmarks_->set(url, bookmarkData);
}

void SandboxFileAccessPersistDictionary::clearBookmark(const platform::URL& url) {
    logStore(LogLevel::Default, "Clear Bookmark for %{public}@", url.absoluteString());
    globalBookmarks_->removeValue(url);
}

bool SandboxFileAccessPersistDictionary::isBookmarkValid(const std::optional<platform::URL>& url) {
    if (!url) return false;
    // The file URL of the path as the system makes it: a folder's ends with "/".
    const std::string path = url->path();
    std::error_code error;
    const auto data = globalBookmarks_->get(platform::URL::fileURL(path, std::filesystem::is_directory(path, error)));
    if (!data) return true;
    const auto resolved = platform::bookmark::resolve(*data);
    return resolved && !resolved->isStale;
}

void SandboxFileAccessPersistDictionary::synchronizedDictionaryDidChange() {
    logStore(LogLevel::Default, "Bookmarks changed");
    platform::NotificationCenter::defaultCenter().post(Notifications::globalBookmarksChanged);
}

}  // namespace frelt
