#include "store/DataStorageLaunch.h"

#include "store/DataStorage.h"

namespace frelt {

void launchAllEntriesOfTag(const std::string& tagName) { DataStorage::shared()->launchAllEntriesOfTag(tagName); }

}  // namespace frelt
