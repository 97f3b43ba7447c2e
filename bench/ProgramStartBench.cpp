// The program as a person meets it, on a private X server with openbox as
// the window manager and a private session bus, each figure beside the same
// figure of the peer launcher (rofi, showing its application list) taken in
// the same run on the same server:
//   - from starting `frelt` to ready (tray item shown, hotkeys registered,
//     entries loaded and rebuilt), against rofi's start to its window
//     mapped, both with 100 and with 10,000 entries (rofi's as desktop
//     entries); goals: no slower than rofi at 100, at most 0.3 of rofi's
//     time at 10,000;
//   - from a press of the global hotkey to the main window painted, every
//     showing, the first one right after the start included; goal: within
//     10 ms at 10,000 entries;
//   - resident memory with 10,000 entries after the main window was shown
//     and hidden, resident and proportional (PSS), against rofi's while it
//     shows the same number of entries; goals: within 45 MB resident and a
//     PSS no larger than rofi's.
// The program says when it is ready and when the window was painted on its
// standard output (FRELT_REPORT_READY). The benchmark starts itself again
// under xvfb-run and dbus-run-session, so it never touches the desktop it
// is started from.

#include <benchmark/benchmark.h>
#include <gio/gio.h>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

#include "BenchSupport.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
namespace fs = std::filesystem;

constexpr const char* busName = "org.frelt.Frelt";

// The environment of this process with `overrides` in place of the same names.
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> out;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!overrides.count(entry.substr(0, entry.find('=')))) out.push_back(entry);
    }
    for (const auto& [name, value] : overrides) out.push_back(name + "=" + value);
    return out;
}

// A program started with its standard output on a pipe we read by lines.
class Program {
public:
    static std::unique_ptr<Program> start(const fs::path& program, const std::vector<std::string>& arguments,
                                          const std::vector<std::string>& environment) {
        const auto spawned = frelt::bench::spawnReadingOutput(program, arguments, environment);
        if (!spawned) return nullptr;
        return std::unique_ptr<Program>(new Program(spawned->pid, spawned->output));
    }

    ~Program() {
        stop(SIGKILL);
        ::close(fd_);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The next line that begins with `prefix`; none when the program ends or
    // `timeout` passes first.
    std::optional<std::string> waitForLine(const std::string& prefix, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            for (std::size_t end; (end = buffer_.find('\n')) != std::string::npos;) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                if (line.rfind(prefix, 0) == 0) return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[4096];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n == 0) return std::nullopt;
            if (n > 0) buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Forgets what the program has printed so far.
    void discardPendingLines() {
        char chunk[4096];
        for (pollfd p{fd_, POLLIN, 0}; ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);)
            if (::read(fd_, chunk, sizeof chunk) <= 0) break;
        buffer_.clear();
    }

    // Resident and proportional set size (shared pages divided among the
    // processes that map them), in megabytes.
    struct Memory {
        double resident = 0, proportional = 0;
    };
    Memory memory() const {
        Memory out;
        std::ifstream rollup("/proc/" + std::to_string(pid_) + "/smaps_rollup");
        for (std::string line; std::getline(rollup, line);) {
            if (line.rfind("Rss:", 0) == 0) out.resident = std::stod(line.substr(4)) / 1024.0;
            if (line.rfind("Pss:", 0) == 0) out.proportional = std::stod(line.substr(4)) / 1024.0;
        }
        return out;
    }
    double residentMegabytes() const { return memory().resident; }

    void stop(int signal) {
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
    }

private:
    Program(pid_t pid, int fd) : pid_(pid), fd_(fd) {}
    pid_t pid_;
    int fd_;
    std::string buffer_;
};

// The private desktop: openbox on the X server, the bus, a home folder with a
// configuration per number of entries.
class Desktop {
public:
    static Desktop& shared() {
        static Desktop desktop;
        return desktop;
    }

    std::string problem;  // why nothing can be measured

    // A home folder whose configuration holds `entries` entries.
    std::optional<fs::path> homeWith(int entries) {
        if (auto it = homes_.find(entries); it != homes_.end()) return it->second;
        const fs::path home = scratch_ / ("home-" + std::to_string(entries));
        auto maker = Program::start(FRELT_MAKE_CONFIGURATION_PATH, {std::to_string(entries), "window"},
                                    environmentFor(home));
        if (!maker || !maker->waitForLine("configuration with", std::chrono::seconds(120))) return std::nullopt;
        homes_[entries] = home;
        return home;
    }

