#include "store/DataStorage.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "app/AppDelegate.h"
#include "app/FirstRunConfig.h"
#include "platform/appkit/Alert.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Predicate.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"
#include "sources/discovery/ProxyLastUsedApps.h"
#include "sources/discovery/ProxySpotlightQueryFS.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "store/DataStorageFilterConfigData.h"
#include "store/DataStorageFilterCurrentData.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/ProxyTags.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

void post(const char* name) { platform::NotificationCenter::defaultCenter().post(name); }

// `key` is a path in the form of TableViewItem::pathKey().
bool hasPath(const TableViewItem& entry, const std::string& key) { return entry.pathLowercased() == key; }

}  // namespace

void releaseOnWorkerPool(std::shared_ptr<const void> list) {
    if (!list) return;
    platform::dispatch::Queue::global()->async([list = std::move(list)]() mutable { list.reset(); });
}

std::shared_ptr<DataStorage> DataStorage::shared() {
    return platform::singleInstance<DataStorage>([] { return std::make_shared<DataStorage>(Private{}); });
}

DataStorage::DataStorage(Private)
    : proxySpotlightQueryFSAllApps_(std::make_shared<ProxySpotlightQueryFS>()),
      proxyLastUsedApps_(std::make_shared<ProxyLastUsedApps>()),
      proxyTags_(std::make_shared<ProxyTags>()),
      filterCurrentData_(std::make_shared<DataStorageFilterCurrentData>()),
      filterConfigData_(std::make_shared<DataStorageFilterConfigData>()),
      filesystemHandler_(std::make_shared<DatastorageHandlerFilesystemObjects>()),
      URLHandler_(std::make_shared<DatastorageHandlerURLObjects>()),
      allData_(EntryArray::create()),
      currentDataConfig_(EntryArray::create()),
      currentData_(EntryArray::create()) {}

DataStorage::~DataStorage() {
    if (rebuildDataTimer_) rebuildDataTimer_->invalidate();
}

// ---- State --------------------------------------------------------------------------------------

void DataStorage::setState(DatastorageState state) {
    state_.store(state);
    log(LogCategory::dataStorage, LogLevel::Default, "changed State of DataStorage to: %{public}@",
        std::string(rawValue(state)));
}

// ---- Lists and their observers ------------------------------------------------------------------

std::shared_ptr<DataStorage::EntryArray> DataStorage::currentData() const {
    std::lock_guard lock(listsMutex_);
    return currentData_;
}

std::shared_ptr<DataStorage::EntryArray> DataStorage::currentDataConfig() const {
    std::lock_guard lock(listsMutex_);
    return currentDataConfig_;
}

void DataStorage::setCurrentData(std::shared_ptr<EntryArray> list) {
    if (!list) list = EntryArray::create();
    std::shared_ptr<EntryArray> previous;
    {
        std::lock_guard lock(listsMutex_);
        previous = std::exchange(currentData_, list);
    }
    announceListAssignment(previous, list, false);
    releaseOnWorkerPool(std::move(previous));
}

void DataStorage::setCurrentDataConfig(std::shared_ptr<EntryArray> list) {
    if (!list) list = EntryArray::create();
    std::shared_ptr<EntryArray> previous;
    {
        std::lock_guard lock(listsMutex_);
        previous = std::exchange(currentDataConfig_, list);
    }
    announceListAssignment(previous, list, true);
}

