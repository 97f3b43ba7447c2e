#include "platform/qt/QtText.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTextOption>

#include <map>
#include <tuple>

#include "platform/foundation/Text.h"

namespace platform::qt {

QString toQString(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string fromQString(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

namespace {
// The length of the UTF-8 sequence that starts with `lead`.
std::size_t sequenceLength(char lead) {
    const auto c = static_cast<unsigned char>(lead);
    return c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
}
}  // namespace

std::size_t byteOffsetOfIndex(const std::string& utf8, int index) {
    std::size_t byte = 0;
    int units = 0;
    while (byte < utf8.size() && units < index) {
        const std::size_t length = sequenceLength(utf8[byte]);
        units += length == 4 ? 2 : 1;  // beyond the basic plane: a surrogate pair
        byte = std::min(utf8.size(), byte + length);
    }
    return byte;
}

int indexOfByteOffset(const std::string& utf8, std::size_t offset) {
    int units = 0;
    std::size_t byte = 0;
    while (byte < utf8.size() && byte < offset) {
        const std::size_t length = sequenceLength(utf8[byte]);
        units += length == 4 ? 2 : 1;
        byte += length;
    }
    return units;
}

std::vector<int> indexesOfByteOffsets(const std::string& utf8) {
    std::vector<int> out(utf8.size() + 1, 0);
    int units = 0;
    std::size_t byte = 0;
    while (byte < utf8.size()) {
        const std::size_t length = std::min(utf8.size() - byte, sequenceLength(utf8[byte]));
        for (std::size_t k = 0; k < length; ++k) out[byte + k] = units;
        units += length == 4 ? 2 : 1;  // beyond the basic plane: a surrogate pair
        byte += length;
    }
    out[utf8.size()] = units;
    return out;
}

std::vector<std::size_t> byteOffsetsOfIndexes(const std::string& utf8) {
    std::vector<std::size_t> out;
    out.reserve(utf8.size() + 1);
    std::size_t byte = 0;
    while (byte < utf8.size()) {
        const std::size_t length = std::min(utf8.size() - byte, sequenceLength(utf8[byte]));
        out.push_back(byte);
        // The low surrogate of a pair lies inside the character: its start.
        if (length == 4) out.push_back(byte);
        byte += length;
    }
    out.push_back(utf8.size());
    return out;
}

QFont qFont(const Font& font) {
    // Every draw asks for its font: keep the few the program uses.
    using Key = std::tuple<std::string, double, bool, bool>;
    static std::map<Key, QFont> cache;
    const Key key{font.fontName(), font.pointSize(), font.isBold(), font.isItalic()};
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    QFont f;
    const std::string& name = font.fontName();
    if (name == Font::systemFontName || name == "sans-serif") f = QGuiApplication::font();
    else if (name == Font::monospacedSystemFontName) f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    else if (name == "serif") f = QFont(QStringLiteral("serif"));
    else f = QFont(toQString(name));
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pointSize()))));
    f.setBold(font.isBold());
    f.setItalic(font.isItalic());
    f.setHintingPreference(QFont::PreferNoHinting);
    cache.emplace(key, f);
    return f;
}

namespace {
const QFontMetricsF& metricsOf(const Font& font) {
    using Key = std::tuple<std::string, double, bool, bool>;
    static std::map<Key, QFontMetricsF> cache;
    const Key key{font.fontName(), font.pointSize(), font.isBold(), font.isItalic()};
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    return cache.emplace(key, QFontMetricsF(qFont(font))).first->second;
}
}  // namespace

FontMetrics QtTextMetrics::metricsForFont(const Font& font) {
    const QFontMetricsF& m = metricsOf(font);
    return {m.ascent(), m.descent(), m.leading()};
}

double QtTextMetrics::advanceOfText(const std::string& text, const Font& font) {
    return metricsOf(font).horizontalAdvance(toQString(text));
}

