#pragma once
// The desktop's notifications of volumes and sleep, posted on the workspace's
// own centre as the program expects them:
// - mounts, unmounts and renames of volumes from GIO's volume monitor, with
//   the mount point as "NSDevicePath";
// - "will sleep" and "did wake" from logind's PrepareForSleep signal on the
//   system bus, where there is one.
// Both deliver on the main thread (GLib's default main context, which the run
// loop iterates). A watcher stops when it is destroyed.

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace platform::desktop {

// The names of the mounted volumes by mount point: a change that alters the
// name is a rename.
class MountNames {
public:
    void added(const std::string& mountPoint, const std::string& name) { names_[mountPoint] = name; }
    void removed(const std::string& mountPoint) { names_.erase(mountPoint); }
    // True when the volume at `mountPoint` had another name (remembers the new one).
    bool changed(const std::string& mountPoint, const std::string& name);

private:
    std::map<std::string, std::string> names_;
};

class VolumeWatcher {
public:
    static std::unique_ptr<VolumeWatcher> start();
    ~VolumeWatcher();
    VolumeWatcher(const VolumeWatcher&) = delete;
    VolumeWatcher& operator=(const VolumeWatcher&) = delete;

    struct State;

private:
    explicit VolumeWatcher(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

class SleepWatcher {
public:
    static constexpr const char* loginName = "org.freedesktop.login1";

    // None when the bus cannot be reached (no system bus in a container,
    // say): the program then never hears of sleep. `busAddress` none: the
    // system bus.
    static std::unique_ptr<SleepWatcher> start(const std::optional<std::string>& busAddress = std::nullopt,
                                               std::string* problem = nullptr);
    ~SleepWatcher();
    SleepWatcher(const SleepWatcher&) = delete;
    SleepWatcher& operator=(const SleepWatcher&) = delete;

    struct State;

private:
    explicit SleepWatcher(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace platform::desktop
