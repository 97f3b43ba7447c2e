#include "store/Configuration.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>

#include "markdown/MarkdownColors.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Memory.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RawValue.h"
#include "store/ChangeNotifications.h"
#include "store/LocalizedStrings.h"
#include "store/ConfigurationLog.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

namespace fs = std::filesystem;
namespace Keys = DefaultsKeys;

inline constexpr platform::RawValueTable<MainWindowWidth, mainWindowWidthCaseCount> kWidths{{{
    {MainWindowWidth::with550, "550px"},
    {MainWindowWidth::with600, "600px"},
    {MainWindowWidth::with650, "650px"},
    {MainWindowWidth::with700, "700px"},
    {MainWindowWidth::with750, "750px"},
    {MainWindowWidth::with800, "800px"},
}}};

inline constexpr platform::RawValueTable<MainWindowHeight, mainWindowHeightCaseCount> kHeights{{{
    {MainWindowHeight::height50, "50%"},
    {MainWindowHeight::height55, "55%"},
    {MainWindowHeight::height60, "60%"},
    {MainWindowHeight::height65, "65%"},
    {MainWindowHeight::height70, "70%"},
    {MainWindowHeight::height75, "75%"},
    {MainWindowHeight::height80, "80%"},
    {MainWindowHeight::height85, "85%"},
    {MainWindowHeight::height90, "90%"},
}}};

// Read by the constructor only; the launch sequence and the data store ask
// it from wherever they run.
std::atomic<bool> gLaunchedBefore{false};


// A stored text the way the settings read one: absent, or of a kind that is
// no text, is none; numbers read as their decimal text.
std::optional<std::string> storedString(const platform::UserDefaults& defaults, const std::string& key) {
    const auto value = defaults.objectForKey(key);
    if (!value || !(value->isString() || value->isNumber())) return std::nullopt;
    return defaults.stringForKey(key);
}

// A key never written (a first launch) reads as the setting's constructor
// value in Configuration.h: read as the store's empty false, it would hide
// every sidebar category but Applications and switch off searching comments
// and tags, and an alpha of 0 would make entry colours all but invisible. A
// stored value of any kind reads as the store reads it. These are the Bool
// settings constructed true; every other one is constructed false.
const std::set<std::string_view>& boolSettingsConstructedTrue() {
    static const std::set<std::string_view> keys = {
        DefaultsKeys::searchForComments, DefaultsKeys::searchForTags, DefaultsKeys::showPathInMainView,
        DefaultsKeys::sidebarCategoriesShowFiles, DefaultsKeys::sidebarCategoriesShowFolders,
        DefaultsKeys::sidebarCategoriesShowURLs, DefaultsKeys::sidebarCategoriesShowRecentApplications,
        DefaultsKeys::sidebarCategoriesShowActiveApplications, DefaultsKeys::sidebarCategoriesShowShortcuts,
        DefaultsKeys::sidebarCategoriesShowFavorites, DefaultsKeys::sidebarCategoriesShowNumberOfElementInSidebar,
    };
    return keys;
}
constexpr float constructedEntryBackgroundAlphaValue = 0.2f;

bool storedBool(const platform::UserDefaults& defaults, const std::string& key) {
    return defaults.objectForKey(key) ? defaults.boolForKey(key) : boolSettingsConstructedTrue().contains(key);
}

// Appends each existing folder of `paths` that is not in `result` yet.
void addValidatedSearchPaths(const std::vector<fs::path>& paths, std::vector<std::string>& result) {
    for (const auto& path : paths) {
        const std::string text = path.string();
        log(LogCategory::config, LogLevel::Default, "   checking path: %{public}@", text);
        if (text.empty()) continue;
        std::error_code ec;
        if (!fs::is_directory(path, ec) || ec) continue;
        if (std::find(result.begin(), result.end(), text) != result.end()) continue;
        log(LogCategory::config, LogLevel::Default, "   validated and added path: %{public}@", text);
        result.push_back(text);
    }
}

}  // namespace

// --- Window sizes -----------------------------------------------------------

const char* rawValue(MainWindowWidth width) { return kWidths.rawValue(width); }

std::optional<MainWindowWidth> mainWindowWidthFromRawValue(std::string_view raw) { return kWidths.fromRawValue(raw); }

