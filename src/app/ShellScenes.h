#pragma once
// The scenes of the shell's windows, built in code and registered in the
// kit's scene registry: the main window ("Main": "MainWindowController",
// "MainViewController") and the first-run dialog ("DialogFirstRun":
// "FirstRunWindowController", "FirstRunViewController", "FirstRunSheet1",
// "FirstRunSheet2"); and the tray images "statusbar-1" to "statusbar-4",
// drawn in code. The windows of the configuration and settings are not among
// them: opening one of those kinds finds no scene, logs it and shows nothing.

namespace frelt {

// Registers them all; calling it again replaces them with fresh ones.
void registerShellScenes();
void registerShellImages();

}  // namespace frelt
