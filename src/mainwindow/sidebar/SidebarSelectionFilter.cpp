// The sidebar's selection as the entry table's filter.

#include "mainwindow/MainOutlineView.h"
#include "mainwindow/sidebar/SidebarDataSource.h"
#include "platform/foundation/FailureHook.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "store/Logging.h"

namespace frelt {

namespace {

constexpr const char* closingLine = "<- update MainTableView with selected SectionView-Item";

void logLine(LogLevel level, const char* line) { log(LogCategory::mainViewController, level, line); }

// Two items stand for the same selection when name, tag and content type
// are equal; a rebuild makes new items for the same selection.
bool sameSelection(const SourceListItem& a, const SourceListItem& b) {
    return a.name() == b.name() && a.tag() == b.tag() && a.itemContentType() == b.itemContentType();
}

struct CategoryFilter {
    SourceListItemContentType contentType;
    SidebarCategory category;
    const char* line;
};

constexpr CategoryFilter categoryFilters[] = {
    {SourceListItemContentType::allApplications, SidebarCategory::allApplications, "-> .allApplications"},
    {SourceListItemContentType::allFolders, SidebarCategory::allFolders, "-> .allFolders"},
    {SourceListItemContentType::allFiles, SidebarCategory::allFiles, "-> .allFiles"},
    {SourceListItemContentType::allFavorites, SidebarCategory::favorites, "-> .allFavorites"},
    {SourceListItemContentType::allURLs, SidebarCategory::urls, "-> .allURLs"},
    {SourceListItemContentType::lastUsedApplications, SidebarCategory::lastUsedApplications,
     "-> .lastUsedApplications"},
    {SourceListItemContentType::openApplications, SidebarCategory::openApplications, "-> .openApplications"},
    {SourceListItemContentType::shortcuts, SidebarCategory::shortcuts, "-> .shortcuts"},
};

void setFilter(const SourceListItem& item) {
    const auto filter = DataStorage::shared()->filterCurrentData();
    for (const auto& row : categoryFilters) {
        if (row.contentType != item.itemContentType()) continue;
        logLine(LogLevel::Default, row.line);
        filter->selectCategory(row.category);
        return;
    }
    if (item.itemContentType() == SourceListItemContentType::tag) {
        if (item.tag().empty()) logLine(LogLevel::Default, "-> .tag without searchString");
        else log(LogCategory::mainViewController, LogLevel::Default, "-> .tag with searchString: %{public}@", item.tag());
        filter->setTagFilter(item.tag());
        return;
    }
    logLine(LogLevel::Default, "-> default");
    filter->resetFilter();
    filter->applyFilter();
}

}  // namespace

void SidebarDataSource::updateMainTableView() {
    platform::assertMainThread("MainViewController::updateMainTableView");
    logLine(LogLevel::Default, "-> update MainTableView with selected SectionView-Item");
    const auto sidebar = sectionView.lock();
    if (!sidebar) {
        logLine(LogLevel::Default, closingLine);
        return;
    }
    if (sidebar->outlineViewRenewState != OutlineViewRenewState::idle) {
        // The sidebar restores its selection; the table keeps its filter.
        logLine(LogLevel::Default, "SectionView is currently reloading -> Break!");
        logLine(LogLevel::Default, closingLine);
        return;
    }
    if (sidebar->selectedRow() == -1) {
        // Selecting calls back here with the new selection.
        if (!sidebar->selectFirstAvailableEntry()) {
            logLine(LogLevel::Error, "!! Error - nothing selected!");
            sidebar->selectItemWithSelectionType(sidebarselectiontype::applications);
        }
        logLine(LogLevel::Default, closingLine);
        return;
    }
    const auto item = std::dynamic_pointer_cast<SourceListItem>(sidebar->itemAtRow(sidebar->selectedRow()));
    if (!item) {
        logLine(LogLevel::Fault, "!! Error - There's something selected, but not SourceListItem!");
        logLine(LogLevel::Default, closingLine);
        return;
    }
    if (sectionViewSelectedItem && sameSelection(*sectionViewSelectedItem, *item)) {
        logLine(LogLevel::Default, "Previous selected Item and new selected Item are the same. No need to refresh!");
        logLine(LogLevel::Default, closingLine);
        return;
    }
    sectionViewSelectedItem = item;
    setFilter(*item);
    logLine(LogLevel::Default, closingLine);
}

}  // namespace frelt
