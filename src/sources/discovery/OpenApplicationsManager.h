#pragma once
// The applications running now, as the set of their paths (the identity of
// an application everywhere in the program), kept up to date from the
// workspace's list of running applications. One instance, made on first use.

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/appkit/Workspace.h"

namespace frelt {

class OpenApplicationsManager {
    struct Private {};

public:
    static std::shared_ptr<OpenApplicationsManager> shared();
    explicit OpenApplicationsManager(Private);

    // A copy of the current set; read from any thread.
    std::set<std::string> openApplications() const;
    void setOpenApplications(std::set<std::string> paths);
    // Exact, case-sensitive membership.
    bool containsApplication(const std::string& path) const;

private:
    mutable std::mutex m_;
    std::set<std::string> openApplications_;
    platform::Subscription observation_;
};

}  // namespace frelt