MainWindowWidth mainWindowWidthFromStoredValue(const std::optional<std::string>& stored) {
    if (!stored) return MainWindowWidth::with700;
    return mainWindowWidthFromRawValue(*stored).value_or(MainWindowWidth::with700);
}

const std::array<MainWindowWidth, mainWindowWidthCaseCount>& allMainWindowWidths() {
    static constexpr auto all = kWidths.allCases();
    return all;
}

int widthInPoints(MainWindowWidth width) {
    static constexpr int points[] = {550, 600, 650, 700, 750, 800};
    return points[static_cast<std::size_t>(width)];
}

const char* rawValue(MainWindowHeight height) { return kHeights.rawValue(height); }

std::optional<MainWindowHeight> mainWindowHeightFromRawValue(std::string_view raw) {
    return kHeights.fromRawValue(raw);
}

MainWindowHeight mainWindowHeightFromStoredValue(const std::optional<std::string>& stored) {
    if (!stored) return MainWindowHeight::height70;
    return mainWindowHeightFromRawValue(*stored).value_or(MainWindowHeight::height70);
}

const std::array<MainWindowHeight, mainWindowHeightCaseCount>& allMainWindowHeights() {
    static constexpr auto all = kHeights.allCases();
    return all;
}

int percentOfScreenHeight(MainWindowHeight height) { return 50 + 5 * static_cast<int>(height); }

// --- The object ---------------------------------------------------------------

Configuration::Configuration()
    : diaplaynameColor(markdown_colors::labelColor()),
      pathColor(markdown_colors::labelColor()),
      descriptionColor(markdown_colors::labelColor()),
      defaults(platform::UserDefaults::standard()),
      saveConfigTimer_(platform::Timer::make(platform::seconds(saveConfigTimerInterval), false, [](platform::Timer&) {})) {
    // The stored key combinations must decode even if nothing else has
    // touched the class yet.
    KeyCombo::registerCoding();
    // A new settings object starts with the gate closed, as its field says.
    logging::setDebugLoggingEnabled(false);

    availableWindowStyles = {{L10n::mainWindowStyle_Popup.value(), 0}, {L10n::mainWindowStyle_Window.value(), 1}};
    availableClickTypes = {{L10n::mainWindowLaunch_withDoubleClick.value(), 0},
                           {L10n::mainWindowLaunch_withSingleClick.value(), 1}};
    availableMenubarIcons = {"statusbar-1", "statusbar-2", "statusbar-3", "statusbar-4"};

    gLaunchedBefore.store(defaults->boolForKey(Keys::launchedBefore));

    auto& center = platform::NotificationCenter::defaultCenter();
    observations_.push_back(center.observe(Notifications::tableViewItemChanged, nullptr,
                                           [this](const platform::Notification& n) { tableViewItemChangedWith(n); }));
    observations_.push_back(center.observe(Notifications::iconTagChanged, nullptr,
                                           [this](const platform::Notification& n) { tagItemChangedWith(n); }));
    observations_.push_back(center.observe(
        Notifications::datastorageFilesystemObjectAddedOrModified, nullptr,
        [this](const platform::Notification& n) { datastorageFilesystemObjectAddedOrModifiedWith(n); }));
    observations_.push_back(center.observe(Notifications::datastorageURLAddedOrModified, nullptr,
                                           [this](const platform::Notification& n) {
                                               datastorageURLAddedOrModifiedWith(n);
                                           }));
}

Configuration::~Configuration() {
    observations_.clear();
    // The timer's handler points back here.
    saveConfigTimer_->invalidate();
    // Without live settings nothing asks for debug messages any more.
    if (debugLogging_) logging::setDebugLoggingEnabled(false);
}

bool Configuration::launchedBefore() { return gLaunchedBefore.load(); }

void Configuration::setSaveInProgress(bool value) {
    saveInProgress_ = value;
    log(LogCategory::config, LogLevel::Default, "saveInProgress: %{public}@", value);
}

void Configuration::setCategoryFlag(bool& flag, KeyCombo::Ptr& combo, bool value) {
    flag = value;
    if (!value) combo.reset();
}

