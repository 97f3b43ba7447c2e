// The main window's controls worked with the mouse and keys on the Qt
// backend (offscreen): rows clicked, the entry popup opened by a right click
// and every control in it, the menu button, and the sidebar's rows.

#include <QString>

#include <filesystem>
#include <fstream>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "drawing/DrawnViews.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/CustomTokenField.h"
#include "hotkeys/KeyCombo.h"
#include "hotkeys/RecordView.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/MainSearchField.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/MainViewController.h"
#include "mainwindow/MainWindowFocus.h"
#include "mainwindow/sidebar/SourceListItem.h"
#include "mainwindow/TableViewPopup.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "platform/carbon/HotKeyService.h"
#include "settings/ConfigCells.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "store/TagManager.h"
#include "store/LocalizedStrings.h"
#include "app/FreltWindowEnum.h"
#include "mainwindow/sidebar/SectionViewPopup.h"
#include "mainwindow/TagAppearancePopup.h"
#include "platform/appkit/CollectionView.h"
#include "support/MainWindowSupport.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

using namespace frelt;
using Strings = std::vector<std::string>;
namespace mf = frelt::modifierflags;

namespace {

class MainWindowControlsInputTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        workspace = platform::RecordingWorkspace::make();
        platform::Workspace::setShared(workspace);
        platform::HotKeyService::setShared(std::make_shared<platform::HeadlessHotKeyService>());
        registerInterfaceResources();
    }
    static std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    void showWith(const std::vector<TableViewItem::Ptr>& entries) {
        store()->allData()->removeAll();
        for (const auto& entry : entries) store()->addToAllData(entry);
        store()->rebuildData(RebuildDataReason::datastorageInitialize);
        mainwindowsupport::present(MainWindowState::window);
        window = FreltManager::shared()->windowControllerMain()->window();
        ASSERT_TRUE(window && window->isKeyWindow());
        store()->filterCurrentData()->resetFilter();
        store()->filterCurrentData()->applyFilter();
        settle();
    }
    std::shared_ptr<MainViewController> main() { return FreltManager::shared()->viewControllerMain(); }
    std::shared_ptr<MainTableView> table() { return main()->mainTableView.lock(); }
    platform::Point rowPoint(long row) {
        const platform::Rect r = table()->rectOfRow(row);
        return table()->convertPointToWindow(platform::Point{r.midX(), r.midY()});
    }
    static Strings shownNames() {
        Strings names;
        for (const auto& entry : *store()->currentData()->snapshot()) names.push_back(entry->name());
        return names;
    }
    static void clickOn(const std::shared_ptr<platform::View>& view) {
        ASSERT_TRUE(view && view->window()) << "the control is not in a window";
        userinput::click(*view);
        settle();
    }

    std::shared_ptr<platform::RecordingWorkspace> workspace;
    std::shared_ptr<platform::Window> window;
};

TEST_F(MainWindowControlsInputTest, AClickSelectsARowAndADoubleClickOpensIt) {
    AppDelegate::shared()->config->clickType = 0;  // open with a double click
    showWith({mainwindowsupport::link("Alpha"), mainwindowsupport::link("Beta")});
    userinput::click(*window, rowPoint(1));
    settle();
    EXPECT_EQ(table()->selectedRow(), 1);
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::entryTable);
    workspace->clearCalls();
    userinput::doubleClick(*window, rowPoint(1));
    settle();
    EXPECT_TRUE(runUntil([&] { return !workspace->calls().empty(); }, std::chrono::seconds(2)))
        << "the double click opened nothing";
}

