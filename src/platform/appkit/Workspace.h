#pragma once
// The desktop's services as the program reaches them: opening URLs and files
// (with their default application or a chosen one), the default application
// for a URL, showing a file in the file manager, file icons, the running
// applications (observable), and notifications of volumes and sleep.
//
// Workspace is an interface. The desktop implementation lives with the
// operating-system code; tests use RecordingWorkspace, which records every
// call and answers as configured. The shared instance is settable; without
// one set, it is a RecordingWorkspace, so nothing is ever launched by
// accident.
//
// The list of running applications is kept here, not in the implementations:
// they report launches and terminations, and the observers are told with the
// applications that entered (new) and left (old).

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Subscription.h"
#include "platform/foundation/URL.h"

namespace platform {

class Image;

// The notifications of the workspace's own centre (`notificationCenter()`).
namespace workspacenotification {
inline const std::string didMount = "NSWorkspaceDidMountNotification";
inline const std::string didUnmount = "NSWorkspaceDidUnmountNotification";
inline const std::string didRenameVolume = "NSWorkspaceDidRenameVolumeNotification";
inline const std::string willSleep = "NSWorkspaceWillSleepNotification";
inline const std::string didWake = "NSWorkspaceDidWakeNotification";
// User-info key of the volume notifications: the volume's mount path.
inline const std::string devicePathKey = "NSDevicePath";
}  // namespace workspacenotification

struct WorkspaceOpenConfiguration {
    bool createsNewApplicationInstance = false;
    bool activates = true;
    bool forPrinting = false;
    bool promptsUserIfNeeded = true;
    bool operator==(const WorkspaceOpenConfiguration&) const = default;
};

enum class ApplicationActivationPolicy { regular = 0, accessory = 1, prohibited = 2 };

// A running application. On Linux its identity is the path of its desktop
// entry, given as `bundleURL`.
struct RunningApplication {
    std::int64_t processIdentifier = 0;
    std::optional<URL> bundleURL;
    std::string bundleIdentifier;
    std::string localizedName;
    ApplicationActivationPolicy activationPolicy = ApplicationActivationPolicy::regular;
};

// What changed in the list of running applications. The initial report of an
// observation carries the whole list as `added` and nothing `removed`.
struct RunningApplicationsChange {
    std::vector<std::shared_ptr<RunningApplication>> added;    // the new value
    std::vector<std::shared_ptr<RunningApplication>> removed;  // the old value
    bool initial = false;
};

class Workspace : public std::enable_shared_from_this<Workspace> {
public:
    using OpenCompletion = std::function<void(std::shared_ptr<RunningApplication>, std::optional<std::string> error)>;
    using RunningApplicationsHandler = std::function<void(const RunningApplicationsChange&)>;
    // An error text, or none when the file manager shows what was asked.
    using SelectCompletion = std::function<void(std::optional<std::string> error)>;

    static std::shared_ptr<Workspace> shared();
    // Replaces the shared instance until the single instances are reset;
    // null returns to the default.
    static void setShared(std::shared_ptr<Workspace> workspace);

    virtual ~Workspace() = default;

    // Opens `url` with its default application; false when that is not possible.
    virtual bool openURL(const URL& url) = 0;
    // Opens `url` with its default application; `completion` reports the
    // application or an error, later, on the main queue.
    virtual void openURL(const URL& url, const WorkspaceOpenConfiguration& configuration, OpenCompletion completion) = 0;
    // Opens `urls` (possibly none: then only the application) with the
    // application at `applicationURL`.
    virtual void openURLs(const std::vector<URL>& urls, const URL& applicationURL,
                          const WorkspaceOpenConfiguration& configuration, OpenCompletion completion) = 0;
    virtual void openApplication(const URL& applicationURL, const WorkspaceOpenConfiguration& configuration,
                                 OpenCompletion completion) {
        openURLs({}, applicationURL, configuration, std::move(completion));
    }
    // The application that opens `url` by default; none when there is none.
    virtual std::optional<URL> URLForApplicationToOpenURL(const URL& url) = 0;
    // Shows the file manager at `rootPath` with `file` selected; an empty
    // file shows the folder itself, an empty root the file's folder.
    virtual bool selectFile(const std::string& file, const std::string& rootPath) = 0;
    // As selectFile, telling later, on the main queue, how it went.
    virtual void selectFile(const std::string& file, const std::string& rootPath, SelectCompletion completion) {
        const bool shown = selectFile(file, rootPath);
        if (completion) completion(shown ? std::nullopt : std::optional<std::string>("not shown"));
    }
    // The icon of the file, folder or application at `path`.
    virtual std::shared_ptr<Image> iconForFile(const std::string& path) = 0;

    // --- Running applications -------------------------------------------------
    std::vector<std::shared_ptr<RunningApplication>> runningApplications() const;
    // Observes changes of the list; with `initial` the handler runs once at
    // once with the current list. Handlers run on the thread that reports.
    [[nodiscard]] Subscription observeRunningApplications(RunningApplicationsHandler handler, bool initial = true);
    // Reports from the implementation (and from tests through the double).
    void applicationsDidLaunch(const std::vector<std::shared_ptr<RunningApplication>>& apps);
    void applicationsDidTerminate(const std::vector<std::shared_ptr<RunningApplication>>& apps);

    // --- Notifications ----------------------------------------------------------
    // The workspace's own notification centre (volume and sleep notifications
    // are not posted to the default centre).
    NotificationCenter& notificationCenter() { return center_; }
    void postDidMount(const std::string& devicePath);
    void postDidUnmount(const std::string& devicePath);
    void postDidRenameVolume(const std::string& devicePath);
    void postWillSleep();
    void postDidWake();

protected:
    Workspace() = default;

private:
    void notify(const RunningApplicationsChange& change);

    mutable std::recursive_mutex m_;
    std::vector<std::shared_ptr<RunningApplication>> running_;
    ObserverList<RunningApplicationsHandler> observers_;
    NotificationCenter center_;
};

}  // namespace platform
