#pragma once
// A font as a plain value: a family name, a point size and the bold and italic
// traits. Nothing here touches a font library; the desktop backend resolves
// the name when it draws. The system sizes are fixed numbers so that styled
// text comes out the same on every machine.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class FontWeight { Regular, Medium, Semibold, Bold };

struct FontTraits {
    bool bold = false;
    bool italic = false;
    bool operator==(const FontTraits&) const = default;
};

class Font {
public:
    // Names the backend maps to the desktop's interface font and its
    // fixed-width companion; both are always installed.
    static constexpr const char* systemFontName = "system-ui";
    static constexpr const char* monospacedSystemFontName = "monospace";

    static constexpr double systemFontSize = 13;
    static constexpr double smallSystemFontSize = 11;

    static Font systemFont(double size);
    static Font boldSystemFont(double size);
    static Font monospacedSystemFont(double size, FontWeight weight);
    // The font of that family, or nullopt when no such font is installed.
    static std::optional<Font> named(std::string_view name, double size);

    // Whether a family name names an installed font. The generic families
    // ("system-ui", "monospace", "sans-serif", "serif") always exist; the
    // desktop backend installs a lookup for the rest. Null restores the
    // generic-only lookup.
    static bool isInstalled(std::string_view name);
    static void setInstalledFontLookup(std::function<bool(std::string_view)> lookup);

    const std::string& fontName() const { return name_; }
    double pointSize() const { return size_; }
    FontTraits traits() const { return traits_; }
    bool isBold() const { return traits_.bold; }
    bool isItalic() const { return traits_.italic; }

    // The same family with `traits` added; a size of 0 keeps this size. Every
    // family here can be slanted and emboldened, so this never fails, but
    // callers treat the answer as optional as the drawing side may refuse.
    std::optional<Font> withSymbolicTraits(FontTraits traits, double size = 0) const;

    bool operator==(const Font&) const = default;

private:
    Font(std::string name, double size, FontTraits traits)
        : name_(std::move(name)), size_(size), traits_(traits) {}

    std::string name_;
    double size_ = systemFontSize;
    FontTraits traits_;
};

}  // namespace platform
