#pragma once
// What every benchmark program shares:
//   - FRELT_BENCHMARK_MAIN(), a main that fails (exit status 1) when any
//     benchmark reported an error, so `make bench` stops on it instead of
//     printing the error and carrying on;
//   - sourceFolder(), the checkout the program was built from, so data such
//     as the help texts is found whatever folder the program runs in;
//   - freshScratchFolder(), an empty temporary folder of the program's own,
//     removed at exit, and useFolders(), which puts the program's settings,
//     data and caches into such a folder;
//   - timed runs of other programs (the peers some goals are measured
//     against), with standard input from a file and their output read and
//     thrown away.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Paths.h"

extern char** environ;

namespace frelt::bench {

inline std::filesystem::path sourceFolder() { return FRELT_SOURCE_DIR; }

// An empty folder of this process's own, removed again when it ends.
inline std::filesystem::path freshScratchFolder(const std::string& name) {
    struct Folders {
        std::vector<std::filesystem::path> made;
        ~Folders() {
            std::error_code ignored;
            for (const auto& folder : made) std::filesystem::remove_all(folder, ignored);
        }
    };
    static Folders folders;
    const auto folder = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    folders.made.push_back(folder);
    return folder;
}

// The settings, data and caches go to `root`, never to the user's own.
inline void useFolders(const std::filesystem::path& root) {
    std::filesystem::create_directories(root / "config");
    platform::PathLayout layout;
    layout.home = root;
    layout.configHome = root / "config";
    layout.dataHome = root / "data";
    layout.cacheHome = root / "cache";
    platform::Paths::setLayout(layout);
}

// A program found on PATH, as the shell would find it.
inline std::optional<std::filesystem::path> findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::filesystem::path candidate = std::filesystem::path(folders.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

// A program started with its standard output on a pipe.
struct Spawned {
    pid_t pid = 0;
    int output = -1;  // the pipe's read end, for the caller to close
};

// Starts `program` with `arguments` and exactly `environment` ("NAME=value"),
// standard output on a pipe, standard error discarded, standard input from
// `input` when given.
inline std::optional<Spawned> spawnReadingOutput(const std::filesystem::path& program,
                                                 const std::vector<std::string>& arguments,
                                                 std::vector<std::string> environment,
                                                 const std::optional<std::filesystem::path>& input = std::nullopt) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input) posix_spawn_file_actions_addopen(&actions, 0, input->c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<std::string> argumentTexts{program.string()};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv, envp;
    for (auto& a : argumentTexts) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);

    Spawned spawned;
    const int failed = ::posix_spawn(&spawned.pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (failed != 0) {
        ::close(pipeFds[0]);
        return std::nullopt;
    }
    spawned.output = pipeFds[0];
    return spawned;
}

struct TimedRun {
    bool ok = false;
    double seconds = 0;
    std::size_t outputBytes = 0;
};

// Runs `program` with `arguments`, standard input from `input`, standard
// error discarded and standard output read to its end (a program that
// writes into nothing may stop early), extra environment `environment`
// ("NAME=value"). Times it from the start to the exit.
inline TimedRun timedRun(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& input, const std::vector<std::string>& environment = {}) {
    std::vector<std::string> environmentTexts;
    for (char** e = environ; *e; ++e) environmentTexts.emplace_back(*e);
    environmentTexts.insert(environmentTexts.end(), environment.begin(), environment.end());

    TimedRun run;
    const auto start = std::chrono::steady_clock::now();
    const auto spawned = spawnReadingOutput(program, arguments, std::move(environmentTexts), input);
    if (!spawned) return {};
    char buffer[1 << 16];
    for (ssize_t n; (n = ::read(spawned->output, buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        run.outputBytes += static_cast<std::size_t>(n);
    }
    ::close(spawned->output);
    int status = 0;
    while (::waitpid(spawned->pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.ok = WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
    return run;
}

// Hands every report to the display the flags chose (console, JSON, ...) and
// remembers whether any benchmark failed.
class FailureAwareReporter : public benchmark::BenchmarkReporter {
public:
    FailureAwareReporter() : display_(benchmark::CreateDefaultDisplayReporter()) {}
    bool ReportContext(const Context& context) override { return display_->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& reports) override {
        for (const Run& run : reports)
            if (run.error_occurred) failed = true;
        display_->ReportRuns(reports);
    }
    void Finalize() override { display_->Finalize(); }
    bool failed = false;

private:
    // The library's own, made once and kept for the process.
    benchmark::BenchmarkReporter* display_;
};

inline int runBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    FailureAwareReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.failed) std::fprintf(stderr, "benchmark failed: see the error above\n");
    return reporter.failed ? 1 : 0;
}

}  // namespace frelt::bench

#define FRELT_BENCHMARK_MAIN() \
    int main(int argc, char** argv) { return frelt::bench::runBenchmarks(argc, argv); }
