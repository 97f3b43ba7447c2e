#pragma once
// Controls: views that hold a value, send an action to a target, and, for
// text controls, edit their text through the window's field editor.
//
// A control keeps its value in its cell. While the control is being edited
// the text lives in the field editor (a TextView whose delegate is the
// control); reading the control's value copies the editor's text into the
// cell first, writing the cell alone leaves the editor as it is.
//
// The editing callbacks run in this order: textDidBeginEditing at the first
// change of an editing session, textDidChange after every change, and
// textDidEndEditing when Return, Tab or Shift-Tab ends the session or the
// editor loses the keyboard focus. Their base versions tell the delegate
// (controlTextDidBeginEditing, controlTextDidChange, controlTextDidEndEditing)
// and post the matching notifications; a subclass that overrides one and does
// not call the base keeps the delegate out of it. Escape sends cancelOperation
// along the responder chain, from the editor to the control and beyond.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/ControlDrawing.h"
#include "platform/appkit/View.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/AttributedString.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/ParagraphStyle.h"

namespace platform {

class Control;
class TextView;

// How an editing session ended ("NSTextMovement" in the end notification).
namespace textmovement {
inline constexpr int other = 0;
inline constexpr int returnKey = 0x10;
inline constexpr int tab = 0x11;
inline constexpr int backtab = 0x12;
inline constexpr int cancel = 0x17;
}  // namespace textmovement

namespace textnotification {
inline const std::string didBeginEditing = "NSTextDidBeginEditingNotification";
inline const std::string didChange = "NSTextDidChangeNotification";
inline const std::string didEndEditing = "NSTextDidEndEditingNotification";
inline const std::string textMovementKey = "NSTextMovement";
}  // namespace textnotification

namespace controlnotification {
inline const std::string textDidBeginEditing = "NSControlTextDidBeginEditingNotification";
inline const std::string textDidChange = "NSControlTextDidChangeNotification";
inline const std::string textDidEndEditing = "NSControlTextDidEndEditingNotification";
}  // namespace controlnotification

// The kit object a notification of the kit is about (its `object` holds a
// std::shared_ptr<Object>), cast to T; none when it is not a T.
template <class T>
std::shared_ptr<T> notificationObject(const Notification& n) {
    if (auto p = n.objectAs<std::shared_ptr<Object>>()) return std::dynamic_pointer_cast<T>(*p);
    return nullptr;
}
// The text movement an end-of-editing notification carries.
int textMovement(const Notification& n);

// The delegate of a text view: the control that edits through it, or the
// owner of a free-standing text view.
class TextDelegate {
public:
    virtual ~TextDelegate() = default;
    virtual bool textShouldBeginEditing(TextView& textView) {
        (void)textView;
        return true;
    }
    // False keeps the edit going (the key that would end it does nothing).
    virtual bool textShouldEndEditing(TextView& textView) {
        (void)textView;
        return true;
    }
    virtual void textDidBeginEditing(const Notification& notification) { (void)notification; }
    virtual void textDidChange(const Notification& notification) { (void)notification; }
    virtual void textDidEndEditing(const Notification& notification) { (void)notification; }
    // A command from the key bindings ("insertNewline:", "cancelOperation:",
    // "moveUp:", ...); true when handled, which stops the text view's own
    // handling.
    virtual bool textViewDoCommandBySelector(const std::shared_ptr<TextView>& textView, const Selector& selector) {
        (void)textView;
        (void)selector;
        return false;
    }
};

// The delegate of a text control.
class ControlTextEditingDelegate {
public:
    virtual ~ControlTextEditingDelegate() = default;
    virtual void controlTextDidBeginEditing(const Notification& notification) { (void)notification; }
    virtual void controlTextDidChange(const Notification& notification) { (void)notification; }
    virtual void controlTextDidEndEditing(const Notification& notification) { (void)notification; }
    virtual bool controlTextShouldBeginEditing(const std::shared_ptr<Control>& control,
                                               const std::shared_ptr<TextView>& fieldEditor) {
        (void)control;
        (void)fieldEditor;
        return true;
    }
    virtual bool controlTextShouldEndEditing(const std::shared_ptr<Control>& control,
                                             const std::shared_ptr<TextView>& fieldEditor) {
        (void)control;
        (void)fieldEditor;
        return true;
    }
    virtual bool controlTextViewDoCommandBySelector(const std::shared_ptr<Control>& control,
                                                    const std::shared_ptr<TextView>& textView,
                                                    const Selector& selector) {
        (void)control;
        (void)textView;
        (void)selector;
        return false;
    }
};

// The value holder of a control, and what a control's subclasses customise:
// the field editor it edits with, the mouse tracking.
class Cell : public Object {
public:
    Cell() = default;

