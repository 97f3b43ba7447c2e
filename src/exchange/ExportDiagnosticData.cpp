#include "exchange/ExportDiagnosticData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <utility>

#include "app/AppDelegate.h"
#include "exchange/ExchangeFiles.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bookmark.h"
#include "platform/foundation/Text.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/discovery/ProxySpotlightQueryFS.h"
#include "store/DataStorage.h"
#include "store/ShowAlert.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

std::string boolText(bool value) { return value ? "true" : "false"; }

std::string hotkeyText(const KeyCombo::Ptr& combo) { return combo ? combo->displayString() : std::string(); }

bool orderedCanonically(const std::string& a, const std::string& b) {
    return platform::text::canonicalCompare(a, b) < 0;
}

std::string informationString(const platform::ValueDictionary& information, const char* key) {
    const auto it = information.find(key);
    if (it == information.end() || !it->second.asString()) return {};
    return *it->second.asString();
}

}  // namespace

ExportDiagnosticData::ExportDiagnosticData() : ExportDiagnosticData(SandboxFileAccess::programInformation()) {}

ExportDiagnosticData::ExportDiagnosticData(platform::ValueDictionary information)
    : information_(std::move(information)) {}

std::string ExportDiagnosticData::formattedDate(const platform::Date& date) {
    const double seconds = std::floor(date.unixTime());
    std::tm parts{};
    const auto time = static_cast<std::time_t>(seconds);
    char text[40];
    if (!std::isfinite(seconds) || !gmtime_r(&time, &parts) ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &parts) == 0)
        return "-";
    return text;
}

void ExportDiagnosticData::addFrame(const std::string& title, bool emptyLineAfter) {
    exportData.push_back(divider);
    exportData.push_back(title);
    exportData.push_back(divider);
    if (emptyLineAfter) exportData.emplace_back();
}

void ExportDiagnosticData::addAppInfo() {
    exportData.push_back("AppName: " + informationString(information_, "CFBundleName"));
    exportData.push_back("Version: " + informationString(information_, "CFBundleShortVersionString"));
    exportData.push_back("Build: " + informationString(information_, "CFBundleVersion"));
    exportData.emplace_back();
}

void ExportDiagnosticData::addConfiguration() {
    const auto c = AppDelegate::shared()->config;
    addFrame("# Configuration");
    exportData.insert(
        exportData.end(),
        {
            std::string("  defaultMenubarIcon: ") + Configuration::defaultMenubarIcon,
            "  alternateFolderBrowser: " + c->alternateFolderBrowser,
            "  clickType: " + std::to_string(c->clickType),
            "  showPathInMainView: " + boolText(c->showPathInMainView),
            "  debugLogging: " + boolText(c->debugLogging()),
            "  useSmallModeInMainView: " + boolText(c->useSmallModeInMainView),
            "  sidebarCategoriesShowNumberOfElementInSidebar: " +
                boolText(c->sidebarCategoriesShowNumberOfElementInSidebar),
            "",
            "  sidebarCategoriesShowActiveApplications: " + boolText(c->sidebarCategoriesShowActiveApplications()),
            "  sidebarCategoriesShowFiles: " + boolText(c->sidebarCategoriesShowFiles()),
            "  sidebarCategoriesShowFolders: " + boolText(c->sidebarCategoriesShowFolders()),
            "  sidebarCategoriesShowFavorites: " + boolText(c->sidebarCategoriesShowFavorites()),
            "  sidebarCategoriesShowRecentApplications: " + boolText(c->sidebarCategoriesShowRecentApplications()),
            "",
            "  neverRemindMeRemoveTagDialog: " + boolText(c->neverRemindMeRemoveTagDialog),
            "  neverRemindMeRenameTagDialog: " + boolText(c->neverRemindMeRenameTagDialog),
            "",
            "  searchForComments: " + boolText(c->searchForComments),
            "  searchForTags: " + boolText(c->searchForTags),
            "",
            "  customSpotlightSearchScope: " + joined(c->customSpotlightSearchScope, ", "),
            "",
        });
}