TEST_F(MainWindowControlsInputTest, EveryControlOfTheEntryPopupWorksByHand) {
    const auto entry = mainwindowsupport::link("Alpha");
    showWith({entry, mainwindowsupport::link("Beta")});
    const auto manager = table()->popupMenu;
    std::shared_ptr<TableViewPopupViewController> popup;
    std::shared_ptr<platform::Window> popupWindow;
    // A right click on the row opens its popup (again, when an edit that
    // ended closed it).
    auto open = [&] {
        if (manager->tableViewPopover && manager->tableViewPopover->isShown()) return;
        userinput::rightClick(*window, rowPoint(0));
        settle();
        ASSERT_TRUE(manager->tableViewPopover && manager->tableViewPopover->isShown())
            << "a right click on a row opens its popup";
        popup = manager->tableViewPopupViewController();
        ASSERT_EQ(popup->item, entry);
        popupWindow = popup->view()->window();
        ASSERT_TRUE(popupWindow);
    };

    // The recorder.
    open();
    const auto recorder = popup->hotkey.lock();
    clickOn(recorder);
    ASSERT_TRUE(recorder->isRecording);
    userinput::key(*popupWindow, Qt::Key_G, Qt::ControlModifier | Qt::AltModifier);
    settle();
    ASSERT_TRUE(entry->hotkey());
    EXPECT_EQ(*entry->hotkey(), *KeyCombo::make(Key::g, mf::command | mf::option));

    // The star, a colour circle, the slider, the clear button.
    open();
    clickOn(popup->checkboxFavorite.lock());
    EXPECT_TRUE(entry->isFavorite());
    open();
    clickOn(popup->colorCircles[2].lock());
    EXPECT_EQ(entry->color(), popup->colorCircles[2].lock()->color());
    open();
    const auto slider = popup->colorSlider.lock();
    const platform::Rect s = slider->bounds();
    userinput::drag(*popupWindow, slider->convertPointToWindow({s.minX() + 2, s.midY()}),
                    slider->convertPointToWindow({s.midX(), s.midY()}));
    settle();
    EXPECT_EQ(entry->color(), slider->currentColor()) << "the dragged slider colours the entry";
    open();
    for (const auto& v : popup->view()->subviews())
        if (auto clear = std::dynamic_pointer_cast<DrawnButtonDelete>(v)) clickOn(clear);
    EXPECT_TRUE(popup->backgroundPreview.lock()->isHidden()) << "the clear button left the colour";
    EXPECT_NE(entry->color(), slider->currentColor());

    // The comment: clicked into, typed, Return.
    open();
    clickOn(popup->comment.lock());
    ASSERT_TRUE(popup->comment.lock()->currentEditor());
    userinput::type(*popupWindow, "daily");
    userinput::key(*popupWindow, Qt::Key_Return);
    settle();
    EXPECT_EQ(entry->comment(), "daily");

    // The tags: typed, Tab ends.
    open();
    clickOn(popup->tags.lock());
    ASSERT_TRUE(popup->tags.lock()->currentEditor());
    userinput::type(*popupWindow, "news");
    userinput::key(*popupWindow, Qt::Key_Tab);
    settle();
    EXPECT_EQ(entry->tags(), Strings{"news"});

    // Edit Link opens the link dialog for the entry.
    open();
    ASSERT_TRUE(popup->btnModifyURL.lock()->isEnabled());
    clickOn(popup->btnModifyURL.lock());
    EXPECT_TRUE(runUntil([&] {
        for (const auto& w : platform::Application::shared()->windows())
            if (w->isVisible() && w->title() == "Link") return true;
        return false;
    }, std::chrono::seconds(2))) << "Edit Link showed no link dialog";
}

TEST_F(MainWindowControlsInputTest, DeleteInTheEntryPopupRemovesALinkTheUserMade) {
    const auto entry = mainwindowsupport::link("Alpha");
    showWith({entry, mainwindowsupport::link("Beta")});
    userinput::rightClick(*window, rowPoint(0));
    settle();
    const auto popup = table()->popupMenu->tableViewPopupViewController();
    ASSERT_TRUE(table()->popupMenu->tableViewPopover->isShown());
    ASSERT_TRUE(popup->btnDelete.lock()->isEnabled());
    const auto question = userinput::pressInMessageBox("OK");
    clickOn(popup->btnDelete.lock());
    runUntil([&] { return question->done(); }, std::chrono::milliseconds(500));
    drain();
    EXPECT_TRUE(runUntil([&] { return shownNames() == Strings{"Beta"}; }, std::chrono::seconds(2)))
        << "the link is still listed";
}

