// The main window's keys by focus: what each does and whether it is used up
// or goes on to the window.

#include <gtest/gtest.h>

#include <fstream>

#include "MainWindowTestSupport.h"
#include "hotkeys/HotKeyManager.h"
#include "mainwindow/TableViewPopup.h"
#include "platform/appkit/Popover.h"

using namespace frelt;
using platform::keycode::downArrow;
using platform::keycode::escape;
using platform::keycode::f;
using platform::keycode::leftArrow;
using platform::keycode::returnKey;
using platform::keycode::rightArrow;
using platform::keycode::space;
using platform::keycode::tab;
using platform::keycode::upArrow;
using platform::modifierflags::command;
using platform::modifierflags::shift;
using Strings = std::vector<std::string>;

namespace {

class KeyboardTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Four entries, listed by name.
        setEntries({link("Safari"), link("Slack"), link("Terminal"), link("Thunderbird")});
        showMainWindow();
    }
    // A key pressed in the main window, through the application's event
    // entry (its monitors, then the window): true when the main window's key
    // monitor used it up, seen by a monitor of the test's own that runs after
    // it and sees only what it let through to the window.
    bool press(std::uint16_t keyCode, std::string characters = "", platform::ModifierFlags flags = 0,
               std::string ignoring = "") {
        if (ignoring.empty()) ignoring = characters;
        bool passedOn = false;
        auto after = platform::Application::shared()->addLocalMonitorForEventsMatchingMask(
            platform::eventmask::keyDown, [&](const platform::EventPtr& e) {
                passedOn = true;
                return e;
            });
        kit::changeFlags(flags);
        platform::Application::shared()->sendEvent(
            platform::Event::keyEvent(platform::EventType::keyDown, keyCode, characters, ignoring, flags, window));
        kit::changeFlags(0);
        return !passedOn;
    }
    bool shown() { return mainWindowIsVisible(FreltManager::shared()->mainWindowState()); }
    FirstResponderKind focus() { return currentFirstResponderKind(); }
    Strings opened() {
        drain();
        Strings urls;
        for (const auto& call : workspace->calls())
            for (const auto& url : call.urls) urls.push_back(url.absoluteString());
        return urls;
    }
    void focusTable(long row) {
        controller()->setFocus(FirstResponderKind::entryTable);
        table()->selectRowIndexes(platform::IndexSet::withIndex(row), false);
    }
};

TEST_F(KeyboardTest, EscapeClosesAPopupFirstThenClearsTheSearchThenTheWindow) {
    focusTable(1);
    kit::rightClickView(cell(1));
    ASSERT_TRUE(table()->popupMenu->tableViewPopover->isShown());
    press(escape);  // in the popup, which has the keyboard
    EXPECT_FALSE(table()->popupMenu->tableViewPopover->isShown());
    EXPECT_TRUE(shown());
    EXPECT_TRUE(press(escape));
    EXPECT_FALSE(shown()) << "the table focused and no search: the window goes";

    showMainWindow();
    kit::typeText("sa");
    EXPECT_EQ(shownNames(), Strings{"Safari"});
    EXPECT_TRUE(press(escape));
    EXPECT_TRUE(shown());
    EXPECT_EQ(searchText(), "");
    EXPECT_EQ(shownNames().size(), 4u);
    EXPECT_EQ(focus(), FirstResponderKind::searchField) << "typing goes on";
    EXPECT_TRUE(press(escape));
    EXPECT_FALSE(shown());
}

TEST_F(KeyboardTest, ClearingTheSearchInTheTableDropsItFromTheFilterForGood) {
    kit::typeText("th");
    EXPECT_EQ(shownNames(), Strings{"Thunderbird"});
    kit::pressKey(downArrow);
    ASSERT_EQ(focus(), FirstResponderKind::entryTable);
    EXPECT_EQ(searchText(), "th");
    EXPECT_TRUE(press(escape));
    EXPECT_TRUE(shown());
    EXPECT_EQ(searchText(), "");
    EXPECT_EQ(table()->selectedRow(), 0);
    EXPECT_EQ(store()->filterCurrentData()->searchStringFromSearchField, "");
    // The next filter run (a launch, a rebuild) lists everything, not "th".
    store()->filterCurrentData()->applyFilter();
    EXPECT_EQ(shownNames().size(), 4u);
}

TEST_F(KeyboardTest, CommandAndADigitOpenOneOfTheFirstNineEntries) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string digit;
        platform::ModifierFlags flags;
        bool used;
        Strings opened;
    };
    const std::vector<Case> cases{
        {"from the search field", [] {}, "1", command, true, {"https://safari.example/"}},
        {"from the table", [&] { focusTable(3); }, "2", command, true, {"https://slack.example/"}},
        {"from the sidebar", [&] { controller()->setFocus(FirstResponderKind::sidebar); }, "4", command, true,
         {"https://thunderbird.example/"}},
        {"one past the list", [] {}, "5", command, true, {}},
        {"two past the list", [] {}, "6", command, false, {}},
        {"with Shift", [] {}, "1", command | shift, false, {}},
        {"while hotkeys are paused", [] { HotKeyManager::shared()->setHotkeysPaused(true); }, "1", command, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        showMainWindow();
        workspace->clearCalls();
        c.arrange();
        EXPECT_EQ(press(std::uint16_t(18 + (c.digit[0] - '1')), c.digit, c.flags), c.used);
        EXPECT_EQ(opened(), c.opened);
        HotKeyManager::shared()->setHotkeysPaused(false);
    }
}

