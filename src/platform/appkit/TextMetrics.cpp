#include "platform/appkit/TextMetrics.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "platform/appkit/Application.h"
#include "platform/foundation/Text.h"

namespace platform {

namespace {

const std::string kEllipsis = "\xE2\x80\xA6";  // …

// The end of the text's trailing spaces, from `end` back to `start`.
std::size_t withoutTrailingSpaces(const std::string& s, std::size_t start, std::size_t end) {
    while (end > start && s[end - 1] == ' ') --end;
    return end;
}

// The attributes the ellipsis takes: those of the character next to it.
TextAttributes attributesNear(const AttributedString& text, std::size_t index) {
    if (text.length() == 0) return {};
    return text.attributesAt(std::min(index, text.length() - 1)).attributes;
}

}  // namespace

Font defaultTextFont() { return Font::systemFont(Font::systemFontSize); }

std::vector<std::size_t> characterBoundaries(const std::string& text) {
    std::vector<std::size_t> bounds;
    bounds.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) bounds.push_back(i);
    }
    bounds.push_back(text.size());
    return bounds;
}

double TextMetrics::advance(const AttributedString& text, Range range) {
    const std::string& s = text.string();
    const std::size_t end = std::min(range.end(), s.size());
    double width = 0;
    // Runs lie in order: start at the first that reaches into the range, so
    // that measuring a text piece by piece stays linear in its runs too.
    const auto& runs = text.runs();
    const auto first = std::partition_point(runs.begin(), runs.end(),
                                            [&](const AttributeRun& run) { return run.range.end() <= range.location; });
    for (auto it = first; it != runs.end() && it->range.location < end; ++it) {
        const AttributeRun& run = *it;
        const std::size_t from = std::max(run.range.location, range.location);
        const std::size_t to = std::min(run.range.end(), end);
        if (from >= to) continue;
        std::string piece = s.substr(from, to - from);
        std::erase(piece, '\n');
        width += advanceOfText(piece, run.attributes.font.value_or(defaultTextFont()));
        if (run.attributes.kern) width += *run.attributes.kern * double(characterBoundaries(piece).size() - 1);
    }
    return width;
}

std::vector<Range> TextMetrics::lineRanges(const AttributedString& text, double width) {
    const std::string& s = text.string();
    // Without a paragraph style a tab is as wide as a space.
    ParagraphStyle plain;
    plain.tabStops.clear();
    std::vector<Range> lines;
    std::size_t paragraphStart = 0;
    for (;;) {
        const std::size_t newline = s.find('\n', paragraphStart);
        const std::size_t paragraphEnd = newline == std::string::npos ? s.size() : newline;
        const Range paragraph{paragraphStart, paragraphEnd - paragraphStart};
        if (width > 0 && paragraph.length > 0) {
            for (const Range& line : paragraphLines(text.attributedSubstring(paragraph), width, width, plain))
                lines.push_back({paragraphStart + line.location, line.length});
        } else {
            lines.push_back(paragraph);
        }
        if (newline == std::string::npos) break;
        paragraphStart = newline + 1;
    }
    return lines;
}

double TextMetrics::lineHeight(const AttributedString& text) {
    double height = 0;
    bool any = false;
    for (const auto& run : text.runs()) {
        height = std::max(height, metricsForFont(run.attributes.font.value_or(defaultTextFont())).lineHeight());
        any = true;
    }
    if (!any) height = metricsForFont(defaultTextFont()).lineHeight();
    return height;
}

Size TextMetrics::sizeOfText(const AttributedString& text, double width) {
    const auto lines = lineRanges(text, width);
    double widest = 0;
    for (const auto& line : lines) {
        const std::size_t end = withoutTrailingSpaces(text.string(), line.location, line.end());
        if (end > line.location) widest = std::max(widest, advance(text, {line.location, end - line.location}));
    }
    return {widest, lineHeight(text) * static_cast<double>(lines.size())};
}

AttributedString TextMetrics::truncated(const AttributedString& text, double width, LineBreakMode mode) {
    const std::size_t length = text.length();
    if (length == 0 || advance(text, {0, length}) <= width) return text;
    const auto bounds = text::graphemeBoundaries(text.string());
    const std::size_t count = bounds.size() - 1;
    const bool ellipsis = mode == LineBreakMode::ByTruncatingHead || mode == LineBreakMode::ByTruncatingTail ||
                          mode == LineBreakMode::ByTruncatingMiddle;
    auto withEllipsis = [&](std::size_t keepHead, std::size_t keepTail) {
        AttributedString out = text.attributedSubstring({0, bounds[keepHead]});
        if (ellipsis) {
            const std::size_t near = keepHead > 0 ? bounds[keepHead] - 1 : bounds[count - keepTail];
            out.append(kEllipsis, attributesNear(text, near));
        }
        const std::size_t tailStart = bounds[count - keepTail];
        out.append(text.attributedSubstring({tailStart, length - tailStart}));
        return out;
    };
    auto fits = [&](std::size_t keepHead, std::size_t keepTail) {
        const AttributedString candidate = withEllipsis(keepHead, keepTail);
        return advance(candidate, {0, candidate.length()}) <= width;
    };
    // The most characters that still fit, found by bisection over the count kept.
    std::size_t low = 0, high = count;
    auto split = [&](std::size_t kept) -> std::pair<std::size_t, std::size_t> {
        switch (mode) {
            case LineBreakMode::ByTruncatingHead: return {0, kept};
            case LineBreakMode::ByTruncatingMiddle: return {(kept + 1) / 2, kept / 2};
            default: return {kept, 0};
        }
    };
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        auto [head, tail] = split(mid);
        if (fits(head, tail)) low = mid;
        else high = mid - 1;
    }
    auto [head, tail] = split(low);
    return withEllipsis(head, tail);
}

