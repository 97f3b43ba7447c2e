#include "platform/appkit/Event.h"

#include <chrono>

#include "platform/appkit/Application.h"
#include "platform/appkit/Window.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {
// What the last input told about the keyboard and the mouse.
struct InputState {
    ModifierFlags flags = 0;
    Point mouse;
};

std::shared_ptr<InputState> inputState() {
    return singleInstance<InputState>([] { return std::make_shared<InputState>(); });
}

double nowSeconds() {
    return std::chrono::duration<double>(dispatch::clock::now().time_since_epoch()).count();
}
}  // namespace

bool Event::isKeyEvent() const {
    return type == EventType::keyDown || type == EventType::keyUp || type == EventType::flagsChanged;
}

bool Event::isMouseEvent() const {
    switch (type) {
        case EventType::leftMouseDown:
        case EventType::leftMouseUp:
        case EventType::rightMouseDown:
        case EventType::rightMouseUp:
        case EventType::mouseMoved:
        case EventType::leftMouseDragged:
        case EventType::rightMouseDragged:
        case EventType::mouseEntered:
        case EventType::mouseExited:
        case EventType::scrollWheel:
        case EventType::otherMouseDown:
        case EventType::otherMouseUp:
        case EventType::otherMouseDragged:
            return true;
        default:
            return false;
    }
}

bool Event::isMouseDown() const {
    return type == EventType::leftMouseDown || type == EventType::rightMouseDown ||
           type == EventType::otherMouseDown;
}

Point Event::locationInScreen() const {
    if (auto w = window.lock()) return w->frame().origin + locationInWindow;
    return locationInWindow;
}

std::shared_ptr<Event> Event::keyEvent(EventType type, std::uint16_t keyCode, std::string characters,
                                       std::string charactersIgnoringModifiers, ModifierFlags flags,
                                       const std::shared_ptr<Window>& window, bool isARepeat) {
    auto e = std::make_shared<Event>();
    e->type = type;
    e->keyCode = keyCode;
    e->characters = std::move(characters);
    e->charactersIgnoringModifiers = std::move(charactersIgnoringModifiers);
    e->modifierFlags = flags;
    e->window = window;
    e->isARepeat = isARepeat;
    e->timestamp = nowSeconds();
    return e;
}

std::shared_ptr<Event> Event::flagsChangedEvent(std::uint16_t keyCode, ModifierFlags flags,
                                                const std::shared_ptr<Window>& window) {
    auto e = std::make_shared<Event>();
    e->type = EventType::flagsChanged;
    e->keyCode = keyCode;
    e->modifierFlags = flags;
    e->window = window;
    e->timestamp = nowSeconds();
    return e;
}

std::shared_ptr<Event> Event::mouseEvent(EventType type, Point locationInWindow, ModifierFlags flags,
                                         const std::shared_ptr<Window>& window, int clickCount) {
    auto e = std::make_shared<Event>();
    e->type = type;
    e->locationInWindow = locationInWindow;
    e->modifierFlags = flags;
    e->window = window;
    e->clickCount = clickCount;
    e->buttonNumber = (type == EventType::rightMouseDown || type == EventType::rightMouseUp ||
                       type == EventType::rightMouseDragged)
                          ? 1
                          : 0;
    e->timestamp = nowSeconds();
    return e;
}

ModifierFlags Event::currentModifierFlags() { return inputState()->flags; }
void Event::setCurrentModifierFlags(ModifierFlags flags) { inputState()->flags = flags; }
Point Event::mouseLocation() {
    // A desktop knows where the pointer is between events too.
    if (auto backend = Application::shared()->backend())
        if (auto p = backend->pointerLocation()) return *p;
    return inputState()->mouse;
}
void Event::setMouseLocation(Point p) { inputState()->mouse = p; }

}  // namespace platform
