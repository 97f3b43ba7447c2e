#pragma once
// Adds files, folders and applications that the user drops or chooses as
// entries of the data store, under a chosen tag: it makes sure the program
// can read the location, refuses duplicates (an entry of the same path only
// gets the tag), and hands the entry to the store. It also offers the open
// panel for choosing one. The one instance is made by the data store and
// reached through DataStorage::filesystemHandler(). Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/URL.h"

namespace platform {
class ViewController;
}

namespace frelt {

class DatastorageHandlerFilesystemObjects {
public:
    DatastorageHandlerFilesystemObjects() = default;

    // Lets the user choose one file or folder and adds it, then rebuilds the
    // store and posts "datastorageFilesystemObjectAddedOrModified". With a
    // presenting controller whose view is in a window, the panel is a sheet
    // on it (and the choice keeps a grant); otherwise the main window closes
    // and the panel runs modally.
    void addFilesystemObjectsWithOpenPanel(const std::shared_ptr<platform::ViewController>& presenting,
                                           const std::optional<std::string>& tag);

    // Adds one location; an entry already holding the path only gets the tag.
    // Answers the store's add codes: 0 added, 1 the store was busy (nothing
    // added), 2 no path or no access, 3 an entry with the path exists. It
    // neither rebuilds nor posts: callers do both after their last addition.
    int addFilesystemObjectToDatabase(const std::string& path, const std::optional<std::string>& tag = std::nullopt);

    // Adds files and folders dropped on the program under `tag` (possibly
    // empty), in order: one that cannot be reached is skipped silently; for
    // each other one the program first keeps a grant of the location, unless
    // one covers it already. Then, once, rebuilds the store and posts
    // "datastorageFilesystemObjectAddedOrModified", also when nothing was added.
    void addDroppedFilesystemObjects(const std::vector<platform::URL>& urls, const std::string& tag);

private:
    // Stores a bookmark of the location unless the store holds one of it or
    // of a folder above it; a bookmark that cannot be made is left out.
    static void keepGrant(const platform::URL& url);
    void panelEnded(const std::optional<std::string>& path, const std::optional<std::string>& tag);
    // After the last addition: the rebuild and the notification.
    static void finishAdding();
};

}  // namespace frelt
