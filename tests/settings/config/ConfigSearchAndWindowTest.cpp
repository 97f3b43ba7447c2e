#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ConfigWindowTestSupport.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/Storyboard.h"
#include "platform/foundation/NotificationCenter.h"
#include "settings/panes/ConfigViewControllerAddModifyURL.h"
#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "store/StoreConstants.h"
#include "support/KitHarness.h"
#include "support/PostCounter.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

// Every run of the configuration filter ends in one of these two posts.
class FilterRuns {
public:
    int count() const { return changed.count + unchanged.count; }

private:
    PostCounter changed{Notifications::currentDataConfigChanged};
    PostCounter unchanged{Notifications::currentDataConfigNotChangedWithLastRequest};
};

class ConfigSearchFieldTest : public ConfigWindowTest {
protected:
    std::shared_ptr<ConfigSearchField> field() { return controller->searchField.lock(); }
    // A click into the field, as a person starts typing there.
    void focusField() {
        kit::makeKey(controller->window());
        kit::clickView(field());
        ASSERT_TRUE(field()->currentEditor()) << "a click into the search field edits it";
    }
};

// Chooses from the search field's menu as a person does: a click on the
// magnifier, then the item.
void chooseSearchFor(const std::shared_ptr<ConfigSearchField>& field, const std::string& title) {
    platform::ModalScript::shared()->chooseMenuItem(title);
    kit::click(field->window(), field->convertPointToWindow({8, field->bounds().height() / 2}));
}

TEST_F(ConfigSearchFieldTest, TheMenuOffersTheFourFieldsOnceAndThePlaceholderNamesTheChoice) {
    setEntries({link("Alpha")});
    openWindow();
    const auto menu = field()->searchMenuTemplate();
    ASSERT_TRUE(menu);
    Strings titles;
    for (const auto& item : menu->items()) titles.push_back(item->title());
    EXPECT_EQ(titles, (Strings{"Name", "Tag", "Comment", "Path"}));
    field()->setupSearchMenu();
    EXPECT_EQ(field()->searchMenuTemplate(), menu) << "a field with a menu keeps it";
    EXPECT_EQ(field()->placeholderString(), "Name");
}

TEST_F(ConfigSearchFieldTest, TypingStoresTheTextAndTheChoiceTheFieldNames) {
    auto tagged = link("Alpha");
    tagged->setTags({"work"});
    setEntries({tagged, link("Beta")});
    openWindow();
    field()->setPlaceholderString("Tag");
    focusField();
    FilterRuns runs;
    kit::typeText("w");
    EXPECT_EQ(filter()->configTableViewSearchString(), "w");
    EXPECT_EQ(filter()->configTableViewFilterSearchFor(), ConfigEnumFilterSearchFor::tag);
    EXPECT_EQ(runs.count(), 2) << "once for the text, once for the new choice";
    EXPECT_EQ(listedNames(), Strings{"Alpha"});
    EXPECT_EQ(table->numberOfRows(), 1);

    // Without a placeholder the next keystroke searches by name.
    field()->setPlaceholderString("");
    kit::typeText("o");
    EXPECT_EQ(filter()->configTableViewFilterSearchFor(), ConfigEnumFilterSearchFor::name);
    EXPECT_EQ(filter()->configTableViewSearchString(), "wo");
}

TEST_F(ConfigSearchFieldTest, ChoosingAFieldFromTheMenuFiltersOnceAndAgainNotAtAll) {
    setEntries({link("Alpha", "fast"), link("Fast Beta")});
    openWindow();
    focusField();
    kit::typeText("fast");
    EXPECT_EQ(listedNames(), Strings{"Fast Beta"});
    FilterRuns runs;
    chooseSearchFor(field(), "Comment");
    EXPECT_EQ(field()->placeholderString(), "Comment");
    EXPECT_EQ(filter()->configTableViewFilterSearchFor(), ConfigEnumFilterSearchFor::comment);
    EXPECT_EQ(runs.count(), 1);
    EXPECT_EQ(listedNames(), Strings{"Alpha"});
    chooseSearchFor(field(), "Comment");
    EXPECT_EQ(runs.count(), 1);
    EXPECT_EQ(field()->stringValue(), "fast") << "the typed text stays";
}

