#include "exchange/ImportData.h"

#include <cmath>
#include <filesystem>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "exchange/ExchangeFiles.h"
#include "exchange/ExportImportManager.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/foundation/NotificationCenter.h"
#include "sources/FileHelpers.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/discovery/ProxySpotlightQueryFS.h"
#include "sources/urls/URLManager.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

namespace fs = std::filesystem;

constexpr const char* kImportError = "Error: Import";

// The whole file, or none with a reason: a file too large to be an export
// file is refused before a byte of it is read.
std::optional<platform::Data> readImportFile(const platform::URL& url, std::string& error) {
    const fs::path path = url.path();
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec) {
        error = path.string() + ": " + ec.message();
        return std::nullopt;
    }
    if (size > ExportImportManager::maximumImportFileSize) {
        error = path.string() + " is " + std::to_string(size) + " bytes, too large for an export file";
        return std::nullopt;
    }
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = path.string() + " could not be opened";
        return std::nullopt;
    }
    platform::Data bytes(static_cast<std::size_t>(size));
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    // A file that grew meanwhile is read only as far as it was measured, and
    // one that shrank yields what is there.
    if (std::ferror(file.get())) {
        error = path.string() + " could not be read";
        return std::nullopt;
    }
    bytes.resize(got);
    return bytes;
}

// The one alert a file that cannot be used in full shows.
void showExtractionAlert(ExportFileFailure failure) {
    switch (failure) {
    case ExportFileFailure::tooManyObjects:
        showAlert("The file holds more than " + std::to_string(maximumExportListCount) +
                      " objects in one list, far more than any real store. Nothing was imported.",
                  kImportError);
        return;
    case ExportFileFailure::notAnExportFile:
        showAlert("The file holds no exported configuration.", kImportError);
        return;
    case ExportFileFailure::entries:
    case ExportFileFailure::tags:
    case ExportFileFailure::templates:
        showAlert(L10n::errorLoadingAllData_MessageText, L10n::errorLoadingAllData_InfomativeText);
        return;
    case ExportFileFailure::globalKeyCombo:
        showAlert("Error loading globalKeyCombo from ImportFile", kImportError);
        return;
    }
}

// An imported choice that is not one of the choices offered takes the
// setting's fallback, as a stored value that cannot be read does: a window
// style the hotkey cannot show, a click type nothing handles.
template <class Choice>
int offeredChoice(const char* setting, std::int64_t value, const std::vector<Choice>& offered) {
    for (const auto& choice : offered)
        if (choice.index == value) return choice.index;
    logExchangeError(std::string("Imported ") + setting + " " + std::to_string(value) +
                     " is not one of the offered values, 0 taken instead");
    return 0;
}

// What an import replaces, as it was before: put back when the import stops
// half way, so that a failure changes nothing.
struct ImportedState {
    std::vector<TableViewItem::Ptr> entries;
    std::vector<iconTag::Ptr> tags;
    std::vector<std::shared_ptr<urlTemplateData>> templates;
    ExportImportData settings;
    KeyCombo::Ptr globalKeyCombo;

    static ImportedState now() {
        ImportedState state;
        state.entries = DataStorage::shared()->allData()->toVector();
        state.tags = TagManager::shared()->allAvailableTags()->toVector();
        state.templates = URLManager::shared()->urlTemplates;
        const auto config = AppDelegate::shared()->config;
        auto& r = state.settings;
        r.windowViewStyle = config->windowViewStyle;
        r.clickType = config->clickType;
        r.mainPopoverAnimated = config->mainPopoverAnimated;
        r.alternateFolderBrowser = config->alternateFolderBrowser;
        r.customSpotlightSearchScope = config->customSpotlightSearchScope;
        r.searchForComments = config->searchForComments;
        r.searchForTags = config->searchForTags;
        r.selectingTagsInMainWindowLaunchAll = config->selectingTagsInMainWindowLaunchAll;
        r.useSmallModeInMainView = config->useSmallModeInMainView;
        r.showPathInMainView = config->showPathInMainView;
        r.entryBackgroundAlphaValue = config->entryBackgroundAlphaValue;
        state.globalKeyCombo = config->globalKeyCombo;
        return state;
    }

