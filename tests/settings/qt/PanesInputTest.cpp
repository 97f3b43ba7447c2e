// The list panes of the settings window and the link dialog worked by hand
// on the Qt backend: rows selected and edited by clicks and keys, the add
// and remove segments clicked, folders chosen in the file dialog, and the
// dialog's fields, menus and buttons.

#include <QString>

#include <filesystem>

#include "SettingsInputSupport.h"
#include "platform/appkit/TextView.h"
#include "platform/foundation/Paths.h"
#include "settings/ConfigCells.h"
#include "settings/panes/ConfigViewControllerAddModifyURL.h"
#include "settings/panes/ConfigViewControllerSandboxAccess.h"
#include "settings/panes/ConfigViewControllerSearchScope.h"
#include "settings/panes/ConfigViewControllerURLTemplates.h"
#include "settings/window/ConfigTabViewController_Settings.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "sources/urls/URLManager.h"
#include "store/DataStorage.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class PanesInputTest : public SettingsInputTest {
protected:
    // Opens the settings window and clicks the pane's tab.
    template <class Pane>
    std::shared_ptr<Pane> openPane(const std::string& scene) {
        window = show(FreltWindowEnum::settings);
        if (!window) return nullptr;
        tabs = std::dynamic_pointer_cast<ConfigTabViewController_Settings>(window->contentViewController());
        if (!tabs) return nullptr;
        for (std::size_t i = 0; i < tabs->tabViewItems().size(); ++i) {
            if (tabs->tabViewItems()[i]->identifier() != scene) continue;
            if (tabs->selectedTabViewItemIndex() != long(i)) clickSegment(tabs->tabBar.lock(), long(i));
            EXPECT_EQ(tabs->selectedTabViewItemIndex(), long(i));
            return std::dynamic_pointer_cast<Pane>(tabs->tabViewItems()[i]->viewController());
        }
        ADD_FAILURE() << "no tab " << scene;
        return nullptr;
    }
    // Leaves the pane for another tab by a click.
    void leavePane() {
        const long other = tabs->selectedTabViewItemIndex() == 0 ? 1 : 0;
        clickSegment(tabs->tabBar.lock(), other);
        ASSERT_EQ(tabs->selectedTabViewItemIndex(), other);
    }
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ConfigTabViewController_Settings> tabs;
};

// --- URL templates

class URLTemplatesInputTest : public PanesInputTest {
protected:
    void SetUp() override {
        PanesInputTest::SetUp();
        URLManager::shared()->urlTemplates = {std::make_shared<urlTemplateData>("Maps", "https://maps.example.org"),
                                              std::make_shared<urlTemplateData>("Wiki", "https://wiki.example.org")};
        pane = openPane<ConfigViewControllerURLTemplates>(ConfigViewControllerURLTemplates::sceneIdentifier);
        ASSERT_TRUE(pane);
        table = pane->tableviewURLTemplates.lock();
        ASSERT_TRUE(table);
    }
    static Strings templates() {
        Strings out;
        for (const auto& t : URLManager::shared()->urlTemplates) out.push_back(t->title + " | " + t->value);
        return out;
    }
    std::shared_ptr<TableViewCellConfigURLTemplate> cell(long row) const {
        return std::dynamic_pointer_cast<TableViewCellConfigURLTemplate>(table->viewAtColumn(0, row, true));
    }

    std::shared_ptr<ConfigViewControllerURLTemplates> pane;
    std::shared_ptr<platform::TableView> table;
};

