#include "settings/dialogs/DialogScenes.h"

#include "settings/dialogs/TagsDialog.h"
#include "settings/dialogs/VersionedBackupDialog.h"

namespace frelt {

void registerDialogScenes() {
    registerTagsDialogScenes();
    registerVersionedBackupDialogScenes();
}

}  // namespace frelt
