#pragma once
// Turns one markdown line into tokens: runs of text with their character
// styles and metadata. One scanner per rule, in rule order, rewrites the
// line's elements; tag and escape characters never reach the tokens.

#include <map>
#include <string>
#include <vector>

#include "markdown/CharacterRule.h"
#include "markdown/MarkdownText.h"
#include "store/PerformanceLog.h"

namespace frelt {

class MarkdownTokeniser {
public:
    explicit MarkdownTokeniser(std::vector<CharacterRule> rules);
    virtual ~MarkdownTokeniser();
    MarkdownTokeniser(const MarkdownTokeniser&) = delete;
    MarkdownTokeniser& operator=(const MarkdownTokeniser&) = delete;

    // Reference name to target; the renderer replaces it for each text.
    std::map<std::string, std::string> metadataLookup;
    // Declared for replacement texts; nothing reads or fills it.
    std::map<std::string, std::vector<Token>> replacements;

    const std::vector<CharacterRule>& rules() const { return rules_; }
    bool enableLog() const { return enableLog_; }

    virtual std::vector<Token> process(const std::string& line);

private:
    std::vector<CharacterRule> rules_;
    bool enableLog_;
    PerformanceLog totalPerfomanceLog_;
    PerformanceLog currentPerfomanceLog_;
    markdown_text::CharacterSet newlines_ = markdown_text::CharacterSet::newlines();
    markdown_text::CharacterSet spaces_ = markdown_text::CharacterSet::whitespaces();
};

}  // namespace frelt
