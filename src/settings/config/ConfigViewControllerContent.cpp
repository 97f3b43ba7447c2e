#include "settings/config/ConfigViewControllerContent.h"

#include "app/AppDelegate.h"
#include "hotkeys/HotKeyManager.h"
#include "hotkeys/RecordView.h"
#include "mainwindow/DraggingHelpers.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/NotificationCenter.h"
#include "settings/ConfigCells.h"
#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterConfigData.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

// The filter's sort column for a column header's sort key.
std::optional<ConfigEnumSortingBy> sortingByForKey(const std::string& key) {
    if (key == "application") return ConfigEnumSortingBy::name;
    if (key == "tags") return ConfigEnumSortingBy::tags;
    if (key == "hotkey") return ConfigEnumSortingBy::hotkey;
    if (key == "comment") return ConfigEnumSortingBy::comment;
    return std::nullopt;
}

bool hasPasteboardItems(const platform::DraggingInfo& info) {
    const auto pasteboard = info.draggingPasteboard();
    return pasteboard && !pasteboard->items().empty();
}

}  // namespace

// --- table

ConfigTableView::ConfigTableView(platform::Rect frame) : TableView(frame) {
    registerForDraggedTypes({platform::pasteboardtype::fileURL, platform::pasteboardtype::URL});
}

ConfigTableView::~ConfigTableView() { unregisterDraggedTypes(); }

bool ConfigTableView::validateProposedFirstResponder(const std::shared_ptr<platform::Responder>& responder,
                                                     const platform::Event* event) {
    // The recorder takes its clicks in any row; the comment and the tags
    // (a token field) edit as the table's fields do, and the labels never
    // take a click from their row.
    if (std::dynamic_pointer_cast<RecordView>(responder)) return true;
    return TableView::validateProposedFirstResponder(responder, event);
}

// --- controller

ConfigViewControllerContent::ConfigViewControllerContent() {
    registerAction("tableViewDoubleClick:", [this](const std::shared_ptr<platform::Object>&) { tableViewDoubleClick(); });
}

TableViewItem::Ptr ConfigViewControllerContent::entryAt(long row) const {
    const auto list = DataStorage::shared()->currentDataConfig();
    if (!list || row < 0) return nullptr;
    return (*list)[row].value_or(nullptr);
}

void ConfigViewControllerContent::postSelection(const platform::IndexSet& rows) {
    platform::NotificationCenter::defaultCenter().post(Notifications::configTableViewSelectionDidChange,
                                                       std::any(rows));
}

void ConfigViewControllerContent::reloadDataTable() {
    const auto table = dataTableView.lock();
    if (!table) return;
    const long selectedRow = table->selectedRow();
    const auto selected = shownList_ && selectedRow >= 0 ? (*shownList_)[selectedRow].value_or(nullptr) : nullptr;
    // Clearing the sort descriptors and setting them again sorts the fresh
    // list the way the headers show.
    const auto descriptors = table->sortDescriptors();
    table->setSortDescriptors({});
    table->reloadData();
    table->setSortDescriptors(descriptors);
    if (selected) {
        const auto list = DataStorage::shared()->currentDataConfig();
        const auto row = list ? list->firstIndexWhere([&](const TableViewItem::Ptr& e) { return selected->isEqual(e); })
                              : std::nullopt;
        if (row) {
            // The table tells of the change itself when there is one.
            table->selectRowIndexes(platform::IndexSet::withIndex(static_cast<long>(*row)), false);
            return;
        }
    }
    postSelection(table->selectedRowIndexes());
}

long ConfigViewControllerContent::numberOfRowsInTableView(platform::TableView&) {
    const auto list = DataStorage::shared()->currentDataConfig();
    shownList_ = list;
    return list ? static_cast<long>(list->count()) : 0;
}

double ConfigViewControllerContent::heightOfRow(platform::TableView&, long) { return rowHeight; }

std::shared_ptr<platform::View> ConfigViewControllerContent::viewForTableColumn(
    platform::TableView& tableView, const std::shared_ptr<platform::TableColumn>& column, long row) {
    const auto entry = entryAt(row);
    if (!entry || !column) return nullptr;
    const auto owner = shared_from_this();
    const auto& id = column->identifier();
    auto make = [&]<class Cell>(const char* identifier) -> std::shared_ptr<platform::View> {
        auto cell = std::dynamic_pointer_cast<Cell>(tableView.makeViewWithIdentifier(identifier, owner));
        if (!cell) return nullptr;
        cell->setTableViewItem(entry);
        return cell;
    };
    if (id == "column_Entry") return make.operator()<TableViewCellConfigEntry>(TableViewCellConfigEntry::identifier);
    if (id == "column_Tags") return make.operator()<TableViewCellConfigTags>(TableViewCellConfigTags::identifier);
    if (id == "column_Hotkey") return make.operator()<TableViewCellConfigHotkey>(TableViewCellConfigHotkey::identifier);
    if (id == "column_Comment")
        return make.operator()<TableViewCellConfigComment>(TableViewCellConfigComment::identifier);
    return nullptr;
}

void ConfigViewControllerContent::tableViewSelectionDidChange(const platform::Notification&) {
    if (const auto table = dataTableView.lock()) postSelection(table->selectedRowIndexes());
}

