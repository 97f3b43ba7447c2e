#pragma once
// Puts a dragged entry's path on the pasteboard under the program's own type,
// so that drop targets can tell an entry dragged out of our own table from
// files dragged in from elsewhere. The writer offers that type only: dragging
// an entry onto another program offers it nothing it understands.

#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Pasteboard.h"

namespace frelt {

// The bundle identifier followed by ".mainTableViewItemPath"; made once.
const std::string& mainTableViewItemPathPasteboardType();

class MainTableViewItemPathPasteboardWriter : public platform::PasteboardWriting {
public:
    // A file-system path or a URL text, as the entry holds it.
    explicit MainTableViewItemPathPasteboardWriter(std::string tableViewItemPath)
        : tableViewItemPath(std::move(tableViewItemPath)) {}

    std::vector<std::string> writableTypesForPasteboard(const platform::Pasteboard& pasteboard) const override;
    // Every type asked for gets the path.
    std::optional<platform::Value> pasteboardPropertyListForType(const std::string& type) const override;

    const std::string tableViewItemPath;
};

}  // namespace frelt
