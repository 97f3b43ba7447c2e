#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include <unicode/utf8.h>

#include "markdown/MarkdownColors.h"
#include "markdown/MarkdownRenderer.h"
#include "markdown/MarkdownText.h"
#include "platform/foundation/Process.h"
#include "support/FreltTest.h"

namespace frelt {
namespace {

using platform::AttributedString;
using platform::Color;

// Gives every style object a colour of its own so that a run tells which
// style drew it, and describes runs compactly:
//   "text|colour[,B][,I][,mono][,size=N][,link=…][,strike][,ul][,para(…)][,image=…]"
class MarkdownRendererTest : public FreltTest {
protected:
    static constexpr const char* kNames[] = {"h1", "h2", "h3", "h4", "h5", "h6", "body",
                                             "quote", "link", "bold", "italic", "code", "strike"};

    std::shared_ptr<MarkdownRenderer> makeRenderer(const std::string& text) {
        auto r = std::make_shared<MarkdownRenderer>(text);
        FontProperties* styles[] = {r->h1.get(), r->h2.get(), r->h3.get(), r->h4.get(), r->h5.get(),
                                    r->h6.get(), r->body.get(), r->blockquotes.get(), r->link.get(),
                                    r->bold.get(), r->italic.get(), r->code.get(), r->strikethrough.get()};
        for (int i = 0; i < 13; ++i) styles[i]->color = Color::calibratedWhite(i / 100.0);
        r->code->fontName = platform::Font::monospacedSystemFontName;
        return r;
    }

    static std::string colourName(const std::optional<Color>& c) {
        if (!c) return "none";
        for (int i = 0; i < 13; ++i)
            if (*c == Color::calibratedWhite(i / 100.0)) return kNames[i];
        return "other";
    }