void DataStorage::announceListAssignment(const std::shared_ptr<EntryArray>& previous,
                                         const std::shared_ptr<EntryArray>& list, bool config) {
    // Entries hash by identity: the lists are the same when they hold the
    // same entry objects, whatever their order.
    const bool same = previous && previous->hasSameElements(*list);
    setState(DatastorageState::idle);
    if (config) {
        if (same) {
            log(LogCategory::dataStorage, LogLevel::Default,
                "currentDataConfig: NOT modified and same as previous value. Posting "
                "currentDataConfigNotChangedWithLastRequest");
            post(Notifications::currentDataConfigNotChangedWithLastRequest);
        } else {
            log(LogCategory::dataStorage, LogLevel::Default,
                "currentDataConfig: modified and different from previous value. Posting currentDataConfigChanged");
            post(Notifications::currentDataConfigChanged);
        }
        return;
    }
    if (same) {
        log(LogCategory::dataStorage, LogLevel::Default,
            "currentData: NOT modified and same as previous value. Posting currentDataNotChangedWithLastRequest");
        post(Notifications::currentDataNotChangedWithLastRequest);
    } else {
        log(LogCategory::dataStorage, LogLevel::Default,
            "currentData: modified and different from previous value. Posting currentDataChanged");
        post(Notifications::currentDataChanged);
    }
}

// ---- Proxies --------------------------------------------------------------------------------------

void DataStorage::setEnableDataProxies(bool enabled) {
    enableDataProxies_ = enabled;
    applyProxiesSwitch();
}

void DataStorage::applyProxiesSwitch() {
    if (!proxySpotlightQueryFSAllApps_->initialized()) proxySpotlightQueryFSAllApps_->setup();
    if (!proxyTags_->initialized()) {
        proxyTags_->setup();
        proxyTags_->setInitialized(true);
    }
    if (!proxyLastUsedApps_->initialized()) {
        lastUsedAppsObservation_ = platform::NotificationCenter::defaultCenter().observe(
            Notifications::didLaunchApplication, nullptr,
            [weak = std::weak_ptr<ProxyLastUsedApps>(proxyLastUsedApps_)](const platform::Notification& n) {
                if (const auto proxy = weak.lock()) proxy->applicationWasLaunchedWith(n);
            });
        proxyLastUsedApps_->setInitialized(true);
    }
    proxySpotlightQueryFSAllApps_->setEnabled(enableDataProxies_);
    proxyTags_->setEnabled(enableDataProxies_);
    proxyLastUsedApps_->setEnabled(enableDataProxies_);
}

// ---- Rebuild --------------------------------------------------------------------------------------

void DataStorage::rebuildData(RebuildDataReason reason) {
    log(LogCategory::dataStorage, LogLevel::Default, "-> RebuildData - Request initiated: %{public}@",
        std::string(rawValue(reason)));
    if (AppDelegate::shared()->config->saveInProgress()) {
        log(LogCategory::dataStorage, LogLevel::Error, "RebuildData was called while save was in progress");
        return;
    }
    if (allData_->isEmpty()) {
        log(LogCategory::dataStorage, LogLevel::Error, "allData was empty!");
        currentData()->removeAll();
        return;
    }
    if (state() != DatastorageState::idle) {
        log(LogCategory::dataStorage, LogLevel::Error, "RebuildData was called while the DataStorage was not idle");
        return;
    }

    setState(DatastorageState::validateData);
    validateData();

    setState(DatastorageState::rebuildData);
    filterCurrentData_->applyFilter();
    filterConfigData_->applyFilter();

    setState(DatastorageState::idle);
    log(LogCategory::dataStorage, LogLevel::Default, "<- RebuildData");
    post(Notifications::dataStorageRebuildIsFinished);
}

void DataStorage::validateData() {
    log(LogCategory::dataStorage, LogLevel::Default, "-> start validateData");
    const auto tags = TagManager::shared();
    tags->resetTagUsage();

    const auto entries = allData_->snapshot();
    log(LogCategory::dataStorage, LogLevel::Default, "allData contains %{public}@ items",
        std::to_string(entries->size()));

    for (const TableViewItem::Ptr& entry : *entries) {
        if (!entry) continue;
        const bool reachable = entry->isReachable();
        const bool visible = entry->isVisible();
        const std::vector<std::string> names = entry->tags();

        // An application that vanished from disk goes to the trash (with its
        // hotkey, so it comes back whole); one the user added by hand stays.
        if (!reachable && entry->itemType() == ListviewItemType::application &&
            entry->itemSource() != ListviewItemSource::other) {
            if (removeFromAllData(entry->path(), false)) continue;
        }
        tags->markTagsUsed(names);
        if (visible && reachable) tags->markTagsVisible(names);
    }
    tags->finishTagCount();
    log(LogCategory::dataStorage, LogLevel::Default, "<- finished validateData");
}

