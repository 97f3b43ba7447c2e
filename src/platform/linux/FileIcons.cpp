#include "platform/linux/FileIcons.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include "platform/appkit/ThemeIcons.h"
#include "platform/linux/DesktopEntry.h"

namespace platform::fileicons {

namespace {

bool isDesktopEntryFile(const std::string& path) {
    return path.size() > 8 && path.compare(path.size() - 8, 8, ".desktop") == 0;
}

std::optional<DesktopEntry> applicationEntry(const std::string& path) {
    if (!isDesktopEntryFile(path)) return std::nullopt;
    auto entry = desktopentry::read(path, "", desktopentry::languageNames());
    if (!entry || entry->type != "Application") return std::nullopt;
    return entry;
}

}  // namespace

std::vector<std::string> iconNamesForFile(const std::string& path) {
    std::vector<std::string> names;
    if (auto entry = applicationEntry(path)) {
        if (!entry->icon.empty()) names.push_back(entry->icon);
        names.push_back("application-x-executable");
        return names;
    }
    GFile* file = g_file_new_for_path(path.c_str());
    GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_ICON, G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    if (info) {
        if (GIcon* icon = g_file_info_get_icon(info); icon && G_IS_THEMED_ICON(icon)) {
            for (const char* const* n = g_themed_icon_get_names(G_THEMED_ICON(icon)); n && *n; ++n) names.push_back(*n);
        }
        g_object_unref(info);
    }
    g_object_unref(file);
    struct stat st {};
    const bool folder = stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    names.push_back(folder ? "folder" : "text-x-generic");
    return names;
}

std::shared_ptr<Image> iconForFile(const std::string& path) {
    const Size size{iconSize, iconSize};
    const auto names = iconNamesForFile(path);
    const bool application = names.size() >= 1 && names.back() == "application-x-executable";
    // An Icon= that names a file is read from it.
    if (application && !names.front().empty() && names.front().front() == '/') {
        if (const auto p = themeicons::provider())
            if (auto image = p->iconFromFile(names.front(), size)) return image;
    }
    if (auto image = themeicons::iconNamed(names, size)) return image;
    struct stat st {};
    const bool folder = stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return themeicons::fallbackIcon(application ? themeicons::Fallback::application
                                    : folder    ? themeicons::Fallback::folder
                                                : themeicons::Fallback::document,
                                    size);
}

std::string mimeTypeOfFile(const std::string& path) {
    gboolean uncertain = false;
    gchar* type = g_content_type_guess(path.c_str(), nullptr, 0, &uncertain);
    if (type && uncertain) {
        // The name does not tell: look at the first bytes.
        GFile* file = g_file_new_for_path(path.c_str());
        if (GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE,
                                                nullptr, nullptr)) {
            if (const char* sniffed = g_file_info_get_content_type(info)) {
                g_free(type);
                type = g_strdup(sniffed);
            }
            g_object_unref(info);
        }
        g_object_unref(file);
    }
    std::string out;
    if (type) {
        gchar* mime = g_content_type_get_mime_type(type);
        if (mime) out = mime;
        g_free(mime);
        g_free(type);
    }
    return out;
}

bool isImageOrPDF(const std::string& path) {
    const std::string mime = mimeTypeOfFile(path);
    if (mime.rfind("image/", 0) == 0) return true;
    return !mime.empty() && g_content_type_is_a(mime.c_str(), "application/pdf");
}

}  // namespace platform::fileicons
