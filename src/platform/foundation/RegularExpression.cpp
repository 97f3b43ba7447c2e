#include "platform/foundation/RegularExpression.h"

#include <unicode/regex.h>
#include <unicode/utext.h>

#include <algorithm>

namespace platform {

namespace detail {
struct CompiledRegex {
    std::unique_ptr<icu::RegexPattern> pattern;
    std::size_t groupCount = 0;
};
}  // namespace detail

namespace {

std::uint32_t icuFlags(std::uint32_t options) {
    std::uint32_t flags = 0;
    if (options & RegularExpression::caseInsensitive) flags |= UREGEX_CASE_INSENSITIVE;
    if (options & RegularExpression::allowCommentsAndWhitespace) flags |= UREGEX_COMMENTS;
    if (options & RegularExpression::ignoreMetacharacters) flags |= UREGEX_LITERAL;
    if (options & RegularExpression::dotMatchesLineSeparators) flags |= UREGEX_DOTALL;
    if (options & RegularExpression::anchorsMatchLines) flags |= UREGEX_MULTILINE;
    if (options & RegularExpression::useUnixLineSeparators) flags |= UREGEX_UNIX_LINES;
    if (options & RegularExpression::useUnicodeWordBoundaries) flags |= UREGEX_UWORD;
    return flags;
}

// A UTF-8 UText over a std::string: ICU's native indices are then byte offsets.
struct Utf8Text {
    UText* text = nullptr;
    explicit Utf8Text(const std::string& s) {
        UErrorCode status = U_ZERO_ERROR;
        text = utext_openUTF8(nullptr, s.data(), static_cast<int64_t>(s.size()), &status);
        if (U_FAILURE(status)) text = nullptr;
    }
    ~Utf8Text() {
        if (text) utext_close(text);
    }
    Utf8Text(const Utf8Text&) = delete;
    Utf8Text& operator=(const Utf8Text&) = delete;
};

// Clamps a requested range to the text; nullopt when it lies beyond it.
std::optional<TextRange> effectiveRange(const std::string& text, std::optional<TextRange> range) {
    if (!range) return TextRange{0, text.size()};
    if (range->location == TextRange::notFound || range->location > text.size()) return std::nullopt;
    const std::size_t room = text.size() - range->location;
    return TextRange{range->location, std::min(range->length, room)};
}

// Runs the search and hands each match to `visit` until it returns false.
template <class Visit>
void search(const detail::CompiledRegex& compiled, const std::string& text, std::optional<TextRange> requested,
            std::uint32_t matchingOptions, Visit&& visit) {
    const auto range = effectiveRange(text, requested);
    if (!range) return;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(compiled.pattern->matcher(status));
    if (U_FAILURE(status) || !matcher) return;
    Utf8Text input(text);
    if (!input.text) return;
    matcher->reset(input.text);
    matcher->region(static_cast<int64_t>(range->location), static_cast<int64_t>(range->end()), status);
    matcher->useTransparentBounds(matchingOptions & RegularExpression::withTransparentBounds);
    matcher->useAnchoringBounds(!(matchingOptions & RegularExpression::withoutAnchoringBounds));
    if (U_FAILURE(status)) return;

    auto report = [&]() -> bool {
        std::vector<TextRange> ranges;
        ranges.reserve(compiled.groupCount + 1);
        for (std::size_t g = 0; g <= compiled.groupCount; ++g) {
            UErrorCode s = U_ZERO_ERROR;
            const int64_t start = matcher->start64(static_cast<int32_t>(g), s);
            const int64_t end = matcher->end64(static_cast<int32_t>(g), s);
            if (U_FAILURE(s) || start < 0 || end < start) {
                ranges.push_back(TextRange{});
            } else {
                ranges.push_back(TextRange{static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)});
            }
        }
        return visit(std::move(ranges));
    };

    if (matchingOptions & RegularExpression::anchored) {
        if (matcher->lookingAt(status) && U_SUCCESS(status)) report();
        return;
    }
    while (matcher->find(status) && U_SUCCESS(status)) {
        if (!report()) return;
    }
}

}  // namespace

TextCheckingResult::TextCheckingResult(std::vector<TextRange> ranges,
                                       std::shared_ptr<const detail::CompiledRegex> pattern)
    : ranges_(std::move(ranges)), pattern_(std::move(pattern)) {}

TextRange TextCheckingResult::rangeAt(std::size_t index) const {
    return index < ranges_.size() ? ranges_[index] : TextRange{};
}

