#include "sources/access/SpotlightQueryCoreSandboxAccess.h"

#include "platform/foundation/Bookmark.h"
#include "sources/FileHelpers.h"
#include "sources/access/SandboxFileAccess.h"
#include "store/Logging.h"

namespace frelt {

namespace {
template <class... Args>
void logScope(LogLevel level, std::string_view format, const Args&... args) {
    log(LogCategory::spotlightQueryCoreSandboxAccess, level, format, args...);
}
}  // namespace

SpotlightQueryCoreSandboxAccess::SpotlightQueryCoreSandboxAccess() : securityBookmarks_(Map::create()) {}

void SpotlightQueryCoreSandboxAccess::beginScopeAccess(const platform::URL& scope) {
    endScopeAccess(scope);
    const std::string name = scope.absoluteString();
    if (!isReachable(scope)) {
        logScope(LogLevel::Error, "-> Unreachable: [%{public}@]", name);
        return;
    }
    const auto answer = SandboxFileAccess::shared()->hasAccess(scope, Permissions::readAccess());
    if (!answer.hasAccess) {
        logScope(LogLevel::Error, "-> Access denied");
        return;
    }
    if (!answer.viaBookmark) {
        logScope(LogLevel::Default, "-> Access possible without Bookmark: [%{public}@]", name);
        return;
    }
    if (!answer.bookmarkData) {
        logScope(LogLevel::Error,
                 "-> Unable to get Sandboxaccess -> Access denied (Bookmark needed but unavailable) [%{public}@]",
                 name);
        return;
    }
    const auto resolved = platform::bookmark::resolve(*answer.bookmarkData);
    if (!resolved) {
        logScope(LogLevel::Error, "-> Unable to get Sandboxaccess -> Access denied: [%{public}@]", name);
        return;
    }
    if (resolved->isStale || !platform::bookmark::startAccessing(resolved->url)) return;
    securityBookmarks_->set(scope, resolved->url);
    logScope(LogLevel::Default, "-> Access possible with SecurityScopedBookmark: [%{public}@]", name);
}

void SpotlightQueryCoreSandboxAccess::endScopeAccess(const platform::URL& scope) {
    const auto recorded = securityBookmarks_->get(scope);
    if (!recorded) return;
    platform::bookmark::stopAccessing(*recorded);
    securityBookmarks_->removeValue(scope);
}

void SpotlightQueryCoreSandboxAccess::endAllScopeAccess() {
    const auto recorded = securityBookmarks_->snapshot();
    for (const auto& [scope, url] : *recorded) {
        platform::bookmark::stopAccessing(url);
        securityBookmarks_->removeValue(scope);
    }
    securityBookmarks_->removeAll();
}

}  // namespace frelt
