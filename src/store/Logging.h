#pragma once
// The program's diagnostic log: one log object per area (category), all under
// the application's identifier as subsystem, plus the system's default log
// object. Every message passes one gate, the debug-logging setting; while it
// is closed a message costs one relaxed load of a flag and builds nothing.
//
//   frelt::log(frelt::LogCategory::dataStorage, frelt::LogLevel::Default,
//              "allData contains %{public}@ items", count);
//
// Values are converted only after the gate opened (see LogFormat.h). Where even
// computing an argument expression costs work, FRELT_LOG skips evaluating it:
//
//   FRELT_LOG(dataStorage, Default, "-> %{public}@", expensiveSummary());

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/log/Log.h"
#include "store/LogFormat.h"

namespace frelt {

using LogLevel = platform::LogLevel;

// In declaration order; the names are the categories' own.
enum class LogCategory {
    general,
    mainSectionView,
    mainTableView,
    mainViewController,
    open,
    config,
    tagManager,
    freltManager,
    dataStorageExternalObjects,
    dataStorageCurrentDataFilter,
    dataStorageConfigDataFilter,
    spotlightProxyFS,
    lastUsedProxy,
    tagsProxy,
    dataStorage,
    tableViewItem,
    importExport,
    iconCache,
    hotkeys,
    shortcuts,
    sandboxFileAccess,
    sandboxFileAccessPersistDictionary,
    spotlightQueryCoreSandboxAccess,
    securityScopedURLManager,
};

inline constexpr std::size_t logCategoryCount = 24;

const char* rawValue(LogCategory category);
std::optional<LogCategory> logCategoryFromRawValue(std::string_view raw);

namespace logging {

// All categories in declaration order.
const std::array<LogCategory, logCategoryCount>& allCategories();

// The subsystem of every category's log object: the application's identifier.
const std::string& subsystem();

// The category's log object, made on first use, once, whichever thread asks
// first; it lives until the process ends.
const platform::Log& logObject(LogCategory category);
// The system's default log object (no subsystem, no category).
const platform::Log& defaultLogObject();

// The gate. The settings object drives it from its debugLogging setting; each
// message reads it afresh, so a change applies to the very next message.
void setDebugLoggingEnabled(bool enabled);
bool isDebugLoggingEnabled();

}  // namespace logging

// Writes one message to the category's log object while the gate is open.
template <class... Args>
void log(LogCategory category, LogLevel level, std::string_view format, const Args&... args) {
    const platform::Log& object = logging::logObject(category);
    if (!logging::isDebugLoggingEnabled()) return;
    object.write(level, formatLogMessage(format, args...));
}

// Writes one message to the default log object while the gate is open.
template <class... Args>
void logDefault(LogLevel level, std::string_view format, const Args&... args) {
    if (!logging::isDebugLoggingEnabled()) return;
    logging::defaultLogObject().write(level, formatLogMessage(format, args...));
}

}  // namespace frelt

// Like frelt::log, but the argument expressions are not even evaluated while
// the gate is closed. `category` and `level` are bare names:
// FRELT_LOG(dataStorage, Error, "open failed: %{public}@", path).
#define FRELT_LOG(category, level, ...)                                                                   \
    do {                                                                                                  \
        const ::platform::Log& frelt_log_object_ = ::frelt::logging::logObject(::frelt::LogCategory::category); \
        if (::frelt::logging::isDebugLoggingEnabled())                                                    \
            frelt_log_object_.write(::frelt::LogLevel::level, ::frelt::formatLogMessage(__VA_ARGS__));    \
    } while (0)
