#include "store/DataStorageFilterCurrentData.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SortDescriptor.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

// The formats are constants of this file: one that does not parse is a
// programming error, reported and replaced by a predicate that lets nothing in.
platform::Predicate makePredicate(std::string_view format, const platform::ValueArray& arguments = {}) {
    std::string error;
    if (auto predicate = platform::Predicate::make(format, arguments, &error)) return *predicate;
    platform::reportFailure("predicate \"" + std::string(format) + "\" does not parse: " + error);
    return platform::Predicate::value(false);
}

std::vector<platform::SortDescriptor> sortDescriptors(filterSortBy sortBy) {
    // Dates sort newest first; an entry without a date has no value, which
    // orders before every date and so lands last when descending.
    if (sortBy == filterSortBy::lastUsedDate) return {platform::SortDescriptor("lastUsedDate", false)};
    return {platform::SortDescriptor("nameLowercased", true)};
}

using platform::Value;


// Claims the refreshes of the stale answers a keystroke met and has them
// tested, all on the worker pool: after a pause that is an atomic exchange
// on each of tens of thousands of entries, which the keystroke does not wait
// for. A claim another keystroke made first is left to it. The search runs
// again if an answer changed.
void refreshStaleAnswers(DataStorage::EntryArray::Snapshot shown, std::vector<std::uint32_t> staleShown,
                         std::vector<TableViewItem::Ptr> staleGone, platform::dispatch::TimePoint now) {
    platform::dispatch::Queue::global()->async([shown = std::move(shown), staleShown = std::move(staleShown),
                                                staleGone = std::move(staleGone), now]() mutable {
        std::vector<TableViewItem::Ptr> claimed;
        claimed.reserve(staleShown.size() + staleGone.size());
        for (const std::uint32_t k : staleShown)
            if ((*shown)[k]->claimReachabilityRefresh(now)) claimed.push_back((*shown)[k]);
        for (auto& entry : staleGone)
            if (entry->claimReachabilityRefresh(now)) claimed.push_back(std::move(entry));
        shown.reset();
        TableViewItem::refreshReachability(std::move(claimed), [] {
            const auto filter = DataStorage::shared()->filterCurrentData();
            if (!filter->searchStringFromSearchField.empty())
                filter->setSearchString(filter->searchStringFromSearchField);
        });
    });
}

std::string describeMaxResults(const std::optional<std::int64_t>& maxResults) {
    if (!maxResults) return "nil";
    return "Optional(" + std::to_string(*maxResults) + ")";
}

}  // namespace

DataStorageFilterCurrentData::DataStorageFilterCurrentData() : searchPredicate(defaultPredicate()) {}

namespace {

// The folders or files the user added, visible and reachable.
EntryPredicate addedByTheUser(ListviewItemType type) {
    return {makePredicate(
                "itemTypeRawValue = %@ AND isVisible = true AND isReachable = true AND isManuallyCreated = true",
                {Value(rawValue(type))}),
            [type](const TableViewItem& e) {
                return e.itemType() == type && e.isVisible() && e.isReachable() && e.isManuallyCreated();
            }};
}

}  // namespace

// Each predicate as written, with the same test on the entry's fields; the
// members are tested in the predicate's order.
EntryPredicate DataStorageFilterCurrentData::defaultPredicate() {
    return {makePredicate("isVisible = true AND isReachable = true"),
            [](const TableViewItem& e) { return e.isVisible() && e.isReachable(); }};
}

EntryPredicate DataStorageFilterCurrentData::categoryPredicate(SidebarCategory category) {
    switch (category) {
    case SidebarCategory::allApplications:
        return {makePredicate("itemTypeRawValue = %@ AND isVisible = true AND isReachable = true",
                              {Value("application")}),
                [](const TableViewItem& e) {
                    return e.itemType() == ListviewItemType::application && e.isVisible() && e.isReachable();
                }};
    case SidebarCategory::allFolders:
        return addedByTheUser(ListviewItemType::folder);
    case SidebarCategory::allFiles:
        return addedByTheUser(ListviewItemType::file);
    case SidebarCategory::favorites:
        return {makePredicate("isVisible = true AND isReachable = true AND isFavorite = true"),
                [](const TableViewItem& e) { return e.isVisible() && e.isReachable() && e.isFavorite(); }};
    case SidebarCategory::urls:
        return {makePredicate("itemTypeRawValue = %@ AND isVisible = true AND isManuallyCreated = true",
                              {Value("url")}),
                [](const TableViewItem& e) {
                    return e.itemType() == ListviewItemType::url && e.isVisible() && e.isManuallyCreated();
                }};
    case SidebarCategory::lastUsedApplications:
        return defaultPredicate();
    case SidebarCategory::openApplications:
        return {makePredicate("isLaunched = true"), [](const TableViewItem& e) { return e.isLaunched(); }};
    case SidebarCategory::shortcuts:
        return {makePredicate("itemSourceRawValue = %@ AND isVisible = true", {Value("shortcuts")}),
                [](const TableViewItem& e) {
                    return e.itemSource() == ListviewItemSource::shortcuts && e.isVisible();
                }};
    case SidebarCategory::other:
        break;
    }
    return defaultPredicate();
}

