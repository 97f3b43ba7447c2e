#include "platform/foundation/ReadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string* error) {
    auto fail = [&](const std::string& what, int code) -> std::optional<std::string> {
        if (error) *error = what + " \"" + path.string() + "\": " + std::strerror(code);
        return std::nullopt;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail("cannot open", errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int code = errno;
        ::close(fd);
        return fail("cannot read", code);
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        return fail("cannot read", EISDIR);
    }
    std::string contents;
    if (S_ISREG(info.st_mode) && info.st_size > 0) contents.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return fail("cannot read", code);
        }
        if (n == 0) break;
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return contents;
}

}  // namespace platform
