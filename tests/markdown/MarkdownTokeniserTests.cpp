#include <gtest/gtest.h>

#include <set>

#include "markdown/MarkdownRuleTables.h"
#include "markdown/MarkdownScanner.h"
#include "markdown/MarkdownStyleTypes.h"
#include "markdown/MarkdownTokeniser.h"
#include "support/FreltTest.h"

namespace frelt {
namespace {

using CS = CharacterStyle;

struct TokenRun {
    std::string text;
    std::vector<CS> styles;
    std::vector<std::string> metadata;
    bool operator==(const TokenRun&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TokenRun& r) {
    os << "(\"" << r.text << "\" [";
    for (auto s : r.styles) os << describe(s) << " ";
    os << "] {";
    for (const auto& m : r.metadata) os << "\"" << m << "\" ";
    return os << "})";
}

std::vector<TokenRun> runs(const std::vector<Token>& tokens) {
    std::vector<TokenRun> out;
    for (const auto& t : tokens) {
        TokenRun r{t.outputString(), {}, t.metadataStrings};
        for (const auto& s : t.characterStyles) r.styles.push_back(asCharacterStyle(*s).value_or(CS::none));
        out.push_back(std::move(r));
    }
    return out;
}

class MarkdownTokeniserTest : public FreltTest {};

struct TokenCase {
    const char* name;
    std::string line;
    std::vector<TokenRun> tokens;
};

// The renderer's character rules applied to single lines.
TEST_F(MarkdownTokeniserTest, LinesBecomeStyledRuns) {
    const std::vector<TokenCase> cases = {
        {"plain words are one run", "plain words here", {{"plain words here", {}, {}}}},
        {"bold in the middle", "a **b** c", {{"a ", {}, {}}, {"b", {CS::bold}, {""}}, {" c", {}, {}}}},
        {"italic with asterisks", "*i*", {{"i", {CS::italic}, {""}}}},
        {"italic with underscores", "_i_", {{"i", {CS::italic}, {""}}}},
        {"bold with underscores", "__b__", {{"b", {CS::bold}, {""}}}},
        {"three make bold and italic", "***bi***", {{"bi", {CS::bold, CS::italic}, {""}}}},
        {"lone asterisk stays", "a * b", {{"a * b", {}, {}}}},
        {"markers inside a word pair", "a*b*c", {{"a", {}, {}}, {"b", {CS::italic}, {""}}, {"c", {}, {}}}},
        {"a closing-looking run opens", "word* and word*", {{"word", {}, {}}, {" and word", {CS::italic}, {""}}}},
        {"longer opening run leaves its inner marker", "**a*", {{"*a", {CS::italic}, {""}}}},
        {"longer closing run leaves its outer marker", "*a**", {{"a", {CS::italic}, {""}}, {"*", {}, {}}}},
        {"unbalanced opening stays text", "**a", {{"**a", {}, {}}}},
        {"unclosed emphasis stays text", "a *b c", {{"a *b c", {}, {}}}},
        {"single tildes stay text", "~a~", {{"~a~", {}, {}}}},
        {"double tildes strike", "~~a~~", {{"a", {CS::strikethrough}, {""}}}},
        {"code protects emphasis", "`*a*`", {{"*a*", {CS::code}, {""}}}},
        {"code beside emphasis", "`x` *y*", {{"x", {CS::code}, {""}}, {" ", {}, {}}, {"y", {CS::italic}, {""}}}},
        {"unbalanced code stays text", "`a``", {{"`a``", {}, {}}}},
        {"link", "see [text](http://x.org) now",
         {{"see ", {}, {}}, {"text", {CS::link}, {"http://x.org"}}, {" now", {}, {}}}},
        {"bold inside a link", "[a **b**](u)", {{"a ", {CS::link}, {"u"}}, {"b", {CS::link, CS::bold}, {"u", ""}}}},
        {"known reference", "[text][ref]", {{"text", {CS::link}, {"http://ref"}}}},
        {"unknown reference keeps the style", "[text][nope]", {{"text", {CS::link}, {""}}}},
        {"image", "![logo](frelt)", {{"logo", {CS::image}, {"frelt"}}}},
        {"referenced image", "![logo][img]", {{"logo", {CS::image}, {"icon"}}}},
        {"bracket without target stays text", "[text] (x)", {{"[text] (x)", {}, {}}}},
        {"bracket at the end stays text", "[text]", {{"[text]", {}, {}}}},
        {"parenthesis in link text spoils the link", "[a (b)](c)", {{"[a (b)](c)", {}, {}}}},
        {"inner group breaks, outer link forms", "[a [b] c](d)", {{"a [b] c", {CS::link}, {"d"}}}},
        {"empty link text disappears", "x[](u)y", {{"x", {}, {}}, {"y", {}, {}}}},
        {"escape keeps the marker", "\\*a*", {{"*a*", {}, {}}}},
        {"escaped bracket", "\\[a](b)", {{"[a](b)", {}, {}}}},
        {"only markers yield nothing", "[](x)", {}},
        // The inner run lies across a link boundary: it stays a tag and
        // vanishes, while the outer one never closes and shows.
        {"outside marker paired with one inside a link", "*a [b* c](u)",
         {{"*a ", {}, {}}, {"b", {CS::link}, {"u"}}, {" c", {CS::link}, {"u"}}}},
        {"empty line", "", {{"", {}, {}}}},
        // A carriage return with its line feed is one character, a break
        // before the marker; combining marks stay on their letters.
        {"carriage return and line feed", "a\r\n*b*", {{"a\r\n", {}, {}}, {"b", {CS::italic}, {""}}}},
        {"lone carriage return", "a\r*b*", {{"a\r", {}, {}}, {"b", {CS::italic}, {""}}}},
        {"letters with combining marks", "e\u0301*e\u0301*", {{"e\u0301", {}, {}}, {"e\u0301", {CS::italic}, {""}}}},
        {"marker after a character beyond ASCII", "\u00e9 **\u4e2d**", {{"\u00e9 ", {}, {}}, {"\u4e2d", {CS::bold}, {""}}}},
    };
    MarkdownTokeniser tokeniser(markdown_rules::defaultCharacterRules());
    tokeniser.metadataLookup = {{"ref", "http://ref"}, {"img", "icon"}};
    for (const auto& c : cases) EXPECT_EQ(runs(tokeniser.process(c.line)), c.tokens) << c.name;
}

TEST_F(MarkdownTokeniserTest, ShortStrikeRunsAreReported) {
    MarkdownTokeniser tokeniser(markdown_rules::defaultCharacterRules());
    tokeniser.process("~a~");
    EXPECT_TRUE(logs().contains("Tag does not meet minimum length"));
}

TEST_F(MarkdownTokeniserTest, WithoutRulesTheLineIsOneToken) {
    MarkdownTokeniser tokeniser({});
    EXPECT_EQ(runs(tokeniser.process("a *b* c")), (std::vector<TokenRun>{{"a *b* c", {}, {}}}));
}

TEST_F(MarkdownTokeniserTest, TokensAreFreshStringTokens) {
    MarkdownTokeniser tokeniser(markdown_rules::defaultCharacterRules());
    std::set<std::string> ids;
    for (int i = 0; i < 2; ++i) {
        for (const auto& t : tokeniser.process("a *b* c")) {
            EXPECT_EQ(t.type, TokenType::string);
            EXPECT_EQ(t.count, 0);
            EXPECT_EQ(t.tokenIndex, -1);
            EXPECT_TRUE(t.children.empty());
            EXPECT_TRUE(ids.insert(t.id).second);
        }
    }
}

// A rule whose style table lacks a count must not hang the scanner.
TEST_F(MarkdownTokeniserTest, SplittingStylesEndsForTablesWithoutACount) {
    using T = CharacterRuleTagType;
    std::vector<CharacterRule> rules{
        CharacterRule({"+", T::repeating}, {}, {"\\"}, {{3, characterStyling(CS::bold)}}, 1, 3, false, false, false,
                      false),
        CharacterRule({"%", T::repeating}, {}, {"\\"}, {{1, characterStyling(CS::italic)}}, 0, 0, false, false, false,
                      false),
    };
    MarkdownTokeniser tokeniser(rules);
    EXPECT_EQ(runs(tokeniser.process("+a+ +++b+++ %c%")),
              (std::vector<TokenRun>{{"a", {}, {""}}, {" ", {}, {}}, {"b", {CS::bold}, {""}}, {" ", {}, {}}, {"c", {CS::italic}, {""}}}));
}

TEST(TokenTest, OutputStringByType) {
    Token stars(TokenType::repeatingTag, "**");
    EXPECT_EQ(stars.count, 2);
    EXPECT_EQ(stars.outputString(), "**");
    stars.count = 1;
    EXPECT_EQ(stars.outputString(), "*");
    stars.count = 0;
    EXPECT_EQ(stars.outputString(), "");

    Token text(TokenType::string, "long text");
    EXPECT_EQ(text.count, 0);
    text.isMetadata = true;
    EXPECT_EQ(text.outputString(), "");
    Token close(TokenType::closeTag, "]");
    close.isProcessed = true;
    EXPECT_EQ(close.outputString(), "");
    Token replacement(TokenType::replacement, "r");
    replacement.isProcessed = replacement.isMetadata = true;
    EXPECT_EQ(replacement.outputString(), "r");
    EXPECT_NE(Token(TokenType::string, "a").id, Token(TokenType::string, "a").id);
}

TEST(CharacterRuleTest, CountsAreNormalisedAndTagsFoundByType) {
    using T = CharacterRuleTagType;
    CharacterRule rule({"[", T::repeating}, {{"]", T::close}, {"(", T::metadataOpen}, {")", T::metadataClose}}, {"\\"},
                       {{1, characterStyling(CS::link)}}, 2, 1, false, true, false, false);
    EXPECT_EQ(rule.minTags(), 1);
    EXPECT_EQ(rule.maxTags(), 2);
    EXPECT_EQ(rule.tag(T::close)->tag, "]");
    EXPECT_FALSE(rule.tag(T::repeating).has_value());
    EXPECT_EQ(rule.description(), "Character Rule with Open tag: [ and current styles : [1: link] ");
    EXPECT_TRUE(characterStyling(CS::bold)->isSameStyle(*characterStyling(CS::bold)));
    EXPECT_FALSE(characterStyling(CS::bold)->isSameStyle(*characterStyling(CS::italic)));
    auto spaces = markdown_text::CharacterSet::whitespaces();
    EXPECT_TRUE(spaces.containsUnicodeScalars(""));
    EXPECT_FALSE(spaces.containsUnicodeScalars(" \tx"));
}

}  // namespace
}  // namespace frelt

namespace frelt {
namespace {

// Lines that used to take seconds or never finish: the work a line costs
// stays proportional to its length.
TEST_F(MarkdownTokeniserTest, WorkGrowsLinearlyWithTheLine) {
    auto repeated = [](const std::string& unit, std::size_t bytes) {
        std::string s;
        while (s.size() < bytes) s += unit;
        return s;
    };
    auto nested = [](std::size_t k) {
        std::string s(k, '[');
        s += "x";
        for (std::size_t i = 0; i < k; ++i) s += "](u)";
        return s;
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"emphasis runs that never close", repeated("a*b**", 64 * 1024)},
        {"alternating markers", repeated("a_b*c__d**", 32 * 1024)},
        {"links nested two thousand deep", nested(2000)},
        {"open brackets only", repeated("[a", 32 * 1024)},
        {"strike runs", repeated("a~~b~", 32 * 1024)},
    };
    MarkdownTokeniser tokeniser(markdown_rules::defaultCharacterRules());
    for (const auto& [name, line] : cases) {
        MarkdownScanner::work() = 0;
        const auto tokens = tokeniser.process(line);
        EXPECT_FALSE(tokens.empty()) << name;
        EXPECT_LE(MarkdownScanner::work(), 40 * line.size()) << name << ": " << line.size() << " bytes";
    }
}

TEST_F(MarkdownTokeniserTest, DeeplyNestedLinksStyleOnlyTheInnermostLevels) {
    std::string line(MarkdownScanner::maxOpenGroups + 8, '[');
    line += "x";
    for (std::size_t i = 0; i < MarkdownScanner::maxOpenGroups + 8; ++i) line += "](u)";
    MarkdownTokeniser tokeniser(markdown_rules::defaultCharacterRules());
    const auto tokens = tokeniser.process(line);
    std::size_t mostStyles = 0;
    for (const auto& t : tokens) mostStyles = std::max(mostStyles, t.characterStyles.size());
    EXPECT_GE(mostStyles, 1u);
    EXPECT_LE(mostStyles, MarkdownScanner::maxOpenGroups);
}

}  // namespace
}  // namespace frelt