TEST_F(MainWindowControlsInputTest, TheMenuButtonsItemsOpenTheirWindows) {
    struct Case {
        const LocalizedString* item;
        FreltWindowEnum opens;
    };
    const std::vector<Case> cases{
        {&L10n::mainMenu_showInfo, FreltWindowEnum::info},
        {&L10n::mainMenu_showHotkeyOverview, FreltWindowEnum::hotkeyOverview},
        {&L10n::mainMenu_showSettings, FreltWindowEnum::settings},
        {&L10n::mainMenu_showPreferences, FreltWindowEnum::config},
        {&L10n::mainMenu_showVersionHistory, FreltWindowEnum::versionHistory},
        {&L10n::mainMenu_showTags, FreltWindowEnum::tags},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item->value());
        showWith({mainwindowsupport::link("Alpha")});
        const auto button = main()->viewMenu.lock();
        ASSERT_TRUE(button);
        const auto choice = userinput::chooseInMenu(QString::fromStdString(c.item->value()));
        clickOn(button);
        EXPECT_TRUE(choice->done()) << "a click on the menu button showed no menu";
        EXPECT_TRUE(runUntil([&] {
            const auto open = FreltManager::shared()->openWindowTypes();
            return std::find(open.begin(), open.end(), c.opens) != open.end();
        }, std::chrono::seconds(2))) << "the item did not open its window";
        FreltManager::shared()->closeAllWindows();
        settle();
    }
}

// The menu button's items that do not open a window of their own: the two
// that add an entry, the two web pages, and Quit.
TEST_F(MainWindowControlsInputTest, TheMenuButtonsAddWebAndQuitItemsWorkByHand) {
    auto choose = [&](const LocalizedString& item) {
        SCOPED_TRACE(item.value());
        if (!window || !window->isVisible()) showWith({mainwindowsupport::link("Alpha")});
        const auto choice = userinput::chooseInMenu(QString::fromStdString(item.value()));
        clickOn(main()->viewMenu.lock());
        EXPECT_TRUE(choice->done()) << "a click on the menu button showed no menu";
    };
    showWith({mainwindowsupport::link("Alpha")});

    // Add URL: the link dialog.
    choose(L10n::mainMenu_AddURL);
    EXPECT_TRUE(runUntil([&] {
        for (const auto& w : platform::Application::shared()->windows())
            if (w->isVisible() && w->title() == "Link") return true;
        return false;
    }, std::chrono::seconds(2))) << "Add URL showed no link dialog";
    FreltManager::shared()->closeAllWindows();
    for (const auto& w : platform::Application::shared()->windows())
        if (w->isVisible() && w->title() == "Link") w->close();
    settle();
    window.reset();

    // Add File or Folder: the file chosen in the file dialog becomes an entry.
    const auto file = home() / "notes.txt";
    std::ofstream(file) << "x";
    {
        const auto answer = userinput::answerFileDialog(QString::fromStdString(file.string()));
        choose(L10n::mainMenu_AddFileOrFolder);
        EXPECT_TRUE(runUntil([&] { return answer->done(); }, std::chrono::seconds(5)))
            << "Add File or Folder showed no file dialog";
    }
    drain();
    EXPECT_TRUE(runUntil([&] {
        for (const auto& entry : *store()->allData()->snapshot())
            if (entry->path() == file.string()) return true;
        return false;
    }, std::chrono::seconds(2))) << "the chosen file is not an entry";
    window.reset();

    // The help and the website open in the browser.
    for (const auto* item : {&L10n::mainMenu_showManual, &L10n::mainMenu_showWebsite}) {
        workspace->clearCalls();
        choose(*item);
        EXPECT_TRUE(runUntil([&] { return !workspace->calls().empty(); }, std::chrono::seconds(2)))
            << item->value() << " opened nothing";
        window.reset();
    }

    // Quit asks the application to end (the test's process goes on).
    ASSERT_FALSE(platform::Application::shared()->hasTerminated());
    choose(L10n::mainMenu_quit);
    EXPECT_TRUE(runUntil([&] { return platform::Application::shared()->hasTerminated(); }, std::chrono::seconds(2)))
        << "Quit did not end the application";
}