    void restore() const {
        const auto store = DataStorage::shared();
        store->allData()->removeAll();
        store->allData()->appendContentsOf(entries);
        const auto& registry = TagManager::shared()->allAvailableTags();
        registry->removeAll();
        registry->appendContentsOf(tags);
        URLManager::shared()->urlTemplates = templates;
        const auto config = AppDelegate::shared()->config;
        const auto& r = settings;
        config->windowViewStyle = static_cast<int>(r.windowViewStyle);
        config->clickType = static_cast<int>(r.clickType);
        config->mainPopoverAnimated = r.mainPopoverAnimated;
        config->alternateFolderBrowser = r.alternateFolderBrowser;
        config->customSpotlightSearchScope = r.customSpotlightSearchScope;
        config->searchForComments = r.searchForComments;
        config->searchForTags = r.searchForTags;
        config->selectingTagsInMainWindowLaunchAll = r.selectingTagsInMainWindowLaunchAll;
        config->useSmallModeInMainView = r.useSmallModeInMainView;
        config->showPathInMainView = r.showPathInMainView;
        config->entryBackgroundAlphaValue = r.entryBackgroundAlphaValue;
        config->globalKeyCombo = globalKeyCombo;
    }
};

}  // namespace

ImportData::ImportData() : exportImportData(ExportImportData::make()) {}

void ImportData::importDataFromFile() {
    logExchange("-> importDataFromFile");
    auto panel = platform::OpenPanel::make();
    panel->setShowsHiddenFiles(false);
    panel->setCanChooseFiles(true);
    panel->setCanChooseDirectories(false);
    panel->setCanCreateDirectories(false);
    panel->setAllowsMultipleSelection(false);
    panel->setAllowedFileTypes({ExportImportManager::defaultFileExtension});
    panel->setMessage(L10n::importConfigMessage);
    if (panel->runModal() != platform::modalresponse::ok) {
        logExchange("<- importDataFromFile");
        return;
    }
    if (panel->URLs().empty()) return;
    const platform::URL url = panel->URLs().front();
    if (!isReachable(url)) return;
    if (!confirmImportWarning()) return;

    SandboxFileAccess::shared()->requestAccess(url, Permissions::readAccess(), true, nullptr, true,
                                               [&](const SandboxFileAccess::Result& result) {
                                                   if (result.succeeded()) importFromURL(url);
                                               });
    logExchange("<- importDataFromFile");
}

bool ImportData::confirmImportWarning() {
    auto alert = platform::Alert::make();
    alert->setAlertStyle(platform::AlertStyle::warning);
    alert->setMessageText(L10n::dialogtext_ImportWarning);
    alert->addButton(L10n::dialogtext_cancel);
    alert->addButton(L10n::dialogtext_ok);
    return alert->runModal() == platform::Alert::responseForButton(1);
}

bool ImportData::importFromURL(const platform::URL& url) {
    ExportImportManager::Running running(ExportImportManagerState::importRunning, true);
    // Nothing above this catches: an exception here (out of memory on a
    // hostile file, a fault anywhere in the replacement) would end the
    // program. It ends the import instead, with one alert, and whatever had
    // been replaced already is put back.
    const ImportedState before = ImportedState::now();
    try {
        return importFromURLRunning(url);
    } catch (const std::exception& e) {
        logExchangeError(std::string("!! Import stopped: ") + e.what());
    } catch (...) {
        logExchangeError("!! Import stopped by an unknown failure");
    }
    try {
        before.restore();
        DataStorage::shared()->rebuildData(RebuildDataReason::importData);
    } catch (...) {
        logExchangeError("!! The data from before the import could not be rebuilt");
    }
    showAlert("The file could not be imported. Nothing was changed.", kImportError);
    return false;
}

