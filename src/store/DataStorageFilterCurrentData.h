#pragma once
// Derives the main window's list (DataStorage::currentData) from the whole
// entry list. Two modes:
//   - category: the stored predicate (the sidebar's category or tag), a sort
//     key and an optional limit; applyFilter() runs it and posts
//     "currentDataFilterRefreshed", which ends a search on screen;
//   - search: setSearchString() with the typed text matches every visible,
//     reachable entry by name (and by comment or as a tag entry, by setting),
//     sorted by name, never limited.
// Callers write the fields directly and call applyFilter() themselves.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Predicate.h"
#include "platform/foundation/RawValue.h"

namespace frelt {

enum class filterSortBy { name, lastUsedDate };

inline constexpr platform::RawValueTable<filterSortBy, 2> filterSortBys{{{
    {filterSortBy::name, "Name"},
    {filterSortBy::lastUsedDate, "Last Used Date"},
}}};

inline const char* rawValue(filterSortBy sortBy) { return filterSortBys.rawValue(sortBy); }
inline std::optional<filterSortBy> filterSortByFromRawValue(std::string_view raw) {
    return filterSortBys.fromRawValue(raw);
}

// The sidebar's fixed categories; a tag goes through setTagFilter().
enum class SidebarCategory {
    allApplications,
    allFolders,
    allFiles,
    favorites,
    urls,
    lastUsedApplications,
    openApplications,
    shortcuts,
    other,
};

class DataStorageFilterCurrentData {
public:
    // The limit of the last-used applications category.
    static constexpr std::int64_t lastUsedApplicationsLimit = 15;

    DataStorageFilterCurrentData();

    // The tag name last given to setTagFilter(); only logged.
    std::string searchString;
    // Cuts the category result when present and at least 1.
    std::optional<std::int64_t> maxResults;
    platform::Predicate searchPredicate;
    filterSortBy sortBy = filterSortBy::name;
    // The typed text whose result is showing; empty in category mode.
    std::string searchStringFromSearchField;

    void applyFilter();
    // Back to all visible, reachable entries by name; does not apply.
    void resetFilter();
    void setSearchString(const std::string& text);
    // Reset, then (for a non-empty name) the entries carrying the tag; applies.
    void setTagFilter(const std::string& tagName);

    // What a change of the sidebar's selection does for a fixed category:
    // reset, the category's predicate (and limit and sort), apply.
    void selectCategory(SidebarCategory category);

    // "isVisible = true AND isReachable = true".
    static platform::Predicate defaultPredicate();
    // The predicate each fixed category sets.
    static platform::Predicate categoryPredicate(SidebarCategory category);
    // The predicate setSearchString() filters with for `text` and the given settings.
    static platform::Predicate typedSearchPredicate(const std::string& text, bool searchForComments,
                                                    bool searchForTags);
};

}  // namespace frelt
