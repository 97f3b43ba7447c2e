#include "platform/foundation/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

extern char** environ;

namespace platform {
namespace {

std::string describeErrno(int error) { return std::generic_category().message(error); }

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~Descriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

// A pipe whose two ends are close-on-exec and clear of the standard streams,
// so that duplicating the write end onto 1 or 2 in the child never lands on
// itself.
bool makePipe(Descriptor& readEnd, Descriptor& writeEnd, int& error) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = errno;
        return false;
    }
    for (int& fd : fds) {
        if (fd < 3) {
            const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
            const int saved = errno;
            ::close(fd);
            fd = moved;
            if (moved < 0) error = saved;
        }
    }
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return readEnd.valid() && writeEnd.valid();
}

class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

void waitForExit(pid_t pid, ProcessResult& result) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            result.terminationStatus = -1;
            return;
        }
    }
    if (WIFEXITED(status)) {
        result.terminationStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.terminationStatus = WTERMSIG(status);
        result.terminatedBySignal = true;
    }
}

}  // namespace

std::optional<ProcessResult> Process::run(const std::string& path, const std::vector<std::string>& arguments,
                                          const Options& options, std::string* launchError) {
    auto fail = [&](const std::string& reason) -> std::optional<ProcessResult> {
        if (launchError) *launchError = reason;
        return std::nullopt;
    };

    Descriptor outRead, outWrite, errRead, errWrite;
    int error = 0;
    if (!makePipe(outRead, outWrite, error) || !makePipe(errRead, errWrite, error)) {
        return fail("Could not create a pipe: " + describeErrno(error));
    }

    SpawnSetup setup;
    ::posix_spawn_file_actions_adddup2(&setup.actions, outWrite.get(), STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&setup.actions, errWrite.get(), STDERR_FILENO);
    // The child starts with no blocked signals and default handlers, whatever
    // this process (or the thread calling) has set up for itself.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    ::posix_spawnattr_setsigmask(&setup.attributes, &none);
    ::posix_spawnattr_setsigdefault(&setup.attributes, &all);
    ::posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawnError = ::posix_spawn(&pid, path.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    if (spawnError != 0) return fail(describeErrno(spawnError));

    // Only the child may hold the write ends, or the reads below never see
    // the end of the streams.
    outWrite.reset();
    errWrite.reset();
    ::fcntl(outRead.get(), F_SETFL, ::fcntl(outRead.get(), F_GETFL) | O_NONBLOCK);
    ::fcntl(errRead.get(), F_SETFL, ::fcntl(errRead.get(), F_GETFL) | O_NONBLOCK);

    ProcessResult result;
    Descriptor* streams[2] = {&outRead, &errRead};
    Data* sinks[2] = {&result.standardOutput, &result.standardError};
    const auto deadline = options.timeout ? std::optional(std::chrono::steady_clock::now() + *options.timeout)
                                          : std::nullopt;
    std::uint8_t buffer[65536];

    while (outRead.valid() || errRead.valid()) {
        pollfd fds[2];
        nfds_t count = 0;
        int which[2];
        for (int i = 0; i < 2; ++i) {
            if (!streams[i]->valid()) continue;
            fds[count] = pollfd{streams[i]->get(), POLLIN, 0};
            which[count++] = i;
        }
        int wait = -1;
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
            wait = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
        }
        const int ready = ::poll(fds, count, wait);
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (ready == 0) {
            // Out of time: stop the child and keep what it printed. A
            // grandchild could still hold the pipes open, so stop reading too.
            ::kill(pid, SIGKILL);
            result.timedOut = true;
            break;
        }
        for (nfds_t k = 0; k < count; ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) continue;
            Descriptor& stream = *streams[which[k]];
            for (;;) {
                const ssize_t n = ::read(stream.get(), buffer, sizeof buffer);
                if (n > 0) {
                    sinks[which[k]]->insert(sinks[which[k]]->end(), buffer, buffer + n);
                    continue;
                }
                if (n < 0 && errno == EINTR) continue;
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
                stream.reset();  // end of stream, or an error that ends it
                break;
            }
        }
    }
    outRead.reset();
    errRead.reset();
    waitForExit(pid, result);
    return result;
}

}  // namespace platform