bool ImportData::importFromURLRunning(const platform::URL& url) {
    logExchange("Loading Importfile");

    // The user chose this file and confirmed: every failure from here on is
    // shown, not only logged.
    if (!isReachable(url)) {
        logExchangeError("Importfile is not reachable");
        showAlert("The file to import could not be found.", kImportError);
        return false;
    }
    std::string error;
    const auto bytes = readImportFile(url, error);
    if (!bytes) {
        logExchangeError("Importfile failed to load");
        logExchangeError(error);
        showAlert("The file to import could not be read.", kImportError);
        return false;
    }
    logExchange("Importfile successfully loaded");
    logExchange("Extracting Data from Importfile ...");

    auto read = readExportFile(*bytes);
    if (!read.content) {
        logExchangeError("WARNING: Error while extracting Data");
        logExchangeError(read.error);
        showExtractionAlert(read.failure);
        return false;
    }
    auto& content = *read.content;
    exportImportData = content.record;
    logExchange("Data successfully extracted");
    logExchange("Beginning Import");

    importAllDataArray(std::move(content.entries));
    importTagDataArray(std::move(content.tags));
    importURLTemplateArray(std::move(content.templates));
    importGlobalHotkey(content.globalKeyCombo);
    applySettings(*content.record);
    logExchange("Import successfully completed");

    logExchange("Save and refresh Data from Import");
    // The file's entries were read in full: a count over them is the truth.
    TagManager::shared()->setStoredEntriesUnreadable(false);
    TagManager::shared()->validateTagSymbols();
    // The application search reports only changes of its results, and an
    // import changes none of them: every application it knows comes back now,
    // as at a launch, rather than at the next start.
    if (const auto& search = DataStorage::shared()->proxySpotlightQueryFSAllApps())
        search->addKnownApplications();
    DataStorage::shared()->rebuildData(RebuildDataReason::importData);
    AppDelegate::shared()->config->saveConfig(false);
    logExchange("Save and refresh Data from Import successfully completed");
    return true;
}

void ImportData::importAllDataArray(std::vector<TableViewItem::Ptr> entries) {
    logExchange("-> importAllDataArray");
    const auto store = DataStorage::shared();
    log(LogCategory::importExport, LogLevel::Default, "Available Items: %{public}@", store->allData()->count());
    store->allData()->removeAll();
    if (const auto list = store->currentData()) list->removeAll();
    if (const auto list = store->currentDataConfig()) list->removeAll();
    store->emptyTrash();
    log(LogCategory::importExport, LogLevel::Default, "%{public}@ Items available after clearance",
        store->allData()->count());
    if (!entries.empty()) {
        log(LogCategory::importExport, LogLevel::Default, "loaded %{public}@ Items", entries.size());
        store->allData()->appendContentsOf(std::move(entries));
    }
    logExchange("<- importAllDataArray");
}

void ImportData::importTagDataArray(std::vector<iconTag::Ptr> tags) {
    logExchange("-> importTagDataArray");
    const auto& registry = TagManager::shared()->allAvailableTags();
    registry->removeAll();
    registry->appendContentsOf(std::move(tags));
    logExchange("<- importTagDataArray");
}

void ImportData::importURLTemplateArray(std::vector<std::shared_ptr<urlTemplateData>> templates) {
    logExchange("-> importURLTemplateArray");
    URLManager::shared()->urlTemplates = std::move(templates);
    logExchange("<- importURLTemplateArray");
}

void ImportData::importGlobalHotkey(const std::optional<KeyCombo::Ptr>& combo) {
    logExchange("-> importGlobalHotkey");
    if (combo) AppDelegate::shared()->config->globalKeyCombo = *combo;
    logExchange("<- importGlobalHotkey");
}

void ImportData::applySettings(const ExportImportData& record) {
    // The window size and the two drawing flags stay as they are here.
    const auto config = AppDelegate::shared()->config;
    auto& center = platform::NotificationCenter::defaultCenter();
    config->windowViewStyle = offeredChoice("windowViewStyle", record.windowViewStyle, config->availableWindowStyles);
    config->clickType = offeredChoice("clickType", record.clickType, config->availableClickTypes);
    config->mainPopoverAnimated = record.mainPopoverAnimated;
    config->alternateFolderBrowser = record.alternateFolderBrowser;
    config->customSpotlightSearchScope = record.customSpotlightSearchScope;
    center.post(Notifications::customSpotlightSearchScopeChanged);
    config->searchForComments = record.searchForComments;
    config->searchForTags = record.searchForTags;
    config->selectingTagsInMainWindowLaunchAll = record.selectingTagsInMainWindowLaunchAll;
    config->useSmallModeInMainView = record.useSmallModeInMainView;
    center.post(Notifications::useSmallModeInMainViewChanged);
    config->showPathInMainView = record.showPathInMainView;
    center.post(Notifications::showPathInMainViewChanged);
    const float alpha = record.entryBackgroundAlphaValue;
    config->entryBackgroundAlphaValue = (std::isnan(alpha) || alpha < 0.0f || alpha > 1.0f) ? 0.2f : alpha;
}

}  // namespace frelt
