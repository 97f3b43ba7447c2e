#pragma once
// Shows a URL or URL template in a monospaced font with its parts in colour:
// the scheme, the host part, the query, the dividers "=" and "&", and the
// placeholders. The rules apply in order, a later one's colour winning where
// they overlap. Each text field that shows URLs owns one parser; main thread.

#include <string>
#include <vector>

#include "platform/graphics/AttributedString.h"

namespace frelt {

struct URLAttributedStringDefinition {
    std::string description;
    platform::TextAttributes attributedStringKeys;
    // Styles the group "capture" when the pattern has one and it took part,
    // else the whole match.
    std::string regexDefinition;
};

class URLAttributedStringParser {
public:
    URLAttributedStringParser();

    std::vector<URLAttributedStringDefinition> URLAttributedStringDefinitions;
    platform::Font attributedStringFont;

    platform::TextAttributes attributedStringKeysScheme;
    platform::TextAttributes attributedStringKeysDomain;
    platform::TextAttributes attributedStringKeysQuery;
    platform::TextAttributes attributedStringKeysQueryDivider1;
    platform::TextAttributes attributedStringKeysQueryDivider2;
    platform::TextAttributes attributedStringKeysPlaceholder;

    std::string regExDefinitionScheme;
    std::string regExDefinitionDomain;
    std::string regExDefinitionQuery;
    std::string regExDefinitionQueryDivider1;
    std::string regExDefinitionQueryDivider2;
    std::string regExDefinitionPlaceHolder1;
    std::string regExDefinitionPlaceHolder2;

    // The text in the label colour and the font, coloured by the rules; a
    // text shorter than five characters gets no colours.
    platform::AttributedString attributedString(const std::string& text) const;
};

}  // namespace frelt
