#pragma once
// Input events as the kit sees them. Key codes and modifier bits are the other
// platform's (the values stored settings and archives use); only the desktop
// backend translates real input into them.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/graphics/Geometry.h"

namespace platform {

class Window;

enum class EventType : int {
    leftMouseDown = 1,
    leftMouseUp = 2,
    rightMouseDown = 3,
    rightMouseUp = 4,
    mouseMoved = 5,
    leftMouseDragged = 6,
    rightMouseDragged = 7,
    mouseEntered = 8,
    mouseExited = 9,
    keyDown = 10,
    keyUp = 11,
    flagsChanged = 12,
    appKitDefined = 13,
    systemDefined = 14,
    applicationDefined = 15,
    scrollWheel = 22,
    otherMouseDown = 25,
    otherMouseUp = 26,
    otherMouseDragged = 27,
};

using EventMask = std::uint64_t;
namespace eventmask {
inline constexpr EventMask fromType(EventType t) { return EventMask{1} << static_cast<int>(t); }
inline constexpr EventMask leftMouseDown = fromType(EventType::leftMouseDown);     // 2
inline constexpr EventMask leftMouseUp = fromType(EventType::leftMouseUp);         // 4
inline constexpr EventMask rightMouseDown = fromType(EventType::rightMouseDown);   // 8
inline constexpr EventMask rightMouseUp = fromType(EventType::rightMouseUp);       // 16
inline constexpr EventMask mouseMoved = fromType(EventType::mouseMoved);
inline constexpr EventMask leftMouseDragged = fromType(EventType::leftMouseDragged);
inline constexpr EventMask rightMouseDragged = fromType(EventType::rightMouseDragged);
inline constexpr EventMask mouseEntered = fromType(EventType::mouseEntered);
inline constexpr EventMask mouseExited = fromType(EventType::mouseExited);
inline constexpr EventMask keyDown = fromType(EventType::keyDown);                 // 1 << 10
inline constexpr EventMask keyUp = fromType(EventType::keyUp);
inline constexpr EventMask flagsChanged = fromType(EventType::flagsChanged);       // 1 << 12
inline constexpr EventMask scrollWheel = fromType(EventType::scrollWheel);
inline constexpr EventMask any = ~EventMask{0};
}  // namespace eventmask

using ModifierFlags = std::uint64_t;
namespace modifierflags {
inline constexpr ModifierFlags capsLock = 0x10000;
inline constexpr ModifierFlags shift = 0x20000;
inline constexpr ModifierFlags control = 0x40000;
inline constexpr ModifierFlags option = 0x80000;
inline constexpr ModifierFlags command = 0x100000;
inline constexpr ModifierFlags numericPad = 0x200000;
inline constexpr ModifierFlags help = 0x400000;
inline constexpr ModifierFlags function = 0x800000;
inline constexpr ModifierFlags deviceIndependentFlagsMask = 0xffff0000;
}  // namespace modifierflags

// Virtual key codes of the keys the program names.
namespace keycode {
inline constexpr std::uint16_t a = 0;
inline constexpr std::uint16_t s = 1;
inline constexpr std::uint16_t d = 2;
inline constexpr std::uint16_t f = 3;
inline constexpr std::uint16_t returnKey = 36;
inline constexpr std::uint16_t tab = 48;
inline constexpr std::uint16_t space = 49;
inline constexpr std::uint16_t deleteKey = 51;
inline constexpr std::uint16_t escape = 53;
inline constexpr std::uint16_t command = 55;
inline constexpr std::uint16_t shift = 56;
inline constexpr std::uint16_t capsLock = 57;
inline constexpr std::uint16_t option = 58;
inline constexpr std::uint16_t control = 59;
inline constexpr std::uint16_t rightShift = 60;
inline constexpr std::uint16_t rightOption = 61;
inline constexpr std::uint16_t rightControl = 62;
inline constexpr std::uint16_t function = 63;
inline constexpr std::uint16_t keypadEnter = 76;
inline constexpr std::uint16_t forwardDelete = 117;
inline constexpr std::uint16_t leftArrow = 123;
inline constexpr std::uint16_t rightArrow = 124;
inline constexpr std::uint16_t downArrow = 125;
inline constexpr std::uint16_t upArrow = 126;
}  // namespace keycode

class Event {
public:
    EventType type = EventType::keyDown;
    ModifierFlags modifierFlags = 0;
    double timestamp = 0;  // seconds on the dispatch clock
    // The window system's time of real input (X server milliseconds), which
    // is the same for one key press wherever it is reported; 0 when unknown.
    std::uint32_t windowServerTime = 0;
    // The window the event belongs to; none for events outside the program's
    // windows (global events, or mouse events the backend could not place).
    std::weak_ptr<Window> window;
    // In the window's content coordinates (y down); in screen coordinates
    // when the event has no window.
    Point locationInWindow;

    // Key events.
    std::uint16_t keyCode = 0;
    std::string characters;
    std::string charactersIgnoringModifiers;
    bool isARepeat = false;

    // Mouse events.
    int clickCount = 0;
    int buttonNumber = 0;
    double scrollingDeltaX = 0;
    double scrollingDeltaY = 0;

    bool isKeyEvent() const;
    bool isMouseEvent() const;
    bool isMouseDown() const;
    EventMask mask() const { return eventmask::fromType(type); }
    ModifierFlags deviceIndependentFlags() const { return modifierFlags & modifierflags::deviceIndependentFlagsMask; }
    std::shared_ptr<Window> windowPtr() const { return window.lock(); }
    // The location in screen coordinates.
    Point locationInScreen() const;

    // Factories; the timestamp is the dispatch clock's now.
    static std::shared_ptr<Event> keyEvent(EventType type, std::uint16_t keyCode, std::string characters,
                                           std::string charactersIgnoringModifiers, ModifierFlags flags,
                                           const std::shared_ptr<Window>& window = nullptr, bool isARepeat = false);
    static std::shared_ptr<Event> flagsChangedEvent(std::uint16_t keyCode, ModifierFlags flags,
                                                    const std::shared_ptr<Window>& window = nullptr);
    static std::shared_ptr<Event> mouseEvent(EventType type, Point locationInWindow, ModifierFlags flags,
                                             const std::shared_ptr<Window>& window, int clickCount = 1);

    // The modifiers held right now, as the last event told (for code that
    // asks outside an event).
    static ModifierFlags currentModifierFlags();
    static void setCurrentModifierFlags(ModifierFlags flags);
    // The mouse location in screen coordinates.
    static Point mouseLocation();
    static void setMouseLocation(Point p);
};

using EventPtr = std::shared_ptr<Event>;

}  // namespace platform
