// Building the sidebar's tree, and keeping what the outline shows in step
// with it.

#include <array>

#include "app/AppDelegate.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/sidebar/SectionViewCell.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/Text.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

using Flag = bool MainOutlineView::*;
using Setting = bool (Configuration::*)() const;
using DataCondition = bool (DataStorage::*)() const;

// The category entries in the order of the "Categories" header. A category
// shows while its setting is on (none: always) and, for a data-dependent
// one, the data holds a visible and reachable entry of its kind.
struct Category {
    SourceListItemContentType contentType;
    const LocalizedString* name;
    Setting setting;
    DataCondition data;
    Flag flag;
};

const std::array<Category, 8>& categories() {
    static const std::array<Category, 8> table{{
        {SourceListItemContentType::allApplications, &L10n::All_Applications, nullptr, nullptr,
         &MainOutlineView::rootEntryAllApplicationsAvailable},
        {SourceListItemContentType::allFiles, &L10n::All_Files, &Configuration::sidebarCategoriesShowFiles,
         &DataStorage::allDataContainsFiles, &MainOutlineView::rootEntryAllFilesAvailable},
        {SourceListItemContentType::allFolders, &L10n::All_Folders, &Configuration::sidebarCategoriesShowFolders,
         &DataStorage::allDataContainsFolders, &MainOutlineView::rootEntryAllFoldersAvailable},
        {SourceListItemContentType::allURLs, &L10n::All_URLs, &Configuration::sidebarCategoriesShowURLs,
         &DataStorage::allDataContainsURLs, &MainOutlineView::rootEntryAllURLsAvailable},
        {SourceListItemContentType::shortcuts, &L10n::Shortcuts, &Configuration::sidebarCategoriesShowShortcuts,
         &DataStorage::allDataContainsShortcuts, &MainOutlineView::rootEntryAllShortcutsAvailable},
        {SourceListItemContentType::lastUsedApplications, &L10n::lastUsedApplications,
         &Configuration::sidebarCategoriesShowRecentApplications, nullptr,
         &MainOutlineView::rootEntryLastUsedApplicationsAvailable},
        {SourceListItemContentType::openApplications, &L10n::openApplications,
         &Configuration::sidebarCategoriesShowActiveApplications, nullptr,
         &MainOutlineView::rootEntryOpenApplicationsAvailable},
        {SourceListItemContentType::allFavorites, &L10n::All_Favorites, &Configuration::sidebarCategoriesShowFavorites,
         &DataStorage::allDataContainsFavorites, &MainOutlineView::rootEntryAllFavoritesAvailable},
    }};
    return table;
}

// The levels of a tag name that are not blank, as they stand.
std::vector<std::string> nonBlankLevels(const std::vector<std::string_view>& levels) {
    std::vector<std::string> kept;
    for (const auto level : levels)
        if (!platform::text::trimmingWhitespaceAndNewlines(level).empty()) kept.emplace_back(level);
    return kept;
}

std::vector<std::string> nonBlankLevels(const std::vector<std::string>& levels) {
    return nonBlankLevels(std::vector<std::string_view>(levels.begin(), levels.end()));
}

const char* text(bool value) { return value ? "true" : "false"; }

}  // namespace

// --- building

void MainOutlineView::buildData() {
    platform::assertMainThread("MainOutlineView::buildData");
    log(LogCategory::mainSectionView, LogLevel::Default, "-> buildData");
    if (outlineViewStructureState == OutlineViewStructureState::rebuildInProgress) {
        log(LogCategory::mainSectionView, LogLevel::Fault, "buildData failed -> another rebuild is already running!");
        log(LogCategory::mainSectionView, LogLevel::Default, "<- buildData");
        return;
    }
    outlineViewStructureState = OutlineViewStructureState::rebuildInProgress;
    const auto store = DataStorage::shared();
    if (store->state() != DatastorageState::idle) {
        log(LogCategory::mainSectionView, LogLevel::Fault, "buildData failed -> DataStorage was not idle!");
        outlineViewStructureState = OutlineViewStructureState::idle;
        log(LogCategory::mainSectionView, LogLevel::Default, "<- buildData");
        return;
    }

    for (const auto& root : *outlineViewStructure->snapshot()) root->removeAllChildren();
    outlineViewStructure->removeAll();

    const auto headerCategories =
        SourceListItemSection::make(L10n::Categories.value(), SourceListItemContentType::headerCategories);
    const auto headerTags = SourceListItemSection::make(L10n::Tags.value(), SourceListItemContentType::headerTags);
    for (const auto& category : categories()) this->*category.flag = false;

    outlineViewStructure->append(headerCategories);
    const auto config = AppDelegate::shared()->config;
    for (const auto& category : categories()) {
        if (category.setting && !(config.get()->*category.setting)()) continue;
        if (category.data && !(store.get()->*category.data)()) continue;
        auto entry = SourceListItemFixedEntry::make(category.name->value(), category.contentType);
        // Its header, so that selecting a category can open a collapsed one.
        entry->setParent(headerCategories);
        headerCategories->appendChild(std::move(entry));
        this->*category.flag = true;
    }

    outlineViewStructure->append(headerTags);
    for (const auto& visible : *TagManager::shared()->allVisibleTags()->snapshot()) {
        const std::string& name = visible->tagName();
        if (name.empty()) continue;
        const auto levels = nonBlankLevels(tagNameLevels(name));
        if (levels.empty()) continue;
        buildStructuredTags(headerTags, name, levels);
    }

    outlineViewStructureState = OutlineViewStructureState::idle;
    log(LogCategory::mainSectionView, LogLevel::Default, "<- buildData");
}

