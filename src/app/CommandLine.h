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
    // Absolute, in the order given.
    std::vector<std::string> files;
    // With usageError: what was wrong.
    std::string problem;

    // `cwd` makes relative file arguments absolute.
    static CommandLine parse(const std::vector<std::string>& arguments, const std::filesystem::path& cwd);

    static std::string versionText();
    static std::string helpText();
    // The one line said when there is no desktop session to run in.
    static constexpr const char* noDisplayText =
        "frelt: needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    // Whether the environment names a display.
    static bool hasDisplay();
};

}  // namespace frelt