void Configuration::setSidebarCategoriesShowFiles(bool value) {
    setCategoryFlag(sidebarCategoriesShowFiles_, globalKeyComboCategoriesShowFiles, value);
}
void Configuration::setSidebarCategoriesShowFolders(bool value) {
    setCategoryFlag(sidebarCategoriesShowFolders_, globalKeyComboCategoriesShowFolders, value);
}
void Configuration::setSidebarCategoriesShowURLs(bool value) {
    setCategoryFlag(sidebarCategoriesShowURLs_, globalKeyComboCategoriesShowURLs, value);
}
void Configuration::setSidebarCategoriesShowRecentApplications(bool value) {
    setCategoryFlag(sidebarCategoriesShowRecentApplications_, globalKeyComboCategoriesShowRecentApplications, value);
}
void Configuration::setSidebarCategoriesShowActiveApplications(bool value) {
    setCategoryFlag(sidebarCategoriesShowActiveApplications_, globalKeyComboCategoriesShowActiveApplications, value);
}
void Configuration::setSidebarCategoriesShowShortcuts(bool value) {
    setCategoryFlag(sidebarCategoriesShowShortcuts_, globalKeyComboCategoriesShowShortcuts, value);
}
void Configuration::setSidebarCategoriesShowFavorites(bool value) {
    setCategoryFlag(sidebarCategoriesShowFavorites_, globalKeyComboCategoriesShowFavorites, value);
}

void Configuration::setDebugLogging(bool value) {
    debugLogging_ = value;
    logging::setDebugLoggingEnabled(value);
}

const std::vector<std::string>& Configuration::spotlightDefaultSearchScope() {
    std::call_once(spotlightDefaultSearchScopeOnce_, [this] {
        // Every domain's applications folders, the user's own, and the
        // system's; the lists overlap, the result holds each folder once.
        const auto dataDirs = platform::Paths::dataDirs();
        std::vector<fs::path> systemFolders;
        for (const auto& dir : dataDirs) systemFolders.push_back(dir / "applications");

        logConfig("spotlightDefaultSearchScope:");
        std::vector<std::string> result;
        logConfig("-> applicationFolderScope");
        addValidatedSearchPaths(platform::Paths::applicationFolders(), result);
        logConfig("-> applicationFolderUserScope");
        addValidatedSearchPaths({platform::Paths::dataHome() / "applications"}, result);
        logConfig("-> applicationFolderSystemScope");
        addValidatedSearchPaths(systemFolders, result);
        spotlightDefaultSearchScope_ = std::move(result);
    });
    return spotlightDefaultSearchScope_;
}

// --- Persistence --------------------------------------------------------------