    // A home folder for the peer whose data folder holds `entries` desktop
    // entries named as the program's entries are, and nothing else.
    std::optional<fs::path> peerHomeWith(int entries) {
        if (auto it = peerHomes_.find(entries); it != peerHomes_.end()) return it->second;
        const fs::path home = scratch_ / ("peer-home-" + std::to_string(entries));
        const fs::path applications = home / ".local/share/applications";
        std::error_code error;
        fs::create_directories(applications, error);
        fs::create_directories(home / "empty", error);
        if (error) return std::nullopt;
        for (int i = 0; i < entries; ++i) {
            std::ofstream file(applications / ("entry-" + std::to_string(i) + ".desktop"));
            file << "[Desktop Entry]\nType=Application\nName=Entry " << i << "\nComment=Read before the meeting\nExec=true "
                 << i << "\nIcon=text-x-generic\nCategories=Utility;\n";
            if (!file) return std::nullopt;
        }
        peerHomes_[entries] = home;
        return home;
    }

    // Starts rofi showing its application list and waits until its window
    // is mapped; `mappedMs` gets the time from the start.
    std::unique_ptr<Program> startPeer(const fs::path& home, double* mappedMs) {
        if (!rofi_) return nullptr;
        drainMapEvents();
        const auto environment = environmentWith({{"HOME", home.string()},
                                                  {"XDG_CONFIG_HOME", (home / ".config").string()},
                                                  {"XDG_DATA_HOME", (home / ".local/share").string()},
                                                  {"XDG_DATA_DIRS", (home / "empty").string()},
                                                  {"XDG_CACHE_HOME", (home / ".cache").string()}});
        const auto begun = Clock::now();
        auto program = Program::start(*rofi_, {"-no-config", "-show", "drun"}, environment);
        if (!program || !waitForMap(std::chrono::seconds(30))) return nullptr;
        if (mappedMs) *mappedMs = Milliseconds(Clock::now() - begun).count();
        return program;
    }

    bool hasPeer() const { return rofi_.has_value(); }

    // Presses the hotkey to show the main window; the time of the press.
    Clock::time_point showWithHotkey() {
        drainMapEvents();
        focusBefore_ = focus();
        return pressHotkey();
    }