void ConfigViewControllerContent::sortDescriptorsDidChange(platform::TableView& tableView,
                                                           const std::vector<platform::SortDescriptor>&) {
    const auto& descriptors = tableView.sortDescriptors();
    if (descriptors.empty()) return;
    const auto filter = DataStorage::shared()->filterConfigData();
    const auto& first = descriptors.front();
    filter->setConfigTableViewSortingOrder(first.ascending() ? ConfigEnumSortingOrder::ascending
                                                             : ConfigEnumSortingOrder::descending);
    if (const auto by = sortingByForKey(first.key())) filter->setConfigTableViewSortingBy(*by);
    filter->applyFilter();
    tableView.reloadData();
}

platform::DragOperation ConfigViewControllerContent::validateDrop(platform::TableView& tableView,
                                                                  const std::shared_ptr<platform::DraggingInfo>& info,
                                                                  long, platform::TableViewDropOperation) {
    if (!dynamic_cast<ConfigTableView*>(&tableView) || !info || !hasPasteboardItems(*info))
        return platform::dragoperation::none;
    const auto files = draggedFileURLs(*info);
    const auto links = draggedURLs(*info);
    if ((files && files->size() < maximumDroppedFiles) || (links && !links->empty())) {
        // New entries belong to the whole list, not to a row.
        tableView.setDropRow(-1, platform::TableViewDropOperation::on);
        return platform::dragoperation::copy;
    }
    return platform::dragoperation::none;
}

bool ConfigViewControllerContent::acceptDrop(platform::TableView&, const std::shared_ptr<platform::DraggingInfo>& info,
                                             long, platform::TableViewDropOperation) {
    if (!info || !hasPasteboardItems(*info)) return false;
    const auto store = DataStorage::shared();
    if (const auto files = draggedFileURLs(*info); files && files->size() < maximumDroppedFiles) {
        // Files that cannot be reached are skipped; the rest are added with
        // a grant kept for each, then the data is rebuilt once.
        store->filesystemHandler()->addDroppedFilesystemObjects(*files, std::string());
        return true;
    }
    const auto links = draggedURLs(*info);
    if (!links || links->empty()) return false;
    return store->URLHandler()->addURLToDatabase(links->front().absoluteString(), "", "", std::nullopt) ==
           AddModifyURLResult::success;
}

void ConfigViewControllerContent::tableViewDoubleClick() {
    const auto table = dataTableView.lock();
    if (!table) return;
    const auto entry = entryAt(table->selectedRow());
    if (!entry) return;
    // Only links the user made are edited in the dialog.
    if (entry->itemType() != ListviewItemType::url || entry->itemSource() != ListviewItemSource::other) return;
    DataStorage::shared()->URLHandler()->showModifyURLDialog(
        entry, std::static_pointer_cast<platform::ViewController>(shared_from_this()));
}

void ConfigViewControllerContent::tableViewItemChangedWith(const platform::Notification& notification) {
    const auto window = isViewLoaded() ? view()->window() : nullptr;
    if (!window || !window->isVisible()) return;
    const auto* object = notification.objectAs<std::shared_ptr<TableViewItemChangedNotifyObject>>();
    if (!object || !*object) return;
    const auto& change = **object;
    if (AppDelegate::shared()->config->debugLogging()) {
        log(LogCategory::mainViewController, LogLevel::Default, "Observer tableViewItemChanged was called");
        log(LogCategory::mainViewController, LogLevel::Default, "  - Object: %{public}@", change.path);
        log(LogCategory::mainViewController, LogLevel::Default, "  - NotifyReason: %{public}@",
            change.reason ? std::string(rawValue(*change.reason)) : std::string());
    }
    const auto table = dataTableView.lock();
    const auto list = DataStorage::shared()->currentDataConfig();
    if (!table || !list) return;
    const auto row = list->firstIndexWhere([&](const TableViewItem::Ptr& e) { return e && e->path() == change.path; });
    if (!row) return;
    table->reloadDataForRowIndexes(platform::IndexSet::withIndex(static_cast<long>(*row)),
                                   platform::IndexSet::withRange(0, table->numberOfColumns()));
}

void ConfigViewControllerContent::viewDidLoad() {
    ViewController::viewDidLoad();
    if (const auto table = dataTableView.lock()) {
        const auto self = std::dynamic_pointer_cast<ConfigViewControllerContent>(shared_from_this());
        table->setDelegate(self);
        table->setDataSource(self);
        table->setTarget(self);
        if (!table->headerView()) table->setHeaderView(std::make_shared<platform::TableHeaderView>());
    }
    itemChangedObservation_ = platform::NotificationCenter::defaultCenter().observe(
        Notifications::tableViewItemChanged, nullptr,
        [this](const platform::Notification& notification) { tableViewItemChangedWith(notification); });
}

void ConfigViewControllerContent::viewWillAppear() {
    ViewController::viewWillAppear();
    HotKeyManager::shared()->setHotkeysPaused(true);
    const auto store = DataStorage::shared();
    store->rebuildData(RebuildDataReason::configViewContent);
    store->filterConfigData()->applyFilter();
    reloadDataTable();
    if (const auto table = dataTableView.lock()) table->setDoubleAction("tableViewDoubleClick:");
    if (const auto window = view()->window()) {
        window->setTitle(L10n::configViewControllerContentWindowTitle.value());
        window->setSubtitle(L10n::configViewControllerContentWindowSubTitle.value());
    }
}

void ConfigViewControllerContent::viewDidDisappear() {
    const auto store = DataStorage::shared();
    store->rebuildData(RebuildDataReason::configViewContent);
    AppDelegate::shared()->config->saveConfig(false);
    HotKeyManager::shared()->setHotkeysPaused(false);
    if (const auto list = store->currentDataConfig()) list->removeAll();
    reloadDataTable();
    ViewController::viewDidDisappear();
}

}  // namespace frelt
