#include "markdown/MarkdownRuleTables.h"

#include "markdown/MarkdownStyleTypes.h"

namespace frelt::markdown_rules {

std::vector<FrontMatterRule> defaultFrontMatterRules() { return {FrontMatterRule("---", "---", ":")}; }

std::vector<LineRule> defaultLineRules() {
    using S = MarkdownLineStyle;
    using R = Remove;
    using C = ChangeApplication;
    auto rule = [](const char* token, R remove, S style, bool trim, C change) {
        return LineRule(token, lineStyling(style), remove, trim, change);
    };
    return {
        rule("=", R::entireLine, S::previousH1, true, C::previous),
        rule("-", R::entireLine, S::previousH2, true, C::previous),
        rule("\t\t- ", R::leading, S::unorderedListIndentSecondOrder, false, C::current),
        rule("\t- ", R::leading, S::unorderedListIndentFirstOrder, false, C::current),
        rule("- ", R::leading, S::unorderedList, true, C::current),
        rule("\t\t* ", R::leading, S::unorderedListIndentSecondOrder, false, C::current),
        rule("\t* ", R::leading, S::unorderedListIndentFirstOrder, false, C::current),
        rule("\t\t1. ", R::leading, S::orderedListIndentSecondOrder, false, C::current),
        rule("\t1. ", R::leading, S::orderedListIndentFirstOrder, false, C::current),
        rule("1. ", R::leading, S::orderedList, true, C::current),
        rule("* ", R::leading, S::unorderedList, true, C::current),
        rule("    ", R::leading, S::codeblock, false, C::current),
        rule("\t", R::leading, S::codeblock, false, C::current),
        rule(">", R::leading, S::blockquote, true, C::current),
        rule("###### ", R::both, S::h6, true, C::current),
        rule("##### ", R::both, S::h5, true, C::current),
        rule("#### ", R::both, S::h4, true, C::current),
        rule("### ", R::both, S::h3, true, C::current),
        rule("## ", R::both, S::h2, true, C::current),
        rule("# ", R::both, S::h1, true, C::current),
    };
}

std::vector<CharacterRule> defaultCharacterRules() {
    using T = CharacterRuleTagType;
    using CS = CharacterStyle;
    const std::vector<std::string> escapes{"\\"};
    auto delimited = [&](const char* open, const char* metadataOpen, const char* metadataClose, CS style,
                         bool lookup) {
        return CharacterRule({open, T::open}, {{"]", T::close}, {metadataOpen, T::metadataOpen}, {metadataClose, T::metadataClose}},
                             escapes, {{1, characterStyling(style)}}, 1, 1, lookup, true, false, false);
    };
    auto emphasis = [&](const char* tag) {
        return CharacterRule({tag, T::repeating}, {}, escapes,
                             {{1, characterStyling(CS::italic)}, {2, characterStyling(CS::bold)}}, 1, 2, false, false,
                             false, false);
    };
    return {
        delimited("![", "[", "]", CS::image, true),
        delimited("![", "(", ")", CS::image, false),
        delimited("[", "[", "]", CS::link, true),
        delimited("[", "(", ")", CS::link, false),
        CharacterRule({"`", T::repeating}, {}, escapes, {{1, characterStyling(CS::code)}}, 1, 1, false, false, true,
                      true),
        CharacterRule({"~", T::repeating}, {}, escapes, {{2, characterStyling(CS::strikethrough)}}, 2, 2, false, false,
                      false, false),
        emphasis("*"),
        emphasis("_"),
    };
}

}  // namespace frelt::markdown_rules
