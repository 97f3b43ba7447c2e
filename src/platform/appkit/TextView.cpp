#include "platform/appkit/TextView.h"

#include <algorithm>

#include "platform/appkit/Application.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Window.h"

namespace platform {

namespace {
// The start of the UTF-8 character before `pos`.
std::size_t previousCharacter(const std::string& s, std::size_t pos) {
    if (pos == 0) return 0;
    std::size_t p = pos - 1;
    while (p > 0 && (static_cast<unsigned char>(s[p]) & 0xC0) == 0x80) --p;
    return p;
}

// Whether key characters are text to insert: not a control character and not
// a function key (the platform gives those characters U+F700 to U+F8FF).
bool isText(const std::string& characters) {
    if (characters.empty()) return false;
    const auto c0 = static_cast<unsigned char>(characters[0]);
    if (c0 < 0x20 || c0 == 0x7f) return false;
    if (c0 == 0xEF && characters.size() >= 3) {
        const unsigned cp = ((c0 & 0x0Fu) << 12) | ((static_cast<unsigned char>(characters[1]) & 0x3Fu) << 6) |
                            (static_cast<unsigned char>(characters[2]) & 0x3Fu);
        if (cp >= 0xF700 && cp <= 0xF8FF) return false;
    }
    return true;
}

std::size_t nextCharacter(const std::string& s, std::size_t pos) {
    if (pos >= s.size()) return s.size();
    std::size_t p = pos + 1;
    while (p < s.size() && (static_cast<unsigned char>(s[p]) & 0xC0) == 0x80) ++p;
    return p;
}
}  // namespace

TextView::TextView(Rect frame) : View(frame) {
    registerAction("cut:", [this](const std::shared_ptr<Object>&) { cut(); });
    registerAction("copy:", [this](const std::shared_ptr<Object>&) { copy(); });
    registerAction("paste:", [this](const std::shared_ptr<Object>&) { paste(); });
    registerAction("selectAll:", [this](const std::shared_ptr<Object>& sender) { selectAll(sender); });
}

std::shared_ptr<TextView> TextView::makeFieldEditor() {
    auto editor = std::make_shared<TextView>();
    editor->setFieldEditor(true);
    editor->setRichText(false);
    return editor;
}

void TextView::setString(std::string text) {
    text_ = std::move(text);
    attributed_.reset();
    selection_ = {text_.size(), 0};
    setNeedsDisplay(true);
    mirror();
}

void TextView::mirror() {
    if (auto editor = nativeEditor()) editor->textViewDidChange();
}

bool TextView::performNatively(const Event& event) {
    auto editor = nativeEditor();
    return editor && editor->performKey(event);
}

void TextView::drawRect(const Rect&) {
    if (nativeEditor() || text_.empty()) return;
    auto* context = GraphicsContext::current();
    if (!context) return;
    // Styled text (a rendered document) is drawn with its own runs.
    if (const auto* styled = std::any_cast<AttributedString>(&attributed_)) {
        context->drawAttributedString(*styled, bounds().insetBy(2, 0));
        return;
    }
    TextAttributes attributes;
    attributes.font = font_.value_or(defaultTextFont());
    attributes.foregroundColor = textColor_.value_or(Color::named("System", "textColor", Color::black()));
    context->drawAttributedString(AttributedString(text_, attributes), bounds().insetBy(2, 0));
}

void TextView::setAttributedString(std::any styled, std::string plainText) {
    setString(std::move(plainText));
    attributed_ = std::move(styled);
}

bool TextView::restyle(AttributedString styled) {
    if (styled.string() != text_) return false;
    attributed_ = std::move(styled);
    setNeedsDisplay(true);
    mirror();
    return true;
}

void TextView::setSelectedRange(TextRange range) {
    range.location = std::min(range.location, text_.size());
    range.length = std::min(range.length, text_.size() - range.location);
    if (range == selection_) return;
    selection_ = range;
    mirror();
}

void TextView::selectAll(const std::shared_ptr<Object>&) { setSelectedRange({0, text_.size()}); }

void TextView::scrollToBeginningOfDocument(const std::shared_ptr<Object>&) {
    // The enclosing clip view shows the top of the document.
    if (auto clip = superview()) clip->setBoundsOrigin({0, 0});
}

void TextView::scrollToEndOfDocument(const std::shared_ptr<Object>&) {
    if (auto clip = superview()) {
        const double y = std::max(0.0, frame().height() - clip->bounds().height());
        clip->setBoundsOrigin({0, y});
    }
}

void TextView::postToDelegate(const std::string& name, int movement) {
    auto me = self();
    Notification n{name, std::any(std::static_pointer_cast<Object>(me)), this, {}};
    if (movement >= 0) n.userInfo[textnotification::textMovementKey] = Value(movement);
    if (auto d = delegate()) {
        if (name == textnotification::didBeginEditing) d->textDidBeginEditing(n);
        else if (name == textnotification::didChange) d->textDidChange(n);
        else if (name == textnotification::didEndEditing) d->textDidEndEditing(n);
    }
    NotificationCenter::defaultCenter().post(n);
}

bool TextView::beginIfNeeded() {
    if (begun_) return true;
    if (auto d = delegate(); d && !d->textShouldBeginEditing(*this)) return false;
    begun_ = true;
    postToDelegate(textnotification::didBeginEditing);
    return true;
}

bool TextView::replaceCharacters(TextRange range, const std::string& text) {
    if (!editable_) return false;
    auto keepAlive = self();
    if (!beginIfNeeded()) return false;
    range.location = std::min(range.location, text_.size());
    range.length = std::min(range.length, text_.size() - range.location);
    text_.replace(range.location, range.length, text);
    attributed_.reset();
    selection_ = {range.location + text.size(), 0};
    markedText_.clear();
    setNeedsDisplay(true);
    mirror();
    postToDelegate(textnotification::didChange);
    return true;
}

void TextView::insertText(const std::string& text) { replaceCharacters(selection_, text); }

void TextView::deleteBackward() {
    if (selection_.length > 0) {
        replaceCharacters(selection_, "");
    } else if (selection_.location > 0) {
        const std::size_t start = previousCharacter(text_, selection_.location);
        replaceCharacters({start, selection_.location - start}, "");
    }
}

void TextView::deleteForward() {
    if (selection_.length > 0) {
        replaceCharacters(selection_, "");
    } else if (selection_.location < text_.size()) {
        const std::size_t end = nextCharacter(text_, selection_.location);
        replaceCharacters({selection_.location, end - selection_.location}, "");
    }
}

void TextView::keyDown(const Event& event) {
    const ModifierFlags flags = event.modifierFlags;
    switch (event.keyCode) {
        case keycode::returnKey:
        case keycode::keypadEnter: doCommandBySelector("insertNewline:"); return;
        case keycode::tab:
            doCommandBySelector((flags & modifierflags::shift) ? "insertBacktab:" : "insertTab:");
            return;
        case keycode::escape: doCommandBySelector("cancelOperation:"); return;
        case keycode::deleteKey: doCommandBySelector("deleteBackward:"); return;
        case keycode::forwardDelete: doCommandBySelector("deleteForward:"); return;
        case keycode::leftArrow:
        case keycode::rightArrow:
        case keycode::upArrow:
        case keycode::downArrow: {
            const bool extend = flags & modifierflags::shift;
            const char* name = event.keyCode == keycode::leftArrow    ? "moveLeft"
                               : event.keyCode == keycode::rightArrow ? "moveRight"
                               : event.keyCode == keycode::upArrow    ? "moveUp"
                                                                      : "moveDown";
            doCommandBySelector(std::string(name) + (extend ? "AndModifySelection:" : ":"));
            return;
        }
        default: break;
    }
    if (flags & (modifierflags::command | modifierflags::control)) {
        if ((flags & modifierflags::command) && event.charactersIgnoringModifiers == "a") {
            doCommandBySelector("selectAll:");
            return;
        }
        if (performNatively(event)) return;
        View::keyDown(event);
        return;
    }
    if (!isText(event.characters)) {
        // No text: function keys (whose characters the platform puts in a
        // private range) and control characters.
        if (performNatively(event)) return;
        View::keyDown(event);
        return;
    }
    insertText(event.characters);
}

void TextView::doCommandBySelector(const Selector& selector) {
    auto me = self();
    if (auto d = delegate(); d && d->textViewDoCommandBySelector(me, selector)) return;
    if (selector == "insertNewline:") {
        if (fieldEditor_) endSessionIfAllowed(textmovement::returnKey);
        else insertText("\n");
    } else if (selector == "insertTab:") {
        if (fieldEditor_) endSessionIfAllowed(textmovement::tab);
        else insertText("\t");
    } else if (selector == "insertBacktab:") {
        if (fieldEditor_) endSessionIfAllowed(textmovement::backtab);
    } else if (selector == "cancelOperation:") {
        cancelOperation(me);
    } else if (selector == "deleteBackward:") {
        deleteBackward();
    } else if (selector == "deleteForward:") {
        deleteForward();
    } else if (selector == "moveLeft:") {
        const std::size_t p = selection_.length ? selection_.location : previousCharacter(text_, selection_.location);
        setSelectedRange({p, 0});
    } else if (selector == "moveRight:") {
        const std::size_t p = selection_.length ? selection_.location + selection_.length
                                                : nextCharacter(text_, selection_.location);
        setSelectedRange({p, 0});
    } else if (selector == "moveUp:" || selector == "moveToBeginningOfDocument:") {
        setSelectedRange({0, 0});
    } else if (selector == "moveDown:" || selector == "moveToEndOfDocument:") {
        setSelectedRange({text_.size(), 0});
    } else if (selector == "selectAll:") {
        selectAll();
    } else {
        // Commands the kit has no model of (extending the selection) are the
        // desktop editor's, when one shows the text.
        if (auto event = Application::shared()->currentEvent();
            event && event->type == EventType::keyDown && performNatively(*event))
            return;
        View::doCommandBySelector(selector);
    }
}

void TextView::endSessionIfAllowed(int movement) {
    if (auto d = delegate(); d && !ending_ && !d->textShouldEndEditing(*this)) return;
    endSession(movement);
}

void TextView::endSession(int movement) {
    if (ending_) return;
    auto me = self();
    auto client = std::dynamic_pointer_cast<Control>(delegate());
    ending_ = true;
    // The window and the control's containers as they are before the
    // delegate hears of the end: what it does (a rename that reloads the
    // table) may take the control out of the window.
    auto win = window();
    const bool hadFocus = win && (win->firstResponder() == me || win->firstResponder() == client);
    std::vector<std::shared_ptr<View>> containers;
    if (client)
        for (auto up = client->superview(); up; up = up->superview()) containers.push_back(up);
    postToDelegate(textnotification::didEndEditing, movement);
    const bool stillEditing = client && client->currentEditor() == me;
    if (movement == textmovement::tab || movement == textmovement::backtab || movement == textmovement::returnKey) {
        // A container of the control (a table) may say where the keyboard
        // goes; else the key view after the control (not after the editor)
        // takes it on Tab, and the control keeps it on Return. The editor
        // lets go of it there.
        // The focus is still the field's, or the end took it away (the
        // delegate reloaded the field's row, which ends its editing).
        const auto focus = win ? win->firstResponder() : nullptr;
        const bool inWindow = win && client && client->window() == win;
        if (hadFocus && (((focus == me || focus == client) && stillEditing) || focus == win)) {
            std::shared_ptr<Responder> next;
            for (const auto& up : containers) {
                if (up->window() == win && (next = up->responderAfterEditing(*client, movement))) break;
            }
            if (!next && inWindow && movement == textmovement::tab) next = client->nextValidKeyView();
            if (!next && inWindow && movement == textmovement::backtab) next = client->previousValidKeyView();
            if (next && next != client) win->makeFirstResponder(next);
        }
    }
    if (stillEditing && client->currentEditor() == me) {
        const bool keepsFocus = win && (win->firstResponder() == me || win->firstResponder() == client);
        if (movement != textmovement::other && keepsFocus) {
            // Return (or a Tab with nowhere to go): the field keeps the focus
            // with its text selected, and the next change begins a new session.
            selectAll();
            ending_ = false;
            begun_ = false;
            return;
        }
        client->endEditingSession();
    }
    begun_ = false;
    ending_ = false;
}

bool TextView::resignFirstResponder() {
    if (fieldEditor_ && !ending_ && delegate()) {
        // A delegate that refuses to end the edit keeps the focus here.
        if (!delegate()->textShouldEndEditing(*this)) return false;
        endSession(textmovement::other);
    }
    return true;
}

}  // namespace platform
