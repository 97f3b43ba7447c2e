// The main window's keys pressed as a person presses them, as Qt key events
// into the window on the offscreen platform: they pass the window's key
// monitor, the field editor and the responder chain as on a desktop. What
// each key does, by focus, and whether the window's monitor used it up.

#include <fstream>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "hotkeys/HotKeyManager.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/MainSearchField.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/MainViewController.h"
#include "mainwindow/MainWindowFocus.h"
#include "mainwindow/TableViewCellMainWindow.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "platform/carbon/HotKeyService.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "support/MainWindowSupport.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class KeyboardInputTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        workspace = platform::RecordingWorkspace::make();
        platform::Workspace::setShared(workspace);
        platform::HotKeyService::setShared(std::make_shared<platform::HeadlessHotKeyService>());
        registerInterfaceResources();
        setEntries({mainwindowsupport::link("Safari"), mainwindowsupport::link("Slack"),
                    mainwindowsupport::link("Terminal"), mainwindowsupport::link("Thunderbird")});
        showMainWindow();
    }
    static std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    static void setEntries(const std::vector<TableViewItem::Ptr>& entries) {
        store()->allData()->removeAll();
        for (const auto& entry : entries) store()->addToAllData(entry);
        store()->filterCurrentData()->resetFilter();
        store()->filterCurrentData()->applyFilter();
    }
    static Strings shownNames() {
        Strings names;
        for (const auto& entry : *store()->currentData()->snapshot()) names.push_back(entry->name());
        return names;
    }
    void showMainWindow() {
        mainwindowsupport::present(MainWindowState::window);
        window = FreltManager::shared()->windowControllerMain()->window();
        ASSERT_TRUE(window && window->isKeyWindow());
        store()->filterCurrentData()->resetFilter();
        store()->filterCurrentData()->applyFilter();
        settle();
    }
    std::shared_ptr<MainViewController> controller() { return FreltManager::shared()->viewControllerMain(); }
    std::shared_ptr<MainTableView> table() { return controller()->mainTableView.lock(); }
    std::string searchText() {
        auto field = controller()->searchField.lock();
        if (auto editor = field->currentEditor()) return editor->string();
        return field->cell()->stringValue();
    }
    bool shown() { return mainWindowIsVisible(FreltManager::shared()->mainWindowState()); }
    static FirstResponderKind focus() { return currentFirstResponderKind(); }

    // A key pressed in the main window: true when the window's key monitor
    // used it up, seen by a monitor of the test's own that runs after it.
    bool press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        bool passedOn = false;
        auto after = platform::Application::shared()->addLocalMonitorForEventsMatchingMask(
            platform::eventmask::keyDown, [&](const platform::EventPtr& e) {
                passedOn = true;
                return e;
            });
        const auto target = platform::Application::shared()->keyWindow();
        if (!target) {
            ADD_FAILURE() << "no window has the keyboard";
            return false;
        }
        userinput::key(*target, key, modifiers);
        settle();
        return !passedOn;
    }
    void type(const QString& text) {
        userinput::type(*window, text);
        settle();
    }
    // The table focused by a click on a row.
    void clickRow(long row) {
        const auto t = table();
        const platform::Rect r = t->rectOfRow(row);
        userinput::click(*window, t->convertPointToWindow(platform::Point{r.midX(), r.midY()}));
        settle();
        ASSERT_EQ(focus(), FirstResponderKind::entryTable);
        ASSERT_EQ(t->selectedRow(), row);
    }
    // The sidebar focused by a click on its row.
    void clickSidebar(long row = 1) {
        const auto sidebar = controller()->sectionView.lock();
        const platform::Rect r = sidebar->rectOfRow(row);
        userinput::click(*window, sidebar->convertPointToWindow(platform::Point{r.midX(), r.midY()}));
        settle();
        ASSERT_EQ(focus(), FirstResponderKind::sidebar);
        store()->filterCurrentData()->resetFilter();
        store()->filterCurrentData()->applyFilter();
    }
    Strings opened() {
        drain();
        Strings urls;
        for (const auto& call : workspace->calls())
            for (const auto& url : call.urls) urls.push_back(url.absoluteString());
        return urls;
    }

    std::shared_ptr<platform::RecordingWorkspace> workspace;
    std::shared_ptr<platform::Window> window;
};

TEST_F(KeyboardInputTest, EscapeClearsTheSearchThenClosesTheWindow) {
    type("sa");
    EXPECT_EQ(shownNames(), Strings{"Safari"});
    EXPECT_TRUE(press(Qt::Key_Escape));
    EXPECT_TRUE(shown());
    EXPECT_EQ(searchText(), "");
    EXPECT_EQ(shownNames().size(), 4u);
    EXPECT_EQ(focus(), FirstResponderKind::searchField) << "typing goes on";
    EXPECT_TRUE(press(Qt::Key_Escape));
    EXPECT_FALSE(shown());
}

