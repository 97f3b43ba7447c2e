#include "app/CommandLine.h"

#include <cstdio>
#include <cstdlib>

#include "platform/foundation/Text.h"
#include "platform/foundation/URL.h"
#include "sources/access/SandboxFileAccess.h"

namespace frelt {

CommandLine CommandLine::parse(const std::vector<std::string>& arguments, const std::filesystem::path& cwd) {
    CommandLine result;
    bool optionsEnded = false;
    for (const auto& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (argument == "--version" || argument == "-v")) {
            result.action = Action::version;
            return result;
        }
        if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            result.action = Action::help;
            return result;
        }
        if (!optionsEnded && argument == "--toggle") {
            result.toggle = true;
            continue;
        }
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            result.action = Action::usageError;
            result.problem = "frelt: unknown option " + argument + " (try frelt --help)";
            return result;
        }
        if (argument.empty()) continue;
        // A file URL, as some file managers pass them, stands for its path.
        std::string path = argument;
        if (argument.rfind("file://", 0) == 0) {
            if (const auto url = platform::URL::fromString(argument); url && url->isFileURL()) path = url->path();
        }
        std::filesystem::path p(path);
        if (p.is_relative()) p = cwd / p;
        auto absolute = p.lexically_normal().string();
        (platform::text::isValidUTF8(absolute) ? result.files : result.refused).push_back(std::move(absolute));
    }
    if (result.toggle && !(result.files.empty() && result.refused.empty())) {
        result.action = Action::usageError;
        result.problem = "frelt: --toggle takes no files (try frelt --help)";
    }
    return result;
}

std::string CommandLine::shownName(const std::string& path) {
    std::string shown;
    for (const unsigned char c : path) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        }
    }
    return shown;
}

std::string CommandLine::refusedText(const std::string& path) {
    return "frelt: " + shownName(path) + " is left out: its name is not valid UTF-8, and Frelt keeps file names as text";
}

std::string CommandLine::versionText() {
    const auto& information = SandboxFileAccess::programInformation();
    const auto text = [&](const char* key) {
        const auto it = information.find(key);
        const std::string* value = it == information.end() ? nullptr : it->second.asString();
        return value ? *value : std::string();
    };
    return "Frelt " + text("CFBundleShortVersionString") + " (build " + text("CFBundleVersion") + ")";
}

std::string CommandLine::helpText() {
    return "Usage: frelt [FILE...]\n"
           "       frelt --toggle\n"
           "Frelt, a keyboard launcher in the tray: its global hotkey or a click on its tray\n"
           "icon brings up a window that lists your applications, documents, folders and\n"
           "links, filters them as you type and opens the one you choose.\n"
           "\n"
           "FILE...     files and folders for the next entry you open; when Frelt is\n"
           "            running already, they go to it and this start ends\n"
           "--toggle    shows or hides the window of the running Frelt (starts one and\n"
           "            shows it when none runs); bind it to a key in the desktop's\n"
           "            keyboard settings\n"
           "--version   the version\n"
           "--help      this text\n";
}

bool CommandLine::hasDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

}  // namespace frelt
