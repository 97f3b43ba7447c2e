#include "platform/appkit/Workspace.h"

#include <algorithm>
#include <utility>

#include "platform/appkit/RecordingWorkspace.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {
struct InstalledWorkspaceTag {};
using InstalledWorkspace = ResettableValue<InstalledWorkspaceTag, std::shared_ptr<Workspace>>;
}  // namespace

std::shared_ptr<Workspace> Workspace::shared() {
    if (auto installed = InstalledWorkspace::get()) return installed;
    return singleInstance<RecordingWorkspace>([] { return RecordingWorkspace::make(); });
}

void Workspace::setShared(std::shared_ptr<Workspace> workspace) { InstalledWorkspace::set(std::move(workspace)); }

std::vector<std::shared_ptr<RunningApplication>> Workspace::runningApplications() const {
    std::lock_guard lock(m_);
    return running_;
}

Subscription Workspace::observeRunningApplications(RunningApplicationsHandler handler, bool initial) {
    RunningApplicationsChange change;
    change.initial = true;
    Subscription subscription;
    {
        // The list reported first and the changes after it are consistent.
        std::lock_guard lock(m_);
        change.added = running_;
        subscription = observers_.add(handler);
    }
    if (initial) handler(change);
    return subscription;
}

void Workspace::notify(const RunningApplicationsChange& change) {
    observers_.forEach([&](const RunningApplicationsHandler& handler) { handler(change); });
}

void Workspace::applicationsDidLaunch(const std::vector<std::shared_ptr<RunningApplication>>& apps) {
    RunningApplicationsChange change;
    {
        std::lock_guard lock(m_);
        for (const auto& app : apps) {
            if (!app || std::find(running_.begin(), running_.end(), app) != running_.end()) continue;
            running_.push_back(app);
            change.added.push_back(app);
        }
    }
    if (!change.added.empty()) notify(change);
}

void Workspace::applicationsDidTerminate(const std::vector<std::shared_ptr<RunningApplication>>& apps) {
    RunningApplicationsChange change;
    {
        std::lock_guard lock(m_);
        for (const auto& app : apps) {
            auto it = std::find(running_.begin(), running_.end(), app);
            if (it == running_.end()) continue;
            running_.erase(it);
            change.removed.push_back(app);
        }
    }
    if (!change.removed.empty()) notify(change);
}

void Workspace::postDidMount(const std::string& devicePath) {
    center_.post(workspacenotification::didMount, {}, {{workspacenotification::devicePathKey, devicePath}});
}

void Workspace::postDidUnmount(const std::string& devicePath) {
    center_.post(workspacenotification::didUnmount, {}, {{workspacenotification::devicePathKey, devicePath}});
}

void Workspace::postDidRenameVolume(const std::string& devicePath) {
    center_.post(workspacenotification::didRenameVolume, {}, {{workspacenotification::devicePathKey, devicePath}});
}

void Workspace::postWillSleep() { center_.post(workspacenotification::willSleep); }

void Workspace::postDidWake() { center_.post(workspacenotification::didWake); }

}  // namespace platform