    // Presses the hotkey to hide the main window and waits until it is gone
    // from the screen.
    bool hideWithHotkey() {
        // The window manager first hands the shown window the focus; a press
        // before that would only bring it forward.
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (focus() == focusBefore_ && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        drainMapEvents();
        pressHotkey();
        // Any window: the window manager's frame goes with the window.
        return waitForMapOf(std::chrono::seconds(5), XCB_UNMAP_NOTIFY, std::nullopt).has_value();
    }

    std::vector<std::string> environmentFor(const fs::path& home) const {
        return environmentWith({{"HOME", home.string()},
                                {"XDG_CONFIG_HOME", (home / ".config").string()},
                                {"XDG_DATA_HOME", (home / ".local/share").string()},
                                {"XDG_CACHE_HOME", (home / ".cache").string()},
                                {"QT_QPA_PLATFORM", "xcb"},
                                {"FRELT_REPORT_READY", "1"}});
    }

    // Starts the program and waits until it is ready; `ready` gets the time
    // from the start to its ready line.
    std::unique_ptr<Program> startProgram(const fs::path& home, double* readyMs, std::string* line) {
        // The last run's bus name must be gone, or this start would hand
        // over to a process that no longer runs.
        waitUntilBusNameFree();
        const auto begun = Clock::now();
        auto program = Program::start(FRELT_PROGRAM_PATH, {}, environmentFor(home));
        if (!program) return nullptr;
        const auto ready = program->waitForLine("frelt: ready", std::chrono::seconds(30));
        if (!ready) return nullptr;
        if (readyMs) *readyMs = Milliseconds(Clock::now() - begun).count();
        if (line) *line = *ready;
        return program;
    }

    // Presses Ctrl+Alt+Space through XTest; the time the press was sent.
    Clock::time_point pressHotkey() {
        auto fake = [&](std::uint8_t type, xcb_keycode_t code) {
            xcb_test_fake_input(x_, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        };
        fake(XCB_KEY_PRESS, control_);
        fake(XCB_KEY_PRESS, alt_);
        xcb_flush(x_);
        const auto pressed = Clock::now();
        fake(XCB_KEY_PRESS, space_);
        xcb_flush(x_);
        fake(XCB_KEY_RELEASE, space_);
        fake(XCB_KEY_RELEASE, alt_);
        fake(XCB_KEY_RELEASE, control_);
        xcb_flush(x_);
        return pressed;
    }

private:
    Desktop() : scratch_(frelt::bench::freshScratchFolder("frelt-program-bench")) {
        x_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(x_)) {
            problem = "no X server";
            return;
        }
        const auto* xtest = xcb_get_extension_data(x_, &xcb_test_id);
        if (!xtest || !xtest->present) {
            problem = "the X server has no XTest";
            return;
        }
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(x_);
        auto code = [&](xcb_keysym_t sym) {
            xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, sym);
            const xcb_keycode_t c = codes ? codes[0] : 0;
            std::free(codes);
            return c;
        };
        control_ = code(0xffe3);  // Control_L
        alt_ = code(0xffe9);      // Alt_L
        space_ = code(0x20);
        xcb_key_symbols_free(symbols);
        bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (!bus_) {
            problem = "no session bus";
            return;
        }
        rofi_ = frelt::bench::findProgram("rofi");
        if (!rofi_) std::fprintf(stderr, "note: rofi is not installed; no peer figures\n");
        // A connection of its own hears every top-level window mapped.
        watch_ = xcb_connect(nullptr, nullptr);
        if (!xcb_connection_has_error(watch_)) {
            const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
            xcb_change_window_attributes(watch_, xcb_setup_roots_iterator(xcb_get_setup(watch_)).data->root,
                                         XCB_CW_EVENT_MASK, &mask);
            xcb_flush(watch_);
        }
        if (const auto openbox = frelt::bench::findProgram("openbox")) {
            windowManager_ = Program::start(*openbox, {"--sm-disable"}, environmentWith({}));
            waitForWindowManager();
        } else {
            std::fprintf(stderr, "note: openbox is not installed; measuring without a window manager\n");
        }
    }

    ~Desktop() {
        windowManager_.reset();
        if (bus_) g_object_unref(bus_);
        if (watch_) xcb_disconnect(watch_);
        if (x_) xcb_disconnect(x_);
    }

public:
    void drainMapEvents() {
        // A round trip: every event the server sent before it is in.
        std::free(xcb_get_input_focus_reply(watch_, xcb_get_input_focus(watch_), nullptr));
        while (xcb_generic_event_t* event = xcb_poll_for_event(watch_)) std::free(event);
    }

