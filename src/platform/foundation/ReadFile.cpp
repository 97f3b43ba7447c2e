#include "platform/foundation/ReadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

std::optional<std::string> failure(const std::filesystem::path& path, std::string* error, const std::string& what,
                                   const std::string& reason) {
    if (error) *error = what + " \"" + path.string() + "\": " + reason;
    return std::nullopt;
}

std::optional<std::string> failure(const std::filesystem::path& path, std::string* error, const std::string& what,
                                   int code) {
    return failure(path, error, what, std::strerror(code));
}

// Reads `fd` to its end, or to one byte past `limit`; closes it.
std::optional<std::string> readOpenFile(int fd, const struct stat& info, std::uintmax_t limit,
                                        const std::filesystem::path& path, std::string* error) {
    std::string contents;
    if (S_ISREG(info.st_mode) && info.st_size > 0) contents.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return failure(path, error, "cannot read", code);
        }
        if (n == 0) break;
        contents.append(buffer, static_cast<std::size_t>(n));
        if (contents.size() > limit) {
            ::close(fd);
            return failure(path, error, "cannot read", "larger than " + std::to_string(limit) + " bytes");
        }
    }
    ::close(fd);
    return contents;
}

// Opens `path` with `flags` and reads what it is into `info`; -1 (with the
// reason in `error`) when either fails.
int openAndExamine(const std::filesystem::path& path, int flags, struct stat& info, std::string* error) {
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        failure(path, error, "cannot open", errno);
        return -1;
    }
    if (::fstat(fd, &info) != 0) {
        const int code = errno;
        ::close(fd);
        failure(path, error, "cannot read", code);
        return -1;
    }
    return fd;
}

}  // namespace

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string* error) {
    struct stat info {};
    const int fd = openAndExamine(path, O_RDONLY | O_CLOEXEC, info, error);
    if (fd < 0) return std::nullopt;
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        return failure(path, error, "cannot read", EISDIR);
    }
    return readOpenFile(fd, info, std::string().max_size(), path, error);
}

std::optional<std::string> readRegularFile(const std::filesystem::path& path, std::uintmax_t maxBytes,
                                           std::string* error) {
    // Non-blocking: opening a pipe for reading would otherwise wait for a
    // writer, for good. A regular file reads the same either way.
    struct stat info {};
    const int fd = openAndExamine(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, info, error);
    if (fd < 0) return std::nullopt;
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return failure(path, error, "cannot read", S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file");
    }
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        ::close(fd);
        return failure(path, error, "cannot read", "larger than " + std::to_string(maxBytes) + " bytes");
    }
    return readOpenFile(fd, info, maxBytes, path, error);
}

}  // namespace platform
