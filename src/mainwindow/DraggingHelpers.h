#pragma once
// What the tray item, the main window and the sidebar read of a drag: the
// URLs it carries, and whether every dragged item fits a view's drag types;
// and the picture of a view that a dragged row shows.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/View.h"
#include "platform/foundation/URL.h"

namespace frelt {

// The URLs of the dragged items offered under `type`, in order; items
// without it and strings that form no URL are skipped. None when the drag
// carries no items, none under that type, or no URL at all.
std::optional<std::vector<platform::URL>> draggedItems(const platform::DraggingInfo& info, const std::string& type);
std::optional<std::vector<platform::URL>> draggedFileURLs(const platform::DraggingInfo& info);
std::optional<std::vector<platform::URL>> draggedURLs(const platform::DraggingInfo& info);

// Whether every dragged item offers one of the view's registered drag types,
// or is a file whose content type conforms to all of them. A drag without
// items fits.
bool acceptsAllDraggedItems(const platform::View& view, const platform::DraggingInfo& info);

// A picture of a view as it draws now, the size of its bounds; a row is
// taken on the control background colour (its own colour is put back
// afterwards). A view without a size gives an empty image of size zero.
std::shared_ptr<platform::Image> snapshotImage(platform::View& view);

}  // namespace frelt
