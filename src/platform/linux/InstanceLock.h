#pragma once
// One writer of the settings: the running program holds an advisory lock
// (flock) on a file in its settings folder for as long as it runs, and a
// second start that finds it held ends without touching anything. The
// session bus keeps one instance per session and hands files over; this lock
// holds without a session bus too, and between sessions that share a home.
// The lock goes with the process, however it ends.

#include <filesystem>
#include <memory>
#include <string>

namespace platform {

class InstanceLock {
public:
    static constexpr const char* fileName = "instance.lock";

    enum class Outcome {
        held,           // this process holds the lock now
        heldElsewhere,  // another process holds it; nothing on disk was changed
        unavailable,    // the lock file cannot be made or locked (a read-only folder)
    };

    struct Result {
        Outcome outcome = Outcome::unavailable;
        std::string message;                // why, with heldElsewhere and unavailable
        std::unique_ptr<InstanceLock> lock;  // with held
    };

    // Takes the lock on `folder`/fileName, making the folder when missing.
    static Result acquire(const std::filesystem::path& folder);

    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace platform
