#include "platform/appkit/SystemColors.h"

#include <map>
#include <mutex>

#include "platform/foundation/SingleInstance.h"

namespace platform::systemcolors {

namespace {

struct Entry {
    Color::RGBA light;
    Color::RGBA dark;
};

Color::RGBA grey(double white, double alpha = 1) { return {white, white, white, alpha}; }

struct Palette {
    std::mutex m;
    std::map<std::string, Entry> colors{
        {"labelColor", {grey(0, 0.85), grey(1, 0.85)}},
        {"secondaryLabelColor", {grey(0, 0.5), grey(1, 0.55)}},
        {"tertiaryLabelColor", {grey(0, 0.26), grey(1, 0.25)}},
        {"quaternaryLabelColor", {grey(0, 0.1), grey(1, 0.1)}},
        {"textColor", {grey(0), grey(1)}},
        {"textBackgroundColor", {grey(1), grey(0.12)}},
        {"controlTextColor", {grey(0, 0.85), grey(1, 0.85)}},
        {"disabledControlTextColor", {grey(0, 0.25), grey(1, 0.25)}},
        {"placeholderTextColor", {grey(0, 0.25), grey(1, 0.25)}},
        {"headerTextColor", {grey(0, 0.85), grey(1)}},
        {"controlColor", {grey(1), grey(1, 0.25)}},
        {"controlBackgroundColor", {grey(1), grey(0.12)}},
        {"windowBackgroundColor", {grey(0.93), grey(0.2)}},
        {"underPageBackgroundColor", {grey(0.59), grey(0.16)}},
        {"separatorColor", {grey(0, 0.1), grey(1, 0.1)}},
        {"gridColor", {grey(0.9), grey(0.3)}},
        {"shadowColor", {grey(0), grey(0)}},
        {"controlAccentColor", {{0.0, 0.48, 1.0, 1}, {0.04, 0.52, 1.0, 1}}},
        {"keyboardFocusIndicatorColor", {{0.0, 0.4, 1.0, 0.25}, {0.1, 0.6, 1.0, 0.3}}},
        {"selectedContentBackgroundColor", {{0.0, 0.39, 0.88, 1}, {0.0, 0.35, 0.82, 1}}},
        {"unemphasizedSelectedContentBackgroundColor", {grey(0.86), grey(0.27)}},
        {"selectedTextBackgroundColor", {{0.7, 0.84, 1.0, 1}, {0.25, 0.4, 0.6, 1}}},
        {"selectedTextColor", {grey(0), grey(1)}},
        {"alternateSelectedControlTextColor", {grey(1), grey(1)}},
        {"selectedMenuItemTextColor", {grey(1), grey(1)}},
        {"linkColor", {{0.0, 0.41, 0.85, 1}, {0.2, 0.55, 1.0, 1}}},
        {"findHighlightColor", {{1.0, 1.0, 0.0, 1}, {1.0, 1.0, 0.0, 1}}},
        {"systemBlueColor", {{0.0, 0.48, 1.0, 1}, {0.04, 0.52, 1.0, 1}}},
        {"systemRedColor", {{1.0, 0.23, 0.19, 1}, {1.0, 0.27, 0.23, 1}}},
        {"systemGreenColor", {{0.16, 0.8, 0.25, 1}, {0.2, 0.84, 0.29, 1}}},
        {"systemOrangeColor", {{1.0, 0.58, 0.0, 1}, {1.0, 0.62, 0.04, 1}}},
        {"systemYellowColor", {{1.0, 0.8, 0.0, 1}, {1.0, 0.84, 0.04, 1}}},
        {"systemGrayColor", {grey(0.56), grey(0.6)}},
    };
};

std::shared_ptr<Palette> palette() {
    return singleInstance<Palette>([] { return std::make_shared<Palette>(); });
}

}  // namespace

std::optional<Color::RGBA> resolve(const Color& color, const AppearanceName& appearance) {
    if (color.space() == Color::Space::Catalog && color.catalogName() == "System") {
        auto p = palette();
        std::lock_guard lock(p->m);
        if (auto it = p->colors.find(color.colorName()); it != p->colors.end())
            return appearance::isDark(appearance) ? it->second.dark : it->second.light;
    }
    return color.sRGBComponents();
}

void set(const std::string& name, Color::RGBA light, Color::RGBA dark) {
    auto p = palette();
    std::lock_guard lock(p->m);
    p->colors[name] = {light, dark};
}

void set(const std::string& name, const AppearanceName& appearance, Color::RGBA value) {
    auto p = palette();
    std::lock_guard lock(p->m);
    auto [it, made] = p->colors.try_emplace(name, Entry{value, value});
    if (appearance::isDark(appearance)) it->second.dark = value;
    else it->second.light = value;
}

}  // namespace platform::systemcolors
