#pragma once
// Questions about paths and file URLs, and running a helper program. None of
// them fails loudly: a platform error becomes a plain negative answer (false,
// none, an empty list, status -1).
//
// An application on this desktop is an XDG desktop entry: a "*.desktop" file
// whose [Desktop Entry] group says Type=Application. There are no bundles or
// document packages, so nothing is a package. Symbolic links are followed: a
// link to a folder is a folder.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"

namespace frelt {

// What a file URL designates.
enum class FileObjectKind { file, folder, application, other, unreachable };

const char* rawValue(FileObjectKind kind);
std::optional<FileObjectKind> fileObjectKindFromRawValue(std::string_view raw);

// Whether the file URL of `path` leads to something that exists; false for
// the empty text.
bool isFileReachable(const std::string& path);
// Whether a file URL leads to something that exists (links followed); false
// for URLs of other schemes.
bool isReachable(const platform::URL& url);

struct ExecutableOutput {
    std::vector<std::string> output;
    std::vector<std::string> error;
    std::int32_t status = -1;
};

// Runs the executable at `path` with `arguments` (no shell) and answers the
// lines it printed on each stream and its exit status. A missing executable
// or one that cannot be started gives empty lists and -1. With a timeout, a
// child still running then is killed and its status is the signal's number.
ExecutableOutput runExecutable(const std::string& path, const std::vector<std::string>& arguments,
                               std::optional<std::chrono::milliseconds> timeout = std::nullopt);

// A stream's bytes as lines: valid UTF-8 only (else no lines), line breaks
// trimmed from both ends, then split at every "\n" — so nothing printed is one
// empty line.
std::vector<std::string> outputLines(const platform::Data& data);

// Whether the text starts with a scheme as far as the program cares: it holds
// a ":" and no line break.
bool hasURLScheme(const std::string& text);

// Whether the file at `path` can be run: false for the empty text and for
// what is not reachable. An application desktop entry counts as executable:
// it is launched through its entry, not its mode bits.
bool isExecutableFile(const std::string& path);

// The resource tests of a file URL. Each answers false for a URL that is not
// a file URL, not reachable, or cannot be examined.
bool isApplication(const platform::URL& url);
bool isPackage(const platform::URL& url);  // always false here: there are no packages
bool isDirectory(const platform::URL& url);
bool isRegularFile(const platform::URL& url);
bool isOnLocalVolume(const platform::URL& url);
// The folder where the volume holding the URL is mounted ("file:///" for the
// root file system); none when the URL cannot be examined.
std::optional<platform::URL> volumeURL(const platform::URL& url);

FileObjectKind fileObjectKind(const platform::URL& url);

// What one look at a file URL tells: whether it is reachable (kind
// `unreachable` when not), its kind, and its modification date. One status
// call answers all three (an application's desktop entry is read as well), so
// loading thousands of entries costs one call per file entry.
struct FileObjectStatus {
    FileObjectKind kind = FileObjectKind::unreachable;
    std::optional<platform::Date> modificationDate;

    bool reachable() const { return kind != FileObjectKind::unreachable; }
};
FileObjectStatus fileObjectStatus(const platform::URL& url);

}  // namespace frelt
