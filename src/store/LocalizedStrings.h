#pragma once
// The interface texts the program builds in code. Each has a key, an English
// value shown when no translation is installed, and a note for translators.
// A text is looked up once, on first use, and kept for the life of the process.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace frelt {

struct LocalizedString {
    const char* key;
    const char* english;
    const char* comment;

    // The translated text, or the English value when there is no translation.
    const std::string& value() const;
    operator const std::string&() const { return value(); }
};

// Replaces every occurrence of each placeholder literally (case-sensitive).
std::string replacingPlaceholders(std::string text,
                                  const std::vector<std::pair<std::string, std::string>>& replacements);

namespace localization {
// Where translations come from: key -> translated text, or nullopt. The
// default has none, so every text is English. Set it before the first lookup
// (translations are read once per text).
void setTranslationLookup(std::function<std::optional<std::string>(const std::string& key)> lookup);
// A translation looked up with the English text itself as key and no default.
std::string localizedByEnglishKey(const std::string& english);
// Forgets the texts looked up so far (tests).
void resetCache();
// Every entry of the table, in its order.
const std::vector<const LocalizedString*>& allStrings();
}  // namespace localization

namespace L10n {
// Sidebar categories
extern const LocalizedString All_Applications, All_Files, All_Folders, All_URLs, All_Favorites,
    lastUsedApplications, Shortcuts, openApplications, Tags, Categories;
// Settings choices and the permission panel
extern const LocalizedString SandboxDlg_Prompt, mainWindowStyle_Window, mainWindowStyle_Popup,
    mainWindowLaunch_withSingleClick, mainWindowLaunch_withDoubleClick;
// Search scope menu and filter popups of the configuration window
extern const LocalizedString customSearchField_SearchForName, customSearchField_SearchForTag,
    customSearchField_SearchForComment, customSearchField_SearchForPath, popupButtonEntry_All,
    popupButtonEntry_Applications, popupButtonEntry_Files, popupButtonEntry_Folders, popupButtonEntry_URLs,
    popupButtonFilter_All, popupButtonFilter_Active, popupButtonFilter_Inactive;
// Dialog buttons, warnings and errors
extern const LocalizedString dialogtext_ok, dialogtext_cancel, dialogtext_ImportWarning,
    errorExportingAllData_MessageText, errorExportingAllData_ExportFileCouldNotCreated,
    errorLoadingAllData_MessageText, errorLoadingAllData_InfomativeText;
// Status menu
extern const LocalizedString mainMenu_showInfo, mainMenu_showHotkeyOverview, mainMenu_showSettings,
    mainMenu_showPreferences, mainMenu_showTags, mainMenu_export, mainMenu_import, mainMenu_showVersionedBackup,
    mainMenu_showWebsite, mainMenu_showManual, mainMenu_showVersionHistory, mainMenu_quit, mainMenu_reloadData,
    mainMenu_importShortcuts, mainMenu_AddFileOrFolder, mainMenu_AddURL;
// Open panels
extern const LocalizedString addFileDialogMessage, importConfigMessage;
// Predefined tags of the first-run assistant
extern const LocalizedString predefinedTag_Office, predefinedTag_Office_Apple, predefinedTag_Office_Microsoft,
    predefinedTag_Development, predefinedTag_Development_Tools, predefinedTag_Graphics, predefinedTag_Tools,
    predefinedTag_Tools_Apple, predefinedTag_Webdesign, predefinedTag_Video, predefinedTag_Textedit,
    predefinedTag_Backup;
// Objects handed over by the file manager's service
extern const LocalizedString services_SendOne, services_SendMany;
// URL dialog errors
extern const LocalizedString addModifyUrl_EntryAlreadyExists, addModifyUrl_NoTitle, addModifyUrl_URLInvalid;
// Configuration window titles
extern const LocalizedString configViewControllerTagsWindowTitle, configViewControllerTagsWindowSubTitle,
    configViewControllerContentWindowTitle, configViewControllerContentWindowSubTitle;
// Opening links
extern const LocalizedString openURLError, openURLInput, openWithFilesError;
// Renaming and deleting tags
extern const LocalizedString confirmRenameDialogText, confirmRenameDialogInformativeText, confirmDeleteDialogText,
    confirmDeleteDialogInformativeText;
// Launching all entries of a tag
extern const LocalizedString launchAllWarnMessage, launchAllWarnInformativeText, launchAllWarnButton,
    launchAllDenyMessage, launchAllDenyInformativeText;
// Hotkey overview sections
extern const LocalizedString hotkeyOverviewGlobalHotkey, hotkeyOverviewCategory, hotkeyOverviewTagView,
    hotkeyOverviewTagLaunchAll, hotkeyOverviewEntry;
// Tag rows in the main list
extern const LocalizedString tagGroupLaunchTableViewItem, tagGroupViewTableViewItem;
}  // namespace L10n

}  // namespace frelt
