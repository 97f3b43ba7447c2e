#pragma once
// The owner of the export, import and backup workers, and the one place that
// says whether an export or an import is running. The window manager and the
// status menu hold off while it is not idle.
//
// Everything here runs on the main thread. The work itself runs synchronously
// there too, so a running state is only ever seen from the nested modal loops
// of that work (its failure alerts); the state guards against re-entry from
// them, it is not a lock between threads.

#include <cstdint>
#include <memory>

#include "store/DataStorage.h"

namespace frelt {

class ImportData;
class ExportData;
class ExportVersionedBackup;

enum class ExportImportManagerState { idle, importRunning, exportRunning };

class ExportImportManager {
    struct Private {};

public:
    // Extension of export files and backups, and of the CSV list.
    static constexpr const char* defaultFileExtension = "frelt_ExportData";
    static constexpr const char* defaultTextExtension = "csv";
    // A file larger than this is refused before it is read: export files of
    // tens of thousands of entries stay far below it.
    static constexpr std::uintmax_t maximumImportFileSize = 64u << 20;

    // The manager, made on first use with its three workers.
    static std::shared_ptr<ExportImportManager> shared();
    explicit ExportImportManager(Private);
    ExportImportManager(const ExportImportManager&) = delete;
    ExportImportManager& operator=(const ExportImportManager&) = delete;
    ~ExportImportManager();

    const std::shared_ptr<ImportData> importData;
    const std::shared_ptr<ExportData> exportData;
    const std::shared_ptr<ExportVersionedBackup> exportVersionedBackup;

    // Written only by Running.
    ExportImportManagerState state() const { return state_; }
    bool isIdle() const { return state_ == ExportImportManagerState::idle; }

    // The commands of the status menu and the configuration window: each
    // closes every window of the program first, then runs its worker.
    void exportDataCommand();
    void importDataCommand();
    // `items` is the configuration window's list as it was at the click.
    void exportDataAsCSVCommand(const std::shared_ptr<DataStorage::EntryArray>& items);

    // Marks an export or an import as running for as long as it lives. With
    // `holdDataProxies` the data store's proxies are switched off first and
    // on again last, so nothing feeds the lists while they are read or
    // replaced. Leaving the scope in any way, an exception included, sets the
    // state back to idle before the proxies come back.
    class Running {
    public:
        Running(ExportImportManagerState state, bool holdDataProxies);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        std::shared_ptr<ExportImportManager> manager_;
        bool holdDataProxies_;
    };

private:
    ExportImportManagerState state_ = ExportImportManagerState::idle;
};

}  // namespace frelt
