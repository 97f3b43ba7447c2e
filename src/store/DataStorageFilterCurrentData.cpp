#include "store/DataStorageFilterCurrentData.h"

#include <string>
#include <vector>

#include "app/AppDelegate.h"
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

// Filters allData with `predicate` and sorts the result stably.
std::vector<TableViewItem::Ptr> filteredAndSorted(const DataStorage& store, const platform::Predicate& predicate,
                                                  filterSortBy sortBy) {
    const auto snapshot = store.allData()->snapshot();
    std::vector<TableViewItem::Ptr> kept = predicate.filtered(*snapshot);
    platform::sortStable(kept, sortDescriptors(sortBy));
    return kept;
}

std::string describeMaxResults(const std::optional<std::int64_t>& maxResults) {
    if (!maxResults) return "nil";
    return "Optional(" + std::to_string(*maxResults) + ")";
}

}  // namespace

DataStorageFilterCurrentData::DataStorageFilterCurrentData() : searchPredicate(defaultPredicate()) {}

platform::Predicate DataStorageFilterCurrentData::defaultPredicate() {
    return makePredicate("isVisible = true AND isReachable = true");
}

platform::Predicate DataStorageFilterCurrentData::categoryPredicate(SidebarCategory category) {
    using platform::Value;
    switch (category) {
    case SidebarCategory::allApplications:
        return makePredicate("itemTypeRawValue = %@ AND isVisible = true AND isReachable = true",
                             {Value("application")});
    case SidebarCategory::allFolders:
        return makePredicate(
            "itemTypeRawValue = %@ AND isVisible = true AND isReachable = true AND isManuallyCreated = true",
            {Value("folder")});
    case SidebarCategory::allFiles:
        return makePredicate(
            "itemTypeRawValue = %@ AND isVisible = true AND isReachable = true AND isManuallyCreated = true",
            {Value("file")});
    case SidebarCategory::favorites:
        return makePredicate("isVisible = true AND isReachable = true AND isFavorite = true");
    case SidebarCategory::urls:
        return makePredicate("itemTypeRawValue = %@ AND isVisible = true AND isManuallyCreated = true",
                             {Value("url")});
    case SidebarCategory::lastUsedApplications:
        return makePredicate("isVisible = true AND isReachable = true");
    case SidebarCategory::openApplications:
        return makePredicate("isLaunched = true");
    case SidebarCategory::shortcuts:
        return makePredicate("itemSourceRawValue = %@ AND isVisible = true", {Value("shortcuts")});
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
    auto result = DataStorage::EntryArray::create(filteredAndSorted(*store, searchPredicate, sortBy));
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
    const platform::Predicate predicate = typedSearchPredicate(text, config->searchForComments, config->searchForTags);

    const auto store = DataStorage::shared();
    auto result = DataStorage::EntryArray::create(filteredAndSorted(*store, predicate, filterSortBy::name));
    store->setState(DatastorageState::changingCurrentData);
    store->setCurrentData(std::move(result));
}

void DataStorageFilterCurrentData::setTagFilter(const std::string& tagName) {
    resetFilter();
    if (!tagName.empty()) {
        searchString = tagName;
        searchPredicate = makePredicate("tags contains[c] %@ AND isVisible = true AND isReachable = true",
                                        {platform::Value(tagName)});
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
