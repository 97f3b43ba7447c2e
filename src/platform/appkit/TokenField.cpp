#include "platform/appkit/TokenField.h"

#include "platform/appkit/BezierPath.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/appkit/TextView.h"
#include "platform/foundation/Text.h"

namespace platform {

void TokenFieldCell::setObjectValue(Value value) {
    if (value.isArray()) Cell::setObjectValue(std::move(value));
}

TokenField::TokenField(Rect frame) : TextField(frame) {
    setCell(std::make_shared<TokenFieldCell>());
    cell()->setObjectValue(Value(ValueArray{}));
    setEditable(true);
    setSelectable(true);
}

std::vector<std::string> TokenField::tokens() {
    std::vector<std::string> out;
    if (const ValueArray* a = objectValue().asArray())
        for (const auto& v : *a)
            if (auto s = v.asString()) out.push_back(*s);
    return out;
}

void TokenField::drawRect(const Rect& dirtyRect) {
    const auto list = tokens();
    auto* context = GraphicsContext::current();
    // Without tokens the text field draws its placeholder.
    if (!context || list.empty() || currentEditor()) {
        TextField::drawRect(dirtyRect);
        return;
    }
    if (isBezeled()) context->drawControl(controlDrawing(bezelKind()), bounds());
    const Rect area = editingRect();
    const Font font = this->font() ? *this->font() : defaultTextFont();
    const double height = std::min(area.height(), 18.0);
    const double y = area.minY() + (area.height() - height) / 2;
    double x = area.minX();
    for (const auto& token : list) {
        if (x >= area.maxX()) break;
        const double width = std::min(textMetrics().advanceOfText(token, font) + 12, area.maxX() - x);
        const Rect chip(x, y, width, height);
        context->setFillColor(Color::sRGB(0.0, 0.478, 1.0, 0.22));
        context->fillPath(BezierPath::withRoundedRect(chip, height / 2, height / 2));
        drawText(token, chip.insetBy(6, 0));
        x += width + 4;
    }
}

std::shared_ptr<TokenFieldDelegate> TokenField::tokenDelegate() const {
    return std::dynamic_pointer_cast<TokenFieldDelegate>(delegate());
}

std::vector<std::string> TokenField::completionsForTypedText(long* selectedIndex) {
    auto editor = currentEditor();
    auto d = tokenDelegate();
    if (selectedIndex) *selectedIndex = -1;
    if (!editor || !d) return {};
    const ValueArray* current = cell()->objectValue().asArray();
    const long index = current ? static_cast<long>(current->size()) : 0;
    return d->completionsForSubstring(*this, editor->string(), index, selectedIndex);
}

void TokenField::addTokens(const std::vector<std::string>& pieces) {
    ValueArray typed;
    for (const auto& p : pieces) {
        std::string token = text::trimmingWhitespaceAndNewlines(p);
        if (!token.empty()) typed.emplace_back(std::move(token));
    }
    if (typed.empty()) return;
    ValueArray current;
    if (const ValueArray* a = cell()->objectValue().asArray()) current = *a;
    ValueArray added = typed;
    if (auto d = tokenDelegate()) added = d->shouldAddObjects(*this, typed, current.size());
    current.insert(current.end(), added.begin(), added.end());
    cell()->setObjectValue(Value(std::move(current)));
    setNeedsDisplay(true);
}

void TokenField::textDidChange(const Notification& notification) {
    if (auto editor = currentEditor()) {
        const std::string typed = editor->string();
        const std::size_t last = typed.find_last_of(tokenizingCharacters_);
        if (last != std::string::npos) {
            std::vector<std::string> pieces;
            std::size_t start = 0;
            for (std::size_t i = 0; i <= last; ++i) {
                if (tokenizingCharacters_.find(typed[i]) == std::string::npos) continue;
                pieces.push_back(typed.substr(start, i - start));
                start = i + 1;
            }
            editor->setString(typed.substr(last + 1));
            addTokens(pieces);
        }
    }
    TextField::textDidChange(notification);
}

void TokenField::textDidEndEditing(const Notification& notification) {
    if (auto editor = currentEditor()) {
        const std::string typed = editor->string();
        editor->setString("");
        addTokens({typed});
    }
    TextField::textDidEndEditing(notification);
}

bool TokenField::textViewDoCommandBySelector(const std::shared_ptr<TextView>& textView, const Selector& selector) {
    if (selector == "deleteBackward:" && textView && textView->string().empty()) {
        ValueArray current;
        if (const ValueArray* a = cell()->objectValue().asArray()) current = *a;
        if (!current.empty()) {
            current.pop_back();
            cell()->setObjectValue(Value(std::move(current)));
            setNeedsDisplay(true);
            textDidChange(Notification{textnotification::didChange,
                                       std::any(std::static_pointer_cast<Object>(textView)), textView.get(), {}});
            return true;
        }
    }
    return TextField::textViewDoCommandBySelector(textView, selector);
}

}  // namespace platform
