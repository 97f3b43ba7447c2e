// Where the kit's text metrics break lines and cut text: at the break
// opportunities of the Unicode line-breaking rules, never inside a grapheme
// cluster, in work that grows with the text's length. The headless metrics
// give every code point 0.6 of the font size, so at 10 points a character
// is 6 wide and the expected lines can be counted by hand.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/appkit/TextMetrics.h"
#include "platform/foundation/Text.h"
#include "support/TextClusters.h"

using namespace platform;

namespace {

TextAttributes tenPoint() {
    TextAttributes a;
    a.font = Font::systemFont(10);
    return a;
}

std::vector<std::string> linesOf(TextMetrics& m, const std::string& text, double width) {
    std::vector<std::string> lines;
    for (const Range& r : m.lineRanges(AttributedString(text, tenPoint()), width)) lines.push_back(text.substr(r.location, r.length));
    return lines;
}

// Ideographs need no spaces to wrap between, and next to Latin words they
// fill the line; closing punctuation never begins a line.
TEST(TextLayout, ACjkParagraphWrapsBetweenIdeographs) {
    HeadlessTextMetrics m;
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases{
        {"ideographs only, a full stop kept with its character",
         "日本語です。次の文も折り返す。",
         {"日本語で", "す。次の文", "も折り返", "す。"}},
        {"after a Latin word and a space, the line fills with ideographs", "ab 日本語日本語", {"ab 日本", "語日本語"}},
        {"a comma stays at the end of its line", "設定を開く、検索する", {"設定を開", "く、検索す", "る"}},
    };
    for (const Case& c : cases) EXPECT_EQ(linesOf(m, c.text, 30), c.lines) << c.what;

    // Laid out as a paragraph of a help text, the same breaks.
    std::vector<std::string> laidOut;
    for (const auto& line : m.layOut(AttributedString(cases[0].text, tenPoint()), Rect(0, 0, 30, 1000)))
        laidOut.push_back(line.text.string());
    EXPECT_EQ(laidOut, cases[0].lines);
}

// An emoji sequence, a flag, a letter with its marks and a Hangul syllable
// made of jamo each show as one character: no width breaks a line inside
// one, and no truncation cuts one, in any mode.
TEST(TextLayout, NoGraphemeClusterIsEverSplit) {
    HeadlessTextMetrics m;
    textclusters::expectNoClusterIsSplit(m, tenPoint(), 6);
}

// Counts what the metrics are asked to measure.
class CountingMetrics : public HeadlessTextMetrics {
public:
    double advanceOfText(const std::string& text, const Font& font) override {
        measured += text.size();
        ++calls;
        return HeadlessTextMetrics::advanceOfText(text, font);
    }
    std::size_t measured = 0;
    std::size_t calls = 0;
};

// A paragraph of 5,000 characters is measured a few times over, not once
// per character for every character before it on its line: the work is
// counted in the bytes handed to the measuring, on narrow and on very wide
// lines (where re-measuring from the line's start would cost millions).
TEST(TextLayout, ALongParagraphIsLaidOutInWorkLinearInItsLength) {
    ParagraphStyle list;
    list.tabStops = {{TextAlignment::Left, 30}};
    list.defaultTabInterval = 60;
    struct Case {
        const char* what;
        std::string unit;
        bool tabbed = false;
    };
    const std::vector<Case> cases{
        {"prose", "lorem ipsum dolor sit amet, "},
        {"ideographs", "日本語の文章は折り返す。"},
        {"one long word", "abcdefghij"},
        {"columns between tabs", "one\ttwo\tthree ", true},
    };
    for (const Case& c : cases) {
        std::string text;
        while (text::graphemeCount(text) < 5000) text += c.unit;
        TextAttributes a = tenPoint();
        if (c.tabbed) a.paragraphStyle = list;
        const AttributedString paragraph(text, a);
        for (const double width : {360.0, 18000.0}) {
            CountingMetrics m;
            const auto lines = m.lineRanges(paragraph, width);
            EXPECT_GT(lines.size(), 1u) << c.what;
            EXPECT_LE(m.measured, 4 * text.size()) << c.what << ", lines of width " << width;

            CountingMetrics laying;
            const Size size = laying.sizeOfLaidOutText(paragraph, width);
            EXPECT_GT(size.height, 12) << c.what;
            EXPECT_LE(laying.measured, 8 * text.size()) << c.what << ", laid out at width " << width;
            EXPECT_LE(laying.calls, 8 * text.size()) << c.what;
        }
    }
}

}  // namespace
