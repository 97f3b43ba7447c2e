#include "exchange/ExportData.h"

#include <algorithm>
#include <mutex>

#include "app/AppDelegate.h"
#include "exchange/ExchangeFiles.h"
#include "exchange/ExportImportManager.h"
#include "platform/foundation/AtomicFile.h"
#include "sources/urls/URLManager.h"
#include "store/ShowAlert.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

using platform::ArchiveArray;
using platform::ArchiveObject;

constexpr const char* kExportError = "Error: Export";

std::mutex gInjectorMutex;
ExportData::StepFaultInjector gStepFaultInjector;

bool injectedFailure(ExportData::Step step) {
    std::lock_guard lock(gInjectorMutex);
    return gStepFaultInjector && gStepFaultInjector(step);
}

// One nested archive into `into`, between the step's two log lines; on
// failure the step's alert is shown and nothing is stored.
bool storeNested(ExportData::Step step, const char* name, const ArchiveObject& root, const char* alertMessage,
                 std::optional<platform::Data>& into) {
    logExchange(std::string("-> ") + name);
    std::string error;
    std::optional<platform::Data> data;
    if (injectedFailure(step))
        error = "failure injected";
    else
        data = exportArchive(root, &error);
    if (!data) {
        logExchangeError(std::string("!! ") + alertMessage + ": " + error);
        showAlert(alertMessage, kExportError);
        return false;
    }
    into = std::move(data);
    logExchange(std::string("<- ") + name);
    return true;
}

template <class T>
ArchiveArray archiveList(const std::vector<std::shared_ptr<T>>& objects) {
    ArchiveArray list;
    list.reserve(objects.size());
    for (const auto& object : objects) list.emplace_back(object);
    return list;
}

}  // namespace

ExportData::ExportData() : exportImportData(ExportImportData::make()) {}

void ExportData::setStepFaultInjector(StepFaultInjector injector) {
    std::lock_guard lock(gInjectorMutex);
    gStepFaultInjector = std::move(injector);
}

// --- The archive ------------------------------------------------------------------------

void ExportData::exportDataToFile() {
    logExchange("-> exportDataToFile");
    if (const auto url = chooseFileToSave(ExportImportManager::defaultFileExtension))
        writeWhenPermitted(*url, [&] { exportAll(*url, true); });
    logExchange("<- exportDataToFile");
}

bool ExportData::exportAll(const platform::URL& url, bool purgeUnusedTags) {
    if (DataStorage::shared()->allData()->isEmpty()) return false;
    ExportImportManager::Running running(ExportImportManagerState::exportRunning, true);
    // Nothing above this catches: an exception would end the program (at
    // quit, before the backup is on disk). The file is written atomically
    // and the tags are purged last, so a stopped export changed nothing.
    try {
        return exportAllRunning(url, purgeUnusedTags);
    } catch (const std::exception& e) {
        logExchangeError(std::string("!! ExportAll stopped: ") + e.what());
    } catch (...) {
        logExchangeError("!! ExportAll stopped by an unknown failure");
    }
    showAlert("Failed to save configuration to file!", "Error: Configuration");
    return false;
}

bool ExportData::exportAllRunning(const platform::URL& url, bool purgeUnusedTags) {
    logExchange("# ExportAll #");

    // A fresh record every time: what an earlier export carried (a template
    // list or a hotkey since cleared) must not come back.
    auto record = ExportImportData::make();
    if (!exportTagDataArray(*record, purgeUnusedTags) || !exportAllDataArray(*record) || !exportGlobalHotkey(*record) ||
        !exportURLTemplatesArray(*record)) {
        logExchangeError("!! ExportAll stopped, no file was written");
        return false;
    }

    // hotkeyBorder and translucentBackgroundRight keep the fresh record's false.
    const auto config = AppDelegate::shared()->config;
    record->windowViewStyle = config->windowViewStyle;
    record->clickType = config->clickType;
    record->mainPopoverAnimated = config->mainPopoverAnimated;
    record->alternateFolderBrowser = config->alternateFolderBrowser;
    record->customSpotlightSearchScope = config->customSpotlightSearchScope;
    record->searchForComments = config->searchForComments;
    record->searchForTags = config->searchForTags;
    record->selectingTagsInMainWindowLaunchAll = config->selectingTagsInMainWindowLaunchAll;
    record->entryBackgroundAlphaValue = config->entryBackgroundAlphaValue;
    record->useSmallModeInMainView = config->useSmallModeInMainView;
    record->showPathInMainView = config->showPathInMainView;
    record->mainWindowHeight = config->mainWindowHeight;
    record->mainWindowWidth = config->mainWindowWidth;
    exportImportData = record;

    std::string error;
    auto data = exportArchive(ArchiveObject(record), &error);
    if (!data || !platform::writeFileAtomically(url.path(), *data, &error)) {
        logExchangeError("!! Failed to save configuration to file: " + error);
        showAlert("Failed to save configuration to file!", "Error: Configuration");
        return false;
    }
    // Only now, so that a failed export changes nothing.
    if (purgeUnusedTags) TagManager::shared()->removeUnusedTags();
    return true;
}

