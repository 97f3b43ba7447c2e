#pragma once
// Icons of the desktop's icon theme, by their freedesktop names. The desktop
// backend provides the lookup at start-up; without one (tests, tools) every
// lookup answers none. Callers that must show something use a drawn
// fallback icon, so no icon is ever blank.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/Image.h"

namespace platform {

class ThemeIconProvider {
public:
    virtual ~ThemeIconProvider() = default;
    // The first of `names` the theme has, as an image of `size` points;
    // none when it has none of them. Main thread only.
    virtual std::shared_ptr<Image> iconNamed(const std::vector<std::string>& names, Size size) = 0;
    // An icon read from a file (a desktop entry's Icon= may name one); none
    // when the file is no image.
    virtual std::shared_ptr<Image> iconFromFile(const std::string& path, Size size) = 0;
};

namespace themeicons {

// The installed provider; none by default and after the reset between tests.
std::shared_ptr<ThemeIconProvider> provider();
void setProvider(std::shared_ptr<ThemeIconProvider> provider);

// The provider's icon, or none without a provider.
std::shared_ptr<Image> iconNamed(const std::vector<std::string>& names, Size size);

// Shapes of the drawn fallback icons.
enum class Fallback { document, folder, application, link, symbol };
// A plain drawn icon of the shape; a symbol is a template (drawn in black,
// meant to be tinted).
std::shared_ptr<Image> fallbackIcon(Fallback shape, Size size);

}  // namespace themeicons

}  // namespace platform