namespace {

// Where a tab at `x` (from the leading margin) takes the text: the first
// stop beyond it, then every `defaultTabInterval`; without either, a tab is
// as wide as a space.
double tabStopAfter(const ParagraphStyle& style, double x, double space) {
    for (const auto& stop : style.tabStops)
        if (stop.location > x + 0.001) return stop.location;
    if (style.defaultTabInterval > 0) return (std::floor(x / style.defaultTabInterval + 0.001) + 1) * style.defaultTabInterval;
    return x + space;
}

}  // namespace

// The pieces of one line between its tabs, each with where it starts
// (from the leading margin), and where the line ends.
std::pair<std::vector<std::pair<Range, double>>, double> TextMetrics::tabbedPieces(const AttributedString& text, Range range,
                                                                                   double start, const ParagraphStyle& style) {
    std::vector<std::pair<Range, double>> pieces;
    const std::string& s = text.string();
    double x = start;
    std::size_t from = range.location;
    for (;;) {
        const std::size_t tab = s.find('\t', from);
        const std::size_t to = tab == std::string::npos || tab >= range.end() ? range.end() : tab;
        const double width = advance(text, {from, to - from});
        pieces.push_back({{from, to - from}, x});
        x += width;
        if (to == range.end()) break;
        const Font font = attributesNear(text, tab).font.value_or(defaultTextFont());
        x = tabStopAfter(style, x, advanceOfText(" ", font));
        from = tab + 1;
    }
    return {std::move(pieces), x};
}

std::vector<TextLine> TextMetrics::layOut(const AttributedString& text, const Rect& rect) {
    std::vector<TextLine> out;
    const std::string& s = text.string();
    const TextAttributes first = text.length() ? text.attributesAt(0).attributes : TextAttributes{};
    double y = rect.minY();
    std::size_t paragraphStart = 0;
    bool lastLineShown = false;
    for (;;) {
        const std::size_t newline = s.find('\n', paragraphStart);
        const std::size_t paragraphEnd = newline == std::string::npos ? s.size() : newline;
        // Each paragraph keeps the style and the font of its first character.
        const TextAttributes head = attributesNear(text, paragraphStart);
        const ParagraphStyle style = head.paragraphStyle.value_or(first.paragraphStyle.value_or(ParagraphStyle{}));
        const bool wraps = style.lineBreakMode == LineBreakMode::ByWordWrapping ||
                           style.lineBreakMode == LineBreakMode::ByCharWrapping;
        const bool tabbed = s.find('\t', paragraphStart) < paragraphEnd;
        if (paragraphStart > 0) y += style.paragraphSpacingBefore;
        const auto lineWidth = [&](double indent) {
            const double right = style.tailIndent > 0 ? style.tailIndent : rect.width() + style.tailIndent;
            return std::max(1.0, right - indent);
        };
        const AttributedString paragraph = text.attributedSubstring({paragraphStart, paragraphEnd - paragraphStart});
        const auto ranges = wraps && paragraph.length() > 0
                                ? paragraphLines(paragraph, lineWidth(style.firstLineHeadIndent), lineWidth(style.headIndent), style)
                                : std::vector<Range>{{0, paragraph.length()}};
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            const double indent = i == 0 ? style.firstLineHeadIndent : style.headIndent;
            const std::size_t end = withoutTrailingSpaces(paragraph.string(), ranges[i].location, ranges[i].end());
            AttributedString line = paragraph.attributedSubstring({ranges[i].location, end - ranges[i].location});
            if (!wraps && !tabbed) line = truncated(line, lineWidth(indent), style.lineBreakMode);
            // The line's own tallest font sets its height and baseline.
            double ascent = 0, height = 0;
            for (const auto& run : line.runs()) {
                const FontMetrics m = metricsForFont(run.attributes.font.value_or(defaultTextFont()));
                ascent = std::max(ascent, m.ascent);
                height = std::max(height, m.lineHeight());
            }
            if (line.runs().empty()) {
                const FontMetrics m = metricsForFont(head.font.value_or(first.font.value_or(defaultTextFont())));
                ascent = m.ascent;
                height = m.lineHeight();
            }
            if (lastLineShown && y + height > rect.maxY() + 0.5) return out;
            lastLineShown = true;
            std::vector<std::pair<Range, double>> pieces{{{0, line.length()}, indent}};
            double extent = indent + advance(line, {0, line.length()});
            if (tabbed) std::tie(pieces, extent) = tabbedPieces(line, {0, line.length()}, indent, style);
            double shift = rect.minX();
            if (style.alignment == TextAlignment::Center) shift += (rect.width() - extent) / 2;
            else if (style.alignment == TextAlignment::Right) shift += rect.width() - extent;
            for (const auto& [piece, x] : pieces) {
                if (pieces.size() > 1 && piece.length == 0) continue;
                AttributedString part = line.attributedSubstring(piece);
                const double width = advance(part, {0, part.length()});
                out.push_back({std::move(part), {shift + x, y}, y + ascent, width, height});
            }
            y += height + style.lineSpacing;
        }
        y += style.paragraphSpacing;
        if (newline == std::string::npos) break;
        paragraphStart = newline + 1;
    }
    return out;
}

