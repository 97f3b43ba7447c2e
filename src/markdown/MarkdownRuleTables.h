#pragma once
// The markdown dialect of the program: the rows the renderer hands to its line
// processor and tokeniser. Their order is the order in which competing
// markers are tried.

#include <vector>

#include "markdown/CharacterRule.h"
#include "markdown/MarkdownLine.h"

namespace frelt::markdown_rules {

std::vector<FrontMatterRule> defaultFrontMatterRules();
std::vector<LineRule> defaultLineRules();
std::vector<CharacterRule> defaultCharacterRules();

}  // namespace frelt::markdown_rules
