#pragma once
// Reading a whole file without exceptions: a folder, a missing file, a file
// without read permission or a failing read all come back as an error that
// names the file, never as a thrown exception.

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string* error = nullptr);

}  // namespace platform
