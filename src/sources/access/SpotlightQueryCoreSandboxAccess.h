#pragma once
// Keeps the application search's folders readable: for each search scope it
// checks whether the program may read the folder and, where only a grant
// allows it, begins using the grant and keeps it in use until the scopes are
// set again. Nothing is handed back; each outcome is only logged, and the
// search keeps every reachable scope whatever the outcome.

#include <memory>

#include "platform/foundation/URL.h"
#include "store/SynchronizedDictionary.h"

namespace frelt {

class SpotlightQueryCoreSandboxAccess {
public:
    using Map = SynchronizedDictionary<platform::URL, platform::URL>;

    SpotlightQueryCoreSandboxAccess();

    // Begins what the scope needs. A scope already begun is ended first, so
    // no access is ever left running without its record.
    void beginScopeAccess(const platform::URL& scope);
    // Ends the scope's access, when one is recorded.
    void endScopeAccess(const platform::URL& scope);
    void endAllScopeAccess();

    // Scope URL -> the location whose grant is in use for it.
    const std::shared_ptr<Map>& securityBookmarks() const { return securityBookmarks_; }

private:
    std::shared_ptr<Map> securityBookmarks_;
};

}  // namespace frelt
