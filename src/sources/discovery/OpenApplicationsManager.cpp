#include "sources/discovery/OpenApplicationsManager.h"

#include "platform/foundation/SingleInstance.h"

namespace frelt {

std::shared_ptr<OpenApplicationsManager> OpenApplicationsManager::shared() {
    return platform::singleInstance<OpenApplicationsManager>(
        [] { return std::make_shared<OpenApplicationsManager>(Private{}); });
}

OpenApplicationsManager::OpenApplicationsManager(Private) {
    observation_ = platform::Workspace::shared()->observeRunningApplications(
        [this](const platform::RunningApplicationsChange& change) {
            std::lock_guard lock(m_);
            for (const auto& app : change.removed)
                if (app && app->bundleURL) openApplications_.erase(app->bundleURL->path());
            for (const auto& app : change.added)
                if (app && app->bundleURL) openApplications_.insert(app->bundleURL->path());
        },
        true);
}

std::set<std::string> OpenApplicationsManager::openApplications() const {
    std::lock_guard lock(m_);
    return openApplications_;
}

void OpenApplicationsManager::setOpenApplications(std::set<std::string> paths) {
    std::lock_guard lock(m_);
    openApplications_ = std::move(paths);
}

bool OpenApplicationsManager::containsApplication(const std::string& path) const {
    std::lock_guard lock(m_);
    return openApplications_.count(path) != 0;
}

}  // namespace frelt