    static std::vector<std::string> describe(const AttributedString& s) {
        std::vector<std::string> out;
        for (const auto& run : s.runs()) {
            const auto& a = run.attributes;
            std::ostringstream d;
            d << s.string().substr(run.range.location, run.range.length);
            if (a.attachment) {
                d << "|image=" << a.attachment->imageName;
                out.push_back(d.str());
                continue;
            }
            d << "|" << colourName(a.foregroundColor);
            if (a.font) {
                if (a.font->isBold()) d << ",B";
                if (a.font->isItalic()) d << ",I";
                if (a.font->fontName() == platform::Font::monospacedSystemFontName) d << ",mono";
                if (a.font->pointSize() != platform::Font::systemFontSize) d << ",size=" << a.font->pointSize();
            }
            if (a.link) d << ",link=" << *a.link;
            if (a.strikethroughStyle) d << ",strike";
            if (a.underlineStyle) d << ",ul=" << colourName(a.underlineColor);
            if (a.paragraphStyle && *a.paragraphStyle != platform::ParagraphStyle{}) {
                const auto& p = *a.paragraphStyle;
                d << ",para(";
                if (p.alignment != platform::TextAlignment::Natural) d << "align=" << static_cast<int>(p.alignment) << " ";
                d << "head=" << p.headIndent << " first=" << p.firstLineHeadIndent;
                if (p.tabStops != platform::ParagraphStyle::defaultTabStops())
                    d << " tabs=" << p.tabStops.size() << "@" << (p.tabStops.empty() ? 0 : p.tabStops[0].location)
                      << "/" << p.defaultTabInterval;
                d << ")";
            }
            out.push_back(d.str());
        }
        return out;
    }
};

struct RenderCase {
    const char* name;
    std::string markdown;
    std::string text;
    std::vector<std::string> runs;
    std::function<void(MarkdownRenderer&)> setup = nullptr;
};

const std::string kList = ",para(head=30 first=0 tabs=2@30/30)";
const std::string kList1 = ",para(head=60 first=0 tabs=2@30/30)";
const std::string kList2 = ",para(head=90 first=0 tabs=2@30/30)";

TEST_F(MarkdownRendererTest, MarkdownBecomesTextAndRuns) {
    const std::vector<RenderCase> cases = {
        {"paragraphs keep their blank line", "a\n\nb", "a\n\nb", {"a|body", "\n\n|none", "b|body"}},
        {"reference definitions leave nothing", "a\n\n[r]: http://x\nb", "a\n\nb", {"a|body", "\n\n|none", "b|body"}},
        {"ordered items are numbered", "1. a\n1. b\n1. c", "1.\ta\n2.\tb\n3.\tc",
         {"1.\ta|body" + kList, "\n|none", "2.\tb|body" + kList, "\n|none", "3.\tc|body" + kList}},
        {"an empty line restarts numbering", "1. a\n\n1. b", "1.\ta\n\n1.\tb",
         {"1.\ta|body" + kList, "\n\n|none", "1.\tb|body" + kList}},
        {"an unordered item restarts numbering", "1. a\n- b\n1. c", "1.\ta\n\u30FB\tb\n1.\tc",
         {"1.\ta|body" + kList, "\n|none", "\u30FB\tb|body" + kList, "\n|none", "1.\tc|body" + kList}},
        {"nested items keep the top count", "1. a\n\t1. b\n1. c", "1.\ta\n\t1.\tb\n2.\tc",
         {"1.\ta|body" + kList, "\n|none", "\t1.\tb|body" + kList1, "\n|none", "2.\tc|body" + kList}},
        {"first-order bullets advance the first-order count", "\t1. a\n\t- b\n\t1. c",
         "\t1.\ta\n\t\u30FB\tb\n\t3.\tc",
         {"\t1.\ta|body" + kList1, "\n|none", "\t\u30FB\tb|body" + kList1, "\n|none", "\t3.\tc|body" + kList1}},
        {"second-order items", "\t\t- a\n\t\t1. b", "\t\t\u30FB\ta\n\t\t2.\tb",
         {"\t\t\u30FB\ta|body" + kList2, "\n|none", "\t\t2.\tb|body" + kList2}},
        {"own bullet", "* a", "-\ta", {"-\ta|body" + kList}, [](MarkdownRenderer& r) { r.bullet = "-"; }},
        {"quote is indented", "> q", "q", {"q|quote,para(head=20 first=20)"}},
        {"code block is tokenised and indented", "    x *y*", "x y",
         {"x |code,mono,para(head=0 first=20)", "y|italic,I,mono,para(head=0 first=20)"}},
        {"headings take their style", "# T\n## U", "T\nU", {"T|h1", "\n|none", "U|h2"}},
        {"setext headings", "T\n===", "T", {"T|h1"}},
        {"heading alignment", "### T\nb", "T\nb", {"T|h3,para(align=2 head=0 first=0)", "\n|none", "b|body"},
         [](MarkdownRenderer& r) { r.h3->alignment = platform::TextAlignment::Center; }},
        {"bold and italic together draw bold", "***x***", "x", {"x|bold,B"}},
        {"italic heading keeps its slant in bold runs", "# a **b**", "a b", {"a |h1,I", "b|bold,B,I"},
         [](MarkdownRenderer& r) { r.h1->fontStyle = FontStyle::italic; }},
        {"link", "[t](http://u)", "t", {"t|link,link=http://u"}},
        {"underlined link", "[t](u)", "t", {"t|link,link=u,ul=link"},
         [](MarkdownRenderer& r) { r.underlineLinks = true; }},
        {"referenced link", "[t][r]\n[r]: http://ref", "t", {"t|link,link=http://ref"}},
        {"emphasis in a link takes the link font", "[*t*](u)", "t", {"t|link,link=u"}},
        {"code in a link keeps the target", "[`c`](u)", "c", {"c|code,mono,link=u"}},
        {"strikethrough", "~~s~~ `c`", "s c", {"s|strike,strike", " |body", "c|code,mono"}},
        {"image becomes an attachment", "a ![logo](frelt) b", "a \xEF\xBF\xBC b",
         {"a |body", "\xEF\xBF\xBC|image=frelt", " b|body"}},
        {"sizes of the style objects", "a **b**", "a b", {"a |body,size=14", "b|bold,B"},
         [](MarkdownRenderer& r) { r.body->fontSize = 14; }},
        {"a list item that looks like a definition disappears", "- [x]: y\nz", "z", {"z|body"}},
        {"front matter is not shown", "---\ntitle: T\n---\nbody", "body", {"body|body"}},
    };
    for (const auto& c : cases) {
        auto r = makeRenderer(c.markdown);
        if (c.setup) c.setup(*r);
        auto out = r->attributedString();
        EXPECT_EQ(out.string(), c.text) << c.name;
        EXPECT_EQ(describe(out), c.runs) << c.name;
    }
}

TEST_F(MarkdownRendererTest, FoundTokensAreTheLinesOwnWithoutListLabels) {
    auto r = makeRenderer("1. a *b*\n- c\n\n[r]: http://x\nd");
    const auto out = r->attributedString();
    EXPECT_EQ(out.string(), "1.\ta b\n\u30FB\tc\n\nd");
    std::vector<std::string> found;
    for (const auto& token : r->previouslyFoundTokens()) found.push_back(token.outputString());
    EXPECT_EQ(found, (std::vector<std::string>{"a ", "b", "c", "", "d"}));
    // Rendering again finds the same tokens, not twice as many.
    r->attributedString();
    EXPECT_EQ(r->previouslyFoundTokens().size(), found.size());
}

TEST_F(MarkdownRendererTest, DefaultsAreTheSystemFontInTheLabelColour) {
    MarkdownRenderer r("# a\nb *c* `d` [e](f)");
    auto rendered = r.attributedString();
    for (const auto& run : rendered.runs()) {
        if (run.attributes.font) {
            EXPECT_EQ(run.attributes.font->fontName(), platform::Font::systemFontName);
            EXPECT_EQ(run.attributes.font->pointSize(), platform::Font::systemFontSize);
            EXPECT_EQ(*run.attributes.foregroundColor, markdown_colors::labelColor());
        }
    }
    EXPECT_EQ(r.bullet, "\u30FB");
    EXPECT_FALSE(r.underlineLinks);
}

TEST_F(MarkdownRendererTest, FontsFallBackAndCombineTraits) {
    auto r = makeRenderer("");
    MarkdownLine heading("x", lineStyling(MarkdownLineStyle::h2));
    r->body->fontName = "monospace";
    EXPECT_EQ(r->font(heading).fontName(), "monospace");  // a heading without a name takes body's
    r->h2->fontName = "no such font";
    r->h2->fontSize = 20;
    EXPECT_EQ(r->font(heading), platform::Font::systemFont(20));  // not body's font
    r->h2->fontStyle = FontStyle::boldItalic;
    EXPECT_TRUE(r->font(heading).isBold() && r->font(heading).isItalic());

    MarkdownLine bodyLine("x", lineStyling(MarkdownLineStyle::body));
    r->body->fontSize = 14;
    EXPECT_EQ(r->font(bodyLine, CharacterStyle::bold).pointSize(), platform::Font::systemFontSize);
    r->bold->fontSize = 16;
    EXPECT_EQ(r->font(bodyLine, CharacterStyle::bold).pointSize(), 16);
    EXPECT_EQ(r->font(bodyLine, CharacterStyle::strikethrough).pointSize(), 14);

    MarkdownLine codeLine("x", lineStyling(MarkdownLineStyle::codeblock));
    EXPECT_EQ(r->color(codeLine), r->code->color);
    EXPECT_EQ(r->font(codeLine).fontName(), platform::Font::monospacedSystemFontName);

    r->setAllFontSizes(9);
    EXPECT_EQ(r->blockquotes->fontSize, 9);
    EXPECT_EQ(r->strikethrough->fontSize, 9);
}

TEST_F(MarkdownRendererTest, UnderlineColourIsTakenAtFirstRead) {
    MarkdownRenderer r("");
    r.link->color = Color::calibratedWhite(0.5);
    EXPECT_EQ(r.link->underlineColor(), Color::calibratedWhite(0.5));
    r.link->color = Color::calibratedWhite(0.7);
    EXPECT_EQ(r.link->underlineColor(), Color::calibratedWhite(0.5));
}

TEST_F(MarkdownRendererTest, RenderingAgainGivesTheSameText) {
    auto r = makeRenderer("1. a\ntext\n1. b\n1. c");
    auto first = r->attributedString();
    EXPECT_EQ(r->attributedString(), first);
    EXPECT_EQ(first.string(), "1.\ta\ntext\n1.\tb\n2.\tc");
    EXPECT_EQ(r->attributedString("other").string(), "other");
    EXPECT_EQ(r->string, "other");
}

TEST_F(MarkdownRendererTest, ReferenceDefinitionsParse) {
    auto r = makeRenderer("[a][k] [b][l] [c][m]\n[k]: one ]: two\n[ l ]:  spaced  \n[m]: first\n[m]: second");
    auto runs = describe(r->attributedString());
    EXPECT_EQ(runs, (std::vector<std::string>{"a|link,link=one", " |body", "b|link,link=spaced", " |body",
                                              "c|link,link=second"}));
}

TEST_F(MarkdownRendererTest, FilesMustBeUTF8) {
    auto good = root() / "good.md";
    auto bad = root() / "bad.md";
    std::ofstream(good) << "# Title";
    std::ofstream(bad) << "caf\xE9";
    auto r = MarkdownRenderer::fromURL(good.string());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->attributedString().string(), "Title");
    EXPECT_FALSE(MarkdownRenderer::fromURL(bad.string()));
    EXPECT_FALSE(MarkdownRenderer::fromURL((root() / "missing.md").string()));
    // A folder where the file should be is unreadable, not a reason to abort.
    std::filesystem::create_directories(root() / "folder.md");
    EXPECT_FALSE(MarkdownRenderer::fromURL((root() / "folder.md").string()));
}

// Lists start with the bullet; a machine set up by scripts/install-deps has
// a font that draws it, so it never shows as a missing-glyph box.
TEST_F(MarkdownRendererTest, SomeInstalledFontDrawsTheListBullet) {
    const char* fcList = "/usr/bin/fc-list";
    if (!std::filesystem::exists(fcList)) GTEST_SKIP() << "needs fc-list (fontconfig) to ask which fonts draw it";
    MarkdownRenderer renderer("- item");
    ASSERT_NE(renderer.attributedString().string().find(renderer.bullet), std::string::npos);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(renderer.bullet.data());
    const auto length = static_cast<std::int32_t>(renderer.bullet.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        ASSERT_GE(c, 0);
        char charset[32];
        std::snprintf(charset, sizeof charset, ":charset=%x", static_cast<unsigned>(c));
        auto result = platform::Process::run(fcList, {charset, "family"});
        ASSERT_TRUE(result);
        EXPECT_FALSE(result->standardOutput.empty())
            << "no installed font has U+" << std::hex << static_cast<unsigned>(c) << " (scripts/install-deps installs one)";
    }
}

TEST(MarkdownTextTest, InvalidUTF8IsReplacedSequenceBySequenceAndTheRestKept) {
    const std::string bad = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"\xC3\xA4 \xE2\x9C\x93 \xF0\x9F\x98\x80", "\xC3\xA4 \xE2\x9C\x93 \xF0\x9F\x98\x80"},
        {"\xFF" "abc", bad + "abc"},
        {"ab\xFF" "cd", "ab" + bad + "cd"},
        {"abc\xFF", "abc" + bad},
        {"a\xFF\xFE" "b", "a" + bad + bad + "b"},
        {"a\xE2\x9C", "a" + bad},                       // cut short at the end
        {"a\xE2\x9C" "b\xC3\xA4", "a" + bad + "b\xC3\xA4"},  // cut short before more text
        {"\xC0\xAF", bad + bad},                          // overlong
        {"x\xC3\xA4\xFFy\xC3\xA4", "x\xC3\xA4" + bad + "y\xC3\xA4"},
    };
    for (const auto& [input, repaired] : cases) EXPECT_EQ(markdown_text::validUTF8(input), repaired) << input;
}

