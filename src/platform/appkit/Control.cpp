#include "platform/appkit/Control.h"

#include <cmath>
#include <cstdio>

#include "platform/appkit/Application.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"

namespace platform {

int textMovement(const Notification& n) {
    auto it = n.userInfo.find(textnotification::textMovementKey);
    if (it == n.userInfo.end()) return textmovement::other;
    return static_cast<int>(it->second.asInteger().value_or(textmovement::other));
}

// --- Cell ----------------------------------------------------------------------

std::string Cell::stringValue() const {
    if (auto s = value_.asString()) return *s;
    if (value_.isBool()) return *value_.asBool() ? "1" : "0";
    if (value_.isInteger()) return std::to_string(*value_.asInteger());
    if (value_.isReal()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%g", *value_.asDouble());
        return buf;
    }
    return {};
}

long Cell::integerValue() const {
    if (auto s = value_.asString()) {
        try {
            return std::stol(*s);
        } catch (...) {
            return 0;
        }
    }
    return static_cast<long>(value_.asInteger().value_or(0));
}

double Cell::doubleValue() const {
    if (auto s = value_.asString()) {
        try {
            return std::stod(*s);
        } catch (...) {
            return 0;
        }
    }
    return value_.asDouble().value_or(0);
}

bool Cell::startTracking(Point, const std::shared_ptr<View>&) { return true; }
bool Cell::continueTracking(Point, Point, const std::shared_ptr<View>&) { return true; }
void Cell::stopTracking(Point, Point, const std::shared_ptr<View>&, bool) {}

// --- Control ---------------------------------------------------------------------

Control::Control(Rect frame) : View(frame), cell_(std::make_shared<Cell>()) {}

Control::~Control() = default;

void Control::setCell(const std::shared_ptr<Cell>& cell) {
    cell_ = cell ? cell : std::make_shared<Cell>();
    // Inside a constructor there is no shared owner yet; the link is made
    // when the control moves into a window.
    cell_->setControlView(std::dynamic_pointer_cast<View>(weak_from_this().lock()));
}

void Control::viewDidMoveToWindow() {
    View::viewDidMoveToWindow();
    cell_->setControlView(std::dynamic_pointer_cast<View>(weak_from_this().lock()));
}

bool Control::sendAction() {
    if (actionHandler_) {
        auto handler = actionHandler_;  // the handler may replace itself
        handler(self());
        return true;
    }
    if (action_.empty()) return false;
    return sendAction(action_, target());
}

bool Control::sendAction(const Selector& action, const std::shared_ptr<Object>& target) {
    if (action.empty()) return false;
    return Application::shared()->sendAction(action, target, self());
}

EventMask Control::sendActionOn(EventMask mask) {
    const EventMask old = sendActionOn_;
    sendActionOn_ = mask;
    return old;
}

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (!enabled && currentEditor()) abortEditing();
    setNeedsDisplay(true);
}

const Value& Control::objectValue() {
    validateEditing();
    return cell_->objectValue();
}

void Control::setObjectValue(Value value) {
    // Like the platform: a new value ends any editing without telling anyone.
    // A field that had the keyboard keeps it, now editing the new value: a
    // dialog that fills its fields once shown still takes the user's typing
    // in the field it focused.
    bool refocus = false;
    if (auto editor = currentEditor()) {
        const auto win = window();
        refocus = win && win->firstResponder() == editor;
        abortEditing();
    }
    cell_->setObjectValue(std::move(value));
    valueDidChange();
    if (!refocus) return;
    // Unless the abort handed the keyboard on elsewhere.
    if (const auto win = window(); win && (!win->firstResponder() || win->firstResponder() == win))
        win->makeFirstResponder(self());
}

std::string Control::stringValue() {
    validateEditing();
    return cell_->stringValue();
}

long Control::integerValue() {
    validateEditing();
    return cell_->integerValue();
}

double Control::doubleValue() {
    validateEditing();
    return cell_->doubleValue();
}

AttributedString Control::attributedStringValue() {
    const std::string text = stringValue();
    if (const auto* styled = shownAttributedStringValue()) return *styled;
    return AttributedString(text, textAttributes());
}

