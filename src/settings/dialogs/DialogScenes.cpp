#include "settings/dialogs/DialogScenes.h"

#include "settings/dialogs/TagsDialog.h"

namespace frelt {

void registerDialogScenes() {
    registerTagsDialogScenes();
}

}  // namespace frelt
