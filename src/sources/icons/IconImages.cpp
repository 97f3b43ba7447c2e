#include "sources/icons/IconImages.h"

#include <cmath>
#include <map>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/ThemeIcons.h"

namespace frelt {

namespace {

using Names = std::vector<std::string>;

const std::map<std::string, NamedImageSpec>& table() {
    static const std::map<std::string, NamedImageSpec> specs = [] {
        std::map<std::string, NamedImageSpec> t{
            {"url_HTTPs", {{"web-browser", "applications-internet", "text-html"}}},
            {"url_Shortcuts", {{"system-run", "application-x-executable"}}},
            {"url_KeyboardMaestro", {{"input-keyboard", "preferences-desktop-keyboard"}}},
            {"url_Mail", {{"mail-send", "internet-mail", "mail-message-new"}}},
            {"url_Things", {{"x-office-calendar", "checkbox-checked"}}},
            {"url_Ulysses", {{"accessories-text-editor", "text-editor"}}},
            {"url_DevonThink", {{"system-file-manager", "folder-documents"}}},
            {"url_Craft", {{"x-office-document", "text-x-generic"}}},
            {"url_Drafts", {{"text-editor", "accessories-text-editor"}}},
            {"url_Custom", {{"text-html", "applications-internet", "web-browser"}}},
            {"unkownObject", {{"dialog-question", "image-missing", "unknown"}}},
        };
        const std::map<std::string, Names> symbols{
            {"icon_tags", {"bookmark-new", "emblem-documents"}},
            {"icon_folder", {"folder"}},
            {"icon_container", {"package-x-generic", "folder"}},
            {"icon_folder_bookmark", {"folder-saved-search", "folder"}},
            {"icon_folder_home", {"user-home", "go-home"}},
            {"icon_folder_image", {"folder-pictures"}},
            {"icon_folder_heart", {"emblem-favorite", "folder"}},
            {"icon_folder_edit", {"document-edit", "folder"}},
            {"icon_folder_exchange", {"folder-publicshare", "emblem-shared"}},
            {"icon_folder_sync", {"emblem-synchronizing", "folder"}},
            {"icon_folder_warning", {"dialog-warning", "folder"}},
            {"icon_folder_code", {"folder-templates", "text-x-script"}},
            {"icon_folder_lock", {"changes-prevent", "system-lock-screen"}},
            {"icon_folder_archive", {"package-x-generic", "folder"}},
            {"icon_folder_share", {"folder-publicshare", "emblem-shared"}},
            {"icon_folder_network", {"folder-remote", "network-workgroup"}},
            {"icon_folder_media", {"folder-videos", "applications-multimedia"}},
            {"icon_folder_music", {"folder-music"}},
            {"icon_folder_download", {"folder-download"}},
            {"icon_folder_text", {"folder-documents"}},
            {"icon_usb", {"drive-removable-media", "drive-harddisk-usb"}},
            {"icon_code", {"text-x-script", "utilities-terminal"}},
            {"icon_zsh", {"utilities-terminal"}},
            {"icon_window_network", {"network-workgroup", "network-wired"}},
            {"icon_window_cloud", {"weather-overcast", "folder-remote"}},
            {"icon_window_mail", {"mail-unread", "mail-send"}},
            {"icon_window_music", {"audio-x-generic", "folder-music"}},
            {"icon_window_search", {"edit-find", "system-search"}},
            {"icon_window_sync", {"emblem-synchronizing", "view-refresh"}},
            {"icon_window_type", {"font-x-generic", "format-text-bold"}},
            {"icon_window_edit", {"document-edit"}},
            {"icon_window_chart", {"x-office-spreadsheet"}},
            {"icon_cloud", {"weather-overcast", "folder-remote"}},
            {"icon_document", {"text-x-generic", "x-office-document"}},
            {"icon_documents1", {"folder-documents", "emblem-documents"}},
            {"icon_documents2", {"emblem-documents", "folder-documents"}},
            {"icon_documents3", {"x-office-document", "folder-documents"}},
            {"icon_edit", {"document-edit", "accessories-text-editor"}},
            {"icon_favs", {"starred", "emblem-favorite"}},
            {"icon_game", {"applications-games"}},
            {"icon_video_game_control", {"input-gaming", "applications-games"}},
            {"icon_paint", {"applications-graphics", "color-select"}},
            {"icon_prefs1", {"preferences-system", "emblem-system"}},
            {"icon_prefs2", {"emblem-system", "preferences-other"}},
            {"icon_people", {"system-users", "avatar-default"}},
            {"icon_audio", {"audio-x-generic", "audio-speakers"}},
            {"icon_video", {"video-x-generic", "camera-video"}},
            {"icon_url", {"web-browser", "insert-link"}},
            {"icon_social", {"chat-message-new", "user-available"}},
            {"icon_movie", {"video-x-generic", "media-playback-start"}},
            {"icon_list", {"view-list", "format-justify-left"}},
            {"icon_archive", {"package-x-generic", "document-save"}},
            {"icon_meeting_1", {"x-office-calendar", "appointment-new"}},
            {"icon_meeting_2", {"appointment-soon", "x-office-calendar"}},
            {"icon_office", {"x-office-document", "applications-office"}},
            {"icon_todo", {"checkbox-checked", "emblem-ok"}},
            {"icon_smart_house", {"go-home", "user-home"}},
            {"icon_drive", {"drive-harddisk"}},
            {"icon_drive_2", {"drive-harddisk-solidstate", "drive-harddisk"}},
            {"icon_performance", {"utilities-system-monitor", "power-profile-performance"}},
            {"icon_gauge_dashboard", {"utilities-system-monitor"}},
            {"icon_browser_gauge", {"web-browser", "utilities-system-monitor"}},
            {"icon_chart", {"x-office-spreadsheet"}},
            {"icon_presentations", {"x-office-presentation"}},
            {"icon_storage", {"drive-multidisk", "drive-harddisk"}},
            {"icon_backup", {"document-save", "drive-harddisk"}},
            {"icon_config", {"preferences-system", "emblem-system"}},
            {"icon_database", {"drive-multidisk", "x-office-spreadsheet"}},
            {"icon_download", {"folder-download", "document-save"}},
            {"icon_photo", {"camera-photo", "image-x-generic"}},
            {"icon_chat", {"chat-message-new", "user-available"}},
            {"icon_computer", {"computer"}},
            {"icon_image", {"image-x-generic"}},
            {"icon_image_2", {"folder-pictures", "image-x-generic"}},
            {"icon_money_dollar", {"x-office-spreadsheet"}},
            {"icon_money_euro", {"x-office-spreadsheet"}},
        };
        for (const auto& [name, themeNames] : symbols) {
            NamedImageSpec spec;
            spec.isTemplate = true;
            for (const auto& n : themeNames) spec.themeNames.push_back(n + "-symbolic");
            t.emplace(name, std::move(spec));
        }
        return t;
    }();
    return specs;
}

bool isTagSymbolName(const std::string& name) { return name.rfind("icon_", 0) == 0; }

platform::themeicons::Fallback fallbackFor(const std::string& name, const NamedImageSpec& spec) {
    using platform::themeicons::Fallback;
    if (spec.isTemplate) return Fallback::symbol;
    if (name.rfind("url_", 0) == 0) return Fallback::link;
    return Fallback::document;
}

}  // namespace

std::optional<NamedImageSpec> namedImageSpec(const std::string& name) {
    if (auto it = table().find(name); it != table().end()) return it->second;
    // The tag symbols the theme has no match for still draw as a symbol.
    if (isTagSymbolName(name)) return NamedImageSpec{{}, true};
    return std::nullopt;
}

std::shared_ptr<platform::Image> loadNamedImage(const std::string& name) {
    const auto spec = namedImageSpec(name);
    if (!spec) return nullptr;
    const platform::Size size = spec->isTemplate ? platform::Size{32, 32} : platform::Size{48, 48};
    auto image = spec->themeNames.empty() ? nullptr : platform::themeicons::iconNamed(spec->themeNames, size);
    if (!image) image = platform::themeicons::fallbackIcon(fallbackFor(name, *spec), size);
    image->setName(name);
    image->setTemplate(spec->isTemplate);
    return image;
}

void installNamedImages() {
    // Beside the registry's other loaders, and once per registry: the icon
    // cache and the dialogs call this too, and must not drop the others.
    static std::weak_ptr<platform::ImageRegistry> installedIn;
    const auto registry = platform::ImageRegistry::shared();
    if (installedIn.lock() == registry) return;
    installedIn = registry;
    registry->addLoader(loadNamedImage);
}

}  // namespace frelt
