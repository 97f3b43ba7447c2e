#pragma once
// The user's settings in memory, with their persistence in the user defaults
// and the debounced save.
//
// There is one live instance, AppDelegate::shared()->config; every part of
// the program reads and writes the settings through it, on the main thread.
// Most settings are plain fields. Three kinds have setters because changing
// them does more than store a value:
//   - saveInProgress logs every change (the data store refuses to rebuild
//     while it is set);
//   - hiding a sidebar category (sidebarCategoriesShow... = false) drops the
//     category's key combination in the same step;
//   - debugLogging is the log gate: setting it opens or closes the gate for
//     the very next message.
//
// Relevant changes of entries, tags, files and links re-arm a one-shot save
// timer of 120 seconds in the common run-loop modes, so the settings are
// saved two minutes after the last of a burst of changes.

#include <array>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hotkeys/KeyCombo.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/Color.h"

namespace frelt {

// A choice of a settings popup: the localized text it shows and the value
// stored for it (windowViewStyle, clickType).
struct WindowStyle {
    std::string description;
    int index = 0;
};

struct MainClickType {
    std::string description;
    int index = 0;
};

// Width of the main window in points.
enum class MainWindowWidth { with550, with600, with650, with700, with750, with800 };
inline constexpr std::size_t mainWindowWidthCaseCount = 6;

const char* rawValue(MainWindowWidth width);
// Exact raw values only ("700px").
std::optional<MainWindowWidth> mainWindowWidthFromRawValue(std::string_view raw);
// A stored setting: anything absent or unknown is the default, with700.
MainWindowWidth mainWindowWidthFromStoredValue(const std::optional<std::string>& stored);
const std::array<MainWindowWidth, mainWindowWidthCaseCount>& allMainWindowWidths();
int widthInPoints(MainWindowWidth width);

// Height of the main window as a percentage of its screen's height.
enum class MainWindowHeight { height50, height55, height60, height65, height70, height75, height80, height85, height90 };
inline constexpr std::size_t mainWindowHeightCaseCount = 9;

const char* rawValue(MainWindowHeight height);
// Exact raw values only ("70%").
std::optional<MainWindowHeight> mainWindowHeightFromRawValue(std::string_view raw);
// A stored setting: anything absent or unknown is the default, height70.
MainWindowHeight mainWindowHeightFromStoredValue(const std::optional<std::string>& stored);
const std::array<MainWindowHeight, mainWindowHeightCaseCount>& allMainWindowHeights();
int percentOfScreenHeight(MainWindowHeight height);

class Configuration {
public:
    static constexpr double saveConfigTimerInterval = 120.0;

    // Reads "launchedBefore" into the process-wide first-launch flag and
    // starts observing the changes that re-arm the save timer.
    Configuration();
    ~Configuration();
    Configuration(const Configuration&) = delete;
    Configuration& operator=(const Configuration&) = delete;

    // True when "launchedBefore" was stored when the settings object was
    // made. Saving stores the key but never changes the flag, so a first run
    // stays a first run until the program starts again.
    static bool launchedBefore();

    // --- Settings --------------------------------------------------------
    bool saveInProgress() const { return saveInProgress_; }
    void setSaveInProgress(bool value);

    std::vector<WindowStyle> availableWindowStyles;
    std::vector<MainClickType> availableClickTypes;
    std::vector<std::string> availableMenubarIcons;

    bool neverRemindMeRemoveTagDialog = false;
    bool neverRemindMeRenameTagDialog = false;
    bool useSmallModeInMainView = false;
    int windowViewStyle = 0;
    MainWindowHeight mainWindowHeight = MainWindowHeight::height70;
    MainWindowWidth mainWindowWidth = MainWindowWidth::with700;
    int clickType = 0;

    KeyCombo::Ptr globalKeyCombo;
    KeyCombo::Ptr globalKeyComboCategoriesShowFiles;
    KeyCombo::Ptr globalKeyComboCategoriesShowFolders;
    KeyCombo::Ptr globalKeyComboCategoriesShowURLs;
    KeyCombo::Ptr globalKeyComboCategoriesShowRecentApplications;
    KeyCombo::Ptr globalKeyComboCategoriesShowActiveApplications;
    KeyCombo::Ptr globalKeyComboCategoriesShowFavorites;
    KeyCombo::Ptr globalKeyComboCategoriesShowShortcuts;

    bool mainPopoverAnimated = false;
    std::string alternateFolderBrowser;
    bool searchForComments = true;
    bool searchForTags = true;
    bool selectingTagsInMainWindowLaunchAll = false;
    bool showPathInMainView = true;
    bool selectTagsAndCategoriesOnHover = false;
    bool sidebarTagsCollapsed = false;
    bool sidebarCategoriesCollapsed = false;

    // Hiding a category also drops its key combination; showing it again
    // leaves the combination empty.
    bool sidebarCategoriesShowFiles() const { return sidebarCategoriesShowFiles_; }
    void setSidebarCategoriesShowFiles(bool value);
    bool sidebarCategoriesShowFolders() const { return sidebarCategoriesShowFolders_; }
    void setSidebarCategoriesShowFolders(bool value);
    bool sidebarCategoriesShowURLs() const { return sidebarCategoriesShowURLs_; }
    void setSidebarCategoriesShowURLs(bool value);
    bool sidebarCategoriesShowRecentApplications() const { return sidebarCategoriesShowRecentApplications_; }
    void setSidebarCategoriesShowRecentApplications(bool value);
    bool sidebarCategoriesShowActiveApplications() const { return sidebarCategoriesShowActiveApplications_; }
    void setSidebarCategoriesShowActiveApplications(bool value);
    bool sidebarCategoriesShowShortcuts() const { return sidebarCategoriesShowShortcuts_; }
    void setSidebarCategoriesShowShortcuts(bool value);
    bool sidebarCategoriesShowFavorites() const { return sidebarCategoriesShowFavorites_; }
    void setSidebarCategoriesShowFavorites(bool value);

