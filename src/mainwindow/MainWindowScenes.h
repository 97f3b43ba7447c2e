#pragma once
// The main window's part of the storyboard "Main", built in code: the main
// view's tree (which MainViewController builds when its view is loaded) with
// its split view, sidebar, search field, entry table, menu button and
// handed-in files label; the entry cells
// ("TableViewCellMainWindow_Default", "TableViewCellMainWindow_Small") and
// the row ("TableViewCellMainWindowBackground") the table makes by
// identifier; the entry popup ("TableViewPopupViewController").

namespace frelt {

class MainViewController;

// Builds the main view's tree, sets it as the controller's view and connects
// the outlets (the controller's loadView).
void layOutMainView(MainViewController& controller);

// Registers the popup's scene; calling it again replaces it with a fresh
// one. The shell's registration calls it.
void registerMainWindowScenes();

}  // namespace frelt
