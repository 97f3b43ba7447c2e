#include "platform/appkit/TextField.h"

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"

namespace platform {

TextField::TextField(Rect frame) : Control(frame) {
    setEditable(true);
}

std::shared_ptr<TextField> TextField::textField(std::string text) {
    auto f = std::make_shared<TextField>();
    f->setStringValue(std::move(text));
    return f;
}

std::shared_ptr<TextField> TextField::label(std::string text) {
    auto f = std::make_shared<TextField>();
    f->setEditable(false);
    f->setSelectable(false);
    f->setBezeled(false);
    f->setDrawsBackground(false);
    f->setStringValue(std::move(text));
    return f;
}

Size TextField::intrinsicContentSize() const {
    const bool singleLine = maximumNumberOfLines_ == 1;
    AttributedString text(cell()->stringValue(), textAttributes(std::nullopt, singleLine));
    if (const auto* styled = shownAttributedStringValue()) {
        // Its runs may have fonts of their own.
        const auto paragraph = textAttributes(std::nullopt, singleLine).paragraphStyle;
        text = *styled;
        for (const auto& run : styled->runs()) {
            TextAttributes fill;
            if (!run.attributes.font) fill.font = textAttributes().font;
            fill.paragraphStyle = paragraph;
            text.addAttributes(fill, run.range);
        }
    }
    const double wrap = singleLine ? 0 : preferredMaxLayoutWidth_;
    const Size s = textMetrics().sizeOfText(text, wrap);
    const Rect inner = editingRect();
    const double padX = bounds().width() - inner.width(), padY = bounds().height() - inner.height();
    return {std::ceil(s.width) + std::max(4.0, padX), std::max(21.0, std::ceil(s.height) + padY)};
}

Rect TextField::editingRect() const {
    const Rect b = bounds();
    return bezeled_ ? b.insetBy(4, 3) : (bordered_ ? b.insetBy(3, 2) : b.insetBy(2, 0));
}

void TextField::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context) return;
    const Rect b = bounds();
    if (bezeled_) {
        ControlDrawing d = controlDrawing(bezelKind());
        d.focused = currentEditor() != nullptr;
        context->drawControl(d, b);
    } else {
        if (drawsBackground_ && backgroundColor_ && backgroundColor_->alphaComponent() > 0) {
            context->setFillColor(*backgroundColor_);
            context->fillRect(b, CompositingOperation::sourceOver);
        }
        if (bordered_) {
            context->setStrokeColor(Color::named("System", "separatorColor", Color::calibratedWhite(0, 0.25)));
            BezierPath border = BezierPath::withRect(b.insetBy(0.5, 0.5));
            context->strokePath(border);
        }
    }
    if (currentEditor()) return;  // the field editor shows the text
    const bool singleLine = maximumNumberOfLines_ == 1;
    const std::string text = cell()->stringValue();
    // On an emphasised selection a label's text in the system's colours
    // turns to the colour that reads on the selection. A field that draws its
    // own bezel or background keeps its colour: the selection is not what is
    // behind its text.
    std::optional<Color> colour;
    const bool ownBackground =
        bezeled_ || (drawsBackground_ && backgroundColor_ && backgroundColor_->alphaComponent() > 0);
    if (auto cellView = std::dynamic_pointer_cast<TableCellView>(superview());
        !ownBackground && cellView && cellView->backgroundStyle() == BackgroundStyle::emphasized &&
        (!textColor() || textColor()->space() == Color::Space::Catalog))
        colour = Color::named("System", "alternateSelectedControlTextColor", Color::white());
    if (const auto* styled = shownAttributedStringValue(); styled && !text.empty() && !colour) {
        drawAttributedText(*styled, editingRect(), singleLine);
    } else if (!text.empty()) {
        drawText(text, editingRect(), colour, singleLine);
    } else if (!placeholderString().empty()) {
        drawText(placeholderString(), editingRect(),
                 Color::named("System", "placeholderTextColor", Color::calibratedWhite(0, 0.25)), singleLine);
    }
}

SearchField::SearchField(Rect frame) : TextField(frame) {
    setCell(std::make_shared<SearchFieldCell>());
}

std::shared_ptr<Menu> SearchField::searchMenuTemplate() const {
    auto c = searchFieldCell();
    return c ? c->searchMenuTemplate() : nullptr;
}

void SearchField::setSearchMenuTemplate(std::shared_ptr<Menu> menu) {
    if (auto c = searchFieldCell()) c->setSearchMenuTemplate(std::move(menu));
}

bool SearchField::sendsWholeSearchString() const {
    auto c = searchFieldCell();
    return c && c->sendsWholeSearchString();
}

void SearchField::setSendsWholeSearchString(bool b) {
    if (auto c = searchFieldCell()) c->setSendsWholeSearchString(b);
}

Rect SearchField::editingRect() const {
    const Rect r = TextField::editingRect();
    if (!isBezeled()) return r;
    // The magnifier's room at the start, the clear button's at the end.
    return Rect(r.minX() + 18, r.minY(), std::max(0.0, r.width() - 36), r.height());
}

Rect SearchField::searchButtonRect() const {
    if (!isBezeled()) return {};
    const Rect inner = TextField::editingRect();
    return Rect(bounds().minX(), bounds().minY(), inner.minX() + 18 - bounds().minX(), bounds().height());
}

void SearchField::mouseDown(const Event& event) {
    // The magnifier shows the search menu, below the field; the choice's
    // action runs as the menu closes. The text keeps the keyboard focus.
    if (auto menu = searchMenuTemplate(); menu && isEnabled() && searchButtonRect().contains(locationOf(event))) {
        auto me = std::static_pointer_cast<View>(shared_from_this());
        menu->popUp(nullptr, Point{bounds().minX(), bounds().maxY()}, me);
        return;
    }
    TextField::mouseDown(event);
}

void SearchField::cancelOperation(const std::shared_ptr<Object>&) {
    if (auto editor = currentEditor()) editor->setString("");
    cell()->setStringValue("");
    setNeedsDisplay(true);
    sendAction();
}

void SearchField::textDidChange(const Notification& notification) {
    Control::textDidChange(notification);
    if (!isContinuous() && !sendsWholeSearchString()) sendAction();
}

void SearchField::textDidEndEditing(const Notification& notification) {
    // The search field sends its action on Return only (the base does).
    Control::textDidEndEditing(notification);
}

}  // namespace platform
