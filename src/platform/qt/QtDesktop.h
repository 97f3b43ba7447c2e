#pragma once
// Puts the program on the desktop through Qt 6 Widgets. No Qt in this
// header: the program's main and the demo call it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {
class Image;
class Window;
}

namespace platform::qt {

// Makes the QApplication (once, on the main thread, before any window) and
// installs the Qt backends: the run loop's, the kit's, the modal presenter,
// the tray, the clipboard, the screens, the palette, fonts and the beep.
void installDesktop(int& argc, char** argv);
// Installs them again on the kit's current single instances (tests reset
// those between cases). Needs installDesktop first.
void attachDesktop();
// Whether installDesktop has run.
bool desktopInstalled();

// Names the program to the desktop: the desktop entry its windows belong to
// (panels and task switchers show that entry), and the icon its windows
// carry: the icon theme's of the entry's name where it is installed, else
// `fallback`, set a moment later, off the start. Needs installDesktop and
// the icon lookup (installIcons).
void setApplicationIdentity(const std::string& desktopEntryName, const std::shared_ptr<Image>& fallback);

// The X11 window that shows `window`; 0 while it has none, or when the
// desktop is not X11.
std::uint32_t x11WindowId(Window& window);
// Asks the window manager for the focus for `window`, just shown, for the
// user's input of X server time `userTime` (0 when the input came without
// one). Nothing happens while the window has nothing on screen, or when the
// desktop is not X11.
void requestActivation(Window& window, std::uint32_t userTime);
// Calls `painted` once, on the main thread, right after the next time
// `window` has been painted and its picture handed to the window system.
// Nothing happens when the window has nothing on screen to paint.
void afterNextPaint(Window& window, std::function<void()> painted);

// Soon after, on the main thread: drops Qt's cache of decoded pixmaps (the
// icon lookup and the kit keep their own pictures; Qt's holds the icon
// files at full size) and gives the memory freed so far back to the system.
// For quiet moments: after the start, after a window is hidden. Calls in
// the same turn of the run loop come to one.
void returnFreedMemorySoon();
// Loads the fonts the kit draws its text in (the font database reads the
// desktop's font configuration and opens the font files on first use).
void prepareTextDrawing();

}  // namespace platform::qt
