#pragma once
// Text measurement: how wide a piece of styled text is, where it breaks into
// lines at a width, how tall it stands, and how it is cut with an ellipsis to
// fit. The desktop backend measures with its toolkit's fonts; the headless
// one with fixed advances by font size, so layout is the same on every
// machine and tests can compute it by hand.
//
// Line breaking and truncation are the kit's own, on top of one primitive
// (the advance of a stretch of text on one line), so that a backend draws
// exactly the lines that were measured.

#include <cstddef>
#include <memory>
#include <string>
#include <functional>
#include <vector>

#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/ParagraphStyle.h"

namespace platform {

// One line of laid-out text: what it shows (cut with an ellipsis when it was
// truncated), where its box starts and where its baseline lies.
struct TextLine {
    AttributedString text;
    Point origin;
    double baseline = 0;
    double width = 0;
    double height = 0;
};

struct FontMetrics {
    double ascent = 0;
    double descent = 0;
    double leading = 0;
    double lineHeight() const { return ascent + descent + leading; }
    bool operator==(const FontMetrics&) const = default;
};

// The font text without a font attribute is measured and drawn in.
Font defaultTextFont();

class TextMetrics {
public:
    virtual ~TextMetrics() = default;

    // --- what a backend measures
    virtual FontMetrics metricsForFont(const Font& font) = 0;
    // The width of `text` (no line breaks) set on one line in `font`.
    virtual double advanceOfText(const std::string& text, const Font& font) = 0;

    // The width of `range` of `text` set on one line (line breaks inside
    // count as nothing), each run in its own font and kerning.
    double advance(const AttributedString& text, Range range);

    // --- the kit's layout on top of it
    // The byte ranges of the lines `text` falls into at `width`: hard breaks
    // ("\n") always end a line (the break itself belongs to no line); a line
    // that would grow wider than `width` breaks after its last space, or
    // between characters when a single word is wider. A width <= 0 breaks at
    // hard breaks only. Empty text is one empty line.
    std::vector<Range> lineRanges(const AttributedString& text, double width);
    // The height of one line of the text's tallest font.
    double lineHeight(const AttributedString& text);
    // The size the text takes laid out at `width` (<= 0: unbounded): the
    // widest line and the lines' heights.
    Size sizeOfText(const AttributedString& text, double width);
    // The text cut to fit `width` on one line with "…" at the head, the
    // tail or the middle (other modes cut at the tail without an ellipsis);
    // the text itself when it fits.
    AttributedString truncated(const AttributedString& text, double width, LineBreakMode mode);
    // The lines of `text` drawn in `rect`, top down, each placed by the
    // alignment of the paragraph style at its start: word wrapping breaks
    // at the width; clipping and the truncating modes keep each paragraph on
    // one line (the truncating ones cut it with an ellipsis). Lines below
    // the rectangle are left out, except the first.
    //
    // Each paragraph (text between hard breaks) is set by its own paragraph
    // style: indents (the first line's and the others'), tab stops, the
    // spacing after its lines and around it. Each line is as tall as its
    // own tallest font. A line with tabs comes as one piece per tab-separated
    // part, each at its tab stop.
    std::vector<TextLine> layOut(const AttributedString& text, const Rect& rect);
    // The size `layOut` gives the text at `width` (<= 0: unbounded): from the
    // leading margin to the right of the widest line, and to the bottom of
    // the last, indents and spacing included.
    Size sizeOfLaidOutText(const AttributedString& text, double width);

private:
    std::pair<std::vector<std::pair<Range, double>>, double> tabbedPieces(const AttributedString& text, Range range,
                                                                          double start, const ParagraphStyle& style);
    std::vector<Range> wrappedLines(const AttributedString& paragraph, double firstWidth, double width,
                                    const std::function<double(Range, double)>& measure, const ParagraphStyle& style);
};

// Fixed advances: every character is 0.6 of its font size wide; ascent 0.9
// and descent 0.3 of the size.
class HeadlessTextMetrics : public TextMetrics {
public:
    FontMetrics metricsForFont(const Font& font) override;
    double advanceOfText(const std::string& text, const Font& font) override;
};

// The metrics of the application's backend.
TextMetrics& textMetrics();

// The characters of UTF-8 text as byte offsets: the start of each
// character, then the end of the text.
std::vector<std::size_t> characterBoundaries(const std::string& text);

}  // namespace platform
