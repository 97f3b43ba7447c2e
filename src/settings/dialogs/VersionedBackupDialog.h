#pragma once
// The versioned backup dialog: the backups, newest first, with the date and
// time each was made; a button that makes one now and one that restores the
// selected one through the import. It keeps no list of its own: every
// count, cell and action reads the backup folder afresh.

#include <memory>
#include <optional>
#include <string>

#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/ViewController.h"
#include "platform/foundation/Value.h"

namespace frelt {

class ConfigViewControllerVersionedBackup : public platform::ViewController,
                                            public platform::TableViewDataSource,
                                            public platform::TableViewDelegate {
public:
    static constexpr const char* storyboardName = "DialogVersionedBackup";
    static constexpr const char* windowControllerIdentifier = "ConfigWindowControllerVersionedBackup";
    static constexpr const char* sceneIdentifier = "ConfigViewControllerVersionedBackup";
    static constexpr const char* cellCreated = "CellCreated";
    static constexpr const char* cellFilename = "CellFilename";
    static constexpr const char* helpResource = "help_versionedBackup.md";

    // Registers the two buttons' actions.
    ConfigViewControllerVersionedBackup();

    std::weak_ptr<platform::TableView> tableViewVersionedBackups;
    std::weak_ptr<platform::Button> btnCreateBackupVersion;
    std::weak_ptr<platform::Button> btnRestoreFromBackup;
    std::shared_ptr<CustomMarkdownTextView> markDownTextView;

    // Connects the table and shows the help text.
    void viewDidLoad() override;
    void viewWillAppear() override;

    // Makes a backup now (list, prune, create), then reloads.
    void btnCreateBackupVersionClicked();
    // After the overwrite warning: closes every window, this one too, and
    // imports the selected backup.
    void btnRestoreFromBackupClicked();
    // Enabled exactly when the folder can be listed and a row is selected.
    void updateRestoreButton();

    long numberOfRowsInTableView(platform::TableView& tableView) override;
    std::shared_ptr<platform::View> viewForTableColumn(platform::TableView& tableView,
                                                       const std::shared_ptr<platform::TableColumn>& column,
                                                       long row) override;
    void tableViewSelectionDidChange(const platform::Notification& notification) override;

    // The long date and long time of the user's locale; "–" for a file whose
    // date cannot be read, so its row still shows.
    static std::string formattedCreationDate(const std::optional<platform::Date>& date);
};

void registerVersionedBackupDialogScenes();

}  // namespace frelt