TEST_F(ConfigSearchFieldTest, EscapeEmptiesTheFieldAndTheListShowsEverythingAgain) {
    setEntries({link("Alpha"), link("Beta")});
    openWindow();
    focusField();
    kit::typeText("alp");
    ASSERT_EQ(listedNames(), Strings{"Alpha"});
    kit::pressKey(platform::keycode::escape);
    EXPECT_EQ(field()->stringValue(), "");
    EXPECT_EQ(filter()->configTableViewSearchString(), "");
    EXPECT_EQ(listedNames(), (Strings{"Alpha", "Beta"}));
    EXPECT_EQ(table->numberOfRows(), 2);
}

class ConfigWindowControllerTest : public ConfigWindowTest {
protected:
    std::shared_ptr<platform::PopUpButton> typePopup() { return controller->filterPopupButton.lock(); }
    std::shared_ptr<platform::PopUpButton> activePopup() { return controller->activePopupButton.lock(); }
    void choose(const std::shared_ptr<platform::PopUpButton>& popup, const std::string& title) {
        popup->selectItemWithTitle(title);
        if (popup == typePopup()) controller->configFilterPopupButton();
        else controller->configActivePopupButton();
    }
    std::string file(const std::string& name) {
        std::ofstream(home() / name) << "x";
        return (home() / name).string();
    }
};

TEST_F(ConfigWindowControllerTest, ThePopupsOfferTheFiltersAndOnlyANewChoiceFilters) {
    setEntries({app("Atlas"), link("Bookmarks")});
    openWindow();
    EXPECT_EQ(typePopup()->itemTitles(), (Strings{"All types", "Applications", "Files", "Folders", "URLs"}));
    EXPECT_EQ(activePopup()->itemTitles(), (Strings{"All entries", "Active only", "Inactive only"}));
    FilterRuns runs;
    choose(typePopup(), "URLs");
    EXPECT_EQ(filter()->configTableViewFilterType(), ConfigEnumFilterType::urls);
    EXPECT_EQ(listedNames(), Strings{"Bookmarks"});
    EXPECT_EQ(table->numberOfRows(), 1);
    const int afterChoice = runs.count();
    choose(typePopup(), "URLs");
    EXPECT_EQ(runs.count(), afterChoice);
    choose(activePopup(), "Inactive only");
    EXPECT_TRUE(listedNames().empty());
}

TEST_F(ConfigWindowControllerTest, AnAddedLinkResetsTheToolbarSoThatItShows) {
    setEntries({link("Bookmarks")});
    openWindow();
    choose(typePopup(), "Files");
    choose(activePopup(), "Active only");
    controller->searchField.lock()->setStringValue("zzz");
    filter()->setConfigTableViewSearchString("zzz");
    ASSERT_EQ(store()->URLHandler()->addURLToDatabase("https://new.example/", "New", ""), AddModifyURLResult::success);
    EXPECT_EQ(activePopup()->titleOfSelectedItem(), "All entries");
    EXPECT_EQ(typePopup()->titleOfSelectedItem(), "URLs");
    EXPECT_EQ(controller->searchField.lock()->stringValue(), "");
    EXPECT_EQ(filter()->configTableViewSearchString(), "");
    EXPECT_EQ(listedNames(), (Strings{"Bookmarks", "New"}));
    EXPECT_EQ(table->numberOfRows(), 2);
}

TEST_F(ConfigWindowControllerTest, AddedFilesResetTheToolbarToEverything) {
    setEntries({link("Bookmarks")});
    openWindow();
    choose(typePopup(), "URLs");
    choose(activePopup(), "Inactive only");
    const std::vector<platform::URL> dropped = {platform::URL::fileURL(file("notes.txt"))};
    store()->filesystemHandler()->addDroppedFilesystemObjects(dropped, "");
    EXPECT_EQ(activePopup()->titleOfSelectedItem(), "All entries");
    EXPECT_EQ(typePopup()->titleOfSelectedItem(), "All types");
    EXPECT_EQ(listedNames().size(), 2u);
}

