// URL templates: which texts are URLs, how placeholders are found, asked for
// and replaced, and which characters an inserted value keeps.

#include "sources/urls/URLRegExParser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/FreltTest.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

// Answers questions from a list, in order; none answers "cancel".
struct ScriptedQuestions {
    std::vector<std::optional<std::string>> answers;
    Strings asked;
    URLQuestion asker() {
        return [this](const std::string&, const std::string& question) -> std::optional<std::string> {
            asked.push_back(question);
            if (asked.size() > answers.size()) return std::nullopt;
            return answers[asked.size() - 1];
        };
    }
};

class URLRegExParserTest : public FreltTest {};

TEST_F(URLRegExParserTest, PatternsAreTheStoredRawValues) {
    EXPECT_EQ(std::string(rawValue(URLParams::userInput)), R"(\%{2}userInput(\:(?<question>[\w\d\s]*))?\%{2})");
    EXPECT_EQ(std::string(rawValue(URLParams::selectedFileObjects)), R"(\%{2}selectedFileObjects\%{2})");
    EXPECT_EQ(std::string(rawValue(URLParams::userInput)).size(), 46u);
    EXPECT_EQ(urlParamsFromRawValue(rawValue(URLParams::selectedFileObjects)), URLParams::selectedFileObjects);
    EXPECT_EQ(urlParamsFromRawValue("%%userInput%%"), std::nullopt);
}

TEST_F(URLRegExParserTest, ParsedURLAcceptsTemplatesWhoseRestIsAURL) {
    struct Case {
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"https://example.org/search?q=%%userInput:Search term%%", true},
        {"x-app://%%userInput%%", true},
        {"mailto:someone@example.org", true},
        {"tel:01234567890", true},
        {"shortcuts://run-shortcut?name=X&input=%%selectedFileObjects%%", true},
        {"", false},
        {"no scheme at all", false},
        // Nothing is left but the placeholder: no scheme.
        {"%%userInput%%", false},
        {"https://example.org/a\nb", false},
        {"https://exa mple.org", false},
        // Not placeholders (wrong case, a question with punctuation): they
        // stay in the text, and "%%" makes it no URL.
        {"x-app://%%UserInput%%", false},
        {"x-app://%%userInput:What?%%", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = ParsedURL::make(c.text);
        EXPECT_EQ(parsed.has_value(), c.accepted);
        if (parsed) {
            ASSERT_TRUE(parsed->urlRegExParser);
            EXPECT_FALSE(parsed->url().isEmpty());
        }
    }
}

TEST_F(URLRegExParserTest, MatchesAreFoundByKindThenSortedByPosition) {
    auto parser = URLRegExParser::make("x:%%selectedFileObjects%%/%%userInput:B%%/%%userInput%%");
    ASSERT_TRUE(parser);
    parser->findMatches();
    Strings found;
    for (const auto& m : parser->regExURLMatches) found.push_back(m.value);
    EXPECT_EQ(found, (Strings{"%%userInput:B%%", "%%userInput%%", "%%selectedFileObjects%%"}));

    parser->sortMatches();
    found.clear();
    for (const auto& m : parser->regExURLMatches) found.push_back(m.value + "@" + std::to_string(m.range.location));
    EXPECT_EQ(found, (Strings{"%%selectedFileObjects%%@2", "%%userInput:B%%@26", "%%userInput%%@42"}));
    EXPECT_EQ(parser->urlStringWithoutPlaceholders(), "x://");
}

