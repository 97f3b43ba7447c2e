#include "sources/discovery/ProxySpotlightQueryFS.h"

#include <algorithm>
#include <ctime>

#include "app/AppDelegate.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Text.h"
#include "store/DataStorage.h"
#include "store/LogFormat.h"
#include "store/Logging.h"
#include "store/RemovingDuplicates.h"
#include "store/StoreConstants.h"
#include "sources/FileHelpers.h"

namespace frelt {

namespace {

template <class... Args>
void logProxy(LogLevel level, std::string_view format, const Args&... args) {
    log(LogCategory::spotlightProxyFS, level, format, args...);
}

// "2024-05-01 12:00:00 +0000", the standard text form of a date in the log.
std::string dateText(const platform::Date& date) {
    const std::time_t seconds = static_cast<std::time_t>(date.unixTime());
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char buffer[40];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &tm);
    return buffer;
}

std::string resultDescription(const SpotlightFSResult& r) {
    return r.path.value_or("") + " - LastUsed: " + (r.lastUsedDate ? dateText(*r.lastUsedDate) : std::string("none"));
}

}  // namespace

ProxySpotlightQueryFS::ProxySpotlightQueryFS() : spotlightQuery_(std::make_shared<SpotlightQueryFS>()) {
    spotlightQuery_->setQuery(platform::Predicate::make(applicationPredicate));
}

ProxySpotlightQueryFS::~ProxySpotlightQueryFS() {
    spotlightQueryCompleteSubscriber_.cancel();
    spotlightQueryAddedSubscriber_.cancel();
    spotlightQueryRemovedSubscriber_.cancel();
    rebuildFinishedObservation_.cancel();
}

void ProxySpotlightQueryFS::setup() {
    const auto config = AppDelegate::shared()->config;
    std::vector<std::string> scopes = searchScopes_;
    // The desktop's applications folders in their shadowing order, also
    // those that do not exist yet: they are searched once they appear.
    for (const auto& folder : platform::Paths::applicationFolders()) scopes.push_back(folder.string());
    const auto& defaults = config->spotlightDefaultSearchScope();
    scopes.insert(scopes.end(), defaults.begin(), defaults.end());
    scopes.insert(scopes.end(), config->customSpotlightSearchScope.begin(), config->customSpotlightSearchScope.end());
    searchScopes_ = removingDuplicates(scopes);

    spotlightQuery_->setSearchScopes({});
    spotlightQuery_->appendSearchScopes(searchScopes_);

    if (spotlightQuery_->metadataQuery->searchScopes().empty() || !spotlightQuery_->query()) return;
    // The subscriptions end with the proxy (its destructor ends them first).
    spotlightQueryAddedSubscriber_ = spotlightQuery_->spotlightResultsAdded.subscribe(
        [this](const std::shared_ptr<FSResultArray>& list) { addedListReceived(list); });
    spotlightQueryRemovedSubscriber_ = spotlightQuery_->spotlightResultsRemoved.subscribe(
        [this](const std::shared_ptr<FSResultArray>& list) { removedListReceived(list); });
    spotlightQueryCompleteSubscriber_ = spotlightQuery_->spotlightResultsComplete.subscribe(
        [this](const std::shared_ptr<FSResultArray>& list) { completeListReceived(list); });
    rebuildFinishedObservation_ = platform::NotificationCenter::defaultCenter().observe(
        Notifications::dataStorageRebuildIsFinished, nullptr, [this](const platform::Notification&) { applyPending(); });
    initialized_ = true;
}

void ProxySpotlightQueryFS::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    std::string message;
    if (!enabled) {
        spotlightQuery_->metadataQuery->disableUpdates();
        spotlightQuery_->metadataQuery->stopQuery();
        spotlightQuery_->state = SpotlightQueryState::stopped;
        message = "Query stopped";
    } else {
        switch (spotlightQuery_->runQuery()) {
        case SpotlightQueryCore::runQueryStarted: message = "Query successful started"; break;
        case SpotlightQueryCore::runQueryFailedToStart: message = "metadataQuery failed to start"; break;
        case SpotlightQueryCore::runQueryAlreadyGathering:
            message = "Failed to start because query is already gathering data";
            break;
        default: message = "Failed to start because there's no vaild predicate"; break;
        }
    }
    logProxy(LogLevel::Info, "Proxy: SpotlightQuery state: %{public}@", message);
}

void ProxySpotlightQueryFS::completeListReceived(const std::shared_ptr<FSResultArray>& results) {
    spotlightResultComplete_.clear();
    const auto store = DataStorage::shared();
    store->allData()->forEach([](const TableViewItem::Ptr& entry) {
        if (entry) entry->setIsFoundBySpotlight(false);
    });
    for (const auto& r : *results->snapshot()) {
        if (!r.path) continue;
        if (!r.path->empty()) {
            if (const auto entry = store->entryWithPath(*r.path)) {
                entry->setIsFoundBySpotlight(true);
                entry->setItemSource(ListviewItemSource::spotlight);
            }
        }
        spotlightResultComplete_.push_back(*r.path);
    }
    std::sort(spotlightResultComplete_.begin(), spotlightResultComplete_.end());
}