void DataStorage::databaseUpdateFinished() {
    log(LogCategory::dataStorage, LogLevel::Default, "databaseUpdateFinished");
    if (firstDataCollection_) {
        rebuildData(RebuildDataReason::spotlightDatabaseFirstUpdate);
        firstDataCollection_ = false;
    } else {
        // The timer lives on the main run loop whatever thread delivered the
        // update: a background thread's run loop may never run again, and the
        // main thread is the one that fires and cancels it.
        auto arm = [weak = weak_from_this()] {
            const auto self = weak.lock();
            if (!self) return;
            if (self->rebuildDataTimer_) self->rebuildDataTimer_->invalidate();
            self->rebuildDataTimer_ = platform::Timer::make(
                platform::seconds(rebuildDataTimerInterval), false, [weak](platform::Timer&) {
                    if (const auto store = weak.lock()) store->rebuildDataWithTimer();
                });
            platform::RunLoop::main().addTimer(self->rebuildDataTimer_, platform::RunLoopMode::common);
        };
        if (platform::dispatch::isMainThread()) arm();
        else platform::dispatch::Queue::main()->async(arm);
    }

    if (!Configuration::launchedBefore() && TagManager::shared()->allAvailableTags()->isEmpty()) {
        FirstRunConfig firstRun;
        firstRun.loadPredefinedAppTags();
        firstRun.applyPredefinedAppTags();
    }
}

void DataStorage::rebuildDataWithTimer() { rebuildData(RebuildDataReason::spotlightDatabaseUpdated); }

// ---- Queries --------------------------------------------------------------------------------------

namespace {

bool inCategory(DataStorage::EntryCategory category, const TableViewItem& e) {
    switch (category) {
        case DataStorage::EntryCategory::files: return e.itemType() == ListviewItemType::file;
        case DataStorage::EntryCategory::folders: return e.itemType() == ListviewItemType::folder;
        case DataStorage::EntryCategory::favorites: return e.isFavorite();
        case DataStorage::EntryCategory::urls: return e.itemType() == ListviewItemType::url;
        case DataStorage::EntryCategory::shortcuts: return e.itemSource() == ListviewItemSource::shortcuts;
    }
    return false;
}

}  // namespace

// With `stale`, answers from the entries' reachability cache whatever their
// age and hands the entries whose answers are stale to the caller.
bool DataStorage::anyVisibleReachable(EntryCategory category, std::vector<TableViewItem::Ptr>* stale) const {
    const auto [snapshot, version] = allData_->versionedSnapshot();
    const auto& entries = *snapshot;
    // Read before the walk: a change during it leaves a start that the next
    // query makes afresh.
    const std::uint64_t generation = TableViewItem::categoryGeneration();
    // Visibility first: the reachability test may touch the disk.
    auto candidate = [&](const TableViewItem::Ptr& e) { return e && inCategory(category, *e) && e->isVisible(); };
    std::size_t from;
    {
        std::lock_guard lock(categoryStartsMutex_);
        CategoryStart& start = categoryStarts_[static_cast<std::size_t>(category)];
        if (start.version != version || start.generation != generation) {
            start.position = static_cast<std::size_t>(std::find_if(entries.begin(), entries.end(), candidate) -
                                                      entries.begin());
            start.version = version;
            start.generation = generation;
        }
        from = start.position;
    }
    const auto now = platform::dispatch::clock::now();
    for (std::size_t i = from; i < entries.size(); ++i) {
        const TableViewItem::Ptr& e = entries[i];
        if (!candidate(e)) continue;
        if (!stale) {
            if (e->isReachable()) return true;
            continue;
        }
        bool refresh = false;
        std::optional<bool> reachable = e->reachabilityWithoutWaiting(now, refresh);
        if (refresh) stale->push_back(e);
        // An entry never tested at all takes its one test now.
        if (!reachable) reachable = e->isReachable();
        if (*reachable) return true;
    }
    return false;
}