    const Value& objectValue() const { return value_; }
    virtual void setObjectValue(Value value) { value_ = std::move(value); }
    // Numbers read as their decimal text; other kinds as the empty text.
    std::string stringValue() const;
    void setStringValue(std::string s) { setObjectValue(Value(std::move(s))); }
    long integerValue() const;
    double doubleValue() const;

    std::shared_ptr<View> controlView() const { return controlView_.lock(); }
    void setControlView(const std::shared_ptr<View>& v) { controlView_ = v; }
    const std::string& placeholderString() const { return placeholder_; }
    void setPlaceholderString(std::string s) { placeholder_ = std::move(s); }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool b) { highlighted_ = b; }

    // The editor to edit `view` with; none takes the window's field editor.
    virtual std::shared_ptr<TextView> fieldEditorForView(const std::shared_ptr<View>& view) {
        (void)view;
        return nullptr;
    }

    // Mouse tracking, from the control's mouse events (points in the control
    // view's coordinates). Answering false from start or continue ends the
    // tracking; stop runs at the end (mouseIsUp false when it was refused).
    virtual bool startTracking(Point startPoint, const std::shared_ptr<View>& controlView);
    virtual bool continueTracking(Point lastPoint, Point currentPoint, const std::shared_ptr<View>& controlView);
    virtual void stopTracking(Point lastPoint, Point stopPoint, const std::shared_ptr<View>& controlView,
                              bool mouseIsUp);

private:
    Value value_;
    std::weak_ptr<View> controlView_;
    std::string placeholder_;
    bool highlighted_ = false;
};

class Control : public View, public TextDelegate {
public:
    using ActionHandler = std::function<void(const std::shared_ptr<Control>& sender)>;

    explicit Control(Rect frame = {});
    ~Control() override;

    std::shared_ptr<Cell> cell() const { return cell_; }
    void setCell(const std::shared_ptr<Cell>& cell);

    // --- target and action
    std::shared_ptr<Object> target() const { return target_.lock(); }
    void setTarget(const std::shared_ptr<Object>& target) { target_ = target; }
    const Selector& action() const { return action_; }
    void setAction(Selector action) { action_ = std::move(action); }
    // The action as a callback (instead of a selector).
    void setActionHandler(ActionHandler handler) { actionHandler_ = std::move(handler); }
    bool hasAction() const { return !action_.empty() || actionHandler_ != nullptr; }
    // Sends the control's action: the callback, or the selector to the target
    // or, without one, along the responder chain. False when nobody handled it.
    virtual bool sendAction();
    bool sendAction(const Selector& action, const std::shared_ptr<Object>& target);
    // The mouse events that send the action (default: left mouse up).
    EventMask sendActionOnMask() const { return sendActionOn_; }
    EventMask sendActionOn(EventMask mask);

