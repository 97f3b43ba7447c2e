#pragma once
// A stopwatch that writes timing lines at the info level to a log object its
// owner supplies. It is switched on only when the named environment variable
// exists (with any value, the empty one included) at the moment the stopwatch
// is made; switched off, every call returns at once. Its lines do not pass the
// debug-logging gate: the environment variable alone decides.
//
// Used by one thread at a time (the one that renders with its owner).

#include <functional>
#include <string>

#include "platform/log/Log.h"

namespace frelt {

class PerformanceLog {
public:
    // Seconds since the reference date (1 January 2001, 00:00 UTC).
    using Clock = std::function<double()>;

    PerformanceLog(const std::string& environmentVariable, std::string identifier, platform::Log log);
    // Tests pass their own clock.
    PerformanceLog(const std::string& environmentVariable, std::string identifier, platform::Log log, Clock now);

    // Starts the stopwatch: "--- TIMER <identifier> began".
    void begin();
    // Writes the time since the start with `message`; starts the stopwatch
    // first when it is not running.
    void logTime(const std::string& message);
    // Writes the total time and stops the stopwatch. A stopwatch that is not
    // running reports 0.
    void finish();

    // The moment the stopwatch began, 0 while it is not running.
    double timer() const { return timer_; }
    bool enablePerfomanceLog() const { return enabled_; }
    const std::string& identifier() const { return identifier_; }

private:
    double now() const;

    double timer_ = 0;
    bool enabled_ = false;
    platform::Log log_;
    std::string identifier_;
    Clock clock_;
};

}  // namespace frelt
