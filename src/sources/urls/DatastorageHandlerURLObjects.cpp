#include "sources/urls/DatastorageHandlerURLObjects.h"

#include "app/FreltWindowEnum.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/URL.h"
#include "sources/urls/URLRegExParser.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

// Spaces and tabs only: a line break in a link is the user's to see.
std::string trimmingBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

void logTexts(const char* operation, const std::string& url, const std::string& title, const std::string& comment) {
    log(LogCategory::dataStorageExternalObjects, LogLevel::Default, operation);
    log(LogCategory::dataStorageExternalObjects, LogLevel::Default, " -> URL: %{public}@", url);
    log(LogCategory::dataStorageExternalObjects, LogLevel::Default, " -> Title: %{public}@", title);
    log(LogCategory::dataStorageExternalObjects, LogLevel::Default, " -> Comment: %{public}@", comment);
}

void announce(RebuildDataReason reason) {
    DataStorage::shared()->rebuildData(reason);
    platform::NotificationCenter::defaultCenter().post(Notifications::datastorageURLAddedOrModified);
}

}  // namespace

void DatastorageHandlerURLObjects::showModifyURLDialog(const TableViewItem::Ptr& entry,
                                                       const std::shared_ptr<platform::ViewController>& presenting) {
    if (!entry || entry->itemType() != ListviewItemType::url) return;
    log(LogCategory::dataStorage, LogLevel::Default, "showModifyURLDialog: %{public}@", entry->path());
    // The dialog belongs to the configuration window: without its scene
    // the window manager logs that and nothing opens.
    if (presenting) {
        if (const auto dialog = FreltWindow::getViewController(FreltWindowEnum::addOrModifyURL))
            presenting->presentViewControllerAsSheet(dialog);
        return;
    }
    FreltWindow::showWindow(false, FreltWindowEnum::addOrModifyURL);
}

std::string DatastorageHandlerURLObjects::titleOrHost(const std::string& title, const platform::URL& url) {
    // Only a title left empty falls back to the host; one of blanks stays empty.
    if (title.empty()) return platform::text::trimmingWhitespace(url.host());
    return platform::text::trimmingWhitespace(title);
}

AddModifyURLResult DatastorageHandlerURLObjects::addURLToDatabase(const std::string& url, const std::string& title,
                                                                  const std::string& comment,
                                                                  const std::optional<std::string>& tag) {
    const auto store = DataStorage::shared();
    if (store->state() != DatastorageState::idle) {
        log(LogCategory::dataStorageExternalObjects, LogLevel::Fault,
            "! addURLToDatabase - Want to add entry to Database, but Database was not idle! Entry: %{public}@", url);
        return AddModifyURLResult::databaseNotIdle;
    }
    // A template is valid when it is a URL once its placeholders are out.
    const auto parsed = ParsedURL::make(url);
    if (!parsed) {
        log(LogCategory::dataStorageExternalObjects, LogLevel::Fault,
            "! addURLToDatabase - Want to add entry to Database, but URL was invalid! Entry: %{public}@", url);
        return AddModifyURLResult::urlInvalid;
    }
    const std::string trimmedURL = trimmingBlanks(url);
    const std::string trimmedComment = trimmingBlanks(comment);
    const std::string name = titleOrHost(title, parsed->url());
    if (name.empty()) return AddModifyURLResult::noTitle;

    const bool hasTag = tag && !tag->empty();
    if (hasTag && store->entryWithPath(trimmedURL)) {
        if (store->appendTag(trimmedURL, *tag)) announce(RebuildDataReason::addURLToDatabase);
        return AddModifyURLResult::success;
    }

    logTexts("addURLToDatabase", url, title, comment);
    const TableViewItem::Ptr entry = TableViewItem::initForURL(trimmedURL, name, trimmedComment);
    if (hasTag) {
        auto tags = entry->tags();
        tags.push_back(*tag);
        entry->setTags(tags);
    }
    if (store->addToAllData(entry) != DataStorage::addResultAdded) return AddModifyURLResult::entryAlreadyExists;
    announce(RebuildDataReason::addURLToDatabase);
    return AddModifyURLResult::success;
}

AddModifyURLResult DatastorageHandlerURLObjects::modifyURLInDatabase(const TableViewItem::Ptr& entry,
                                                                     const std::string& url, const std::string& title,
                                                                     const std::string& comment) {
    if (!entry) return AddModifyURLResult::urlInvalid;
    if (entry->name() == title && entry->path() == url && entry->comment() == comment)
        return AddModifyURLResult::nothingChanged;
    if (!ParsedURL::make(url)) return AddModifyURLResult::urlInvalid;
    if (title.empty()) return AddModifyURLResult::noTitle;

    const auto store = DataStorage::shared();
    const std::string wanted = platform::text::lowercased(url);
    // Another entry is another object: one that merely looks the same (same
    // fields, such as a copy) still holds the URL.
    const bool taken = store->allData()->containsWhere([&](const TableViewItem::Ptr& other) {
        return other && other != entry && platform::text::lowercased(other->path()) == wanted;
    });
    if (taken) return AddModifyURLResult::entryAlreadyExists;

    logTexts("modifyURLInDatabase", url, title, comment);
    // The setters post nameChanged, pathChanged and commentChanged on a real change.
    entry->setName(title);
    entry->setPath(url);
    entry->setComment(comment);
    announce(RebuildDataReason::modifyURLInDatabase);
    return AddModifyURLResult::success;
}

}  // namespace frelt
