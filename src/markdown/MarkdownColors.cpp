#include "markdown/MarkdownColors.h"

#include <array>
#include <utility>

namespace frelt::markdown_colors {

platform::Color labelColor() { return platform::Color::named("System", "labelColor", platform::Color::black()); }

platform::Color linkColor() {
    return platform::Color::named("System", "linkColor", platform::Color::sRGB(0.0, 0.408, 0.855));
}

std::optional<platform::Color> namedColor(std::string_view name) {
    // The application's colour catalogue: name and sRGB components.
    struct Entry {
        std::string_view name;
        double red, green, blue;
    };
    static constexpr std::array<Entry, 1> catalogue{{{"quandorOrange", 0.953, 0.514, 0.110}}};
    for (const auto& entry : catalogue)
        if (entry.name == name) return platform::Color::sRGB(entry.red, entry.green, entry.blue);
    return std::nullopt;
}

}  // namespace frelt::markdown_colors
