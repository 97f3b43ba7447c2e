#include "markdown/MarkdownStyleTypes.h"

#include <array>

namespace frelt {

namespace {

class MarkdownLineStyleValue final : public LineStyling {
public:
    explicit MarkdownLineStyleValue(MarkdownLineStyle style) : style(style) {}
    bool shouldTokenise() const override { return style != MarkdownLineStyle::codeblock; }
    LineStylingRef styleForPreviousLine() const override {
        if (style == MarkdownLineStyle::previousH1) return lineStyling(MarkdownLineStyle::h1);
        if (style == MarkdownLineStyle::previousH2) return lineStyling(MarkdownLineStyle::h2);
        return nullptr;
    }
    const MarkdownLineStyle style;
};

class CharacterStyleValue final : public CharacterStyling {
public:
    explicit CharacterStyleValue(CharacterStyle style) : style(style) {}
    bool isSameStyle(const CharacterStyling& other) const override {
        auto* same = dynamic_cast<const CharacterStyleValue*>(&other);
        return same && same->style == style;
    }
    std::string description() const override { return describe(style); }
    const CharacterStyle style;
};

constexpr std::size_t kLineStyleCount = static_cast<std::size_t>(MarkdownLineStyle::referencedLink) + 1;
constexpr std::size_t kCharacterStyleCount = static_cast<std::size_t>(CharacterStyle::strikethrough) + 1;

}  // namespace

const char* describe(MarkdownLineStyle style) {
    static constexpr std::array<const char*, kLineStyleCount> names{
        "yaml", "h1", "h2", "h3", "h4", "h5", "h6", "previousH1", "previousH2", "body", "blockquote", "codeblock",
        "unorderedList", "unorderedListIndentFirstOrder", "unorderedListIndentSecondOrder", "orderedList",
        "orderedListIndentFirstOrder", "orderedListIndentSecondOrder", "referencedLink"};
    return names[static_cast<std::size_t>(style)];
}

const char* describe(CharacterStyle style) {
    static constexpr std::array<const char*, kCharacterStyleCount> names{
        "none", "bold", "italic", "code", "link", "image", "referencedLink", "referencedImage", "strikethrough"};
    return names[static_cast<std::size_t>(style)];
}

LineStylingRef lineStyling(MarkdownLineStyle style) {
    static const auto values = [] {
        std::array<LineStylingRef, kLineStyleCount> all;
        for (std::size_t i = 0; i < kLineStyleCount; ++i)
            all[i] = std::make_shared<MarkdownLineStyleValue>(static_cast<MarkdownLineStyle>(i));
        return all;
    }();
    return values[static_cast<std::size_t>(style)];
}

std::optional<MarkdownLineStyle> asMarkdownLineStyle(const LineStyling& styling) {
    if (auto* value = dynamic_cast<const MarkdownLineStyleValue*>(&styling)) return value->style;
    return std::nullopt;
}

CharacterStylingRef characterStyling(CharacterStyle style) {
    static const auto values = [] {
        std::array<CharacterStylingRef, kCharacterStyleCount> all;
        for (std::size_t i = 0; i < kCharacterStyleCount; ++i)
            all[i] = std::make_shared<CharacterStyleValue>(static_cast<CharacterStyle>(i));
        return all;
    }();
    return values[static_cast<std::size_t>(style)];
}

std::optional<CharacterStyle> asCharacterStyle(const CharacterStyling& styling) {
    if (auto* value = dynamic_cast<const CharacterStyleValue*>(&styling)) return value->style;
    return std::nullopt;
}

}  // namespace frelt
