#include "platform/foundation/Bookmark.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <system_error>

#include "platform/foundation/PropertyList.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

// Marks our bookmarks among other property lists; a later format gets a new number.
constexpr const char* kFormatKey = "FreltBookmark";
constexpr std::int64_t kFormatVersion = 1;

// Per-process state held by the single-instance registry, so each test
// starts without another test's counts, restriction or injected faults.
struct BookmarkState {
    std::mutex m;
    bookmark::FaultInjector injector;
    std::map<std::string, std::size_t> counts;
    std::optional<std::vector<fs::path>> folders;
    std::vector<fs::path> denied;
};
BookmarkState& state() {
    // The registry keeps the object alive until it is reset between tests.
    return *singleInstance<BookmarkState>([] { return std::make_shared<BookmarkState>(); });
}
std::mutex& stateMutex() { return state().m; }
bookmark::FaultInjector& injector() { return state().injector; }
std::map<std::string, std::size_t>& accessCounts() { return state().counts; }
std::optional<std::vector<fs::path>>& allowedFolders() { return state().folders; }
std::vector<fs::path>& deniedPaths() { return state().denied; }

// The system's own answer: the POSIX access test, or a refusal by the file's
// permissions that a test has put in place (root passes every access test).
bool systemAllows(const std::string& path, int mode) {
    if (path.empty() || ::access(path.c_str(), mode) != 0) return false;
    std::vector<fs::path> denied;
    {
        std::lock_guard lock(stateMutex());
        denied = deniedPaths();
    }
    for (const auto& d : denied)
        if (fs::path(path).lexically_normal() == d.lexically_normal()) return false;
    return true;
}

bool injectedFailure(bookmark::Operation operation, const std::string& path) {
    bookmark::FaultInjector f;
    {
        std::lock_guard lock(stateMutex());
        f = injector();
    }
    return f && f(operation, path);
}

// "\040" and the like in the mount table stand for blanks and other bytes.
std::string unescapeMountPath(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::vector<std::string> mountPoints() {
    std::vector<std::string> points;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point;
        if (fields >> id >> parent >> numbers >> root >> point) points.push_back(unescapeMountPath(point));
    }
    return points;
}

// Whether `path` is `folder` or lies beneath it, comparing whole components.
bool isWithin(const std::string& path, const std::string& folder) {
    if (folder == "/") return !path.empty() && path[0] == '/';
    if (path.compare(0, folder.size(), folder) != 0) return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

std::string volumeOf(const std::string& path) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(path, error);
    const std::string target = error ? path : canonical.string();
    std::string best = "/";
    for (const auto& point : mountPoints())
        if (point.size() > best.size() && isWithin(target, point)) best = point;
    return best;
}

bool isMountPoint(const std::string& path) {
    if (path == "/") return true;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    for (const auto& point : mountPoints())
        if (point == path) return true;
    return false;
}

std::string accessKey(const URL& url) { return url.path(); }

bool passesRestriction(const std::string& path) {
    std::optional<std::vector<fs::path>> folders;
    {
        std::lock_guard lock(stateMutex());
        folders = allowedFolders();
    }
    if (!folders) return true;
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(path, error);
    const std::string target = error ? path : canonical.string();
    for (const auto& folder : *folders) {
        const fs::path allowed = fs::weakly_canonical(folder, error);
        if (isWithin(target, error ? folder.string() : allowed.string())) return true;
    }
    return false;
}

bool accessible(const std::string& path, int mode) {
    if (!systemAllows(path, mode)) return false;
    return passesRestriction(path);
}

}  // namespace

Data BookmarkRecord::encoded() const {
    ValueDictionary dict;
    dict[kFormatKey] = Value(kFormatVersion);
    dict["path"] = Value(path);
    // Stored as signed integers; the cast back restores every bit.
    dict["device"] = Value(static_cast<std::int64_t>(device));
    dict["inode"] = Value(static_cast<std::int64_t>(inode));
    dict["volume"] = Value(volumePath);
    return PropertyList::write(Value(std::move(dict)), PropertyListFormat::Binary).value_or(Data{});
}

