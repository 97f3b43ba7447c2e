#pragma once
// Reading a whole file without exceptions: a folder, a missing file, a file
// without read permission or a failing read all come back as an error that
// names the file, never as a thrown exception.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string* error = nullptr);

// Reads a regular file (or a link to one) of at most `maxBytes` bytes, for
// files that other programs or people may have replaced with anything.
// Whatever else the path holds is refused without reading it: a folder, a
// device (a link to /dev/zero would never end), a pipe or socket (opening
// one never waits for a writer), and a file larger than the limit (nothing
// beyond it is read, also when the file grows while it is read).
std::optional<std::string> readRegularFile(const std::filesystem::path& path, std::uintmax_t maxBytes,
                                           std::string* error = nullptr);

}  // namespace platform