void Control::setAttributedStringValue(AttributedString styled) {
    if (auto editor = currentEditor(); editor && editor->string() == styled.string()) {
        styled_ = styled;
        editor->restyle(std::move(styled));
        return;
    }
    setObjectValue(Value(styled.string()));
    styled_ = styled;
    // A field that kept the keyboard edits the new text: its editor shows the runs too.
    if (auto editor = currentEditor(); editor && editor->string() == styled.string()) editor->restyle(std::move(styled));
    setNeedsDisplay(true);
}

const AttributedString* Control::shownAttributedStringValue() const {
    if (!styled_ || !cell_->objectValue().asString() || styled_->string() != cell_->stringValue()) return nullptr;
    return &*styled_;
}

void Control::setEditable(bool b) {
    editable_ = b;
    if (b) selectable_ = true;
    if (!b && currentEditor()) {
        if (auto editor = currentEditor()) editor->setEditable(false);
    }
}

void Control::setSelectable(bool b) {
    selectable_ = b;
    if (!b) editable_ = false;
}

// --- editing session

bool Control::beginEditingSession() {
    if (currentEditor()) return true;
    auto win = window();
    if (!win || !editsText() || !isSelectable()) return false;
    auto me = self();
    auto editor = cell_->fieldEditorForView(me);
    if (!editor) editor = std::dynamic_pointer_cast<TextView>(win->fieldEditor(true, me));
    if (!editor) return false;
    // A shared editor still working for another control finishes there first.
    if (auto other = std::dynamic_pointer_cast<Control>(editor->delegate()); other && other != me)
        other->endEditingSession();
    editor->setFieldEditor(true);
    if (const auto* styled = shownAttributedStringValue()) editor->setAttributedString(*styled, styled->string());
    else editor->setString(cell_->stringValue());
    editor->setEditable(editable_);
    editor->setSelectable(true);
    editor->setFont(font_);
    editor->setTextColor(textColor_);
    editor->setFrame(editingRect());
    addSubview(editor);
    editor->setDelegate(me);
    editor_ = editor;
    win->setFieldEditorClient(me);
    editor->beginSession();
    editor->selectAll();
    win->makeFirstResponder(editor);
    return true;
}

void Control::endEditingSession() {
    auto editor = currentEditor();
    if (!editor) return;
    editor_.reset();
    if (editor->delegate().get() == static_cast<TextDelegate*>(this)) editor->setDelegate(nullptr);
    if (auto win = window(); win && win->fieldEditorClient().get() == this) win->setFieldEditorClient(nullptr);
    if (editor->superview().get() == this) editor->removeFromSuperview();
    setNeedsDisplay(true);
}

bool Control::abortEditing() {
    auto editor = currentEditor();
    if (!editor) return false;
    auto win = window();
    const bool editorHadFocus = win && win->firstResponder() == editor;
    endEditingSession();
    if (editorHadFocus && win->firstResponder() == editor) win->makeFirstResponder(nullptr);
    return true;
}

void Control::validateEditing() {
    auto editor = currentEditor();
    if (!editor) return;
    cell_->setObjectValue(Value(editor->string()));
    // The editor's styled text comes along; without any the old runs would
    // come back if the same text came back.
    const auto* styled = std::any_cast<AttributedString>(&editor->attributedString());
    if (styled && styled->string() == editor->string()) styled_ = *styled;
    else styled_.reset();
}

void Control::selectText(const std::shared_ptr<Object>&) {
    auto win = window();
    if (!win || !isSelectable()) return;
    if (auto editor = currentEditor()) {
        editor->selectAll();
        if (win->firstResponder() != editor) win->makeFirstResponder(editor);
        return;
    }
    if (win->firstResponder().get() == this) beginEditingSession();
    else win->makeFirstResponder(self());
}

// --- TextDelegate

bool Control::textShouldBeginEditing(TextView& textView) {
    if (!editable_ || !enabled_) return false;
    if (auto d = delegate()) return d->controlTextShouldBeginEditing(self(), std::static_pointer_cast<TextView>(textView.shared_from_this()));
    return true;
}