TEST_F(KeyboardInputTest, ArrowsMoveBetweenTheSearchFieldTheTableAndTheSidebar) {
    struct Step {
        const char* what;
        Qt::Key key;
        FirstResponderKind focusAfter;
        long rowAfter;
    };
    ASSERT_EQ(table()->selectedRow(), 0) << "the first row is selected as the window shows";
    const std::vector<Step> steps{
        {"down from the search field", Qt::Key_Down, FirstResponderKind::entryTable, 1},
        {"down in the table", Qt::Key_Down, FirstResponderKind::entryTable, 2},
        {"up in the table", Qt::Key_Up, FirstResponderKind::entryTable, 1},
        {"up again", Qt::Key_Up, FirstResponderKind::entryTable, 0},
        {"up on the first row", Qt::Key_Up, FirstResponderKind::searchField, 0},
        {"left in the empty search field", Qt::Key_Left, FirstResponderKind::sidebar, 0},
        {"right in the sidebar", Qt::Key_Right, FirstResponderKind::entryTable, 0},
        {"left in the table", Qt::Key_Left, FirstResponderKind::sidebar, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        press(step.key);
        EXPECT_EQ(focus(), step.focusAfter);
        EXPECT_EQ(table()->selectedRow(), step.rowAfter);
    }
}

TEST_F(KeyboardInputTest, CtrlAndADigitOpenOneOfTheFirstEntriesFromEveryFocus) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        Qt::Key digit;
        Qt::KeyboardModifiers modifiers;
        Strings opened;
    };
    const std::vector<Case> cases{
        {"from the search field", [] {}, Qt::Key_1, Qt::ControlModifier, {"https://safari.example/"}},
        {"from the table", [&] { clickRow(3); }, Qt::Key_2, Qt::ControlModifier, {"https://slack.example/"}},
        {"from the sidebar", [&] { clickSidebar(); }, Qt::Key_4, Qt::ControlModifier, {"https://thunderbird.example/"}},
        {"one past the list", [] {}, Qt::Key_5, Qt::ControlModifier, {}},
        {"with Shift", [] {}, Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier, {}},
        {"while hotkeys are paused", [] { HotKeyManager::shared()->setHotkeysPaused(true); }, Qt::Key_1,
         Qt::ControlModifier, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        showMainWindow();
        workspace->clearCalls();
        c.arrange();
        press(c.digit, c.modifiers);
        EXPECT_EQ(opened(), c.opened);
        HotKeyManager::shared()->setHotkeysPaused(false);
    }
}

TEST_F(KeyboardInputTest, CtrlFAndTypingGoToTheSearchField) {
    clickRow(2);
    EXPECT_TRUE(press(Qt::Key_F, Qt::ControlModifier));
    EXPECT_EQ(focus(), FirstResponderKind::searchField);

    type("t");
    clickRow(0);
    type("T");
    EXPECT_EQ(focus(), FirstResponderKind::searchField);
    EXPECT_EQ(searchText(), "T") << "the old text goes, the key arrives";
    EXPECT_EQ(shownNames(), (Strings{"Terminal", "Thunderbird"}));

    clickRow(0);
    EXPECT_FALSE(press(Qt::Key_Space)) << "Space is not a search key";
    EXPECT_EQ(focus(), FirstResponderKind::entryTable);

    clickSidebar();
    type("s");
    EXPECT_EQ(focus(), FirstResponderKind::searchField);
    EXPECT_EQ(searchText(), "s");
}

TEST_F(KeyboardInputTest, ReturnOpensTheSelectedEntryAndHidesTheWindow) {
    type("s");
    ASSERT_EQ(table()->selectedRow(), 0);
    EXPECT_TRUE(press(Qt::Key_Return));
    EXPECT_EQ(opened(), Strings{"https://safari.example/"});
    EXPECT_FALSE(shown()) << "opening an entry hides the window";

    showMainWindow();
    workspace->clearCalls();
    clickRow(2);
    EXPECT_TRUE(press(Qt::Key_Return));
    EXPECT_EQ(opened(), Strings{"https://terminal.example/"});
}

TEST_F(KeyboardInputTest, TheSidebarsKeys) {
    clickSidebar();
    EXPECT_TRUE(press(Qt::Key_F, Qt::ControlModifier));
    EXPECT_EQ(focus(), FirstResponderKind::searchField);
    clickSidebar();
    EXPECT_TRUE(press(Qt::Key_Escape));
    EXPECT_FALSE(shown());
}

}  // namespace
