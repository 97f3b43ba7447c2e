#include "settings/dialogs/VersionedBackupDialog.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <filesystem>
#include <memory>

#include "app/FreltManager.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "exchange/ExportImportManager.h"
#include "exchange/ExportVersionedBackup.h"
#include "store/ShowAlert.h"
#include "exchange/ImportData.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/TextField.h"
#include "platform/foundation/URL.h"
#include "settings/dialogs/DialogWindows.h"

namespace frelt {

using platform::Rect;

namespace {

std::optional<std::vector<std::string>> backupFiles() {
    return ExportImportManager::shared()->exportVersionedBackup->listBackupFiles();
}

}  // namespace

ConfigViewControllerVersionedBackup::ConfigViewControllerVersionedBackup() {
    registerAction("btnCreateBackupVersionClicked:",
                   [this](const std::shared_ptr<platform::Object>&) { btnCreateBackupVersionClicked(); });
    registerAction("btnRestoreFromBackupClicked:",
                   [this](const std::shared_ptr<platform::Object>&) { btnRestoreFromBackupClicked(); });
}

void ConfigViewControllerVersionedBackup::viewDidLoad() {
    if (const auto table = tableViewVersionedBackups.lock()) {
        const auto self = std::dynamic_pointer_cast<ConfigViewControllerVersionedBackup>(shared_from_this());
        table->setDelegate(self);
        table->setDataSource(self);
    }
    if (markDownTextView) {
        markDownTextView->loadMarkdown(helpResource);
        markDownTextView->showMarkdown(MarkdownStyles::info);
    }
}

void ConfigViewControllerVersionedBackup::viewWillAppear() {
    if (const auto table = tableViewVersionedBackups.lock()) table->reloadData();
}

void ConfigViewControllerVersionedBackup::btnCreateBackupVersionClicked() {
    if (!ExportImportManager::shared()->exportVersionedBackup->runBackupSequence())
        showAlert("No backup was made",
                  "The stored data could not be read at this start: a backup of what is left would push out a "
                  "backup that holds it.");
    if (const auto table = tableViewVersionedBackups.lock()) table->reloadData();
}

void ConfigViewControllerVersionedBackup::btnRestoreFromBackupClicked() {
    const auto table = tableViewVersionedBackups.lock();
    if (!table) return;
    const long row = table->selectedRow();
    if (row < 0) return;
    const auto files = backupFiles();
    if (!files || row >= static_cast<long>(files->size())) return;
    const std::string path = (*files)[static_cast<std::size_t>(row)];
    if (!ImportData::confirmImportWarning()) return;
    FreltManager::shared()->closeAllWindows();
    ExportImportManager::shared()->importData->importFromURL(platform::URL::fileURL(path));
}

void ConfigViewControllerVersionedBackup::updateRestoreButton() {
    const auto button = btnRestoreFromBackup.lock();
    if (!button) return;
    const auto table = tableViewVersionedBackups.lock();
    button->setEnabled(backupFiles().has_value() && table && table->numberOfSelectedRows() > 0);
}

void ConfigViewControllerVersionedBackup::tableViewSelectionDidChange(const platform::Notification&) {
    updateRestoreButton();
}

long ConfigViewControllerVersionedBackup::numberOfRowsInTableView(platform::TableView&) {
    const auto files = backupFiles();
    return files ? static_cast<long>(files->size()) : 0;
}

std::shared_ptr<platform::View> ConfigViewControllerVersionedBackup::viewForTableColumn(
    platform::TableView& tableView, const std::shared_ptr<platform::TableColumn>& column, long row) {
    const auto files = backupFiles();
    if (!files || row < 0 || row >= static_cast<long>(files->size())) return nullptr;
    const std::filesystem::path path = (*files)[static_cast<std::size_t>(row)];
    const long position = column ? tableView.columnWithIdentifier(column->identifier()) : -1;
    std::string identifier, text;
    if (position == 0) {
        identifier = cellCreated;
        text = formattedCreationDate(ExportVersionedBackup::creationDate(path));
    } else if (position == 1) {
        identifier = cellFilename;
        text = path.filename().string();
    }
    const auto cell = std::dynamic_pointer_cast<platform::TableCellView>(
        tableView.makeViewWithIdentifier(identifier, shared_from_this()));
    const auto field = cell ? cell->textField() : nullptr;
    if (!field) return nullptr;
    field->setStringValue(text);
    return cell;
}

std::string ConfigViewControllerVersionedBackup::formattedCreationDate(const std::optional<platform::Date>& date) {
    if (!date) return "\u2013";
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
        icu::DateFormat::kLong, icu::DateFormat::kLong, icu::Locale::getDefault()));
    if (!format) return "\u2013";
    icu::UnicodeString formatted;
    format->format(date->unixTime() * 1000.0, formatted);
    std::string text;
    formatted.toUTF8String(text);
    return text;
}

// --- the scene

namespace {

constexpr double backupDialogWidth = 620, backupDialogHeight = 520;

std::shared_ptr<platform::View> makeTextCell() {
    auto cell = std::make_shared<platform::TableCellView>(Rect(0, 0, 280, 24));
    auto field = platform::TextField::label({});
    field->setFrame(Rect(4, 3, 272, 18));
    field->setAutoresizingMask(platform::autoresizing::widthSizable);
    cell->addSubview(field);
    cell->setTextField(field);
    return cell;
}

void layOutVersionedBackupDialog(ConfigViewControllerVersionedBackup& controller) {
    using namespace platform::autoresizing;
    auto root = std::make_shared<platform::View>(Rect(0, 0, backupDialogWidth, backupDialogHeight));
    root->setAutoresizesSubviews(true);

    controller.markDownTextView = addMarkdownView(*root, Rect(16, 16, backupDialogWidth - 32, 170), false);

    auto table = std::make_shared<platform::TableView>();
    auto created = std::make_shared<platform::TableColumn>("columnCreated");
    created->setTitle("Created");
    created->setWidth(300);
    table->addTableColumn(created);
    auto name = std::make_shared<platform::TableColumn>("columnFilename");
    name->setTitle("File");
    name->setWidth(backupDialogWidth - 32 - 300);
    table->addTableColumn(name);
    table->setRowHeight(24);
    table->registerViewFactory(ConfigViewControllerVersionedBackup::cellCreated, makeTextCell);
    table->registerViewFactory(ConfigViewControllerVersionedBackup::cellFilename, makeTextCell);
    addTableWithTitles(*root, table, Rect(16, 200, backupDialogWidth - 32, backupDialogHeight - 260));

    const auto target = controller.shared_from_this();
    auto create = addButton(*root, "Create Backup", Rect(16, backupDialogHeight - 46, 150, 30), target,
                            "btnCreateBackupVersionClicked:");
    create->setAutoresizingMask(maxXMargin | minYMargin);
    auto restore = addButton(*root, "Restore Backup", Rect(backupDialogWidth - 166, backupDialogHeight - 46, 150, 30), target,
                             "btnRestoreFromBackupClicked:");
    restore->setAutoresizingMask(minXMargin | minYMargin);
    // Nothing is selected when the dialog opens.
    restore->setEnabled(false);

    controller.tableViewVersionedBackups = table;
    controller.btnCreateBackupVersion = create;
    controller.btnRestoreFromBackup = restore;
    controller.setView(root);
}

}  // namespace

void registerVersionedBackupDialogScenes() {
    registerDialog<ConfigViewControllerVersionedBackup>({backupDialogWidth, backupDialogHeight}, "Versioned Backups",
                                                              layOutVersionedBackupDialog);
}

}  // namespace frelt
