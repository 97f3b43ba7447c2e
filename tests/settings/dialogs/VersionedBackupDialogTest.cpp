// The versioned backup dialog: the list, making a backup now, and restoring
// the selected one.

#include "settings/dialogs/VersionedBackupDialog.h"

#include <gtest/gtest.h>

#include <chrono>

#include "DialogTestSupport.h"
#include "exchange/ExportImportManager.h"
#include "exchange/ExportVersionedBackup.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Paths.h"
#include "support/FileDates.h"

using namespace frelt;
using dialogtest::DialogTest;
using dialogtest::Strings;
namespace fs = std::filesystem;

namespace {

class VersionedBackupDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ExportVersionedBackup::setCreationDateReader(filedates::modificationDate);
    }
    void TearDown() override {
        ExportVersionedBackup::setCreationDateReader(nullptr);
        DialogTest::TearDown();
    }
    static fs::path folder() { return platform::Paths::documentsFolder() / "Backup"; }
    static fs::path dated(const std::string& name, int minutesAgo) {
        const auto path = folder() / (name + ".frelt_ExportData");
        fs::create_directories(folder());
        if (!fs::exists(path)) std::ofstream(path) << "x";
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
        return path;
    }
    void open() {
        window = FreltWindow::showWindow(false, FreltWindowEnum::versionedBackup);
        ASSERT_TRUE(window);
        dialog = std::dynamic_pointer_cast<ConfigViewControllerVersionedBackup>(window->contentViewController());
        ASSERT_TRUE(dialog);
        table = dialog->tableViewVersionedBackups.lock();
        ASSERT_TRUE(table);
    }
    std::string textAt(long column, long row) const {
        const auto cell = std::dynamic_pointer_cast<platform::TableCellView>(table->viewAtColumn(column, row, true));
        return cell && cell->textField() ? cell->textField()->stringValue() : "<no cell>";
    }
    Strings shownNames() const {
        Strings names;
        for (long row = 0; row < table->numberOfRows(); ++row) names.push_back(textAt(1, row));
        return names;
    }

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ConfigViewControllerVersionedBackup> dialog;
    std::shared_ptr<platform::TableView> table;
};

TEST_F(VersionedBackupDialogTest, ListsTheBackupsNewestFirstAndMakesOneOnRequest) {
    addFile("plan.txt", {"Work"});
    rebuildStore();
    for (int i = 0; i < 22; ++i) dated("old" + std::to_string(i), 100 + i);
    open();
    ASSERT_EQ(table->numberOfRows(), 22);
    EXPECT_EQ(textAt(1, 0), "old0.frelt_ExportData");
    EXPECT_EQ(textAt(1, 21), "old21.frelt_ExportData");
    const auto date = ExportVersionedBackup::creationDate(folder() / "old0.frelt_ExportData");
    EXPECT_EQ(textAt(0, 0), ConfigViewControllerVersionedBackup::formattedCreationDate(date));
    EXPECT_NE(textAt(0, 0).find(std::to_string(1900 + [] {
                  const std::time_t now = std::time(nullptr);
                  return std::localtime(&now)->tm_year;
              }())),
              std::string::npos)
        << "the long date names the year: " << textAt(0, 0);
    EXPECT_FALSE(ConfigViewControllerVersionedBackup::formattedCreationDate(std::nullopt).empty())
        << "an undated file still shows a row";

    // Before the stored data was loaded (it could not be read, say) no backup
    // is made and none pruned: what is left would push out one that holds it.
    std::string refusal;
    platform::ModalScript::shared()->answerAlert([&](platform::Alert& alert) {
        refusal = alert.messageText();
        return platform::AlertAnswer{};
    });
    kit::clickView(dialog->btnCreateBackupVersion.lock());
    EXPECT_EQ(refusal, "No backup was made");
    EXPECT_EQ(shownNames().size(), 22u);

    // Loading takes the (empty) stored list as the store: the entry comes after.
    config()->loadConfig();
    addFile("plan.txt", {"Work"});
    rebuildStore();
    kit::clickView(dialog->btnCreateBackupVersion.lock());
    const auto names = shownNames();
    ASSERT_EQ(names.size(), 21u) << "all but the 20 newest went before the new one";
    EXPECT_EQ(names.front().size(), 36 + std::string(".frelt_ExportData").size()) << names.front();
    EXPECT_EQ(names[1], "old0.frelt_ExportData");
    EXPECT_EQ(names.back(), "old19.frelt_ExportData");
}

TEST_F(VersionedBackupDialogTest, TheRestoreButtonFollowsTheSelection) {
    dated("a", 10);
    dated("b", 5);
    open();
    const auto restore = dialog->btnRestoreFromBackup.lock();
    EXPECT_FALSE(restore->isEnabled());
    table->selectRowIndexes(platform::IndexSet{1}, false);
    EXPECT_TRUE(restore->isEnabled());
    table->deselectAll();
    EXPECT_FALSE(restore->isEnabled());
    // Nothing selected: a click does nothing (an unscripted warning would fail).
    dialog->btnRestoreFromBackupClicked();
    EXPECT_TRUE(window->isVisible());
}

TEST_F(VersionedBackupDialogTest, RestoringAsksThenClosesEveryWindowAndImportsTheChosenBackup) {
    addFile("kept.txt", {"Work"});
    rebuildStore();
    drain();
    ASSERT_TRUE(ExportImportManager::shared()->exportVersionedBackup->createBackup());
    addFile("later.txt", {"Home"});
    rebuildStore();
    drain();
    const auto entries = [] {
        Strings names;
        for (const auto& entry : store()->allData()->toVector())
            if (entry->name().ends_with(".txt")) names.push_back(entry->name());
        std::sort(names.begin(), names.end());
        return names;
    };
    ASSERT_EQ(entries(), (Strings{"kept.txt", "later.txt"}));
    open();
    table->selectRowIndexes(platform::IndexSet{0}, false);

    // Cancel in the overwrite warning: the dialog stays and nothing changes.
    script()->pressAlertButton(0);  // Cancel comes first
    dialog->btnRestoreFromBackupClicked();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(entries(), (Strings{"kept.txt", "later.txt"}));

    script()->pressAlertButton(1);
    platform::Application::shared()->sendAction("btnRestoreFromBackupClicked:", dialog, nullptr);
    drain();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(FreltWindow::registeredWindowController(FreltWindowEnum::versionedBackup), nullptr);
    EXPECT_EQ(entries(), (Strings{"kept.txt"}));
}

TEST_F(VersionedBackupDialogTest, ShowsItsHelpText) {
    useResources({{"help_versionedBackup.md", "# Backups\n\nA backup is written at every quit.\n"}});
    open();
    ASSERT_TRUE(dialog->markDownTextView);
    EXPECT_NE(dialog->markDownTextView->string().find("A backup is written at every quit."), std::string::npos);
    EXPECT_EQ(dialog->markDownTextView->style(), MarkdownStyles::info);
}

}  // namespace
