// The URL templates pane: the table shows the shared list itself, adds and
// removes templates, writes edits into the template objects, and drops
// incomplete templates when it is left.

#include "settings/panes/ConfigViewControllerURLTemplates.h"

#include <gtest/gtest.h>

#include "PaneTestSupport.h"
#include "platform/appkit/TextView.h"
#include "support/KitHarness.h"

using namespace frelt;
using TemplatesPane = ConfigViewControllerURLTemplates;

namespace {

class URLTemplatesPaneTest : public PaneTest {
protected:
    void SetUp() override {
        PaneTest::SetUp();
        URLManager::shared()->urlTemplates = {std::make_shared<urlTemplateData>("Maps", "https://maps.example.org"),
                                              std::make_shared<urlTemplateData>("Wiki", "https://wiki.example.org")};
        controller = pane<TemplatesPane>(TemplatesPane::sceneIdentifier);
        ASSERT_TRUE(controller) << "the pane's scene is registered under its identifier";
    }
    static std::vector<std::string> templates() {
        std::vector<std::string> out;
        for (const auto& t : URLManager::shared()->urlTemplates) out.push_back(t->title + " | " + t->value);
        return out;
    }
    std::shared_ptr<platform::TableView> table() const { return controller->tableviewURLTemplates.lock(); }
    std::shared_ptr<TableViewCellConfigURLTemplate> cell(long row) const {
        return std::dynamic_pointer_cast<TableViewCellConfigURLTemplate>(table()->viewAtColumn(0, row, true));
    }
    std::shared_ptr<TemplatesPane> controller;
};

TEST_F(URLTemplatesPaneTest, RowsEditTheSharedTemplatesThemselves) {
    const auto window = show(controller);
    EXPECT_EQ(controller->preferredContentSize(), (platform::Size{800, 600}));
    ASSERT_EQ(table()->numberOfRows(), 2);
    const auto row = cell(1);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->currentTemplateData, URLManager::shared()->urlTemplates[1]) << "the very object, not a copy";
    EXPECT_EQ(row->textfieldURL.lock()->stringValue(), "https://wiki.example.org");
    EXPECT_EQ(row->textfieldTitle.lock()->maxLength, 3072);
    EXPECT_EQ(row->textfieldURL.lock()->maxLength, 3072);

    // Typing changes the template when the edit ends, not before. A click
    // selects the row, a second one edits the title; the right arrow goes to
    // the end of the text.
    kit::makeKey(window);
    kit::clickView(row->textfieldTitle.lock());
    EXPECT_EQ(table()->selectedRow(), 1);
    kit::clickView(row->textfieldTitle.lock());
    ASSERT_TRUE(row->textfieldTitle.lock()->currentEditor());
    kit::pressKey(platform::keycode::rightArrow);
    kit::typeText(" EN");
    EXPECT_EQ(URLManager::shared()->urlTemplates[1]->title, "Wiki");
    // Tab ends it and goes on to the URL.
    kit::pressKey(platform::keycode::tab, "\t");
    EXPECT_EQ(URLManager::shared()->urlTemplates[1]->title, "Wiki EN");
    ASSERT_TRUE(row->textfieldURL.lock()->currentEditor());

    // An edit still open when the pane is left is kept too.
    kit::pressKey(platform::keycode::rightArrow);
    kit::typeText("/en");
    window->close();
    EXPECT_EQ(templates(), (std::vector<std::string>{"Maps | https://maps.example.org",
                                                      "Wiki EN | https://wiki.example.org/en"}));
}