TEST_F(MainWindowControlsInputTest, AClickOnASidebarRowFiltersTheList) {
    auto work = mainwindowsupport::link("Work entry");
    work->setTags({"Work"});
    auto home = mainwindowsupport::link("Home entry");
    home->setTags({"Home"});
    showWith({work, home});
    const auto sidebar = main()->sectionView.lock();
    long workRow = -1;
    for (long row = 0; row < sidebar->numberOfRows(); ++row) {
        const auto item = std::dynamic_pointer_cast<SourceListItem>(sidebar->itemAtRow(row));
        if (item && item->name() == "Work") workRow = row;
    }
    ASSERT_GE(workRow, 0) << "the tag is not in the sidebar";
    const platform::Rect r = sidebar->rectOfRow(workRow);
    userinput::click(*window, sidebar->convertPointToWindow(platform::Point{r.midX(), r.midY()}));
    settle();
    EXPECT_EQ(sidebar->selectedRow(), workRow);
    EXPECT_EQ(shownNames(), Strings{"Work entry"});
}


// A right click on a sidebar tag opens its popup: both recorders take a
// chord, the colour circles, clear button, hue slider, icon grid and Default
// Icon change the tag, Launch All opens the tag's entries, Delete Tag asks
// first.
TEST_F(MainWindowControlsInputTest, TheSidebarTagPopupsControlsWorkByHand) {
    auto mail = mainwindowsupport::link("Mail entry");
    mail->setTags({"Mail"});
    showWith({mail, mainwindowsupport::link("Other")});
    const auto sidebar = main()->sectionView.lock();
    auto rowOf = [&](const std::string& name) {
        for (long row = 0; row < sidebar->numberOfRows(); ++row) {
            const auto item = std::dynamic_pointer_cast<SourceListItem>(sidebar->itemAtRow(row));
            if (item && item->name() == name) return row;
        }
        return -1L;
    };
    const auto manager = sidebar->popupMenu;
    auto open = [&] {
        const long row = rowOf("Mail");
        ASSERT_GE(row, 0) << "the tag is not in the sidebar";
        const platform::Rect r = sidebar->rectOfRow(row);
        userinput::rightClick(*window, sidebar->convertPointToWindow(platform::Point{r.midX(), r.midY()}));
        settle();
        ASSERT_TRUE(manager->sectionViewPopover->isShown()) << "a right click on a tag opens its popup";
    };
    auto buttonTitled = [&](const std::string& title) {
        std::shared_ptr<platform::Button> found;
        manager->sectionViewPopupViewController()->view()->forEachInTree([&](platform::View& v) {
            if (auto* b = dynamic_cast<platform::Button*>(&v); b && b->title() == title)
                found = std::static_pointer_cast<platform::Button>(b->shared_from_this());
        });
        EXPECT_TRUE(found) << "no button " << title;
        return found;
    };
    const auto tag = TagManager::shared()->tagWithName("Mail");
    ASSERT_TRUE(tag);

    open();
    auto popup = manager->sectionViewPopupViewController();
    auto popupWindow = popup->view()->window();
    for (const auto& [recorder, key] : {std::pair{popup->hotkey.lock(), Qt::Key_M}, {popup->hotkeyLaunchAll.lock(), Qt::Key_N}}) {
        clickOn(recorder);
        ASSERT_TRUE(recorder->isRecording);
        userinput::key(*popupWindow, key, Qt::ControlModifier | Qt::ShiftModifier);
        settle();
    }
    EXPECT_TRUE(tag->hotkey() && *tag->hotkey() == *KeyCombo::make(Key::m, mf::command | mf::shift));
    EXPECT_TRUE(tag->hotkeyLaunchAll() && *tag->hotkeyLaunchAll() == *KeyCombo::make(Key::n, mf::command | mf::shift));

    auto reopenIfClosed = [&] {
        if (manager->sectionViewPopover->isShown()) return;
        mainwindowsupport::present(MainWindowState::window);
        window = FreltManager::shared()->windowControllerMain()->window();
        settle();
        open();
    };

    // A colour circle, then the clear button takes the colour away.
    clickOn(popup->colorCircles[0].lock());
    EXPECT_EQ(tag->color(), TagAppearancePopupViewController::presetColors()[0]);
    reopenIfClosed();
    std::shared_ptr<platform::View> clear;
    popup->view()->forEachInTree([&](platform::View& v) {
        if (dynamic_cast<DrawnButtonDelete*>(&v)) clear = std::static_pointer_cast<platform::View>(v.shared_from_this());
    });
    ASSERT_TRUE(clear) << "the popup has no clear button";
    clickOn(clear);
    EXPECT_FALSE(tag->color()) << "the clear button left the colour";

    // "Icon…" shows the icon grid, whose clicked icon is the tag's.
    reopenIfClosed();
    const auto grid = popup->iconChooseCollectionView.lock();
    ASSERT_TRUE(grid);
    clickOn(buttonTitled("Icon…"));
    ASSERT_FALSE(grid->isHiddenOrHasHiddenAncestor()) << "Icon… did not show the icons";
    const auto icon = grid->itemAtIndexPath({0, 5});
    ASSERT_TRUE(icon && icon->isViewLoaded());
    clickOn(icon->view());
    EXPECT_EQ(tag->tagSymbol(), TagManager::shared()->iconNames()[5]);

    // The hue slider dragged to its middle colours the tag.
    reopenIfClosed();
    const auto slider = popup->colorSlider.lock();
    ASSERT_TRUE(slider && slider->window());
    const platform::Rect s = slider->bounds();
    userinput::drag(*slider->window(), slider->convertPointToWindow({s.minX() + 2, s.midY()}),
                    slider->convertPointToWindow({s.midX(), s.midY()}));
    settle();
    EXPECT_EQ(tag->color(), slider->currentColor()) << "the dragged slider did not colour the tag";

    // "Default Icon" (under the grid) gives back the plain symbol and no colour.
    reopenIfClosed();
    if (grid->isHiddenOrHasHiddenAncestor()) clickOn(buttonTitled("Icon…"));
    clickOn(buttonTitled("Default Icon"));
    EXPECT_EQ(tag->tagSymbol(), TagManager::defaultTag);
    EXPECT_FALSE(tag->color()) << "Default Icon kept the colour";

    reopenIfClosed();
    workspace->clearCalls();
    clickOn(buttonTitled("Launch All"));
    drain();
    EXPECT_TRUE(runUntil([&] { return !workspace->calls().empty(); }, std::chrono::seconds(2)))
        << "Launch All opened nothing";

    if (!manager->sectionViewPopover->isShown()) {
        mainwindowsupport::present(MainWindowState::window);
        window = FreltManager::shared()->windowControllerMain()->window();
        settle();
        open();
    }
    const auto question = userinput::pressInMessageBox("OK");
    clickOn(buttonTitled("Delete Tag"));
    runUntil([&] { return question->done(); }, std::chrono::seconds(1));
    drain();
    EXPECT_TRUE(question->done()) << "deleting did not ask";
    EXPECT_FALSE(TagManager::shared()->tagWithName("Mail"));
}


