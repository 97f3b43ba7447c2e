#include <gtest/gtest.h>

#include <fstream>

#include "MainWindowTestSupport.h"
#include "support/SidebarSupport.h"
#include "platform/appkit/Popover.h"
#include "store/StoreConstants.h"

using namespace frelt;
using platform::modifierflags::option;
using platform::modifierflags::shift;

namespace {

class MainViewControllerTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        flagsObservation_ = platform::NotificationCenter::defaultCenter().observe(
            Notifications::modifierFlagsChanged, nullptr, [this](const platform::Notification& n) {
                const auto* f = n.objectAs<CurrentModifierFlags>();
                std::string text;
                if (f->optionKey) text += "option ";
                if (f->commandKey) text += "command ";
                if (f->controlKey) text += "control ";
                if (f->shiftKey) text += "shift ";
                flagPosts.push_back(text.empty() ? "none" : text.substr(0, text.size() - 1));
            });
    }
    std::vector<std::string> flagPosts;
    platform::Subscription flagsObservation_;
};

TEST_F(MainViewControllerTest, TheFirstShowingBuildsReloadsAndFocusesTheSearchField) {
    setEntries({link("Alpha"), link("Beta")});
    const auto vc = controller();
    EXPECT_NE(vc->currentState(), defaultFreltMainViewControllerState::viewDidAppear);
    showMainWindow();
    EXPECT_TRUE(vc->isVisible());
    EXPECT_EQ(table()->numberOfRows(), 2);
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::searchField);
    EXPECT_TRUE(searchField()->isEditing());
    EXPECT_EQ(window->initialFirstResponder(), searchField());
    EXPECT_EQ(table()->nextKeyView(), searchField());
    EXPECT_EQ(searchField()->nextKeyView(), table());

    hideMainWindow();
    EXPECT_FALSE(vc->isVisible());
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::other);
}

TEST_F(MainViewControllerTest, RowsComeFromTheCurrentListAndItsChangesWinOverStaleRequests) {
    setEntries({link("Alpha"), link("Beta")});
    showMainWindow();
    const auto vc = controller();
    auto& t = *table();
    EXPECT_EQ(vc->numberOfRowsInTableView(t), 2);
    EXPECT_EQ(vc->heightOfRow(t, 0), 64.0);
    // The list shrank before the table heard of it: no view for the old row.
    setEntries({});
    EXPECT_EQ(vc->numberOfRowsInTableView(t), 0);
    EXPECT_EQ(vc->viewForTableColumn(t, nullptr, 1), nullptr);
    EXPECT_EQ(vc->rowViewForRow(t, 1), nullptr);
    // Small rows when the setting asks for them, from the next showing on.
    hideMainWindow();
    config()->useSmallModeInMainView = true;
    setEntries({link("Alpha")});
    showMainWindow();
    EXPECT_EQ(vc->heightOfRow(t, 0), 50.0);
    EXPECT_EQ(cell(0)->identifier(), TableViewCellMainWindow::identifierSmall);
}

TEST_F(MainViewControllerTest, ModifierKeysAreBroadcastOnlyWhileTheMainWindowIsKey) {
    showMainWindow();
    ASSERT_TRUE(flagPosts.empty());
    kit::changeFlags(shift);
    kit::changeFlags(0);
    EXPECT_EQ(flagPosts, (std::vector<std::string>{"shift", "none"}));

    // Another window of the program is key: its keys are its own.
    auto other = std::make_shared<platform::Window>(platform::Rect(0, 0, 200, 100));
    kit::makeKey(other);
    kit::changeFlags(shift);
    EXPECT_EQ(flagPosts.size(), 2u);
    kit::changeFlags(0);

    // Hiding while Option is held lets it go once; a later reset says nothing.
    showMainWindow();
    flagPosts.clear();
    kit::changeFlags(option | shift);
    EXPECT_EQ(flagPosts, (std::vector<std::string>{"option", "option shift"})) << "one post per changed key";
    flagPosts.clear();
    hideMainWindow();
    EXPECT_EQ(flagPosts, (std::vector<std::string>{"shift", "none"}));
    FreltManager::shared()->applicationLostFocus();
    EXPECT_EQ(flagPosts.size(), 2u);
}

