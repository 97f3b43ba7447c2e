#pragma once
// The data proxy that feeds the applications found by the search index into
// the data store. The store makes it, runs its setup once from the proxies
// switch and turns it on and off with enableDataProxies.
//
// For now it keeps the search scopes and its switch; the live query that
// delivers results (and calls DataStorage::databaseUpdateFinished after a
// delivery that changed allData) attaches here.

#include <string>
#include <vector>

namespace frelt {

class ProxySpotlightQueryFS {
public:
    ProxySpotlightQueryFS() = default;

    bool initialized() const { return initialized_; }
    bool enabled() const { return enabled_; }
    // Only a change of value starts or stops the query.
    void setEnabled(bool enabled);

    // The folders searched: the settings' default scope followed by the
    // user's own, each path once.
    const std::vector<std::string>& searchScopes() const { return searchScopes_; }

    // One-time setup: takes the search scopes from the settings and marks the
    // proxy initialized.
    void setup();

private:
    bool initialized_ = false;
    bool enabled_ = false;
    std::vector<std::string> searchScopes_;
};

}  // namespace frelt
