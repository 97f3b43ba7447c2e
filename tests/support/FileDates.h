#pragma once
// Birth times cannot be set, so tests that need files of given ages date
// them by their modification time, which they can set.

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/foundation/Value.h"

namespace filedates {

inline std::optional<platform::Date> modificationDate(const std::filesystem::path& path) {
    std::error_code ec;
    const auto time = std::filesystem::last_write_time(path, ec);
    if (ec) return std::nullopt;
    const auto system = std::chrono::file_clock::to_sys(time);
    return platform::Date::fromUnixTime(std::chrono::duration<double>(system.time_since_epoch()).count());
}

}  // namespace filedates
