#pragma once
// The kind of an entry and where it came from. Both are stored and compared
// in predicates by their raw values; parsing is exact and case-sensitive.

#include <optional>
#include <string_view>

#include "platform/foundation/RawValue.h"

namespace frelt {

enum class ListviewItemType { folder, file, application, url, tag, unknown };

inline constexpr platform::RawValueTable<ListviewItemType, 6> listviewItemTypes{{{
    {ListviewItemType::folder, "folder"},
    {ListviewItemType::file, "file"},
    {ListviewItemType::application, "application"},
    {ListviewItemType::url, "url"},
    {ListviewItemType::tag, "tag"},
    {ListviewItemType::unknown, "unknown"},
}}};

enum class ListviewItemSource { spotlight, shortcuts, tags, other };

inline constexpr platform::RawValueTable<ListviewItemSource, 4> listviewItemSources{{{
    {ListviewItemSource::spotlight, "spotlight"},
    {ListviewItemSource::shortcuts, "shortcuts"},
    {ListviewItemSource::tags, "tags"},
    {ListviewItemSource::other, "other"},
}}};

inline const char* rawValue(ListviewItemType type) { return listviewItemTypes.rawValue(type); }
inline const char* rawValue(ListviewItemSource source) { return listviewItemSources.rawValue(source); }
inline std::optional<ListviewItemType> listviewItemTypeFromRawValue(std::string_view raw) {
    return listviewItemTypes.fromRawValue(raw);
}
inline std::optional<ListviewItemSource> listviewItemSourceFromRawValue(std::string_view raw) {
    return listviewItemSources.fromRawValue(raw);
}

}  // namespace frelt
