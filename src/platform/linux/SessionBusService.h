#pragma once
// One running instance per user session, through the session bus: the first
// start owns a bus name and serves an object with two methods, AddFiles(as)
// and Toggle(); a later start finds the name taken, hands its file arguments
// to the owner through AddFiles (or asks it to show or hide its window
// through Toggle) and ends. Calls arrive on the main thread (GDBus
// dispatches them in GLib's default main context, which the run loop
// iterates).
//
// Without a session bus every start runs alone.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::dbus {

class SessionBusService {
public:
    using AddFilesHandler = std::function<void(const std::vector<std::string>& paths)>;
    using ToggleHandler = std::function<void()>;

    // What a later start asks of the owner.
    enum class Request { addFiles, toggle };

    struct Identity {
        std::string busName;      // also the interface's name
        std::string objectPath;
    };

    enum class Outcome {
        owner,          // this process serves the name now
        forwarded,      // another process owns it and took the files
        noBus,          // no session bus: this process runs alone
        ownerSilent,    // another process owns it but did not answer
        refused,        // another process owns it, but a file name is no text the bus can carry: nothing was handed over
    };

    struct Result {
        Outcome outcome = Outcome::noBus;
        std::string message;  // why, for the log, when it is not `owner` or `forwarded`
        std::unique_ptr<SessionBusService> service;  // with `owner`
    };

    // Owns the name or hands `files` over. `busAddress` none: the session
    // bus of the environment. The bus carries names as UTF-8 text: a name
    // that is not is refused, and then none is handed over (never a part).
    static Result claim(const Identity& identity, const std::vector<std::string>& files, AddFilesHandler onAddFiles,
                        const std::optional<std::string>& busAddress = std::nullopt);
    // The same, where a later start may also ask for Toggle: `request`
    // says what this start asks when the name is taken (its files are
    // handed over only with addFiles); `onToggle` serves Toggle once this
    // process owns the name.
    static Result claim(const Identity& identity, Request request, const std::vector<std::string>& files,
                        AddFilesHandler onAddFiles, ToggleHandler onToggle,
                        const std::optional<std::string>& busAddress = std::nullopt);

    ~SessionBusService();
    SessionBusService(const SessionBusService&) = delete;
    SessionBusService& operator=(const SessionBusService&) = delete;

    // The introspection data of the served object.
    static std::string introspectionXML(const std::string& interfaceName);

    struct State;

private:
    explicit SessionBusService(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace platform::dbus
