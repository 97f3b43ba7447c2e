#include "platform/qt/QtInput.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWheelEvent>

#include <linux/input-event-codes.h>

#include <cctype>

#include "platform/linux/XKeyCodes.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

// The evdev code of a Qt key, where the platform gives no X keycode: it
// finds the kit's code through the same X key table.
int evdevOfQtKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        static const int letters[] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                                      KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                                      KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
        return letters[key - Qt::Key_A];
    }
    if (key >= Qt::Key_1 && key <= Qt::Key_9) return KEY_1 + (key - Qt::Key_1);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        static const int f[] = {KEY_F1, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6,
                                KEY_F7, KEY_F8, KEY_F9, KEY_F10, KEY_F11, KEY_F12};
        return f[key - Qt::Key_F1];
    }
    switch (key) {
        case Qt::Key_0: return KEY_0;
        case Qt::Key_Return: return KEY_ENTER;
        case Qt::Key_Enter: return KEY_KPENTER;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return KEY_TAB;
        case Qt::Key_Space: return KEY_SPACE;
        case Qt::Key_Backspace: return KEY_BACKSPACE;
        case Qt::Key_Escape: return KEY_ESC;
        case Qt::Key_Delete: return KEY_DELETE;
        case Qt::Key_Home: return KEY_HOME;
        case Qt::Key_End: return KEY_END;
        case Qt::Key_PageUp: return KEY_PAGEUP;
        case Qt::Key_PageDown: return KEY_PAGEDOWN;
        case Qt::Key_Left: return KEY_LEFT;
        case Qt::Key_Right: return KEY_RIGHT;
        case Qt::Key_Up: return KEY_UP;
        case Qt::Key_Down: return KEY_DOWN;
        case Qt::Key_Minus: return KEY_MINUS;
        case Qt::Key_Equal: return KEY_EQUAL;
        case Qt::Key_Comma: return KEY_COMMA;
        case Qt::Key_Period: return KEY_DOT;
        case Qt::Key_Slash: return KEY_SLASH;
        case Qt::Key_Semicolon: return KEY_SEMICOLON;
        case Qt::Key_Apostrophe: return KEY_APOSTROPHE;
        case Qt::Key_BracketLeft: return KEY_LEFTBRACE;
        case Qt::Key_BracketRight: return KEY_RIGHTBRACE;
        case Qt::Key_Backslash: return KEY_BACKSLASH;
        case Qt::Key_QuoteLeft: return KEY_GRAVE;
        case Qt::Key_Shift: return KEY_LEFTSHIFT;
        case Qt::Key_Control: return KEY_LEFTCTRL;
        case Qt::Key_Alt: return KEY_LEFTALT;
        case Qt::Key_Meta:
        case Qt::Key_Super_L: return KEY_LEFTMETA;
        case Qt::Key_Super_R: return KEY_RIGHTMETA;
        case Qt::Key_CapsLock: return KEY_CAPSLOCK;
        default: return -1;
    }
}

// The characters the platform gives keys without text: function keys in
// its private range, the editing keys as control characters.
std::string functionKeyCharacters(int key) {
    auto cp = [](char32_t c) {
        std::string s;
        s += char(0xE0 | (c >> 12));
        s += char(0x80 | ((c >> 6) & 0x3F));
        s += char(0x80 | (c & 0x3F));
        return s;
    };
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return "\r";
        case Qt::Key_Tab: return "\t";
        case Qt::Key_Backtab: return "\x19";
        case Qt::Key_Escape: return "\x1b";
        case Qt::Key_Backspace: return "\x7f";
        case Qt::Key_Up: return cp(0xF700);
        case Qt::Key_Down: return cp(0xF701);
        case Qt::Key_Left: return cp(0xF702);
        case Qt::Key_Right: return cp(0xF703);
        case Qt::Key_Delete: return cp(0xF728);
        case Qt::Key_Home: return cp(0xF729);
        case Qt::Key_End: return cp(0xF72B);
        case Qt::Key_PageUp: return cp(0xF72C);
        case Qt::Key_PageDown: return cp(0xF72D);
        default:
            if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return cp(char32_t(0xF704 + (key - Qt::Key_F1)));
            return {};
    }
}

}  // namespace

ModifierFlags modifierFlags(Qt::KeyboardModifiers m) {
    ModifierFlags f = 0;
    if (m & Qt::ShiftModifier) f |= modifierflags::shift;
    if (m & Qt::ControlModifier) f |= modifierflags::command;
    if (m & Qt::MetaModifier) f |= modifierflags::control;
    if (m & Qt::AltModifier) f |= modifierflags::option;
    if (m & Qt::KeypadModifier) f |= modifierflags::numericPad;
    return f;
}

bool isModifierKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_CapsLock:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R: return true;
        default: return false;
    }
}

std::optional<std::uint16_t> virtualKeyCode(const QKeyEvent& event) {
    if (event.nativeScanCode() != 0)
        if (auto code = xkeys::virtualKeyCodeForXKeycode(event.nativeScanCode())) return code;
    const int evdev = evdevOfQtKey(event.key());
    if (evdev < 0) return std::nullopt;
    return xkeys::virtualKeyCodeForXKeycode(std::uint32_t(evdev) + 8);
}

namespace {

// The code of the key that types the Latin letter `c` on a US keyboard.
std::optional<std::uint16_t> virtualKeyCodeOfLetter(char c) {
    const int evdev = evdevOfQtKey(Qt::Key_A + (std::tolower(static_cast<unsigned char>(c)) - 'a'));
    return evdev < 0 ? std::nullopt : xkeys::virtualKeyCodeForXKeycode(std::uint32_t(evdev) + 8);
}

}  // namespace

