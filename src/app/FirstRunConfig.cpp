#include "app/FirstRunConfig.h"

#include <utility>

#include "store/DataStorage.h"

namespace frelt {

void FirstRunConfig::loadPredefinedAppTags() {
    predefinedAppTag.clear();
    // Desktop entries that distributions commonly install system-wide.
    static const std::pair<const char*, const char*> known[] = {
        {"org.gnome.Terminal.desktop", "Utilities"},
        {"org.gnome.Nautilus.desktop", "Utilities"},
        {"org.gnome.Calculator.desktop", "Utilities"},
        {"org.gnome.TextEditor.desktop", "Utilities"},
        {"org.gnome.Settings.desktop", "System"},
        {"org.gnome.SystemMonitor.desktop", "System"},
        {"firefox-esr.desktop", "Internet"},
        {"firefox.desktop", "Internet"},
        {"chromium.desktop", "Internet"},
        {"thunderbird.desktop", "Internet"},
        {"libreoffice-writer.desktop", "Office"},
        {"libreoffice-calc.desktop", "Office"},
        {"libreoffice-impress.desktop", "Office"},
        {"gimp.desktop", "Graphics"},
        {"inkscape.desktop", "Graphics"},
        {"vlc.desktop", "Multimedia"},
    };
    for (const auto& [desktopFile, tag] : known)
        predefinedAppTag.emplace(std::string("/usr/share/applications/") + desktopFile, tag);
}

void FirstRunConfig::applyPredefinedAppTags() {
    const auto store = DataStorage::shared();
    for (const auto& [path, tag] : predefinedAppTag) store->setTag(path, tag);
    store->rebuildData(RebuildDataReason::firstRun);
}

}  // namespace frelt