void MainOutlineView::buildStructuredTags(const SourceListItem::Ptr& parent, const std::string& originalTag,
                                          const std::vector<std::string>& tagArray) {
    if (tagArray.empty()) {
        log(LogCategory::mainSectionView, LogLevel::Error, "buildStructuredTags - tagArray.isEmpty!");
        return;
    }
    if (originalTag.empty()) {
        log(LogCategory::mainSectionView, LogLevel::Error, "buildStructuredTags - originalTag.isEmpty!");
        return;
    }
    const auto path = nonBlankLevels(tagArray);
    if (path.empty()) {
        log(LogCategory::mainSectionView, LogLevel::Error, "buildStructuredTags - internalTagArray.isEmpty!");
        return;
    }
    const std::string& head = path.front();
    const std::vector<std::string> rest(path.begin() + 1, path.end());

    SourceListItem::Ptr found;
    if (parent) {
        for (const auto& child : parent->children())
            if (child->name() == head) {
                found = child;
                break;
            }
    } else {
        found = outlineViewStructure->firstWhere([&](const SourceListItem::Ptr& root) {
            return root->itemContentType() == SourceListItemContentType::tag && root->name() == head;
        }).value_or(nullptr);
    }

    if (found) {
        // A folder made earlier for a longer name becomes the tag of this one.
        if (rest.empty()) found->setTag(originalTag);
        else buildStructuredTags(found, originalTag, rest);
        return;
    }

    const auto node = SourceListItemTags::make(head);
    node->setParent(parent);
    if (rest.empty()) {
        node->setTag(originalTag);
        log(LogCategory::mainSectionView, LogLevel::Default,
            "buildStructuredTags: Created a SourcelistItem as Tag for %{public}@", originalTag);
    } else {
        node->setTag("");
        log(LogCategory::mainSectionView, LogLevel::Default,
            "buildStructuredTags: Created a SourcelistItem as Folder for %{public}@", head);
    }
    if (parent) {
        parent->appendChild(node);
        log(LogCategory::mainSectionView, LogLevel::Default,
            "buildStructuredTags: - Append SourcelistItem as Child to %{public}@", parent->name());
    } else {
        outlineViewStructure->append(node);
        log(LogCategory::mainSectionView, LogLevel::Default,
            "buildStructuredTags: - Append SourcelistItem to outlineViewStructure");
    }
    if (!rest.empty()) buildStructuredTags(node, originalTag, rest);
}

// --- renewal

void MainOutlineView::updateContent(bool forceRebuild) {
    platform::assertMainThread("MainOutlineView::updateContent");
    if (outlineViewStructureState == OutlineViewStructureState::rebuildInProgress) {
        log(LogCategory::mainSectionView, LogLevel::Error, "updateContent cancelled - outlineStructure was not idle!");
        outlineViewRenewState = OutlineViewRenewState::idle;
        rebuildDataWithNextReload = false;
        log(LogCategory::mainSectionView, LogLevel::Default, "<- updateContent");
        return;
    }
    FRELT_LOG(mainSectionView, Default, "-> updateContent %{public}@",
              "[Rows: " + std::to_string(numberOfRows()) + ", Categories collapsed: " + text(collapsedCategories) +
                  ", Tags collapsed: " + text(collapsedTags) + "]");

    const long previousRow = selectedRow();
    std::string previousTag;
    SourceListItemContentType previousContentType = SourceListItemContentType::none;
    if (const auto previous = itemAtRowIfSidebarItem(previousRow); previousRow != -1 && previous) {
        previousTag = previous->tag();
        previousContentType = previous->itemContentType();
    }
    collapsedCategories = isHeaderCollapsed(SourceListItemContentType::headerCategories);
    collapsedTags = isHeaderCollapsed(SourceListItemContentType::headerTags);

    if (forceRebuild || rebuildDataWithNextReload) {
        log(LogCategory::mainSectionView, LogLevel::Default, "Rebuild the outlineView-Data ...");
        outlineViewRenewState = OutlineViewRenewState::forceBuildData;
        buildData();
    }

    outlineViewRenewState = OutlineViewRenewState::reloadData;
    reloadData();

    outlineViewRenewState = OutlineViewRenewState::expandHeader;
    setHeaderExpanded(SourceListItemContentType::headerCategories, !collapsedCategories);
    setHeaderExpanded(SourceListItemContentType::headerTags, !collapsedTags);

    outlineViewRenewState = OutlineViewRenewState::selectItem;
    bool reselected = false;
    if (previousRow != -1) {
        const auto item = itemAtRowIfSidebarItem(previousRow);
        if (item && item->tag() == previousTag && item->itemContentType() == previousContentType) {
            log(LogCategory::mainSectionView, LogLevel::Default,
                "- renewContent: Index of the previous selected row found and tag as well as content-type matches. "
                "Selecting row");
            selectRowIndexes(platform::IndexSet{previousRow}, false);
            reselected = true;
        } else {
            log(LogCategory::mainSectionView, LogLevel::Default,
                "- renewContent: Index of the previous selected row found but tag or content-type are invalid. "
                "Searching for correct row ...");
            reselected = selectItemWithTagNameAndContentType(previousTag, previousContentType);
        }
    }
    if (!reselected) {
        log(LogCategory::mainSectionView, LogLevel::Default,
            "- renewContent: No previous entry selected or previous selected entry not fount. Selecting first "
            "available entry ...");
        // Idle first: a selection made here is a new one, and the entry table
        // follows it.
        outlineViewRenewState = OutlineViewRenewState::idle;
        selectFirstAvailableEntry();
    }

    outlineViewRenewState = OutlineViewRenewState::idle;
    rebuildDataWithNextReload = false;
    log(LogCategory::mainSectionView, LogLevel::Default, "<- updateContent");
}

