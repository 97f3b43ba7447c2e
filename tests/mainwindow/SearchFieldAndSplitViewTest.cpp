#include <gtest/gtest.h>

#include "MainWindowTestSupport.h"
#include "mainwindow/MainSplitView.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/foundation/UserDefaults.h"
#include "store/StoreConstants.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class SearchFieldTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        for (const char* name : {Notifications::currentDataChanged, Notifications::currentDataNotChangedWithLastRequest})
            observations_.push_back(platform::NotificationCenter::defaultCenter().observe(
                name, nullptr, [this](const platform::Notification&) {
                    filterRuns.push_back(store()->filterCurrentData()->searchStringFromSearchField);
                }));
    }
    Strings filterRuns;
    std::vector<platform::Subscription> observations_;
};

TEST_F(SearchFieldTest, EveryChangeFiltersWithTheWholeText) {
    setEntries({link("Safari"), link("Slack"), link("Terminal")});
    showMainWindow();
    filterRuns.clear();
    kit::typeText("sa");
    EXPECT_EQ(filterRuns, (Strings{"s", "sa"}));
    EXPECT_EQ(shownNames(), Strings{"Safari"});
    kit::pressKey(platform::keycode::deleteKey);
    kit::pressKey(platform::keycode::deleteKey);
    EXPECT_EQ(filterRuns, (Strings{"s", "sa", "s", ""}));
    EXPECT_EQ(shownNames(), (Strings{"Safari", "Slack", "Terminal"}));
}

TEST_F(SearchFieldTest, TheStoresClearsLeaveTheTypedTextAlone) {
    setEntries({link("Safari"), link("Slack")});
    showMainWindow();
    kit::typeText("sl");
    // A filter run of the store (a category chosen, an application launched)
    // empties the field's value, not the text being typed.
    store()->filterCurrentData()->applyFilter();
    EXPECT_EQ(searchField()->currentEditor()->string(), "sl");
    EXPECT_EQ(searchField()->cell()->stringValue(), "");
    kit::typeText("a");
    EXPECT_EQ(searchField()->currentEditor()->string(), "sla");
    EXPECT_EQ(filterRuns.back(), "sla");
}

TEST_F(SearchFieldTest, EndingTheEditingOnlyMovesTheFocusToTheTable) {
    setEntries({link("Safari"), link("Slack")});
    showMainWindow();
    kit::typeText("s");
    kit::pressKey(platform::keycode::tab);
    EXPECT_EQ(window->firstResponder(), table());
    EXPECT_EQ(searchText(), "s") << "the field shows the search the list shows";
    EXPECT_FALSE(searchField()->isEditing());
}

TEST_F(SearchFieldTest, IsEditingOnlyWhileItsEditorHasTheFocus) {
    showMainWindow();
    auto field = searchField();
    EXPECT_TRUE(field->isEditing());
    window->makeFirstResponder(table());
    EXPECT_FALSE(field->isEditing()) << "another view has the focus";

    // An editor attached but not the first responder.
    window->makeFirstResponder(field);
    ASSERT_TRUE(field->currentEditor());
    window->makeFirstResponder(nullptr);
    EXPECT_FALSE(field->isEditing());
}

TEST_F(SearchFieldTest, NothingCanBeDroppedIntoTheSearchText) {
    showMainWindow();
    auto field = searchField();
    EXPECT_TRUE(field->registeredDraggedTypes().empty());
    auto editor = MainSearchFieldCell::sharedFieldEditor();
    EXPECT_TRUE(editor->registeredDraggedTypes().empty());
    EXPECT_EQ(field->cell()->fieldEditorForView(field), editor) << "one editor for the program";
    auto pasteboard = platform::Pasteboard::withUniqueName();
    pasteboard->writeObjects({platform::pasteboardWriterForString("text")});
    auto drag = std::make_shared<platform::DraggingInfo>(pasteboard, platform::dragoperation::every);
    EXPECT_EQ(editor->draggingEntered(drag), platform::dragoperation::none);
    EXPECT_EQ(editor->draggingUpdated(drag), platform::dragoperation::none);
}

class MainSplitViewTest : public MainWindowTest {};

TEST_F(MainSplitViewTest, PanesTouchKeepTheirMinimumsAndTheDividerIsRemembered) {
    auto split = std::make_shared<MainSplitView>(platform::Rect(0, 0, 700, 500));
    auto left = std::make_shared<platform::View>(platform::Rect(0, 0, 200, 500));
    auto right = std::make_shared<platform::View>(platform::Rect(200, 0, 500, 500));
    split->addSubview(left);
    split->addSubview(right);
    EXPECT_EQ(split->dividerThickness(), 0.0);
    EXPECT_TRUE(split->mouseDownCanMoveWindow());

    split->setPosition(260, 0);
    EXPECT_EQ(left->frame().maxX(), right->frame().minX()) << "no room between the panes";
    split->setPosition(100, 0);
    EXPECT_EQ(left->frame().width(), 200) << "the sidebar keeps 200 points";
    split->setPosition(600, 0);
    EXPECT_EQ(right->frame().width(), 350) << "the entries keep 350 points";

    split->setFrame(platform::Rect(0, 0, 900, 500));
    EXPECT_EQ(left->frame().width(), 350) << "a wider window widens the entries only";
    EXPECT_EQ(right->frame().width(), 550);

    split->setAutosaveName("mainSplitview");
    split->setPosition(280, 0);
    auto next = std::make_shared<MainSplitView>(platform::Rect(0, 0, 900, 500));
    next->addSubview(std::make_shared<platform::View>(platform::Rect(0, 0, 200, 500)));
    next->addSubview(std::make_shared<platform::View>(platform::Rect(200, 0, 700, 500)));
    next->setAutosaveName("mainSplitview");
    EXPECT_EQ(next->positionOfDivider(0), 280) << "the next run finds the divider where it was left";
}

}  // namespace