TEST_F(KeyboardTest, ArrowsMoveBetweenTheSearchFieldTheTableAndTheSidebar) {
    struct Step {
        const char* what;
        std::uint16_t key;
        bool used;
        FirstResponderKind focusAfter;
        long rowAfter;
    };
    ASSERT_EQ(table()->selectedRow(), 0) << "the first row is selected as the window shows";
    const std::vector<Step> steps{
        {"down from the search field", downArrow, true, FirstResponderKind::entryTable, 1},
        {"down in the table goes to the table", downArrow, false, FirstResponderKind::entryTable, 2},
        {"up in the table", upArrow, true, FirstResponderKind::entryTable, 1},
        {"up again", upArrow, true, FirstResponderKind::entryTable, 0},
        {"up on the first row", upArrow, true, FirstResponderKind::searchField, 0},
        {"left in the empty search field", leftArrow, true, FirstResponderKind::sidebar, 0},
        {"right in the sidebar", rightArrow, true, FirstResponderKind::entryTable, 0},
        {"left in the table", leftArrow, true, FirstResponderKind::sidebar, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(press(step.key), step.used);
        EXPECT_EQ(focus(), step.focusAfter);
        EXPECT_EQ(table()->selectedRow(), step.rowAfter);
    }

    // With text the left arrow moves the caret; with both sidebar headers
    // collapsed it is not used in the table either.
    controller()->setFocus(FirstResponderKind::searchField);
    kit::typeText("t");
    EXPECT_FALSE(press(leftArrow));
    EXPECT_EQ(focus(), FirstResponderKind::searchField);
    collapseSidebarHeaders();
    focusTable(0);
    EXPECT_FALSE(press(leftArrow));
    EXPECT_EQ(focus(), FirstResponderKind::entryTable);
}

TEST_F(KeyboardTest, CommandFAndTypingGoToTheSearchField) {
    focusTable(2);
    EXPECT_TRUE(press(f, "f", command, "f"));
    EXPECT_EQ(focus(), FirstResponderKind::searchField);

    kit::typeText("x");
    focusTable(0);
    kit::typeText("T");
    EXPECT_EQ(focus(), FirstResponderKind::searchField);
    EXPECT_EQ(searchText(), "T") << "the old text goes, the key arrives";
    EXPECT_EQ(shownNames(), (Strings{"Terminal", "Thunderbird"}));

    // Space and Tab are not search keys: they go on unchanged.
    focusTable(0);
    EXPECT_FALSE(press(space, " "));
    EXPECT_EQ(focus(), FirstResponderKind::entryTable);
    EXPECT_EQ(searchText(), "T");

    controller()->setFocus(FirstResponderKind::sidebar);
    kit::typeText("s");
    EXPECT_EQ(focus(), FirstResponderKind::searchField);
    EXPECT_EQ(searchText(), "s");
}

TEST_F(KeyboardTest, ReturnOpensTheSelectedEntryWithTheHandedInFiles) {
    // In the search field only the row that shows it is focused opens.
    kit::typeText("s");
    ASSERT_EQ(table()->selectedRow(), 0);
    EXPECT_EQ(cell(0)->currentSelectionStyle, TableViewCellMainWindow::CellSelection::selectedAndFocused);
    EXPECT_TRUE(press(returnKey, "\r"));
    EXPECT_EQ(opened(), Strings{"https://safari.example/"});
    EXPECT_FALSE(shown()) << "opening an entry hides the window";

    showMainWindow();
    workspace->clearCalls();
    const auto file = (home() / "notes.txt").string();
    std::ofstream(file) << "x";
    controller()->setServiceManagerValues({file});
    focusTable(2);
    EXPECT_TRUE(press(returnKey, "\r"));
    drain();
    ASSERT_EQ(workspace->calls().size(), 1u);
    EXPECT_EQ(workspace->calls()[0].urls.at(0).absoluteString(), "https://terminal.example/");

    // Nothing selected in the search field: Return is not used.
    showMainWindow();
    setEntries({});
    EXPECT_FALSE(press(returnKey, "\r"));
}

TEST_F(KeyboardTest, TheSidebarsKeys) {
    controller()->setFocus(FirstResponderKind::sidebar);
    EXPECT_TRUE(press(f, "f", command, "f"));
    EXPECT_EQ(focus(), FirstResponderKind::searchField);
    controller()->setFocus(FirstResponderKind::sidebar);
    EXPECT_FALSE(press(tab, "\t"));
    EXPECT_TRUE(press(escape));
    EXPECT_FALSE(shown());
}

}  // namespace
