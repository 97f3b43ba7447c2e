#pragma once
// The data proxy that records application launches as the entries'
// last-used dates. The store registers applicationWasLaunchedWith() once as
// observer of "didLaunchApplication" (the application's path as object).
// Launches heard of while the proxy is disabled are kept, one per path, and
// handed to the entries at the first launch after it is enabled again.

#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Value.h"

namespace frelt {

struct lastUsedApplication {
    std::string path;
    platform::Date lastUsed;
};

class ProxyLastUsedApps {
public:
    ProxyLastUsedApps() = default;

    bool enabled() const { return enabled_; }
    // A change of value is logged; nothing else happens on the switch.
    void setEnabled(bool enabled);

    bool initialized() const { return initialized_; }
    void setInitialized(bool value) { initialized_ = value; }

    const std::vector<lastUsedApplication>& tempLastUsedApplications() const { return tempLastUsedApplications_; }

    // The observer of "didLaunchApplication": the object is the path, as a
    // std::string or a text Value; anything else is ignored.
    void applicationWasLaunchedWith(const platform::Notification& notification);

private:
    bool enabled_ = false;
    std::vector<lastUsedApplication> tempLastUsedApplications_;
    bool initialized_ = false;
};

}  // namespace frelt
