#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <glib-unix.h>
#include <glib.h>
#include <map>
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

using PumpResult = RunLoopBackend::PumpResult;

}  // namespace

struct RunLoop::Impl {
    // Guards the backend pointer and every timer's state.
    mutable std::mutex m;
    std::vector<std::shared_ptr<Timer>> timers;
    std::shared_ptr<RunLoopBackend> backend = std::make_shared<HeadlessRunLoopBackend>();

    struct Level {
        std::string mode;
        bool stopRequested = false;
    };
    std::vector<Level> levels;  // main thread only

    // The notifiers callers asked for, so they can move to a new backend.
    // Main thread only.
    struct Notifiers {
        Impl* loop = nullptr;
        struct Entry {
            int fd;
            RunLoopBackend::Readiness readiness;
            std::shared_ptr<std::function<void()>> callback;
            RunLoopBackend::NotifierId backendId = 0;
        };
        std::map<std::uint64_t, Entry> entries;
        std::uint64_t nextId = 1;

        void remove(std::uint64_t id) {
            assertMainThread("ending a file-descriptor notifier");
            auto it = entries.find(id);
            if (it == entries.end()) return;
            const auto backendId = it->second.backendId;
            entries.erase(it);
            loop->currentBackend()->removeNotifier(backendId);
        }
    };
    std::shared_ptr<Notifiers> notifiers = std::make_shared<Notifiers>();

    Impl() { notifiers->loop = this; }

    std::shared_ptr<RunLoopBackend> currentBackend() const {
        std::lock_guard lock(m);
        return backend;
    }

    static RunLoopBackend::NotifierId attach(RunLoopBackend& b, const Notifiers::Entry& e) {
        return b.addNotifier(e.fd, e.readiness, [callback = e.callback] { (*callback)(); });
    }

    // Moves the timers no longer valid out of the list (the lock held) into
    // `gone`, which the caller releases after the lock: a fired one-shot
    // timer still holds its handler, whose captures may touch timers as they
    // go, and would take the lock again.
    void pruneInvalidTimers(std::vector<std::shared_ptr<Timer>>& gone) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < timers.size(); ++i) {
            if (!timers[i]->valid_) {
                gone.push_back(std::move(timers[i]));
                continue;
            }
            if (i != kept) timers[kept] = std::move(timers[i]);
            ++kept;
        }
        timers.resize(kept);
    }

    std::vector<std::shared_ptr<Timer>> dueTimers(const std::string& mode, TimePoint now) {
        std::vector<std::shared_ptr<Timer>> gone;  // released after the lock
        std::lock_guard lock(m);
        pruneInvalidTimers(gone);
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
            Timer::Handler handler;
            TimePoint scheduled;
            {
                std::lock_guard lock(m);
                if (!t->valid_ || t->fireDate_ > now) continue;  // changed by an earlier handler
                scheduled = t->fireDate_;
                if (t->repeats_) {
                    // Missed intervals are skipped rather than fired in a burst.
                    TimePoint next = scheduled + t->interval_;
                    if (t->interval_ > Duration::zero())
                        while (next <= now) next += t->interval_;
                    else
                        next = now + std::chrono::milliseconds(100);
                    t->fireDate_ = next;
                }
                // A copy: a handler that invalidates its timer would otherwise
                // destroy itself (and what it captured) while it still runs.
                handler = t->handler_;
            }
            if (handler) handler(*t);
            ++fired;
            std::lock_guard lock(m);
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

    std::size_t pumpPending() {
        return currentBackend()->pump(false, std::nullopt) == PumpResult::delivered ? 1 : 0;
    }
};

RunLoop::RunLoop() : impl_(std::make_unique<Impl>()) {
    dispatch::mainqueue::setWakeHandler([this] { impl_->currentBackend()->wake(); });
}

RunLoop& RunLoop::main() {
    static auto* loop = new RunLoop;
    return *loop;
}

void RunLoop::setBackend(std::shared_ptr<RunLoopBackend> backend) {
    assertMainThread("RunLoop::setBackend");
    if (!backend) backend = std::make_shared<HeadlessRunLoopBackend>();
    std::shared_ptr<RunLoopBackend> old;
    {
        std::lock_guard lock(impl_->m);
        old = std::exchange(impl_->backend, backend);
    }
    if (old == backend) return;
    for (auto& [id, entry] : impl_->notifiers->entries) {
        old->removeNotifier(entry.backendId);
        entry.backendId = Impl::attach(*backend, entry);
    }
}

std::shared_ptr<RunLoopBackend> RunLoop::backend() const { return impl_->currentBackend(); }

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer, const std::string& mode) {
    assertMainThread("RunLoop::addTimer");
    if (!timer) return;
    std::vector<std::shared_ptr<Timer>> gone;  // released after the lock
    std::lock_guard lock(impl_->m);
    if (!timer->valid_) return;
    timer->modes_.insert(mode);
    // Timers no longer valid go now: a timer re-armed for every change of a
    // burst (thousands while the settings load) would otherwise pile up until
    // the loop next runs, each search longer than the last.
    impl_->pruneInvalidTimers(gone);
    auto& timers = impl_->timers;
    if (std::find(timers.begin(), timers.end(), timer) == timers.end()) timers.push_back(timer);
}