bool ExportData::exportTagDataArray(ExportImportData& record, bool purgeUnusedTags) {
    const auto tagManager = TagManager::shared();
    const auto tags = tagManager->allAvailableTags()->snapshot();
    if (tags->empty()) return true;
    // The save at quit's rule: before a completed count over entries that
    // were all read, "unused" says nothing, and every tag goes into the file.
    const bool dropUnused = purgeUnusedTags && tagManager->mayDropUnusedTags() &&
                            !std::all_of(tags->begin(), tags->end(),
                                         [](const iconTag::Ptr& t) { return t && t->tagUsed(); });
    std::vector<iconTag::Ptr> kept;
    for (const auto& tag : *tags)
        if (tag && (!dropUnused || tag->tagUsed()) && tag->shouldSavedToConfig()) kept.push_back(tag);
    return storeNested(Step::tags, "exportTagDataArray", ArchiveObject(archiveList(kept)),
                       "Error saving arrayOfAllTags to ExportFile", record.allTagsArchive);
}

bool ExportData::exportAllDataArray(ExportImportData& record) {
    const auto entries = DataStorage::shared()->allData()->snapshot();
    if (entries->empty()) return true;
    std::vector<TableViewItem::Ptr> kept;
    for (const auto& entry : *entries)
        if (entry && entry->shouldSavedToConfig()) kept.push_back(entry);
    return storeNested(Step::entries, "exportAllDataArray", ArchiveObject(archiveList(kept)),
                       "Error saving allDataArray to ExportFile", record.allDataArchive);
}

bool ExportData::exportGlobalHotkey(ExportImportData& record) {
    const auto combo = AppDelegate::shared()->config->globalKeyCombo;
    return !combo || storeNested(Step::globalHotkey, "exportGlobalHotkey", ArchiveObject(combo),
                                 "Error saving globalKeyCombo_KeyName to ExportFile", record.globalKeyCombo);
}

bool ExportData::exportURLTemplatesArray(ExportImportData& record) {
    const auto& templates = URLManager::shared()->urlTemplates;
    return templates.empty() ||
           storeNested(Step::urlTemplates, "exportURLTemplatesArray", ArchiveObject(archiveList(templates)),
                       "Error saving URLTemplatesArray to ExportFile", record.urlTemplateArchive);
}

// --- The CSV list --------------------------------------------------------------------------

void ExportData::exportDataToCSV(const std::shared_ptr<DataStorage::EntryArray>& items) {
    const auto url = chooseFileToSave(ExportImportManager::defaultTextExtension);
    if (!url) return;
    logExchange("Exporting to CSV");
    writeWhenPermitted(*url, [&] { writeCSV(*url, items); });
}

bool ExportData::writeCSV(const platform::URL& url, const std::shared_ptr<DataStorage::EntryArray>& items) {
    // One read of the list: the lines show it as it was at this moment.
    const auto entries = items ? items->snapshot() : nullptr;
    if (!entries || entries->empty()) return false;
    ExportImportManager::Running running(ExportImportManagerState::exportRunning, false);
    try {
        return writeCSVRunning(url, *entries);
    } catch (const std::exception& e) {
        logExchangeError(std::string("!! Writing the CSV list stopped: ") + e.what());
        showAlert(std::string("Error on writing strings to file: ") + e.what(), kExportError);
    } catch (...) {
        logExchangeError("!! Writing the CSV list stopped by an unknown failure");
        showAlert("Error on writing strings to file: unknown failure", kExportError);
    }
    return false;
}

bool ExportData::writeCSVRunning(const platform::URL& url, const std::vector<TableViewItem::Ptr>& entries) {
    std::vector<std::string> lines{"Name,Path,Tags,Hotkey,Comment"};
    lines.reserve(entries.size() + 1);
    for (const auto& entry : entries)
        if (entry) csvRow(*entry, lines);
    const std::string text = joined(lines, "\n");

    std::string error;
    if (!platform::writeFileAtomically(url.path(), platform::Data(text.begin(), text.end()), &error)) {
        logExchangeError("!! Writing the CSV list failed: " + error);
        showAlert("Error on writing strings to file: " + error, kExportError);
        return false;
    }
    return true;
}

std::string ExportData::csvField(std::string_view text) {
    // Quoted, with every inner quote doubled, so that commas, quotes and line
    // breaks stay inside the field for any reader of the format.
    std::string field = "\"";
    for (char c : text) {
        if (c == '"') field += '"';
        field += c;
    }
    field += '"';
    return field;
}

void ExportData::csvRow(const TableViewItem& entry, std::vector<std::string>& lines) {
    const std::string tags = joined(entry.tags(), ",");
    const auto& hotkey = entry.hotkey();
    lines.push_back(csvField(entry.name()) + "," + csvField(entry.path()) + "," + csvField(tags) + "," +
                    csvField(hotkey ? hotkey->displayString() : std::string()) + "," + csvField(entry.comment()));
}

}  // namespace frelt
