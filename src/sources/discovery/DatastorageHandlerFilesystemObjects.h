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

private:
    void panelEnded(const std::optional<std::string>& path, const std::optional<std::string>& tag);
};

}  // namespace frelt