TextRange TextCheckingResult::rangeWithName(const std::string& name) const {
    if (!pattern_ || !pattern_->pattern) return {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t group = pattern_->pattern->groupNumberFromName(icu::UnicodeString::fromUTF8(name), status);
    if (U_FAILURE(status) || group < 0) return {};
    return rangeAt(static_cast<std::size_t>(group));
}

std::string TextCheckingResult::substring(const std::string& text, std::size_t index) const {
    const TextRange r = rangeAt(index);
    if (!r.found() || r.end() > text.size()) return {};
    return text.substr(r.location, r.length);
}

std::string TextCheckingResult::substring(const std::string& text, const std::string& groupName) const {
    const TextRange r = rangeWithName(groupName);
    if (!r.found() || r.end() > text.size()) return {};
    return text.substr(r.location, r.length);
}

std::optional<RegularExpression> RegularExpression::make(const std::string& pattern, std::uint32_t options,
                                                         std::string* error) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), icuFlags(options), parseError, status));
    if (U_FAILURE(status) || !compiled) {
        if (error) {
            *error = "invalid regular expression \"" + pattern + "\": " + u_errorName(status);
            if (parseError.offset >= 0) error->append(" at offset " + std::to_string(parseError.offset));
        }
        return std::nullopt;
    }
    auto holder = std::make_shared<detail::CompiledRegex>();
    {
        std::unique_ptr<icu::RegexMatcher> probe(compiled->matcher(status));
        if (U_FAILURE(status) || !probe) {
            if (error) *error = "cannot use regular expression \"" + pattern + "\": " + u_errorName(status);
            return std::nullopt;
        }
        holder->groupCount = static_cast<std::size_t>(std::max<int32_t>(0, probe->groupCount()));
    }
    holder->pattern = std::move(compiled);

    RegularExpression re;
    re.pattern_ = pattern;
    re.options_ = options;
    re.compiled_ = std::move(holder);
    return re;
}

std::size_t RegularExpression::numberOfCaptureGroups() const { return compiled_->groupCount; }

std::vector<TextCheckingResult> RegularExpression::matches(const std::string& text, std::optional<TextRange> range,
                                                           std::uint32_t matchingOptions) const {
    std::vector<TextCheckingResult> out;
    search(*compiled_, text, range, matchingOptions, [&](std::vector<TextRange> ranges) {
        out.emplace_back(std::move(ranges), compiled_);
        return true;
    });
    return out;
}

std::optional<TextCheckingResult> RegularExpression::firstMatch(const std::string& text,
                                                                std::optional<TextRange> range,
                                                                std::uint32_t matchingOptions) const {
    std::optional<TextCheckingResult> out;
    search(*compiled_, text, range, matchingOptions, [&](std::vector<TextRange> ranges) {
        out.emplace(std::move(ranges), compiled_);
        return false;
    });
    return out;
}

std::size_t RegularExpression::numberOfMatches(const std::string& text, std::optional<TextRange> range,
                                               std::uint32_t matchingOptions) const {
    std::size_t count = 0;
    search(*compiled_, text, range, matchingOptions, [&](std::vector<TextRange>) {
        ++count;
        return true;
    });
    return count;
}

TextRange RegularExpression::rangeOfFirstMatch(const std::string& text, std::optional<TextRange> range,
                                               std::uint32_t matchingOptions) const {
    auto match = firstMatch(text, range, matchingOptions);
    return match ? match->range() : TextRange{};
}

bool RegularExpression::matchesEntirely(const std::string& text) const {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(compiled_->pattern->matcher(status));
    if (U_FAILURE(status) || !matcher) return false;
    Utf8Text input(text);
    if (!input.text) return false;
    matcher->reset(input.text);
    const bool whole = matcher->matches(status);
    return U_SUCCESS(status) && whole;
}

std::string RegularExpression::replacementString(const TextCheckingResult& result, const std::string& text,
                                                 const std::string& templ) const {
    const std::size_t groups = compiled_->groupCount;
    std::string out;
    for (std::size_t i = 0; i < templ.size();) {
        const char c = templ[i];
        if (c == '\\' && i + 1 < templ.size()) {
            out += templ[i + 1];
            i += 2;
        } else if (c == '$' && i + 1 < templ.size() && templ[i + 1] >= '0' && templ[i + 1] <= '9') {
            std::size_t group = static_cast<std::size_t>(templ[i + 1] - '0');
            std::size_t j = i + 2;
            // Take further digits only while they still name an existing group.
            while (j < templ.size() && templ[j] >= '0' && templ[j] <= '9') {
                const std::size_t next = group * 10 + static_cast<std::size_t>(templ[j] - '0');
                if (next > groups) break;
                group = next;
                ++j;
            }
            if (group <= groups) out += result.substring(text, group);
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::string RegularExpression::stringByReplacingMatches(const std::string& text, const std::string& templ,
                                                        std::optional<TextRange> range,
                                                        std::uint32_t matchingOptions) const {
    std::string out;
    std::size_t copied = 0;
    for (const auto& match : matches(text, range, matchingOptions)) {
        const TextRange r = match.range();
        out.append(text, copied, r.location - copied);
        out += replacementString(match, text, templ);
        copied = r.end();
    }
    out.append(text, copied, std::string::npos);
    return out;
}

std::string RegularExpression::escapedPattern(const std::string& text) {
    static const std::string meta = "\\*?+[](){}^$|./";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (meta.find(c) != std::string::npos) out += '\\';
        out += c;
    }
    return out;
}

std::string RegularExpression::escapedTemplate(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '$') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace platform