TEST_F(URLTemplatesInputTest, TemplatesAreAddedEditedAndEmptiedInTheirRowsByClicksAndKeys) {
    // A click selects the row, a second click on its title edits it; End
    // goes to the end of the text; Tab commits and edits the URL.
    const auto wiki = cell(1);
    ASSERT_TRUE(wiki);
    clickOn(wiki->textfieldTitle.lock());
    EXPECT_EQ(table->selectedRow(), 1);
    EXPECT_FALSE(editorOf(wiki->textfieldTitle.lock())) << "the first click only selects";
    clickOn(wiki->textfieldTitle.lock());
    ASSERT_TRUE(editorOf(wiki->textfieldTitle.lock())) << "a click on the title of the selected row edits it";
    userinput::key(*window, Qt::Key_End);
    userinput::type(*window, " EN");
    EXPECT_EQ(URLManager::shared()->urlTemplates[1]->title, "Wiki") << "the edit is committed when it ends";
    userinput::key(*window, Qt::Key_Tab);
    settle();
    EXPECT_EQ(URLManager::shared()->urlTemplates[1]->title, "Wiki EN");
    ASSERT_TRUE(editorOf(wiki->textfieldURL.lock())) << "Tab goes on to the URL";
    userinput::key(*window, Qt::Key_End);
    userinput::type(*window, "/en");
    userinput::key(*window, Qt::Key_Return);
    settle();
    EXPECT_EQ(URLManager::shared()->urlTemplates[1]->value, "https://wiki.example.org/en");

    // "+" adds an empty row; a double click on it edits its title.
    clickSegment(pane->actionButtons.lock(), 0);
    ASSERT_EQ(table->numberOfRows(), 3);
    const auto added = cell(2);
    ASSERT_TRUE(added);
    userinput::doubleClick(*window, userinput::centreOf(*added->textfieldTitle.lock()));
    settle();
    ASSERT_TRUE(editorOf(added->textfieldTitle.lock())) << "a double click on a row edits it";
    userinput::type(*window, "Search");
    userinput::key(*window, Qt::Key_Tab);
    userinput::type(*window, "https://search.example.org/?q={query}");
    userinput::key(*window, Qt::Key_Return);
    settle();

    // The first template's URL emptied by hand: dropped when the pane is left.
    const auto maps = cell(0);
    clickOn(maps->textfieldURL.lock());
    EXPECT_EQ(table->selectedRow(), 0);
    clickOn(maps->textfieldURL.lock());
    ASSERT_TRUE(editorOf(maps->textfieldURL.lock()));
    userinput::key(*window, Qt::Key_A, Qt::ControlModifier);
    userinput::key(*window, Qt::Key_Backspace);
    userinput::key(*window, Qt::Key_Return);
    settle();

    leavePane();
    EXPECT_EQ(templates(), (Strings{"Wiki EN | https://wiki.example.org/en",
                                    "Search | https://search.example.org/?q={query}"}));
}

TEST_F(URLTemplatesInputTest, MinusRemovesTheRowSelectedByAClickAndNothingWithoutOne) {
    const auto segments = pane->actionButtons.lock();
    ASSERT_LT(table->selectedRow(), 0) << "the pane opens with no row selected";
    clickSegment(segments, 1);
    EXPECT_EQ(table->numberOfRows(), 2) << "without a selected row \u2212 removes nothing";

    userinput::click(*window, rowPoint(*table, 1, 2));
    settle();
    ASSERT_EQ(table->selectedRow(), 1);
    EXPECT_TRUE(segments->isEnabledForSegment(1));
    clickSegment(segments, 1);
    EXPECT_EQ(table->numberOfRows(), 1);
    leavePane();
    EXPECT_EQ(templates(), Strings{"Maps | https://maps.example.org"});
}

// --- search scope and granted locations: folders chosen in the file dialog