QList<QTextLayout::FormatRange> fontFormats(const AttributedString& text, const std::vector<int>& indexes) {
    QList<QTextLayout::FormatRange> formats;
    for (const auto& run : text.runs()) {
        QTextLayout::FormatRange range;
        range.start = indexes[run.range.location];
        range.length = indexes[std::min(run.range.end(), text.length())] - range.start;
        range.format.setFont(qFont(run.attributes.font.value_or(defaultTextFont())), QTextCharFormat::FontPropertiesAll);
        if (run.attributes.kern) {
            range.format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
            range.format.setFontLetterSpacing(*run.attributes.kern);
        }
        formats.append(range);
    }
    return formats;
}

std::vector<Range> QtTextMetrics::paragraphLines(const AttributedString& paragraph, double firstWidth, double width,
                                                 const ParagraphStyle& style) {
    const std::string& s = paragraph.string();
    if (s.find('\t') != std::string::npos) return TextMetrics::paragraphLines(paragraph, firstWidth, width, style);
    QTextLayout layout(toQString(s), qFont(defaultTextFont()));
    layout.setFormats(fontFormats(paragraph, indexesOfByteOffsets(s)));
    QTextOption option;
    // A word wider than the line breaks where Qt finds a cluster boundary.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const auto bytes = byteOffsetsOfIndexes(s);
    // Malformed UTF-8 may come out of Qt longer than counted: stay inside.
    const auto byteAt = [&](int index) { return bytes[std::min(std::size_t(std::max(index, 0)), bytes.size() - 1)]; };
    std::vector<Range> lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(lines.empty() ? firstWidth : width);
        const std::size_t from = byteAt(line.textStart());
        const std::size_t to = std::max(from, byteAt(line.textStart() + line.textLength()));
        lines.push_back({from, to - from});
    }
    layout.endLayout();
    if (lines.empty()) lines.push_back({0, s.size()});
    return lines;
}

AttributedString QtTextMetrics::truncated(const AttributedString& text, double width, LineBreakMode mode) {
    const auto& runs = text.runs();
    const Qt::TextElideMode elide = mode == LineBreakMode::ByTruncatingHead     ? Qt::ElideLeft
                                    : mode == LineBreakMode::ByTruncatingMiddle ? Qt::ElideMiddle
                                    : mode == LineBreakMode::ByTruncatingTail   ? Qt::ElideRight
                                                                                : Qt::ElideNone;
    if (elide == Qt::ElideNone || runs.size() != 1 || runs[0].attributes.kern || runs[0].attributes.attachment)
        return TextMetrics::truncated(text, width, mode);
    const QString whole = toQString(text.string());
    const QString cut = metricsOf(runs[0].attributes.font.value_or(defaultTextFont())).elidedText(whole, elide, width);
    if (cut == whole) return text;
    // Qt's cut is a head and a tail of the text around its ellipsis: find
    // them, whole clusters only, and keep the ellipsis as Qt measured it.
    const std::string shown = fromQString(cut);
    const std::string& s = text.string();
    std::size_t head = 0;
    while (head < shown.size() && head < s.size() && shown[head] == s[head]) ++head;
    std::size_t tail = 0;
    while (tail < shown.size() - head && tail < s.size() - head &&
           shown[shown.size() - 1 - tail] == s[s.size() - 1 - tail])
        ++tail;
    const auto clusters = text::graphemeBoundaries(s);
    head = *std::prev(std::upper_bound(clusters.begin(), clusters.end(), head));
    std::size_t tailStart = *std::lower_bound(clusters.begin(), clusters.end(), s.size() - tail);
    const std::string mark = shown.substr(head, shown.size() - (s.size() - tailStart) - head);
    if (mark != "\xE2\x80\xA6" && mark != "...") return TextMetrics::truncated(text, width, mode);
    AttributedString out = text.attributedSubstring({0, head});
    out.append(mark, runs[0].attributes);
    out.append(text.attributedSubstring({tailStart, s.size() - tailStart}));
    return out;
}

}  // namespace platform::qt
