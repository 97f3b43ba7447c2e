#include "sources/icons/IconImages.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/appkit/ThemeIcons.h"
#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Font.h"

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
        // Every symbol the tag icon chooser offers draws differently from the
        // others: each has a theme icon of its own, and where the theme has
        // nothing that says it (money, code, file kinds) a glyph is drawn.
        const std::map<std::string, Names> symbols{
            {"icon_tags", {"bookmark-new", "emblem-documents"}},
            {"icon_folder", {"folder"}},
            {"icon_container", {"package-x-generic", "folder"}},
            {"icon_folder_bookmark", {"folder-saved-search", "folder"}},
            {"icon_folder_home", {"user-home", "go-home"}},
            {"icon_folder_image", {"preferences-desktop-wallpaper", "folder-pictures"}},
            {"icon_folder_heart", {"emblem-favorite", "folder"}},
            {"icon_folder_edit", {"folder-open", "folder"}},
            {"icon_folder_exchange", {"folder-drag-accept", "emblem-shared"}},
            {"icon_folder_sync", {"emblem-synchronizing", "folder"}},
            {"icon_folder_warning", {"dialog-warning", "folder"}},
            {"icon_folder_code", {"folder-templates", "text-x-script"}},
            {"icon_folder_lock", {"changes-prevent", "system-lock-screen"}},
            {"icon_folder_archive", {"media-tape", "package-x-generic"}},
            {"icon_folder_share", {"folder-publicshare", "emblem-shared"}},
            {"icon_folder_network", {"folder-remote", "network-workgroup"}},
            {"icon_folder_media", {"folder-videos", "applications-multimedia"}},
            {"icon_folder_music", {"folder-music"}},
            {"icon_folder_download", {"folder-download"}},
            {"icon_folder_text", {"folder-visiting", "folder-documents"}},
            {"icon_usb", {"drive-removable-media", "drive-harddisk-usb"}},
            {"icon_zsh", {"utilities-terminal"}},
            {"icon_window_network", {"network-workgroup", "network-wired"}},
            {"icon_window_cloud", {"weather-overcast", "folder-remote"}},
            {"icon_window_mail", {"mail-unread", "mail-send"}},
            {"icon_window_music", {"audio-headphones", "audio-x-generic"}},
            {"icon_window_search", {"edit-find", "system-search"}},
            {"icon_window_skull", {"face-devilish"}},
            {"icon_window_sync", {"view-refresh", "emblem-synchronizing"}},
            {"icon_window_type", {"font-x-generic", "format-text-bold"}},
            {"icon_window_rss", {"application-rss+xml"}},
            {"icon_window_edit", {"accessories-text-editor", "document-edit"}},
            {"icon_window_chart", {"x-office-spreadsheet"}},
            {"icon_app-window-download", {"software-update-available"}},
            {"icon_app-window-heart", {"emote-love"}},
            {"icon_app-window-lock", {"rotation-locked", "system-lock-screen"}},
            {"icon_app-window-search", {"view-reveal", "system-search"}},
            {"icon_app-window-settings", {"preferences-system-details", "applications-system"}},
            {"icon_app-window-share", {"send-to"}},
            {"icon_cloud", {"weather-few-clouds", "folder-remote"}},
            {"icon_document", {"text-x-generic", "x-office-document"}},
            {"icon_documents1", {"emblem-documents", "folder-documents"}},
            {"icon_documents2", {"edit-copy", "folder-documents"}},
            {"icon_documents3", {"x-office-document", "folder-documents"}},
            {"icon_common-file-settings-1", {"document-properties"}},
            {"icon_common-file-text-check", {"tools-check-spelling"}},
            {"icon_common-file-text-edit", {"insert-text"}},
            {"icon_common-file-text-lock", {"auth-smartcard", "channel-secure"}},
            {"icon_common-file-text-search", {"edit-find-replace"}},
            {"icon_common-file-text-warning", {"emblem-important"}},
            {"icon_common-file-text", {"format-text-plaintext"}},
            {"icon_data-file-bars", {"network-cellular-signal-excellent"}},
            {"icon_data-file-graph", {"x-office-drawing"}},
            {"icon_data-file-lock", {"security-high"}},
            {"icon_data-file-star", {"star-new"}},
            {"icon_list-edit", {"format-justify-left"}},
            {"icon_list-to-do", {"view-list-ordered"}},
            {"icon_office-file-hierarchy-alternate", {"network-wired"}},
            {"icon_office-file-text", {"format-text-rich"}},
            {"icon_edit", {"document-edit", "accessories-text-editor"}},
            {"icon_favs", {"starred", "emblem-favorite"}},
            {"icon_game", {"applications-games"}},
            {"icon_video_game_control", {"input-gaming", "applications-games"}},
            {"icon_paint", {"applications-graphics", "color-select"}},
            {"icon_prefs1", {"preferences-system", "emblem-system"}},
            {"icon_prefs2", {"emblem-system", "preferences-other"}},
            {"icon_people", {"system-users", "avatar-default"}},
            {"icon_audio", {"audio-speakers", "audio-x-generic"}},
            {"icon_video", {"video-x-generic", "camera-video"}},
            {"icon_url", {"web-browser", "insert-link"}},
            {"icon_social", {"goa-panel", "user-available"}},
            {"icon_movie", {"media-view-subtitles", "camera-video"}},
            {"icon_list", {"view-list", "format-justify-left"}},
            {"icon_archive", {"media-zip", "package-x-generic"}},
            {"icon_meeting_1", {"x-office-calendar", "appointment-new"}},
            {"icon_meeting_2", {"appointment-soon", "x-office-calendar"}},
            {"icon_office", {"document-page-setup", "x-office-document"}},
            {"icon_todo", {"checkbox-checked", "emblem-ok"}},
                        {"icon_drive", {"drive-harddisk"}},
            {"icon_drive_2", {"drive-harddisk-solidstate", "drive-harddisk"}},
            {"icon_performance", {"power-profile-performance", "utilities-system-monitor"}},
            {"icon_gauge_dashboard", {"power-profile-balanced", "utilities-system-monitor"}},
            {"icon_browser_gauge", {"power-profile-power-saver"}},
            {"icon_presentations", {"x-office-presentation"}},
            {"icon_storage", {"drive-multidisk", "drive-harddisk"}},
            {"icon_backup", {"document-save", "drive-harddisk"}},
            {"icon_config", {"preferences-other", "emblem-system"}},
            {"icon_database", {"network-server", "drive-multidisk"}},
            {"icon_download", {"go-down", "document-save"}},
            {"icon_photo", {"camera-photo", "image-x-generic"}},
            {"icon_chat", {"chat-message-new", "user-available"}},
            {"icon_computer", {"computer"}},
            {"icon_image", {"image-x-generic"}},
            {"icon_image_2", {"insert-image", "image-x-generic"}},
            {"icon_apple", {"computer-apple-ipad"}},
            {"icon_accounting-calculator", {"accessories-calculator"}},
            {"icon_browser-idea", {"help-faq"}},
            {"icon_bulb-1", {"dialog-information"}},
            {"icon_monitor-programming-book", {"preferences-desktop-display", "video-display"}},
            {"icon_optimization-clock", {"preferences-system-time"}},
            {"icon_programming-book", {"accessories-dictionary"}},
            {"icon_task-list-check-2", {"emblem-ok"}},
            {"icon_task-list-plain-1", {"view-list-bullet"}},
            {"icon_task-list-text", {"format-justify-fill"}},
            {"icon_team-share-idea", {"system-switch-user"}},
            {"icon_computer_ram", {"media-flash"}},
            {"icon_computer_chip", {"application-x-firmware"}},
            {"icon_envelope", {"mail-read"}},
            {"icon_voice_id", {"audio-input-microphone"}},
            {"icon_login_keys", {"dialog-password"}},
            {"icon_ai_brain", {"applications-science"}},
            // The sidebar's categories.
            {"icon_allApplications", {"view-app-grid", "applications-other", "application-x-executable"}},
            {"icon_allFiles", {"text-x-generic", "x-office-document"}},
            {"icon_allFolders", {"folder"}},
            {"icon_shortcuts", {"system-run", "media-playlist-repeat"}},
            {"icon_recentApplications", {"document-open-recent", "appointment-soon"}},
            {"icon_openApplications", {"media-playback-start", "system-run"}},
            {"icon_allFavorites", {"starred", "emblem-favorite"}},
        };
        // Symbols no theme draws: a few characters of the symbol font.
        const std::map<std::string, std::string> glyphs{
            {"icon_folder_cash", "\u00A4"},        // ¤
            {"icon_code", "</>"},
            {"icon_code_1", "{ }"},
            {"icon_code_2", "( )"},
            {"icon_code_3", "[ ]"},
            {"icon_code_4", "#!"},
            {"icon_code_5", "&&"},
            {"icon_code_6", "=>"},
            {"icon_code_7", "::"},
            {"icon_code_8", "0x"},
            {"icon_code_9", "01"},
            {"icon_code_10", "\u03BB"},            // λ
            {"icon_code_11", "\u0192(x)"},         // ƒ(x)
            {"icon_code_12", "\u2211"},            // ∑
            {"icon_code_13", "\u2260"},            // ≠
            {"icon_code_14", "%"},
            {"icon_code_15", "@"},
            {"icon_file-zip-1", "ZIP"},
            {"icon_office-file-doc", "DOC"},
            {"icon_office-file-pdf", "PDF"},
            {"icon_office-file-sheet", "XLS"},
            {"icon_office-file-txt", "TXT"},
            {"icon_office-file-graph-alternate", "\u2197"},  // ↗
            {"icon_money_dollar", "$"},
            {"icon_money_euro", "\u20AC"},         // €
            {"icon_money_bitcoin", "\u0243"},      // Ƀ
            {"icon_money_bitcoin_chip", "BTC"},
            {"icon_money_yen", "\u00A5"},          // ¥
            {"icon_3D", "3D"},
            {"icon_microsoft", "\u229E"},          // ⊞
            {"icon_accounting-invoice", "\u2116"}, // №
            {"icon_chart", "\u2581\u2583\u2585\u2587"},  // ▁▃▅▇
            {"icon_smart_house", "\u2302"},         // ⌂
        };
        for (const auto& [name, themeNames] : symbols) {
            NamedImageSpec spec;
            spec.isTemplate = true;
            for (const auto& n : themeNames) spec.themeNames.push_back(n + "-symbolic");
            t.emplace(name, std::move(spec));
        }
        for (const auto& [name, glyph] : glyphs) {
            NamedImageSpec spec;
            spec.isTemplate = true;
            spec.glyph = glyph;
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

// A few characters drawn as a symbol: black (a template, tinted where it is
// shown), bold, centred, as large as fits the image with a margin.
std::shared_ptr<platform::Image> glyphImage(const std::string& glyph, platform::Size size) {
    return platform::Image::imageWithSize(size, false, [glyph](const platform::Rect& r) {
        auto* context = platform::GraphicsContext::current();
        if (!context) return false;
        auto text = [&](double fontSize) {
            platform::ParagraphStyle style;
            style.alignment = platform::TextAlignment::Center;
            platform::TextAttributes attributes;
            attributes.font = platform::Font::boldSystemFont(fontSize);
            attributes.foregroundColor = platform::Color::black();
            attributes.paragraphStyle = style;
            return platform::AttributedString(glyph, attributes);
        };
        // Measured at one size, then scaled to fill 80% of the width or the
        // height, whichever comes first; the line's height holds the glyphs.
        constexpr double probe = 100;
        const platform::Size natural = platform::textMetrics().sizeOfText(text(probe), 0);
        if (natural.width <= 0 || natural.height <= 0) return false;
        const double fontSize =
            probe * std::min(r.width() * 0.8 / natural.width, r.height() * 0.8 / natural.height);
        const platform::Size fitted = platform::textMetrics().sizeOfText(text(fontSize), 0);
        const platform::Rect line(r.minX(), r.midY() - fitted.height / 2, r.width(), fitted.height);
        context->drawAttributedString(text(fontSize), line);
        return true;
    });
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
    if (!image && !spec->glyph.empty()) image = glyphImage(spec->glyph, size);
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