bool DataStorage::allDataContains(EntryCategory category) const { return anyVisibleReachable(category, nullptr); }

bool DataStorage::allDataContainsWithoutWaiting(EntryCategory category, std::function<void()> refreshed) const {
    std::vector<TableViewItem::Ptr> stale;
    const bool found = anyVisibleReachable(category, &stale);
    TableViewItem::refreshReachability(std::move(stale), std::move(refreshed));
    return found;
}

// ---- Entry edits ----------------------------------------------------------------------------------

TableViewItem::Ptr DataStorage::entryWithPath(const std::string& path) const {
    if (path.empty()) return nullptr;
    const std::string key = TableViewItem::pathKey(path);
    std::lock_guard lock(pathIndexMutex_);
    const auto [entries, version] = allData_->versionedSnapshot();
    if (pathIndex_.version != version || pathIndex_.pathGeneration != TableViewItem::pathGeneration()) {
        rebuildPathIndex(*entries, version);
    }
    // Equal keys may hash apart only by accident; several entries may share
    // a path: the first in the list wins, as a walk from the front would find.
    TableViewItem::Ptr found;
    std::size_t foundAt = 0;
    const auto [first, last] = pathIndex_.entries.equal_range(std::hash<std::string>{}(key));
    for (auto it = first; it != last; ++it) {
        const auto entry = it->second.entry.lock();
        if (!entry || !hasPath(*entry, key)) continue;
        if (!found || it->second.position < foundAt) {
            found = entry;
            foundAt = it->second.position;
        }
    }
    return found;
}

void DataStorage::rebuildPathIndex(const std::vector<TableViewItem::Ptr>& entries, std::uint64_t version) const {
    pathIndex_.entries.clear();
    pathIndex_.entries.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i]) continue;
        pathIndex_.entries.emplace(std::hash<std::string>{}(entries[i]->pathLowercased()), PathIndex::Slot{i, entries[i]});
    }
    pathIndex_.nextPosition = entries.size();
    pathIndex_.version = version;
    pathIndex_.pathGeneration = TableViewItem::pathGeneration();
}

void DataStorage::appendToAllData(const TableViewItem::Ptr& entry) {
    std::lock_guard lock(pathIndexMutex_);
    const std::uint64_t before = pathIndex_.version;
    allData_->appendNow(entry);
    // Adding entries one by one must not walk the whole list each time: when
    // this append is the only change since the index was made, the index
    // takes the entry in; otherwise the next look-up makes it afresh.
    if (allData_->version() == before + 1 && pathIndex_.pathGeneration == TableViewItem::pathGeneration()) {
        pathIndex_.entries.emplace(std::hash<std::string>{}(entry->pathLowercased()),
                                   PathIndex::Slot{pathIndex_.nextPosition++, entry});
        pathIndex_.version = before + 1;
    }
}

void DataStorage::removeFromAllDataIndexed(const TableViewItem::Ptr& entry) {
    std::lock_guard lock(pathIndexMutex_);
    const std::uint64_t before = pathIndex_.version;
    allData_->remove(entry);
    // The positions of the others keep their order, which is all the index
    // needs of them.
    if (allData_->version() == before + 1 && pathIndex_.pathGeneration == TableViewItem::pathGeneration()) {
        const auto [first, last] = pathIndex_.entries.equal_range(std::hash<std::string>{}(entry->pathLowercased()));
        for (auto it = first; it != last; ++it) {
            if (it->second.entry.lock() == entry) {
                pathIndex_.entries.erase(it);
                break;
            }
        }
        pathIndex_.version = before + 1;
    }
}

