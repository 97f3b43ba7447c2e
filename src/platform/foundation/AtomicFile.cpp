#include "platform/foundation/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>

#include "platform/foundation/Paths.h"
#include "platform/log/Log.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {

// Reset with the single instances, so one test's faults never reach the next.
struct FaultInjectorTag {};
using InstalledFaultInjector = ResettableValue<FaultInjectorTag, atomicfile::FaultInjector>;

int injectedFault(atomicfile::Stage stage, const std::filesystem::path& target) {
    // A copy: the injector may replace itself.
    const auto injector = InstalledFaultInjector::get();
    return injector ? injector(stage, target) : 0;
}

const Log& log() {
    static const Log* l = new Log(Paths::bundleIdentifier, "AtomicFile");
    return *l;
}

constexpr const char* kTemporaryMarker = ".tmp-";
constexpr std::size_t kTemporarySuffix = 6;  // the XXXXXX that mkstemp fills in
constexpr int kMaxLinkHops = 40;

std::string quoted(const std::filesystem::path& path) {
    std::string text = "\"";
    text += path.string();
    text += '"';
    return text;
}

std::string temporaryPrefix(const std::filesystem::path& target) {
    std::string prefix = ".";
    prefix += target.filename().string();
    prefix += kTemporaryMarker;
    return prefix;
}

bool isOurTemporaryName(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + kTemporarySuffix || name.compare(0, prefix.size(), prefix) != 0) return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

// Whether the open file `fd` is still the one named `path`.
bool stillNamed(int fd, const std::string& path) {
    struct stat open {}, named {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

bool writeAll(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void atomicfile::setFaultInjector(FaultInjector f) { InstalledFaultInjector::set(std::move(f)); }

std::optional<std::filesystem::path> resolvedWriteTarget(const std::filesystem::path& path, std::string* problem) {
    std::filesystem::path current = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info {};
        const bool exists = ::lstat(current.c_str(), &info) == 0;
        const int failure = exists ? 0 : errno;
        if (!exists || !S_ISLNK(info.st_mode)) {
            if (hop > 0 && failure == ENOENT && problem)
                *problem = quoted(path) + " is a symbolic link to " + quoted(current) + ", which does not exist";
            return current;
        }
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0) return current;
        target.resize(static_cast<std::size_t>(n));
        const std::filesystem::path next(target);
        current = next.is_absolute() ? next : current.parent_path() / next;
        current = current.lexically_normal();
    }
    if (problem) *problem = quoted(path) + " is a loop of symbolic links";
    return std::nullopt;
}

namespace {

// Removes the unlocked temporary files in `folder` whose names `isOurs` accepts.
int removeUnlockedTemporaries(const std::filesystem::path& folder, const std::function<bool(const std::string&)>& isOurs) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    int removed = 0;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!isOurs(name)) continue;
        const std::string file = it->path().string();
        const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat info {};
        // A save holds its temporary file locked until it has renamed it.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            stillNamed(fd, file) && ::unlink(file.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

}  // namespace

int removeStaleTemporaryFiles(const std::filesystem::path& path) {
    const auto target = resolvedWriteTarget(path);
    if (!target) return 0;
    const std::filesystem::path folder = target->has_parent_path() ? target->parent_path() : std::filesystem::path(".");
    const std::string prefix = temporaryPrefix(*target);
    const int removed =
        removeUnlockedTemporaries(folder, [&](const std::string& name) { return isOurTemporaryName(name, prefix); });
    if (removed)
        log().write(LogLevel::Info, "Removed " + std::to_string(removed) + " temporary file(s) that an interrupted save of " +
                                        target->string() + " left behind");
    return removed;
}

int removeStaleTemporaryFilesIn(const std::filesystem::path& folder, const std::string& targetSuffix) {
    const int removed = removeUnlockedTemporaries(folder, [&](const std::string& name) {
        // "." + target + ".tmp-" + six letters or digits, the target ending with the suffix.
        const std::size_t marker = name.rfind(kTemporaryMarker);
        if (name.empty() || name.front() != '.' || marker == std::string::npos) return false;
        const std::string target = name.substr(1, marker - 1);
        if (target.size() <= targetSuffix.size() ||
            target.compare(target.size() - targetSuffix.size(), targetSuffix.size(), targetSuffix) != 0)
            return false;
        return isOurTemporaryName(name, temporaryPrefix(target));
    });
    if (removed)
        log().write(LogLevel::Info, "Removed " + std::to_string(removed) + " temporary file(s) that interrupted saves in " +
                                        folder.string() + " left behind");
    return removed;
}

bool writeFileAtomically(const std::filesystem::path& requested, const Data& bytes, std::string* error) {
    using atomicfile::Stage;
    auto fail = [&](const std::string& what, int code) {
        if (error) *error = what + " \"" + requested.string() + "\": " + std::strerror(code);
        return false;
    };

    std::string linkProblem;
    const auto resolved = resolvedWriteTarget(requested, &linkProblem);
    if (!linkProblem.empty()) log().write(LogLevel::Error, "Writing " + requested.string() + ": " + linkProblem);
    if (!resolved) return fail("cannot write through the symbolic link", ELOOP);
    const std::filesystem::path& path = *resolved;
    const bool throughLink = path != requested;

    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return fail("cannot create the folder of", ec.value());
    removeStaleTemporaryFiles(path);

    std::string temporary;
    int code = injectedFault(Stage::CreateTemporary, requested);
    if (code) return fail("cannot create a temporary file for", code);
    int fd = -1;
    // The lock is taken right after creation; a cleaner that came in between
    // may have removed the file, so make sure it still has its name.
    for (int attempt = 0; fd < 0 && attempt < 5; ++attempt) {
        temporary = (folder / (temporaryPrefix(path) + "XXXXXX")).string();
        fd = ::mkstemp(temporary.data());
        if (fd < 0) return fail("cannot create a temporary file for", errno);
        if (::flock(fd, LOCK_EX) != 0 || !stillNamed(fd, temporary)) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) return fail("cannot create a temporary file for", EAGAIN);
    if (throughLink) {
        // The file behind a link keeps the permissions its owner gave it.
        struct stat existing {};
        if (::stat(path.c_str(), &existing) == 0) ::fchmod(fd, existing.st_mode & 07777);
    }

    auto abandon = [&](const std::string& what, int failure) {
        ::unlink(temporary.c_str());
        ::close(fd);
        return fail(what, failure);
    };

    code = injectedFault(Stage::Write, requested);
    if (code) {
        writeAll(fd, bytes.data(), bytes.size() / 2);
        return abandon("cannot write", code);
    }
    if (!writeAll(fd, bytes.data(), bytes.size())) return abandon("cannot write", errno);

    code = injectedFault(Stage::Sync, requested);
    if (code) return abandon("cannot flush", code);
    if (::fsync(fd) != 0) return abandon("cannot flush", errno);

    // Still locked while renaming, so no cleaner takes it for a stale one.
    code = injectedFault(Stage::Rename, requested);
    if (code == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) code = errno;
    if (code) return abandon("cannot replace", code);
    ::close(fd);  // the bytes are on disk already (fsync above)

    // Make the rename itself durable.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace platform
