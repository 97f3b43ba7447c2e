// Text on the Qt backend is broken into lines, truncated and drawn by Qt's
// text layout: ideographs wrap at the opportunities the Unicode rules give,
// no grapheme cluster is split, and right-to-left text draws right to left
// inside the box the kit measured for it.

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TextClusters.h"
#include "support/qt/QtTestSupport.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtText.h"

using namespace platform;

namespace {

TextAttributes inSize(double size, std::optional<Color> colour = std::nullopt) {
    TextAttributes a;
    a.font = Font::systemFont(size);
    a.foregroundColor = colour;
    return a;
}

class QtTextLayoutTest : public QtKitTest {
protected:
    std::vector<std::string> linesOf(const std::string& text, double width) {
        std::vector<std::string> lines;
        for (const Range& r : metrics.lineRanges(AttributedString(text, inSize(14)), width))
            lines.push_back(text.substr(r.location, r.length));
        return lines;
    }

    qt::QtTextMetrics metrics;
};

// The same breaks as the headless metrics find at five ideographs a line:
// between ideographs, never before a closing full stop or comma.
TEST_F(QtTextLayoutTest, ACjkParagraphWrapsBetweenIdeographs) {
    const double five = metrics.advanceOfText("日本語日本", *inSize(14).font);
    ASSERT_GT(five, 0);
    EXPECT_EQ(linesOf("日本語です。次の文も折り返す。", five), (std::vector<std::string>{"日本語で", "す。次の文", "も折り返", "す。"}));
    EXPECT_EQ(linesOf("設定を開く、検索する", five), (std::vector<std::string>{"設定を開", "く、検索す", "る"}));
}

// Qt breaks and elides between clusters at every width, whatever glyphs the
// installed fonts have for them.
TEST_F(QtTextLayoutTest, NoGraphemeClusterIsEverSplitByBreakingOrTruncation) {
    textclusters::expectNoClusterIsSplit(metrics, inSize(14), 3);
}

// Qt reads a stray byte as a character of its own, so its text can be
// longer than the kit counts: the lines still cover the text, in order.
TEST_F(QtTextLayoutTest, MalformedTextBreaksIntoLinesInsideIt) {
    const std::string text = "ab\xFF\xFE\x80 cd \xE6\x97 ef gh";
    for (const double width : {1.0, 12.0, 30.0}) {
        std::size_t at = 0;
        for (const Range& r : metrics.lineRanges(AttributedString(text, inSize(14)), width)) {
            EXPECT_EQ(r.location, at) << "width " << width;
            at = r.end();
        }
        EXPECT_EQ(at, text.size()) << "width " << width;
    }
}

// The horizontal middles of the red and of the blue ink in a picture.
struct Ink {
    double red = -1, blue = -1;
    int left = 1 << 20, right = -1;
};

Ink inkOf(const QImage& image) {
    double redSum = 0, blueSum = 0;
    long reds = 0, blues = 0;
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (p.red() > 160 && p.green() < 100 && p.blue() < 100) redSum += x, ++reds;
            else if (p.blue() > 160 && p.red() < 100 && p.green() < 100) blueSum += x, ++blues;
            else continue;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
        }
    }
    if (reds) ink.red = redSum / double(reds);
    if (blues) ink.blue = blueSum / double(blues);
    return ink;
}

// A name whose first letter is styled apart (as a search match is): in
// Hebrew and Arabic the first letter is drawn at the right, in Latin at the
// left, and either way the ink stays inside the line the kit measured.
TEST_F(QtTextLayoutTest, RightToLeftTextDrawsRightToLeftInsideItsMeasuredBox) {
    struct Case {
        const char* what;
        std::string first, rest;
        bool rightToLeft;
    };
    const std::vector<Case> cases{
        {"Hebrew", "\xD7\xA9", "\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D", true},
        {"Arabic", "\xD8\xB3", "\xD9\x84\xD8\xA7\xD9\x85 \xD8\xB9\xD9\x84\xD9\x8A\xD9\x83\xD9\x85", true},
        {"Latin", "S", "halom world", false},
    };
    for (const Case& c : cases) {
        AttributedString name(c.first, inSize(24, Color::sRGB(1, 0, 0)));
        name.append(c.rest, inSize(24, Color::sRGB(0, 0, 1)));
        const Rect box(10, 10, 300, 40);
        QImage image(320, 60, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            qt::QtGraphicsContext context(painter);
            context.drawAttributedString(name, box);
        }
        const Ink ink = inkOf(image);
        ASSERT_GE(ink.red, 0) << c.what << ": the first letter drawn";
        ASSERT_GE(ink.blue, 0) << c.what << ": the rest drawn";
        if (c.rightToLeft) EXPECT_GT(ink.red, ink.blue) << c.what << ": the first letter at the right";
        else EXPECT_LT(ink.red, ink.blue) << c.what << ": the first letter at the left";
        const double width = textMetrics().advance(name, {0, name.length()});
        EXPECT_GE(ink.left, box.minX() - 1) << c.what;
        EXPECT_LE(ink.right, box.minX() + width + 1) << c.what;
    }
}

}  // namespace
