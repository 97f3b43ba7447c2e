#pragma once
// The main window's sidebar outline: categories and tags, one of them selected.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/appkit/OutlineView.h"
#include "platform/appkit/Popover.h"
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

class MainOutlineView : public platform::OutlineView {
public:
    explicit MainOutlineView(platform::Rect frame = {}) : platform::OutlineView(frame) {}

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

    // --- What the main window calls on the sidebar. Until the sidebar's own
    // content and popup are built these keep the least state the main
    // window reads: the two headers' collapsed flags, nothing to rebuild.
    enum class Header { categories, tags };
    bool isHeaderCollapsed(Header header) const { return header == Header::categories ? categoriesCollapsed_ : tagsCollapsed_; }
    void setHeaderExpanded(Header header, bool expanded) {
        (header == Header::categories ? categoriesCollapsed_ : tagsCollapsed_) = !expanded;
    }
    // True when a row is selected afterwards; never with both headers collapsed.
    bool selectFirstAvailableEntry() {
        return !(isHeaderCollapsed(Header::categories) && isHeaderCollapsed(Header::tags));
    }
    bool isTagSelected() const { return selectedTagName_.has_value(); }
    // The category of the selected row, if a category is selected.
    std::optional<SourceListItemContentType> selectedItemContentType() const { return std::nullopt; }
    bool outlineViewStructureIsEmpty() const { return true; }
    bool rebuildDataWithNextReload = false;
    void updateContent(bool forceRebuild) { (void)forceRebuild; rebuildDataWithNextReload = false; }
    void updateHoverTrackingArea() {}
    void redrawContent() {}
    void validateCategoryVisibility() {}
    // The section popup's popover.
    const std::shared_ptr<platform::Popover>& sectionViewPopover() const { return sectionViewPopover_; }

private:
    bool categoriesCollapsed_ = false;
    bool tagsCollapsed_ = false;
    std::shared_ptr<platform::Popover> sectionViewPopover_ = std::make_shared<platform::Popover>();
    // --- end of what the main window calls

    std::vector<std::string> tagRows_;
    std::optional<std::string> selectedTagName_;
    std::optional<int> selectedSelectionType_;
};

}  // namespace frelt
