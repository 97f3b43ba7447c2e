#pragma once
// Desktop entries: the files that make an application on this desktop. Only
// the [Desktop Entry] group is read, and only the keys the program uses.
//
// An entry is an application the program lists when it says Type=Application,
// is neither NoDisplay nor Hidden, passes OnlyShowIn/NotShowIn for the current
// desktop, has a command line that parses (or is D-Bus activatable) and, when
// it names a TryExec program, that program is installed (an absolute path, or
// a name found in PATH, that is an executable file).
// Among the applications folders, an earlier folder shadows a later one by
// desktop id (the path below the folder, "/" turned into "-"); a Hidden entry
// shadows too, which is how a user deletes a system entry.
//
// Files are untrusted: one larger than maxFileSize, one that is not UTF-8, or
// one whose Exec does not parse is refused with a reason, never half read.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DesktopEntry {
    std::string path;       // the file
    std::string desktopId;  // e.g. "org.example.Editor.desktop"
    std::string type;
    std::string name;       // localized for the process's languages
    std::string exec;
    std::string tryExec;
    std::string icon;
    std::string startupWMClass;
    std::vector<std::string> onlyShowIn;
    std::vector<std::string> notShowIn;
    bool noDisplay = false;
    bool hidden = false;
    bool dbusActivatable = false;
    // Exec split into arguments, field codes left in place ("%U").
    std::vector<std::string> execArguments;

    // The command's first argument (empty without Exec).
    std::string execProgram() const { return execArguments.empty() ? std::string() : execArguments.front(); }
    // Shown on a desktop whose names (XDG_CURRENT_DESKTOP) are `desktops`.
    bool isShownIn(const std::vector<std::string>& desktops) const;
    // No TryExec, or its program is installed. Looked at afresh on every call:
    // installing the program lists the entry at the next look.
    bool isTryExecInstalled() const;
    // Type=Application, not NoDisplay or Hidden, shown on `desktops`, its
    // TryExec program installed.
    bool isListedApplication(const std::vector<std::string>& desktops) const;
};

namespace desktopentry {

inline constexpr std::size_t maxFileSize = 1024 * 1024;

// The desktop id of `file` below the applications folder `folder`.
std::string desktopId(const std::filesystem::path& folder, const std::filesystem::path& file);

// Parses an entry's text. None, with the reason in `error`, when the text is
// no desktop entry we can use: too large, not UTF-8, no [Desktop Entry]
// group, or an application whose Exec is missing or broken. `languages` are
// tried in order for Name[...] (see languageNames()).
std::optional<DesktopEntry> parse(std::string_view contents, const std::string& path,
                                  const std::vector<std::string>& languages, std::string* error = nullptr);
// Reads and parses a file; a file that cannot be read, or is larger than
// maxFileSize (checked before reading), is refused with the reason.
std::optional<DesktopEntry> read(const std::filesystem::path& file, const std::string& desktopId,
                                 const std::vector<std::string>& languages, std::string* error = nullptr);

// Splits an Exec value (already unescaped as a string) into arguments by the
// desktop entry quoting rules. None, with the reason, for an unterminated
// quote, an unknown field code or an empty command.
std::optional<std::vector<std::string>> splitExec(std::string_view exec, std::string* error = nullptr);

// The locale names to try for localized keys, most wanted first, from the
// process's locale (without encodings; "C" left out).
const std::vector<std::string>& languageNames();
// The executable file `program` names: itself when it holds a "/", else the
// first match in PATH. None when there is no such executable file.
std::optional<std::string> findProgram(const std::string& program);
// XDG_CURRENT_DESKTOP split at ":".
std::vector<std::string> currentDesktops();

}  // namespace desktopentry

}  // namespace platform