void ExportDiagnosticData::addSearchScopes() {
    addFrame("# SearchScopes");
    for (const auto& scope : DataStorage::shared()->proxySpotlightQueryFSAllApps()->searchScopes())
        exportData.push_back("  " + scope);
    exportData.emplace_back();
}

void ExportDiagnosticData::addSpotlightData() {
    addFrame("# SpotlightData");
    const auto paths = DataStorage::shared()->proxySpotlightQueryFSAllApps()->spotlightResultComplete();
    for (const auto& path : paths) exportData.push_back("  " + path);
    exportData.insert(exportData.end(), {"", "Items: " + std::to_string(paths.size()), "", ""});
}

void ExportDiagnosticData::addMainDatabase() {
    struct Group {
        ListviewItemSource source;
        const char* name;
        const char* heading;
        std::vector<std::string> lines;
    };
    Group groups[] = {
        {ListviewItemSource::spotlight,
         "Spotlight",
         "# Itemsource -> Spotlight (found and imported using Spotlight):",
         {}},
        {ListviewItemSource::shortcuts,
         "Shortcuts",
         "# Itemsource -> Shortcuts (found and imported using Shortcuts-Import):",
         {}},
        {ListviewItemSource::other, "Other", "# Itemsource -> Other (manually added items):", {}},
        {ListviewItemSource::tags, "Tags", "# Itemsource -> Tags (automatically created from the used tags):", {}},
    };

    const auto entries = DataStorage::shared()->allData()->snapshot();
    for (const auto& entry : *entries) {
        if (!entry) continue;
        const auto lastUsed = entry->lastUsedDate();
        std::string line = std::string(rawValue(entry->itemType())) + " -> [" + entry->path() + "]; Tags: [" +
                           joined(entry->tags(), ", ") + "] ; isVisible: " + boolText(entry->isVisible()) +
                           " ; isReachable: " + boolText(entry->isReachable()) +
                           " ; Hotkey: " + hotkeyText(entry->hotkey()) +
                           " ; LastUsed: " + (lastUsed ? formattedDate(*lastUsed) : "-");
        for (auto& group : groups)
            if (group.source == entry->itemSource()) group.lines.push_back(std::move(line));
    }

    addFrame("# Main-Database", false);
    for (auto& group : groups) {
        if (group.lines.empty()) {
            exportData.push_back(std::string("No items of type ") + group.name + " available");
        } else {
            std::sort(group.lines.begin(), group.lines.end(), orderedCanonically);
            exportData.insert(exportData.end(), {"", group.heading, ""});
            for (const auto& line : group.lines) exportData.push_back("  " + line);
            exportData.insert(exportData.end(), {"", "Items: " + std::to_string(group.lines.size()), "", ""});
        }
        exportData.emplace_back();
    }
}

void ExportDiagnosticData::addTags() {
    addFrame("# Tags");
    const auto tags = TagManager::shared()->allAvailableTags()->snapshot();
    for (const auto& tag : *tags) {
        if (!tag) continue;
        exportData.push_back(
            "[" + tag->tagName() + "] -> Symbol: " + tag->tagSymbol() + "; Used: " + boolText(tag->tagUsed()) +
            "; Use-Counter: " + std::to_string(tag->tagUseCounter()) + "; View-Hotkey: " + hotkeyText(tag->hotkey()) +
            "; Launch-Hotkey: " + hotkeyText(tag->hotkeyLaunchAll()));
    }
    exportData.insert(exportData.end(), {"", "Items: " + std::to_string(tags->size()), "", ""});
}

