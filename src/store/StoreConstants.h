#pragma once
// Names shared across the program for the data store and settings:
// notifications on the default centre and keys in the user defaults.

namespace frelt {

namespace Notifications {
inline constexpr const char* tableViewItemChanged = "tableViewItemChanged";
inline constexpr const char* iconTagChanged = "iconTagChanged";
inline constexpr const char* validateTagHotkeyNeeded = "validateTagHotkeyNeeded";
inline constexpr const char* visibleTagsRebuildNeeded = "visibleTagsRebuildNeeded";
inline constexpr const char* visibleTagsRedrawNeeded = "visibleTagsRedrawNeeded";
inline constexpr const char* visibleTagsUseCounterChanged = "visibleTagsUseCounterChanged";
inline constexpr const char* dataStorageRebuildIsFinished = "dataStorageRebuildIsFinished";
inline constexpr const char* currentDataChanged = "currentDataChanged";
inline constexpr const char* currentDataNotChangedWithLastRequest = "currentDataNotChangedWithLastRequest";
inline constexpr const char* currentDataFilterRefreshed = "currentDataFilterRefreshed";
inline constexpr const char* currentDataConfigChanged = "currentDataConfigChanged";
inline constexpr const char* currentDataConfigNotChangedWithLastRequest = "currentDataConfigNotChangedWithLastRequest";
inline constexpr const char* datastorageFilesystemObjectAddedOrModified = "datastorageFilesystemObjectAddedOrModified";
inline constexpr const char* datastorageURLAddedOrModified = "datastorageURLAddedOrModified";
inline constexpr const char* didLaunchApplication = "didLaunchApplication";
inline constexpr const char* didTerminateApplication = "didTerminateApplication";
inline constexpr const char* executeTableviewItem = "executeTableviewItem";
inline constexpr const char* modifierFlagsChanged = "modifierFlagsChanged";
inline constexpr const char* systemSidebarSizeChanged = "systemSidebarSizeChanged";
inline constexpr const char* showPathInMainViewChanged = "showPathInMainViewChanged";
inline constexpr const char* customSpotlightSearchScopeChanged = "customSpotlightSearchScopeChanged";
inline constexpr const char* menubarIconChanged = "menubarIconChanged";
inline constexpr const char* useSmallModeInMainViewChanged = "useSmallModeInMainViewChanged";
inline constexpr const char* sidebarCategoriesShowNumberOfElementInSidebarChanged =
    "sidebarCategoriesShowNumberOfElementInSidebarChanged";
inline constexpr const char* globalBookmarksChanged = "globalBookmarksChanged";
inline constexpr const char* configTableViewSelectionDidChange = "configTableViewSelectionDidChange";
}  // namespace Notifications

namespace DefaultsKeys {
inline constexpr const char* launchedBefore = "launchedBefore";
inline constexpr const char* neverRemindMeRemoveTagDialog = "neverRemindMe_RemoveTagDialog";
inline constexpr const char* neverRemindMeRenameTagDialog = "neverRemindMe_RenameTagDialog";
inline constexpr const char* useSmallModeInMainView = "useSmallModeInMainView";
inline constexpr const char* windowViewStyle = "windowViewStyle";
inline constexpr const char* mainWindowHeight = "mainWindowHeight";
inline constexpr const char* mainWindowWidth = "mainWindowWidth";
inline constexpr const char* clickType = "clickType";
inline constexpr const char* globalKeyCombo = "globalKeyCombo";
inline constexpr const char* globalKeyComboCategoriesShowFiles = "globalKeyComboCategoriesShowFiles";
inline constexpr const char* globalKeyComboCategoriesShowFolders = "globalKeyComboCategoriesShowFolders";
inline constexpr const char* globalKeyComboCategoriesShowURLs = "globalKeyComboCategoriesShowURLs";
inline constexpr const char* globalKeyComboCategoriesShowRecentApplications =
    "globalKeyComboCategoriesShowRecentApplications";
inline constexpr const char* globalKeyComboCategoriesShowActiveApplications =
    "globalKeyComboCategoriesShowActiveApplications";
inline constexpr const char* globalKeyComboCategoriesShowFavorites = "globalKeyComboCategoriesShowFavorites";
inline constexpr const char* globalKeyComboCategoriesShowShortcuts = "globalKeyComboCategoriesShowShortcuts";
inline constexpr const char* mainPopoverAnimated = "mainPopoverAnimated";
inline constexpr const char* alternateFolderBrowser = "alternateFolderBrowser";
inline constexpr const char* searchForComments = "searchForComments";
inline constexpr const char* searchForTags = "searchForTags";
inline constexpr const char* selectingTagsInMainWindowLaunchAll = "selectingTagsInMainWindowLaunchAll";
inline constexpr const char* showPathInMainView = "showPathInMainView";
inline constexpr const char* selectTagsAndCategoriesOnHover = "selectTagsAndCategoriesOnHover";
inline constexpr const char* sidebarTagsCollapsed = "sidebarTagsCollapsed";
inline constexpr const char* sidebarCategoriesCollapsed = "sidebarCategoriesCollapsed";
inline constexpr const char* sidebarCategoriesShowFiles = "sidebarCategoriesShowFiles";
inline constexpr const char* sidebarCategoriesShowFolders = "sidebarCategoriesShowFolders";
inline constexpr const char* sidebarCategoriesShowURLs = "sidebarCategoriesShowURLs";
inline constexpr const char* sidebarCategoriesShowRecentApplications = "sidebarCategoriesShowRecentApplications";
inline constexpr const char* sidebarCategoriesShowActiveApplications = "sidebarCategoriesShowActiveApplications";
inline constexpr const char* sidebarCategoriesShowShortcuts = "sidebarCategoriesShowShortcuts";
inline constexpr const char* sidebarCategoriesShowFavorites = "sidebarCategoriesShowFavorites";
inline constexpr const char* sidebarCategoriesShowNumberOfElementInSidebar =
    "sidebarCategoriesShowNumberOfElementInSidebar";
inline constexpr const char* menubarIcon = "menubarIcon";
inline constexpr const char* customSpotlightSearchScope = "customSpotlightSearchScope";
inline constexpr const char* hotkeyBorder = "hotkeyBorder";
inline constexpr const char* debugLogging = "debugLogging";
inline constexpr const char* entryBackgroundAlphaValue = "entryBackgroundAlphaValue";
inline constexpr const char* translucentBackgroundRight = "translucentBackgroundRight";
inline constexpr const char* applicationData = "ApplicationData";
inline constexpr const char* tagData = "TagData";
inline constexpr const char* urlTemplateData = "urlTemplateData";
// Alerts a run that ended on a signal could not show; the next launch shows them.
inline constexpr const char* alertsKeptForNextLaunch = "alertsKeptForNextLaunch";
// The system's sidebar size, in the global domain.
inline constexpr const char* tableViewDefaultSizeMode = "NSTableViewDefaultSizeMode";
}  // namespace DefaultsKeys

}  // namespace frelt
