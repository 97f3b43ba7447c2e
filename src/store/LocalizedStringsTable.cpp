#include "store/LocalizedStrings.h"

#include <map>
#include <memory>
#include <mutex>

namespace frelt {

namespace L10n {
const LocalizedString All_Applications{"All_Applications", "Applications", "Sidebar category"};
const LocalizedString All_Files{"All_Files", "Files", "Sidebar category"};
const LocalizedString All_Folders{"All_Folders", "Folders", "Sidebar category"};
const LocalizedString All_URLs{"All_URLs", "URLs", "Sidebar category"};
const LocalizedString All_Favorites{"All_Favorites", "Favorites", "Sidebar category"};
const LocalizedString lastUsedApplications{"lastUsedApplications", "Recent Applications", "Sidebar category"};
const LocalizedString Shortcuts{"Shortcuts", "Shortcuts", "Sidebar category"};
const LocalizedString openApplications{"openApplications", "Active Applications", "Sidebar category"};
const LocalizedString Tags{"Tags", "Tags", "Sidebar section"};
const LocalizedString Categories{"Categories", "Categories", "Sidebar section"};
const LocalizedString SandboxDlg_Prompt{"SandboxDlg_Prompt", "Allow", "Prompt button of the permission panel"};
const LocalizedString mainWindowStyle_Window{"mainWindowStyle_Window", "Centered on Screen", "Window style choice"};
const LocalizedString mainWindowStyle_Popup{"mainWindowStyle_Popup", "Popupmenu at Menubar", "Window style choice"};
const LocalizedString mainWindowLaunch_withSingleClick{"mainWindowLaunch_withSingleClick", "Launch items with a single mouse click", "Click type choice"};
const LocalizedString mainWindowLaunch_withDoubleClick{"mainWindowLaunch_withDoubleClick", "Launch items with a double mouse click", "Click type choice"};
const LocalizedString customSearchField_SearchForName{"customSearchField_SearchForName", "Name", "Search scope menu"};
const LocalizedString customSearchField_SearchForTag{"customSearchField_SearchForTag", "Tag", "Search scope menu"};
const LocalizedString customSearchField_SearchForComment{"customSearchField_SearchForComment", "Comment", "Search scope menu"};
const LocalizedString customSearchField_SearchForPath{"customSearchField_SearchForPath", "Path", "Search scope menu"};
const LocalizedString popupButtonEntry_All{"popupButtonEntry_All", "All types", "Type filter"};
const LocalizedString popupButtonEntry_Applications{"popupButtonEntry_Applications", "Applications", "Type filter"};
const LocalizedString popupButtonEntry_Files{"popupButtonEntry_Files", "Files", "Type filter"};
const LocalizedString popupButtonEntry_Folders{"popupButtonEntry_Folders", "Folders", "Type filter"};
const LocalizedString popupButtonEntry_URLs{"popupButtonEntry_URLs", "URLs", "Type filter"};
const LocalizedString popupButtonFilter_All{"popupButtonFilter_All", "All entries", "Visibility filter"};
const LocalizedString popupButtonFilter_Active{"popupButtonFilter_Active", "Active only", "Visibility filter"};
const LocalizedString popupButtonFilter_Inactive{"popupButtonFilter_Inactive", "Inactive only", "Visibility filter"};
const LocalizedString dialogtext_ok{"dialogtext_ok", "OK", "Dialog button"};
const LocalizedString dialogtext_cancel{"dialogtext_cancel", "Cancel", "Dialog button"};
const LocalizedString dialogtext_ImportWarning{"dialogtext_ImportWarning", "Importing will overwrite all existing data. Are you sure?", "Warning before an import"};
const LocalizedString errorExportingAllData_MessageText{"errorExportingAllData_MessageText", "Error exporting data", "Error headline"};
const LocalizedString errorExportingAllData_ExportFileCouldNotCreated{"errorExportingAllData_ExportFileCouldNotCreated", "The exportfile could not be created", "Error text"};
const LocalizedString errorLoadingAllData_MessageText{"errorLoadingAllData_MessageText", "Error loading data", "Error headline"};
const LocalizedString errorLoadingAllData_InfomativeText{"errorLoadingAllData_InfomativeText", "The data could not be loaded successfully", "Error text"};
const LocalizedString mainMenu_showInfo{"mainMenu_showInfo", "About Frelt...", "Status menu"};
const LocalizedString mainMenu_showHotkeyOverview{"mainMenu_showHotkeyOverview", "Overview of keyboard shortcuts", "Status menu"};
const LocalizedString mainMenu_showSettings{"mainMenu_showSettings", "Preferences...", "Status menu"};
const LocalizedString mainMenu_showPreferences{"mainMenu_showPreferences", "Modify Data...", "Status menu"};
const LocalizedString mainMenu_showTags{"mainMenu_showTags", "Tags...", "Status menu"};
const LocalizedString mainMenu_export{"mainMenu_export", "Export configuration", "Status menu"};
const LocalizedString mainMenu_import{"mainMenu_import", "Import configuration", "Status menu"};
const LocalizedString mainMenu_showVersionedBackup{"mainMenu_showVersionedBackup", "Save configuration (versioned)...", "Status menu"};
const LocalizedString mainMenu_showWebsite{"mainMenu_showWebsite", "Website of Frelt", "Status menu"};
const LocalizedString mainMenu_showManual{"mainMenu_showManual", "Online help", "Status menu"};
const LocalizedString mainMenu_showVersionHistory{"mainMenu_showVersionHistory", "What's new?", "Status menu"};
const LocalizedString mainMenu_quit{"mainMenu_quit", "Quit", "Status menu"};
const LocalizedString mainMenu_reloadData{"mainMenu_reloadData", "Refresh Data", "Status menu"};
const LocalizedString mainMenu_importShortcuts{"mainMenu_importShortcuts", "Import Shortcuts from the Shortcuts-App", "Status menu"};
const LocalizedString mainMenu_AddFileOrFolder{"mainMenu_AddFileOrFolder", "Add File or Folder", "Status menu"};
const LocalizedString mainMenu_AddURL{"mainMenu_AddURL", "Add URL", "Status menu"};
const LocalizedString addFileDialogMessage{"addFileDialogMessage", "Select a file or folder to add it to the list", "Open panel message"};
const LocalizedString importConfigMessage{"importConfigMessage", "Select a previously saved configuration file to load it.", "Open panel message"};
const LocalizedString predefinedTag_Office{"predefinedTag_Office", "Office", ""};
const LocalizedString predefinedTag_Office_Apple{"predefinedTag_Office_Apple", "Office|Apple", ""};
const LocalizedString predefinedTag_Office_Microsoft{"predefinedTag_Office_Microsoft", "Office|Microsoft", ""};
const LocalizedString predefinedTag_Development{"predefinedTag_Development", "Development", ""};
const LocalizedString predefinedTag_Development_Tools{"predefinedTag_Development_Tools", "Development|Tools", ""};
const LocalizedString predefinedTag_Graphics{"predefinedTag_Graphics", "Graphics", ""};
const LocalizedString predefinedTag_Tools{"predefinedTag_Tools", "Tools", ""};
const LocalizedString predefinedTag_Tools_Apple{"predefinedTag_Tools_Apple", "Tools|Apple", ""};
const LocalizedString predefinedTag_Webdesign{"predefinedTag_Webdesign", "Webdesign", ""};
const LocalizedString predefinedTag_Video{"predefinedTag_Video", "Video", ""};
const LocalizedString predefinedTag_Textedit{"predefinedTag_Textedit", "Texteditors", ""};
const LocalizedString predefinedTag_Backup{"predefinedTag_Backup", "Backup", ""};
const LocalizedString services_SendOne{"services_SendOne", "Send Object to:", "Label for one handed-over object"};
const LocalizedString services_SendMany{"services_SendMany", "Send %var Objects to:", "Label for several handed-over objects; %var is their number"};
const LocalizedString addModifyUrl_EntryAlreadyExists{"addModifyUrl_EntryAlreadyExists", "An entry with this URL already exists ...", "URL dialog error"};
const LocalizedString addModifyUrl_NoTitle{"addModifyUrl_NoTitle", "Please enter a title.", "URL dialog error"};
const LocalizedString addModifyUrl_URLInvalid{"addModifyUrl_URLInvalid", "The URL cannot be evaluated. Please correct the URL.", "URL dialog error"};
const LocalizedString configViewControllerTagsWindowTitle{"configViewControllerTagsWindowTitle", "Configuration", "Window title"};
const LocalizedString configViewControllerTagsWindowSubTitle{"configViewControllerTagsWindowSubTitle", "Modify Tags", "Window subtitle"};
const LocalizedString configViewControllerContentWindowTitle{"configViewControllerContentWindowTitle", "Configuration", "Window title"};
const LocalizedString configViewControllerContentWindowSubTitle{"configViewControllerContentWindowSubTitle", "Modify Data", "Window subtitle"};
const LocalizedString openURLError{"openURLError", "URL error - Is the URL correct?", "Headline when a link cannot be opened"};
const LocalizedString openWithFilesError{"openWithFilesError", "The files could not be handed to the application",
                                         "Headline when an application cannot be started with the files handed over"};
const LocalizedString openURLInput{"openURLInput", "Input", "Question for a placeholder that names none"};
const LocalizedString confirmRenameDialogText{"confirmRenameDialogText", "Should the selected entry be renamed?", "Rename confirmation"};
const LocalizedString confirmRenameDialogInformativeText{"confirmRenameDialogInformativeText", "Current name:\n'%oldname'\n\nNew name:\n'%newname'", "Rename confirmation; keep %oldname and %newname"};
const LocalizedString confirmDeleteDialogText{"confirmDeleteDialogText", "Should the selected entry be deleted?", "Delete confirmation"};
const LocalizedString confirmDeleteDialogInformativeText{"confirmDeleteDialogInformativeText", "The entry '%tagToDelete' will be deleted.", "Delete confirmation; keep %tagToDelete"};
const LocalizedString launchAllWarnMessage{"launchAllWarnMessage", "Do you really want to launch all %currentEntries entries at once?", "Launch-all warning"};
const LocalizedString launchAllWarnInformativeText{"launchAllWarnInformativeText", "The list contains current %currentEntries entries. If you confirm the dialog, all entries are launched one after the other. Do you really want to start all entries?", "Launch-all warning"};
const LocalizedString launchAllWarnButton{"launchAllWarnButton", "Launch all", "Launch-all button"};
const LocalizedString launchAllDenyMessage{"launchAllDenyMessage", "There are too many entries in the list", "Launch-all refusal"};
const LocalizedString launchAllDenyInformativeText{"launchAllDenyInformativeText", "The list contains current %currentEntries entries. This exceeds the upper limit of %maxEntries entries that can be started simultaneously.", "Launch-all refusal"};
const LocalizedString hotkeyOverviewGlobalHotkey{"hotkeyOverviewGlobalHotkey", "Hotkey to show the main window", "Hotkey overview section"};
const LocalizedString hotkeyOverviewCategory{"hotkeyOverviewCategory", "Hotkeys for categories", "Hotkey overview section"};
const LocalizedString hotkeyOverviewTagView{"hotkeyOverviewTagView", "Hotkeys to show a tag", "Hotkey overview section"};
const LocalizedString hotkeyOverviewTagLaunchAll{"hotkeyOverviewTagLaunchAll", "Hotkeys to launch all entries of a tag", "Hotkey overview section"};
const LocalizedString hotkeyOverviewEntry{"hotkeyOverviewEntry", "Hotkeys for entries", "Hotkey overview section"};
const LocalizedString tagGroupLaunchTableViewItem{"tagGroupLaunchTableViewItem", "Launch all entries with Tag [%tagName]", "Comment of a tag row; keep %tagName"};
const LocalizedString tagGroupViewTableViewItem{"tagGroupViewTableViewItem", "Switch to Tag [%tagName]", "Comment of a tag row; keep %tagName"};
}  // namespace L10n

namespace {
const std::vector<const LocalizedString*> kAll = {
    &L10n::All_Applications,
    &L10n::All_Files,
    &L10n::All_Folders,
    &L10n::All_URLs,
    &L10n::All_Favorites,
    &L10n::lastUsedApplications,
    &L10n::Shortcuts,
    &L10n::openApplications,
    &L10n::Tags,
    &L10n::Categories,
    &L10n::SandboxDlg_Prompt,
    &L10n::mainWindowStyle_Window,
    &L10n::mainWindowStyle_Popup,
    &L10n::mainWindowLaunch_withSingleClick,
    &L10n::mainWindowLaunch_withDoubleClick,
    &L10n::customSearchField_SearchForName,
    &L10n::customSearchField_SearchForTag,
    &L10n::customSearchField_SearchForComment,
    &L10n::customSearchField_SearchForPath,
    &L10n::popupButtonEntry_All,
    &L10n::popupButtonEntry_Applications,
    &L10n::popupButtonEntry_Files,
    &L10n::popupButtonEntry_Folders,
    &L10n::popupButtonEntry_URLs,
    &L10n::popupButtonFilter_All,
    &L10n::popupButtonFilter_Active,
    &L10n::popupButtonFilter_Inactive,
    &L10n::dialogtext_ok,
    &L10n::dialogtext_cancel,
    &L10n::dialogtext_ImportWarning,
    &L10n::errorExportingAllData_MessageText,
    &L10n::errorExportingAllData_ExportFileCouldNotCreated,
    &L10n::errorLoadingAllData_MessageText,
    &L10n::errorLoadingAllData_InfomativeText,
    &L10n::mainMenu_showInfo,
    &L10n::mainMenu_showHotkeyOverview,
    &L10n::mainMenu_showSettings,
    &L10n::mainMenu_showPreferences,
    &L10n::mainMenu_showTags,
    &L10n::mainMenu_export,
    &L10n::mainMenu_import,
    &L10n::mainMenu_showVersionedBackup,
    &L10n::mainMenu_showWebsite,
    &L10n::mainMenu_showManual,
    &L10n::mainMenu_showVersionHistory,
    &L10n::mainMenu_quit,
    &L10n::mainMenu_reloadData,
    &L10n::mainMenu_importShortcuts,
    &L10n::mainMenu_AddFileOrFolder,
    &L10n::mainMenu_AddURL,
    &L10n::addFileDialogMessage,
    &L10n::importConfigMessage,
    &L10n::predefinedTag_Office,
    &L10n::predefinedTag_Office_Apple,
    &L10n::predefinedTag_Office_Microsoft,
    &L10n::predefinedTag_Development,
    &L10n::predefinedTag_Development_Tools,
    &L10n::predefinedTag_Graphics,
    &L10n::predefinedTag_Tools,
    &L10n::predefinedTag_Tools_Apple,
    &L10n::predefinedTag_Webdesign,
    &L10n::predefinedTag_Video,
    &L10n::predefinedTag_Textedit,
    &L10n::predefinedTag_Backup,
    &L10n::services_SendOne,
    &L10n::services_SendMany,
    &L10n::addModifyUrl_EntryAlreadyExists,
    &L10n::addModifyUrl_NoTitle,
    &L10n::addModifyUrl_URLInvalid,
    &L10n::configViewControllerTagsWindowTitle,
    &L10n::configViewControllerTagsWindowSubTitle,
    &L10n::configViewControllerContentWindowTitle,
    &L10n::configViewControllerContentWindowSubTitle,
    &L10n::openURLError,
    &L10n::openURLInput,
    &L10n::openWithFilesError,
    &L10n::confirmRenameDialogText,
    &L10n::confirmRenameDialogInformativeText,
    &L10n::confirmDeleteDialogText,
    &L10n::confirmDeleteDialogInformativeText,
    &L10n::launchAllWarnMessage,
    &L10n::launchAllWarnInformativeText,
    &L10n::launchAllWarnButton,
    &L10n::launchAllDenyMessage,
    &L10n::launchAllDenyInformativeText,
    &L10n::hotkeyOverviewGlobalHotkey,
    &L10n::hotkeyOverviewCategory,
    &L10n::hotkeyOverviewTagView,
    &L10n::hotkeyOverviewTagLaunchAll,
    &L10n::hotkeyOverviewEntry,
    &L10n::tagGroupLaunchTableViewItem,
    &L10n::tagGroupViewTableViewItem,
};
}  // namespace

const std::vector<const LocalizedString*>& localization::allStrings() { return kAll; }

}  // namespace frelt