bool DataStorage::moveToTrash(const std::string& path) {
    if (path.empty()) return false;
    log(LogCategory::dataStorage, LogLevel::Default, "Remove from allData to temporary trash: %{public}@", path);
    return removeFromAllData(path, true);
}

bool DataStorage::removeFromAllData(const std::string& path, bool clearHotkey) {
    if (path.empty()) return false;
    const TableViewItem::Ptr entry = entryWithPath(path);
    if (!entry) {
        log(LogCategory::dataStorage, LogLevel::Error, "Unable to remove from allData - Entry not found! : %{public}@",
            path);
        return false;
    }
    trashRemovedEntry(entry, clearHotkey, trashHolds(TableViewItem::pathKey(path)));
    // Removed by identity inside the write: a position looked up now could
    // point at another entry by the time the write runs.
    removeFromAllDataIndexed(entry);
    log(LogCategory::dataStorage, LogLevel::Default, "Moved entry into trash: %{public}@", path);
    return true;
}

bool DataStorage::trashHolds(const std::string& key) {
    if (trashKeysGeneration_ != TableViewItem::pathGeneration()) {
        trashKeys_.clear();
        for (const auto& e : trashData_)
            if (e) trashKeys_.insert(e->pathLowercased());
        trashKeysGeneration_ = TableViewItem::pathGeneration();
    }
    return trashKeys_.count(key) > 0;
}

void DataStorage::trashRemovedEntry(const TableViewItem::Ptr& entry, bool clearHotkey, bool trashHoldsPath) {
    if (trashHoldsPath) return;
    entry->setIsFoundBySpotlight(false);
    trashData_.push_back(entry);
    trashKeys_.insert(entry->pathLowercased());
    // The setter announces the change once (hotkeyChanged), so the
    // hotkey manager drops the key; an entry without one posts nothing.
    if (clearHotkey && entry->hotkey()) entry->setHotkey(nullptr);
}

std::size_t DataStorage::removeFromAllData(const std::vector<std::string>& paths, bool clearHotkey) {
    // One removal after the other would write the list once per path:
    // quadratic in the number of paths.
    // The index positions taken so far: a path named twice takes the next
    // entry of that path, as a second removal would.
    std::unordered_set<std::size_t> taken;
    std::unordered_map<const TableViewItem*, std::size_t> occurrences;
    std::vector<TableViewItem::Ptr> removed;
    for (const auto& path : paths) {
        if (path.empty()) continue;
        const std::string key = TableViewItem::pathKey(path);
        TableViewItem::Ptr entry;
        {
            std::lock_guard lock(pathIndexMutex_);
            const auto [entries, version] = allData_->versionedSnapshot();
            if (pathIndex_.version != version || pathIndex_.pathGeneration != TableViewItem::pathGeneration())
                rebuildPathIndex(*entries, version);
            std::size_t foundAt = 0;
            const auto [first, last] = pathIndex_.entries.equal_range(std::hash<std::string>{}(key));
            for (auto it = first; it != last; ++it) {
                if (taken.count(it->second.position)) continue;
                const auto candidate = it->second.entry.lock();
                if (!candidate || !hasPath(*candidate, key)) continue;
                if (!entry || it->second.position < foundAt) {
                    entry = candidate;
                    foundAt = it->second.position;
                }
            }
            if (entry) taken.insert(foundAt);
        }
        if (!entry) {
            log(LogCategory::dataStorage, LogLevel::Error,
                "Unable to remove from allData - Entry not found! : %{public}@", path);
            continue;
        }
        trashRemovedEntry(entry, clearHotkey, trashHolds(key));
        ++occurrences[entry.get()];
        removed.push_back(entry);
        log(LogCategory::dataStorage, LogLevel::Default, "Moved entry into trash: %{public}@", path);
    }
    if (removed.empty()) return 0;
    std::lock_guard lock(pathIndexMutex_);
    const std::uint64_t before = pathIndex_.version;
    // Each entry goes as often as it was taken, from the front, as removals
    // one by one would take it.
    allData_->removeAllWhere([occurrences = std::move(occurrences)](const TableViewItem::Ptr& e) mutable {
        const auto it = occurrences.find(e.get());
        if (it == occurrences.end() || it->second == 0) return false;
        --it->second;
        return true;
    });
    // The others keep their order, which is all the index needs of them.
    if (allData_->version() == before + 1 && pathIndex_.pathGeneration == TableViewItem::pathGeneration()) {
        for (auto it = pathIndex_.entries.begin(); it != pathIndex_.entries.end();)
            it = taken.count(it->second.position) ? pathIndex_.entries.erase(it) : std::next(it);
        pathIndex_.version = before + 1;
    }
    return removed.size();
}

