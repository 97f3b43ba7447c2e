#pragma once
// Every folder the program uses comes from here. Values come from the
// environment (HOME and the XDG variables with their standard fallbacks)
// unless a test has set a layout of its own; GLib's cached user folders are
// never consulted, so each test can have its own.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct PathLayout {
    std::filesystem::path home;
    std::filesystem::path configHome;   // $XDG_CONFIG_HOME
    std::filesystem::path dataHome;     // $XDG_DATA_HOME
    std::filesystem::path cacheHome;    // $XDG_CACHE_HOME
    std::vector<std::filesystem::path> dataDirs;  // $XDG_DATA_DIRS
    std::vector<std::filesystem::path> configDirs; // $XDG_CONFIG_DIRS
    // The data folders that sandboxed-package managers export their desktop
    // entries to; sessions do not always list them in $XDG_DATA_DIRS. They
    // are listed whether or not they exist yet: the first package installed
    // while the program runs makes them.
    std::vector<std::filesystem::path> exportDirs;
};

class Paths {
public:
    static constexpr const char* bundleIdentifier = "org.frelt.Frelt";
    static constexpr const char* programFolderName = "frelt";

    static std::filesystem::path home();
    static std::filesystem::path configHome();
    static std::filesystem::path dataHome();
    static std::filesystem::path cacheHome();
    static std::vector<std::filesystem::path> dataDirs();
    static std::vector<std::filesystem::path> configDirs();

    // $XDG_CONFIG_HOME/frelt: settings.
    static std::filesystem::path configFolder();
    // $XDG_DATA_HOME/frelt/Documents: the bookmark file and backups.
    static std::filesystem::path documentsFolder();
    // $XDG_CACHE_HOME/frelt
    static std::filesystem::path cacheFolder();
    // The applications/ folders of $XDG_DATA_HOME and $XDG_DATA_DIRS, in order,
    // then those of the export folders that $XDG_DATA_DIRS does not list.
    static std::vector<std::filesystem::path> applicationFolders();

    // Tests: a layout that wins over the environment; nullopt restores it.
    static void setLayout(std::optional<PathLayout> layout);
    static PathLayout current();
};

}  // namespace platform