std::vector<Range> TextMetrics::paragraphLines(const AttributedString& paragraph, double firstWidth, double width,
                                               const ParagraphStyle& style) {
    const std::string& s = paragraph.string();
    const bool tabbed = s.find('\t') != std::string::npos;
    // Where text from `from` to `to` ends when it starts at `x` (from the
    // leading margin): a tab takes it to the next stop.
    const auto extend = [&](double x, std::size_t from, std::size_t to) {
        if (!tabbed) return x + advance(paragraph, {from, to - from});
        for (;;) {
            const std::size_t tab = std::min(s.find('\t', from), to);
            x += advance(paragraph, {from, tab - from});
            if (tab == to) return x;
            const Font font = attributesNear(paragraph, tab).font.value_or(defaultTextFont());
            x = tabStopAfter(style, x, advanceOfText(" ", font));
            from = tab + 1;
        }
    };
    // Sums of advances drift by a hair from one measure of the whole.
    constexpr double slack = 1e-6;
    double start = style.firstLineHeadIndent;
    double limit = start + firstWidth + slack;
    // Most paragraphs fit: one measure settles it.
    if (extend(start, 0, withoutTrailingSpaces(s, 0, s.size())) <= limit) return {{0, s.size()}};

    std::vector<Range> lines;
    std::size_t lineStart = 0;
    const auto breakAt = [&](std::size_t at) {
        lines.push_back({lineStart, at - lineStart});
        lineStart = at;
        start = style.headIndent;
        limit = start + width + slack;
    };
    // Each piece between two opportunities is measured once, from where the
    // line has got to, so the work grows with the paragraph's length.
    double x = start;
    std::size_t piece = 0;
    for (const std::size_t next : text::lineBreakOpportunities(s)) {
        const std::size_t content = withoutTrailingSpaces(s, piece, next);
        double right = extend(x, piece, content);
        if (right > limit && piece > lineStart) {
            breakAt(piece);
            x = start;
            right = extend(x, piece, content);
        }
        if (right > limit) {
            // A word wider than the whole line: break it between clusters.
            const auto clusters = text::graphemeBoundaries(std::string_view(s).substr(piece, content - piece));
            right = x;
            for (std::size_t k = 0; k + 1 < clusters.size(); ++k) {
                const std::size_t from = piece + clusters[k];
                const std::size_t to = piece + clusters[k + 1];
                double after = extend(right, from, to);
                if (after > limit && from > lineStart) {
                    breakAt(from);
                    after = extend(start, from, to);
                }
                right = after;
            }
        }
        x = extend(right, content, next);
        piece = next;
    }
    lines.push_back({lineStart, s.size() - lineStart});
    return lines;
}

Size TextMetrics::sizeOfLaidOutText(const AttributedString& text, double width) {
    const auto lines = layOut(text, Rect(0, 0, width > 0 ? width : 1e9, 1e12));
    double right = 0, bottom = 0;
    for (const auto& line : lines) {
        right = std::max(right, line.origin.x + line.width);
        bottom = std::max(bottom, line.origin.y + line.height);
    }
    return {right, bottom};
}

// --- headless

FontMetrics HeadlessTextMetrics::metricsForFont(const Font& font) {
    const double size = font.pointSize();
    return {0.9 * size, 0.3 * size, 0};
}

double HeadlessTextMetrics::advanceOfText(const std::string& text, const Font& font) {
    return 0.6 * font.pointSize() * double(characterBoundaries(text).size() - 1);
}

TextMetrics& textMetrics() {
    if (auto backend = Application::shared()->backend()) return backend->textMetrics();
    static HeadlessTextMetrics fallback;
    return fallback;
}

}  // namespace platform