// For an application the search found: Open Folder shows it in the file
// manager, Hide takes it out of the list.
TEST_F(MainWindowControlsInputTest, OpenFolderAndHideInTheEntryPopupOfAFoundApplication) {
    const auto path = home() / "apps" / "atlas.desktop";
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "[Desktop Entry]\nType=Application\nName=Atlas\n";
    const auto atlas = TableViewItem::initForSpotlightApp(path.string(), "Atlas");
    showWith({atlas, mainwindowsupport::link("Beta")});
    const auto manager = table()->popupMenu;
    auto open = [&] {
        long row = -1;
        const auto names = shownNames();
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == "Atlas") row = long(i);
        ASSERT_GE(row, 0);
        userinput::rightClick(*window, rowPoint(row));
        settle();
        ASSERT_TRUE(manager->tableViewPopover->isShown());
    };
    open();
    auto popup = manager->tableViewPopupViewController();
    ASSERT_TRUE(popup->btnShowInFinder.lock()->isEnabled());
    workspace->clearCalls();
    clickOn(popup->btnShowInFinder.lock());
    EXPECT_TRUE(runUntil([&] { return !workspace->calls().empty(); }, std::chrono::seconds(2)))
        << "Open Folder asked the desktop for nothing";

    if (!manager->tableViewPopover->isShown()) {
        mainwindowsupport::present(MainWindowState::window);
        window = FreltManager::shared()->windowControllerMain()->window();
        settle();
        open();
        popup = manager->tableViewPopupViewController();
    }
    ASSERT_TRUE(popup->btnHide.lock()->isEnabled());
    clickOn(popup->btnHide.lock());
    drain();
    EXPECT_FALSE(atlas->isVisible()) << "Hide left the entry visible";
}

}  // namespace
