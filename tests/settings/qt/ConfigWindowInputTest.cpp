// The configuration window worked by hand on the Qt backend: the search
// field and its magnifier menu, the filter pop-ups, rows selected by clicks
// on their labels, every control of an entry's row, the selection inspector
// and the toolbar's buttons.

#include <QString>

#include <filesystem>
#include <fstream>

#include "SettingsInputSupport.h"
#include "drawing/DrawnViews.h"
#include "drawing/controls/ColorPopup.h"
#include "exchange/ExportImportManager.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/CustomTokenField.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/TextView.h"
#include "settings/ConfigCells.h"
#include "settings/config/ConfigSearchField.h"
#include "settings/config/ConfigViewControllerContent.h"
#include "settings/config/ConfigViewControllerSidebar.h"
#include "settings/config/ConfigWindowController.h"
#include "settings/dialogs/TagsDialog.h"
#include "settings/panes/ConfigViewControllerAddModifyURL.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterConfigData.h"
#include "support/MainWindowSupport.h"

using namespace frelt;
using Strings = std::vector<std::string>;
namespace mf = frelt::modifierflags;

namespace {

class ConfigWindowInputTest : public SettingsInputTest {
protected:
    void TearDown() override {
        if (FreltWindow::registeredWindowController(FreltWindowEnum::config))
            FreltWindow::closeWindow(FreltWindowEnum::config);
        SettingsInputTest::TearDown();
    }
    static std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    static std::shared_ptr<DataStorageFilterConfigData> filter() { return store()->filterConfigData(); }
    static TableViewItem::Ptr link(const std::string& name, const std::string& comment = "") {
        return mainwindowsupport::link(name, comment);
    }
    TableViewItem::Ptr app(const std::string& name) {
        const auto path = home() / "apps" / (name + ".desktop");
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "[Desktop Entry]\nType=Application\nName=" << name << "\n";
        return TableViewItem::initForSpotlightApp(path.string(), name);
    }
    static void setEntries(const std::vector<TableViewItem::Ptr>& entries) {
        store()->allData()->removeAll();
        for (const auto& entry : entries) store()->addToAllData(entry);
    }
    static Strings listedNames() {
        Strings names;
        if (const auto list = store()->currentDataConfig())
            for (const auto& entry : *list->snapshot()) names.push_back(entry->name());
        return names;
    }
    static long rowOf(const std::string& name) {
        const auto names = listedNames();
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : long(it - names.begin());
    }

