#include "sources/discovery/ProxySpotlightQueryFS.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "app/AppDelegate.h"
#include "platform/dispatch/Dispatch.h"
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

const std::vector<std::string>& ProxySpotlightQueryFS::spotlightResultComplete() const {
    if (!spotlightResultComplete_) {
        std::vector<std::string> paths;
        if (complete_)
            for (const auto& r : *complete_)
                if (r.path) paths.push_back(*r.path);
        std::sort(paths.begin(), paths.end());
        spotlightResultComplete_ = std::move(paths);
    }
    return *spotlightResultComplete_;
}

void ProxySpotlightQueryFS::completeListReceived(const std::shared_ptr<FSResultArray>& results) {
    work_.push_back(Job{Job::Kind::complete, results->snapshot()});
    work();
}

void ProxySpotlightQueryFS::markFound(Job& job, std::size_t to) {
    const auto store = DataStorage::shared();
    for (; job.next < to; ++job.next) {
        const auto& r = (*job.results)[job.next];
        if (!r.path || r.path->empty()) continue;
        if (const auto entry = store->entryWithPath(*r.path)) {
            entry->setIsFoundBySpotlight(true);
            entry->setItemSource(ListviewItemSource::spotlight);
            job.found.insert(entry);
        }
    }
}

void ProxySpotlightQueryFS::keepUntilIdle(bool added, const std::shared_ptr<FSResultArray>& results) {
    pending_.push_back({added, results});
}

void ProxySpotlightQueryFS::applyPending() {
    if (pending_.empty() || DataStorage::shared()->state() != DatastorageState::idle) return;
    // The group announces itself once, after its last list, if any applied something.
    const auto changed = std::make_shared<bool>(false);
    for (const auto& p : std::exchange(pending_, {})) {
        Job job{p.added ? Job::Kind::added : Job::Kind::removed, p.results->snapshot()};
        job.changed = changed;
        work_.push_back(std::move(job));
    }
    Job end{Job::Kind::pendingApplied, nullptr};
    end.changed = changed;
    work_.push_back(std::move(end));
    work();
}

void ProxySpotlightQueryFS::addKnownApplications() {
    const auto known = spotlightQuery_->spotlightResultsComplete.value();
    if (!known || known->isEmpty()) return;
    logProxy(LogLevel::Info, "Spotlight-Results applied again: %{public}@ Items", known->count());
    const auto results = known->snapshot();
    applyAdded(results, 0, results->size());
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
    Job job{added ? Job::Kind::added : Job::Kind::removed, results->snapshot()};
    job.announce = true;
    work_.push_back(std::move(job));
    work();
}

namespace {

// Work of one turn of the main queue: well within a frame, leaving room for
// what else the turn runs.
constexpr auto turnBudget = std::chrono::milliseconds(4);
// Results applied between looks at the clock; a list this short is applied
// whole, at once.
constexpr std::size_t sliceSize = 64;

}  // namespace

void ProxySpotlightQueryFS::work() {
    // Applying a list can announce it, which can rebuild the store, which
    // can hand over kept lists: those join the queue, and this loop applies
    // them. A list that comes while a turn is queued waits for that turn:
    // the lists of one update would otherwise take a turn's time each.
    if (working_ || workQueued_) return;
    working_ = true;
    const auto deadline = std::chrono::steady_clock::now() + turnBudget;
    while (!work_.empty()) {
        if (!step(work_.front())) {
            if (std::chrono::steady_clock::now() < deadline) continue;
            break;
        }
        Job done = std::move(work_.front());
        work_.pop_front();
        finish(done);
        SpotlightQueryCore::releaseOffMainThread(std::move(done.results));
        if (std::chrono::steady_clock::now() >= deadline) break;
    }
    working_ = false;
    if (work_.empty() || workQueued_) return;
    workQueued_ = true;
    platform::dispatch::Queue::main()->async([this, alive = std::weak_ptr<const bool>(alive_)] {
        // Checked on the main thread, where this object is destroyed.
        if (alive.expired()) return;
        workQueued_ = false;
        work();
    });
}

bool ProxySpotlightQueryFS::step(Job& job) {
    if (job.kind == Job::Kind::pendingApplied) return true;
    const std::size_t size = job.results->size();
    const std::size_t to = std::min(size, job.next + sliceSize);
    switch (job.kind) {
    case Job::Kind::complete: markFound(job, to); break;
    case Job::Kind::added:
        if (applyAdded(job.results, job.next, to)) *job.changed = true;
        job.next = to;
        break;
    case Job::Kind::removed:
        if (applyRemoved(job.results, job.next, to)) *job.changed = true;
        job.next = to;
        break;
    case Job::Kind::pendingApplied: break;
    }
    return job.next >= size;
}

void ProxySpotlightQueryFS::finish(const Job& job) {
    switch (job.kind) {
    case Job::Kind::complete:
        // Only what the list found counts as found; everything else, also
        // an entry sharing a found entry's path, is not.
        DataStorage::shared()->allData()->forEach([&](const TableViewItem::Ptr& entry) {
            if (entry && !job.found.count(entry)) entry->setIsFoundBySpotlight(false);
        });
        SpotlightQueryCore::releaseOffMainThread(std::exchange(complete_, job.results));
        spotlightResultComplete_.reset();
        return;
    case Job::Kind::pendingApplied:
        if (*job.changed) DataStorage::shared()->databaseUpdateFinished();
        return;
    case Job::Kind::added:
    case Job::Kind::removed: break;
    }
    if (!job.announce) return;
    const bool added = job.kind == Job::Kind::added;
    if (*job.changed) {
        logProxy(LogLevel::Info, added ? "Spotlight-Results processed - Items added. Begin Database-Update"
                                       : "Spotlight-Results processed - Items removed. Begin Database-Update");
        DataStorage::shared()->databaseUpdateFinished();
    } else {
        logProxy(LogLevel::Info, added ? "Spotlight-Results processed - No new Items found"
                                       : "Spotlight-Results processed - No Items to remove");
    }
}

bool ProxySpotlightQueryFS::applyAdded(const Results& results, std::size_t from, std::size_t to) {
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
    for (std::size_t i = from; i < to; ++i) {
        const auto& r = (*results)[i];
        if (!r.path || !r.displayname) continue;
        const auto existing = r.path->empty() ? nullptr : store->entryWithPath(*r.path);
        if (existing) {
            FRELT_LOG(spotlightProxyFS, Info, "Available in Database, will be set to verified: %{public}@",
                      resultDescription(r));
            update(existing, r);
        } else {
            FRELT_LOG(spotlightProxyFS, Default, "Not available in Database, will be added: %{public}@",
                      resultDescription(r));
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

bool ProxySpotlightQueryFS::applyRemoved(const Results& results, std::size_t from, std::size_t to) {
    std::vector<std::string> paths;
    for (std::size_t i = from; i < to; ++i) {
        const auto& r = (*results)[i];
        if (!r.path) continue;
        // The search is the authority on which desktop entries are listed: an
        // entry it no longer reports goes even when its file is still there
        // (shadowed by an entry of the same id, hidden, not for this desktop,
        // its program not installed). It comes back from the trash, with its
        // data, when it is listed again.
        log(LogCategory::dataStorage, LogLevel::Default, "Remove - Name: %{public}@", *r.path);
        paths.push_back(*r.path);
    }
    DataStorage::shared()->removeFromAllData(paths, false);
    return !paths.empty();
}

}  // namespace frelt
