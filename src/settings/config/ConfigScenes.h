#pragma once
// The configuration window's scenes in the storyboard "ConfigData", built in
// code: the window with its toolbar ("ConfigWindowController"), the split
// view ("ConfigViewController") holding the entry table
// ("ConfigViewControllerContent", with the four cells it makes by
// identifier) and the selection inspector ("ConfigViewControllerSidebar").

namespace frelt {

// Registers them; calling it again replaces them with fresh ones.
void registerConfigScenes();

}  // namespace frelt
