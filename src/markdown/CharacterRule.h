#pragma once
// The character syntax of the markdown engine and the result of the character
// pass: rules and their tags, the per-character elements the scanner
// rewrites, and the tokens the renderer styles.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace frelt {

// One character style, as the tokeniser and scanner see it.
class CharacterStyling {
public:
    virtual ~CharacterStyling() = default;
    virtual bool isSameStyle(const CharacterStyling& other) const = 0;
    virtual std::string description() const = 0;
};

using CharacterStylingRef = std::shared_ptr<const CharacterStyling>;

enum class CharacterRuleTagType { open, close, metadataOpen, metadataClose, repeating };

struct CharacterRuleTag {
    std::string tag;
    CharacterRuleTagType type;
};

// Part of the rule vocabulary; no field holds them.
enum class SpaceAllowed { no, bothSides, oneSide, leadingSide, trailingSide };
enum class Cancel { none, allRemaining, currentSet };

class CharacterRule {
public:
    // The two counts are normalised: minTags is the smaller, maxTags the larger.
    CharacterRule(CharacterRuleTag primaryTag, std::vector<CharacterRuleTag> tags,
                  std::vector<std::string> escapeCharacters, std::map<int, CharacterStylingRef> styles,
                  int minTags, int maxTags, bool metadataLookup, bool definesBoundary,
                  bool shouldCancelRemainingRules, bool balancedTags);

    const CharacterRuleTag& primaryTag() const { return primaryTag_; }
    const std::vector<CharacterRuleTag>& tags() const { return tags_; }
    const std::vector<std::string>& escapeCharacters() const { return escapeCharacters_; }
    const std::map<int, CharacterStylingRef>& styles() const { return styles_; }
    int minTags() const { return minTags_; }
    int maxTags() const { return maxTags_; }
    bool metadataLookup() const { return metadataLookup_; }
    bool definesBoundary() const { return definesBoundary_; }
    bool shouldCancelRemainingRules() const { return shouldCancelRemainingRules_; }
    bool balancedTags() const { return balancedTags_; }

    // The first further tag of that type; the primary tag is not searched.
    std::optional<CharacterRuleTag> tag(CharacterRuleTagType type) const;
    bool hasRepeatingPrimaryTag() const { return primaryTag_.type == CharacterRuleTagType::repeating; }
    std::string description() const;

private:
    CharacterRuleTag primaryTag_;
    std::vector<CharacterRuleTag> tags_;
    std::vector<std::string> escapeCharacters_;
    std::map<int, CharacterStylingRef> styles_;
    int minTags_;
    int maxTags_;
    bool metadataLookup_;
    bool definesBoundary_;
    bool shouldCancelRemainingRules_;
    bool balancedTags_;
};

enum class ElementType { tag, escape, string, space, newline, metadata };

// One character (user-perceived) of the line under scan.
struct Element {
    std::string character;
    ElementType type = ElementType::string;
    int boundaryCount = 0;
    bool isComplete = false;
    std::vector<CharacterStylingRef> styles;
    std::vector<std::string> metadata;

    Element(std::string character, ElementType type) : character(std::move(character)), type(type) {}
    // A character of one byte, made in place.
    Element(char character, ElementType type) : character(1, character), type(type) {}
    std::string description() const;
};

enum class TokenType { repeatingTag, openTag, intermediateTag, closeTag, string, escape, replacement };

struct Token {
    Token(TokenType type, std::string inputString, std::vector<CharacterStylingRef> characterStyles = {});

    std::string id;
    TokenType type;
    std::string inputString;
    std::vector<std::string> metadataStrings;
    int group = 0;
    std::vector<CharacterStylingRef> characterStyles;
    int count = 0;
    bool shouldSkip = false;
    int tokenIndex = -1;
    bool isProcessed = false;
    bool isMetadata = false;
    std::vector<Token> children;

    // The text the renderer shows for this token.
    std::string outputString() const;
};

}  // namespace frelt
