#include "platform/graphics/Font.h"

#include <array>
#include <mutex>

namespace platform {

namespace {

bool isGenericFamily(std::string_view name) {
    static constexpr std::array<std::string_view, 4> generic{Font::systemFontName, Font::monospacedSystemFontName,
                                                             "sans-serif", "serif"};
    for (auto g : generic)
        if (g == name) return true;
    return false;
}

std::mutex& lookupMutex() {
    static std::mutex m;
    return m;
}

std::function<bool(std::string_view)>& installedLookup() {
    static std::function<bool(std::string_view)> lookup;
    return lookup;
}

}  // namespace

Font Font::systemFont(double size) { return Font(systemFontName, size, {}); }

Font Font::boldSystemFont(double size) { return Font(systemFontName, size, {.bold = true, .italic = false}); }

Font Font::monospacedSystemFont(double size, FontWeight weight) {
    return Font(monospacedSystemFontName, size, {.bold = weight == FontWeight::Bold, .italic = false});
}

std::optional<Font> Font::named(std::string_view name, double size) {
    if (name.empty() || !isInstalled(name)) return std::nullopt;
    return Font(std::string(name), size, {});
}

bool Font::isInstalled(std::string_view name) {
    if (isGenericFamily(name)) return true;
    std::function<bool(std::string_view)> lookup;
    {
        std::lock_guard lock(lookupMutex());
        lookup = installedLookup();
    }
    return lookup && lookup(name);
}

void Font::setInstalledFontLookup(std::function<bool(std::string_view)> lookup) {
    std::lock_guard lock(lookupMutex());
    installedLookup() = std::move(lookup);
}

std::optional<Font> Font::withSymbolicTraits(FontTraits traits, double size) const {
    FontTraits combined{.bold = traits_.bold || traits.bold, .italic = traits_.italic || traits.italic};
    return Font(name_, size > 0 ? size : size_, combined);
}

}  // namespace platform