    bool sidebarCategoriesShowNumberOfElementInSidebar = true;
    float mainSplitViewDividerPos = 200.0f;

    static constexpr const char* defaultMenubarIcon = "statusbar-1";
    std::string menubarIcon = defaultMenubarIcon;

    // The existing applications folders the desktop knows, each once; worked
    // out on the first read and kept.
    const std::vector<std::string>& spotlightDefaultSearchScope();
    std::vector<std::string> customSpotlightSearchScope;

    bool hotkeyBorder = false;

    bool debugLogging() const { return debugLogging_; }
    void setDebugLogging(bool value);

    // 0.0 to 1.0; the load turns anything else into 0.2.
    float entryBackgroundAlphaValue = 0.2f;
    platform::Color diaplaynameColor;
    platform::Color pathColor;
    platform::Color descriptionColor;
    bool translucentBackgroundRight = false;

    // The store the settings and archives go to.
    const std::shared_ptr<platform::UserDefaults> defaults;

    // The pending debounced save (at first a timer that never runs).
    const std::shared_ptr<platform::Timer>& saveConfigTimer() const { return saveConfigTimer_; }
    // What last re-armed the save timer; logged when it fires.
    std::string saveConfigTimerReason;

    // --- Persistence -----------------------------------------------------
    // Writes every setting, the key combinations and the stored archives.
    // `dropUnusedTags` is true only when the program quits. Before loadConfig
    // has finished it writes nothing (see isLoaded).
    void saveConfig(bool dropUnusedTags);
    // Reads every setting back; called once at launch.
    void loadConfig();
    // Whether loadConfig has read every stored value in this run. Until then
    // the fields hold the constructor's values, or some of each, and the
    // stored ones are still the last run's: a save then (a quit or the save
    // timer while a loading alert waits for the user) would replace stored
    // values with values never read. Nothing has changed yet that would need
    // saving, so such a save writes nothing.
    bool isLoaded() const { return loaded_; }
    // Whether the store holds the user's data as it was stored: loading has
    // finished, the settings file was read (or there was none) and no stored
    // list was unreadable. Only such a store is backed up, so a backup of
    // what is left never pushes a good one out.
    bool storeWasLoaded() const;
    // None removes the key.
    void saveKeyCombo(const KeyCombo::Ptr& combo, const std::string& key);
    KeyCombo::Ptr loadKeyCombo(const std::string& key);

    // The archives of entries, tags and URL templates. A list is saved only
    // once its stored archive has been loaded (or found absent) in this run,
    // and saved empty only when this run emptied it.
    void saveAllDataArray();
    void saveTagDataArray(bool dropUnusedTags);
    void saveURLTemplateDataArray();
    void loadAllDataArray();
    void loadTagDataArray();
    void loadURLTemplateDataArray();

    // --- The debounced save ----------------------------------------------
    // Replaces the pending save by one 120 seconds from now.
    void armSaveConfigTimer();
    void saveConfigWithTimer();

    // Change observers: each decides whether the change is worth a save.
    void tableViewItemChangedWith(const platform::Notification& notification);
    void tagItemChangedWith(const platform::Notification& notification);
    void datastorageFilesystemObjectAddedOrModifiedWith(const platform::Notification& notification);
    void datastorageURLAddedOrModifiedWith(const platform::Notification& notification);

    // What this run knows of one stored list: whether it has been read,
    // whether the list held objects since (loaded or saved), and whether the
    // stored one could not be read (it was put aside).
    struct StoredListState {
        bool read = false;
        bool heldObjects = false;
        bool unreadable = false;
    };

    // Gives the memory freed by a load, a save or a rebuild back to the system.
    static void returnFreedMemory();

private:
    void setCategoryFlag(bool& flag, KeyCombo::Ptr& combo, bool value);
    void rearm(std::string reason);

    bool saveInProgress_ = false;
    bool sidebarCategoriesShowFiles_ = true;
    bool sidebarCategoriesShowFolders_ = true;
    bool sidebarCategoriesShowURLs_ = true;
    bool sidebarCategoriesShowRecentApplications_ = true;
    bool sidebarCategoriesShowActiveApplications_ = true;
    bool sidebarCategoriesShowShortcuts_ = true;
    bool sidebarCategoriesShowFavorites_ = true;
    bool debugLogging_ = false;

    std::once_flag spotlightDefaultSearchScopeOnce_;
    std::vector<std::string> spotlightDefaultSearchScope_;

    std::shared_ptr<platform::Timer> saveConfigTimer_;
    // Tells work queued for the main thread whether the settings still exist.
    const std::shared_ptr<Configuration*> self_ = std::make_shared<Configuration*>(this);

    StoredListState entryArchive_;
    StoredListState tagArchive_;
    bool templateArchiveUnreadable_ = false;
    bool loaded_ = false;

    // Last, so they go first: no notification reaches a half-destroyed object.
    std::vector<platform::Subscription> observations_;
};

}  // namespace frelt
