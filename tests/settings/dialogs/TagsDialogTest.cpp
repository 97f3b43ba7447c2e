// The Tags dialog: its rows, renaming, deleting, the two hotkey recorders,
// and what showing and closing it does to the hotkeys and the data.

#include "settings/dialogs/TagsDialog.h"

#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/appkit/Window.h"
#include "settings/ConfigCells.h"

using namespace frelt;
using dialogtest::DialogTest;
using dialogtest::Strings;

namespace {

class TagsDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        addFile("plan.txt", {"Work|Mail"});
        addFile("list.txt", {"Home"});
        rebuildStore();
        drain();
    }
    void open() {
        window = FreltWindow::showWindow(false, FreltWindowEnum::tags);
        ASSERT_TRUE(window);
        dialog = std::dynamic_pointer_cast<ConfigViewControllerTags>(window->contentViewController());
        ASSERT_TRUE(dialog);
        table = dialog->tagTableView.lock();
        ASSERT_TRUE(table);
        kit::makeKey(window);
    }
    static Strings registeredNames() {
        Strings names;
        for (const auto& tag : TagManager::shared()->allAvailableTags()->toVector()) names.push_back(tag->tagName());
        return names;
    }
    template <class Cell>
    std::shared_ptr<Cell> cell(const char* column, long row) const {
        return std::dynamic_pointer_cast<Cell>(table->viewAtColumn(table->columnWithIdentifier(column), row, true));
    }
    Strings shownNames() const {
        Strings names;
        for (long row = 0; row < table->numberOfRows(); ++row) {
            const auto name = cell<TableViewCellConfigEditTags>(ConfigViewControllerTags::columnEntry, row);
            names.push_back(name ? name->tokenTextfield.lock()->stringValue() : "<no cell>");
        }
        return names;
    }
    long rowOf(const std::string& name) const {
        const auto names = registeredNames();
        return long(std::find(names.begin(), names.end(), name) - names.begin());
    }

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ConfigViewControllerTags> dialog;
    std::shared_ptr<TagTableView> table;
};

TEST_F(TagsDialogTest, ListsEveryTagAndPausesTheHotkeysUntilItHasRebuiltTheData) {
    const auto home = TagManager::shared()->tagWithName("Home");
    home->setHotkeyLaunchAll(KeyCombo::make(Key::h, platform::modifierflags::command));
    open();
    EXPECT_TRUE(HotKeyManager::shared()->hotkeysPaused());
    EXPECT_EQ(window->title(), "Configuration");
    EXPECT_EQ(window->subtitle(), "Modify Tags");

    ASSERT_GE(registeredNames().size(), 2u);
    EXPECT_EQ(shownNames(), registeredNames());
    EXPECT_EQ(table->rectOfRow(0).height(), 30.0);
    const long row = rowOf("Home");
    const auto name = cell<TableViewCellConfigEditTags>(ConfigViewControllerTags::columnEntry, row);
    EXPECT_EQ(name->tokenTextfield.lock()->customTextFieldDelegate.lock(), dialog);
    EXPECT_EQ(name->tokenTextfield.lock()->maxLength, 70);
    const auto show = cell<TableViewCellConfigEditTagsHotkeyView>(ConfigViewControllerTags::columnHotkey, row);
    const auto launch = cell<TableViewCellConfigEditTagsHotkeyLaunchAll>(ConfigViewControllerTags::columnHotkeyLaunchAll, row);
    ASSERT_TRUE(show && launch);
    EXPECT_EQ(show->hotkey.lock()->keyCombo(), nullptr);
    EXPECT_EQ(launch->hotkey.lock()->keyCombo(), home->hotkeyLaunchAll());
    EXPECT_EQ(show->hotkey.lock()->delegate(), show);
    // A row past the registry has no cell.
    EXPECT_EQ(dialog->viewForTableColumn(*table, table->tableColumns().front(), table->numberOfRows()), nullptr);

    logs().clear();
    window->close();
    EXPECT_FALSE(HotKeyManager::shared()->hotkeysPaused());
    EXPECT_TRUE(logs().contains("-> RebuildData - Request initiated: ConfigView Tags"));
}

TEST_F(TagsDialogTest, RenamingAsksAndShowsTheSubTagsUnderTheirNewNames) {
    open();
    // As a person renames: a click selects the tag's row, a second click on
    // its name edits it, the typed name replaces it, Return commits.
    auto rename = [&](const std::string& from, const std::string& typed) {
        const auto field = cell<TableViewCellConfigEditTags>(ConfigViewControllerTags::columnEntry, rowOf(from))
                               ->tokenTextfield.lock();
        ASSERT_TRUE(field);
        if (table->selectedRow() != rowOf(from)) {
            kit::clickView(field);
            EXPECT_EQ(table->selectedRow(), rowOf(from));
            EXPECT_FALSE(field->currentEditor()) << "the first click only selects";
        }
        kit::clickView(field);
        ASSERT_TRUE(field->currentEditor()) << "a click on the name of the selected row edits it";
        kit::typeText(typed);
        kit::pressKey(platform::keycode::returnKey, "\r");
    };
    // Declined: nothing changes, and the field shows the old name again.
    script()->pressAlertButton(1);
    rename("Work|Mail", "Job|Mail");
    EXPECT_EQ(shownNames(), registeredNames());
    EXPECT_NE(TagManager::shared()->tagWithName("Work|Mail"), nullptr);
    const auto shown = shownNames();
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Work|Mail"), shown.end());

    script()->pressAlertButton(0);
    rename("Work|Mail", "Job|Mail");
    drain();
    const auto names = registeredNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "Job|Mail"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "Work|Mail"), names.end());
    EXPECT_EQ(shownNames(), names) << "the whole table shows the new names";
    EXPECT_EQ(window->firstResponder(), table) << "Return gave the keyboard back to the table";
}

