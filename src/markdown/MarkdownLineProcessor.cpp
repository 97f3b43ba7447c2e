#include "markdown/MarkdownLineProcessor.h"

#include "markdown/MarkdownLogs.h"
#include "markdown/MarkdownText.h"
#include "platform/foundation/Text.h"

namespace frelt {

using platform::text::trimmingWhitespace;

MarkdownLineProcessor::MarkdownLineProcessor(std::vector<LineRule> rules, LineStylingRef defaultRule,
                                             std::vector<FrontMatterRule> frontMatterRules)
    : defaultType_(std::move(defaultRule)),
      lineRules_(std::move(rules)),
      frontMatterRules_(std::move(frontMatterRules)),
      perfomanceLog_("MarkdownLineProcessorPerformanceLogging", "Line Processor",
                     markdown_logs::lineProcessorPerformance()) {}

std::vector<MarkdownLine> MarkdownLineProcessor::process(const std::string& text) {
    perfomanceLog_.begin();
    auto lines = processFrontMatter(markdown_text::splitLines(text));
    perfomanceLog_.logTime("(Front matter completed)");

    std::vector<MarkdownLine> output;
    for (const auto& line : lines) {
        if (!processEmptyStrings && line.empty()) continue;
        auto found = processLineLevelAttributes(line);
        if (!found) continue;
        auto previousStyle = found->lineStyle ? found->lineStyle->styleForPreviousLine() : nullptr;
        if (previousStyle && !output.empty()) {
            output.back().lineStyle = std::move(previousStyle);
            continue;
        }
        output.push_back(std::move(*found));
        perfomanceLog_.logTime("(line completed: " + line);
    }
    return output;
}

std::vector<std::string> MarkdownLineProcessor::processFrontMatter(std::vector<std::string> lines) {
    if (lines.empty()) return lines;
    std::string first = platform::text::trimmingWhitespaceAndNewlines(lines.front());
    const FrontMatterRule* rule = nullptr;
    for (const auto& candidate : frontMatterRules_) {
        if (candidate.openTag == first) {
            rule = &candidate;
            break;
        }
    }
    if (!rule) return lines;

    // Keys are committed only once the block is closed: a block that never
    // closes was not front matter, and its lines go back to the text.
    std::map<std::string, std::string> found;
    std::size_t index = 1;
    bool closed = false;
    for (; index < lines.size(); ++index) {
        const auto& line = lines[index];
        if (line == rule->closeTag) {
            closed = true;
            ++index;
            break;
        }
        if (rule->keyValueSeparator.empty()) continue;
        std::vector<std::string> parts;
        std::size_t pos = 0;
        for (std::size_t at = line.find(rule->keyValueSeparator); at != std::string::npos;
             at = line.find(rule->keyValueSeparator, pos)) {
            parts.push_back(line.substr(pos, at - pos));
            pos = at + rule->keyValueSeparator.size();
        }
        parts.push_back(line.substr(pos));
        if (parts.size() < 2) continue;
        std::string value;
        for (std::size_t i = 1; i < parts.size(); ++i) value += parts[i];
        found[parts[0]] = std::move(value);
    }
    if (!closed) return lines;

    for (auto& [key, value] : found) frontMatterAttributes_[key] = std::move(value);
    while (index < lines.size() && lines[index].empty()) ++index;
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(index));
    return lines;
}

std::optional<MarkdownLine> MarkdownLineProcessor::processLineLevelAttributes(const std::string& text) {
    if (text.empty() && processEmptyStrings) return MarkdownLine("", processEmptyStrings);

    std::vector<const LineRule*> previousRules;
    for (const auto& rule : lineRules_)
        if (rule.changeAppliesTo == ChangeApplication::previous) previousRules.push_back(&rule);

    // Most rules trim the line first; it is trimmed once for all of them.
    std::string trimmed = trimmingWhitespace(text);
    for (const auto& rule : lineRules_) {
        if (rule.token.empty()) continue;
        const std::string& candidate = rule.shouldTrim ? trimmed : text;
        if (closeToken_ && candidate != *closeToken_) return std::nullopt;
        if (text.find(rule.token) == std::string::npos) continue;
        std::string result = rule.removingToken(candidate);
        if (result == candidate) continue;
        if (rule.changeAppliesTo == ChangeApplication::untilClose) {
            if (closeToken_)
                closeToken_.reset();
            else
                closeToken_ = rule.token;
            return std::nullopt;
        }
        if (rule.shouldTrim) result = trimmingWhitespace(result);
        return MarkdownLine(std::move(result), rule.type);
    }

    for (const auto* rule : previousRules) {
        const std::string& candidate = rule->shouldTrim ? trimmed : text;
        // A blank line is a paragraph break, not an underline: without this a
        // line of a few spaces would turn the paragraph above into a heading.
        if (candidate.empty()) continue;
        if (markdown_text::CharacterSet::fromCharacters(rule->token).containsUnicodeScalars(candidate))
            return MarkdownLine("", rule->type);
    }

    return MarkdownLine(std::move(trimmed), defaultType_);
}

}  // namespace frelt
