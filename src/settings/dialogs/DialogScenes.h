#pragma once
// The scenes of the dialogs, built in code: the Tags dialog ("ConfigTags"),
// the versioned backups ("DialogVersionedBackup"), the information page
// ("DialogInfo"), the version history ("DialogVersionHistory") and the
// hotkey overview ("DialogHotkeyOverview").

namespace frelt {

void registerDialogScenes();

}  // namespace frelt
