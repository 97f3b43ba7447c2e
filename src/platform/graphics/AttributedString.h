#pragma once
// Styled text as a plain value: UTF-8 text and runs of attributes that cover
// it without gaps. Ranges and indices are byte offsets into the UTF-8 text.
// Runs are kept normalised (no empty runs, neighbours always differ), so two
// styled texts are equal exactly when they show the same thing.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/ParagraphStyle.h"

namespace platform {

struct Range {
    std::size_t location = 0;
    std::size_t length = 0;
    std::size_t end() const { return location + length; }
    bool operator==(const Range&) const = default;
};

// Raw values are the ones the platform stores.
enum class UnderlineStyle { None = 0, Single = 1, Thick = 2, Double = 9 };

// An inline image, by the name of an application image. A name that no image
// has draws nothing but keeps its place in the text.
struct TextAttachment {
    std::string imageName;
    bool operator==(const TextAttachment&) const = default;
};

enum class AttributeKey {
    Font,
    ForegroundColor,
    BackgroundColor,
    UnderlineStyle,
    UnderlineColor,
    StrikethroughStyle,
    StrikethroughColor,
    Link,
    Attachment,
    ParagraphStyle,
    Kern,
    BaselineOffset,
};

// Every attribute is optional: an absent one is not set on the text.
struct TextAttributes {
    std::optional<platform::Font> font;
    std::optional<Color> foregroundColor;
    std::optional<Color> backgroundColor;
    std::optional<int> underlineStyle;  // UnderlineStyle raw value
    std::optional<Color> underlineColor;
    std::optional<int> strikethroughStyle;  // UnderlineStyle raw value
    std::optional<Color> strikethroughColor;
    std::optional<std::string> link;
    std::optional<TextAttachment> attachment;
    std::optional<platform::ParagraphStyle> paragraphStyle;
    std::optional<double> kern;
    std::optional<double> baselineOffset;

    bool empty() const { return *this == TextAttributes{}; }
    // Sets every attribute that `other` has, keeps the rest.
    void add(const TextAttributes& other);
    void remove(AttributeKey key);
    bool operator==(const TextAttributes&) const = default;
};

struct AttributeRun {
    Range range;
    TextAttributes attributes;
    bool operator==(const AttributeRun&) const = default;
};

class AttributedString {
public:
    // U+FFFC, the character an attachment stands on.
    static constexpr const char* attachmentCharacter = "\xEF\xBF\xBC";

    AttributedString() = default;
    explicit AttributedString(std::string text, TextAttributes attributes = {});
    explicit AttributedString(TextAttachment attachment);

    const std::string& string() const { return text_; }
    std::size_t length() const { return text_.size(); }
    const std::vector<AttributeRun>& runs() const { return runs_; }

    // Room for `textBytes` more bytes of text and `runs` more runs, for a
    // caller that builds a long text piece by piece: a run is large, and
    // growing the runs one doubling at a time copies them again and again.
    void reserve(std::size_t textBytes, std::size_t runs);

    void append(const AttributedString& other);
    // Takes the runs over instead of copying their attributes.
    void append(AttributedString&& other);
    void append(const std::string& text, const TextAttributes& attributes = {});
    // Replaces the characters of `range` (clamped to the text) with `other`.
    void replaceCharacters(Range range, const AttributedString& other);
    AttributedString attributedSubstring(Range range) const;

    // Replaces every attribute over `range` (clamped to the text).
    void setAttributes(const TextAttributes& attributes, Range range);
    // Sets the attributes `attributes` has over `range`, keeping the others.
    void addAttributes(const TextAttributes& attributes, Range range);
    void removeAttribute(AttributeKey key, Range range);

    // The attributes at a byte index and the whole run that has them; an
    // index at or past the end gives no attributes and an empty range there.
    AttributeRun attributesAt(std::size_t index) const;

    bool operator==(const AttributedString&) const = default;

private:
    template <class F>
    void modify(Range range, F&& change);
    void normalise();

    std::string text_;
    std::vector<AttributeRun> runs_;
};

}  // namespace platform