bool Control::textShouldEndEditing(TextView& textView) {
    if (auto d = delegate())
        return d->controlTextShouldEndEditing(self(), std::static_pointer_cast<TextView>(textView.shared_from_this()));
    return true;
}

void Control::notifyDelegate(const std::string& name, const Notification& textNotification) {
    auto me = self();
    Notification n{name, std::any(std::static_pointer_cast<Object>(me)), this, {}};
    if (auto editor = currentEditor()) n.userInfo["NSFieldEditor"] = Value(true);
    if (name == controlnotification::textDidEndEditing)
        n.userInfo[textnotification::textMovementKey] = Value(textMovement(textNotification));
    if (auto d = delegate()) {
        if (name == controlnotification::textDidBeginEditing) d->controlTextDidBeginEditing(n);
        else if (name == controlnotification::textDidChange) d->controlTextDidChange(n);
        else if (name == controlnotification::textDidEndEditing) d->controlTextDidEndEditing(n);
    }
    NotificationCenter::defaultCenter().post(n);
}

void Control::textDidBeginEditing(const Notification& n) { notifyDelegate(controlnotification::textDidBeginEditing, n); }

void Control::textDidChange(const Notification& n) {
    notifyDelegate(controlnotification::textDidChange, n);
    if (continuous_) {
        validateEditing();
        sendAction();
    }
}

void Control::textDidEndEditing(const Notification& n) {
    validateEditing();
    notifyDelegate(controlnotification::textDidEndEditing, n);
    if (textMovement(n) != textmovement::returnKey || sendAction()) return;
    // A field with no action of its own leaves Return to its window: in a
    // dialog that presses the default button, as a person expects after
    // typing into any of its fields.
    if (auto window = this->window()) {
        const auto key = Event::keyEvent(EventType::keyDown, keycode::returnKey, "\r", "\r", 0, window);
        window->performKeyEquivalent(*key);
    }
}

bool Control::textViewDoCommandBySelector(const std::shared_ptr<TextView>& textView, const Selector& selector) {
    if (auto d = delegate()) return d->controlTextViewDoCommandBySelector(self(), textView, selector);
    return false;
}

// --- responder

bool Control::acceptsFirstResponder() { return !refusesFirstResponder_ && enabled_ && editsText() && isSelectable(); }

bool Control::becomeFirstResponder() {
    if (editsText()) beginEditingSession();
    return true;
}

bool Control::resignFirstResponder() {
    if (auto editor = currentEditor()) {
        if (auto win = window(); win && win->firstResponder() != editor) editor->endSession(textmovement::other);
    }
    return true;
}

void Control::keyDown(const Event& event) {
    // Only keys sent to the control itself go on to its editor: a key the
    // editor passes up its responder chain reaches the control next and
    // goes on from here, or it would go round between the two for ever.
    if (auto editor = currentEditor()) {
        if (auto win = window(); win && win->firstResponder().get() == this) {
            editor->keyDown(event);
            return;
        }
    }
    View::keyDown(event);
}

Point Control::locationOf(const Event& event) const { return convertPointFromWindow(event.locationInWindow); }

ControlDrawing Control::controlDrawing(ControlKind kind) const {
    ControlDrawing d;
    d.kind = kind;
    d.enabled = enabled_;
    d.pressed = cell_->isHighlighted();
    auto w = window();
    d.active = !w || w->isKeyWindow() || !w->isVisible();
    return d;
}

TextAttributes Control::textAttributes(std::optional<Color> colour, bool singleLine) const {
    TextAttributes a;
    a.font = font_.value_or(defaultTextFont());
    Color c = colour.value_or(textColor_.value_or(Color::named("System", "controlTextColor", Color::black())));
    if (!enabled_) c = Color::named("System", "disabledControlTextColor", Color::calibratedWhite(0, 0.25));
    a.foregroundColor = c;
    ParagraphStyle style;
    style.alignment = alignment_;
    style.lineBreakMode = singleLine ? LineBreakMode::ByTruncatingTail : LineBreakMode::ByWordWrapping;
    a.paragraphStyle = style;
    return a;
}

