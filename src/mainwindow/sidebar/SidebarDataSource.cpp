#include "mainwindow/sidebar/SidebarDataSource.h"

#include "mainwindow/DraggingHelpers.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/sidebar/SectionViewCell.h"
#include "mainwindow/sidebar/SectionViewPopup.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/Popover.h"
#include "platform/foundation/FailureHook.h"
#include "platform/appkit/TextField.h"
#include "sources/MainTableViewItemPathPasteboardWriter.h"
#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/SystemConfiguration.h"

namespace frelt {

namespace {

SourceListItem::Ptr sidebarItem(const platform::OutlineItem& item) {
    return std::dynamic_pointer_cast<SourceListItem>(item);
}

// What a drag carries, as the drop methods read it.
struct Dragged {
    std::shared_ptr<platform::Pasteboard> pasteboard;
    // The path of an entry dragged out of the entry table, if it is one.
    std::optional<std::string> entryPath;
    std::optional<std::vector<platform::URL>> fileURLs;
    std::optional<std::vector<platform::URL>> urls;

    // Neither files nor links, or too many files.
    bool carriesNoUsableURLs() const {
        return (!fileURLs && !urls) || (fileURLs && fileURLs->size() > SidebarDataSource::maximumDroppedFiles);
    }
};

// None when the outline is no sidebar or the drag carries no items.
std::optional<Dragged> readDrag(platform::OutlineView& outlineView, const std::shared_ptr<platform::DraggingInfo>& info) {
    if (!dynamic_cast<MainOutlineView*>(&outlineView) || !info) return std::nullopt;
    Dragged dragged{info->draggingPasteboard(), std::nullopt, std::nullopt, std::nullopt};
    if (!dragged.pasteboard || !dragged.pasteboard->pasteboardItems()) return std::nullopt;
    dragged.entryPath = dragged.pasteboard->stringForType(mainTableViewItemPathPasteboardType());
    dragged.fileURLs = draggedFileURLs(*info);
    dragged.urls = draggedURLs(*info);
    return dragged;
}

bool isDropOntoTag(const SourceListItem::Ptr& item, long childIndex) {
    return item && item->itemContentType() == SourceListItemContentType::tag && !item->tag().empty() &&
           childIndex == platform::outlineViewDropOnItemIndex;
}

}  // namespace

void SidebarDataSource::setUpSectionView(const std::shared_ptr<SidebarDataSource>& controller) {
    const auto sidebar = controller ? controller->sectionView.lock() : nullptr;
    if (!sidebar) return;
    sidebar->setDataSource(controller);
    sidebar->setDelegate(controller);
    sidebar->springLoadingOutlineViewDelegate = controller;
    sidebar->expandItem(nullptr, true);
    sidebar->setSelectionHighlightStyle(platform::TableViewSelectionHighlightStyle::regular);
    sidebar->registerForDraggedTypes(
        {mainTableViewItemPathPasteboardType(), platform::pasteboardtype::fileURL, platform::pasteboardtype::URL});
    sidebar->setRowHeight(SystemConfiguration::shared()->sidebarRowHeight());
}

// --- the tree

long SidebarDataSource::numberOfChildrenOfItem(platform::OutlineView& outlineView, const platform::OutlineItem& item) {
    if (const auto parent = sidebarItem(item)) return static_cast<long>(parent->children().size());
    const auto* sidebar = dynamic_cast<MainOutlineView*>(&outlineView);
    return sidebar ? static_cast<long>(sidebar->outlineViewStructure->count()) : 0;
}

platform::OutlineItem SidebarDataSource::child(platform::OutlineView& outlineView, long index,
                                               const platform::OutlineItem& item) {
    if (const auto parent = sidebarItem(item)) return parent->children()[static_cast<std::size_t>(index)];
    const auto* sidebar = dynamic_cast<MainOutlineView*>(&outlineView);
    return sidebar ? (*sidebar->outlineViewStructure)[index].value_or(nullptr) : nullptr;
}

bool SidebarDataSource::isItemExpandable(platform::OutlineView&, const platform::OutlineItem& item) {
    const auto entry = sidebarItem(item);
    return entry && entry->hasChildren();
}

// --- rows

bool SidebarDataSource::isGroupItem(platform::OutlineView&, const platform::OutlineItem& item) {
    const auto entry = sidebarItem(item);
    return entry && entry->itemType() == SourceListItemType::header;
}

double SidebarDataSource::heightOfRowByItem(platform::OutlineView&, const platform::OutlineItem& item) {
    const auto entry = sidebarItem(item);
    const auto system = SystemConfiguration::shared();
    return entry && entry->itemType() == SourceListItemType::header ? system->sidebarRowHeightHeader()
                                                                    : system->sidebarRowHeight();
}

std::shared_ptr<platform::View> SidebarDataSource::viewForTableColumn(platform::OutlineView& outlineView,
                                                                      const std::shared_ptr<platform::TableColumn>&,
                                                                      const platform::OutlineItem& item) {
    const auto entry = sidebarItem(item);
    if (!entry) return nullptr;
    if (entry->itemType() == SourceListItemType::entry) {
        auto cell = std::dynamic_pointer_cast<SectionViewCellEntry>(
            outlineView.makeViewWithIdentifier(SectionViewCellEntry::identifier, nullptr));
        if (!cell) return nullptr;
        const auto system = SystemConfiguration::shared();
        cell->textFont = platform::Font::systemFont(system->sidebarTextSize());
        cell->iconSize = system->sidebarIconSize();
        cell->configure(entry);
        return cell;
    }
    auto cell = std::dynamic_pointer_cast<SectionViewCellHeader>(
        outlineView.makeViewWithIdentifier(SectionViewCellHeader::identifier, nullptr));
    if (!cell) return nullptr;
    if (auto name = cell->headerTextField.lock()) name->setStringValue(entry->name());
    return cell;
}

bool SidebarDataSource::shouldSelectItem(platform::OutlineView&, const platform::OutlineItem& item) {
    const auto entry = sidebarItem(item);
    if (!entry) return false;
    switch (entry->itemContentType()) {
    case SourceListItemContentType::none:
    case SourceListItemContentType::headerCategories:
    case SourceListItemContentType::headerTags: return false;
    default: return !entry->tag().empty();
    }
}

void SidebarDataSource::outlineViewSelectionDidChange(const platform::Notification&) {
    log(LogCategory::mainSectionView, LogLevel::Default, "-> outlineViewSelectionDidChange");
    if (const auto sidebar = sectionView.lock(); sidebar && sidebar->popupMenu->sectionViewPopover->isShown())
        sidebar->popupMenu->sectionViewPopover->close();
    updateMainTableView();
    log(LogCategory::mainSectionView, LogLevel::Default, "<- outlineViewSelectionDidChange");
}

// --- drops

platform::DragOperation SidebarDataSource::validateDrop(platform::OutlineView& outlineView,
                                                        const std::shared_ptr<platform::DraggingInfo>& info,
                                                        const platform::OutlineItem& proposedItem,
                                                        long proposedChildIndex) {
    const auto dragged = readDrag(outlineView, info);
    if (!dragged) return platform::dragoperation::none;
    const auto item = sidebarItem(proposedItem);
    if (dragged->entryPath && !dragged->entryPath->empty()) {
        // A tag folder has no tag to give.
        return isDropOntoTag(item, proposedChildIndex) ? platform::dragoperation::copy : platform::dragoperation::none;
    }
    if (dragged->carriesNoUsableURLs()) return platform::dragoperation::none;
    if (isDropOntoTag(item, proposedChildIndex)) return platform::dragoperation::copy;
    if (proposedChildIndex != platform::outlineViewDropOnItemIndex) return platform::dragoperation::none;
    // Onto a category, a header, a folder or the empty area: the whole sidebar.
    outlineView.setDropItem(nullptr, platform::outlineViewDropOnItemIndex);
    return platform::dragoperation::copy;
}

bool SidebarDataSource::acceptDrop(platform::OutlineView& outlineView,
                                   const std::shared_ptr<platform::DraggingInfo>& info,
                                   const platform::OutlineItem& item, long) {
    platform::assertMainThread("MainViewController::acceptDrop");
    const auto dragged = readDrag(outlineView, info);
    if (!dragged) return false;
    const auto tagItem = std::dynamic_pointer_cast<SourceListItemTags>(item);
    const auto store = DataStorage::shared();
    if (dragged->entryPath && tagItem) {
        // Appending the empty tag of a folder would store an empty tag.
        if (tagItem->tag().empty()) return false;
        store->appendTag(*dragged->entryPath, tagItem->tag());
        store->rebuildData(RebuildDataReason::outlineviewDatasource);
        return true;
    }
    if (dragged->carriesNoUsableURLs()) return false;
    const bool fileURLString = dragged->pasteboard->stringForType(platform::pasteboardtype::fileURL).has_value();
    if (fileURLString && dragged->fileURLs && (tagItem || !item)) {
        store->filesystemHandler()->addDroppedFilesystemObjects(*dragged->fileURLs, tagItem ? tagItem->tag() : "");
        return true;
    }
    const bool urlString = dragged->pasteboard->stringForType(platform::pasteboardtype::URL).has_value();
    if (urlString && dragged->urls && (tagItem || !item)) {
        if (dragged->urls->empty()) return false;
        const auto tag = tagItem ? std::optional<std::string>(tagItem->tag()) : std::nullopt;
        return store->URLHandler()->addURLToDatabase(dragged->urls->front().absoluteString(), "", "", tag) ==
               AddModifyURLResult::success;
    }
    return false;
}

void SidebarDataSource::outlineViewSpringLoadingActivated(const SourceListItem::Ptr& item) {
    if (const auto sidebar = sectionView.lock()) sidebar->selectByItem(item);
}

}  // namespace frelt
