#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <atomic>
#include <glib.h>
#include <mutex>

#include "platform/foundation/FailureHook.h"

namespace platform {

const std::string RunLoopMode::defaultMode = "kCFRunLoopDefaultMode";
const std::string RunLoopMode::common = "kCFRunLoopCommonModes";
const std::string RunLoopMode::eventTracking = "NSEventTrackingRunLoopMode";
const std::string RunLoopMode::modalPanel = "NSModalPanelRunLoopMode";

namespace {

bool modeMatches(const std::set<std::string>& timerModes, const std::string& mode) {
    if (timerModes.count(mode)) return true;
    if (timerModes.count(RunLoopMode::common))
        return mode == RunLoopMode::defaultMode || mode == RunLoopMode::modalPanel ||
               mode == RunLoopMode::eventTracking;
    return false;
}

// Guards against a timer that re-arms itself for "now" forever.
constexpr std::size_t kMaxIdlePasses = 100000;

}  // namespace

struct RunLoop::Impl {
    mutable std::mutex m;
    std::vector<std::shared_ptr<Timer>> timers;
    std::shared_ptr<RunLoopBackend> backend = std::make_shared<HeadlessRunLoopBackend>();

    struct Level {
        std::string mode;
        bool stopRequested = false;
    };
    std::vector<Level> levels;  // main thread only

    std::vector<std::shared_ptr<Timer>> dueTimers(const std::string& mode, TimePoint now) {
        std::lock_guard lock(m);
        timers.erase(std::remove_if(timers.begin(), timers.end(), [](auto& t) { return !t->valid_; }),
                     timers.end());
        std::vector<std::shared_ptr<Timer>> due;
        for (auto& t : timers)
            if (t->fireDate_ <= now && modeMatches(t->modes_, mode)) due.push_back(t);
        std::sort(due.begin(), due.end(), [](auto& a, auto& b) {
            if (a->fireDate_ != b->fireDate_) return a->fireDate_ < b->fireDate_;
            return a->sequence_ < b->sequence_;
        });
        return due;
    }

    std::size_t fireDue(const std::string& mode) {
        const TimePoint now = dispatch::clock::now();
        std::size_t fired = 0;
        for (auto& t : dueTimers(mode, now)) {
            if (!t->valid_ || t->fireDate_ > now) continue;  // changed by an earlier handler
            const TimePoint scheduled = t->fireDate_;
            if (t->repeats_) {
                // Missed intervals are skipped rather than fired in a burst.
                TimePoint next = scheduled + t->interval_;
                if (t->interval_ > Duration::zero())
                    while (next <= now) next += t->interval_;
                else
                    next = now + std::chrono::milliseconds(100);
                t->fireDate_ = next;
            }
            t->fire();
            ++fired;
            // A one-shot timer ends after firing unless its handler re-armed it.
            if (!t->repeats_ && t->fireDate_ == scheduled) t->valid_ = false;
        }
        return fired;
    }