    // --- state
    bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled);
    bool isContinuous() const { return continuous_; }
    void setContinuous(bool b) { continuous_ = b; }
    // A control that refuses first responder leaves the keyboard focus where
    // it is when clicked; the base acceptsFirstResponder answers false then.
    bool refusesFirstResponder() const { return refusesFirstResponder_; }
    void setRefusesFirstResponder(bool b) { refusesFirstResponder_ = b; }
    long tag() const override { return tag_; }
    void setTag(long tag) { tag_ = tag; }
    bool isHighlighted() const { return cell_->isHighlighted(); }
    void setHighlighted(bool b) { cell_->setHighlighted(b); }

    // --- value (reading copies the text being edited into the cell)
    const Value& objectValue();
    virtual void setObjectValue(Value value);
    std::string stringValue();
    void setStringValue(std::string s) { setObjectValue(Value(std::move(s))); }
    long integerValue();
    int intValue() { return static_cast<int>(integerValue()); }
    double doubleValue();
    void setIntegerValue(long v) { setObjectValue(Value(v)); }
    void setDoubleValue(double v) { setObjectValue(Value(v)); }
    // Styled text. The control keeps the runs beside its text and shows
    // them while its text is the styled text's; any other value drops them.
    // Reading gives the runs, or the text in the control's style without.
    // Setting the very text that is being edited restyles the field editor
    // and keeps the session and the selection (an owner colouring what is
    // typed); any other text ends the session as a new value does.
    AttributedString attributedStringValue();
    void setAttributedStringValue(AttributedString styled);

    // --- text appearance, as plain values for the backend
    const std::optional<Font>& font() const { return font_; }
    void setFont(std::optional<Font> f) { font_ = std::move(f); }
    const std::optional<Color>& textColor() const { return textColor_; }
    void setTextColor(std::optional<Color> c) { textColor_ = std::move(c); }
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment a) { alignment_ = a; }
    const std::string& placeholderString() const { return cell_->placeholderString(); }
    void setPlaceholderString(std::string s) { cell_->setPlaceholderString(std::move(s)); }

    // --- editing
    bool isEditable() const { return editable_; }
    void setEditable(bool b);
    // Setting it off also turns editable off, as on the platform.
    bool isSelectable() const { return selectable_ || editable_; }
    void setSelectable(bool b);
    std::shared_ptr<ControlTextEditingDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<ControlTextEditingDelegate>& d) { delegate_ = d; }
    // The field editor while the control is being edited.
    std::shared_ptr<TextView> currentEditor() const { return editor_.lock(); }
    // Ends the editing session without telling anyone and keeps the cell's
    // value; false when the control was not being edited.
    bool abortEditing();
    // Copies the editor's text into the cell.
    void validateEditing();
    // Makes the control first responder and selects all its text.
    virtual void selectText(const std::shared_ptr<Object>& sender = nullptr);
    // Whether a mouse up outside the control still ends in the action.
    virtual bool sendsActionOnMouseUpOutside() const { return false; }
    // Whether the control edits text through a field editor when it becomes
    // first responder (text fields).
    virtual bool editsText() const { return false; }
    // Where the field editor sits while the control is edited.
    virtual Rect editingRect() const { return bounds(); }

    // --- TextDelegate: the editing callbacks (see the top of the file)
    bool textShouldBeginEditing(TextView& textView) override;
    bool textShouldEndEditing(TextView& textView) override;
    void textDidBeginEditing(const Notification& notification) override;
    void textDidChange(const Notification& notification) override;
    void textDidEndEditing(const Notification& notification) override;
    bool textViewDoCommandBySelector(const std::shared_ptr<TextView>& textView, const Selector& selector) override;

    // --- responder
    bool acceptsFirstResponder() override;
    bool becomeFirstResponder() override;
    void viewDidMoveToWindow() override;
    // While the control itself is first responder with an editor attached,
    // keys go on to the editor and losing the focus ends the session.
    bool resignFirstResponder() override;
    void keyDown(const Event& event) override;
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void rightMouseDown(const Event& event) override;
    void rightMouseUp(const Event& event) override;

    // --- kit internals: the field editor's session
    // Starts editing with the field editor (as first responder).
    bool beginEditingSession();
    // Detaches the field editor (after the end of the session).
    void endEditingSession();

protected:
    // Called after the value changed programmatically or by tracking.
    virtual void valueDidChange() { setNeedsDisplay(true); }
    // Tells the delegate and posts the control notification.
    void notifyDelegate(const std::string& controlNotificationName, const Notification& textNotification);
    // Redraws when the cell's value is no longer `before`.
    void redrawIfTrackingChanged(const Value& before);
    // Ends a mouse tracking the base mouseDown began, without the action.
    void cancelMouseTracking() {
        tracking_ = false;
        trackingRefused_ = false;
        setHighlighted(false);
    }
    // Point of an event in this control's coordinates.
    Point locationOf(const Event& event) const;
    // A standard control of `kind` in this control's state (enabled,
    // pressed, in the key window).
    ControlDrawing controlDrawing(ControlKind kind) const;
    // The control's text style: its font, its colour (or `colour`), greyed
    // when disabled, its alignment, and one truncated line or wrapping.
    TextAttributes textAttributes(std::optional<Color> colour = std::nullopt, bool singleLine = true) const;
    // Draws `text` in the control's style, one line centred vertically in
    // `rect` when `singleLine`.
    void drawText(const std::string& text, const Rect& rect, std::optional<Color> colour = std::nullopt,
                  bool singleLine = true) const;
    // The styled value when it is the one shown (its text is the cell's).
    const AttributedString* shownAttributedStringValue() const;
    // Draws styled text in its own runs, the control's style filling in
    // what a run leaves open (font, colour), its alignment and line breaking
    // over all; greyed when disabled.
    void drawAttributedText(const AttributedString& styled, const Rect& rect, bool singleLine = true) const;

private:
    std::shared_ptr<Control> self() { return std::static_pointer_cast<Control>(shared_from_this()); }

    std::shared_ptr<Cell> cell_;
    std::weak_ptr<Object> target_;
    Selector action_;
    ActionHandler actionHandler_;
    EventMask sendActionOn_ = eventmask::leftMouseUp;
    bool enabled_ = true;
    bool continuous_ = false;
    bool refusesFirstResponder_ = false;
    long tag_ = 0;
    std::optional<Font> font_;
    std::optional<Color> textColor_;
    std::optional<AttributedString> styled_;
    TextAlignment alignment_ = TextAlignment::Natural;
    bool editable_ = false;
    bool selectable_ = false;
    std::weak_ptr<ControlTextEditingDelegate> delegate_;
    std::weak_ptr<TextView> editor_;
    // Mouse tracking started by the base mouseDown.
    bool tracking_ = false;
    bool trackingRefused_ = false;
    Point lastTrackingPoint_;
};

}  // namespace platform
