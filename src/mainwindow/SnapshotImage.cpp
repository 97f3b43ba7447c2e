#include "mainwindow/SnapshotImage.h"

#include "platform/appkit/Image.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/View.h"

namespace frelt {

std::shared_ptr<platform::Image> snapshotImage(platform::View& view) {
    auto* row = dynamic_cast<platform::TableRowView*>(&view);
    std::optional<platform::Color> kept;
    if (row) {
        kept = row->backgroundColor();
        row->setBackgroundColor(platform::Color::named("System", "controlBackgroundColor", platform::Color::white()));
    }
    const platform::Rect bounds = view.bounds();
    auto rep = view.bitmapImageRepForCachingDisplayInRect(bounds);
    std::shared_ptr<platform::Image> picture;
    if (rep) {
        view.cacheDisplayInRect(bounds, *rep);
        picture = platform::Image::withRepresentation(rep);
        picture->setSize(bounds.size);
    } else {
        picture = std::make_shared<platform::Image>(platform::Size{});
    }
    if (row) row->setBackgroundColor(kept);
    return picture;
}

}  // namespace frelt
