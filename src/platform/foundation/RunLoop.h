#pragma once
// The main thread's run loop. It owns the modes, the timers and the main
// queue; a backend only waits for events until a deadline and wakes up.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"

namespace platform {

using TimePoint = dispatch::TimePoint;
using Duration = dispatch::Duration;
using dispatch::seconds;

// Run-loop modes by name. `common` is not a mode one runs in but a set:
// default, modal panel and event tracking.
struct RunLoopMode {
    static const std::string defaultMode;     // "kCFRunLoopDefaultMode"
    static const std::string common;          // "kCFRunLoopCommonModes"
    static const std::string eventTracking;   // "NSEventTrackingRunLoopMode"
    static const std::string modalPanel;      // "NSModalPanelRunLoopMode"
};

class RunLoopBackend {
public:
    virtual ~RunLoopBackend() = default;
    // Waits for events until `deadline` (none: until woken) and delivers them.
    virtual void waitUntil(std::optional<TimePoint> deadline) = 0;
    // Ends a wait early; callable from any thread.
    virtual void wakeUp() = 0;
};

class Timer;

class RunLoop {
public:
    static RunLoop& main();

    void setBackend(std::shared_ptr<RunLoopBackend> backend);
    std::shared_ptr<RunLoopBackend> backend() const;

    // Timers fire only while the loop runs in a mode they were added for.
    void addTimer(const std::shared_ptr<Timer>& timer, const std::string& mode);

    // The mode of the innermost run, or empty when not running.
    std::string currentMode() const;
    int nestingDepth() const;

    // One pass in `mode`: due timers, the main queue, backend events; then
    // waits up to `limit` for more. Returns false if the mode has nothing.
    bool runMode(const std::string& mode, std::optional<TimePoint> limit);
    // Runs in `mode` until stop() is called for this nesting level or
    // `until` becomes true. A nested call is a modal session or a blocking menu.
    void run(const std::string& mode = RunLoopMode::defaultMode, std::function<bool()> until = nullptr);
    void stop();

    // Runs due timers, the main queue and pending backend events without
    // waiting, until none is left. Returns how many things ran.
    std::size_t runUntilIdle(const std::string& mode = RunLoopMode::defaultMode);

    // Earliest fire date of a valid timer that may run in `mode`.
    std::optional<TimePoint> nextTimerDeadline(const std::string& mode) const;

    // Drops every timer (between tests).
    void reset();

    struct Impl;

private:
    RunLoop();
    std::unique_ptr<Impl> impl_;
};

class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Handler = std::function<void(Timer&)>;

    // A timer that is not yet on any run loop.
    static std::shared_ptr<Timer> make(Duration interval, bool repeats, Handler handler);
    // A timer added to the main run loop in the default mode.
    static std::shared_ptr<Timer> scheduled(Duration interval, bool repeats, Handler handler);
    static std::shared_ptr<Timer> scheduled(double seconds, bool repeats, Handler handler) {
        return scheduled(dispatch::seconds(seconds), repeats, std::move(handler));
    }

    void fire();
    void invalidate();
    bool isValid() const { return valid_; }
    bool repeats() const { return repeats_; }
    Duration interval() const { return interval_; }
    TimePoint fireDate() const { return fireDate_; }
    void setFireDate(TimePoint t);
    Duration tolerance() const { return tolerance_; }
    void setTolerance(Duration t) { tolerance_ = t; }

private:
    friend class RunLoop;
    friend struct RunLoop::Impl;
    Timer(Duration interval, bool repeats, Handler handler);

    Duration interval_;
    bool repeats_;
    Handler handler_;
    bool valid_ = true;
    TimePoint fireDate_{};
    Duration tolerance_{};
    std::set<std::string> modes_;
    std::uint64_t sequence_ = 0;
};

// The backend for tests and tools without a display: time moves only when
// told to, and waiting never blocks. Iterates GLib's default main context so
// GIO callbacks are delivered too.
class HeadlessRunLoopBackend : public RunLoopBackend {
public:
    void waitUntil(std::optional<TimePoint> deadline) override;
    void wakeUp() override {}
};

// The manual clock of tests.
namespace manualclock {
// Switches the dispatch clock to manual time and installs the headless backend.
void install();
void uninstall();
// Moves time forward by `d`, firing due timers (in deadline order, each at its
// own moment) and handing due delayed work to its queues; runs the main queue
// after each step.
void advance(Duration d, const std::string& mode = RunLoopMode::defaultMode);
inline void advance(double s) { advance(dispatch::seconds(s)); }
}  // namespace manualclock

}  // namespace platform
