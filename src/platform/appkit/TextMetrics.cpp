#include "platform/appkit/TextMetrics.h"

#include <algorithm>

#include "platform/appkit/Application.h"

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
    for (const auto& run : text.runs()) {
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
    std::vector<Range> lines;
    std::size_t paragraphStart = 0;
    for (;;) {
        const std::size_t newline = s.find('\n', paragraphStart);
        const std::size_t paragraphEnd = newline == std::string::npos ? s.size() : newline;
        std::size_t lineStart = paragraphStart;
        // Most text fits: one measure settles it.
        if (width > 0 && advance(text, {paragraphStart, paragraphEnd - paragraphStart}) > width) {
            const auto bounds = characterBoundaries(s.substr(paragraphStart, paragraphEnd - paragraphStart));
            std::size_t breakAfterSpace = std::string::npos;
            for (std::size_t k = 0; k + 1 < bounds.size(); ++k) {
                const std::size_t at = paragraphStart + bounds[k];
                const std::size_t next = paragraphStart + bounds[k + 1];
                // Spaces hang at the end of a line: they never make it break.
                if (s[at] == ' ') {
                    breakAfterSpace = next;
                    continue;
                }
                if (at == lineStart || advance(text, {lineStart, next - lineStart}) <= width) continue;
                const std::size_t cut =
                    breakAfterSpace != std::string::npos && breakAfterSpace > lineStart ? breakAfterSpace : at;
                lines.push_back({lineStart, cut - lineStart});
                lineStart = cut;
                breakAfterSpace = std::string::npos;
            }
        }
        lines.push_back({lineStart, paragraphEnd - lineStart});
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
    const auto bounds = characterBoundaries(text.string());
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

std::vector<TextLine> TextMetrics::layOut(const AttributedString& text, const Rect& rect) {
    std::vector<TextLine> out;
    const auto first = text.length() ? text.attributesAt(0).attributes : TextAttributes{};
    const ParagraphStyle style = first.paragraphStyle.value_or(ParagraphStyle{});
    const bool wraps = style.lineBreakMode == LineBreakMode::ByWordWrapping ||
                       style.lineBreakMode == LineBreakMode::ByCharWrapping;
    const double height = lineHeight(text);
    double y = rect.minY();
    for (const Range& range : lineRanges(text, wraps ? rect.width() : 0)) {
        if (!out.empty() && y + height > rect.maxY() + 0.5) break;
        const std::size_t end = withoutTrailingSpaces(text.string(), range.location, range.end());
        AttributedString line = text.attributedSubstring({range.location, end - range.location});
        if (!wraps) line = truncated(line, rect.width(), style.lineBreakMode);
        // The line's own tallest font sets its baseline.
        double ascent = 0;
        for (const auto& run : line.runs())
            ascent = std::max(ascent, metricsForFont(run.attributes.font.value_or(defaultTextFont())).ascent);
        if (line.runs().empty()) ascent = metricsForFont(first.font.value_or(defaultTextFont())).ascent;
        const double width = advance(line, {0, line.length()});
        double x = rect.minX();
        if (style.alignment == TextAlignment::Center) x += (rect.width() - width) / 2;
        else if (style.alignment == TextAlignment::Right) x += rect.width() - width;
        out.push_back({std::move(line), {x, y}, y + ascent, width, height});
        y += height + style.lineSpacing;
    }
    return out;
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
