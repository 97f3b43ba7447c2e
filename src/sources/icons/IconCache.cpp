#include "sources/icons/IconCache.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "drawing/ImageHelpers.h"
#include "sources/FileHelpers.h"
#include "sources/icons/IconImages.h"
#include "store/DataStorage.h"
#include "store/IconTag.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

namespace frelt {

std::shared_ptr<IconCache> IconCache::shared() {
    return platform::singleInstance<IconCache>([] { return std::make_shared<IconCache>(Private{}); });
}

IconCache::IconCache(Private)
    : queue_(platform::dispatch::Queue::makeConcurrent("rebuildCacheDataQueue.frelt.org")),
      rebuildSemaphore_(std::make_shared<platform::dispatch::Semaphore>(rebuildSemaphoreCount)) {
    installNamedImages();
    for (const auto& [prefix, name] : std::vector<std::pair<std::string, std::string>>{
             {"https://", "url_HTTPs"},
             {"http://", "url_HTTPs"},
             {"shortcuts://", "url_Shortcuts"},
             {"kmtrigger://", "url_KeyboardMaestro"},
             {"mailto:", "url_Mail"},
             {"things://", "url_Things"},
             {"ulysses://", "url_Ulysses"},
             {"x-devonthink-item://", "url_DevonThink"},
             {"x-devonthink://", "url_DevonThink"},
             {"craftdocs://", "url_Craft"},
             {"drafts5://", "url_Drafts"},
             {"drafts://", "url_Drafts"},
         })
        // By name: the registry makes each picture when an address first
        // needs it, so a start looks up no theme icons for addresses.
        customURLIcons_.emplace_back(prefix, name);
    // Ended by the destructor before the cache goes.
    rebuildObservation_ = platform::NotificationCenter::defaultCenter().observe(
        Notifications::dataStorageRebuildIsFinished, nullptr,
        [this](const platform::Notification&) { dataStorageRebuildIsFinished(); });
}

IconCache::~IconCache() { rebuildObservation_.cancel(); }

std::shared_ptr<platform::Image> IconCache::customIconUnkownObject() {
    if (!customIconUnkownObject_) customIconUnkownObject_ = platform::Image::imageNamed("unkownObject");
    return *customIconUnkownObject_;
}

std::shared_ptr<platform::Image> IconCache::customIconDefaultURL() {
    if (!customIconDefaultURL_) customIconDefaultURL_ = platform::Image::imageNamed("url_Custom");
    return *customIconDefaultURL_;
}

std::shared_ptr<platform::Image> IconCache::icon(const TableViewItem::Ptr& entry, std::optional<bool> large) {
    if (!entry) return nullptr;
    if (!entry->isReachable()) return customIconUnkownObject();
    const std::string path = entry->path();
    if (entry->itemType() == ListviewItemType::url) {
        const std::string lowered = platform::text::lowercased(path);
        std::shared_ptr<platform::Image> image = customIconDefaultURL();
        for (const auto& [prefix, imageName] : customURLIcons_) {
            if (lowered.rfind(prefix, 0) == 0) {
                image = platform::Image::imageNamed(imageName);
                break;
            }
        }
        if (image) return image;
    }
    if (entry->itemType() == ListviewItemType::tag) {
        const auto tag = TagManager::shared()->allAvailableTags()->firstWhere(
            [&](const std::shared_ptr<iconTag>& t) { return t && t->tagName() == path; });
        if (!tag) {
            if (auto folder = platform::Image::imageNamed(TagManager::defaultFolder)) return folder;
        } else {
            const std::string symbol = (*tag)->tagSymbol().empty() ? TagManager::defaultTag : (*tag)->tagSymbol();
            if (auto image = platform::Image::imageNamed(symbol)) {
                auto symbolImage = tinted(image, (*tag)->color());
                symbolImage->setName(image->name());
                return symbolImage;
            }
        }
    }
    const platform::URL url = platform::URL::fileURL(path);
    if (const auto object = cachedObject(url)) {
        object->refresh();
        return object->image(large);
    }
    if (const auto object = addObject(url)) return object->image(large);
    return customIconUnkownObject();
}

std::shared_ptr<IconCacheObject> IconCache::cachedObject(const platform::URL& url) const {
    return queue_->syncValue([&]() -> std::shared_ptr<IconCacheObject> {
        auto it = cache_.find(url.string());
        return it == cache_.end() ? nullptr : it->second;
    });
}

std::shared_ptr<IconCacheObject> IconCache::addObject(const platform::URL& url) {
    if (cachedObject(url)) return nullptr;
    auto object = IconCacheObject::make(url);
    if (!object) return nullptr;
    log(LogCategory::iconCache, LogLevel::Info, "Added to IconCache: %{public}@", url.path());
    queue_->asyncBarrier([weak = weak_from_this(), key = url.string(), object] {
        if (auto self = weak.lock()) self->cache_.emplace(key, object);
    });
    return object;
}

void IconCache::removeAllObjects() {
    queue_->asyncBarrier([weak = weak_from_this()] {
        if (auto self = weak.lock()) self->cache_.clear();
    });
}

void IconCache::dataStorageRebuildIsFinished() {
    const auto now = platform::dispatch::clock::now();
    if (lastCacheRebuild_ == platform::dispatch::TimePoint::min() ||
        now - lastCacheRebuild_ > platform::dispatch::seconds(verificationInterval)) {
        log(LogCategory::iconCache, LogLevel::Default, "Start building/verifying the icon-cache");
        verify();
        lastCacheRebuild_ = now;
        return;
    }
    log(LogCategory::iconCache, LogLevel::Default,
             "dataStorageRebuildIsFinished but we don't verify the cache because the last verify was less than "
             "%{public}@ seconds ago ...",
             std::string("300.0"));
}

void IconCache::verify() {
    const auto store = DataStorage::shared();
    if (store->state() != DatastorageState::idle) return;
    auto entries = std::make_shared<std::vector<std::weak_ptr<TableViewItem>>>();
    store->allData()->forEach([&](const TableViewItem::Ptr& entry) { entries->push_back(entry); });
    verifyStep(std::move(entries), 0);
}

void IconCache::verifyStep(std::shared_ptr<const std::vector<std::weak_ptr<TableViewItem>>> entries, std::size_t next) {
    if (next >= entries->size()) return;
    // One step per entry, each queued once the one before has run: what the
    // user asks for meanwhile (a hotkey shows the window) waits for one step,
    // not for thousands of them.
    platform::dispatch::Queue::main()->async([weakCache = weak_from_this(), entries, next,
                                              semaphore = rebuildSemaphore_] {
        const auto cache = weakCache.lock();
        if (!cache) return;
        if (const auto item = (*entries)[next].lock()) {
            semaphore->wait();
            if (item->isPhysicalEntry()) {
                const auto url = platform::URL::fileURL(item->path());
                if (isReachable(url)) {
                    if (const auto object = cache->cachedObject(url)) {
                        if (item->itemType() == ListviewItemType::file) object->refresh();
                    } else {
                        cache->addObject(url);
                    }
                }
            }
            semaphore->signal();
        }
        cache->verifyStep(entries, next + 1);
    });
}

}  // namespace frelt