    void openWindow() {
        show(FreltWindowEnum::config);
        controller = std::dynamic_pointer_cast<ConfigWindowController>(
            FreltWindow::registeredWindowController(FreltWindowEnum::config));
        ASSERT_TRUE(controller);
        window = controller->window();
        ASSERT_TRUE(window && runUntil([&] { return window->isVisible(); }, std::chrono::seconds(2)))
            << "the configuration window did not show";
        split = std::dynamic_pointer_cast<ConfigSplitViewController>(controller->contentViewController());
        ASSERT_TRUE(split);
        content = split->contentController();
        ASSERT_TRUE(content);
        table = content->dataTableView.lock();
        for (const auto& item : split->splitViewItems())
            if (auto s = std::dynamic_pointer_cast<ConfigViewControllerSidebar>(item->viewController())) inspector = s;
        ASSERT_TRUE(table && inspector);
    }
    template <class Cell>
    std::shared_ptr<Cell> cellAt(const char* column, long row) {
        return std::dynamic_pointer_cast<Cell>(table->viewAtColumn(table->columnWithIdentifier(column), row, true));
    }
    std::shared_ptr<platform::Button> toolbarButton(const std::string& title) {
        for (const auto& v : split->toolbarView->subviews())
            if (auto b = std::dynamic_pointer_cast<platform::Button>(v); b && b->title() == title) return b;
        ADD_FAILURE() << "no toolbar button " << title;
        return nullptr;
    }
    std::shared_ptr<ConfigSearchField> field() { return controller->searchField.lock(); }
    // A click on the search field's magnifier and on the menu's item.
    void chooseSearchFor(const QString& title) {
        const auto answer = userinput::chooseInMenu(title);
        const auto f = field();
        userinput::click(*window, f->convertPointToWindow({8, f->bounds().height() / 2}));
        settle();
        EXPECT_TRUE(answer->done()) << "a click on the magnifier showed no menu";
    }
    // Clicks the row's name: selects it (with the modifiers: adds to it).
    void clickRow(const std::string& name, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const auto cell = cellAt<TableViewCellConfigEntry>("column_Entry", rowOf(name));
        ASSERT_TRUE(cell);
        userinput::click(*window, userinput::centreOf(*cell->displayname.lock()), modifiers);
        settle();
    }

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ConfigWindowController> controller;
    std::shared_ptr<ConfigSplitViewController> split;
    std::shared_ptr<ConfigViewControllerContent> content;
    std::shared_ptr<ConfigTableView> table;
    std::shared_ptr<ConfigViewControllerSidebar> inspector;
};

TEST_F(ConfigWindowInputTest, TheSearchFieldFiltersWhatIsTypedByTheFieldChosenFromItsMagnifierMenu) {
    auto tagged = link("Alpha", "fast");
    tagged->setTags({"work"});
    setEntries({tagged, link("Fast Beta")});
    openWindow();
    clickOn(field());
    ASSERT_TRUE(field()->currentEditor()) << "a click into the search field edits it";
    userinput::type(*window, "fast");
    settle();
    EXPECT_EQ(filter()->configTableViewSearchString(), "fast");
    EXPECT_EQ(listedNames(), Strings{"Fast Beta"}) << "by name first";

    chooseSearchFor("Comment");
    EXPECT_EQ(field()->placeholderString(), "Comment");
    EXPECT_EQ(filter()->configTableViewFilterSearchFor(), ConfigEnumFilterSearchFor::comment);
    EXPECT_EQ(listedNames(), Strings{"Alpha"});
    EXPECT_EQ(field()->stringValue(), "fast") << "the typed text stays";

    chooseSearchFor("Tag");
    userinput::click(*field());
    userinput::key(*window, Qt::Key_A, Qt::ControlModifier);
    userinput::type(*window, "wo");
    settle();
    EXPECT_EQ(filter()->configTableViewFilterSearchFor(), ConfigEnumFilterSearchFor::tag);
    EXPECT_EQ(listedNames(), Strings{"Alpha"});

    chooseSearchFor("Path");
    EXPECT_EQ(filter()->configTableViewFilterSearchFor(), ConfigEnumFilterSearchFor::path);
    chooseSearchFor("Name");
    EXPECT_EQ(filter()->configTableViewFilterSearchFor(), ConfigEnumFilterSearchFor::name);

    // Escape empties the field and lists everything again.
    userinput::click(*field());
    userinput::key(*window, Qt::Key_Escape);
    settle();
    EXPECT_EQ(field()->stringValue(), "");
    EXPECT_EQ(filter()->configTableViewSearchString(), "");
    EXPECT_EQ(listedNames().size(), 2u);
}

TEST_F(ConfigWindowInputTest, TheFilterPopUpsAreChosenFromByClicks) {
    setEntries({app("Atlas"), link("Bookmarks")});
    openWindow();
    choose(controller->filterPopupButton.lock(), "URLs");
    EXPECT_EQ(filter()->configTableViewFilterType(), ConfigEnumFilterType::urls);
    EXPECT_EQ(listedNames(), Strings{"Bookmarks"});
    choose(controller->filterPopupButton.lock(), "All types");
    choose(controller->activePopupButton.lock(), "Inactive only");
    EXPECT_TRUE(listedNames().empty());
    choose(controller->activePopupButton.lock(), "All entries");
    EXPECT_EQ(listedNames().size(), 2u);
}

TEST_F(ConfigWindowInputTest, ClicksOnNamesSelectRowsAndTheInspectorEditsTheSelectedEntries) {
    const auto a = link("Alpha"), b = link("Beta"), c = link("Gamma");
    setEntries({a, b, c});
    openWindow();
    clickRow("Alpha");
    EXPECT_EQ(table->selectedRowIndexes(), platform::IndexSet{rowOf("Alpha")});
    EXPECT_EQ(window->firstResponder(), std::static_pointer_cast<platform::Responder>(table));
    clickRow("Beta", Qt::ControlModifier);
    EXPECT_EQ(table->numberOfSelectedRows(), 2) << "Ctrl+click adds a row";

    // Tags typed into the inspector go to both.
    clickOn(inspector->modifyToken.lock());
    ASSERT_TRUE(inspector->modifyToken.lock()->currentEditor());
    userinput::type(*window, "team");
    userinput::key(*window, Qt::Key_Tab);
    settle();
    EXPECT_EQ(a->tags(), Strings{"team"});
    EXPECT_EQ(b->tags(), Strings{"team"});
    EXPECT_TRUE(c->tags().empty());

    // The comment too.
    clickOn(inspector->modifyComment.lock());
    ASSERT_TRUE(inspector->modifyComment.lock()->currentEditor());
    userinput::type(*window, "shared");
    userinput::key(*window, Qt::Key_Return);
    settle();
    EXPECT_EQ(a->comment(), "shared");
    EXPECT_EQ(b->comment(), "shared");

    // A colour circle, the slider dragged, the clear button.
    clickOn(inspector->colorCircles[0].lock());
    EXPECT_EQ(a->color(), inspector->colorCircles[0].lock()->color());
    EXPECT_EQ(b->color(), inspector->colorCircles[0].lock()->color());
    const auto slider = inspector->colorSlider.lock();
    const platform::Rect s = slider->bounds();
    userinput::drag(*window, slider->convertPointToWindow({s.minX() + 2, s.midY()}),
                    slider->convertPointToWindow({s.maxX() - 2, s.midY()}));
    settle();
    EXPECT_GT(slider->doubleValue(), 0.9);
    EXPECT_EQ(a->color(), slider->currentColor()) << "the dragged slider colours the selection";
    for (const auto& v : inspector->view()->subviews())
        if (auto clear = std::dynamic_pointer_cast<DrawnButtonDelete>(v)) clickOn(clear);
    EXPECT_FALSE(a->color());
    EXPECT_FALSE(b->color());
}

TEST_F(ConfigWindowInputTest, TheInspectorsShowAndHideButtonsAreClicked) {
    const auto found = app("Atlas");
    setEntries({found, link("Mine")});
    openWindow();
    clickRow("Atlas");
    auto button = [&](const std::string& title) {
        for (const auto& v : inspector->view()->subviews())
            if (auto b = std::dynamic_pointer_cast<platform::Button>(v); b && b->title() == title) return b;
        ADD_FAILURE() << "no button " << title;
        return std::shared_ptr<platform::Button>();
    };
    clickOn(button("Hide"));
    EXPECT_FALSE(found->isVisible());
    clickOn(button("Show"));
    EXPECT_TRUE(found->isVisible());
}

TEST_F(ConfigWindowInputTest, EveryControlOfAnEntrysRowWorksByHand) {
    const auto found = app("Atlas");
    const auto mine = link("Mine");
    setEntries({found, mine});
    openWindow();

    // The visibility check box of a found entry.
    clickOn(cellAt<TableViewCellConfigEntry>("column_Entry", rowOf("Atlas"))->visibleCheckbox.lock());
    EXPECT_FALSE(found->isVisible());

    // The star.
    clickOn(cellAt<TableViewCellConfigTags>("column_Tags", rowOf("Mine"))->checkboxFavorite.lock());
    EXPECT_TRUE(mine->isFavorite());

    // The tags: clicked into, typed, Tab ends the edit.
    clickRow("Mine");
    const auto tokens = cellAt<TableViewCellConfigTags>("column_Tags", rowOf("Mine"))->tokenField.lock();
    clickOn(tokens);
    ASSERT_TRUE(tokens->currentEditor()) << "a click on the tags of the selected row edits them";
    userinput::type(*window, "home");
    userinput::key(*window, Qt::Key_Tab);
    settle();
    EXPECT_EQ(mine->tags(), Strings{"home"});

    // The hotkey recorder.
    const auto recorder = cellAt<TableViewCellConfigHotkey>("column_Hotkey", rowOf("Mine"))->hotkey.lock();
    clickOn(recorder);
    ASSERT_TRUE(recorder->isRecording);
    userinput::key(*window, Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
    settle();
    EXPECT_TRUE(same(mine->hotkey(), combo(Key::j, mf::command | mf::option)));

    // The comment of the selected row.
    clickRow("Mine");
    const auto comment = cellAt<TableViewCellConfigComment>("column_Comment", rowOf("Mine"))->commentField.lock();
    clickOn(comment);
    ASSERT_TRUE(comment->currentEditor());
    userinput::type(*window, "later");
    userinput::key(*window, Qt::Key_Return);
    settle();
    EXPECT_EQ(mine->comment(), "later");

    // The colour button opens the colour popup; a circle in it colours the
    // entry.
    clickOn(cellAt<TableViewCellConfigEntry>("column_Entry", rowOf("Mine"))->colorButton.lock());
    const auto colours = ColorPopupManager::shared();
    ASSERT_TRUE(runUntil([&] { return colours->colorPopover->isShown(); }, std::chrono::seconds(2)))
        << "the colour button showed no colour popup";
    const auto circle = colours->popupViewController()->colorCircles[3].lock();
    clickOn(circle);
    EXPECT_EQ(mine->color(), circle->color());
    if (colours->colorPopover->isShown()) colours->colorPopover->close();
    settle();

    // A double click on a link the user made edits it in the link dialog.
    userinput::doubleClick(*window, userinput::centreOf(
        *cellAt<TableViewCellConfigEntry>("column_Entry", rowOf("Mine"))->displayname.lock()));
    settle();
    EXPECT_EQ(content->presentedViewControllers().size(), 1u) << "the double click did not open the link";
    if (!content->presentedViewControllers().empty()) content->dismissViewController(content->presentedViewControllers()[0]);

    // The remove button of a link the user made.
    clickOn(cellAt<TableViewCellConfigEntry>("column_Entry", rowOf("Mine"))->removeButton.lock());
    EXPECT_EQ(listedNames(), Strings{"Atlas"});
}

TEST_F(ConfigWindowInputTest, TheToolbarsButtonsOpenTheirDialogsAndPanels) {
    setEntries({link("Bookmarks")});
    openWindow();

    // Add Link: the link dialog, empty.
    clickOn(toolbarButton("Add Link"));
    ASSERT_EQ(split->presentedViewControllers().size(), 1u);
    const auto dialog =
        std::dynamic_pointer_cast<ConfigViewControllerAddModifyURL>(split->presentedViewControllers().front());
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->referenceTableViewItem);
    split->dismissViewController(dialog);
    settle();

    // Add File: a file chosen in the file dialog becomes an entry.
    const auto file = root() / "notes.txt";
    std::ofstream(file) << "x";
    {
        const auto answer = userinput::answerFileDialog(QString::fromStdString(file.string()));
        clickOn(toolbarButton("Add File"));
        EXPECT_TRUE(runUntil([&] { return answer->done(); })) << "Add File showed no file dialog";
    }
    EXPECT_TRUE(runUntil([&] { return rowOf("notes.txt") >= 0 || listedNames().size() == 2; }));

    // Pane: hides and shows the inspector.
    const auto pane = inspector->view();
    clickOn(toolbarButton("Pane"));
    EXPECT_TRUE(pane->isHidden());
    clickOn(toolbarButton("Pane"));
    EXPECT_FALSE(pane->isHidden());

    // Tags: the Tags dialog, closed again by Escape.
    bool sawTags = false;
    auto closer = platform::Timer::make(std::chrono::milliseconds(50), true, [&](platform::Timer& timer) {
        const auto key = platform::Application::shared()->keyWindow();
        if (!key || !std::dynamic_pointer_cast<ConfigViewControllerTags>(key->contentViewController())) return;
        sawTags = true;
        timer.invalidate();
        settle();
        userinput::key(*key, Qt::Key_Escape);
    });
    platform::RunLoop::main().addTimer(closer, platform::RunLoopMode::common);
    clickOn(toolbarButton("Tags"));
    runUntil([&] { return sawTags; }, std::chrono::seconds(3));
    closer->invalidate();
    EXPECT_TRUE(sawTags) << "the Tags button opened no Tags dialog";
}


// Files dragged from the file manager onto the table become entries; one
// that no longer exists is left out.
TEST_F(ConfigWindowInputTest, FilesDroppedOnTheTableBecomeEntries) {
    setEntries({link("Bookmarks")});
    openWindow();
    const platform::Rect r = table->rectOfRow(0);
    const platform::Point at = table->convertPointToWindow({r.midX(), r.midY()});
    const auto file = root() / "dropped.txt";
    std::ofstream(file) << "x";
    EXPECT_TRUE(userinput::dropFiles(*window, at, {file.string(), (root() / "gone.txt").string()}))
        << "the table refused the drop";
    drain();
    EXPECT_TRUE(runUntil([&] { return rowOf("dropped.txt") >= 0; }, std::chrono::seconds(2)))
        << "the dropped file is not listed";
    EXPECT_LT(rowOf("gone.txt"), 0);
    EXPECT_EQ(listedNames().size(), 2u);
}

TEST_F(ConfigWindowInputTest, AClickOnAColumnHeaderSortsAndASecondFlipsTheOrder) {
    setEntries({link("Alpha", "zz"), link("Beta", "aa"), link("Gamma", "mm")});
    openWindow();
    const auto header = table->headerView();
    ASSERT_TRUE(header && header->window());
    const platform::Rect column = table->rectOfColumn(table->columnWithIdentifier("column_Comment"));
    const platform::Point at = header->convertPointToWindow({column.midX(), header->bounds().midY()});
    userinput::click(*window, at);
    settle();
    EXPECT_EQ(filter()->configTableViewSortingBy(), ConfigEnumSortingBy::comment);
    EXPECT_EQ(filter()->configTableViewSortingOrder(), ConfigEnumSortingOrder::ascending);
    EXPECT_EQ(listedNames(), (Strings{"Beta", "Gamma", "Alpha"}));
    // Far enough apart in time not to be a double click.
    runUntil([] { return false; }, std::chrono::milliseconds(600));
    userinput::click(*window, at);
    settle();
    EXPECT_EQ(filter()->configTableViewSortingOrder(), ConfigEnumSortingOrder::descending);
    EXPECT_EQ(listedNames(), (Strings{"Alpha", "Gamma", "Beta"}));
}

// Export, CSV and Import close every window first (the data must hold
// still); each is clicked in a window opened for it.
class ConfigExchangeInputTest : public ConfigWindowInputTest {
protected:
    bool writtenStartingWith(const std::string& stem) {
        for (const auto& f : std::filesystem::directory_iterator(root()))
            if (f.path().filename().string().rfind(stem, 0) == 0) return true;
        return false;
    }
    void saveBy(const std::string& title, const std::string& stem) {
        setEntries({link("Bookmarks")});
        openWindow();
        const auto answer = userinput::answerFileDialog(QString::fromStdString((root() / stem).string()));
        clickOn(toolbarButton(title));
        EXPECT_TRUE(runUntil([&] { return answer->done(); })) << "no save dialog";
        EXPECT_TRUE(runUntil([&] { return writtenStartingWith(stem); })) << "nothing written";
    }
};

TEST_F(ConfigExchangeInputTest, ExportWritesTheFileNamedInTheSaveDialog) { saveBy("Export", "all"); }

TEST_F(ConfigExchangeInputTest, CSVWritesTheFileNamedInTheSaveDialog) { saveBy("CSV", "list"); }

TEST_F(ConfigExchangeInputTest, ImportAsksForAFileInTheFileDialog) {
    setEntries({link("Bookmarks")});
    openWindow();
    const auto answer = userinput::answerFileDialog("");
    clickOn(toolbarButton("Import"));
    EXPECT_TRUE(runUntil([&] { return answer->done(); })) << "Import showed no file dialog";
}

}  // namespace
