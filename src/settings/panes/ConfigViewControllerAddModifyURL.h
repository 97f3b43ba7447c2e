#pragma once
// The dialog that adds a link entry or changes one: title, URL (which may
// hold placeholders) and comment. It colours the URL as it is typed, counts
// its characters, shows the application that will open it, puts a
// placeholder at the cursor or replaces the URL with a template, and tries
// the URL before anything is saved. Saving goes through the data store's URL
// handler, which validates; its refusals show in a red line for three
// seconds. Only the URL handler opens it (showAddURLDialog,
// showModifyURLDialog), as a sheet or as a window of its own, and fills it
// after presenting it. Main thread only.

#include <memory>
#include <optional>
#include <string>

#include "drawing/controls/CustomTextField.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"
#include "sources/urls/URLAttributedStringParser.h"
#include "store/TableViewItem.h"

namespace frelt {

class ConfigViewControllerAddModifyURL : public platform::ViewController {
public:
    static constexpr const char* storyboardName = "DialogAddModifyURL";
    static constexpr const char* sceneIdentifier = "ConfigViewControllerAddModifyURL";
    static constexpr const char* windowControllerIdentifier = "ConfigWindowControllerAddModifyURL";
    static constexpr long urlMaxLength = 3072;
    static constexpr long titleMaxLength = 100;
    static constexpr long commentMaxLength = 100;
    static constexpr double errorDisplaySeconds = 3.0;

    ConfigViewControllerAddModifyURL();

    const std::shared_ptr<platform::Menu> placeholderMenu;
    const std::shared_ptr<platform::Menu> templateMenu;
    const URLAttributedStringParser urlAttributedStringParser;

    // The entry being changed; none when adding.
    TableViewItem::Ptr referenceTableViewItem;
    // What the opener handed in.
    std::optional<std::string> newOrModifyURL;
    std::optional<std::string> newOrModifyTitle;
    std::optional<std::string> newOrModifyComment;
    // The tag a new entry receives.
    std::optional<std::string> newOrModifyTag;

    // Outlets.
    std::weak_ptr<CustomTextField> textFieldSiteTitle;
    std::weak_ptr<CustomTextField> textFieldSiteURL;
    std::weak_ptr<CustomTextField> textFieldSiteComment;
    std::weak_ptr<platform::TextField> errorLabel;
    std::weak_ptr<platform::ImageView> urlHostImage;
    std::weak_ptr<platform::TextField> urlHostPath;
    std::weak_ptr<platform::TextField> urlTextStats;
    std::weak_ptr<platform::Button> urlTest;
    std::weak_ptr<platform::Button> urlInsertPlaceholder;
    std::weak_ptr<platform::Button> urlReplaceWithTemplate;

    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;

    // Puts newOrModifyURL into the URL field and refreshes what follows it.
    void showNewOrModifyURL();
    // Copies the link entry being changed into the dialog.
    void loadReferenceItem();

    void urlTextChanged();
    void refreshURLStatistics();
    void refreshButtonStates();
    void resetHostPreview();
    void refreshHostPreview();
    void buildPlaceholderMenu();
    void buildTemplateMenu();

    // Actions.
    void buttonOKClick();
    void buttonCancelClick();
    void buttonURLTestClick();
    void buttonURLReplaceWithTemplateClick();
    void buttonURLInsertPlaceholderClick();
    void mnu_ReplaceWithTemplate(const std::shared_ptr<platform::Object>& sender);
    void mnu_InsertPlaceholder(const std::shared_ptr<platform::Object>& sender);

    // True when the handler added or changed the entry (or nothing needed
    // changing); a refusal shows its message and keeps the dialog open.
    bool saveURL();
    void showErrorlabel(const std::string& message);
    void hideErrorlabel();

private:
    void colourURL();
    void popUpMenu(const std::shared_ptr<platform::Menu>& menu, const std::shared_ptr<platform::Button>& button);
    void close();
    void reset();
};

}  // namespace frelt
