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
//
// Both modes run at every keystroke or rebuild over every entry, so the
// filter keeps allData sorted by name, with the names (and comments) folded
// for searching in one buffer, from one change of allData or of an entry's
// name or comment to the next: a keystroke scans that buffer and sorts
// nothing, and a category runs its test on the entry's own fields.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Predicate.h"
#include "platform/foundation/RawValue.h"
#include "platform/foundation/Text.h"
#include "store/EntryPredicate.h"
#include "store/TableViewItem.h"

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
    EntryPredicate searchPredicate;
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
    static EntryPredicate defaultPredicate();
    // The predicate each fixed category sets.
    static EntryPredicate categoryPredicate(SidebarCategory category);
    // The predicate setSearchString() filters with for `text` and the given
    // settings (the search itself runs over the folded names to the same
    // effect).
    static platform::Predicate typedSearchPredicate(const std::string& text, bool searchForComments,
                                                    bool searchForTags);

private:
    // allData in the order of the name sort, with its names (and, once a
    // search asked for them, its comments) folded for searching.
    struct SortedEntries {
        std::uint64_t listVersion = ~std::uint64_t{0};
        std::uint64_t textGeneration = ~std::uint64_t{0};
        std::vector<TableViewItem::Ptr> entries;
        platform::text::FoldedTexts names;
        std::optional<platform::text::FoldedTexts> comments;
    };
    // Made afresh only when allData or an entry's texts changed since.
    const SortedEntries& sortedEntries(bool withComments);

    SortedEntries sorted_;
};

}  // namespace frelt