TEST_F(TagsDialogTest, DeletingTakesOnlyTheSelectedRowAndNothingWithoutASelection) {
    open();
    const auto before = registeredNames();
    // No selection: no question, nothing gone (an unscripted alert would fail).
    dialog->configRemoveTag();
    EXPECT_EQ(registeredNames(), before);

    const long row = rowOf("Home");
    table->selectRowIndexes(platform::IndexSet{row}, false);
    script()->pressAlertButton(1);
    platform::Application::shared()->sendAction("configRemoveTag:", dialog, nullptr);
    EXPECT_EQ(registeredNames(), before) << "declined";
    EXPECT_EQ(table->numberOfRows(), long(before.size()));

    table->selectRowIndexes(platform::IndexSet{row}, false);
    script()->pressAlertButton(0);
    dialog->configRemoveTag();
    drain();
    Strings expected = before;
    expected.erase(expected.begin() + row);
    EXPECT_EQ(registeredNames(), expected);
    EXPECT_EQ(table->numberOfRows(), long(expected.size()));
    EXPECT_EQ(shownNames(), expected);
}

TEST_F(TagsDialogTest, RecordersRefuseRegisteredCombinationsAndWriteOnlyRegisteredTags) {
    const auto used = KeyCombo::make(Key::u, platform::modifierflags::command);
    ASSERT_TRUE(HotKeyCenter::shared()->registerHotKey(HotKey::make("entry", used, HotKey::ActionQueue::main, nullptr)));
    open();
    const long row = rowOf("Home");
    const auto home = TagManager::shared()->tagWithName("Home");
    const auto show = cell<TableViewCellConfigEditTagsHotkeyView>(ConfigViewControllerTags::columnHotkey, row);
    const auto launch = cell<TableViewCellConfigEditTagsHotkeyLaunchAll>(ConfigViewControllerTags::columnHotkeyLaunchAll, row);
    const auto recorder = show->hotkey.lock();

    kit::clickView(recorder);
    ASSERT_TRUE(recorder->isRecording);
    kit::pressShortcut('u', platform::modifierflags::command);
    EXPECT_EQ(home->hotkey(), nullptr) << "a registered combination is refused";
    kit::pressShortcut('k', platform::modifierflags::command | platform::modifierflags::shift);
    ASSERT_TRUE(home->hotkey());
    EXPECT_EQ(*home->hotkey(), *KeyCombo::make(Key::k, platform::modifierflags::command | platform::modifierflags::shift));
    EXPECT_EQ(home->hotkeyLaunchAll(), nullptr) << "each cell writes its own hotkey";

    const auto combo = KeyCombo::make(Key::l, platform::modifierflags::command);
    launch->recordViewDidChangeKeyCombo(*launch->hotkey.lock(), combo);
    EXPECT_EQ(home->hotkeyLaunchAll(), combo);
    launch->recordViewDidChangeKeyCombo(*launch->hotkey.lock(), nullptr);
    EXPECT_EQ(home->hotkeyLaunchAll(), nullptr) << "clearing stores no hotkey";

    // A tag that has left the registry (still held by its name cell) takes nothing.
    TagManager::shared()->allAvailableTags()->remove(home);
    drain();
    launch->recordViewDidChangeKeyCombo(*launch->hotkey.lock(), combo);
    EXPECT_EQ(home->hotkeyLaunchAll(), nullptr);
}

TEST_F(TagsDialogTest, ClosingTheModalDialogEndsOnlyItsOwnSession) {
    // The configuration window runs modally and opens the dialog modally on
    // top: closing the dialog must leave the configuration window's session.
    auto outer = std::make_shared<platform::Window>(platform::Rect(0, 0, 300, 200));
    std::shared_ptr<platform::Window> outerStillModal;
    bool dialogWasModal = false;
    script()->answerDialog([&](const std::shared_ptr<platform::Window>&) {
        FreltWindow::showWindow(true, FreltWindowEnum::tags);
        outerStillModal = app()->modalWindow();
        return platform::modalresponse::stop;
    });
    script()->answerDialog([&](const std::shared_ptr<platform::Window>& dialogWindow) {
        dialogWasModal = app()->modalWindow() == dialogWindow;
        dialogWindow->close();
        return platform::modalresponse::abort;
    });
    app()->runModalForWindow(outer);
    EXPECT_TRUE(dialogWasModal);
    EXPECT_EQ(outerStillModal, outer);
    EXPECT_FALSE(app()->isInModalSession());
    EXPECT_FALSE(HotKeyManager::shared()->hotkeysPaused());
}

}  // namespace
