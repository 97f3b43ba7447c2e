#include "platform/foundation/RegularExpression.h"

#include <gtest/gtest.h>

using platform::RegularExpression;
using platform::TextRange;

namespace {

// The placeholder patterns of URL templates, exactly as the program keeps them.
const std::string userInputPattern = R"(\%{2}userInput(\:(?<question>[\w\d\s]*))?\%{2})";
const std::string selectedFileObjectsPattern = R"(\%{2}selectedFileObjects\%{2})";

RegularExpression compile(const std::string& pattern, std::uint32_t options = 0) {
    std::string error;
    auto re = RegularExpression::make(pattern, options, &error);
    EXPECT_TRUE(re) << error;
    return *re;
}

}  // namespace

TEST(RegularExpressionTest, PlaceholderPatternsFindTheirPlaceholders) {
    ASSERT_EQ(userInputPattern.size(), 46u);
    ASSERT_EQ(selectedFileObjectsPattern.size(), 29u);
    const auto userInput = compile(userInputPattern);
    const auto selected = compile(selectedFileObjectsPattern);

    const std::string url = "x-search://find?q=%%userInput:Search term%%&in=%%selectedFileObjects%%";
    auto questions = userInput.matches(url);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].range(), (TextRange{18, 25}));
    EXPECT_EQ(questions[0].substring(url), "%%userInput:Search term%%");
    EXPECT_EQ(questions[0].substring(url, "question"), "Search term");

    auto paths = selected.matches(url);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].range(), (TextRange{47, 23}));

    // Without a colon the named group takes no part; with an empty question it is empty.
    auto plain = userInput.firstMatch("a://%%userInput%%");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->rangeWithName("question").found());
    auto empty = userInput.firstMatch("a://%%userInput:%%");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->rangeWithName("question"), (TextRange{16, 0}));

    // Not placeholders: punctuation in the question, another spelling.
    EXPECT_EQ(userInput.numberOfMatches("a://%%userInput:What?%%"), 0u);
    EXPECT_EQ(userInput.numberOfMatches("a://%%UserInput%%"), 0u);
    EXPECT_EQ(userInput.numberOfMatches("a://%%userInput:One%%/%%userInput:Two%%"), 2u);
}

TEST(RegularExpressionTest, RangesAreByteOffsetsIntoUtf8Text) {
    const auto selected = compile(selectedFileObjectsPattern);
    const std::string text = "ä→%%selectedFileObjects%%ü";  // ä: 2 bytes, →: 3 bytes
    auto match = selected.firstMatch(text);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->range(), (TextRange{5, 23}));
    std::string removed = text;
    removed.erase(match->range().location, match->range().length);
    EXPECT_EQ(removed, "ä→ü");

    const auto word = compile(R"(\w+)");
    auto words = word.matches("größe ñandú");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].substring("größe ñandú"), "größe");
    EXPECT_EQ(words[1].substring("größe ñandú"), "ñandú");
}

TEST(RegularExpressionTest, SearchesOnlyWithinTheGivenRange) {
    const auto digits = compile(R"(\d+)");
    const std::string text = "12 345 6789";
    EXPECT_EQ(digits.numberOfMatches(text), 3u);
    EXPECT_EQ(digits.numberOfMatches(text, TextRange{3, 8}), 2u);
    // A match is cut at the range's end.
    EXPECT_EQ(digits.rangeOfFirstMatch(text, TextRange{3, 2}), (TextRange{3, 2}));
    // A range running past the end is cut at the end; one beyond it finds nothing.
    EXPECT_EQ(digits.numberOfMatches(text, TextRange{7, 100}), 1u);
    EXPECT_EQ(digits.numberOfMatches(text, TextRange{12, 1}), 0u);
    EXPECT_FALSE(digits.rangeOfFirstMatch("none").found());

    // ^ matches at the range's start unless anchoring bounds are switched off.
    const auto start = compile(R"(^\d+)");
    EXPECT_EQ(start.numberOfMatches(text, TextRange{3, 3}), 1u);
    EXPECT_EQ(start.numberOfMatches(text, TextRange{3, 3}, RegularExpression::withoutAnchoringBounds), 0u);
    // Anchored: only a match at the start of the range.
    EXPECT_EQ(digits.numberOfMatches(text, TextRange{2, 9}, RegularExpression::anchored), 0u);
    EXPECT_EQ(digits.numberOfMatches(text, TextRange{3, 8}, RegularExpression::anchored), 1u);
}