platform::Predicate DataStorageFilterCurrentData::typedSearchPredicate(const std::string& text, bool searchForComments,
                                                                       bool searchForTags) {
    using platform::Predicate;
    using platform::Value;
    std::vector<Predicate> nameOrComment{makePredicate("name contains[c] %@", {Value(text)})};
    if (searchForComments) nameOrComment.push_back(makePredicate("comment contains[c] %@", {Value(text)}));

    std::vector<Predicate> members{
        Predicate::orPredicate(std::move(nameOrComment)),
        Predicate::andPredicate({makePredicate("isVisible = true"), makePredicate("isReachable = true")}),
    };
    if (!searchForTags)
        members.push_back(Predicate::notPredicate(makePredicate("itemTypeRawValue = %@", {Value("tag")})));
    return Predicate::andPredicate(std::move(members));
}

void DataStorageFilterCurrentData::applyFilter() {
    FRELT_LOG(dataStorageCurrentDataFilter, Default, "Filter-Predicate: %{public}@", searchPredicate.predicateFormat());
    FRELT_LOG(dataStorageCurrentDataFilter, Default, "Filter-maxResults: %{public}@", describeMaxResults(maxResults));
    FRELT_LOG(dataStorageCurrentDataFilter, Default, "Filter-SortBy: %{public}@", std::string(rawValue(sortBy)));
    FRELT_LOG(dataStorageCurrentDataFilter, Default, "Filter-SearchString: %{public}@", searchString);

    const auto store = DataStorage::shared();
    std::vector<TableViewItem::Ptr> kept;
    if (sortBy == filterSortBy::name) {
        // Kept in the sorted order: filtering a stably sorted list gives what
        // sorting the filtered list would.
        for (const auto& entry : sortedEntries(false).entries)
            if (entry && searchPredicate.evaluate(*entry)) kept.push_back(entry);
    } else {
        kept = searchPredicate.filtered(*store->allData()->snapshot());
        platform::sortStable(kept, sortDescriptors(sortBy));
    }
    auto result = DataStorage::EntryArray::create(std::move(kept));
    if (maxResults && *maxResults >= 1) result = result->prefix(static_cast<std::ptrdiff_t>(*maxResults));

    store->setState(DatastorageState::changingCurrentData);
    store->setCurrentData(std::move(result));
    searchStringFromSearchField.clear();
    platform::NotificationCenter::defaultCenter().post(Notifications::currentDataFilterRefreshed);
}

void DataStorageFilterCurrentData::resetFilter() {
    searchString.clear();
    searchStringFromSearchField.clear();
    maxResults.reset();
    sortBy = filterSortBy::name;
    searchPredicate = defaultPredicate();
}

void DataStorageFilterCurrentData::setSearchString(const std::string& text) {
    searchStringFromSearchField = text;
    if (text.empty()) {
        applyFilter();
        return;
    }
    const auto config = AppDelegate::shared()->config;
    const bool searchForComments = config->searchForComments;
    const bool searchForTags = config->searchForTags;

    // What typedSearchPredicate() states, in the cheapest order: the text
    // first (one scan of the folded names, and of the comments by setting),
    // then the entry's own fields for those that matched.
    const SortedEntries& sorted = sortedEntries(searchForComments);
    std::vector<std::uint32_t> matched;
    sorted.names.forEachContaining(text, [&](std::size_t i) { matched.push_back(static_cast<std::uint32_t>(i)); });
    if (searchForComments) {
        std::vector<std::uint32_t> byComment;
        sorted.comments->forEachContaining(text,
                                           [&](std::size_t i) { byComment.push_back(static_cast<std::uint32_t>(i)); });
        if (!byComment.empty()) {
            std::vector<std::uint32_t> both;
            both.reserve(matched.size() + byComment.size());
            std::set_union(matched.begin(), matched.end(), byComment.begin(), byComment.end(),
                           std::back_inserter(both));
            matched = std::move(both);
        }
    }

    // Reachability comes from what the entries remember: a keystroke never
    // waits for the disk. Answers older than the cache holds are tested
    // again on the worker pool, and the search runs again when they arrive
    // and differ.
    const auto now = platform::dispatch::clock::now();
    // First the tests, which only read the entries, so that the reads of
    // many entries overlap; then the copies of the kept ones, each of which
    // is an atomic change of the entry's use count that would otherwise
    // wait for the read before it.
    std::vector<std::uint32_t> keptIndices;
    keptIndices.reserve(matched.size());
    // The stale answers: of kept entries by their place in the list shown,
    // which keeps them alive until they are tested; entries remembered as
    // gone are held here.
    std::vector<std::uint32_t> staleShown;
    std::vector<TableViewItem::Ptr> staleGone;
    constexpr std::size_t kAhead = 16;
    for (std::size_t k = 0; k < matched.size(); ++k) {
        if (k + kAhead < matched.size()) __builtin_prefetch(sorted.entries[matched[k + kAhead]].get());
        const std::uint32_t i = matched[k];
        const TableViewItem* entry = sorted.entries[i].get();
        if (!entry || (!searchForTags && entry->itemType() == ListviewItemType::tag) || !entry->isVisible()) continue;
        bool stale = false;
        std::optional<bool> reachable = entry->cachedReachability(now, stale);
        // An entry never tested at all takes its one test now.
        if (!reachable) reachable = entry->isReachable();
        if (*reachable) {
            if (stale) staleShown.push_back(static_cast<std::uint32_t>(keptIndices.size()));
            keptIndices.push_back(i);
        } else if (stale) {
            staleGone.push_back(sorted.entries[i]);
        }
    }
    std::vector<TableViewItem::Ptr> kept;
    kept.reserve(keptIndices.size());
    for (std::size_t k = 0; k < keptIndices.size(); ++k) {
        // The use count sits just before the entry (both made in one piece).
        if (k + kAhead < keptIndices.size())
            __builtin_prefetch(reinterpret_cast<const char*>(sorted.entries[keptIndices[k + kAhead]].get()) - 8, 1);
        kept.push_back(sorted.entries[keptIndices[k]]);
    }
    auto result = DataStorage::EntryArray::create(std::move(kept));
    if (!staleShown.empty() || !staleGone.empty())
        refreshStaleAnswers(result->snapshot(), std::move(staleShown), std::move(staleGone), now);

    const auto store = DataStorage::shared();
    store->setState(DatastorageState::changingCurrentData);
    store->setCurrentData(std::move(result));
}

