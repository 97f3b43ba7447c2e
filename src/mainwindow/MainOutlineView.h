#pragma once
// The main window's sidebar outline: categories and tags, one of them selected.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/RawValue.h"

namespace frelt {

// The sidebar's fixed categories by content type; the case names also name
// the categories' hotkeys.
enum class SourceListItemContentType {
    allFolders,
    allFiles,
    allFavorites,
    allURLs,
    lastUsedApplications,
    openApplications,
    shortcuts,
};

inline constexpr platform::RawValueTable<SourceListItemContentType, 7> sourceListItemContentTypes{{{
    {SourceListItemContentType::allFolders, "allFolders"},
    {SourceListItemContentType::allFiles, "allFiles"},
    {SourceListItemContentType::allFavorites, "allFavorites"},
    {SourceListItemContentType::allURLs, "allURLs"},
    {SourceListItemContentType::lastUsedApplications, "lastUsedApplications"},
    {SourceListItemContentType::openApplications, "openApplications"},
    {SourceListItemContentType::shortcuts, "shortcuts"},
}}};

inline const char* rawValue(SourceListItemContentType type) { return sourceListItemContentTypes.rawValue(type); }

class MainOutlineView {
public:
    MainOutlineView() = default;
    virtual ~MainOutlineView() = default;

    // The tag rows the sidebar shows, by tag name.
    void setTagRows(std::vector<std::string> tagNames) { tagRows_ = std::move(tagNames); }
    const std::vector<std::string>& tagRows() const { return tagRows_; }

    // Selects the row of the tag; false when the sidebar has no such row.
    bool selectItemWithTagName(const std::string& tagName);
    const std::optional<std::string>& selectedTagName() const { return selectedTagName_; }

    // Selects a fixed category by its selection value: 1 files, 2 folders,
    // 3 favourites, 4 URLs, 5 shortcuts, 6 recently used applications, 7
    // running applications.
    void selectItemWithSelectionType(int selectionType);
    const std::optional<int>& selectedSelectionType() const { return selectedSelectionType_; }

private:
    std::vector<std::string> tagRows_;
    std::optional<std::string> selectedTagName_;
    std::optional<int> selectedSelectionType_;
};

}  // namespace frelt
