#include "sources/discovery/SpotlightQueryCore.h"

#include <unordered_set>

#include "platform/foundation/URL.h"
#include "sources/FileHelpers.h"

namespace frelt {

std::string SpotlightResult::description() const {
    return path.value_or("nil") + " - " + displayname.value_or("nil");
}

std::size_t hashOfResult(const std::optional<std::string>& path, const std::optional<std::string>& displayname) {
    const std::hash<std::string> h;
    const std::size_t a = path ? h(*path) : 0x9e3779b9u;
    const std::size_t b = displayname ? h(*displayname) : 0x7f4a7c15u;
    return a ^ (b + 0x9e3779b97f4a7c15ull + (a << 6) + (a >> 2));
}

namespace metadataitem {

std::optional<std::string> stringValue(const platform::MetadataItem& item, const std::string& attribute) {
    const auto value = item.valueForAttribute(attribute);
    if (!value) return std::nullopt;
    if (const auto* text = value->asString()) return *text;
    return std::nullopt;
}

std::optional<std::string> itemPath(const platform::MetadataItem& item) {
    return stringValue(item, platform::metadataattribute::path);
}

std::optional<std::string> itemDisplayName(const platform::MetadataItem& item) {
    return stringValue(item, platform::metadataattribute::displayName);
}

std::optional<platform::Date> itemLastUsedDate(const platform::MetadataItem& item) {
    const auto value = item.valueForAttribute(platform::metadataattribute::lastUsedDate);
    if (!value) return std::nullopt;
    if (const auto* date = value->asDate()) return *date;
    return std::nullopt;
}

bool isEqual(const std::shared_ptr<platform::MetadataItem>& a, const std::shared_ptr<platform::MetadataItem>& b) {
    if (!a || !b) return false;
    const auto pathA = itemPath(*a), pathB = itemPath(*b);
    const auto nameA = itemDisplayName(*a), nameB = itemDisplayName(*b);
    if (!pathA || !pathB || !nameA || !nameB) return false;
    return *nameA == *nameB && *pathA == *pathB;
}

}  // namespace metadataitem

SpotlightQueryCore::SpotlightQueryCore()
    : metadataQuery(platform::MetadataQuery::make()),
      spotlightQueryCoreSandboxAccess(std::make_shared<SpotlightQueryCoreSandboxAccess>()),
      processingQueue_(platform::dispatch::Queue::makeSerial("org.frelt.spotlightQuery.processing")),
      processedComplete_(std::make_shared<std::vector<SpotlightResult>>()),
      alive_(std::make_shared<const bool>(true)) {
    registerObservers();
}

SpotlightQueryCore::~SpotlightQueryCore() {
    alive_.reset();
    observers_.clear();
    metadataQuery->stopQuery();
}

void SpotlightQueryCore::registerObservers() {
    auto& center = platform::NotificationCenter::defaultCenter();
    const void* query = metadataQuery.get();
    // The observations end with this object (observers_ goes first).
    observers_.push_back(center.observe(platform::metadataquerynotification::didStartGathering, query,
                                        [this](const platform::Notification& n) { onQueryDidStartGatheringWith(n); }));
    observers_.push_back(center.observe(platform::metadataquerynotification::didFinishGathering, query,
                                        [this](const platform::Notification& n) { onQueryDidFinishGatheringWith(n); }));
    observers_.push_back(center.observe(platform::metadataquerynotification::gatheringProgress, query,
                                        [this](const platform::Notification& n) { onQueryGatheringProgressWith(n); }));
    observers_.push_back(center.observe(platform::metadataquerynotification::didUpdate, query,
                                        [this](const platform::Notification& n) { onQueryDidUpdateWith(n); }));
}

void SpotlightQueryCore::onQueryDidStartGatheringWith(const platform::Notification&) {
    state = SpotlightQueryState::beginGathering;
}

void SpotlightQueryCore::onQueryGatheringProgressWith(const platform::Notification&) {
    state = SpotlightQueryState::progressGathering;
}

void SpotlightQueryCore::onQueryDidFinishGatheringWith(const platform::Notification&) {
    processResults([this] { state = SpotlightQueryState::finishedGathering; });
}

void SpotlightQueryCore::onQueryDidUpdateWith(const platform::Notification&) {
    state = SpotlightQueryState::beginUpdate;
    processResults([this] { state = SpotlightQueryState::finishedUpdate; });
}

int SpotlightQueryCore::runQuery() {
    if (!metadataQuery->predicate()) {
        state = SpotlightQueryState::stopped;
        return runQueryNoPredicate;
    }
    if (metadataQuery->isGathering()) return runQueryAlreadyGathering;
    metadataQuery->enableUpdates();
    if (metadataQuery->startQuery()) {
        state = SpotlightQueryState::startet;
        return runQueryStarted;
    }
    state = SpotlightQueryState::failedToStart;
    return runQueryFailedToStart;
}

void SpotlightQueryCore::processResults(std::function<void()> then) {
    resultState = SpotlightQueryResultState::beginProcessing;
    processingQueue_->async([items = metadataQuery->results(), onlyValid = processOnlyValidFSPaths,
                             processed = processedComplete_, alive = std::weak_ptr<const bool>(alive_), this,
                             then = std::move(then)]() mutable {
        Lists lists = process(items, *processed, onlyValid);
        *processed = lists.complete;
        // The items go here, on the worker, not on the main thread.
        items.clear();
        platform::dispatch::Queue::main()->async(
            [lists = std::move(lists), alive = std::move(alive), this, then = std::move(then)]() mutable {
                // Checked on the main thread, where this object is destroyed.
                if (alive.expired()) return;
                publish(std::move(lists));
                if (then) then();
            });
    });
}

SpotlightQueryCore::Lists SpotlightQueryCore::process(const std::vector<std::shared_ptr<platform::MetadataItem>>& items,
                                                      const std::vector<SpotlightResult>& previousList,
                                                      bool onlyValidFSPaths) {
    Lists lists;
    std::unordered_set<SpotlightResult> seen;
    for (const auto& item : items) {
        if (!item) continue;
        if (onlyValidFSPaths) {
            const auto path = metadataitem::stringValue(*item, platform::metadataattribute::path);
            if (!path || path->empty()) continue;
        }
        SpotlightResult result{metadataitem::itemPath(*item), metadataitem::itemDisplayName(*item),
                               metadataitem::itemLastUsedDate(*item)};
        // Equal results: the first in the query's order stays.
        if (seen.insert(result).second) lists.complete.push_back(std::move(result));
    }
    const std::unordered_set<SpotlightResult> previous(previousList.begin(), previousList.end());
    for (const auto& r : lists.complete) (previous.count(r) ? lists.unchanged : lists.added).push_back(r);
    for (const auto& r : previousList)
        if (!seen.count(r)) lists.removed.push_back(r);
    return lists;
}

void SpotlightQueryCore::publish(Lists lists) {
    const std::shared_ptr<ResultArray> previous[] = {queryResultsUnchanged.value(), queryResultsAdded.value(),
                                                     queryResultsRemoved.value(), queryResultsComplete.value()};
    queryResultsUnchanged = ResultArray::create(std::move(lists.unchanged));
    queryResultsAdded = ResultArray::create(std::move(lists.added));
    queryResultsRemoved = ResultArray::create(std::move(lists.removed));
    queryResultsComplete = ResultArray::create(std::move(lists.complete));
    resultState = SpotlightQueryResultState::finishedProcessing;
    for (const auto& list : previous) releaseOffMainThread(list);
}

void SpotlightQueryCore::releaseOffMainThread(std::shared_ptr<const void> value) {
    if (!value) return;
    platform::dispatch::Queue::global()->async([value = std::move(value)]() mutable { value.reset(); });
}

void SpotlightQueryCore::setSearchScopes(std::vector<std::string> scopes) {
    searchScopes_ = std::move(scopes);
    updateScopes();
}

void SpotlightQueryCore::appendSearchScopes(const std::vector<std::string>& scopes) {
    searchScopes_.insert(searchScopes_.end(), scopes.begin(), scopes.end());
    updateScopes();
}

void SpotlightQueryCore::updateScopes() {
    if (metadataQuery->isStarted()) metadataQuery->stopQuery();
    metadataQuery->setSearchScopes({});
    spotlightQueryCoreSandboxAccess->endAllScopeAccess();
    for (const auto& path : searchScopes_) {
        const auto url = platform::URL::fileURL(path, true);
        // A folder that is not there yet is still searched once it appears
        // (the query watches for it); access is begun for what exists.
        if (isReachable(url)) spotlightQueryCoreSandboxAccess->beginScopeAccess(url);
        auto scopes = metadataQuery->searchScopes();
        scopes.push_back(path);
        metadataQuery->setSearchScopes(std::move(scopes));
    }
}

void SpotlightQueryCore::setQuery(std::optional<platform::Predicate> predicate) {
    query_ = predicate;
    if (metadataQuery->isStarted()) metadataQuery->stopQuery();
    metadataQuery->setPredicate(std::move(predicate));
}

}  // namespace frelt
