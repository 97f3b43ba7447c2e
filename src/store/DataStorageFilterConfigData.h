#pragma once
// The filter behind the configuration window's entry table: it derives the
// store's currentDataConfig from allData with a visibility filter, an
// item-type filter and a text search in one chosen field, sorted by one of
// four columns. Tag entries are never listed.
//
// The data store owns the one instance. The configuration window sets the
// fields; the four filter fields re-apply the filter on a real change, the
// two sort fields do not (whoever changes them calls applyFilter()).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/foundation/Predicate.h"
#include "store/EntryPredicate.h"
#include "store/TableViewItem.h"

namespace frelt {

// Each enumeration lists its cases in the order of the configuration
// window's popup items; a case's position is the item's index.
enum class ConfigEnumFilterActive : std::uint8_t { all, activeOnly, inactiveOnly };
enum class ConfigEnumFilterType : std::uint8_t { all, applications, files, folders, urls };
enum class ConfigEnumFilterSearchFor : std::uint8_t { name, tag, comment, path };
enum class ConfigEnumSortingBy : std::uint8_t { name, tags, hotkey, comment };
enum class ConfigEnumSortingOrder : std::uint8_t { ascending, descending };

inline constexpr std::array<ConfigEnumFilterActive, 3> allConfigEnumFilterActiveCases{
    ConfigEnumFilterActive::all, ConfigEnumFilterActive::activeOnly, ConfigEnumFilterActive::inactiveOnly};
inline constexpr std::array<ConfigEnumFilterType, 5> allConfigEnumFilterTypeCases{
    ConfigEnumFilterType::all, ConfigEnumFilterType::applications, ConfigEnumFilterType::files,
    ConfigEnumFilterType::folders, ConfigEnumFilterType::urls};
inline constexpr std::array<ConfigEnumFilterSearchFor, 4> allConfigEnumFilterSearchForCases{
    ConfigEnumFilterSearchFor::name, ConfigEnumFilterSearchFor::tag, ConfigEnumFilterSearchFor::comment,
    ConfigEnumFilterSearchFor::path};
inline constexpr std::array<ConfigEnumSortingBy, 4> allConfigEnumSortingByCases{
    ConfigEnumSortingBy::name, ConfigEnumSortingBy::tags, ConfigEnumSortingBy::hotkey, ConfigEnumSortingBy::comment};
inline constexpr std::array<ConfigEnumSortingOrder, 2> allConfigEnumSortingOrderCases{
    ConfigEnumSortingOrder::ascending, ConfigEnumSortingOrder::descending};

// The position of `type` among allConfigEnumFilterTypeCases (0 when absent);
// the configuration window selects its filter popup's item with it.
std::size_t allCasesIndex(ConfigEnumFilterType type);

class DataStorageFilterConfigData {
public:
    // Sort key of an entry whose sort value is missing (27 letters z): such
    // entries gather after ordinary keys in ascending order.
    static constexpr const char* missingSortKey = "zzzzzzzzzzzzzzzzzzzzzzzzzzz";

    DataStorageFilterConfigData() = default;
    DataStorageFilterConfigData(const DataStorageFilterConfigData&) = delete;
    DataStorageFilterConfigData& operator=(const DataStorageFilterConfigData&) = delete;

    // --- Fields ------------------------------------------------------------------
    // Storing a value different from the current one re-applies the filter
    // at once; an equal value (for the text: canonically equivalent) does
    // nothing.
    ConfigEnumFilterActive configTableViewFilterActive() const { return filterActive_; }
    void setConfigTableViewFilterActive(ConfigEnumFilterActive value);
    ConfigEnumFilterType configTableViewFilterType() const { return filterType_; }
    void setConfigTableViewFilterType(ConfigEnumFilterType value);
    ConfigEnumFilterSearchFor configTableViewFilterSearchFor() const { return filterSearchFor_; }
    void setConfigTableViewFilterSearchFor(ConfigEnumFilterSearchFor value);
    const std::string& configTableViewSearchString() const { return searchString_; }
    void setConfigTableViewSearchString(const std::string& value);

    // Plain stores: call applyFilter() afterwards.
    ConfigEnumSortingBy configTableViewSortingBy() const { return sortingBy_; }
    void setConfigTableViewSortingBy(ConfigEnumSortingBy value) { sortingBy_ = value; }
    ConfigEnumSortingOrder configTableViewSortingOrder() const { return sortingOrder_; }
    void setConfigTableViewSortingOrder(ConfigEnumSortingOrder value) { sortingOrder_ = value; }

    // --- Filtering ---------------------------------------------------------------
    // Rebuilds DataStorage::currentDataConfig from DataStorage::allData: sets
    // the store's state to changingCurrentDataConfig and assigns the filtered,
    // sorted list (the assignment sets the state back and posts).
    void applyFilter();

    // The parts of applyFilter() that need no store.
    // The "and" of the chosen members, always excluding tag entries.
    EntryPredicate filterPredicate() const;
    // `entries` filtered with filterPredicate() (logged when debug logging is
    // on) and stably sorted by the chosen column and order.
    std::vector<TableViewItem::Ptr> filteredAndSorted(const std::vector<TableViewItem::Ptr>& entries) const;
    // The comparison key of `entry` for `column`: the value lower-cased, or
    // missingSortKey when the value is missing or empty.
    static std::string sortKey(const TableViewItem& entry, ConfigEnumSortingBy column);

private:
    ConfigEnumFilterActive filterActive_ = ConfigEnumFilterActive::all;
    ConfigEnumFilterType filterType_ = ConfigEnumFilterType::all;
    ConfigEnumFilterSearchFor filterSearchFor_ = ConfigEnumFilterSearchFor::name;
    std::string searchString_;
    ConfigEnumSortingBy sortingBy_ = ConfigEnumSortingBy::name;
    ConfigEnumSortingOrder sortingOrder_ = ConfigEnumSortingOrder::ascending;
};

}  // namespace frelt
