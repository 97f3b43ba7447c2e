#pragma once
// The applications running now, as the set of their paths (a desktop entry's
// path is an application's identity everywhere in the program), kept from the
// workspace's list of running applications. Every launch and every end of an
// ordinary application is posted on the default centre: "didLaunchApplication"
// and "didTerminateApplication", with the path (a std::string) as object; at
// start, "didLaunchApplication" for each one already running.
//
// Instances are counted per path: an application running twice stays in the
// set until both have ended. One instance, made on first use; the handler
// runs where the workspace reports (the main thread); readers on any thread.

#include <map>
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

    // A copy of the current set.
    std::set<std::string> openApplications() const;
    // Replaces the set (each path counted once).
    void setOpenApplications(std::set<std::string> paths);
    // Exact, case-sensitive membership.
    bool containsApplication(const std::string& path) const;

private:
    void runningApplicationsChanged(const platform::RunningApplicationsChange& change);

    mutable std::mutex m_;
    std::map<std::string, int> instances_;  // path -> running instances
    platform::Subscription observation_;
};

}  // namespace frelt
