#pragma once
// Colours the markdown views name: the desktop palette's semantic colours and
// the application's own named colours (its asset catalogue).

#include <optional>
#include <string_view>

#include "platform/graphics/Color.h"

namespace frelt::markdown_colors {

platform::Color labelColor();
platform::Color linkColor();

// The application's named colour, such as "quandorOrange"; nullopt for a name
// the catalogue does not hold.
std::optional<platform::Color> namedColor(std::string_view name);

}  // namespace frelt::markdown_colors
