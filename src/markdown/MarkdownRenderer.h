#pragma once
// Turns one markdown text into styled text: lines with their styles, reference
// definitions collected, every line cut into tokens, and every token drawn
// with the fonts and colours of the renderer's style objects, with list
// labels, indents and tab stops added.

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "markdown/CharacterRule.h"
#include "markdown/MarkdownLine.h"
#include "markdown/MarkdownLineProcessor.h"
#include "markdown/MarkdownStyleObjects.h"
#include "markdown/MarkdownStyleTypes.h"
#include "markdown/MarkdownTokeniser.h"
#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Font.h"
#include "store/PerformanceLog.h"

namespace frelt {

class MarkdownRenderer {
public:
    // The dialect, shared by all renderers and read when one is made.
    static std::vector<FrontMatterRule>& frontMatterRules();
    static std::vector<LineRule>& lineRules();
    static std::vector<CharacterRule>& characterRules();

    explicit MarkdownRenderer(std::string string);
    // Reads a file as UTF-8 text; null when it cannot be read or is not UTF-8.
    static std::shared_ptr<MarkdownRenderer> fromURL(const std::string& path);

    MarkdownRenderer(const MarkdownRenderer&) = delete;
    MarkdownRenderer& operator=(const MarkdownRenderer&) = delete;

    std::shared_ptr<LineStyles> h1 = std::make_shared<LineStyles>();
    std::shared_ptr<LineStyles> h2 = std::make_shared<LineStyles>();
    std::shared_ptr<LineStyles> h3 = std::make_shared<LineStyles>();
    std::shared_ptr<LineStyles> h4 = std::make_shared<LineStyles>();
    std::shared_ptr<LineStyles> h5 = std::make_shared<LineStyles>();
    std::shared_ptr<LineStyles> h6 = std::make_shared<LineStyles>();
    std::shared_ptr<LineStyles> body = std::make_shared<LineStyles>();
    std::shared_ptr<LineStyles> blockquotes = std::make_shared<LineStyles>();
    std::shared_ptr<LinkStyles> link = std::make_shared<LinkStyles>();
    std::shared_ptr<BasicStyles> bold = std::make_shared<BasicStyles>();
    std::shared_ptr<BasicStyles> italic = std::make_shared<BasicStyles>();
    std::shared_ptr<BasicStyles> code = std::make_shared<BasicStyles>();
    std::shared_ptr<BasicStyles> strikethrough = std::make_shared<BasicStyles>();

    std::string bullet = "\u30FB";
    bool underlineLinks = false;
    // The markdown text; attributedString() without a text renders it.
    std::string string;

    const std::map<std::string, std::string>& frontMatterAttributes() const {
        return lineProcessor_.frontMatterAttributes();
    }
    // The tokens of the most recent rendering, line after line.
    const std::vector<Token>& previouslyFoundTokens() const { return previouslyFoundTokens_; }

    void setAllFontSizes(double size);
    void setAllColors(const platform::Color& color);
    void setAllFontNames(const std::optional<std::string>& name);

    platform::Font font(const MarkdownLine& line, std::optional<CharacterStyle> characterOverride = std::nullopt) const;
    platform::Color color(const MarkdownLine& line) const;

    platform::AttributedString attributedString(const std::optional<std::string>& text = std::nullopt);
    platform::AttributedString attributedStringFor(std::vector<Token> tokens, const MarkdownLine& line);

private:
    // Draws one line's tokens (with its list label, when it has one) onto the end of `result`.
    void appendLine(platform::AttributedString& result, std::span<const Token> tokens, const MarkdownLine& line);
    std::vector<FontProperties*> allStyles() const;
    const LineProperties& lineProperties(MarkdownLineStyle style) const;

    MarkdownLineProcessor lineProcessor_;
    MarkdownTokeniser tokeniser_;
    MarkdownLineStyle currentType_ = MarkdownLineStyle::body;
    int orderedListCount_ = 0;
    int orderedListIndentFirstOrderCount_ = 0;
    int orderedListIndentSecondOrderCount_ = 0;
    std::vector<Token> previouslyFoundTokens_;
    bool applyAttachments_ = true;
    PerformanceLog perfomanceLog_;
};

}  // namespace frelt