TEST_F(PanesInputTest, TheSearchScopeGetsAFolderChosenInTheFileDialogAndLosesTheRowSelectedByAClick) {
    std::filesystem::create_directories(platform::Paths::dataHome() / "applications");
    const auto folder = root() / "docs";
    std::filesystem::create_directories(folder);
    config().customSpotlightSearchScope = {};
    const auto pane = openPane<ConfigViewControllerSearchScope>(ConfigViewControllerSearchScope::sceneIdentifier);
    ASSERT_TRUE(pane);
    const auto table = pane->tableViewSpotlightSearchScope.lock();
    const long defaults = table->numberOfRows();

    const auto answer = userinput::answerFileDialog(QString::fromStdString(folder.string()));
    clickSegment(pane->actionButtons.lock(), 0);
    EXPECT_TRUE(runUntil([&] { return answer->done(); })) << "no file dialog showed";
    ASSERT_TRUE(runUntil([&] { return config().customSpotlightSearchScope == Strings{folder.string()}; }));
    ASSERT_EQ(table->numberOfRows(), defaults + 1);

    userinput::click(*window, rowPoint(*table, defaults, 40));
    settle();
    ASSERT_EQ(table->selectedRow(), defaults) << "a click on the folder's path selects its row";
    clickSegment(pane->actionButtons.lock(), 1);
    EXPECT_TRUE(config().customSpotlightSearchScope.empty());
    EXPECT_EQ(table->numberOfRows(), defaults);
}

TEST_F(PanesInputTest, AGrantedLocationIsAddedInTheFileDialogAndWithdrawnByClicks) {
    const auto folder = root() / "granted";
    std::filesystem::create_directories(folder);
    const auto pane = openPane<ConfigViewControllerSandboxAccess>(ConfigViewControllerSandboxAccess::sceneIdentifier);
    ASSERT_TRUE(pane);
    const auto table = pane->tableViewSandboxAccess.lock();
    const auto url = platform::URL::fileURL(folder.string(), true);
    const auto storage = SandboxFileAccess::shared()->persistanceBookmarkStorage();

    const auto answer = userinput::answerFileDialog(QString::fromStdString(folder.string()));
    clickSegment(pane->actionButtons.lock(), 0);
    EXPECT_TRUE(runUntil([&] { return answer->done(); })) << "no file dialog showed";
    ASSERT_TRUE(runUntil([&] { return storage->bookmarkData(url).has_value() && table->numberOfRows() == 1; }));

    userinput::click(*window, rowPoint(*table, 0, 60));
    settle();
    ASSERT_EQ(table->selectedRow(), 0);
    clickSegment(pane->actionButtons.lock(), 1);
    EXPECT_TRUE(runUntil([&] { return !storage->bookmarkData(url).has_value(); }));
    EXPECT_TRUE(runUntil([&] { return table->numberOfRows() == 0; }));
}

// --- the link dialog

class LinkDialogInputTest : public SettingsInputTest {
protected:
    static std::shared_ptr<ConfigViewControllerAddModifyURL> openDialog() {
        for (const auto& w : platform::Application::shared()->windows())
            if (w->isVisible())
                if (auto d = std::dynamic_pointer_cast<ConfigViewControllerAddModifyURL>(w->contentViewController()))
                    return d;
        return nullptr;
    }
    static std::shared_ptr<platform::Button> button(ConfigViewControllerAddModifyURL& dialog,
                                                    const std::string& title) {
        for (const auto& v : dialog.view()->subviews())
            if (auto b = std::dynamic_pointer_cast<platform::Button>(v); b && b->title() == title) return b;
        ADD_FAILURE() << "no button " << title;
        return nullptr;
    }
    static std::vector<std::string> entries() {
        std::vector<std::string> out;
        for (const auto& e : DataStorage::shared()->allData()->toVector())
            out.push_back(e->name() + " | " + e->path() + " | " + e->comment());
        return out;
    }
};

