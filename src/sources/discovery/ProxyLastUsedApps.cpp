#include "sources/discovery/ProxyLastUsedApps.h"

#include <algorithm>

#include "store/DataStorage.h"
#include "store/Logging.h"

namespace frelt {

namespace {

std::string launchedPath(const platform::Notification& notification) {
    if (const auto* path = notification.objectAs<std::string>()) return *path;
    if (const auto* value = notification.objectAs<platform::Value>()) {
        if (const auto* text = value->asString()) return *text;
    }
    return {};
}

}  // namespace

void ProxyLastUsedApps::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    log(LogCategory::lastUsedProxy, LogLevel::Info, "Proxy: LastUsedApps enabled: %{public}@",
        std::string(enabled ? "true" : "false"));
}

void ProxyLastUsedApps::applicationWasLaunchedWith(const platform::Notification& notification) {
    const std::string path = launchedPath(notification);
    if (path.empty()) return;
    const platform::Date now = platform::Date::now();

    if (!enabled_) {
        log(LogCategory::lastUsedProxy, LogLevel::Default,
            "Observer applicationWasLaunched was called, but Proxy was disabled. Storing values temporary");
        auto kept = std::find_if(tempLastUsedApplications_.begin(), tempLastUsedApplications_.end(),
                                 [&](const lastUsedApplication& a) { return a.path == path; });
        if (kept != tempLastUsedApplications_.end()) kept->lastUsed = now;
        else tempLastUsedApplications_.push_back({path, now});
        return;
    }

    const auto store = DataStorage::shared();
    if (!tempLastUsedApplications_.empty()) {
        log(LogCategory::lastUsedProxy, LogLevel::Default, "Processing temporary stored values ...");
        for (const lastUsedApplication& kept : tempLastUsedApplications_) {
            const TableViewItem::Ptr entry = store->entryWithPath(kept.path);
            if (entry) {
                log(LogCategory::lastUsedProxy, LogLevel::Default, "Processing temporary stored values for: %{public}@",
                    kept.path);
                entry->setLastUsedDate(kept.lastUsed);
            } else {
                log(LogCategory::lastUsedProxy, LogLevel::Error,
                    "Processing temporary stored values, but entry was not found in Database for: %{public}@",
                    kept.path);
            }
        }
        log(LogCategory::lastUsedProxy, LogLevel::Default, "Removing temporary stored values ...");
        tempLastUsedApplications_.clear();
    }

    const TableViewItem::Ptr entry = store->entryWithPath(path);
    if (!entry) {
        log(LogCategory::lastUsedProxy, LogLevel::Error,
            "Observer applicationWasLaunched was called, but entry was not found in Database for: %{public}@", path);
        return;
    }
    entry->setLastUsedDate(now);
    log(LogCategory::lastUsedProxy, LogLevel::Default, "Observer applicationWasLaunched was called for: %{public}@",
        path);
}

}  // namespace frelt
