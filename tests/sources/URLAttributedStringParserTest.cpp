// URL colouring: which parts of a URL text get which colour.

#include "sources/urls/URLAttributedStringParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FreltTest.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

// The styled text as "piece:colour" runs, "_" marking an underline; the
// base font is checked once for every run.
Strings spans(const platform::AttributedString& styled, const platform::Font& font) {
    Strings out;
    for (const auto& run : styled.runs()) {
        const auto& a = run.attributes;
        EXPECT_EQ(a.font, font);
        std::string colour = a.foregroundColor ? a.foregroundColor->colorName() : "none";
        const std::string prefix = "system";
        if (colour.rfind(prefix, 0) == 0) colour = colour.substr(prefix.size());
        if (colour.size() > 5 && colour.compare(colour.size() - 5, 5, "Color") == 0) colour.resize(colour.size() - 5);
        if (a.underlineStyle == 1) colour += "_";
        out.push_back(styled.string().substr(run.range.location, run.range.length) + ":" + colour);
    }
    return out;
}

class URLAttributedStringParserTest : public FreltTest {
protected:
    Strings colour(const std::string& text) { return spans(parser.attributedString(text), parser.attributedStringFont); }
    URLAttributedStringParser parser;
};

TEST_F(URLAttributedStringParserTest, TheRulesInTheirOrder) {
    Strings names;
    for (const auto& rule : parser.URLAttributedStringDefinitions) names.push_back(rule.description);
    EXPECT_EQ(names, (Strings{"Scheme", "Domain", "Query", "QueryDivider1", "QueryDivider2", "Placeholder1",
                              "Placeholder2"}));
    EXPECT_EQ(parser.attributedStringFont, platform::Font::monospacedSystemFont(12, platform::FontWeight::Regular));
}

TEST_F(URLAttributedStringParserTest, ColoursOfTheExamples) {
    struct Case {
        std::string text;
        Strings spans;
    };
    const std::vector<Case> cases = {
        {"https://en.wikipedia.org/w/index.php?search=%%userInput:Search in Wikipedia%%",
         {"https:" ":Purple", "//:label", "en.wikipedia.org:Teal", "/w/index.php?:label", "search:Orange", "=:Brown",
          "%%userInput:Search in Wikipedia%%:Red_"}},
        {"things:///add?show-quick-entry=true",
         {"things::Purple", "///:label", "add:Teal", "?:label", "show-quick-entry:Orange", "=:Brown", "true:Orange"}},
        {"tel:01234567890", {"tel::Purple", "01234567890:Teal"}},
        // Two "?": everything after the first is query; a "?" right before a
        // divider is part of its match but not coloured with it.
        {"x-a://h?a=1&b??=2", {"x-a::Purple", "//:label", "h:Teal", "?:label", "a:Orange", "=:Brown", "1:Orange",
                               "&:Gray", "b??:Orange", "=:Brown", "2:Orange"}},
        // No scheme: no scheme or host colour, the rest still coloured.
        {"find?q=%%selectedFileObjects%%", {"find?:label", "q:Orange", "=:Brown", "%%selectedFileObjects%%:Red_"}},
        // A question with a hyphen is no placeholder: it keeps the query colour.
        {"x:?%%userInput:a-b%%", {"x::Purple", "?:label", "%%userInput:a-b%%:Orange"}},
        {"x:?%%userInput%%", {"x::Purple", "?:label", "%%userInput%%:Red_"}},
        // Fewer than five characters: only the base attributes.
        {"a?=&", {"a?=&:label"}},
        {"äö?=", {"äö?=:label"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(colour(c.text), c.spans);
    }
    EXPECT_TRUE(parser.attributedString("").string().empty());
}

}  // namespace
