#pragma once
// What the program makes of its command line: files to hand to the main
// window (as the file manager's "Open With" passes them), or a request for
// its version or help. Nothing here needs a display.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace frelt {

struct CommandLine {
    enum class Action { run, version, help, usageError };

    Action action = Action::run;
    // --toggle: the running instance shows or hides its main window; with
    // none running, this start runs and shows it.
    bool toggle = false;
    // Absolute, in the order given.
    std::vector<std::string> files;
    // File arguments left out of `files` because their names are not UTF-8:
    // entries, the settings and the hand-over keep names as text, and such a
    // name would come back as the name of another file (or of none).
    std::vector<std::string> refused;
    // With usageError: what was wrong.
    std::string problem;

    // `cwd` makes relative file arguments absolute.
    static CommandLine parse(const std::vector<std::string>& arguments, const std::filesystem::path& cwd);

    // A file name as it can be shown: bytes outside printable ASCII (and
    // the backslash) written as \xNN.
    static std::string shownName(const std::string& path);
    // The line said for a refused file.
    static std::string refusedText(const std::string& path);

    static std::string versionText();
    static std::string helpText();
    // The one line said when there is no desktop session to run in.
    static constexpr const char* noDisplayText =
        "frelt: needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    // Whether the environment names a display.
    static bool hasDisplay();
};

}  // namespace frelt
