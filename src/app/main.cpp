// The program's entry: the command line, the desktop session check, one
// running instance per session, then the desktop and the application's
// run loop.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "platform/foundation/Paths.h"
#include "platform/linux/SessionBusService.h"

namespace {

std::filesystem::path currentFolder() {
    std::error_code error;
    auto cwd = std::filesystem::current_path(error);
    return error ? std::filesystem::path("/") : cwd;
}

}  // namespace

int main(int argc, char** argv) {
    using frelt::CommandLine;
    const CommandLine commandLine = CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc), currentFolder());
    switch (commandLine.action) {
        case CommandLine::Action::version:
            std::cout << CommandLine::versionText() << "\n";
            return 0;
        case CommandLine::Action::help:
            std::cout << CommandLine::helpText();
            return 0;
        case CommandLine::Action::usageError:
            std::cerr << commandLine.problem << "\n";
            return 2;
        case CommandLine::Action::run:
            break;
    }
    if (!CommandLine::hasDisplay()) {
        std::cerr << CommandLine::noDisplayText << "\n";
        return 1;
    }

    // A second start hands its files to the first and ends.
    using platform::dbus::SessionBusService;
    auto claim = SessionBusService::claim({platform::Paths::bundleIdentifier, "/org/frelt/Frelt"}, commandLine.files,
                                          nullptr);
    switch (claim.outcome) {
        case SessionBusService::Outcome::forwarded:
            return 0;
        case SessionBusService::Outcome::ownerSilent:
            std::cerr << "frelt: " << claim.message << "\n";
            return 1;
        case SessionBusService::Outcome::noBus:
            std::cerr << "frelt: " << claim.message << "\n";
            break;
        case SessionBusService::Outcome::owner:
            break;
    }
    std::puts("Frelt, a keyboard launcher for the Linux desktop: the window and tray arrive with the desktop backend.");
    return 0;
}
