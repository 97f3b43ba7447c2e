#include "markdown/MarkdownRenderer.h"

#include <algorithm>
#include <iterator>

#include "markdown/MarkdownColors.h"
#include "markdown/MarkdownLogs.h"
#include "markdown/MarkdownRuleTables.h"
#include "markdown/MarkdownText.h"
#include "platform/foundation/ReadFile.h"
#include "platform/foundation/Text.h"

namespace frelt {

using platform::AttributedString;
using platform::Font;
using platform::ParagraphStyle;
using platform::TextAttributes;
using S = MarkdownLineStyle;

std::vector<FrontMatterRule>& MarkdownRenderer::frontMatterRules() {
    static std::vector<FrontMatterRule> rules = markdown_rules::defaultFrontMatterRules();
    return rules;
}

std::vector<LineRule>& MarkdownRenderer::lineRules() {
    static std::vector<LineRule> rules = markdown_rules::defaultLineRules();
    return rules;
}

std::vector<CharacterRule>& MarkdownRenderer::characterRules() {
    static std::vector<CharacterRule> rules = markdown_rules::defaultCharacterRules();
    return rules;
}

MarkdownRenderer::MarkdownRenderer(std::string text)
    : string(std::move(text)),
      lineProcessor_(lineRules(), lineStyling(S::body), frontMatterRules()),
      tokeniser_(characterRules()),
      perfomanceLog_("MarkdownRendererPerformanceLogging", "Markdown Renderer", markdown_logs::rendererPerformance()) {
    // Every style follows the desktop's appearance until a caller sets another colour.
    setAllColors(markdown_colors::labelColor());
}

std::shared_ptr<MarkdownRenderer> MarkdownRenderer::fromURL(const std::string& path) {
    auto contents = platform::readWholeFile(path);
    if (!contents || !platform::text::isValidUTF8(*contents)) return nullptr;
    return std::make_shared<MarkdownRenderer>(std::move(*contents));
}

std::vector<FontProperties*> MarkdownRenderer::allStyles() const {
    return {h1.get(), h2.get(), h3.get(), h4.get(), h5.get(), h6.get(), body.get(),
            italic.get(), bold.get(), code.get(), link.get(), blockquotes.get(), strikethrough.get()};
}

void MarkdownRenderer::setAllFontSizes(double size) {
    for (auto* style : allStyles()) style->fontSize = size;
}

void MarkdownRenderer::setAllColors(const platform::Color& c) {
    for (auto* style : allStyles()) style->color = c;
}

void MarkdownRenderer::setAllFontNames(const std::optional<std::string>& name) {
    for (auto* style : allStyles()) style->fontName = name;
}

Font MarkdownRenderer::font(const MarkdownLine& line, std::optional<CharacterStyle> characterOverride) const {
    const FontProperties* lineStyle = body.get();
    switch (asMarkdownLineStyle(line.lineStyle).value_or(S::body)) {
        case S::h1: lineStyle = h1.get(); break;
        case S::h2: lineStyle = h2.get(); break;
        case S::h3: lineStyle = h3.get(); break;
        case S::h4: lineStyle = h4.get(); break;
        case S::h5: lineStyle = h5.get(); break;
        case S::h6: lineStyle = h6.get(); break;
        case S::blockquote: lineStyle = blockquotes.get(); break;
        case S::codeblock: lineStyle = code.get(); break;
        default: break;
    }
    std::optional<std::string> name = lineStyle->fontName;
    double size = lineStyle->fontSize;
    bool isBold = lineStyle->fontStyle == FontStyle::bold || lineStyle->fontStyle == FontStyle::boldItalic;
    bool isItalic = lineStyle->fontStyle == FontStyle::italic || lineStyle->fontStyle == FontStyle::boldItalic;
    if (!name) name = body->fontName;

    auto takeOver = [&](const FontProperties& style) {
        if (style.fontName) name = style.fontName;
        size = style.fontSize;
    };
    if (characterOverride) {
        switch (*characterOverride) {
            case CharacterStyle::bold: takeOver(*bold); isBold = true; break;
            case CharacterStyle::italic: takeOver(*italic); isItalic = true; break;
            case CharacterStyle::code: takeOver(*code); break;
            case CharacterStyle::link: takeOver(*link); break;
            default: break;
        }
    }
    if (size == 0) size = Font::systemFontSize;

    Font result = Font::systemFont(size);
    if (name) result = Font::named(*name, size).value_or(Font::systemFont(size));
    if (isItalic)
        if (auto f = result.withSymbolicTraits({.bold = false, .italic = true}, 0)) result = *f;
    if (isBold)
        if (auto f = result.withSymbolicTraits({.bold = true, .italic = false}, 0)) result = *f;
    return result;
}

platform::Color MarkdownRenderer::color(const MarkdownLine& line) const {
    switch (asMarkdownLineStyle(line.lineStyle).value_or(S::body)) {
        case S::h1:
        case S::previousH1: return h1->color;
        case S::h2:
        case S::previousH2: return h2->color;
        case S::h3: return h3->color;
        case S::h4: return h4->color;
        case S::h5: return h5->color;
        case S::h6: return h6->color;
        case S::blockquote: return blockquotes->color;
        case S::codeblock: return code->color;
        default: return body->color;
    }
}

AttributedString MarkdownRenderer::attributedString(const std::optional<std::string>& text) {
    previouslyFoundTokens_.clear();
    // Each rendering numbers its lists from 1: counters left over from the
    // previous rendering would make the same text come out differently when
    // it is shown again.
    orderedListCount_ = orderedListIndentFirstOrderCount_ = orderedListIndentSecondOrderCount_ = 0;
    perfomanceLog_.begin();
    if (text) string = *text;

    AttributedString result;
    lineProcessor_.processEmptyStrings = lineStyling(S::body);
    auto lines = lineProcessor_.process(markdown_text::validUTF8(string));

    std::vector<MarkdownLine> definitions;
    std::vector<MarkdownLine> content;
    for (auto& line : lines) {
        bool isDefinition = !line.line.empty() && line.line.front() == '[' && line.line.find("]:") != std::string::npos;
        (isDefinition ? definitions : content).push_back(std::move(line));
    }

    std::map<std::string, std::string> lookup;
    for (const auto& definition : definitions) {
        const auto& text = definition.line;
        std::size_t first = text.find("]:");
        std::size_t second = text.find("]:", first + 2);
        std::string key = text.substr(0, first);
        if (!key.empty()) key.erase(0, 1);
        std::string value = text.substr(first + 2, second == std::string::npos ? std::string::npos : second - first - 2);
        lookup[platform::text::trimmingWhitespaceAndNewlines(key)] = platform::text::trimmingWhitespaceAndNewlines(value);
    }
    perfomanceLog_.logTime("(line processing complete)");
    tokeniser_.metadataLookup = std::move(lookup);

    // All lines are cut into tokens first: their number bounds the number of
    // runs (one per token, one for a list label, one per line break), so the
    // runs of a long text are made in place instead of being copied at every
    // doubling.
    std::vector<std::size_t> tokenEnds;
    tokenEnds.reserve(content.size());
    for (std::size_t n = 0; n < content.size(); ++n) {
        auto tokens = tokeniser_.process(content[n].line);
        previouslyFoundTokens_.insert(previouslyFoundTokens_.end(), std::make_move_iterator(tokens.begin()),
                                      std::make_move_iterator(tokens.end()));
        tokenEnds.push_back(previouslyFoundTokens_.size());
        perfomanceLog_.logTime("(tokenising complete for line " + std::to_string(n));
    }
    result.reserve(string.size(), previouslyFoundTokens_.size() + 2 * content.size());

    std::size_t first = 0;
    for (std::size_t n = 0; n < content.size(); ++n) {
        if (n >= 1) result.append("\n");
        appendLine(result, {previouslyFoundTokens_.data() + first, previouslyFoundTokens_.data() + tokenEnds[n]},
                   content[n]);
        first = tokenEnds[n];
    }
    perfomanceLog_.finish();
    return result;
}

const LineProperties& MarkdownRenderer::lineProperties(MarkdownLineStyle style) const {
    switch (style) {
        case S::h1: return *h1;
        case S::h2: return *h2;
        case S::h3: return *h3;
        case S::h4: return *h4;
        case S::h5: return *h5;
        case S::h6: return *h6;
        case S::blockquote: return *blockquotes;
        default: return *body;
    }
}

AttributedString MarkdownRenderer::attributedStringFor(std::vector<Token> tokens, const MarkdownLine& line) {
    AttributedString result;
    appendLine(result, tokens, line);
    return result;
}

void MarkdownRenderer::appendLine(AttributedString& result, std::span<const Token> tokens, const MarkdownLine& line) {
    TextAttributes attributes;
    const auto style = asMarkdownLineStyle(line.lineStyle).value_or(S::body);

    std::optional<std::string> listLabel;
    const bool isList = style == S::orderedList || style == S::orderedListIndentFirstOrder ||
                        style == S::orderedListIndentSecondOrder || style == S::unorderedList ||
                        style == S::unorderedListIndentFirstOrder || style == S::unorderedListIndentSecondOrder;
    if (isList) {
        std::string label;
        std::string indent;
        double headIndent = 30;
        switch (style) {
            case S::orderedList:
                ++orderedListCount_;
                orderedListIndentFirstOrderCount_ = 0;
                orderedListIndentSecondOrderCount_ = 0;
                label = std::to_string(orderedListCount_) + ".";
                break;
            case S::orderedListIndentFirstOrder:
            case S::unorderedListIndentFirstOrder:
                ++orderedListIndentFirstOrderCount_;
                orderedListIndentSecondOrderCount_ = 0;
                label = style == S::orderedListIndentFirstOrder ? std::to_string(orderedListIndentFirstOrderCount_) + "."
                                                                 : bullet;
                indent = "\t";
                headIndent = 60;
                break;
            case S::orderedListIndentSecondOrder:
            case S::unorderedListIndentSecondOrder:
                ++orderedListIndentSecondOrderCount_;
                label = style == S::orderedListIndentSecondOrder
                            ? std::to_string(orderedListIndentSecondOrderCount_) + "."
                            : bullet;
                indent = "\t\t";
                headIndent = 90;
                break;
            default:  // unorderedList
                orderedListCount_ = orderedListIndentFirstOrderCount_ = orderedListIndentSecondOrderCount_ = 0;
                label = bullet;
                break;
        }
        ParagraphStyle paragraph;
        paragraph.tabStops = {{platform::TextAlignment::Left, 30}, {platform::TextAlignment::Left, 30}};
        paragraph.defaultTabInterval = 30;
        paragraph.headIndent = headIndent;
        attributes.paragraphStyle = paragraph;
        listLabel = indent + label + "\t";
    } else {
        orderedListCount_ = orderedListIndentFirstOrderCount_ = orderedListIndentSecondOrderCount_ = 0;
        if (style == S::blockquote) {
            ParagraphStyle paragraph;
            paragraph.firstLineHeadIndent = 20;
            paragraph.headIndent = 20;
            attributes.paragraphStyle = paragraph;
        } else if (style == S::codeblock) {
            ParagraphStyle paragraph;
            paragraph.firstLineHeadIndent = 20;
            attributes.paragraphStyle = paragraph;
        }
    }

    const LineProperties& properties = isList ? static_cast<const LineProperties&>(*body) : lineProperties(style);
    ParagraphStyle paragraph = attributes.paragraphStyle.value_or(ParagraphStyle{});
    if (properties.alignment != platform::TextAlignment::Left) paragraph.alignment = properties.alignment;
    paragraph.lineSpacing = properties.lineSpacing;
    paragraph.paragraphSpacing = properties.paragraphSpacing;
    attributes.paragraphStyle = paragraph;

    // Every token starts from the line's own font and colour.
    const Font lineFont = font(line);
    const platform::Color lineColor = color(line);
    auto startToken = [&] {
        attributes.font = lineFont;
        attributes.link.reset();
        attributes.strikethroughStyle.reset();
        attributes.foregroundColor = lineColor;
        attributes.underlineStyle.reset();
    };
    // A list's label is drawn as a plain token ahead of the line's own.
    if (listLabel) {
        startToken();
        result.append(*listLabel, attributes);
    }

    for (const auto& token : tokens) {
        startToken();

        std::vector<CharacterStyle> styles;
        bool foreign = false;
        for (const auto& s : token.characterStyles) {
            auto characterStyle = s ? asCharacterStyle(*s) : std::nullopt;
            if (!characterStyle) {
                foreign = true;
                break;
            }
            styles.push_back(*characterStyle);
        }
        if (foreign) continue;

        auto has = [&](CharacterStyle c) { return std::find(styles.begin(), styles.end(), c) != styles.end(); };
        auto metadataFor = [&](CharacterStyle c) -> const std::string* {
            auto at = static_cast<std::size_t>(std::find(styles.begin(), styles.end(), c) - styles.begin());
            return at < token.metadataStrings.size() ? &token.metadataStrings[at] : nullptr;
        };

        if (!styles.empty()) {
            if (has(CharacterStyle::italic)) {
                attributes.font = font(line, CharacterStyle::italic);
                attributes.foregroundColor = italic->color;
            }
            if (has(CharacterStyle::bold)) {
                attributes.font = font(line, CharacterStyle::bold);
                attributes.foregroundColor = bold->color;
            }
            if (has(CharacterStyle::link)) {
                if (const auto* target = metadataFor(CharacterStyle::link)) {
                    attributes.foregroundColor = link->color;
                    attributes.font = font(line, CharacterStyle::link);
                    attributes.link = *target;
                    if (underlineLinks) {
                        attributes.underlineStyle = static_cast<int>(link->underlineStyle);
                        attributes.underlineColor = link->underlineColor();
                    }
                }
            }
            if (has(CharacterStyle::strikethrough)) {
                attributes.font = font(line, CharacterStyle::strikethrough);
                attributes.strikethroughStyle = static_cast<int>(platform::UnderlineStyle::Single);
                attributes.foregroundColor = strikethrough->color;
            }
            if (has(CharacterStyle::image) && applyAttachments_) {
                if (const auto* name = metadataFor(CharacterStyle::image)) {
                    result.append(AttributedString(platform::TextAttachment{*name}));
                    continue;
                }
            }
            if (has(CharacterStyle::code)) {
                attributes.foregroundColor = code->color;
                attributes.font = font(line, CharacterStyle::code);
            }
        }
        result.append(token.outputString(), attributes);
    }
    (void)currentType_;
}

}  // namespace frelt
