#include "markdown/MarkdownLine.h"

#include "markdown/MarkdownText.h"
#include "platform/foundation/Text.h"

namespace frelt {

namespace {

std::string removeLeading(const std::string& s, const std::string& token) {
    if (token.empty() || s.size() < token.size() || s.compare(0, token.size(), token) != 0) return s;
    if (!markdown_text::isCharacterBoundary(s, token.size())) return s;
    return s.substr(token.size());
}

std::string removeTrailing(const std::string& s, const std::string& token) {
    std::string trimmed = platform::text::trimmingWhitespace(token);
    if (trimmed.empty() || s.size() < trimmed.size()) return s;
    std::size_t start = s.size() - trimmed.size();
    if (s.compare(start, trimmed.size(), trimmed) != 0) return s;
    if (!markdown_text::isCharacterBoundary(s, start)) return s;
    return s.substr(0, start);
}

std::string removeEntireLine(const std::string& s, const std::string& token) {
    if (token.empty()) return s;
    std::string rest;
    std::size_t pos = 0;
    for (std::size_t found = s.find(token); found != std::string::npos; found = s.find(token, pos)) {
        rest.append(s, pos, found - pos);
        pos = found + token.size();
    }
    rest.append(s, pos, std::string::npos);
    return rest.empty() ? std::string() : s;
}

}  // namespace

std::string LineRule::removingToken(const std::string& candidate) const {
    switch (removeFrom) {
        case Remove::leading: return removeLeading(candidate, token);
        case Remove::trailing: return removeTrailing(candidate, token);
        case Remove::both: return removeTrailing(removeLeading(candidate, token), token);
        case Remove::entireLine: return removeEntireLine(candidate, token);
        case Remove::none: return candidate;
    }
    return candidate;
}

}  // namespace frelt
