#include "sources/access/SecurityScopedURLManager.h"

#include "platform/foundation/Bookmark.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "store/Logging.h"

namespace frelt {

std::shared_ptr<SecurityScopedURLManager> SecurityScopedURLManager::shared() {
    return platform::singleInstance<SecurityScopedURLManager>(
        [] { return std::make_shared<SecurityScopedURLManager>(Private{}); });
}

SecurityScopedURLManager::SecurityScopedURLManager(Private)
    : usedSecurityScopedURLs_(SynchronizedArray<UsedSecurityScopedURL>::create()) {}

std::string SecurityScopedURLManager::beginAccess(const std::optional<platform::Data>& bookmarkData,
                                                  UsedSecurityScopedURLSource source) {
    if (!bookmarkData) return {};
    const auto resolved = platform::bookmark::resolve(*bookmarkData);
    if (!resolved || resolved->isStale) return {};
    // Recorded even when the system refuses: the caller ends it like any other.
    (void)platform::bookmark::startAccessing(resolved->url);
    UsedSecurityScopedURL record{platform::text::uuidString(), resolved->url, source};
    const std::string identifier = record.identifier;
    usedSecurityScopedURLs_->append(std::move(record));
    // Read after the append, so the count includes it.
    const std::size_t count = usedSecurityScopedURLs_->count();
    log(LogCategory::securityScopedURLManager, LogLevel::Default, "+ Start access: %{public}@",
        identifier + " for [" + resolved->url.absoluteString() + "] - Scope-Count: " + std::to_string(count));
    return identifier;
}

bool SecurityScopedURLManager::endAccess(const std::string& identifier) {
    if (identifier.empty()) return false;
    std::lock_guard lock(endMutex_);
    const auto record = usedSecurityScopedURLs_->firstWhere(
        [&](const UsedSecurityScopedURL& used) { return used.identifier == identifier; });
    if (!record) return false;
    platform::bookmark::stopAccessing(record->url);
    usedSecurityScopedURLs_->removeAllWhere(
        [identifier](const UsedSecurityScopedURL& used) { return used.identifier == identifier; });
    // This read waits for the removal, so the next ender no longer finds the record.
    const std::size_t count = usedSecurityScopedURLs_->count();
    log(LogCategory::securityScopedURLManager, LogLevel::Default, "- Stop access: %{public}@",
        identifier + " for [" + record->url.absoluteString() + "] - Scope-Count: " + std::to_string(count));
    return true;
}

}  // namespace frelt
