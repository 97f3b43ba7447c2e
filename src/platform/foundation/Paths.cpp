#include "platform/foundation/Paths.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::mutex gLayoutMutex;
std::optional<PathLayout>& override() {
    static auto* o = new std::optional<PathLayout>;
    return *o;
}

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

fs::path envHome() {
    if (auto h = env("HOME"); !h.empty()) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

// XDG paths must be absolute; a relative value is ignored, as the base-directory
// convention asks.
fs::path envDir(const char* name, const fs::path& fallback) {
    fs::path p = env(name);
    return p.is_absolute() ? p : fallback;
}

std::vector<fs::path> envDirList(const char* name, std::vector<fs::path> fallback) {
    std::vector<fs::path> out;
    std::stringstream ss(env(name));
    std::string item;
    while (std::getline(ss, item, ':'))
        if (fs::path p = item; p.is_absolute()) out.push_back(p);
    return out.empty() ? fallback : out;
}

PathLayout fromEnvironment() {
    PathLayout l;
    l.home = envHome();
    l.configHome = envDir("XDG_CONFIG_HOME", l.home / ".config");
    l.dataHome = envDir("XDG_DATA_HOME", l.home / ".local/share");
    l.cacheHome = envDir("XDG_CACHE_HOME", l.home / ".cache");
    l.dataDirs = envDirList("XDG_DATA_DIRS", {"/usr/local/share", "/usr/share"});
    l.configDirs = envDirList("XDG_CONFIG_DIRS", {"/etc/xdg"});
    // Also those not made yet: a search scope that does not exist is searched
    // once it appears, and the first sandboxed package installed makes it.
    l.exportDirs = {l.dataHome / "flatpak/exports/share", fs::path("/var/lib/flatpak/exports/share"),
                    fs::path("/var/lib/snapd/desktop")};
    return l;
}

}  // namespace

PathLayout Paths::current() {
    std::lock_guard lock(gLayoutMutex);
    if (override()) return *override();
    return fromEnvironment();
}

void Paths::setLayout(std::optional<PathLayout> layout) {
    std::lock_guard lock(gLayoutMutex);
    override() = std::move(layout);
}

fs::path Paths::home() { return current().home; }
fs::path Paths::configHome() { return current().configHome; }
fs::path Paths::dataHome() { return current().dataHome; }
fs::path Paths::cacheHome() { return current().cacheHome; }
std::vector<fs::path> Paths::dataDirs() { return current().dataDirs; }
std::vector<fs::path> Paths::configDirs() { return current().configDirs; }

fs::path Paths::configFolder() { return configHome() / programFolderName; }
fs::path Paths::documentsFolder() { return dataHome() / programFolderName / "Documents"; }
fs::path Paths::cacheFolder() { return cacheHome() / programFolderName; }

std::vector<fs::path> Paths::applicationFolders() {
    const PathLayout l = current();
    std::vector<fs::path> out{l.dataHome / "applications"};
    for (const auto& d : l.dataDirs) out.push_back(d / "applications");
    for (const auto& d : l.exportDirs) {
        const fs::path folder = d / "applications";
        if (std::find(out.begin(), out.end(), folder) == out.end()) out.push_back(folder);
    }
    return out;
}

}  // namespace platform
