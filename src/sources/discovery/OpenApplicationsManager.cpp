#include "sources/discovery/OpenApplicationsManager.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SingleInstance.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

bool isOrdinary(const std::shared_ptr<platform::RunningApplication>& app) {
    return app && app->activationPolicy == platform::ApplicationActivationPolicy::regular && app->bundleURL;
}

std::set<std::string> pathsOf(const std::vector<std::shared_ptr<platform::RunningApplication>>& apps) {
    std::set<std::string> paths;
    for (const auto& app : apps)
        if (isOrdinary(app)) paths.insert(app->bundleURL->path());
    return paths;
}

}  // namespace

std::shared_ptr<OpenApplicationsManager> OpenApplicationsManager::shared() {
    return platform::singleInstance<OpenApplicationsManager>(
        [] { return std::make_shared<OpenApplicationsManager>(Private{}); });
}

OpenApplicationsManager::OpenApplicationsManager(Private) {
    const auto workspace = platform::Workspace::shared();
    {
        std::lock_guard lock(m_);
        for (const auto& app : workspace->runningApplications())
            if (isOrdinary(app) && !app->bundleURL->path().empty()) ++instances_[app->bundleURL->path()];
    }
    // The initial report announces what already runs; the set has it already.
    observation_ = workspace->observeRunningApplications(
        [this](const platform::RunningApplicationsChange& change) { runningApplicationsChanged(change); }, true);
}

void OpenApplicationsManager::runningApplicationsChanged(const platform::RunningApplicationsChange& change) {
    if (!change.initial) {
        std::lock_guard lock(m_);
        for (const auto& app : change.removed) {
            if (!isOrdinary(app)) continue;
            auto it = instances_.find(app->bundleURL->path());
            if (it != instances_.end() && --it->second <= 0) instances_.erase(it);
        }
        for (const auto& app : change.added)
            if (isOrdinary(app) && !app->bundleURL->path().empty()) ++instances_[app->bundleURL->path()];
    }
    // Every end of one change is told before any of its launches.
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const auto& path : pathsOf(change.removed)) center.post(Notifications::didTerminateApplication, std::any(path));
    for (const auto& path : pathsOf(change.added)) center.post(Notifications::didLaunchApplication, std::any(path));
}

std::set<std::string> OpenApplicationsManager::openApplications() const {
    std::lock_guard lock(m_);
    std::set<std::string> paths;
    for (const auto& [path, count] : instances_) paths.insert(path);
    return paths;
}

void OpenApplicationsManager::setOpenApplications(std::set<std::string> paths) {
    std::lock_guard lock(m_);
    instances_.clear();
    for (auto& path : paths)
        if (!path.empty()) instances_[path] = 1;
}

bool OpenApplicationsManager::containsApplication(const std::string& path) const {
    std::lock_guard lock(m_);
    return instances_.count(path) != 0;
}

}  // namespace frelt
