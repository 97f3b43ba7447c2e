#pragma once
// Writing a file so that readers only ever see the old or the new content:
// the bytes go to a temporary file in the same folder, are flushed to disk,
// and the temporary file is renamed over the target; the folder is flushed
// too so that the rename survives a crash. A failure at any step removes the
// temporary file and leaves the previous file untouched.
//
// The temporary file (".<name>.tmp-XXXXXX") is locked (flock) from its
// creation until it has replaced the target, so a save that was killed on the
// way leaves an unlocked one behind: the next save, or a reader that calls
// removeStaleTemporaryFiles, removes those and never one a running save holds.
//
// A target that is a symbolic link (settings kept elsewhere by a dotfile
// manager) is written through: the link is resolved and the new file goes
// beside the file it points to, so the link stays and its target is updated.
// A link that points nowhere gets its target created; a loop of links cannot
// be written. Both are logged.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace platform {

// Creates the folder when missing. The new file is readable by its owner
// only, as settings and documents of one user should be. Returns false and,
// when `error` is given, a reason naming the file.
bool writeFileAtomically(const std::filesystem::path& path, const Data& bytes, std::string* error = nullptr);

// Removes the temporary files that interrupted saves of `path` left behind
// (our own naming only, and none that a running save holds). Returns how
// many were removed.
int removeStaleTemporaryFiles(const std::filesystem::path& path);

// The same for every file in `folder` whose name ends with `targetSuffix`:
// for files that are written once under a new name each (backups), whose
// interrupted saves no later save of the same name would ever clean up.
int removeStaleTemporaryFilesIn(const std::filesystem::path& folder, const std::string& targetSuffix);

// The file a write of `path` goes to: `path` itself, or the end of its chain
// of symbolic links. Nullopt, with the reason in `problem`, for a loop.
// `problem` also tells of a link that points nowhere.
std::optional<std::filesystem::path> resolvedWriteTarget(const std::filesystem::path& path, std::string* problem = nullptr);

namespace atomicfile {

enum class Stage { CreateTemporary, Write, Sync, Rename };

// Tests: called before each stage; a non-zero errno value makes that stage
// fail as if the system had refused it. A failing Write stage first writes
// half of the bytes, as a full disk would. Null restores normal operation, as
// does the reset of the single instances between tests.
using FaultInjector = std::function<int(Stage stage, const std::filesystem::path& target)>;
void setFaultInjector(FaultInjector injector);

}  // namespace atomicfile

}  // namespace platform
