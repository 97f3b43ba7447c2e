#pragma once
// The first run's assistant for tags: well-known applications get one of
// twelve predefined tags, so a new user's sidebar is useful at once. The
// data store applies it after each finished application search of the first
// launch, until some tag exists.
//
// An application is its desktop entry; the table names the desktop ids of
// common Linux applications, and each id is matched in every applications
// folder of the data directories (the user's own first), as the store's
// entries carry the entry file's full path.

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace frelt {

class FirstRunConfig {
public:
    FirstRunConfig() = default;

    // Application path -> tag name.
    std::map<std::string, std::string> predefinedAppTag;

    // Empties the table and fills it with the known applications.
    void loadPredefinedAppTags();
    // Tags the entries of the table's applications (DataStorage::setTag), then
    // rebuilds the store once with "First run".
    void applyPredefinedAppTags();

    // The desktop ids and their tag names (localized), in the table's order.
    static const std::vector<std::pair<std::string, std::string>>& predefinedDesktopIds();
};

}  // namespace frelt
