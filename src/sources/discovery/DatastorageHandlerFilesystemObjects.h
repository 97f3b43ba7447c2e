#pragma once
// Adds files, folders and applications that the user drops or chooses as
// entries of the data store, under a chosen tag. The one instance is made by
// the data store and reached through DataStorage::filesystemHandler().

#include <optional>
#include <string>

namespace frelt {

class DatastorageHandlerFilesystemObjects {
public:
    DatastorageHandlerFilesystemObjects() = default;

    // Adds one location; an entry already holding the path only gets the tag.
    // Answers the store's add codes: 0 added, 1 the store was busy (nothing
    // added), 3 an entry with the path exists. It neither rebuilds nor posts:
    // callers do both after their last addition.
    int addFilesystemObjectToDatabase(const std::string& path, const std::optional<std::string>& tag = std::nullopt);
};

}  // namespace frelt
