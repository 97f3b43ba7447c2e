#pragma once
// Real input as kit events. Key codes come from the X keycode
// (QKeyEvent::nativeScanCode on X11) through the X key table; where Qt
// reports none (the offscreen platform of the picture tests) from Qt's key.
// A key that types a Latin letter in the current layout has that letter's
// code, so letter shortcuts follow the keyboard's labels.
// Modifiers follow the kit's convention: Ctrl is command, Super is control,
// Alt is option.

#include <QEvent>
#include <QPointF>

#include <memory>
#include <optional>

#include "platform/appkit/Event.h"

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace platform::qt {

ModifierFlags modifierFlags(Qt::KeyboardModifiers modifiers);
// The kit's virtual key code of a key event; none for keys it has no code for.
std::optional<std::uint16_t> virtualKeyCode(const QKeyEvent& event);
// Whether the key is a modifier key (its presses are flags changes).
bool isModifierKey(int qtKey);

// Key down, key up or flags changed, for `window`.
EventPtr keyEvent(const QKeyEvent& event, const std::shared_ptr<Window>& window);

// Counts clicks: a press soon after the last one and near it is its second
// (third ...) click.
class ClickCounter {
public:
    int press(Qt::MouseButton button, QPointF globalPosition, unsigned long timestamp);

private:
    Qt::MouseButton button_ = Qt::NoButton;
    QPointF position_;
    unsigned long time_ = 0;
    int count_ = 0;
};

// A mouse event at `location` (content coordinates); none for buttons the kit
// does not know.
EventPtr mouseEvent(const QMouseEvent& event, Point location, const std::shared_ptr<Window>& window, int clickCount);
EventPtr scrollEvent(const QWheelEvent& event, Point location, const std::shared_ptr<Window>& window);

}  // namespace platform::qt
