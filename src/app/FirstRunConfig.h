#pragma once
// The first run's assistant for tags: known applications get a predefined
// tag, so a new user's sidebar is not empty. The data store applies it after
// each search-index delivery of the first launch until some tag exists.

#include <map>
#include <string>

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
};

}  // namespace frelt
