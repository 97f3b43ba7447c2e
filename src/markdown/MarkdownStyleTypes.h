#pragma once
// The renderer's style vocabulary: the line styles the line rules assign, the
// character styles the character rules assign, and the font-style flags.

#include <memory>
#include <optional>
#include <string>

#include "markdown/CharacterRule.h"
#include "markdown/MarkdownLine.h"

namespace frelt {

enum class MarkdownLineStyle {
    yaml,
    h1,
    h2,
    h3,
    h4,
    h5,
    h6,
    previousH1,  // an underline of equals signs: the line before becomes h1
    previousH2,  // an underline of hyphens: the line before becomes h2
    body,
    blockquote,
    codeblock,
    unorderedList,
    unorderedListIndentFirstOrder,
    unorderedListIndentSecondOrder,
    orderedList,
    orderedListIndentFirstOrder,
    orderedListIndentSecondOrder,
    referencedLink,
};

const char* describe(MarkdownLineStyle style);

// The shared LineStyling value of a case.
LineStylingRef lineStyling(MarkdownLineStyle style);
// The case behind a LineStyling, when it is one of the renderer's.
std::optional<MarkdownLineStyle> asMarkdownLineStyle(const LineStyling& styling);
inline std::optional<MarkdownLineStyle> asMarkdownLineStyle(const LineStylingRef& styling) {
    return styling ? asMarkdownLineStyle(*styling) : std::nullopt;
}

enum class CharacterStyle { none, bold, italic, code, link, image, referencedLink, referencedImage, strikethrough };

const char* describe(CharacterStyle style);

// The shared CharacterStyling value of a case.
CharacterStylingRef characterStyling(CharacterStyle style);
std::optional<CharacterStyle> asCharacterStyle(const CharacterStyling& styling);

enum class FontStyle { normal = 0, bold = 1, italic = 2, boldItalic = 3 };

inline int rawValue(FontStyle style) { return static_cast<int>(style); }
inline std::optional<FontStyle> fontStyleFromRawValue(int raw) {
    if (raw < 0 || raw > 3) return std::nullopt;
    return static_cast<FontStyle>(raw);
}

}  // namespace frelt
