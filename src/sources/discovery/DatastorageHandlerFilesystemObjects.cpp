#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"

#include "store/DataStorage.h"
#include "store/Logging.h"

namespace frelt {

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
    const TableViewItem::Ptr entry = TableViewItem::initForExternalNonSpotlightObject(path);
    if (hasTag) {
        auto tags = entry->tags();
        tags.push_back(*tag);
        entry->setTags(tags);
    }
    return store->addToAllData(entry);
}

}  // namespace frelt
