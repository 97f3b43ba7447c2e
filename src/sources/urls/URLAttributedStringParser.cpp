#include "sources/urls/URLAttributedStringParser.h"

#include "platform/foundation/RegularExpression.h"
#include "platform/foundation/Text.h"
#include "sources/urls/URLRegExParser.h"

namespace frelt {

namespace {

using platform::Color;

// The desktop palette's colours, with how they look where it is unknown.
Color systemColor(const char* name, Color fallback) { return Color::named("System", name, fallback); }

platform::TextAttributes foreground(const Color& color) {
    platform::TextAttributes attributes;
    attributes.foregroundColor = color;
    return attributes;
}

}  // namespace

URLAttributedStringParser::URLAttributedStringParser()
    : attributedStringFont(platform::Font::monospacedSystemFont(12, platform::FontWeight::Regular)),
      attributedStringKeysScheme(foreground(systemColor("systemPurpleColor", Color::sRGB(0.686, 0.322, 0.871)))),
      attributedStringKeysDomain(foreground(systemColor("systemTealColor", Color::sRGB(0.188, 0.690, 0.780)))),
      attributedStringKeysQuery(foreground(systemColor("systemOrangeColor", Color::sRGB(1.0, 0.584, 0.0)))),
      attributedStringKeysQueryDivider1(foreground(systemColor("systemBrownColor", Color::sRGB(0.635, 0.518, 0.369)))),
      attributedStringKeysQueryDivider2(foreground(systemColor("systemGrayColor", Color::sRGB(0.557, 0.557, 0.576)))),
      attributedStringKeysPlaceholder(foreground(systemColor("systemRedColor", Color::sRGB(1.0, 0.231, 0.188)))),
      regExDefinitionScheme(R"(\A[\w\d-\.\+]+?:)"),
      regExDefinitionDomain(R"(\A[\w\d-\.\+]+?:\/{0,3}(?<capture>[^\?^\/]+)\??)"),
      regExDefinitionQuery(R"(\?(?<capture>[\S\s]*)\Z)"),
      regExDefinitionQueryDivider1(R"(\?*(?<capture>[\=]{1}))"),
      regExDefinitionQueryDivider2(R"(\?*(?<capture>[\&]{1}))"),
      // The same patterns that find the placeholders when an entry opens.
      regExDefinitionPlaceHolder1(rawValue(URLParams::userInput)),
      regExDefinitionPlaceHolder2(rawValue(URLParams::selectedFileObjects)) {
    attributedStringKeysPlaceholder.underlineStyle = static_cast<int>(platform::UnderlineStyle::Single);
    URLAttributedStringDefinitions = {
        {"Scheme", attributedStringKeysScheme, regExDefinitionScheme},
        {"Domain", attributedStringKeysDomain, regExDefinitionDomain},
        {"Query", attributedStringKeysQuery, regExDefinitionQuery},
        {"QueryDivider1", attributedStringKeysQueryDivider1, regExDefinitionQueryDivider1},
        {"QueryDivider2", attributedStringKeysQueryDivider2, regExDefinitionQueryDivider2},
        {"Placeholder1", attributedStringKeysPlaceholder, regExDefinitionPlaceHolder1},
        {"Placeholder2", attributedStringKeysPlaceholder, regExDefinitionPlaceHolder2},
    };
}

platform::AttributedString URLAttributedStringParser::attributedString(const std::string& text) const {
    platform::TextAttributes base;
    base.foregroundColor = systemColor("labelColor", Color::black());
    base.font = attributedStringFont;
    platform::AttributedString styled(text, base);
    // Counted in characters: a short text is no URL worth colouring.
    if (platform::text::graphemeCount(text) < 5) return styled;

    for (const auto& rule : URLAttributedStringDefinitions) {
        // Compiled on every call: the texts are single URLs typed in one field.
        const auto pattern = platform::RegularExpression::make(rule.regexDefinition);
        if (!pattern) continue;
        for (const auto& match : pattern->matches(text)) {
            platform::TextRange range = match.rangeWithName("capture");
            if (!range.found()) range = match.range();
            if (!range.found() || range.end() > text.size()) continue;
            styled.addAttributes(rule.attributedStringKeys, {range.location, range.length});
        }
    }
    return styled;
}

}  // namespace frelt