Subscription RunLoop::watchFileDescriptor(int fd, RunLoopBackend::Readiness readiness, std::function<void()> callback) {
    assertMainThread("RunLoop::watchFileDescriptor");
    auto& table = *impl_->notifiers;
    const auto id = table.nextId++;
    Impl::Notifiers::Entry entry{fd, readiness, std::make_shared<std::function<void()>>(std::move(callback)), 0};
    entry.backendId = Impl::attach(*impl_->currentBackend(), entry);
    table.entries.emplace(id, std::move(entry));
    return Subscription(std::weak_ptr<Impl::Notifiers>(impl_->notifiers),
                        [id](Impl::Notifiers& notifiers) { notifiers.remove(id); });
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
    assertMainThread("RunLoop::runUntilIdle");
    impl_->levels.push_back({mode, false});
    std::size_t total = 0;
    for (std::size_t i = 0; i < kMaxIdlePasses; ++i) {
        const std::size_t n = impl_->pass(mode) + impl_->pumpPending();
        total += n;
        if (n == 0) break;
    }
    impl_->levels.pop_back();
    return total;
}

bool RunLoop::runMode(const std::string& mode, std::optional<TimePoint> limit) {
    assertMainThread("RunLoop::runMode");
    impl_->levels.push_back({mode, false});
    std::size_t n = impl_->pass(mode) + impl_->pumpPending();
    if (n == 0 && !dispatch::mainqueue::hasPending()) {
        auto deadline = limit;
        if (auto next = nextTimerDeadline(mode); next && (!deadline || *next < *deadline)) deadline = next;
        if (impl_->currentBackend()->pump(true, deadline) == PumpResult::delivered) ++n;
        n += impl_->pass(mode);
    }
    impl_->levels.pop_back();
    return n > 0;
}

void RunLoop::run(const std::string& mode, std::function<bool()> until) {
    assertMainThread("RunLoop::run");
    impl_->levels.push_back({mode, false});
    const std::size_t level = impl_->levels.size() - 1;
    auto stopped = [&] { return impl_->levels[level].stopRequested || (until && until()); };
    while (!stopped()) {
        const std::size_t n = impl_->pass(mode);
        if (stopped()) break;
        if (n + impl_->pumpPending() > 0 || dispatch::mainqueue::hasPending()) continue;
        if (impl_->currentBackend()->pump(true, nextTimerDeadline(mode)) == PumpResult::starved) {
            reportFailure("run loop in mode " + mode + " would wait forever: nothing can stop it");
            break;
        }
    }
    impl_->levels.pop_back();
}

void RunLoop::stop() {
    assertMainThread("RunLoop::stop");
    if (!impl_->levels.empty()) impl_->levels.back().stopRequested = true;
    impl_->currentBackend()->wake();
}

void RunLoop::reset() {
    std::vector<Timer::Handler> handlers;  // destroyed without the lock: they may touch timers
    std::lock_guard lock(impl_->m);
    for (auto& t : impl_->timers) {
        t->valid_ = false;
        handlers.push_back(std::move(t->handler_));
    }
    impl_->timers.clear();
}

// --- Timer -------------------------------------------------------------------

std::mutex& Timer::lock() { return RunLoop::main().impl_->m; }

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
    assertMainThread("Timer::fire");
    auto keepAlive = shared_from_this();
    Handler handler;
    {
        std::lock_guard guard(lock());
        if (!valid_) return;
        handler = handler_;
    }
    if (handler) handler(*this);
}

void Timer::invalidate() {
    assertMainThread("Timer::invalidate");
    Handler gone;  // destroyed without the lock: what it captured may touch timers
    std::lock_guard guard(lock());
    valid_ = false;
    gone = std::move(handler_);
}

bool Timer::isValid() const {
    std::lock_guard guard(lock());
    return valid_;
}

TimePoint Timer::fireDate() const {
    std::lock_guard guard(lock());
    return fireDate_;
}

void Timer::setFireDate(TimePoint t) {
    assertMainThread("Timer::setFireDate");
    std::lock_guard guard(lock());
    fireDate_ = t;
}

Duration Timer::tolerance() const {
    std::lock_guard guard(lock());
    return tolerance_;
}

void Timer::setTolerance(Duration t) {
    assertMainThread("Timer::setTolerance");
    std::lock_guard guard(lock());
    tolerance_ = t;
}

// --- HeadlessRunLoopBackend ---------------------------------------------------

struct HeadlessRunLoopBackend::Notifiers {
    struct Watch {
        std::function<void()> callback;
        bool active = true;
    };
    std::map<NotifierId, std::pair<GSource*, std::shared_ptr<Watch>>> sources;
    NotifierId nextId = 1;
    std::atomic<bool> woken{false};

    static gboolean dispatch(gint, GIOCondition, gpointer data) {
        // A copy: the callback may remove its own notifier.
        const auto watch = *static_cast<std::shared_ptr<Watch>*>(data);
        if (watch->active) watch->callback();
        return G_SOURCE_CONTINUE;
    }
    static void release(gpointer data) { delete static_cast<std::shared_ptr<Watch>*>(data); }
};

