#include <gtest/gtest.h>

#include "platform/graphics/AttributedString.h"

namespace platform {
namespace {

TextAttributes withLink(const std::string& url) {
    TextAttributes a;
    a.link = url;
    return a;
}

TextAttributes withFont(const Font& f) {
    TextAttributes a;
    a.font = f;
    return a;
}

TEST(AttributedStringTest, AppendMergesEqualNeighbours) {
    AttributedString s("ab", withLink("u"));
    s.append("cd", withLink("u"));
    s.append("ef");
    ASSERT_EQ(s.runs().size(), 2u);
    EXPECT_EQ(s.runs()[0], (AttributeRun{{0, 4}, withLink("u")}));
    EXPECT_EQ(s.runs()[1], (AttributeRun{{4, 2}, {}}));
    EXPECT_EQ(s.string(), "abcdef");
    s.append(AttributedString());
    EXPECT_EQ(s.runs().size(), 2u);

    // Taking another string's runs over merges and shifts them the same way.
    AttributedString tail("gh");
    tail.append("ij", withLink("v"));
    s.append(std::move(tail));
    EXPECT_EQ(s.string(), "abcdefghij");
    ASSERT_EQ(s.runs().size(), 3u);
    EXPECT_EQ(s.runs()[1], (AttributeRun{{4, 4}, {}}));
    EXPECT_EQ(s.runs()[2], (AttributeRun{{8, 2}, withLink("v")}));
}

TEST(AttributedStringTest, AttributesOverRangesSplitAndRejoinRuns) {
    AttributedString s("hello world");
    s.addAttributes(withLink("u"), {2, 5});
    s.addAttributes(withFont(Font::systemFont(20)), {4, 5});
    EXPECT_EQ(s.runs().size(), 5u);

    auto at = s.attributesAt(5);
    EXPECT_EQ(at.range, (Range{4, 3}));
    EXPECT_EQ(at.attributes.link, "u");
    EXPECT_EQ(at.attributes.font, Font::systemFont(20));

    s.removeAttribute(AttributeKey::Font, {0, 100});
    s.removeAttribute(AttributeKey::Link, {0, s.length()});
    EXPECT_EQ(s, AttributedString("hello world"));

    s.setAttributes(withLink("x"), {6, 50});  // clamped to the text
    EXPECT_EQ(s.attributesAt(10).range, (Range{6, 5}));
    EXPECT_EQ(s.attributesAt(11).range, (Range{11, 0}));
    EXPECT_TRUE(s.attributesAt(11).attributes.empty());
}

TEST(AttributedStringTest, ReplacingAndSubstrings) {
    AttributedString s("abc", withLink("u"));
    s.replaceCharacters({1, 1}, AttributedString("XY"));
    EXPECT_EQ(s.string(), "aXYc");
    EXPECT_EQ(s.runs().size(), 3u);
    EXPECT_EQ(s.attributedSubstring({1, 2}), AttributedString("XY"));
    s.replaceCharacters({0, s.length()}, AttributedString("new", withLink("v")));
    EXPECT_EQ(s, AttributedString("new", withLink("v")));
}

TEST(AttributedStringTest, AttachmentsStandOnOneCharacter) {
    AttributedString s(TextAttachment{"icon"});
    EXPECT_EQ(s.string(), AttributedString::attachmentCharacter);
    EXPECT_EQ(s.attributesAt(0).attributes.attachment, TextAttachment{"icon"});
}

TEST(FontTest, NamesResolveThroughTheInstalledLookup) {
    EXPECT_EQ(Font::named("monospace", 12), Font::monospacedSystemFont(12, FontWeight::Regular));
    EXPECT_FALSE(Font::named("Some Font", 12).has_value());
    Font::setInstalledFontLookup([](std::string_view name) { return name == "Some Font"; });
    EXPECT_EQ(Font::named("Some Font", 12)->fontName(), "Some Font");
    Font::setInstalledFontLookup(nullptr);
    EXPECT_FALSE(Font::named("Some Font", 12).has_value());

    auto boldItalic = Font::systemFont(13).withSymbolicTraits({.bold = false, .italic = true})->withSymbolicTraits(
        {.bold = true, .italic = false});
    EXPECT_TRUE(boldItalic->isBold() && boldItalic->isItalic());
    EXPECT_EQ(boldItalic->pointSize(), 13);
    EXPECT_EQ(Font::boldSystemFont(11), Font::systemFont(11).withSymbolicTraits({.bold = true}));
}

TEST(ParagraphStyleTest, NewStylesHaveTwelveTabStops) {
    ParagraphStyle p;
    ASSERT_EQ(p.tabStops.size(), 12u);
    EXPECT_EQ(p.tabStops[11].location, 336);
    EXPECT_EQ(p.alignment, TextAlignment::Natural);
}

}  // namespace
}  // namespace platform
