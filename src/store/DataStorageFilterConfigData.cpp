#include "store/DataStorageFilterConfigData.h"

#include <algorithm>
#include <numeric>
#include <optional>

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

std::optional<ListviewItemType> itemTypeOf(ConfigEnumFilterType type) {
    switch (type) {
        case ConfigEnumFilterType::applications:
            return ListviewItemType::application;
        case ConfigEnumFilterType::files:
            return ListviewItemType::file;
        case ConfigEnumFilterType::folders:
            return ListviewItemType::folder;
        case ConfigEnumFilterType::urls:
            return ListviewItemType::url;
        case ConfigEnumFilterType::all:
            break;
    }
    return std::nullopt;
}

// The search member for `field`, as written and on the entry's fields.
EntryPredicate searchMember(ConfigEnumFilterSearchFor field, const std::string& text) {
    using platform::text::containsCaseInsensitive;
    const platform::ValueArray argument{platform::Value(text)};
    switch (field) {
        case ConfigEnumFilterSearchFor::name:
            break;
        case ConfigEnumFilterSearchFor::tag:
            return {member("any tags contains[c] %@", argument), [text](const TableViewItem& e) {
                        const auto tags = e.tags();
                        return std::any_of(tags.begin(), tags.end(),
                                           [&](const std::string& tag) { return containsCaseInsensitive(tag, text); });
                    }};
        case ConfigEnumFilterSearchFor::comment:
            return {member("comment contains[c] %@", argument),
                    [text](const TableViewItem& e) { return containsCaseInsensitive(e.comment(), text); }};
        case ConfigEnumFilterSearchFor::path:
            return {member("path contains[c] %@", argument),
                    [text](const TableViewItem& e) { return containsCaseInsensitive(e.path(), text); }};
    }
    return {member("nameLowercased contains[c] %@", argument),
            [text](const TableViewItem& e) { return containsCaseInsensitive(e.nameLowercased(), text); }};
}

EntryPredicate isVisibleMember(bool visible) {
    return {member(visible ? "isVisible = true" : "isVisible = false"),
            [visible](const TableViewItem& e) { return e.isVisible() == visible; }};
}

EntryPredicate itemTypeMember(ListviewItemType type) {
    return {member("itemTypeRawValue = %@", {platform::Value(rawValue(type))}),
            [type](const TableViewItem& e) { return e.itemType() == type; }};
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

EntryPredicate DataStorageFilterConfigData::filterPredicate() const {
    std::vector<EntryPredicate> members;
    switch (filterActive_) {
        case ConfigEnumFilterActive::activeOnly:
            members.push_back(isVisibleMember(true));
            break;
        case ConfigEnumFilterActive::inactiveOnly:
            members.push_back(isVisibleMember(false));
            break;
        case ConfigEnumFilterActive::all:
            break;
    }
    if (const auto type = itemTypeOf(filterType_)) members.push_back(itemTypeMember(*type));
    if (!searchString_.empty()) members.push_back(searchMember(filterSearchFor_, searchString_));
    // Tag entries belong to the main window only.
    members.push_back(EntryPredicate::notPredicate(itemTypeMember(ListviewItemType::tag)));
    return EntryPredicate::andPredicate(std::move(members));
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
    const EntryPredicate predicate = filterPredicate();
    FRELT_LOG(dataStorageConfigDataFilter, Info, "Filter-Predicate: %{public}@", predicate.predicateFormat());

    const std::vector<TableViewItem::Ptr> matching = predicate.filtered(entries);

    // Each key is computed once; the sort is stable, so equal keys keep the
    // order of allData. A lower-cased name in ASCII is its own key and is
    // compared where it lies; the other keys are made into room made for all
    // of them at once, so that the views into it stay put.
    std::vector<std::string> made;
    made.reserve(matching.size());
    std::vector<std::string_view> keys;
    keys.reserve(matching.size());
    for (const auto& entry : matching) {
        if (sortingBy_ == ConfigEnumSortingBy::name) {
            const std::string& name = entry->nameLowercased();
            if (!name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
                    return static_cast<unsigned char>(c) >= 0x80 || (c >= 'A' && c <= 'Z');
                })) {
                keys.emplace_back(name);
                continue;
            }
        }
        made.push_back(sortKey(*entry, sortingBy_));
        keys.emplace_back(made.back());
    }
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
