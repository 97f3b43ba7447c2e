#include <gtest/gtest.h>

#include <fstream>

#include "markdown/CustomMarkdownTextView.h"
#include "markdown/MarkdownColors.h"
#include "platform/foundation/Paths.h"
#include "support/FreltTest.h"

namespace frelt {
namespace {

using platform::Font;
using platform::TextAlignment;

class CustomMarkdownTextViewTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        folder_ = root() / "resources";
        std::filesystem::create_directories(folder_);
        CustomMarkdownTextView::setResourceFolder(folder_);
    }
    void TearDown() override {
        CustomMarkdownTextView::setResourceFolder(std::nullopt);
        FreltTest::TearDown();
    }
    void write(const std::string& name, const std::string& text) { std::ofstream(folder_ / name) << text; }

    std::filesystem::path folder_;
};

TEST_F(CustomMarkdownTextViewTest, ShowingWithoutADocumentChangesNothing) {
    auto view = std::make_shared<CustomMarkdownTextView>();
    view->setString("before");
    view->showMarkdown(MarkdownStyles::info);
    EXPECT_FALSE(view->style().has_value());
    EXPECT_EQ(view->string(), "before");

    write("empty.md", "");
    view->loadMarkdown("empty.md");
    ASSERT_TRUE(view->markdown());
    view->showMarkdown(MarkdownStyles::info);
    EXPECT_EQ(view->string(), "before");
}

TEST_F(CustomMarkdownTextViewTest, ShowsOneReadOnlyCopyOfTheRendering) {
    write("page.md", "# Title\nSome *text*.");
    auto view = std::make_shared<CustomMarkdownTextView>();
    view->loadMarkdown("page.md");
    view->showMarkdown(MarkdownStyles::info);
    view->showMarkdown(MarkdownStyles::info);
    EXPECT_EQ(view->string(), "Title\nSome text.");
    ASSERT_NE(view->renderedText(), nullptr);
    EXPECT_EQ(view->renderedText()->string(), view->string());
    EXPECT_FALSE(view->isEditable());
    EXPECT_TRUE(view->isSelectable());
    EXPECT_EQ(view->style(), MarkdownStyles::info);
    view->insertText("typed");
    EXPECT_EQ(view->string(), "Title\nSome text.");
}

TEST_F(CustomMarkdownTextViewTest, LoadingKeepsOrDropsTheDocument) {
    write("page.md", "text");
    write("latin1.md", "caf\xE9");
    auto view = std::make_shared<CustomMarkdownTextView>();
    view->loadMarkdown("page.md");
    auto first = view->markdown();
    view->loadMarkdown("missing.md");
    view->loadMarkdown(std::nullopt);
    view->loadMarkdown("../page.md");
    EXPECT_EQ(view->markdown(), first);
    view->loadMarkdown("latin1.md");
    EXPECT_EQ(view->markdown(), nullptr);
}

TEST_F(CustomMarkdownTextViewTest, PresetsSetSizesAlignmentsAndColours) {
    struct Case {
        MarkdownStyles preset;
        double body, h3, h2, h1;
        TextAlignment headings, bodyAlignment;
    };
    const double sys = Font::systemFontSize, small = Font::smallSystemFontSize;
    const std::vector<Case> cases = {
        {MarkdownStyles::whatsNew, sys, sys + 2, sys + 4, sys + 6, TextAlignment::Left, TextAlignment::Left},
        {MarkdownStyles::info, sys, sys + 2, sys + 4, sys + 6, TextAlignment::Left, TextAlignment::Left},
        {MarkdownStyles::panelCentered, sys, sys + 2, sys + 4, sys + 6, TextAlignment::Center, TextAlignment::Center},
        {MarkdownStyles::panelLeft, sys, sys + 2, sys + 4, sys + 6, TextAlignment::Left, TextAlignment::Left},
        {MarkdownStyles::help, small, small + 2, small + 4, small + 6, TextAlignment::Left, TextAlignment::Left},
        {MarkdownStyles::hotkeyOverview, sys, sys + 1, sys + 2, sys + 3, TextAlignment::Center, TextAlignment::Left},
    };
    write("page.md", "# A\n## B\n### C\nbody *i* `c`");
    const auto orange = *markdown_colors::namedColor("quandorOrange");
    for (const auto& c : cases) {
        auto view = std::make_shared<CustomMarkdownTextView>();
        view->loadMarkdown("page.md");
        view->showMarkdown(c.preset);
        auto& r = *view->markdown();
        EXPECT_EQ(r.body->fontSize, c.body);
        EXPECT_EQ(r.h3->fontSize, c.h3);
        EXPECT_EQ(r.h2->fontSize, c.h2);
        EXPECT_EQ(r.h1->fontSize, c.h1);
        for (auto* h : {r.h1.get(), r.h2.get(), r.h3.get()}) {
            EXPECT_EQ(h->alignment, c.headings);
            EXPECT_EQ(h->color, orange);
            EXPECT_EQ(h->fontStyle, FontStyle::bold);
        }
        EXPECT_EQ(r.body->alignment, c.bodyAlignment);
        EXPECT_EQ(r.h4->fontSize, 0);  // untouched
        EXPECT_EQ(r.strikethrough->fontName, Font::systemFontName);

        const auto& runs = view->renderedText()->runs();
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(runs.front().attributes.font, Font::systemFont(c.h1).withSymbolicTraits({.bold = true}));
        EXPECT_EQ(runs.front().attributes.foregroundColor, orange);
    }
}

