#include "platform/linux/InotifyWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "platform/foundation/RunLoop.h"
#include "platform/log/Log.h"

namespace platform {

namespace {

const Log& watchLog() {
    static const Log log("org.frelt.platform", "inotify");
    return log;
}

constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB |
                                IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

std::unique_ptr<InotifyWatch> InotifyWatch::make(std::function<void()> onChange) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        watchLog().write(LogLevel::Error, std::string("Changes of folders are not followed: ") + std::strerror(errno));
        return nullptr;
    }
    return std::unique_ptr<InotifyWatch>(new InotifyWatch(fd, std::move(onChange)));
}

InotifyWatch::InotifyWatch(int fd, std::function<void()> onChange) : fd_(fd), onChange_(std::move(onChange)) {
    source_ = RunLoop::main().watchFileDescriptor(fd_, RunLoopBackend::Readiness::readable, [this] { readEvents(); });
}

InotifyWatch::~InotifyWatch() {
    source_.cancel();
    close(fd_);
}

void InotifyWatch::setFolders(const std::vector<std::string>& folders) {
    const std::set<std::string> wanted(folders.begin(), folders.end());
    for (auto it = watches_.begin(); it != watches_.end();) {
        if (wanted.count(it->first)) {
            ++it;
            continue;
        }
        inotify_rm_watch(fd_, it->second);
        it = watches_.erase(it);
    }
    for (const auto& folder : wanted) {
        if (watches_.count(folder)) continue;
        const int wd = inotify_add_watch(fd_, folder.c_str(), kMask);
        if (wd < 0) {
            watchLog().write(LogLevel::Error,
                             "Changes in " + folder + " are not followed: " + std::string(std::strerror(errno)));
            continue;
        }
        watches_.emplace(folder, wd);
    }
}

std::vector<std::string> InotifyWatch::folders() const {
    std::vector<std::string> out;
    for (const auto& [folder, wd] : watches_) out.push_back(folder);
    return out;
}

void InotifyWatch::readEvents() {
    alignas(inotify_event) char buffer[16 * 1024];
    bool changed = false;
    for (;;) {
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n <= 0) break;  // EAGAIN: all read
        changed = true;
    }
    // The callback may drop this watcher: nothing of it is touched after.
    if (changed && onChange_) onChange_();
}

}  // namespace platform
