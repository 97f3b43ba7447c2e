#include "settings/dialogs/DialogScenes.h"

#include "settings/dialogs/HotkeyOverview.h"
#include "settings/dialogs/InfoDialogs.h"
#include "settings/dialogs/TagsDialog.h"
#include "settings/dialogs/VersionedBackupDialog.h"

namespace frelt {

void registerDialogScenes() {
    registerTagsDialogScenes();
    registerVersionedBackupDialogScenes();
    registerInfoDialogScenes();
    registerHotkeyOverviewScenes();
}

}  // namespace frelt
