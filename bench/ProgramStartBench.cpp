// The program as a person meets it, on a private X server with openbox as
// the window manager and a private session bus:
//   - from starting `frelt` to ready (tray item shown, hotkeys registered,
//     entries loaded and rebuilt), with 100 and with 10,000 entries; goals:
//     under 100 ms and under 300 ms;
//   - from a press of the global hotkey to the main window painted; goal:
//     under 30 ms;
//   - resident memory while idle with the main window closed, the toolkit
//     included; goal: under 60 MB.
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

    // VmRSS, in megabytes.
    double residentMegabytes() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
        return 0;
    }

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
        if (x_) xcb_disconnect(x_);
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
    std::map<int, fs::path> homes_;
    xcb_connection_t* x_ = nullptr;
    xcb_keycode_t control_ = 0, alt_ = 0, space_ = 0;
    GDBusConnection* bus_ = nullptr;
    std::unique_ptr<Program> windowManager_;
};

void BM_StartToReady(benchmark::State& state) {
    auto& desktop = Desktop::shared();
    if (!desktop.problem.empty()) return state.SkipWithError(desktop.problem.c_str());
    const int entries = static_cast<int>(state.range(0));
    const auto home = desktop.homeWith(entries);
    if (!home) return state.SkipWithError("could not write the configuration");
    for (auto _ : state) {
        double ms = 0;
        std::string line;
        auto program = desktop.startProgram(*home, &ms, &line);
        if (!program) return state.SkipWithError("the program never said it was ready");
        // "frelt: ready in N ms with M entries": the store holds the entries
        // (and one entry per tag besides).
        const auto with = line.find(" with ");
        if (with == std::string::npos || std::stol(line.substr(with + 6)) < entries)
            return state.SkipWithError(("the entries did not load: " + line).c_str());
        state.SetIterationTime(ms / 1000.0);
    }
}
BENCHMARK(BM_StartToReady)->Arg(100)->Arg(10000)->Iterations(8)->UseManualTime()->Unit(benchmark::kMillisecond);

// Resident memory once the program has settled after its start (the
// application search done), the main window never opened.
void BM_IdleMemory(benchmark::State& state) {
    auto& desktop = Desktop::shared();
    if (!desktop.problem.empty()) return state.SkipWithError(desktop.problem.c_str());
    const auto home = desktop.homeWith(static_cast<int>(state.range(0)));
    if (!home) return state.SkipWithError("could not write the configuration");
    for (auto _ : state) {
        auto program = desktop.startProgram(*home, nullptr, nullptr);
        if (!program) return state.SkipWithError("the program never said it was ready");
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["resident_MB"] = program->residentMegabytes();
    }
}
BENCHMARK(BM_IdleMemory)->Arg(100)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The hotkey toggles: each iteration shows the window and waits for its
// paint, then hides it again. The first press comes the moment the program
// says it is ready (while it still makes its entries' icons), the others
// once it has settled.
void BM_HotkeyToPainted(benchmark::State& state) {
    auto& desktop = Desktop::shared();
    if (!desktop.problem.empty()) return state.SkipWithError(desktop.problem.c_str());
    const auto home = desktop.homeWith(10000);
    if (!home) return state.SkipWithError("could not write the configuration");
    auto program = desktop.startProgram(*home, nullptr, nullptr);
    if (!program) return state.SkipWithError("the program never said it was ready");

    auto showOnce = [&]() -> std::optional<double> {
        const auto pressed = desktop.pressHotkey();
        if (!program->waitForLine("frelt: main window painted", std::chrono::seconds(5))) return std::nullopt;
        const double ms = Milliseconds(Clock::now() - pressed).count();
        desktop.pressHotkey();  // and away again
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        return ms;
    };
    const auto first = showOnce();
    if (!first) return state.SkipWithError("the hotkey never showed the main window");
    state.counters["first_at_ready_ms"] = *first;
    std::this_thread::sleep_for(std::chrono::seconds(2));
    for (auto _ : state) {
        const auto ms = showOnce();
        if (!ms) return state.SkipWithError("the hotkey never showed the main window");
        state.SetIterationTime(*ms / 1000.0);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    state.counters["resident_MB_closed"] = program->residentMegabytes();
}
BENCHMARK(BM_HotkeyToPainted)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

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
