#pragma once
// The line syntax of the markdown engine: how a marker makes a line of a
// style, how front matter is delimited, and the processed line itself.

#include <memory>
#include <string>

namespace frelt {

// The style of a whole line, as the line processor sees it.
class LineStyling {
public:
    virtual ~LineStyling() = default;
    // Whether the line's text is meant to be split into character tokens.
    virtual bool shouldTokenise() const = 0;
    // When a line of this style is found, the style the line before it takes
    // instead (setext underlines); null for ordinary styles.
    virtual std::shared_ptr<const LineStyling> styleForPreviousLine() const = 0;
};

using LineStylingRef = std::shared_ptr<const LineStyling>;

struct MarkdownLine {
    std::string line;
    LineStylingRef lineStyle;

    MarkdownLine(std::string text, LineStylingRef style) : line(std::move(text)), lineStyle(std::move(style)) {}

    const std::string& description() const { return line; }
    // Only the text takes part: the style is what the processor decided, not
    // what the line is.
    bool operator==(const MarkdownLine& other) const { return line == other.line; }
};

enum class Remove { leading, trailing, both, entireLine, none };

enum class ChangeApplication { current, previous, untilClose };

struct LineRule {
    std::string token;
    Remove removeFrom;
    LineStylingRef type;
    bool shouldTrim;
    ChangeApplication changeAppliesTo;

    LineRule(std::string token, LineStylingRef type, Remove removeFrom, bool shouldTrim,
             ChangeApplication changeAppliesTo)
        : token(std::move(token)),
          removeFrom(removeFrom),
          type(std::move(type)),
          shouldTrim(shouldTrim),
          changeAppliesTo(changeAppliesTo) {}

    // The candidate with this rule's marker taken out, as `removeFrom` says.
    // The rule matches a line only when this changes the candidate.
    std::string removingToken(const std::string& candidate) const;
};

struct FrontMatterRule {
    std::string openTag;
    std::string closeTag;
    std::string keyValueSeparator;  // one character

    FrontMatterRule(std::string openTag, std::string closeTag, std::string keyValueSeparator)
        : openTag(std::move(openTag)), closeTag(std::move(closeTag)), keyValueSeparator(std::move(keyValueSeparator)) {}
};

}  // namespace frelt
