// The main window shown by the Qt backend (offscreen) and used with real
// input: keys nobody takes in its search field and in a hotkey recorder, and
// a click from the search field into the sidebar.

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "hotkeys/RecordView.h"
#include "mainwindow/MainSearchField.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/MainViewController.h"
#include "mainwindow/MainWindowFocus.h"
#include "mainwindow/MainOutlineView.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "store/DataStorage.h"
#include "support/MainWindowSupport.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

using namespace frelt;

namespace {

struct Chord {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

// Keys that no text editor and no window of the program takes.
const std::vector<Chord> unclaimedChords = {
    {Qt::Key_F1, Qt::NoModifier},
    {Qt::Key_F5, Qt::ShiftModifier},
    {Qt::Key_F12, Qt::ControlModifier | Qt::AltModifier},
    {Qt::Key_Pause, Qt::NoModifier},
    {Qt::Key_X, Qt::ControlModifier | Qt::AltModifier},
    {Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier},
};

class MainWindowInputTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        platform::Workspace::setShared(platform::RecordingWorkspace::make());
        registerInterfaceResources();
        // Before the main window's own monitors: it sees every key once.
        monitor = platform::Application::shared()->addLocalMonitorForEventsMatchingMask(
            platform::eventmask::keyDown, [this](const platform::EventPtr& e) -> platform::EventPtr {
                // A key seen again went round; swallowing it ends the loop.
                return counting && ++keysSeen > 1 ? nullptr : e;
            });
    }
    void TearDown() override {
        monitor.reset();
        QtKitTest::TearDown();
    }

    // Entries under two tags, so that the sidebar lists them.
    std::shared_ptr<platform::Window> showMainWindowWithTags() {
        const auto store = DataStorage::shared();
        const std::vector<std::string> tags = {"Work", "Home"};
        for (int i = 0; i < 6; ++i) {
            auto entry = mainwindowsupport::link("Entry " + std::to_string(i));
            entry->setTags({tags[std::size_t(i) % tags.size()]});
            store->addToAllData(entry);
        }
        store->rebuildData(RebuildDataReason::datastorageInitialize);
        mainwindowsupport::present(MainWindowState::window);
        auto window = FreltManager::shared()->windowControllerMain()->window();
        settle();
        return window;
    }

    std::shared_ptr<MainViewController> main() { return FreltManager::shared()->viewControllerMain(); }

    // Sends one chord and answers how often the program saw its key.
    int timesSeen(platform::Window& window, const Chord& chord) {
        keysSeen = 0;
        counting = true;
        userinput::key(window, chord.key, chord.modifiers);
        counting = false;
        return keysSeen;
    }

    std::optional<platform::Subscription> monitor;
    bool counting = false;
    int keysSeen = 0;
};

TEST_F(MainWindowInputTest, KeysNobodyTakesInTheSearchFieldReachTheProgramOnceAndLeaveTheFocusThere) {
    const auto window = showMainWindowWithTags();
    ASSERT_TRUE(window && window->isVisible());
    ASSERT_EQ(currentFirstResponderKind(), FirstResponderKind::searchField) << "the window opens ready for typing";
    for (const Chord& chord : unclaimedChords) {
        EXPECT_EQ(timesSeen(*window, chord), 1) << QKeySequence(chord.key | chord.modifiers).toString().toStdString();
    }
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::searchField);
}

TEST_F(MainWindowInputTest, KeysInAHotkeyRecorderReachItOnce) {
    auto window = std::make_shared<platform::Window>(platform::Rect(60, 60, 300, 100), platform::stylemask::titled);
    auto recorder = RecordView::make(platform::Rect(20, 30, 220, 28));
    window->contentView()->addSubview(recorder);
    window->makeKeyAndOrderFront();
    platform::Application::shared()->activate();
    settle();
    for (const Chord& chord : unclaimedChords) {
        userinput::click(*recorder);
        ASSERT_TRUE(recorder->isRecording);
        EXPECT_EQ(timesSeen(*window, chord), 1) << QKeySequence(chord.key | chord.modifiers).toString().toStdString();
    }
}

// The search field's end of editing hands the focus to the entry table; a
// click into the sidebar asks for it at the same moment. The sidebar gets
// it, and the table, told it lost it, draws no focused row.
TEST_F(MainWindowInputTest, AClickFromTheSearchFieldIntoTheSidebarFocusesTheSidebarAlone) {
    const auto window = showMainWindowWithTags();
    ASSERT_TRUE(window && window->isVisible());
    ASSERT_EQ(currentFirstResponderKind(), FirstResponderKind::searchField);
    userinput::type(*window, "e");

    const auto sidebar = main()->sectionView.lock();
    const auto table = main()->mainTableView.lock();
    ASSERT_TRUE(sidebar && table);
    ASSERT_GT(sidebar->numberOfRows(), 1);
    const platform::Rect row = sidebar->rectOfRow(1);
    userinput::click(*window, sidebar->convertPointToWindow(platform::Point{row.midX(), row.midY()}));
    settle();

    EXPECT_EQ(window->firstResponder(), std::static_pointer_cast<platform::Responder>(sidebar));
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::sidebar);
    int emphasisedTableRows = 0;
    table->enumerateAvailableRowViews([&](const std::shared_ptr<platform::TableRowView>& rowView, long) {
        if (rowView->isEmphasized()) ++emphasisedTableRows;
    });
    EXPECT_EQ(emphasisedTableRows, 0) << "the table draws a row as focused";
}

}  // namespace
