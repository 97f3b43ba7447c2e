#include "platform/qt/QtText.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>

#include <map>
#include <tuple>

namespace platform::qt {

QString toQString(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string fromQString(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::size_t byteOffsetOfIndex(const std::string& utf8, int index) {
    std::size_t byte = 0;
    int units = 0;
    while (byte < utf8.size() && units < index) {
        const auto c = static_cast<unsigned char>(utf8[byte]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        units += length == 4 ? 2 : 1;  // beyond the basic plane: a surrogate pair
        byte = std::min(utf8.size(), byte + length);
    }
    return byte;
}

int indexOfByteOffset(const std::string& utf8, std::size_t offset) {
    int units = 0;
    std::size_t byte = 0;
    while (byte < utf8.size() && byte < offset) {
        const auto c = static_cast<unsigned char>(utf8[byte]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        units += length == 4 ? 2 : 1;
        byte += length;
    }
    return units;
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

}  // namespace platform::qt
