#include "platform/linux/MetadataQuery.h"

#include <algorithm>
#include <utility>

#include "platform/foundation/FailureHook.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/linux/DesktopEntryCrawler.h"
#include "platform/linux/InotifyWatch.h"

namespace platform {

std::optional<Value> MetadataItem::valueForAttribute(const std::string& key) const {
    auto it = attributes_.find(key);
    if (it == attributes_.end()) return std::nullopt;
    return it->second;
}

std::shared_ptr<MetadataQuery> MetadataQuery::make() { return std::make_shared<MetadataQuery>(Private{}); }

MetadataQuery::MetadataQuery(Private)
    : crawler_(std::make_shared<DesktopEntryCrawler>()),
      crawlQueue_(dispatch::Queue::makeSerial("org.frelt.metadataQuery")) {}

MetadataQuery::~MetadataQuery() {
    if (batchTimer_) batchTimer_->invalidate();
}

bool MetadataQuery::startQuery() {
    assertMainThread("MetadataQuery::startQuery");
    if (started_ || !predicate_) return false;
    started_ = true;
    gathering_ = true;
    const std::uint64_t generation = ++generation_;
    // Told after the caller has seen the start succeed, as the platform's
    // query tells it from the run loop.
    dispatch::Queue::main()->async([weak = weak_from_this(), generation] {
        if (auto self = weak.lock(); self && self->generation_ == generation)
            self->post(metadataquerynotification::didStartGathering);
    });
    crawl(true);
    return true;
}

void MetadataQuery::stopQuery() {
    assertMainThread("MetadataQuery::stopQuery");
    started_ = false;
    gathering_ = false;
    crawlInFlight_ = false;
    changesPending_ = false;
    ++generation_;
    if (batchTimer_) batchTimer_->invalidate();
    batchTimer_.reset();
    watch_.reset();
}

void MetadataQuery::enableUpdates() {
    updatesEnabled_ = true;
    if (changesPending_) foldersChanged();
}

void MetadataQuery::disableUpdates() { updatesEnabled_ = false; }

std::shared_ptr<MetadataItem> MetadataQuery::resultAtIndex(std::size_t index) const {
    return index < results_.size() ? results_[index] : nullptr;
}

void MetadataQuery::enumerateResults(
    const std::function<void(const std::shared_ptr<MetadataItem>&, std::size_t)>& body) const {
    const auto results = results_;  // the body may change the query
    for (std::size_t i = 0; i < results.size(); ++i) body(results[i], i);
}

std::vector<std::string> MetadataQuery::watchedFolders() const {
    return watch_ ? watch_->folders() : std::vector<std::string>{};
}

void MetadataQuery::post(const std::string& name) {
    NotificationCenter::defaultCenter().post(name, shared_from_this());
}

namespace {

bool sameResults(const std::vector<std::shared_ptr<MetadataItem>>& a,
                 const std::vector<std::shared_ptr<MetadataItem>>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && a[i]->attributes() != b[i]->attributes()) return false;
    return true;
}

}  // namespace

void MetadataQuery::crawl(bool gathering) {
    crawlInFlight_ = true;
    changesPending_ = false;
    // The results are compared with the crawl's on the worker: with
    // thousands of applications that comparison, and freeing the results
    // it replaces, would hold the main thread for longer than a frame.
    crawlQueue_->async([weak = weak_from_this(), crawler = crawler_, scopes = searchScopes_, predicate = *predicate_,
                        generation = generation_, gathering, before = results_]() mutable {
        auto found = crawler->crawl(scopes);
        std::vector<std::shared_ptr<MetadataItem>> items;
        items.reserve(found.applications.size());
        for (const auto& entry : found.applications) {
            auto item = std::make_shared<MetadataItem>(ValueDictionary{
                {metadataattribute::path, Value(entry.path)},
                {metadataattribute::displayName, Value(entry.name)},
                {metadataattribute::contentType, Value(std::string(metadataattribute::applicationContentType))},
            });
            if (predicate.evaluate(*item)) items.push_back(std::move(item));
        }
        const bool same = sameResults(before, items);
        dispatch::Queue::main()->async([weak, gathering, generation, items = std::move(items), same,
                                        before = std::move(before), folders = std::move(found.folders)]() mutable {
            if (auto self = weak.lock())
                self->apply(gathering, generation, std::move(items), same, std::move(before), std::move(folders));
        });
    });
}

void MetadataQuery::apply(bool gathering, std::uint64_t generation, std::vector<std::shared_ptr<MetadataItem>> items,
                          bool sameAsBefore, std::vector<std::shared_ptr<MetadataItem>> before,
                          std::vector<std::string> folders) {
    // The results replaced here, and the crawl's copy of them, are freed on
    // the crawl queue: thousands of items would hold the main thread.
    struct OffMain {
        std::shared_ptr<dispatch::Queue> queue;
        std::vector<std::vector<std::shared_ptr<MetadataItem>>> lists;
        ~OffMain() {
            queue->async([lists = std::move(lists)]() mutable { lists.clear(); });
        }
    } released{crawlQueue_, {}};
    // The answer of the worker holds while the results are still the ones it compared with.
    const bool unchangedSinceCrawl =
        before.size() == results_.size() && std::equal(before.begin(), before.end(), results_.begin());
    released.lists.push_back(std::move(before));
    if (generation != generation_ || !started_) {  // stopped meanwhile
        released.lists.push_back(std::move(items));
        return;
    }
    crawlInFlight_ = false;
    if (!watch_) watch_ = InotifyWatch::make([this] { foldersChanged(); });
    bool newFolders = false;
    if (watch_) {
        const auto watched = watch_->folders();
        for (const auto& f : folders)
            if (std::find(watched.begin(), watched.end(), f) == watched.end()) newFolders = true;
        watch_->setFolders(folders);
    }
    if (gathering) {
        released.lists.push_back(std::exchange(results_, std::move(items)));
        post(metadataquerynotification::gatheringProgress);
        if (generation != generation_) return;
        gathering_ = false;
        post(metadataquerynotification::didFinishGathering);
    } else if (!(unchangedSinceCrawl ? sameAsBefore : sameResults(results_, items))) {
        released.lists.push_back(std::exchange(results_, std::move(items)));
        post(metadataquerynotification::didUpdate);
    } else {
        released.lists.push_back(std::move(items));
    }
    if (generation != generation_) return;
    // Files made in a new folder before its watch began were not seen: look
    // once more. Changes that came in during the crawl are looked at too.
    if (newFolders && !gathering) changesPending_ = true;
    if (changesPending_) foldersChanged();
}

void MetadataQuery::foldersChanged() {
    if (!started_) return;
    changesPending_ = true;
    if (!updatesEnabled_ || crawlInFlight_ || batchTimer_) return;
    batchTimer_ = Timer::make(dispatch::seconds(batchingInterval_), false, [weak = weak_from_this()](Timer&) {
        auto self = weak.lock();
        if (!self) return;
        self->batchTimer_.reset();
        if (self->started_ && self->updatesEnabled_ && self->changesPending_ && !self->crawlInFlight_) self->crawl(false);
    });
    RunLoop::main().addTimer(batchTimer_, RunLoopMode::common);
}

}  // namespace platform
