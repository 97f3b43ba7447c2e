#pragma once
// Launching every visible, reachable entry of a tag. Declared on its own so
// that an entry can ask for it without depending on the whole data store.

#include <string>

namespace frelt {

// Forwards to DataStorage::launchAllEntriesOfTag.
void launchAllEntriesOfTag(const std::string& tagName);

}  // namespace frelt