TableViewItem::Ptr DataStorage::restoreFromTrash(const std::string& path) {
    if (path.empty()) return nullptr;
    const std::string wanted = TableViewItem::pathKey(path);
    // Most applications that appear were never in the trash.
    if (!trashHolds(wanted)) return nullptr;
    const auto found = std::find_if(trashData_.begin(), trashData_.end(),
                                    [&](const TableViewItem::Ptr& e) { return e && hasPath(*e, wanted); });
    if (found == trashData_.end()) return nullptr;
    const TableViewItem::Ptr trashed = *found;
    trashData_.erase(found);
    trashKeys_.erase(trashKeys_.find(wanted));

    TableViewItem::Ptr restored;
    if (!entryWithPath(path)) {
        addToAllData(trashed);
        restored = trashed;
    }
    log(LogCategory::dataStorage, LogLevel::Default, "Restored entry from trash: %{public}@", path);
    return restored;
}

int DataStorage::addToAllData(const TableViewItem::Ptr& entry) {
    if (!entry) return addResultInvalid;
    const std::string path = entry->path();
    if (!path.empty() && entryWithPath(path)) {
        log(LogCategory::dataStorage, LogLevel::Error,
            "Unable to add to allData because en Entry with the same path already exisis: %{public}@", path);
        return addResultDuplicate;
    }
    appendToAllData(entry);
    log(LogCategory::dataStorage, LogLevel::Default, "Add to allData: %{public}@", path);
    return addResultAdded;
}

void DataStorage::addToAllData(const std::vector<TableViewItem::Ptr>& entries) {
    std::vector<TableViewItem::Ptr> accepted;
    std::unordered_set<std::string> batchKeys;
    for (const auto& entry : entries) {
        if (!entry) continue;
        const std::string path = entry->path();
        if (!path.empty() && (entryWithPath(path) || !batchKeys.insert(entry->pathLowercased()).second)) {
            log(LogCategory::dataStorage, LogLevel::Error,
                "Unable to add to allData because en Entry with the same path already exisis: %{public}@", path);
            continue;
        }
        accepted.push_back(entry);
        log(LogCategory::dataStorage, LogLevel::Default, "Add to allData: %{public}@", path);
    }
    if (accepted.empty()) return;
    std::lock_guard lock(pathIndexMutex_);
    const std::uint64_t before = pathIndex_.version;
    allData_->appendContentsOf(accepted);
    // As for one append: the index takes the entries in when this write is
    // the only change since it was made.
    if (allData_->version() == before + 1 && pathIndex_.pathGeneration == TableViewItem::pathGeneration()) {
        for (const auto& entry : accepted)
            pathIndex_.entries.emplace(std::hash<std::string>{}(entry->pathLowercased()),
                                       PathIndex::Slot{pathIndex_.nextPosition++, entry});
        pathIndex_.version = before + 1;
    }
}

