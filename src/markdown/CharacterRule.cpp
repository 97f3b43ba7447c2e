#include "markdown/CharacterRule.h"

#include <algorithm>

#include "platform/foundation/Text.h"

namespace frelt {

CharacterRule::CharacterRule(CharacterRuleTag primaryTag, std::vector<CharacterRuleTag> tags,
                             std::vector<std::string> escapeCharacters, std::map<int, CharacterStylingRef> styles,
                             int minTags, int maxTags, bool metadataLookup, bool definesBoundary,
                             bool shouldCancelRemainingRules, bool balancedTags)
    : primaryTag_(std::move(primaryTag)),
      tags_(std::move(tags)),
      escapeCharacters_(std::move(escapeCharacters)),
      styles_(std::move(styles)),
      minTags_(std::min(minTags, maxTags)),
      maxTags_(std::max(minTags, maxTags)),
      metadataLookup_(metadataLookup),
      definesBoundary_(definesBoundary),
      shouldCancelRemainingRules_(shouldCancelRemainingRules),
      balancedTags_(balancedTags) {}

std::optional<CharacterRuleTag> CharacterRule::tag(CharacterRuleTagType type) const {
    for (const auto& t : tags_)
        if (t.type == type) return t;
    return std::nullopt;
}

std::string CharacterRule::description() const {
    std::string styles = "[";
    bool first = true;
    for (const auto& [count, style] : styles_) {
        if (!first) styles += ", ";
        first = false;
        styles += std::to_string(count) + ": " + (style ? style->description() : "nil");
    }
    styles += "]";
    return "Character Rule with Open tag: " + primaryTag_.tag + " and current styles : " + styles + " ";
}

std::string Element::description() const {
    static constexpr const char* typeNames[] = {"tag", "escape", "string", "space", "newline", "metadata"};
    std::string text = character + ": " + typeNames[static_cast<int>(type)] + ", boundary " +
                       std::to_string(boundaryCount) + ", styles [";
    for (std::size_t i = 0; i < styles.size(); ++i) {
        if (i) text += ", ";
        text += styles[i] ? styles[i]->description() : "nil";
    }
    text += "]";
    return text;
}

Token::Token(TokenType type, std::string inputString, std::vector<CharacterStylingRef> characterStyles)
    : id(platform::text::uuidString()),
      type(type),
      inputString(std::move(inputString)),
      characterStyles(std::move(characterStyles)) {
    if (type == TokenType::repeatingTag) count = static_cast<int>(platform::text::graphemeCount(this->inputString));
}

std::string Token::outputString() const {
    switch (type) {
        case TokenType::repeatingTag: {
            if (count < 1) return {};
            auto characters = platform::text::graphemeClusters(inputString);
            std::string out;
            for (std::size_t i = 0; i < characters.size() && i < static_cast<std::size_t>(count); ++i)
                out += characters[i];
            return out;
        }
        case TokenType::openTag:
        case TokenType::intermediateTag:
        case TokenType::closeTag:
        case TokenType::string:
        case TokenType::escape:
            return (isProcessed || isMetadata) ? std::string() : inputString;
        case TokenType::replacement:
            return inputString;
    }
    return inputString;
}

}  // namespace frelt
