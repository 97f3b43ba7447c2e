#pragma once
// Starting a program when the user logs in: an XDG autostart entry, the file
// "<identifier>.desktop" in the autostart folder of $XDG_CONFIG_HOME. The
// item is enabled while that file exists and does not say "Hidden=true".
// Every read looks at the file anew; nothing is cached.

#include <filesystem>
#include <string>

namespace platform {

class LoginItem {
public:
    // What the entry starts and how the desktop's session settings show it.
    struct Entry {
        std::string name;
        std::string comment;
        std::string exec;  // the command line, as a desktop entry's Exec key holds it
        std::string icon;
    };

    static std::filesystem::path autostartFolder();
    static std::filesystem::path autostartFile(const std::string& identifier);

    static bool isEnabled(const std::string& identifier);
    // Writes the entry (atomically) or removes it; false, with the reason in
    // `error`, when the folder or file cannot be written or removed.
    static bool setEnabled(const std::string& identifier, bool enabled, const Entry& entry,
                           std::string* error = nullptr);

    // The desktop entry's text for `entry`.
    static std::string desktopEntryText(const Entry& entry);
    // A path quoted for a desktop entry's Exec key where it needs quotes.
    static std::string quotedExecArgument(const std::string& argument);
    // The running program's own file, for an Exec line that starts it again.
    static std::string currentExecutablePath();
};

}  // namespace platform
