#include <gtest/gtest.h>

#include "markdown/MarkdownLineProcessor.h"
#include "markdown/MarkdownRuleTables.h"
#include "markdown/MarkdownStyleTypes.h"
#include "support/FreltTest.h"

namespace frelt {
namespace {

using S = MarkdownLineStyle;

struct Expected {
    std::string text;
    S style;
    bool operator==(const Expected&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Expected& e) {
    return os << "(\"" << e.text << "\", " << describe(e.style) << ")";
}

class MarkdownLineProcessorTest : public FreltTest {
protected:
    MarkdownLineProcessor makeProcessor() {
        return MarkdownLineProcessor(markdown_rules::defaultLineRules(), lineStyling(S::body),
                                     markdown_rules::defaultFrontMatterRules());
    }

    static std::vector<Expected> run(MarkdownLineProcessor& processor, const std::string& text) {
        std::vector<Expected> out;
        for (const auto& line : processor.process(text)) {
            auto style = asMarkdownLineStyle(line.lineStyle);
            EXPECT_TRUE(style.has_value());
            out.push_back({line.line, style.value_or(S::yaml)});
        }
        return out;
    }
};

struct LineCase {
    const char* name;
    std::string text;
    std::vector<Expected> lines;
};

// The renderer's rule table, row by row, and the places where the order of the
// rows decides. Empty lines are kept as body lines, as the renderer asks.
TEST_F(MarkdownLineProcessorTest, EveryLineRuleInTableOrder) {
    const std::vector<LineCase> cases = {
        {"equals underline makes h1", "Title\n===", {{"Title", S::h1}}},
        {"hyphen underline makes h2", "Title\n---", {{"Title", S::h2}}},
        {"second-order dash item", "\t\t- a", {{"a", S::unorderedListIndentSecondOrder}}},
        {"first-order dash item", "\t- a", {{"a", S::unorderedListIndentFirstOrder}}},
        {"dash item", "- a", {{"a", S::unorderedList}}},
        {"second-order star item", "\t\t* a", {{"a", S::unorderedListIndentSecondOrder}}},
        {"first-order star item", "\t* a", {{"a", S::unorderedListIndentFirstOrder}}},
        {"second-order ordered item", "\t\t1. a", {{"a", S::orderedListIndentSecondOrder}}},
        {"first-order ordered item", "\t1. a", {{"a", S::orderedListIndentFirstOrder}}},
        {"ordered item", "1. a", {{"a", S::orderedList}}},
        {"other numbers are body", "2. a", {{"2. a", S::body}}},
        {"star item", "* a", {{"a", S::unorderedList}}},
        {"four spaces make code", "    let x = 1", {{"let x = 1", S::codeblock}}},
        {"a tab makes code", "\tlet x", {{"let x", S::codeblock}}},
        {"four spaces then dash is a top-level item", "    - a", {{"a", S::unorderedList}}},
        {"quote is trimmed", ">  quoted  ", {{"quoted", S::blockquote}}},
        {"h6", "###### x", {{"x", S::h6}}},
        {"h5", "##### x", {{"x", S::h5}}},
        {"h4", "#### x", {{"x", S::h4}}},
        {"h3", "### x", {{"x", S::h3}}},
        {"h2 with closing hashes", "## x ##", {{"x", S::h2}}},
        {"h1 with closing hash", "# x #", {{"x", S::h1}}},
        {"hash without space is body", "#word", {{"#word", S::body}}},
        {"marker in the middle is body", "a - b * c", {{"a - b * c", S::body}}},
        {"spaced equals are no underline", "a\n= =", {{"a", S::body}, {"= =", S::body}}},
        {"body is trimmed", "  text \t", {{"text", S::body}}},
        {"underline at the top stays", "===", {{"", S::previousH1}}},
        {"underline restyles a kept empty line", "a\n\n===", {{"a", S::body}, {"", S::h1}}},
        {"two underlines restyle one line", "a\n===\n---", {{"a", S::h2}}},
        {"blank lines are kept as body", "a\n\nb", {{"a", S::body}, {"", S::body}, {"b", S::body}}},
        {"empty text", "", {{"", S::body}}},
        {"carriage return and line feed end one line", "a\r\nb\rc", {{"a", S::body}, {"b", S::body}, {"c", S::body}}},
        {"every newline character ends a line", "a\u2028b", {{"a", S::body}, {"b", S::body}}},
        // A line of one to three spaces is a paragraph break: it must not turn
        // the paragraph above it into a heading.
        {"spaces under a paragraph", "para\n   ", {{"para", S::body}, {"", S::body}}},
        {"tab-and-spaces under a paragraph", "para\n \t", {{"para", S::body}, {"", S::body}}},
    };
    for (const auto& c : cases) {
        auto processor = makeProcessor();
        processor.processEmptyStrings = lineStyling(S::body);
        EXPECT_EQ(run(processor, c.text), c.lines) << c.name;
    }
}

TEST_F(MarkdownLineProcessorTest, EmptyLinesAreDroppedWithoutAnEmptyStyle) {
    auto processor = makeProcessor();
    EXPECT_TRUE(processor.process("").empty());
    EXPECT_EQ(run(processor, "a\n\nb"), (std::vector<Expected>{{"a", S::body}, {"b", S::body}}));
}

TEST_F(MarkdownLineProcessorTest, FrontMatterIsTakenOffAndItsKeysAccumulate) {
    auto processor = makeProcessor();
    processor.processEmptyStrings = lineStyling(S::body);
    EXPECT_EQ(run(processor, " --- \ntitle: A: B\nno separator\n---\n\n\nText"),
              (std::vector<Expected>{{"Text", S::body}}));
    EXPECT_EQ(processor.frontMatterAttributes(), (std::map<std::string, std::string>{{"title", " A B"}}));

    run(processor, "---\nauthor:me\n---\nx");
    EXPECT_EQ(processor.frontMatterAttributes(),
              (std::map<std::string, std::string>{{"author", "me"}, {"title", " A B"}}));
}

TEST_F(MarkdownLineProcessorTest, UnclosedFrontMatterGivesItsLinesBackAsText) {
    auto processor = makeProcessor();
    processor.processEmptyStrings = lineStyling(S::body);
    EXPECT_EQ(run(processor, "---\nkey: value\nmore"),
              (std::vector<Expected>{{"", S::previousH2}, {"key: value", S::body}, {"more", S::body}}));
    EXPECT_TRUE(processor.frontMatterAttributes().empty());
    EXPECT_EQ(run(processor, "---"), (std::vector<Expected>{{"", S::previousH2}}));
}

TEST_F(MarkdownLineProcessorTest, UntilCloseBlockHidesItsLinesAndStaysOpenAcrossCalls) {
    std::vector<LineRule> rules{LineRule("```", lineStyling(S::codeblock), Remove::entireLine, true,
                                         ChangeApplication::untilClose)};
    MarkdownLineProcessor processor(rules, lineStyling(S::body), {});
    processor.processEmptyStrings = lineStyling(S::body);
    EXPECT_EQ(run(processor, "a\n```\nhidden\n\nhidden too"), (std::vector<Expected>{{"a", S::body}, {"", S::body}}));
    ASSERT_TRUE(processor.closeToken().has_value());
    EXPECT_EQ(run(processor, "still hidden\n```\nb"), (std::vector<Expected>{{"b", S::body}}));
    EXPECT_FALSE(processor.closeToken().has_value());
}

TEST(LineRuleTest, RemovalKinds) {
    auto body = lineStyling(S::body);
    struct Case {
        LineRule rule;
        std::string candidate;
        std::string result;
    };
    const std::vector<Case> cases = {
        {LineRule("# ", body, Remove::both, true, ChangeApplication::current), "# word #", "word "},
        {LineRule("## ", body, Remove::both, true, ChangeApplication::current), "## a ####", "a ##"},
        {LineRule("=", body, Remove::entireLine, true, ChangeApplication::previous), "====", ""},
        {LineRule("=", body, Remove::entireLine, true, ChangeApplication::previous), "== =", "== ="},
        {LineRule("=", body, Remove::entireLine, true, ChangeApplication::previous), "==x", "==x"},
        {LineRule("ab", body, Remove::entireLine, true, ChangeApplication::previous), "abab", ""},
        {LineRule("ab", body, Remove::entireLine, true, ChangeApplication::previous), "baba", "baba"},
        {LineRule(" #", body, Remove::trailing, false, ChangeApplication::current), "a#", "a"},
        {LineRule("- ", body, Remove::none, true, ChangeApplication::current), "- a", "- a"},
        // A marker followed by a combining mark is another character.
        {LineRule("- ", body, Remove::leading, true, ChangeApplication::current), "- \u0301a", "- \u0301a"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.rule.removingToken(c.candidate), c.result) << c.candidate;
}

TEST(MarkdownLineTest, EqualityIgnoresTheStyle) {
    EXPECT_EQ(MarkdownLine("a", lineStyling(S::h1)), MarkdownLine("a", lineStyling(S::body)));
    EXPECT_NE(MarkdownLine("a", lineStyling(S::h1)), MarkdownLine("b", lineStyling(S::h1)));
    EXPECT_EQ(MarkdownLine("", lineStyling(S::h1)).description(), "");
}

}  // namespace
}  // namespace frelt
