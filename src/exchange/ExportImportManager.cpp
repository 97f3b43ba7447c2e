#include "exchange/ExportImportManager.h"

#include <cassert>

#include "app/FreltManager.h"
#include "exchange/ExportData.h"
#include "exchange/ExportVersionedBackup.h"
#include "exchange/ImportData.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/SingleInstance.h"

namespace frelt {

std::shared_ptr<ExportImportManager> ExportImportManager::shared() {
    return platform::singleInstance<ExportImportManager>(
        [] { return std::make_shared<ExportImportManager>(Private{}); });
}

ExportImportManager::ExportImportManager(Private)
    : importData(std::make_shared<ImportData>()),
      exportData(std::make_shared<ExportData>()),
      exportVersionedBackup(std::make_shared<ExportVersionedBackup>()) {}

ExportImportManager::~ExportImportManager() = default;

void ExportImportManager::exportDataCommand() {
    FreltManager::shared()->closeAllWindows();
    exportData->exportDataToFile();
}

void ExportImportManager::importDataCommand() {
    FreltManager::shared()->closeAllWindows();
    importData->importDataFromFile();
}

void ExportImportManager::exportDataAsCSVCommand(const std::shared_ptr<DataStorage::EntryArray>& items) {
    // The list as it is now: closing the configuration window empties it.
    const auto atClick = items ? DataStorage::EntryArray::create(items->toVector()) : nullptr;
    FreltManager::shared()->closeAllWindows();
    exportData->exportDataToCSV(atClick);
}

ExportImportManager::Running::Running(ExportImportManagerState state, bool holdDataProxies)
    : manager_(ExportImportManager::shared()), holdDataProxies_(holdDataProxies) {
    assert(platform::dispatch::isMainThread());
    if (holdDataProxies_) DataStorage::shared()->setEnableDataProxies(false);
    manager_->state_ = state;
}

ExportImportManager::Running::~Running() {
    manager_->state_ = ExportImportManagerState::idle;
    if (holdDataProxies_) DataStorage::shared()->setEnableDataProxies(true);
}

}  // namespace frelt
