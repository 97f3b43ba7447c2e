#pragma once
// Adds and changes link entries of the data store. The one instance is made
// by the data store and reached through DataStorage::URLHandler().

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/URL.h"
#include "platform/appkit/ViewController.h"
#include "store/TableViewItem.h"

namespace frelt {

class ConfigViewControllerAddModifyURL;

enum class AddModifyURLResult : std::uint8_t {
    success = 0,
    databaseNotIdle = 1,
    urlInvalid = 2,
    entryAlreadyExists = 3,
    noTitle = 4,
    nothingChanged = 5,
};

class DatastorageHandlerURLObjects {
public:
    DatastorageHandlerURLObjects() = default;

    // Both accept URL templates (with placeholders) whose rest is a URL, and
    // refuse a second entry with the same URL, letter case ignored.
    //
    // Adds a link entry carrying the tag; rebuilds the store with
    // "addURLToDatabase" and posts "datastorageURLAddedOrModified" on success.
    // A link that an entry already has only gives that entry the tag.
    AddModifyURLResult addURLToDatabase(const std::string& url, const std::string& title, const std::string& comment,
                                        const std::optional<std::string>& tag = std::nullopt);
    // Changes URL, title and comment of an existing link entry; rebuilds with
    // "modifyURLInDatabase" and posts "datastorageURLAddedOrModified".
    AddModifyURLResult modifyURLInDatabase(const TableViewItem::Ptr& entry, const std::string& url,
                                           const std::string& title, const std::string& comment);

    // Opens the add-or-modify-link dialog for a new link, as a sheet of
    // `presenting` when one is given, else as a window of its own. A `url`
    // with a scheme is proposed, trimmed, with its host as the title; the
    // new entry will carry `tag`.
    void showAddURLDialog(const std::string& url,
                          const std::shared_ptr<platform::ViewController>& presenting,
                          const std::optional<std::string>& tag = std::nullopt);
    // Opens the dialog, the same way, for a link entry (an entry of another
    // kind opens nothing).
    void showModifyURLDialog(const TableViewItem::Ptr& entry,
                             const std::shared_ptr<platform::ViewController>& presenting);

    // The title trimmed; for an empty title the URL's host trimmed (or empty).
    static std::string titleOrHost(const std::string& title, const platform::URL& url);
    // The URL a link template stands for with its placeholders taken out;
    // none when the text is no valid template.
    static std::optional<platform::URL> urlWithoutPlaceholders(const std::string& urlTemplate);
    // Spaces and tabs only: a line break in a link is the user's to see.
    static std::string trimmingBlanks(const std::string& text);

private:
    // The dialog presented as a sheet of `presenting`, or shown in its own
    // window; none when it cannot be made.
    static std::shared_ptr<ConfigViewControllerAddModifyURL> presentDialog(
        const std::shared_ptr<platform::ViewController>& presenting);
};

}  // namespace frelt
