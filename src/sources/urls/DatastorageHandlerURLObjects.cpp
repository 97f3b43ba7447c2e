#include "sources/urls/DatastorageHandlerURLObjects.h"

#include "app/FreltWindowEnum.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/URL.h"
#include "settings/panes/ConfigViewControllerAddModifyURL.h"
#include "sources/FileHelpers.h"
#include "sources/urls/URLRegExParser.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

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

std::string DatastorageHandlerURLObjects::trimmingBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<platform::URL> DatastorageHandlerURLObjects::urlWithoutPlaceholders(const std::string& urlTemplate) {
    auto parsed = ParsedURL::make(urlTemplate);
    if (!parsed || !parsed->urlRegExParser) return std::nullopt;
    return platform::URL::fromString(parsed->urlRegExParser->urlStringWithoutPlaceholders());
}

std::shared_ptr<ConfigViewControllerAddModifyURL> DatastorageHandlerURLObjects::presentDialog(
    const std::shared_ptr<platform::ViewController>& presenting) {
    // Without the dialog's scene the window manager logs that and nothing opens.
    if (presenting) {
        const auto dialog = std::dynamic_pointer_cast<ConfigViewControllerAddModifyURL>(
            FreltWindow::getViewController(FreltWindowEnum::addOrModifyURL));
        if (dialog) presenting->presentViewControllerAsSheet(dialog);
        return dialog;
    }
    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::addOrModifyURL);
    return window ? std::dynamic_pointer_cast<ConfigViewControllerAddModifyURL>(window->contentViewController())
                  : nullptr;
}

void DatastorageHandlerURLObjects::showAddURLDialog(const std::string& url,
                                                    const std::shared_ptr<platform::ViewController>& presenting,
                                                    const std::optional<std::string>& tag) {
    std::optional<std::string> proposedURL;
    std::optional<std::string> proposedTitle;
    if (!url.empty() && hasURLScheme(url)) {
        if (const auto parsed = platform::URL::fromString(url)) {
            proposedURL = platform::text::trimmingWhitespace(url);
            proposedTitle = platform::text::trimmingWhitespace(parsed->host());
        }
    }
    const auto dialog = presentDialog(presenting);
    if (!dialog) return;
    dialog->newOrModifyURL = proposedURL;
    dialog->showNewOrModifyURL();
    dialog->newOrModifyTitle = proposedTitle;
    if (const auto field = dialog->textFieldSiteTitle.lock()) field->setStringValue(proposedTitle.value_or(""));
    dialog->newOrModifyComment.reset();
    if (const auto field = dialog->textFieldSiteComment.lock()) field->setStringValue("");
    dialog->newOrModifyTag = tag;
}

void DatastorageHandlerURLObjects::showModifyURLDialog(const TableViewItem::Ptr& entry,
                                                       const std::shared_ptr<platform::ViewController>& presenting) {
    if (!entry || entry->itemType() != ListviewItemType::url) return;
    log(LogCategory::dataStorage, LogLevel::Default, "showModifyURLDialog: %{public}@", entry->path());
    const auto dialog = presentDialog(presenting);
    if (!dialog) return;
    dialog->referenceTableViewItem = entry;
    dialog->loadReferenceItem();
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
