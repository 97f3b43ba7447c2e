#pragma once
// The desktop palette: what the colours of the "System" catalogue look like
// in the light and the dark appearance. The kit starts from values close to
// a common desktop's; the desktop backend replaces those its own palette
// knows (accent, selection, window, text). Drawing contexts resolve
// catalogue colours through it when they draw.

#include <optional>
#include <string>

#include "platform/appkit/Appearance.h"
#include "platform/graphics/Color.h"

namespace platform::systemcolors {

// The colour's sRGB value in `appearance`: a "System" colour from the
// palette (else its fallback), other colours as they are; none for a
// catalogue colour with neither.
std::optional<Color::RGBA> resolve(const Color& color, const AppearanceName& appearance);
// Sets a "System" colour's value in both appearances.
void set(const std::string& name, Color::RGBA light, Color::RGBA dark);
// Sets it in one appearance (light or dark by `appearance`), keeping the other.
void set(const std::string& name, const AppearanceName& appearance, Color::RGBA value);

}  // namespace platform::systemcolors
