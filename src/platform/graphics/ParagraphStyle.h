#pragma once
// Paragraph layout as a plain value: alignment, spacing, indents, tab stops.
// Lengths are points.

#include <vector>

namespace platform {

// Raw values are the ones stored archives use.
enum class TextAlignment { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };

enum class LineBreakMode {
    ByWordWrapping = 0,
    ByCharWrapping = 1,
    ByClipping = 2,
    ByTruncatingHead = 3,
    ByTruncatingTail = 4,
    ByTruncatingMiddle = 5,
};

struct TextTab {
    TextAlignment alignment = TextAlignment::Left;
    double location = 0;
    bool operator==(const TextTab&) const = default;
};

struct ParagraphStyle {
    TextAlignment alignment = TextAlignment::Natural;
    double lineSpacing = 0;
    double paragraphSpacing = 0;        // after the paragraph
    double paragraphSpacingBefore = 0;
    double lineHeightMultiple = 0;      // 0: the font's own line height
    double minimumLineHeight = 0;
    double maximumLineHeight = 0;       // 0: no limit
    double headIndent = 0;
    double firstLineHeadIndent = 0;
    double tailIndent = 0;              // > 0 from the leading margin, <= 0 from the trailing one
    std::vector<TextTab> tabStops = defaultTabStops();
    double defaultTabInterval = 0;      // 0: no tabs beyond the last stop
    LineBreakMode lineBreakMode = LineBreakMode::ByWordWrapping;

    // A new paragraph style has twelve left tab stops, 28 points apart.
    static std::vector<TextTab> defaultTabStops();

    bool operator==(const ParagraphStyle&) const = default;
};

inline std::vector<TextTab> ParagraphStyle::defaultTabStops() {
    std::vector<TextTab> stops;
    stops.reserve(12);
    for (int i = 1; i <= 12; ++i) stops.push_back({TextAlignment::Left, 28.0 * i});
    return stops;
}

}  // namespace platform