void Configuration::saveConfig(bool dropUnusedTags) {
    logConfig("saveConfig");
    if (!loaded_) {
        log(LogCategory::config, LogLevel::Error, "!! saveConfig skipped: the stored settings have not been loaded yet");
        return;
    }
    setSaveInProgress(true);

    auto& d = *defaults;
    if (!launchedBefore()) platform::UserDefaults::standard()->set(Keys::launchedBefore, platform::Value(true));

    d.set(Keys::neverRemindMeRemoveTagDialog, platform::Value(neverRemindMeRemoveTagDialog));
    d.set(Keys::neverRemindMeRenameTagDialog, platform::Value(neverRemindMeRenameTagDialog));
    d.set(Keys::windowViewStyle, platform::Value(windowViewStyle));
    d.set(Keys::clickType, platform::Value(clickType));
    d.set(Keys::mainPopoverAnimated, platform::Value(mainPopoverAnimated));
    d.set(Keys::alternateFolderBrowser, platform::Value(alternateFolderBrowser));
    d.set(Keys::customSpotlightSearchScope, platform::Value(customSpotlightSearchScope));
    d.set(Keys::searchForComments, platform::Value(searchForComments));
    d.set(Keys::searchForTags, platform::Value(searchForTags));
    d.set(Keys::selectingTagsInMainWindowLaunchAll, platform::Value(selectingTagsInMainWindowLaunchAll));
    d.set(Keys::showPathInMainView, platform::Value(showPathInMainView));
    d.set(Keys::sidebarTagsCollapsed, platform::Value(sidebarTagsCollapsed));
    d.set(Keys::sidebarCategoriesCollapsed, platform::Value(sidebarCategoriesCollapsed));
    d.set(Keys::useSmallModeInMainView, platform::Value(useSmallModeInMainView));
    d.set(Keys::menubarIcon, platform::Value(menubarIcon));
    d.set(Keys::selectTagsAndCategoriesOnHover, platform::Value(selectTagsAndCategoriesOnHover));
    d.set(Keys::sidebarCategoriesShowFiles, platform::Value(sidebarCategoriesShowFiles_));
    d.set(Keys::sidebarCategoriesShowFolders, platform::Value(sidebarCategoriesShowFolders_));
    d.set(Keys::sidebarCategoriesShowURLs, platform::Value(sidebarCategoriesShowURLs_));
    d.set(Keys::sidebarCategoriesShowRecentApplications, platform::Value(sidebarCategoriesShowRecentApplications_));
    d.set(Keys::sidebarCategoriesShowActiveApplications, platform::Value(sidebarCategoriesShowActiveApplications_));
    d.set(Keys::sidebarCategoriesShowFavorites, platform::Value(sidebarCategoriesShowFavorites_));
    d.set(Keys::sidebarCategoriesShowShortcuts, platform::Value(sidebarCategoriesShowShortcuts_));
    d.set(Keys::sidebarCategoriesShowNumberOfElementInSidebar,
          platform::Value(sidebarCategoriesShowNumberOfElementInSidebar));
    d.set(Keys::entryBackgroundAlphaValue, platform::Value(entryBackgroundAlphaValue));
    d.set(Keys::hotkeyBorder, platform::Value(hotkeyBorder));
    d.set(Keys::debugLogging, platform::Value(debugLogging_));
    d.set(Keys::translucentBackgroundRight, platform::Value(translucentBackgroundRight));
    d.set(Keys::mainWindowWidth, platform::Value(rawValue(mainWindowWidth)));
    d.set(Keys::mainWindowHeight, platform::Value(rawValue(mainWindowHeight)));

    saveKeyCombo(globalKeyCombo, Keys::globalKeyCombo);
    saveKeyCombo(globalKeyComboCategoriesShowFiles, Keys::globalKeyComboCategoriesShowFiles);
    saveKeyCombo(globalKeyComboCategoriesShowFolders, Keys::globalKeyComboCategoriesShowFolders);
    saveKeyCombo(globalKeyComboCategoriesShowURLs, Keys::globalKeyComboCategoriesShowURLs);
    saveKeyCombo(globalKeyComboCategoriesShowRecentApplications, Keys::globalKeyComboCategoriesShowRecentApplications);
    saveKeyCombo(globalKeyComboCategoriesShowActiveApplications, Keys::globalKeyComboCategoriesShowActiveApplications);
    saveKeyCombo(globalKeyComboCategoriesShowFavorites, Keys::globalKeyComboCategoriesShowFavorites);
    saveKeyCombo(globalKeyComboCategoriesShowShortcuts, Keys::globalKeyComboCategoriesShowShortcuts);

    saveAllDataArray();
    saveTagDataArray(dropUnusedTags);
    saveURLTemplateDataArray();
    returnFreedMemory();

    setSaveInProgress(false);
}

