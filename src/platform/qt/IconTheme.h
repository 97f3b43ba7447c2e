#pragma once
// The one icon lookup of the program: QIcon::fromTheme over the freedesktop
// icon themes, with the theme search paths taken from Paths (the user's and
// the system's icons folders) and the desktop's theme, or the theme the
// program installs with it when the desktop names none. Desktop entries'
// Icon= and files' MIME-type icons reach it through the workspace; the named
// images through the image registry.
//
// installIcons() is the one call the program makes at start-up (after the
// QApplication exists): it installs this lookup and the thumbnail generator.

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/appkit/ThemeIcons.h"

namespace platform::qt {

// The theme used when the desktop names none.
inline constexpr const char* fallbackThemeName = "Adwaita";

class IconTheme : public ThemeIconProvider {
public:
    // Sets Qt's theme search paths from Paths and picks the theme.
    IconTheme();
    std::shared_ptr<Image> iconNamed(const std::vector<std::string>& names, Size size) override;
    std::shared_ptr<Image> iconFromFile(const std::string& path, Size size) override;

    // The folders searched for themes, in order.
    static std::vector<std::string> themeSearchPaths();

private:
    // The theme's pictures by name and size, encoded once: thousands of
    // entries show the same few icons of their file types, and each image
    // handed out shares its picture (an image's representations are never
    // changed in place).
    std::map<std::pair<std::string, std::pair<int, int>>, std::shared_ptr<BitmapImageRep>> pictures_;
};

// Installs the icon lookup and the thumbnail generator.
void installIcons();

}  // namespace platform::qt