TEST_F(LinkDialogInputTest, ALinkIsTypedMadeFromATemplateAndAPlaceholderTriedAndSavedWithTheMouseAndKeys) {
    URLManager::shared()->urlTemplates = {std::make_shared<urlTemplateData>("Search", "https://search.example.org/?q=")};
    DataStorage::shared()->URLHandler()->showAddURLDialog("", nullptr);
    settle();
    const auto dialog = openDialog();
    ASSERT_TRUE(dialog);
    const auto window = dialog->view()->window();
    ASSERT_TRUE(window && window->isKeyWindow());

    // The title first, then Tab to the URL.
    clickOn(dialog->textFieldSiteTitle.lock());
    ASSERT_TRUE(editorOf(dialog->textFieldSiteTitle.lock()));
    userinput::type(*window, "Lookup");
    userinput::key(*window, Qt::Key_Tab);
    settle();
    ASSERT_TRUE(editorOf(dialog->textFieldSiteURL.lock())) << "Tab goes from the title to the URL";
    userinput::type(*window, "https://x.org/");

    // "Use Template" replaces the whole URL with the chosen template.
    {
        const auto answer = userinput::chooseInMenu("Search");
        clickOn(button(*dialog, "Use Template"));
        EXPECT_TRUE(answer->done()) << "no template menu showed";
    }
    EXPECT_EQ(dialog->textFieldSiteURL.lock()->stringValue(), "https://search.example.org/?q=");

    // "Insert Placeholder" puts the chosen one where the caret is.
    clickOn(dialog->textFieldSiteURL.lock());
    userinput::key(*window, Qt::Key_End);
    ASSERT_TRUE(dialog->urlInsertPlaceholder.lock()->isEnabled()) << "offered while the URL is edited";
    {
        const auto answer = userinput::chooseInMenu("SelectFileObjects-Placeholder");
        clickOn(dialog->urlInsertPlaceholder.lock());
        EXPECT_TRUE(answer->done()) << "no placeholder menu showed";
    }
    EXPECT_EQ(dialog->textFieldSiteURL.lock()->stringValue(), "https://search.example.org/?q=%%selectedFileObjects%%");

    // The comment, then "Try URL" opens it without saving.
    clickOn(dialog->textFieldSiteComment.lock());
    ASSERT_TRUE(editorOf(dialog->textFieldSiteComment.lock()));
    userinput::type(*window, "files");
    ASSERT_TRUE(dialog->urlTest.lock()->isEnabled());
    workspace->clearCalls();
    clickOn(dialog->urlTest.lock());
    EXPECT_TRUE(runUntil([&] { return !workspace->calls().empty(); })) << "Try URL opened nothing";
    EXPECT_TRUE(entries().empty());

    // OK saves and closes.
    clickOn(button(*dialog, "OK"));
    EXPECT_EQ(entries(), Strings{"Lookup | https://search.example.org/?q=%%selectedFileObjects%% | files"});
    EXPECT_FALSE(window->isVisible());
}

TEST_F(LinkDialogInputTest, CancelAndEscapeCloseWithoutSavingAndReturnSaves) {
    struct Case {
        const char* how;
        std::function<void(platform::Window&, ConfigViewControllerAddModifyURL&)> close;
        bool saved;
    };
    const std::vector<Case> cases{
        {"Cancel clicked", [](platform::Window&, ConfigViewControllerAddModifyURL& d) { clickOn(button(d, "Cancel")); },
         false},
        {"Escape", [](platform::Window& w, ConfigViewControllerAddModifyURL&) { userinput::key(w, Qt::Key_Escape); },
         false},
        {"Return", [](platform::Window& w, ConfigViewControllerAddModifyURL&) { userinput::key(w, Qt::Key_Return); },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        DataStorage::shared()->allData()->removeAll();
        DataStorage::shared()->URLHandler()->showAddURLDialog("https://kept.example.org/", nullptr);
        settle();
        const auto dialog = openDialog();
        ASSERT_TRUE(dialog);
        const auto window = dialog->view()->window();
        clickOn(dialog->textFieldSiteComment.lock());
        userinput::type(*window, "note");
        c.close(*window, *dialog);
        settle();
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(entries().size(), c.saved ? 1u : 0u);
    }
}

}  // namespace
