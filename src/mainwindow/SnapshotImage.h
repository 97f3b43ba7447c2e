#pragma once
// A picture of a view as it draws now, the size of its bounds; a row is
// taken on the control background colour (its own colour is put back
// afterwards). The entry cell shows it as the picture of a dragged row.

#include <memory>

namespace platform {
class Image;
class View;
}  // namespace platform

namespace frelt {

// A view without a size gives an empty image of size zero.
std::shared_ptr<platform::Image> snapshotImage(platform::View& view);

}  // namespace frelt