HeadlessRunLoopBackend::HeadlessRunLoopBackend(Time time) : time_(time), notifiers_(std::make_unique<Notifiers>()) {}

HeadlessRunLoopBackend::~HeadlessRunLoopBackend() {
    for (auto& [id, source] : notifiers_->sources) {
        source.second->active = false;
        g_source_destroy(source.first);
        g_source_unref(source.first);
    }
}

RunLoopBackend::NotifierId HeadlessRunLoopBackend::addNotifier(int fd, Readiness readiness,
                                                               std::function<void()> callback) {
    auto watch = std::make_shared<Notifiers::Watch>();
    watch->callback = std::move(callback);
    GSource* source = g_unix_fd_source_new(fd, readiness == Readiness::readable ? G_IO_IN : G_IO_OUT);
    g_source_set_callback(source, G_SOURCE_FUNC(&Notifiers::dispatch), new std::shared_ptr<Notifiers::Watch>(watch),
                          &Notifiers::release);
    g_source_attach(source, g_main_context_default());
    const auto id = notifiers_->nextId++;
    notifiers_->sources.emplace(id, std::make_pair(source, std::move(watch)));
    return id;
}

void HeadlessRunLoopBackend::removeNotifier(NotifierId id) {
    auto it = notifiers_->sources.find(id);
    if (it == notifiers_->sources.end()) return;
    auto [source, watch] = it->second;
    notifiers_->sources.erase(it);
    watch->active = false;
    g_source_destroy(source);
    g_source_unref(source);
}

void HeadlessRunLoopBackend::wake() {
    notifiers_->woken = true;
    g_main_context_wakeup(g_main_context_default());
}

bool HeadlessRunLoopBackend::deliverPending() {
    bool delivered = false;
    while (g_main_context_iteration(nullptr, FALSE)) delivered = true;
    return delivered;
}

RunLoopBackend::PumpResult HeadlessRunLoopBackend::pump(bool wait, std::optional<TimePoint> deadline) {
    const bool delivered = deliverPending();
    if (delivered || !wait) return delivered ? PumpResult::delivered : PumpResult::none;
    if (notifiers_->woken.exchange(false)) return PumpResult::none;
    return time_ == Time::manual ? waitInManualTime(deadline) : waitInRealTime(deadline);
}

RunLoopBackend::PumpResult HeadlessRunLoopBackend::waitInManualTime(std::optional<TimePoint> deadline) {
    // Time passes only once everything else is idle: background work may
    // still queue work on the main queue.
    if (!dispatch::waitForBackgroundIdle(Duration::zero())) {
        dispatch::waitForBackgroundIdle();
        return PumpResult::none;
    }
    // Work that finished just now may have left events behind.
    if (deliverPending()) return PumpResult::delivered;
    std::optional<TimePoint> next = deadline;
    if (auto d = dispatch::clock::nextDelayedDeadline(); d && (!next || *d < *next)) next = d;
    if (!next) return PumpResult::starved;
    dispatch::clock::setManualNow(*next);  // hands the delayed work now due to its queues
    dispatch::waitForBackgroundIdle();
    return PumpResult::none;
}

RunLoopBackend::PumpResult HeadlessRunLoopBackend::waitInRealTime(std::optional<TimePoint> deadline) {
    GSource* timeout = nullptr;
    bool timedOut = false;
    if (deadline) {
        const auto left = std::chrono::duration<double, std::milli>(*deadline - dispatch::clock::now()).count();
        if (left <= 0) return PumpResult::none;
        timeout = g_timeout_source_new(static_cast<guint>(std::ceil(left)));
        g_source_set_callback(
            timeout,
            [](gpointer flag) -> gboolean {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_REMOVE;
            },
            &timedOut, nullptr);
        g_source_attach(timeout, g_main_context_default());
    }
    bool delivered = g_main_context_iteration(nullptr, TRUE) && !timedOut;
    if (timeout) {
        g_source_destroy(timeout);
        g_source_unref(timeout);
    }
    delivered = deliverPending() || delivered;
    notifiers_->woken = false;
    return delivered ? PumpResult::delivered : PumpResult::none;
}

// --- manual clock -------------------------------------------------------------

namespace manualclock {

void install() {
    dispatch::clock::useManual(true);
    RunLoop::main().setBackend(std::make_shared<HeadlessRunLoopBackend>(HeadlessRunLoopBackend::Time::manual));
}

void uninstall() {
    RunLoop::main().setBackend(nullptr);
    dispatch::clock::useManual(false);
}

void advance(Duration d, const std::string& mode) {
    auto& loop = RunLoop::main();
    const TimePoint target = dispatch::clock::now() + d;
    loop.runUntilIdle(mode);
    // Each wait moves the clock to the next timer of the mode, the next
    // delayed work or the target, whichever comes first.
    for (std::size_t i = 0; i < kMaxIdlePasses && dispatch::clock::now() < target; ++i) loop.runMode(mode, target);
    loop.runUntilIdle(mode);
}

}  // namespace manualclock

}  // namespace platform