    // A window mapped on the screen (the peer's own, or the frame the window
    // manager put around it), or with `XCB_UNMAP_NOTIFY` one taken away;
    // only `window`'s when one is given. The window.
    std::optional<xcb_window_t> waitForMapOf(std::chrono::milliseconds timeout, std::uint8_t kind,
                                             std::optional<xcb_window_t> window) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(watch_)) {
                std::optional<xcb_window_t> seen;
                const std::uint8_t type = event->response_type & 0x7f;
                if (type == kind && kind == XCB_MAP_NOTIFY)
                    seen = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
                if (type == kind && kind == XCB_UNMAP_NOTIFY)
                    seen = reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window;
                std::free(event);
                if (seen && (!window || *window == *seen)) return seen;
            }
            if (xcb_connection_has_error(watch_)) return std::nullopt;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{xcb_get_file_descriptor(watch_), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left.count()));
        }
    }
    bool waitForMap(std::chrono::milliseconds timeout) {
        return waitForMapOf(timeout, XCB_MAP_NOTIFY, std::nullopt).has_value();
    }

    void waitForWindowManager() {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x_)).data;
        const char* name = "_NET_SUPPORTING_WM_CHECK";
        auto* atomReply = xcb_intern_atom_reply(
            x_, xcb_intern_atom(x_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        if (!atomReply) return;
        const xcb_atom_t atom = atomReply->atom;
        std::free(atomReply);
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            auto* reply = xcb_get_property_reply(
                x_, xcb_get_property(x_, 0, screen->root, atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
            const bool there = reply && xcb_get_property_value_length(reply) > 0;
            std::free(reply);
            if (there) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void waitUntilBusNameFree() {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            GVariant* reply = g_dbus_connection_call_sync(
                bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                g_variant_new("(s)", busName), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
            gboolean owned = FALSE;
            if (reply) {
                g_variant_get(reply, "(b)", &owned);
                g_variant_unref(reply);
            }
            if (!owned) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    fs::path scratch_;
    std::map<int, fs::path> homes_, peerHomes_;
    std::optional<fs::path> rofi_;
    xcb_connection_t* x_ = nullptr;
    xcb_connection_t* watch_ = nullptr;
    xcb_window_t focusBefore_ = XCB_NONE;

    xcb_window_t focus() {
        xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(x_, xcb_get_input_focus(x_), nullptr);
        const xcb_window_t window = reply ? reply->focus : XCB_NONE;
        std::free(reply);
        return window;
    }
    xcb_keycode_t control_ = 0, alt_ = 0, space_ = 0;
    GDBusConnection* bus_ = nullptr;
    std::unique_ptr<Program> windowManager_;
};

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Each iteration starts the program and then the peer, in turn, so both
// meet the same machine; the iteration's time is the program's.
void BM_StartToReady(benchmark::State& state) {
    auto& desktop = Desktop::shared();
    if (!desktop.problem.empty()) return state.SkipWithError(desktop.problem.c_str());
    const int entries = static_cast<int>(state.range(0));
    const auto home = desktop.homeWith(entries);
    if (!home) return state.SkipWithError("could not write the configuration");
    const auto peerHome = desktop.hasPeer() ? desktop.peerHomeWith(entries) : std::nullopt;
    std::vector<double> ours, peers;
    for (auto _ : state) {
        double ms = 0;
        std::string line;
        {
            auto program = desktop.startProgram(*home, &ms, &line);
            if (!program) return state.SkipWithError("the program never said it was ready");
            // "frelt: ready in N ms with M entries": the store holds the entries
            // (and one entry per tag besides).
            const auto with = line.find(" with ");
            if (with == std::string::npos || std::stol(line.substr(with + 6)) < entries)
                return state.SkipWithError(("the entries did not load: " + line).c_str());
        }
        state.SetIterationTime(ms / 1000.0);
        ours.push_back(ms);
        if (peerHome) {
            double peerMs = 0;
            if (!desktop.startPeer(*peerHome, &peerMs)) return state.SkipWithError("rofi never mapped its window");
            peers.push_back(peerMs);
        }
    }
    state.counters["frelt_median_ms"] = median(ours);
    if (!peers.empty()) {
        state.counters["rofi_median_ms"] = median(peers);
        state.counters["ratio"] = median(ours) / median(peers);
    }
}
BENCHMARK(BM_StartToReady)->Arg(100)->Arg(10000)->Iterations(8)->UseManualTime()->Unit(benchmark::kMillisecond);

// Resident memory with the window closed: once the program has settled
// after its start (the application search done), and again after the main
// window was shown and hidden; the peer's while it shows the same number
// of entries.
void BM_Memory(benchmark::State& state) {
    auto& desktop = Desktop::shared();
    if (!desktop.problem.empty()) return state.SkipWithError(desktop.problem.c_str());
    const int entries = static_cast<int>(state.range(0));
    const auto home = desktop.homeWith(entries);
    if (!home) return state.SkipWithError("could not write the configuration");
    for (auto _ : state) {
        auto program = desktop.startProgram(*home, nullptr, nullptr);
        if (!program) return state.SkipWithError("the program never said it was ready");
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["idle_RSS_MB"] = program->memory().resident;
        desktop.showWithHotkey();
        if (!program->waitForLine("frelt: main window painted", std::chrono::seconds(5)))
            return state.SkipWithError("the hotkey never showed the main window");
        if (!desktop.hideWithHotkey()) return state.SkipWithError("the hotkey never hid the main window");
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const auto shown = program->memory();
        state.counters["shown_RSS_MB"] = shown.resident;
        state.counters["shown_PSS_MB"] = shown.proportional;
        program.reset();
        if (const auto peerHome = desktop.hasPeer() ? desktop.peerHomeWith(entries) : std::nullopt) {
            auto peer = desktop.startPeer(*peerHome, nullptr);
            if (!peer) return state.SkipWithError("rofi never mapped its window");
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const auto peers = peer->memory();
            state.counters["rofi_RSS_MB"] = peers.resident;
            state.counters["rofi_PSS_MB"] = peers.proportional;
            state.counters["PSS_ratio"] = shown.proportional / peers.proportional;
        }
    }
}
BENCHMARK(BM_Memory)->Arg(100)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The hotkey toggles: each iteration shows the window and waits for its
// paint, then hides it again. The first press comes the moment the program
// says it is ready (while it still makes its entries' icons), the second
// right after that window was hidden, the others once it has settled. The
// iteration time is each settled showing's; the counters hold the first
// showings and the slowest of all.
void BM_HotkeyToPainted(benchmark::State& state) {
    auto& desktop = Desktop::shared();
    if (!desktop.problem.empty()) return state.SkipWithError(desktop.problem.c_str());
    const auto home = desktop.homeWith(static_cast<int>(state.range(0)));
    if (!home) return state.SkipWithError("could not write the configuration");
    auto program = desktop.startProgram(*home, nullptr, nullptr);
    if (!program) return state.SkipWithError("the program never said it was ready");

    auto showOnce = [&](std::chrono::milliseconds pause) -> std::optional<double> {
        // A paint reported late for an earlier showing is not this one's.
        program->discardPendingLines();
        const auto pressed = desktop.showWithHotkey();
        if (!program->waitForLine("frelt: main window painted", std::chrono::seconds(2))) return std::nullopt;
        const double ms = Milliseconds(Clock::now() - pressed).count();
        if (!desktop.hideWithHotkey()) return std::nullopt;
        std::this_thread::sleep_for(pause);
        return ms;
    };
    // A press that shows nothing within the time is counted and tried
    // again (on this server now and then one is lost).
    int missed = 0;
    auto showRetrying = [&](std::chrono::milliseconds pause) {
        auto ms = showOnce(pause);
        for (int retry = 0; !ms && retry < 3; ++retry) {
            ++missed;
            desktop.hideWithHotkey();
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            ms = showOnce(pause);
        }
        return ms;
    };
    const auto first = showOnce(std::chrono::milliseconds(1000));
    if (!first) return state.SkipWithError("the first press of the hotkey never showed the main window");
    const auto second = showRetrying(std::chrono::milliseconds(1000));
    if (!second) return state.SkipWithError("the hotkey never showed the main window a second time");
    state.counters["first_at_ready_ms"] = *first;
    state.counters["second_ms"] = *second;
    std::this_thread::sleep_for(std::chrono::seconds(2));
    double slowest = std::max(*first, *second);
    for (auto _ : state) {
        const auto ms = showRetrying(std::chrono::milliseconds(250));
        if (!ms) return state.SkipWithError("the hotkey never showed and hid the main window");
        slowest = std::max(slowest, *ms);
        state.SetIterationTime(*ms / 1000.0);
    }
    state.counters["slowest_ms"] = slowest;
    state.counters["missed_presses"] = missed;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    state.counters["resident_MB_closed"] = program->residentMegabytes();
}
BENCHMARK(BM_HotkeyToPainted)->Arg(10000)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("FRELT_BENCH_PRIVATE_DESKTOP")) {
        for (const char* tool : {"xvfb-run", "dbus-run-session"}) {
            if (!frelt::bench::findProgram(tool)) {
                std::printf("skipped: %s is not installed (scripts/install-deps installs it)\n", tool);
                return 0;
            }
        }
        ::setenv("FRELT_BENCH_PRIVATE_DESKTOP", "1", 1);
        std::error_code error;
        const fs::path self = fs::read_symlink("/proc/self/exe", error);
        std::vector<std::string> texts{"xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "dbus-run-session", "--",
                                       error ? std::string(argv[0]) : self.string()};
        for (int i = 1; i < argc; ++i) texts.emplace_back(argv[i]);
        std::vector<char*> again;
        for (auto& t : texts) again.push_back(t.data());
        again.push_back(nullptr);
        ::execvp("xvfb-run", again.data());
        std::perror("xvfb-run");
        return 1;
    }
    return frelt::bench::runBenchmarks(argc, argv);
}
