#pragma once
// Puts the program on the desktop through Qt 6 Widgets. No Qt in this
// header: the program's main and the demo call it.

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

}  // namespace platform::qt
