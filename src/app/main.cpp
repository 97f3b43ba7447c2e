// The program's entry: the command line, the desktop session check, one
// running instance per session, then the desktop, the application's delegate
// and the application's run loop.

#include <glib-unix.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "app/ServiceManager.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Window.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Memory.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/linux/DesktopNotifications.h"
#include "platform/linux/GioWorkspace.h"
#include "platform/linux/InstanceLock.h"
#include "platform/linux/PortalGlobalShortcuts.h"
#include "platform/linux/SessionBusService.h"
#include "platform/linux/X11HotkeyServices.h"
#include "platform/log/Log.h"
#include "platform/qt/IconTheme.h"
#include "platform/qt/QtDesktop.h"
#include "sources/icons/IconImages.h"
#include "store/DataStorage.h"
#include "store/Logging.h"

namespace {

using Clock = std::chrono::steady_clock;

std::filesystem::path currentFolder() {
    std::error_code error;
    auto cwd = std::filesystem::current_path(error);
    return error ? std::filesystem::path("/") : cwd;
}

// Set for the desktop test and the start-up benchmark: the program says on
// its standard output when it is ready and when the main window has been
// painted after being shown.
bool reportsProgress() {
    const char* value = std::getenv("FRELT_REPORT_READY");
    return value && *value;
}

void report(const std::string& line) {
    std::fputs(("frelt: " + line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// The main window asks the window manager for the focus with the time of the
// input that showed it (the server's time now for one that came without a
// time), so focus-stealing prevention lets it come forward.
void connectFocusRequests(bool reportPaint) {
    frelt::FreltManager::setWindowShownHook([reportPaint](platform::Window& window, std::uint32_t userTime) {
        platform::qt::requestActivation(window, userTime);
        if (reportPaint) platform::qt::afterNextPaint(window, [] { report("main window painted"); });
    });
}

// Ends the process once a quit has saved: the settings reach the disk first.
// The quit may have come inside a loop the program does not own (a file
// dialog's own question), which nothing else would end.
[[noreturn]] void endProcessAfterQuit() {
    platform::UserDefaults::flushStandard();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(0);
}

// An ordinary request to end (the session ends, the user interrupts) quits as
// the Quit menu item does, so the settings are saved and a backup written;
// it may come inside any modal loop, loading included (see
// AppDelegate::quitFromSignal).
void quitOnTerminationSignals() {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        g_unix_signal_add(
            signal,
            [](gpointer) -> gboolean {
                const auto app = platform::Application::shared();
                const auto delegate = std::dynamic_pointer_cast<frelt::AppDelegate>(app->delegate());
                // Before the delegate is in place nothing was loaded: nothing to save.
                if (!delegate) endProcessAfterQuit();
                delegate->quitFromSignal();
                if (app->hasTerminated()) endProcessAfterQuit();
                return G_SOURCE_CONTINUE;
            },
            nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const auto started = Clock::now();
    platform::memory::configureAllocator();
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
    for (const auto& file : commandLine.refused) std::cerr << CommandLine::refusedText(file) << "\n";
    if (!CommandLine::hasDisplay()) {
        std::cerr << CommandLine::noDisplayText << "\n";
        return 1;
    }

    // A second start hands its files to the first and ends. Files handed to
    // this one arrive on the main thread once the run loop runs, that is
    // after launching, as the service's call; a start without files asks the
    // running program to come forward, and one with --toggle asks it to show
    // or hide its window as the global hotkey does (the way to a hotkey on a
    // desktop that grants programs none: its own keyboard settings run it).
    using platform::dbus::SessionBusService;
    auto claim = SessionBusService::claim(
        {platform::Paths::bundleIdentifier, "/org/frelt/Frelt"},
        commandLine.toggle ? SessionBusService::Request::toggle : SessionBusService::Request::addFiles,
        commandLine.files,
        [](const std::vector<std::string>& paths) {
            if (paths.empty())
                platform::Application::shared()->reopen();
            else
                frelt::performServiceAddFile(paths);
        },
        [] {
            // The command carries no time of the key press that ran it: the
            // window asks for the focus with the server's time now.
            frelt::FreltManager::shared()->switchMainWindow();
        });
    switch (claim.outcome) {
        case SessionBusService::Outcome::forwarded:
            // Not a success when a file was left out.
            return commandLine.refused.empty() ? 0 : 1;
        case SessionBusService::Outcome::refused:
        case SessionBusService::Outcome::ownerSilent:
            std::cerr << "frelt: " << claim.message << "\n";
            return 1;
        case SessionBusService::Outcome::noBus:
            break;
        case SessionBusService::Outcome::owner:
            break;
    }
    // One writer of the settings file, with or without a session bus; taken
    // before the settings are read, since reading may move a damaged file.
    auto instanceLock = platform::InstanceLock::acquire(platform::Paths::configFolder());
    switch (instanceLock.outcome) {
        case platform::InstanceLock::Outcome::held:
            break;
        case platform::InstanceLock::Outcome::heldElsewhere:
            std::cerr << "frelt: " << instanceLock.message
                      << ", and it could not be reached to take over; this start ends and changes nothing\n";
            return 1;
        case platform::InstanceLock::Outcome::unavailable:
            platform::Log(platform::Paths::bundleIdentifier, "general")
                .write(platform::LogLevel::Error, "Running without the instance lock: " + instanceLock.message);
            break;
    }
    if (claim.outcome == SessionBusService::Outcome::noBus)
        // Not an error: the program works, only without hand-over.
        platform::Log(platform::Paths::bundleIdentifier, "general").write(platform::LogLevel::Info, claim.message);

    // The settings file is read on a worker while the toolkit starts.
    platform::UserDefaults::loadStandardInBackground();

    // The desktop: Qt for windows, the tray and the run loop; GIO for opening
    // and mounts; the icon theme; X11 for global hotkeys and layouts (on the
    // run loop Qt now drives).
    platform::qt::installDesktop(argc, argv);
    platform::installDesktopWorkspace();
    platform::qt::installIcons();
    frelt::registerInterfaceResources();
    frelt::installNamedImages();
    platform::qt::setApplicationIdentity(platform::Paths::bundleIdentifier, platform::Image::imageNamed("statusbar-1"));
    platform::x11::installHotkeyServices();
    // Under Wayland the desktop's shortcut portal, where it offers one, in
    // front of the XWayland grabs; it answers without holding up the start.
    platform::portal::installGlobalShortcuts(platform::Paths::bundleIdentifier);
    const auto volumes = platform::desktop::VolumeWatcher::start();
    std::string sleepProblem;
    const auto sleep = platform::desktop::SleepWatcher::start(std::nullopt, &sleepProblem);

    const bool reporting = reportsProgress();
    connectFocusRequests(reporting);
    quitOnTerminationSignals();

    // A tray program: no presence among the desktop's task windows, and it
    // comes forward only when asked to.
    const auto app = platform::Application::shared();
    app->setActivationPolicy(platform::ActivationPolicy::accessory);
    const auto delegate = frelt::AppDelegate::shared();
    app->setDelegate(delegate);
    app->finishLaunching();
    if (!sleep)
        frelt::log(frelt::LogCategory::general, frelt::LogLevel::Default,
                   "Sleep is not followed: %{public}@", sleepProblem);
    app->openFiles(commandLine.files);
    // Nothing was running to show or hide its window: this one shows it.
    if (commandLine.toggle) app->reopen();
    // Loading and the first rebuild are over; the icons are the kit's now.
    platform::qt::returnFreedMemorySoon();
    if (reporting) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
        report("ready in " + std::to_string(elapsed.count()) + " ms with " +
               std::to_string(frelt::DataStorage::shared()->allData()->count()) + " entries");
    }
    // A moment after the start, once the work that follows it (the
    // application search, the icons) is done, the main window is made and
    // the fonts its text is drawn in are loaded: the first showing then costs
    // what a later one does. A press of the hotkey right at the start does
    // not wait for it, and one that comes first makes it needless.
    platform::dispatch::Queue::main()->after(platform::dispatch::seconds(1), [] {
        frelt::FreltManager::shared()->prepareMainWindow();
        platform::qt::prepareTextDrawing();
    });
    app->run();
    return 0;
}
