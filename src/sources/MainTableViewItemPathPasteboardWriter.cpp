#include "sources/MainTableViewItemPathPasteboardWriter.h"

#include "platform/foundation/Paths.h"

namespace frelt {

const std::string& mainTableViewItemPathPasteboardType() {
    static const std::string type = std::string(platform::Paths::bundleIdentifier) + ".mainTableViewItemPath";
    return type;
}

std::vector<std::string> MainTableViewItemPathPasteboardWriter::writableTypesForPasteboard(
    const platform::Pasteboard&) const {
    return {mainTableViewItemPathPasteboardType()};
}

std::optional<platform::Value> MainTableViewItemPathPasteboardWriter::pasteboardPropertyListForType(
    const std::string&) const {
    return platform::Value(tableViewItemPath);
}

}  // namespace frelt