EventPtr keyEvent(const QKeyEvent& event, const std::shared_ptr<Window>& window) {
    std::uint16_t code = virtualKeyCode(event).value_or(0xFFFF);
    ModifierFlags flags = modifierFlags(event.modifiers());
    // Caps Lock is a lock, which Qt's modifiers leave out; X's state has it.
    if (event.nativeModifiers() != 0)
        flags |= xkeys::modifierFlagsForXState(event.nativeModifiers()) & modifierflags::capsLock;
    if (isModifierKey(event.key())) return Event::flagsChangedEvent(code, flags, window);

    // What the key types without the modifiers other than Shift: the X
    // keysym where Qt has it, else Qt's key.
    std::string ignoring;
    const quint32 keysym = event.nativeVirtualKey();
    if (keysym >= 0x20 && keysym < 0x7f) ignoring = std::string(1, char(keysym));
    else if (keysym >= 0x1000100 && keysym <= 0x110ffff) {
        const char32_t c = char32_t(keysym - 0x1000000);
        ignoring = fromQString(QString::fromUcs4(&c, 1));
    }
    else if (keysym >= 0xa0 && keysym <= 0xff) ignoring = fromQString(QString(QChar(char16_t(keysym))));
    if (ignoring.empty() && event.key() >= 0x20 && event.key() < 0x7f) {
        char c = char(event.key());
        if (!(flags & modifierflags::shift)) c = char(std::tolower(static_cast<unsigned char>(c)));
        ignoring = std::string(1, c);
    }
    // A key whose layout types a Latin letter is that letter's key, so
    // Command-Z is the key labelled Z on a German keyboard and Command-A the
    // one labelled A on a French one. Other keys keep their place: digits
    // under Command on layouts that need Shift for them, and every shortcut
    // on layouts without Latin letters.
    if (ignoring.size() == 1 && std::isalpha(static_cast<unsigned char>(ignoring[0])))
        if (auto letter = virtualKeyCodeOfLetter(ignoring[0])) code = *letter;
    std::string characters = fromQString(event.text());
    const std::string special = functionKeyCharacters(event.key());
    if (!special.empty()) characters = ignoring = special;
    // Command and Control keep the plain character, as the platform's
    // shortcuts expect, rather than a control character.
    else if (characters.empty() || static_cast<unsigned char>(characters[0]) < 0x20) characters = ignoring;
    const EventType type = event.type() == QEvent::KeyRelease ? EventType::keyUp : EventType::keyDown;
    return Event::keyEvent(type, code, characters, ignoring, flags, window, event.isAutoRepeat());
}

int ClickCounter::press(Qt::MouseButton button, QPointF global, unsigned long timestamp) {
    const auto* hints = QGuiApplication::styleHints();
    const int distance = hints ? hints->mouseDoubleClickDistance() : 5;
    const unsigned long interval = hints ? static_cast<unsigned long>(hints->mouseDoubleClickInterval()) : 400;
    const bool again = button == button_ && count_ > 0 && timestamp - time_ <= interval &&
                       (global - position_).manhattanLength() <= distance;
    count_ = again ? count_ + 1 : 1;
    button_ = button;
    position_ = global;
    time_ = timestamp;
    return count_;
}

EventPtr mouseEvent(const QMouseEvent& event, Point location, const std::shared_ptr<Window>& window, int clickCount) {
    const ModifierFlags flags = modifierFlags(event.modifiers());
    const bool press = event.type() == QEvent::MouseButtonPress || event.type() == QEvent::MouseButtonDblClick;
    EventType type;
    if (event.type() == QEvent::MouseMove) {
        const Qt::MouseButtons b = event.buttons();
        type = (b & Qt::LeftButton)    ? EventType::leftMouseDragged
               : (b & Qt::RightButton) ? EventType::rightMouseDragged
               : b != Qt::NoButton     ? EventType::otherMouseDragged
                                       : EventType::mouseMoved;
        return Event::mouseEvent(type, location, flags, window, 0);
    }
    switch (event.button()) {
        case Qt::LeftButton: type = press ? EventType::leftMouseDown : EventType::leftMouseUp; break;
        case Qt::RightButton: type = press ? EventType::rightMouseDown : EventType::rightMouseUp; break;
        case Qt::MiddleButton: type = press ? EventType::otherMouseDown : EventType::otherMouseUp; break;
        default: return nullptr;
    }
    auto e = Event::mouseEvent(type, location, flags, window, clickCount);
    if (event.button() == Qt::MiddleButton) e->buttonNumber = 2;
    return e;
}

EventPtr scrollEvent(const QWheelEvent& event, Point location, const std::shared_ptr<Window>& window) {
    auto e = Event::mouseEvent(EventType::scrollWheel, location, modifierFlags(event.modifiers()), window, 0);
    if (!event.pixelDelta().isNull()) {
        e->scrollingDeltaX = event.pixelDelta().x();
        e->scrollingDeltaY = event.pixelDelta().y();
    } else {
        // A notch is 120 eighths of a degree: three lines of 16 points.
        e->scrollingDeltaX = event.angleDelta().x() / 120.0 * 48;
        e->scrollingDeltaY = event.angleDelta().y() / 120.0 * 48;
    }
    return e;
}

}  // namespace platform::qt
