#pragma once
// What the settings panes share: the text colours that show a location's
// state, the reachability test, the help text beside a list, and the open
// panel that chooses a location.

#include <memory>
#include <string>

#include "platform/appkit/OpenPanel.h"
#include "platform/foundation/URL.h"
#include "platform/graphics/Color.h"

namespace frelt {

class CustomMarkdownTextView;

namespace panes {

// The state colours of a location's path.
platform::Color controlTextColor();
platform::Color redColor();
platform::Color darkGrayColor();
// The warning image of a location that cannot be used.
inline constexpr const char* statusUnknownImage = "status_unknown";

// Whether the file or folder at the URL exists now; a failing check counts
// as not reachable.
bool isReachable(const platform::URL& url);
// The help resource, rendered in the panes' style.
void showHelp(const std::shared_ptr<CustomMarkdownTextView>& view, const std::string& fileName);
// An open panel for one location, aliases kept, no new folders, hidden
// files not shown.
std::shared_ptr<platform::OpenPanel> makeLocationPanel(bool filesToo);

}  // namespace panes
}  // namespace frelt