TEST_F(CustomMarkdownTextViewTest, HotkeyOverviewHidesItalicAndUsesMonospacedLinkColouredBody) {
    write("keys.md", "body *hidden*");
    auto view = std::make_shared<CustomMarkdownTextView>();
    view->loadMarkdown("keys.md");
    view->showMarkdown(MarkdownStyles::hotkeyOverview);
    const auto& runs = view->renderedText()->runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].attributes.font->fontName(), Font::monospacedSystemFontName);
    EXPECT_EQ(runs[0].attributes.foregroundColor, markdown_colors::linkColor());
    EXPECT_EQ(runs[1].attributes.foregroundColor, platform::Color::clear());
    EXPECT_EQ(view->string(), "body hidden");  // it keeps its room

    // A later preset leaves what it does not set: italic stays invisible.
    view->showMarkdown(MarkdownStyles::info);
    EXPECT_EQ(view->markdown()->italic->color, platform::Color::clear());
}

// Every help text the program shows renders into styled text with its markup gone.
// An installed program finds its help texts where `make install-desktop`
// puts them, in a data folder, as well as beside itself.
TEST_F(CustomMarkdownTextViewTest, TheInstalledResourcesAreFoundBesideTheProgramAndInTheDataFolders) {
    namespace fs = std::filesystem;
    const auto withHelp = [](const fs::path& folder) {
        fs::create_directories(folder);
        std::ofstream(folder / "info.md") << "# Frelt\n";
        return folder;
    };
    const fs::path program = root() / "opt/bin";
    fs::create_directories(program);
    const fs::path systemData = platform::Paths::dataDirs().at(0) / "frelt/resources";
    const fs::path userData = platform::Paths::dataHome() / "frelt/resources";
    const fs::path none = "/usr/share/frelt/resources";

    EXPECT_EQ(CustomMarkdownTextView::installedResourceFolder(program), none) << "nothing installed anywhere";
    fs::create_directories(program / "resources");
    EXPECT_EQ(CustomMarkdownTextView::installedResourceFolder(program), none) << "a folder without help texts";
    withHelp(systemData);
    EXPECT_EQ(CustomMarkdownTextView::installedResourceFolder(program), systemData);
    withHelp(userData);
    EXPECT_EQ(CustomMarkdownTextView::installedResourceFolder(program), userData) << "the user's data folder first";
    EXPECT_EQ(CustomMarkdownTextView::installedResourceFolder({}), userData) << "no program folder known";
    const auto prefixShare = withHelp(root() / "opt/share/frelt/resources");
    EXPECT_EQ(CustomMarkdownTextView::installedResourceFolder(program), prefixShare) << "the program's own prefix";
    const auto beside = withHelp(program / "resources");
    EXPECT_EQ(CustomMarkdownTextView::installedResourceFolder(program), beside) << "beside the program first";
}

TEST_F(CustomMarkdownTextViewTest, HelpResourcesRender) {
    CustomMarkdownTextView::setResourceFolder(std::filesystem::path(FRELT_RESOURCES_DIR));
    const std::pair<const char*, MarkdownStyles> resources[] = {
        {"info.md", MarkdownStyles::info},
        {"versionhistory.md", MarkdownStyles::whatsNew},
        {"help_SandboxAccess.md", MarkdownStyles::info},
        {"help_SearchScope.md", MarkdownStyles::info},
        {"help_URLTemplates.md", MarkdownStyles::info},
        {"help_versionedBackup.md", MarkdownStyles::info},
    };
    const auto orange = *markdown_colors::namedColor("quandorOrange");
    for (const auto& [name, preset] : resources) {
        auto view = std::make_shared<CustomMarkdownTextView>();
        view->loadMarkdown(name);
        ASSERT_TRUE(view->markdown()) << name;
        if (std::string(name) == "info.md") {
            for (const char* placeholder : {"%version%", "%system%", "%debugLogging%"})
                EXPECT_NE(view->markdown()->string.find(placeholder), std::string::npos) << placeholder;
        }
        view->showMarkdown(preset);
        const auto* text = view->renderedText();
        ASSERT_NE(text, nullptr) << name;
        EXPECT_GT(text->length(), 200u) << name;
        EXPECT_EQ(text->runs().front().attributes.foregroundColor, orange) << name;
        for (const char* markup : {"**", "`", "# ", "]("}) EXPECT_EQ(text->string().find(markup), std::string::npos) << name << " " << markup;
    }
    EXPECT_FALSE(logs().contains("Tag does not meet minimum length"));
}

}  // namespace
}  // namespace frelt
