#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"

#include "app/FreltWindowEnum.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/appkit/View.h"
#include "platform/appkit/ViewController.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Bookmark.h"
#include "platform/foundation/NotificationCenter.h"
#include "sources/access/SandboxFileAccess.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"

namespace frelt {

void DatastorageHandlerFilesystemObjects::addFilesystemObjectsWithOpenPanel(
    const std::shared_ptr<platform::ViewController>& presenting, const std::optional<std::string>& tag) {
    auto panel = platform::OpenPanel::make();
    panel->setShowsHiddenFiles(false);
    panel->setCanChooseDirectories(true);
    panel->setCanChooseFiles(true);
    panel->setCanCreateDirectories(false);
    panel->setAllowsMultipleSelection(false);
    panel->setResolvesAliases(false);
    panel->setMessage(L10n::addFileDialogMessage.value());

    const auto window = presenting && presenting->isViewLoaded() ? presenting->view()->window() : nullptr;
    if (window) {
        panel->beginSheetModal(window, [this, panel, tag](platform::ModalResponse response) {
            if (response != platform::modalresponse::ok || panel->URLs().empty()) return;
            const platform::URL chosen = panel->URLs().front();
            // The choice is kept as a grant, unless one covers it already.
            const auto storage = SandboxFileAccess::shared()->persistanceBookmarkStorage();
            if (!storage->bookmarkData(chosen)) {
                if (auto data = platform::bookmark::create(chosen)) storage->setBookmark(data, chosen);
            }
            panelEnded(chosen.path(), tag);
        });
        return;
    }
    FreltWindow::closeWindow(FreltWindowEnum::main);
    if (panel->runModal() != platform::modalresponse::ok || panel->URLs().empty()) return;
    panelEnded(panel->URLs().front().path(), tag);
}

void DatastorageHandlerFilesystemObjects::panelEnded(const std::optional<std::string>& path,
                                                     const std::optional<std::string>& tag) {
    if (path) addFilesystemObjectToDatabase(*path, tag);
    DataStorage::shared()->rebuildData(RebuildDataReason::addingFilesystemObjectsToDatabaseFinished);
    platform::NotificationCenter::defaultCenter().post(Notifications::datastorageFilesystemObjectAddedOrModified);
}

int DatastorageHandlerFilesystemObjects::addFilesystemObjectToDatabase(const std::string& path,
                                                                      const std::optional<std::string>& tag) {
    const auto store = DataStorage::shared();
    if (path.empty()) return DataStorage::addResultInvalid;
    if (store->state() != DatastorageState::idle) {
        log(LogCategory::dataStorage, LogLevel::Fault,
            "! addFilesystemObjectToDatabase - Want to add entry to Database, but Database was not idle! Entry: "
            "%{public}@",
            path);
        return DataStorage::addResultNotIdle;
    }
    const bool hasTag = tag && !tag->empty();
    if (store->entryWithPath(path)) {
        if (hasTag) store->appendTag(path, *tag);
        return DataStorage::addResultDuplicate;
    }
    const platform::URL url = platform::URL::fileURL(path);
    // May ask the user in the permission panel; the grant's data is not needed here.
    if (!SandboxFileAccess::shared()->hasAccess(url, Permissions::readAccess()).hasAccess) {
        logDefault(LogLevel::Default, "Access-Test for %{public}@ -> Access denied", url.absoluteString());
        return DataStorage::addResultInvalid;
    }
    logDefault(LogLevel::Default, "Access-Test for %{public}@ -> Access possible", url.absoluteString());
    const TableViewItem::Ptr entry = TableViewItem::initForExternalNonSpotlightObject(path);
    if (hasTag) {
        auto tags = entry->tags();
        tags.push_back(*tag);
        entry->setTags(tags);
    }
    return store->addToAllData(entry);
}

}  // namespace frelt
