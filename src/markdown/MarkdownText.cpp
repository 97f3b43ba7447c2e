#include "markdown/MarkdownText.h"

#include "platform/foundation/Text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace frelt::markdown_text {

namespace {

template <class F>
bool allScalars(std::string_view s, F&& inSet) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
    int32_t length = static_cast<int32_t>(s.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || !inSet(static_cast<char32_t>(c))) return false;
    }
    return true;
}

}  // namespace

bool isNewline(char32_t c) { return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029; }

bool isWhitespace(char32_t c) {
    if (c < 0x80) return c == ' ' || c == '\t';
    return u_charType(static_cast<UChar32>(c)) == U_SPACE_SEPARATOR;
}

CharacterSet CharacterSet::newlines() { return CharacterSet(Kind::newlines); }
CharacterSet CharacterSet::whitespaces() { return CharacterSet(Kind::whitespaces); }
CharacterSet CharacterSet::whitespacesAndNewlines() { return CharacterSet(Kind::whitespacesAndNewlines); }

CharacterSet CharacterSet::fromCharacters(std::string_view characters) {
    CharacterSet set(Kind::explicitScalars);
    const auto* bytes = reinterpret_cast<const uint8_t*>(characters.data());
    int32_t length = static_cast<int32_t>(characters.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        set.scalars_.push_back(c < 0 ? char32_t{0xFFFD} : static_cast<char32_t>(c));
    }
    return set;
}

bool CharacterSet::contains(char32_t c) const {
    switch (kind_) {
        case Kind::newlines: return isNewline(c);
        case Kind::whitespaces: return isWhitespace(c);
        case Kind::whitespacesAndNewlines: return isWhitespaceOrNewline(c);
        case Kind::explicitScalars: return scalars_.find(c) != std::u32string::npos;
    }
    return false;
}

bool CharacterSet::containsUnicodeScalars(std::string_view s) const {
    // Most characters of a line are one ASCII byte.
    if (s.size() == 1 && static_cast<unsigned char>(s[0]) < 0x80) return contains(static_cast<char32_t>(s[0]));
    return allScalars(s, [this](char32_t c) { return contains(c); });
}

bool isCharacterBoundary(std::string_view s, std::size_t pos) {
    if (pos == 0 || pos >= s.size()) return true;
    auto before = static_cast<unsigned char>(s[pos - 1]);
    auto after = static_cast<unsigned char>(s[pos]);
    // Two ASCII characters form one cluster only as a carriage return and line feed.
    if (before < 0x80 && after < 0x80) return !(before == '\r' && after == '\n');
    std::size_t offset = 0;
    for (const auto& cluster : platform::text::graphemeClusters(s)) {
        if (offset == pos) return true;
        if (offset > pos) return false;
        offset += cluster.size();
    }
    return offset == pos;
}

std::string validUTF8(std::string_view s) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
    int32_t length = static_cast<int32_t>(s.size());
    std::string out;
    out.reserve(s.size());
    // Valid stretches go over whole; only what lies between them is replaced.
    int32_t kept = 0;  // where the stretch not yet copied starts
    int32_t i = 0;
    while (i < length) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        const int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            out.append(s.substr(static_cast<std::size_t>(kept), static_cast<std::size_t>(start - kept)));
            out += "\xEF\xBF\xBD";
            kept = i;
        }
    }
    out.append(s.substr(static_cast<std::size_t>(kept)));
    return out;
}

std::vector<std::string> splitLines(std::string_view s) {
    std::vector<std::string> lines;
    const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
    int32_t length = static_cast<int32_t>(s.size());
    int32_t lineStart = 0;
    int32_t i = 0;
    while (i < length) {
        int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c >= 0 && isNewline(static_cast<char32_t>(c))) {
            lines.emplace_back(s.substr(static_cast<std::size_t>(lineStart), static_cast<std::size_t>(start - lineStart)));
            if (c == '\r' && i < length && bytes[i] == '\n') ++i;
            lineStart = i;
        }
    }
    lines.emplace_back(s.substr(static_cast<std::size_t>(lineStart)));
    return lines;
}

}  // namespace frelt::markdown_text
