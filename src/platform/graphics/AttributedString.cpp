#include "platform/graphics/AttributedString.h"

#include <algorithm>

namespace platform {

void TextAttributes::add(const TextAttributes& o) {
    if (o.font) font = o.font;
    if (o.foregroundColor) foregroundColor = o.foregroundColor;
    if (o.backgroundColor) backgroundColor = o.backgroundColor;
    if (o.underlineStyle) underlineStyle = o.underlineStyle;
    if (o.underlineColor) underlineColor = o.underlineColor;
    if (o.strikethroughStyle) strikethroughStyle = o.strikethroughStyle;
    if (o.strikethroughColor) strikethroughColor = o.strikethroughColor;
    if (o.link) link = o.link;
    if (o.attachment) attachment = o.attachment;
    if (o.paragraphStyle) paragraphStyle = o.paragraphStyle;
    if (o.kern) kern = o.kern;
    if (o.baselineOffset) baselineOffset = o.baselineOffset;
}

void TextAttributes::remove(AttributeKey key) {
    switch (key) {
        case AttributeKey::Font: font.reset(); break;
        case AttributeKey::ForegroundColor: foregroundColor.reset(); break;
        case AttributeKey::BackgroundColor: backgroundColor.reset(); break;
        case AttributeKey::UnderlineStyle: underlineStyle.reset(); break;
        case AttributeKey::UnderlineColor: underlineColor.reset(); break;
        case AttributeKey::StrikethroughStyle: strikethroughStyle.reset(); break;
        case AttributeKey::StrikethroughColor: strikethroughColor.reset(); break;
        case AttributeKey::Link: link.reset(); break;
        case AttributeKey::Attachment: attachment.reset(); break;
        case AttributeKey::ParagraphStyle: paragraphStyle.reset(); break;
        case AttributeKey::Kern: kern.reset(); break;
        case AttributeKey::BaselineOffset: baselineOffset.reset(); break;
    }
}

AttributedString::AttributedString(std::string text, TextAttributes attributes) : text_(std::move(text)) {
    if (!text_.empty()) runs_.push_back({{0, text_.size()}, std::move(attributes)});
}

AttributedString::AttributedString(TextAttachment attachment) : text_(attachmentCharacter) {
    TextAttributes attributes;
    attributes.attachment = std::move(attachment);
    runs_.push_back({{0, text_.size()}, std::move(attributes)});
}

void AttributedString::normalise() {
    std::vector<AttributeRun> merged;
    merged.reserve(runs_.size());
    for (auto& run : runs_) {
        if (run.range.length == 0) continue;
        if (!merged.empty() && merged.back().attributes == run.attributes) {
            merged.back().range.length += run.range.length;
        } else {
            merged.push_back(std::move(run));
        }
    }
    runs_ = std::move(merged);
}

void AttributedString::reserve(std::size_t textBytes, std::size_t runs) {
    text_.reserve(text_.size() + textBytes);
    runs_.reserve(runs_.size() + runs);
}

void AttributedString::append(const AttributedString& other) {
    std::size_t offset = text_.size();
    text_ += other.text_;
    for (const auto& run : other.runs_) {
        if (!runs_.empty() && runs_.back().attributes == run.attributes &&
            runs_.back().range.end() == offset + run.range.location) {
            runs_.back().range.length += run.range.length;
        } else {
            runs_.push_back({{offset + run.range.location, run.range.length}, run.attributes});
        }
    }
}

void AttributedString::append(AttributedString&& other) {
    const std::size_t offset = text_.size();
    text_ += other.text_;
    for (auto& run : other.runs_) {
        if (!runs_.empty() && runs_.back().attributes == run.attributes &&
            runs_.back().range.end() == offset + run.range.location) {
            runs_.back().range.length += run.range.length;
        } else {
            run.range.location += offset;
            runs_.push_back(std::move(run));
        }
    }
    other.text_.clear();
    other.runs_.clear();
}

void AttributedString::append(const std::string& text, const TextAttributes& attributes) {
    if (text.empty()) return;
    const std::size_t offset = text_.size();
    text_ += text;
    if (!runs_.empty() && runs_.back().range.end() == offset && runs_.back().attributes == attributes)
        runs_.back().range.length += text.size();
    else
        runs_.push_back({{offset, text.size()}, attributes});
}

AttributedString AttributedString::attributedSubstring(Range range) const {
    std::size_t begin = std::min(range.location, text_.size());
    std::size_t end = std::min(range.end(), text_.size());
    AttributedString out;
    out.text_ = text_.substr(begin, end - begin);
    for (const auto& run : runs_) {
        std::size_t b = std::max(begin, run.range.location);
        std::size_t e = std::min(end, run.range.end());
        if (b < e) out.runs_.push_back({{b - begin, e - b}, run.attributes});
    }
    return out;
}

void AttributedString::replaceCharacters(Range range, const AttributedString& other) {
    std::size_t begin = std::min(range.location, text_.size());
    std::size_t end = std::max(begin, std::min(range.end(), text_.size()));
    AttributedString result = attributedSubstring({0, begin});
    result.append(other);
    result.append(attributedSubstring({end, text_.size() - end}));
    *this = std::move(result);
}

template <class F>
void AttributedString::modify(Range range, F&& change) {
    std::size_t begin = std::min(range.location, text_.size());
    std::size_t end = std::min(range.end(), text_.size());
    if (begin >= end) return;
    std::vector<AttributeRun> out;
    out.reserve(runs_.size() + 2);
    for (auto& run : runs_) {
        std::size_t rb = run.range.location, re = run.range.end();
        if (re <= begin || rb >= end) {
            out.push_back(std::move(run));
            continue;
        }
        if (rb < begin) out.push_back({{rb, begin - rb}, run.attributes});
        std::size_t mb = std::max(rb, begin), me = std::min(re, end);
        AttributeRun middle{{mb, me - mb}, run.attributes};
        change(middle.attributes);
        out.push_back(std::move(middle));
        if (re > end) out.push_back({{end, re - end}, run.attributes});
    }
    runs_ = std::move(out);
    normalise();
}

void AttributedString::setAttributes(const TextAttributes& attributes, Range range) {
    modify(range, [&](TextAttributes& a) { a = attributes; });
}

void AttributedString::addAttributes(const TextAttributes& attributes, Range range) {
    modify(range, [&](TextAttributes& a) { a.add(attributes); });
}

void AttributedString::removeAttribute(AttributeKey key, Range range) {
    modify(range, [&](TextAttributes& a) { a.remove(key); });
}

AttributeRun AttributedString::attributesAt(std::size_t index) const {
    if (index >= text_.size()) return {{text_.size(), 0}, {}};
    auto it = std::upper_bound(runs_.begin(), runs_.end(), index,
                               [](std::size_t i, const AttributeRun& run) { return i < run.range.location; });
    if (it == runs_.begin()) return {{index, 0}, {}};
    return *std::prev(it);
}

}  // namespace platform
