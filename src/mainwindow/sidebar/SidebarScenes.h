#pragma once
// The scenes of the tag popups, built in code: the sidebar's section popup
// ("Main"/"SectionViewPopupViewController") and the Tags dialog's tag popup
// ("ConfigTags"/"TagTableViewPopupViewController").

namespace frelt {

void registerSidebarScenes();

}  // namespace frelt
