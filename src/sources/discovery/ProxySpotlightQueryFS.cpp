#include "sources/discovery/ProxySpotlightQueryFS.h"

#include "app/AppDelegate.h"
#include "store/RemovingDuplicates.h"

namespace frelt {

void ProxySpotlightQueryFS::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
}

void ProxySpotlightQueryFS::setup() {
    const auto config = AppDelegate::shared()->config;
    std::vector<std::string> scopes = config->spotlightDefaultSearchScope();
    scopes.insert(scopes.end(), config->customSpotlightSearchScope.begin(), config->customSpotlightSearchScope.end());
    searchScopes_ = removingDuplicates(scopes);
    initialized_ = true;
}

}  // namespace frelt
