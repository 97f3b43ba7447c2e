#include "settings/config/ConfigWindowController.h"

#include "exchange/ExportImportManager.h"
#include "platform/appkit/View.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/NotificationCenter.h"
#include "settings/config/ConfigSearchField.h"
#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "settings/config/ConfigViewControllerContent.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"
#include "store/StoreConstants.h"

namespace frelt {

const std::string& filterTypeTitle(ConfigEnumFilterType type) {
    switch (type) {
        case ConfigEnumFilterType::applications: return L10n::popupButtonEntry_Applications.value();
        case ConfigEnumFilterType::files: return L10n::popupButtonEntry_Files.value();
        case ConfigEnumFilterType::folders: return L10n::popupButtonEntry_Folders.value();
        case ConfigEnumFilterType::urls: return L10n::popupButtonEntry_URLs.value();
        case ConfigEnumFilterType::all: break;
    }
    return L10n::popupButtonEntry_All.value();
}

const std::string& filterActiveTitle(ConfigEnumFilterActive active) {
    switch (active) {
        case ConfigEnumFilterActive::activeOnly: return L10n::popupButtonFilter_Active.value();
        case ConfigEnumFilterActive::inactiveOnly: return L10n::popupButtonFilter_Inactive.value();
        case ConfigEnumFilterActive::all: break;
    }
    return L10n::popupButtonFilter_All.value();
}

namespace {

// The case whose title the pop-up's selected item carries, the first case
// when none does; none without a selected item.
template <class Enum, std::size_t N>
std::optional<Enum> chosenCase(const platform::PopUpButton& button, const std::array<Enum, N>& cases,
                               const std::string& (*title)(Enum)) {
    if (!button.selectedItem()) return std::nullopt;
    const std::string selected = button.titleOfSelectedItem();
    for (const auto value : cases) {
        if (title(value) == selected) return value;
    }
    return cases.front();
}

template <class Enum, std::size_t N>
void fillIfEmpty(platform::PopUpButton& button, const std::array<Enum, N>& cases, const std::string& (*title)(Enum)) {
    // Items a layout put there already stay as they are.
    if (button.numberOfItems() > 0) return;
    for (const auto value : cases) button.addItemWithTitle(title(value));
}

template <class Enum, std::size_t N>
long positionOf(Enum value, const std::array<Enum, N>& cases) {
    for (std::size_t i = 0; i < N; ++i) {
        if (cases[i] == value) return static_cast<long>(i);
    }
    return 0;
}

}  // namespace

// --- split view controller

std::shared_ptr<ConfigViewControllerContent> ConfigSplitViewController::contentController() const {
    for (const auto& item : splitViewItems()) {
        if (auto content = std::dynamic_pointer_cast<ConfigViewControllerContent>(item->viewController()))
            return content;
    }
    return nullptr;
}

void ConfigSplitViewController::loadView() {
    SplitViewController::loadView();
    if (!toolbarView) return;
    const auto bounds = view()->bounds();
    toolbarView->setFrame(platform::Rect(bounds.minX(), bounds.minY(), bounds.width(), toolbarHeight));
    toolbarView->setAutoresizingMask(platform::autoresizing::widthSizable);
    view()->addSubview(toolbarView);
}

platform::Rect ConfigSplitViewController::arrangedBounds() {
    const auto bounds = view()->bounds();
    if (!toolbarView) return bounds;
    return platform::Rect(bounds.minX(), bounds.minY() + toolbarHeight, bounds.width(),
                          std::max(0.0, bounds.height() - toolbarHeight));
}

// --- window controller

ConfigWindowController::ConfigWindowController(std::shared_ptr<platform::Window> window)
    : defaultFreltWindowController(std::move(window)) {
    auto on = [this](const char* action, void (ConfigWindowController::*method)()) {
        registerAction(action, [this, method](const std::shared_ptr<platform::Object>&) { (this->*method)(); });
    };
    on("configAddURL:", &ConfigWindowController::configAddURL);
    on("configAddExternalObject:", &ConfigWindowController::configAddExternalObject);
    on("configExportData:", &ConfigWindowController::configExportData);
    on("configExportDataAsCSV:", &ConfigWindowController::configExportDataAsCSV);
    on("configImportData:", &ConfigWindowController::configImportData);
    on("configModifyTags:", &ConfigWindowController::configModifyTags);
    on("configFilterPopupButton:", &ConfigWindowController::configFilterPopupButton);
    on("configActivePopupButton:", &ConfigWindowController::configActivePopupButton);
    registerAction("showSidebar:", [this](const std::shared_ptr<platform::Object>& sender) { showSidebar(sender); });
}

std::shared_ptr<ConfigSplitViewController> ConfigWindowController::splitController() const {
    return std::dynamic_pointer_cast<ConfigSplitViewController>(contentViewController());
}

void ConfigWindowController::windowDidLoad() {
    defaultFreltWindowController::windowDidLoad();
    const auto filter = DataStorage::shared()->filterConfigData();
    if (const auto field = searchField.lock()) {
        field->setupSearchMenu();
        if (!field->textDidChangeHandler) {
            std::weak_ptr<ConfigWindowController> weakSelf =
                std::static_pointer_cast<ConfigWindowController>(shared_from_this());
            field->textDidChangeHandler = [weakSelf] {
                const auto self = weakSelf.lock();
                if (!self) return;
                if (const auto search = self->searchField.lock())
                    DataStorage::shared()->filterConfigData()->setConfigTableViewSearchString(search->stringValue());
            };
        }
    }
    if (const auto button = filterPopupButton.lock()) fillIfEmpty(*button, allConfigEnumFilterTypeCases, filterTypeTitle);
    if (const auto button = activePopupButton.lock())
        fillIfEmpty(*button, allConfigEnumFilterActiveCases, filterActiveTitle);

    auto& center = platform::NotificationCenter::defaultCenter();
    urlObservation_ = center.observe(Notifications::datastorageURLAddedOrModified, nullptr,
                                     [this](const platform::Notification&) { datastorageURLAddedOrModifiedWith(); });
    filesystemObservation_ =
        center.observe(Notifications::datastorageFilesystemObjectAddedOrModified, nullptr,
                       [this](const platform::Notification&) { datastorageFilesystemObjectAddedOrModifiedWith(); });
    configChangedObservation_ = center.observe(Notifications::currentDataConfigChanged, nullptr,
                                               [this](const platform::Notification&) { currentDataConfigChangedWith(); });
}

void ConfigWindowController::showWindow(const std::shared_ptr<platform::Object>& sender) {
    defaultFreltWindowController::showWindow(sender);
    // The filter outlives the window: the toolbar shows what it holds.
    const auto filter = DataStorage::shared()->filterConfigData();
    if (const auto button = filterPopupButton.lock())
        button->selectItemAtIndex(positionOf(filter->configTableViewFilterType(), allConfigEnumFilterTypeCases));
    if (const auto button = activePopupButton.lock())
        button->selectItemAtIndex(positionOf(filter->configTableViewFilterActive(), allConfigEnumFilterActiveCases));
    if (const auto field = searchField.lock())
        field->setPlaceholderString(searchForTitle(filter->configTableViewFilterSearchFor()));
}

void ConfigWindowController::configAddURL() {
    const auto split = std::dynamic_pointer_cast<platform::SplitViewController>(contentViewController());
    if (!split) return;
    // An empty dialog, as a sheet on this window.
    DataStorage::shared()->URLHandler()->showAddURLDialog("", split);
}

void ConfigWindowController::configAddExternalObject() {
    const auto split = std::dynamic_pointer_cast<platform::SplitViewController>(contentViewController());
    if (!split) return;
    DataStorage::shared()->filesystemHandler()->addFilesystemObjectsWithOpenPanel(split, std::nullopt);
}

void ConfigWindowController::configExportData() { ExportImportManager::shared()->exportDataCommand(); }

void ConfigWindowController::configExportDataAsCSV() {
    // The command copies the list before closing this window empties it.
    ExportImportManager::shared()->exportDataAsCSVCommand(DataStorage::shared()->currentDataConfig());
}

void ConfigWindowController::configImportData() { ExportImportManager::shared()->importDataCommand(); }

void ConfigWindowController::configModifyTags() {
    const auto split = splitController();
    if (!split || !split->contentController()) return;
    FreltWindow::showWindow(true, FreltWindowEnum::tags);
    // The dialog may have renamed or deleted tags the rows show.
    if (const auto content = split->contentController()) content->reloadDataTable();
}

void ConfigWindowController::configFilterPopupButton() {
    const auto button = filterPopupButton.lock();
    if (!button) return;
    // The filter filters again only on a real change.
    if (const auto type = chosenCase(*button, allConfigEnumFilterTypeCases, filterTypeTitle))
        DataStorage::shared()->filterConfigData()->setConfigTableViewFilterType(*type);
}

void ConfigWindowController::configActivePopupButton() {
    const auto button = activePopupButton.lock();
    if (!button) return;
    if (const auto active = chosenCase(*button, allConfigEnumFilterActiveCases, filterActiveTitle))
        DataStorage::shared()->filterConfigData()->setConfigTableViewFilterActive(*active);
}

void ConfigWindowController::showSidebar(const std::shared_ptr<platform::Object>& sender) {
    if (const auto split = std::dynamic_pointer_cast<platform::SplitViewController>(contentViewController()))
        split->toggleSidebar(sender);
}

void ConfigWindowController::resetFilters(ConfigEnumFilterType type) {
    const auto filter = DataStorage::shared()->filterConfigData();
    if (const auto button = activePopupButton.lock()) button->selectItemWithTitle(filterActiveTitle(ConfigEnumFilterActive::all));
    filter->setConfigTableViewFilterActive(ConfigEnumFilterActive::all);
    if (const auto field = searchField.lock()) field->setStringValue(std::string());
    filter->setConfigTableViewSearchString(std::string());
    if (const auto button = filterPopupButton.lock()) button->selectItemWithTitle(filterTypeTitle(type));
    filter->setConfigTableViewFilterType(type);
}

void ConfigWindowController::datastorageURLAddedOrModifiedWith() { resetFilters(ConfigEnumFilterType::urls); }

void ConfigWindowController::datastorageFilesystemObjectAddedOrModifiedWith() {
    resetFilters(ConfigEnumFilterType::all);
}

void ConfigWindowController::currentDataConfigChangedWith() {
    const auto split = splitController();
    const auto content = split ? split->contentController() : nullptr;
    if (!content || !content->isViewLoaded() || content->view()->isHidden()) return;
    content->reloadDataTable();
}

}  // namespace frelt