TEST(RegularExpressionTest, OptionsChangeTheMeaningOfThePattern) {
    struct Case {
        std::string pattern;
        std::uint32_t options;
        std::string text;
        std::size_t expected;
    };
    const Case cases[] = {
        {"abc", 0, "ABC abc", 1},
        {"abc", RegularExpression::caseInsensitive, "ABC abc", 2},
        {"straße", RegularExpression::caseInsensitive, "STRASSE", 1},
        {"^x$", 0, "x\nx", 0},
        {"^x$", RegularExpression::anchorsMatchLines, "x\nx", 2},
        {"a.b", 0, "a\nb", 0},
        {"a.b", RegularExpression::dotMatchesLineSeparators, "a\nb", 1},
        {"a.b", RegularExpression::ignoreMetacharacters, "axb a.b", 1},
        {"a b # a comment", RegularExpression::allowCommentsAndWhitespace, "ab a b", 1},
        {"(", RegularExpression::ignoreMetacharacters, "((", 2},
    };
    for (const auto& c : cases) {
        const auto re = compile(c.pattern, c.options);
        EXPECT_EQ(re.numberOfMatches(c.text), c.expected) << c.pattern << " options " << c.options;
    }
}

TEST(RegularExpressionTest, InvalidPatternIsAnErrorWithAReason) {
    for (const std::string pattern : {"(", "[a-", "a{2,1}", "(?<name>a)(?<name>b)", "\\"}) {
        std::string error;
        EXPECT_FALSE(RegularExpression::make(pattern, 0, &error)) << pattern;
        EXPECT_NE(error.find("invalid regular expression"), std::string::npos) << error;
    }
}

TEST(RegularExpressionTest, WholeStringMatchAndEmptyMatches) {
    const auto scheme = compile("^(.*:).*");
    EXPECT_TRUE(scheme.matchesEntirely("x-app://x"));
    EXPECT_FALSE(scheme.matchesEntirely("no scheme here"));
    EXPECT_FALSE(scheme.matchesEntirely("a:b\nc"));  // "." stops at a line break
    EXPECT_FALSE(compile("ab").matchesEntirely("abc"));

    // Empty matches advance through the text instead of looping.
    EXPECT_EQ(compile("a*").numberOfMatches("baaa"), 3u);
    EXPECT_EQ(compile("x*").numberOfMatches(""), 1u);
}

TEST(RegularExpressionTest, ReplacesMatchesWithATemplate) {
    const auto pair = compile(R"((\w+)=(\w+))");
    EXPECT_EQ(pair.stringByReplacingMatches("a=1, b=2", "$2<-$1"), "1<-a, 2<-b");
    EXPECT_EQ(pair.stringByReplacingMatches("a=1", "[$0]"), "[a=1]");
    EXPECT_EQ(pair.stringByReplacingMatches("a=1", R"(\$1 costs \\ $1)"), R"($1 costs \ a)");
    // Digits are taken only while they name a group: $12 is group 1 and "2".
    EXPECT_EQ(pair.stringByReplacingMatches("a=1", "$12"), "a2");
    // A group beyond the pattern's groups, or one that took no part, is empty.
    EXPECT_EQ(pair.stringByReplacingMatches("a=1", "<$9>"), "<>");
    EXPECT_EQ(compile("(x)?y").stringByReplacingMatches("y", "<$1>"), "<>");
    // A dollar not followed by a digit stays.
    EXPECT_EQ(pair.stringByReplacingMatches("a=1", "$x"), "$x");
    // Only matches inside the range are replaced.
    EXPECT_EQ(pair.stringByReplacingMatches("a=1 b=2", "_", TextRange{4, 3}), "a=1 _");
    // Inserting text as it stands.
    EXPECT_EQ(pair.stringByReplacingMatches("a=1", RegularExpression::escapedTemplate("$1\\")), "$1\\");
}

TEST(RegularExpressionTest, EscapedPatternMatchesItself) {
    const std::string literal = R"(a.b*c?(d)[e]{f}^$|\/+)";
    const auto re = compile(RegularExpression::escapedPattern(literal));
    EXPECT_TRUE(re.matchesEntirely(literal));
    EXPECT_FALSE(re.matchesEntirely("axb"));
}

TEST(RegularExpressionTest, CopiesShareTheCompiledPattern) {
    std::optional<platform::TextCheckingResult> match;
    {
        auto re = compile("(?<word>[a-z]+)");
        auto copy = re;
        EXPECT_EQ(copy.pattern(), "(?<word>[a-z]+)");
        EXPECT_EQ(copy.numberOfCaptureGroups(), 1u);
        match = copy.firstMatch("12 abc");
    }
    // A result outlives its expression and still knows the group names.
    ASSERT_TRUE(match);
    EXPECT_EQ(match->rangeWithName("word"), (TextRange{3, 3}));
    EXPECT_FALSE(match->rangeWithName("other").found());
    EXPECT_FALSE(match->rangeAt(5).found());
}
