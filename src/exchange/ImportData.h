#pragma once
// Reads an export file back and replaces the user's data with it: entries,
// tags, URL templates, the global hotkey and most exported settings; then
// rebuilds the derived lists and saves, so the import is kept at once. Serves
// the import command and the restore of a versioned backup. Everything runs
// on the main thread.
//
// A file chosen by the user is untrusted. The whole file, every nested
// archive included, is read and checked before anything changes; a file that
// cannot be used in full shows one alert and changes nothing at all.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/ExportImportData.h"
#include "platform/foundation/URL.h"

namespace frelt {

class ImportData {
public:
    ImportData();

    // The record of the latest successful read.
    ExportImportData::Ptr exportImportData;

    // The user's import command: an open panel, the overwrite warning, the
    // access request, then importFromURL.
    void importDataFromFile();
    // The overwrite warning; true when the user chose OK.
    static bool confirmImportWarning();
    // The import itself. Answers whether the data was replaced; a failure
    // was shown to the user and left everything as it was.
    bool importFromURL(const platform::URL& url);

    // The four replacements, each with what the file held.
    void importAllDataArray(std::vector<TableViewItem::Ptr> entries);
    void importTagDataArray(std::vector<iconTag::Ptr> tags);
    void importURLTemplateArray(std::vector<std::shared_ptr<urlTemplateData>> templates);
    // None keeps the current global hotkey; a null combination clears it.
    void importGlobalHotkey(const std::optional<KeyCombo::Ptr>& combo);

private:
    bool importFromURLRunning(const platform::URL& url);
    void applySettings(const ExportImportData& record);
};

}  // namespace frelt