    std::size_t pass(const std::string& mode) {
        std::size_t n = fireDue(mode);
        n += dispatch::mainqueue::drain();
        return n;
    }
};

RunLoop::RunLoop() : impl_(std::make_unique<Impl>()) {
    dispatch::mainqueue::setWakeHandler([this] {
        std::shared_ptr<RunLoopBackend> b;
        {
            std::lock_guard lock(impl_->m);
            b = impl_->backend;
        }
        if (b) b->wakeUp();
    });
}

RunLoop& RunLoop::main() {
    static auto* loop = new RunLoop;
    return *loop;
}

void RunLoop::setBackend(std::shared_ptr<RunLoopBackend> backend) {
    std::lock_guard lock(impl_->m);
    impl_->backend = backend ? std::move(backend) : std::make_shared<HeadlessRunLoopBackend>();
}

std::shared_ptr<RunLoopBackend> RunLoop::backend() const {
    std::lock_guard lock(impl_->m);
    return impl_->backend;
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer, const std::string& mode) {
    if (!timer || !timer->valid_) return;
    std::lock_guard lock(impl_->m);
    timer->modes_.insert(mode);
    if (std::find(impl_->timers.begin(), impl_->timers.end(), timer) == impl_->timers.end())
        impl_->timers.push_back(timer);
}

std::string RunLoop::currentMode() const {
    return impl_->levels.empty() ? std::string() : impl_->levels.back().mode;
}

int RunLoop::nestingDepth() const { return static_cast<int>(impl_->levels.size()); }

std::optional<TimePoint> RunLoop::nextTimerDeadline(const std::string& mode) const {
    std::lock_guard lock(impl_->m);
    std::optional<TimePoint> best;
    for (auto& t : impl_->timers)
        if (t->valid_ && modeMatches(t->modes_, mode) && (!best || t->fireDate_ < *best)) best = t->fireDate_;
    return best;
}

std::size_t RunLoop::runUntilIdle(const std::string& mode) {
    impl_->levels.push_back({mode, false});
    std::size_t total = 0;
    for (std::size_t i = 0; i < kMaxIdlePasses; ++i) {
        std::size_t n = impl_->pass(mode);
        // Let the backend deliver what is pending without waiting.
        auto b = backend();
        if (auto* headless = dynamic_cast<HeadlessRunLoopBackend*>(b.get())) {
            while (g_main_context_iteration(nullptr, FALSE)) ++n;
            (void)headless;
        } else {
            b->waitUntil(dispatch::clock::now());
        }
        total += n;
        if (n == 0) break;
    }
    impl_->levels.pop_back();
    return total;
}

bool RunLoop::runMode(const std::string& mode, std::optional<TimePoint> limit) {
    impl_->levels.push_back({mode, false});
    impl_->pass(mode);
    if (limit) {
        auto deadline = *limit;
        if (auto next = nextTimerDeadline(mode); next && *next < deadline) deadline = *next;
        backend()->waitUntil(deadline);
        impl_->pass(mode);
    }
    impl_->levels.pop_back();
    return true;
}

void RunLoop::run(const std::string& mode, std::function<bool()> until) {
    impl_->levels.push_back({mode, false});
    const std::size_t level = impl_->levels.size() - 1;
    auto stopped = [&] { return impl_->levels[level].stopRequested || (until && until()); };
    while (!stopped()) {
        std::size_t n = impl_->pass(mode);
        if (stopped()) break;
        auto b = backend();
        const bool headless = dynamic_cast<HeadlessRunLoopBackend*>(b.get()) != nullptr;
        if (!headless) {
            b->waitUntil(nextTimerDeadline(mode));
            continue;
        }
        while (g_main_context_iteration(nullptr, FALSE)) ++n;
        if (n > 0) continue;
        // Nothing ran. Without a display, waiting means time passes: move the
        // manual clock to the next thing that is due, or wait for background
        // work that may still post to the main queue.
        if (dispatch::mainqueue::hasPending()) continue;
        std::optional<TimePoint> next = nextTimerDeadline(mode);
        if (auto d = dispatch::clock::nextDelayedDeadline(); d && (!next || *d < *next)) next = d;
        if (dispatch::waitForBackgroundIdle(std::chrono::milliseconds(0)) == false) {
            dispatch::waitForBackgroundIdle();
            continue;
        }
        if (next && dispatch::clock::isManual()) {
            dispatch::clock::setManualNow(*next);
            continue;
        }
        if (next) {
            b->waitUntil(next);
            continue;
        }
        reportFailure("run loop in mode " + mode + " would wait forever: nothing can stop it");
        break;
    }
    impl_->levels.pop_back();
}

void RunLoop::stop() {
    if (!impl_->levels.empty()) impl_->levels.back().stopRequested = true;
    if (auto b = backend()) b->wakeUp();
}

void RunLoop::reset() {
    std::lock_guard lock(impl_->m);
    for (auto& t : impl_->timers) t->valid_ = false;
    impl_->timers.clear();
}

Timer::Timer(Duration interval, bool repeats, Handler handler)
    : interval_(interval), repeats_(repeats), handler_(std::move(handler)),
      fireDate_(dispatch::clock::now() + interval) {
    // Timers due at the same moment fire in the order they were made.
    static std::atomic<std::uint64_t> nextSequence{0};
    sequence_ = nextSequence++;
}

std::shared_ptr<Timer> Timer::make(Duration interval, bool repeats, Handler handler) {
    return std::shared_ptr<Timer>(new Timer(interval, repeats, std::move(handler)));
}

std::shared_ptr<Timer> Timer::scheduled(Duration interval, bool repeats, Handler handler) {
    auto t = make(interval, repeats, std::move(handler));
    RunLoop::main().addTimer(t, RunLoopMode::defaultMode);
    return t;
}

void Timer::fire() {
    if (!valid_) return;
    auto keepAlive = shared_from_this();
    // A handler that invalidates its timer would otherwise destroy itself
    // (and what it captured) while it still runs.
    Handler handler = handler_;
    if (handler) handler(*this);
}

void Timer::invalidate() {
    valid_ = false;
    handler_ = nullptr;
}

void Timer::setFireDate(TimePoint t) { fireDate_ = t; }

void HeadlessRunLoopBackend::waitUntil(std::optional<TimePoint>) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

namespace manualclock {

void install() {
    dispatch::clock::useManual(true);
    RunLoop::main().setBackend(std::make_shared<HeadlessRunLoopBackend>());
}

void uninstall() { dispatch::clock::useManual(false); }

void advance(Duration d, const std::string& mode) {
    auto& loop = RunLoop::main();
    const TimePoint target = dispatch::clock::now() + d;
    loop.runUntilIdle(mode);
    for (std::size_t i = 0; i < kMaxIdlePasses; ++i) {
        std::optional<TimePoint> next = loop.nextTimerDeadline(mode);
        if (auto dd = dispatch::clock::nextDelayedDeadline(); dd && (!next || *dd < *next)) next = dd;
        if (!next || *next > target) break;
        dispatch::clock::setManualNow(*next);
        dispatch::waitForBackgroundIdle();
        loop.runUntilIdle(mode);
    }
    dispatch::clock::setManualNow(target);
    dispatch::waitForBackgroundIdle();
    loop.runUntilIdle(mode);
}

}  // namespace manualclock

}  // namespace platform