void ExportDiagnosticData::addBookmarks() {
    addFrame("# Bookmarks");
    // Only reported: a stale grant is not renewed here.
    SandboxFileAccess::shared()->persistanceBookmarkStorage()->forEachBookmark(
        [this](const platform::URL& url, const platform::Data& data) {
            const auto resolved = platform::bookmark::resolve(data);
            const std::string value =
                resolved ? "stale: " + boolText(resolved->isStale) + " [" + resolved->url.absoluteString() + "]"
                         : std::string("unable to resolve BookmarkData!");
            exportData.push_back("  key: [" + url.absoluteString() + "] -> " + value);
        });
    exportData.emplace_back();
}

void ExportDiagnosticData::addHotkeys() {
    const auto c = AppDelegate::shared()->config;
    addFrame("# Hotkeys");

    if (c->globalKeyCombo)
        exportData.insert(exportData.end(),
                          {"Global:", "  Hotkey to show the main window -> " + hotkeyText(c->globalKeyCombo), ""});

    exportData.push_back("Hotkeys for categories:");
    const std::pair<const char*, const KeyCombo::Ptr*> categories[] = {
        {"  Active Applications -> ", &c->globalKeyComboCategoriesShowActiveApplications},
        {"  Recent Applications -> ", &c->globalKeyComboCategoriesShowRecentApplications},
        {"  Favorites -> ", &c->globalKeyComboCategoriesShowFavorites},
        {"  Files -> ", &c->globalKeyComboCategoriesShowFiles},
        {"  Folders -> ", &c->globalKeyComboCategoriesShowFolders},
        {"  Shortcuts -> ", &c->globalKeyComboCategoriesShowShortcuts},
        {"  URLs -> ", &c->globalKeyComboCategoriesShowURLs},
    };
    for (const auto& [label, combo] : categories)
        if (*combo) exportData.push_back(label + hotkeyText(*combo));
    exportData.emplace_back();

    // "[name] -> hotkey" lines sorted by name.
    using Named = std::pair<std::string, KeyCombo::Ptr>;
    const auto addBlock = [this](const char* heading, std::vector<Named> named) {
        std::stable_sort(named.begin(), named.end(),
                         [](const Named& a, const Named& b) { return orderedCanonically(a.first, b.first); });
        exportData.push_back(heading);
        for (const auto& [name, combo] : named) exportData.push_back("  [" + name + "] -> " + hotkeyText(combo));
        exportData.emplace_back();
    };

    std::vector<Named> entries;
    const auto allData = DataStorage::shared()->allData()->snapshot();
    for (const auto& entry : *allData)
        if (entry && entry->hotkey()) entries.emplace_back(entry->name(), entry->hotkey());
    addBlock("Hotkeys for entries:", std::move(entries));

    const auto visibleTags = TagManager::shared()->allVisibleTags()->snapshot();
    std::vector<Named> views, launches;
    for (const auto& tag : *visibleTags) {
        if (!tag) continue;
        if (tag->hotkey()) views.emplace_back(tag->tagName(), tag->hotkey());
        if (tag->hotkeyLaunchAll()) launches.emplace_back(tag->tagName(), tag->hotkeyLaunchAll());
    }
    addBlock("Hotkeys to show a tag:", std::move(views));
    addBlock("Hotkeys to launch all entries of a tag:", std::move(launches));
}

std::string ExportDiagnosticData::text() const { return joined(exportData, "\n"); }

void ExportDiagnosticData::saveToFile() {
    if (const auto url = chooseFileToSave("txt")) writeWhenPermitted(*url, [&] { writeToFile(*url); });
}

bool ExportDiagnosticData::writeToFile(const platform::URL& url) {
    const std::string report = text();
    std::string error;
    if (platform::writeFileAtomically(url.path(), platform::Data(report.begin(), report.end()), &error)) return true;
    std::printf("Error on writing strings to file: %s\n", error.c_str());
    std::fflush(stdout);
    // Printing alone would leave the user believing the report was saved.
    showAlert("Error on writing strings to file: " + error, "Error: Export");
    return false;
}

}  // namespace frelt
