#pragma once
// What the settings panes share: the text colours that show a location's
// state, the reachability test, the help text beside a list, and the open
// panel that chooses a location.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/ModalResponse.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/ViewController.h"
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
// The add and remove segments of a list pane: runs `add` for segment 0 and
// `remove` for segment 1 of the pressed segmented control; other segments
// and senders do nothing.
void onSegment(const std::shared_ptr<platform::Object>& sender, const std::function<void()>& add,
               const std::function<void()>& remove);
// The remove segment (1) is usable exactly while a row of the list is selected.
void enableRemoveWhileSelected(const std::weak_ptr<platform::SegmentedControl>& segments,
                               const std::weak_ptr<platform::TableView>& table);
// Asks for one location (folders, and files when `filesToo`; aliases kept,
// no new folders, hidden files not shown) in an open panel run as a sheet on
// the pane's window. `chosen` runs when the panel ends, while the pane lives.
using LocationChosen =
    std::function<void(platform::ViewController& pane, platform::ModalResponse, const std::vector<platform::URL>&)>;
void beginLocationSheet(const std::shared_ptr<platform::ViewController>& pane, bool filesToo, LocationChosen chosen);

}  // namespace panes
}  // namespace frelt
