// The add or modify URL dialog: opened and filled by the URL handler, saving
// through it, its refusals, and the URL field's helpers.

#include "settings/panes/ConfigViewControllerAddModifyURL.h"

#include <gtest/gtest.h>

#include "PaneTestSupport.h"
#include "app/FreltWindowEnum.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/TextView.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "sources/urls/URLManager.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"
#include "support/KitHarness.h"

using namespace frelt;
using Dialog = ConfigViewControllerAddModifyURL;

namespace {

class AddModifyURLDialogTest : public PaneTest {
protected:
    static std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    static DatastorageHandlerURLObjects& handler() { return *store()->URLHandler(); }

    // The dialog the handler opened in its own window.
    static std::shared_ptr<Dialog> openDialog() {
        for (const auto& window : platform::Application::shared()->windows())
            if (window->isVisible())
                if (auto dialog = std::dynamic_pointer_cast<Dialog>(window->contentViewController())) return dialog;
        return nullptr;
    }
    static bool dialogWindowVisible(const std::shared_ptr<Dialog>& dialog) {
        const auto window = dialog->view()->window();
        return window && window->isVisible();
    }
    static std::string text(const std::weak_ptr<CustomTextField>& field) { return field.lock()->stringValue(); }
    static void setText(const std::weak_ptr<CustomTextField>& field, const std::string& value) {
        field.lock()->setStringValue(value);
    }
    static std::string error(const std::shared_ptr<Dialog>& dialog) {
        const auto label = dialog->errorLabel.lock();
        return label->isHidden() ? std::string() : label->stringValue();
    }
    static std::vector<std::string> entries() {
        std::vector<std::string> out;
        for (const auto& e : store()->allData()->toVector()) {
            std::string tags;
            for (const auto& t : e->tags()) tags += " #" + t;
            out.push_back(e->name() + " | " + e->path() + " | " + e->comment() + tags);
        }
        return out;
    }
};

TEST_F(AddModifyURLDialogTest, AddingProposesTheURLWithItsHostAndSavesTheTrimmedTextsWithTheTag) {
    handler().showAddURLDialog("https://www.example.org/page", nullptr, std::string("Work"));
    const auto dialog = openDialog();
    ASSERT_TRUE(dialog) << "the handler shows the dialog in its own window";
    EXPECT_EQ(text(dialog->textFieldSiteURL), "https://www.example.org/page");
    EXPECT_EQ(text(dialog->textFieldSiteTitle), "www.example.org");
    EXPECT_EQ(text(dialog->textFieldSiteComment), "");
    EXPECT_EQ(dialog->urlTextStats.lock()->stringValue(), "28 (max.: 3072)");

    setText(dialog->textFieldSiteTitle, "  Example\t");
    setText(dialog->textFieldSiteComment, " the start page ");
    PostCounter posts(Notifications::datastorageURLAddedOrModified);
    dialog->performAction("buttonOKClick:", nullptr);
    EXPECT_EQ(entries(), std::vector<std::string>{"Example | https://www.example.org/page | the start page #Work"});
    EXPECT_EQ(posts.count, 1);
    EXPECT_FALSE(dialogWindowVisible(dialog)) << "a successful save closes the dialog";

    // Shown again for another link, it begins empty and forgot the tag.
    handler().showAddURLDialog("not a link", nullptr);
    const auto again = openDialog();
    ASSERT_EQ(again, dialog) << "the kind's one window is reused";
    EXPECT_EQ(text(again->textFieldSiteURL), "");
    EXPECT_EQ(text(again->textFieldSiteTitle), "");
    EXPECT_FALSE(again->newOrModifyTag.has_value());
    EXPECT_FALSE(again->urlTest.lock()->isEnabled());
}

TEST_F(AddModifyURLDialogTest, RefusalsShowTheirMessageForThreeSecondsAndKeepTheDialogOpen) {
    store()->addToAllData(TableViewItem::initForURL("https://taken.example.org", "Taken", ""));
    handler().showAddURLDialog("", nullptr);
    const auto dialog = openDialog();
    ASSERT_TRUE(dialog);

    struct Case {
        const char* url;
        const char* title;
        const char* message;
    };
    const Case cases[] = {
        {"tel:0123456789", "", "Please enter a title."},
        {"no scheme at all", "Title", "The URL cannot be evaluated. Please correct the URL."},
        {"https://TAKEN.example.org", "Mine", "An entry with this URL already exists ..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        setText(dialog->textFieldSiteURL, c.url);
        setText(dialog->textFieldSiteTitle, c.title);
        dialog->performAction("buttonOKClick:", nullptr);
        EXPECT_EQ(error(dialog), c.message);
        EXPECT_EQ(dialog->errorLabel.lock()->textColor(), platform::Color::named("System", "systemRedColor"));
        EXPECT_TRUE(dialogWindowVisible(dialog));
        advance(3.0);
        EXPECT_EQ(error(dialog), "") << "the line goes after three seconds";
    }
    EXPECT_EQ(entries().size(), 1u);

    // A second refusal within the three seconds: the first timer hides it early.
    setText(dialog->textFieldSiteURL, "tel:0123456789");
    setText(dialog->textFieldSiteTitle, "");
    dialog->performAction("buttonOKClick:", nullptr);
    advance(2.0);
    setText(dialog->textFieldSiteURL, "no scheme");
    dialog->performAction("buttonOKClick:", nullptr);
    EXPECT_EQ(error(dialog), "The URL cannot be evaluated. Please correct the URL.");
    advance(1.0);
    EXPECT_EQ(error(dialog), "");

    // A busy store refuses without a word.
    setText(dialog->textFieldSiteURL, "https://busy.example.org");
    store()->setState(DatastorageState::rebuildData);
    dialog->performAction("buttonOKClick:", nullptr);
    store()->setState(DatastorageState::idle);
    EXPECT_EQ(error(dialog), "");
    EXPECT_TRUE(dialogWindowVisible(dialog));

    dialog->performAction("buttonCancelClick:", nullptr);
    EXPECT_FALSE(dialogWindowVisible(dialog));
    EXPECT_EQ(entries().size(), 1u);
}

TEST_F(AddModifyURLDialogTest, ModifyingAsASheetLoadsTheEntryAndChangesItOnlyWhenSomethingDiffers) {
    const auto entry = TableViewItem::initForURL("https://example.org/a", "A", "first");
    store()->addToAllData(entry);
    auto presenter = std::make_shared<platform::ViewController>();
    show(presenter);

    handler().showModifyURLDialog(entry, presenter);
    ASSERT_EQ(presenter->presentedViewControllers().size(), 1u);
    const auto dialog = std::dynamic_pointer_cast<Dialog>(presenter->presentedViewControllers().front());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(text(dialog->textFieldSiteURL), "https://example.org/a");
    EXPECT_EQ(text(dialog->textFieldSiteTitle), "A");
    EXPECT_EQ(text(dialog->textFieldSiteComment), "first");

    PostCounter posts(Notifications::datastorageURLAddedOrModified);
    dialog->performAction("buttonOKClick:", nullptr);
    EXPECT_EQ(posts.count, 0) << "nothing differed: the store is not touched";
    EXPECT_TRUE(presenter->presentedViewControllers().empty()) << "the sheet is dismissed";
    EXPECT_EQ(dialog->referenceTableViewItem, nullptr) << "closing forgets the entry";

    handler().showModifyURLDialog(entry, presenter);
    const auto second = std::dynamic_pointer_cast<Dialog>(presenter->presentedViewControllers().at(0));
    setText(second->textFieldSiteURL, " https://example.org/b\t");
    setText(second->textFieldSiteTitle, "B ");
    second->performAction("buttonOKClick:", nullptr);
    EXPECT_EQ(entries(), std::vector<std::string>{"B | https://example.org/b | first"});
    EXPECT_EQ(posts.count, 1);
}

TEST_F(AddModifyURLDialogTest, TheTestButtonNeedsFourCharactersAndThePreviewWaitsForTheEndOfEditing) {
    const auto application = makeApplication("browser.desktop", "Browser");
    workspace->defaultApplications["https://example.org"] = platform::URL::fileURL(application);
    handler().showAddURLDialog("", nullptr);
    const auto dialog = openDialog();
    ASSERT_TRUE(dialog);
    const auto window = dialog->view()->window();
    kit::makeKey(window);
    window->makeFirstResponder(dialog->textFieldSiteURL.lock());
    EXPECT_TRUE(dialog->urlInsertPlaceholder.lock()->isEnabled()) << "usable while the URL is edited";

    kit::typeText("htt");
    EXPECT_FALSE(dialog->urlTest.lock()->isEnabled());
    EXPECT_EQ(dialog->urlTextStats.lock()->stringValue(), "3 (max.: 3072)");
    kit::typeText("ps://example.org");
    EXPECT_TRUE(dialog->urlTest.lock()->isEnabled());
    EXPECT_EQ(dialog->urlHostPath.lock()->stringValue(), "") << "no preview while typing";
    EXPECT_EQ(dialog->urlHostImage.lock()->image(), platform::Image::imageNamed("toolbar_question"));

    kit::pressKey(platform::keycode::tab, "\t");
    EXPECT_EQ(dialog->urlHostPath.lock()->stringValue(), application);
    EXPECT_TRUE(dialog->urlTest.lock()->isEnabled());
    EXPECT_FALSE(dialog->urlInsertPlaceholder.lock()->isEnabled());

    // Trying opens the trimmed URL and saves nothing.
    setText(dialog->textFieldSiteURL, "  https://example.org/x  ");
    dialog->performAction("buttonURLTestClick:", nullptr);
    EXPECT_TRUE(runUntil([&] { return !workspace->calls().empty() && workspace->callDescriptions().back().find("openURL") == 0; }));
    EXPECT_NE(workspace->callDescriptions().back().find("https://example.org/x"), std::string::npos);
    EXPECT_TRUE(entries().empty());
}

TEST_F(AddModifyURLDialogTest, APlaceholderReplacesTheSelectionAndATemplateTheWholeURL) {
    auto manager = URLManager::shared();
    manager->urlTemplates = {std::make_shared<urlTemplateData>("Search", "https://search.example.org/?q=%%userInput%%"),
                             std::make_shared<urlTemplateData>("", "https://incomplete.example.org")};
    handler().showAddURLDialog("", nullptr);
    const auto dialog = openDialog();
    ASSERT_TRUE(dialog);
    ASSERT_EQ(dialog->templateMenu->numberOfItems(), 1u) << "incomplete templates are not offered";
    EXPECT_EQ(dialog->placeholderMenu->itemAtIndex(1)->title(), "SelectFileObjects-Placeholder");

    const auto window = dialog->view()->window();
    kit::makeKey(window);
    window->makeFirstResponder(dialog->textFieldSiteURL.lock());
    kit::typeText("https://x.org/?f=ABC&g=1");
    const auto editor = dialog->textFieldSiteURL.lock()->currentEditor();
    ASSERT_TRUE(editor);
    editor->setSelectedRange({17, 3});
    script->chooseMenuItem("SelectFileObjects-Placeholder");
    dialog->performAction("buttonURLInsertPlaceholderClick:", nullptr);
    EXPECT_EQ(text(dialog->textFieldSiteURL), "https://x.org/?f=%%selectedFileObjects%%&g=1");
    EXPECT_TRUE(dialog->textFieldSiteURL.lock()->currentEditor()) << "the edit goes on";

    script->chooseMenuItem("Search");
    dialog->performAction("buttonURLReplaceWithTemplateClick:", nullptr);
    EXPECT_EQ(text(dialog->textFieldSiteURL), "https://search.example.org/?q=%%userInput%%");

    // An item left over from a longer list points nowhere: nothing changes.
    auto stale = std::make_shared<platform::MenuItem>();
    stale->setTag(5);
    dialog->performAction("mnu_ReplaceWithTemplate:", stale);
    dialog->performAction("mnu_InsertPlaceholder:", stale);
    EXPECT_EQ(text(dialog->textFieldSiteURL), "https://search.example.org/?q=%%userInput%%");
}

// The URL shows in the colours of its parts when the dialog opens, and takes
// new ones at every key while the edit and its cursor go on.
TEST_F(AddModifyURLDialogTest, TheURLIsColouredWhenShownAndAsItIsTyped) {
    const URLAttributedStringParser parser;
    handler().showAddURLDialog("https://www.example.org/page", nullptr);
    const auto dialog = openDialog();
    ASSERT_TRUE(dialog);
    const auto field = dialog->textFieldSiteURL.lock();
    EXPECT_EQ(field->attributedStringValue(), parser.attributedString("https://www.example.org/page"));

    const auto window = dialog->view()->window();
    kit::makeKey(window);
    window->makeFirstResponder(field);
    kit::pressKey(platform::keycode::rightArrow);
    for (const std::string typed : {"?", "q", "=", "%%userInput%%"}) kit::typeText(typed);
    const std::string url = "https://www.example.org/page?q=%%userInput%%";
    const auto editor = field->currentEditor();
    ASSERT_TRUE(editor) << "colouring ends no edit";
    const auto* shown = std::any_cast<platform::AttributedString>(&editor->attributedString());
    ASSERT_TRUE(shown) << "the text being typed is coloured";
    EXPECT_EQ(*shown, parser.attributedString(url));
    EXPECT_EQ(editor->selectedRange(), (platform::TextRange{url.size(), 0})) << "the cursor stays where typing left it";

    kit::pressKey(platform::keycode::tab, "\t");
    EXPECT_FALSE(field->currentEditor());
    EXPECT_EQ(field->attributedStringValue(), parser.attributedString(url));
    EXPECT_EQ(field->attributedStringValue().attributesAt(url.find('%')).attributes.underlineStyle, 1)
        << "the placeholder is underlined";
}

}  // namespace