void ProxySpotlightQueryFS::keepUntilIdle(bool added, const std::shared_ptr<FSResultArray>& results) {
    pending_.push_back({added, results});
}

void ProxySpotlightQueryFS::applyPending() {
    if (pending_.empty() || DataStorage::shared()->state() != DatastorageState::idle) return;
    auto pending = std::exchange(pending_, {});
    bool changed = false;
    for (const auto& p : pending) changed = (p.added ? applyAdded(p.results) : applyRemoved(p.results)) || changed;
    if (changed) DataStorage::shared()->databaseUpdateFinished();
}

void ProxySpotlightQueryFS::addKnownApplications() {
    const auto known = spotlightQuery_->spotlightResultsComplete.value();
    if (!known || known->isEmpty()) return;
    logProxy(LogLevel::Info, "Spotlight-Results applied again: %{public}@ Items", known->count());
    applyAdded(known);
}

void ProxySpotlightQueryFS::addedListReceived(const std::shared_ptr<FSResultArray>& results) {
    listReceived(true, results);
}

void ProxySpotlightQueryFS::removedListReceived(const std::shared_ptr<FSResultArray>& results) {
    listReceived(false, results);
}

void ProxySpotlightQueryFS::listReceived(bool added, const std::shared_ptr<FSResultArray>& results) {
    if (results->isEmpty()) {
        logProxy(LogLevel::Info, added ? "Spotlight-Results processed - No newItems found"
                                       : "Spotlight-Results processed - No Items to remove");
        return;
    }
    if (DataStorage::shared()->state() != DatastorageState::idle) {
        logProxy(LogLevel::Fault, added ? "Unable to add items - Database was not idle!"
                                        : "Unable to remove items - Database was not idle!");
        keepUntilIdle(added, results);
        return;
    }
    // Lists kept earlier come first, so an application's removal and its
    // return stay in order.
    applyPending();
    if (added ? applyAdded(results) : applyRemoved(results)) {
        logProxy(LogLevel::Info, added ? "Spotlight-Results processed - Items added. Begin Database-Update"
                                       : "Spotlight-Results processed - Items removed. Begin Database-Update");
        DataStorage::shared()->databaseUpdateFinished();
    } else {
        logProxy(LogLevel::Info, added ? "Spotlight-Results processed - No new Items found"
                                       : "Spotlight-Results processed - No Items to remove");
    }
}

bool ProxySpotlightQueryFS::applyAdded(const std::shared_ptr<FSResultArray>& results) {
    const auto store = DataStorage::shared();
    std::size_t processed = 0;
    const auto update = [](const TableViewItem::Ptr& entry, const SpotlightFSResult& r) {
        entry->setIsFoundBySpotlight(true);
        entry->setItemSource(ListviewItemSource::spotlight);
        // Announces the change only when the name differs.
        entry->setName(*r.displayname);
        if (r.lastUsedDate) entry->setLastUsedDate(r.lastUsedDate);
    };
    // New entries go in with one write, after the walk, in the list's order.
    std::vector<TableViewItem::Ptr> fresh;
    for (const auto& r : *results->snapshot()) {
        if (!r.path || !r.displayname) continue;
        const std::string description = resultDescription(r);
        const auto existing = r.path->empty() ? nullptr : store->entryWithPath(*r.path);
        if (existing) {
            logProxy(LogLevel::Info, "Available in Database, will be set to verified: %{public}@", description);
            update(existing, r);
        } else {
            logProxy(LogLevel::Default, "Not available in Database, will be added: %{public}@", description);
            if (const auto restored = store->restoreFromTrash(*r.path)) {
                update(restored, r);
            } else {
                const auto entry = TableViewItem::initForSpotlightApp(*r.path, *r.displayname);
                entry->setIsFoundBySpotlight(true);
                entry->setItemSource(ListviewItemSource::spotlight);
                if (r.lastUsedDate) entry->setLastUsedDate(r.lastUsedDate);
                fresh.push_back(entry);
            }
        }
        ++processed;
    }
    store->addToAllData(fresh);
    return processed > 0;
}

bool ProxySpotlightQueryFS::applyRemoved(const std::shared_ptr<FSResultArray>& results) {
    const auto store = DataStorage::shared();
    std::size_t removed = 0;
    for (const auto& r : *results->snapshot()) {
        if (!r.path) continue;
        // The search is the authority on which desktop entries are listed: an
        // entry it no longer reports goes even when its file is still there
        // (shadowed by an entry of the same id, hidden, not for this desktop,
        // its program not installed). It comes back from the trash, with its
        // data, when it is listed again.
        log(LogCategory::dataStorage, LogLevel::Default, "Remove - Name: %{public}@", *r.path);
        store->removeFromAllData(*r.path, false);
        ++removed;
    }
    return removed > 0;
}

}  // namespace frelt