void MainOutlineView::validateCategoryVisibility() {
    using EntryCategory = DataStorage::EntryCategory;
    struct Check {
        Setting setting;
        EntryCategory category;
        Flag flag;
        const char* line;
    };
    static const std::array<Check, 5> checks{{
        {&Configuration::sidebarCategoriesShowFavorites, EntryCategory::favorites,
         &MainOutlineView::rootEntryAllFavoritesAvailable,
         "validateCategoryVisibility: allDataContainsFavorites <> rootEntryAllFavoritesAvailable -> updateContent now!"},
        {&Configuration::sidebarCategoriesShowFiles, EntryCategory::files, &MainOutlineView::rootEntryAllFilesAvailable,
         "validateCategoryVisibility: allDataContainsFiles <> rootEntryAllFilesAvailable -> updateContent now!"},
        {&Configuration::sidebarCategoriesShowFolders, EntryCategory::folders,
         &MainOutlineView::rootEntryAllFoldersAvailable,
         "validateCategoryVisibility: allDataContainsFolders <> rootEntryAllFoldersAvailable -> updateContent now!"},
        {&Configuration::sidebarCategoriesShowURLs, EntryCategory::urls, &MainOutlineView::rootEntryAllURLsAvailable,
         "validateCategoryVisibility: allDataContainsURLs <> rootEntryAllURLsAvailable -> updateContent now!"},
        {&Configuration::sidebarCategoriesShowShortcuts, EntryCategory::shortcuts,
         &MainOutlineView::rootEntryAllShortcutsAvailable,
         "validateCategoryVisibility: allDataContainsShortcuts <> rootEntryAllShortcutsAvailable -> updateContent now!"},
    }};
    const auto config = AppDelegate::shared()->config;
    const auto store = DataStorage::shared();
    // Asked at every keystroke: answers the disk would have to confirm are
    // taken as they stand, and the check runs again if the confirmation,
    // made on the worker pool, changes one while the sidebar shows.
    auto refreshed = [weak = std::weak_ptr<MainOutlineView>(std::static_pointer_cast<MainOutlineView>(
                          shared_from_this()))] {
        const auto outline = weak.lock();
        const auto win = outline ? outline->window() : nullptr;
        if (win && win->isVisible()) outline->validateCategoryVisibility();
    };
    for (const auto& check : checks) {
        if (!(config.get()->*check.setting)()) continue;
        if (store->allDataContainsWithoutWaiting(check.category, refreshed) == this->*check.flag) continue;
        log(LogCategory::mainSectionView, LogLevel::Default, check.line);
        updateContent(true);
        return;
    }
}

// --- redraw

void MainOutlineView::redrawRows(bool selectedOnly) {
    if (numberOfRows() <= 0) return;
    enumerateAvailableRowViews([&](const std::shared_ptr<platform::TableRowView>&, long row) {
        if (selectedOnly && !isRowSelected(row)) return;
        if (auto cell = std::dynamic_pointer_cast<SectionViewCellEntry>(viewAtColumn(0, row, false))) {
            cell->setNeedsDisplay(true);
            cell->display();
        }
    });
    setNeedsDisplay(true);
    display();
}

void MainOutlineView::redrawContent() {
    log(LogCategory::mainSectionView, LogLevel::Default, "-> redrawContent");
    redrawRows(false);
    log(LogCategory::mainSectionView, LogLevel::Default, "<- redrawContent");
}

void MainOutlineView::redrawSelected() {
    log(LogCategory::mainSectionView, LogLevel::Default, "-> redrawSelected");
    redrawRows(true);
    log(LogCategory::mainSectionView, LogLevel::Default, "<- redrawSelected");
}

}  // namespace frelt
