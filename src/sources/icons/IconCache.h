#pragma once
// The one place that chooses an entry's icon: a fixed image for an entry that
// cannot be reached, an image per URL scheme for a link, the tag's symbol in
// its colour for a tag entry, and for a file, folder or application a cached
// IconCacheObject with the desktop's icon or a thumbnail. After a rebuild of
// the store the cache is verified, at most once every 300 seconds: objects
// are made for new entries and changed files get new thumbnails.
//
// The cache is read synchronously on its own concurrent queue and written by
// barrier blocks there. icon() and the verification run on the main thread.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/appkit/Image.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Subscription.h"
#include "platform/foundation/URL.h"
#include "sources/icons/IconCacheObject.h"
#include "store/TableViewItem.h"

namespace frelt {

class IconCache : public std::enable_shared_from_this<IconCache> {
    struct Private {};

public:
    static constexpr double verificationInterval = 300.0;
    static constexpr long rebuildSemaphoreCount = 5;

    static std::shared_ptr<IconCache> shared();
    explicit IconCache(Private);
    ~IconCache();

    // The entry's icon: absent or set flag for the default (48-point) image,
    // a cleared flag for the small (32-point) one.
    std::shared_ptr<platform::Image> icon(const TableViewItem::Ptr& entry, std::optional<bool> large = std::nullopt);
    // "unkownObject", looked up once.
    std::shared_ptr<platform::Image> customIconUnkownObject();
    std::shared_ptr<platform::Image> customIconDefaultURL();

    // The handler of "dataStorageRebuildIsFinished": the verification gate.
    void dataStorageRebuildIsFinished();

    std::shared_ptr<IconCacheObject> cachedObject(const platform::URL& url) const;
    std::shared_ptr<IconCacheObject> addObject(const platform::URL& url);
    // Forgets every cached icon (the menu's refresh); they are made anew.
    void removeAllObjects();

    const std::shared_ptr<platform::dispatch::Queue>& queue() const { return queue_; }
    platform::dispatch::TimePoint lastCacheRebuild() const { return lastCacheRebuild_; }

private:
    void verify();
    // Verifies entry `next` of `entries` on the main queue, then queues the
    // step after it.
    void verifyStep(std::shared_ptr<const std::vector<std::weak_ptr<TableViewItem>>> entries, std::size_t next);

    std::map<std::string, std::shared_ptr<IconCacheObject>> cache_;
    platform::dispatch::TimePoint lastCacheRebuild_ = platform::dispatch::TimePoint::min();
    std::shared_ptr<platform::dispatch::Queue> queue_;
    std::shared_ptr<platform::dispatch::Semaphore> rebuildSemaphore_;
    std::vector<std::pair<std::string, std::string>> customURLIcons_;  // prefix, image name
    std::optional<std::shared_ptr<platform::Image>> customIconUnkownObject_;
    std::optional<std::shared_ptr<platform::Image>> customIconDefaultURL_;
    platform::Subscription rebuildObservation_;
};

}  // namespace frelt