std::optional<BookmarkRecord> BookmarkRecord::decode(const Data& data) {
    const auto read = PropertyList::read(data);
    if (!read) return std::nullopt;
    const auto* dict = read.value->asDictionary();
    if (!dict) return std::nullopt;
    auto field = [&](const char* key) -> const Value* {
        auto it = dict->find(key);
        return it == dict->end() ? nullptr : &it->second;
    };
    const Value* version = field(kFormatKey);
    const Value* path = field("path");
    const Value* device = field("device");
    const Value* inode = field("inode");
    const Value* volume = field("volume");
    if (!version || !version->isInteger() || *version->asInteger() != kFormatVersion) return std::nullopt;
    if (!path || !path->asString() || path->asString()->empty() || (*path->asString())[0] != '/') return std::nullopt;
    if (!device || !device->isInteger() || !inode || !inode->isInteger()) return std::nullopt;
    if (!volume || !volume->asString() || volume->asString()->empty()) return std::nullopt;
    BookmarkRecord record;
    record.path = *path->asString();
    record.device = static_cast<std::uint64_t>(*device->asInteger());
    record.inode = static_cast<std::uint64_t>(*inode->asInteger());
    record.volumePath = *volume->asString();
    return record;
}

namespace bookmark {

std::optional<Data> create(const URL& url, std::string* error) {
    auto fail = [&](const std::string& reason) -> std::optional<Data> {
        if (error) *error = reason;
        return std::nullopt;
    };
    if (!url.isFileURL()) return fail("\"" + url.string() + "\" is no file URL");
    const std::string path = url.path();
    if (injectedFailure(Operation::create, path)) return fail("cannot make a bookmark of \"" + path + "\"");
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return fail("cannot make a bookmark of \"" + path +
                    "\": " + std::error_code(errno, std::generic_category()).message());
    BookmarkRecord record;
    record.path = path;
    record.device = static_cast<std::uint64_t>(st.st_dev);
    record.inode = static_cast<std::uint64_t>(st.st_ino);
    record.volumePath = volumeOf(path);
    return record.encoded();
}

std::optional<ResolvedBookmark> resolve(const Data& data) {
    const auto record = BookmarkRecord::decode(data);
    if (!record) return std::nullopt;
    struct stat st {};
    if (::stat(record->path.c_str(), &st) != 0) return std::nullopt;
    ResolvedBookmark resolved;
    resolved.url = URL::fileURL(record->path, S_ISDIR(st.st_mode));
    resolved.isStale = static_cast<std::uint64_t>(st.st_dev) != record->device ||
                       static_cast<std::uint64_t>(st.st_ino) != record->inode;
    return resolved;
}

bool isVolumeMounted(const Data& data) {
    const auto record = BookmarkRecord::decode(data);
    return record && isMountPoint(record->volumePath);
}

bool startAccessing(const URL& url) {
    const std::string path = accessKey(url);
    if (injectedFailure(Operation::startAccessing, path)) return false;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    std::lock_guard lock(stateMutex());
    ++accessCounts()[path];
    return true;
}

void stopAccessing(const URL& url) {
    std::lock_guard lock(stateMutex());
    auto& counts = accessCounts();
    auto it = counts.find(accessKey(url));
    if (it == counts.end()) return;
    if (--it->second == 0) counts.erase(it);
}

std::size_t accessCount(const URL& url) {
    std::lock_guard lock(stateMutex());
    auto it = accessCounts().find(accessKey(url));
    return it == accessCounts().end() ? 0 : it->second;
}

void setFaultInjector(FaultInjector f) {
    std::lock_guard lock(stateMutex());
    injector() = std::move(f);
}

}  // namespace bookmark

namespace fileaccess {

bool isReadable(const std::string& path) { return accessible(path, R_OK); }
bool isReadWritable(const std::string& path) { return accessible(path, R_OK | W_OK); }

void setSimulatedRestriction(std::optional<std::vector<std::filesystem::path>> folders) {
    std::lock_guard lock(stateMutex());
    allowedFolders() = std::move(folders);
}

bool isRefusedBySystem(const std::string& path, bool writing) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    return !systemAllows(path, writing ? R_OK | W_OK : R_OK);
}

void setSimulatedPermissionDenial(std::vector<std::filesystem::path> paths) {
    std::lock_guard lock(stateMutex());
    deniedPaths() = std::move(paths);
}

bool isRestrictionSimulated() {
    std::lock_guard lock(stateMutex());
    return allowedFolders().has_value();
}

}  // namespace fileaccess

}  // namespace platform
