#pragma once
// Text measurement: how wide a piece of styled text is, where it breaks into
// lines at a width, how tall it stands, and how it is cut with an ellipsis to
// fit. The desktop backend measures with its toolkit's fonts; the headless
// one with fixed advances by font size, so layout is the same on every
// machine and tests can compute it by hand.
//
// Lines break where the Unicode line-breaking rules allow (after spaces,
// between ideographs, …) and, in a word wider than the line, between
// grapheme clusters; truncation cuts between clusters too, so no emoji
// sequence or letter with its marks is ever split. The kit breaks and cuts
// on top of one primitive (the advance of a stretch of text on one line);
// a backend with a text layout engine of its own breaks and truncates with
// it instead. Either way a backend draws exactly the lines that were
// measured.

#include <cstddef>
#include <memory>
#include <string>
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
    // that would grow wider than `width` breaks at its last break
    // opportunity (`paragraphLines`). A width <= 0 breaks at hard breaks
    // only. Empty text is one empty line.
    std::vector<Range> lineRanges(const AttributedString& text, double width);
    // The byte ranges of the lines one paragraph (text without hard breaks)
    // falls into, the first line at most `firstWidth` wide and the others
    // `width`: a line breaks at its last opportunity by the Unicode rules,
    // or between grapheme clusters when a single word is wider than a line.
    // Spaces hang at the end of a line: they never make it break. Tabs go to
    // the style's stops, from its indents (no stops: a tab is a space).
    // Work linear in the paragraph's length: each piece is measured once.
    virtual std::vector<Range> paragraphLines(const AttributedString& paragraph, double firstWidth, double width,
                                              const ParagraphStyle& style);
    // The height of one line of the text's tallest font.
    double lineHeight(const AttributedString& text);
    // The size the text takes laid out at `width` (<= 0: unbounded): the
    // widest line and the lines' heights.
    Size sizeOfText(const AttributedString& text, double width);
    // The text cut to fit `width` on one line with "…" at the head, the
    // tail or the middle (other modes cut at the tail without an ellipsis);
    // the text itself when it fits. Cuts fall between grapheme clusters.
    virtual AttributedString truncated(const AttributedString& text, double width, LineBreakMode mode);
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
