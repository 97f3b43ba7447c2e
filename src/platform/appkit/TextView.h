#pragma once
// Editable text: the text view control, and the field editor controls edit
// in (a text view with `isFieldEditor`, one per window, shared by its text
// fields). Keys reach it as the window's first responder; it turns them into
// text and commands: Return "insertNewline:", Tab "insertTab:", Shift-Tab
// "insertBacktab:", Escape "cancelOperation:", Delete "deleteBackward:",
// the arrows "moveLeft:" ... A field editor ends the editing session on
// Return, Tab and Shift-Tab and when it loses the focus.
//
// It answers the actions "cut:", "copy:" and "paste:" (plain text on the
// general pasteboard; cutting and pasting edit with the editing callbacks)
// and "selectAll:", so that menus and shortcuts sent along the responder
// chain reach the text being edited.
//
// Styled text: `attributedString` holds the text with its runs (an
// AttributedString, drawn with them) beside the plain text. An edit drops
// the runs; the owner may lay new ones over the same text with `restyle`.

#include <any>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/appkit/Control.h"
#include "platform/appkit/View.h"

namespace platform {

// A range of the text, in bytes of its UTF-8 form.
struct TextRange {
    std::size_t location = 0;
    std::size_t length = 0;
    bool operator==(const TextRange&) const = default;
};

// The desktop's own editor showing a text view while the text view is first
// responder (the Qt backend's line edit). It mirrors the text view, and
// reports back what the user does in it that no key event tells the kit
// (input-method text, a paste, a selection made with the mouse) through
// replaceCharacters, setSelectedRange and the marked-text calls, so the
// editing callbacks run as for typed keys.
class NativeTextEditor {
public:
    virtual ~NativeTextEditor() = default;
    // The kit changed the text, the selection or whether it may be edited.
    virtual void textViewDidChange() = 0;
    // A key the text view has no command of its own for (Home, Shift with
    // an arrow, Ctrl-C and the like): the editor performs it as its desktop
    // does; false when it has no use for it either.
    virtual bool performKey(const Event& event) = 0;
};

class TextView : public View {
public:
    explicit TextView(Rect frame = {});
    // The editor a window hands its text controls.
    static std::shared_ptr<TextView> makeFieldEditor();

    const std::string& string() const { return text_; }
    // Replaces the text without the editing callbacks; the selection goes to the end.
    void setString(std::string text);
    const std::any& attributedString() const { return attributed_; }
    void setAttributedString(std::any styled, std::string plainText);
    // Lays `styled` over the text as it stands, when its text is the same:
    // the selection and the editing session go on. False when it differs.
    bool restyle(AttributedString styled);

    bool isEditable() const { return editable_; }
    void setEditable(bool b) {
        editable_ = b;
        if (b) selectable_ = true;
        mirror();
    }
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool b) { selectable_ = b; if (!b) editable_ = false; }
    bool isFieldEditor() const { return fieldEditor_; }
    void setFieldEditor(bool b) { fieldEditor_ = b; }
    bool isRichText() const { return richText_; }
    void setRichText(bool b) { richText_ = b; }
    std::shared_ptr<TextDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<TextDelegate>& d) { delegate_ = d; }
    const std::optional<Font>& font() const { return font_; }
    void setFont(std::optional<Font> f) { font_ = std::move(f); }
    const std::optional<Color>& textColor() const { return textColor_; }
    void setTextColor(std::optional<Color> c) { textColor_ = std::move(c); }

    TextRange selectedRange() const { return selection_; }
    void setSelectedRange(TextRange range);
    void selectAll(const std::shared_ptr<Object>& sender = nullptr);
    // Shows the start of the text (the enclosing scroll view scrolls to the top).
    void scrollToBeginningOfDocument(const std::shared_ptr<Object>& sender = nullptr);
    void scrollToEndOfDocument(const std::shared_ptr<Object>& sender = nullptr);
    // Whether an editing session saw a change yet (the begin callback ran).
    bool hasBegunEditing() const { return begun_; }

    // --- the desktop's editor (see NativeTextEditor)
    std::shared_ptr<NativeTextEditor> nativeEditor() const { return nativeEditor_.lock(); }
    void setNativeEditor(const std::shared_ptr<NativeTextEditor>& editor) { nativeEditor_ = editor; }
    // Text an input method is composing, not yet part of the text (shown at
    // the selection).
    const std::string& markedText() const { return markedText_; }
    bool hasMarkedText() const { return !markedText_.empty(); }
    void setMarkedText(std::string text) { markedText_ = std::move(text); }
    void unmarkText() { markedText_.clear(); }

    // The text in the font and colour, unless the desktop's editor shows it.
    void drawRect(const Rect& dirtyRect) override;
    Cursor cursor() const override { return selectable_ ? Cursor::iBeam : Cursor::arrow; }

    // --- Responder
    bool acceptsFirstResponder() override { return selectable_; }
    bool resignFirstResponder() override;
    void keyDown(const Event& event) override;
    void insertText(const std::string& text) override;
    void doCommandBySelector(const Selector& selector) override;

    // Editing as a person does it (each runs the editing callbacks).
    void cut();
    void copy() const;
    void paste();
    void deleteBackward();
    void deleteForward();
    // Replaces `range` with `text`, with the editing callbacks; false when the
    // text view is not editable or the delegate refused to begin.
    bool replaceCharacters(TextRange range, const std::string& text);

    // --- kit internals (the control's editing session)
    // Starts a session: the next change runs the begin callback.
    void beginSession() { begun_ = false; ending_ = false; }
    // Ends the session with `movement`: the delegate's textDidEndEditing,
    // then the focus moves as the movement says.
    void endSession(int movement);
    // The same, unless the delegate refuses to end the edit (the keys that
    // end a session ask first).
    void endSessionIfAllowed(int movement);

private:
    bool beginIfNeeded();
    // Tells the desktop's editor that the text or selection changed.
    void mirror();
    // Hands a key the text view cannot use to the desktop's editor.
    bool performNatively(const Event& event);
    void postToDelegate(const std::string& name, int movement = -1);
    std::shared_ptr<TextView> self() { return std::static_pointer_cast<TextView>(shared_from_this()); }

    std::string text_;
    std::any attributed_;
    bool editable_ = true;
    bool selectable_ = true;
    bool fieldEditor_ = false;
    bool richText_ = true;
    std::weak_ptr<TextDelegate> delegate_;
    std::optional<Font> font_;
    std::optional<Color> textColor_;
    TextRange selection_;
    bool begun_ = false;
    bool ending_ = false;
    std::weak_ptr<NativeTextEditor> nativeEditor_;
    std::string markedText_;
};

}  // namespace platform
