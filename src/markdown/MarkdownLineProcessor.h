#pragma once
// First pass of the markdown engine: splits a text into lines, takes front
// matter off the top and gives every line a style by trying the line rules in
// order. It knows styles only through LineStyling.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "markdown/MarkdownLine.h"
#include "store/PerformanceLog.h"

namespace frelt {

class MarkdownLineProcessor {
public:
    MarkdownLineProcessor(std::vector<LineRule> rules, LineStylingRef defaultRule,
                          std::vector<FrontMatterRule> frontMatterRules);
    virtual ~MarkdownLineProcessor() = default;

    // When set, an empty line is kept with this style; otherwise dropped.
    LineStylingRef processEmptyStrings;

    // Keys accumulate over calls; the processor never clears them.
    const std::map<std::string, std::string>& frontMatterAttributes() const { return frontMatterAttributes_; }
    // The token of an until-close block left open; survives between calls.
    const std::optional<std::string>& closeToken() const { return closeToken_; }

    virtual std::optional<MarkdownLine> processLineLevelAttributes(const std::string& text);
    virtual std::vector<std::string> processFrontMatter(std::vector<std::string> lines);
    virtual std::vector<MarkdownLine> process(const std::string& text);

private:
    std::map<std::string, std::string> frontMatterAttributes_;
    std::optional<std::string> closeToken_;
    LineStylingRef defaultType_;
    std::vector<LineRule> lineRules_;
    std::vector<FrontMatterRule> frontMatterRules_;
    PerformanceLog perfomanceLog_;
};

}  // namespace frelt