// Each row shows its URL in the colours of its parts, and typing in it
// colours the text anew.
TEST_F(URLTemplatesPaneTest, RowsShowTheirURLsInColourAlsoWhileTheyAreTyped) {
    const URLAttributedStringParser parser;
    const auto window = show(controller);
    const auto row = cell(1);
    ASSERT_TRUE(row);
    const auto url = row->textfieldURL.lock();
    EXPECT_EQ(url->attributedStringValue(), parser.attributedString("https://wiki.example.org"));
    EXPECT_NE(url->attributedStringValue().attributesAt(0).attributes.foregroundColor,
              url->attributedStringValue().attributesAt(9).attributes.foregroundColor)
        << "the scheme and the host differ in colour";

    kit::makeKey(window);
    kit::clickView(url);
    kit::clickView(url);
    const auto editor = url->currentEditor();
    ASSERT_TRUE(editor);
    kit::pressKey(platform::keycode::rightArrow);
    kit::typeText("/?q=x");
    const auto* shown = std::any_cast<platform::AttributedString>(&editor->attributedString());
    ASSERT_TRUE(shown) << "the text being typed is coloured";
    EXPECT_EQ(*shown, parser.attributedString("https://wiki.example.org/?q=x"));
    kit::pressKey(platform::keycode::tab, "\t");
    EXPECT_EQ(URLManager::shared()->urlTemplates[1]->value, "https://wiki.example.org/?q=x");
    EXPECT_EQ(url->attributedStringValue(), parser.attributedString("https://wiki.example.org/?q=x"));
}

TEST_F(URLTemplatesPaneTest, ANewTemplateGetsItsTitleAndURLTypedIntoItsRow) {
    auto window = show(controller);
    kit::makeKey(window);
    const auto buttons = controller->actionButtons.lock();
    kit::click(window, buttons->convertPointToWindow({buttons->bounds().width() / 4, buttons->bounds().height() / 2}));
    ASSERT_EQ(table()->numberOfRows(), 3);
    // A double click on the new, empty row edits its title; Tab goes to its
    // URL, Return ends there.
    const auto row = cell(2);
    kit::click(window, kit::centerInWindow(*row->textfieldTitle.lock()));
    kit::click(window, kit::centerInWindow(*row->textfieldTitle.lock()), 0, 2);
    ASSERT_TRUE(row->textfieldTitle.lock()->currentEditor());
    kit::typeText("Search");
    kit::pressKey(platform::keycode::tab, "\t");
    kit::typeText("https://search.example.org/?q={query}");
    kit::pressKey(platform::keycode::returnKey, "\r");
    window->close();
    EXPECT_EQ(templates(), (std::vector<std::string>{"Maps | https://maps.example.org",
                                                      "Wiki | https://wiki.example.org",
                                                      "Search | https://search.example.org/?q={query}"}))
        << "kept where it was added";
}

TEST_F(URLTemplatesPaneTest, ATemplateLeftIncompleteIsDroppedWhenThePaneIsLeft) {
    auto window = show(controller);
    press(controller->actionButtons, 0);
    ASSERT_EQ(table()->numberOfRows(), 3);
    EXPECT_EQ(cell(2)->currentTemplateData->title, "");
    EXPECT_EQ(table()->numberOfSelectedRows(), 0) << "the new row waits, unselected";
    // The first template's URL is emptied by the user: a click selects the
    // row, a second edits the URL, Command-A and Delete empty it, Return ends.
    kit::makeKey(window);
    const auto url = cell(0)->textfieldURL.lock();
    kit::clickView(url);
    kit::clickView(url);
    ASSERT_TRUE(url->currentEditor());
    kit::pressShortcut('a', platform::modifierflags::command);
    kit::pressKey(platform::keycode::deleteKey);
    kit::pressKey(platform::keycode::returnKey, "\r");
    window->close();
    EXPECT_EQ(templates(), std::vector<std::string>{"Wiki | https://wiki.example.org"});
}

TEST_F(URLTemplatesPaneTest, RemovingNeedsATemplateAndASelectedRow) {
    URLManager::shared()->urlTemplates.clear();
    show(controller);
    EXPECT_FALSE(controller->actionButtons.lock()->isEnabledForSegment(1)) << "nothing to remove";

    press(controller->actionButtons, 0);
    press(controller->actionButtons, 0);
    EXPECT_TRUE(controller->actionButtons.lock()->isEnabledForSegment(1));
    press(controller->actionButtons, 1);
    EXPECT_EQ(table()->numberOfRows(), 2) << "no row selected: nothing removed";

    URLManager::shared()->urlTemplates[0]->title = "first";
    table()->selectRowIndexes(platform::IndexSet{1}, false);
    press(controller->actionButtons, 1);
    ASSERT_EQ(URLManager::shared()->urlTemplates.size(), 1u);
    EXPECT_EQ(URLManager::shared()->urlTemplates[0]->title, "first");
    EXPECT_EQ(table()->numberOfRows(), 1);
}

}  // namespace