TEST_F(MainViewControllerTest, TheClickTypeChoosesSingleOrDoubleClicks) {
    for (int clickType : {0, 1}) {
        SCOPED_TRACE(clickType);
        config()->clickType = clickType;
        setEntries({link("Alpha"), link("Beta")});
        showMainWindow();
        workspace->clearCalls();
        kit::clickView(cell(1));
        drain();
        EXPECT_EQ(table()->selectedRow(), 1);
        EXPECT_EQ(workspace->calls().size(), clickType == 0 ? 0u : 1u) << "a single click";
        if (clickType == 0) {
            showMainWindow();
            kit::clickView(cell(1), 0, 2);
            drain();
            EXPECT_EQ(workspace->calls().size(), 1u) << "a double click";
        }
        // Below the last row nothing opens, though a row is selected.
        showMainWindow();
        workspace->clearCalls();
        const auto below = table()->convertPointToWindow({10, table()->rectOfRow(1).maxY() + 30});
        kit::click(window, below, 0, clickType == 0 ? 2 : 1);
        drain();
        EXPECT_TRUE(workspace->calls().empty());
        hideMainWindow();
    }
}

TEST_F(MainViewControllerTest, FocusMovesOnRequestButNotIntoACollapsedSidebar) {
    config()->setDebugLogging(true);
    sidebarsupport::addVisibleTags({"Work"});  // a header without rows never reads as open
    showMainWindow();
    const auto vc = controller();
    vc->setFocus(FirstResponderKind::entryTable);
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::entryTable);
    vc->setFocus(FirstResponderKind::sidebar);
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::sidebar);

    auto outline = vc->sectionView.lock();
    collapseSidebarHeaders();
    vc->setFocus(FirstResponderKind::entryTable);
    logs().clear();
    vc->setFocus(FirstResponderKind::sidebar);
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::entryTable);
    EXPECT_FALSE(logs().contains("setFocus to sectionView"));

    // The headers' state goes to the settings when the window goes, and
    // comes back from them.
    hideMainWindow();
    EXPECT_TRUE(config()->sidebarCategoriesCollapsed);
    EXPECT_TRUE(config()->sidebarTagsCollapsed);
    config()->sidebarTagsCollapsed = false;
    showMainWindow();
    EXPECT_FALSE(outline->isHeaderCollapsed(SourceListItemContentType::headerTags));
}

// The label that announces handed-in files is seen whole: it overlaps
// neither the search field above it nor the entries below it, and the
// entries take its place back when it goes.
TEST_F(MainViewControllerTest, TheHandedInFilesLabelHasAStripOfItsOwnWhileItShows) {
    setEntries({link("Alpha")});
    showMainWindow();
    const auto vc = controller();
    const auto label = vc->lblServiceManager.lock();
    const auto search = vc->searchField.lock();
    const auto table = vc->mainTableView.lock();
    const auto entries = table->superview()->superview();
    auto inWindow = [](const platform::View& v) {
        const auto superview = v.superview();
        const platform::Point o = superview ? superview->convertPointToWindow(v.frame().origin) : v.frame().origin;
        return platform::Rect(o, v.frame().size);
    };
    const platform::Rect before = inWindow(*entries);
    vc->setServiceManagerValues({"/tmp/a.pdf"});
    const platform::Rect text = inWindow(*label), field = inWindow(*search), list = inWindow(*entries);
    EXPECT_GE(text.height(), 16.0) << "room for a line of text";
    EXPECT_GE(text.minY(), field.maxY()) << "below the search field";
    EXPECT_LE(text.maxY(), list.minY()) << "above the entries";
    EXPECT_EQ(list.maxY(), before.maxY()) << "the entries still reach the bottom";
    // Both shown in the same window content: nothing in front of the label.
    EXPECT_EQ(vc->view()->window()->contentView()->hitTest({text.midX(), text.midY()}), label);

    vc->setServiceManagerValues({});
    EXPECT_TRUE(label->isHidden());
    EXPECT_EQ(inWindow(*entries), before);
}

