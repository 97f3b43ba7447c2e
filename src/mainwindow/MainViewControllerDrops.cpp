// Drops onto the entry table and rows dragged out of it.

#include <algorithm>

#include "mainwindow/DraggingHelpers.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/MainViewController.h"
#include "mainwindow/TableViewPopup.h"
#include "platform/foundation/Bookmark.h"
#include "platform/foundation/NotificationCenter.h"
#include "sources/FileHelpers.h"
#include "sources/MainTableViewItemPathPasteboardWriter.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

// A drop of more files or links than this is refused (a handful is meant).
constexpr std::size_t dropLimit = 25;

bool copyOnly(const platform::DraggingInfo& info) {
    return info.draggingSourceOperationMask() == platform::dragoperation::copy;
}

bool hasItems(const platform::DraggingInfo& info) {
    const auto pasteboard = info.draggingPasteboard();
    return pasteboard && pasteboard->pasteboardItems().has_value();
}

}  // namespace

platform::DragOperation MainViewController::validateDrop(platform::TableView& tableView,
                                                         const std::shared_ptr<platform::DraggingInfo>& info, long,
                                                         platform::TableViewDropOperation dropOperation) {
    using platform::dragoperation::none;
    auto* table = dynamic_cast<MainTableView*>(&tableView);
    if (!table || dropOperation != platform::TableViewDropOperation::on || !info || !hasItems(*info)) return none;
    const auto files = draggedFileURLs(*info);
    const auto links = draggedURLs(*info);
    if (!files && !links) return none;

    if (const auto row = table->currentDraggingRow; row && !copyOnly(*info)) {
        if (const auto entry = MainTableView::currentEntry(*row); entry && entry->acceptsDrop()) {
            info->setAnimatesToDestination(true);
            table->setDraggingDestinationFeedbackStyle(platform::TableViewDraggingDestinationFeedbackStyle::none);
            if (*row < table->numberOfRows()) table->selectRowIndexes(platform::IndexSet::withIndex(*row), false);
            return platform::dragoperation::move;
        }
    }
    const auto outline = sectionView.lock();
    if (outline && outline->isTagSelected() && ((files && files->size() < dropLimit) || links)) {
        table->setDropRow(-1, platform::TableViewDropOperation::on);
        table->setDraggingDestinationFeedbackStyle(platform::TableViewDraggingDestinationFeedbackStyle::regular);
        return platform::dragoperation::copy;
    }
    return none;
}

bool MainViewController::acceptDrop(platform::TableView&, const std::shared_ptr<platform::DraggingInfo>& info,
                                    long row, platform::TableViewDropOperation) {
    if (!info || !hasItems(*info)) return false;
    const auto files = draggedFileURLs(*info);
    const auto links = draggedURLs(*info);
    if (!files && !links) return false;
    const auto table = mainTableView.lock();
    if (!table) return false;

    // Onto one entry: it opens with what was dropped.
    if (!copyOnly(*info) && row != -1) {
        if (row >= 0 && row < table->numberOfRows()) table->selectRowIndexes(platform::IndexSet::withIndex(row), false);
        std::vector<std::string> arguments;
        if (files) {
            for (const auto& url : *files) arguments.push_back(url.path());
        } else {
            for (const auto& url : *links) arguments.push_back(url.absoluteString());
        }
        const long selected = table->selectedRow();
        if (selected >= 0 && !table->popupMenu->tableViewPopover->isShown())
            if (const auto entry = MainTableView::currentEntry(selected)) entry->executeWithArguments(arguments);
        return true;
    }

    // Onto the list while a tag is selected: new entries with that tag.
    const auto outline = sectionView.lock();
    const auto tag = outline ? outline->selectedTagName() : std::nullopt;
    if (!tag) return false;
    const auto store = DataStorage::shared();
    if (files && files->size() < dropLimit) {
        const auto bookmarks = SandboxFileAccess::shared()->persistanceBookmarkStorage();
        for (const auto& url : *files) {
            if (!isReachable(url)) continue;
            if (!bookmarks->bookmarkData(url))
                if (const auto data = platform::bookmark::create(url)) bookmarks->setBookmark(data, url);
            store->filesystemHandler()->addFilesystemObjectToDatabase(url.path(), *tag);
        }
        store->rebuildData(RebuildDataReason::addingFilesystemObjectsToDatabaseFinished);
        platform::NotificationCenter::defaultCenter().post(Notifications::datastorageFilesystemObjectAddedOrModified);
        return true;
    }
    if (links && links->size() < dropLimit)
        return store->URLHandler()->addURLToDatabase(links->front().absoluteString(), "", "", *tag) ==
               AddModifyURLResult::success;
    return false;
}

std::shared_ptr<platform::PasteboardWriting> MainViewController::pasteboardWriterForRow(platform::TableView&,
                                                                                       long row) {
    if (row < 0) return nullptr;
    const auto entry = MainTableView::currentEntry(row);
    if (!entry) return nullptr;
    return std::make_shared<MainTableViewItemPathPasteboardWriter>(entry->path());
}

}  // namespace frelt
