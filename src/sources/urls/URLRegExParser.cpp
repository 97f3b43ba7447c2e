#include "sources/urls/URLRegExParser.h"

#include <algorithm>

#include "platform/foundation/RawValue.h"
#include "sources/FileHelpers.h"
#include "sources/urls/URLInputDialog.h"

namespace frelt {

namespace {

inline constexpr platform::RawValueTable<URLParams, 2> urlParamPatterns{{{
    {URLParams::userInput, R"(\%{2}userInput(\:(?<question>[\w\d\s]*))?\%{2})"},
    {URLParams::selectedFileObjects, R"(\%{2}selectedFileObjects\%{2})"},
}}};

const std::optional<platform::RegularExpression>& compiled(URLParams param) {
    static const std::array<std::optional<platform::RegularExpression>, 2> patterns = {
        platform::RegularExpression::make(rawValue(URLParams::userInput)),
        platform::RegularExpression::make(rawValue(URLParams::selectedFileObjects)),
    };
    return patterns[param == URLParams::userInput ? 0 : 1];
}

void eraseRange(std::string& text, const platform::TextRange& range) {
    if (range.location <= text.size()) text.erase(range.location, range.length);
}

}  // namespace

const char* rawValue(URLParams param) { return urlParamPatterns.rawValue(param); }

std::optional<URLParams> urlParamsFromRawValue(std::string_view raw) { return urlParamPatterns.fromRawValue(raw); }

const std::array<URLParams, 2>& allURLParams() {
    static constexpr std::array<URLParams, 2> all = {URLParams::userInput, URLParams::selectedFileObjects};
    return all;
}

// --- Percent-encoding -------------------------------------------------------------------------

namespace urlencoding {

const platform::text::CharacterSet& urlQueryValueAllowed() {
    static const auto set = platform::text::CharacterSet::urlQueryAllowed().removing("&?");
    return set;
}

const platform::text::CharacterSet& urlComponentAllowed() {
    using platform::text::CharacterSet;
    static const auto set = urlQueryValueAllowed()
                                .intersecting(CharacterSet::urlPathAllowed())
                                .intersecting(CharacterSet::urlFragmentAllowed())
                                .intersecting(CharacterSet::urlHostAllowed());
    return set;
}

std::string percentEncodedComponent(std::string_view text) {
    return platform::text::percentEncoded(text, urlComponentAllowed());
}

}  // namespace urlencoding

// --- URLRegExParser ----------------------------------------------------------------------------

std::optional<URLRegExParser> URLRegExParser::make(std::string urlString, URLObjects objects) {
    if (urlString.empty()) return std::nullopt;
    URLRegExParser parser;
    parser.currentURLString = std::move(urlString);
    parser.currentObjects = std::move(objects);
    return parser;
}

void URLRegExParser::findMatches() {
    if (currentURLString.empty()) return;
    regExURLMatches.clear();
    for (const URLParams param : allURLParams()) {
        const auto& pattern = compiled(param);
        if (!pattern) continue;
        for (const auto& match : pattern->matches(currentURLString)) {
            const auto range = match.range();
            regExURLMatches.push_back(
                RegExURLMatch{currentURLString.substr(range.location, range.length), range, param, std::nullopt});
        }
    }
}

void URLRegExParser::sortMatches() {
    std::stable_sort(
        regExURLMatches.begin(), regExURLMatches.end(),
        [](const RegExURLMatch& a, const RegExURLMatch& b) { return a.range.location < b.range.location; });
}

std::string URLRegExParser::urlStringWithoutPlaceholders() {
    std::string text = currentURLString;
    findMatches();
    if (regExURLMatches.empty()) return text;
    sortMatches();
    // From the last to the first, so the earlier ranges stay where they were.
    for (auto it = regExURLMatches.rbegin(); it != regExURLMatches.rend(); ++it) eraseRange(text, it->range);
    return text;
}

std::optional<std::string> URLRegExParser::resolvePlaceholders(const std::string& separator) {
    return resolvePlaceholders(separator, showURLInputDialog);
}

std::optional<std::string> URLRegExParser::resolvePlaceholders(const std::string& separator, const URLQuestion& ask) {
    std::string text = currentURLString;
    if (regExURLMatches.empty()) return text;
    sortMatches();
    for (auto& match : regExURLMatches) {
        switch (match.urlParam) {
            case URLParams::selectedFileObjects:
                match.replaceWith = selectedFileObjectsText(currentObjects, separator);
                break;
            case URLParams::userInput: {
                std::string question;
                if (const auto& pattern = compiled(URLParams::userInput)) {
                    if (const auto found = pattern->firstMatch(match.value))
                        question = found->substring(match.value, "question");
                }
                const auto answer = ask ? ask(currentURLString, question) : std::nullopt;
                if (!answer) return std::nullopt;
                match.replaceWith = urlencoding::percentEncodedComponent(*answer);
                break;
            }
        }
    }
    for (auto it = regExURLMatches.rbegin(); it != regExURLMatches.rend(); ++it) {
        if (!it->replaceWith) continue;
        if (it->range.location > text.size()) continue;
        text.replace(it->range.location, it->range.length, *it->replaceWith);
    }
    return text;
}

std::string URLRegExParser::selectedFileObjectsText(const URLObjects& objects, const std::string& separator) {
    if (!objects || objects->empty()) return {};
    std::string joined;
    bool first = true;
    for (const auto& path : *objects) {
        if (path.empty()) continue;
        if (!first) joined += separator;
        joined += path;
        first = false;
    }
    return urlencoding::percentEncodedComponent(joined);
}

// --- ParsedURL ---------------------------------------------------------------------------------

std::optional<ParsedURL> ParsedURL::make(std::string urlString, URLObjects objects) {
    if (urlString.empty()) return std::nullopt;
    ParsedURL parsed;
    parsed.currentURLString = std::move(urlString);
    parsed.currentObjects = std::move(objects);
    parsed.urlRegExParser = URLRegExParser::make(parsed.currentURLString, parsed.currentObjects);
    if (!parsed.isValid()) return std::nullopt;
    return parsed;
}

bool ParsedURL::isValid() {
    if (currentURLString.empty()) return false;
    if (!hasURLScheme(platform::text::lowercased(currentURLString))) return false;
    if (!urlRegExParser) return false;
    const auto url = platform::URL::fromString(urlRegExParser->urlStringWithoutPlaceholders());
    if (!url) return false;
    url_ = *url;
    return true;
}

}  // namespace frelt