TEST_F(MainViewControllerTest, HandedInFilesAreAnnouncedAndGoToTheOpenedEntry) {
    const auto desktop = (home() / "viewer.desktop").string();
    std::ofstream(desktop) << "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true\n";
    auto app = TableViewItem::initForSpotlightApp(desktop, "Viewer");
    setEntries({app});
    showMainWindow();
    const auto vc = controller();
    const auto label = vc->lblServiceManager.lock();
    EXPECT_TRUE(label->isHidden());

    vc->setServiceManagerValues({"/tmp/a.pdf"});
    EXPECT_FALSE(label->isHidden());
    EXPECT_EQ(label->stringValue(), "Send Object to:");
    EXPECT_EQ(label->toolTip(), "/tmp/a.pdf");

    std::vector<std::string> many;
    for (int i = 1; i <= 26; ++i) many.push_back("/tmp/f" + std::to_string(i));
    vc->setServiceManagerValues(many);
    EXPECT_EQ(label->stringValue(), "Send 26 Objects to:");
    const std::string tip = label->toolTip();
    EXPECT_EQ(std::count(tip.begin(), tip.end(), '\n'), 25);
    EXPECT_EQ(tip.substr(tip.size() - 4), "\n...");
    EXPECT_EQ(tip.find("/tmp/f26"), std::string::npos);

    // Two paths: the click opens the application with both; the label stays.
    const auto a = (home() / "a.pdf").string(), b = (home() / "b.pdf").string();
    std::ofstream(a) << "%PDF";
    std::ofstream(b) << "%PDF";
    vc->setServiceManagerValues({a, b});
    config()->clickType = 1;
    vc->getValuesFromConfiguration();
    kit::clickView(cell(0));
    drain();
    const auto opened = workspace->callDescriptions();
    EXPECT_NE(std::find(opened.begin(), opened.end(),
                        "openURLs [" + platform::URL::fileURL(a).absoluteString() + ", " +
                            platform::URL::fileURL(b).absoluteString() + "] with " +
                            platform::URL::fileURL(desktop).absoluteString()),
              opened.end())
        << ::testing::PrintToString(opened);
    EXPECT_EQ(vc->serviceManagerValues().size(), 2u);

    // The next showing starts without them.
    showMainWindow();
    EXPECT_TRUE(vc->serviceManagerValues().empty());
    EXPECT_TRUE(label->isHidden());
}

TEST_F(MainViewControllerTest, StoreNotificationsRefreshOnlyWhileShown) {
    config()->setDebugLogging(true);
    auto alpha = link("Alpha");
    auto beta = link("Beta");
    setEntries({alpha, beta});
    showMainWindow();
    hideMainWindow();
    logs().clear();
    store()->filterCurrentData()->applyFilter();
    setEntries({alpha});
    EXPECT_TRUE(logs().contains("Observer currentDataHadChanged was called. View was invisible. Refresh discarded"));
    EXPECT_EQ(table()->numberOfRows(), 2) << "nothing changed while hidden";

    setEntries({alpha, beta});
    showMainWindow();
    // A change of a shown entry reloads its row; a tag change nothing here.
    logs().clear();
    beta->setColor(platform::Color::sRGB(0.2, 0.4, 0.9));
    beta->setComment("Second line");
    EXPECT_EQ(rowView(1)->backgroundView()->color(), beta->color());
    EXPECT_EQ(cell(1)->path.lock()->cell()->stringValue(), "Second line");
    EXPECT_EQ(loggedAfter("  - NotifyReason: ").size(), 2u);
    logs().clear();
    beta->setTags({"Work"});
    EXPECT_FALSE(logs().contains("Observer tableViewItemChanged was called"));
}

}  // namespace
