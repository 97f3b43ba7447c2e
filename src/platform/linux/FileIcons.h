#pragma once
// The icon of a file, folder or application, as the desktop shows it: an
// application's desktop entry gives its Icon= (a theme name or a file), any
// other file the icon of its MIME type (shared-mime-info through GIO), looked
// up in the icon theme. What the theme lacks is drawn, so no icon is blank.

#include <memory>
#include <string>

#include "platform/appkit/Image.h"

namespace platform::fileicons {

// Icons are made at this size (points) and scaled down by their users.
inline constexpr double iconSize = 64;

// The freedesktop icon names to try for a file, best first.
std::vector<std::string> iconNamesForFile(const std::string& path);

std::shared_ptr<Image> iconForFile(const std::string& path);

// The MIME type of a file from its name (and, when the name does not tell,
// its first bytes), by the shared MIME database; empty when unknown.
std::string mimeTypeOfFile(const std::string& path);
// Whether the file is an image or a PDF document, as thumbnails need.
bool isImageOrPDF(const std::string& path);

}  // namespace platform::fileicons
