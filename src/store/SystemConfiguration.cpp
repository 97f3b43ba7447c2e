#include "store/SystemConfiguration.h"

#include <cmath>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SingleInstance.h"
#include "store/StoreConstants.h"

namespace frelt {

SidebarMetrics sidebarMetrics(SidebarSize size) {
    switch (size) {
        case SidebarSize::small:
            return {16.0, 24.0, 11.0};
        case SidebarSize::medium:
            return {18.0, 28.0, 13.0};
        case SidebarSize::large:
            return {20.0, 32.0, 15.0};
    }
    return {18.0, 28.0, 13.0};
}

SidebarSize sidebarSizeFromDefaultsValue(const std::optional<platform::Value>& value) {
    if (!value) return SidebarSize::medium;
    // A whole number only: a number stored as a real counts when it has no
    // fraction; texts and booleans are no sizes.
    std::optional<std::int64_t> n;
    if (value->isInteger()) {
        n = value->asInteger();
    } else if (value->isReal()) {
        const double d = *value->asDouble();
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15) n = static_cast<std::int64_t>(d);
    }
    if (!n) return SidebarSize::medium;
    switch (*n) {
        case 1:
            return SidebarSize::small;
        case 2:
            return SidebarSize::medium;
        case 3:
            return SidebarSize::large;
        default:
            return SidebarSize::medium;
    }
}

std::shared_ptr<SystemConfiguration> SystemConfiguration::shared() {
    return platform::singleInstance<SystemConfiguration>(
        [] { return std::make_shared<SystemConfiguration>(Private{}); });
}

SystemConfiguration::SystemConfiguration(Private) {
    // Only changes are reported; the current value is read by
    // updateSidebarSize() when the sidebar asks for it.
    observation_ = platform::UserDefaults::standard()->observe(
        tableViewDefaultSizeModeKey,
        [this](const std::string& key, const std::optional<platform::Value>&) { observeValueForKeyPath(key); });
}

SidebarSize SystemConfiguration::currentSidebarSize() const {
    return sidebarSizeFromDefaultsValue(platform::UserDefaults::standard()->objectForKey(tableViewDefaultSizeModeKey));
}

void SystemConfiguration::updateSidebarSize() {
    sidebarSize_ = currentSidebarSize();
    const SidebarMetrics metrics = sidebarMetrics(sidebarSize_);
    sidebarIconSize_ = metrics.iconSize;
    sidebarRowHeight_ = metrics.rowHeight;
    sidebarTextSize_ = metrics.textSize;
}

std::shared_ptr<platform::Screen> SystemConfiguration::screenUnderMouse() const {
    return platform::Screen::screenWithMouse();
}

void SystemConfiguration::observeValueForKeyPath(const std::string& keyPath) {
    if (keyPath != tableViewDefaultSizeModeKey) return;
    updateSidebarSize();
    platform::NotificationCenter::defaultCenter().post(Notifications::systemSidebarSizeChanged);
}

}  // namespace frelt
