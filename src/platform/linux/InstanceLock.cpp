#include "platform/linux/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace platform {

InstanceLock::Result InstanceLock::acquire(const std::filesystem::path& folder) {
    Result result;
    const std::filesystem::path file = folder / fileName;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        result.message = "cannot make the settings folder " + folder.string() + ": " + ec.message();
        return result;
    }
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        result.message = "cannot open the lock file " + file.string() + ": " + std::strerror(errno);
        return result;
    }
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int code = errno;
        ::close(fd);
        if (code == EWOULDBLOCK) {
            result.outcome = Outcome::heldElsewhere;
            result.message = "another instance is running with the settings in " + folder.string();
        } else {
            result.message = "cannot lock " + file.string() + ": " + std::strerror(code);
        }
        return result;
    }
    result.outcome = Outcome::held;
    result.lock.reset(new InstanceLock(fd));
    return result;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace platform
