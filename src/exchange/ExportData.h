#pragma once
// Writes the export file (the user's export and the versioned backups) and
// the CSV list of entries. Everything runs on the main thread.
//
// An export is all or nothing: its record is built afresh from the live data
// and settings every time, each nested archive must succeed, and the file is
// written atomically, so a failure leaves any earlier file untouched and
// writes nothing. The user's export drops the tags no entry uses, once the
// file is written.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/ExportImportData.h"
#include "platform/foundation/URL.h"
#include "store/DataStorage.h"

namespace frelt {

class ExportData {
public:
    ExportData();

    // The record of the latest export.
    ExportImportData::Ptr exportImportData;

    // --- The archive ------------------------------------------------------------------
    // The user's export command: a save panel, then exportAll with unused
    // tags dropped.
    void exportDataToFile();
    // Writes the whole archive to `url`. Nothing happens for an empty entry
    // list. Answers whether the file was written; failures were shown.
    bool exportAll(const platform::URL& url, bool purgeUnusedTags);

    // The four nested archives, each into `record`; false (after its alert)
    // when archiving failed. A list with nothing to write leaves its archive
    // absent.
    bool exportTagDataArray(ExportImportData& record, bool purgeUnusedTags);
    bool exportAllDataArray(ExportImportData& record);
    bool exportGlobalHotkey(ExportImportData& record);
    bool exportURLTemplatesArray(ExportImportData& record);

    // --- The CSV list -------------------------------------------------------------------
    // A save panel, then writeCSV with `items`.
    void exportDataToCSV(const std::shared_ptr<DataStorage::EntryArray>& items);
    // Writes the header and one line per entry; nothing for an empty list.
    // Answers whether the file was written; a failure was shown.
    bool writeCSV(const platform::URL& url, const std::shared_ptr<DataStorage::EntryArray>& items);
    // Appends the entry's line: name, path, tags joined by ",", the hotkey's
    // display text and the comment, each quoted with inner quotes doubled.
    static void csvRow(const TableViewItem& entry, std::vector<std::string>& lines);
    static std::string csvField(std::string_view text);

    // --- Tests ------------------------------------------------------------------------
    enum class Step { tags, entries, globalHotkey, urlTemplates };
    // Answers true to make a nested step fail as if archiving had failed;
    // null restores normal operation.
    using StepFaultInjector = std::function<bool(Step step)>;
    static void setStepFaultInjector(StepFaultInjector injector);

private:
    // The work of exportAll and writeCSV once the state says it is running.
    bool exportAllRunning(const platform::URL& url, bool purgeUnusedTags);
    bool writeCSVRunning(const platform::URL& url, const std::vector<TableViewItem::Ptr>& entries);
};

}  // namespace frelt