void Configuration::loadConfig() {
    loaded_ = false;
    auto& d = *defaults;
    auto& center = platform::NotificationCenter::defaultCenter();

    neverRemindMeRemoveTagDialog = storedBool(d, Keys::neverRemindMeRemoveTagDialog);
    neverRemindMeRenameTagDialog = storedBool(d, Keys::neverRemindMeRenameTagDialog);
    windowViewStyle = static_cast<int>(d.integerForKey(Keys::windowViewStyle));
    clickType = static_cast<int>(d.integerForKey(Keys::clickType));
    mainPopoverAnimated = storedBool(d, Keys::mainPopoverAnimated);
    alternateFolderBrowser = d.stringForKey(Keys::alternateFolderBrowser);

    // One element that is no text makes the whole list unusable.
    customSpotlightSearchScope = d.stringArrayForKey(Keys::customSpotlightSearchScope);
    center.post(Notifications::customSpotlightSearchScopeChanged);

    searchForComments = storedBool(d, Keys::searchForComments);
    searchForTags = storedBool(d, Keys::searchForTags);
    selectingTagsInMainWindowLaunchAll = storedBool(d, Keys::selectingTagsInMainWindowLaunchAll);
    showPathInMainView = storedBool(d, Keys::showPathInMainView);
    center.post(Notifications::showPathInMainViewChanged);

    selectTagsAndCategoriesOnHover = storedBool(d, Keys::selectTagsAndCategoriesOnHover);
    sidebarCategoriesCollapsed = storedBool(d, Keys::sidebarCategoriesCollapsed);
    sidebarTagsCollapsed = storedBool(d, Keys::sidebarTagsCollapsed);
    useSmallModeInMainView = storedBool(d, Keys::useSmallModeInMainView);
    center.post(Notifications::useSmallModeInMainViewChanged);

    menubarIcon = storedString(d, Keys::menubarIcon).value_or(defaultMenubarIcon);
    center.post(Notifications::menubarIconChanged);

    setSidebarCategoriesShowFavorites(storedBool(d, Keys::sidebarCategoriesShowFavorites));
    setSidebarCategoriesShowShortcuts(storedBool(d, Keys::sidebarCategoriesShowShortcuts));
    setSidebarCategoriesShowFiles(storedBool(d, Keys::sidebarCategoriesShowFiles));
    setSidebarCategoriesShowFolders(storedBool(d, Keys::sidebarCategoriesShowFolders));
    setSidebarCategoriesShowURLs(storedBool(d, Keys::sidebarCategoriesShowURLs));
    setSidebarCategoriesShowRecentApplications(storedBool(d, Keys::sidebarCategoriesShowRecentApplications));
    setSidebarCategoriesShowActiveApplications(storedBool(d, Keys::sidebarCategoriesShowActiveApplications));
    sidebarCategoriesShowNumberOfElementInSidebar = storedBool(d, Keys::sidebarCategoriesShowNumberOfElementInSidebar);
    center.post(Notifications::sidebarCategoriesShowNumberOfElementInSidebarChanged);

    entryBackgroundAlphaValue = d.objectForKey(Keys::entryBackgroundAlphaValue)
                                    ? d.floatForKey(Keys::entryBackgroundAlphaValue)
                                    : constructedEntryBackgroundAlphaValue;
    hotkeyBorder = storedBool(d, Keys::hotkeyBorder);
    translucentBackgroundRight = storedBool(d, Keys::translucentBackgroundRight);
    setDebugLogging(storedBool(d, Keys::debugLogging));
    mainWindowWidth = mainWindowWidthFromStoredValue(storedString(d, Keys::mainWindowWidth));
    mainWindowHeight = mainWindowHeightFromStoredValue(storedString(d, Keys::mainWindowHeight));

    // A combination stored for a hidden category loads all the same; the
    // hotkey registration skips hidden categories.
    globalKeyCombo = loadKeyCombo(Keys::globalKeyCombo);
    globalKeyComboCategoriesShowFiles = loadKeyCombo(Keys::globalKeyComboCategoriesShowFiles);
    globalKeyComboCategoriesShowFolders = loadKeyCombo(Keys::globalKeyComboCategoriesShowFolders);
    globalKeyComboCategoriesShowURLs = loadKeyCombo(Keys::globalKeyComboCategoriesShowURLs);
    globalKeyComboCategoriesShowRecentApplications = loadKeyCombo(Keys::globalKeyComboCategoriesShowRecentApplications);
    globalKeyComboCategoriesShowActiveApplications = loadKeyCombo(Keys::globalKeyComboCategoriesShowActiveApplications);
    globalKeyComboCategoriesShowFavorites = loadKeyCombo(Keys::globalKeyComboCategoriesShowFavorites);
    globalKeyComboCategoriesShowShortcuts = loadKeyCombo(Keys::globalKeyComboCategoriesShowShortcuts);

    loadAllDataArray();
    loadTagDataArray();
    loadURLTemplateDataArray();
    returnFreedMemory();

    if (std::isnan(entryBackgroundAlphaValue) || entryBackgroundAlphaValue < 0.0f || entryBackgroundAlphaValue > 1.0f)
        entryBackgroundAlphaValue = 0.2f;
    loaded_ = true;
}

bool Configuration::storeWasLoaded() const {
    if (!loaded_ || entryArchive_.unreadable || tagArchive_.unreadable || templateArchiveUnreadable_) return false;
    const auto file = defaults->fileURL();
    for (const auto& problem : defaults->readProblems())
        if (problem.file == file) return false;
    return true;
}

void Configuration::returnFreedMemory() {
    // Coding the archives makes and frees a great many blocks: the property
    // list, the archive's objects and their keys. The allocator would keep
    // those pages for the whole run; the program then idles in the tray with
    // twice the memory it uses.
    platform::memory::returnFreedMemory();
}