void Control::drawText(const std::string& text, const Rect& rect, std::optional<Color> colour, bool singleLine) const {
    auto* context = GraphicsContext::current();
    if (!context || text.empty()) return;
    AttributedString styled(text, textAttributes(std::move(colour), singleLine));
    Rect r = rect;
    if (singleLine) {
        const double h = textMetrics().lineHeight(styled);
        r = Rect(rect.minX(), rect.minY() + std::floor((rect.height() - h) / 2), rect.width(), h);
    }
    context->drawAttributedString(styled, r);
}

void Control::drawAttributedText(const AttributedString& styled, const Rect& rect, bool singleLine) const {
    auto* context = GraphicsContext::current();
    if (!context || styled.length() == 0) return;
    const TextAttributes base = textAttributes(std::nullopt, singleLine);
    AttributedString shown;
    for (const auto& run : styled.runs()) {
        TextAttributes a = run.attributes;
        if (!a.font) a.font = base.font;
        if (!a.foregroundColor || !enabled_) a.foregroundColor = base.foregroundColor;
        a.paragraphStyle = base.paragraphStyle;
        shown.append(styled.string().substr(run.range.location, run.range.length), a);
    }
    Rect r = rect;
    if (singleLine) {
        const double h = textMetrics().lineHeight(shown);
        r = Rect(rect.minX(), rect.minY() + std::floor((rect.height() - h) / 2), rect.width(), h);
    }
    context->drawAttributedString(shown, r);
}

void Control::mouseDown(const Event& event) {
    if (!enabled_) return;
    auto me = self();
    if (editsText()) {
        if (auto win = window(); win && isSelectable() && !currentEditor()) win->makeFirstResponder(me);
        return;
    }
    const Point p = locationOf(event);
    setHighlighted(true);
    if (sendActionOn_ & eventmask::leftMouseDown) sendAction();
    tracking_ = true;
    const Value before = cell_->objectValue();
    trackingRefused_ = !cell_->startTracking(p, me);
    lastTrackingPoint_ = p;
    if (trackingRefused_) setHighlighted(false);
    redrawIfTrackingChanged(before);
}

void Control::redrawIfTrackingChanged(const Value& before) {
    // The cell moves the value while the mouse tracks (a slider's knob
    // follows the pointer): what shows it must follow too.
    if (!(cell_->objectValue() == before)) valueDidChange();
}

void Control::mouseDragged(const Event& event) {
    if (!tracking_ || trackingRefused_) return;
    auto me = self();
    const Point p = locationOf(event);
    const Point last = lastTrackingPoint_;
    lastTrackingPoint_ = p;
    setHighlighted(bounds().contains(p));
    const Value before = cell_->objectValue();
    if (!cell_->continueTracking(last, p, me)) {
        trackingRefused_ = true;
        setHighlighted(false);
        cell_->stopTracking(last, p, me, false);
        redrawIfTrackingChanged(before);
        return;
    }
    redrawIfTrackingChanged(before);
    if (continuous_) sendAction();
}

void Control::mouseUp(const Event& event) {
    // Only a press the base mouseDown tracked ends in the action: a subclass
    // that takes mouseDown over decides itself.
    if (!tracking_) return;
    tracking_ = false;
    auto me = self();
    const Point p = locationOf(event);
    const bool refused = trackingRefused_;
    trackingRefused_ = false;
    setHighlighted(false);
    if (refused) return;
    const Value before = cell_->objectValue();
    cell_->stopTracking(lastTrackingPoint_, p, me, true);
    redrawIfTrackingChanged(before);
    if (enabled_ && (bounds().contains(p) || sendsActionOnMouseUpOutside()) && (sendActionOn_ & eventmask::leftMouseUp))
        sendAction();
}

void Control::rightMouseDown(const Event& event) {
    if (enabled_ && (sendActionOn_ & eventmask::rightMouseDown)) {
        sendAction();
        return;
    }
    View::rightMouseDown(event);
}

void Control::rightMouseUp(const Event& event) {
    if (enabled_ && (sendActionOn_ & eventmask::rightMouseUp)) {
        sendAction();
        return;
    }
    View::rightMouseUp(event);
}

}  // namespace platform
