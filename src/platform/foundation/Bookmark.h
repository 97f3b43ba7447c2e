#pragma once
// Grants to locations ("bookmarks") and the test whether the process may read
// or write a location, as the program's file-access layer needs them on a
// desktop without a sandbox.
//
// A bookmark is our own small record of a location: its path, the device and
// inode of what stood there when the bookmark was made, and the mount point of
// the volume that held it. Resolving it looks the path up again: a path that
// is gone no longer resolves; a different device or inode (the file or folder
// was replaced) resolves, but stale. The data is a binary property list and is
// read as untrusted input.
//
// Accesses begun on a location are counted per path, so that every begin has
// its end; on this desktop they grant nothing by themselves.
//
// Whether the process may read or write a location is the POSIX access test.
// Tests can switch on a simulated restriction: then only locations beneath a
// set of allowed folders pass it, so that grants and the permission panel run
// even for root, whom file modes never stop.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"

namespace platform {

struct BookmarkRecord {
    std::string path;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    // Where the volume holding the location was mounted ("/" for the root).
    std::string volumePath;

    Data encoded() const;
    // None for data that is no bookmark of ours.
    static std::optional<BookmarkRecord> decode(const Data& data);
};

struct ResolvedBookmark {
    URL url;  // a folder's URL ends with "/"
    bool isStale = false;
};

namespace bookmark {

// The bookmark of what exists at a file URL now; none (with a reason) when
// nothing does or it cannot be examined.
std::optional<Data> create(const URL& url, std::string* error = nullptr);
// Finds the location again; none when the data is no bookmark or its path is gone.
std::optional<ResolvedBookmark> resolve(const Data& data);
// Whether the volume the bookmark's location lay on is mounted now: its mount
// point exists and is a mount point. False for data that is no bookmark.
bool isVolumeMounted(const Data& data);

// Begins an access on a location; false when it cannot be begun (the location
// is gone). Each begun access must be ended once.
bool startAccessing(const URL& url);
void stopAccessing(const URL& url);
// Accesses begun and not yet ended on the URL's path.
std::size_t accessCount(const URL& url);

// Tests: a failure that the system never gives a test run (for instance to
// root). The injector answers true to make the operation fail on that path;
// null restores normal operation.
enum class Operation { create, startAccessing };
using FaultInjector = std::function<bool(Operation operation, const std::string& path)>;
void setFaultInjector(FaultInjector injector);

}  // namespace bookmark

namespace fileaccess {

// The POSIX access test with R_OK (read) or R_OK | W_OK (read and write),
// beneath the allowed folders only while a restriction is simulated.
bool isReadable(const std::string& path);
bool isReadWritable(const std::string& path);

// Tests: with folders, only locations beneath them (or the folders
// themselves) pass the access test; none lifts the restriction.
void setSimulatedRestriction(std::optional<std::vector<std::filesystem::path>> allowedFolders);
bool isRestrictionSimulated();

// The location exists but the system refuses to let it be read (or, with
// `writing`, written) for its permissions: no grant of ours changes that.
bool isRefusedBySystem(const std::string& path, bool writing = false);
// Tests: these paths are refused as a file's permissions would refuse them
// (a test run as root reads everything); empty lifts the refusal.
void setSimulatedPermissionDenial(std::vector<std::filesystem::path> paths);

}  // namespace fileaccess

}  // namespace platform
