#pragma once
// Small text operations the markdown engine needs beyond platform::text:
// the scalar sets of the line and character passes and trimming by them.

#include <string>
#include <string_view>
#include <vector>

namespace frelt::markdown_text {

// U+000A..U+000D, U+0085, U+2028, U+2029.
bool isNewline(char32_t c);
// Space separators and the tab; no line breaks.
bool isWhitespace(char32_t c);
inline bool isWhitespaceOrNewline(char32_t c) { return isWhitespace(c) || isNewline(c); }

// A set of Unicode scalars: one of the system sets, or the scalars of a text.
class CharacterSet {
public:
    static CharacterSet newlines();
    static CharacterSet whitespaces();
    static CharacterSet whitespacesAndNewlines();
    static CharacterSet fromCharacters(std::string_view characters);

    bool contains(char32_t c) const;
    // True when every scalar of `s` is in the set; the empty text answers true.
    bool containsUnicodeScalars(std::string_view s) const;

private:
    enum class Kind { newlines, whitespaces, whitespacesAndNewlines, explicitScalars };
    explicit CharacterSet(Kind kind) : kind_(kind) {}
    Kind kind_;
    std::u32string scalars_;
};

// Whether byte offset `pos` of `s` lies between two user-perceived
// characters (or at either end).
bool isCharacterBoundary(std::string_view s, std::size_t pos);

// Repairs invalid UTF-8: every ill-formed sequence becomes U+FFFD.
std::string validUTF8(std::string_view s);

// Splits at every newline scalar; a carriage return directly followed by a
// line feed is one line end.
std::vector<std::string> splitLines(std::string_view s);

}  // namespace frelt::markdown_text
