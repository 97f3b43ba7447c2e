#pragma once
// Writing a file so that readers only ever see the old or the new content:
// the bytes go to a temporary file in the same folder, are flushed to disk,
// and the temporary file is renamed over the target; the folder is flushed
// too so that the rename survives a crash. A failure at any step removes the
// temporary file and leaves the previous file untouched.

#include <filesystem>
#include <functional>
#include <string>

#include "platform/foundation/Value.h"

namespace platform {

// Creates the folder when missing. The new file is readable by its owner
// only, as settings and documents of one user should be. Returns false and,
// when `error` is given, a reason naming the file.
bool writeFileAtomically(const std::filesystem::path& path, const Data& bytes, std::string* error = nullptr);

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
