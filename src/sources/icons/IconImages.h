#pragma once
// The icons' named images, and the two image helpers the icon cache uses.
//
// Named images (the URL scheme images, the tag symbols, the image of an
// unusable entry) come from the desktop's icon theme through a table from our
// names to theme names; tag symbols are templates, so they map to the
// theme's monochrome "-symbolic" icons. A name the theme lacks is drawn, so
// no named image is ever blank: either by a few characters of the symbol font
// the table gives, or by a plain shape. installNamedImages() makes the image registry
// load them too, after its other loaders; the icon cache calls it, and the
// program at start-up.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Image.h"
#include "platform/graphics/Color.h"

namespace frelt {

struct NamedImageSpec {
    std::vector<std::string> themeNames;
    bool isTemplate = false;
    // Characters drawn as the image when the theme has none of the names.
    std::string glyph = {};
};

// The theme names of one of our images; none for a name we do not know.
std::optional<NamedImageSpec> namedImageSpec(const std::string& name);
// The image for one of our names: the theme's, else drawn; none for an
// unknown name.
std::shared_ptr<platform::Image> loadNamedImage(const std::string& name);
// Makes the image registry load our names too (once per registry).
void installNamedImages();

}  // namespace frelt
