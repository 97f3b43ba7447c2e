#pragma once
// The objects through which a caller decides how each kind of markdown text
// looks. The renderer owns one per kind; callers change them in place or
// replace them.

#include <optional>
#include <string>

#include "markdown/MarkdownStyleTypes.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/ParagraphStyle.h"
#include "platform/graphics/AttributedString.h"

namespace frelt {

struct FontProperties {
    virtual ~FontProperties() = default;
    std::optional<std::string> fontName;  // none: the line's (or body's) font name
    platform::Color color = platform::Color::black();
    double fontSize = 0;  // 0: the system font size
    FontStyle fontStyle = FontStyle::normal;
};

struct LineProperties {
    virtual ~LineProperties() = default;
    platform::TextAlignment alignment = platform::TextAlignment::Left;  // left keeps the paragraph's default
    double lineSpacing = 0;
    double paragraphSpacing = 0;
};

class BasicStyles : public FontProperties {};

class LineStyles : public FontProperties, public LineProperties {};

class LinkStyles : public BasicStyles {
public:
    platform::UnderlineStyle underlineStyle = platform::UnderlineStyle::Single;

    // Unset until first read; then it takes the colour of that moment and
    // keeps it.
    const platform::Color& underlineColor() {
        if (!underlineColor_) underlineColor_ = color;
        return *underlineColor_;
    }
    void setUnderlineColor(platform::Color c) { underlineColor_ = std::move(c); }

private:
    std::optional<platform::Color> underlineColor_;
};

}  // namespace frelt
