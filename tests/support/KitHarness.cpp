#include "support/KitHarness.h"

#include <cctype>

#include "platform/appkit/Application.h"
#include "platform/appkit/View.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/RunLoop.h"

using namespace platform;

namespace kit {

namespace {
std::shared_ptr<Application> app() { return Application::shared(); }

// Unshifted and shifted characters of the keys of a US layout, by key code.
struct KeyRow {
    std::uint16_t code;
    char plain;
    char shifted;
};
constexpr KeyRow kKeys[] = {
    {0, 'a', 'A'},   {1, 's', 'S'},   {2, 'd', 'D'},   {3, 'f', 'F'},   {4, 'h', 'H'},   {5, 'g', 'G'},
    {6, 'z', 'Z'},   {7, 'x', 'X'},   {8, 'c', 'C'},   {9, 'v', 'V'},   {11, 'b', 'B'},  {12, 'q', 'Q'},
    {13, 'w', 'W'},  {14, 'e', 'E'},  {15, 'r', 'R'},  {16, 'y', 'Y'},  {17, 't', 'T'},  {18, '1', '!'},
    {19, '2', '@'},  {20, '3', '#'},  {21, '4', '$'},  {22, '6', '^'},  {23, '5', '%'},  {24, '=', '+'},
    {25, '9', '('},  {26, '7', '&'},  {27, '-', '_'},  {28, '8', '*'},  {29, '0', ')'},  {30, ']', '}'},
    {31, 'o', 'O'},  {32, 'u', 'U'},  {33, '[', '{'},  {34, 'i', 'I'},  {35, 'p', 'P'},  {37, 'l', 'L'},
    {38, 'j', 'J'},  {39, '\'', '"'}, {40, 'k', 'K'},  {41, ';', ':'},  {42, '\\', '|'}, {43, ',', '<'},
    {44, '/', '?'},  {45, 'n', 'N'},  {46, 'm', 'M'},  {47, '.', '>'},  {49, ' ', ' '},  {50, '`', '~'},
    {36, '\r', '\r'}, {48, '\t', '\t'},
};

char unshifted(std::uint16_t code, char fallback) {
    for (const auto& k : kKeys)
        if (k.code == code) return k.plain;
    return fallback;
}
}  // namespace

void makeKey(const std::shared_ptr<Window>& window) {
    app()->activate();
    window->makeKeyAndOrderFront();
}

void deactivateApplication() { app()->deactivate(); }
void activateApplication() { app()->activate(); }

std::optional<KeyStroke> keyStrokeFor(char c) {
    for (const auto& k : kKeys) {
        if (k.plain == c) return KeyStroke{k.code, false};
        if (k.shifted == c) return KeyStroke{k.code, true};
    }
    return std::nullopt;
}

void keyDown(std::uint16_t keyCode, const std::string& characters, ModifierFlags flags,
             const std::string& charactersIgnoringModifiers) {
    const std::string ignoring = charactersIgnoringModifiers.empty() ? characters : charactersIgnoringModifiers;
    app()->sendEvent(Event::keyEvent(EventType::keyDown, keyCode, characters, ignoring, flags, app()->keyWindow()));
}

void keyUp(std::uint16_t keyCode, const std::string& characters, ModifierFlags flags) {
    app()->sendEvent(Event::keyEvent(EventType::keyUp, keyCode, characters, characters, flags, app()->keyWindow()));
}

void pressKey(std::uint16_t keyCode, const std::string& characters, ModifierFlags flags) {
    std::string chars = characters;
    if (chars.empty()) {
        switch (keyCode) {
            case keycode::returnKey: chars = "\r"; break;
            case keycode::tab: chars = "\t"; break;
            case keycode::escape: chars = "\x1b"; break;
            case keycode::deleteKey: chars = "\x7f"; break;
            default: break;
        }
    }
    keyDown(keyCode, chars, flags);
    keyUp(keyCode, chars, flags);
}

void typeText(const std::string& text) {
    for (char c : text) {
        const auto stroke = keyStrokeFor(c);
        const ModifierFlags flags = stroke && stroke->shift ? modifierflags::shift : 0;
        const std::string chars(1, c);
        const std::string ignoring(1, stroke ? unshifted(stroke->keyCode, c) : c);
        keyDown(stroke ? stroke->keyCode : 0, chars, flags, flags ? chars : ignoring);
        keyUp(stroke ? stroke->keyCode : 0, chars, flags);
    }
}

void pressShortcut(char key, ModifierFlags flags) {
    const auto stroke = keyStrokeFor(key);
    const char plain = stroke ? unshifted(stroke->keyCode, key) : key;
    const std::string ignoring(1, (flags & modifierflags::shift) && stroke ? key : plain);
    // Command and Control keep the plain character in `characters`, as the
    // platform does for shortcuts.
    const std::string chars = (flags & modifierflags::option) ? std::string() : ignoring;
    keyDown(stroke ? stroke->keyCode : 0, chars, flags, ignoring);
    keyUp(stroke ? stroke->keyCode : 0, chars, flags);
}

void changeFlags(ModifierFlags flags, std::uint16_t keyCode) {
    app()->sendEvent(Event::flagsChangedEvent(keyCode, flags, app()->keyWindow()));
}

void globalFlagsChanged(ModifierFlags flags, std::uint16_t keyCode) {
    app()->sendGlobalEvent(Event::flagsChangedEvent(keyCode, flags, nullptr));
}

void mouseDown(const std::shared_ptr<Window>& window, Point p, ModifierFlags flags, int clickCount) {
    app()->sendEvent(Event::mouseEvent(EventType::leftMouseDown, p, flags, window, clickCount));
}

void mouseUp(const std::shared_ptr<Window>& window, Point p, ModifierFlags flags, int clickCount) {
    app()->sendEvent(Event::mouseEvent(EventType::leftMouseUp, p, flags, window, clickCount));
}

void click(const std::shared_ptr<Window>& window, Point p, ModifierFlags flags, int clickCount) {
    mouseDown(window, p, flags, clickCount);
    mouseUp(window, p, flags, clickCount);
}

void rightClick(const std::shared_ptr<Window>& window, Point p, ModifierFlags flags) {
    app()->sendEvent(Event::mouseEvent(EventType::rightMouseDown, p, flags, window));
    app()->sendEvent(Event::mouseEvent(EventType::rightMouseUp, p, flags, window));
}

void moveMouse(const std::shared_ptr<Window>& window, Point p) {
    app()->sendEvent(Event::mouseEvent(EventType::mouseMoved, p, 0, window, 0));
}

Point centerInWindow(const View& view) {
    const Rect b = view.bounds();
    return view.convertPointToWindow(Point{b.midX(), b.midY()});
}

void clickView(const std::shared_ptr<View>& view, ModifierFlags flags, int clickCount) {
    click(view->window(), centerInWindow(*view), flags, clickCount);
}

void rightClickView(const std::shared_ptr<View>& view, ModifierFlags flags) {
    rightClick(view->window(), centerInWindow(*view), flags);
}

void advance(double seconds) { manualclock::advance(seconds); }

}  // namespace kit