void Configuration::saveKeyCombo(const KeyCombo::Ptr& combo, const std::string& key) {
    if (!combo) {
        defaults->removeObjectForKey(key);
        return;
    }
    auto data = platform::KeyedArchiver::archivedData(platform::ArchiveObject(combo));
    if (!data) {
        showAlert("Error saving KeyCombo_KeyName to the settings file", kConfigError);
        return;
    }
    defaults->set(key, platform::Value(std::move(*data)));
}

KeyCombo::Ptr Configuration::loadKeyCombo(const std::string& key) {
    const auto data = defaults->dataForKey(key);
    if (!data) return nullptr;
    const auto result = platform::KeyedUnarchiver::unarchiveTopLevelObject(*data);
    if (!result) {
        // The key stays; the next save removes it, since the field is none.
        showAlert("Error loading KeyCombo from the settings file", kConfigError);
        return nullptr;
    }
    return result.object.as<KeyCombo>();
}

// --- The debounced save -------------------------------------------------------

void Configuration::armSaveConfigTimer() {
    saveConfigTimer_->invalidate();
    saveConfigTimer_ = platform::Timer::make(platform::seconds(saveConfigTimerInterval), false,
                                             [this](platform::Timer&) { saveConfigWithTimer(); });
    // Common modes: the save also happens while a menu or a modal panel runs.
    platform::RunLoop::main().addTimer(saveConfigTimer_, platform::RunLoopMode::common);
}

void Configuration::saveConfigWithTimer() {
    log(LogCategory::config, LogLevel::Default, "saveConfig with Timer. Last Trigger: %{public}@",
        saveConfigTimerReason);
    saveConfigTimerReason.clear();
    saveConfig(false);
}

void Configuration::rearm(std::string reason) {
    // Changes are posted from any thread; the timer lives on the main run
    // loop, which alone fires and cancels it.
    auto arm = [weak = std::weak_ptr<Configuration*>(self_), reason = std::move(reason)] {
        const auto self = weak.lock();
        if (!self) return;
        (*self)->saveConfigTimerReason = reason;
        (*self)->armSaveConfigTimer();
    };
    if (platform::dispatch::isMainThread()) arm();
    else platform::dispatch::Queue::main()->async(std::move(arm));
}

void Configuration::tableViewItemChangedWith(const platform::Notification& notification) {
    const auto* object = notification.objectAs<std::shared_ptr<TableViewItemChangedNotifyObject>>();
    if (!object || !*object || !(*object)->reason) return;
    // Names and paths come from the sources and are found again at the next
    // launch: not worth a save.
    switch (*(*object)->reason) {
        case TableViewItemChangeReason::tagChanged: rearm("TableViewItem: Tag changed"); break;
        case TableViewItemChangeReason::commentChanged: rearm("TableViewItem: Comment changed"); break;
        case TableViewItemChangeReason::visibilityChanged: rearm("TableViewItem: Visibility changed"); break;
        case TableViewItemChangeReason::colorChanged: rearm("TableViewItem: Color changed"); break;
        case TableViewItemChangeReason::hotkeyChanged: rearm("TableViewItem: Hotkey changed"); break;
        case TableViewItemChangeReason::favoriteChanged: rearm("TableViewItem: Favorite changed"); break;
        case TableViewItemChangeReason::pathChanged:
        case TableViewItemChangeReason::nameChanged: break;
    }
}

void Configuration::tagItemChangedWith(const platform::Notification& notification) {
    const auto* object = notification.objectAs<std::shared_ptr<IconTagChangedNotifyObject>>();
    if (!object || !*object || !(*object)->reason) return;
    switch (*(*object)->reason) {
        case IconTagChangeReason::colorChanged: rearm("Tag: Color changed"); break;
        case IconTagChangeReason::hotkeyChanged: rearm("Tag: Hotkey changed"); break;
        case IconTagChangeReason::symbolChanged: rearm("Tag: Symbol changed"); break;
        case IconTagChangeReason::visibilityChanged:
        case IconTagChangeReason::nameChanged: break;
    }
}

void Configuration::datastorageFilesystemObjectAddedOrModifiedWith(const platform::Notification&) {
    rearm("datastorageFilesystemObject: AddedOrModified");
}

void Configuration::datastorageURLAddedOrModifiedWith(const platform::Notification&) {
    rearm("datastorageURL: AddedOrModified");
}

}  // namespace frelt
