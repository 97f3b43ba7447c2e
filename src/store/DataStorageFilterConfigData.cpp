#include "store/DataStorageFilterConfigData.h"

#include <algorithm>
#include <numeric>

#include "platform/foundation/FailureHook.h"
#include "platform/foundation/Text.h"
#include "store/DataStorage.h"
#include "store/Logging.h"

namespace frelt {

std::size_t allCasesIndex(ConfigEnumFilterType type) {
    const auto it = std::find(allConfigEnumFilterTypeCases.begin(), allConfigEnumFilterTypeCases.end(), type);
    if (it == allConfigEnumFilterTypeCases.end()) return 0;
    return static_cast<std::size_t>(it - allConfigEnumFilterTypeCases.begin());
}

namespace {

// Member predicates are fixed format texts; a parse failure is a programming
// error, so it fails loudly in every build.
platform::Predicate member(std::string_view format, const platform::ValueArray& arguments = {}) {
    std::string error;
    auto predicate = platform::Predicate::make(format, arguments, &error);
    if (!predicate) {
        platform::reportFailure("configuration filter predicate \"" + std::string(format) + "\": " + error);
        return platform::Predicate::value(false);
    }
    return std::move(*predicate);
}

const char* itemTypeArgument(ConfigEnumFilterType type) {
    switch (type) {
        case ConfigEnumFilterType::applications:
            return rawValue(ListviewItemType::application);
        case ConfigEnumFilterType::files:
            return rawValue(ListviewItemType::file);
        case ConfigEnumFilterType::folders:
            return rawValue(ListviewItemType::folder);
        case ConfigEnumFilterType::urls:
            return rawValue(ListviewItemType::url);
        case ConfigEnumFilterType::all:
            break;
    }
    return nullptr;
}

const char* searchFormat(ConfigEnumFilterSearchFor field) {
    switch (field) {
        case ConfigEnumFilterSearchFor::name:
            return "nameLowercased contains[c] %@";
        case ConfigEnumFilterSearchFor::tag:
            return "any tags contains[c] %@";
        case ConfigEnumFilterSearchFor::comment:
            return "comment contains[c] %@";
        case ConfigEnumFilterSearchFor::path:
            return "path contains[c] %@";
    }
    return "nameLowercased contains[c] %@";
}

// Keys are compared by the scalar values of their composed forms; in UTF-8
// that is plain byte order of the NFC text.
std::string comparableKey(std::string_view value) {
    if (value.empty()) return DataStorageFilterConfigData::missingSortKey;
    return platform::text::nfc(platform::text::lowercased(value));
}

}  // namespace

void DataStorageFilterConfigData::setConfigTableViewFilterActive(ConfigEnumFilterActive value) {
    if (value == filterActive_) return;
    filterActive_ = value;
    applyFilter();
}

void DataStorageFilterConfigData::setConfigTableViewFilterType(ConfigEnumFilterType value) {
    if (value == filterType_) return;
    filterType_ = value;
    applyFilter();
}

void DataStorageFilterConfigData::setConfigTableViewFilterSearchFor(ConfigEnumFilterSearchFor value) {
    if (value == filterSearchFor_) return;
    filterSearchFor_ = value;
    applyFilter();
}

void DataStorageFilterConfigData::setConfigTableViewSearchString(const std::string& value) {
    if (platform::text::canonicallyEqual(value, searchString_)) return;
    searchString_ = value;
    applyFilter();
}

platform::Predicate DataStorageFilterConfigData::filterPredicate() const {
    std::vector<platform::Predicate> members;
    switch (filterActive_) {
        case ConfigEnumFilterActive::activeOnly:
            members.push_back(member("isVisible = true"));
            break;
        case ConfigEnumFilterActive::inactiveOnly:
            members.push_back(member("isVisible = false"));
            break;
        case ConfigEnumFilterActive::all:
            break;
    }
    if (const char* type = itemTypeArgument(filterType_)) {
        members.push_back(member("itemTypeRawValue = %@", {platform::Value(type)}));
    }
    if (!searchString_.empty()) {
        members.push_back(member(searchFormat(filterSearchFor_), {platform::Value(searchString_)}));
    }
    // Tag entries belong to the main window only.
    members.push_back(platform::Predicate::notPredicate(
        member("itemTypeRawValue = %@", {platform::Value(rawValue(ListviewItemType::tag))})));
    return platform::Predicate::andPredicate(std::move(members));
}

std::string DataStorageFilterConfigData::sortKey(const TableViewItem& entry, ConfigEnumSortingBy column) {
    switch (column) {
        case ConfigEnumSortingBy::name:
            return comparableKey(entry.nameLowercased());
        case ConfigEnumSortingBy::tags: {
            const std::vector<std::string> tags = entry.tags();
            return comparableKey(tags.empty() ? std::string_view() : std::string_view(tags.front()));
        }
        case ConfigEnumSortingBy::hotkey: {
            const KeyCombo::Ptr& hotkey = entry.hotkey();
            return comparableKey(hotkey ? hotkey->keyEquivalent() : std::string());
        }
        case ConfigEnumSortingBy::comment:
            return comparableKey(entry.comment());
    }
    return missingSortKey;
}

std::vector<TableViewItem::Ptr> DataStorageFilterConfigData::filteredAndSorted(
    const std::vector<TableViewItem::Ptr>& entries) const {
    const platform::Predicate predicate = filterPredicate();
    FRELT_LOG(dataStorageConfigDataFilter, Info, "Filter-Predicate: %{public}@", predicate.predicateFormat());

    const std::vector<TableViewItem::Ptr> matching = predicate.filtered(entries);

    // Each key is computed once; the sort is stable, so equal keys keep the
    // order of allData.
    std::vector<std::string> keys;
    keys.reserve(matching.size());
    for (const auto& entry : matching) keys.push_back(sortKey(*entry, sortingBy_));
    std::vector<std::size_t> order(matching.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const bool ascending = sortingOrder_ == ConfigEnumSortingOrder::ascending;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return ascending ? keys[a] < keys[b] : keys[b] < keys[a];
    });

    std::vector<TableViewItem::Ptr> sorted;
    sorted.reserve(order.size());
    for (std::size_t index : order) sorted.push_back(matching[index]);
    return sorted;
}

void DataStorageFilterConfigData::applyFilter() {
    const std::shared_ptr<DataStorage> store = DataStorage::shared();
    auto list = DataStorage::EntryArray::create(filteredAndSorted(store->allData()->toVector()));
    store->setState(DatastorageState::changingCurrentDataConfig);
    store->setCurrentDataConfig(std::move(list));
}

}  // namespace frelt
