#pragma once
// Regular expressions with ICU's pattern syntax and semantics.
//
// Text goes in and comes out as UTF-8 std::string, and every range is a
// range of BYTE offsets into that UTF-8 text: callers cut and splice their
// std::string with them directly (text.substr(r.location, r.length)). A match
// never starts or ends inside a multi-byte character. A range bound handed in
// that falls inside one is moved back to the start of that character.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

namespace detail {
struct CompiledRegex;  // the ICU pattern and its group names
}

// A range of byte offsets. `location == notFound` marks a capture group that
// took no part in the match.
struct TextRange {
    static constexpr std::size_t notFound = static_cast<std::size_t>(-1);

    std::size_t location = notFound;
    std::size_t length = 0;

    bool found() const { return location != notFound; }
    std::size_t end() const { return location + length; }
    bool operator==(const TextRange&) const = default;
};

// One match: the whole match at index 0, then one range per capture group.
class TextCheckingResult {
public:
    TextCheckingResult() = default;
    TextCheckingResult(std::vector<TextRange> ranges, std::shared_ptr<const detail::CompiledRegex> pattern);

    TextRange range() const { return rangeAt(0); }
    std::size_t numberOfRanges() const { return ranges_.size(); }
    // A group that did not take part, or an index beyond the groups, gives a
    // range that is not found.
    TextRange rangeAt(std::size_t index) const;
    // The range of the named group `(?<name>…)`; not found for an unknown name.
    TextRange rangeWithName(const std::string& name) const;
    // The text of a range of this match in `text` (the text that was searched);
    // empty when the range was not found.
    std::string substring(const std::string& text, std::size_t index = 0) const;
    std::string substring(const std::string& text, const std::string& groupName) const;

private:
    std::vector<TextRange> ranges_;
    std::shared_ptr<const detail::CompiledRegex> pattern_;  // for group names
};

class RegularExpression {
public:
    // Compile-time options, with the platform's names.
    enum Options : std::uint32_t {
        caseInsensitive = 1u << 0,
        allowCommentsAndWhitespace = 1u << 1,
        ignoreMetacharacters = 1u << 2,
        dotMatchesLineSeparators = 1u << 3,
        anchorsMatchLines = 1u << 4,
        useUnixLineSeparators = 1u << 5,
        useUnicodeWordBoundaries = 1u << 6,
    };
    // Per-search options.
    enum MatchingOptions : std::uint32_t {
        anchored = 1u << 2,                 // only matches at the start of the range
        withTransparentBounds = 1u << 3,    // lookaround may see outside the range
        withoutAnchoringBounds = 1u << 4,   // ^ and $ do not match at the range's ends
    };

    // Compiles `pattern`. An invalid pattern gives no value and, when `error`
    // is given, a readable reason with the offending position.
    static std::optional<RegularExpression> make(const std::string& pattern, std::uint32_t options = 0,
                                                 std::string* error = nullptr);

    const std::string& pattern() const { return pattern_; }
    std::uint32_t options() const { return options_; }
    std::size_t numberOfCaptureGroups() const;

    // All matches in `range` (default: the whole text), in text order. A range
    // that lies beyond the text gives none; one that runs past its end is
    // cut at the end.
    std::vector<TextCheckingResult> matches(const std::string& text, std::optional<TextRange> range = std::nullopt,
                                            std::uint32_t matchingOptions = 0) const;
    std::optional<TextCheckingResult> firstMatch(const std::string& text,
                                                 std::optional<TextRange> range = std::nullopt,
                                                 std::uint32_t matchingOptions = 0) const;
    std::size_t numberOfMatches(const std::string& text, std::optional<TextRange> range = std::nullopt,
                                std::uint32_t matchingOptions = 0) const;
    // Not found when there is no match.
    TextRange rangeOfFirstMatch(const std::string& text, std::optional<TextRange> range = std::nullopt,
                                std::uint32_t matchingOptions = 0) const;
    // True when the pattern matches the whole of `text` (not a part of it).
    bool matchesEntirely(const std::string& text) const;

    // Replaces every match in `range` with `templ`, where $0 is the whole
    // match, $1… a group (as many digits as still name an existing group),
    // and a backslash takes the next character literally. Text outside the
    // range is kept.
    std::string stringByReplacingMatches(const std::string& text, const std::string& templ,
                                         std::optional<TextRange> range = std::nullopt,
                                         std::uint32_t matchingOptions = 0) const;
    // The replacement text for one match, as above.
    std::string replacementString(const TextCheckingResult& result, const std::string& text,
                                  const std::string& templ) const;

    // `text` with every metacharacter escaped, so that it matches itself.
    static std::string escapedPattern(const std::string& text);
    // `text` with $ and \ escaped, so that it is inserted as it stands.
    static std::string escapedTemplate(const std::string& text);

private:
    RegularExpression() = default;
    std::string pattern_;
    std::uint32_t options_ = 0;
    std::shared_ptr<const detail::CompiledRegex> compiled_;
};

}  // namespace platform
