#pragma once
// The scenes of the settings panes of the lists (granted locations, URL
// templates, search scope) in the "ConfigSettings" storyboard, the add or
// modify URL dialog ("DialogAddModifyURL": its window controller and view
// controller), and the two images they show by name ("status_unknown",
// "toolbar_question"), built in code.

namespace frelt {

// Registers them all; calling it again replaces them with fresh ones.
void registerSettingsPaneScenes();

}  // namespace frelt
