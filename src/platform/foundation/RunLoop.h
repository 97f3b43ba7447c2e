#pragma once
// The main thread's run loop. It owns the modes, the timers, the main queue
// and the file-descriptor notifiers; a backend only pumps events, wakes up
// and watches file descriptors for it. Main thread only, except where a
// member says otherwise.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Subscription.h"

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

// Where the run loop's events come from: the desktop toolkit in the program,
// the headless backend in tests and tools. The run loop never asks which
// backend it has. The contract:
//
// pump(wait, deadline), main thread only: delivers the events that are
//   pending (window-system input, GLib sources, ready file descriptors) and
//   returns. With `wait`, when nothing was pending, it first blocks until an
//   event arrives, wake() is called or `deadline` passes (none: no deadline),
//   and then delivers what arrived. The deadline is on the dispatch clock
//   (dispatch::clock::now()). It never runs timers or the main queue: the run
//   loop does, between pumps. It answers `delivered` when it delivered at
//   least one event, `none` when it did not (the wait ended by the deadline
//   or by wake(), or nothing was pending), and `starved` only when asked to
//   wait although nothing can ever arrive (no display, no deadline, no work
//   in flight): the run loop would wait forever, which only a headless
//   backend can know.
// wake(), from any thread: makes a blocked pump return soon, or the next one
//   not block. The run loop calls it when a block is queued on the main
//   queue and when it is stopped.
// addNotifier(fd, readiness, callback), main thread only: from the next
//   pump on, `callback` runs on the main thread, inside pump, whenever `fd`
//   is readable (or writable), for as long as it stays so (level-triggered:
//   read what is there). removeNotifier(id) stops it before it returns; a
//   callback may add and remove notifiers, its own too. The descriptor stays
//   the caller's.
class RunLoopBackend {
public:
    enum class PumpResult { delivered, none, starved };
    enum class Readiness { readable, writable };
    using NotifierId = std::uint64_t;

    virtual ~RunLoopBackend() = default;
    virtual PumpResult pump(bool wait, std::optional<TimePoint> deadline) = 0;
    virtual void wake() = 0;
    virtual NotifierId addNotifier(int fd, Readiness readiness, std::function<void()> callback) = 0;
    virtual void removeNotifier(NotifierId id) = 0;
};

class Timer;

class RunLoop {
public:
    static RunLoop& main();

    // Null installs a headless backend with real time. The file-descriptor
    // notifiers move to the new backend.
    void setBackend(std::shared_ptr<RunLoopBackend> backend);
    std::shared_ptr<RunLoopBackend> backend() const;

    // Timers fire only while the loop runs in a mode they were added for.
    void addTimer(const std::shared_ptr<Timer>& timer, const std::string& mode);

    // Calls `callback` on the main thread, from inside the loop in every
    // mode, whenever `fd` is readable (or writable), until the subscription
    // ends. End it before closing the descriptor.
    [[nodiscard]] Subscription watchFileDescriptor(int fd, RunLoopBackend::Readiness readiness,
                                                   std::function<void()> callback);

    // The mode of the innermost run, or empty when not running.
    std::string currentMode() const;
    int nestingDepth() const;

    // Runs what is due in `mode`: timers, the main queue, the backend's
    // pending events. If nothing was, waits until something arrives or
    // `limit` passes (a timer of the mode due earlier ends the wait sooner)
    // and runs what is due then. Returns whether anything ran.
    bool runMode(const std::string& mode, std::optional<TimePoint> limit);
    // Runs in `mode` until stop() is called for this nesting level or
    // `until` becomes true. A nested call is a modal session or a blocking
    // menu. When the backend says nothing can ever arrive, reports a failure
    // and returns.
    void run(const std::string& mode = RunLoopMode::defaultMode, std::function<bool()> until = nullptr);
    // Ends the innermost run.
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
    friend class Timer;
    RunLoop();
    std::unique_ptr<Impl> impl_;
};

// A timer on the main run loop. Made anywhere; fired, changed and
// invalidated on the main thread only. Its state is guarded by the run
// loop's lock, which is never held while a handler runs.
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
    bool isValid() const;
    bool repeats() const { return repeats_; }
    Duration interval() const { return interval_; }
    TimePoint fireDate() const;
    void setFireDate(TimePoint t);
    Duration tolerance() const;
    void setTolerance(Duration t);

private:
    friend class RunLoop;
    friend struct RunLoop::Impl;
    Timer(Duration interval, bool repeats, Handler handler);
    // The run loop's lock, which guards the fields below.
    static std::mutex& lock();

    const Duration interval_;
    const bool repeats_;
    // Guarded by the run loop's lock.
    Handler handler_;
    bool valid_ = true;
    TimePoint fireDate_{};
    Duration tolerance_{};
    std::set<std::string> modes_;
    std::uint64_t sequence_ = 0;
};

// The backend without a display, for tests and tools. It iterates GLib's
// default main context, so GIO callbacks are delivered, and watches file
// descriptors through it.
// - Real time: waiting blocks in GLib until an event, wake() or the deadline.
// - Manual time (tests; the dispatch clock must be manual too): nothing ever
//   blocks, and this backend is what moves the clock. Waiting first lets
//   background work finish (it may queue work on the main queue); when there
//   is none, it moves the clock to the deadline or to the next delayed work,
//   whichever comes first, and lets the work that became due finish. With
//   neither, nothing can ever arrive: `starved`.
class HeadlessRunLoopBackend : public RunLoopBackend {
public:
    enum class Time { real, manual };
    explicit HeadlessRunLoopBackend(Time time = Time::real);
    ~HeadlessRunLoopBackend() override;

    PumpResult pump(bool wait, std::optional<TimePoint> deadline) override;
    void wake() override;
    NotifierId addNotifier(int fd, Readiness readiness, std::function<void()> callback) override;
    void removeNotifier(NotifierId id) override;

    Time time() const { return time_; }

private:
    // Iterates GLib's default context without blocking; true when something ran.
    static bool deliverPending();
    PumpResult waitInManualTime(std::optional<TimePoint> deadline);
    PumpResult waitInRealTime(std::optional<TimePoint> deadline);

    struct Notifiers;
    const Time time_;
    std::unique_ptr<Notifiers> notifiers_;
};

// The manual clock of tests.
namespace manualclock {
// Switches the dispatch clock to manual time and installs a headless backend
// with manual time.
void install();
// Back to real time and a headless backend with real time.
void uninstall();
// Runs the loop in `mode` while time moves forward by `d`: due timers fire
// in deadline order, each at its own moment, due delayed work is handed to
// its queues and the main queue runs after each step.
void advance(Duration d, const std::string& mode = RunLoopMode::defaultMode);
inline void advance(double s) { advance(dispatch::seconds(s)); }
}  // namespace manualclock

}  // namespace platform
