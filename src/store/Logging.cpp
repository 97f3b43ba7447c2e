#include "store/Logging.h"

#include <mutex>

#include "platform/foundation/Paths.h"
#include "platform/foundation/RawValue.h"

namespace frelt {

namespace {

inline constexpr platform::RawValueTable<LogCategory, logCategoryCount> kCategories{{{
    {LogCategory::general, "general"},
    {LogCategory::mainSectionView, "mainSectionView"},
    {LogCategory::mainTableView, "mainTableView"},
    {LogCategory::mainViewController, "mainViewController"},
    {LogCategory::open, "open"},
    {LogCategory::config, "config"},
    {LogCategory::tagManager, "tagManager"},
    {LogCategory::freltManager, "freltManager"},
    {LogCategory::dataStorageExternalObjects, "dataStorageExternalObjects"},
    {LogCategory::dataStorageCurrentDataFilter, "dataStorageCurrentDataFilter"},
    {LogCategory::dataStorageConfigDataFilter, "dataStorageConfigDataFilter"},
    {LogCategory::spotlightProxyFS, "spotlightProxyFS"},
    {LogCategory::lastUsedProxy, "lastUsedProxy"},
    {LogCategory::tagsProxy, "tagsProxy"},
    {LogCategory::dataStorage, "dataStorage"},
    {LogCategory::tableViewItem, "tableViewItem"},
    {LogCategory::importExport, "importExport"},
    {LogCategory::iconCache, "iconCache"},
    {LogCategory::hotkeys, "hotkeys"},
    {LogCategory::shortcuts, "shortcuts"},
    {LogCategory::sandboxFileAccess, "sandboxFileAccess"},
    {LogCategory::sandboxFileAccessPersistDictionary, "sandboxFileAccessPersistDictionary"},
    {LogCategory::spotlightQueryCoreSandboxAccess, "spotlightQueryCoreSandboxAccess"},
    {LogCategory::securityScopedURLManager, "securityScopedURLManager"},
}}};

// Plain load and store: a message racing with a change of the setting may or
// may not pass, which is fine; no lock, no ordering needed.
std::atomic<bool> gDebugLogging{false};

struct CategoryLogs {
    std::array<std::once_flag, logCategoryCount> once;
    std::array<std::optional<platform::Log>, logCategoryCount> logs;
};

CategoryLogs& categoryLogs() {
    // Never destroyed: background work may still log while the process exits.
    static auto* storage = new CategoryLogs;
    return *storage;
}

}  // namespace

const char* rawValue(LogCategory category) { return kCategories.rawValue(category); }

std::optional<LogCategory> logCategoryFromRawValue(std::string_view raw) { return kCategories.fromRawValue(raw); }

namespace logging {

const std::array<LogCategory, logCategoryCount>& allCategories() {
    static constexpr auto all = kCategories.allCases();
    return all;
}

const std::string& subsystem() {
    static const auto* identifier = new std::string(platform::Paths::bundleIdentifier);
    return *identifier;
}

const platform::Log& logObject(LogCategory category) {
    auto& storage = categoryLogs();
    const auto index = static_cast<std::size_t>(category);
    std::call_once(storage.once[index], [&] { storage.logs[index].emplace(subsystem(), rawValue(category)); });
    return *storage.logs[index];
}

const platform::Log& defaultLogObject() { return platform::Log::defaultLog(); }

void setDebugLoggingEnabled(bool enabled) { gDebugLogging.store(enabled, std::memory_order_relaxed); }

bool isDebugLoggingEnabled() { return gDebugLogging.load(std::memory_order_relaxed); }

}  // namespace logging

}  // namespace frelt
