// Selecting sidebar rows on behalf of other parts: hotkeys, tag entries,
// hover, spring loading, renewal and the entry table's refresh.

#include <functional>

#include "mainwindow/MainOutlineView.h"
#include "platform/foundation/FailureHook.h"
#include "store/Logging.h"

namespace frelt {

std::optional<SourceListItemContentType> contentTypeForSelectionType(SidebarSelectionType type) {
    using T = SourceListItemContentType;
    switch (type) {
    case sidebarselectiontype::applications: return T::allApplications;
    case sidebarselectiontype::files: return T::allFiles;
    case sidebarselectiontype::folders: return T::allFolders;
    case sidebarselectiontype::favorites: return T::allFavorites;
    case sidebarselectiontype::urls: return T::allURLs;
    case sidebarselectiontype::shortcuts: return T::shortcuts;
    case sidebarselectiontype::recentApplications: return T::lastUsedApplications;
    case sidebarselectiontype::activeApplications: return T::openApplications;
    default: return std::nullopt;
    }
}

namespace {

void logSelection(const char* line) { log(LogCategory::mainSectionView, LogLevel::Default, line); }

// The first item of the tree, depth first in pre-order, that `matches`.
SourceListItem::Ptr firstInPreOrder(const std::vector<SourceListItem::Ptr>& items,
                                    const std::function<bool(const SourceListItem&)>& matches) {
    for (const auto& item : items) {
        if (matches(*item)) return item;
        if (auto found = firstInPreOrder(item->children(), matches)) return found;
    }
    return nullptr;
}

}  // namespace

bool MainOutlineView::selectItemWithIndex(long index) {
    logSelection("selectItemWith index");
    if (selectedRow() == index) return false;
    if (index < 0 || index >= numberOfRows()) return false;
    const auto item = itemAtRowIfSidebarItem(index);
    if (!item || item->itemType() == SourceListItemType::header) return false;
    selectRowIndexes(platform::IndexSet{index}, false);
    setNeedsDisplay(true);
    return true;
}

bool MainOutlineView::selectFirstAvailableEntry() {
    logSelection("selectFirstAvailableEntry");
    if (isHeaderCollapsed(SourceListItemContentType::headerCategories) &&
        isHeaderCollapsed(SourceListItemContentType::headerTags))
        return false;
    if (selectedRow() != -1) return true;
    for (long row = 0; row < numberOfRows(); ++row) {
        const auto item = itemAtRowIfSidebarItem(row);
        if (!item || item->itemType() != SourceListItemType::entry) continue;
        selectRowIndexes(platform::IndexSet{row}, false);
        setNeedsDisplay(true);
        return true;
    }
    return false;
}

bool MainOutlineView::selectItemWithSelectionType(SidebarSelectionType type) {
    logSelection("selectItemWith selectionType");
    logSelection("searchForSourceListItem");
    const auto contentType = contentTypeForSelectionType(type);
    if (!contentType) return false;
    const auto item = searchForSourceListItem(*contentType);
    return item && selectByItem(item);
}

bool MainOutlineView::selectItemWithTagName(const std::string& tagName) {
    logSelection("selectItemWith tagName");
    const auto item = searchForSourceListItem(tagName);
    return item && selectByItem(item);
}

bool MainOutlineView::selectItemWithTagNameAndContentType(const std::string& tagName,
                                                          SourceListItemContentType contentType) {
    logSelection("selectItemWith tagName and ContentType");
    if (tagName.empty() || contentType == SourceListItemContentType::none) return false;
    const auto item = searchForSourceListItem(tagName, contentType);
    return item && selectByItem(item);
}

bool MainOutlineView::selectByItem(const SourceListItem::Ptr& item) {
    platform::assertMainThread("MainOutlineView::selectByItem");
    if (!item) return false;
    long row = rowForItem(item);
    FRELT_LOG(mainSectionView, Default, "## selectByItem ##");
    FRELT_LOG(mainSectionView, Default, "## Tag: %{public}@", item->tag());
    FRELT_LOG(mainSectionView, Default, "## Typ: %{public}@", rawValue(item->itemContentType()));
    FRELT_LOG(mainSectionView, Default, "## Rows in SectionView: %{public}@", std::to_string(numberOfRows()));
    FRELT_LOG(mainSectionView, Default, "## Current selected row: %{public}@", std::to_string(selectedRow()));
    FRELT_LOG(mainSectionView, Default, "## Current ItemIndex: %{public}@", std::to_string(row));
    if (row < 0) {
        // Hidden inside collapsed parents: open them from the top down.
        std::vector<SourceListItem::Ptr> chain;
        for (auto current = item; current; current = current->parent()) chain.push_back(current);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) expandItem(*it, false);
        row = rowForItem(item);
        FRELT_LOG(mainSectionView, Default, "## ItemIndex after search: %{public}@", std::to_string(row));
        if (row < 0) {
            logSelection("## No valid entry found!");
            return false;
        }
    }
    logSelection("## Entry found!");
    selectRowIndexes(platform::IndexSet{row}, false);
    scrollRowToVisible(row);
    return true;
}

SourceListItem::Ptr MainOutlineView::searchForSourceListItem(const std::string& tagName) const {
    logSelection("searchForSourceListItem");
    return firstInPreOrder(*outlineViewStructure->snapshot(),
                           [&](const SourceListItem& item) { return item.tag() == tagName; });
}

SourceListItem::Ptr MainOutlineView::searchForSourceListItem(const std::string& tagName,
                                                             SourceListItemContentType contentType) const {
    logSelection("searchForSourceListItem");
    return firstInPreOrder(*outlineViewStructure->snapshot(), [&](const SourceListItem& item) {
        return item.tag() == tagName && item.itemContentType() == contentType;
    });
}

SourceListItem::Ptr MainOutlineView::searchForSourceListItem(SourceListItemContentType contentType) const {
    logSelection("searchForSourceListItem");
    return firstInPreOrder(*outlineViewStructure->snapshot(),
                           [&](const SourceListItem& item) { return item.itemContentType() == contentType; });
}

}  // namespace frelt
