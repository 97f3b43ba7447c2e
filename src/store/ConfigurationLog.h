#pragma once
// The log category and alert title the settings and their stored lists share.

#include <string_view>

#include "store/Logging.h"

namespace frelt {

inline constexpr const char* kConfigError = "Error: Configuration";

inline void logConfig(std::string_view message) { log(LogCategory::config, LogLevel::Default, message); }

}  // namespace frelt
