#pragma once
// Running a program and collecting what it prints. The executable is started
// directly with posix_spawn, never through a shell: arguments reach it as they
// are, without quoting or expansion. Standard output and standard error are
// read together, so a child that fills one pipe while the other is still open
// cannot stall itself or the reader.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"

namespace platform {

struct ProcessResult {
    Data standardOutput;
    Data standardError;
    // The exit code of a child that exited, or the number of the signal that
    // ended it (see terminatedBySignal).
    int terminationStatus = 0;
    bool terminatedBySignal = false;
    // The timeout ran out and the child was killed.
    bool timedOut = false;
};

class Process {
public:
    struct Options {
        // Past this the child is killed (SIGKILL) and what it printed so far
        // is returned. None: wait as long as it takes.
        std::optional<std::chrono::milliseconds> timeout;
    };

    // Runs the executable at `path` (argv[0] is the path) with `arguments`,
    // inheriting standard input, the environment and the working folder.
    // Blocks until the child has exited and both streams are closed. When the
    // child cannot be started, answers nullopt and, if asked, a readable
    // reason in `launchError`.
    static std::optional<ProcessResult> run(const std::string& path, const std::vector<std::string>& arguments,
                                            const Options& options, std::string* launchError = nullptr);
    static std::optional<ProcessResult> run(const std::string& path, const std::vector<std::string>& arguments,
                                            std::string* launchError = nullptr) {
        return run(path, arguments, Options{}, launchError);
    }
};

}  // namespace platform