const DataStorageFilterCurrentData::SortedEntries& DataStorageFilterCurrentData::sortedEntries(bool withComments) {
    const auto [snapshot, version] = DataStorage::shared()->allData()->versionedSnapshot();
    const std::uint64_t generation = TableViewItem::searchTextGeneration();
    if (sorted_.listVersion != version || sorted_.textGeneration != generation) {
        const auto& all = *snapshot;
        // The name sort: lower-cased names compared by the scalar values of
        // their composed forms, equal ones in the order of allData. A name
        // in ASCII is its own composed form and is compared where it lies;
        // only the others are composed, into room made for all of them at
        // once, so that the views into it stay put.
        std::vector<std::string> composed;
        composed.reserve(all.size());
        std::vector<std::string_view> keys;
        keys.reserve(all.size());
        std::size_t bytes = 0;
        for (const auto& entry : all) {
            if (!entry) {
                keys.emplace_back();
                continue;
            }
            const std::string& lowercased = entry->nameLowercased();
            if (platform::text::isASCII(lowercased)) {
                keys.emplace_back(lowercased);
            } else {
                composed.push_back(platform::text::nfc(lowercased));
                keys.emplace_back(composed.back());
            }
            bytes += entry->name().size();
        }
        std::vector<std::size_t> order(all.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });

        sorted_ = SortedEntries{};
        sorted_.entries.reserve(all.size());
        sorted_.names.reserve(all.size(), bytes);
        for (const std::size_t i : order) {
            sorted_.entries.push_back(all[i]);
            sorted_.names.append(all[i] ? std::string_view(all[i]->name()) : std::string_view());
        }
        sorted_.listVersion = version;
        sorted_.textGeneration = generation;
    }
    if (withComments && !sorted_.comments) {
        sorted_.comments.emplace();
        sorted_.comments->reserve(sorted_.entries.size(), 0);
        for (const auto& entry : sorted_.entries)
            sorted_.comments->append(entry ? std::string_view(entry->comment()) : std::string_view());
    }
    return sorted_;
}

void DataStorageFilterCurrentData::setTagFilter(const std::string& tagName) {
    resetFilter();
    if (!tagName.empty()) {
        searchString = tagName;
        searchPredicate = {makePredicate("tags contains[c] %@ AND isVisible = true AND isReachable = true",
                                         {Value(tagName)}),
                           [tagName](const TableViewItem& e) {
                               const auto tags = e.tags();
                               return std::any_of(tags.begin(), tags.end(),
                                                  [&](const std::string& tag) {
                                                      return platform::text::equalsCaseInsensitive(tag, tagName);
                                                  }) &&
                                      e.isVisible() && e.isReachable();
                           }};
    }
    applyFilter();
}

void DataStorageFilterCurrentData::selectCategory(SidebarCategory category) {
    resetFilter();
    if (category == SidebarCategory::lastUsedApplications) {
        maxResults = lastUsedApplicationsLimit;
        sortBy = filterSortBy::lastUsedDate;
    }
    searchPredicate = categoryPredicate(category);
    applyFilter();
}

}  // namespace frelt
