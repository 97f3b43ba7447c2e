// The Tags dialog and the backup dialog worked by hand on the Qt backend:
// tags renamed in their rows by clicks and keys (the question answered in
// its message box), hotkeys recorded, a tag removed, its symbol chosen, a
// backup made and a restore asked for.

#include <QString>

#include <filesystem>
#include <fstream>

#include "SettingsInputSupport.h"
#include "exchange/ExportImportManager.h"
#include "hotkeys/HotKeyManager.h"
#include "hotkeys/RecordView.h"
#include "mainwindow/TagAppearancePopup.h"
#include "mainwindow/TagTableViewPopup.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/CollectionView.h"
#include "drawing/controls/ColorSlider.h"
#include "platform/appkit/TextView.h"
#include "platform/foundation/Paths.h"
#include "settings/ConfigCells.h"
#include "settings/dialogs/TagsDialog.h"
#include "settings/dialogs/VersionedBackupDialog.h"
#include "store/DataStorage.h"
#include "store/TagManager.h"

using namespace frelt;
using Strings = std::vector<std::string>;
namespace mf = frelt::modifierflags;

namespace {

class DialogsInputTest : public SettingsInputTest {
protected:
    void SetUp() override {
        SettingsInputTest::SetUp();
        config().loadConfig();
        config().neverRemindMeRenameTagDialog = false;
        config().neverRemindMeRemoveTagDialog = false;
    }
    TableViewItem::Ptr addFile(const std::string& name, const Strings& tags) {
        const auto path = root() / "data" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "x";
        auto entry = TableViewItem::initForExternalNonSpotlightObject(path.string());
        entry->setTags(tags);
        EXPECT_EQ(DataStorage::shared()->addToAllData(entry), DataStorage::addResultAdded);
        return entry;
    }
};

class TagsDialogInputTest : public DialogsInputTest {
protected:
    void SetUp() override {
        DialogsInputTest::SetUp();
        addFile("plan.txt", {"Work|Mail"});
        addFile("list.txt", {"Home"});
        DataStorage::shared()->rebuildData(RebuildDataReason::datastorageInitialize);
        drain();
        window = show(FreltWindowEnum::tags);
        ASSERT_TRUE(window && window->isVisible());
        dialog = std::dynamic_pointer_cast<ConfigViewControllerTags>(window->contentViewController());
        ASSERT_TRUE(dialog);
        table = dialog->tagTableView.lock();
        ASSERT_TRUE(table);
    }
    static Strings registeredNames() {
        Strings names;
        for (const auto& tag : TagManager::shared()->allAvailableTags()->toVector()) names.push_back(tag->tagName());
        return names;
    }
    static long rowOf(const std::string& name) {
        const auto names = registeredNames();
        return long(std::find(names.begin(), names.end(), name) - names.begin());
    }
    template <class Cell>
    std::shared_ptr<Cell> cell(const char* column, long row) const {
        return std::dynamic_pointer_cast<Cell>(table->viewAtColumn(table->columnWithIdentifier(column), row, true));
    }
    std::shared_ptr<CustomTextFieldForEditingTags> nameField(const std::string& name) const {
        const auto c = cell<TableViewCellConfigEditTags>(ConfigViewControllerTags::columnEntry, rowOf(name));
        return c ? c->tokenTextfield.lock() : nullptr;
    }
    Strings shownNames() const {
        Strings names;
        for (long row = 0; row < table->numberOfRows(); ++row) {
            const auto c = cell<TableViewCellConfigEditTags>(ConfigViewControllerTags::columnEntry, row);
            names.push_back(c ? c->tokenTextfield.lock()->stringValue() : "<no cell>");
        }
        return names;
    }
    // As a person renames: a click selects the row, a second click on the
    // name edits it, Ctrl+A and the new name replace it, Return commits and
    // the question is answered with `answer`.
    void rename(const std::string& from, const QString& typed, const QString& answer) {
        const auto field = nameField(from);
        ASSERT_TRUE(field);
        if (table->selectedRow() != rowOf(from)) {
            clickOn(field);
            EXPECT_EQ(table->selectedRow(), rowOf(from));
            EXPECT_FALSE(field->currentEditor()) << "the first click only selects";
        }
        clickOn(field);
        ASSERT_TRUE(field->currentEditor()) << "a click on the name of the selected row edits it";
        userinput::key(*window, Qt::Key_A, Qt::ControlModifier);
        userinput::type(*window, typed);
        const auto question = userinput::pressInMessageBox(answer);
        userinput::key(*window, Qt::Key_Return);
        settle();
        EXPECT_TRUE(question->done()) << "no question was asked";
        drain();
    }

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ConfigViewControllerTags> dialog;
    std::shared_ptr<TagTableView> table;
};

TEST_F(TagsDialogInputTest, ATagIsRenamedInItsRowAndTheQuestionIsAnsweredByAClick) {
    rename("Work|Mail", "Job|Mail", "Cancel");
    EXPECT_NE(TagManager::shared()->tagWithName("Work|Mail"), nullptr) << "declined: nothing changes";
    EXPECT_EQ(shownNames(), registeredNames()) << "the field shows the old name again";

    rename("Work|Mail", "Job|Mail", "OK");
    const auto names = registeredNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "Job|Mail"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "Work|Mail"), names.end());
    EXPECT_EQ(shownNames(), names) << "the whole table shows the new names";
    EXPECT_EQ(window->firstResponder(), std::static_pointer_cast<platform::Responder>(table))
        << "Return gave the keyboard back to the table";
}