TEST_F(MarkdownRendererTest, InvalidUTF8InAStringIsRepaired) {
    MarkdownRenderer r("a\xFF*b*");
    auto out = r.attributedString();
    EXPECT_EQ(out.string(), "a\xEF\xBF\xBD" "b");
}

}  // namespace
}  // namespace frelt

namespace frelt {
namespace {

// Timing and debug output are switched on by the presence of their variables.
class MarkdownLoggingTest : public FreltTest {
protected:
    static constexpr const char* kVariables[] = {
        "MarkdownRendererPerformanceLogging", "MarkdownLineProcessorPerformanceLogging",
        "MarkdownTokeniserPerformanceLogging", "MarkdownScannerScannerPerformanceLogging", "MarkdownTokeniserLogging"};
    void TearDown() override {
        for (const char* v : kVariables) unsetenv(v);
        FreltTest::TearDown();
    }
    bool logged(const std::string& subsystem, const std::string& category, const std::string& prefix) {
        for (const auto& r : logs().records())
            if (r.subsystem == subsystem && r.category == category && r.message.rfind(prefix, 0) == 0) return true;
        return false;
    }
};

TEST_F(MarkdownLoggingTest, EnvironmentVariablesSwitchOnTheirLogs) {
    MarkdownRenderer("*a*").attributedString();
    EXPECT_TRUE(logs().records().empty());

    for (const char* v : kVariables) setenv(v, "", 1);
    {
        MarkdownRenderer renderer("*a*");
        renderer.attributedString();
    }
    EXPECT_TRUE(logged("MarkdownRenderer", "Markdown Renderer Performance", "--- TIMER Markdown Renderer began"));
    EXPECT_TRUE(logged("MarkdownLineProcessor", "Markdown Line Processor Performance", "TIMER Line Processor: "));
    EXPECT_TRUE(logged("MarkdownTokeniser", "Peformance", "--- TIMER Tokeniser Total Run Time finished"));
    EXPECT_TRUE(logged("MarkdownScanner", "Markdown Scanner Scanner Peformance", "TIMER Scanner: "));
    EXPECT_TRUE(logged("MarkdownTokeniser", "Tokenising", "RULE: Character Rule with Open tag: *"));
    EXPECT_TRUE(logged("MarkdownTokeniser", "Tokenising", "=====RULE PROCESSING COMPLETE====="));
}

}  // namespace
}  // namespace frelt
