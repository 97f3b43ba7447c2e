#pragma once
// Drives the kit the way a person at the desktop would, through
// Application::sendEvent, so local monitors, the key window and the responder
// chain all see the input. Key codes and modifier flags are the kit's (the
// other platform's virtual key codes).
//
//   kit::makeKey(window);
//   kit::typeText("abc");
//   kit::pressKey(platform::keycode::returnKey);
//   kit::clickView(button);

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/Event.h"

namespace platform {
class View;
class Window;
}  // namespace platform

namespace kit {

// Activates the application and makes `window` visible and key.
void makeKey(const std::shared_ptr<platform::Window>& window);
// Another program comes to the front, or ours again.
void deactivateApplication();
void activateApplication();

// The key code typing `c` produces on a US layout, and whether Shift is
// needed; none for characters without a key.
struct KeyStroke {
    std::uint16_t keyCode = 0;
    bool shift = false;
};
std::optional<KeyStroke> keyStrokeFor(char c);

// Key down then key up of one key to the key window.
void pressKey(std::uint16_t keyCode, const std::string& characters = "", platform::ModifierFlags flags = 0);
void keyDown(std::uint16_t keyCode, const std::string& characters = "", platform::ModifierFlags flags = 0,
             const std::string& charactersIgnoringModifiers = "");
void keyUp(std::uint16_t keyCode, const std::string& characters = "", platform::ModifierFlags flags = 0);
// Types each character as its key down and up (with Shift for capitals);
// characters without a key on the layout arrive with key code 0.
void typeText(const std::string& text);
// A key with modifiers, such as Command-F: characters ignoring modifiers is
// the unshifted character of the key.
void pressShortcut(char key, platform::ModifierFlags flags);
// The modifier keys held change (to `flags`).
void changeFlags(platform::ModifierFlags flags, std::uint16_t keyCode = 0);
// Global input while another program is active (global monitors only).
void globalFlagsChanged(platform::ModifierFlags flags, std::uint16_t keyCode = 0);

// Mouse input at a point in the window's content coordinates.
void mouseDown(const std::shared_ptr<platform::Window>& window, platform::Point p, platform::ModifierFlags flags = 0,
               int clickCount = 1);
void mouseUp(const std::shared_ptr<platform::Window>& window, platform::Point p, platform::ModifierFlags flags = 0,
             int clickCount = 1);
void click(const std::shared_ptr<platform::Window>& window, platform::Point p, platform::ModifierFlags flags = 0,
           int clickCount = 1);
void rightClick(const std::shared_ptr<platform::Window>& window, platform::Point p, platform::ModifierFlags flags = 0);
void moveMouse(const std::shared_ptr<platform::Window>& window, platform::Point p);
// A click in the middle of the view (which must be in a window).
void clickView(const std::shared_ptr<platform::View>& view, platform::ModifierFlags flags = 0, int clickCount = 1);
void rightClickView(const std::shared_ptr<platform::View>& view, platform::ModifierFlags flags = 0);
// The middle of the view in its window's content coordinates.
platform::Point centerInWindow(const platform::View& view);

// Moves the manual clock (timers fire, delayed work runs).
void advance(double seconds);

}  // namespace kit