TEST_F(TagsDialogInputTest, BothRecordersOfARowTakeAChordAndRefuseOneInUse) {
    const auto used = combo(Key::u, mf::command);
    ASSERT_TRUE(HotKeyCenter::shared()->registerHotKey(HotKey::make("entry", used, HotKey::ActionQueue::main, nullptr)));
    const long row = rowOf("Home");
    const auto home = TagManager::shared()->tagWithName("Home");
    const auto show = cell<TableViewCellConfigEditTagsHotkeyView>(ConfigViewControllerTags::columnHotkey, row);
    const auto launch =
        cell<TableViewCellConfigEditTagsHotkeyLaunchAll>(ConfigViewControllerTags::columnHotkeyLaunchAll, row);
    ASSERT_TRUE(show && launch);

    const auto recorder = show->hotkey.lock();
    clickOn(recorder);
    ASSERT_TRUE(recorder->isRecording);
    userinput::key(*window, Qt::Key_U, Qt::ControlModifier);
    settle();
    EXPECT_EQ(home->hotkey(), nullptr) << "a registered combination is refused";
    userinput::key(*window, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    settle();
    EXPECT_TRUE(same(home->hotkey(), combo(Key::k, mf::command | mf::shift)));
    EXPECT_EQ(home->hotkeyLaunchAll(), nullptr) << "each cell writes its own hotkey";

    const auto launchRecorder = launch->hotkey.lock();
    clickOn(launchRecorder);
    ASSERT_TRUE(launchRecorder->isRecording);
    userinput::key(*window, Qt::Key_L, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(same(home->hotkeyLaunchAll(), combo(Key::l, mf::command)));
}

TEST_F(TagsDialogInputTest, RemoveTagTakesTheRowSelectedByAClickOnceTheQuestionIsAnswered) {
    const auto before = registeredNames();
    const long row = rowOf("Home");
    userinput::click(*window, rowPoint(*table, row, 2));
    settle();
    ASSERT_EQ(table->selectedRow(), row);
    std::shared_ptr<platform::Button> remove;
    for (const auto& v : dialog->view()->subviews())
        if (auto b = std::dynamic_pointer_cast<platform::Button>(v); b && b->title() == "Remove Tag") remove = b;
    ASSERT_TRUE(remove);

    {
        const auto question = userinput::pressInMessageBox("Cancel");
        clickOn(remove);
        EXPECT_TRUE(question->done());
    }
    EXPECT_EQ(registeredNames(), before) << "declined";
    {
        const auto question = userinput::pressInMessageBox("OK");
        clickOn(remove);
        EXPECT_TRUE(question->done());
    }
    drain();
    Strings expected = before;
    expected.erase(expected.begin() + row);
    EXPECT_EQ(registeredNames(), expected);
    EXPECT_EQ(shownNames(), expected);
}

TEST_F(TagsDialogInputTest, TheSymbolButtonOpensTheTagsPopupWhoseColourIconSliderAndDefaultAreClicked) {
    const auto c = cell<TableViewCellConfigEditTags>(ConfigViewControllerTags::columnEntry, rowOf("Home"));
    ASSERT_TRUE(c);
    ASSERT_FALSE(c->popupMenu->popover->isShown());
    clickOn(c->symbolButton.lock());
    ASSERT_TRUE(runUntil([&] { return c->popupMenu->popover->isShown(); },
                         std::chrono::seconds(2)))
        << "the symbol button showed no popup";

    // In it: a colour circle, then an icon of the grid.
    const auto popup = c->popupMenu->tagTableViewPopupViewController();
    ASSERT_TRUE(popup);
    const auto tag = TagManager::shared()->tagWithName("Home");
    clickOn(popup->colorCircles[0].lock());
    EXPECT_EQ(tag->color(), TagAppearancePopupViewController::presetColors()[0]);
    const auto grid = popup->iconChooseCollectionView.lock();
    ASSERT_TRUE(grid);
    const auto item = grid->itemAtIndexPath({0, 7});
    ASSERT_TRUE(item && item->isViewLoaded());
    clickOn(item->view());
    EXPECT_EQ(tag->tagSymbol(), TagManager::shared()->iconNames()[7]) << "the clicked icon is the tag's";

    // The hue slider dragged from its left end to its middle colours the tag.
    ASSERT_TRUE(c->popupMenu->popover->isShown());
    const auto slider = popup->colorSlider.lock();
    ASSERT_TRUE(slider && slider->window());
    const platform::Rect s = slider->bounds();
    userinput::drag(*slider->window(), slider->convertPointToWindow({s.minX() + 2, s.midY()}),
                    slider->convertPointToWindow({s.midX(), s.midY()}));
    settle();
    ASSERT_TRUE(tag->color()) << "the dragged slider left the tag without a colour";
    EXPECT_EQ(*tag->color(), slider->currentColor());
    EXPECT_NE(*tag->color(), TagAppearancePopupViewController::presetColors()[0]) << "the drag changed nothing";

    // Default gives the tag back its plain symbol and no colour.
    ASSERT_TRUE(c->popupMenu->popover->isShown());
    std::shared_ptr<platform::Button> reset;
    popup->view()->forEachInTree([&](platform::View& v) {
        if (auto* b = dynamic_cast<platform::Button*>(&v); b && b->title() == "Default")
            reset = std::static_pointer_cast<platform::Button>(b->shared_from_this());
    });
    ASSERT_TRUE(reset) << "the popup has no Default button";
    clickOn(reset);
    EXPECT_EQ(tag->tagSymbol(), TagManager::defaultTag);
    EXPECT_FALSE(tag->color()) << "Default kept the colour";
}

TEST_F(TagsDialogInputTest, EscapeClosesTheDialogAndTheHotkeysComeBack) {
    ASSERT_TRUE(HotKeyManager::shared()->hotkeysPaused());
    userinput::key(*window, Qt::Key_Escape);
    EXPECT_TRUE(runUntil([&] { return !window->isVisible(); }, std::chrono::seconds(2)));
    EXPECT_FALSE(HotKeyManager::shared()->hotkeysPaused());
}

// --- the backup dialog

TEST_F(DialogsInputTest, ABackupIsMadeByAClickAndARestoreIsAskedForTheRowClicked) {
    addFile("kept.txt", {"Work"});
    DataStorage::shared()->rebuildData(RebuildDataReason::datastorageInitialize);
    drain();
    const auto window = show(FreltWindowEnum::versionedBackup);
    ASSERT_TRUE(window);
    const auto dialog = std::dynamic_pointer_cast<ConfigViewControllerVersionedBackup>(window->contentViewController());
    ASSERT_TRUE(dialog);
    const auto table = dialog->tableViewVersionedBackups.lock();
    const long before = table->numberOfRows();

    clickOn(dialog->btnCreateBackupVersion.lock());
    drain();
    settle();
    ASSERT_EQ(table->numberOfRows(), before + 1) << "Create Backup made no backup";

    const auto restore = dialog->btnRestoreFromBackup.lock();
    EXPECT_FALSE(restore->isEnabled());
    userinput::click(*window, rowPoint(*table, 0));
    settle();
    ASSERT_EQ(table->selectedRow(), 0);
    EXPECT_TRUE(restore->isEnabled()) << "a selected backup can be restored";
    const auto question = userinput::pressInMessageBox("Cancel");
    clickOn(restore);
    EXPECT_TRUE(question->done()) << "restoring did not ask first";
    EXPECT_TRUE(window->isVisible()) << "declined: the dialog stays";
}

}  // namespace