TEST_F(ConfigWindowControllerTest, ReopeningShowsTheFilterChosenLastTime) {
    setEntries({link("Bookmarks")});
    openWindow();
    choose(typePopup(), "Folders");
    choose(activePopup(), "Inactive only");
    kit::makeKey(controller->window());
    chooseSearchFor(controller->searchField.lock(), "Path");
    closeWindow();
    openWindow();
    EXPECT_EQ(typePopup()->titleOfSelectedItem(), "Folders");
    EXPECT_EQ(activePopup()->titleOfSelectedItem(), "Inactive only");
    EXPECT_EQ(controller->searchField.lock()->placeholderString(), "Path");
}

TEST_F(ConfigWindowControllerTest, PopupsALayoutFilledKeepTheirItemsAndAreMatchedByTitle) {
    auto window = std::make_shared<platform::Window>();
    auto wc = std::make_shared<ConfigWindowController>();
    wc->setWindow(window);
    auto type = std::make_shared<platform::PopUpButton>();
    type->addItemsWithTitles({"Folders", "Something else"});
    auto active = std::make_shared<platform::PopUpButton>();
    wc->filterPopupButton = type;
    wc->activePopupButton = active;
    wc->windowDidLoad();
    EXPECT_EQ(type->itemTitles(), (Strings{"Folders", "Something else"}));
    EXPECT_EQ(active->numberOfItems(), 3u);
    type->selectItemWithTitle("Folders");
    wc->configFilterPopupButton();
    EXPECT_EQ(filter()->configTableViewFilterType(), ConfigEnumFilterType::folders);
    type->selectItemWithTitle("Something else");
    wc->configFilterPopupButton();
    EXPECT_EQ(filter()->configTableViewFilterType(), ConfigEnumFilterType::all);
}

TEST_F(ConfigWindowControllerTest, TheTagsDialogOpensOnlyOverAnEntryTable) {
    int made = 0;
    platform::SceneRegistry::shared()->registerScene(
        FreltWindow::getStoryBoardAsString(FreltWindowEnum::tags),
        FreltWindow::getWindowControllerIdentifier(FreltWindowEnum::tags), [&made]() -> std::shared_ptr<platform::Object> {
            ++made;
            return nullptr;
        });
    auto window = std::make_shared<platform::Window>();
    auto wc = std::make_shared<ConfigWindowController>();
    wc->setWindow(window);
    wc->setContentViewController(std::make_shared<ConfigSplitViewController>());
    wc->configModifyTags();
    EXPECT_EQ(made, 0);
    setEntries({link("Bookmarks")});
    openWindow();
    controller->configModifyTags();
    EXPECT_EQ(made, 1);
}

TEST_F(ConfigWindowControllerTest, AddLinkShowsAnEmptyLinkDialogAsASheetOnTheWindow) {
    openWindow();
    controller->configAddURL();
    ASSERT_EQ(split->presentedViewControllers().size(), 1u);
    const auto dialog = std::dynamic_pointer_cast<ConfigViewControllerAddModifyURL>(split->presentedViewControllers().front());
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->referenceTableViewItem) << "it adds, it does not modify";
}

TEST_F(ConfigWindowControllerTest, TheSidebarButtonHidesAndShowsTheInspector) {
    setEntries({link("Bookmarks")});
    openWindow();
    const auto pane = inspector->view();
    EXPECT_FALSE(pane->isHidden());
    controller->showSidebar(nullptr);
    EXPECT_TRUE(pane->isHidden());
    EXPECT_EQ(content->view()->frame().width(), split->view()->frame().width()) << "the table takes the room";
    controller->showSidebar(nullptr);
    EXPECT_FALSE(pane->isHidden());
}

}  // namespace
