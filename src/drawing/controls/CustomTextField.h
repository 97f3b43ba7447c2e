#pragma once
// The program's editable text fields. CustomTextField adds to the plain
// field the Command shortcuts for cut, copy, paste, undo, redo and select
// all (sent along the responder chain), an optional length limit applied
// while typing or pasting, and callbacks for the begin, change and end of
// editing.
//
// Three subclasses edit in place and are their own text delegates (their
// owner calls setDelegate with the field): CustomTextFieldForEditingComment
// writes an entry's comment, CustomTextFieldForEditingTags renames a tag in
// the Tags dialog, and CustomEditableTextLabel is a caption that becomes
// editable on a double click. The last two remember the value before
// editing, trim the new one, ask their CustomTextFieldDelegate whether to
// take it and show the old value again when it is refused or empty.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/TextField.h"

namespace frelt {

class TableViewCellConfigComment;
class TableViewCellConfigEditTags;

// The Command shortcuts of the program's text and token fields: for a key
// down with exactly Command, "x" cut:, "c" copy:, "v" paste:, "z" undo:,
// "a" selectAll:; with exactly Command and Shift, "Z" redo:. Caps Lock
// counts as a modifier. The field sends the action along the responder
// chain and takes the key when someone answered.
std::optional<platform::Selector> commandShortcutAction(const platform::Event& event);
bool sendCommandShortcut(const platform::Event& event, const std::shared_ptr<platform::Object>& sender);

class CustomTextFieldDelegate {
public:
    virtual ~CustomTextFieldDelegate() = default;
    // True takes the change; false makes the field show the old value again.
    virtual bool textFieldValueChanged(const std::string& oldValue, const std::string& newValue) = 0;
};

class CustomTextField : public platform::TextField, public platform::ControlTextEditingDelegate {
public:
    using TextField::TextField;

    // The longest text accepted while editing, in UTF-16 units; none or 0
    // and below: no limit.
    std::optional<long> maxLength;
    bool isCurrentlyEditing = false;
    std::function<void()> didBeginEditingHandler;
    std::function<void()> didEndEditingHandler;
    std::function<void()> didChangeHandler;
    std::function<void()> willBecomeFirstResponder;

    static constexpr platform::ModifierFlags commandKey = 0x100000;
    static constexpr platform::ModifierFlags commandShiftKey = 0x120000;

    // Command-X, -C, -V, -Z, -A and Command-Shift-Z, with exactly those
    // modifiers (Caps Lock counts), go to the responder chain as cut:,
    // copy:, paste:, undo:, selectAll: and redo:.
    bool performKeyEquivalent(const platform::Event& event) override;
    void textDidBeginEditing(const platform::Notification& notification) override;
    // The handler runs before the delegate hears of the end.
    void textDidEndEditing(const platform::Notification& notification) override;
    // Cuts the text to the limit, then runs the handler.
    void textDidChange(const platform::Notification& notification) override;
    bool becomeFirstResponder() override;

protected:
    // The field's value when it is a text.
    std::optional<std::string> textValue();
    // Shows `text`, in the field editor too while editing (which goes on).
    void showText(const std::string& text);
    // The end of an edit in place: asks `delegate` about a new, different,
    // non-empty value and shows `before` again when it is refused, empty or
    // unchanged. Nothing happens when there was no value before.
    void finishEditInPlace(const std::string& before, const std::string& after,
                           const std::shared_ptr<CustomTextFieldDelegate>& delegate);
};

// Edits an entry's comment in a configuration-table cell; the end of editing
// stores the text, as typed, as the comment of the cell's entry.
class CustomTextFieldForEditingComment : public CustomTextField {
public:
    using CustomTextField::CustomTextField;

    std::weak_ptr<TableViewCellConfigComment> ownerTableCellView;

    void controlTextDidEndEditing(const platform::Notification& notification) override;
};

// Renames a tag in the Tags dialog: the new name is normalised before the
// delegate is asked; Escape shows the old name again.
class CustomTextFieldForEditingTags : public CustomTextField {
public:
    using CustomTextField::CustomTextField;

    std::string tagNameBeforeEdit;
    std::string tagNameAfterEdit;
    std::weak_ptr<TableViewCellConfigEditTags> ownerTableCellView;
    std::weak_ptr<CustomTextFieldDelegate> customTextFieldDelegate;

    // Remembers the name shown when the field takes the focus.
    bool becomeFirstResponder() override;
    void controlTextDidBeginEditing(const platform::Notification& notification) override;
    void controlTextDidEndEditing(const platform::Notification& notification) override;
    void cancelOperation(const std::shared_ptr<platform::Object>& sender) override;
};

// A caption that a double click makes editable (when editing is allowed).
// The end of editing, Escape and the loss of the focus make it a caption
// again; Escape also shows the old value.
class CustomEditableTextLabel : public CustomTextField {
public:
    using CustomTextField::CustomTextField;

    std::string valueBeforeEdit;
    std::string valueAfterEdit;
    bool editIsAllowed = true;
    std::weak_ptr<CustomTextFieldDelegate> customTextFieldDelegate;

    void mouseDown(const platform::Event& event) override;
    void controlTextDidBeginEditing(const platform::Notification& notification) override;
    void controlTextDidEndEditing(const platform::Notification& notification) override;
    void cancelOperation(const std::shared_ptr<platform::Object>& sender) override;
    bool resignFirstResponder() override;

private:
    // Neither editable nor selectable any more, and redrawn.
    void becomeCaption();
    // Closes a session that is still open (after Return, or Escape) without
    // telling anyone: the value stays as it is shown.
    void leaveEditing();
};

}  // namespace frelt
