#pragma once
// Finds the applications in a list of folders: every "*.desktop" file below
// each folder (subfolders too, links followed once), earlier folders
// shadowing later ones by desktop id, then the entries that are listed
// applications on the current desktop. A file that cannot be used and a
// folder that cannot be read are skipped with a log line; the rest goes on.
//
// A crawler remembers what it read: a later crawl parses only the files whose
// size, modification time or identity changed, so following changes costs a
// walk of the folders and little else. One crawler is used by one thread at
// a time.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/DesktopEntry.h"

namespace platform {

class DesktopEntryCrawler {
public:
    struct Result {
        // The listed applications, by folder order, then by desktop id.
        std::vector<DesktopEntry> applications;
        // Every folder walked, and the nearest existing parent of each scope
        // that does not exist yet (to be watched for changes).
        std::vector<std::string> folders;
    };

    // Folders deeper than this below a scope are not walked.
    static constexpr int maxDepth = 8;

    Result crawl(const std::vector<std::string>& scopes);

    // Tests: a read failure that the system never gives a test run as root.
    // The injector answers true to make reading that folder or file fail.
    using FaultInjector = std::function<bool(const std::string& path)>;
    static void setReadFaultInjector(FaultInjector injector);

private:
    struct Cached {
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t mtimeNs = 0;
        std::optional<DesktopEntry> entry;  // none: skipped
    };
    std::map<std::string, Cached> cache_;
};

}  // namespace platform
