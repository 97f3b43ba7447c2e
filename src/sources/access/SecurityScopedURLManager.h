#pragma once
// Accesses to granted locations that must outlast one call (an opening that
// ends when the desktop reports back, a thumbnail, the root folder's grant for
// the whole run). Each begun access is one record under a fresh identifier,
// so several callers may hold the same location, each ending only its own.
// One instance, made on first use; callable from any thread.
//
// A caller hands back whatever identifier beginAccess gave, the empty one
// included, to endAccess exactly once.

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"
#include "store/SynchronizedArray.h"

namespace frelt {

enum class UsedSecurityScopedURLSource { open, applicationDelegate, thumbnail };

struct UsedSecurityScopedURL {
    // A random UUID in upper-case canonical form.
    std::string identifier;
    // The location resolved from the grant, on which the access was begun.
    platform::URL url;
    UsedSecurityScopedURLSource source = UsedSecurityScopedURLSource::open;
};

class SecurityScopedURLManager {
    struct Private {};

public:
    static std::shared_ptr<SecurityScopedURLManager> shared();
    explicit SecurityScopedURLManager(Private);

    // Resolves the grant and begins an access on its location: the new
    // identifier, or "" when there was no grant, it did not resolve or it is
    // stale (a stale grant is renewed by the access layer, not here).
    std::string beginAccess(const std::optional<platform::Data>& bookmarkData, UsedSecurityScopedURLSource source);
    // Ends the access recorded under the identifier (exact text); false when
    // none is, also for "". Ends each access at most once, however many
    // threads try.
    bool endAccess(const std::string& identifier);

    // The open accesses, in the order they were begun.
    const std::shared_ptr<SynchronizedArray<UsedSecurityScopedURL>>& usedSecurityScopedURLs() const {
        return usedSecurityScopedURLs_;
    }

private:
    std::shared_ptr<SynchronizedArray<UsedSecurityScopedURL>> usedSecurityScopedURLs_;
    // Finding, stopping and removing a record is one step for all enders.
    std::mutex endMutex_;
};

}  // namespace frelt