TEST_F(URLRegExParserTest, TemplatesResolveWithAnswersAndObjects) {
    struct Case {
        const char* name;
        std::string text;
        URLObjects objects;
        std::vector<std::optional<std::string>> answers;
        std::optional<std::string> resolved;
        Strings asked;
    };
    const std::vector<Case> cases = {
        {"worked example", "x-search://find?q=%%userInput:Search term%%&in=%%selectedFileObjects%%",
         Strings{"/tmp/x", "/tmp/y"}, {"a b&c"}, "x-search://find?q=a%20b%26c&in=%2Ftmp%2Fx%0A%2Ftmp%2Fy",
         {"Search term"}},
        {"question without colon or words asks with an empty question", "x-app://%%userInput%%/%%userInput:%%",
         std::nullopt, {"1", "2"}, "x-app://1/2", {"", ""}},
        {"placeholder at the start", "%%selectedFileObjects%%mailto:a@example.org", std::nullopt, {},
         "mailto:a@example.org", {}},
        {"two questions, left first, the same one twice", "x:%%userInput:Q%%-%%userInput:Q%%", std::nullopt,
         {"left", "right"}, "x:left-right", {"Q", "Q"}},
        {"an empty answer removes the placeholder", "x-app://a%%userInput%%b", std::nullopt, {""}, "x-app://ab", {""}},
        {"answers are inserted encoded", "x-app://%%userInput%%", std::nullopt, {"Az09!$'()*+,-.:=_~ ä/?;%"},
         "x-app://Az09!$'()*+,-.:=_~%20%C3%A4%2F%3F%3B%25", {""}},
        {"cancelling the first question asks nothing more", "x:%%userInput:A%%/%%userInput:B%%", std::nullopt,
         {std::nullopt, "never"}, std::nullopt, {"A"}},
        {"cancelling a later question replaces nothing", "x:%%userInput:A%%/%%userInput:B%%", std::nullopt,
         {"a", std::nullopt}, std::nullopt, {"A", "B"}},
        {"file list joined by the separator", "x-app://open?f=%%selectedFileObjects%%", Strings{"/a b", "", "/c"}, {},
         "x-app://open?f=%2Fa%20b%0A%2Fc", {}},
        {"no objects remove the placeholder", "shortcuts://run-shortcut?name=X&input=%%selectedFileObjects%%",
         std::nullopt, {}, "shortcuts://run-shortcut?name=X&input=", {}},
        {"an empty list removes it too", "x:%%selectedFileObjects%%", Strings{}, {}, "x:", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto parsed = ParsedURL::make(c.text, c.objects);
        ASSERT_TRUE(parsed);
        ScriptedQuestions questions{c.answers, {}};
        EXPECT_EQ(parsed->urlRegExParser->resolvePlaceholders("\n", questions.asker()), c.resolved);
        EXPECT_EQ(questions.asked, c.asked);
    }
}

TEST_F(URLRegExParserTest, TextBeforeAPlaceholderInAnyScriptDoesNotShiftIt) {
    // Not a URL (our URLs hold no raw non-ASCII), so the parser is used
    // directly, as the question dialog and the colouring see such texts.
    auto parser =
        URLRegExParser::make("x-app://Grüße/日本/ü?q=%%userInput:Q%%&f=%%selectedFileObjects%%", Strings{"/ä"});
    ASSERT_TRUE(parser);
    parser->findMatches();
    ScriptedQuestions questions{{"1"}, {}};
    EXPECT_EQ(parser->resolvePlaceholders("\n", questions.asker()), "x-app://Grüße/日本/ü?q=1&f=%2F%C3%A4");
    EXPECT_EQ(parser->urlStringWithoutPlaceholders(), "x-app://Grüße/日本/ü?q=&f=");
}

TEST_F(URLRegExParserTest, ResolvingAgainAsksAgain) {
    auto parsed = ParsedURL::make("x-app://%%userInput:Again%%");
    ASSERT_TRUE(parsed);
    ScriptedQuestions questions{{"a", "b"}, {}};
    EXPECT_EQ(parsed->urlRegExParser->resolvePlaceholders("\n", questions.asker()), "x-app://a");
    EXPECT_EQ(parsed->urlRegExParser->resolvePlaceholders("\n", questions.asker()), "x-app://b");
    EXPECT_EQ(questions.asked, (Strings{"Again", "Again"}));
}

TEST_F(URLRegExParserTest, OnlyCharactersEveryComponentAllowsStayUnencoded) {
    std::string kept;
    for (char c = 0x20; c < 0x7F; ++c)
        if (urlencoding::percentEncodedComponent(std::string(1, c)) == std::string(1, c)) kept += c;
    EXPECT_EQ(kept, "!$'()*+,-.0123456789:=ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~");

    EXPECT_EQ(urlencoding::percentEncodedComponent(" \n&/?;%ä"), "%20%0A%26%2F%3F%3B%25%C3%A4");
    EXPECT_FALSE(urlencoding::urlQueryValueAllowed().contains(U'&'));
    EXPECT_FALSE(urlencoding::urlQueryValueAllowed().contains(U'?'));
    EXPECT_TRUE(urlencoding::urlQueryValueAllowed().contains(U'/'));
}

}  // namespace