bool DataStorage::setTag(const std::string& path, const std::string& tag) {
    if (path.empty() || tag.empty()) return false;
    const TableViewItem::Ptr entry = entryWithPath(path);
    if (!entry) return false;
    log(LogCategory::dataStorage, LogLevel::Default, "Set Tag: %{public}@", path);
    entry->setTags({});
    entry->setTags({tag});
    return true;
}

bool DataStorage::appendTag(const std::string& path, const std::string& tag) {
    const TableViewItem::Ptr entry = entryWithPath(path);
    if (!entry) {
        log(LogCategory::dataStorage, LogLevel::Error, "append Tag failed - Entry not found! : %{public}@", path);
        return false;
    }
    log(LogCategory::dataStorage, LogLevel::Default, "Append Tag: %{public}@", path);
    std::vector<std::string> tags = entry->tags();
    if (std::any_of(tags.begin(), tags.end(),
                    [&](const std::string& held) { return platform::text::canonicallyEqual(held, tag); }))
        return false;
    tags.push_back(tag);
    entry->setTags(tags);
    return true;
}

// ---- Launching a tag --------------------------------------------------------------------------------

void DataStorage::launchAllEntriesOfTag(const std::string& tagName) {
    if (tagName.empty()) return;
    log(LogCategory::dataStorage, LogLevel::Default, "launchAllEntriesOfTag: %{public}@", tagName);
    const auto predicate = platform::Predicate::make("tags contains[c] %@ AND isVisible = true AND isReachable = true",
                                                     {platform::Value(tagName)});
    if (!predicate) return;
    const auto entries = EntryArray::create(predicate->filtered(*allData_->snapshot()));
    const std::size_t count = entries->count();
    if (count == 0) return;
    if (count > launchAllRefuseLimit) {
        showLaunchAllLimitAlert(count, launchAllRefuseLimit);
        return;
    }
    if (count > launchAllAskAbove && !askLaunchAllConfirmation(count)) return;
    launchEntries(entries);
}

namespace {

// Runs `body` on the main thread, waiting for it when called from elsewhere.
template <class Body>
void onMainThread(Body&& body) {
    if (platform::dispatch::isMainThread()) body();
    else platform::dispatch::Queue::main()->sync(body);
}

}  // namespace

bool DataStorage::askLaunchAllConfirmation(std::size_t count) {
    const std::vector<std::pair<std::string, std::string>> values{{"%currentEntries", std::to_string(count)}};
    bool confirmed = false;
    onMainThread([&] {
        auto alert = platform::Alert::make();
        alert->setMessageText(replacingPlaceholders(L10n::launchAllWarnMessage.value(), values));
        alert->setInformativeText(replacingPlaceholders(L10n::launchAllWarnInformativeText.value(), values));
        alert->addButton(L10n::launchAllWarnButton.value());
        alert->addButton(L10n::dialogtext_cancel.value());
        alert->setAlertStyle(platform::AlertStyle::informational);
        confirmed = alert->runModal() == platform::Alert::responseForButton(0);
    });
    return confirmed;
}

void DataStorage::showLaunchAllLimitAlert(std::size_t count, std::size_t limit) {
    const std::string informative = replacingPlaceholders(
        replacingPlaceholders(L10n::launchAllDenyInformativeText.value(), {{"%currentEntries", std::to_string(count)}}),
        {{"%maxEntries", std::to_string(limit)}});
    onMainThread([&] {
        auto alert = platform::Alert::make();
        alert->setMessageText(L10n::launchAllDenyMessage.value());
        alert->setInformativeText(informative);
        alert->addButton(L10n::dialogtext_cancel.value());
        alert->setAlertStyle(platform::AlertStyle::warning);
        (void)alert->runModal();
    });
}

void DataStorage::launchEntries(const std::shared_ptr<EntryArray>& entries) {
    // Held for the whole loop, not a temporary let go before it begins.
    const auto snapshot = entries->snapshot();
    for (const TableViewItem::Ptr& entry : *snapshot)
        if (entry) entry->executeWithArguments();
}

}  // namespace frelt
